#include "sources/CaseSheet.h"

#include "sources/CellText.h"
#include "sources/workbook/WksIO.h"

#include <string>

namespace dulo {
namespace {

// What the case table tests a row's cells by: the text without a prefix, cut
// at the buffer and trailing blanks removed.
constexpr int kTestBufferSize = 256;
// A text cell's text as the table keeps it (TWksIO's whole-text form).
constexpr int kTextBufferSize = 1024;

using TestBuffer = char[kTestBufferSize];

bool TestTextEmpty(TWksIO& workbook, int row, int column, TestBuffer& buffer, std::string_view* first = nullptr) {
    buffer[0] = '\0';
    workbook.GetCellText(row, column, buffer, kTestBufferSize, WKS_PREFIX_NONE);
    buffer[kTestBufferSize - 1] = '\0';
    size_t length = TrimCellText(buffer, kTestBufferSize);
    if (first) *first = std::string_view(buffer, length);
    return length == 0;
}

// Whether every cell of row from column on is empty to the test.
bool RestIsBlank(TWksIO& workbook, int row, int column, TestBuffer& buffer) {
    for (int r = row, c = column; workbook.NextCell(r, c) && r == row; ++c)
        if (!TestTextEmpty(workbook, row, c, buffer)) return false;
    return true;
}

}  // namespace

CCaseSheet::CCaseSheet() = default;
CCaseSheet::CCaseSheet(TWksIO& workbook) : m_workbook(&workbook) {}
CCaseSheet::~CCaseSheet() = default;

bool CCaseSheet::Open(const char* path, const char* sheetName) {
    m_owned = std::make_unique<TWksIO>();
    m_workbook = m_owned.get();
    return path && m_owned->Open(path, sheetName ? sheetName : "", WKS_OPEN_ALLOW_APPLICATION);
}

void CCaseSheet::Close() {
    if (m_owned) m_owned->Close();
}

void CCaseSheet::GetUsedArea(int& rows, int& columns) {
    rows = columns = 0;
    if (m_workbook) m_workbook->GetUsedArea(rows, columns);
}

void CCaseSheet::Read(Sink& sink) {
    if (!m_workbook) return;
    TWksIO& workbook = *m_workbook;
    // Rows and cells without a record hold nothing: the walk visits only the
    // cells that exist, so an empty region of the sheet costs nothing.
    long kept = 0;
    TestBuffer test;
    char text[kTextBufferSize];
    std::string whole;
    for (int row = 0, column = 0; workbook.NextCell(row, column); ++row, column = 0) {
        std::string_view first;
        if (column != 0 || TestTextEmpty(workbook, row, 0, test, &first)) {
            if (RestIsBlank(workbook, row, column == 0 ? 1 : column, test)) continue;
        } else if (IsCommentText(first)) {
            continue;
        }
        for (int r = row, c = 0; workbook.NextCell(r, c) && r == row; ++c) {
            double number = WKS_NO_NUMBER;
            text[0] = '\0';
            const int flags = workbook.GetCellValue(row, c, number, text, kTextBufferSize);
            if (flags & WKS_NUMBER) {
                if (number != WKS_NO_NUMBER) sink.Number(kept, c, number);
            } else if (flags & WKS_TEXT) {
                if (text[0]) sink.Text(kept, c, text);
            } else {
                // Errors, booleans and blanks: whatever text the reader gives them.
                workbook.GetCellText(row, c, whole);
                if (!whole.empty()) sink.Text(kept, c, whole);
            }
        }
        ++kept;
    }
}

}  // namespace dulo
