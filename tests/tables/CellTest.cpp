// Cells: kinds, wrong-kind markers, constructors and flags, conversions.
#include "tables/IoCell.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <memory>
#include <string>

namespace {

// What every typed getter answers for one cell. The markers are the point:
// callers compare against 0, -999, -999.0, -999.99, "!" and '!' exactly.
struct GetterExpectation {
    const char* label;
    std::function<CIoCell*()> make;
    int sqlType;
    const char* text;
    double asDouble;
    int asInt;
    int asLong;
    char bit;
    char tinyInt;
    const char* string;
    short shortValue;
    int longValue;
    float floatValue;
    double doubleValue;
};

const GetterExpectation kGetterCases[] = {
    {"long 42", [] { return new CIoLongCell(42, false, false); }, 4, "42", 42.0, 42, 42, '!', '!', "!", -999, 42,
     -999.0f, -999.99},
    {"short -7", [] { return new CIoShortCell(-7, false, false); }, 5, "-7", -7.0, -7, -7, '!', '!', "!", -7, -999,
     -999.0f, -999.99},
    {"float 2.75", [] { return new CIoFloatCell(2.75f, false, false); }, 7, "2.750000", 2.75, 2, 2, '!', '!', "!",
     -999, -999, 2.75f, -999.99},
    {"float -2.75 truncates", [] { return new CIoFloatCell(-2.75f, false, false); }, 7, "-2.750000", -2.75, -2, -2,
     '!', '!', "!", -999, -999, -2.75f, -999.99},
    {"double 1.5", [] { return new CIoDoubleCell(1.5, false, false); }, 8, "1.500000", 1.5, 1, 1, '!', '!', "!",
     -999, -999, -999.0f, 1.5},
    {"bit 200", [] { return new CIoBitCell(200, false, false); }, -7, "200", 200.0, 200, 200, char(200), '!', "!",
     -999, -999, -999.0f, -999.99},
    {"tinyint -128", [] { return new CIoTinyIntCell(-128, false, false); }, -6, "-128", -128.0, -128, -128, '!',
     char(-128), "!", -999, -999, -999.0f, -999.99},
    {"text 3.9", [] { return new CIoStrCell("3.9", false, false); }, 1, "3.9", 3.0, 3, 3, '!', '!', "3.9", -999, -999,
     -999.0f, -999.99},
    {"text abc", [] { return new CIoStrCell("abc", false, false); }, 1, "abc", 0.0, 0, 0, '!', '!', "abc", -999, -999,
     -999.0f, -999.99},
    {"text 12.75", [] { return new CIoStrCell("12.75", false, false); }, 1, "12.75", 12.0, 12, 12, '!', '!', "12.75",
     -999, -999, -999.0f, -999.99},
    {"date", [] { return new CIoDateCell("2024-02-29", false, false); }, 9, "2024-02-29", -999.99, 0, -999, '!', '!',
     "!", -999, -999, -999.0f, -999.99},
    {"time", [] { return new CIoTimeCell("07:05:09", false, false); }, 10, "07:05:09", -999.99, 0, -999, '!', '!', "!",
     -999, -999, -999.0f, -999.99},
    {"timestamp", [] { return new CIoTimeStampCell("2024-02-29 13:14:15", false, false); }, 11,
     "2024-02-29 13:14:15", -999.99, 0, -999, '!', '!', "!", -999, -999, -999.0f, -999.99},
};

TEST(IoCell, GettersAnswerValueOrWrongKindMarker) {
    for (const auto& c : kGetterCases) {
        SCOPED_TRACE(c.label);
        std::unique_ptr<CIoCell> cell(c.make());
        EXPECT_EQ(cell->GetSqlType(), c.sqlType);
        EXPECT_EQ(cell->GetText(), c.text);
        EXPECT_STREQ(cell->GetTextPtr(), c.text);
        EXPECT_EQ(cell->GetAsDouble(), c.asDouble);
        EXPECT_EQ(cell->GetAsInt(), c.asInt);
        EXPECT_EQ(cell->GetAsLong(), c.asLong);
        EXPECT_EQ(cell->GetBit(), c.bit);
        EXPECT_EQ(cell->GetTinyInt(), c.tinyInt);
        EXPECT_STREQ(cell->GetString(), c.string);
        EXPECT_EQ(cell->GetShort(), c.shortValue);
        EXPECT_EQ(cell->GetLong(), c.longValue);
        EXPECT_EQ(cell->GetFloat(), c.floatValue);
        EXPECT_EQ(cell->GetDouble(), c.doubleValue);
    }
}

TEST(IoCell, NonDateKindsAnswerTheEmptyDateValueAndLeaveTheOutputAlone) {
    for (const auto& c : kGetterCases) {
        std::unique_ptr<CIoCell> cell(c.make());
        if (c.sqlType >= 9 && c.sqlType <= 11) continue;
        SCOPED_TRACE(c.label);
        COleDateTime d = cell->GetDate();
        EXPECT_EQ(d.m_dt, 0.0);
        EXPECT_EQ(d.m_status, 0);
        COleDateTime out(123.0, 2);
        cell->GetDateTo(out);
        EXPECT_EQ(out.m_dt, 123.0);
        EXPECT_EQ(out.m_status, 2);
    }
}

TEST(IoCell, ConstructorFlagsAndNullValues) {
    struct Case {
        bool null, marked;
        uint32_t flags;
    } cases[] = {{false, false, 0x100}, {true, false, 0x110}, {false, true, 0x120}, {true, true, 0x130}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "null " << c.null << " marked " << c.marked);
        CIoDoubleCell d(4.5, c.null, c.marked);
        CIoStrCell s("x", "COL", c.null, c.marked, 3);
        CIoTimeStampCell t(45000.25, c.null, c.marked);
        EXPECT_EQ(d.GetFlags(), c.flags);
        EXPECT_EQ(s.GetFlags(), c.flags);
        EXPECT_EQ(t.GetFlags(), c.flags);
        // A null cell does not store its value.
        EXPECT_EQ(d.GetDouble(), c.null ? 0.0 : 4.5);
        EXPECT_EQ(s.GetText(), c.null ? "" : "x");
        EXPECT_EQ(t.GetDate().m_dt, c.null ? 0.0 : 45000.25);
        EXPECT_EQ(s.GetName(), "COL");
        EXPECT_EQ(s.GetSourceIndex(), 3);
    }
    CIoLongCell byDefault;
    EXPECT_EQ(byDefault.GetFlags(), 0x110u);
    EXPECT_EQ(byDefault.GetSourceIndex(), -1);
    EXPECT_EQ(byDefault.GetSourceRow(), -1);
    EXPECT_EQ(byDefault.GetSourceColumn(), -1);
    EXPECT_EQ(byDefault.GetName(), "");
    EXPECT_TRUE(CIoDateCell().IsNull());
}

TEST(IoCell, NamesFollowTheirCellAndEndWithIt) {
    auto* named = new CIoDoubleCell(1.0, "FIRST", false, false, 0);
    CIoDoubleCell copy(*named);
    EXPECT_EQ(copy.GetName(), "FIRST");
    copy.SetName("SECOND");
    EXPECT_EQ(named->GetName(), "FIRST");
    CIoDoubleCell assigned;
    assigned = copy;
    EXPECT_EQ(assigned.GetName(), "SECOND");
    assigned.SetName("");
    EXPECT_EQ(assigned.GetName(), "");
    EXPECT_EQ(copy.GetName(), "SECOND");
    assigned = *named;
    EXPECT_EQ(assigned.GetName(), "FIRST");

    // The pool hands the freed slot to the next cell of the size: that cell
    // must not answer with the name of the one destroyed there.
    void* slot = named;
    delete named;
    auto* reused = new CIoDoubleCell(2.0, false, false);
    ASSERT_EQ(static_cast<void*>(reused), slot) << "the pool no longer reuses the last freed slot";
    EXPECT_EQ(reused->GetName(), "");
    delete reused;
}

// Flags, source index and column are stored narrower than their 32 bits in
// the common case; every 32-bit value must still come back, through copies
// and assignment, without touching the other fields or outliving the cell.
TEST(IoCell, SourceFieldsAndFlagsKeepEvery32BitValue) {
    struct Case {
        uint32_t flags;
        int index, row, column;
    } cases[] = {
        {0x100, -1, -1, -1},
        {0x3FF, 61, 0, 32765},                          // the last values stored in the cell itself
        {0x400, 62, 1, 32766},                          // the first ones beyond
        {0x150, 63, 65535, 32767},
        {0xFFFFFFFFu, INT_MAX, INT_MAX, INT_MAX},
        {0x80000110u, INT_MIN, INT_MIN, INT_MIN},
        {0x110, -2, -2, -2},
        {0x120, 1000, 4000000, 100000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "flags " << c.flags << std::dec << " index " << c.index
                                        << " column " << c.column);
        auto* cell = new CIoStrCell("text", false, false);
        cell->SetFlags(c.flags);
        cell->SetSourceIndex(c.index);
        cell->SetSourceRow(c.row);
        cell->SetSourceColumn(c.column);
        auto check = [&](const CIoCell& x) {
            EXPECT_EQ(x.GetFlags(), c.flags);
            EXPECT_EQ(x.IsNull(), (c.flags & CIoCell::CELL_NULL) != 0);
            EXPECT_EQ(x.IsModified(), (c.flags & CIoCell::CELL_MODIFIED) != 0);
            EXPECT_EQ(x.GetSourceIndex(), c.index);
            EXPECT_EQ(x.GetSourceRow(), c.row);
            EXPECT_EQ(x.GetSourceColumn(), c.column);
            EXPECT_EQ(x.GetText(), "text");
            EXPECT_EQ(x.GetName(), "");
        };
        check(*cell);
        CIoStrCell copy(*cell);
        check(copy);
        CIoStrCell assigned("other", "NAME", true, true, 5);
        assigned = *cell;
        check(assigned);

        // Back into range: the wide value must not answer any more.
        copy.SetSourceIndex(7);
        copy.SetSourceColumn(9);
        copy.SetFlags(0x110);
        EXPECT_EQ(copy.GetSourceIndex(), 7);
        EXPECT_EQ(copy.GetSourceColumn(), 9);
        EXPECT_EQ(copy.GetFlags(), 0x110u);
        EXPECT_EQ(cell->GetSourceIndex(), c.index);

        void* slot = cell;
        delete cell;
        auto* reused = new CIoStrCell("again", false, false);
        ASSERT_EQ(static_cast<void*>(reused), slot) << "the pool no longer reuses the last freed slot";
        EXPECT_EQ(reused->GetFlags(), 0x100u);
        EXPECT_EQ(reused->GetSourceIndex(), -1);
        EXPECT_EQ(reused->GetSourceColumn(), -1);
        delete reused;
    }
}

TEST(IoCell, SetNumberTruncatesTowardZeroAndKeepsTheLowBits) {
    CIoTinyIntCell tiny(0, true, false);
    tiny.SetNumber(300.7);
    EXPECT_EQ(tiny.GetAsInt(), 44);
    EXPECT_FALSE(tiny.IsNull());
    EXPECT_TRUE(tiny.IsModified());
    tiny.SetNumber(-1.9);
    EXPECT_EQ(tiny.GetAsInt(), -1);

    CIoBitCell bit(0, false, false);
    bit.SetNumber(255);
    EXPECT_EQ(bit.GetAsInt(), 255);
    EXPECT_EQ(bit.GetText(), "255");
    bit.SetNumber(-1);
    EXPECT_EQ(bit.GetAsInt(), 255);

    CIoShortCell s(0, false, false);
    s.SetNumber(70000.9);
    EXPECT_EQ(s.GetShort(), short(70000 - 65536));

    CIoLongCell l(0, false, false);
    l.SetNumber(-2.99);
    EXPECT_EQ(l.GetLong(), -2);
    // Out of range and NaN must not be undefined: they give the x86 "indefinite" integer.
    l.SetNumber(1e30);
    EXPECT_EQ(l.GetLong(), INT32_MIN);
    l.SetNumber(NAN);
    EXPECT_EQ(l.GetLong(), INT32_MIN);

    CIoFloatCell f(0, false, false);
    f.SetNumber(1e300);
    EXPECT_TRUE(std::isinf(f.GetFloat()));
    CIoDoubleCell big(1e30, false, false);
    EXPECT_EQ(big.GetAsInt(), INT32_MIN);
    EXPECT_EQ(big.GetText().size(), std::string("1000000000000000019884624838656.000000").size());
}

TEST(IoCell, SettersOfOtherKindsHaveNoEffect) {
    CIoDoubleCell d(1.0, false, false);
    d.ClearModified();
    d.SetText("9");
    d.SetDate(5.0, 0);
    EXPECT_EQ(d.GetDouble(), 1.0);
    EXPECT_FALSE(d.IsModified());

    CIoStrCell s("a", false, false);
    s.SetNumber(3);
    EXPECT_EQ(s.GetText(), "a");
    s.SetText("b");
    EXPECT_STREQ(s.GetString(), "b");
    s.SetText(nullptr);
    EXPECT_STREQ(s.GetString(), "");

    CIoDateCell date("2000-01-01", false, false);
    date.SetNumber(7);
    EXPECT_EQ(date.GetText(), "2000-01-01");
    date.SetDate(0.0, 0);
    EXPECT_EQ(date.GetText(), "1899-12-30");
}

TEST(IoCell, TextPointerLivesUntilTheNextRequestOfTheSameKind) {
    CIoDoubleCell a(1.0, false, false), b(2.0, false, false);
    CIoLongCell l(3, false, false);
    const char* pa = a.GetTextPtr();
    const char* pl = l.GetTextPtr();
    EXPECT_STREQ(pa, "1.000000");
    EXPECT_STREQ(pl, "3");  // another kind's request leaves it alone
    EXPECT_STREQ(pa, "1.000000");
    EXPECT_STREQ(b.GetTextPtr(), "2.000000");
    CIoStrCell s("own", false, false);
    EXPECT_EQ(s.GetTextPtr(), s.GetString());
}

TEST(IoKeyCell, NameAndIndex) {
    CIoKeyCell k("ROWNAMES", 0);
    EXPECT_STREQ(k.GetName(), "ROWNAMES");
    EXPECT_EQ(k.GetIndex(), 0);
    k.SetName(nullptr);
    k.SetIndex(-1);
    EXPECT_STREQ(k.GetName(), "");
    EXPECT_EQ(k.GetIndex(), -1);
}

}  // namespace
