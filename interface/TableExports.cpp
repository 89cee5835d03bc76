// The table-loading exports: LoadExcelTable, LoadSingleExcelTable, LoadCaseTable
// and LoadTableSX. Nothing throws across the boundary: a failure is a return
// code and leaves the caller's result VARIANT untouched.
#include "dulo/DuloModelDataLib.h"
#include "interface/CaseTable.h"
#include "interface/ExportGuard.h"
#include "interface/FixedTables.h"
#include "interface/ModelPaths.h"
#include "interface/TableArray.h"
#include "interface/TableBuild.h"
#include "sources/TableSources.h"
#include "model/ModelFileFormat.h"
#include "sources/WorkbookCache.h"
#include "tables/DuloIoTable.h"

#include <string>
#include <vector>

namespace dulo {
namespace {

// Steps of LoadExcelTable and LoadSingleExcelTable for a fixed-list table with a
// key column: a (rows + 1) x columns array without a repeated-name check.
int BuildWithKeyColumn(const CIoTable& table, bool emptyHeadingFails, VARIANT* result, char* rowName,
                       char* colName) {
    if (table.GetStatus() != 0) return LOAD_NOT_READ;
    CTableArray array;
    int code = BuildPlainArray(table, 1, 0, emptyHeadingFails, rowName, colName, array);
    if (code == LOAD_OK) array.HandOver(result);
    return code;
}

int ReadWithKeyColumn(const char* tableName, const std::vector<std::string>& paths,
                      const std::vector<std::string>& sheets, const char* keyColumn, bool emptyHeadingFails,
                      VARIANT* result, char* rowName, char* colName) {
    CDuloIoTable table(tableName, paths, sheets, keyColumn, "*", "*", 0);
    return BuildWithKeyColumn(table, emptyHeadingFails, result, rowName, colName);
}

int ReadKeyed(const CIoTable& table, const char* tableName, const KeyedReadRules& rules, VARIANT* result,
              char* rowName, char* colName) {
    if (table.GetStatus() != 0) return LOAD_NOT_READ;
    CTableArray array;
    int code = BuildKeyedArray(table, tableName, rules, rowName, colName, array);
    if (code == LOAD_OK) array.HandOver(result);
    return code;
}

int LoadExcelTableImpl(const char* tableName, const char* directory, int fileCount, const char* fileNames,
                       const char* sheetNames, VARIANT* result, char* rowName, char* colName) {
    std::string folder = ReadDirectoryBuffer(directory);
    std::vector<std::string> files, sheets;
    if (!tableName || !result || !ReadPackedList(fileNames, fileCount, files) ||
        !ReadPackedList(sheetNames, fileCount, sheets))
        return LOAD_NOT_READ;
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const std::string& file : files) paths.push_back(ModelFilePath(folder, file));

    WorkbookCache::Empty();
    const char* keyColumn = nullptr;
    if (FindFixedTable(tableName, keyColumn) && !keyColumn) {
        // The case tables read only their first workbook.
        if (paths.empty()) return LOAD_NOT_READ;
        return ReadCaseTable(paths[0].c_str(), sheets[0].c_str(), result);
    }
    int code;
    if (keyColumn) {
        code = ReadWithKeyColumn(tableName, paths, sheets, keyColumn, true, result, rowName, colName);
    } else {
        CDuloIoTable table(tableName, paths, sheets, "ROWNAMES", "*", "*", 0);
        code = ReadKeyed(table, tableName, {true, true}, result, rowName, colName);
    }
    if (code == LOAD_OK) WorkbookCache::Empty();
    return code;
}

int LoadSingleExcelTableImpl(const char* tableName, const char* filePath, const char* sheetName, int sourceType,
                             VARIANT* result, char* rowName, char* colName) {
    if (!tableName || !filePath || !result) return LOAD_NOT_READ;
    const char* sheet = sheetName ? sheetName : "";
    const char* keyColumn = nullptr;
    bool fixed = FindFixedTable(tableName, keyColumn);
    // Worksheet and dBase sources name a file; the others a data source, left as given.
    bool namesFile = (fixed || sourceType == TABLE_TYPE_WKS || sourceType == TABLE_TYPE_DBF);
    std::string path = namesFile ? CallerFilePath(filePath) : std::string(filePath);
    if (fixed && !keyColumn) return ReadCaseTable(path.c_str(), sheet, result);
    if (keyColumn && sourceType == TABLE_TYPE_WKS)
        return ReadWithKeyColumn(tableName, {path}, {sheet}, keyColumn, false, result, rowName, colName);
    if (keyColumn) {
        // The workbook reader reads worksheets only: any other source is read
        // by its own type, keyed by the table's key column.
        CIoTable table(path.c_str(), sheet, keyColumn, "*", "*", sourceType);
        return BuildWithKeyColumn(table, false, result, rowName, colName);
    }
    CDuloIoTable table(path.c_str(), sheet, sourceType);
    return ReadKeyed(table, tableName, {false, false}, result, rowName, colName);
}

int LoadTableSXImpl(const char* modelDirectory, const char* tableName, VARIANT* result) {
    if (!tableName || !result) return 0;
    std::string folder = ReadDirectoryBuffer(modelDirectory);
    CModelTableList list = ReadModelTableList(ModelFilePath(folder, kModelFileName), tableName);
    switch (list.result) {
        case ETableListResult::Read:
        case ETableListResult::NoModelFile: break;
        case ETableListResult::DocumentNotCreated:
        case ETableListResult::ParseFailed:
        case ETableListResult::ComError: return 0;
    }
    if (list.files.empty()) return 1;

    // A dBase table's File text (TableType 7) names its .dbf; the reader ignores a sheet part.
    std::vector<std::string> paths, sheets;
    for (const std::string& text : list.files) {
        std::string file, sheet;
        SplitTableFileText(text, file, sheet);
        paths.push_back(ModelFilePath(folder, file));
        sheets.push_back(std::move(sheet));
    }

    WorkbookCache::Empty();
    const char* keyColumn = nullptr;
    bool fixed = FindFixedTable(tableName, keyColumn);
    if (fixed && !keyColumn) return 0;
    CDuloIoTable table(tableName, paths, sheets, fixed ? keyColumn : "ROWNAMES", "*", "*", 0, list.tableTypes);
    if (table.GetStatus() != 0) return 0;
    CTableArray array;
    if (fixed)
        BuildPlainArray(table, 1, 0, false, nullptr, nullptr, array);
    else
        BuildPlainArray(table, 2, 2, false, nullptr, nullptr, array);
    array.HandOver(result);
    WorkbookCache::Empty();
    return 1;
}

}  // namespace
}  // namespace dulo

extern "C" {

int LoadExcelTable(const char* tableName, const char* directory, int fileCount, const char* fileNames,
                   const char* sheetNames, VARIANT* result, char* rowName, char* colName) {
    return dulo::ExportGuard(int(dulo::LOAD_NOT_READ), [&] {
        dulo::SetUpTableSources();
        return dulo::LoadExcelTableImpl(tableName, directory, fileCount, fileNames, sheetNames, result, rowName,
                                        colName);
    });
}

int LoadSingleExcelTable(const char* tableName, const char* filePath, const char* sheetName, int sourceType,
                         VARIANT* result, char* rowName, char* colName) {
    return dulo::ExportGuard(int(dulo::LOAD_NOT_READ), [&] {
        dulo::SetUpTableSources();
        return dulo::LoadSingleExcelTableImpl(tableName, filePath, sheetName, sourceType, result, rowName, colName);
    });
}

int LoadCaseTable(const char* filePath, const char* sheetName, VARIANT* result, char*, char*) {
    return dulo::ExportGuard(int(dulo::LOAD_NOT_READ), [&] {
        if (!result || !filePath) return int(dulo::LOAD_NOT_READ);
        dulo::SetUpTableSources();
        return dulo::ReadCaseTable(dulo::CallerFilePath(filePath).c_str(), sheetName, result);
    });
}

int LoadTableSX(const char* modelDirectory, const char* tableName, VARIANT* result) {
    return dulo::ExportGuard(0, [&] {
        dulo::SetUpTableSources();
        return dulo::LoadTableSXImpl(modelDirectory, tableName, result);
    });
}

}  // extern "C"
