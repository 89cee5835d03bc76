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
    for (const char* name : {"book.xls", "book.xlsx", "book.ods", "date1904.xls", "date1904.xlsx", "date1904.ods",
                             "text.csv", "text-quoted.csv"}) {
        SCOPED_TRACE(name);
        std::string bytes = ReadFile(Fixture(name));
        ASSERT_FALSE(bytes.empty());
        ASSERT_GT(ReadEverything(Fixture(name)), 0);
        int opened = 0, refused = 0;
        for (const std::string& m : Mutations(bytes, 0, 30, 40, 7)) {
            std::string path = TempPath(std::string("mutated-") + name);
            WriteFile(path, m);
            const int read = ReadEverything(path);
            if (read < 0) ++refused;
            else ++opened;
        }
        // Damage the engine refuses and damage it reads past: both paths ran.
        EXPECT_GT(opened, 0);
        EXPECT_GT(refused, 0);
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

// A binary workbook with shared strings, styles and every kind of cell record.
Parts XlsbBook() {
    XlsbWriter sst;
    sst.Record(159, U32(2) + U32(2)).Record(19, std::string(1, '\0') + WideStr("alpha"));
    sst.Record(19, std::string(1, '\0') + WideStr("beta")).Record(160);
    XlsbWriter styles;
    styles.Record(615, U32(1)).Record(44, U16(170) + WideStr("yyyy-mm-dd")).Record(616);
    styles.Record(617, U32(2)).Record(47, U16(0xFFFF) + U16(0) + std::string(12, '\0'));
    styles.Record(47, U16(0xFFFF) + U16(170) + std::string(12, '\0')).Record(618);
    XlsbWriter sheet;
    sheet.Record(129).Record(145);
    for (uint32_t r = 0; r < 20; ++r) {
        sheet.Row(r)
            .Cell(7, 0, 0, U32(r % 2))
            .Cell(2, 1, 0, U32(r << 2 | 2))
            .Cell(5, 2, 1, F64(40000 + r))
            .Cell(6, 3, 0, WideStr("inline text"))
            .Cell(4, 4, 0, "\x01")
            .Cell(3, 5, 0, "\x07")
            .Cell(9, 6, 0, F64(r) + U16(0) + U32(0) + U32(0))
            .Cell(1, 8, 1);
    }
    sheet.Record(146).Record(60, U32(0) + U32(3) + U32(2560) + U32(0) + U16(0)).Record(130);
    return XlsbParts({{"Data", sheet.Bytes()}, {"Other", sheet.Bytes()}}, sst.Bytes(), styles.Bytes());
}

TEST(EngineDamagedInput, BinaryWorkbookPartsCutAndFlipped) {
    Parts parts = XlsbBook();
    std::string path = TempPath("good.xlsb");
    WriteZip(path, parts);
    ASSERT_EQ(ReadEverything(path), 2);
    int opened = 0;
    for (size_t target = 0; target < parts.size(); ++target) {
        if (parts[target].first.find(".bin") == std::string::npos || parts[target].first.find("rels") != std::string::npos)
            continue;
        SCOPED_TRACE(parts[target].first);
        for (const std::string& m : Mutations(parts[target].second, 0, 25, 60, static_cast<unsigned>(target))) {
            Parts mutated = parts;
            mutated[target].second = m;
            std::string damaged = TempPath("mutated-part.xlsb");
            WriteZip(damaged, mutated);
            if (ReadEverything(damaged) >= 0) ++opened;
        }
    }
    EXPECT_GT(opened, 0);
    std::string bytes = ReadFile(path);
    for (const std::string& m : Mutations(bytes, 0, 30, 40, 5)) {
        std::string damaged = TempPath("mutated.xlsb");
        WriteFile(damaged, m);
        ReadEverything(damaged);
    }
}

TEST(EngineDamagedInput, OpenDocumentContentCutAndFlipped) {
    auto zip = ZipPackage::Open(Fixture("book.ods"));
    ASSERT_TRUE(zip);
    Parts parts;
    for (const char* name : {"mimetype", "content.xml", "styles.xml"}) {
        std::string bytes;
        ASSERT_TRUE(zip->Read(name, bytes)) << name;
        parts.emplace_back(name, bytes);
    }
    int opened = 0;
    for (size_t target : {1, 2}) {
        SCOPED_TRACE(parts[target].first);
        for (const std::string& m : Mutations(parts[target].second, 0, 25, 60, static_cast<unsigned>(target))) {
            Parts mutated = parts;
            mutated[target].second = m;
            std::string path = TempPath("mutated-part.ods");
            WriteZip(path, mutated);
            if (ReadEverything(path) >= 0) ++opened;
        }
    }
    EXPECT_GT(opened, 0);
}

// A table whose rows are read in several slices, and a table after it: cut
// and flipped anywhere, inside a slice, at a cut between slices or in the
// table's end, the file fails to open, a sheet fails or cells read as empty.
TEST(EngineDamagedInput, OpenDocumentRowsInSlicesCutAndFlipped) {
    std::string rows;
    for (int r = 0; r < 1200; ++r) {
        std::string cells;
        for (int c = 0; c < 16; ++c)
            cells += "<table:table-cell office:value-type=\"float\" office:value=\"" + std::to_string(r * c) + "\"><text:p>" +
                     std::to_string(r * c) + "</text:p></table:table-cell>";
        cells += "<table:table-cell office:value-type=\"string\"><text:p>a<text:s text:c=\"3\"/>b</text:p></table:table-cell>";
        rows += (r % 100 == 0 ? "<table:table-row table:number-rows-repeated=\"2\">" : "<table:table-row>") + cells +
                "</table:table-row>";
    }
    std::string content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content><office:body><office:spreadsheet>"
        "<table:table table:name=\"Big\"><table:table-column table:number-columns-repeated=\"17\"/>" + rows +
        "</table:table><table:table table:name=\"After\"><table:table-row><table:table-cell office:value-type=\"float\" "
        "office:value=\"2\"/></table:table-row></table:table></office:spreadsheet></office:body></office:document-content>";
    ASSERT_GT(content.size(), size_t(2) << 20);
    Parts parts = {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}};
    std::string path = TempPath("slices.ods");
    WriteZip(path, parts);
    ASSERT_EQ(ReadEverything(path), 2);
    int opened = 0;
    for (const std::string& m : Mutations(content, 0, 24, 24, 13)) {
        parts[1].second = m;
        WriteZip(path, parts);
        if (ReadEverything(path) >= 0) ++opened;
    }
    EXPECT_GT(opened, 0);
}

// Release 2 and release 3 worksheets with every cell record, and release 3's
// row format records.
std::string LotusBook(bool release3) {
    auto rec = [](uint16_t type, const std::string& data) { return U16(type) + U16(static_cast<uint16_t>(data.size())) + data; };
    std::string b;
    if (!release3) {
        b = rec(0, U16(0x0406)) + rec(8, U16(1) + "\x0C");
        for (uint16_t r = 0; r < 20; ++r) {
            auto head = [&](uint8_t fmt, uint16_t col) { return std::string(1, static_cast<char>(fmt)) + U16(col) + U16(r); };
            b += rec(0x0F, head(0xF1, 0) + "'label\x81" + std::string(1, '\0')) + rec(0x0D, head(0xF1, 1) + U16(r)) +
                 rec(0x0E, head(0x72, 2) + F64(36526 + r)) + rec(0x10, head(0xF1, 3) + F64(std::nan("")) + U16(0)) +
                 rec(0x33, head(0xF1, 3) + "text" + std::string(1, '\0')) + rec(0x0C, head(0xF1, 6));
        }
    } else {
        b = rec(0, U16(0x1002) + std::string(24, '\0')) + rec(0x1B, U16(14000) + U16(1) + "Two" + std::string(1, '\0'));
        for (uint16_t r = 0; r < 20; ++r)
            for (char sheet = 0; sheet < 2; ++sheet) {
                std::string head = U16(r) + sheet;
                // Row formats: a date over two columns, then currency; odd rows copy the row above.
                std::string formats = std::string(1, sheet) + '\0' + U16(r);
                b += r % 2 ? rec(0x13, std::string(1, sheet) + '\x02' + U16(r) + U16(sheet) + U16(r - 1))
                           : rec(0x13, formats + U32(0x80000072u) + '\x01' + U32(0x22));
                // LMBCS escapes in the label: a control character, a UTF-16 one, a code-page group.
                b += rec(0x16, head + "\x00'label\x0F\x2D\x14\x20\xAC\x05\xC0\x9B" + std::string(1, '\0')) + rec(0x17, head + "\x01" + std::string(8, '\x11') + U16(0x3FFF)) +
                     rec(0x18, head + "\x02" + U16(static_cast<uint16_t>(r * 2 + 1))) +
                     rec(0x19, head + "\x03" + std::string(8, '\0') + U16(0xFFFF) + U16(0)) +
                     rec(0x1A, head + "\x03text" + std::string(1, '\0'));
            }
    }
    return b + rec(1, "");
}

TEST(EngineDamagedInput, LotusWorksheetsCutAndFlipped) {
    for (bool release3 : {false, true}) {
        SCOPED_TRACE(release3 ? "release 3" : "release 2");
        std::string bytes = LotusBook(release3);
        std::string path = TempPath("good.wk1");
        WriteFile(path, bytes);
        ASSERT_GT(ReadEverything(path), 0);
        int opened = 0;
        for (const std::string& m : Mutations(bytes, 6, 40, 150, release3 ? 21 : 17)) {
            std::string damaged = TempPath("mutated.wk1");
            WriteFile(damaged, m);
            if (ReadEverything(damaged) > 0) ++opened;
        }
        EXPECT_GT(opened, 100);  // past the BOF, damage costs cells, not the file
    }
}

TEST(EngineDamagedInput, TheReaderOverDamagedWorkbooks) {
    ASSERT_TRUE(StartApplication());
    for (const char* name : {"book.xls", "book.xlsx", "book.ods", "text.csv"}) {
        SCOPED_TRACE(name);
        std::string bytes = ReadFile(Fixture(name));
        for (const std::string& m : Mutations(bytes, 0, 10, 30, 3)) {
            // The name keeps the extension: .csv text is read only by its name.
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
