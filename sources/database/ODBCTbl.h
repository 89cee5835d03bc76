#pragma once
// The ODBC table source (table type 2): a model table read from a table or
// view of an ODBC data source through the driver manager. Connecting and
// reading the metadata (ODBCTbl.cpp), building the SELECT statement
// (OdbcStatement.cpp) and binding and fetching the result (OdbcFetch.cpp) are
// kept apart.
#include "sources/BaseTbl.h"
#include "platform/OdbcApi.h"
#include "tables/IoSqlTypeInfo.h"

#include <cstdint>
#include <string>
#include <vector>

class CODBCTbl : public CBaseTbl {
public:
    static constexpr size_t kStatementSize = 1024;  // the statement, terminator included
    static constexpr size_t kQuoteSize = 128;
    static constexpr SQLLEN kTextBufferSize = 256;  // the smallest text buffer of a column
    static constexpr SQLULEN kBlockRows = 256;       // rows per fetch where the driver takes a block cursor

    CODBCTbl(std::ostream* log, CIOOptions* options);
    // Releases whatever handles remain.
    ~CODBCTbl() override;

    int GetTableType() const override { return 2; }
    bool OpenTable(const CIoTableDescription& description) override;
    bool CloseTable(bool save) override;
    int GetRecordCount() override { return 1; }
    int GetColumnCount() override { return -1; }
    bool IsLastRecord() override { return false; }
    bool IsLastColumn() override { return false; }
    int GetRecordLimit() override { return -1; }
    bool ExtractRows(CIoRowArray& rows, CColumnArray& keyHeadings, CColumnArray& columnHeadings,
                     const char* keyFields, const char* keyValues, const char* extractColumns,
                     std::vector<std::string>* keyValuesOut, int sourceIndex) override;
    bool ReadColumns() override;
    // The SQL literal of a value of a column of sqlType.
    std::string FormatLiteral(const char* text, int sqlType) override;
    // The type information of sqlType, through the substitutes when the data
    // source lacks the type.
    std::string GetTypeName(int sqlType) override;
    std::string GetLiteralPrefix(int sqlType) override;
    std::string GetLiteralSuffix(int sqlType) override;
    std::string GetCreateParams(int sqlType) override;

    virtual bool ReadTypeInfo();
    virtual bool ReadIdentifierQuote();
    // Binds result column columnNumber (1-based) into buffer position
    // position for the table column tableColumn; false stops the extraction.
    virtual bool BindColumn(int columnNumber, int position, int tableColumn);
    // The cell of buffer position position (row row of the fetched block) for
    // the table column tableColumn (-1: none) into the last row of rows.
    virtual void AddFetchedCell(CIoRowArray& rows, int position, int tableColumn, bool isKey, SQLULEN row = 0);
    virtual void AllocateFetchBuffers(int count);
    virtual void FreeFetchBuffers(int count);

    // The type record used for sqlType: its own, a substitute, or the first
    // record; null when the data source gave no types at all.
    const CIoSqlTypeInfo* FindTypeInfo(int sqlType) const;
    // How a table name is asked for: a directory part is the catalog (one
    // trailing "\\" dropped); otherwise a "." after the first character splits
    // schema from table.
    struct TableNameParts {
        bool hasCatalog = false, hasSchema = false;
        std::string catalog, schema, table;
    };
    static TableNameParts SplitTableName(const std::string& name);
    // The SELECT statement for the parsed selections (key values in m_KeyValues).
    std::string BuildSelect() const;
    // The LIKE pattern of a key value: "..." and "*" become "%", "?" becomes "_".
    static std::string LikePattern(const std::string& value);
    // Error details: every diagnostic record (reported when the log is on),
    // then message as an error when given, then the handles released when close is set. Returns 0.
    int ReportOdbcError(const char* message, bool close);

    const std::string& GetIdentifierQuote() const { return m_strIdentifierQuote; }
    const std::string& GetStatement() const { return m_strStatement; }
    const CIoSqlTypeInfoArray& GetTypeInfo() const { return m_TypeInfo; }
    // Rows the last fetch loop asked for at a time.
    SQLULEN GetRowsPerFetch() const { return m_nRowsPerFetch; }

    SQLHENV m_hEnv = SQL_NULL_HENV;
    SQLHDBC m_hDbc = SQL_NULL_HDBC;
    SQLHSTMT m_hStmt = SQL_NULL_HSTMT;
    SQLRETURN m_nLastResult = SQL_SUCCESS;

    // One fetch buffer per buffer position; each holds m_nRowsPerFetch rows.
    struct FetchBuffer {
        std::vector<SQLLEN> indicator;
        std::vector<char> text;  // textSize bytes per row
        SQLLEN textSize = kTextBufferSize;
        std::vector<uint8_t> bit;
        std::vector<int8_t> tinyInt;
        std::vector<int16_t> shortValue;
        std::vector<int32_t> longValue;
        std::vector<float> floatValue;
        std::vector<double> doubleValue;
        int columnNumber = 0;  // result column
        SQLSMALLINT sqlType = 0;
        bool isText = false;
        // The whole value of a text that did not fit the buffer, by row.
        std::vector<std::string> longText;
        std::vector<char> hasLongText;
    };
    std::vector<FetchBuffer> m_Buffers;
    std::string m_strIdentifierQuote;
    std::string m_strStatement;
    CIoSqlTypeInfoArray m_TypeInfo;
    std::string m_strDataSource;
    std::string m_strUserName;
    std::string m_strPassword;

private:
    bool Connect();
    // A bound column's value that did not fit its buffer, read whole.
    bool ReadRestOfText(FetchBuffer& buffer, SQLULEN row);
    enum class FetchResult { Done, Failed, RetryRowByRow };
    // Executes the statement, binds and fetches every row into rows.
    FetchResult RunSelect(CIoRowArray& rows, int sourceIndex, bool allowBlock);
    FetchResult FetchRows(CIoRowArray& rows, int extractCount, int sourceIndex);
    void ClearFetchBuffers();
    // Asks for a block of rows per fetch; 1 when the driver does not take it
    // or when block is false.
    void ChooseRowsPerFetch(bool block);
    // Releases the handles; reportFailures adds the error details of a failed release.
    bool ReleaseHandles(bool reportFailures);

    SQLULEN m_nRowsPerFetch = 1;
    SQLULEN m_nRowsFetched = 0;
    std::vector<SQLUSMALLINT> m_RowStatus;
    SQLUINTEGER m_nGetDataExtensions = 0;
};

// The reader entry for table type 2.
int ReadOdbcTable(TableReadRequest& request);
