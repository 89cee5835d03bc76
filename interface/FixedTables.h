#pragma once
// Table names that the loaders treat apart from ordinary model tables.
#include <string_view>

namespace dulo {

// The fixed list of tables read with a named key column. True when name is in
// the list (exact match); keyColumn is then its key column, or null for the case
// tables (CASE, EXPERT), which have none.
bool FindFixedTable(std::string_view name, const char*& keyColumn);

}  // namespace dulo
