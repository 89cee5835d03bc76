// Table descriptions, columns, options and type strings.
#include "platform/Messages.h"
#include "platform/archive/Archive.h"
#include "tables/Column.h"
#include "tables/IOOptions.h"
#include "tables/IoTableDescription.h"
#include "tables/TableType.h"

#include <gtest/gtest.h>

namespace {

struct FakeConnection : IRefCounted {
    int refs = 1;
    unsigned long AddRef() override { return ++refs; }
    unsigned long Release() override { return --refs; }
};

CIoTableDescription Filled() {
    CIoTableDescription d;
    for (int i = 0; i < 8; ++i) d.SetString(i, "s" + std::to_string(i));
    d.m_Timestamp = COleDateTime(45351.25, 0);
    d.m_nInUse = 1;
    d.m_nReservedA = 2;
    d.m_nReservedB = 3;
    d.m_nTableType = 7;
    d.m_nFurtherA = 4;
    d.m_nFurtherB = 5;
    d.m_nSheetRowCount = 100;
    d.m_nRowCount = 10;
    d.m_nRowNameColumn = 0;
    return d;
}

TEST(TableDescription, Defaults) {
    CIoTableDescription d;
    EXPECT_EQ(d.m_nTableType, -1);
    EXPECT_EQ(d.m_nInUse, 0);
    EXPECT_EQ(d.m_nReservedA, 0);
    EXPECT_EQ(d.m_nFurtherA, -1);
    EXPECT_EQ(d.m_nFurtherB, -1);
    for (int v : {d.m_nSheetRowCount, d.m_nSheetColumnCount, d.m_nRowCount, d.m_nDataColumnCount, d.m_nHeaderRow,
                  d.m_nRowNameColumn, d.m_nEndMarkerColumn, d.m_nLastColumnOrdinal})
        EXPECT_EQ(v, -1);
    EXPECT_EQ(d.m_Timestamp.m_dt, 0.0);
    EXPECT_THROW(d.GetString(8), CInvalidArgException);
    EXPECT_THROW(d.SetString(-1, "x"), CInvalidArgException);
}

TEST(TableDescription, CopyLeavesTheReaderStatisticsBehind) {
    FakeConnection ado;
    CIoTableDescription d = Filled();
    d.SetAdoConnection(&ado);
    EXPECT_EQ(ado.refs, 2);
    {
        CIoTableDescription copy(d);
        EXPECT_EQ(ado.refs, 3);
        EXPECT_EQ(copy.GetAdoConnection(), &ado);
        EXPECT_EQ(copy.GetString(7), "s7");
        EXPECT_EQ(copy.m_Timestamp.m_dt, 45351.25);
        EXPECT_EQ(copy.m_nTableType, 7);
        EXPECT_EQ(copy.m_nReservedB, 3);
        EXPECT_EQ(copy.m_nFurtherB, 5);
        EXPECT_EQ(copy.m_nSheetRowCount, -1);
        EXPECT_EQ(copy.m_nRowCount, -1);

        CIoTableDescription assigned;
        assigned.m_nRowCount = 42;
        assigned = d;
        EXPECT_EQ(ado.refs, 4);
        EXPECT_EQ(assigned.m_nRowCount, 42);
        assigned = assigned;
        EXPECT_EQ(ado.refs, 4);
    }
    EXPECT_EQ(ado.refs, 2);
    d.SetAdoConnection(nullptr);
    EXPECT_EQ(ado.refs, 1);
}

TEST(TableDescription, ArchiveRoundTripAndLayout) {
    CIoTableDescription d = Filled();
    CArchive out;
    d.Serialize(out);
    // Eight 3-byte texts, the date (status, day count) and six numbers.
    ASSERT_EQ(out.GetBuffer().size(), 8u * 3 + 4 + 8 + 6 * 4);
    CArchive peek(out.GetBuffer());
    for (int i = 0; i < 8; ++i) EXPECT_EQ(peek.ReadString(), "s" + std::to_string(i));
    EXPECT_EQ(peek.ReadLong(), 0);
    EXPECT_EQ(peek.ReadDouble(), 45351.25);
    for (int expected : {1, 2, 3, 7, 4, 5}) EXPECT_EQ(peek.ReadLong(), expected);

    CArchive in(out.GetBuffer());
    CIoTableDescription back;
    back.Serialize(in);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(back.GetString(i), d.GetString(i));
    EXPECT_EQ(back.m_nTableType, 7);
    EXPECT_EQ(back.m_nFurtherB, 5);
    EXPECT_EQ(back.m_nSheetRowCount, -1);  // not archived
}

TEST(TableDescription, ShortArchiveRaisesAndLeavesTheDescriptionAlone) {
    CArchive out;
    Filled().Serialize(out);
    const auto& whole = out.GetBuffer();
    for (size_t n : {size_t(0), size_t(5), whole.size() - 1}) {
        SCOPED_TRACE(n);
        CArchive in(std::vector<unsigned char>(whole.begin(), whole.begin() + long(n)));
        CIoTableDescription d;
        d.SetString(0, "keep");
        EXPECT_THROW(d.Serialize(in), CArchiveException);
        EXPECT_EQ(d.GetString(0), "keep");
        EXPECT_EQ(d.m_nTableType, -1);
    }
}

TEST(Column, ConstructorsAndDefaults) {
    int user = 0;
    CColumn c("X", SqlType::Double, 8, 0, 1, &user);
    EXPECT_EQ(c.m_nOrdinal, -1);
    EXPECT_EQ(c.m_nSqlType, SqlType::Double);
    EXPECT_EQ(c.m_pUserData, &user);
    EXPECT_EQ(c.m_nNumber1, 0);
    EXPECT_EQ(c.m_nNumber2, 1);
    EXPECT_EQ(c.m_nNumber3, 0);
    EXPECT_TRUE(c.m_SourceListA.empty());

    CColumn r("Y", SqlType::Char, 20, 0, 1, nullptr, 4, 9);
    EXPECT_EQ(r.m_nOrdinal, 4);
    EXPECT_EQ(r.m_SourceListA, std::vector<int>{9});
    EXPECT_EQ(r.m_SourceListB, std::vector<int>{4});
    r.m_nNumber1 = 5;
    EXPECT_EQ(r.GetMark(), 5);
    r.ResetMark();
    EXPECT_EQ(r.GetMark(), 0);
}

TEST(Column, FindColumnIsExactAndTakesTheFirst) {
    CColumnArray columns;
    columns.Add(new CColumn("ROWNAMES", SqlType::Char, 0, 0, 1, nullptr));
    columns.Add(new CColumn("X", SqlType::Double, 0, 0, 1, nullptr));
    columns.Add(new CColumn("X", SqlType::Char, 0, 0, 1, nullptr));
    EXPECT_EQ(columns.FindColumn("ROWNAMES"), 0);
    EXPECT_EQ(columns.FindColumn("rownames"), -1);
    EXPECT_EQ(columns.FindColumn("X"), 1);
    EXPECT_EQ(columns.FindColumn(""), -1);
    EXPECT_EQ(columns.FindColumn(nullptr), -1);
}

TEST(Column, TypeFromColumnName) {
    struct Case {
        const char* name;
        int type;
    } cases[] = {{"TIME", 10},       {"starttime", 10}, {"StopTime", 10}, {"DATE", 9},  {"StopDate", 9},
                 {"startdate", 9},   {"DATETIMEID", 11}, {"datetimeid", 2}, {"PRICE", 2}, {"TIMES", 2},
                 {"", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TypeFromColumnName(c.name), c.type);
    }
}

TEST(IOOptions, Defaults) {
    CIOOptions o;
    const int expected[28] = {1, 0, 0, 1, 1, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 1, 1, 1, 1, 0};
    for (int n = 1; n <= 28; ++n) EXPECT_EQ(o.GetWord(n), expected[n - 1]) << "word " << n;
    EXPECT_TRUE(o.ErrorsShown());
    EXPECT_FALSE(o.WarningsShown());
    EXPECT_TRUE(o.LogOn());
    EXPECT_FALSE(o.MakeBackup());
    EXPECT_TRUE(o.SkipUnsupportedColumns());
    EXPECT_TRUE(o.StarHeadingEndsColumns());
    EXPECT_EQ(o.GetTimeout(), 15);
    EXPECT_EQ(o.GetBackupExtension(), "");
    EXPECT_THROW(o.GetWord(0), CInvalidArgException);
    EXPECT_THROW(o.SetWord(29, 1), CInvalidArgException);
    o.SetWord(2, 1);
    EXPECT_TRUE(o.WarningsShown());
}

TEST(TableType, Parsing) {
    struct Case {
        const char* text;
        bool accepted;
        int type;
        std::vector<std::string> args;
    } cases[] = {
        {"WKS", true, 0, {}},
        {"DBF", true, 7, {}},
        {"DBF(a,b)", true, 7, {}},
        {"OLE2(Excel8,Sheet1)", true, 9, {"Excel8", "Sheet1"}},
        {"OLE2(excel,Sheet1)", true, 9, {"excel", "Sheet1"}},
        {"OLE2(Excel5,S)", true, 4, {"Excel5", "S"}},
        {"OLE2(Lotus,Sheet1)", false, 6, {}},
        {"OLE2(Excel8)", false, 6, {}},
        {"OLE2", false, 6, {}},
        {"ODBC(src,user,pw)", true, 2, {"src", "user", "pw"}},
        {"ODBC(src,user)", false, 6, {}},
        {"ODBC(src,user,pw", false, 6, {}},
        {"ODBC(,,)", true, 2, {"", "", ""}},
        {"DAO(a,b,c)", true, 8, {"a", "b", "c"}},
        {"PI(a,b,c)", true, 1, {"a", "b", "c"}},
        {"PI", false, 6, {}},
        {"odbc(a,b,c)", false, 6, {}},
        {"XLS", false, 6, {}},
        {"", false, 6, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int type = -5;
        std::vector<std::string> args = {"stale"};
        std::string message;
        EXPECT_EQ(ParseTableType(c.text, type, args, &message), c.accepted);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(args, c.args);
        if (c.accepted)
            EXPECT_EQ(message, "");
        else
            EXPECT_EQ(message, std::string("[") + c.text + "] Invalid Table Type Specified.");
    }
}

}  // namespace
