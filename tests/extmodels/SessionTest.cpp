// The host session against the stand-in host library: the command lines and
// their order, blocks built from the host, parameters, events, teardown and
// the initialisation failures.
#include "HostFixture.h"

#include <clocale>
#include <sstream>

namespace {

using namespace extmodels_test;
using Lines = std::vector<std::string>;

const Lines kFirstInit = {"load library \"blxexp\"", "load library \"xlpadap\"", "load library \"scdcfadap\"",
                          "solver sparse"};
const Lines kCloseEmpty = {"blocks none", "unload library \"blxexp\"", "unload library \"xlpadap\"",
                           "unload library \"scdcfadap\""};

Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Call-log lines without the simulation handle.
Lines CallNames(const Lines& calls) {
    Lines out;
    for (const std::string& line : calls) {
        std::istringstream in(line);
        std::string name, handle, rest;
        in >> name >> handle;
        std::getline(in, rest);
        out.push_back(name + rest);
    }
    return out;
}

using SessionTest = HostFixture;

TEST_F(SessionTest, InstanceLifetimeSendsTheInitialisationAndClosingLines) {
    EXPECT_EQ(CZEFTInstance::Current(), nullptr);
    CZEFTInstance& instance = CZEFTInstance::Get();
    EXPECT_EQ(&CZEFTInstance::Get(), &instance);
    EXPECT_NE(instance.HostLibrary, nullptr);
    EXPECT_NE(dulo::ZeftSession().simulation, -1);
    EXPECT_EQ(Script(), kFirstInit);
    CZEFTInstance::Release();
    EXPECT_EQ(CZEFTInstance::Current(), nullptr);
    EXPECT_EQ(Script(), Concat({kFirstInit, kCloseEmpty}));
    ASSERT_FALSE(Calls().empty());
    EXPECT_EQ(CallNames(Calls()).back(), "API_CloseOneSimulation");
}

TEST_F(SessionTest, SolverLineByIndexAndTheWorkingDirectoryOnlyForTheFirstSolver) {
    struct Case {
        int index;
        const char* directory;
        Lines lines;
    } cases[] = {
        {0, "/models/a", {"solver vrx", "vrx.workingdir = \"/models/a\""}},
        {0, "", {"solver vrx"}},
        {1, "/models/a", {"solver kqsp"}},
        {2, "/models/a", {"solver sparse"}},
        {3, "/models/a", {"solver decomp_vrx"}},
        {4, "/models/a", {"solver decomp_kqsp"}},
        {5, "/models/a", {"solver decomp_sparse"}},
        {9, "/models/a", {"solver sparse"}},
        {-1, "/models/a", {"solver sparse"}},
    };
    CZEFTInstance& instance = CZEFTInstance::Get();
    for (const Case& c : cases) {
        ClearLogs();
        EXPECT_EQ(instance.InitialiseSession(0, c.index, 1, "2e-5", c.directory), 0);
        EXPECT_EQ(Script(), c.lines) << c.index;
        EXPECT_EQ(instance.InputOutputMap, 1);
        EXPECT_EQ(instance.PerturbationSize, "2e-5");
        EXPECT_EQ(dulo::ZeftSession().solverIndex, c.index);
    }
    // The working-directory line is cut to 511 characters.
    ClearLogs();
    std::string longDir(600, 'd');
    instance.InitialiseSession(0, 0, 0, "1e-6", longDir);
    ASSERT_EQ(Script().size(), 2u);
    EXPECT_EQ(Script()[1], ("vrx.workingdir = \"" + longDir).substr(0, 511));
}

TEST_F(SessionTest, SearchPathGetsTheHostDirectoriesInFront) {
    const std::string before = "/usr/bin:/bin";
    setenv("PATH", ("  " + before + "  ").c_str(), 1);
    CZEFTInstance::Get();
    std::string path = std::getenv("PATH");
    // Loading may put the host's directory in front once more, the first time in a process.
    const std::string xeq = StandInTop() + "xeq:";
    const std::string tail = xeq + "/opt/kl/bin:/opt/ralplan:" + before;
    EXPECT_EQ(path.substr(0, xeq.size()), xeq);
    ASSERT_GE(path.size(), tail.size());
    EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
}

TEST_F(SessionTest, AddLinesByModelType) {
    const std::string model = WriteFile("models/reactor.main.flow", kReactorModel);
    struct Case {
        int32_t type;
        Lines lines;
        const char* finalName;
    } cases[] = {
        {1, {"add block R1 as blxexp(\"model=" + model + "\")"}, "R1"},
        {8, {"add block R1 as blxexp(\"model=" + model + "\")"}, "R1"},
        {2, {"load library (\"" + model + "\")", "add block R1 as reactor"}, "R1"},
        {3, {"add block R1 as xlpadap(\"model=" + model + "\")"}, "R1"},
        {4, {"add block R1 as xlpadap(\"model=" + model + "\")"}, "R1"},
        {9, {"add block R1 as xlpadap(\"model=" + model + "\")"}, "R1"},
        {5, {"add block R1 as scdcfadap(\"model=" + model + "\")"}, "R1"},
        {7, {"read block as R1 from \"" + model + "\""}, "RX"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        CZEFTInstance& instance = CZEFTInstance::Get();
        ClearLogs();
        std::string name = "R1";
        ASSERT_EQ(instance.AddBlock(name, "M", "models/reactor.main.flow", model, c.type), 0);
        EXPECT_EQ(name, c.finalName);
        EXPECT_EQ(Script(), Concat({c.lines, {"EVALUATE EQUATIONS", "EVALUATE JACOBIAN"}}));
        ASSERT_NE(instance.FindBlock(c.finalName, "M"), nullptr);
        EXPECT_EQ(instance.FindBlock(c.finalName, "M")->ModelType, c.type);
        ClearLogs();
        CZEFTInstance::Release();
        EXPECT_EQ(Script(), Concat({{std::string("delete block ") + c.finalName}, kCloseEmpty}));
    }
}

TEST_F(SessionTest, UnknownModelTypesSendNothing) {
    CZEFTInstance& instance = CZEFTInstance::Get();
    ClearLogs();
    for (int32_t type : {0, 6, 10, -1}) {
        std::string name = "R1";
        EXPECT_EQ(instance.AddBlock(name, "M", "x", "/x", type), kZeftAddNoBlock) << type;
    }
    EXPECT_TRUE(Script().empty());
    EXPECT_EQ(instance.Blocks.GetSize(), 0);
}

TEST_F(SessionTest, BlockIsBuiltFromTheHost) {
    const std::string model = WriteFile("reactor.json", kReactorModel);
    CZEFTInstance& instance = CZEFTInstance::Get();
    std::string name = "R1";
    ASSERT_EQ(instance.AddBlock(name, "Refinery", "reactor.json", model, kZeftXlp), 0);
    CZEFTBlock* block = instance.FindBlock("R1", "Refinery");
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->Index, 1);
    EXPECT_EQ(block->AbsolutePath, model);
    EXPECT_EQ(block->RelativePath, "reactor.json");
    EXPECT_EQ(block->PerturbationText, "1e-06");
    EXPECT_EQ(block->HostStructure[1], 1);  // first equation
    EXPECT_EQ(block->HostStructure[2], 4);  // last equation
    EXPECT_EQ(block->HostStructure[9], 2);  // ports
    EXPECT_EQ(block->HostStructure[10], 5);  // parameters

    // Equations: types by relation kind, incidence in the host's numbering.
    ASSERT_EQ(block->Equations.GetSize(), 4);
    struct Eq {
        const char* name;
        const char* type;
        std::vector<int32_t> hostVariables, indexes;
        std::vector<std::string> newNames;
    } eqs[] = {
        {"R1.MASSBAL", "Free", {3, 1}, {0, 1}, {"R1.T", "R1.FEED.FLOW"}},
        {"R1.HEAT", "LE", {4, 3}, {2, 0}, {"R1.Q"}},
        {"R1.SPEC", "GE", {5}, {3}, {"R1.PROD.TEMPERATURE"}},
        {"R1.LIMIT", "EQ", {}, {}, {}},
    };
    for (int i = 0; i < 4; ++i) {
        const CZeftDefinedEquation& e = *block->Equations.GetAt(i);
        SCOPED_TRACE(eqs[i].name);
        EXPECT_EQ(e.GetName(), eqs[i].name);
        EXPECT_EQ(e.EquationNumber, i + 1);
        EXPECT_EQ(e.GetEquationType(), eqs[i].type);
        EXPECT_EQ(e.IncidentHostVariables, eqs[i].hostVariables);
        EXPECT_EQ(e.IncidentIndexes, eqs[i].indexes);
        EXPECT_EQ(e.IncidentNames, eqs[i].newNames);
        ASSERT_EQ(e.Variables().size(), eqs[i].hostVariables.size());
        for (size_t k = 0; k < e.Variables().size(); ++k)
            EXPECT_EQ(e.Variables()[k]->HostIndex, eqs[i].hostVariables[k]);
    }

    // Variables: only those the equations use, in Name order; the feed
    // concentration lies on a port but in no equation and is passed over.
    ASSERT_EQ(instance.Variables.GetSize(), 4);
    const char* order[] = {"R1.FEED.FLOW", "R1.PROD.TEMPERATURE", "R1.Q", "R1.T"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(instance.Variables.GetAt(i)->Name, order[i]);
    const CUserDefinedEquationVariable& flow = *instance.Variables.GetAt(0);
    EXPECT_EQ(flow.HostIndex, 1);
    EXPECT_TRUE(flow.IsNew);
    EXPECT_EQ(flow.Initial, 100);
    EXPECT_EQ(flow.HostSpec, 1);
    EXPECT_EQ(flow.Min, 0);
    EXPECT_EQ(flow.MinProcess, 0);
    EXPECT_EQ(flow.Max, 1000);
    EXPECT_EQ(flow.MaxProcess, 1000);
    EXPECT_EQ(flow.Description, "feed rate");
    EXPECT_EQ(flow.DuloName, "R1.FEED.FLOW");
    EXPECT_EQ(flow.OwnerModelName, "Refinery");
    EXPECT_EQ(flow.VariableType, "FLOW");
    EXPECT_FALSE(flow.IsIndependent);  // fixed, even on an input port
    EXPECT_FALSE(flow.IsInternal);
    const CUserDefinedEquationVariable& q = *instance.Variables.GetAt(2);
    EXPECT_EQ(q.Description, "");
    EXPECT_EQ(q.Initial, -2.5);
    EXPECT_EQ(q.Min, -10);
    EXPECT_TRUE(q.IsInternal);

    // Ports: names after the first ".", their variables off the internal list.
    ASSERT_EQ(block->Ports.GetSize(), 2);
    EXPECT_EQ(block->Ports.GetAt(0)->Name, "FEED");
    EXPECT_EQ(block->Ports.GetAt(0)->PortNumber, 1);
    EXPECT_EQ(block->Ports.GetAt(0)->Direction, kPortInput);
    ASSERT_EQ(block->Ports.GetAt(0)->Variables.GetSize(), 1);
    EXPECT_EQ(block->Ports.GetAt(0)->Variables.GetAt(0), &flow);
    EXPECT_EQ(block->Ports.GetAt(1)->Name, "PROD");
    EXPECT_EQ(block->Ports.GetAt(1)->Direction, kPortOutput);
    ASSERT_EQ(block->Ports.GetAt(1)->Variables.GetSize(), 1);
    EXPECT_EQ(block->Ports.GetAt(1)->Variables.GetAt(0)->VariableType, "TEMPERA");
    ASSERT_EQ(block->InternalVariables.GetSize(), 2);
    EXPECT_EQ(block->InternalVariables.GetAt(0)->Name, "R1.Q");
    EXPECT_EQ(block->InternalVariables.GetAt(1)->Name, "R1.T");

    // Parameters in Name order with their types, the read-only one locked.
    ASSERT_EQ(block->Parameters.GetSize(), 5);
    const CZeftParameterList& p = block->Parameters;
    EXPECT_EQ(p.GetAt(0)->Name, "ACTIVE");
    EXPECT_EQ(p.GetAt(0)->ParameterType, kParamBool);
    EXPECT_TRUE(p.GetAt(0)->BoolValue);
    EXPECT_EQ(p.GetAt(1)->ParameterType, kParamStringList);
    EXPECT_EQ(p.GetAt(1)->StringList, (std::vector<std::string>{"H2O", "CO2"}));
    EXPECT_EQ(p.GetAt(2)->Name, "MODE");
    EXPECT_EQ(p.GetAt(2)->StringValue, "steady");
    EXPECT_TRUE(p.GetAt(2)->Locked);
    EXPECT_EQ(p.GetAt(3)->Name, "PERT");
    EXPECT_EQ(p.GetAt(3)->DoubleValue, 1e-6);
    EXPECT_EQ(p.GetAt(3)->Description, "step");
    EXPECT_EQ(p.GetAt(3)->HostIndex, 0);
    EXPECT_FALSE(p.GetAt(3)->Locked);
    EXPECT_EQ(p.GetAt(4)->ParameterType, kParamInteger);
    EXPECT_EQ(p.GetAt(4)->IntValue, 2);
}

TEST_F(SessionTest, SecondBlockIsNumberedAfterTheFirstAndBlocksSortByName) {
    const std::string model = WriteFile("reactor.json", kReactorModel);
    CZEFTInstance& instance = CZEFTInstance::Get();
    std::string b = "B", a = "A", a2 = "A";
    ASSERT_EQ(instance.AddBlock(b, "M", "reactor.json", model, kZeftXlp), 0);
    ASSERT_EQ(instance.AddBlock(a, "M", "reactor.json", model, kZeftXlp), 0);
    // The host refuses a second block of one name; nothing is added.
    EXPECT_EQ(instance.AddBlock(a2, "M", "reactor.json", model, kZeftXlp), kZeftAddLineFailed);
    ASSERT_EQ(instance.Blocks.GetSize(), 2);
    EXPECT_EQ(instance.Blocks.GetAt(0)->Name, "A");
    EXPECT_EQ(instance.Blocks.GetAt(0)->Index, 2);
    EXPECT_EQ(instance.Blocks.GetAt(0)->HostStructure[1], 5);  // equations 5..8
    EXPECT_EQ(instance.FindBlock("A", "M")->Equations.GetAt(0)->IncidentHostVariables,
              (std::vector<int32_t>{8, 6}));
    EXPECT_EQ(instance.Variables.GetSize(), 8);
    EXPECT_EQ(instance.CountBlocks("m"), 2);
    EXPECT_EQ(instance.CountBlocks("N"), 0);
    EXPECT_EQ(instance.FindBlock("A", "m"), nullptr);
    ClearLogs();
    CZEFTInstance::Release();
    // Deleted in list order, then the closing lines.
    EXPECT_EQ(Script(), Concat({{"delete block A", "delete block B"}, kCloseEmpty}));
}

TEST_F(SessionTest, HybridBlockNamesCarryHybridForBlk) {
    const std::string model = WriteFile("hybrid.json", R"({
      "equations": [{"name": "{BLOCK}.E", "relation": 5, "variables": ["{BLOCK}.BLK.IN", "{BLOCK}.BLK.OUT"]}],
      "variables": [{"name": "{BLOCK}.BLK.IN", "value": 1, "spec": 0},
                    {"name": "{BLOCK}.BLK.OUT", "value": 2, "spec": 0}],
      "ports": [{"name": "{BLOCK}.IN", "direction": 1, "variables": ["{BLOCK}.BLK.IN"]},
                {"name": "{BLOCK}.OUT", "direction": 0, "variables": ["{BLOCK}.BLK.OUT"]}]})");
    CZEFTInstance& instance = CZEFTInstance::Get();
    for (int32_t type : {kZeftHybrid, kZeftXlp}) {
        std::string name = type == kZeftHybrid ? "H1" : "X1";
        ASSERT_EQ(instance.AddBlock(name, "M", "hybrid.json", model, type), 0);
    }
    CZEFTBlock* hybrid = instance.FindBlock("H1", "M");
    ASSERT_EQ(hybrid->Ports.GetSize(), 2);
    ASSERT_EQ(hybrid->Ports.GetAt(0)->Variables.GetSize(), 1);
    const CUserDefinedEquationVariable* in = hybrid->Ports.GetAt(0)->Variables.GetAt(0);
    EXPECT_EQ(in->Name, "H1.HYBRID.IN");
    EXPECT_TRUE(in->IsIndependent);  // input port, not fixed
    EXPECT_FALSE(in->IsInternal);
    ASSERT_EQ(hybrid->Ports.GetAt(1)->Variables.GetSize(), 1);
    EXPECT_TRUE(hybrid->Ports.GetAt(1)->Variables.GetAt(0)->IsInternal);  // a port of unknown direction
    EXPECT_EQ(hybrid->Ports.GetAt(1)->Variables.GetAt(0)->Name, "H1.HYBRID.OUT");
    EXPECT_EQ(hybrid->InternalVariables.GetSize(), 0);
    ASSERT_EQ(instance.FindBlock("X1", "M")->Ports.GetAt(0)->Variables.GetSize(), 1);
    EXPECT_EQ(instance.FindBlock("X1", "M")->Ports.GetAt(0)->Variables.GetAt(0)->Name, "X1.BLK.IN");
}

TEST_F(SessionTest, EventsRefreshTheStructureAndStructureChangeSetsTheFilters) {
    const std::string model = WriteFile("reactor.json", kReactorModel);
    CZEFTInstance& instance = CZEFTInstance::Get();
    instance.InitialiseSession(2, 2, 0, "1e-6", "");
    ClearLogs();
    std::string name = "R1";
    ASSERT_EQ(instance.AddBlock(name, "M", "reactor.json", model, kZeftXlp), 0);
    // BlocksChanged after the add; BlockStructureChanged after the Jacobian of a new structure.
    EXPECT_EQ(CallNames(Calls()), (Lines{"API_UpdateSimulationStruct", "API_UpdateSimulationStruct",
                                         "API_SetEventSetFilter 31", "API_SetEventSetFilter 63"}));
    EXPECT_EQ(sinkLines, (Lines{"ZEFTEventListener::BlocksChanged", "ZEFTEventListener::BlockStructureChanged"}));

    // At message level 1 the event names are not logged.
    ClearLogs();
    instance.InitialiseSession(1, 2, 0, "1e-6", "");
    instance.SetBlockSuppression(*instance.FindBlock("R1", "M"), true);
    EXPECT_TRUE(sinkLines.empty());
}

TEST_F(SessionTest, HostMessagesReachTheSink) {
    CZEFTInstance& instance = CZEFTInstance::Get();
    EXPECT_FALSE(instance.ExecuteScriptLine("frobnicate"));
    EXPECT_EQ(sinkLines, Lines{"command failed: frobnicate"});
}

TEST_F(SessionTest, SuppressionLinesUnderTheCLocale) {
    const std::string model = WriteFile("reactor.json", kReactorModel);
    CZEFTInstance& instance = CZEFTInstance::Get();
    std::string name = "R1";
    ASSERT_EQ(instance.AddBlock(name, "M", "reactor.json", model, kZeftXlp), 0);
    ClearLogs();
    const char* comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    instance.SetBlockSuppression(*instance.FindBlock("R1", "M"), true);
    instance.SetBlockSuppression(*instance.FindBlock("R1", "M"), false);
    EXPECT_EQ(Script(), (Lines{"exclude blocks R1", "include blocks R1"}));
    if (comma) {
        EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "de_DE.UTF-8");
    }
    std::setlocale(LC_NUMERIC, "C");
}

TEST_F(SessionTest, PushingParametersSkipsLockedListsAndTheSecondDerivativeMethod) {
    const std::string model = WriteFile("reactor.json", kReactorModel);
    CZEFTInstance& instance = CZEFTInstance::Get();
    std::string name = "R1";
    ASSERT_EQ(instance.AddBlock(name, "M", "reactor.json", model, kZeftXlp), 0);
    CZEFTBlock& block = *instance.FindBlock("R1", "M");
    block.Parameters.GetAt(3)->DoubleValue = 2e-6;  // PERT
    block.Parameters.GetAt(2)->StringValue = "dynamic";  // MODE, locked
    ClearLogs();
    instance.InitialiseSession(1, 2, 0, "1e-6", "");
    ClearLogs();
    ASSERT_TRUE(instance.PushBlockParameters(block, false));
    EXPECT_EQ(CallNames(Calls()), (Lines{"API_PutBlockParameterValueByName R1 ACTIVE",
                                         "API_PutBlockParameterValueByName R1 PERT"}));
    // The second-derivative method is not sent, but still read back for the log.
    EXPECT_EQ(sinkLines, (Lines{"Value for Parameter ACTIVE is true", "Value for Parameter PERT is 2e-06",
                                "Value for Parameter SECOND_DERIV_METHOD is 2"}));
    EXPECT_EQ(instance.PerturbationSize, "2e-06");
    EXPECT_EQ(block.PerturbationText, "2e-06");
    EXPECT_FALSE(instance.PushParameter(block, 5));
    EXPECT_FALSE(instance.PushParameter(block, -1));
    EXPECT_TRUE(instance.PushParameter(block, 2));  // locked: true, nothing sent
    EXPECT_EQ(Calls().size(), 2u);
}

TEST_F(SessionTest, LowerCasePertIsSentButLeavesThePerturbationSize) {
    const std::string model = WriteFile("p.json", R"({"parameters": [
        {"name": "pert", "type": "Double", "value": 0.5},
        {"name": "Second_Deriv_Method", "type": "Integer", "value": 1}]})");
    CZEFTInstance& instance = CZEFTInstance::Get();
    std::string name = "P1";
    ASSERT_EQ(instance.AddBlock(name, "M", "p.json", model, kZeftXlp), 0);
    CZEFTBlock& block = *instance.FindBlock("P1", "M");
    EXPECT_EQ(block.PerturbationText, "");
    ClearLogs();
    instance.PerturbationSize = "kept";
    ASSERT_TRUE(instance.PushBlockParameters(block, false));
    EXPECT_EQ(CallNames(Calls()), (Lines{"API_PutBlockParameterValueByName P1 pert"}));
    EXPECT_EQ(instance.PerturbationSize, "kept");
}

TEST_F(SessionTest, RefusedParameterValueFailsThePush) {
    const std::string model = WriteFile("p.json", R"({"parameters": [{"name": "N", "type": "Integer", "value": 1}]})");
    CZEFTInstance& instance = CZEFTInstance::Get();
    std::string name = "P1";
    ASSERT_EQ(instance.AddBlock(name, "M", "p.json", model, kZeftXlp), 0);
    CZEFTBlock& block = *instance.FindBlock("P1", "M");
    // The host takes an integer for an integer parameter only.
    block.Parameters.GetAt(0)->ParameterType = kParamDouble;
    EXPECT_FALSE(instance.PushBlockParameters(block, false));
}

TEST_F(SessionTest, MalformedOrMissingModelFilesFailTheAddLine) {
    const char* bad[] = {
        "{",                                                       // not JSON
        "[]",                                                      // not an object
        R"({"variables": [{"name": "A"}]})",                       // no value
        R"({"equations": [{"name": "E", "variables": ["NONE"]}]})",  // unknown variable
        R"({"parameters": [{"name": "P", "type": "Double", "value": "x"}]})",
        R"({"parameters": [{"name": "P", "type": "Real", "value": 1}]})",
        R"({"variables": [{"name": "A", "value": 1}, {"name": "A", "value": 2}]})",
    };
    CZEFTInstance& instance = CZEFTInstance::Get();
    for (const char* text : bad) {
        const std::string model = WriteFile("bad.json", text);
        std::string name = "B1";
        EXPECT_EQ(instance.AddBlock(name, "M", "bad.json", model, kZeftXlp), kZeftAddLineFailed) << text;
    }
    std::string name = "B1";
    EXPECT_EQ(instance.AddBlock(name, "M", "none.json", (dir / "none.json").string(), kZeftXlp), kZeftAddLineFailed);
    EXPECT_EQ(instance.Blocks.GetSize(), 0);
    EXPECT_EQ(instance.Variables.GetSize(), 0);
}

TEST_F(SessionTest, InitialisationFailures) {
    struct Case {
        const char* what;
        RegistryValues registry;
        int code;
    } cases[] = {
        {"no zefttop", [] { RegistryValues v; v.withZeftTop = false; return v; }(), kZeftInitNoZeftTop},
        {"no Bin", [] { RegistryValues v; v.withBin = false; return v; }(), kZeftInitNoBinDir},
        {"no ExeDir", [] { RegistryValues v; v.withExeDir = false; return v; }(), kZeftInitNoExeDir},
        {"no product directory", [] { RegistryValues v; v.withDirectory = false; return v; }(),
         kZeftInitNoProductDirectory},
        {"no host library", [] { RegistryValues v; v.zeftTop = "/nonexistent/zeft/"; return v; }(),
         kZeftInitLoadFailed},
        {"host library without the script call",
         [] { RegistryValues v; v.zeftTop = StandInTop("lacking"); return v; }(), kZeftInitLoadFailed},
        {"host library without the further entry points",
         [] { RegistryValues v; v.zeftTop = StandInTop("sparse"); return v; }(), kZeftInitOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearLogs();
        WriteRegistry(c.registry);
        CZEFTInstance& instance = CZEFTInstance::Get();
        EXPECT_EQ(instance.InitialiseSession(0, 2, 0, "1e-6", ""), c.code);
        EXPECT_EQ(instance.HostLibrary != nullptr, c.code == kZeftInitOk || c.code == kZeftInitNoProductDirectory);
        CZEFTInstance::Release();
        if (c.code != kZeftInitOk) {
            EXPECT_TRUE(Script().empty());
        }
    }

    // Without PATH the search path cannot be extended.
    WriteRegistry(RegistryValues{});
    ClearLogs();
    std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
    unsetenv("PATH");
    EXPECT_EQ(CZEFTInstance::Get().InitialiseSession(0, 2, 0, "1e-6", ""), kZeftInitNoPath);
    setenv("PATH", saved.c_str(), 1);
    // The next initialisation of the same instance tries the whole sequence again.
    EXPECT_EQ(CZEFTInstance::Get().InitialiseSession(0, 2, 0, "1e-6", ""), kZeftInitOk);
    EXPECT_EQ(Script(), kFirstInit);
}

TEST_F(SessionTest, WithoutAHostNothingIsSentAndBlocksAreNotAdded) {
    RegistryValues v;
    v.zeftTop = "/nonexistent/zeft/";
    WriteRegistry(v);
    CZEFTInstance& instance = CZEFTInstance::Get();
    std::string name = "R1";
    EXPECT_EQ(instance.AddBlock(name, "M", "r.json", "/r.json", kZeftXlp), kZeftAddLineFailed);
    EXPECT_FALSE(instance.ExecuteScriptLine("blocks none"));
    EXPECT_TRUE(instance.DeleteAllBlocks());
}

TEST_F(SessionTest, AHostStructureThatDoesNotHoldTogetherAddsNoBlock) {
    RegistryValues v;
    v.zeftTop = StandInTop("broken");
    WriteRegistry(v);
    const std::string model = WriteFile("reactor.json", kReactorModel);
    CZEFTInstance& instance = CZEFTInstance::Get();
    std::string name = "R1";
    EXPECT_EQ(instance.AddBlock(name, "M", "reactor.json", model, kZeftXlp), kZeftAddVariablesFailed);
    EXPECT_EQ(instance.Blocks.GetSize(), 0);
    // The variables made before the fault went with the block.
    EXPECT_EQ(instance.Variables.GetSize(), 0);
}

TEST_F(SessionTest, InputOutputListsFollowTheFlag) {
    const std::string model = WriteFile("io.json", R"({
      "equations": [{"name": "{BLOCK}.E", "variables": ["{BLOCK}.A", "{BLOCK}.B", "{BLOCK}.C", "{BLOCK}.D"]}],
      "variables": [{"name": "{BLOCK}.A", "value": 1, "spec": 0}, {"name": "{BLOCK}.B", "value": 1, "spec": 1},
                    {"name": "{BLOCK}.C", "value": 1, "spec": 0}, {"name": "{BLOCK}.D", "value": 1, "spec": 1}],
      "ports": [{"name": "{BLOCK}.IN", "direction": 1, "variables": ["{BLOCK}.A", "{BLOCK}.B"]},
                {"name": "{BLOCK}.OUT", "direction": 2, "variables": ["{BLOCK}.C", "{BLOCK}.D"]},
                {"name": "{BLOCK}.AGAIN", "direction": 1, "variables": ["{BLOCK}.A"]}]})");
    CZEFTInstance& instance = CZEFTInstance::Get();
    std::string name = "U";
    ASSERT_EQ(instance.AddBlock(name, "M", "io.json", model, kZeftXlp), 0);
    CZEFTBlock& block = *instance.FindBlock("U", "M");
    // Only variables tied to a model variable of another name take part.
    for (CUserDefinedEquationVariable* v : instance.Variables) v->DuloName = "LP_" + v->Name;
    instance.BuildInputOutputLists(1);
    auto names = [](const std::vector<CUserDefinedEquationVariable*>& list) {
        Lines out;
        for (auto* v : list) out.push_back(v->Name);
        return out;
    };
    EXPECT_EQ(names(block.InputList), (Lines{"U.A", "U.B"}));  // fixed variables too, on an input port
    EXPECT_EQ(names(block.OutputList), (Lines{"U.C"}));        // not the fixed one
    instance.Variables.GetAt(2)->DuloName = "U.C";             // same name: left out
    instance.BuildInputOutputLists(1);
    EXPECT_TRUE(block.OutputList.empty());
    instance.BuildInputOutputLists(0);
    EXPECT_TRUE(block.InputList.empty());
}

}  // namespace
