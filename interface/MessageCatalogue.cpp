#include "interface/MessageCatalogue.h"

#include "extmodels/ExternalModelMessages.h"
#include "formulas/FormulaMessages.h"
#include "sources/SourceMessages.h"
#include "sources/WksMessages.h"
#include "sources/database/DbClassMessages.h"
#include "sources/database/DbfMessages.h"
#include "sources/database/OdbcMessages.h"
#include "sources/workbook/WorkbookMessages.h"
#include "tables/TableMessages.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace dulo {

namespace {

constexpr bool ById(const Message& a, const Message& b) { return a.id < b.id; }

template <size_t... N>
constexpr auto Join(const Message (&... tables)[N]) {
    std::array<Message, (N + ...)> all{};
    auto at = all.begin();
    ((at = std::copy(std::begin(tables), std::end(tables), at)), ...);
    std::sort(all.begin(), all.end(), ById);
    return all;
}

constexpr auto kLibraryMessages =
    Join(kPlatformMessages, formula_messages::kFormulaMessages, extmodel_messages::kExternalModelMessages,
         table_messages::kTableMessages, source_messages::kSourceMessages, wks_messages::kWksMessages,
         workbook_messages::kWorkbookMessages, dbf_messages::kDbfMessages, odbc_messages::kOdbcMessages,
         dbclass_messages::kDbClassMessages);

constexpr bool IdsUnique() {
    return std::adjacent_find(kLibraryMessages.begin(), kLibraryMessages.end(),
                              [](const Message& a, const Message& b) { return a.id == b.id; }) ==
           kLibraryMessages.end();
}
// Two areas that claim one id would show each other's texts.
static_assert(IdsUnique(), "two messages share an id");

}  // namespace

std::span<const Message> LibraryMessages() { return kLibraryMessages; }

std::string LoadString(int id) {
    auto it = std::lower_bound(kLibraryMessages.begin(), kLibraryMessages.end(), Message{id, nullptr}, ById);
    return it != kLibraryMessages.end() && it->id == id ? it->text : std::string();
}

}  // namespace dulo
