// The stand-in host library as a caller sees it: the command lines it accepts
// and refuses, its log, the numbering of equations and variables across blocks,
// its events and messages, and the values it hands out.
#include "extmodels/ZeftHostApi.h"
#include "platform/TextConv.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const char* kModel = R"({"block": "FILEBLOCK",
  "equations": [{"name": "{BLOCK}.E1", "relation": 2, "lower": -5, "upper": 7, "variables": ["{BLOCK}.B", "{BLOCK}.A"]}],
  "variables": [{"name": "{BLOCK}.A", "value": 1.5, "spec": 1, "lower": -1, "upper": 9, "description": "first"},
                {"name": "{BLOCK}.B", "value": 2.5}],
  "ports": [{"name": "{BLOCK}.P", "direction": 2, "variables": ["{BLOCK}.A"]}],
  "parameters": [{"name": "I", "type": "Integer", "value": 4}, {"name": "S", "type": "String", "value": "abc"},
                 {"name": "L", "type": "Stringlist", "value": ["x", "y"]},
                 {"name": "B", "type": "Bool", "value": false, "access": 0}]})";

struct Events {
    static inline std::vector<std::pair<int32_t, int32_t>> seen;  // (handle, event)
    static inline Lines messages;
    static void Event(int32_t h, int32_t e, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
        seen.emplace_back(h, e);
    }
    static void Message(const char* text) { messages.push_back(text); }
};

class StandInHost : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("dulo-standin-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        model = (dir / "unit.model.json").string();
        std::ofstream(model) << kModel;
        setenv("ZEFTHOST_LOG", (dir / "script.log").c_str(), 1);
        module = dlopen((std::string(DULO_BINARY_DIR) + "/zefthost/xeq/libzefthost.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        Events::seen.clear();
        Events::messages.clear();
        sim = Get<PFN_API_CreateNewSimulation>("API_CreateNewSimulation")("DULOExternalModels", 0);
        ASSERT_TRUE(Get<PFN_API_SetMessageCallback>("API_SetMessageCallback")(&Events::Message));
        ASSERT_TRUE(Get<PFN_API_SetEventCallback>("API_SetEventCallback")(sim, &Events::Event));
    }
    void TearDown() override {
        if (module) {
            Get<PFN_API_CloseOneSimulation>("API_CloseOneSimulation")(sim);
            dlclose(module);
        }
        unsetenv("ZEFTHOST_LOG");
        fs::remove_all(dir);
    }
    template <class Fn>
    Fn Get(const char* name) {
        void* p = dlsym(module, name);
        EXPECT_NE(p, nullptr) << name;
        return reinterpret_cast<Fn>(p);
    }
    bool Run(const std::string& line) { return Get<PFN_API_ScriptExecute>("API_ScriptExecute")(sim, line.c_str()); }
    std::vector<int32_t> BlockInfo(int32_t block, std::string* name = nullptr) {
        std::vector<int32_t> n(11);
        char buffer[kZeftNameBufferSize] = {};
        bool ok = Get<PFN_API_GetBlockInfo>("API_GetBlockInfo")(sim, block, buffer, &n[0], &n[1], &n[2], &n[3], &n[4],
                                                                 &n[5], &n[6], &n[7], &n[8], &n[9], &n[10]);
        if (!ok) return {};
        if (name) *name = buffer;
        return n;
    }

    fs::path dir;
    std::string model;
    void* module = nullptr;
    int32_t sim = 0;
};

TEST_F(StandInHost, AcceptsExactlyTheSessionsCommandLinesAndLogsThemAll) {
    struct Case {
        std::string line;
        bool ok;
    } cases[] = {
        {"add block X0 as xlpadap(\"model=" + model + "\")", false},  // library not loaded yet
        {"load library \"blxexp\"", true},
        {"load library \"xlpadap\"", true},
        {"load library \"scdcfadap\"", true},
        {"load library \"other\"", false},
        {"solver vrx", true},
        {"solver decomp_sparse", true},
        {"solver fast", false},
        {"vrx.workingdir = \"/models/a\"", true},
        {"add block R1 as xlpadap(\"model=" + model + "\")", true},
        {"add block R2 as scdcfadap(\"model=" + model + "\")", true},
        {"add block R3 as blxexp(\"model=" + model + "\")", true},
        {"add block R4 as blxexp(\"" + model + "\")", true},  // the custom-modeller text form
        {"add block R5 as xlpadap(\"" + model + "\")", false},
        {"add block R 6 as xlpadap(\"model=" + model + "\")", false},
        {"add block R1 as xlpadap(\"model=" + model + "\")", false},  // the name is taken
        {"add block R7 as xlpadap(\"model=" + (dir / "missing.json").string() + "\")", false},
        {"read block as R8 from \"" + model + "\"", true},            // named FILEBLOCK by its file
        {"load library (\"" + model + "\")", true},
        {"add block R9 as unit", true},
        {"add block R10 as other", false},
        {"EVALUATE EQUATIONS", true},
        {"EVALUATE JACOBIAN", true},
        {"evaluate equations", false},
        {"exclude blocks R2", true},
        {"include blocks R2", true},
        {"include blocks NONE", false},
        {"delete block R4", true},
        {"delete block R4", false},
        {"blocks none", true},
        {"unload library \"blxexp\"", true},
        {"", false},
        {"frobnicate", false},
    };
    Lines expected;
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.line), c.ok) << c.line;
        expected.push_back(c.line);
    }
    Lines logged;
    std::ifstream in(dir / "script.log");
    for (std::string line; std::getline(in, line);) logged.push_back(line);
    EXPECT_EQ(logged, expected);
    EXPECT_EQ(Get<PFN_API_GetNumberOfZEFTBlocks>("API_GetNumberOfZEFTBlocks")(sim), 5);  // R4 was deleted
    std::string name;
    ASSERT_FALSE(BlockInfo(4, &name).empty());
    EXPECT_EQ(name, "FILEBLOCK");
    // A refused line is explained through the message callback.
    EXPECT_NE(std::find(Events::messages.begin(), Events::messages.end(), "command failed: frobnicate"),
              Events::messages.end());
}

TEST_F(StandInHost, NumbersEquationsAndVariablesAcrossBlocks) {
    ASSERT_TRUE(Run("load library \"xlpadap\""));
    ASSERT_TRUE(Run("add block R1 as xlpadap(\"model=" + model + "\")"));
    ASSERT_TRUE(Run("add block R2 as xlpadap(\"model=" + model + "\")"));
    std::string name;
    // block, first and last equation, equations, variables, port variables, structure, first and last variable, ports, parameters
    EXPECT_EQ(BlockInfo(2, &name), (std::vector<int32_t>{2, 2, 2, 1, 2, 1, 2, 3, 4, 1, 4}));
    EXPECT_EQ(name, "R2");
    int32_t incidence[2], variables[2];
    uint8_t fixed[2];
    ASSERT_TRUE(Get<PFN_API_GetBlockJacobianStruct>("API_GetBlockJacobianStruct")(sim, 2, incidence, variables, fixed));
    // The structure lists B before A, as the equation uses them.
    EXPECT_EQ(std::vector<int32_t>(incidence, incidence + 2), (std::vector<int32_t>{3, 4}));
    EXPECT_EQ(std::vector<int32_t>(variables, variables + 2), (std::vector<int32_t>{4, 3}));
    EXPECT_EQ(fixed[1], 1);

    char buffer[kZeftNameBufferSize];
    int32_t count = -1;
    uint8_t flag = 9;
    int32_t* values = Get<PFN_API_GetEquationNameAndIncidentNonZeroInfo>("API_GetEquationNameAndIncidentNonZeroInfo")(
        sim, 2, buffer, &count, &flag, "R2");
    ASSERT_NE(values, nullptr);
    EXPECT_EQ(std::string(buffer), "R2.E1");
    EXPECT_EQ(std::vector<int32_t>(values, values + count), (std::vector<int32_t>{3, 4}));
    std::free(values);

    double lower = 0, upper = 0, residual = 1, value = 0;
    uint8_t f1, f2, f3;
    int32_t relation = -1, spec = -1;
    ASSERT_TRUE(Get<PFN_API_GetEquationInfo>("API_GetEquationInfo")(sim, 2, buffer, &lower, &upper, &residual, &f1,
                                                                      &f2, &f3, &relation));
    EXPECT_EQ(relation, 2);
    EXPECT_EQ(lower, -5);
    EXPECT_EQ(upper, 7);
    char units[kZeftNameBufferSize], type[kZeftNameBufferSize];
    ASSERT_TRUE(Get<PFN_API_GetVariableInfo>("API_GetVariableInfo")(sim, 3, buffer, &value, &spec, units, type));
    EXPECT_EQ(std::string(buffer), "R2.A");
    EXPECT_EQ(value, 1.5);
    EXPECT_EQ(spec, 1);
    EXPECT_FALSE(Get<PFN_API_GetVariableInfo>("API_GetVariableInfo")(sim, 5, buffer, &value, &spec, units, type));
    ASSERT_TRUE(Get<PFN_API_GetVariableDescription>("API_GetVariableDescription")(sim, 3, buffer));
    EXPECT_EQ(std::string(buffer), "first");
    EXPECT_FALSE(Get<PFN_API_GetVariableDescription>("API_GetVariableDescription")(sim, 4, buffer));

    // Deleting the first block numbers the second from 1.
    ASSERT_TRUE(Run("delete block R1"));
    EXPECT_EQ(BlockInfo(1, &name)[7], 1);
    EXPECT_EQ(name, "R2");
    EXPECT_TRUE(BlockInfo(2).empty());
    // BlocksChanged after each add and the delete.
    EXPECT_EQ(Events::seen, (std::vector<std::pair<int32_t, int32_t>>{{sim, 0}, {sim, 0}, {sim, 0}}));
}

TEST_F(StandInHost, ParametersComeAsVariantsAndTakeValuesOfTheirType) {
    ASSERT_TRUE(Run("load library \"xlpadap\""));
    ASSERT_TRUE(Run("add block R1 as xlpadap(\"model=" + model + "\")"));
    auto info = Get<PFN_API_GetBlockParameterInfo>("API_GetBlockParameterInfo");
    char name[kZeftNameBufferSize], description[kZeftNameBufferSize], units[kZeftNameBufferSize];
    VARIANT v;
    VariantInit(&v);
    ASSERT_TRUE(info(sim, 1, 0, name, &v, description, units));
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 4);
    ASSERT_TRUE(info(sim, 1, 1, name, &v, description, units));
    EXPECT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(dulo::Utf8FromBstr(v.bstrVal), "abc");
    VariantClear(&v);
    ASSERT_TRUE(info(sim, 1, 2, name, &v, description, units));
    ASSERT_EQ(v.vt, VT_ARRAY | VT_BSTR);
    LONG upper = -1;
    SafeArrayGetUBound(v.parray, 1, &upper);
    EXPECT_EQ(upper, 1);
    VariantClear(&v);
    EXPECT_FALSE(info(sim, 1, 4, name, &v, description, units));
    int32_t access = -1;
    ASSERT_TRUE(Get<PFN_API_GetBlockParameterAccess>("API_GetBlockParameterAccess")(sim, 1, 3, &access));
    EXPECT_EQ(access, 0);

    auto put = Get<PFN_API_PutBlockParameterValueByName>("API_PutBlockParameterValueByName");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_INT;
    value.intVal = 9;
    EXPECT_TRUE(put(sim, "R1", "I", value));
    EXPECT_FALSE(put(sim, "R1", "S", value));  // not a string
    EXPECT_FALSE(put(sim, "R1", "NONE", value));
    EXPECT_FALSE(put(sim, "R9", "I", value));
    value.vt = VT_BOOL;
    value.boolVal = VARIANT_TRUE;
    EXPECT_FALSE(put(sim, "R1", "B", value));  // read-only
    ASSERT_TRUE(info(sim, 1, 0, name, &v, description, units));
    EXPECT_EQ(v.lVal, 9);
    EXPECT_EQ(Events::seen.back().second, 11);  // ParameterChanged
}

TEST_F(StandInHost, FurtherEntryPointsArePresent) {
    for (const char* name : kZeftFurtherEntryPoints) EXPECT_NE(dlsym(module, name), nullptr) << name;
}

}  // namespace
