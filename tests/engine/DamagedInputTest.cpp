// Truncated and byte-flipped versions of the fixtures: every one either fails
// to open or reads; none crashes, hangs or reads out of bounds (run it under
// the sanitizer build too).
#include "Builders.h"
#include "EngineHelpers.h"
#include "platform/cfb/CompoundFile.h"
#include "platform/engine/ZipPackage.h"
#include "sources/workbook/excel8WksIO.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

using namespace dulo::engine;
using namespace enginetest;

namespace {

// Opens the file and reads every worksheet's used area; returns how many sheets read.
int ReadEverything(const std::string& path) {
    auto app = CreateEngineApplication();
    std::shared_ptr<IWorkbook> book;
    try {
        book = app->Workbooks()->Open(path, 0, true);
    } catch (const CComError&) {
        return -1;
    }
    int read = 0;
    for (long i = 1;; ++i) {
        std::shared_ptr<IWorksheet> sheet;
        try {
            sheet = book->Worksheets(i);
        } catch (const CComError&) {
            break;
        }
        try {
            UsedArea area;
            ReadUsed(*sheet, area);
            for (long c = 1; c <= std::min<long>(area.cols, 20); ++c) sheet->Cells(1, c)->ColumnWidth();
            ++read;
        } catch (const CComError&) {
        }
    }
    app->Quit();
    return read;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Cuts at evenly spaced lengths and flips a few bytes at random places.
std::vector<std::string> Mutations(const std::string& bytes, size_t from, int cuts, int flips, unsigned seed) {
    std::vector<std::string> out;
    for (int i = 0; i < cuts; ++i) out.push_back(bytes.substr(0, from + (bytes.size() - from) * i / cuts));
    std::mt19937 rng(seed);
    for (int i = 0; i < flips; ++i) {
        std::string m = bytes;
        int count = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < count; ++k) {
            size_t at = from + rng() % (m.size() - from);
            m[at] = static_cast<char>(rng() % 3 == 0 ? 0xFF : m[at] ^ (1 << (rng() % 8)));
        }
        out.push_back(std::move(m));
    }
    return out;
}

TEST(EngineDamagedInput, WholeFilesCutAndFlipped) {
    for (const char* name : {"book.xls", "book.xlsx", "date1904.xls", "date1904.xlsx"}) {
        SCOPED_TRACE(name);
        std::string bytes = ReadFile(Fixture(name));
        ASSERT_FALSE(bytes.empty());
        ASSERT_GT(ReadEverything(Fixture(name)), 0);
        int n = 0;
        for (const std::string& m : Mutations(bytes, 0, 30, 40, 7)) {
            std::string path = TempPath(std::string("mutated-") + name);
            WriteFile(path, m);
            ReadEverything(path);
            ++n;
        }
        EXPECT_EQ(n, 70);
    }
}

TEST(EngineDamagedInput, WorkbookStreamRecordsCutAndFlipped) {
    dulo::cfb::CompoundFile file;
    ASSERT_EQ(file.Open(Fixture("book.xls")), dulo::cfb::CfbStatus::Ok);
    auto stream = file.OpenStream("Workbook");
    ASSERT_TRUE(stream);
    std::vector<uint8_t> raw;
    ASSERT_TRUE(stream->ReadAll(raw, file.FileSize()));
    std::string bytes(raw.begin(), raw.end());
    int opened = 0;
    for (const std::string& m : Mutations(bytes, 0, 60, 150, 11)) {
        std::string path = TempPath("mutated-stream.xls");
        WriteCompound(path, {{"Workbook", m}});
        if (ReadEverything(path) >= 0) ++opened;
    }
    EXPECT_GT(opened, 0);  // many flips leave the workbook readable
}

TEST(EngineDamagedInput, PackagePartsCutAndFlipped) {
    const char* partNames[] = {"[Content_Types].xml", "_rels/.rels", "xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                               "xl/styles.xml", "xl/sharedStrings.xml", "xl/worksheets/sheet1.xml",
                               "xl/worksheets/sheet2.xml", "xl/worksheets/sheet3.xml", "xl/worksheets/sheet4.xml"};
    auto zip = ZipPackage::Open(Fixture("book.xlsx"));
    ASSERT_TRUE(zip);
    Parts parts;
    for (const char* name : partNames) {
        std::string bytes;
        ASSERT_TRUE(zip->Read(name, bytes)) << name;
        parts.emplace_back(name, bytes);
    }
    int opened = 0;
    for (size_t target : {2, 4, 5, 6}) {
        SCOPED_TRACE(parts[target].first);
        for (const std::string& m : Mutations(parts[target].second, 0, 25, 40, static_cast<unsigned>(target))) {
            Parts mutated = parts;
            mutated[target].second = m;
            std::string path = TempPath("mutated-part.xlsx");
            WriteZip(path, mutated);
            if (ReadEverything(path) >= 0) ++opened;
        }
    }
    EXPECT_GT(opened, 0);
}

TEST(EngineDamagedInput, TheReaderOverDamagedWorkbooks) {
    ASSERT_TRUE(StartApplication());
    for (const char* name : {"book.xls", "book.xlsx"}) {
        SCOPED_TRACE(name);
        std::string bytes = ReadFile(Fixture(name));
        for (const std::string& m : Mutations(bytes, 0, 10, 30, 3)) {
            std::string path = TempPath(std::string("reader-") + name);
            WriteFile(path, m);
            for (const char* sheet : {"", "Data", "Second"}) {
                excel8WksIO reader(path.c_str(), sheet);
                if (reader.IsFailed()) continue;
                char text[32];
                double number;
                for (int r = -1; r <= reader.GetRowCount(); ++r)
                    for (int c = -1; c <= reader.GetColumnCount(); ++c) {
                        reader.GetCellText(r, c, text, sizeof text, WKS_PREFIX_NONE);
                        reader.GetNumber(r, c, number);
                    }
                for (int c = 0; c < std::min(reader.GetColumnCount(), 20); ++c) reader.GetColumnWidth(c);
            }
        }
    }
    EXPECT_TRUE(QuitApplication());
}

}  // namespace
