// OpenDocument packages built in the test: the cell kinds, repeats and text
// forms gnumeric does not write, repeat counts far beyond the data, and
// tables large enough that their rows are read in several slices.
#include "Builders.h"
#include "EngineHelpers.h"

#include <gtest/gtest.h>

using namespace dulo::engine;
using namespace enginetest;

namespace {

// A package of content.xml with these tables and automatic styles; the first
// part is the mimetype, as the format asks.
std::string BuildOds(const std::string& name, const std::string& tables, const std::string& styles = "",
                     const std::string& encoding = "UTF-8") {
    std::string content =
        "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>"
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
        "xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\" "
        "xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\">"
        "<office:automatic-styles>" +
        styles + "</office:automatic-styles><office:body><office:spreadsheet>" + tables +
        "</office:spreadsheet></office:body></office:document-content>";
    std::string path = TempPath(name);
    WriteZip(path, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}});
    return path;
}

std::string Table(const std::string& name, const std::string& body) {
    return "<table:table table:name=\"" + name + "\">" + body + "</table:table>";
}

std::string Row(const std::string& cells, const std::string& attributes = "") {
    return "<table:table-row" + attributes + ">" + cells + "</table:table-row>";
}

std::string FloatCell(double v, const std::string& attributes = "") {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    return "<table:table-cell office:value-type=\"float\" office:value=\"" + std::string(buffer) + "\"" + attributes +
           "/>";
}

const char* kStyles =
    "<number:currency-style style:name=\"N1\"/><number:date-style style:name=\"N2\"/>"
    "<style:style style:name=\"money\" style:family=\"table-cell\" style:data-style-name=\"N1\"/>"
    "<style:style style:name=\"day\" style:family=\"table-cell\" style:data-style-name=\"N2\"/>"
    "<style:style style:name=\"bold\" style:family=\"table-cell\"/>";

TEST(EngineOds, ReadsEveryValueType) {
    std::string cells =
        Row(FloatCell(3.25) +
            "<table:table-cell office:value-type=\"percentage\" office:value=\"0.125\"/>"
            "<table:table-cell office:value-type=\"currency\" office:currency=\"EUR\" office:value=\"-2.5\"/>" +
            FloatCell(7, " table:style-name=\"money\"") + FloatCell(40000, " table:style-name=\"day\"")) +
        Row("<table:table-cell office:value-type=\"date\" office:date-value=\"2009-07-06T18:00:00\"/>"
            "<table:table-cell office:value-type=\"date\" office:date-value=\"1850-06-01\"/>"
            "<table:table-cell office:value-type=\"time\" office:time-value=\"PT36H30M00S\"/>"
            "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"/>"
            "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"false\"/>") +
        Row("<table:table-cell office:value-type=\"string\"><text:p>two</text:p><text:p>lines</text:p></table:table-cell>"
            "<table:table-cell office:value-type=\"string\"><text:p>a<text:s text:c=\"3\"/>b<text:tab/>c<text:line-break/>"
            "<text:span>d</text:span></text:p></table:table-cell>"
            "<table:table-cell office:value-type=\"string\" office:string-value=\"given\"><text:p>shown</text:p></table:table-cell>"
            "<table:table-cell table:formula=\"of:=1/0\" office:value-type=\"string\" calcext:value-type=\"error\" "
            "office:string-value=\"\"><text:p>#DIV/0!</text:p></table:table-cell>"
            "<table:table-cell table:formula=\"of:=NA()\" office:value-type=\"string\" "
            "office:string-value=\"#N/A\"><text:p>#N/A</text:p></table:table-cell>");
    Opened o = OpenInEngine(BuildOds("kinds.ods", Table("Kinds", cells), kStyles));
    auto sheet = o.book->Worksheets(1);
    EXPECT_EQ(sheet->Name(), "Kinds");
    UsedArea area;
    ReadUsed(*sheet, area);
    ASSERT_TRUE(area.IsArray());
    EXPECT_EQ(area.rows, 3);
    EXPECT_EQ(area.cols, 5);
    struct Expected {
        long r, c;
        VARTYPE vt;
        double value;
    };
    const Expected cases[] = {
        {1, 1, VT_R8, 3.25},   {1, 2, VT_R8, 0.125},        {1, 3, VT_CY, -2.5},      {1, 4, VT_CY, 7},
        {1, 5, VT_DATE, 40000}, {2, 1, VT_DATE, 40000.75},  {2, 2, VT_DATE, -18109},  {2, 3, VT_DATE, 1.5208333333333333},
        {2, 4, VT_BOOL, -1},   {2, 5, VT_BOOL, 0},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(testing::Message() << "cell " << e.r << "," << e.c);
        const VARIANT& v = area.At(e.r, e.c);
        ASSERT_EQ(v.vt, e.vt);
        if (e.vt == VT_CY) EXPECT_EQ(v.cyVal.int64, static_cast<int64_t>(e.value * 10000));
        else if (e.vt == VT_BOOL) EXPECT_EQ(v.boolVal, e.value);
        else EXPECT_DOUBLE_EQ(e.vt == VT_DATE ? v.date : v.dblVal, e.value);
    }
    EXPECT_EQ(Text(area.At(3, 1)), "two\nlines");
    EXPECT_EQ(Text(area.At(3, 2)), "a   b\tc\nd");
    EXPECT_EQ(Text(area.At(3, 3)), "given");
    ASSERT_EQ(area.At(3, 4).vt, VT_ERROR);
    EXPECT_EQ(static_cast<uint32_t>(area.At(3, 4).scode), 0x800A07D7u);
    ASSERT_EQ(area.At(3, 5).vt, VT_ERROR);
    EXPECT_EQ(static_cast<uint32_t>(area.At(3, 5).scode), 0x800A07FAu);
    VARIANT has;
    sheet->Cells(3, 4)->HasFormula(has);
    EXPECT_EQ(has.boolVal, VARIANT_TRUE);
}

TEST(EngineOds, RepeatsAreCountsAndFormattedBlanksWidenTheUsedArea) {
    struct Case {
        const char* what;
        std::string body;
        long rows, cols;
        long r, c;  // a cell holding 5
    };
    const std::string five = FloatCell(5);
    const std::string empty = "<table:table-cell table:number-columns-repeated=\"16384\"/>";
    const Case cases[] = {
        {"a million empty rows before the data",
         Row(empty, " table:number-rows-repeated=\"1000000\"") + Row("<table:table-cell table:number-columns-repeated=\"3\"/>" + five),
         1000001, 4, 1000001, 4},
        {"trailing unstyled repeats do not count",
         Row(five + empty) + Row(empty, " table:number-rows-repeated=\"1048575\""), 1, 1, 1, 1},
        {"a repeated value is a value in each place",
         Row(FloatCell(5, " table:number-columns-repeated=\"3\""), " table:number-rows-repeated=\"2\""), 2, 3, 2, 3},
        {"a formatted blank beyond the data",
         Row(five) + Row("<table:table-cell table:number-columns-repeated=\"5\"/><table:table-cell table:style-name=\"bold\"/>",
                         " table:number-rows-repeated=\"4\""),
         5, 6, 1, 1},
        {"a blank with a named style does not count",
         Row(five + "<table:table-cell table:style-name=\"Default\" table:number-columns-repeated=\"99\"/>"), 1, 1, 1, 1},
        {"a blank styled as its column's default does not count",
         "<table:table-column table:default-cell-style-name=\"bold\" table:number-columns-repeated=\"1024\"/>" +
             Row(five + "<table:table-cell table:style-name=\"bold\" table:number-columns-repeated=\"1023\"/>"),
         1, 1, 1, 1},
        {"covered cells hold their place", Row("<table:table-cell table:number-columns-spanned=\"2\"/><table:covered-table-cell/>" + five),
         1, 3, 1, 3},
        {"row groups and header rows", "<table:table-header-rows>" + Row(five) + "</table:table-header-rows><table:table-row-group>" +
                                          Row(five) + "</table:table-row-group>",
         2, 1, 2, 1},
        {"repeats beyond the sheet are cut",
         Row(five) + Row("<table:table-cell table:style-name=\"bold\" table:number-columns-repeated=\"4294967295\"/>",
                         " table:number-rows-repeated=\"4294967295\"") + Row(five),
         1048576, 16384, 1, 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Opened o = OpenInEngine(BuildOds("repeats.ods", Table("R", k.body), kStyles));
        auto sheet = o.book->Worksheets(1);
        auto last = sheet->Cells(1, 1)->SpecialCells(xlCellTypeLastCell);
        EXPECT_EQ(last->Row(), k.rows);
        EXPECT_EQ(last->Column(), k.cols);
        VARIANT v;
        sheet->Cells(k.r, k.c)->Value(v);
        EXPECT_EQ(v.vt, VT_R8);
        EXPECT_EQ(v.dblVal, 5);
    }
}

TEST(EngineOds, AValueRepeatedBeyondAnyRealSheetFailsTheSheetNotTheProcess) {
    std::string body = Row(FloatCell(1, " table:number-columns-repeated=\"16384\""), " table:number-rows-repeated=\"1048576\"");
    Opened o = OpenInEngine(BuildOds("hostile.ods", Table("Big", body) + Table("Fine", Row(FloatCell(2)))));
    EXPECT_THROW(o.book->Worksheets(1)->Cells(1, 1)->SpecialCells(xlCellTypeLastCell), AutomationError);
    VARIANT v;
    o.book->Worksheets(2)->Cells(1, 1)->Value(v);
    EXPECT_EQ(v.dblVal, 2);
}

TEST(EngineOds, SheetsInOrderByTheirNames) {
    Opened o = OpenInEngine(BuildOds("names.ods", Table("Crude \u00D6l", Row(FloatCell(1))) + Table("Second", "")));
    EXPECT_EQ(o.book->Sheets()->Count(), 2);
    EXPECT_EQ(o.book->Worksheets(1)->Name(), "Crude \u00D6l");
    EXPECT_EQ(o.book->Worksheets(2)->Name(), "Second");
}

// Rows enough for several slices of the content: numbers, a text of two
// paragraphs with a span and a run of spaces, a repeated value.
constexpr int kSliceColumns = 21;
std::string ManyRows(int rows) {
    std::string body;
    for (int r = 0; r < rows; ++r) {
        std::string cells;
        for (int c = 0; c < 18; ++c) cells += FloatCell(r * 100 + c);
        cells += "<table:table-cell office:value-type=\"string\"><text:p>row <text:span>" + std::to_string(r) +
                 "</text:span></text:p><text:p>a<text:s text:c=\"2\"/>b</text:p></table:table-cell>"
                 "<table:table-cell table:number-columns-repeated=\"2\" office:value-type=\"float\" office:value=\"7\"/>";
        body += Row(cells);
    }
    return body;
}

void ExpectManyRows(dulo::engine::IWorksheet& sheet, int rows) {
    UsedArea area;
    ReadUsed(sheet, area);
    ASSERT_TRUE(area.IsArray());
    ASSERT_EQ(area.rows, rows);
    ASSERT_EQ(area.cols, kSliceColumns);
    int wrong = 0;
    for (long r = 1; r <= rows; ++r) {
        for (long c = 1; c <= 18; ++c) {
            const VARIANT& v = area.At(r, c);
            if (v.vt != VT_R8 || v.dblVal != (r - 1) * 100 + (c - 1)) ++wrong;
        }
        if (Text(area.At(r, 19)) != "row " + std::to_string(r - 1) + "\na  b") ++wrong;
        if (area.At(r, 20).dblVal != 7 || area.At(r, 21).dblVal != 7) ++wrong;
    }
    EXPECT_EQ(wrong, 0);
}

TEST(EngineOds, RowsReadInSlicesReadAsTheWholeTable) {
    constexpr int kRows = 2500;  // about 5 MB of rows
    struct Case {
        const char* what;
        std::string body;
    };
    const std::string rows = ManyRows(kRows);
    const std::string nested = Row("<table:table-cell><table:table table:name=\"inner\">" + Row(FloatCell(-1)) +
                                   "</table:table></table:table-cell>");
    const Case cases[] = {
        {"rows directly in the table", rows},
        {"every row in one group", "<table:table-row-group>" + rows + "</table:table-row-group>"},
        {"columns before the rows, sheet names after them",
         "<table:table-column table:number-columns-repeated=\"21\"/>" + rows +
             "<table:named-expressions><table:named-range table:name=\"x\" table:cell-range-address=\"A1\"/>"
             "</table:named-expressions>"},
        {"a table inside a cell", rows + nested},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Opened o = OpenInEngine(BuildOds("slices.ods", Table("Big", k.body) + Table("After", Row(FloatCell(2)))));
        ASSERT_EQ(o.book->Sheets()->Count(), 2);
        EXPECT_EQ(o.book->Worksheets(2)->Name(), "After");
        ExpectManyRows(*o.book->Worksheets(1), kRows);
        VARIANT v;
        o.book->Worksheets(2)->Cells(1, 1)->Value(v);
        EXPECT_EQ(v.dblVal, 2);
    }
}

TEST(EngineOds, ContentInAnotherEncodingIsReadWhole) {
    Opened o = OpenInEngine(BuildOds("latin1.ods",
                                     Table("L", Row("<table:table-cell office:value-type=\"string\"><text:p>M\xFC"
                                                    "nchen</text:p></table:table-cell>")),
                                     "", "ISO-8859-1"));
    VARIANT v;
    o.book->Worksheets(1)->Cells(1, 1)->Value(v);
    EXPECT_EQ(Text(v), "M\u00FCnchen");
    VariantClear(&v);
}

// What stands for a table's rows while the rest is read as a tree is the
// reader's own: written into a file it reads nothing twice and nothing of
// another table.
TEST(EngineOds, RowPlaceholdersInTheFileReadNothing) {
    std::string fakes;
    for (int i = 0; i < 2000; ++i) fakes += "<dulo-rows n=\"0\"/><dulo-rows n=\"1\"/><dulo-rows n=\"99\"/>";
    Opened o = OpenInEngine(BuildOds("placeholders.ods", Table("Big", ManyRows(600)) + Table("Fakes", fakes + Row(FloatCell(3)))));
    ExpectManyRows(*o.book->Worksheets(1), 600);
    UsedArea area;
    ReadUsed(*o.book->Worksheets(2), area);
    EXPECT_EQ(area.rows, 1);
    EXPECT_EQ(area.cols, 1);
    EXPECT_EQ(area.value.dblVal, 3);
}

}  // namespace
