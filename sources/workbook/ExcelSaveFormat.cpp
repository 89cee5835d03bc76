#include "sources/workbook/ExcelSaveFormat.h"

#include "platform/Messages.h"
#include "sources/workbook/WorkbookMessages.h"

#include <strings.h>

bool GetExcelSaveFormat(std::string_view name, int& code, std::string* message) {
    struct Format {
        const char* name;
        int code;
    };
    static constexpr Format kFormats[] = {
        {"Excel5", 39},        {"Excel4", 33},         {"Excel4Workbook", 35}, {"Excel3", 29},
        {"Excel2", 16},        {"WK4", 38},            {"WK3", 15},            {"CSVMac", 22},
        {"TextMSDOS", 21},     {"WK1", 5},             {"WKS", 4},             {"WQ1", 34},
        {"WJ2WD1", 14},        {"Excel2FarEast", 27},  {"Works2FarEast", 28},  {"CSV", 6},
        {"CSVMSDOS", 24},      {"TextWindows", 20},    {"CSVWindows", 23},     {"DBF2", 7},
        {"DBF3", 8},           {"DBF4", 11},           {"DIF", 9},             {"SYLK", 2},
        {"Text", -4158},       {"TextMac", 19},        {"TextPrinter", 36},
    };
    if (name.empty()) {
        code = 39;
        return true;
    }
    for (const Format& f : kFormats) {
        std::string_view known(f.name);
        bool exact = known == "WKS";
        if (known.size() == name.size() &&
            (exact ? known == name : strncasecmp(known.data(), name.data(), name.size()) == 0)) {
            code = f.code;
            return true;
        }
    }
    if (message) *message = dulo::FormatString(workbook_messages::kIdInvalidFormat, {name});
    return false;
}
