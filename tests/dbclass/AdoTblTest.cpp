// The ADO table (type 10) through the table interface, with a connection in
// the description: opened by the test or by the table with the provider
// sequence; the Access files through the MDB Tools driver.
#include "DbClassSupport.h"

#include "sources/TableSources.h"
#include "platform/oleauto/ScopedVariant.h"
#include "sources/database/AdoTbl.h"
#include "tables/TableReaders.h"

#include <cstdlib>
#include <fstream>

using namespace dbclass_test;

namespace {

using AdoRead = Read<CAdoTbl>;

// A registry file naming the 16.0 provider's class or not; the provider state
// of the process forgotten, so that each test looks again.
class AdoTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_CORPUS();
        UseRegistry(false);
        connection = CAdoConnection::Create();
    }
    void TearDown() override {
        if (connection) connection->Release();
        unsetenv("DULO_REGISTRY");
        CAdoTbl::ResetProviderState();
    }
    void UseRegistry(bool ace16) {
        std::string path = odbc_test::ScratchDir() + "/registry.ini";
        std::ofstream out(path);
        out << "[HKCR\\CLSID\\{00000000-0000-0000-0000-000000000000}]\n";
        if (ace16) out << "[" << CAdoTbl::kAce16ClassKey << "]\n";
        out.close();
        setenv("DULO_REGISTRY", path.c_str(), 1);
        CAdoTbl::ResetProviderState();
    }
    CIoTableDescription Description(const std::string& table, const char* file = "nwind.mdb") {
        CIoTableDescription d = AccessTable(CorpusFile(file), table);
        d.SetAdoConnection(connection);
        return d;
    }
    CAdoConnection* connection = nullptr;
};

TEST_F(AdoTest, ConnectionOpenedByTheTestStaysOpen) {
    connection->Open("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + CorpusFile("nwind.mdb"), "", "");
    {
        AdoRead r;
        ASSERT_TRUE(r.table.OpenTable(Description("Shippers"))) << r.Log();
        ASSERT_TRUE(r.Extract("", "", "ShipperID,CompanyName")) << r.Log();
        EXPECT_EQ(r.table.GetStatement(), "SELECT ShipperID,CompanyName FROM Shippers");
        EXPECT_EQ(r.Column(1), (std::vector<std::string>{"Speedy Express", "United Package", "Federal Shipping"}));
        EXPECT_EQ(r.table.GetTableType(), 8);
        ASSERT_TRUE(r.table.CloseTable(true));
    }
    EXPECT_EQ(connection->GetState(), adStateOpen);
    // Opened already: a second opening is refused.
    EXPECT_THROW(connection->Open("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=x", "", ""), CComError);
}

TEST_F(AdoTest, TableOpensWithTheTwelveProviderWhenSixteenIsNotRegistered) {
    AdoRead r;
    ASSERT_TRUE(r.table.OpenTable(Description("Products"))) << r.Log();
    EXPECT_EQ(connection->GetState(), adStateOpen);
    EXPECT_TRUE(CAdoTbl::Ace16Failed());
    std::vector<std::pair<std::string, int>> expected = {
        {"ProductID", 5},    {"ProductName", 1},  {"SupplierID", 5},   {"CategoryID", 5},   {"QuantityPerUnit", 1},
        {"UnitPrice", 3},    {"UnitsInStock", 5}, {"UnitsOnOrder", 5}, {"ReorderLevel", 5}, {"Discontinued", -7}};
    EXPECT_EQ(r.ColumnTypes(), expected);
    EXPECT_TRUE(r.table.m_TextOrDate.at("ProductName"));
    EXPECT_FALSE(r.table.m_TextOrDate.at("UnitPrice"));
    // Booleans into short cells of -1 and 0; a decimal keeps its value in a double cell.
    ASSERT_TRUE(r.Extract("ProductID", "5", "Discontinued,UnitPrice,ProductName")) << r.Log();
    EXPECT_EQ(r.table.GetStatement(), "SELECT Discontinued,UnitPrice,ProductName,ProductID FROM Products WHERE ProductID = 5");
    ASSERT_EQ(r.rows.GetSize(), 1);
    const CIoCell* discontinued = r.rows.GetAt(0)->m_DataCells.GetAt(0);
    EXPECT_EQ(discontinued->GetSqlType(), 5);
    EXPECT_EQ(discontinued->GetShort(), -1);
    EXPECT_EQ(r.rows.GetAt(0)->m_DataCells.GetAt(1)->GetSqlType(), 8);
    EXPECT_DOUBLE_EQ(r.rows.GetAt(0)->m_DataCells.GetAt(1)->GetAsDouble(), 21.35);
    r.table.CloseTable(true);
    EXPECT_EQ(connection->GetState(), adStateOpen);
}

TEST_F(AdoTest, SixteenProviderFirstWhenRegistered) {
    UseRegistry(true);
    AdoRead r;
    ASSERT_TRUE(r.table.OpenTable(Description("Shippers"))) << r.Log();
    EXPECT_TRUE(CAdoTbl::IsAce16Registered());
    EXPECT_FALSE(CAdoTbl::Ace16Failed());
}

TEST_F(AdoTest, StatementQuotesTextAndDateKeysWithSpaces) {
    AdoRead r;
    ASSERT_TRUE(r.table.OpenTable(Description("Orders"))) << r.Log();
    struct Case {
        const char* keyFields;
        const char* keyValues;
        const char* where;
    } cases[] = {
        {"CustomerID", "VINET", " WHERE CustomerID =  'VINET' "},
        {"ShipRegion", "NULL", " WHERE ShipRegion IS NULL "},
        {"ShipRegion", "NOT NULL", " WHERE ShipRegion IS NOT NULL"},
        {"CustomerID", "VIN...", " WHERE CustomerID LIKE 'VIN*'"},
        {"OrderID,CustomerID", "10248,*", " WHERE OrderID = 10248"},
    };
    for (const Case& c : cases) {
        r.rows.RemoveAll();
        ASSERT_TRUE(r.Extract(c.keyFields, c.keyValues, "OrderID")) << r.Log();
        const std::string& sql = r.table.GetStatement();
        EXPECT_EQ(sql.substr(sql.find(" WHERE")), c.where) << sql;
    }
    r.rows.RemoveAll();
    ASSERT_TRUE(r.Extract("CustomerID", "VINET", "OrderID,OrderDate")) << r.Log();
    EXPECT_EQ(r.Column(0), (std::vector<std::string>{"10248", "10274", "10295", "10737", "10739"}));
    EXPECT_EQ(r.Column(1)[0], "1994-08-04 00:00:00");
    EXPECT_EQ(r.Keys(0)[0], "VINET");
}

TEST_F(AdoTest, UnsupportedFieldWithWordEightOnAndOff) {
    for (bool skip : {true, false}) {
        AdoRead r;
        r.options.SetWord(8, skip ? 1 : 0);
        ASSERT_TRUE(r.table.OpenTable(Description("Employees"))) << r.Log();
        EXPECT_EQ(r.table.FindColumn("Photo") < 0, skip);
        EXPECT_EQ(r.Log().find(" Column [Photo] with unsupported data type skipped.") != std::string::npos, skip);
        r.table.CloseTable(true);
    }
}

TEST_F(AdoTest, FailuresReportAndFail) {
    {
        AdoRead r;
        EXPECT_FALSE(r.table.OpenTable(Description("NoSuchTable")));
        EXPECT_NE(r.Log().find("Unable to open table [NoSuchTable]\n\n"), std::string::npos) << r.Log();
    }
    {
        // No connection in the description: nothing to open.
        AdoRead r;
        EXPECT_FALSE(r.table.OpenTable(AccessTable(CorpusFile("nwind.mdb"), "Shippers")));
    }
    {
        // A file the driver refuses: neither provider opens it.
        CAdoConnection* other = CAdoConnection::Create();
        CIoTableDescription d = AccessTable(std::string(DULO_FIXTURES) + "/dbf/plain.dbf", "plain");
        d.SetAdoConnection(other);
        other->Release();
        AdoRead r;
        EXPECT_FALSE(r.table.OpenTable(d));
        EXPECT_EQ(other->GetState(), adStateClosed);
    }
    EXPECT_THROW(connection->Open("Provider=Not.A.Provider;Data Source=" + CorpusFile("nwind.mdb"), "", ""), CComError);
}

TEST_F(AdoTest, ThroughTheReaderTable) {
    dulo::SetUpTableSources();
    TableReaderFn reader = FindTableReader(TABLE_TYPE_ADO);
    ASSERT_NE(reader, nullptr);
    CColumnArray keys, columns;
    CIoRowArray rows, extra1, extra2;
    CIoTableDescription d = Description("Shippers");
    d.m_nTableType = TABLE_TYPE_ADO;
    TableReadRequest request(d, keys, columns, rows, extra1, extra2);
    request.keyFields = "ShipperID";
    request.keyValues = "2";
    request.extractColumns = "CompanyName";
    request.results[2] = 7;
    EXPECT_EQ(reader(request), 0);
    ASSERT_EQ(rows.GetSize(), 1);
    EXPECT_EQ(rows.GetAt(0)->m_DataCells.GetAt(0)->GetText(), "United Package");
    EXPECT_EQ(request.results[2], 7);  // the outputs are left as they were

    // Without a connection, as through the single-table export: open fails.
    CIoTableDescription bare = AccessTable(CorpusFile("nwind.mdb"), "Shippers");
    bare.m_nTableType = TABLE_TYPE_ADO;
    TableReadRequest second(bare, keys, columns, rows, extra1, extra2);
    EXPECT_EQ(reader(second), 1);
}

TEST(AdoValues, DecimalTextsKeepTheirValue) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    } cases[] = {{"12.7500", true, 12.75}, {"-0.5", true, -0.5}, {"79228162514264337593543950335", true, 7.9228162514264338e28},
                 {"79228162514264337593543950336", false, 0}, {"", false, 0}, {"1.2.3", false, 0}, {"1e5", false, 0}};
    for (const Case& c : cases) {
        dulo::ScopedVariant v;
        EXPECT_EQ(dulo::ado::DecimalFromText(c.text, v.v), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(v.v.vt, VT_DECIMAL);
        EXPECT_DOUBLE_EQ(dulo::ado::DecimalToDouble(v.v), c.value) << c.text;
        std::unique_ptr<CIoCell> cell(CAdoTbl::MakeCell(v.v, 3));
        EXPECT_DOUBLE_EQ(cell->GetAsDouble(), c.value);
    }
}

TEST(AdoValues, CellsFromVariants) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_CY;
    v.cyVal.int64 = 123456;  // 12.3456
    std::unique_ptr<CIoCell> cy(CAdoTbl::MakeCell(v, 3));
    EXPECT_DOUBLE_EQ(cy->GetAsDouble(), 12.3456);
    v.vt = VT_I8;
    v.llVal = 5000000000LL;  // a big integer beyond 32 bits keeps its value
    std::unique_ptr<CIoCell> big(CAdoTbl::MakeCell(v, 4));
    EXPECT_DOUBLE_EQ(big->GetAsDouble(), 5e9);
    v.vt = VT_NULL;
    for (int type : {1, 3, 4, 5, 7, 8, 11, -7, -6}) {
        std::unique_ptr<CIoCell> null(CAdoTbl::MakeCell(v, type));
        EXPECT_TRUE(null->IsNull());
        EXPECT_EQ(null->GetSqlType(), type == 3 ? 8 : type);
    }
}

}  // namespace
