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

}  // namespace dulo
