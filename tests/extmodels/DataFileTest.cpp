// Reading a model's external models: the data files under every version
// condition, parameter matching, the failures and their messages, the legacy
// XML form and the path rules.
#include "DataFileWriter.h"
#include "HostFixture.h"

#include "platform/xml/XmlDocument.h"
#include "settings/DuloModelFile.h"

namespace {

using namespace extmodels_test;
using Lines = std::vector<std::string>;

VariableRecord Var(const std::string& name, double min, const std::string& duloName = "") {
    VariableRecord v;
    v.name = name;
    v.duloName = duloName;
    v.description = "stored text";
    v.min = min;
    v.max = min + 100;
    v.objFn = 2;
    v.initial = min + 1;
    v.switchMode = "Switchable";
    return v;
}

ParameterRecord Param(const std::string& name, const char* type, void (*value)(ByteWriter&)) {
    ParameterRecord p;
    p.variable.name = name;
    p.type = type;
    p.value = value;
    return p;
}

// The stored record of a reactor block, in the structure the host gives it
// (ports FEED and PROD, internal variables Q and T), values offset by base.
BlockRecord Reactor(const std::string& name, double base) {
    BlockRecord b;
    b.name = name;
    b.path = "reactor.json";
    b.paramsShown = false;
    b.blockWide = true;
    b.ports = {{"FEED", "PORT_INPUT", false, {Var(name + ".FEED.FLOW", base, "LP_FLOW")}},
               {"PROD", "PORT_OUTPUT", true, {Var(name + ".PROD.TEMPERATURE", base + 1)}}};
    b.internals = {Var(name + ".Q", base + 2), Var(name + ".T", base + 3, "LP_T")};
    b.parameters = {Param("PERT", "Double", [](ByteWriter& w) { w.Double(3e-6); }),
                    Param("MODE", "String", [](ByteWriter& w) { w.Text("dynamic"); }),
                    Param("ACTIVE", "Bool", [](ByteWriter& w) { w.Bool(false); }),
                    Param("COMPONENTS", "StringList", [](ByteWriter& w) { w.Texts({"X"}); }),
                    Param("GONE", "Integer", [](ByteWriter& w) { w.Int(7); })};
    return b;
}

class DataFileTest : public HostFixture {
protected:
    void SetUp() override {
        HostFixture::SetUp();
        WriteFile("reactor.json", kReactorModel);
    }

    // Loads the model's external models as the export does.
    CZEFTInstance& Load(const std::string& version, const std::string& externalModels = "<DataType>1</DataType>",
                        bool quiet = false) {
        CDuloModelFile model;
        model.SetQuiet(quiet);
        model.SetModelDirectory(dir.string() + "/");
        model.CopyDefaultSettings();
        model.SetModelName("Refinery");
        model.SetVersion(version);
        CXmlDocument doc;
        EXPECT_TRUE(doc.LoadXml("<ExternalModels>" + externalModels + "</ExternalModels>"));
        CZEFTInstance& instance = CZEFTInstance::Get();
        ClearLogs();
        instance.LoadExternalModels(model, doc.DocumentElement());
        return instance;
    }

    void Save(const InstanceRecord& r, const Layout& l, const std::string& file = "externalmodel18.dulb") {
        ASSERT_TRUE(WriteDataFile(r, l).Save((dir / file).string()));
    }
};

TEST_F(DataFileTest, CurrentVersionReadsEveryFieldIntoTheHostStructure) {
    InstanceRecord r;
    r.expanded = false;
    r.inputOutputMap = 1;
    r.perturbationSize = "5e-7";
    r.blocks = {Reactor("R1", 10)};
    r.blocks[0].suppressed = true;
    Save(r, Layout{});
    CZEFTInstance& instance = Load("20.1.0");
    EXPECT_EQ(messages, Lines{});
    EXPECT_FALSE(instance.Expanded);
    EXPECT_EQ(instance.InputOutputMap, 1);
    ASSERT_EQ(instance.Blocks.GetSize(), 1);
    CZEFTBlock& b = *instance.Blocks.GetAt(0);
    EXPECT_EQ(b.AbsolutePath, (dir / "reactor.json").string());
    EXPECT_EQ(b.RelativePath, "reactor.json");
    EXPECT_EQ(b.ModelName, "Refinery");
    EXPECT_TRUE(b.IsSuppressed);
    EXPECT_FALSE(b.ParamsShown);
    EXPECT_TRUE(b.BlockWideFlag);
    EXPECT_FALSE(b.Ports.GetAt(0)->Expanded);
    EXPECT_EQ(b.Ports.GetAt(0)->Direction, kPortInput);

    const CUserDefinedEquationVariable& flow = *b.Ports.GetAt(0)->Variables.GetAt(0);
    EXPECT_EQ(flow.DuloName, "LP_FLOW");
    EXPECT_EQ(flow.Min, 10);
    EXPECT_EQ(flow.Max, 110);
    EXPECT_EQ(flow.Initial, 11);
    EXPECT_EQ(flow.Description, "feed rate");  // the host's description stays
    EXPECT_EQ(flow.SwitchMode, kSwitchSwitchable);
    EXPECT_TRUE(flow.IsBlockFlagged);
    const CUserDefinedEquationVariable& t = *b.InternalVariables.GetAt(1);
    EXPECT_EQ(t.Name, "R1.T");
    EXPECT_EQ(t.Min, 13);
    EXPECT_TRUE(t.IsBlockFlagged);
    EXPECT_EQ(b.InternalVariables.GetAt(0)->DuloName, "R1.Q");  // an empty stored model name is the name

    // Parameters matched by Name: the locked one and the list keep their values.
    const CZeftParameterList& p = b.Parameters;
    EXPECT_FALSE(p.GetAt(0)->BoolValue);                                      // ACTIVE
    EXPECT_EQ(p.GetAt(1)->StringList, (Lines{"H2O", "CO2"}));                 // COMPONENTS
    EXPECT_EQ(p.GetAt(2)->StringValue, "steady");                             // MODE, locked
    EXPECT_EQ(p.GetAt(3)->DoubleValue, 3e-6);                                 // PERT
    EXPECT_TRUE(p.GetAt(3)->IsBlockFlagged);
    EXPECT_EQ(b.StoredParameterCount, 5);
    EXPECT_EQ(b.PerturbationText, "3e-06");
    EXPECT_EQ(instance.PerturbationSize, "3e-06");

    // The block's suppression and its parameters went to the host.
    EXPECT_EQ(Script(), (Lines{"solver sparse", "add block R1 as xlpadap(\"model=" + (dir / "reactor.json").string() +
                                                    "\")",
                               "EVALUATE EQUATIONS", "EVALUATE JACOBIAN", "exclude blocks R1"}));
    Lines puts;
    for (const std::string& c : Calls())
        if (c.rfind("API_Put", 0) == 0) puts.push_back(c.substr(c.rfind(' ') + 1));
    EXPECT_EQ(puts, (Lines{"ACTIVE", "PERT"}));

    // With the map on, the tied input variable is an input.
    ASSERT_EQ(b.InputList.size(), 1u);
    EXPECT_EQ(b.InputList[0], &flow);
}

TEST_F(DataFileTest, VersionsOnBothSidesOfEveryCondition) {
    struct Case {
        const char* version;
        Layout layout;
    };
    auto layout = [](bool map, bool pert, bool switchMode, bool wide, bool parameters, bool count, bool values) {
        Layout l;
        l.inputOutputMap = map;
        l.perturbationSize = pert;
        l.switchMode = switchMode;
        l.blockWideFlag = wide;
        l.parameters = parameters;
        l.parameterCount = count;
        l.parameterValues = values;
        return l;
    };
    const Case cases[] = {
        {"16.24.9", layout(false, false, false, false, false, true, false)},
        {"16.25.0", layout(true, false, false, false, false, true, false)},
        {"16.26.0", layout(true, false, true, false, false, true, false)},
        {"17.1.5", layout(true, false, true, false, false, true, false)},
        {"17.1.6", layout(true, true, true, false, false, true, false)},
        {"17.5.0", layout(true, true, true, false, false, true, true)},
        {"17.8.9", layout(true, true, true, false, false, true, true)},
        {"17.9.2", layout(true, true, true, false, true, false, true)},
        {"17.9.4", layout(true, true, true, false, true, true, true)},
        {"19.6.300", layout(true, true, true, false, true, true, true)},
        {"19.7.59", layout(true, true, true, true, true, true, true)},
        {"19.8.24", layout(true, true, true, false, true, true, true)},
        {"19.8.25", layout(true, true, true, true, true, true, true)},
        {"19.9.50", layout(true, true, true, false, true, true, true)},
        {"19.9.112", layout(true, true, true, true, true, true, true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        CZEFTInstance::Release();
        InstanceRecord r;
        r.inputOutputMap = 1;
        r.blocks = {Reactor("R1", 10), Reactor("R2", 20)};
        for (BlockRecord& b : r.blocks) {
            // An implied count is the host's parameter count less one for this type.
            if (!c.layout.parameterCount) b.parameters.pop_back();
        }
        Save(r, c.layout);
        CZEFTInstance& instance = Load(c.version);
        EXPECT_EQ(messages, Lines{});
        ASSERT_EQ(instance.Blocks.GetSize(), 2);
        EXPECT_EQ(instance.InputOutputMap, c.layout.inputOutputMap ? 1 : 0);
        // The second record is read in step only when the first was read whole.
        CZEFTBlock& second = *instance.FindBlock("R2", "Refinery");
        EXPECT_EQ(second.InternalVariables.GetAt(1)->Min, 23);
        EXPECT_EQ(second.InternalVariables.GetAt(1)->SwitchMode, c.layout.switchMode ? kSwitchSwitchable : kSwitchNone);
        EXPECT_EQ(second.ParamsShown, !c.layout.switchMode);
        EXPECT_EQ(second.BlockWideFlag, c.layout.blockWideFlag);
        EXPECT_EQ(second.InternalVariables.GetAt(0)->IsBlockFlagged, c.layout.blockWideFlag);
        const bool valued = c.layout.parameters && c.layout.parameterValues;
        EXPECT_EQ(second.Parameters.GetAt(3)->DoubleValue, valued ? 3e-6 : 1e-6);
        EXPECT_EQ(second.PerturbationText, valued ? "3e-06" : "1e-06");
        EXPECT_EQ(second.StoredParameterCount, c.layout.parameters ? (c.layout.parameterCount ? 5 : 4) : 0);
    }
}

TEST_F(DataFileTest, ImpliedParameterCountIsTwoLessForCustomModels) {
    InstanceRecord r;
    r.blocks = {Reactor("R1", 10), Reactor("R2", 20)};
    r.blocks[0].type = "ZEFT_BLX";
    r.blocks[0].parameters.resize(3);
    r.blocks[1].parameters.resize(4);
    Layout l;
    l.blockWideFlag = false;
    l.parameterCount = false;
    Save(r, l);
    CZEFTInstance& instance = Load("17.9.0");
    EXPECT_EQ(messages, Lines{});
    ASSERT_EQ(instance.Blocks.GetSize(), 2);
    EXPECT_EQ(instance.FindBlock("R1", "Refinery")->ModelType, kZeftBlx);
    EXPECT_EQ(instance.FindBlock("R1", "Refinery")->StoredParameterCount, 3);
    EXPECT_EQ(instance.FindBlock("R2", "Refinery")->InternalVariables.GetAt(1)->Min, 23);
}

TEST_F(DataFileTest, HybridBlockStoredNamesTakeTheHybridPrefix) {
    WriteFile("hybrid.json", R"({
      "equations": [{"name": "{BLOCK}.E", "variables": ["{BLOCK}.BLK.IN"]}],
      "variables": [{"name": "{BLOCK}.BLK.IN", "value": 1}],
      "ports": [{"name": "{BLOCK}.IN", "direction": 1, "variables": ["{BLOCK}.BLK.IN"]}]})");
    BlockRecord b;
    b.name = "H1";
    b.path = "hybrid.json";
    b.type = "ZEFT_HYBRID";
    b.ports = {{"IN", "PORT_INPUT", true, {Var(".BLK.FEED", 1)}}};
    InstanceRecord r;
    r.blocks = {b};
    Save(r, Layout{});
    CZEFTInstance& instance = Load("20.0.0");
    ASSERT_EQ(instance.Blocks.GetSize(), 1);
    EXPECT_EQ(instance.Blocks.GetAt(0)->ModelType, kZeftHybrid);
    EXPECT_EQ(instance.Blocks.GetAt(0)->Ports.GetAt(0)->Variables.GetAt(0)->Name, ".HYBRID.FEED");
}

TEST_F(DataFileTest, TheVersion18FileIsPreferred) {
    InstanceRecord r;
    r.blocks = {Reactor("R1", 10)};
    Save(r, Layout{}, "externalmodel.dulb");
    CZEFTInstance::Get();
    EXPECT_EQ(Load("20.0.0").FindBlock("R1", "Refinery")->InternalVariables.GetAt(1)->Min, 13);
    CZEFTInstance::Release();
    r.blocks = {Reactor("R1", 50)};
    Save(r, Layout{}, "externalmodel18.dulb");
    EXPECT_EQ(Load("20.0.0").FindBlock("R1", "Refinery")->InternalVariables.GetAt(1)->Min, 53);
}

TEST_F(DataFileTest, MissingDataFileIsReportedWithTheSystemCode) {
    CZEFTInstance& instance = Load("20.0.0");
    EXPECT_EQ(messages, Lines{"Unable to load external model data: 2"});
    EXPECT_EQ(instance.Blocks.GetSize(), 0);
}

TEST_F(DataFileTest, AQuietModelShowsNoMessages) {
    Load("20.0.0", "<DataType/>", true);
    InstanceRecord r;
    r.blocks = {Reactor("R9", 0)};
    r.blocks[0].path = "missing.json";
    Save(r, Layout{});
    Load("20.0.0", "<DataType/>", true);
    EXPECT_EQ(messages, Lines{});
}

TEST_F(DataFileTest, AReadBlockTakesTheNameItsModelGivesIt) {
    // The stored record names the block R1; the host names it after its model file.
    InstanceRecord r;
    r.blocks = {Reactor("R1", 10)};
    r.blocks[0].type = "ZEFT_RTM";
    Save(r, Layout{});
    CZEFTInstance& instance = Load("20.0.0");
    EXPECT_EQ(messages, Lines{});
    ASSERT_EQ(instance.Blocks.GetSize(), 1);
    EXPECT_EQ(instance.Blocks.GetAt(0)->Name, "RX");
    EXPECT_EQ(instance.Blocks.GetAt(0)->InternalVariables.GetAt(1)->Min, 13);
    EXPECT_EQ(Script()[1], "read block as R1 from \"" + (dir / "reactor.json").string() + "\"");
}

TEST_F(DataFileTest, AnArchiveErrorInABlockEndsThatBlockOnly) {
    // R1's record has one internal variable too many for the host's structure;
    // its parameters are then read out of step.
    InstanceRecord r;
    r.blocks = {Reactor("R1", 10)};
    r.blocks[0].internals.push_back(Var("R1.EXTRA", 0));
    ByteWriter w = WriteDataFile(r, Layout{});
    w.bytes.resize(w.bytes.size() - 40);
    ASSERT_TRUE(w.Save((dir / "externalmodel18.dulb").string()));
    CZEFTInstance& instance = Load("20.0.0");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "DULO External Model Exception: The archive ends before the value being read.");
    EXPECT_EQ(instance.Blocks.GetSize(), 1);  // added blocks stay
    // The rest of that block's steps are not taken.
    for (const std::string& line : Script()) EXPECT_EQ(line.find("blocks R1"), std::string::npos) << line;
}

TEST_F(DataFileTest, BadInstanceDataEndsTheRead) {
    struct Case {
        const char* what;
        ByteWriter bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty file", ByteWriter{}});
    {
        ByteWriter w;
        w.Bool(true);
        w.Int(0);
        w.Int(0x7FFFFFFF);  // far more blocks than the file holds
        w.Text("1e-6");
        cases.push_back({"block count of 2^31 - 1", w});
    }
    {
        ByteWriter w;
        w.Bool(true);
        w.Int(0);
        w.Int(1);
        w.Text("1e-6");
        w.Byte(0xFF);
        w.Word(0xFFFF);
        w.DWord(0x80000000u);  // a name of 2^31 characters
        cases.push_back({"text length beyond the file", w});
    }
    {
        ByteWriter w;
        w.Bool(true);
        w.Int(0);
        w.Int(1);
        w.Byte(0xFF);
        w.Word(0xFFFE);
        w.Byte(0xFF);
        w.Word(0xFFFF);
        w.DWord(0x7FFFFFFFu);  // 16-bit text of 2^31 - 1 characters
        cases.push_back({"16-bit text length beyond the file", w});
    }
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        CZEFTInstance::Release();
        ASSERT_TRUE(c.bytes.Save((dir / "externalmodel18.dulb").string()));
        CZEFTInstance& instance = Load("20.0.0");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].rfind("Error occurred while reading external model data: ", 0), 0u) << messages[0];
        EXPECT_EQ(instance.Blocks.GetSize(), 0);
    }
}

TEST_F(DataFileTest, EveryTruncationOfADataFileIsReportedAndKeepsWhatWasAdded) {
    InstanceRecord r;
    r.blocks = {Reactor("R1", 10), Reactor("R2", 20)};
    const ByteWriter whole = WriteDataFile(r, Layout{});
    for (size_t cut = 0; cut < whole.bytes.size(); cut += 7) {
        SCOPED_TRACE(cut);
        CZEFTInstance::Release();
        ByteWriter part = whole;
        part.bytes.resize(cut);
        ASSERT_TRUE(part.Save((dir / "externalmodel18.dulb").string()));
        CZEFTInstance& instance = Load("20.0.0");
        // A cut inside the first block ends that block; what is left of the file is then
        // read out of step as the next record, which ends the read one way or another.
        ASSERT_GE(messages.size(), 1u);
        ASSERT_LE(messages.size(), 2u);
        const std::string block = "DULO External Model Exception: ";
        const std::string read = "Error occurred while reading external model data: ";
        const std::string add = "Error occurred while adding block for external model ";
        if (messages.size() == 2) {
            EXPECT_EQ(messages[0].rfind(block, 0), 0u) << messages[0];
        }
        const std::string& last = messages.back();
        EXPECT_TRUE(last.rfind(block, 0) == 0 || last.rfind(read, 0) == 0 || last.rfind(add, 0) == 0) << last;
        EXPECT_LE(instance.Blocks.GetSize(), 2);
    }
}

TEST_F(DataFileTest, AVersionWithoutDotsReadsTheOldestLayout) {
    InstanceRecord r;
    r.blocks = {Reactor("R1", 10)};
    Save(r, Layout{false, false, false, false, false, false, false});
    CZEFTInstance& instance = Load("20");  // major 0, minor 0, patch 20
    EXPECT_EQ(messages, Lines{});
    ASSERT_EQ(instance.Blocks.GetSize(), 1);
    EXPECT_EQ(instance.Blocks.GetAt(0)->InternalVariables.GetAt(1)->Min, 13);
}

TEST_F(DataFileTest, ParameterCountOf2To31InABlockRecord) {
    InstanceRecord r;
    r.blocks = {Reactor("R1", 10)};
    r.blocks[0].parameters.clear();
    ByteWriter w = WriteDataFile(r, Layout{});
    w.bytes.resize(w.bytes.size() - 4);
    w.DWord(0x80000000u);  // negative as a count: no records
    ASSERT_TRUE(w.Save((dir / "externalmodel18.dulb").string()));
    EXPECT_EQ(Load("20.0.0").Blocks.GetSize(), 1);
    EXPECT_EQ(messages, Lines{});

    CZEFTInstance::Release();
    w.bytes.resize(w.bytes.size() - 4);
    w.DWord(0x7FFFFFFFu);
    ASSERT_TRUE(w.Save((dir / "externalmodel18.dulb").string()));
    Load("20.0.0");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("DULO External Model Exception: ", 0), 0u) << messages[0];
}

TEST_F(DataFileTest, ABlockThatCannotBeAddedStopsTheRead) {
    InstanceRecord r;
    r.blocks = {Reactor("R1", 10), Reactor("R9", 0), Reactor("R3", 30)};
    r.blocks[1].path = "missing.json";
    Save(r, Layout{});
    CZEFTInstance& instance = Load("20.0.0");
    EXPECT_EQ(messages, Lines{"Error occurred while adding block for external model R9"});
    EXPECT_EQ(instance.Blocks.GetSize(), 1);
}

TEST_F(DataFileTest, InitialisationFailureLoadsNothing) {
    RegistryValues v;
    v.zeftTop = "/nonexistent/zeft/";
    WriteRegistry(v);
    Load("20.0.0");
    EXPECT_EQ(messages, Lines{"Failed to Initialize ZEFT - cannot load ZEFTHOST.DLL"});
    CZEFTInstance::Release();
    v = RegistryValues{};
    v.withDirectory = false;
    WriteRegistry(v);
    Load("20.0.0");
    EXPECT_EQ(messages, Lines{"Failed to Initialize ZEFT."});
}

TEST_F(DataFileTest, LegacyXmlForm) {
    const std::string legacy =
        "<Expanded>false</Expanded><InputOutputMap>true</InputOutputMap><PerturbationSize>4e-6</PerturbationSize>"
        "<ExternalModel><Name>R1</Name><Path>reactor.json</Path><ModelType>ZEFT_XLP</ModelType>"
        "<IsSuppressed>true</IsSuppressed><InputPortsExpanded>true</InputPortsExpanded>"
        "<Ports><Port><Name>PROD</Name><Direction>PORT_UNKNOWN</Direction><Expanded>false</Expanded>"
        "<UDEVariables><UserEquationVariable><Name>R1.PROD.TEMPERATURE</Name><Min>7</Min>"
        "<DuloName>LP_TEMP</DuloName></UserEquationVariable>"
        "<UserEquationVariable><Name>R1.T</Name><Min>99</Min></UserEquationVariable></UDEVariables></Port>"
        "<Port><Name>NOPORT</Name><Direction>PORT_INPUT</Direction></Port></Ports>"
        "<UDEVariables><UserEquationVariable><Name>R1.T</Name><Max>450</Max><IsIndependent>true</IsIndependent>"
        "</UserEquationVariable></UDEVariables></ExternalModel>"
        "<ExternalModel><Name>R2</Name><Path>missing.json</Path><ModelType>ZEFT_XLP</ModelType></ExternalModel>"
        "<ExternalModel><Name>R3</Name><Path>reactor.json</Path><ModelType>ZEFT_UNKNOWN</ModelType></ExternalModel>";
    CZEFTInstance& instance = Load("20.0.0", legacy);
    EXPECT_EQ(messages, Lines{});  // blocks that are not added are skipped silently
    EXPECT_FALSE(instance.Expanded);
    EXPECT_EQ(instance.InputOutputMap, 1);
    EXPECT_EQ(instance.PerturbationSize, "4e-6");
    ASSERT_EQ(instance.Blocks.GetSize(), 1);
    CZEFTBlock& b = *instance.Blocks.GetAt(0);
    EXPECT_TRUE(b.IsSuppressed);
    for (CZeftDefinedEquation* eq : b.Equations) EXPECT_TRUE(eq->IsSuppressed());
    EXPECT_TRUE(b.InputPortsExpanded);
    CZeftPort& prod = *b.Ports.GetAt(1);
    EXPECT_EQ(prod.Direction, kPortUnknown);
    EXPECT_FALSE(prod.Expanded);
    EXPECT_EQ(prod.Variables.GetAt(0)->Min, 7);
    EXPECT_EQ(prod.Variables.GetAt(0)->DuloName, "LP_TEMP");
    const CUserDefinedEquationVariable& t = *b.InternalVariables.GetAt(1);
    EXPECT_EQ(t.Min, 300);  // not a variable of the port: untouched there
    EXPECT_EQ(t.Max, 450);
    EXPECT_TRUE(t.IsIndependent);
    // The legacy form applies no suppression line and pushes no parameters.
    for (const std::string& line : Script()) EXPECT_EQ(line.find("blocks R1"), std::string::npos) << line;
    for (const std::string& call : Calls()) EXPECT_EQ(call.find("API_Put"), std::string::npos) << call;
}

TEST_F(DataFileTest, DataTypeTakesPrecedenceOverExternalModelChildren) {
    InstanceRecord r;
    r.blocks = {Reactor("R1", 10)};
    Save(r, Layout{});
    CZEFTInstance& instance =
        Load("20.0.0", "<ExternalModel><Name>X</Name><Path>reactor.json</Path><ModelType>ZEFT_XLP</ModelType>"
                       "</ExternalModel><DataType>Binary</DataType>");
    ASSERT_EQ(instance.Blocks.GetSize(), 1);
    EXPECT_EQ(instance.Blocks.GetAt(0)->Name, "R1");
}

TEST(ModelPaths, ResolveAgainstTheModelDirectory) {
    struct Case {
        const char* path;
        const char* directory;
        const char* absolute;
    } cases[] = {
        {"reactor.json", "/m/model/", "/m/model/reactor.json"},
        {"reactor.json", "/m/model", "/m/model/reactor.json"},
        {"sub\\reactor.json", "/m/model\\", "/m/model/sub/reactor.json"},
        {"..\\shared\\r.json", "/m/model/", "/m/shared/r.json"},
        {"../../r.json", "/m/model/", "/r.json"},
        {"../../../r.json", "/m/model/", "/r.json"},  // climbing stops at the top
        {"/abs/r.json", "/m/model/", "/abs/r.json"},
        {"\\abs\\r.json", "/m/model/", "/abs/r.json"},
        {"C:\\models\\r.json", "/m/model/", "C:/models/r.json"},
    };
    for (const Case& c : cases) EXPECT_EQ(dulo::ResolveModelPath(c.path, c.directory), c.absolute) << c.path;
    EXPECT_EQ(dulo::RelativeModelPath("/m/model/reactor.json", "/m/model/"), "reactor.json");
    EXPECT_EQ(dulo::RelativeModelPath("/m/shared/r.json", "/m/model"), "../shared/r.json");
    EXPECT_EQ(dulo::RelativeModelPath("/other/r.json", "/m/model/"), "/other/r.json");
    EXPECT_EQ(dulo::RelativeModelPath("C:/models/r.json", "/m/model/"), "C:/models/r.json");
}

}  // namespace
