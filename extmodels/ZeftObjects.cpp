#include "extmodels/ZeftObjects.h"

#include "platform/archive/Archive.h"

#include <cstdio>

namespace {

struct TypeName {
    int32_t code;
    const char* text;
};

constexpr TypeName kModelTypes[] = {
    {kZeftBlx, "ZEFT_BLX"},           {kZeftFlowsheet, "ZEFT_FLOWSHEET"}, {kZeftXlp, "ZEFT_XLP"},
    {kZeftOpenForm, "ZEFT_OPEN_FORM"}, {kZeftClosedForm, "ZEFT_CLOSED_FORM"}, {kZeftRtm, "ZEFT_RTM"},
    {kZeftBlxNew, "ZEFT_BLX_NEW"},    {kZeftHybrid, "ZEFT_HYBRID"},
};

template <class T>
int CompareNames(const T* a, const T* b) {
    int c = a->Name.compare(b->Name);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int ComparePorts(const CZeftPort* a, const CZeftPort* b) {
    return a->PortNumber < b->PortNumber ? -1 : a->PortNumber > b->PortNumber ? 1 : 0;
}

int CompareEquations(const CZeftDefinedEquation* a, const CZeftDefinedEquation* b) {
    return a->EquationNumber < b->EquationNumber ? -1 : a->EquationNumber > b->EquationNumber ? 1 : 0;
}

}  // namespace

const char* ZeftModelTypeText(int32_t code) {
    for (const TypeName& t : kModelTypes)
        if (t.code == code) return t.text;
    return "";
}

int32_t ZeftModelTypeCode(const std::string& text) {
    for (const TypeName& t : kModelTypes)
        if (text == t.text) return t.code;
    return 0;
}

const char* ZeftPortDirectionText(int32_t direction) {
    switch (direction) {
        case kPortInput: return "PORT_INPUT";
        case kPortOutput: return "PORT_OUTPUT";
        default: return "PORT_UNKNOWN";
    }
}

int32_t ZeftPortDirectionCode(const std::string& text) {
    if (text == "PORT_INPUT") return kPortInput;
    if (text == "PORT_OUTPUT") return kPortOutput;
    return kPortUnknown;
}

int CompareVariablesByName(const CUserDefinedEquationVariable* a, const CUserDefinedEquationVariable* b) {
    return CompareNames(a, b);
}

int CompareParametersByName(const CUserDefinedParameter* a, const CUserDefinedParameter* b) {
    return CompareNames(a, b);
}

std::string FormatG(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

CZeftPort::CZeftPort() : Variables(CompareVariablesByName, false) {}
CZeftPort::~CZeftPort() = default;

void CZeftPort::Serialize(CArchive& ar, const CModelVersion& version, const std::string& namePrefix) {
    if (!ar.IsLoading()) throw CArchiveException(CArchiveException::readOnly, "Ports are only read.");
    Name = ar.ReadString();
    Direction = ZeftPortDirectionCode(ar.ReadString());
    Expanded = ar.ReadBool();
    for (CUserDefinedEquationVariable* v : Variables) v->SerializeArchive(ar, version, namePrefix);
}

CZeftDefinedEquation::CZeftDefinedEquation() = default;
CZeftDefinedEquation::~CZeftDefinedEquation() = default;

CZEFTBlock::CZEFTBlock()
    : Equations(0, CompareEquations),
      InternalVariables(CompareVariablesByName, false),
      Parameters(CompareParametersByName, true),
      Ports(0, ComparePorts) {}

CZEFTBlock::~CZEFTBlock() = default;

std::string CZEFTBlock::NamePrefix() const { return ModelType == kZeftHybrid ? ".HYBRID." : ""; }

void CZEFTBlock::ClearStructure() {
    Parameters.RemoveAll();
    Equations.RemoveAll();
    Ports.RemoveAll();
    InternalVariables.RemoveAll();
    InputList.clear();
    OutputList.clear();
}

void CZEFTBlock::Serialize(CArchive& ar, const CModelVersion& version) {
    if (!ar.IsLoading()) throw CArchiveException(CArchiveException::readOnly, "Blocks are only read.");
    IsSuppressed = ar.ReadBool();
    Expanded = ar.ReadBool();
    InputPortsExpanded = ar.ReadBool();
    OutputPortsExpanded = ar.ReadBool();
    InternalVariablesExpanded = ar.ReadBool();
    if (version.HasSwitchMode()) ParamsShown = ar.ReadBool();
    bool blockWide = false;
    if (version.HasBlockWideFlag()) blockWide = ar.ReadBool();
    // The stored records follow the host's current structure; their counts are not stored.
    const std::string prefix = NamePrefix();
    for (CZeftPort* port : Ports) port->Serialize(ar, version, prefix);
    for (CUserDefinedEquationVariable* v : InternalVariables) v->SerializeArchive(ar, version, prefix);
    if (version.HasParameters()) ReadParameters(ar, version);
    if (version.HasBlockWideFlag()) {
        BlockWideFlag = blockWide;
        for (CZeftPort* port : Ports)
            for (CUserDefinedEquationVariable* v : port->Variables) v->IsBlockFlagged = blockWide;
        for (CUserDefinedEquationVariable* v : InternalVariables) v->IsBlockFlagged = blockWide;
        for (CUserDefinedParameter* p : Parameters) p->IsBlockFlagged = blockWide;
    }
}

void CZEFTBlock::ReadParameters(CArchive& ar, const CModelVersion& version) {
    int32_t count;
    if (version.HasImpliedParameterCount())
        count = Parameters.GetSize() - (ModelType == kZeftBlx || ModelType == kZeftBlxNew ? 2 : 1);
    else
        count = ar.ReadLong();
    StoredParameterCount = count;
    // Records are read one at a time, so a count beyond the file ends in the
    // archive's own end-of-file error rather than in a large allocation.
    for (int32_t i = 0; i < count; ++i) {
        CUserDefinedParameter stored;
        stored.SerializeValue(ar, version);
        int at = Parameters.FindSorted(&stored);
        if (at < 0) continue;
        CUserDefinedParameter* current = Parameters.GetAt(at);
        current->CopyValueFrom(stored);
        if (current->Name == "PERT") PerturbationText = FormatG(current->DoubleValue);
    }
}
