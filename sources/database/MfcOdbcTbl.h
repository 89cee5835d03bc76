#pragma once
// The database-class table source (table type 8): a model table read through
// CDatabase and CRecordset, from a Microsoft Access file through the Access
// ODBC driver (mode 1) or from an ODBC data source (mode 2).
#include "platform/dbclasses/Database.h"
#include "sources/BaseTbl.h"

#include <memory>
#include <string>

class CMfcOdbcTbl : public CBaseTbl {
public:
    enum : int32_t { kModeAccessFile = 1, kModeDataSource = 2 };

    CMfcOdbcTbl(std::ostream* log, CIOOptions* options);
    // Closes and destroys an owned database; a borrowed one is left alone.
    ~CMfcOdbcTbl() override;

    int GetTableType() const override { return 8; }
    bool OpenTable(const CIoTableDescription& description) override;
    bool CloseTable(bool save) override;
    int GetRecordCount() override { return -1; }
    int GetColumnCount() override { return -1; }
    bool IsLastRecord() override { return false; }
    bool IsLastColumn() override { return false; }
    int GetRecordLimit() override { return -1; }
    bool ExtractRows(CIoRowArray& rows, CColumnArray& keyHeadings, CColumnArray& columnHeadings,
                     const char* keyFields, const char* keyValues, const char* extractColumns,
                     std::vector<std::string>* keyValuesOut, int sourceIndex) override;
    bool ReadColumns() override;
    std::string FormatLiteral(const char* text, int sqlType) override;
    // Type names and create parameters serve table creation only.
    std::string GetTypeName(int sqlType) override;
    std::string GetLiteralPrefix(int sqlType) override;
    std::string GetLiteralSuffix(int sqlType) override;
    std::string GetCreateParams(int sqlType) override;
    // Table updating; no reading path calls them.
    virtual bool DropTable(const char* tableName);
    virtual bool CreateTableFromColumns(const char* tableName, CColumnArray& columns);

    // The column type of a field of sqlType; 0 for a type the source does not read.
    static int ColumnTypeOfSqlType(int sqlType);
    // The key value's LIKE pattern: "..." becomes "*"; "*" and "?" are kept.
    static std::string LikePattern(const std::string& value);
    // The SELECT statement for the parsed selections; from names the table as
    // the driver takes it ("[" + table + "]" unless a fallback said otherwise),
    // column names in quote (none unless a fallback said otherwise).
    std::string BuildSelect(const std::string& from, const std::string& quote = std::string()) const;
    // A cell of column type columnType from a value read into the holder.
    static CIoCell* MakeCell(const CDBVariant& value, int columnType);
    // The null cell of a column type (a null, an empty or an unreadable value).
    static CIoCell* NullCellOf(int columnType);

    const std::string& GetConnectString() const { return m_strConnect; }
    const std::string& GetIdentifierQuote() const { return m_strIdentifierQuote; }
    const std::string& GetStatement() const { return m_strStatement; }
    int GetMode() const { return m_nConnectionMode; }
    bool IsQuery() const { return m_bQuery; }

    CDatabase* m_pDatabase = nullptr;
    bool m_bOwnsDatabase = false;
    int32_t m_nConnectionMode = kModeAccessFile;
    bool m_bQuery = false;
    std::string m_strIdentifierQuote;

protected:
    std::string m_strConnect;
    std::string m_strStatement;
    std::string m_strDataSource, m_strUserName, m_strPassword;

private:
    // The identifier quote of the mode-2 data source through its own connection.
    bool ReadIdentifierQuote();
    // A database exception as one error text: id with name, the exception's
    // text and its state when there is one. Returns 0.
    int ReportDbException(const dulo::Message& m, const std::string& name, const CDBException& e);
    // Opens recordset on sql, and on fallback when the data source refuses sql.
    void OpenWithFallback(CRecordset& recordset, const std::string& sql, const std::string& fallback);
};

// The reader entry for table type 8.
int ReadMfcOdbcTable(TableReadRequest& request);
