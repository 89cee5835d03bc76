// The engine over workbooks that gnumeric wrote, in both file families.
#include "Builders.h"
#include "EngineHelpers.h"
#include "platform/TextConv.h"
#include "platform/engine/Automation.h"

#include <gtest/gtest.h>

using namespace dulo::engine;
using namespace enginetest;

namespace {

class EngineFixture : public ::testing::TestWithParam<const char*> {
protected:
    std::string Path(const char* stem) { return Fixture(std::string(stem) + GetParam()); }
};

TEST_P(EngineFixture, ListsWorksheetsInOrder) {
    Opened o = OpenInEngine(Path("book"));
    EXPECT_EQ(o.book->Sheets()->Count(), 4);
    const char* names[] = {"Data", "Empty", "Second", "One"};
    for (long i = 1; i <= 4; ++i) EXPECT_EQ(o.book->Worksheets(i)->Name(), names[i - 1]);
    EXPECT_THROW(o.book->Worksheets(5), AutomationError);
    EXPECT_THROW(o.book->Worksheets(0), AutomationError);
    EXPECT_EQ(o.app->ActiveWorkbook()->Name(), std::string("book") + GetParam());
}

TEST_P(EngineFixture, TypesTheUsedAreaAsTheApplicationDoes) {
    Opened o = OpenInEngine(Path("book"));
    UsedArea area;
    ReadUsed(*o.book->Worksheets(1), area);
    ASSERT_EQ(area.value.vt, VT_ARRAY | VT_VARIANT);
    ASSERT_EQ(area.rows, 4);
    ASSERT_EQ(area.cols, 9);
    LONG lb = -1;
    SafeArrayGetLBound(area.value.parray, 1, &lb);
    EXPECT_EQ(lb, 1);

    EXPECT_EQ(Text(area.At(1, 1)), "ROWNAMES");
    EXPECT_EQ(Text(area.At(1, 9)), "Num");
    struct Expected {
        long r, c;
        VARTYPE vt;
        double value;  // number, date, currency as double, or boolean
    };
    const Expected cases[] = {
        {2, 2, VT_DATE, 40000},      {2, 3, VT_DATE, 0.5},    {2, 4, VT_DATE, 40000.75}, {2, 5, VT_CY, 12.5},
        {2, 6, VT_BOOL, -1},         {2, 9, VT_R8, 3.25},     {3, 2, VT_DATE, 2},        {3, 4, VT_DATE, 61.5},
        {3, 5, VT_CY, 1234.5678},    {3, 6, VT_BOOL, 0},      {3, 9, VT_R8, -7},         {4, 2, VT_DATE, 60},
        {4, 4, VT_DATE, 2958465},    {4, 5, VT_CY, -3.5},     {4, 9, VT_R8, 1e-5},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(testing::Message() << "cell " << e.r << "," << e.c);
        const VARIANT& v = area.At(e.r, e.c);
        ASSERT_EQ(v.vt, e.vt);
        switch (e.vt) {
        case VT_DATE: EXPECT_DOUBLE_EQ(v.date, e.value); break;
        case VT_CY: EXPECT_EQ(v.cyVal.int64, static_cast<int64_t>(e.value * 10000)); break;
        case VT_BOOL: EXPECT_EQ(v.boolVal, e.value); break;
        default: EXPECT_DOUBLE_EQ(v.dblVal, e.value);
        }
    }
    ASSERT_EQ(area.At(2, 7).vt, VT_ERROR);
    EXPECT_EQ(static_cast<uint32_t>(area.At(2, 7).scode), 0x800A07D7u);  // #DIV/0!
    EXPECT_EQ(static_cast<uint32_t>(area.At(3, 7).scode), 0x800A07FAu);  // #N/A
    EXPECT_EQ(Text(area.At(2, 8)), "r1x");
    EXPECT_EQ(Text(area.At(4, 7)), "yes");
    std::string longText = Text(area.At(3, 8));
    EXPECT_EQ(longText.size(), 700u * 16);
    EXPECT_EQ(longText.substr(longText.size() - 16), "Long text 0699; ");
    EXPECT_EQ(Text(area.At(4, 8)), "plain");
}

TEST_P(EngineFixture, HasFormulaAnswersForCellsAndRanges) {
    Opened o = OpenInEngine(Path("book"));
    auto sheet = o.book->Worksheets(1);
    struct Case {
        long r1, c1, r2, c2;
        VARTYPE vt;
        VARIANT_BOOL value;
    };
    const Case cases[] = {{2, 7, 2, 7, VT_BOOL, VARIANT_TRUE},
                          {2, 2, 2, 2, VT_BOOL, VARIANT_FALSE},
                          {2, 7, 4, 8, VT_NULL, 0},
                          {2, 7, 4, 7, VT_BOOL, VARIANT_TRUE}};
    for (const Case& c : cases) {
        VARIANT has;
        sheet->Range(*sheet->Cells(c.r1, c.c1), *sheet->Cells(c.r2, c.c2))->HasFormula(has);
        EXPECT_EQ(has.vt, c.vt);
        if (c.vt == VT_BOOL) {
            EXPECT_EQ(has.boolVal, c.value);
        }
    }
}

TEST_P(EngineFixture, ColumnWidthsInCharacters) {
    Opened o = OpenInEngine(Path("book"));
    auto sheet = o.book->Worksheets(1);
    EXPECT_NEAR(sheet->Cells(1, 1)->ColumnWidth(), 17.57, 0.6);
    EXPECT_NEAR(sheet->Cells(1, 2)->ColumnWidth(), 8.43, 0.01);
    EXPECT_NEAR(sheet->Cells(1, 8)->ColumnWidth(), 5, 0.6);
}

TEST_P(EngineFixture, EmptyAndOneCellSheetsGiveAScalar) {
    Opened o = OpenInEngine(Path("book"));
    struct Case {
        long index;
        VARTYPE vt;
    };
    for (Case c : {Case{2, VT_EMPTY}, Case{4, VT_BSTR}}) {
        auto sheet = o.book->Worksheets(c.index);
        auto last = sheet->Cells(1, 1)->SpecialCells(xlCellTypeLastCell);
        EXPECT_EQ(last->Row(), 1);
        EXPECT_EQ(last->Column(), 1);
        VARIANT v;
        sheet->Range(*sheet->Cells(1, 1), *last)->Value(v);
        EXPECT_EQ(v.vt, c.vt);
        VariantClear(&v);
    }
}

TEST_P(EngineFixture, Dates1904AreGivenIn1900System) {
    Opened o = OpenInEngine(Path("date1904"));
    UsedArea area;
    ReadUsed(*o.book->Worksheets(1), area);
    ASSERT_EQ(area.value.vt, VT_ARRAY | VT_VARIANT);
    ASSERT_EQ(area.At(1, 2).vt, VT_DATE);
    EXPECT_DOUBLE_EQ(area.At(1, 2).date, 1462);  // 1904-01-01
    EXPECT_DOUBLE_EQ(area.At(2, 2).date, 2924);
}

TEST_P(EngineFixture, ClosedWorkbookAndQuitApplicationRefuseCalls) {
    Opened o = OpenInEngine(Path("book"));
    auto sheet = o.book->Worksheets(1);
    o.book->SetSaved(true);
    o.book->Close();
    EXPECT_EQ(o.app->Workbooks()->Count(), 0);
    EXPECT_EQ(o.app->ActiveWorkbook(), nullptr);
    EXPECT_THROW(sheet->Name(), AutomationError);
    o.app->Quit();
    EXPECT_THROW(o.app->Workbooks(), AutomationError);
}

INSTANTIATE_TEST_SUITE_P(Engine, EngineFixture, ::testing::Values(".xls", ".xlsx", ".ods"),
                         [](const auto& info) { return std::string(info.param + 1); });

}  // namespace
