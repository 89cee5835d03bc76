// The database classes and the database-class table (type 8): Access files
// through the MDB Tools driver (mode 1), SQLite and PostgreSQL data sources
// (mode 2).
#include "DbClassSupport.h"

#include "sources/database/MfcOdbcTbl.h"
#include "sources/TableSources.h"
#include "tables/TableReaders.h"

using namespace dbclass_test;

namespace {

using MfcRead = Read<CMfcOdbcTbl>;

// ---- the database classes ----

TEST(DatabaseClasses, ConnectionStringsBecomeDriverConnectForm) {
    struct Case {
        const char* given;
        const char* sent;
    } cases[] = {
        {"ODBC; Driver={Microsoft Access Driver (*.mdb)};DBQ=/d/a.mdb", "Driver={Microsoft Access Driver (*.mdb)};DBQ=/d/a.mdb"},
        {"ODBC;UID=u;PWD=p;DSN=plant", "UID=u;PWD=p;DSN=plant"},
        {"ODBC;UID=;PWD=;DSN=plant", "DSN=plant"},  // the data source's own user applies
        {"odbc;DSN=x", "DSN=x"},
        {"DSN=x", "DSN=x"},
        {"ODBC;", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(CDatabase::DriverConnectString(c.given), c.sent) << c.given;
}

TEST(DatabaseClasses, FieldsByPositionAndByNameInAnyOrder) {
    CDatabase db;
    ASSERT_TRUE(db.OpenEx(std::string("ODBC;UID=;PWD=;DSN=") + odbc_test::kSqliteDsn));
    CRecordset rs(&db);
    rs.Open(CRecordset::snapshot, "SELECT \"ROWNAMES\",\"CAPACITY\",\"COUNTS\" FROM units ORDER BY \"ROWNAMES\"");
    ASSERT_EQ(rs.GetODBCFieldCount(), 3);
    CODBCFieldInfo info;
    rs.GetODBCFieldInfo(2, info);
    EXPECT_EQ(info.m_strName, "COUNTS");
    EXPECT_EQ(info.m_nSQLType, SQL_INTEGER);
    CDBVariant v;
    rs.GetFieldValue(short(2), v);
    EXPECT_EQ(v.m_dwType, DBVT_LONG);
    EXPECT_EQ(v.m_lVal, 3);
    rs.RefreshRowset();
    rs.GetFieldValue("ROWNAMES", v);  // an earlier field after a later one
    EXPECT_EQ(v.m_dwType, DBVT_STRING);
    EXPECT_EQ(v.m_strVal.substr(0, 2), "A1");
    rs.GetFieldValue(short(1), v);
    EXPECT_DOUBLE_EQ(v.m_dblVal, 10.5);
    int rowCount = 1;
    for (rs.MoveNext(); !rs.IsEOF(); rs.MoveNext()) ++rowCount;
    EXPECT_EQ(rowCount, 5);
    EXPECT_THROW(rs.MoveNext(), CDBException);
    EXPECT_THROW(rs.GetFieldValue(short(0), v), CDBException);
}

TEST(DatabaseClasses, FailuresCarryTheDriverText) {
    CDatabase db;
    try {
        db.OpenEx("ODBC; Driver={No Such Driver};DBQ=/nowhere.mdb");
        FAIL() << "opened a driver that is not installed";
    } catch (const CDBException& e) {
        EXPECT_NE(std::string(e.what()).find("No Such Driver"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(db.IsOpen());
    ASSERT_TRUE(db.OpenEx(std::string("ODBC;DSN=") + odbc_test::kSqliteDsn));
    CRecordset rs(&db);
    try {
        rs.Open(CRecordset::snapshot, "SELECT * FROM no_such_table");
        FAIL() << "a missing table opened";
    } catch (const CDBException& e) {
        EXPECT_NE(std::string(e.what()).find("no_such_table"), std::string::npos) << e.what();
    }
}

// ---- mode 1: Access files ----

TEST(MfcOdbcAccess, ColumnTypesOfTheCorpusTables) {
    REQUIRE_CORPUS();
    MfcRead r;
    ASSERT_TRUE(r.table.OpenTable(AccessTable(CorpusFile("nwind.mdb"), "Products"))) << r.Log();
    EXPECT_EQ(r.table.GetMode(), 1);
    EXPECT_EQ(r.table.GetIdentifierQuote(), "`");
    EXPECT_EQ(r.table.GetConnectString(),
              "ODBC; Driver={Microsoft Access Driver (*.mdb)};DBQ=" + CorpusFile("nwind.mdb"));
    // Currency arrives as SQL type 3 and so as a long column; Yes/No as a bit.
    std::vector<std::pair<std::string, int>> expected = {
        {"ProductID", 4},    {"ProductName", 1},  {"SupplierID", 4},   {"CategoryID", 4},   {"QuantityPerUnit", 1},
        {"UnitPrice", 4},    {"UnitsInStock", 5}, {"UnitsOnOrder", 5}, {"ReorderLevel", 5}, {"Discontinued", -7}};
    EXPECT_EQ(r.ColumnTypes(), expected);
    ASSERT_TRUE(r.table.CloseTable(true));
}

TEST(MfcOdbcAccess, KeySelectionByTextWithDatesAsTimestamps) {
    REQUIRE_CORPUS();
    MfcRead r;
    ASSERT_TRUE(r.table.OpenTable(AccessTable(CorpusFile("nwind.mdb"), "Orders"))) << r.Log();
    ASSERT_TRUE(r.Extract("CustomerID", "VINET", "OrderID,OrderDate,Freight,ShipVia")) << r.Log();
    EXPECT_EQ(r.table.GetStatement(),
              "SELECT OrderID,OrderDate,Freight,ShipVia,CustomerID FROM [Orders] WHERE CustomerID='VINET'");
    EXPECT_EQ(r.Column(0), (std::vector<std::string>{"10248", "10274", "10295", "10737", "10739"}));
    EXPECT_EQ(r.Column(1)[0], "1994-08-04 00:00:00");
    EXPECT_EQ(r.rows.GetAt(0)->m_DataCells.GetAt(1)->GetSqlType(), 11);
    // The currency's text, as the driver hands it out.
    EXPECT_EQ(r.Column(2)[0], "32.3800");
    EXPECT_EQ(r.Keys(0), std::vector<std::string>(5, "VINET"));
    ASSERT_TRUE(r.table.CloseTable(true));
}

TEST(MfcOdbcAccess, KeySelectionsTheDriverAnswers) {
    REQUIRE_CORPUS();
    struct Case {
        const char* keyFields;
        const char* keyValues;
        std::vector<std::string> ids;
    } cases[] = {
        {"ShipperID", "2", {"2"}},                                  // integer comparison
        {"CompanyName", "Federal Shipping", {"3"}},                 // text comparison
        {"ShipperID,CompanyName", "1,Speedy Express", {"1"}},       // two conditions
        {"CompanyName", "*", {"1", "2", "3"}},                      // "*" adds no condition
        {"", "", {"1", "2", "3"}},                                  // no key: every record
    };
    for (const Case& c : cases) {
        MfcRead r;
        ASSERT_TRUE(r.table.OpenTable(AccessTable(CorpusFile("nwind.mdb"), "Shippers"))) << r.Log();
        ASSERT_TRUE(r.Extract(c.keyFields, c.keyValues, "ShipperID,CompanyName")) << r.Log();
        EXPECT_EQ(r.Column(0), c.ids) << c.keyFields << " = " << c.keyValues;
        r.table.CloseTable(true);
    }
}

// What the driver gets wrong, as the README lists it: when one of these
// starts to pass, the driver has learnt it and the README is to change.
TEST(MfcOdbcAccess, SelectionsTheDriverDoesNotAnswer) {
    REQUIRE_CORPUS();
    struct Case {
        const char* keyFields;
        const char* keyValues;
        int rows;  // what the driver returns
        int right;
    } cases[] = {
        {"ShipRegion", "NULL", 0, 507},        // IS NULL not evaluated
        {"ShipRegion", "NOT NULL", 0, 323},    // IS NOT NULL not evaluated
        {"CustomerID", "VIN?T", 0, 5},         // "?" is no wildcard to it
        {"Freight", "32.38", 830, 1},          // currency comparison not evaluated
    };
    for (const Case& c : cases) {
        MfcRead r;
        ASSERT_TRUE(r.table.OpenTable(AccessTable(CorpusFile("nwind.mdb"), "Orders"))) << r.Log();
        ASSERT_TRUE(r.Extract(c.keyFields, c.keyValues, "OrderID")) << r.Log();
        EXPECT_EQ(r.rows.GetSize(), c.rows) << c.keyFields << " " << c.keyValues << " (right: " << c.right << ")";
    }
}

TEST(MfcOdbcAccess, DatesTheDriverCannotPlaceAreInvalidTimestamps) {
    REQUIRE_CORPUS();
    MfcRead r;
    ASSERT_TRUE(r.table.OpenTable(AccessTable(CorpusFile("DateTestDatabase.mdb"), "DateTest"))) << r.Log();
    ASSERT_TRUE(r.Extract("", "", "IDCol,DateTimeCol,ShortTextCol")) << r.Log();
    ASSERT_GE(r.rows.GetSize(), 2);
    EXPECT_EQ(r.Column(1)[0], "2021-12-02 00:00:00");
    // The driver writes day 0 for dates before its calendar: not a date.
    const CIoCell* early = r.rows.GetAt(1)->m_DataCells.GetAt(1);
    EXPECT_FALSE(early->IsNull());
    EXPECT_EQ(early->GetDate().m_status, COleDateTime::invalid);
    EXPECT_EQ(r.Column(2)[1], "Year 1999");
}

TEST(MfcOdbcAccess, UnsupportedFieldSkippedOrKeptAsText) {
    REQUIRE_CORPUS();
    for (bool skip : {true, false}) {
        MfcRead r;
        r.options.SetWord(8, skip ? 1 : 0);
        ASSERT_TRUE(r.table.OpenTable(AccessTable(CorpusFile("nwind.mdb"), "Employees"))) << r.Log();
        int photo = r.table.FindColumn("Photo");
        if (skip) {
            EXPECT_EQ(photo, -1);
            EXPECT_NE(r.Log().find(" Column [Photo] with unsupported data type skipped."), std::string::npos) << r.Log();
        } else {
            ASSERT_GE(photo, 0);
            EXPECT_EQ(r.table.GetColumns().GetAt(photo)->m_nSqlType, 1);
            ASSERT_TRUE(r.Extract("EmployeeID", "1", "Photo,LastName")) << r.Log();
            ASSERT_EQ(r.rows.GetSize(), 1);
            EXPECT_TRUE(r.rows.GetAt(0)->m_DataCells.GetAt(0)->IsNull());  // bytes are no text
            EXPECT_EQ(r.Column(1)[0], "Davolio");
        }
    }
}

TEST(MfcOdbcAccess, BadInputReportsAndFails) {
    REQUIRE_CORPUS();
    const std::string notAccess = std::string(DULO_FIXTURES) + "/dbf/plain.dbf";
    struct Case {
        std::string file, table, message;
    } cases[] = {
        {CorpusFile("nwind.mdb"), "NoSuchTable", "Unable to open table [NoSuchTable]"},
        {CorpusFile("nwind.mdb"), "Query::No Such Query", "Unable to open table [No Such Query]"},
        // A saved query exists, but the driver runs no queries.
        {CorpusFile("nwind.mdb"), "query::Ten Most Expensive Products", "Unable to open table [Ten Most Expensive Products]"},
    };
    for (const Case& c : cases) {
        MfcRead r;
        EXPECT_FALSE(r.table.OpenTable(AccessTable(c.file, c.table))) << c.table;
        EXPECT_NE(r.Log().find(c.message + "\n\n"), std::string::npos) << r.Log();
        EXPECT_FALSE(r.table.IsOpen());
    }
    // The Access driver refuses these files without a diagnostic: a refusal, result 0.
    for (const std::string& file : {notAccess, odbc_test::ScratchDir() + "/missing.mdb"}) {
        MfcRead r;
        EXPECT_FALSE(r.table.OpenTable(AccessTable(file, "T"))) << file;
        EXPECT_FALSE(r.table.IsOpen());
        EXPECT_EQ(r.table.m_pDatabase == nullptr || !r.table.m_pDatabase->IsOpen(), true);
    }
}

TEST(MfcOdbcAccess, NoMatchWarns) {
    REQUIRE_CORPUS();
    MfcRead r;
    ASSERT_TRUE(r.table.OpenTable(AccessTable(CorpusFile("nwind.mdb"), "Shippers")));
    ASSERT_TRUE(r.Extract("ShipperID", "99", "CompanyName"));
    EXPECT_EQ(r.rows.GetSize(), 0);
    EXPECT_NE(r.Log().find("No Match for Source Key Value."), std::string::npos);
}

TEST(MfcOdbcAccess, ThroughTheReaderTable) {
    REQUIRE_CORPUS();
    dulo::SetUpTableSources();
    TableReaderFn reader = FindTableReader(TABLE_TYPE_DAO);
    ASSERT_NE(reader, nullptr);
    CIoTableDescription d = AccessTable(CorpusFile("nwind.mdb"), "Shippers");
    d.m_nTableType = TABLE_TYPE_DAO;
    CColumnArray keys, columns;
    CIoRowArray rows, extra1, extra2;
    TableReadRequest request(d, keys, columns, rows, extra1, extra2);
    request.keyFields = "CompanyName";
    request.keyValues = "*";
    request.extractColumns = "ShipperID,Phone";
    EXPECT_EQ(reader(request), 0);
    ASSERT_EQ(rows.GetSize(), 3);
    EXPECT_EQ(rows.GetAt(2)->m_KeyCells.GetAt(0)->GetText(), "Federal Shipping");
    EXPECT_EQ(rows.GetAt(2)->m_DataCells.GetAt(1)->GetText(), "(503) 555-9931");

    d.SetString(1, "NoSuchTable");
    EXPECT_EQ(reader(request), 1);
}

// ---- literals ----

TEST(MfcOdbcLiterals, ByMode) {
    CIOOptions options;
    CMfcOdbcTbl table(nullptr, &options);
    struct Case {
        int mode, sqlType;
        const char* value;
        const char* literal;
    } cases[] = {
        {1, 9, "2024-01-31", "#2024-01-31#"},          {2, 9, "2024-01-31", "{d '2024-01-31'}"},
        {1, 11, "2024-01-31 10:00:00", "#2024-01-31 10:00:00#"},
        {2, 11, "2024-01-31 10:00:00", "{ts '2024-01-31 10:00:00'}"},
        {2, 10, "10:00:00", "{t '10:00:00'}"},         {1, 10, "10:00:00", "#10:00:00#"},
        {1, 1, "Delta", "'Delta'"},                    {2, 12, "Delta", "'Delta'"},
        {2, -1, "x", "'x'"},                           {1, 2, "1.5", "'1.5'"},
        {1, 4, "7", "7"},                              {2, 8, "7.5", "7.5"},
    };
    for (const Case& c : cases) {
        table.m_nConnectionMode = c.mode;
        EXPECT_EQ(table.FormatLiteral(c.value, c.sqlType), c.literal) << c.mode << "/" << c.sqlType;
    }
    EXPECT_EQ(CMfcOdbcTbl::LikePattern("A...Z"), "A*Z");
    EXPECT_EQ(CMfcOdbcTbl::LikePattern("A?C*"), "A?C*");
}

// ---- mode 2: data sources ----

class MfcOdbcDataSource : public ::testing::TestWithParam<const char*> {};

TEST_P(MfcOdbcDataSource, ReadsWithTheStatementTheDriverTakes) {
    ODBC_REQUIRE(GetParam());
    MfcRead r;
    ASSERT_TRUE(r.table.OpenTable(DataSourceTable(GetParam(), "units"))) << r.Log();
    EXPECT_EQ(r.table.GetMode(), 2);
    EXPECT_EQ(r.table.GetIdentifierQuote(), "\"");
    EXPECT_EQ(r.table.GetConnectString(), std::string("ODBC;UID=;PWD=;DSN=") + GetParam());
    ASSERT_TRUE(r.Extract("ROWNAMES", "A...", "NAME,CAPACITY,COUNTS")) << r.Log();
    EXPECT_EQ(r.table.GetStatement(), "SELECT NAME,CAPACITY,COUNTS,ROWNAMES FROM [units] WHERE ROWNAMES LIKE 'A*'");
    // LIKE keeps "*": the data sources find no match for it.
    EXPECT_EQ(r.rows.GetSize(), 0) << r.Log();
    r.rows.RemoveAll();
    ASSERT_TRUE(r.Extract("NAME", "NULL", "CAPACITY")) << r.Log();
    ASSERT_EQ(r.rows.GetSize(), 1);
    EXPECT_DOUBLE_EQ(r.rows.GetAt(0)->m_DataCells.GetAt(0)->GetAsDouble(), 7);
    r.rows.RemoveAll();
    ASSERT_TRUE(r.Extract("COUNTS", "3", "NAME,CAPACITY")) << r.Log();
    ASSERT_EQ(r.rows.GetSize(), 2) << r.Log();
    EXPECT_EQ(r.Column(0)[0], "crude unit");
    EXPECT_DOUBLE_EQ(r.rows.GetAt(0)->m_DataCells.GetAt(1)->GetAsDouble(), 10.5);
    EXPECT_EQ(r.Keys(0), (std::vector<std::string>{"3", "3"}));
    ASSERT_TRUE(r.table.CloseTable(true));
}

INSTANTIATE_TEST_SUITE_P(Drivers, MfcOdbcDataSource, ::testing::Values(odbc_test::kSqliteDsn, odbc_test::kPostgresDsn));

TEST(MfcOdbcDataSourceFallback, PostgresGetsItsOwnQuoteInsteadOfBrackets) {
    ODBC_REQUIRE(odbc_test::kPostgresDsn);
    MfcRead r;
    ASSERT_TRUE(r.table.OpenTable(DataSourceTable(odbc_test::kPostgresDsn, "units"))) << r.Log();
    EXPECT_NE(r.Log().find("SELECT * FROM units WHERE 1=0"), std::string::npos) << r.Log();
    ASSERT_TRUE(r.Extract("ROWNAMES", "B1", "NAME")) << r.Log();
    EXPECT_NE(r.Log().find("SELECT \"NAME\",\"ROWNAMES\" FROM \"units\" WHERE \"ROWNAMES\"='B1'"), std::string::npos)
        << r.Log();
    EXPECT_EQ(r.Column(0), std::vector<std::string>{"reformer"});
}

TEST(MfcOdbcDataSourceFallback, SqliteRefusesTopButTakesBrackets) {
    MfcRead r;
    ASSERT_TRUE(r.table.OpenTable(DataSourceTable(odbc_test::kSqliteDsn, "units"))) << r.Log();
    EXPECT_NE(r.Log().find("SELECT * FROM units WHERE 1=0"), std::string::npos) << r.Log();
    ASSERT_TRUE(r.Extract("ROWNAMES", "B1", "NAME")) << r.Log();
    EXPECT_NE(r.Log().find("FROM [units] WHERE"), std::string::npos) << r.Log();
    EXPECT_EQ(r.Log().find("FROM \"units\""), std::string::npos) << r.Log();
    EXPECT_EQ(r.Column(0), std::vector<std::string>{"reformer"});
}

TEST(MfcOdbcDataSourceFallback, BorrowedDatabaseIsLeftOpen) {
    CDatabase db;
    ASSERT_TRUE(db.OpenEx(std::string("ODBC;DSN=") + odbc_test::kSqliteDsn));
    CIoTableDescription d = DataSourceTable(odbc_test::kSqliteDsn, "units");
    d.m_pDatabase = &db;
    {
        MfcRead r;
        ASSERT_TRUE(r.table.OpenTable(d)) << r.Log();
        ASSERT_TRUE(r.Extract("ROWNAMES", "C2", "COUNTS")) << r.Log();
        EXPECT_EQ(r.Column(0), std::vector<std::string>{"5"});
        ASSERT_TRUE(r.table.CloseTable(true));
    }
    EXPECT_TRUE(db.IsOpen());
}

TEST(MfcOdbcDataSourceFallback, MissingDataSourceFails) {
    MfcRead r;
    EXPECT_FALSE(r.table.OpenTable(DataSourceTable("no_such_dsn", "units")));
    EXPECT_NE(r.Log().find("Unable to open database [no_such_dsn]"), std::string::npos) << r.Log();
}

}  // namespace
