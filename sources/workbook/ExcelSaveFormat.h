#pragma once
// The spreadsheet application's file format codes, by save-format name.
#include <string>
#include <string_view>

// The application's file format code of a save-format name ("Excel5", "WK1",
// "CSV", ...; empty gives 39). An unknown name gives false and, in message,
// the text to report.
bool GetExcelSaveFormat(std::string_view name, int& code, std::string* message);
