#pragma once
// What a cell's display format makes of a number when the application hands it out.
#include <string_view>

namespace dulo::engine {

enum class NumberClass : unsigned char { Plain = 0, Date = 1, Currency = 2 };

// Classifies a format code: date/time letters (d, y, h, s; m only counts
// beside them) outside quoted text, brackets and escapes make a date; a
// currency symbol or a "[$sym-...]" section makes currency.
NumberClass ClassifyFormatCode(std::string_view code);

// The class of a built-in format id (0..163) that the workbook does not define.
NumberClass ClassifyBuiltinFormat(int id);

}  // namespace dulo::engine
