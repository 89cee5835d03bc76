// OOXML packages built in the test: the parts and cell kinds gnumeric does
// not write, and damaged packages.
#include "Builders.h"
#include "EngineHelpers.h"
#include "platform/engine/ZipPackage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

using namespace dulo::engine;
using namespace enginetest;

namespace {

const char* kSharedStrings =
    "<si><t>alpha</t></si>"
    "<si><r><rPr><b/></rPr><t>rich </t></r><r><t xml:space=\"preserve\">text </t></r><rPh><t>PHON</t></rPh></si>"
    "<si><t>line_x000D_break &amp; &#x20AC;</t></si>";
// xf 0 general, 1 date (built-in 14), 2 custom currency, 3 custom elapsed time, 4 built-in 44 (accounting).
const char* kStyles =
    "<numFmts count=\"2\"><numFmt numFmtId=\"170\" formatCode=\"[$&#x20AC;-407]#,##0.00\"/>"
    "<numFmt numFmtId=\"171\" formatCode=\"[h]:mm\"/></numFmts>"
    "<cellXfs count=\"5\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"170\"/><xf numFmtId=\"171\"/>"
    "<xf numFmtId=\"44\"/></cellXfs>";

std::string Build(const std::string& name, const Parts& parts) {
    std::string path = TempPath(name);
    WriteZip(path, parts);
    return path;
}

TEST(EngineXlsx, ReadsEveryCellKind) {
    std::string rows =
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c>"
        "<c r=\"D1\" t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r></is></c>"
        "<c r=\"E1\" t=\"inlineStr\"><v>in v</v></c></row>"
        "<row r=\"2\"><c r=\"A2\" s=\"1\"><v>40000</v></c><c r=\"B2\" s=\"2\"><v>2.5</v></c><c r=\"C2\" s=\"3\"><v>1.25</v></c>"
        "<c r=\"D2\" s=\"4\"><v>7</v></c><c r=\"E2\" t=\"d\"><v>2009-07-06T12:00:00</v></c></row>"
        "<row r=\"3\"><c r=\"A3\" t=\"b\"><v>1</v></c><c r=\"B3\" t=\"e\"><v>#REF!</v></c>"
        "<c r=\"C3\" t=\"str\"><f>A1</f><v>alpha</v></c><c r=\"D3\"><f>1+1</f><v>2</v></c><c r=\"E3\" s=\"1\"/></row>";
    Opened o = OpenInEngine(Build("kinds.xlsx", XlsxParts({{"S", SheetXml(rows)}}, kSharedStrings, kStyles)));
    UsedArea area;
    ReadUsed(*o.book->Worksheets(1), area);
    ASSERT_TRUE(area.IsArray());
    EXPECT_EQ(area.rows, 3);
    EXPECT_EQ(area.cols, 5);
    EXPECT_EQ(Text(area.At(1, 1)), "alpha");
    EXPECT_EQ(Text(area.At(1, 2)), "rich text ");  // runs joined, phonetic text left out
    EXPECT_EQ(Text(area.At(1, 3)), "line\rbreak & \u20AC");
    EXPECT_EQ(Text(area.At(1, 4)), "inline");
    EXPECT_EQ(Text(area.At(1, 5)), "in v");
    EXPECT_EQ(area.At(2, 1).vt, VT_DATE);
    EXPECT_EQ(area.At(2, 2).vt, VT_CY);
    EXPECT_EQ(area.At(2, 2).cyVal.int64, 25000);
    EXPECT_EQ(area.At(2, 3).vt, VT_DATE);  // [h]:mm
    EXPECT_EQ(area.At(2, 4).vt, VT_CY);    // built-in accounting
    ASSERT_EQ(area.At(2, 5).vt, VT_DATE);
    EXPECT_DOUBLE_EQ(area.At(2, 5).date, 40000.5);
    EXPECT_EQ(area.At(3, 1).vt, VT_BOOL);
    EXPECT_EQ(area.At(3, 1).boolVal, VARIANT_TRUE);
    EXPECT_EQ(static_cast<uint32_t>(area.At(3, 2).scode), 0x800A07E7u);  // #REF!
    EXPECT_EQ(Text(area.At(3, 3)), "alpha");
    EXPECT_EQ(area.At(3, 4).vt, VT_R8);
    EXPECT_EQ(area.At(3, 5).vt, VT_EMPTY);  // a formatted blank: empty, but it made the extent
}

TEST(EngineXlsx, SheetTypesRelationshipsAndDateSystem) {
    Parts parts = XlsxParts({{"First", SheetXml("<row r=\"1\"><c r=\"B2\" s=\"1\"><v>0</v></c></row>")},
                             {"Chart1", "<chartsheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"/>"},
                             {"Last", SheetXml("<row r=\"2\"><c r=\"C2\"><v>5</v></c></row>")}},
                            "", kStyles, "<workbookPr date1904=\"true\"/>");
    Opened o = OpenInEngine(Build("types.xlsx", parts));
    EXPECT_EQ(o.book->Sheets()->Count(), 3);
    EXPECT_EQ(o.book->Worksheets(1)->Name(), "First");
    EXPECT_EQ(o.book->Worksheets(2)->Name(), "Last");  // the chart sheet is not a worksheet
    EXPECT_THROW(o.book->Worksheets(3), CComError);
    // A ref that disagrees with its row's number wins; a 1904 serial 0 is 1904-01-01.
    auto sheet = o.book->Worksheets(1);
    VARIANT v;
    sheet->Cells(2, 2)->Value(v);
    EXPECT_EQ(v.vt, VT_DATE);
    EXPECT_DOUBLE_EQ(v.date, 1462);
}

TEST(EngineXlsx, BadIndexesAndPositionsReadAsEmptyOrAreSkipped) {
    std::string rows =
        "<row r=\"3\"><c r=\"A3\" t=\"s\"><v>99</v></c><c r=\"B3\" t=\"s\"><v>-1</v></c><c r=\"C3\" s=\"999\"><v>4</v></c></row>"
        "<row r=\"1\"><c r=\"B1\"><v>1</v></c><c r=\"A1\"><v>2</v></c><c r=\"A1\"><v>3</v></c></row>"
        "<row r=\"2\"><c r=\"XFE2\"><v>9</v></c><c r=\"A1048577\"><v>9</v></c><c r=\"1A\"><v>9</v></c>"
        "<c><v>11</v></c><c><v>12</v></c><c r=\"D2\"><v>nonsense</v></c></row>";
    Opened o = OpenInEngine(Build("bad.xlsx", XlsxParts({{"S", SheetXml(rows)}}, kSharedStrings, kStyles)));
    UsedArea area;
    ReadUsed(*o.book->Worksheets(1), area);
    ASSERT_TRUE(area.IsArray());
    EXPECT_EQ(area.rows, 3);
    EXPECT_EQ(area.cols, 4);
    EXPECT_EQ(area.At(3, 1).vt, VT_EMPTY);  // shared string 99 does not exist
    EXPECT_EQ(area.At(3, 2).vt, VT_EMPTY);
    EXPECT_EQ(area.At(3, 3).vt, VT_R8);     // style 999 does not exist: plain number
    EXPECT_DOUBLE_EQ(area.At(1, 1).dblVal, 3);  // out of order, and the later duplicate wins
    EXPECT_DOUBLE_EQ(area.At(1, 2).dblVal, 1);
    EXPECT_DOUBLE_EQ(area.At(2, 1).dblVal, 11);  // cells without a reference follow on
    EXPECT_DOUBLE_EQ(area.At(2, 2).dblVal, 12);
    EXPECT_EQ(area.At(2, 4).vt, VT_EMPTY);
}

TEST(EngineXlsx, PrefixedElementsAndWidths) {
    std::string sheet =
        "<?xml version=\"1.0\"?><x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<x:sheetFormatPr baseColWidth=\"10\"/><x:cols><x:col min=\"2\" max=\"3\" width=\"20.7109375\" customWidth=\"1\"/>"
        "<x:col min=\"4\" max=\"4\" width=\"5\" hidden=\"1\"/></x:cols>"
        "<x:sheetData><x:row r=\"1\"><x:c r=\"A1\"><x:v>1</x:v></x:c><x:c r=\"B2\"><x:v>2</x:v></x:c></x:row></x:sheetData>"
        "</x:worksheet>";
    Opened o = OpenInEngine(Build("prefixed.xlsx", XlsxParts({{"P", sheet}})));
    auto ws = o.book->Worksheets(1);
    auto last = ws->Cells(1, 1)->SpecialCells(xlCellTypeLastCell);
    EXPECT_EQ(last->Row(), 2);
    EXPECT_EQ(last->Column(), 2);
    EXPECT_NEAR(ws->Cells(1, 1)->ColumnWidth(), 10.71, 0.01);  // base width 10 plus padding, rounded to 8 pixels
    EXPECT_NEAR(ws->Cells(1, 2)->ColumnWidth(), 20, 0.01);
    EXPECT_EQ(ws->Cells(1, 4)->ColumnWidth(), 0);
}

TEST(EngineXlsx, ALargeSheetIsReadInSlices) {
    // About three megabytes of rows, so the sheet is parsed in several slices.
    std::string rows;
    const int kRows = 30000;
    for (int r = 1; r <= kRows; ++r) {
        std::string n = std::to_string(r);
        rows += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + n + "</v></c><c r=\"B" + n +
                "\" t=\"inlineStr\"><is><t>row " + n + "</t></is></c><c r=\"C" + n + "\" s=\"1\"><v>" + n + ".5</v></c></row>";
    }
    Opened o = OpenInEngine(Build("large.xlsx", XlsxParts({{"Big", SheetXml(rows)}}, "", kStyles)));
    UsedArea area;
    ReadUsed(*o.book->Worksheets(1), area);
    ASSERT_TRUE(area.IsArray());
    ASSERT_EQ(area.rows, kRows);
    EXPECT_EQ(area.cols, 3);
    for (int r : {1, 9999, 10000, 17777, kRows}) {
        EXPECT_DOUBLE_EQ(area.At(r, 1).dblVal, r);
        EXPECT_EQ(Text(area.At(r, 2)), "row " + std::to_string(r));
        EXPECT_DOUBLE_EQ(area.At(r, 3).date, r + 0.5 + (r < 60 ? 1 : 0));  // serials before 1900-03-01
    }
}

TEST(EngineXlsx, DamagedPackagesFailToOpenOrSheetsFailToRead) {
    std::string good = SheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>2</v></c></row>");
    struct Case {
        const char* name;
        Parts parts;
        bool opens;
    };
    Parts noWorkbook = XlsxParts({{"S", good}});
    noWorkbook.erase(std::remove_if(noWorkbook.begin(), noWorkbook.end(),
                                    [](const auto& p) { return p.first == "xl/workbook.xml"; }),
                     noWorkbook.end());
    Parts badWorkbook = XlsxParts({{"S", good}});
    for (auto& p : badWorkbook)
        if (p.first == "xl/workbook.xml") p.second = "<workbook><sheets><sheet name=";
    Parts noSheets = XlsxParts({});
    // A binary workbook part (.xlsb) is not read.
    Parts binary = XlsxParts({{"S", good}});
    for (auto& p : binary)
        if (p.first == "_rels/.rels") p.second.replace(p.second.find("workbook.xml"), 12, "workbook.bin");
    binary.emplace_back("xl/workbook.bin", std::string("\x83\x01\x00\x81\x01", 5));
    Case cases[] = {
        {"noworkbook.xlsx", noWorkbook, false},
        {"badworkbook.xlsx", badWorkbook, false},
        {"nosheets.xlsx", noSheets, false},
        {"unrelated.xlsx", Parts{{"hello.txt", "hello"}}, false},
        {"binary.xlsb", binary, false},
    };
    for (const Case& c : cases) {
        auto app = CreateEngineApplication();
        EXPECT_THROW(app->Workbooks()->Open(Build(c.name, c.parts), 0, true), CComError) << c.name;
        EXPECT_EQ(app->Workbooks()->Count(), 0);
    }
    // A malformed sheet: the workbook opens but the sheet cannot be measured.
    Opened o = OpenInEngine(Build("badsheet.xlsx", XlsxParts({{"S", SheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></row>")}})));
    EXPECT_THROW(o.book->Worksheets(1)->Cells(1, 1)->SpecialCells(xlCellTypeLastCell), CComError);
    // Nor is anything that is not a zip archive or a compound document.
    std::string text = TempPath("notes.xlsx");
    std::ofstream(text) << "PK but not really";
    EXPECT_THROW(CreateEngineApplication()->Workbooks()->Open(text, 0, true), CComError);
}

TEST(EngineXlsx, EncryptedPackageFailsToOpen) {
    // An encrypted package is a compound document holding the encrypted zip.
    std::string path = TempPath("encrypted.xlsx");
    WriteCompound(path, {{"EncryptionInfo", std::string(64, '\x04')}, {"EncryptedPackage", std::string(4096, 'x')}});
    auto app = CreateEngineApplication();
    EXPECT_THROW(app->Workbooks()->Open(path, 0, true), CComError);
}

TEST(EngineXlsx, AHugeUsedAreaFailsInsteadOfExhaustingMemory) {
    std::string rows = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row r=\"1048576\"><c r=\"XFD1048576\"><v>2</v></c></row>";
    Opened o = OpenInEngine(Build("huge.xlsx", XlsxParts({{"S", SheetXml(rows)}})));
    auto ws = o.book->Worksheets(1);
    auto last = ws->Cells(1, 1)->SpecialCells(xlCellTypeLastCell);
    EXPECT_EQ(last->Row(), 1048576);
    EXPECT_EQ(last->Column(), 16384);
    VARIANT v;
    EXPECT_THROW(ws->Range(*ws->Cells(1, 1), *last)->Value(v), CComError);
}

}  // namespace

namespace {

TEST(EngineXlsx, PartsAreFoundWithoutRegardToCaseAndReadUpToALimit) {
    std::string path = TempPath("limit.zip");
    WriteZip(path, {{"Dir/Part.XML", std::string(10000, 'x')}});
    auto zip = ZipPackage::Open(path);
    ASSERT_TRUE(zip);
    std::string bytes;
    EXPECT_TRUE(zip->Read("dir/part.xml", bytes));
    EXPECT_EQ(bytes.size(), 10000u);
    EXPECT_FALSE(zip->Read("dir/part.xml", bytes, 9999));  // inflates past the limit
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(zip->Read("dir", bytes));   // a folder is not a part
    EXPECT_FALSE(zip->Read("dir/other.xml", bytes));
    EXPECT_EQ(ResolvePartName("xl/", "../docProps/./app.xml"), "docProps/app.xml");
    EXPECT_EQ(ResolvePartName("xl/", "/xl/styles.xml"), "xl/styles.xml");
    EXPECT_EQ(ResolvePartName("xl/", "worksheets\\sheet1.xml"), "xl/worksheets/sheet1.xml");
    // The directory's size is a claim: the zip reader pads a member with zeros up
    // to it, so a size beyond what the archive could inflate to is refused unread.
    std::ifstream in(path, std::ios::binary);
    std::string archive((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t entry = archive.find("PK\x01\x02");
    ASSERT_NE(entry, std::string::npos);
    const uint32_t claimed = 100u << 20;
    ASSERT_GT(claimed, archive.size() * ZipPackage::kMaxInflateRatio);
    archive.replace(entry + 24, 4, U32(claimed));
    std::string claimsPath = TempPath("claimed.zip");
    std::ofstream(claimsPath, std::ios::binary) << archive;
    auto claims = ZipPackage::Open(claimsPath);
    ASSERT_TRUE(claims);
    EXPECT_FALSE(claims->Read("dir/part.xml", bytes));
    EXPECT_TRUE(bytes.empty());
}

}  // namespace

TEST(EngineXlsx, NumbersConvertExactlyAsTheStandardConversion) {
    // Every form of decimal text gives the double strtod gives, to the last bit.
    std::vector<std::string> texts = {"0",      "-0",         "0.000",      "1e27",        "1e28",       "1E-27",
                                      "1e-28",  "2.5E+10",    "-7.25e-3",   ".5",          "5.",         "00012.5000",
                                      "9007199254740993",     "18446744073709551615",       "123456789012345678901",
                                      "0.1",    "0.30000000000000004",
                                      "1.7976931348623157e308",             "2.2250738585072014e-308",
                                      "9999999999999999999e-27", "1000000000000000000e27",
                                      "104.729000000000000002", "628.373999999999999999", "99999999999999999999.5"};
    std::mt19937_64 rng(7);
    for (int i = 0; i < 3000; ++i) {
        double d;
        uint64_t bits = rng();
        std::memcpy(&d, &bits, 8);
        if (std::fpclassify(d) != FP_NORMAL) continue;
        static const char* kFormats[] = {"%.17g", "%.15g", "%.19g", "%.21g", "%.6f", "%.3e"};
        char text[64];
        std::snprintf(text, sizeof text, kFormats[i % 6], i % 2 ? d : std::ldexp(static_cast<double>(bits >> 11), -(i % 80)));
        texts.push_back(text);
    }
    // Decimals next to the midpoint between two neighbouring doubles: the hard cases of rounding.
    std::uniform_real_distribution<double> magnitude(-12, 12);
    for (int i = 0; i < 1000; ++i) {
        double d = std::pow(10.0, magnitude(rng));
        long double mid = static_cast<long double>(d) + (std::nextafter(d, 2 * d) - d) / 2.0L;
        char text[64];
        static const char* kMidFormats[] = {"%.17Le", "%.18Le", "%.20Le", "%.24Le"};
        std::snprintf(text, sizeof text, kMidFormats[i % 4], mid);
        texts.push_back(text);
    }
    std::string rows;
    for (size_t i = 0; i < texts.size(); ++i)
        rows += "<row r=\"" + std::to_string(i + 1) + "\"><c r=\"A" + std::to_string(i + 1) + "\"><v>" + texts[i] +
                "</v></c></row>";
    Opened o = OpenInEngine(Build("numbers.xlsx", XlsxParts({{"N", SheetXml(rows)}})));
    UsedArea area;
    ReadUsed(*o.book->Worksheets(1), area);
    ASSERT_TRUE(area.IsArray());
    ASSERT_EQ(area.rows, static_cast<long>(texts.size()));
    for (size_t i = 0; i < texts.size(); ++i) {
        double expected = std::strtod(texts[i].c_str(), nullptr);
        const VARIANT& v = area.At(static_cast<long>(i) + 1, 1);
        ASSERT_EQ(v.vt, VT_R8) << texts[i];
        uint64_t got, want;
        std::memcpy(&got, &v.dblVal, 8);
        std::memcpy(&want, &expected, 8);
        EXPECT_EQ(got, want) << texts[i];
    }
}
