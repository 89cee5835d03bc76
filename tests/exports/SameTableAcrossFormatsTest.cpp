// One table written as BIFF5, BIFF8 and OOXML reads the same through every export,
// whichever reader (the file reader or the spreadsheet engine) is behind it.
#include "ExportsSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace exports_test;

namespace {

struct Format {
    const char* dir;
    const char* book;
};

const Format kFormats[] = {{"biff5", "Plant.xls"}, {"biff8", "Plant.xls"}, {"xlsx", "Plant.xlsx"}};

std::string FormatDir(const Format& f) { return std::string(DULO_FIXTURES) + "/formats/" + f.dir; }

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
