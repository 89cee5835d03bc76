#include "formulas/UserDefinedEquation.h"

#include "formulas/StandardFunctions.h"
#include "platform/archive/Archive.h"
#include "platform/xml/XmlDocument.h"

#include <cstdlib>
#include <strings.h>

namespace {

bool XmlBool(const std::string& text) { return text == "true"; }

double XmlDouble(const std::string& text) { return std::atof(text.c_str()); }

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

const char* SwitchModeText(int32_t mode) {
    switch (mode) {
        case kSwitchOn: return "On";
        case kSwitchOff: return "Off";
        case kSwitchSwitchable: return "Switchable";
        default: return "";
    }
}

int32_t SwitchModeOf(const std::string& text) {
    if (strcasecmp(text.c_str(), "On") == 0) return kSwitchOn;
    if (strcasecmp(text.c_str(), "Off") == 0) return kSwitchOff;
    if (strcasecmp(text.c_str(), "Switchable") == 0) return kSwitchSwitchable;
    return kSwitchNone;
}

}  // namespace

CUserDefinedEquation::CUserDefinedEquation() = default;
CUserDefinedEquation::~CUserDefinedEquation() = default;

void CUserDefinedEquation::SetSuppressed(bool value, bool) { m_suppressed = value; }

void CUserDefinedEquation::GetFunctionTable(const dulo::SExpFunction*& table, int& count) {
    table = dulo::StandardFunctions(count);
}

CUserDefinedEquationVariable::CUserDefinedEquationVariable(const std::string& name) : Name(name), DuloName(name) {}

CUserDefinedEquationVariable::~CUserDefinedEquationVariable() = default;

void CUserDefinedEquationVariable::ReadXml(const CXmlNode& element) {
    CXmlNodeList children = element.ChildNodes();
    for (long i = 0; i < children.Count(); ++i) {
        CXmlNode child = children.Item(i);
        if (!child.IsElement()) continue;
        const std::string name = child.NodeName();
        const std::string text = child.GetText();
        if (name == "IsNew") IsNew = XmlBool(text);
        else if (name == "IsPeriodic") IsPeriodic = XmlBool(text);
        else if (name == "IsIndependent") IsIndependent = XmlBool(text);
        else if (name == "Expanded") Expanded = XmlBool(text);
        else if (name == "BlockControlVar") BlockControlVar = XmlBool(text);
        else if (name == "DisplayFlag") DisplayFlag = XmlBool(text);
        else if (name == "VariableType") VariableType = text;
        else if (name == "Name") Name = text;
        else if (name == "Description") Description = text;
        else if (name == "DuloName") DuloName = text.empty() ? Name : text;
        else if (name == "Min") Min = XmlDouble(text);
        else if (name == "Max") Max = XmlDouble(text);
        else if (name == "MinProcess") MinProcess = XmlDouble(text);
        else if (name == "MaxProcess") MaxProcess = XmlDouble(text);
        else if (name == "ObjFn") ObjFn = XmlDouble(text);
        else if (name == "Initial") Initial = XmlDouble(text);
        else if (name == "Value") Value = XmlDouble(text);
        else if (name == "PeriodicMin") PeriodicMin.push_back(XmlDouble(text));
        else if (name == "PeriodicMax") PeriodicMax.push_back(XmlDouble(text));
        else if (name == "PeriodicObjFn") PeriodicObjFn.push_back(XmlDouble(text));
        else if (name == "PeriodicInitial") PeriodicInitial.push_back(XmlDouble(text));
    }
}

void CUserDefinedEquationVariable::SerializeArchive(CArchive& ar, const CModelVersion& version,
                                                    const std::string& namePrefix) {
    ar.Exchange(IsNew);
    ar.Exchange(IsPeriodic);
    ar.Exchange(VariableType);
    if (ar.IsLoading()) {
        Name = ar.ReadString();
        if (!namePrefix.empty()) ReplaceAll(Name, ".BLK.", namePrefix);
        DuloName = ar.ReadString();
        if (DuloName.empty()) DuloName = Name;
        ar.ReadString();  // the description from the host is the one that counts
    } else {
        ar.WriteString(Name);
        ar.WriteString(DuloName);
        ar.WriteString(Description);
    }
    ar.Exchange(Min);
    ar.Exchange(Max);
    ar.Exchange(MinProcess);
    ar.Exchange(MaxProcess);
    ar.Exchange(ObjFn);
    ar.Exchange(Initial);
    ar.Exchange(PeriodicMin);
    ar.Exchange(PeriodicMax);
    ar.Exchange(PeriodicObjFn);
    ar.Exchange(PeriodicInitial);
    ar.Exchange(IsIndependent);
    ar.Exchange(Expanded);
    ar.Exchange(BlockControlVar);
    ar.Exchange(DisplayFlag);
    if (version.HasSwitchMode()) {
        if (ar.IsLoading()) SwitchMode = SwitchModeOf(ar.ReadString());
        else ar.WriteString(SwitchModeText(SwitchMode));
    }
}

CUserDefinedParameter::CUserDefinedParameter() { DisplayFlag = true; }

CUserDefinedParameter::CUserDefinedParameter(const std::string& name) : CUserDefinedEquationVariable(name) {
    DisplayFlag = true;
}

CUserDefinedParameter::~CUserDefinedParameter() = default;

const char* ParameterTypeName(int32_t type) {
    switch (type) {
        case kParamBool: return "Bool";
        case kParamInteger: return "Integer";
        case kParamDouble: return "Double";
        case kParamString: return "String";
        case kParamStringList: return "Stringlist";
        default: return nullptr;
    }
}

void CUserDefinedParameter::SerializeValue(CArchive& ar, const CModelVersion& version) {
    SerializeArchive(ar, version, std::string());
    if (!version.HasParameterValues()) return;
    if (ar.IsLoading()) {
        const std::string type = ar.ReadString();
        // The order of the tests is the order the types were introduced in.
        static const int32_t kOrder[] = {kParamBool, kParamDouble, kParamInteger, kParamString, kParamStringList};
        for (int32_t code : kOrder) {
            if (strcasecmp(type.c_str(), ParameterTypeName(code)) == 0) {
                ParameterType = code;
                SerializeTypedValue(ar);
                return;
            }
        }
        return;  // an unknown type has no value
    }
    if (const char* name = ParameterTypeName(ParameterType)) {
        ar.WriteString(name);
        SerializeTypedValue(ar);
    }
}

void CUserDefinedParameter::SerializeTypedValue(CArchive& ar) {
    switch (ParameterType) {
        case kParamBool: ar.Exchange(BoolValue); break;
        case kParamInteger: ar.Exchange(IntValue); break;
        case kParamDouble: ar.Exchange(DoubleValue); break;
        case kParamString: ar.Exchange(StringValue); break;
        case kParamStringList: ar.Exchange(StringList); break;
        default: break;
    }
}

bool CUserDefinedParameter::CopyValueFrom(const CUserDefinedParameter& other) {
    if (Locked) return true;
    switch (ParameterType) {
        case kParamBool: BoolValue = other.BoolValue; break;
        case kParamInteger: IntValue = other.IntValue; break;
        case kParamDouble: DoubleValue = other.DoubleValue; break;
        case kParamString: StringValue = other.StringValue; break;
        default: break;
    }
    return true;
}
