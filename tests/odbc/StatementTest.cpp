// The parts of the statement that need no driver: LIKE patterns, the split of
// a table name, the type information with its substitutes, and literals.
#include "OdbcTestSupport.h"

namespace {

TEST(LikePattern, EllipsisStarAndQuestionMark) {
    struct Case {
        const char* value;
        const char* pattern;
    } cases[] = {
        {"A*", "A%"}, {"A...Z", "A%Z"}, {"?B", "_B"}, {"*", "%"}, {"a.b", "a.b"},
        // "..." is replaced first, so "...." leaves one dot behind it.
        {"A....", "A%."}, {"??*...", "__%%"}, {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CODBCTbl::LikePattern(c.value), c.pattern) << c.value;
}

TEST(TableName, DirectoryIsCatalogDotSplitsSchema) {
    struct Case {
        const char* name;
        bool hasCatalog, hasSchema;
        const char *catalog, *schema, *table;
    } cases[] = {
        {"C:\\data\\plant.dbf", true, false, "C:\\data", "", "plant.dbf"},
        {"/srv/data/plant.dbf", true, false, "/srv/data/", "", "plant.dbf"},
        {"owner.units", false, true, "", "owner", "units"},
        {"a.b.c", false, true, "", "a", "b.c"},
        // A leading dot does not split.
        {".units", false, false, "", "", ".units"},
        {"units", false, false, "", "", "units"},
        {"C:plant", true, false, "C:", "", "plant"},
        {"", false, false, "", "", ""},
    };
    for (const auto& c : cases) {
        CODBCTbl::TableNameParts p = CODBCTbl::SplitTableName(c.name);
        EXPECT_EQ(p.hasCatalog, c.hasCatalog) << c.name;
        EXPECT_EQ(p.hasSchema, c.hasSchema) << c.name;
        EXPECT_EQ(p.catalog, c.catalog) << c.name;
        EXPECT_EQ(p.schema, c.schema) << c.name;
        EXPECT_EQ(p.table, c.table) << c.name;
    }
}

// A source whose type list is made by the test, one record per listed type,
// named after its type and position.
struct TypeListFixture : ::testing::Test {
    CIOOptions options;
    CODBCTbl table{nullptr, &options};

    void List(std::initializer_list<int> types) {
        table.m_TypeInfo.RemoveAll();
        int i = 0;
        for (int type : types) {
            auto* info = new CIoSqlTypeInfo;
            info->m_nDataType = int16_t(type);
            std::snprintf(info->m_szTypeName, sizeof info->m_szTypeName, "t%d#%d", type, i++);
            std::snprintf(info->m_szLiteralPrefix, sizeof info->m_szLiteralPrefix, "<%d", type);
            std::snprintf(info->m_szLiteralSuffix, sizeof info->m_szLiteralSuffix, "%d>", type);
            table.m_TypeInfo.Add(info);
        }
    }
};

TEST_F(TypeListFixture, OwnTypeFirstRecordOfIt) {
    List({12, 4, 4, 1});
    EXPECT_EQ(table.GetTypeName(4), "t4#1");
    EXPECT_EQ(table.GetTypeName(1), "t1#3");
}

TEST_F(TypeListFixture, SubstitutesInOrder) {
    struct Case {
        std::initializer_list<int> list;
        int asked;
        std::string expected;
    } cases[] = {
        {{1, 5, 8, 6, 7}, 4, "t7#4"},     // integer: real first
        {{1, 5, 8, 6}, 4, "t6#3"},        // then float
        {{1, 5, -7, -6}, 4, "t5#1"},      // then double, smallint
        {{1, -7, -6}, 4, "t-6#2"},        // tinyint before bit
        {{1, -7}, 4, "t-7#1"},
        {{1, 8, 4}, 5, "t4#2"},           // smallint: integer first
        {{1, 8, 6}, 7, "t6#2"},           // real: float, then as float
        {{1, 4, 8}, 7, "t8#2"},
        {{1, 5, 4}, 6, "t4#2"},           // float: double, real, integer
        {{1, 5, 7}, 8, "t7#2"},           // double: float, real
        {{1, 12, 11}, 9, "t11#2"},        // date: timestamp, varchar
        {{1, 12}, 10, "t12#1"},
        {{1, 12}, 11, "t12#1"},
        {{5, 1}, 12, "t1#1"},
        {{8, 5, 4, -6}, -7, "t-6#3"},     // bit: tinyint first
        {{8, 4, 5}, -7, "t5#2"},
        {{8, -7, 5}, -6, "t5#2"},         // tinyint: smallint, ..., bit last
        {{-7, 8}, -6, "t8#1"},
        {{1, 12}, -1, "t12#1"},           // long varchar: varchar, then char
        {{4, 1}, -1, "t1#1"},
        {{12, 1}, 2, "t1#1"},             // numeric: char, else varchar
        {{4, 12}, 3, "t12#1"},
        // No substitute: the first record.
        {{4, 5}, 9, "t4#0"},
        {{4, 5}, 12, "t4#0"},
        // Outside -7..12 without a record of its own: the first record.
        {{8, 12}, -8, "t8#0"},
        {{8, 12}, 93, "t8#0"},
        {{8, 93}, 93, "t93#1"},
    };
    for (const auto& c : cases) {
        List(c.list);
        EXPECT_EQ(table.GetTypeName(c.asked), c.expected) << "type " << c.asked;
    }
}

TEST_F(TypeListFixture, EmptyListGivesEmptyTexts) {
    List({});
    EXPECT_EQ(table.FindTypeInfo(4), nullptr);
    EXPECT_EQ(table.GetTypeName(4), "");
    EXPECT_EQ(table.FormatLiteral("7", 4), "7");
}

TEST_F(TypeListFixture, LiteralsByType) {
    List({1, 4, 12, 8});
    struct Case {
        const char* value;
        int type;
        const char* literal;
    } cases[] = {
        {"2024-02-29", 9, "{d '2024-02-29'}"},
        {"2024-02-29 10:11:12", 9, "{ts '2024-02-29 10:11:12'}"},
        {"2024-02-29 10:11:12", 11, "{ts '2024-02-29 10:11:12'}"},
        {"2024-02-29", 11, "{d '2024-02-29'}"},
        {"10:11:12", 10, "{t '10:11:12'}"},
        {"abc", 1, "<1abc1>"},
        {"abc", 12, "<12abc12>"},
        {"42", 4, "<4424>"},
        {"1.5", 6, "<81.58>"},   // float through its substitute double
        {"x", -1, "<12x12>"},     // long varchar through varchar
    };
    for (const auto& c : cases) EXPECT_EQ(table.FormatLiteral(c.value, c.type), c.literal) << c.value << " " << c.type;
}

}  // namespace
