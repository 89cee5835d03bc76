#include "interface/FixedTables.h"

#include <array>
#include <utility>

namespace dulo {
namespace {

struct FixedTable {
    std::string_view name;
    const char* keyColumn;
};

constexpr std::array<FixedTable, 22> kFixedTables = {{
    {"MBO_Products", "Product"},
    {"MBO_Tanks", "Tank"},
    {"MBO_Components", "Component"},
    {"MBO_Config", "ComponentBreaker"},
    {"MBO_Qualities", "Quality"},
    {"MBO_Product_Specs", "ROWNAMES"},
    {"SHUTDOWN", "Unit"},
    {"TRNSTIME", "Unit"},
    {"TNK2TNK", "Line"},
    {"SKDSLICE", "Code"},
    {"SXSKDSRE", "Code"},
    {"SXSKDLNK", "Code"},
    {"SHIP", "Code"},
    {"PERCASE", "ROWNAMES"},
    {"RECEIVE", "Code"},
    {"SERVERS", "ROWNAMES"},
    {"SEQUENCE", "TimeSlice"},
    {"STATTANK", "TimeSlice"},
    {"CASE", nullptr},
    {"EXPERT", nullptr},
    {"HOLIDAYS", "Date"},
    {"MSGSUP", "ROWNAMES"},
}};

constexpr std::array<std::string_view, 4> kExemptTables = {"PDIST", "PGUESS", "NCRDCUTS", "TESTRUN"};

}  // namespace

bool FindFixedTable(std::string_view name, const char*& keyColumn) {
    for (const FixedTable& table : kFixedTables) {
        if (table.name == name) {
            keyColumn = table.keyColumn;
            return true;
        }
    }
    keyColumn = nullptr;
    return false;
}

bool IsExemptTable(std::string_view name) {
    for (std::string_view exempt : kExemptTables)
        if (exempt == name) return true;
    return false;
}

}  // namespace dulo
