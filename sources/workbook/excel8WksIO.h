#pragma once
// The workbook reader for every file the BIFF readers do not read: it drives
// the spreadsheet application through its automation members and answers the
// cell getters from the used area of the chosen worksheet: the in-process
// engine's own cells where it offers them, else the array of one Value call. The application it drives is started, ended and installed
// in ExcelApplication.h, which callers of this header reach too.
#include "platform/engine/Automation.h"
#include "platform/engine/BookModel.h"
#include "sources/workbook/ExcelApplication.h"
#include "sources/workbook/WksIO.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Codes of the step that failed (GetErrorCode).
enum Excel8Error {
    EXCEL8_OK = 0,
    EXCEL8_EMPTY_PATH = 1,
    EXCEL8_NO_WORKBOOKS = 2,
    EXCEL8_OPEN_FAILED = 3,
    EXCEL8_NO_SHEETS = 4,
    EXCEL8_SHEET_NOT_FOUND = 5,
    EXCEL8_NO_ACTIVE_WORKBOOK = 6,
    EXCEL8_NO_RANGE = 7,
    EXCEL8_NO_EXTENT = 8,
    EXCEL8_NOT_AN_ARRAY = 9,
    EXCEL8_EMPTY_SHEET_NAME = 10,
    EXCEL8_TEXT_NOT_STRING = 11,
};

class excel8WksIO : public TWksIOInnards {
public:
    excel8WksIO(const char* path, const char* sheetName);
    ~excel8WksIO() override;

    bool SelectSheet(const char* name) override;
    int GetNumber(int row, int column, double& value) override;
    int GetCellText(int row, int column, char* buffer, int size, int prefixMode) override;
    int GetCellValue(int row, int column, double& number, char* buffer, int size) override;
    int GetColumnWidth(int column) override;
    bool IsFormula(int row, int column) override;
    bool NextCell(int& row, int& column) override;

    int GetErrorCode() const { return m_nError; }
    int GetOpenError() const override { return m_nError; }
    const std::string& GetSheetName() const { return m_sheetName; }

private:
    void Fail(int code);
    bool FindWorksheet(const std::string& name);
    bool MeasureSheet();
    bool ReadValues();
    void DropValues();
    const VARIANT* Element(int row, int column) const;
    // The value at (row, column) as the Value array would hold it, its BSTR
    // not filled in: a text's characters are in text. False for no value.
    bool ValueAt(int row, int column, VARIANT& value, std::u16string_view& text) const;
    // The engine's cells of a row from the first at or right of column, and the row's end.
    using EngineCellIt = std::vector<dulo::engine::Cell>::const_iterator;
    std::pair<EngineCellIt, EngineCellIt> EngineRow(int row, int column) const;
    bool UseEngineCells(const std::shared_ptr<dulo::engine::IRange>& area);
    void Close();

    int m_nError = EXCEL8_OK;
    std::string m_sheetName;
    VARIANT m_values;
    // The engine's cells of the used area, when it offers them; then
    // m_rowStarts[r] is where row r begins in the sheet's cells.
    std::shared_ptr<const dulo::engine::RangeCells> m_cells;
    std::vector<int32_t> m_widthCache;
    // Without the engine's cells: the columns of each row's non-empty values,
    // row after row (m_rowStarts[r] is where row r begins), built on the first NextCell.
    std::vector<uint32_t> m_rowStarts;
    std::vector<uint16_t> m_cellColumns;
    bool m_bCellIndex = false;
    void BuildCellIndex();
    std::shared_ptr<dulo::engine::IWorkbooks> m_workbooks;
    std::shared_ptr<dulo::engine::ISheets> m_sheets;
    std::shared_ptr<dulo::engine::IWorkbook> m_workbook;
    std::shared_ptr<dulo::engine::IWorksheet> m_worksheet;
    std::shared_ptr<dulo::engine::IRange> m_range;
};
