#include "platform/engine/CellValues.h"

#include "platform/OleDateTime.h"

#include <charconv>
#include <cmath>

namespace dulo::engine {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool ParseSeconds(std::string_view s, double& value) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

bool ParseIsoDate(std::string_view s, double& date) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0;
    double sec = 0;
    auto num = [&](size_t pos, size_t len, int& out) {
        if (pos + len > s.size()) return false;
        auto [end, ec] = std::from_chars(s.data() + pos, s.data() + pos + len, out);
        return ec == std::errc() && end == s.data() + pos + len;
    };
    bool hasDate = s.size() >= 10 && s[4] == '-' && s[7] == '-';
    size_t t = 0;
    if (hasDate) {
        if (!num(0, 4, y) || !num(5, 2, mo) || !num(8, 2, d)) return false;
        t = 10;
        if (t < s.size() && (s[t] == 'T' || s[t] == ' ')) ++t;
    } else {
        y = 1899, mo = 12, d = 30;
    }
    if (t + 5 <= s.size() && s[t + 2] == ':') {
        if (!num(t, 2, h) || !num(t + 3, 2, mi)) return false;
        t += 5;
        if (t < s.size() && s[t] == ':') {
            size_t e = t + 1;
            while (e < s.size() && (IsDigit(s[e]) || s[e] == '.')) ++e;
            if (!ParseSeconds(s.substr(t + 1, e - t - 1), sec)) return false;
            t = e;
        }
    }
    if (!hasDate && t == 0) return false;
    if (h > 23 || mi > 59 || !(sec >= 0 && sec < 60)) return false;
    double day = 0;
    if (!dulo::CalendarToOleDate(y, mo, d, 0, 0, 0, day)) return false;
    double frac = (h * 3600 + mi * 60 + sec) / 86400.0;
    date = day >= 0 ? day + frac : day - frac;
    return true;
}

bool ParseCNumber(std::string_view s, double& value) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < s.size() && IsDigit(s[i])) ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    if (i != s.size()) return false;
    // from_chars takes no leading "+".
    std::string_view body = s[0] == '+' ? s.substr(1) : s;
    auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
    return ec == std::errc() && end == body.data() + body.size() && std::isfinite(value);
}

}  // namespace dulo::engine
