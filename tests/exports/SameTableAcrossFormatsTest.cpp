// One table written as BIFF5, BIFF8, OOXML (.xlsx and .xlsb), OpenDocument, Lotus
// 1-2-3 and comma-separated text reads the same through every export, whichever
// reader (the file reader or the spreadsheet engine) is behind it.
#include "Builders.h"
#include "ExportsSupport.h"

#include <fstream>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace exports_test;

namespace {

struct Format {
    const char* dir;
    const char* book;
};

// gnumeric writes all but .xlsb and .wk1, which no Debian tool writes: those
// two are written by the test, from the same table (tests/fixtures/formats/src/SAME.csv).
const Format kFormats[] = {{"biff5", "Plant.xls"}, {"biff8", "Plant.xls"}, {"xlsx", "Plant.xlsx"},
                           {"ods", "Plant.ods"},   {"csv", "SAME.csv"},     {"xlsb", "Plant.xlsb"},
                           {"wk1", "SAME.wk1"}};

bool IsWritten(const Format& f) { return std::string(f.dir) == "xlsb" || std::string(f.dir) == "wk1"; }

// The table by rows: a text, a date serial, a number or nothing.
struct Value {
    enum Kind { None, Text, Date, Number } kind;
    std::string text;
    double number;
};
std::vector<std::vector<Value>> SameTable() {
    auto t = [](const char* s) { return Value{Value::Text, s, 0}; };
    auto d = [](double v) { return Value{Value::Date, "", v}; };
    auto n = [](double v) { return Value{Value::Number, "", v}; };
    const Value none{Value::None, "", 0};
    return {
        {t("ROWNAMES"), t("TEXT"), t("DATE"), t("COST"), t("MIN"), t("MAX"), t("FLAG")},
        {t("ARL"), t("Arab Light"), d(45351), n(78.4), n(0), n(120), n(1)},
        {t("BRT"), t("Brent"), d(36525), n(82.15), n(-20.5), none, n(0)},
        {t("URL"), t("Urals, export"), d(45292), n(74.6), n(0), n(60), none},
        {t("MAY"), none, d(36586), n(1e12), n(0.000001), n(40), n(1)},
        {t("KRN"), t("Kirkuk  (blend)"), d(61), n(-0.125), n(3), n(3), n(0)},
    };
}

std::string ModelFile(const std::string& book) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><DuloConfiguration><Tables><Table><Name>SAME</Name><File>" +
           book + "[SAME]</File><Enabled>1</Enabled></Table></Tables></DuloConfiguration>";
}

void WriteXlsb(const std::string& path) {
    using namespace enginetest;
    XlsbWriter styles;
    styles.Record(617, U32(2)).Record(47, U16(0xFFFF) + U16(0) + std::string(12, '\0'));
    styles.Record(47, U16(0xFFFF) + U16(14) + std::string(12, '\0')).Record(618);
    XlsbWriter sheet;
    sheet.Record(129).Record(145);
    const auto table = SameTable();
    for (uint32_t r = 0; r < table.size(); ++r) {
        sheet.Row(r);
        for (uint32_t c = 0; c < table[r].size(); ++c) {
            const Value& v = table[r][c];
            if (v.kind == Value::Text) sheet.Cell(6, c, 0, WideStr(v.text));
            else if (v.kind != Value::None) sheet.Cell(5, c, v.kind == Value::Date ? 1 : 0, F64(v.number));
        }
    }
    sheet.Record(146).Record(130);
    WriteZip(path, XlsbParts({{"SAME", sheet.Bytes()}}, "", styles.Bytes()));
}

void WriteWk1(const std::string& path) {
    using namespace enginetest;
    LotusWriter w;
    w.Record(0, U16(0x0406));
    const auto table = SameTable();
    for (uint16_t r = 0; r < table.size(); ++r)
        for (uint16_t c = 0; c < table[r].size(); ++c) {
            const Value& v = table[r][c];
            if (v.kind == Value::Text) w.Cell(0x0F, 0xF1, c, r, Sz("'" + v.text));
            else if (v.kind == Value::Date) w.Cell(0x0E, 0x72, c, r, F64(v.number));  // format D1
            else if (v.kind == Value::Number && v.number == static_cast<int16_t>(v.number))
                w.Cell(0x0D, 0xF1, c, r, U16(static_cast<uint16_t>(static_cast<int16_t>(v.number))));
            else if (v.kind == Value::Number) w.Cell(0x0E, 0xF1, c, r, F64(v.number));
        }
    w.Record(1);
    w.Write(path);
}

std::string FormatDir(const Format& f) {
    if (!IsWritten(f)) return std::string(DULO_FIXTURES) + "/formats/" + f.dir;
    // Each test process writes its own copies: tests run in parallel, and a file
    // rewritten while another process reads it reads as damaged.
    static const TempDir written;
    std::string dir = (written.path / f.dir).string();
    fs::create_directories(dir);
    std::string book = dir + "/" + f.book;
    if (std::string(f.dir) == "xlsb") WriteXlsb(book);
    else WriteWk1(book);
    std::ofstream(dir + "/DuloModel.dulx") << ModelFile(f.book);
    return dir;
}

// Type and value of every element, so that a VT_R8 1 and a VT_BSTR "1" differ.
std::vector<std::string> TypedGrid(const VARIANT& v) {
    std::vector<std::string> rows;
    Dims d = DimsOf(v);
    for (long r = 0; r < d.rows; ++r) {
        std::string line;
        for (long c = 0; c < d.columns; ++c)
            line += std::to_string(CellType(v, r, c)) + ":" + CellText(v, r, c) + "|";
        rows.push_back(line);
    }
    return rows;
}

std::vector<std::string> ReadSingle(const Format& f) {
    ResultVariant result;
    NameBuffers names;
    std::string path = FormatDir(f) + "/" + f.book;
    EXPECT_EQ(LoadSingleExcelTable("SAME", path.c_str(), "same", 0, &result.v, names.row.data(), names.col.data()),
              0)
        << f.dir;
    CleanUpTableRead();
    return result.IsUntouched() ? std::vector<std::string>{} : TypedGrid(result.v);
}

std::vector<std::string> ReadExcel(const Format& f) {
    ResultVariant result;
    NameBuffers names;
    DirectoryBuffer dir(FormatDir(f));
    std::string files = Packed({f.book}), sheets = Packed({"SAME"});
    EXPECT_EQ(LoadExcelTable("SAME", dir.c_str(), 1, files.c_str(), sheets.c_str(), &result.v, names.row.data(),
                             names.col.data()),
              0)
        << f.dir;
    return result.IsUntouched() ? std::vector<std::string>{} : TypedGrid(result.v);
}

std::vector<std::string> ReadModel(const Format& f) {
    ResultVariant result;
    DirectoryBuffer dir(FormatDir(f));
    EXPECT_EQ(LoadTableSX(dir.c_str(), "same", &result.v), 1) << f.dir;
    return result.IsUntouched() ? std::vector<std::string>{} : TypedGrid(result.v);
}

std::vector<std::string> ReadCase(const Format& f) {
    ResultVariant result;
    NameBuffers names;
    std::string path = FormatDir(f) + "/" + f.book;
    EXPECT_EQ(LoadCaseTable(path.c_str(), "SAME", &result.v, names.row.data(), names.col.data()), 0) << f.dir;
    return result.IsUntouched() ? std::vector<std::string>{} : TypedGrid(result.v);
}

}  // namespace

TEST(SameTableAcrossFormats, EveryExportGivesTheSameArrayForEveryFormat) {
    using Reader = std::vector<std::string> (*)(const Format&);
    const std::pair<const char*, Reader> readers[] = {
        {"LoadSingleExcelTable", ReadSingle},
        {"LoadExcelTable", ReadExcel},
        {"LoadTableSX", ReadModel},
        {"LoadCaseTable", ReadCase},
    };
    for (const auto& [name, read] : readers) {
        std::vector<std::string> reference = read(kFormats[0]);
        ASSERT_FALSE(reference.empty()) << name;
        for (const Format& f : kFormats) EXPECT_EQ(read(f), reference) << name << " on " << f.dir;
    }
}

TEST(SameTableAcrossFormats, TypedValuesOfTheTable) {
    for (const Format& f : kFormats) {
        std::vector<std::string> grid = ReadSingle(f);
        ASSERT_EQ(grid.size(), 7u) << f.dir;  // headings, five rows, the spare row
        // Dates come out as VT_DATE in the 1900 system; an empty cell stays VT_EMPTY.
        EXPECT_EQ(grid[1], "8:ARL|8:Arab Light|7:d:45351|5:78.4|5:0|5:120|5:1|0:|0:|") << f.dir;
        EXPECT_EQ(grid[2], "8:BRT|8:Brent|7:d:36525|5:82.15|5:-20.5|0:|5:0|0:|0:|") << f.dir;
        EXPECT_EQ(grid[4], "8:MAY|0:|7:d:36586|5:1e+12|5:1e-06|5:40|5:1|0:|0:|") << f.dir;
        EXPECT_EQ(grid[5], "8:KRN|8:Kirkuk  (blend)|7:d:61|5:-0.125|5:3|5:3|5:0|0:|0:|") << f.dir;
    }
}
