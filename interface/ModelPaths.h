#pragma once
// Paths the table exports build from what the host passes: the 256-byte
// directory buffer, packed name lists, File texts of the model file, and the
// case-insensitive lookup for file names written on Windows.
#include "platform/PathCase.h"

#include <string>
#include <string_view>
#include <vector>

namespace dulo {

// The directory buffer's text: at most 256 bytes, cut at the first NUL, trailing
// white space removed. A null buffer gives an empty text.
std::string ReadDirectoryBuffer(const char* directory);

// directory + file, with "/" between them unless the directory already ends with
// "/" or "\"; every backslash of both is taken as "/".
std::string JoinModelPath(std::string_view directory, std::string_view file);

// count NUL-terminated strings stored back to back. False (and no list) for a
// null list with a positive count or a negative count.
bool ReadPackedList(const char* list, int count, std::vector<std::string>& items);


// A path for a file the model names: joined, then resolved without regard to
// case (ResolvePathCase, platform/PathCase.h).
std::string ModelFilePath(std::string_view directory, std::string_view file);

// A file path a caller passes whole: backslashes taken as "/", then resolved as above.
std::string CallerFilePath(std::string_view path);

}  // namespace dulo
