#pragma once
// The worksheet table source (table type 0): a model table laid out on one
// sheet of a workbook. Finding the table and typing its columns (LocateTable,
// ReadColumns, TypeColumns) is kept apart from reading its rows (ExtractRows).
#include "sources/BaseTbl.h"

#include <memory>
#include <string>

class TWksIO;

// Cell kinds as the worksheet sees them (ODBC SQL type codes, 0 for empty).
enum WksCellKind : int {
    WKS_CELL_EMPTY = 0,
    WKS_CELL_TEXT = 1,
    WKS_CELL_NUMBER = 8,
    WKS_CELL_DATE = 9,
    WKS_CELL_TIME = 10,
    WKS_CELL_TIMESTAMP = 11,
};

// How the heading row was found.
enum WksLayout : int {
    WKS_LAYOUT_FIRST_ROW = 0,   // headings in the first row
    WKS_LAYOUT_NO_ROWNAME = 1,  // after leading comment or empty rows, empty first heading ("ROWNAMES")
    WKS_LAYOUT_MARKED = 2,      // after a "TABLE" marker or leading comment rows
};

class CWksTbl : public CBaseTbl {
private:
    // What was last read of one cell, so that the several readers of a cell
    // (comment test, key text, data cell, key cell) look it up once.
    struct CellRead {
        int row = -1;
        int column = -1;
        int kind = WKS_CELL_EMPTY;
        int flags = 0;
        double number = 0.0;  // for the number kinds
    };

public:
    CWksTbl(std::ostream* log, CIOOptions* options);
    // Closes the workbook unless the workbook cache keeps it.
    ~CWksTbl() override;

    int GetTableType() const override { return 0; }
    // Opens the workbook (through the cache), locates the table and reads its columns.
    bool OpenTable(const CIoTableDescription& description) override;
    bool CloseTable(bool save) override;
    int GetRecordCount() override;
    int GetColumnCount() override;
    bool IsLastRecord() override;
    bool IsLastColumn() override;
    int GetRecordLimit() override { return 0; }
    bool ExtractRows(CIoRowArray& rows, CColumnArray& keyHeadings, CColumnArray& columnHeadings,
                     const char* keyFields, const char* keyValues, const char* extractColumns,
                     std::vector<std::string>* keyValuesOut, int sourceIndex) override;
    // The cell's text without a label prefix and without trailing blanks; the
    // reader's cell flags, or 0 when the text is empty.
    int GetCellText(int record, int column, char* buffer, int size) override;
    // Both skip comment rows. MoveNext returns whether it went past the end.
    bool MoveNext() override;
    int MovePrev() override;
    bool ReadColumns() override;
    int AddColumn(const CColumn& column) override;
    // A pattern holding "..." is an inclusive byte-wise range ("A...M" takes
    // every text from "A" to "M"; an empty side is open); otherwise a wildcard match.
    bool MatchKeyValue(const char* text, const char* pattern) override;

    virtual bool IsPastEnd();
    // The row's text in sheet column 0 begins with "*".
    virtual bool IsCommentRow(int row);
    virtual bool IsCurrentRowComment();
    // Finds the heading row and the first data record; sets the layout.
    virtual bool LocateTable();

    // Types every column by its name or its first non-empty cell in a named row.
    bool TypeColumns();
    int GetCellKind(int row, int column);
    bool IsCellEmpty(int row, int column);
    // Whether a cell of row between columns first and last (inclusive) is not empty.
    bool HasValueBetween(int row, int first, int last);
    // The first row at or after row that has a cell, or the last row when none has.
    int NextRowWithCells(int row);

    // Works on an open workbook instead of opening one.
    void AttachWorkbook(std::shared_ptr<TWksIO> workbook) {
        m_pWorkbook = std::move(workbook);
        m_read = CellRead();
    }
    TWksIO* GetWorkbook() const { return m_pWorkbook.get(); }
    int GetLayout() const { return m_nLayout; }

    int32_t m_nColumnUserData = -1;  // user data of every column made
    int32_t m_bNotes = 0;            // cell notes are never attached on the reading paths
    // Shared with the workbook cache when the cache keeps it.
    std::shared_ptr<TWksIO> m_pWorkbook;
    // The last cell text read: 256 characters of up to 4 bytes each.
    char m_szText[1024] = {};
    int32_t m_nLayout = WKS_LAYOUT_FIRST_ROW;

private:
    // The text of (row, column) into m_szText; its length.
    size_t ReadText(int row, int column);
    // The cell's kind, flags and number; a text cell's text is left in m_szText.
    const CellRead& ReadCell(int row, int column);
    // A number of the cell as a date value.
    COleDateTime DateOf(double number) const;

    CellRead m_read;
    // Key text of a key cell for matching; raises the warning flag on a cell that does not fit its column.
    std::string KeyText(int row, const CColumn& column);
    CIoCell* MakeCell(int row, const CColumn& column, int sourceIndex, bool keyCell);
    bool SelectRecord(int row, bool& allEmpty);
};

// The reader entry for table type 0.
int ReadWorksheetTable(TableReadRequest& request);
