// GetExternalModels as a host calls it: the five arrays for models in the
// binary and the legacy form, the command lines the session sends, and the
// model files that have no external models to report.
#include "dulo/DuloModelDataLib.h"

#include "../extmodels/DataFileWriter.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace extmodels_test;
using Lines = std::vector<std::string>;
using Table = std::vector<std::vector<std::string>>;

const char* kReactor = R"({
  "equations": [{"name": "{BLOCK}.MASSBAL", "relation": 5, "variables": ["{BLOCK}.T", "{BLOCK}.FEED.FLOW"]}],
  "variables": [
    {"name": "{BLOCK}.FEED.FLOW", "value": 100.0, "spec": 1, "lower": 0, "upper": 1000, "description": "feed rate"},
    {"name": "{BLOCK}.T", "value": 350, "spec": 0, "lower": 300, "upper": 500}],
  "ports": [{"name": "{BLOCK}.FEED", "direction": 1, "variables": ["{BLOCK}.FEED.FLOW"]}],
  "parameters": [{"name": "PERT", "type": "Double", "value": 1e-6}]
})";

const char* kColumn = R"({
  "equations": [{"name": "{BLOCK}.SPLIT", "relation": 2, "variables": ["{BLOCK}.REFLUX"]}],
  "variables": [{"name": "{BLOCK}.REFLUX", "value": 2.5, "spec": 0, "lower": 0.5, "upper": 9}]
})";

// A VARIANT the test owns.
struct Result {
    VARIANT v;
    Result() { VariantInit(&v); }
    ~Result() { VariantClear(&v); }
};

// Rows of texts of a two-dimensional array; "<empty>" for VT_EMPTY.
Table TableOf(const VARIANT& v, long* rows = nullptr, long* columns = nullptr) {
    Table out;
    EXPECT_EQ(v.vt, VT_ARRAY | VT_VARIANT);
    if (v.vt != (VT_ARRAY | VT_VARIANT)) return out;
    EXPECT_EQ(SafeArrayGetDim(v.parray), 2u);
    LONG lb0, ub0, lb1, ub1;
    SafeArrayGetLBound(v.parray, 1, &lb0);
    SafeArrayGetUBound(v.parray, 1, &ub0);
    SafeArrayGetLBound(v.parray, 2, &lb1);
    SafeArrayGetUBound(v.parray, 2, &ub1);
    EXPECT_EQ(lb0, 0);
    EXPECT_EQ(lb1, 0);
    if (rows) *rows = ub0 + 1;
    if (columns) *columns = ub1 + 1;
    for (LONG r = 0; r <= ub0; ++r) {
        out.emplace_back();
        for (LONG c = 0; c <= ub1; ++c) {
            LONG idx[2] = {r, c};
            VARIANT e;
            VariantInit(&e);
            SafeArrayGetElement(v.parray, idx, &e);
            if (e.vt == VT_EMPTY) {
                out.back().push_back("<empty>");
            } else {
                EXPECT_EQ(e.vt, VT_BSTR);
                std::u16string s(e.bstrVal, SysStringLen(e.bstrVal));
                out.back().push_back(std::string(s.begin(), s.end()));
            }
            VariantClear(&e);
        }
    }
    return out;
}

Lines ReadLines(const fs::path& path) {
    Lines lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = fs::current_path();
        dir = fs::temp_directory_path() / ("dulo-extexport-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "model");
        WriteRegistry(std::string(DULO_BINARY_DIR) + "/zefthost/");
        setenv("ZEFTHOST_LOG", (dir / "script.log").c_str(), 1);
        DuloSetMessageSink([](const char*, const char* text, void* self) {
            static_cast<ExportTest*>(self)->messages.push_back(text);
        }, this, 1);
        Write("model/reactor.json", kReactor);
        Write("model/units/column.json", kColumn);
    }
    void TearDown() override {
        DuloSetMessageSink(nullptr, nullptr, 1);
        unsetenv("ZEFTHOST_LOG");
        fs::current_path(saved);
        fs::remove_all(dir);
    }
    void WriteRegistry(const std::string& zeftTop) {
        std::ofstream(dir / "registry.ini") << "[HKLM\\SOFTWARE\\TovrenTech\\ZEFT\\38.0]\nzefttop=" << zeftTop
                                            << "\n[HKLM\\SOFTWARE\\TovrenTech\\KLSystem\\38.0\\Dir]\nBin=/opt/kl\n"
                                               "[HKLM\\SOFTWARE\\TovrenTech\\Ralplan\\38.0]\nExeDir=/opt/rp\n"
                                               "[HKLM\\SOFTWARE\\TovrenTech\\TovrenDULO]\nDirectory=/opt/dulo\n";
        setenv("DULO_REGISTRY", (dir / "registry.ini").c_str(), 1);
    }
    void Write(const std::string& name, const std::string& text) {
        fs::create_directories((dir / name).parent_path());
        std::ofstream(dir / name) << text;
    }
    std::string ModelDir() const { return (dir / "model").string() + "/"; }

    // Calls the export; the four block arrays and the variables come back as tables.
    int Call(Table block[4], Table& variables, long& variableColumns) {
        Result r[5];
        int rc = GetExternalModels(ModelDir().c_str(), &r[0].v, &r[1].v, &r[2].v, &r[3].v, &r[4].v);
        for (int i = 0; i < 4; ++i) {
            long rows = -1;
            block[i] = TableOf(r[i].v, &rows);
            EXPECT_EQ(rows, 1) << i;
        }
        variables = TableOf(r[4].v, nullptr, &variableColumns);
        return rc;
    }

    fs::path dir, saved;
    Lines messages;
};

BlockRecord ReactorRecord() {
    BlockRecord b;
    b.name = "R1";
    b.path = "reactor.json";
    b.suppressed = true;
    b.blockWide = true;
    VariableRecord flow;
    flow.name = "R1.FEED.FLOW";
    flow.duloName = "LP_FLOW";
    flow.variableType = "FEED";  // the stored type replaces the one taken from the name
    flow.min = 10;
    flow.max = 110;
    flow.objFn = 2;
    flow.initial = 11;
    flow.expanded = true;
    b.ports = {{"FEED", "PORT_INPUT", true, {flow}}};
    VariableRecord t;
    t.name = "R1.T";
    t.min = 305;
    t.max = 495;
    t.initial = 351;
    t.isIndependent = true;
    b.internals = {t};
    ParameterRecord pert;
    pert.variable.name = "PERT";
    pert.type = "Double";
    pert.value = [](ByteWriter& w) { w.Double(2e-6); };
    b.parameters = {pert};
    return b;
}

BlockRecord ColumnRecord() {
    BlockRecord b;
    b.name = "C1";
    b.path = "units\\column.json";
    b.type = "ZEFT_CLOSED_FORM";
    VariableRecord reflux;
    reflux.name = "C1.REFLUX";
    reflux.min = 1;
    reflux.max = 8;
    reflux.initial = 3;
    b.internals = {reflux};
    return b;
}

const Table kBlocksByName[4] = {
    {{"C1", "R1"}}, {{"", ""}}, {{"5", "3"}}, {{"0", "1"}},
};

TEST_F(ExportTest, BinaryFormGivesTheFiveArraysAndTheSessionLinesInOrder) {
    Write("model/DuloModel.dulx",
          "<?xml version=\"1.0\"?><DuloConfiguration><Version>20.0.0</Version><Tables/>"
          "<ExternalModels><DataType>1</DataType></ExternalModels></DuloConfiguration>");
    InstanceRecord r;
    r.blocks = {ReactorRecord(), ColumnRecord()};
    ASSERT_TRUE(WriteDataFile(r, Layout{}).Save((dir / "model/externalmodel18.dulb").string()));

    Table blocks[4], variables;
    long columns = 0;
    ASSERT_EQ(Call(blocks, variables, columns), 1);
    EXPECT_EQ(messages, Lines{});
    EXPECT_EQ(blocks[0], kBlocksByName[0]);
    EXPECT_EQ(blocks[1], (Table{{ModelDir() + "units/column.json", ModelDir() + "reactor.json"}}));
    EXPECT_EQ(blocks[2], kBlocksByName[2]);
    EXPECT_EQ(blocks[3], kBlocksByName[3]);
    EXPECT_EQ(columns, 15);
    EXPECT_EQ(variables, (Table{
                             {"", "C1.REFLUX", "C1.REFLUX", "1", "8", "1e+30", "3", "false", "false", "false", "3",
                              "false", "3", "0", "<empty>"},
                             {"FEED", "R1.FEED.FLOW", "LP_FLOW", "10", "110", "2", "11", "false", "true", "true", "11",
                              "true", "1", "1", "<empty>"},
                             {"", "R1.T", "R1.T", "305", "495", "1e+30", "351", "true", "false", "false", "351",
                              "true", "2", "0", "<empty>"},
                         }));
    const std::string reactor = ModelDir() + "reactor.json", column = ModelDir() + "units/column.json";
    EXPECT_EQ(ReadLines(dir / "script.log"),
              (Lines{"load library \"blxexp\"", "load library \"xlpadap\"", "load library \"scdcfadap\"",
                     "solver sparse", "solver sparse", "add block R1 as xlpadap(\"model=" + reactor + "\")",
                     "EVALUATE EQUATIONS", "EVALUATE JACOBIAN", "exclude blocks R1",
                     "add block C1 as scdcfadap(\"model=" + column + "\")", "EVALUATE EQUATIONS",
                     "EVALUATE JACOBIAN", "include blocks C1", "delete block C1", "delete block R1", "blocks none",
                     "unload library \"blxexp\"", "unload library \"xlpadap\"", "unload library \"scdcfadap\""}));
}

TEST_F(ExportTest, LegacyFormGivesTheSameBlocks) {
    Write("model/DuloModel.dulx",
          "<DuloConfiguration><Version>20.0.0</Version><ExternalModels>"
          "<ExternalModel><Name>R1</Name><Path>reactor.json</Path><ModelType>ZEFT_XLP</ModelType>"
          "<IsSuppressed>true</IsSuppressed>"
          "<UDEVariables><UserEquationVariable><Name>R1.T</Name><Value>333</Value><DuloName>LP_T</DuloName>"
          "</UserEquationVariable></UDEVariables></ExternalModel>"
          "<ExternalModel><Name>C1</Name><Path>units\\column.json</Path><ModelType>ZEFT_CLOSED_FORM</ModelType>"
          "</ExternalModel></ExternalModels></DuloConfiguration>");
    Table blocks[4], variables;
    long columns = 0;
    ASSERT_EQ(Call(blocks, variables, columns), 1);
    EXPECT_EQ(messages, Lines{});
    EXPECT_EQ(blocks[0], kBlocksByName[0]);
    EXPECT_EQ(blocks[2], kBlocksByName[2]);
    EXPECT_EQ(blocks[3], kBlocksByName[3]);
    ASSERT_EQ(variables.size(), 3u);
    EXPECT_EQ(variables[2], (Lines{"", "R1.T", "LP_T", "300", "500", "1e+30", "350", "false", "false", "false",
                                   "333", "false", "2", "0", "<empty>"}));
    EXPECT_EQ(variables[1][0], "FLOW");
}

TEST_F(ExportTest, AVersionAfterTheExternalModelsIsNotSeen) {
    // Read under the version of no text, the file holds the oldest layout.
    Write("model/DuloModel.dulx",
          "<DuloConfiguration><ExternalModels><DataType/></ExternalModels><Version>20.0.0</Version>"
          "</DuloConfiguration>");
    InstanceRecord r;
    r.blocks = {ColumnRecord()};
    Layout oldest{false, false, false, false, false, false, false};
    ASSERT_TRUE(WriteDataFile(r, oldest).Save((dir / "model/externalmodel.dulb").string()));
    Table blocks[4], variables;
    long columns = 0;
    ASSERT_EQ(Call(blocks, variables, columns), 1);
    EXPECT_EQ(messages, Lines{});
    EXPECT_EQ(blocks[0], (Table{{"C1"}}));
    ASSERT_EQ(variables.size(), 1u);
    EXPECT_EQ(variables[0][3], "1");  // the stored minimum
}

TEST_F(ExportTest, ModelFilesWithoutExternalModelsGiveEmptyArrays) {
    const char* texts[] = {
        nullptr,  // no model file
        "<DuloConfiguration><Version>20.0.0</Version><Tables/></DuloConfiguration>",
        "<DuloConfiguration><ExternalModels",  // does not parse
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text ? text : "no model file");
        fs::remove(dir / "model/DuloModel.dulx");
        fs::remove(dir / "script.log");
        if (text) Write("model/DuloModel.dulx", text);
        Table blocks[4], variables;
        long columns = 0;
        ASSERT_EQ(Call(blocks, variables, columns), 1);
        for (const Table& t : blocks) EXPECT_EQ(t, (Table{{}}));
        EXPECT_TRUE(variables.empty());
        EXPECT_EQ(columns, 15);
        EXPECT_FALSE(fs::exists(dir / "script.log"));  // no session was opened
        EXPECT_EQ(messages, Lines{});
    }
}

TEST_F(ExportTest, MissingHostLibraryShowsTheInitialisationMessage) {
    WriteRegistry((dir / "nohost/").string());
    Write("model/DuloModel.dulx",
          "<DuloConfiguration><Version>20.0.0</Version><ExternalModels><DataType>1</DataType></ExternalModels>"
          "</DuloConfiguration>");
    Table blocks[4], variables;
    long columns = 0;
    ASSERT_EQ(Call(blocks, variables, columns), 1);
    EXPECT_EQ(messages, Lines{"Failed to Initialize ZEFT - cannot load ZEFTHOST.DLL"});
    for (const Table& t : blocks) EXPECT_EQ(t, (Table{{}}));
    EXPECT_TRUE(variables.empty());
    EXPECT_EQ(columns, 15);
}

TEST_F(ExportTest, ExampleModelLoadsItsTwoExternalModels) {
    const std::string model = fs::canonical(std::string(DULO_FIXTURES) + "/../../examples/model").string() + "/";
    Result r[5];
    ASSERT_EQ(GetExternalModels(model.c_str(), &r[0].v, &r[1].v, &r[2].v, &r[3].v, &r[4].v), 1);
    EXPECT_EQ(messages, Lines{});
    EXPECT_EQ(TableOf(r[0].v), (Table{{"HDT", "NSPLIT"}}));
    EXPECT_EQ(TableOf(r[1].v), (Table{{model + "extmodels/reactor.json", model + "extmodels/splitter.json"}}));
    EXPECT_EQ(TableOf(r[2].v), (Table{{"3", "5"}}));
    EXPECT_EQ(TableOf(r[3].v), (Table{{"0", "1"}}));
    Table variables = TableOf(r[4].v);
    ASSERT_EQ(variables.size(), 10u);
    EXPECT_EQ(variables[2], (Lines{"", "HDT.H2", "H2USE", "0", "5", "2.5", "1.5", "false", "false", "false", "1.5",
                                   "false", "6", "0", "<empty>"}));
}

TEST_F(ExportTest, DuloPrintsTheFiveArrays) {
    Write("model/DuloModel.dulx",
          "<DuloConfiguration><Version>20.0.0</Version><ExternalModels>"
          "<ExternalModel><Name>C1</Name><Path>units/column.json</Path><ModelType>ZEFT_CLOSED_FORM</ModelType>"
          "</ExternalModel></ExternalModels></DuloConfiguration>");
    std::string command = std::string(DULO_CLI_FILE) + " external-models '" + (dir / "model").string() +
                          "' --format json 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    int status = pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string column = (dir / "model").string() + "/units/column.json";
    EXPECT_EQ(out, "{\"export\": \"GetExternalModels\", \"return\": 1, \"result\": {\"names\": {\"array\": "
                   "[[\"C1\"]]}, \"paths\": {\"array\": [[\"" +
                       column +
                       "\"]]}, \"types\": {\"array\": [[\"5\"]]}, \"suppressed\": {\"array\": [[\"0\"]]}, "
                       "\"variables\": {\"array\": [[\"\", \"C1.REFLUX\", \"C1.REFLUX\", \"0.5\", \"9\", "
                       "\"1e+30\", \"2.5\", \"false\", \"false\", \"false\", \"2.5\", \"false\", \"1\", \"0\", "
                       "null]]}}}\n");
}

}  // namespace
