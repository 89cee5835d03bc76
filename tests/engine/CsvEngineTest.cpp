// Comma-separated text: gnumeric's output read as the application reads it,
// and the quoting, line-break and typing rules on text built in the test.
#include "Builders.h"
#include "EngineHelpers.h"
#include "platform/engine/BookLoader.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace dulo::engine;
using namespace enginetest;

namespace {

std::string WriteText(const std::string& name, const std::string& text) {
    std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

class CsvFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(CsvFixture, OneSheetNamedAfterTheFileTypedByItsFields) {
    Opened o = OpenInEngine(Fixture(GetParam()));
    EXPECT_EQ(o.book->Sheets()->Count(), 1);
    auto sheet = o.book->Worksheets(1);
    std::string stem = GetParam();
    EXPECT_EQ(sheet->Name(), stem.substr(0, stem.size() - 4));
    UsedArea area;
    ReadUsed(*sheet, area);
    ASSERT_TRUE(area.IsArray());
    EXPECT_EQ(area.rows, 5);
    EXPECT_EQ(area.cols, 6);
    EXPECT_EQ(Text(area.At(1, 1)), "ROWNAMES");
    EXPECT_EQ(Text(area.At(2, 2)), "Arab Light, \"sour\"");  // quoted comma, doubled quotes
    EXPECT_EQ(Text(area.At(3, 2)), "two\nlines");            // line break inside quotes
    EXPECT_EQ(Text(area.At(4, 2)), "Kirkuk \u2013 blend");   // UTF-8
    struct Typed {
        long r, c;
        VARTYPE vt;
        double value;
    };
    const Typed typed[] = {
        {2, 3, VT_DATE, 45351},     {2, 4, VT_DATE, 45351.5}, {3, 3, VT_DATE, 36525}, {3, 4, VT_DATE, 36525.25},
        {2, 5, VT_R8, 78.4},        {2, 6, VT_R8, 7},         {5, 5, VT_R8, 1e12},
    };
    for (const Typed& t : typed) {
        SCOPED_TRACE(testing::Message() << "cell " << t.r << "," << t.c);
        const VARIANT& v = area.At(t.r, t.c);
        ASSERT_EQ(v.vt, t.vt);
        EXPECT_DOUBLE_EQ(t.vt == VT_DATE ? v.date : v.dblVal, t.value);
    }
    // Not numbers in the C form: a Unicode minus, a decimal comma, an exponent
    // with a Unicode minus; not a date: month 13; a truth word stays text.
    EXPECT_EQ(Text(area.At(3, 5)), "\u22120.125");
    EXPECT_EQ(Text(area.At(3, 6)), "1,5");
    EXPECT_EQ(Text(area.At(4, 5)), "1E\u221205");
    EXPECT_EQ(Text(area.At(4, 6)), "TRUE");
    EXPECT_EQ(Text(area.At(5, 6)), "2024-13-01");
    EXPECT_EQ(area.At(4, 3).vt, VT_EMPTY);
}

INSTANTIATE_TEST_SUITE_P(Engine, CsvFixture, ::testing::Values("text.csv", "text-quoted.csv"),
                         [](const auto& info) { return std::string(info.param[4] == '.' ? "Plain" : "AllQuoted"); });

struct CsvCase {
    const char* name;
    std::string text;
    long rows, cols;  // used area
    long r, c;        // one cell to check
    VARTYPE vt;
    std::string value;  // text, or the number as %.17g
};

std::string Shown(const VARIANT& v) {
    if (v.vt == VT_BSTR) return Text(v);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", v.vt == VT_DATE ? v.date : v.dblVal);
    return v.vt == VT_EMPTY ? "" : buffer;
}

TEST(EngineCsv, QuotingLineBreaksAndTyping) {
    const CsvCase cases[] = {
        {"bom", "\xEF\xBB\xBFname,1\n", 1, 2, 1, 1, VT_BSTR, "name"},
        {"crlf", "a,b\r\nc,d\r\n", 2, 2, 2, 2, VT_BSTR, "d"},
        {"lone cr", "a\rb\rc", 3, 1, 3, 1, VT_BSTR, "c"},
        {"no final break", "a,b\nc,4.5", 2, 2, 2, 2, VT_R8, "4.5"},
        {"trailing empty fields", "a,,,,\nb,,,\n,,,,,,,\n\n\n", 2, 1, 2, 1, VT_BSTR, "b"},
        {"empty line inside", "a\n\nb\n", 3, 1, 3, 1, VT_BSTR, "b"},
        {"quoted separator", "\"x,y\",z\n", 1, 2, 1, 1, VT_BSTR, "x,y"},
        {"doubled quotes", "\"say \"\"hi\"\"\"\n", 1, 1, 1, 1, VT_BSTR, "say \"hi\""},
        {"text after closing quote", "\"ab\"cd,e\n", 1, 2, 1, 1, VT_BSTR, "abcd"},
        {"unterminated quote runs to the end", "a,\"b,c\nd\n", 1, 2, 1, 2, VT_BSTR, "b,c\nd\n"},
        {"quoted number is a number", "\"12.5\"\n", 1, 1, 1, 1, VT_R8, "12.5"},
        {"plus sign and exponent", "+3e2\n", 1, 1, 1, 1, VT_R8, "300"},
        {"leading dot", "-.5\n", 1, 1, 1, 1, VT_R8, "-0.5"},
        {"space around a number", " 1\n", 1, 1, 1, 1, VT_BSTR, " 1"},
        {"hexadecimal", "0x10\n", 1, 1, 1, 1, VT_BSTR, "0x10"},
        {"infinity", "inf\n", 1, 1, 1, 1, VT_BSTR, "inf"},
        {"overflow", "1e999\n", 1, 1, 1, 1, VT_BSTR, "1e999"},
        {"date", "2000-01-01\n", 1, 1, 1, 1, VT_DATE, "36526"},
        {"date and time", "2000-01-01 18:00:00\n", 1, 1, 1, 1, VT_DATE, "36526.75"},
        {"date with T", "2000-01-01T18:00:00\n", 1, 1, 1, 1, VT_BSTR, "2000-01-01T18:00:00"},
        {"date without seconds", "2000-01-01 18:00\n", 1, 1, 1, 1, VT_BSTR, "2000-01-01 18:00"},
        {"30 February", "2001-02-30\n", 1, 1, 1, 1, VT_BSTR, "2001-02-30"},
        {"hour 24", "2001-02-03 24:00:00\n", 1, 1, 1, 1, VT_BSTR, "2001-02-03 24:00:00"},
        {"before 1900", "1850-06-01\n", 1, 1, 1, 1, VT_DATE, "-18109"},
        {"semicolons are not separators", "a;b\n", 1, 1, 1, 1, VT_BSTR, "a;b"},
        {"malformed UTF-8", "a\xFF" "b\n", 1, 1, 1, 1, VT_BSTR, "a\uFFFDb"},
    };
    for (const CsvCase& k : cases) {
        SCOPED_TRACE(k.name);
        Opened o = OpenInEngine(WriteText("case.csv", k.text));
        UsedArea area;
        auto sheet = o.book->Worksheets(1);
        auto last = sheet->Cells(1, 1)->SpecialCells(xlCellTypeLastCell);
        EXPECT_EQ(last->Row(), k.rows);
        EXPECT_EQ(last->Column(), k.cols);
        VARIANT v;
        sheet->Cells(k.r, k.c)->Value(v);
        EXPECT_EQ(v.vt, k.vt);
        EXPECT_EQ(Shown(v), k.value);
        VariantClear(&v);
    }
}

TEST(EngineCsv, ALineOfAMillionFieldsKeepsTheColumnsASheetHas) {
    std::string line;
    line.reserve(3'000'000);
    for (int i = 0; i < 1'000'000; ++i) line += "7,";
    line += "\nend\n";
    Opened o = OpenInEngine(WriteText("wide.csv", line));
    auto sheet = o.book->Worksheets(1);
    auto last = sheet->Cells(1, 1)->SpecialCells(xlCellTypeLastCell);
    EXPECT_EQ(last->Row(), 2);
    EXPECT_EQ(last->Column(), 16384);
    VARIANT v;
    sheet->Cells(1, 16384)->Value(v);
    EXPECT_EQ(v.vt, VT_R8);
    sheet->Cells(2, 1)->Value(v);
    EXPECT_EQ(Text(v), "end");
    VariantClear(&v);
}

}  // namespace
