// Kind detection, open modes and the hand-over to the spreadsheet application.
#include "WorkbookSupport.h"
#include "platform/cfb/CompoundFile.h"
#include "sources/workbook/BiffFormat.h"
#include "sources/workbook/WksIO.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

using namespace dulo::biff;

namespace {

std::vector<uint8_t> MinimalBook() {
    BiffWriter sheet;
    sheet.Record(kDimensions, Body().u16(0).u16(1).u16(0).u16(1));
    sheet.Record(kRk, CellHead(0, 0, 0).u32(302));
    return Biff5Book({}, {{"Only", sheet.Bytes()}});
}

std::vector<uint8_t> Bof(uint16_t id) {
    BiffWriter w;
    w.Record(id, Body().u16(0).u16(0x10));
    w.Record(kEof);
    return w.Bytes();
}

TEST(DetectKind, ByFirstWordAndCompoundStreams) {
    std::vector<uint8_t> notBof = {0x00, 0x01, 0x02, 0x03};
    std::vector<uint8_t> bofWord = {0x09, 0x08, 0, 0};
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::vector<uint8_t>>> streams;  // none: a plain file
        std::vector<uint8_t> bytes;
        int kind;
    } cases[] = {
        {"biff2", {}, Bof(kBof2), WKS_KIND_BIFF2},
        {"biff3", {}, Bof(kBof3), WKS_KIND_BIFF3},
        {"biff4", {}, Bof(kBof4), WKS_KIND_BIFF4},
        {"zip", {}, {'P', 'K', 3, 4, 20, 0, 0, 0}, WKS_KIND_APPLICATION},  // an .xlsx
        {"text", {}, {'a', ',', 'b', '\n'}, WKS_KIND_APPLICATION},
        {"empty", {}, {}, WKS_KIND_APPLICATION},
        {"book", {{"Book", MinimalBook()}}, {}, WKS_KIND_BIFF5},
        {"BOOK", {{"BOOK", MinimalBook()}}, {}, WKS_KIND_BIFF5},
        {"workbook", {{"Workbook", bofWord}}, {}, WKS_KIND_APPLICATION},
        {"both", {{"Workbook", bofWord}, {"Book", MinimalBook()}}, {}, WKS_KIND_BIFF5},
        {"neither", {{"Other", bofWord}}, {}, WKS_KIND_NONE},
        {"book not BIFF5", {{"Book", notBof}}, {}, WKS_KIND_NONE},
        {"empty book", {{"Book", {}}}, {}, WKS_KIND_NONE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = TempPath("kind.bin");
        if (c.streams.empty()) {
            WriteBytes(path, c.bytes);
        } else {
            ASSERT_TRUE(WriteCompoundFile(path, c.streams));
        }
        EXPECT_EQ(TWksIO::DetectKind(path.c_str()), c.kind);
    }
    EXPECT_EQ(TWksIO::DetectKind(TempPath("missing.xls").c_str()), WKS_KIND_NONE);
    EXPECT_EQ(TWksIO::DetectKind(""), WKS_KIND_NONE);
}

TEST(DetectKind, DamagedCompoundDocumentIsNotReadable) {
    std::string path = TempPath("damaged.xls");
    std::vector<uint8_t> bytes = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    bytes.resize(700, 0xEE);
    WriteBytes(path, bytes);
    EXPECT_EQ(TWksIO::DetectKind(path.c_str()), WKS_KIND_NONE);
    TWksIO wks;
    EXPECT_FALSE(wks.Open(path.c_str(), "", WKS_OPEN_ALLOW_APPLICATION));
    EXPECT_FALSE(wks.NeedsApplication());
}

// A stand-in for the application reader.
class FakeApplicationReader : public TWksIOInnards {
public:
    explicit FakeApplicationReader(bool fail) {
        m_bFailed = fail;
        m_nRows = 2;
        m_nColumns = 3;
    }
    int GetNumber(int, int, double& value) override {
        value = 5;
        return WKS_NUMBER;
    }
    int GetCellText(int, int, char* buffer, int size, int) override {
        if (size > 0) std::snprintf(buffer, size_t(size), "fake");
        return WKS_TEXT;
    }
};

struct Calls {
    int starts = 0, creates = 0;
    bool running = false, startSucceeds = true, createFails = false;
    std::string sheet;
} g_calls;

class ApplicationPath : public testing::Test {
protected:
    void SetUp() override {
        saved = GetWksIOApplication();
        g_calls = Calls();
        TWksIOApplication app;
        app.IsRunning = [] { return g_calls.running; };
        app.Start = [] {
            ++g_calls.starts;
            g_calls.running = g_calls.startSucceeds;
            return g_calls.startSucceeds;
        };
        app.Create = [](const char*, const char* sheet) -> TWksIOInnards* {
            ++g_calls.creates;
            g_calls.sheet = sheet;
            return new FakeApplicationReader(g_calls.createFails);
        };
        SetWksIOApplication(app);
        xlsx = TempPath("book.xlsx");
        WriteBytes(xlsx, {'P', 'K', 3, 4, 0, 0});
        biff5 = TempPath("book5.xls");
        ASSERT_TRUE(WriteCompoundFile(biff5, {{"Book", MinimalBook()}}));
    }
    void TearDown() override { SetWksIOApplication(saved); }
    TWksIOApplication saved;
    std::string xlsx, biff5;
};

TEST_F(ApplicationPath, ModeZeroRefusesTheApplication) {
    TWksIO wks;
    EXPECT_FALSE(wks.Open(xlsx.c_str(), "S", WKS_OPEN_NO_APPLICATION));
    EXPECT_EQ(wks.GetKind(), WKS_KIND_APPLICATION);
    EXPECT_TRUE(wks.NeedsApplication());
    EXPECT_TRUE(wks.IsFailed());
    EXPECT_TRUE(wks.IsReady());
    EXPECT_EQ(g_calls.starts, 0);
    EXPECT_EQ(g_calls.creates, 0);
}

TEST_F(ApplicationPath, ModeTwoStartsTheApplicationOnce) {
    for (int i = 0; i < 2; ++i) {
        TWksIO wks;
        ASSERT_TRUE(wks.Open(xlsx.c_str(), "Sheet", WKS_OPEN_ALLOW_APPLICATION));
        EXPECT_FALSE(wks.NeedsApplication());
        EXPECT_EQ(wks.GetRowCount(), 2);
        char text[16];
        EXPECT_EQ(wks.GetCellText(0, 0, text, sizeof text, WKS_PREFIX_NUMERIC), WKS_TEXT);
        EXPECT_STREQ(text, "fake");
    }
    EXPECT_EQ(g_calls.starts, 1);
    EXPECT_EQ(g_calls.creates, 2);
    EXPECT_EQ(g_calls.sheet, "Sheet");
}

TEST_F(ApplicationPath, ModeOneForcesTheApplicationEvenForBiff5) {
    TWksIO wks;
    ASSERT_TRUE(wks.Open(biff5.c_str(), "", WKS_OPEN_FORCE_APPLICATION));
    EXPECT_EQ(wks.GetKind(), WKS_KIND_FORCED);
    double number;
    EXPECT_EQ(wks.GetNumber(0, 0, number), WKS_NUMBER);
    EXPECT_EQ(number, 5.0);
    TWksIO direct;
    ASSERT_TRUE(direct.Open(biff5.c_str(), "", WKS_OPEN_ALLOW_APPLICATION));
    EXPECT_EQ(direct.GetKind(), WKS_KIND_BIFF5);
    EXPECT_EQ(direct.GetNumber(0, 0, number), WKS_NUMBER);
    EXPECT_EQ(number, 75.0);
    EXPECT_EQ(g_calls.creates, 1);
}

TEST_F(ApplicationPath, FailedStartOrReaderFailsTheOpen) {
    g_calls.startSucceeds = false;
    TWksIO wks;
    EXPECT_FALSE(wks.Open(xlsx.c_str(), "", WKS_OPEN_ALLOW_APPLICATION));
    EXPECT_EQ(g_calls.creates, 0);
    EXPECT_EQ(wks.GetInnards(), nullptr);
    g_calls.startSucceeds = true;
    g_calls.createFails = true;
    EXPECT_FALSE(wks.Open(xlsx.c_str(), "", WKS_OPEN_ALLOW_APPLICATION));
    EXPECT_EQ(g_calls.starts, 2);  // the failed start left no application
    EXPECT_EQ(wks.GetInnards(), nullptr);
    EXPECT_TRUE(wks.IsFailed());
}

TEST(ApplicationMissing, WithoutAnApplicationReaderTheOpenFails) {
    TWksIOApplication saved = GetWksIOApplication();
    SetWksIOApplication({});
    std::string xlsx = TempPath("book.xlsx");
    WriteBytes(xlsx, {'P', 'K', 3, 4});
    TWksIO wks;
    EXPECT_FALSE(wks.Open(xlsx.c_str(), "", WKS_OPEN_ALLOW_APPLICATION));
    EXPECT_FALSE(wks.NeedsApplication());
    EXPECT_TRUE(wks.IsFailed());
    SetWksIOApplication(saved);
}

TEST(OpenState, FailedOpenLeavesEmptyGetters) {
    TWksIO wks;
    EXPECT_FALSE(wks.Open(TempPath("missing.xls").c_str(), "", 0));
    EXPECT_EQ(wks.GetKind(), WKS_KIND_NONE);
    EXPECT_EQ(wks.GetRowCount(), 0);
    char text[8] = "x";
    EXPECT_EQ(wks.GetCellText(0, 0, text, sizeof text, WKS_PREFIX_NONE), 0);
    EXPECT_STREQ(text, "");
    double number = 0;
    EXPECT_EQ(wks.GetNumber(0, 0, number), 0);
    EXPECT_EQ(number, WKS_NO_NUMBER);
    COleDateTime date;
    EXPECT_EQ(wks.GetDateValue(0, 0, date), 0);
    EXPECT_EQ(date.m_status, COleDateTime::null);
    EXPECT_EQ(wks.GetColumnWidth(0), -1);
    EXPECT_FALSE(wks.SelectSheet("x"));
    EXPECT_FALSE(wks.Save(false, "BAK", nullptr));
}

TEST(OpenState, ReadOnlyAttributeAndSaveRefused) {
    std::string path = TempPath("ro.xls");
    ASSERT_TRUE(WriteCompoundFile(path, {{"Book", MinimalBook()}}));
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    TWksIO wks;
    ASSERT_TRUE(wks.Open(path.c_str(), "", 0));
    EXPECT_TRUE(wks.IsReadOnly());
    EXPECT_FALSE(wks.IsChanged());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(wks.Save(false, "", TempPath("copy.xls").c_str()));  // BIFF5 cannot be written
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(std::filesystem::exists(TempPath("copy.xls")));
    EXPECT_FALSE(std::filesystem::exists(TempPath("copy.$$$")));
}

TEST(CompoundFile, StreamsByNameSizeAndReads) {
    std::string path = TempPath("doc.cfb");
    std::vector<uint8_t> big(10000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7);
    ASSERT_TRUE(WriteCompoundFile(path, {{"Small", {1, 2, 3}}, {"Big", big}}));
    dulo::cfb::CompoundFile doc;
    ASSERT_EQ(doc.Open(path), dulo::cfb::CfbStatus::Ok);
    auto names = doc.StreamNames();
    EXPECT_EQ(names.size(), 2u);
    EXPECT_EQ(doc.OpenStream("big", false), nullptr);
    auto stream = doc.OpenStream("big", true);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->Name(), "Big");
    EXPECT_EQ(stream->Size(), big.size());
    std::vector<uint8_t> all;
    ASSERT_TRUE(stream->ReadAll(all, 1 << 20));
    EXPECT_EQ(all, big);
    EXPECT_FALSE(stream->ReadAll(all, 100));  // more than allowed
    ASSERT_TRUE(stream->Seek(9998));
    uint8_t two[2], three[3];
    EXPECT_TRUE(stream->Read(two, 2));
    EXPECT_EQ(two[1], uint8_t(9999 * 7));
    EXPECT_FALSE(stream->Read(three, 1));  // past the end
    EXPECT_FALSE(stream->Seek(10001));

    std::string plain = TempPath("plain.txt");
    WriteBytes(plain, {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});
    EXPECT_EQ(doc.Open(plain), dulo::cfb::CfbStatus::NotCompound);
    EXPECT_FALSE(doc.IsOpen());
    EXPECT_EQ(doc.Open(TempPath("none")), dulo::cfb::CfbStatus::OpenFailed);
    EXPECT_EQ(doc.Open(testing::TempDir()), dulo::cfb::CfbStatus::OpenFailed);  // a directory
}

}  // namespace
