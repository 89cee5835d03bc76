#include "interface/CaseTable.h"

#include "interface/TableArray.h"
#include "interface/TableBuild.h"
#include "sources/CaseSheet.h"
#include "sources/WorkbookCache.h"

#include <algorithm>

namespace dulo {
namespace {

// The case sheet's cells go straight into their elements of the array.
struct ArraySink final : CCaseSheet::Sink {
    explicit ArraySink(CTableArray& array) : array(array) {}
    void Number(long row, long column, double value) override { array.PutNumber(row, column, value); }
    void Text(long row, long column, std::string_view text) override { array.PutText(row, column, text); }
    CTableArray& array;
};

int BuildFromSheet(CCaseSheet& sheet, VARIANT* result) {
    // The file's row and column counts are its own claim (DIMENSIONS): the array
    // covers the cells that exist, formatted blanks included, within that claim.
    int usedRows = 0, usedColumns = 0;
    sheet.GetUsedArea(usedRows, usedColumns);
    CTableArray array;
    if (!array.Create(long(std::max(usedRows, 0)) + 2, long(std::max(usedColumns, 0)) + 2)) return LOAD_NOT_READ;
    ArraySink sink(array);
    sheet.Read(sink);
    array.HandOver(result);
    return LOAD_OK;
}

}  // namespace

int BuildCaseTable(TWksIO& workbook, VARIANT* result) {
    CCaseSheet sheet(workbook);
    return BuildFromSheet(sheet, result);
}

int ReadCaseTable(const char* filePath, const char* sheetName, VARIANT* result) {
    WorkbookCache::Empty();
    CCaseSheet sheet;
    if (!sheet.Open(filePath, sheetName)) return LOAD_NOT_READ;
    const int code = BuildFromSheet(sheet, result);
    if (code != LOAD_OK) return code;
    sheet.Close();
    WorkbookCache::Empty();
    return LOAD_OK;
}

}  // namespace dulo
