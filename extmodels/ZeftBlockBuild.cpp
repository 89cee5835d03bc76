// Building a block from the host: its equations and variables, its ports and
// its parameters, in the host's numbering.
#include "extmodels/ZeftHostText.h"
#include "extmodels/ZeftInstance.h"

#include "platform/TextConv.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using dulo::BufferText;
using dulo::ReplaceAll;
using dulo::ScopedVariant;
using dulo::ZeftSession;

// Counts the host reports beyond these are taken for a broken host, not for a model.
constexpr int32_t kMaxHostCount = 10'000'000;

void TakeVariantValue(const VARIANT& value, CUserDefinedParameter& p) {
    switch (value.vt) {
        case VT_I4:
            p.ParameterType = kParamInteger;
            p.IntValue = value.lVal;
            break;
        case VT_R8:
            p.ParameterType = kParamDouble;
            p.DoubleValue = value.dblVal;
            break;
        case VT_BSTR:
            p.ParameterType = kParamString;
            p.StringValue = dulo::Utf8FromBstr(value.bstrVal);
            break;
        case VT_BOOL:
            p.ParameterType = kParamBool;
            p.BoolValue = value.boolVal == VARIANT_TRUE;
            break;
        case VT_ARRAY | VT_BSTR: {
            SAFEARRAY* sa = value.parray;
            LONG lower = 0, upper = -1;
            if (!sa || SafeArrayGetDim(sa) != 1 || FAILED(SafeArrayGetLBound(sa, 1, &lower)) ||
                FAILED(SafeArrayGetUBound(sa, 1, &upper)))
                break;
            p.ParameterType = kParamStringList;
            p.StringList.clear();
            for (LONG i = lower; i <= upper; ++i) {
                BSTR element = nullptr;
                if (SUCCEEDED(SafeArrayGetElement(sa, &i, &element))) {
                    p.StringList.push_back(dulo::Utf8FromBstr(element));
                    SysFreeString(element);
                }
            }
            break;
        }
        default: break;
    }
}

}  // namespace

void CZEFTInstance::DropVariablesOf(CZEFTBlock& block) {
    std::vector<CUserDefinedEquationVariable*> mine(block.InternalVariables.begin(), block.InternalVariables.end());
    for (CZeftPort* port : block.Ports) mine.insert(mine.end(), port->Variables.begin(), port->Variables.end());
    block.ClearStructure();
    for (int i = Variables.GetSize() - 1; i >= 0; --i)
        for (CUserDefinedEquationVariable* v : mine)
            if (Variables.GetAt(i) == v) {
                Variables.RemoveAt(i);
                break;
            }
}

bool CZEFTInstance::BuildEquationsAndVariables(CZEFTBlock& block) {
    const auto& s = ZeftSession();
    const CZeftHostEntryPoints& h = s.host;
    char name[kZeftNameBufferSize] = {};
    auto& n = block.HostStructure;
    if (!h.GetBlockInfo(s.simulation, block.Index, name, &n[0], &n[1], &n[2], &n[3], &n[4], &n[5], &n[6], &n[7],
                        &n[8], &n[9], &n[10]))
        return false;
    block.Name = BufferText(name);
    const int32_t firstEquation = n[1], lastEquation = n[2], size = n[6], firstVariable = n[7];
    if (size < 0 || size > kMaxHostCount) return false;
    if (lastEquation >= firstEquation && int64_t(lastEquation) - firstEquation >= kMaxHostCount) return false;
    std::vector<int32_t> incidence(size_t(size) + 1), hostVariables(size_t(size) + 1);
    std::vector<uint8_t> flags(size_t(size) + 1);
    if (!h.GetBlockJacobianStruct(s.simulation, block.Index, incidence.data(), hostVariables.data(), flags.data()))
        return false;
    const bool hybrid = block.ModelType == kZeftHybrid;
    std::vector<CZeftVar> met;  // the block's variables so far, by host number
    for (int64_t e = firstEquation; e <= lastEquation; ++e) {
        char equationName[kZeftNameBufferSize] = {};
        double lower = 1e35, upper = 1e35, residual = 0;
        uint8_t f1 = 0, f2 = 0, f3 = 0;
        int32_t relation = -1;
        if (!h.GetEquationInfo(s.simulation, int32_t(e), equationName, &lower, &upper, &residual, &f1, &f2, &f3,
                               &relation))
            return false;
        char incidenceName[kZeftNameBufferSize] = {};
        int32_t count = 0;
        uint8_t flag = 0;
        std::unique_ptr<int32_t, decltype(&std::free)> values(
            h.GetEquationNameAndIncidentNonZeroInfo(s.simulation, int32_t(e), incidenceName, &count, &flag,
                                                    block.Name.c_str()),
            &std::free);
        if (!values || count < 0) count = 0;

        auto equation = std::make_unique<CZeftDefinedEquation>();
        equation->SetName(BufferText(equationName));
        equation->EquationNumber = int32_t(e);
        equation->SetEquationType(relation == 1 || relation == 2   ? "LE"
                                  : relation == 3 || relation == 4 ? "GE"
                                  : relation == 5                  ? "Free"
                                                                   : "EQ");
        for (int32_t i = 0; i < count; ++i) {
            const int32_t k = values.get()[i];
            const int64_t at = int64_t(k) - firstVariable;
            if (at < 0 || at >= size) return false;  // outside the structure the host described
            const int32_t v = hostVariables[size_t(at)];
            equation->IncidentHostVariables.push_back(v);
            equation->IncidentIndexes.push_back(k - 1);
            auto place = std::lower_bound(met.begin(), met.end(), v,
                                          [](const CZeftVar& a, int32_t number) { return a.HostNumber < number; });
            CUserDefinedEquationVariable* variable =
                place != met.end() && place->HostNumber == v ? place->Variable : nullptr;
            if (!variable) {
                char variableName[kZeftNameBufferSize] = {}, units[kZeftNameBufferSize] = {},
                     type[kZeftNameBufferSize] = {};
                double value = 0;
                int32_t specification = 0;
                if (!h.GetVariableInfo(s.simulation, v, variableName, &value, &specification, units, type))
                    return false;
                std::string text = BufferText(variableName);
                if (hybrid) ReplaceAll(text, ".BLK.", ".HYBRID.");
                auto made = std::make_unique<CUserDefinedEquationVariable>(text);
                made->HostIndex = v;
                made->IsNew = true;
                made->Initial = value;
                made->HostSpec = specification;
                made->OwnerModelName = block.ModelName;
                double bound = 0;
                if (!h.GetVariableLowerBound(s.simulation, v, &bound)) return false;
                made->Min = made->MinProcess = bound;
                if (!h.GetVariableUpperBound(s.simulation, v, &bound)) return false;
                made->Max = made->MaxProcess = bound;
                char description[kZeftNameBufferSize] = {};
                if (h.GetVariableDescription(s.simulation, v, description)) made->Description = BufferText(description);
                variable = made.release();
                met.insert(place, CZeftVar{v, variable});
                Variables.Add(variable);
                block.InternalVariables.Add(variable);
                equation->IncidentNames.push_back(variable->Name);
            }
            equation->Variables().push_back(variable);
        }
        block.Equations.Add(equation.release());
    }
    Variables.Sort();
    block.InternalVariables.Sort();
    return true;
}

bool CZEFTInstance::BuildPorts(CZEFTBlock& block) {
    const auto& s = ZeftSession();
    const CZeftHostEntryPoints& h = s.host;
    const int32_t portCount = block.HostStructure[9];
    if (portCount > kMaxHostCount) return false;
    const bool hybrid = block.ModelType == kZeftHybrid;
    for (int32_t p = 1; p <= portCount; ++p) {
        char name[kZeftNameBufferSize] = {};
        int32_t direction = 0, count = 0;
        if (!h.GetBlockPortInfo(s.simulation, block.Index, p, name, &direction, &count)) return false;
        if (count < 0 || count > kMaxHostCount) return false;
        auto* port = new CZeftPort();
        std::string text = BufferText(name);
        size_t dot = text.find('.');
        port->Name = dot == std::string::npos ? text : text.substr(dot + 1);
        port->PortNumber = p;
        port->Direction = direction == kPortInput || direction == kPortOutput ? direction : kPortUnknown;
        block.Ports.Add(port);
        std::vector<ZeftNameBuffer> names(size_t(count) + 1);
        std::memset(names.data(), 0, names.size() * sizeof(ZeftNameBuffer));
        std::vector<int32_t> numbers(size_t(count) + 1);
        if (!h.GetBlockPortVariableInfo(s.simulation, block.Index, p, names.data(), numbers.data())) return false;
        for (int32_t i = 0; i < count; ++i) {
            CUserDefinedEquationVariable key(BufferText(names[size_t(i)]));
            if (hybrid) ReplaceAll(key.Name, ".BLK.", ".HYBRID.");
            int at = Variables.FindSorted(&key);
            if (at < 0) continue;
            CUserDefinedEquationVariable* v = Variables.GetAt(at);
            size_t lastDot = v->Name.rfind('.');
            v->VariableType = (lastDot == std::string::npos ? v->Name : v->Name.substr(lastDot + 1)).substr(0, 7);
            if (port->Direction == kPortInput && v->HostSpec != 1) v->IsIndependent = true;
            port->Variables.Add(v);
            for (int j = 0; j < block.InternalVariables.GetSize(); ++j)
                if (block.InternalVariables.GetAt(j) == v) {
                    block.InternalVariables.RemoveAt(j);
                    break;
                }
            if (port->Direction != kPortUnknown) v->IsInternal = false;
        }
        port->Variables.Sort();
    }
    return true;
}

bool CZEFTInstance::ReadParameter(CZEFTBlock& block, int index, CUserDefinedParameter& p) {
    const auto& s = ZeftSession();
    char name[kZeftNameBufferSize] = {}, description[kZeftNameBufferSize] = {}, units[kZeftNameBufferSize] = {};
    ScopedVariant value;
    if (!s.host.GetBlockParameterInfo(s.simulation, block.Index, index, name, &value.v, description, units))
        return false;
    p.Name = p.DuloName = BufferText(name);
    p.Description = BufferText(description);
    TakeVariantValue(value.v, p);
    return true;
}

bool CZEFTInstance::BuildParameters(CZEFTBlock& block) {
    const auto& s = ZeftSession();
    const int32_t count = block.HostStructure[10];
    if (count > kMaxHostCount) return false;
    for (int32_t i = 0; i < count; ++i) {
        auto p = std::make_unique<CUserDefinedParameter>();
        p->HostIndex = i;
        int32_t access = 1;
        if (!s.host.GetBlockParameterAccess(s.simulation, block.Index, i, &access)) return false;
        if (access == 0) p->Locked = true;
        if (!ReadParameter(block, i, *p)) return false;
        CUserDefinedParameter* kept = p.release();
        block.Parameters.AddSorted(kept);
        if (kept->Name == "PERT") block.PerturbationText = FormatG(kept->DoubleValue);
    }
    return true;
}

