#pragma once
// The abstract table source: one object opens one table in one source, reads
// its column list, walks its records with a cursor and extracts the selected
// rows into an in-memory table's arrays. It also holds what every source
// shares: the selections parsed from the key-fields, key-values and
// extract-columns texts, the reporting facility, and the cursor bookkeeping.
#include "platform/Messages.h"
#include "tables/Column.h"
#include "tables/IOOptions.h"
#include "tables/IoCell.h"
#include "tables/IoRow.h"
#include "tables/IoTableDescription.h"
#include "tables/TableReaders.h"
#include "sources/Wildcard.h"

#include <cstddef>
#include <exception>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

class CBaseTbl {
public:
    // Neither the log stream nor the options are owned.
    CBaseTbl(std::ostream* log, CIOOptions* options);
    CBaseTbl(const CBaseTbl&) = delete;
    CBaseTbl& operator=(const CBaseTbl&) = delete;
    // Frees lists and selections; does not close (reader entries close first).
    virtual ~CBaseTbl();

    virtual int GetTableType() const = 0;
    // Copy the description, open the source, find the table and read its columns.
    virtual bool OpenTable(const CIoTableDescription& description) = 0;
    virtual bool OpenNamedTable(const char* tableName, const char* typeString);
    virtual bool CreateTable(CColumnArray& columns, CIoKeyCellArray& selection, CIoRowArray& rows);
    // Fails when the source is not open.
    virtual bool CloseTable(bool save) = 0;
    virtual int GetRecordCount() = 0;
    virtual int GetColumnCount() = 0;
    virtual bool IsLastRecord() = 0;
    virtual bool IsLastColumn() = 0;
    virtual bool IsEndOfRecords();
    virtual bool IsEndOfColumns();
    virtual bool IsBeforeFirstRecord();
    virtual bool IsBeforeFirstColumn();
    virtual int GetFirstDataRecord();
    virtual int GetRecordLimit() = 0;
    // Parse the three texts, fill both heading lists, append one row per selected record.
    virtual bool ExtractRows(CIoRowArray& rows, CColumnArray& keyHeadings, CColumnArray& columnHeadings,
                             const char* keyFields, const char* keyValues, const char* extractColumns,
                             std::vector<std::string>* keyValuesOut, int sourceIndex) = 0;
    // False for an index outside the column list.
    virtual bool GetColumnName(int index, std::string& name);
    virtual bool GetColumnName(int index, char* buffer, size_t size);
    // First column of the list named exactly name, -1 if none.
    virtual int FindColumnIn(const CColumnArray& columns, const char* name);
    virtual int FindColumn(const char* name);
    virtual int ReservedSlot25(int, int, int);
    virtual int GetCellText(int record, int column, char* buffer, int size);
    virtual int ReservedSlot27(int, int);
    // Append a copy of the column of every key (extract) selection entry, or an
    // empty placeholder column for an entry without a column (index -1).
    virtual int FillKeyHeadings(CColumnArray& columns);
    virtual void FillColumnHeadings(CColumnArray& columns);
    // Returns whether the record left was the last one.
    virtual bool MoveNext();
    // Returns the new current record.
    virtual int MovePrev();
    virtual bool UpdateRows(CIoRowArray& rows);
    virtual bool InsertRows(CIoRowArray& rows);
    virtual bool UpdateColumnValues(CIoRowArray& rows);
    virtual int ReservedSlot35(int, int);
    virtual bool DeleteRows(CIoRowArray& rows);
    virtual bool DeleteMatching(const char* keyFields, const char* keyValues);
    // Goes to the first data record; returns the record count.
    virtual int MoveFirst();
    virtual bool ReadColumns() = 0;
    // Appends a column to the source; the new index, or -1.
    virtual int AddColumn(const CColumn& column);
    // Creates a column typed after sample for every result-selection entry without one.
    virtual bool EnsureColumns(const CIoCell& sample);
    virtual std::string FormatLiteral(const char* text, int sqlType);
    virtual std::string GetTypeName(int sqlType);
    virtual std::string GetLiteralPrefix(int sqlType);
    virtual std::string GetLiteralSuffix(int sqlType);
    virtual std::string GetCreateParams(int sqlType);
    // Table updating: the first row whose key cells match keyValues, -1 if none.
    virtual int FindMatchingRow(const CIoRowArray& rows, const std::vector<std::string>& keyValues);
    // Key matching for table updating: "NULL" matches an empty text, "NOT NULL"
    // a non-empty one, anything else is a wildcard pattern.
    virtual bool MatchKeyValue(const char* text, const char* pattern);
    virtual bool RowMatchesKeys(const CIoRow& row, const std::vector<std::string>& keyValues);
    virtual bool AnyRowModified(const CIoRowArray& rows);

    // Selection texts are comma-separated lists, split at every "," with no
    // quoting or trimming; each reports its message and returns false on failure.
    bool ParseExtractColumns(const char* text);
    bool ParseKeyFields(const char* text);
    bool ParseKeyValues(const char* text);
    // The key selection of a database source: an empty key fields or key values
    // text leaves the table without them (so with both empty every record is
    // selected); the values are copied to keyValuesOut when given. Null, or the
    // message the caller reports: kIdBadKeyFields when a text does not parse,
    // kIdKeyCountMismatch when the counts differ.
    const dulo::Message* SelectKeys(const char* keyFields, const char* keyValues,
                                    std::vector<std::string>* keyValuesOut);

    // The column cursor, moving as the record cursor does.
    int MoveFirstColumn();
    bool MoveNextColumn();
    int MovePrevColumn();
    // 1-based decimal text of the current record and column.
    std::string GetCurrentRecordText() const;
    std::string GetCurrentColumnText() const;

    // Clears list and appends a copy (name, type, precision, scale, nullable, ordinal) of every column.
    void CopyColumns(CColumnArray& list) const;
    // Accepts a table type string for a database source (connection strings
    // 1..3) or a spreadsheet version for saving.
    bool SetTableTypeText(const char* typeString);

    // Reporting. Errors show when option word 1 is set, warnings when word 2
    // is; both go to the log stream when word 4 is set and a stream exists.
    // All return 0, so that a failing operation can return ReportError(...).
    int ReportError(const std::string& text);
    int ReportError(const dulo::Message& m);
    int ReportError(const dulo::Message& m, const std::string& arg);        // replaces "%1"
    int ReportErrorDetail(const dulo::Message& m, const std::string& detail);  // appends " [detail]"
    int ReportWarning(const std::string& text);
    int ReportWarning(const dulo::Message& m);
    int ReportWarning(const dulo::Message& m, const std::string& arg);
    int ReportWarningDetail(const dulo::Message& m, const std::string& detail);
    void LogLine(const std::string& text);
    void LogLine(const dulo::Message& m);
    void LogLine(const dulo::Message& m, const std::string& arg);
    void LogLineDetail(const dulo::Message& m, const std::string& detail);
    // The message formatted with the file name, two line breaks, the exception's
    // text and, when further is given, two more line breaks and further.
    int ReportFileException(const dulo::Message& m, const std::string& fileName,
                            const std::exception& error, const char* further = nullptr);

    const CIoTableDescription& GetDescription() const { return m_Description; }
    const CColumnArray& GetColumns() const { return m_Columns; }
    const CIoKeyCellArray& GetExtractSelection() const { return *m_pExtractSelection; }
    const CIoKeyCellArray& GetKeySelection() const { return m_KeySelection; }
    const std::vector<std::string>& GetKeyValues() const { return m_KeyValues; }
    int GetCurrentRecord() const { return m_nCurrentRecord; }
    int GetCurrentColumn() const { return m_nCurrentColumn; }
    bool IsOpen() const { return m_bOpen; }
    bool IsWarningRaised() const { return m_bWarningRaised; }
    int GetHeaderRow() const { return m_nHeaderRow; }
    int GetEndMarkerColumn() const { return m_nEndMarkerColumn; }

    CIoTableDescription m_Description;
    std::ostream* m_pLog;
    CColumnArray m_Columns;
    CColumnArray m_Columns2;
    std::unique_ptr<CIoKeyCellArray> m_pExtractSelection;
    std::unique_ptr<CIoKeyCellArray> m_pResultSelection;
    CIoKeyCellArray m_KeySelection;
    std::vector<std::string> m_KeyValues;
    int32_t m_nNumber1 = -1;
    int32_t m_nNumber2 = -1;
    int32_t m_nReserved = 0;
    CIOOptions* m_pOptions;
    std::string m_strConnection1;  // database sources: data source
    std::string m_strConnection2;  // user
    std::string m_strConnection3;  // password
    int32_t m_nCurrentRecord = -1;
    int32_t m_nCurrentColumn = -1;
    bool m_bKeepOpen = true;  // a worksheet source may keep its workbook in the shared cache
    std::string m_strSourceName;
    std::string m_strTableName;
    bool m_bWarningRaised = false;
    bool m_bOpen = false;
    bool m_bEndOfRecords = false;
    bool m_bEndOfColumns = false;
    bool m_bBeforeFirstRecord = false;
    bool m_bBeforeFirstColumn = false;
    // For worksheets: whether the sheet holds formulas, the file's read-only
    // attribute, and the reader's ready word.
    int32_t m_nSourceResults[3] = {0, 0, 1};
    int32_t m_nHeaderRow = -1;
    int32_t m_nFirstDataRecord = -1;
    int32_t m_nEndMarkerColumn = -1;
    // The spreadsheet version named by an OLE2 type string (first argument), for saving.
    std::string m_strSaveFormat;

private:
    void Log(const char* heading, const std::string& text);
};
