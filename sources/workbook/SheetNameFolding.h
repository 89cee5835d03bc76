#pragma once
// Sheet names compared as the spreadsheet application compares them: letter
// case folded in the scripts sheet names are written in.
#include <string>

// Simple case folding: Latin-1, Latin Extended-A, Greek and Cyrillic capitals
// to their small letters; any other character is itself.
char16_t FoldSheetNameCase(char16_t c);
// Whether two UTF-8 sheet names are the same once folded.
bool SameSheetName(const std::string& a, const std::string& b);
