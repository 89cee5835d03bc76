// Every input the fuzz targets found a fault with, replayed through the same
// entry, and the fixed containers the record and part targets mutate inside.
// An input lies in regressions/<target>/ and its name ends in "-accepted" or
// "-refused": what the reader must make of it once the fault is mended.
#include "entries/FuzzEntries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int RunEntry(const char* target, const std::vector<uint8_t>& bytes) {
    const fuzz::Target* t = fuzz::FindTarget(target);
    if (!t) {
        ADD_FAILURE() << "no entry " << target;
        return -1;
    }
    return t->entry(bytes.data(), bytes.size());
}

int RunEntry(const char* target, const std::string& text) {
    return RunEntry(target, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(FuzzRegressions, EverySavedInputGivesItsOutcome) {
    fs::path root = DULO_FUZZ_REGRESSIONS;
    int replayed = 0;
    std::error_code ec;
    for (const auto& dir : fs::directory_iterator(root, ec)) {
        if (!dir.is_directory()) continue;
        std::string target = dir.path().filename().string();
        // A folder that names no target would never be replayed.
        ASSERT_NE(fuzz::FindTarget(target), nullptr) << dir.path();
        std::vector<fs::path> inputs;
        for (const auto& file : fs::directory_iterator(dir.path())) inputs.push_back(file.path());
        std::sort(inputs.begin(), inputs.end());
        for (const fs::path& input : inputs) {
            std::string name = input.stem().string();
            bool accepted = name.size() > 9 && name.ends_with("-accepted");
            bool refused = name.size() > 8 && name.ends_with("-refused");
            ASSERT_TRUE(accepted || refused) << input << " names no outcome";
            SCOPED_TRACE(input.string());
            EXPECT_EQ(RunEntry(target.c_str(), ReadBytes(input)), accepted ? fuzz::kAccepted : fuzz::kRefused);
            ++replayed;
        }
    }
    if (replayed == 0) GTEST_SKIP() << "no saved inputs under " << root;
}

// The record target only finds faults in the record readers if its container
// opens: a real workbook stream inside it must read, and damage inside the
// stream must leave the container to the reader.
TEST(FuzzContainers, CompoundDocumentCarriesAWorkbookStream) {
    fs::path book = fs::path(DULO_FIXTURES) / "engine" / "book.xls";
    std::vector<uint8_t> file = ReadBytes(book);
    ASSERT_FALSE(file.empty());
    std::vector<uint8_t> document = fuzz::CompoundDocument({});
    // A compound document begins with its signature whatever its stream holds.
    ASSERT_GE(document.size(), 512u);
    EXPECT_EQ(document[0], 0xD0);
    EXPECT_EQ(document[1], 0xCF);
    std::vector<uint8_t> stream = fuzz::ReadWorkbookStream(book.string());
    ASSERT_GT(stream.size(), 100u);
    EXPECT_EQ(RunEntry("xls_records", stream), fuzz::kAccepted);
    EXPECT_EQ(RunEntry("xls", file), fuzz::kAccepted);
    // An empty stream is no workbook.
    EXPECT_EQ(RunEntry("xls_records", std::vector<uint8_t>{}), fuzz::kRefused);
}

TEST(FuzzContainers, FixedPackageReadsAndEachPartReachesTheReader) {
    std::vector<uint8_t> package = fuzz::XlsxPackage(fuzz::kXlsxPartCount, "");
    EXPECT_EQ(RunEntry("xlsx", package), fuzz::kAccepted);
    for (size_t part = 0; part < fuzz::kXlsxPartCount; ++part) {
        SCOPED_TRACE(fuzz::kXlsxPartNames[part]);
        std::string unchanged = std::string(1, char(part)) + fuzz::XlsxFixedPart(part);
        EXPECT_EQ(RunEntry("xlsx_part", unchanged), fuzz::kAccepted);
    }
    // Without its workbook part the package is no workbook: the part's bytes decide.
    EXPECT_EQ(RunEntry("xlsx_part", std::string(1, char(2)) + "<workbook"), fuzz::kRefused);
}

TEST(FuzzContainers, FixedOdsPackageReadsAndEachPartReachesTheReader) {
    std::vector<uint8_t> package = fuzz::OdsPackage(fuzz::kOdsPartCount, "");
    EXPECT_EQ(RunEntry("ods", package), fuzz::kAccepted);
    for (size_t part = 0; part < fuzz::kOdsPartCount; ++part) {
        SCOPED_TRACE(fuzz::kOdsPartNames[part]);
        EXPECT_EQ(RunEntry("ods_part", std::string(1, char(part)) + fuzz::OdsFixedPart(part)), fuzz::kAccepted);
    }
    // Without its content the package is no workbook: the part's bytes decide.
    EXPECT_EQ(RunEntry("ods_part", std::string(1, char(0)) + "<office:document-content"), fuzz::kRefused);
}

// The engine's newer kinds go out under their own extension, so detection
// reaches each loader: text is .csv only by its name, the others by content.
TEST(FuzzContainers, EachNewKindReachesItsLoader) {
    fs::path engine = fs::path(DULO_FIXTURES) / "engine";
    EXPECT_EQ(RunEntry("csv", ReadBytes(engine / "text.csv")), fuzz::kAccepted);
    EXPECT_EQ(RunEntry("ods", ReadBytes(engine / "book.ods")), fuzz::kAccepted);
    // A release 2 worksheet of two numbers (A1 and B1: one cell alone is no table), then its end.
    const std::string number("\x0E\0\x0D\0\xF1\0\0\0\0\0\0\0\0\0\0\xF0\x3F", 17);
    std::string lotus = std::string("\0\0\2\0\6\4", 6) + number + number + std::string("\1\0\0\0", 4);
    lotus[4 + 6 + 17 + 1] = 1;  // the second number's column
    EXPECT_EQ(RunEntry("lotus", lotus), fuzz::kAccepted);
    // Text with a NUL is no .csv text; without its release the BOF is no Lotus file.
    EXPECT_EQ(RunEntry("csv", std::string("a,b\0,c\n", 7)), fuzz::kRefused);
    lotus[4] = 0x7F;
    EXPECT_EQ(RunEntry("lotus", lotus), fuzz::kRefused);
}

// The extdata target makes its blocks in the shape its seed files have: a file
// of every layout is read whole, record by record, and one cut short is not.
TEST(FuzzContainers, DataFileOfEveryLayoutReadsWholeIntoTheBlocks) {
    for (size_t v = 0; v < fuzz::kDataFileVersionCount; ++v) {
        SCOPED_TRACE(fuzz::kDataFileVersions[v]);
        std::vector<uint8_t> file = fuzz::ExternalDataFile(v);
        EXPECT_EQ(RunEntry("extdata", file), fuzz::kAccepted);
        file.pop_back();
        EXPECT_EQ(RunEntry("extdata", file), fuzz::kRefused);
    }
    // The example model's own file, in the current layout.
    std::vector<uint8_t> example =
        ReadBytes(fs::path(DULO_FIXTURES) / "../../examples/model/externalmodel18.dulb");
    ASSERT_FALSE(example.empty());
    example.insert(example.begin(), 0);
    EXPECT_EQ(RunEntry("extdata", example), fuzz::kAccepted);
}

}  // namespace
