// One table of every message id and text in the library. Each area keeps its
// texts in its own fragment; the table is sorted once, on first use.
#include "platform/Messages.h"

#include <algorithm>
#include <vector>

namespace dulo {

namespace {

struct Entry {
    int id;
    const char* text;
};

constexpr Entry kEntries[] = {
    {10001, "Error"},
#include "interface/Messages.inc"
#include "xml/Messages.inc"
#include "settings/Messages.inc"
#include "tables/Messages.inc"
#include "tables/KeyedMessages.inc"
#include "sources/Messages.inc"
#include "sources/WksMessages.inc"
#include "sources/workbook/Messages.inc"
#include "sources/workbook/AppMessages.inc"
#include "sources/database/DbfMessages.inc"
#include "sources/database/OdbcMessages.inc"
#include "sources/database/DbClassMessages.inc"
#include "formulas/Messages.inc"
#include "extmodels/Messages.inc"
};

const std::vector<Entry>& Table() {
    static const std::vector<Entry> table = [] {
        std::vector<Entry> t(std::begin(kEntries), std::end(kEntries));
        std::stable_sort(t.begin(), t.end(), [](const Entry& a, const Entry& b) { return a.id < b.id; });
        return t;
    }();
    return table;
}

}  // namespace

std::string LoadString(int id) {
    const auto& t = Table();
    auto it = std::lower_bound(t.begin(), t.end(), id, [](const Entry& e, int v) { return e.id < v; });
    return it != t.end() && it->id == id ? it->text : std::string();
}

std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
            size_t n = size_t(pattern[i + 1] - '1');
            if (n < args.size()) {
                out += *(args.begin() + n);
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::string FormatString(int id, std::initializer_list<std::string_view> args) {
    return FormatText(LoadString(id), args);
}

}  // namespace dulo
