#pragma once
// The BIFF2 worksheet reader, and the record machinery that the BIFF3, BIFF4
// and BIFF5 readers derive from: the record store, header scan, row index,
// cell lookup and cell decoding, parameterised by the BIFF version.
#include "sources/workbook/BiffFormat.h"
#include "sources/workbook/RecordStore.h"
#include "sources/workbook/WksIO.h"

#include <string>
#include <vector>

class excel2WksIO : public TWksIOInnards {
public:
    // Why reading the file failed.
    enum ReadError {
        ReadOk = 0,
        FileUnreadable = 1,  // the file cannot be read whole
        RecordsDamaged = 2,  // a record runs past the end of the file
        SheetMissing = 3,    // no bundled sheet of that name (BIFF4 workbooks)
    };

    explicit excel2WksIO(const std::string& path);
    ~excel2WksIO() override;

    void PrepareLayout() override;
    void ScanHeader() override;
    void IndexRows() override;
    int GetNumber(int row, int column, double& value) override;
    int FormatCellText(int row, int column, char* buffer, int size, int widthMode) override;
    int GetCellText(int row, int column, char* buffer, int size, int prefixMode) override;
    int GetCellValue(int row, int column, double& number, char* buffer, int size) override;
    void GetActiveCell(int& row, int& column) override;
    void SetActiveCell(int row, int column) override;
    bool GetFormatString(int formatIndex, int& length, const char*& text) override;
    bool CheckCellOrder() override;
    bool IsFormula(int row, int column) override;
    void Rewind() override;
    bool NextCell(int& row, int& column) override;
    void GetUsedArea(int& rows, int& columns) override;
    int GetOpenError() const override { return m_nReadError; }

    int GetVersion() const { return m_nVersion; }
    int GetCodePage() const { return m_codepage; }

protected:
    // For the derived readers, which load their records themselves.
    excel2WksIO(const std::string& path, int version);

    // Reads the whole file; false (and failed) when it cannot be read.
    bool ReadWholeFile(std::vector<uint8_t>& bytes);
    // Reads the whole file as one worksheet stream; a failure sets the read error and the failed flag.
    void LoadWholeFile();
    // Fills the record store from data[offset..] up to and including the first
    // end-of-file record. A stream that ends cleanly without one gets one; a
    // record that runs past the data fails the load.
    bool LoadRecords(const uint8_t* data, size_t size, size_t offset);
    // Forgets everything learnt from the current sheet's records.
    void ResetSheet();

    // A record with a cell address (values, blanks, booleans, MULRK, MULBLANK).
    bool IsCellRecord(uint16_t id) const { return RecordClass(id) & kCellRecord; }
    // A cell record that can hold a number or text.
    bool IsValueRecord(uint16_t id) const { return RecordClass(id) & kValueRecord; }
    bool IsFormulaRecord(uint16_t id) const { return RecordClass(id) & kFormulaRecord; }

    // Converts 8-bit text of the workbook's code page to UTF-8.
    std::string ToUtf8(const uint8_t* bytes, size_t length) const;

    int m_nVersion;
    int m_nReadError = ReadOk;
    std::string m_path;
    RecordStore m_store;
    RecPos m_curPos;
    std::vector<RecPos> m_rowIndex;
    RecPos m_selection = RecordStore::None();
    RecPos m_firstRow = RecordStore::None();
    std::vector<RecPos> m_formats;  // FORMAT records in file order: the n-th is format index n
    std::vector<RecPos> m_xfs;      // XF records in file order
    int m_codepage = 1252;
    bool m_bDimensions = false;

private:
    // What a record id is to this version, looked up for every record walked.
    enum : uint8_t { kCellRecord = 1, kValueRecord = 2, kFormulaRecord = 4 };
    uint8_t RecordClass(uint16_t id) const { return id < m_recordClass.size() ? m_recordClass[id] : 0; }
    uint8_t ClassifyRecord(uint16_t id) const;

    enum class ValueKind { None, Number, Label, FormulaNumber, FormulaText, FormulaOther };
    struct CellValue {
        ValueKind kind = ValueKind::None;
        double number = 0.0;
        const uint8_t* text = nullptr;
        size_t textLength = 0;
        int flags = 0;
    };
    struct CellStyle {
        int formatIndex = 0;
        int align = 0;
        bool locked = false;
        int numberFlags = 0;  // date and time flags of the format
    };

    // The row and the columns first..last of the cells a record holds (a MULRK
    // record holds a run of RK cells); false for a record that holds none.
    bool CellSpan(const RecordView& record, int& row, int& first, int& last) const {
        if (record.length < 4 || !IsCellRecord(record.id)) return false;
        row = dulo::biff::ReadU16(record.data);
        first = last = dulo::biff::ReadU16(record.data + 2);
        if (record.id == dulo::biff::kMulRk) {
            // Row, first column, then (XF index, RK value) pairs, then the last column.
            if (record.length < 12) return false;
            last = first + (record.length - 6) / 6 - 1;
        } else if (record.id == dulo::biff::kMulBlank) {
            // Row, first column, then an XF index per blank, then the last column.
            if (record.length < 8) return false;
            last = first + (record.length - 6) / 2 - 1;
        }
        return true;
    }
    // The position of column in a MULRK record's run, kNotInRun when it is not there.
    static constexpr size_t kNotInRun = ~size_t(0);
    size_t MulRkIndex(const RecordView& record, int column) const {
        if (m_nVersion != 5 || record.length < 12 || column < 0) return kNotInRun;
        size_t i = size_t(column) - dulo::biff::ReadU16(record.data + 2);  // wraps when column is before the run
        return i < size_t(record.length - 6) / 6 ? i : kNotInRun;
    }
    bool FindCell(int row, int column, RecordView& record);
    // The cell at column of a record FindCell found.
    CellValue DecodeCell(const RecordView& record, int column);
    CellStyle StyleOf(const RecordView& record, int column);
    int FormatFlags(int formatIndex);
    void BuildStyles();
    void FormulaText(const RecordView& formula, CellValue& value) const;
    // The text of a decoded cell into a caller's buffer, as GetCellText writes it.
    void WriteText(const CellValue& value, char* buffer, int size, int prefixMode) const;
    void ComputeDimensions(int& rows, int& columns, bool& outOfOrder) const;
    void SortCells();

    std::vector<CellStyle> m_xfStyles;  // decoded XFs
    std::vector<int> m_formatFlags;     // per format index, -1 until classified
    std::vector<uint8_t> m_recordClass;  // RecordClass by id
    // The last lookup: where its walk stopped and, when a cell was found, that
    // record, its columns and the position after it, so that reading a row
    // column by column looks at each record once.
    struct {
        int row = -1;
        int column = -1;
        RecPos pos;
        bool found = false;
        int first = 0, last = -1;
        RecordView record;
        RecPos next;
    } m_last;
    // Where the last NextCell step stopped: the record holding (row, column).
    struct {
        int row = -1;
        int column = -1;
        RecPos pos;
    } m_walk;
};
