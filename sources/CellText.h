#pragma once
// The rules a sheet's cell texts are read by, shared by the worksheet table and
// the case sheet, so that both pass over the same rows.
#include <cstddef>
#include <string_view>

namespace dulo {

// A row whose first cell starts with '*' is a comment row.
inline bool IsCommentText(std::string_view text) { return !text.empty() && text[0] == '*'; }

// Ends a cell text read into buffer (NUL-terminated, size bytes) at its last
// non-blank character, and before a character cut off by the buffer's end;
// returns its length.
size_t TrimCellText(char* buffer, size_t size);

}  // namespace dulo
