// US-English (locale 1033) date text, as the variant conversions print and read it.
#include "platform/OleDateTime.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace dulo {

bool FormatUsDate(double date, std::string& text) {
    SYSTEMTIME st;
    if (!OleDateToCalendar(date, st)) return false;
    char buf[64];
    std::string out;
    bool midnight = st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0;
    bool dayZero = st.wYear == 1899 && st.wMonth == 12 && st.wDay == 30;
    if (!dayZero || midnight) {
        // Day 0 at midnight still prints something: its time.
        if (!dayZero) {
            std::snprintf(buf, sizeof buf, "%u/%u/%u", st.wMonth, st.wDay, st.wYear);
            out = buf;
        }
    }
    if (!midnight || dayZero) {
        int hour12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
        std::snprintf(buf, sizeof buf, "%d:%02u:%02u %s", hour12, st.wMinute, st.wSecond, st.wHour < 12 ? "AM" : "PM");
        if (!out.empty()) out += ' ';
        out += buf;
    }
    text = out;
    return true;
}

namespace {

struct Scanner {
    const std::string& s;
    size_t i = 0;
    void Blanks() {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    }
    bool Number(int& value, int maxDigits) {
        Blanks();
        size_t start = i;
        long v = 0;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && int(i - start) < maxDigits)
            v = v * 10 + (s[i++] - '0');
        if (i == start) return false;
        value = int(v);
        return true;
    }
    bool Char(char c) {
        Blanks();
        if (i < s.size() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    }
    bool AtEnd() {
        Blanks();
        return i == s.size();
    }
};

int FullYear(int year, size_t digits) {
    // Two-digit years: 00-29 are 2000-2029, 30-99 are 1930-1999.
    if (digits <= 2) return year < 30 ? 2000 + year : 1900 + year;
    return year;
}

// "h:mm[:ss] [AM|PM]" from the scanner's position.
bool ParseTime(Scanner& sc, int& h, int& m, int& s) {
    s = 0;
    if (!sc.Number(h, 2) || !sc.Char(':') || !sc.Number(m, 2)) return false;
    if (sc.Char(':') && !sc.Number(s, 2)) return false;
    sc.Blanks();
    if (sc.i + 1 < sc.s.size() + 1 && sc.i < sc.s.size()) {
        char a = char(std::toupper(static_cast<unsigned char>(sc.s[sc.i])));
        if ((a == 'A' || a == 'P') && sc.i + 1 < sc.s.size() &&
            std::toupper(static_cast<unsigned char>(sc.s[sc.i + 1])) == 'M') {
            if (h < 1 || h > 12) return false;
            h = h % 12 + (a == 'P' ? 12 : 0);
            sc.i += 2;
        }
    }
    return true;
}

}  // namespace

bool ParseUsDate(const std::string& text, double& date) {
    Scanner sc{text};
    int year = 1899, month = 12, day = 30, h = 0, m = 0, s = 0;
    size_t save = sc.i;
    int a, b, c;
    bool haveDate = false;
    if (sc.Number(a, 4)) {
        size_t aDigits = sc.i - save;
        sc.Blanks();
        if (aDigits == 4 && sc.Char('-')) {
            // ISO form.
            if (!sc.Number(b, 2) || !sc.Char('-') || !sc.Number(c, 2)) return false;
            year = a, month = b, day = c;
            haveDate = true;
            if (sc.i < text.size() && (text[sc.i] == 'T' || text[sc.i] == 't')) ++sc.i;
        } else if (sc.Char('/')) {
            if (!sc.Number(b, 2) || !sc.Char('/')) return false;
            size_t yStart = sc.i;
            sc.Blanks();
            yStart = sc.i;
            if (!sc.Number(c, 4)) return false;
            month = a, day = b, year = FullYear(c, sc.i - yStart);
            haveDate = true;
        } else {
            sc.i = save;  // not a date: maybe a time
        }
    }
    if (!sc.AtEnd()) {
        if (!ParseTime(sc, h, m, s) || !sc.AtEnd()) return false;
    } else if (!haveDate) {
        return false;
    }
    return CalendarToOleDate(year, month, day, h, m, s, date);
}

}  // namespace dulo
