#pragma once
// Cell values written as text in package parts and text files.
#include <string_view>

namespace dulo::engine {

// ISO 8601 "yyyy-mm-dd[Thh:mm[:ss[.fff]]][Z]" (a space may stand for the "T"),
// or a bare "hh:mm[:ss]", as an OLE date. False when malformed or outside the calendar.
bool ParseIsoDate(std::string_view s, double& date);

// A number in the "C" form and nothing else: optional sign, digits with at most
// one decimal point, optional exponent. No spaces, thousands separators,
// hexadecimal, infinities or NaN; the value must be finite.
bool ParseCNumber(std::string_view s, double& value);

}  // namespace dulo::engine
