#pragma once
// What the BIFF2-BIFF5 readers make of widths and display formats. The record
// layer itself (ids, little-endian fields, RK numbers, the record cursor) is
// platform/biff, shared with the BIFF8 engine.
#include "platform/biff/LittleEndian.h"
#include "platform/biff/RecordIds.h"

#include <cstdint>
#include <string_view>

namespace dulo::biff {

// Column width in characters from a width in 1/256 characters.
int WidthFromUnits(uint16_t units);

// BIFF2-4: date (0x100) and time (0x200) flags of a display format text, from
// the date letters d, y and the time letters h, s outside brackets.
int ClassifyFormatText(std::string_view text);

// BIFF5: the built-in format code of a format index ("G" from 23 on), and its flags.
std::string_view BuiltinFormatCode(int formatIndex);
int ClassifyBuiltinCode(std::string_view code);

}  // namespace dulo::biff
