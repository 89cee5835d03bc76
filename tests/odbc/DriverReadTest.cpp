// The ODBC source through the driver manager and two real drivers: the same
// tables read through SQLite and PostgreSQL, whose type lists, column types
// and identifier handling differ.
#include "OdbcTestSupport.h"

#include <cstring>
#include <optional>

namespace {

using odbc_test::OdbcRead;

class Drivers : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { ODBC_REQUIRE(GetParam()); }
    const char* Dsn() const { return GetParam(); }
};

const char* kSelectUnits =
    "SELECT \"ROWNAMES\",\"CAPACITY\",\"COUNTS\",\"NAME\",\"STARTDATE\",\"STAMP\",\"SHIFT\",\"SMALL\",\"RATIO\"";

// The statement of each key form, logged, and the rows it selects.
TEST_P(Drivers, StatementForEachKeyForm) {
    struct Case {
        const char* keyFields;
        const char* keyValues;
        std::string tail;  // after the extract columns
        std::vector<std::string> rows;
        // Where PostgreSQL differs: LIKE sees the padding of a CHAR(8) value.
        std::optional<std::vector<std::string>> postgresRows = std::nullopt;
    } cases[] = {
        {"ROWNAMES", "*", ",\"ROWNAMES\" FROM units", {"A1", "A2", "AB2", "B1", "C2"}},
        {"ROWNAMES", "A*", ",\"ROWNAMES\" FROM units WHERE \"ROWNAMES\" LIKE 'A%'", {"A1", "A2", "AB2"}},
        {"ROWNAMES", "A...2", ",\"ROWNAMES\" FROM units WHERE \"ROWNAMES\" LIKE 'A%2'", {"A2", "AB2"}, {{}}},
        {"ROWNAMES", "?2", ",\"ROWNAMES\" FROM units WHERE \"ROWNAMES\" LIKE '_2'", {"A2", "C2"}, {{}}},
        {"ROWNAMES", "?2*", ",\"ROWNAMES\" FROM units WHERE \"ROWNAMES\" LIKE '_2%'", {"A2", "C2"}},
        {"ROWNAMES", "B1", ",\"ROWNAMES\" FROM units WHERE \"ROWNAMES\"='B1'", {"B1"}},
        {"COUNTS", "3", ",\"COUNTS\" FROM units WHERE \"COUNTS\"=3", {"3", "3"}},
        {"NAME", "NULL", ",\"NAME\" FROM units WHERE \"NAME\" IS NULL", {""}},
        {"COUNTS", "NOT NULL", ",\"COUNTS\" FROM units WHERE \"COUNTS\" IS NOT NULL", {"3", "4", "3", "5"}},
        {"STARTDATE", "2024-01-15", ",\"STARTDATE\" FROM units WHERE \"STARTDATE\"={d '2024-01-15'}",
         {"2024-01-15", "2024-01-15"}},
        {"STAMP", "2024-01-15 06:00:00", ",\"STAMP\" FROM units WHERE \"STAMP\"={ts '2024-01-15 06:00:00'}",
         {"2024-01-15 06:00:00"}},
        {"SHIFT", "23:00:00", ",\"SHIFT\" FROM units WHERE \"SHIFT\"={t '23:00:00'}", {"23:00:00"}},
        {"ROWNAMES,COUNTS", "A*,3",
         ",\"ROWNAMES\",\"COUNTS\" FROM units WHERE \"ROWNAMES\" LIKE 'A%' AND \"COUNTS\"=3", {"A1", "AB2"}},
        {"ROWNAMES,COUNTS", "*,*", ",\"ROWNAMES\",\"COUNTS\" FROM units", {"A1", "A2", "AB2", "B1", "C2"}},
        // "null" is a value, not the NULL test: the comparisons are case-sensitive.
        {"NAME", "null", ",\"NAME\" FROM units WHERE \"NAME\"='null'", {}},
        // An empty key field takes no part in the statement.
        {"ROWNAMES,,COUNTS", "C*,anything,5",
         ",\"ROWNAMES\",\"COUNTS\" FROM units WHERE \"ROWNAMES\" LIKE 'C%' AND \"COUNTS\"=5", {"C2"}},
        // No key fields and no key values: every record.
        {"", "", " FROM units", {"", "", "", "", ""}},
    };
    for (const auto& c : cases) {
        OdbcRead read;
        ASSERT_TRUE(read.Read("units", Dsn(), c.keyFields, c.keyValues, "*")) << c.keyFields << " " << read.Log();
        std::string statement = kSelectUnits + c.tail;
        EXPECT_EQ(read.table.GetStatement(), statement);
        EXPECT_NE(read.Log().find(statement + "\n\n"), std::string::npos) << read.Log();
        std::vector<std::string> firstKeys;
        for (const CIoRow* row : read.rows)
            firstKeys.push_back(row->m_KeyCells.IsEmpty() || row->m_KeyCells.GetAt(0)->IsNull()
                                    ? ""
                                    : row->m_KeyCells.GetAt(0)->GetText());
        const auto& expected = std::string(Dsn()) == odbc_test::kPostgresDsn && c.postgresRows ? *c.postgresRows : c.rows;
        EXPECT_EQ(firstKeys, expected) << statement;
        // A SELECT without a row gives the warning and success.
        bool warned = read.Log().find("Warning\nNo Match for Source Key Value.") != std::string::npos;
        EXPECT_EQ(warned, expected.empty()) << statement;
    }
}

TEST_P(Drivers, KeyFieldsWithoutKeyValuesFail) {
    OdbcRead read;
    ASSERT_TRUE(read.Open("units", Dsn()));
    EXPECT_FALSE(read.Extract("ROWNAMES", "", "*"));
    EXPECT_NE(read.Log().find("The number of Key Fields does not match the number of Key Values."), std::string::npos);
    EXPECT_EQ(read.table.m_hEnv, nullptr);  // the failure closed the source
}

TEST_P(Drivers, MissingExtractColumnAndKeyField) {
    {
        OdbcRead read;
        ASSERT_TRUE(read.Open("units", Dsn()));
        EXPECT_FALSE(read.Extract("ROWNAMES", "*", "CAPACITY,NOPE"));
        EXPECT_NE(read.Log().find("Can Not Find Extract Column [NOPE]."), std::string::npos);
        EXPECT_NE(read.Log().find("Can Not Find Extract Column.\n"), std::string::npos);
    }
    {
        OdbcRead read;
        ASSERT_TRUE(read.Open("units", Dsn()));
        EXPECT_FALSE(read.Extract("NOPE", "*", "*"));
        EXPECT_NE(read.Log().find("Key Fields are incorrectly specified."), std::string::npos);
    }
}

TEST_P(Drivers, CellsByColumnType) {
    OdbcRead read;
    ASSERT_TRUE(read.Read("units", Dsn(), "ROWNAMES", "A1", "*")) << read.Log();
    ASSERT_EQ(read.rows.GetSize(), 1);
    const CIoRow& row = *read.rows.GetAt(0);
    ASSERT_EQ(row.m_DataCells.GetSize(), 9);
    ASSERT_EQ(read.Headings(), (std::vector<std::string>{"ROWNAMES", "CAPACITY", "COUNTS", "NAME", "STARTDATE",
                                                         "STAMP", "SHIFT", "SMALL", "RATIO"}));
    const CIoCell& name = *row.m_DataCells.GetAt(0);
    EXPECT_EQ(name.GetSqlType(), SqlType::Char);
    EXPECT_EQ(name.GetText(), "A1");  // CHAR(8) padding removed
    EXPECT_EQ(row.m_DataCells.GetAt(1)->GetSqlType(), SqlType::Double);
    EXPECT_DOUBLE_EQ(row.m_DataCells.GetAt(1)->GetDouble(), 10.5);
    EXPECT_EQ(row.m_DataCells.GetAt(2)->GetSqlType(), SqlType::Integer);
    EXPECT_EQ(row.m_DataCells.GetAt(2)->GetLong(), 3);
    EXPECT_EQ(row.m_DataCells.GetAt(3)->GetText(), "crude unit");
    const CIoCell& date = *row.m_DataCells.GetAt(4);
    EXPECT_EQ(date.GetSqlType(), SqlType::Date);
    EXPECT_EQ(date.GetDate().m_status, COleDateTime::valid);
    EXPECT_EQ(date.GetText(), "2024-02-29");
    EXPECT_EQ(row.m_DataCells.GetAt(5)->GetSqlType(), SqlType::TimeStamp);
    EXPECT_EQ(row.m_DataCells.GetAt(5)->GetText(), "2024-03-01 12:30:00");
    EXPECT_EQ(row.m_DataCells.GetAt(6)->GetSqlType(), SqlType::Time);
    EXPECT_EQ(row.m_DataCells.GetAt(6)->GetText(), "07:05:09");
    EXPECT_EQ(row.m_DataCells.GetAt(7)->GetSqlType(), SqlType::SmallInt);
    EXPECT_EQ(row.m_DataCells.GetAt(7)->GetShort(), 2);
    EXPECT_EQ(row.m_DataCells.GetAt(8)->GetAsDouble(), 0.25);
    // The key cell is the ROWNAMES value.
    ASSERT_EQ(row.m_KeyCells.GetSize(), 1);
    EXPECT_EQ(row.m_KeyCells.GetAt(0)->GetText(), "A1");
}

TEST_P(Drivers, NullValuesGiveNullCells) {
    OdbcRead read;
    ASSERT_TRUE(read.Read("units", Dsn(), "ROWNAMES", "AB2", "*")) << read.Log();
    ASSERT_EQ(read.rows.GetSize(), 1);
    EXPECT_EQ(read.Column(1), (std::vector<std::string>{"7.000000"}));
    for (int c = 3; c < 9; ++c) EXPECT_TRUE(read.rows.GetAt(0)->m_DataCells.GetAt(c)->IsNull()) << c;
    // The buffers are cleared between fetches: B1 has no COUNTS after AB2's 3.
    OdbcRead all;
    ASSERT_TRUE(all.Read("units", Dsn(), "ROWNAMES", "*", "COUNTS"));
    EXPECT_EQ(all.Column(0), (std::vector<std::string>{"3", "4", "3", "<null>", "5"}));
}

TEST_P(Drivers, DateTimeIdReadsAsTimestamp) {
    OdbcRead read;
    ASSERT_TRUE(read.Open("events", Dsn()));
    int column = read.table.FindColumn("DATETIMEID");
    ASSERT_GE(column, 0);
    EXPECT_EQ(read.table.GetColumns().GetAt(column)->m_nSqlType, SqlType::TimeStamp);
    ASSERT_TRUE(read.Extract("ROWNAMES", "E1", "ROWNAMES,DATETIMEID")) << read.Log();
    ASSERT_EQ(read.rows.GetSize(), 1) << read.Log();
    const CIoCell& cell = *read.rows.GetAt(0)->m_DataCells.GetAt(1);
    EXPECT_EQ(cell.GetSqlType(), SqlType::TimeStamp);
    EXPECT_EQ(cell.GetText(), "2024-05-06 07:08:09");
}

TEST_P(Drivers, BigIntColumnFailsTheRead) {
    OdbcRead read;
    ASSERT_TRUE(read.Open("counters", Dsn()));
    EXPECT_FALSE(read.Extract("ROWNAMES", "*", "*"));
    EXPECT_NE(read.Log().find("BIG SQL_BIGINT\n\nError\nUnknown SQL Data Type Encountered."), std::string::npos)
        << read.Log();
    EXPECT_EQ(read.table.m_hStmt, nullptr);
    // Without the BIGINT column the same table reads.
    OdbcRead other;
    EXPECT_TRUE(other.Read("counters", Dsn(), "ROWNAMES", "*", "VALUE"));
}

TEST_P(Drivers, MissingTableFailsTheOpen) {
    OdbcRead read;
    EXPECT_FALSE(read.Open("no_such_table", Dsn()));
    EXPECT_NE(read.Log().find("Error\nODBC SQLColumns Level 1 Function Failed."), std::string::npos) << read.Log();
    EXPECT_EQ(read.table.m_hEnv, nullptr);
    EXPECT_EQ(read.table.m_hDbc, nullptr);
}

TEST_P(Drivers, WholeTextsLongerThanTheBuffer) {
    OdbcRead read;
    ASSERT_TRUE(read.Read("notes", Dsn(), "ROWNAMES", "*", "ROWNAMES,SHORT,BODY,VALUE")) << read.Log();
    ASSERT_EQ(read.rows.GetSize(), 301);
    EXPECT_EQ(read.Column(1)[0], "abc");
    EXPECT_EQ(read.Column(2)[0], "x");
    bool pg = std::string(Dsn()) == odbc_test::kPostgresDsn;
    size_t shortBase = pg ? 1100 : 300, bodyBase = pg ? 9000 : 5000;
    for (int r = 1; r <= 300; ++r) {
        const CIoRow& row = *read.rows.GetAt(r);
        std::string shortText = row.m_DataCells.GetAt(1)->GetText(), body = row.m_DataCells.GetAt(2)->GetText();
        ASSERT_EQ(shortText, std::string(shortBase + size_t(r), 's')) << "row " << r;
        ASSERT_EQ(body, std::string(bodyBase + size_t(r), 'b')) << "row " << r;
        ASSERT_EQ(row.m_DataCells.GetAt(3)->GetAsDouble(), double(r));
    }
}

TEST_P(Drivers, BinaryColumnsSkippedOrRefused) {
    {
        OdbcRead read;  // word 8 on, the default
        ASSERT_TRUE(read.Read("blobs", Dsn(), "ROWNAMES", "*", "*")) << read.Log();
        EXPECT_EQ(read.Headings(), (std::vector<std::string>{"ROWNAMES", "VALUE"}));
        EXPECT_NE(read.Log().find(" Column [DATA] with unsupported data type skipped."), std::string::npos);
    }
    {
        OdbcRead read;
        read.options.SetWord(8, 0);
        ASSERT_TRUE(read.Open("blobs", Dsn()));
        EXPECT_FALSE(read.Extract("ROWNAMES", "*", "*"));
        // SQLite calls a BLOB binary, PostgreSQL a bytea long binary.
        bool pg = std::string(Dsn()) == odbc_test::kPostgresDsn;
        const char* expected = pg ? "DATA SQL_LONGVARBINARY\n\nError\nUnknown SQL Data Type Encountered."
                                  : "Error\nSQL BINARY Data Fetch Failed.";
        EXPECT_NE(read.Log().find(expected), std::string::npos) << read.Log();
    }
}

TEST_P(Drivers, StatementLongerThanTheBufferIsRefused) {
    std::string longValue(1000, 'A');
    OdbcRead read;
    ASSERT_TRUE(read.Open("units", Dsn()));
    EXPECT_FALSE(read.Extract("ROWNAMES", longValue.c_str(), "*"));
    EXPECT_GT(read.table.GetStatement().size(), 1023u);
    EXPECT_NE(read.Log().find("bytes refused: the statement buffer holds 1024 bytes."), std::string::npos)
        << read.Log();
    // The longest statement that fits is run.
    OdbcRead fits;
    ASSERT_TRUE(fits.Open("units", Dsn()));
    const size_t fixed = std::strlen(kSelectUnits) + std::strlen(",\"ROWNAMES\" FROM units WHERE \"ROWNAMES\"=''");
    std::string value(1023 - fixed, 'Z');
    EXPECT_TRUE(fits.Extract("ROWNAMES", value.c_str(), "*")) << fits.Log();
    EXPECT_EQ(fits.table.GetStatement().size(), 1023u);
}

INSTANTIATE_TEST_SUITE_P(Odbc, Drivers, ::testing::Values(odbc_test::kSqliteDsn, odbc_test::kPostgresDsn),
                         [](const auto& info) { return std::string(info.param) == "dulo_pg" ? "PostgreSQL" : "SQLite"; });

// ---- what only one of the drivers shows ----

TEST(Postgres, SchemaSplitReadsTheOtherSchema) {
    ODBC_REQUIRE(odbc_test::kPostgresDsn);
    OdbcRead read;
    ASSERT_TRUE(read.Read("owner.units", odbc_test::kPostgresDsn, "ROWNAMES", "*", "*")) << read.Log();
    EXPECT_EQ(read.table.GetStatement(), "SELECT \"ROWNAMES\",\"CAPACITY\",\"ROWNAMES\" FROM owner.units");
    EXPECT_EQ(read.RowNames(), (std::vector<std::string>{"O1"}));
}

TEST(Postgres, UnsupportedColumnTypeFailsTheRead) {
    ODBC_REQUIRE(odbc_test::kPostgresDsn);
    OdbcRead read;
    ASSERT_TRUE(read.Open("ids", odbc_test::kPostgresDsn));
    EXPECT_FALSE(read.Extract("ROWNAMES", "*", "*"));
    // uuid is SQL_GUID (-11).
    EXPECT_NE(read.Log().find("-11 ID\n\nError\nUnknown SQL Data Type Encountered."), std::string::npos) << read.Log();
}

TEST(Sqlite, DottedNameAsSchema) {
    OdbcRead read;
    ASSERT_TRUE(read.Read("main.units", odbc_test::kSqliteDsn, "ROWNAMES", "B*", "ROWNAMES,CAPACITY")) << read.Log();
    EXPECT_EQ(read.table.GetStatement(),
              "SELECT \"ROWNAMES\",\"CAPACITY\",\"ROWNAMES\" FROM main.units WHERE \"ROWNAMES\" LIKE 'B%'");
    EXPECT_EQ(read.RowNames(), (std::vector<std::string>{"B1"}));
}

TEST(Connection, EmptyDataSourceNameReachesTheDefault) {
    OdbcRead read;
    ASSERT_TRUE(read.Read("units", "", "ROWNAMES", "C2", "CAPACITY")) << read.Log();
    EXPECT_EQ(read.RowNames(), (std::vector<std::string>{"C2"}));
}

TEST(Connection, RefusingServerFailsTheOpenWithDetails) {
    OdbcRead read;
    read.options.m_nTimeout = 2;
    EXPECT_FALSE(read.Open("units", odbc_test::kRefusedDsn));
    std::string log = read.Log();
    EXPECT_NE(log.find("Failed to connect to ODBC data source.\n\nThe following SQL connection parameters were used:"
                       "\n\nData Source Name: [dulo_refused]\n\nUserName: []\n\nPassword: []\n\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Error\nSQL State: "), std::string::npos);
    EXPECT_NE(log.find("Error\nFailed to connect to ODBC data source.\n"), std::string::npos);
    EXPECT_EQ(read.table.m_hEnv, nullptr);
    EXPECT_EQ(read.table.m_hDbc, nullptr);
}

TEST(Connection, DiagnosticsOnlyWithTheLogOn) {
    OdbcRead read;
    read.options.SetWord(4, 0);
    read.options.m_nTimeout = 2;
    EXPECT_FALSE(read.Open("units", odbc_test::kRefusedDsn));
    EXPECT_EQ(read.Log(), "");
}

TEST(Fetch, BlockOfRowsWhereTheDriverTakesIt) {
    OdbcRead read;
    ASSERT_TRUE(read.Read("units", odbc_test::kSqliteDsn, "ROWNAMES", "*", "CAPACITY"));
    EXPECT_EQ(read.table.GetRowsPerFetch(), CODBCTbl::kBlockRows);
    EXPECT_EQ(read.Column(0), (std::vector<std::string>{"10.500000", "20.250000", "7.000000", "-1.750000", "0.000000"}));
}

}  // namespace
