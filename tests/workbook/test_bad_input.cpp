// Damaged workbooks: every fixture truncated and byte-flipped, and the
// specific faults a reader must survive. Nothing may crash, hang or read
// outside the file; such files fail to open or read as empty cells.
#include "WorkbookSupport.h"
#include "SyntheticBooks.h"
#include "sources/workbook/BiffFormat.h"
#include "sources/workbook/RecordStore.h"
#include "sources/workbook/WksIO.h"
#include "sources/workbook/excel2WksIO.h"
#include "sources/workbook/excel5WksIO.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace dulo::biff;

namespace {

// Opens the file on its first sheet and reads a window of cells every way
// there is; returns whether it opened.
bool OpenAndReadEverything(const std::string& path) {
    TWksIO wks;
    if (!wks.Open(path.c_str(), "", WKS_OPEN_NO_APPLICATION)) {
        EXPECT_EQ(wks.GetInnards(), nullptr);
        // A failure says which step failed; a reader's refusal carries its code.
        const WksOpenResult& why = wks.GetOpenResult();
        EXPECT_NE(why.step, WksOpenStep::Opened);
        if (why.step == WksOpenStep::Reader) {
            EXPECT_NE(why.code, 0) << "kind " << why.kind;
        }
        return false;
    }
    EXPECT_TRUE(wks.GetOpenResult().Ok());
    EXPECT_GE(wks.GetRowCount(), 0);
    EXPECT_GE(wks.GetColumnCount(), 0);
    EXPECT_LE(wks.GetColumnCount(), 256);
    int rows = std::min(wks.GetRowCount() + 2, 40);
    int columns = std::min(wks.GetColumnCount() + 2, 20);
    char text[64];
    for (int row = -1; row < rows; ++row) {
        for (int column = -1; column < columns; ++column) {
            for (int mode : {WKS_PREFIX_NONE, WKS_PREFIX_NUMERIC, WKS_PREFIX_ALIGN}) {
                wks.GetCellText(row, column, text, sizeof text, mode);
                EXPECT_LT(std::char_traits<char>::length(text), sizeof text);
            }
            double number;
            int flags = wks.GetNumber(row, column, number);
            if (!(flags & WKS_NUMBER)) {
                EXPECT_EQ(number, WKS_NO_NUMBER);
            }
            COleDateTime date;
            wks.GetDateValue(row, column, date);
            wks.IsFormula(row, column);
        }
        wks.GetColumnWidth(row);
    }
    int activeRow, activeColumn;
    wks.GetInnards()->GetActiveCell(activeRow, activeColumn);
    return true;
}

using Writer = std::function<bool(const std::string&, const std::vector<uint8_t>&)>;

bool PlainFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    WriteBytes(path, bytes);
    return true;
}

bool BookStream(const std::string& path, const std::vector<uint8_t>& bytes) {
    return WriteCompoundFile(path, {{"Book", bytes}});
}

// Every truncation (in steps of `step` bytes) and byte flips at every `step`-th position.
void Mutate(const std::vector<uint8_t>& original, size_t step, const Writer& write) {
    std::string path = TempPath("mutant.xls");
    int opened = 0, tried = 0;
    for (size_t length = 0; length < original.size(); length += step) {
        std::vector<uint8_t> bytes(original.begin(), original.begin() + long(length));
        if (!write(path, bytes)) continue;
        ++tried;
        opened += OpenAndReadEverything(path);
    }
    for (size_t at = 0; at < original.size(); at += step) {
        for (uint8_t pattern : {uint8_t(0xFF), uint8_t(0x00), uint8_t(0x81)}) {
            std::vector<uint8_t> bytes = original;
            bytes[at] = pattern == 0x81 ? uint8_t(bytes[at] ^ pattern) : pattern;
            if (!write(path, bytes)) continue;
            ++tried;
            opened += OpenAndReadEverything(path);
        }
    }
    // Some mutants must open and some must not, or the loop tested nothing.
    EXPECT_GT(opened, 0);
    EXPECT_LT(opened, tried);
}

TEST(DamagedInput, PlainBiffFilesTruncatedAndFlipped) {
    const std::vector<Biff2Cell> biff2Cells = {
        {1, 1, Biff2Cell::Number, 0, 2, 0, 45000, ""},
        {0, 0, Biff2Cell::Label, 0x40, 0, 2, 0, "Name"},
        {2, 0, Biff2Cell::TextFormula, 0, 0, 0, 0, "txt"},
        {1, 0, Biff2Cell::Integer, 0, 0, 0, 7, ""},
    };
    SCOPED_TRACE("BIFF2");
    Mutate(Biff2Sheet(biff2Cells), 1, PlainFile);
    SCOPED_TRACE("BIFF3");
    Mutate(Biff3Sheet(), 1, PlainFile);
    SCOPED_TRACE("BIFF4");
    Mutate(Biff4Workbook(), 1, PlainFile);
}

TEST(DamagedInput, Biff5BookStreamsTruncatedAndFlipped) {
    Mutate(Biff5Book(Biff5Globals(false), {{"Data", Biff5DataSheet()}, {"Two", {}}}), 1, BookStream);
}

TEST(DamagedInput, FixtureFilesTruncatedAndFlipped) {
    for (const char* name : {"book.xls", "layouts.xls", "date1904.xls"}) {
        SCOPED_TRACE(name);
        std::vector<uint8_t> bytes = ReadBytes(Fixture(name));
        ASSERT_FALSE(bytes.empty());
        Mutate(bytes, 7, PlainFile);
    }
}

std::string Book(const std::vector<uint8_t>& globals, const std::vector<Biff5Sheet>& sheets) {
    std::string path = TempPath("book.xls");
    EXPECT_TRUE(WriteCompoundFile(path, {{"Book", Biff5Book(globals, sheets)}}));
    return path;
}

TEST(DamagedInput, BoundSheetOffsetsOutsideTheStreamOrOffABof) {
    std::vector<uint8_t> book = Biff5Book({}, {{"Data", Biff5DataSheet()}});
    // The BOUNDSHEET offset is the first 4 bytes after the globals BOF (12 bytes) and its header (4).
    struct Case {
        uint32_t offset;
    } cases[] = {{uint32_t(book.size())}, {0xFFFFFFF0u}, {uint32_t(book.size() - 2)}, {17}};
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = book;
        bad[16] = uint8_t(c.offset), bad[17] = uint8_t(c.offset >> 8), bad[18] = uint8_t(c.offset >> 16),
        bad[19] = uint8_t(c.offset >> 24);
        std::string path = TempPath("offset.xls");
        ASSERT_TRUE(WriteCompoundFile(path, {{"Book", bad}}));
        TWksIO wks;
        EXPECT_FALSE(wks.Open(path.c_str(), "", 0)) << c.offset;
    }
}

// The compound document's own structures damaged: the header's directory and
// FAT fields, the directory's sector chain, and directory entries whose tree
// links loop or point outside the directory. Each opens or fails cleanly;
// the sanitizer build's leak check covers what the container library does on
// the way (a damaged directory once leaked there).
TEST(DamagedInput, CompoundDocumentDirectoryDamaged) {
    const std::string good = TempPath("good.xls");
    ASSERT_TRUE(WriteCompoundFile(good, {{"Book", Biff5Book(Biff5Globals(false), {{"Data", Biff5DataSheet()}})}}));
    const std::vector<uint8_t> original = ReadBytes(good);
    ASSERT_GE(original.size(), 1024u);
    auto u32 = [&](size_t at) { return ReadU32(original.data() + at); };
    const size_t sector = size_t(1) << ReadU16(original.data() + 0x1E);
    const uint32_t dirStart = u32(0x30);
    const size_t dir = 512 + dirStart * sector;             // the first directory sector
    const size_t fatEntry = 512 + u32(0x4C) * sector + 4 * dirStart;  // its link in the FAT
    ASSERT_LT(dir + 3 * 128, original.size());

    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
        int width;
        int opens;  // 1 opens, 0 fails, -1 either (the container library decides)
    } cases[] = {
        {"directory starts beyond the file", 0x30, 0x7FFFFF, 4, 0},
        {"directory starts at a free sector", 0x30, 0xFFFFFFFF, 4, -1},
        {"FAT sector beyond the file", 0x4C, 0x7FFFFF, 4, 0},
        {"no FAT sector", 0x2C, 0, 4, 0},
        {"sector size of 1 MiB", 0x1E, 20, 2, 0},
        {"directory chain loops on itself", fatEntry, dirStart, 4, -1},
        {"directory chain runs far away", fatEntry, 0x7FFFF, 4, -1},
        {"directory chain marked free", fatEntry, 0xFFFFFFFF, 4, -1},
        {"root's child beyond the directory", dir + 0x4C, 0x7FFF, 4, 0},
        {"root is its own child", dir + 0x4C, 0, 4, -1},
        {"entry's left sibling is itself", dir + 128 + 0x44, 1, 4, -1},
        {"entry's child is itself", dir + 128 + 0x4C, 1, 4, -1},
        {"entry name longer than its field", dir + 128 + 0x40, 0xFFFF, 2, -1},
        {"stream starts beyond the file", dir + 128 + 0x74, 0x7FFFFFF0, 4, -1},
        {"stream larger than the file", dir + 128 + 0x78, 0x7FFFFFF0, 4, -1},
    };
    const std::string path = TempPath("damaged-cfb.xls");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = original;
        for (int i = 0; i < c.width; ++i) bytes[c.at + size_t(i)] = uint8_t(c.value >> (8 * i));
        WriteBytes(path, bytes);
        const bool opened = OpenAndReadEverything(path);
        if (c.opens >= 0) {
            EXPECT_EQ(opened, c.opens == 1);
        }
    }
    EXPECT_TRUE(OpenAndReadEverything(good)) << "the undamaged document opens";
}

// Each way an open fails keeps its reason after the reader is gone.
TEST(DamagedInput, OpenFailuresSayWhatFailed) {
    const std::string dir = TempPath("reasons");
    auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        WriteBytes(dir + "-" + name, bytes);
        return dir + "-" + name;
    };
    std::vector<uint8_t> biff3 = Biff3Sheet();
    std::vector<uint8_t> cut(biff3.begin(), biff3.begin() + long(biff3.size() / 2));
    const std::string noStream = dir + "-nostream.xls";
    ASSERT_TRUE(WriteCompoundFile(noStream, {{"Other", {1, 2, 3}}}));
    const std::string biff8 = dir + "-biff8.xls";
    ASSERT_TRUE(WriteCompoundFile(biff8, {{"Workbook", {0x09, 0x08, 0x00, 0x00}}}));
    std::vector<uint8_t> damaged = ReadBytes(noStream);
    damaged[0x30] = 0xFF, damaged[0x31] = 0xFF, damaged[0x32] = 0x7F;  // the directory far beyond the file

    struct Case {
        const char* what;
        std::string path;
        const char* sheet;
        WksOpenStep step;
        int code;
    } cases[] = {
        {"no path", "", "", WksOpenStep::NoFile, 0},
        {"missing file", dir + "-missing.xls", "", WksOpenStep::NoFile, 0},
        {"damaged compound document", write("damaged.xls", damaged), "", WksOpenStep::DamagedDocument, 0},
        {"no workbook stream", noStream, "", WksOpenStep::NoWorkbookStream, 0},
        {"BIFF8 without the application", biff8, "", WksOpenStep::NeedsApplication, 0},
        {"record cut at the end of the file", write("cut.xls", cut), "", WksOpenStep::Reader,
         excel2WksIO::RecordsDamaged},
        {"BIFF4 sheet missing", write("b4.xlw", Biff4Workbook()), "Nowhere", WksOpenStep::Reader,
         excel2WksIO::SheetMissing},
        {"BIFF5 sheet missing", Book(Biff5Globals(false), {{"Data", Biff5DataSheet()}}), "Nowhere",
         WksOpenStep::Reader, excel5WksIO::SheetFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TWksIO wks;
        EXPECT_FALSE(wks.Open(c.path.c_str(), c.sheet, WKS_OPEN_NO_APPLICATION));
        EXPECT_EQ(wks.GetOpenResult().step, c.step) << wks.GetOpenResult().Describe();
        EXPECT_EQ(wks.GetOpenResult().code, c.code);
        EXPECT_FALSE(wks.GetOpenResult().Describe().empty());
    }
    // A later successful open forgets the reason.
    TWksIO wks;
    ASSERT_FALSE(wks.Open("", "", WKS_OPEN_NO_APPLICATION));
    ASSERT_TRUE(wks.Open(Book(Biff5Globals(false), {{"Data", Biff5DataSheet()}}).c_str(), "", 0));
    EXPECT_TRUE(wks.GetOpenResult().Ok());
    EXPECT_FALSE(wks.SelectSheet("Nowhere"));
    EXPECT_EQ(wks.GetOpenResult().code, excel5WksIO::SheetFailed);
}

TEST(DamagedInput, DimensionsFarLargerThanTheCells) {
    BiffWriter sheet;
    sheet.Record(kDimensions, Body().u16(0).u16(0xFFFF).u16(0).u16(0xFFFF));
    sheet.Record(kRk, CellHead(3, 2, 0).u32(302));
    TWksIO wks;
    ASSERT_TRUE(wks.Open(Book({}, {{"Big", sheet.Bytes()}}).c_str(), "", 0));
    EXPECT_EQ(wks.GetRowCount(), 0xFFFF);
    EXPECT_EQ(wks.GetColumnCount(), 256);
    double number;
    EXPECT_EQ(wks.GetNumber(3, 2, number), WKS_NUMBER);
    EXPECT_EQ(number, 75.0);
    for (int row : {0, 4, 1000, 0xFFFE, 0xFFFF, 0x10000}) {
        for (int column : {0, 255, 256, 0xFFFE}) {
            EXPECT_EQ(wks.GetNumber(row, column, number), 0) << row << "," << column;
        }
    }
}

TEST(DamagedInput, SheetEndsWithoutEofOrInsideARecord) {
    BiffWriter cells;
    cells.Record(kDimensions, Body().u16(0).u16(2).u16(0).u16(2));
    cells.Record(kLabel, CellHead(0, 0, 0).str16("kept"));
    {
        TWksIO wks;
        ASSERT_TRUE(wks.Open(Book({}, {{"NoEof", cells.Bytes(), false}}).c_str(), "", 0));
        char text[16];
        EXPECT_EQ(wks.GetCellText(0, 0, text, sizeof text, WKS_PREFIX_NONE), WKS_TEXT);
        EXPECT_STREQ(text, "kept");
    }
    BiffWriter overlong = cells;
    overlong.Overlong(kLabel, 500, CellHead(1, 0, 0).str16("short"));
    TWksIO wks;
    EXPECT_FALSE(wks.Open(Book({}, {{"Overlong", overlong.Bytes(), false}}).c_str(), "", 0));
}

TEST(DamagedInput, ShortAndOverclaimingCellRecords) {
    BiffWriter sheet;
    sheet.Record(kDimensions, Body().u16(0).u16(3).u16(0).u16(4));
    sheet.Record(kLabel, CellHead(0, 0, 0).u16(200).raw("abc"));       // claims 200 characters, has 3
    sheet.Record(kNumber, CellHead(0, 1, 0).u32(0));                    // 4 of 8 value bytes
    sheet.Record(kRk, Body().u16(0).u16(2));                            // no XF, no value
    sheet.Record(kMulRk, Body().u16(1).u16(0).u16(0).u32(302).u16(0));  // odd length
    sheet.Record(kMulRk, Body().u16(1).u16(5));                         // too short to hold anything
    sheet.Record(kFormula2, CellHead(2, 0, 0).u8(0));                   // result cut short
    sheet.Record(kFormula2, SpecialResult(CellHead(2, 1, 0), 0).u16(0));
    sheet.Record(kString, Body().u16(50).raw("xy"));                    // STRING claims more than it has
    sheet.Record(kXf5, Body().u8(1));                                   // an XF too short to read
    TWksIO wks;
    ASSERT_TRUE(wks.Open(Book({}, {{"Short", sheet.Bytes()}}).c_str(), "", 0));
    struct Case {
        int row, column, flags;
        const char* text;
    } cases[] = {
        {0, 0, WKS_TEXT, "abc"},
        {0, 1, 0, ""},
        {0, 2, 0, ""},
        {1, 0, WKS_NUMBER, "75"},  // the one whole RK of the MULRK
        {1, 1, 0, ""},
        {2, 0, 0, ""},
        {2, 1, WKS_FORMULA_TEXT, "xy"},
    };
    for (const Case& c : cases) {
        char text[64];
        EXPECT_EQ(wks.GetCellText(c.row, c.column, text, sizeof text, WKS_PREFIX_NONE), c.flags) << c.row << "," << c.column;
        EXPECT_STREQ(text, c.text);
    }
}

TEST(DamagedInput, XfAndFormatIndexesBeyondTheirLists) {
    BiffWriter globals;
    globals.Record(kXf5, Xf5(0xFFFF));  // a format index far beyond any table
    BiffWriter sheet;
    sheet.Record(kDimensions, Body().u16(0).u16(1).u16(0).u16(2));
    sheet.Record(kRk, CellHead(0, 0, 0).u32(302));
    sheet.Record(kRk, CellHead(0, 1, 0xFFFF).u32(302));
    TWksIO wks;
    ASSERT_TRUE(wks.Open(Book(globals.Bytes(), {{"S", sheet.Bytes()}}).c_str(), "", 0));
    double number;
    EXPECT_EQ(wks.GetNumber(0, 0, number), WKS_NUMBER);
    EXPECT_EQ(wks.GetNumber(0, 1, number), WKS_NUMBER);
    EXPECT_EQ(number, 75.0);
}

}  // namespace
