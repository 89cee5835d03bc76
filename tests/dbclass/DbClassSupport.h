#pragma once
// The Access files of the corpus and a table source of either kind with the
// log on, read into rows.
#include "OdbcTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace dbclass_test {

inline std::string CorpusFile(const char* name) { return std::string(DULO_CORPUS) + "/mdb/" + name; }

#define REQUIRE_CORPUS()                                                                              \
    do {                                                                                              \
        if (!std::filesystem::exists(::dbclass_test::CorpusFile("nwind.mdb")))                        \
            GTEST_SKIP() << "the Access files of the corpus are not there: " << DULO_CORPUS << "/mdb"; \
    } while (0)

template <class TTable>
struct Read {
    CIOOptions options;
    std::ostringstream log;
    TTable table{&log, &options};
    CIoRowArray rows;
    CColumnArray keyHeadings, columnHeadings;

    Read() {
        options.SetWord(1, 0);
        options.SetWord(4, 1);
    }
    bool Extract(const char* keyFields, const char* keyValues, const char* extractColumns) {
        return table.ExtractRows(rows, keyHeadings, columnHeadings, keyFields, keyValues, extractColumns, nullptr, -1);
    }
    std::string Log() const { return log.str(); }
    std::vector<std::string> Column(int c) const {
        std::vector<std::string> values;
        for (const CIoRow* row : rows) {
            const CIoCell* cell = row->m_DataCells.GetAt(c);
            values.push_back(cell->IsNull() ? "<null>" : cell->GetText());
        }
        return values;
    }
    std::vector<std::string> Keys(int k) const {
        std::vector<std::string> values;
        for (const CIoRow* row : rows) values.push_back(row->m_KeyCells.GetAt(k)->GetText());
        return values;
    }
    std::vector<std::pair<std::string, int>> ColumnTypes() const {
        std::vector<std::pair<std::string, int>> out;
        for (const CColumn* c : table.GetColumns()) out.emplace_back(c->m_strName, c->m_nSqlType);
        return out;
    }
};

inline CIoTableDescription AccessTable(const std::string& file, const std::string& table) {
    CIoTableDescription d;
    d.SetString(0, file);
    d.SetString(1, table);
    return d;
}

inline CIoTableDescription DataSourceTable(const std::string& dsn, const std::string& table) {
    CIoTableDescription d;
    d.SetString(1, table);
    d.SetString(2, dsn);
    return d;
}

}  // namespace dbclass_test
