// OLE dates <-> calendar time, with the rounding and range of the Windows functions.
#include "platform/OleDateTime.h"

#include <cmath>

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (Hinnant's algorithm).
constexpr int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = int64_t(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = int(yy + (m <= 2));
}

// Constant-initialised: catalogues built while the library loads already convert dates.
constexpr int64_t kEpoch = DaysFromCivil(1899, 12, 30);

}  // namespace

namespace dulo {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool OleDateToCalendar(double date, SYSTEMTIME& st) {
    if (!(date >= kMinOleDate && date < kMaxOleDate + 1.0)) return false;
    double whole = std::trunc(date);
    double fraction = std::fabs(date - whole);
    int64_t day = int64_t(whole);
    int64_t seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;  // the calendar day after, whatever the sign of the serial
    }
    int y;
    unsigned m, d;
    CivilFromDays(kEpoch + day, y, m, d);
    if (y < 100 || y > 9999) return false;
    st.wYear = WORD(y);
    st.wMonth = WORD(m);
    st.wDay = WORD(d);
    // 1899-12-30 was a Saturday; 0 is Sunday.
    st.wDayOfWeek = WORD((((kEpoch + day + 4) % 7) + 7) % 7);
    st.wHour = WORD(seconds / 3600);
    st.wMinute = WORD(seconds / 60 % 60);
    st.wSecond = WORD(seconds % 60);
    st.wMilliseconds = 0;
    return true;
}

bool CalendarToOleDate(int year, int month, int day, int hour, int minute, int second, double& date) {
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return false;
    double serial = double(DaysFromCivil(year, unsigned(month), unsigned(day)) - kEpoch);
    double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    // Before the epoch the fraction still counts forward from midnight of that day.
    date = serial < 0 ? serial - time : serial + time;
    return true;
}

}  // namespace dulo

extern "C" {

int VariantTimeToSystemTime(double vtime, SYSTEMTIME* lpSystemTime) {
    if (!lpSystemTime) return 0;
    return dulo::OleDateToCalendar(vtime, *lpSystemTime) ? 1 : 0;
}

int SystemTimeToVariantTime(const SYSTEMTIME* st, double* pvtime) {
    if (!st || !pvtime) return 0;
    return dulo::CalendarToOleDate(st->wYear, st->wMonth, st->wDay, st->wHour, st->wMinute, st->wSecond, *pvtime)
               ? 1
               : 0;
}

}  // extern "C"
