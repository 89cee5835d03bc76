// dBase tables through the table exports and the dulo host: the array a host
// receives, the merge rules of the keyed read, fixed-list tables, and dBase
// files listed in a model file beside workbooks.
#include "../exports/ExportsSupport.h"
#include "DbfSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>

namespace dbf_test {
namespace {

using exports_test::CellText;
using exports_test::CellType;
using exports_test::Dims;
using exports_test::DimsOf;
using exports_test::DirectoryBuffer;
using exports_test::Grid;
using exports_test::NameBuffers;
using exports_test::ResultVariant;

constexpr double kLeapDay2024 = 45351.0;  // 2024-02-29
constexpr double kNewYearsEve1999 = 36525.0;

int LoadSingle(const char* table, const std::string& path, ResultVariant& result, NameBuffers& names,
               int sourceType = 7) {
    return LoadSingleExcelTable(table, path.c_str(), "", sourceType, &result.v, names.row.data(), names.col.data());
}

TEST(DbfExports, SingleTableArrayHasTextNumbersAndSpareRows) {
    ResultVariant result;
    NameBuffers names;
    ASSERT_EQ(LoadSingle("KEYED", FixturePath("keyed.dbf"), result, names), 0);
    EXPECT_EQ(DimsOf(result.v), (Dims{6, 6}));
    EXPECT_EQ(Grid(result.v), (std::vector<std::string>{
                                  "ROWNAMES|TEXT|X|COUNT||",
                                  "A|alpha|1.5|2||",
                                  "B|beta|-3.25|||",
                                  "C|caf\xC3\xA9 cr\xC3\xA8me|5|7||",
                                  "AB|last|0.125|-4||",
                                  "|||||",
                              }));
    // Character fields reach the host as texts, numbers as doubles.
    EXPECT_EQ(CellType(result.v, 1, 0), VT_BSTR);
    EXPECT_EQ(CellType(result.v, 1, 1), VT_BSTR);
    EXPECT_EQ(CellType(result.v, 1, 2), VT_R8);
    EXPECT_EQ(CellType(result.v, 2, 3), VT_EMPTY);
    EXPECT_EQ(names.Row(), "AB");
}

TEST(DbfExports, DatesLogicalsAndMemosAsArrayElements) {
    TempDir dir;
    DbfFile f;
    f.fields = {{"ROWNAMES", 'C', 8}, {"DATE", 'D', 8}, {"FLAG", 'L', 1}, {"NOTE", 'M', 10}};
    f.records = {{{"LEAP", "20240229", "T", "0000000012"}},
                 {{"COMMON", "20230229", "f", ""}},
                 {{"EVE", "19991231", "", "x"}}};
    f.Write(dir.File("types.dbf"));
    ResultVariant result;
    NameBuffers names;
    ASSERT_EQ(LoadSingle("TYPES", dir.File("types.dbf"), result, names), 0);
    EXPECT_EQ(CellType(result.v, 1, 1), VT_DATE);
    EXPECT_EQ(CellText(result.v, 1, 1), "d:" + std::to_string(int(kLeapDay2024)));
    // 29 February of a common year has no date: the element stays empty.
    EXPECT_EQ(CellType(result.v, 2, 1), VT_EMPTY);
    EXPECT_EQ(CellText(result.v, 3, 1), "d:" + std::to_string(int(kNewYearsEve1999)));
    EXPECT_EQ(CellType(result.v, 1, 2), VT_R8);
    EXPECT_EQ(CellText(result.v, 1, 2), "1");
    EXPECT_EQ(CellText(result.v, 2, 2), "0");
    EXPECT_EQ(CellType(result.v, 3, 2), VT_EMPTY);
    EXPECT_EQ(CellType(result.v, 1, 3), VT_BSTR);
    EXPECT_EQ(CellText(result.v, 1, 3), "0000000012");
    EXPECT_EQ(CellType(result.v, 2, 3), VT_EMPTY);
}

// dups.dbf: A twice with the same X and texts "one", "again"; B with X 2 and
// then 2.5 and no text.
TEST(DbfExports, RepeatedRowNamesFollowTheKeyedMergeRules) {
    const std::string path = FixturePath("dups.dbf");
    {
        ResultVariant result;
        NameBuffers names;
        EXPECT_EQ(LoadSingle("DUPS", path, result, names), 18);
        EXPECT_EQ(names.Row(), "B");
        EXPECT_EQ(names.Col(), "X");
        EXPECT_TRUE(result.IsUntouched());
    }
    {
        ResultVariant result;
        NameBuffers names;
        EXPECT_EQ(LoadSingle("QBML", path, result, names), 16);
        EXPECT_EQ(names.Row(), "A");
        EXPECT_TRUE(result.IsUntouched());
    }
    {
        // An exempt table keeps the first value; the TEXT column takes the later text.
        ResultVariant result;
        NameBuffers names;
        ASSERT_EQ(LoadSingle("PGUESS", path, result, names), 0);
        EXPECT_EQ(Grid(result.v), (std::vector<std::string>{
                                      "ROWNAMES|X|TEXT||",
                                      "A|1|again||",
                                      "B|2|two||",
                                      "||||",
                                      "||||",
                                      "||||",
                                  }));
    }
}

// A fixed-list table is read by its key column from the dBase file itself.
TEST(DbfExports, FixedListTableReadsByItsKeyColumn) {
    ResultVariant result;
    NameBuffers names;
    ASSERT_EQ(LoadSingle("SHUTDOWN", FixturePath("shutdown.dbf"), result, names), 0);
    EXPECT_EQ(Grid(result.v), (std::vector<std::string>{
                                  "Unit|Days|Reason",
                                  "CRU1|3|inspection",
                                  "FCC|14|turnaround",
                              }));
    // The same table named as a worksheet source is not a workbook.
    ResultVariant asWorkbook;
    EXPECT_EQ(LoadSingle("SHUTDOWN", FixturePath("shutdown.dbf"), asWorkbook, names, 0), 20);
    // A table without the key column cannot be read by it.
    ResultVariant noKey;
    EXPECT_EQ(LoadSingle("SHUTDOWN", FixturePath("keyed.dbf"), noKey, names), 20);
    EXPECT_TRUE(noKey.IsUntouched());
}

TEST(DbfExports, UnreadableSourceReturns20) {
    TempDir dir;
    DbfFile f;
    f.version = 0x83;
    f.fields = {{"ROWNAMES", 'C', 4}};
    f.Write(dir.File("v83.dbf"));
    for (const std::string& path : {dir.File("v83.dbf"), dir.File("missing.dbf")}) {
        ResultVariant result;
        NameBuffers names;
        EXPECT_EQ(LoadSingle("T", path, result, names), 20) << path;
        EXPECT_TRUE(result.IsUntouched());
    }
}

// A model directory with Book1.xls of the export fixtures and dBase files.
struct ModelDir {
    TempDir dir;
    void CopyWorkbook() {
        fs::copy_file(exports_test::ModelDir() + "/Book1.xls", dir.path / "Book1.xls");
    }
    void WriteModel(const std::vector<std::pair<std::string, int>>& files) {
        std::ofstream out(dir.path / "DuloModel.dulx");
        out << "<?xml version=\"1.0\"?>\n<DuloConfiguration>\n  <Tables>\n";
        for (const auto& [file, type] : files)
            out << "    <Table><Name>PLAIN</Name><File>" << file << "</File><Enabled>1</Enabled><TableType>" << type
                << "</TableType></Table>\n";
        out << "  </Tables>\n</DuloConfiguration>\n";
    }
    int Load(ResultVariant& result) {
        DirectoryBuffer buffer(dir.path.string());
        return LoadTableSX(buffer.c_str(), "PLAIN", &result.v);
    }
};

// Book1.xls[PLAIN] holds A, B, C with TEXT, DATE, X, Y; plain.dbf holds A (the
// same), B with another TEXT and no Z, and D, with a further column Z.
TEST(DbfExports, ModelListsADbaseFileBesideAWorkbook) {
    ModelDir model;
    model.CopyWorkbook();
    fs::copy_file(FixturePath("plain.dbf"), model.dir.path / "plain.dbf");
    model.WriteModel({{"Book1.xls[PLAIN]", 0}, {"Plain.DBF[not a sheet]", 7}});
    ResultVariant result;
    ASSERT_EQ(model.Load(result), 1);
    const double march1 = 45352.0;
    auto d = [](double date) { return "d:" + std::to_string(int(date)); };
    EXPECT_EQ(Grid(result.v), (std::vector<std::string>{
                                  "ROWNAMES|TEXT|DATE|X|Y|Z||",
                                  "A|alpha|" + d(march1) + "|1.5|2|10||",
                                  "B|beta two|" + d(march1 + 1) + "|3|4|||",
                                  "C|gamma|" + d(march1 + 2) + "|5||||",
                                  "D|delta||7.25||40||",
                                  "|||||||",
                              }));

    // The dBase file first: its columns lead, the workbook's follow.
    model.WriteModel({{"plain.dbf", 7}, {"Book1.xls[PLAIN]", 0}});
    ResultVariant reversed;
    ASSERT_EQ(model.Load(reversed), 1);
    EXPECT_EQ(exports_test::RowText(reversed.v, 0), "ROWNAMES|TEXT|X|Z|DATE|Y||");
    EXPECT_EQ(exports_test::RowText(reversed.v, 2), "B|beta|3||" + d(march1 + 1) + "|4||");
}

TEST(DbfExports, ModelDbaseFileThatConflictsOrIsMissingFailsTheRead) {
    ModelDir model;
    model.CopyWorkbook();
    DbfFile f;
    f.fields = {{"ROWNAMES", 'C', 4}, {"X", 'N', 6, 2}};
    f.records = {{{"A", "9"}}};
    f.Write(model.dir.path / "conflict.dbf");
    model.WriteModel({{"Book1.xls[PLAIN]", 0}, {"conflict.dbf", 7}});
    ResultVariant conflict;
    std::vector<std::string> messages;
    DuloSetMessageSink(
        [](const char*, const char* text, void* context) {
            static_cast<std::vector<std::string>*>(context)->push_back(text);
        },
        &messages, 1);
    EXPECT_EQ(model.Load(conflict), 0);
    DuloSetMessageSink(nullptr, nullptr, 1);
    EXPECT_TRUE(conflict.IsUntouched());
    // The message names the file whose row conflicts.
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Duplicate coefficient in table " + (model.dir.path / "conflict.dbf").string() +
                               " for row A column X");

    model.WriteModel({{"Book1.xls[PLAIN]", 0}, {"absent.dbf", 7}});
    ResultVariant missing;
    EXPECT_EQ(model.Load(missing), 0);

    // Without its TableType the .dbf is taken for a workbook and fails as one.
    model.WriteModel({{"conflict.dbf", 0}});
    ResultVariant asWorkbook;
    EXPECT_EQ(model.Load(asWorkbook), 0);
    model.WriteModel({{"conflict.dbf", 7}});
    ResultVariant alone;
    ASSERT_EQ(model.Load(alone), 1);
    EXPECT_EQ(exports_test::RowText(alone.v, 1), "A|9||");
}

// Two dBase files of one table: logical, memo and character columns merge by
// row name like the worksheet kinds, and a differing logical value conflicts.
TEST(DbfExports, ModelMergesTwoDbaseFilesWithEveryFieldType) {
    ModelDir model;
    DbfFile first;
    first.fields = {{"ROWNAMES", 'C', 4}, {"FLAG", 'L', 1}, {"NOTE", 'M', 10}, {"DAY", 'D', 8}};
    first.records = {{{"A", "T", "0000000001", "20240229"}}, {{"B", "F", "", ""}}};
    first.Write(model.dir.path / "one.dbf");
    DbfFile second = first;
    second.records = {{{"A", "T", "0000000001", "20240229"}}, {{"B", "", "0000000002", "20240301"}},
                      {{"C", "F", "x", ""}}};
    second.Write(model.dir.path / "two.dbf");
    model.WriteModel({{"one.dbf", 7}, {"two.dbf[x]", 7}});
    ResultVariant result;
    ASSERT_EQ(model.Load(result), 1);
    auto d = [](double date) { return "d:" + std::to_string(int(date)); };
    EXPECT_EQ(Grid(result.v), (std::vector<std::string>{
                                  "ROWNAMES|FLAG|NOTE|DAY||",
                                  "A|1|0000000001|" + d(kLeapDay2024) + "||",
                                  "B|0|0000000002|" + d(kLeapDay2024 + 1) + "||",
                                  "C|0|x|||",
                                  "|||||",
                              }));

    second.records = {{{"A", "F", "", ""}}};
    second.Write(model.dir.path / "two.dbf");
    ResultVariant conflict;
    EXPECT_EQ(model.Load(conflict), 0);
}

std::string RunDuloOutput(const std::string& args, int& status, bool prefixHost = true) {
    std::string command = (prefixHost ? std::string("\"") + DULO_CLI_FILE + "\" " : std::string()) + args + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    size_t n;
    while (pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    status = pipe ? pclose(pipe) : -1;
    status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

TEST(DbfExports, DuloHostReadsADbaseFile) {
    int status = -1;
    const std::string path = "\"" + FixturePath("keyed.dbf") + "\"";
    std::string summary = RunDuloOutput("single-table " + path + " \"\" KEYED --source-type 7 --format summary", status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(summary, "{\"export\": \"LoadSingleExcelTable\", \"return\": 0, \"dims\": [6, 6]}\n");
    std::string json = RunDuloOutput("--format json --source-type 7 single-table " + path + " \"\" KEYED", status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(json.find("[\"C\", \"caf\xC3\xA9 cr\xC3\xA8me\", 5, 7, null, null]"), std::string::npos) << json;
    RunDuloOutput("single-table " + path + " \"\" KEYED --source-type 0 --format summary", status);
    EXPECT_EQ(status, 1);
}

// The read leaves the user's numeric locale in force; the host's JSON keeps its decimal points.
TEST(DbfExports, DuloJsonNumbersIgnoreTheUserNumericLocale) {
    int status = -1;
    const std::string path = "\"" + FixturePath("keyed.dbf") + "\"";
    std::string json =
        RunDuloOutput("env LC_ALL=de_DE.UTF-8 \"" + std::string(DULO_CLI_FILE) + "\" --format json --source-type 7 " +
                          "single-table " + path + " \"\" KEYED",
                      status, false);
    EXPECT_EQ(status, 0);
    EXPECT_NE(json.find("[\"B\", \"beta\", -3.25, null, null, null]"), std::string::npos) << json;
}

}  // namespace
}  // namespace dbf_test
