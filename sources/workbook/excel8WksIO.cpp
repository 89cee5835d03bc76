#include "sources/workbook/excel8WksIO.h"

#include "platform/OleDateTime.h"
#include "platform/TextConv.h"
#include "sources/workbook/ExcelApplication.h"
#include "sources/workbook/SheetNameFolding.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

using dulo::engine::IApplication;

namespace {

std::string Printf(const char* format, double value) {
    char text[512];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string DateText(double date) {
    SYSTEMTIME st;
    if (!dulo::OleDateToCalendar(date, st)) return Printf("%g", date);
    std::tm tm{};
    tm.tm_year = st.wYear - 1900;
    tm.tm_mon = st.wMonth - 1;
    tm.tm_mday = st.wDay;
    tm.tm_hour = st.wHour;
    tm.tm_min = st.wMinute;
    tm.tm_sec = st.wSecond;
    tm.tm_wday = st.wDayOfWeek;
    char text[128];
    size_t n = std::strftime(text, sizeof text, "%X %x", &tm);
    return std::string(text, n);
}

}  // namespace

excel8WksIO::excel8WksIO(const char* path, const char* sheetName) {
    VariantInit(&m_values);
    m_sheetName = sheetName ? sheetName : "";
    if (!path || !*path) {
        Fail(EXCEL8_EMPTY_PATH);
        return;
    }
    std::shared_ptr<IApplication> app = RunningApplication();
    if (!app) {
        Fail(EXCEL8_NO_WORKBOOKS);
        return;
    }
    bool alerts = true;
    try {
        alerts = app->DisplayAlerts();
        app->SetDisplayAlerts(false);
    } catch (const CComError&) {
        // The alert setting is a courtesy; the open goes on without it.
    }
    try {
        m_workbooks = app->Workbooks();
    } catch (const CComError&) {
        Fail(EXCEL8_NO_WORKBOOKS);
        return;
    }
    try {
        m_workbooks->Open(path, 0, true);
    } catch (const CComError&) {
        Fail(EXCEL8_OPEN_FAILED);
        return;
    }
    NotifyWorkbookOpened();
    try {
        m_sheets = app->Sheets();
    } catch (const CComError&) {
        Fail(EXCEL8_NO_SHEETS);
        return;
    }
    if (!FindWorksheet(m_sheetName)) {
        Fail(EXCEL8_SHEET_NOT_FOUND);
        return;
    }
    try {
        m_workbook = app->ActiveWorkbook();
    } catch (const CComError&) {
        m_workbook.reset();
    }
    if (!m_workbook) {
        Fail(EXCEL8_NO_ACTIVE_WORKBOOK);
        return;
    }
    if (!MeasureSheet() || !ReadValues()) return;
    try {
        app->SetDisplayAlerts(alerts);
    } catch (const CComError&) {
    }
}

excel8WksIO::~excel8WksIO() {
    Close();
    DropValues();
}

void excel8WksIO::Fail(int code) {
    m_nError = code;
    m_bFailed = true;
}

bool excel8WksIO::FindWorksheet(const std::string& name) {
    std::shared_ptr<IApplication> app = RunningApplication();
    if (!app) return false;
    try {
        if (name.empty()) {
            m_worksheet = app->Worksheets(1);
            return static_cast<bool>(m_worksheet);
        }
        long count = m_sheets ? m_sheets->Count() : 0;
        for (long i = 1; i <= count; ++i) {
            auto sheet = app->Worksheets(i);
            if (sheet && SameSheetName(sheet->Name(), name)) {
                m_worksheet = sheet;
                return true;
            }
        }
    } catch (const CComError&) {
        // Past the last worksheet (chart sheets count in Sheets only): not found.
    }
    m_worksheet.reset();
    return false;
}

bool excel8WksIO::MeasureSheet() {
    std::shared_ptr<dulo::engine::IRange> first;
    try {
        m_worksheet->Select();
        first = m_worksheet->Cells(1, 1);
    } catch (const CComError&) {
        Fail(EXCEL8_NO_RANGE);
        return false;
    }
    long rows = 0, columns = 0;
    try {
        m_range = first->SpecialCells(dulo::engine::xlCellTypeLastCell);
        rows = m_range->Row();
        columns = m_range->Column();
    } catch (const CComError&) {
        Fail(EXCEL8_NO_EXTENT);
        return false;
    }
    if (rows < 1 || columns < 1) {
        Fail(EXCEL8_NO_EXTENT);
        return false;
    }
    m_nRows = static_cast<int>(rows);
    m_nColumns = static_cast<int>(columns);
    m_widthCache.assign(static_cast<size_t>(columns), -1);
    return true;
}

bool excel8WksIO::ReadValues() {
    std::shared_ptr<dulo::engine::IRange> area;
    try {
        auto first = m_worksheet->Cells(1, 1);
        auto last = m_worksheet->Cells(m_nRows, m_nColumns);
        area = m_worksheet->Range(*first, *last);
    } catch (const CComError&) {
        Fail(EXCEL8_NO_RANGE);
        return false;
    }
    if (!UseEngineCells(area)) {
        try {
            area->Value(m_values);
        } catch (const CComError&) {
            VariantInit(&m_values);
        }
        if (!(m_values.vt & VT_ARRAY) || !m_values.parray || SafeArrayGetDim(m_values.parray) != 2) {
            VariantClear(&m_values);
            Fail(EXCEL8_NOT_AN_ARRAY);
            return false;
        }
    }
    // Whether the used area holds formulas: HasFormula is false only when none does.
    try {
        VARIANT has;
        area->HasFormula(has);
        m_bHasFormulas = !(has.vt == VT_BOOL && has.boolVal == VARIANT_FALSE);
        VariantClear(&has);
    } catch (const CComError&) {
        m_bHasFormulas = false;
    }
    m_range = area;
    return true;
}

// The engine's cells are read where they lie instead of through a copy of the
// whole used area; the area must be one Value would give as an array (more
// than one cell, not too large), or the read fails as that call would.
bool excel8WksIO::UseEngineCells(const std::shared_ptr<dulo::engine::IRange>& area) {
    std::shared_ptr<const dulo::engine::RangeCells> view;
    try {
        view = area->CellsView();
    } catch (const CComError&) {
        return false;  // Value fails the same way
    }
    if (!view || !view->sheet || !view->book) return false;
    const uint64_t rows = uint64_t(view->row2) - view->row1 + 1, columns = uint64_t(view->col2) - view->col1 + 1;
    if (view->row1 != 1 || view->col1 != 1 || view->row2 < view->row1 || view->col2 < view->col1 ||
        rows != uint64_t(m_nRows) || columns != uint64_t(m_nColumns))
        return false;
    if (rows * columns == 1 || rows * columns > dulo::engine::kMaxValueElements) return false;

    const std::vector<dulo::engine::Cell>& cells = view->sheet->cells;
    if (cells.size() > UINT32_MAX) return false;
    // Cells are sorted by row, then column: where each row begins is all the index needed.
    m_rowStarts.resize(size_t(rows) + 1);
    size_t i = 0;
    for (size_t r = 0; r <= rows; ++r) {
        while (i < cells.size() && cells[i].row < r) ++i;
        m_rowStarts[r] = uint32_t(i);
    }
    m_bCellIndex = true;
    m_cells = std::move(view);
    return true;
}

void excel8WksIO::DropValues() {
    VariantClear(&m_values);
    VariantInit(&m_values);
    m_cells.reset();
    m_rowStarts.clear();
    m_cellColumns.clear();
    m_bCellIndex = false;
}

void excel8WksIO::BuildCellIndex() {
    m_bCellIndex = true;
    m_rowStarts.assign(size_t(std::max(m_nRows, 0)) + 1, 0);
    m_cellColumns.clear();
    if (!(m_values.vt & VT_ARRAY) || !m_values.parray || !m_values.parray->pvData) return;
    const SAFEARRAY* sa = m_values.parray;
    // rgsabound holds the right-most dimension first. The array runs down each
    // column: one pass in that order notes the values, which are then placed
    // row by row (columns ascending within a row, as they were met).
    const size_t stride = sa->rgsabound[1].cElements;
    const size_t rows = std::min<size_t>(stride, size_t(std::max(m_nRows, 0)));
    const size_t columns = std::min<size_t>({sa->rgsabound[0].cElements, size_t(std::max(m_nColumns, 0)), 65536});
    const auto* values = static_cast<const VARIANT*>(sa->pvData);
    std::vector<uint32_t> rowOf;
    std::vector<uint16_t> columnOf;
    for (size_t c = 0; c < columns; ++c) {
        const VARIANT* column = values + c * stride;
        for (size_t r = 0; r < rows; ++r) {
            if (column[r].vt == VT_EMPTY) continue;
            rowOf.push_back(uint32_t(r));
            columnOf.push_back(uint16_t(c));
            ++m_rowStarts[r + 1];
        }
    }
    for (size_t r = 0; r + 1 < m_rowStarts.size(); ++r) m_rowStarts[r + 1] += m_rowStarts[r];
    m_cellColumns.resize(rowOf.size());
    std::vector<uint32_t> fill(m_rowStarts.begin(), m_rowStarts.end() - 1);
    for (size_t i = 0; i < rowOf.size(); ++i) m_cellColumns[fill[rowOf[i]]++] = columnOf[i];
}

bool excel8WksIO::NextCell(int& row, int& column) {
    if (row < 0) row = 0, column = 0;
    if (column < 0) column = 0;
    if (!m_bCellIndex) BuildCellIndex();
    if (m_rowStarts.size() != size_t(m_nRows) + 1) return false;
    if (m_cells) {
        for (; row < m_nRows; ++row, column = 0) {
            auto [at, end] = EngineRow(row, column);
            // Blank cells hold only a format; cells right of the used area are not its cells.
            for (; at != end && at->col < uint32_t(m_nColumns); ++at) {
                if (at->type == dulo::engine::CellType::Blank) continue;
                column = int(at->col);
                return true;
            }
        }
        return false;
    }
    for (; row < m_nRows; ++row, column = 0) {
        auto begin = m_cellColumns.begin() + m_rowStarts[size_t(row)];
        auto end = m_cellColumns.begin() + m_rowStarts[size_t(row) + 1];
        auto at = std::lower_bound(begin, end, uint32_t(column), [](uint16_t c, uint32_t key) { return c < key; });
        if (at != end) {
            column = *at;
            return true;
        }
    }
    return false;
}

bool excel8WksIO::SelectSheet(const char* name) {
    if (!name || !*name) {
        Fail(EXCEL8_EMPTY_SHEET_NAME);
        return false;
    }
    DropValues();
    m_worksheet.reset();
    m_range.reset();
    m_nRows = 0;
    m_nColumns = 0;
    m_widthCache.clear();
    m_sheetName = name;
    m_bFailed = false;
    m_nError = EXCEL8_OK;
    if (!FindWorksheet(m_sheetName)) {
        Fail(EXCEL8_NO_ACTIVE_WORKBOOK);
        return false;
    }
    return MeasureSheet() && ReadValues();
}

const VARIANT* excel8WksIO::Element(int row, int column) const {
    if (!(m_values.vt & VT_ARRAY) || !m_values.parray) return nullptr;
    if (row < 0 || column < 0 || row >= m_nRows || column >= m_nColumns) return nullptr;
    const SAFEARRAY* sa = m_values.parray;
    // rgsabound holds the right-most dimension first.
    size_t rows = sa->rgsabound[1].cElements;
    size_t columns = sa->rgsabound[0].cElements;
    if (static_cast<size_t>(row) >= rows || static_cast<size_t>(column) >= columns) return nullptr;
    return static_cast<const VARIANT*>(sa->pvData) + (static_cast<size_t>(row) + static_cast<size_t>(column) * rows);
}

std::pair<excel8WksIO::EngineCellIt, excel8WksIO::EngineCellIt> excel8WksIO::EngineRow(int row, int column) const {
    const std::vector<dulo::engine::Cell>& cells = m_cells->sheet->cells;
    auto begin = cells.begin() + m_rowStarts[size_t(row)];
    auto end = cells.begin() + m_rowStarts[size_t(row) + 1];
    auto at = std::lower_bound(begin, end, uint32_t(column),
                               [](const dulo::engine::Cell& cell, uint32_t key) { return cell.col < key; });
    return {at, end};
}

bool excel8WksIO::ValueAt(int row, int column, VARIANT& value, std::u16string_view& text) const {
    text = {};
    if (m_cells) {
        if (row < 0 || column < 0 || row >= m_nRows || column >= m_nColumns) return false;
        auto [at, end] = EngineRow(row, column);
        if (at == end || at->col != uint32_t(column) || at->type == dulo::engine::CellType::Blank) return false;
        dulo::engine::CellToScalar(*m_cells->book, &*at, value, text);
        return true;
    }
    const VARIANT* v = Element(row, column);
    if (!v) return false;
    value = *v;  // a shallow copy: the BSTR stays the array's
    if (v->vt == VT_BSTR && v->bstrVal) text = std::u16string_view(v->bstrVal, SysStringLen(v->bstrVal));
    return true;
}

namespace {

int NumberOf(const VARIANT& v, double& value) {
    switch (v.vt) {
    case VT_I2:
        value = v.iVal;
        return WKS_NUMBER;
    case VT_BOOL:
        value = v.boolVal;
        return WKS_NUMBER;
    case VT_I4:
        value = v.lVal;
        return WKS_NUMBER;
    case VT_R4:
        value = v.fltVal;
        return WKS_NUMBER;
    case VT_R8:
        value = v.dblVal;
        return WKS_NUMBER;
    case VT_CY:
        value = static_cast<double>(v.cyVal.int64) / 10000.0;
        return WKS_NUMBER;
    case VT_DATE:
        value = v.date;
        return WKS_NUMBER | WKS_DATE | WKS_TIME;
    case VT_BSTR:
        return WKS_TEXT;
    default:
        return 0;
    }
}

// Text without a heap string for the common case of a text that fits.
void CopyText(char* buffer, int size, std::u16string_view text) {
    if (!buffer || size <= 0) return;
    bool ascii = text.size() < size_t(size);
    for (size_t i = 0; ascii && i < text.size(); ++i) ascii = text[i] < 0x80;
    if (ascii) {
        for (size_t i = 0; i < text.size(); ++i) buffer[i] = char(text[i]);
        buffer[text.size()] = '\0';
        return;
    }
    dulo::CopyUtf8(buffer, size_t(size), dulo::Utf16ToUtf8(text));
}

}  // namespace

int excel8WksIO::GetNumber(int row, int column, double& value) {
    value = WKS_NO_NUMBER;
    VARIANT v;
    std::u16string_view text;
    if (!ValueAt(row, column, v, text)) return 0;
    return NumberOf(v, value);
}

int excel8WksIO::GetCellValue(int row, int column, double& number, char* buffer, int size) {
    number = WKS_NO_NUMBER;
    if (buffer && size > 0) buffer[0] = '\0';
    VARIANT v;
    std::u16string_view text;
    if (!ValueAt(row, column, v, text)) return 0;
    int flags = NumberOf(v, number);
    if (flags & WKS_TEXT) CopyText(buffer, size, text);
    return flags;
}

int excel8WksIO::GetCellText(int row, int column, char* buffer, int size, int prefixMode) {
    (void)prefixMode;  // labels get no prefix on this path
    if (buffer && size > 0) buffer[0] = '\0';
    VARIANT v;
    std::u16string_view wide;
    if (!ValueAt(row, column, v, wide)) return 0;
    std::string text;
    int flags = WKS_NUMBER;
    switch (v.vt) {
    case VT_I2:
        text = std::to_string(v.iVal);
        break;
    case VT_BOOL:
        text = std::to_string(v.boolVal);
        break;
    case VT_I4:
        text = std::to_string(v.lVal);
        break;
    case VT_R4:
        text = Printf("%g", v.fltVal);
        break;
    case VT_R8:
        text = Printf("%g", v.dblVal);
        break;
    case VT_CY:
        text = Printf("%f", static_cast<double>(v.cyVal.int64) / 10000.0);
        break;
    case VT_DATE:
        text = DateText(v.date);
        flags = WKS_NUMBER | WKS_DATE | WKS_TIME;
        break;
    case VT_BSTR:
        CopyText(buffer, size, wide);
        return WKS_TEXT;
    default:
        return 0;
    }
    dulo::CopyUtf8(buffer, size_t(std::max(size, 0)), text);
    return flags;
}

int excel8WksIO::GetColumnWidth(int column) {
    if (m_widthCache.empty()) return 10;
    if (column < 0) return -1;
    bool cached = static_cast<size_t>(column) < m_widthCache.size();
    if (cached && m_widthCache[column] > 0) return m_widthCache[column];
    if (!m_worksheet) return 10;
    try {
        auto width = static_cast<int32_t>(m_worksheet->Cells(1, column + 1)->ColumnWidth());
        if (cached) m_widthCache[column] = width;
        return width;
    } catch (const CComError&) {
        return 10;
    }
}

bool excel8WksIO::IsFormula(int row, int column) {
    if (!m_worksheet || row < 0 || column < 0) return false;
    try {
        VARIANT has;
        m_worksheet->Cells(row + 1, column + 1)->HasFormula(has);
        bool formula = has.vt == VT_BOOL && has.boolVal != VARIANT_FALSE;
        VariantClear(&has);
        return formula;
    } catch (const CComError&) {
        return false;
    }
}

void excel8WksIO::Close() {
    std::shared_ptr<IApplication> app = RunningApplication();
    try {
        if (m_workbook) {
            bool alerts = app ? app->DisplayAlerts() : true;
            if (app) app->SetDisplayAlerts(false);
            m_workbook->SetSaved(true);
            m_workbook->Close();
            if (app) app->SetDisplayAlerts(alerts);
        } else if (m_workbooks) {
            m_workbooks->Close();
        }
    } catch (const CComError&) {
        // A failed close is silent: the application may already have quit.
    }
    m_range.reset();
    m_worksheet.reset();
    m_workbook.reset();
    m_sheets.reset();
    m_workbooks.reset();
}
