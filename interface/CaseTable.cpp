#include "interface/CaseTable.h"

#include "interface/TableArray.h"
#include "interface/TableBuild.h"
#include "sources/WorkbookCache.h"
#include "sources/workbook/WksIO.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace dulo {
namespace {

constexpr int kTextBufferSize = 256;

// The cell's text as the case table tests it: no prefix, trailing spaces removed.
// The view points into buffer.
std::string_view PlainText(TWksIO& workbook, int row, int column, char (&buffer)[kTextBufferSize], int& flags) {
    buffer[0] = '\0';
    flags = workbook.GetCellText(row, column, buffer, kTextBufferSize, WKS_PREFIX_NONE);
    buffer[kTextBufferSize - 1] = '\0';
    std::string_view text(buffer);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// Whether every cell of row from column on gives an empty text.
bool RestIsBlank(TWksIO& workbook, int row, int column, char (&buffer)[kTextBufferSize]) {
    int flags;
    for (int r = row, c = column; workbook.NextCell(r, c) && r == row; ++c)
        if (!PlainText(workbook, row, c, buffer, flags).empty()) return false;
    return true;
}

}  // namespace

int BuildCaseTable(TWksIO& workbook, VARIANT* result) {
    // The file's row and column counts are its own claim (DIMENSIONS): the array
    // covers the cells that exist, formatted blanks included, within that claim.
    int usedRows = 0, usedColumns = 0;
    workbook.GetUsedArea(usedRows, usedColumns);
    CTableArray array;
    if (!array.Create(long(std::max(usedRows, 0)) + 2, long(std::max(usedColumns, 0)) + 2)) return LOAD_NOT_READ;

    // Rows and cells without a record hold nothing: the walk visits only the
    // cells that exist, so an empty region of the sheet costs nothing.
    long kept = 0;
    char buffer[kTextBufferSize];
    for (int row = 0, column = 0; workbook.NextCell(row, column); ++row, column = 0) {
        int flags = 0;
        std::string_view first = column == 0 ? PlainText(workbook, row, 0, buffer, flags) : std::string_view();
        if (first.empty()) {
            if (RestIsBlank(workbook, row, column == 0 ? 1 : column, buffer)) continue;
        } else if (first[0] == '*') {
            continue;  // a comment row
        }
        for (int r = row, c = 0; workbook.NextCell(r, c) && r == row; ++c) {
            buffer[0] = '\0';
            int cellFlags = workbook.GetCellText(row, c, buffer, kTextBufferSize, WKS_PREFIX_NUMERIC);
            if (cellFlags & WKS_NUMBER) {
                double number = WKS_NO_NUMBER;
                workbook.GetNumber(row, c, number);
                if (number != WKS_NO_NUMBER) array.PutNumber(kept, c, number);
            } else {
                std::string text;
                workbook.GetCellText(row, c, text);
                if (!text.empty()) array.PutText(kept, c, text);
            }
        }
        ++kept;
    }
    array.HandOver(result);
    return LOAD_OK;
}

int ReadCaseTable(const char* filePath, const char* sheetName, VARIANT* result) {
    WorkbookCache::Empty();
    TWksIO workbook;
    if (!filePath || !workbook.Open(filePath, sheetName ? sheetName : "", WKS_OPEN_ALLOW_APPLICATION))
        return LOAD_NOT_READ;
    const int code = BuildCaseTable(workbook, result);
    if (code != LOAD_OK) return code;
    workbook.Close();
    WorkbookCache::Empty();
    return LOAD_OK;
}

}  // namespace dulo
