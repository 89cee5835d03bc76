// Equations, variables and parameters: defaults, the UserEquationVariable
// reading rules, the archive records and the parameter value copy.
#include "formulas/UserDefinedEquation.h"
#include "platform/archive/Archive.h"
#include "platform/xml/XmlDocument.h"

#include "../extmodels/DataFileWriter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using extmodels_test::ByteWriter;
using extmodels_test::VariableRecord;
using extmodels_test::WriteVariable;

// Reads <UserEquationVariable> with the given children into v.
void ReadInto(CUserDefinedEquationVariable& v, const std::string& children) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadXml("<UserEquationVariable>" + children + "</UserEquationVariable>"));
    v.ReadXml(doc.DocumentElement());
}

TEST(UserDefinedEquation, NewEquationIsFreeUnnamedAndNotSuppressed) {
    CUserDefinedEquation eq;
    EXPECT_EQ(eq.GetEquationType(), "Free");
    EXPECT_EQ(eq.GetName(), "");
    EXPECT_FALSE(eq.IsSuppressed());
    eq.SetSuppressed(true, false);
    EXPECT_TRUE(eq.IsSuppressed());
    eq.SetName("R1.MASSBAL");
    EXPECT_EQ(eq.GetName(), "R1.MASSBAL");
}

TEST(UserDefinedEquation, EvaluatesWithTheFiveFunctions) {
    CUserDefinedEquation eq;
    eq.SetExpression("sqrt(X)+abs(Y)+ln(exp(2))+lg(100)");
    int pos = -1;
    ASSERT_TRUE(eq.Parse(pos)) << eq.GetErrorMessage();
    eq.SetVariable("X", 9);
    eq.SetVariable("Y", -4);
    double r = 0;
    ASSERT_EQ(eq.Evaluate(r), 0);
    EXPECT_DOUBLE_EQ(r, 3 + 4 + 2 + 2);
}

TEST(UserDefinedEquationVariable, DefaultsOfVariableAndParameter) {
    CUserDefinedEquationVariable v("X");
    EXPECT_EQ(v.Name, "X");
    EXPECT_EQ(v.DuloName, "X");
    for (double d : {v.Max, v.MaxProcess, v.ObjFn, v.Initial, v.Value}) EXPECT_EQ(d, 1e30);
    EXPECT_EQ(v.Min, 0);
    EXPECT_EQ(v.MinProcess, 0);
    for (bool b : {v.IsNew, v.IsPeriodic, v.IsIndependent, v.Expanded, v.BlockControlVar, v.DisplayFlag})
        EXPECT_FALSE(b);
    EXPECT_TRUE(v.IsInternal);
    EXPECT_FALSE(v.IsBlockFlagged);
    EXPECT_EQ(v.SwitchMode, 3);
    EXPECT_EQ(v.OwnerModelName, "");

    CUserDefinedEquationVariable unnamed;
    EXPECT_EQ(unnamed.Name, "");
    EXPECT_EQ(unnamed.DuloName, "");

    CUserDefinedParameter p, q("PERT");
    EXPECT_EQ(p.ParameterType, kParamNone);
    EXPECT_TRUE(p.DisplayFlag);
    EXPECT_TRUE(q.DisplayFlag);
    EXPECT_EQ(q.Name, "PERT");
    EXPECT_FALSE(p.Locked);
}

TEST(UserDefinedEquationVariable, ReadXmlRules) {
    struct Case {
        const char* children;
        void (*check)(const CUserDefinedEquationVariable&);
    } cases[] = {
        {"<Name>X</Name><DuloName></DuloName>", [](const auto& v) { EXPECT_EQ(v.DuloName, "X"); }},
        {"<Name>X</Name><DuloName>Y</DuloName>", [](const auto& v) { EXPECT_EQ(v.DuloName, "Y"); }},
        // the name as it stands when DuloName is read
        {"<DuloName/><Name>X</Name>", [](const auto& v) { EXPECT_EQ(v.DuloName, ""); }},
        {"<IsNew>True</IsNew><IsPeriodic>1</IsPeriodic><Expanded>true</Expanded>",
         [](const auto& v) {
             EXPECT_FALSE(v.IsNew);
             EXPECT_FALSE(v.IsPeriodic);
             EXPECT_TRUE(v.Expanded);
         }},
        {"<IsIndependent>true</IsIndependent><BlockControlVar>true</BlockControlVar><DisplayFlag>true</DisplayFlag>",
         [](const auto& v) {
             EXPECT_TRUE(v.IsIndependent);
             EXPECT_TRUE(v.BlockControlVar);
             EXPECT_TRUE(v.DisplayFlag);
         }},
        {"<Min>abc</Min><Max>12.5</Max><MinProcess>-3</MinProcess><MaxProcess>4e2</MaxProcess>"
         "<ObjFn>7</ObjFn><Initial>8</Initial><Value>9</Value>",
         [](const auto& v) {
             EXPECT_EQ(v.Min, 0);
             EXPECT_EQ(v.Max, 12.5);
             EXPECT_EQ(v.MinProcess, -3);
             EXPECT_EQ(v.MaxProcess, 400);
             EXPECT_EQ(v.ObjFn, 7);
             EXPECT_EQ(v.Initial, 8);
             EXPECT_EQ(v.Value, 9);
         }},
        {"<Min>1</Min><Min>2</Min>", [](const auto& v) { EXPECT_EQ(v.Min, 2); }},
        {"<VariableType>FLOW</VariableType><Description>feed</Description><name>lower</name>",
         [](const auto& v) {
             EXPECT_EQ(v.VariableType, "FLOW");
             EXPECT_EQ(v.Description, "feed");
             EXPECT_EQ(v.Name, "");  // names compare exactly
         }},
        {"<PeriodicMax>5</PeriodicMax><PeriodicObjFn>6</PeriodicObjFn><PeriodicInitial>x</PeriodicInitial>",
         [](const auto& v) {
             EXPECT_EQ(v.PeriodicMax, std::vector<double>{5});
             EXPECT_EQ(v.PeriodicObjFn, std::vector<double>{6});
             EXPECT_EQ(v.PeriodicInitial, std::vector<double>{0});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.children);
        CUserDefinedEquationVariable v;
        ReadInto(v, c.children);
        c.check(v);
    }
}

TEST(UserDefinedEquationVariable, PeriodicElementsAppendAcrossReads) {
    CUserDefinedEquationVariable v;
    const std::string children = "<PeriodicMin>1</PeriodicMin><PeriodicMin>2</PeriodicMin>";
    ReadInto(v, children);
    EXPECT_EQ(v.PeriodicMin, (std::vector<double>{1, 2}));
    ReadInto(v, children);
    EXPECT_EQ(v.PeriodicMin, (std::vector<double>{1, 2, 1, 2}));
}

VariableRecord SampleRecord() {
    VariableRecord r;
    r.isNew = true;
    r.variableType = "FLOW";
    r.name = "R1.BLK.FEED";
    r.duloName = "";
    r.description = "stored description";
    r.min = 1;
    r.max = 2;
    r.minProcess = 3;
    r.maxProcess = 4;
    r.objFn = 5;
    r.initial = 6;
    r.periodicMin = {1.5, 2.5};
    r.periodicInitial = {9};
    r.isIndependent = true;
    r.displayFlag = true;
    r.switchMode = "oFF";
    return r;
}

TEST(UserDefinedEquationVariable, ArchiveRecordReadsEveryField) {
    for (bool withSwitch : {true, false}) {
        SCOPED_TRACE(withSwitch);
        ByteWriter w;
        WriteVariable(w, SampleRecord(), withSwitch);
        w.Byte(0x5A);  // what follows the record
        CArchive ar(w.bytes);
        CUserDefinedEquationVariable v;
        v.Description = "from host";
        v.SerializeArchive(ar, withSwitch ? CModelVersion(16, 26, 0) : CModelVersion(16, 25, 9), "");
        EXPECT_EQ(ar.ReadByte(), 0x5A);
        EXPECT_EQ(ar.GetRemaining(), 0u);
        EXPECT_TRUE(v.IsNew);
        EXPECT_EQ(v.VariableType, "FLOW");
        EXPECT_EQ(v.Name, "R1.BLK.FEED");  // no prefix: unchanged
        EXPECT_EQ(v.DuloName, "R1.BLK.FEED");
        EXPECT_EQ(v.Description, "from host");
        EXPECT_EQ(v.Min, 1);
        EXPECT_EQ(v.Max, 2);
        EXPECT_EQ(v.MinProcess, 3);
        EXPECT_EQ(v.MaxProcess, 4);
        EXPECT_EQ(v.ObjFn, 5);
        EXPECT_EQ(v.Initial, 6);
        EXPECT_EQ(v.PeriodicMin, (std::vector<double>{1.5, 2.5}));
        EXPECT_EQ(v.PeriodicInitial, std::vector<double>{9});
        EXPECT_TRUE(v.IsIndependent);
        EXPECT_TRUE(v.DisplayFlag);
        EXPECT_EQ(v.SwitchMode, withSwitch ? kSwitchOff : kSwitchNone);
    }
}

TEST(UserDefinedEquationVariable, ArchiveNamePrefixReplacesEveryBlkMark) {
    VariableRecord r;
    r.name = ".BLK.FEED.BLK.T";
    r.duloName = "LP";
    ByteWriter w;
    WriteVariable(w, r, true);
    CArchive ar(w.bytes);
    CUserDefinedEquationVariable v;
    v.SerializeArchive(ar, CModelVersion(20, 0, 0), ".HYBRID.");
    EXPECT_EQ(v.Name, ".HYBRID.FEED.HYBRID.T");
    EXPECT_EQ(v.DuloName, "LP");
}

TEST(UserDefinedEquationVariable, SwitchModeTexts) {
    struct Case {
        const char* text;
        int32_t mode;
    } cases[] = {{"On", 0}, {"on", 0}, {"OFF", 1}, {"Switchable", 2}, {"SWITCHABLE", 2}, {"", 3}, {"Of", 3}};
    for (const Case& c : cases) {
        VariableRecord r;
        r.switchMode = c.text;
        ByteWriter w;
        WriteVariable(w, r, true);
        CArchive ar(w.bytes);
        CUserDefinedEquationVariable v;
        v.SerializeArchive(ar, CModelVersion(17, 0, 0), "");
        EXPECT_EQ(v.SwitchMode, c.mode) << c.text;
    }
}

TEST(UserDefinedEquationVariable, TruncatedRecordRaisesAtEveryCut) {
    ByteWriter w;
    WriteVariable(w, SampleRecord(), true);
    for (size_t cut = 0; cut < w.bytes.size(); ++cut) {
        CArchive ar(w.bytes.data(), cut);
        CUserDefinedEquationVariable v;
        EXPECT_THROW(v.SerializeArchive(ar, CModelVersion(17, 0, 0), ""), CArchiveException) << cut;
    }
}

TEST(UserDefinedEquationVariable, ListCountBeyondTheFileRaises) {
    ByteWriter w;
    VariableRecord r;
    WriteVariable(w, r, false);
    // Replace the PeriodicMin count by 0xFFFF + 2^31 and cut the rest.
    size_t countAt = 2 + 4 * 1 + 6 * 8;  // two bools, four empty texts, six doubles
    w.bytes.resize(countAt);
    w.Word(0xFFFF);
    w.DWord(0x80000000u);
    CArchive ar(w.bytes);
    CUserDefinedEquationVariable v;
    EXPECT_THROW(v.SerializeArchive(ar, CModelVersion(16, 0, 0), ""), CArchiveException);
}

// A parameter record: the variable record, then type text and value.
std::vector<unsigned char> ParameterBytes(const char* type, void (*value)(ByteWriter&), bool withValue = true) {
    ByteWriter w;
    VariableRecord r;
    r.name = "P";
    WriteVariable(w, r, true);
    if (withValue) {
        w.Text(type);
        if (value) value(w);
    }
    return w.bytes;
}

TEST(UserDefinedParameter, SerializeValueReadsTypeAndValue) {
    struct Case {
        const char* type;
        void (*value)(ByteWriter&);
        void (*check)(const CUserDefinedParameter&);
    } cases[] = {
        {"bool", [](ByteWriter& w) { w.Byte(7); },
         [](const CUserDefinedParameter& p) {
             EXPECT_EQ(p.ParameterType, kParamBool);
             EXPECT_TRUE(p.BoolValue);
         }},
        {"INTEGER", [](ByteWriter& w) { w.Int(-42); },
         [](const CUserDefinedParameter& p) {
             EXPECT_EQ(p.ParameterType, kParamInteger);
             EXPECT_EQ(p.IntValue, -42);
         }},
        {"Double", [](ByteWriter& w) { w.Double(2.5e-7); },
         [](const CUserDefinedParameter& p) {
             EXPECT_EQ(p.ParameterType, kParamDouble);
             EXPECT_EQ(p.DoubleValue, 2.5e-7);
         }},
        {"string", [](ByteWriter& w) { w.Utf16Text("abc"); },
         [](const CUserDefinedParameter& p) {
             EXPECT_EQ(p.ParameterType, kParamString);
             EXPECT_EQ(p.StringValue, "abc");
         }},
        {"StringList", [](ByteWriter& w) { w.Texts({"a", "bb"}); },
         [](const CUserDefinedParameter& p) {
             EXPECT_EQ(p.ParameterType, kParamStringList);
             EXPECT_EQ(p.StringList, (std::vector<std::string>{"a", "bb"}));
         }},
        {"Float", nullptr, [](const CUserDefinedParameter& p) { EXPECT_EQ(p.ParameterType, kParamNone); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        auto bytes = ParameterBytes(c.type, c.value);
        CArchive ar(bytes);
        CUserDefinedParameter p;
        p.SerializeValue(ar, CModelVersion(17, 5, 0));
        EXPECT_EQ(ar.GetRemaining(), 0u);
        EXPECT_EQ(p.Name, "P");
        c.check(p);
    }
}

TEST(UserDefinedParameter, OlderFilesHoldNoValue) {
    auto bytes = ParameterBytes("Double", nullptr, false);
    CArchive ar(bytes);
    CUserDefinedParameter p;
    p.SerializeValue(ar, CModelVersion(17, 4, 99));
    EXPECT_EQ(ar.GetRemaining(), 0u);
    EXPECT_EQ(p.ParameterType, kParamNone);
}

TEST(UserDefinedParameter, StoresWhatItLoads) {
    CUserDefinedParameter p("SIZE");
    p.ParameterType = kParamStringList;
    p.StringList = {"x", "y"};
    CArchive out;
    p.SerializeValue(out, CModelVersion(18, 0, 0));
    CArchive in(out.GetBuffer());
    CUserDefinedParameter q;
    q.SerializeValue(in, CModelVersion(18, 0, 0));
    EXPECT_EQ(in.GetRemaining(), 0u);
    EXPECT_EQ(q.Name, "SIZE");
    EXPECT_EQ(q.ParameterType, kParamStringList);
    EXPECT_EQ(q.StringList, p.StringList);

    CUserDefinedParameter none("N");
    CArchive out2;
    none.SerializeValue(out2, CModelVersion(18, 0, 0));
    ByteWriter w;
    VariableRecord r;
    r.name = r.duloName = "N";
    r.displayFlag = true;
    WriteVariable(w, r, true);
    EXPECT_EQ(out2.GetBuffer(), w.bytes);  // type 5: nothing after the variable record
}

TEST(UserDefinedParameter, CopyValueFromTakesOnlyItsOwnType) {
    CUserDefinedParameter other;
    other.ParameterType = kParamInteger;
    other.BoolValue = true;
    other.IntValue = 5;
    other.DoubleValue = 1.25;
    other.StringValue = "s";
    other.StringList = {"a"};

    CUserDefinedParameter d;
    d.ParameterType = kParamDouble;
    EXPECT_TRUE(d.CopyValueFrom(other));
    EXPECT_EQ(d.DoubleValue, 1.25);
    EXPECT_EQ(d.IntValue, 0);
    EXPECT_FALSE(d.BoolValue);
    EXPECT_EQ(d.StringValue, "");

    for (int32_t type : {kParamBool, kParamInteger, kParamString}) {
        CUserDefinedParameter p;
        p.ParameterType = type;
        EXPECT_TRUE(p.CopyValueFrom(other));
        EXPECT_EQ(p.BoolValue, type == kParamBool);
        EXPECT_EQ(p.IntValue, type == kParamInteger ? 5 : 0);
        EXPECT_EQ(p.StringValue, type == kParamString ? "s" : "");
        EXPECT_EQ(p.DoubleValue, 0);
    }

    CUserDefinedParameter list;
    list.ParameterType = kParamStringList;
    EXPECT_TRUE(list.CopyValueFrom(other));
    EXPECT_TRUE(list.StringList.empty());

    CUserDefinedParameter locked;
    locked.ParameterType = kParamDouble;
    locked.DoubleValue = 9;
    locked.Locked = true;
    EXPECT_TRUE(locked.CopyValueFrom(other));
    EXPECT_EQ(locked.DoubleValue, 9);
}

TEST(ModelVersion, ParsesAndComparesVersionTexts) {
    struct Case {
        const char* text;
        int major, minor, patch;
    } cases[] = {{"17.9.4", 17, 9, 4}, {"17.5", 17, 0, 5}, {"175", 0, 0, 175}, {"", 0, 0, 0},
                 {"19.8.25.3", 19, 8, 3}, {"v19.x.2", 0, 0, 2}, {"16.26.0b", 16, 26, 0}};
    for (const Case& c : cases) {
        CModelVersion v = CModelVersion::Parse(c.text);
        EXPECT_EQ(v.Major(), c.major) << c.text;
        EXPECT_EQ(v.Minor(), c.minor) << c.text;
        EXPECT_EQ(v.Patch(), c.patch) << c.text;
    }
}

TEST(ModelVersion, ConditionsOnBothSidesOfEachBoundary) {
    struct Case {
        const char* text;
        bool c1, c2, c3, c4, c5, c5i, c6;
    } cases[] = {
        {"16.24.99", false, false, false, false, false, false, false},
        {"16.25.0", true, false, false, false, false, false, false},
        {"16.26.0", true, false, true, false, false, false, false},
        {"17.1.5", true, false, true, false, false, false, false},
        {"17.1.6", true, true, true, false, false, false, false},
        {"17.4.9", true, true, true, false, false, false, false},
        {"17.5.0", true, true, true, false, false, false, true},
        {"17.8.99", true, true, true, false, false, false, true},
        {"17.9.0", true, true, true, false, true, true, true},
        {"17.9.3", true, true, true, false, true, true, true},
        {"17.9.4", true, true, true, false, true, false, true},
        {"17.10.2", true, true, true, false, true, true, true},
        {"18.0.0", true, true, true, false, true, false, true},
        {"19.6.500", true, true, true, false, true, false, true},
        {"19.7.58", true, true, true, false, true, false, true},
        {"19.7.59", true, true, true, true, true, false, true},
        {"19.8.24", true, true, true, false, true, false, true},
        {"19.8.25", true, true, true, true, true, false, true},
        {"19.9.50", true, true, true, false, true, false, true},
        {"19.9.112", true, true, true, true, true, false, true},
        {"19.10.0", true, true, true, true, true, false, true},
        {"20.0.0", true, true, true, true, true, false, true},
    };
    for (const Case& c : cases) {
        CModelVersion v = CModelVersion::Parse(c.text);
        EXPECT_EQ(v.HasInputOutputMap(), c.c1) << c.text;
        EXPECT_EQ(v.HasPerturbationSize(), c.c2) << c.text;
        EXPECT_EQ(v.HasSwitchMode(), c.c3) << c.text;
        EXPECT_EQ(v.HasBlockWideFlag(), c.c4) << c.text;
        EXPECT_EQ(v.HasParameters(), c.c5) << c.text;
        EXPECT_EQ(v.HasImpliedParameterCount(), c.c5i) << c.text;
        EXPECT_EQ(v.HasParameterValues(), c.c6) << c.text;
    }
}

}  // namespace
