// The session with the host library: initialisation, the command lines, adding
// blocks and building them from the host, parameters, events and teardown.
#include "extmodels/ZeftInstance.h"

#include "platform/Messages.h"
#include "platform/TextConv.h"
#include "platform/registry/Registry.h"
#include "settings/SettingItemList.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <memory>
#include <strings.h>
#include <sys/stat.h>

namespace dulo {

CZeftSessionState& ZeftSession() {
    static CZeftSessionState state;
    return state;
}

}  // namespace dulo

namespace {

using dulo::ZeftSession;

constexpr const char* kZeftKey = "HKLM\\SOFTWARE\\TovrenTech\\ZEFT\\38.0";
constexpr const char* kKlSystemKey = "HKLM\\SOFTWARE\\TovrenTech\\KLSystem\\38.0\\Dir";
constexpr const char* kRalplanKey = "HKLM\\SOFTWARE\\TovrenTech\\Ralplan\\38.0";
constexpr const char* kProductKey = "HKLM\\SOFTWARE\\TovrenTech\\TovrenDULO\\";

// Counts the host reports beyond these are taken for a broken host, not for a model.
constexpr int32_t kMaxHostCount = 10'000'000;

const char* const kEventNames[] = {
    "ZEFTEventListener::BlocksChanged",      "ZEFTEventListener::VariablesChanged",
    "ZEFTEventListener::RequestStarted",     "ZEFTEventListener::RequestCompleted",
    "ZEFTEventListener::CommandStarted",     "ZEFTEventListener::CommandCompleted",
    "ZEFTEventListener::PreSolve",           "ZEFTEventListener::PostSolve",
    "ZEFTEventListener::PreSync",            "ZEFTEventListener::PostSync",
    "ZEFTEventListener::BlockInclude",       "ZEFTEventListener::ParameterChanged",
    "ZEFTEventListener::PortsChanged",       "ZEFTEventListener::BlockStructureChanged",
    "ZEFTEventListener::BlockDofChanged",
};

void Sink(const std::string& line) {
    if (ZeftSession().messageSink) ZeftSession().messageSink(line);
}

void MessageCallback(const char* text) { Sink(text ? text : ""); }

void EventCallback(int32_t simulation, int32_t event, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                   int32_t) {
    auto& s = ZeftSession();
    s.simulation = simulation;
    if (event < 0 || event > 14) return;
    if (s.messageLevel > 1) Sink(kEventNames[event]);
    const CZeftHostEntryPoints& h = s.host;
    switch (event) {
        case 0:
        case 12:
            if (h.UpdateSimulationStruct) h.UpdateSimulationStruct(simulation);
            break;
        case 13:
            if (h.UpdateSimulationStruct) h.UpdateSimulationStruct(simulation);
            if (h.SetEventSetFilter) {
                h.SetEventSetFilter(simulation, 31);
                h.SetEventSetFilter(simulation, 63);
            }
            break;
        default: break;
    }
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// zefttop names the installation directory, with or without its separator.
std::string XeqDirectory(const std::string& zeftTop) {
    if (!zeftTop.empty() && (zeftTop.back() == '/' || zeftTop.back() == '\\')) return zeftTop + "xeq";
    return zeftTop + "/xeq";
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int ExtendSearchPath() {
    auto zeftTop = dulo::ReadRegistryString(kZeftKey, "zefttop");
    if (!zeftTop) return kZeftInitNoZeftTop;
    auto bin = dulo::ReadRegistryString(kKlSystemKey, "Bin");
    if (!bin) return kZeftInitNoBinDir;
    auto exeDir = dulo::ReadRegistryString(kRalplanKey, "ExeDir");
    if (!exeDir) return kZeftInitNoExeDir;
    const char* path = std::getenv("PATH");
    if (!path) return kZeftInitNoPath;
    std::string extended = XeqDirectory(*zeftTop) + ":" + *bin + ":" + *exeDir + ":" + Trim(path);
    setenv("PATH", extended.c_str(), 1);
    return kZeftInitOk;
}

void* LoadHost() {
    auto& s = ZeftSession();
    auto zeftTop = dulo::ReadRegistryString(kZeftKey, "zefttop");
    if (!s.pathExtended) {
        if (!zeftTop || zeftTop->empty()) return nullptr;
        const char* path = std::getenv("PATH");
        std::string extended = XeqDirectory(*zeftTop) + ":" + (path ? path : "");
        setenv("PATH", extended.c_str(), 1);
        s.pathExtended = true;
    }
    // The loader does not search PATH, so the installation's own copy is taken by its full path.
    if (zeftTop && !zeftTop->empty()) {
        std::string candidate = XeqDirectory(*zeftTop) + "/" + dulo::kZeftHostFileName;
        if (FileExists(candidate)) return dulo::LoadZeftHostLibrary(candidate);
    }
    return dulo::LoadZeftHostLibrary(dulo::kZeftHostFileName);
}

const char* SolverLine(int index) {
    static const char* const kLines[] = {"solver vrx",        "solver kqsp",        "solver sparse",
                                         "solver decomp_vrx", "solver decomp_kqsp", "solver decomp_sparse"};
    return index >= 0 && index < 6 ? kLines[index] : "solver sparse";
}

std::string Format(const char* pattern, const std::string& a, const std::string& b = std::string()) {
    int n = std::snprintf(nullptr, 0, pattern, a.c_str(), b.c_str());
    std::string out(size_t(n > 0 ? n : 0), '\0');
    std::snprintf(out.data(), out.size() + 1, pattern, a.c_str(), b.c_str());
    return out;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// A host name buffer as text, whatever the host left in it.
std::string BufferText(const char* buffer) { return std::string(buffer, strnlen(buffer, kZeftNameBufferSize)); }

// The block class of a flowsheet library: its file name up to the first ".".
std::string FlowsheetClass(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    return file.substr(0, file.find('.'));
}

// A VARIANT that clears itself.
struct ScopedVariant {
    VARIANT v;
    ScopedVariant() { VariantInit(&v); }
    ~ScopedVariant() { VariantClear(&v); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
};

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

std::string ParameterValueText(const CUserDefinedParameter& p) {
    switch (p.ParameterType) {
        case kParamBool: return p.BoolValue ? "true" : "false";
        case kParamInteger: return std::to_string(p.IntValue);
        case kParamDouble: return FormatG(p.DoubleValue);
        case kParamString: return p.StringValue;
        default: return {};
    }
}

CZEFTInstance*& CurrentInstance() {
    static CZEFTInstance* instance = nullptr;
    return instance;
}

}  // namespace

CZEFTInstance& CZEFTInstance::Get() {
    if (!CurrentInstance()) CurrentInstance() = new CZEFTInstance();
    return *CurrentInstance();
}

CZEFTInstance* CZEFTInstance::Current() { return CurrentInstance(); }

void CZEFTInstance::Release() {
    delete CurrentInstance();
    CurrentInstance() = nullptr;
}

CZEFTInstance::CZEFTInstance() : Blocks(0, nullptr), Variables(CompareVariablesByName, true) {
    Blocks.SetCompareFunction([](const CZEFTBlock* a, const CZEFTBlock* b) {
        int c = a->Name.compare(b->Name);
        if (c == 0) c = a->ModelName.compare(b->ModelName);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    });
    ZeftSession().simulation = -1;
    InitialiseSession(0, 2, 0, "1e-6", "");
}

CZEFTInstance::~CZEFTInstance() { CloseSession(); }

bool CZEFTInstance::ExecuteScriptLine(const std::string& line) {
    const auto& s = ZeftSession();
    if (!s.host.ScriptExecute) return false;
    return s.host.ScriptExecute(s.simulation, line.c_str()) != 0;
}

int CZEFTInstance::InitialiseSession(int messageLevel, int solverIndex, int inputOutputMap,
                                     const std::string& perturbationSize, const std::string& modelDirectory) {
    auto& s = ZeftSession();
    s.messageLevel = messageLevel;
    s.solverIndex = solverIndex;
    InputOutputMap = inputOutputMap != 0 ? 1 : 0;
    PerturbationSize = perturbationSize;
    if (s.simulation == -1) {
        if (int code = ExtendSearchPath(); code != kZeftInitOk) return code;
        // A failed earlier attempt may have left the library loaded.
        s.host = CZeftHostEntryPoints{};
        dulo::UnloadZeftHostLibrary(HostLibrary);
        HostLibrary = LoadHost();
        if (!HostLibrary) return kZeftInitLoadFailed;
        // A library without the calls the session makes is no host library.
        if (!dulo::ResolveZeftEntryPoints(HostLibrary, s.host)) {
            s.host = CZeftHostEntryPoints{};
            dulo::UnloadZeftHostLibrary(HostLibrary);
            HostLibrary = nullptr;
            return kZeftInitLoadFailed;
        }
        try {
            if (!dulo::ReadRegistryString(kProductKey, "Directory")) return kZeftInitNoProductDirectory;
        } catch (...) {
            return kZeftInitDirectoryRaised;
        }
        s.simulation = s.host.CreateNewSimulation(SimulationName.c_str(), 0);
        if (!s.host.SetMessageCallback(MessageCallback)) return kZeftInitMessageCallback;
        if (!s.host.SetEventCallback(s.simulation, EventCallback)) return kZeftInitEventCallback;
        for (const char* line : {"load library \"blxexp\"", "load library \"xlpadap\"", "load library \"scdcfadap\""})
            if (!ExecuteScriptLine(line)) return kZeftInitCommandFailed;
    }
    if (!ExecuteScriptLine(SolverLine(solverIndex))) return kZeftInitCommandFailed;
    if (solverIndex == 0 && !modelDirectory.empty()) {
        std::string line = Format("vrx.workingdir = \"%s\"", modelDirectory);
        if (line.size() > 511) line.resize(511);
        ExecuteScriptLine(line);
    }
    return kZeftInitOk;
}

int CZEFTInstance::AddBlock(std::string& name, const std::string& modelName, const std::string& relativePath,
                            const std::string& absolutePath, int32_t modelType) {
    std::string line;
    switch (modelType) {
        case kZeftBlx:
        case kZeftBlxNew:
            // No custom-modeller component is installed, so the model file is always named directly.
            line = Format("add block %s as blxexp(\"model=%s\")", name, absolutePath);
            break;
        case kZeftFlowsheet:
            if (!ExecuteScriptLine(Format("load library (\"%s\")", absolutePath))) return kZeftAddLineFailed;
            line = Format("add block %s as %s", name, FlowsheetClass(absolutePath));
            break;
        case kZeftXlp:
        case kZeftOpenForm:
        case kZeftHybrid: line = Format("add block %s as xlpadap(\"model=%s\")", name, absolutePath); break;
        case kZeftClosedForm: line = Format("add block %s as scdcfadap(\"model=%s\")", name, absolutePath); break;
        case kZeftRtm: line = Format("read block as %s from \"%s\"", name, absolutePath); break;
        default: return kZeftAddNoBlock;
    }
    if (!ExecuteScriptLine(line)) return kZeftAddLineFailed;
    const auto& s = ZeftSession();
    if (s.host.GetNumberOfZEFTBlocks(s.simulation) < Blocks.GetSize() + 1) return kZeftAddNoBlock;
    if (!ExecuteScriptLine("EVALUATE EQUATIONS")) return kZeftAddEquationsFailed;
    if (!ExecuteScriptLine("EVALUATE JACOBIAN")) return kZeftAddJacobianFailed;

    auto block = std::make_unique<CZEFTBlock>();
    block->Index = Blocks.GetSize() + 1;
    block->Name = name;
    block->RelativePath = relativePath;
    block->AbsolutePath = absolutePath;
    block->ModelName = modelName;
    block->ModelType = modelType;
    int result = kZeftAddOk;
    if (!BuildEquationsAndVariables(*block)) result = kZeftAddVariablesFailed;
    else if (!BuildPorts(*block)) result = kZeftAddPortsFailed;
    else if (!BuildParameters(*block)) result = kZeftAddParametersFailed;
    if (result != kZeftAddOk) {
        // The block is not kept, and neither are the variables made for it.
        DropVariablesOf(*block);
        return result;
    }
    if (modelType == kZeftRtm) name = block->Name;
    Blocks.Add(block.release());
    Blocks.Sort();
    return kZeftAddOk;
}

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

void CZEFTInstance::SetBlockSuppression(CZEFTBlock& block, bool suppressed) {
    CNumericLocaleSwitch c("C");
    ExecuteScriptLine(Format(suppressed ? "exclude blocks %s" : "include blocks %s", block.Name));
}

bool CZEFTInstance::PushBlockParameters(CZEFTBlock& block, bool quiet) {
    for (int i = 0; i < block.Parameters.GetSize(); ++i) {
        try {
            if (!PushParameter(block, i)) return false;
        } catch (const std::exception& e) {
            if (!quiet) dulo::ShowMessage(std::string(e.what()).substr(0, 255));
            return true;
        }
    }
    return true;
}

bool CZEFTInstance::PushParameter(CZEFTBlock& block, int index) {
    if (index < 0 || index >= block.Parameters.GetSize()) return false;
    CUserDefinedParameter& p = *block.Parameters.GetAt(index);
    if (p.Locked) return true;
    ScopedVariant value;
    switch (p.ParameterType) {
        case kParamBool:
            value.v.vt = VT_BOOL;
            value.v.boolVal = p.BoolValue ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case kParamInteger:
            value.v.vt = VT_INT;
            value.v.intVal = p.IntValue;
            break;
        case kParamDouble:
            value.v.vt = VT_R8;
            value.v.dblVal = p.DoubleValue;
            break;
        case kParamString:
            value.v.vt = VT_BSTR;
            value.v.bstrVal = dulo::BstrFromUtf8(p.StringValue);
            break;
        default: return true;  // a string list is not sent
    }
    const auto& s = ZeftSession();
    if (strcasecmp(p.Name.c_str(), "SECOND_DERIV_METHOD") != 0 &&
        !s.host.PutBlockParameterValueByName(s.simulation, block.Name.c_str(), p.Name.c_str(), value.v))
        return false;
    if (s.messageLevel >= 1) {
        CUserDefinedParameter back;
        if (!ReadParameter(block, p.HostIndex, back)) return false;
        Sink(Format("Value for Parameter %s is %s", p.Name, ParameterValueText(back)).substr(0, 255));
    }
    if (p.Name == "PERT") PerturbationSize = block.PerturbationText = FormatG(p.DoubleValue);
    return true;
}

bool CZEFTInstance::DeleteAllBlocks() {
    if (ZeftSession().simulation == -1) return true;
    for (CZEFTBlock* block : Blocks) {
        if (!ExecuteScriptLine(Format("delete block %s", block->Name))) return false;
        block->ClearStructure();
    }
    Blocks.RemoveAll();
    Variables.RemoveAll();
    return true;
}

void CZEFTInstance::CloseSession() {
    DeleteAllBlocks();
    auto& s = ZeftSession();
    if (s.simulation != -1) {
        for (const char* line : {"blocks none", "unload library \"blxexp\"", "unload library \"xlpadap\"",
                                 "unload library \"scdcfadap\""})
            ExecuteScriptLine(line);
        if (s.host.CloseOneSimulation) s.host.CloseOneSimulation(s.simulation);
    }
    s.host = CZeftHostEntryPoints{};
    dulo::UnloadZeftHostLibrary(HostLibrary);
    HostLibrary = nullptr;
}
