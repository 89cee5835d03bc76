#pragma once
// Helpers of the dBase tests: scratch files, the reader entry as the in-memory
// table calls it, and the same sequence on a source whose log is kept.
#include "DbfWriter.h"

#include "sources/database/DbfTbl.h"
#include "tables/IoTableDescription.h"
#include "tables/TableReaders.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace dbf_test {

namespace fs = std::filesystem;

inline std::string FixturePath(const std::string& name) { return std::string(DULO_FIXTURES) + "/dbf/" + name; }

// A scratch directory removed at the end of the test.
struct TempDir {
    fs::path path;
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "dulo-dbf-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string File(const std::string& name) const { return (path / name).string(); }
};

// What the reader entry for type 7 gave back.
struct EntryResult {
    int status = -1;
    CIoTableDescription description;
    CColumnArray keyHeadings, columnHeadings;
    CIoRowArray rows, extra1, extra2;
    int32_t results[3] = {-1, -1, -1};

    std::string Heading(int c) const { return columnHeadings[c]->m_strName; }
    const CIoCell& Cell(int r, int c) const { return *rows[r]->m_DataCells[c]; }
    const CIoCell& Key(int r, int k = 0) const { return *rows[r]->m_KeyCells[k]; }
    // Key text of every row, in order.
    std::vector<std::string> RowNames() const {
        std::vector<std::string> names;
        for (const CIoRow* row : rows) names.push_back(row->m_KeyCells[0]->GetText());
        return names;
    }
};

inline void RunEntry(EntryResult& out, const std::string& path, const std::string& keyFields = "ROWNAMES",
                     const std::string& keyValues = "*", const std::string& extract = "*") {
    out.description.m_nTableType = TABLE_TYPE_DBF;
    out.description.m_Strings[0] = path;
    TableReadRequest request(out.description, out.keyHeadings, out.columnHeadings, out.rows, out.extra1, out.extra2);
    request.keyFields = keyFields;
    request.keyValues = keyValues;
    request.extractColumns = extract;
    out.status = ReadDbfTable(request);
    for (int i = 0; i < 3; ++i) out.results[i] = request.results[i];
}

// The open-extract-close sequence on a source that writes its errors and
// warnings to a log (shown in no message box); the log's text.
struct LoggedRead {
    std::ostringstream log;
    CIOOptions options;
    CDbfTbl table;
    CIoRowArray rows;
    CColumnArray keyHeadings, columnHeadings;
    std::vector<std::string> keyValuesOut;
    bool opened = false, extracted = false;

    LoggedRead() : table(&log, &options) {
        options.SetWord(1, 0);  // errors not shown
        options.SetWord(2, 0);  // warnings not shown
        options.SetWord(4, 1);  // logged
    }
    LoggedRead(const std::string& path, const std::string& keyFields = "ROWNAMES", const std::string& keyValues = "*",
               const std::string& extract = "*")
        : LoggedRead() {
        CIoTableDescription description;
        description.m_nTableType = TABLE_TYPE_DBF;
        description.m_Strings[0] = path;
        opened = table.OpenTable(description);
        if (opened) {
            extracted = table.ExtractRows(rows, keyHeadings, columnHeadings, keyFields.c_str(), keyValues.c_str(),
                                          extract.c_str(), &keyValuesOut, -1);
            table.CloseTable(true);
        }
    }
    std::string Log() const { return log.str(); }
};

}  // namespace dbf_test
