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

// A value of a kept row, waiting until the array's size is known.
struct CaseCell {
    long row;
    long column;
    bool isNumber;
    double number;
    std::string text;
};

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

}  // namespace

int ReadCaseTable(const char* filePath, const char* sheetName, VARIANT* result) {
    WorkbookCache::Empty();
    TWksIO workbook;
    if (!filePath || !workbook.Open(filePath, sheetName ? sheetName : "", WKS_OPEN_ALLOW_APPLICATION))
        return LOAD_NOT_READ;
    const int rows = std::max(0, workbook.GetRowCount());
    const int columns = std::max(0, workbook.GetColumnCount());

    // The row and column counts come from the file's own claim (DIMENSIONS), so
    // the array is sized by the last row and column that hold something instead.
    int lastRow = -1;
    int lastColumn = -1;
    auto noteHeld = [&](int row, int column, int flags, std::string_view text) {
        if (!text.empty() || (flags & (WKS_TEXT | WKS_NUMBER)) != 0) {
            lastRow = std::max(lastRow, row);
            lastColumn = std::max(lastColumn, column);
        }
    };

    std::vector<CaseCell> cells;
    long kept = 0;
    char firstBuffer[kTextBufferSize];
    char buffer[kTextBufferSize];
    for (int i = 0; i < rows; ++i) {
        int flags = 0;
        std::string_view first = PlainText(workbook, i, 0, firstBuffer, flags);
        noteHeld(i, 0, flags, first);
        if (first.empty()) {
            bool blank = true;
            for (int j = 1; j < columns && blank; ++j) {
                std::string_view text = PlainText(workbook, i, j, buffer, flags);
                noteHeld(i, j, flags, text);
                blank = text.empty();
            }
            if (blank) continue;
        } else if (first[0] == '*') {
            // A comment row is skipped; only its extent counts.
            for (int j = 1; j < columns; ++j) {
                std::string_view text = PlainText(workbook, i, j, buffer, flags);
                noteHeld(i, j, flags, text);
            }
            continue;
        }
        for (int j = 0; j < columns; ++j) {
            buffer[0] = '\0';
            int cellFlags = workbook.GetCellText(i, j, buffer, kTextBufferSize, WKS_PREFIX_NUMERIC);
            if (cellFlags & WKS_NUMBER) {
                double number = WKS_NO_NUMBER;
                workbook.GetNumber(i, j, number);
                if (number != WKS_NO_NUMBER) cells.push_back({kept, j, true, number, {}});
                noteHeld(i, j, cellFlags, {});
            } else {
                std::string text;
                workbook.GetCellText(i, j, text);
                noteHeld(i, j, cellFlags, text);
                if (!text.empty()) cells.push_back({kept, j, false, 0.0, std::move(text)});
            }
        }
        ++kept;
    }

    const long usedRows = std::min<long>(rows, long(lastRow) + 1);
    const long usedColumns = std::min<long>(columns, long(lastColumn) + 1);
    CTableArray array;
    if (!array.Create(usedRows + 2, usedColumns + 2)) return LOAD_NOT_READ;
    for (CaseCell& cell : cells) {
        if (cell.isNumber)
            array.PutNumber(cell.row, cell.column, cell.number);
        else
            array.PutText(cell.row, cell.column, cell.text);
    }
    workbook.Close();
    array.HandOver(result);
    WorkbookCache::Empty();
    return LOAD_OK;
}

}  // namespace dulo
