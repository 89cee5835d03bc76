#include "tables/RepeatedRowRules.h"

#include <strings.h>

#include <array>
#include <string>

namespace dulo {
namespace {

constexpr std::array<std::string_view, 4> kExemptTables = {"PDIST", "PGUESS", "NCRDCUTS", "TESTRUN"};
constexpr std::array<std::string_view, 2> kEventTables = {"RECEIVE", "SHIP"};

template <size_t N>
bool IsOneOfIgnoringCase(std::string_view name, const std::array<std::string_view, N>& names) {
    for (std::string_view n : names)
        if (n.size() == name.size() && strncasecmp(n.data(), name.data(), n.size()) == 0) return true;
    return false;
}

}  // namespace

bool RepeatedRowsAcrossWorkbooks::IsExemptTable(std::string_view name) {
    return IsOneOfIgnoringCase(name, kExemptTables);
}

bool RepeatedRowsAcrossWorkbooks::IsEventTable(std::string_view name) {
    return IsOneOfIgnoringCase(name, kEventTables);
}

bool RepeatedRowsWithinTable::IsExemptTable(std::string_view name) {
    for (std::string_view exempt : kExemptTables)
        if (exempt == name) return true;
    return false;
}

}  // namespace dulo
