#pragma once
// The selection texts of the table sources: comma lists and wildcard names.
#include <string>
#include <vector>

// Wildcard match, case-sensitive: "?" any one character, "*" any run, the
// empty one included. A text that is used up matches the rest of the pattern
// only when that rest is empty or exactly one "*".
bool WildcardMatch(const char* text, const char* pattern);

// Splits at every ","; an empty text gives one empty item.
std::vector<std::string> SplitSelection(const std::string& text);
