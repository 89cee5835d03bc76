// The session with the host library: initialisation, the command lines, adding
// blocks, parameters, events and teardown.
#include "extmodels/ZeftHostText.h"
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

using dulo::ScopedVariant;
using dulo::ZeftSession;

constexpr const char* kZeftKey = "HKLM\\SOFTWARE\\TovrenTech\\ZEFT\\38.0";
constexpr const char* kKlSystemKey = "HKLM\\SOFTWARE\\TovrenTech\\KLSystem\\38.0\\Dir";
constexpr const char* kRalplanKey = "HKLM\\SOFTWARE\\TovrenTech\\Ralplan\\38.0";
constexpr const char* kProductKey = "HKLM\\SOFTWARE\\TovrenTech\\TovrenDULO\\";

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

// The block class of a flowsheet library: its file name up to the first ".".
std::string FlowsheetClass(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    return file.substr(0, file.find('.'));
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
