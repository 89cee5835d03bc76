#pragma once
// One open workbook (TWksIO) and the interface every workbook reader implements
// (TWksIOInnards). The BIFF2-BIFF5 readers read the file themselves; every other
// workbook goes to the spreadsheet-application reader through the hooks below.
#include "platform/OleDateTime.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Cell flags word returned by the text and number getters.
constexpr int WKS_ALIGN_MASK = 0x07;     // horizontal alignment code of the cell's format
constexpr int WKS_PROTECTED = 0x10;      // sheet protected and the cell's format locked
constexpr int WKS_FORMULA = 0x20;
constexpr int WKS_TEXT = 0x40;
constexpr int WKS_FORMULA_TEXT = 0x60;   // a formula whose result is text
constexpr int WKS_NUMBER = 0x80;
constexpr int WKS_DATE = 0x100;          // the number's display format is a date format
constexpr int WKS_TIME = 0x200;          // the number's display format is a time format

// What GetNumber gives for a cell without a number.
constexpr double WKS_NO_NUMBER = 1e30;

// Prefix modes of GetCellText.
constexpr int WKS_PREFIX_NONE = -3;       // the text as it is
constexpr int WKS_PREFIX_ALIGN = -2;      // labels get their alignment prefix character
constexpr int WKS_PREFIX_NUMERIC = -1;    // labels that look like numbers get an apostrophe

// Workbook kinds.
enum WksKind {
    WKS_KIND_NONE = 0,         // unreadable: the open fails
    WKS_KIND_BIFF2 = 1,
    WKS_KIND_BIFF3 = 2,
    WKS_KIND_BIFF4 = 3,
    WKS_KIND_BIFF5 = 4,        // compound document with a "Book" stream
    WKS_KIND_APPLICATION = 5,  // BIFF8, OOXML and anything else: the spreadsheet application
    WKS_KIND_FORCED = 6,       // the caller forced the spreadsheet application
};

// Open modes.
constexpr int WKS_OPEN_NO_APPLICATION = 0;
constexpr int WKS_OPEN_FORCE_APPLICATION = 1;
constexpr int WKS_OPEN_ALLOW_APPLICATION = 2;

// Why an open failed: the step that failed and, for the reader's own step, the
// reader's code (excel2WksIO::OpenError, excel5WksIO::OpenError, Excel8Error).
enum class WksOpenStep {
    Opened = 0,
    NoFile,            // no path, or the file cannot be read
    DamagedDocument,   // a compound document whose structure is broken
    NoWorkbookStream,  // a compound document without a Book or Workbook stream
    NeedsApplication,  // a kind only the spreadsheet application reads, and the mode forbids it
    ApplicationFailed, // the spreadsheet application cannot be started
    Reader,            // the reader refused the file or the sheet: see code
};

struct WksOpenResult {
    int kind = WKS_KIND_NONE;
    WksOpenStep step = WksOpenStep::Opened;
    int code = 0;
    bool Ok() const { return step == WksOpenStep::Opened; }
    // One line for a person: what failed, and where.
    std::string Describe() const;
};

// The state every workbook reader shares and its operations, in slot order.
// Rows and columns are 0-based throughout.
class TWksIOInnards {
public:
    TWksIOInnards();
    virtual ~TWksIOInnards();

    virtual bool SelectSheet(const char* name);  // base: nothing; false when failed
    virtual void PrepareLayout();                // default widths, column offsets
    virtual void ScanHeader();                   // base: nothing
    virtual void IndexRows();                    // base: nothing
    virtual int GetNumber(int row, int column, double& value) = 0;
    virtual int FormatCellText(int row, int column, char* buffer, int size, int widthMode);
    virtual int GetCellText(int row, int column, char* buffer, int size, int prefixMode) = 0;
    virtual bool SetCellText(int row, int column, const char* text, int attribute);
    virtual bool SetCellNumber(int row, int column, double value, int attribute);
    virtual bool SetCellAttribute(int row, int column, int value);
    virtual bool WriteFile(const char* path);    // base: cannot write
    virtual void GetActiveCell(int& row, int& column);
    virtual void SetActiveCell(int row, int column);
    virtual int GetColumnWidth(int column);      // -1 outside 0..255
    virtual void SetColumnWidth(int column, int width);
    virtual int Reserved16(int, int);
    virtual std::string Reserved17();
    virtual bool GetFormatString(int formatIndex, int& length, const char*& text);
    virtual int ClassifyFormat(int length, const char* text);
    virtual bool UsesBiff5Xf();
    virtual bool CheckCellOrder();
    // The cell flags with the number (WKS_NO_NUMBER without one) and, for a
    // text cell, the text as GetCellText gives it without a prefix (the buffer
    // is emptied otherwise): what GetNumber and GetCellText give, in one lookup.
    // Base: those two calls.
    virtual int GetCellValue(int row, int column, double& number, char* buffer, int size);
    // Whether the cell holds a formula (marks key cells). Base: the formula flag of the cell.
    virtual bool IsFormula(int row, int column);
    // Back to the first record before reading cells; base: nothing.
    virtual void Rewind();
    // Moves (row, column) to the first position at or after it, in row order and
    // inside the extent, that may hold a cell: every position passed over holds
    // nothing. False when no such position is left. A walk over a sparse sheet
    // thus visits the cells that exist, not every position of the extent.
    // Base: the position itself (every position may hold a cell).
    virtual bool NextCell(int& row, int& column);
    // Rows and columns up to the last cell that exists, formatted blanks
    // included, inside the extent. Base: the extent.
    virtual void GetUsedArea(int& rows, int& columns);
    // Why the reader failed (its own codes, 0 when it did not); base: 0.
    virtual int GetOpenError() const;

    int GetRowCount() const { return m_nRows; }
    int GetColumnCount() const { return m_nColumns; }
    bool IsFailed() const { return m_bFailed; }
    bool HasFormulas() const { return m_bHasFormulas; }
    bool IsChanged() const { return m_bChanged; }
    // Days to add to a stored number to make it an OLE date of the 1900 date system.
    double GetDateOffset() const { return m_dateOffset; }

    static constexpr int kMaxColumns = 256;
    static constexpr int kDefaultWidth = 9;

protected:
    std::vector<int32_t> m_colWidths;   // kMaxColumns widths in characters
    std::vector<int32_t> m_colOffsets;  // running sums of the widths
    int m_nColumns = 0;
    int m_nRows = 0;
    bool m_bProtected = false;
    bool m_bHasFormulas = false;
    bool m_bFailed = false;
    bool m_bChanged = false;
    double m_dateOffset = 0.0;
};

// The spreadsheet-application path (kinds 5 and 6). The application reader
// installs these; until it does, starting the application fails and such an
// open fails as when the application cannot be started.
struct TWksIOApplication {
    bool (*IsRunning)() = nullptr;  // the process-wide application exists
    bool (*Start)() = nullptr;      // start it; false when that fails
    // A new reader on (path, sheet name); the caller checks IsFailed and owns it.
    TWksIOInnards* (*Create)(const char* path, const char* sheetName) = nullptr;
};
void SetWksIOApplication(const TWksIOApplication& application);
const TWksIOApplication& GetWksIOApplication();

// One open workbook.
class TWksIO {
public:
    TWksIO();
    ~TWksIO();
    TWksIO(const TWksIO&) = delete;
    TWksIO& operator=(const TWksIO&) = delete;

    // Mode 0 forbids the spreadsheet application, 2 allows it, 1 forces it.
    bool Open(const char* path, const char* sheetName, int mode);
    void Close();
    bool SelectSheet(const char* name);

    int GetRowCount() const;
    int GetColumnCount() const;
    int GetCellText(int row, int column, char* buffer, int size, int prefixMode);
    int GetCellText(int row, int column, std::string& text);
    int GetNumber(int row, int column, double& value);
    // GetNumber and, for a text cell, GetCellText without a prefix, in one lookup.
    int GetCellValue(int row, int column, double& number, char* buffer, int size);
    int GetDateValue(int row, int column, COleDateTime& date);
    int GetColumnWidth(int column);
    bool IsFormula(int row, int column);
    // See TWksIOInnards.
    bool NextCell(int& row, int& column);
    void GetUsedArea(int& rows, int& columns);
    // What the last Open (or SelectSheet) came to.
    const WksOpenResult& GetOpenResult() const { return m_openResult; }
    // Cell getter calls answered since the open: what a walk over the sheet cost.
    uint64_t GetCellLookups() const { return m_nCellLookups; }

    bool Save(bool reopen, const char* backupExtension, const char* newPath);
    bool IsChanged() const;

    int GetKind() const { return m_nKind; }
    const std::string& GetPath() const { return m_path; }
    bool IsReadOnly() const { return m_bReadOnly; }
    bool IsReady() const { return m_bReady; }
    bool NeedsApplication() const { return m_bNeedsApplication; }
    bool IsFailed() const { return m_bFailed; }
    bool HasFormulas() const;
    TWksIOInnards* GetInnards() const { return m_pImpl.get(); }

    static int DetectKind(const char* path);
    // The kind, or WKS_KIND_NONE with the step that ruled the file out.
    static int DetectKind(const char* path, WksOpenStep& failure);

private:
    std::unique_ptr<TWksIOInnards> m_pImpl;
    int m_nKind = WKS_KIND_NONE;
    std::string m_path;
    bool m_bReadOnly = false;
    bool m_bReady = false;
    bool m_bNeedsApplication = false;
    bool m_bFailed = false;
    uint64_t m_nCellLookups = 0;
    WksOpenResult m_openResult;
};
