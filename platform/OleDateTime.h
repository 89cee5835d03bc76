#pragma once
// The date value of cells and settings: an OLE date with a status.
#include "dulo/oleauto.h"

#include <string>

namespace dulo {

// 0100-01-01 and 9999-12-31, the range OLE dates cover.
constexpr double kMinOleDate = -657434.0;
constexpr double kMaxOleDate = 2958465.0;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month outside 1..12

// VariantTimeToSystemTime: rounds to the nearest second; false outside the range.
bool OleDateToCalendar(double date, SYSTEMTIME& st);
// SystemTimeToVariantTime without roll-over: any field out of range gives false.
bool CalendarToOleDate(int year, int month, int day, int hour, int minute, int second, double& date);

// US-English (locale 1033) text of a date: "M/d/yyyy h:mm:ss AM", no time part at
// midnight, no date part on day 0. False when the date is out of range.
bool FormatUsDate(double date, std::string& text);
// Parses the US-English forms above (and ISO "yyyy-mm-dd[ hh:mm[:ss]]").
bool ParseUsDate(const std::string& text, double& date);

}  // namespace dulo

// The platform's date value: the layout of an OLE date plus a status.
struct COleDateTime {
    enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

    double m_dt = 0.0;
    int m_status = valid;

    COleDateTime() = default;
    COleDateTime(double dt, int status = valid) : m_dt(dt), m_status(status) {}

    bool GetCalendar(SYSTEMTIME& st) const { return m_status == valid && dulo::OleDateToCalendar(m_dt, st); }
};
