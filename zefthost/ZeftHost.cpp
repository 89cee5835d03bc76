// libzefthost.so, the stand-in external-model host: simulations of blocks made
// from JSON model files, driven by command lines, with the call surface the
// model-data library looks up by name.
//
// Numbering: equations and variables are numbered from 1 across all blocks of
// a simulation, block by block in the order the blocks were added. A block's
// structure lists its variables in the order its equations first use them
// (then the ones only its ports use); an incidence value is the block's first
// variable number plus a place in that structure.
//
// ZEFTHOST_LOG names a file that receives every command line, one a line, as
// received; ZEFTHOST_CALL_LOG one that receives the other calls that change the
// simulation (structure refreshes, event filters, parameter values, closing).
#include "extmodels/ZeftHostApi.h"
#include "platform/TextConv.h"
#include "zefthost/ZeftModelFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#define ZEFT_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using zefthost::ModelFile;
using zefthost::ParamType;

enum Event { kBlocksChanged = 0, kBlockInclude = 10, kParameterChanged = 11, kBlockStructureChanged = 13 };

struct Block {
    std::string name;
    ModelFile model;
    bool included = true;
    std::vector<size_t> structure;  // model variable indexes in structure order
    int32_t firstVariable = 0;      // set by Renumber
    int32_t firstEquation = 0;
};

struct Simulation {
    std::string name;
    std::vector<std::unique_ptr<Block>> blocks;
    std::set<std::string> libraries;
    std::map<std::string, std::string> flowsheetClasses;  // class -> model file
    ZeftEventCallback events = nullptr;
    std::string solver = "sparse";
    std::string workingDirectory;
    int32_t eventFilter = 0;
    bool structureChanged = false;
};

std::map<int32_t, Simulation>& Simulations() {
    static std::map<int32_t, Simulation> simulations;
    return simulations;
}
int32_t g_nextHandle = 1;
ZeftMessageCallback g_messages = nullptr;

Simulation* Find(int32_t handle) {
    auto it = Simulations().find(handle);
    return it == Simulations().end() ? nullptr : &it->second;
}

void AppendLine(const char* variable, const std::string& line) {
    const char* path = std::getenv(variable);
    if (!path || !*path) return;
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

void Message(const std::string& text) {
    if (g_messages) g_messages(text.c_str());
}

void Fire(int32_t handle, Simulation& sim, int32_t event) {
    if (sim.events) sim.events(handle, event, 0, 0, 0, 0, 0, 0, 0, 0);
}

void CopyName(char* buffer, const std::string& text) {
    if (!buffer) return;
    std::snprintf(buffer, kZeftNameBufferSize, "%s", text.c_str());
}

void Renumber(Simulation& sim) {
    int32_t variable = 1, equation = 1;
    for (auto& b : sim.blocks) {
        b->firstVariable = variable;
        b->firstEquation = equation;
        variable += int32_t(b->model.variables.size());
        equation += int32_t(b->model.equations.size());
    }
}

Block* FindBlock(Simulation& sim, const std::string& name) {
    for (auto& b : sim.blocks)
        if (b->name == name) return b.get();
    return nullptr;
}

Block* BlockAt(Simulation* sim, int32_t number) {
    if (!sim || number < 1 || size_t(number) > sim->blocks.size()) return nullptr;
    return sim->blocks[size_t(number) - 1].get();
}

// The block and model index of a global variable or equation number.
struct Place {
    Block* block = nullptr;
    size_t index = 0;
};

Place VariablePlace(Simulation* sim, int32_t number) {
    if (sim)
        for (auto& b : sim->blocks)
            if (number >= b->firstVariable && number < b->firstVariable + int32_t(b->model.variables.size()))
                return {b.get(), size_t(number - b->firstVariable)};
    return {};
}

Place EquationPlace(Simulation* sim, int32_t number) {
    if (sim)
        for (auto& b : sim->blocks)
            if (number >= b->firstEquation && number < b->firstEquation + int32_t(b->model.equations.size()))
                return {b.get(), size_t(number - b->firstEquation)};
    return {};
}

void BuildStructure(Block& b) {
    std::vector<bool> seen(b.model.variables.size());
    auto take = [&](size_t v) {
        if (!seen[v]) {
            seen[v] = true;
            b.structure.push_back(v);
        }
    };
    for (const auto& e : b.model.equations)
        for (size_t v : e.variables) take(v);
    for (const auto& p : b.model.ports)
        for (size_t v : p.variables) take(v);
    for (size_t v = 0; v < seen.size(); ++v) take(v);
}

bool AddBlock(int32_t handle, Simulation& sim, const std::string& name, const std::string& path,
              bool useFileBlockName) {
    auto block = std::make_unique<Block>();
    std::string reason;
    if (!zefthost::ReadModelFile(path, name, useFileBlockName, block->model, reason)) {
        Message(reason);
        return false;
    }
    block->name = block->model.block;
    if (block->name.empty() || FindBlock(sim, block->name)) {
        Message("a block named \"" + block->name + "\" cannot be added");
        return false;
    }
    BuildStructure(*block);
    sim.blocks.push_back(std::move(block));
    Renumber(sim);
    sim.structureChanged = true;
    Fire(handle, sim, kBlocksChanged);
    return true;
}

// Matches text against "PREFIX" + word + "SUFFIX"; word is what stands between.
bool Between(const std::string& text, const std::string& prefix, const std::string& suffix, std::string& word) {
    if (text.size() < prefix.size() + suffix.size()) return false;
    if (text.compare(0, prefix.size(), prefix) != 0) return false;
    if (text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
    word = text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
    return true;
}

bool IsWord(const std::string& s) { return !s.empty() && s.find_first_of(" \t\"") == std::string::npos; }

std::string ClassOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    return file.substr(0, file.find('.'));
}

[[maybe_unused]] bool Execute(int32_t handle, Simulation& sim, const std::string& line) {
    static const std::set<std::string> kLibraries = {"blxexp", "xlpadap", "scdcfadap"};
    static const std::set<std::string> kSolvers = {"vrx",        "kqsp",        "sparse",
                                                   "decomp_vrx", "decomp_kqsp", "decomp_sparse"};
    std::string a, b;
    if (Between(line, "load library \"", "\"", a) && kLibraries.count(a)) {
        sim.libraries.insert(a);
        return true;
    }
    if (Between(line, "unload library \"", "\"", a) && kLibraries.count(a)) {
        sim.libraries.erase(a);
        return true;
    }
    if (Between(line, "solver ", "", a) && kSolvers.count(a)) {
        sim.solver = a;
        return true;
    }
    if (Between(line, "vrx.workingdir = \"", "\"", a)) {
        sim.workingDirectory = a;
        return true;
    }
    if (line == "EVALUATE EQUATIONS") return true;
    if (line == "EVALUATE JACOBIAN") {
        if (sim.structureChanged) {
            sim.structureChanged = false;
            Fire(handle, sim, kBlockStructureChanged);
        }
        return true;
    }
    if (line == "blocks none") return true;
    if (Between(line, "load library (\"", "\")", a)) {
        ModelFile probe;
        std::string reason;
        if (!zefthost::ReadModelFile(a, "", false, probe, reason)) {
            Message(reason);
            return false;
        }
        sim.flowsheetClasses[ClassOf(a)] = a;
        return true;
    }
    if (Between(line, "read block as ", "\"", a)) {
        size_t from = a.find(" from \"");
        if (from == std::string::npos || !IsWord(a.substr(0, from))) return false;
        return AddBlock(handle, sim, a.substr(0, from), a.substr(from + 7), true);
    }
    if (Between(line, "add block ", "", a)) {
        size_t as = a.find(" as ");
        if (as == std::string::npos) return false;
        const std::string name = a.substr(0, as), form = a.substr(as + 4);
        if (!IsWord(name)) return false;
        for (const char* library : {"blxexp", "xlpadap", "scdcfadap"}) {
            if (!Between(form, std::string(library) + "(\"", "\")", b)) continue;
            if (!sim.libraries.count(library)) {
                Message(std::string("library ") + library + " is not loaded");
                return false;
            }
            // The custom-modeller form hands over its own text; the others name the model file.
            if (b.compare(0, 6, "model=") == 0) b.erase(0, 6);
            else if (std::string(library) != "blxexp") return false;
            return AddBlock(handle, sim, name, b, false);
        }
        auto cls = sim.flowsheetClasses.find(form);
        if (cls != sim.flowsheetClasses.end()) return AddBlock(handle, sim, name, cls->second, false);
        return false;
    }
    if (Between(line, "include blocks ", "", a) || Between(line, "exclude blocks ", "", b)) {
        const bool include = !a.empty();
        Block* block = FindBlock(sim, include ? a : b);
        if (!block) return false;
        block->included = include;
        Fire(handle, sim, kBlockInclude);
        return true;
    }
    if (Between(line, "delete block ", "", a)) {
        for (auto it = sim.blocks.begin(); it != sim.blocks.end(); ++it) {
            if ((*it)->name != a) continue;
            sim.blocks.erase(it);
            Renumber(sim);
            Fire(handle, sim, kBlocksChanged);
            return true;
        }
        return false;
    }
    return false;
}

}  // namespace

ZEFT_EXPORT int32_t API_CreateNewSimulation(const char* name, int32_t) {
    int32_t handle = g_nextHandle++;
    Simulations()[handle].name = name ? name : "";
    return handle;
}

ZEFT_EXPORT ZeftBool API_SetMessageCallback(ZeftMessageCallback callback) {
    g_messages = callback;
    return callback != nullptr;
}

ZEFT_EXPORT ZeftBool API_SetEventCallback(int32_t simulation, ZeftEventCallback callback) {
    Simulation* sim = Find(simulation);
    if (!sim || !callback) return 0;
    sim->events = callback;
    return 1;
}

#ifndef ZEFTHOST_WITHOUT_SCRIPT
ZEFT_EXPORT ZeftBool API_ScriptExecute(int32_t simulation, const char* line) {
    const std::string text = line ? line : "";
    AppendLine("ZEFTHOST_LOG", text);
    Simulation* sim = Find(simulation);
    if (!sim) return 0;
    if (Execute(simulation, *sim, text)) return 1;
    Message("command failed: " + text);
    return 0;
}
#endif

ZEFT_EXPORT int32_t API_GetNumberOfZEFTBlocks(int32_t simulation) {
    Simulation* sim = Find(simulation);
    return sim ? int32_t(sim->blocks.size()) : 0;
}

ZEFT_EXPORT ZeftBool API_GetBlockInfo(int32_t simulation, int32_t block, char* name, int32_t* number,
                                      int32_t* firstEquation, int32_t* lastEquation, int32_t* equationCount,
                                      int32_t* variableCount, int32_t* portVariableCount, int32_t* structureSize,
                                      int32_t* firstVariable, int32_t* lastVariable, int32_t* portCount,
                                      int32_t* parameterCount) {
    Block* b = BlockAt(Find(simulation), block);
    if (!b) return 0;
    const auto& m = b->model;
    CopyName(name, b->name);
    int32_t portVariables = 0;
    for (const auto& p : m.ports) portVariables += int32_t(p.variables.size());
    *number = block;
    *firstEquation = b->firstEquation;
    *lastEquation = b->firstEquation + int32_t(m.equations.size()) - 1;
    *equationCount = int32_t(m.equations.size());
    *variableCount = int32_t(m.variables.size());
    *portVariableCount = portVariables;
    *structureSize = int32_t(b->structure.size());
    *firstVariable = b->firstVariable;
    *lastVariable = b->firstVariable + int32_t(m.variables.size()) - 1;
    *portCount = int32_t(m.ports.size());
    *parameterCount = int32_t(m.parameters.size());
    return 1;
}

ZEFT_EXPORT ZeftBool API_GetBlockJacobianStruct(int32_t simulation, int32_t block, int32_t* incidence,
                                                int32_t* variables, uint8_t* flags) {
    Block* b = BlockAt(Find(simulation), block);
    if (!b || !incidence || !variables || !flags) return 0;
    for (size_t i = 0; i < b->structure.size(); ++i) {
        const size_t v = b->structure[i];
        incidence[i] = b->firstVariable + int32_t(i);
        variables[i] = b->firstVariable + int32_t(v);
        flags[i] = b->model.variables[v].spec == 1;
    }
    return 1;
}

ZEFT_EXPORT ZeftBool API_GetEquationInfo(int32_t simulation, int32_t equation, char* name, double* lower,
                                         double* upper, double* residual, uint8_t* flag1, uint8_t* flag2,
                                         uint8_t* flag3, int32_t* relation) {
    Place at = EquationPlace(Find(simulation), equation);
    if (!at.block) return 0;
    const auto& e = at.block->model.equations[at.index];
    CopyName(name, e.name);
    *lower = e.lower;
    *upper = e.upper;
    *residual = 0;
    *flag1 = *flag2 = *flag3 = 0;
    *relation = e.relation;
    return 1;
}

ZEFT_EXPORT int32_t* API_GetEquationNameAndIncidentNonZeroInfo(int32_t simulation, int32_t equation, char* name,
                                                               int32_t* count, uint8_t* flag, const char*) {
    *count = 0;
    Place at = EquationPlace(Find(simulation), equation);
    if (!at.block) return nullptr;
    const Block& b = *at.block;
    const auto& e = b.model.equations[at.index];
    CopyName(name, e.name);
    *flag = 0;
    auto* values = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * (e.variables.size() + 1)));
    if (!values) return nullptr;
    for (size_t i = 0; i < e.variables.size(); ++i) {
        size_t place = 0;
        while (b.structure[place] != e.variables[i]) ++place;
        values[i] = b.firstVariable + int32_t(place);
#ifdef ZEFTHOST_BROKEN_STRUCTURE
        // A host whose incidence lies outside the structure it describes.
        values[i] += int32_t(b.structure.size());
#endif
    }
    *count = int32_t(e.variables.size());
    return values;
}

ZEFT_EXPORT ZeftBool API_GetVariableInfo(int32_t simulation, int32_t variable, char* name, double* value,
                                         int32_t* specification, char* units, char* type) {
    Place at = VariablePlace(Find(simulation), variable);
    if (!at.block) return 0;
    const auto& v = at.block->model.variables[at.index];
    CopyName(name, v.name);
    *value = v.value;
    *specification = v.spec;
    CopyName(units, "");
    CopyName(type, "");
    return 1;
}

ZEFT_EXPORT ZeftBool API_GetVariableLowerBound(int32_t simulation, int32_t variable, double* bound) {
    Place at = VariablePlace(Find(simulation), variable);
    if (!at.block) return 0;
    *bound = at.block->model.variables[at.index].lower;
    return 1;
}

ZEFT_EXPORT ZeftBool API_GetVariableUpperBound(int32_t simulation, int32_t variable, double* bound) {
    Place at = VariablePlace(Find(simulation), variable);
    if (!at.block) return 0;
    *bound = at.block->model.variables[at.index].upper;
    return 1;
}

ZEFT_EXPORT ZeftBool API_GetVariableDescription(int32_t simulation, int32_t variable, char* description) {
    Place at = VariablePlace(Find(simulation), variable);
    if (!at.block || !at.block->model.variables[at.index].hasDescription) return 0;
    CopyName(description, at.block->model.variables[at.index].description);
    return 1;
}

ZEFT_EXPORT ZeftBool API_GetBlockPortInfo(int32_t simulation, int32_t block, int32_t port, char* name,
                                          int32_t* direction, int32_t* variableCount) {
    Block* b = BlockAt(Find(simulation), block);
    if (!b || port < 1 || size_t(port) > b->model.ports.size()) return 0;
    const auto& p = b->model.ports[size_t(port) - 1];
    CopyName(name, p.name);
    *direction = p.direction;
    *variableCount = int32_t(p.variables.size());
    return 1;
}

ZEFT_EXPORT ZeftBool API_GetBlockPortVariableInfo(int32_t simulation, int32_t block, int32_t port,
                                                  ZeftNameBuffer* names, int32_t* variables) {
    Block* b = BlockAt(Find(simulation), block);
    if (!b || port < 1 || size_t(port) > b->model.ports.size() || !names || !variables) return 0;
    const auto& p = b->model.ports[size_t(port) - 1];
    for (size_t i = 0; i < p.variables.size(); ++i) {
        CopyName(names[i], b->model.variables[p.variables[i]].name);
        variables[i] = b->firstVariable + int32_t(p.variables[i]);
    }
    return 1;
}

ZEFT_EXPORT ZeftBool API_GetBlockParameterAccess(int32_t simulation, int32_t block, int32_t parameter,
                                                 int32_t* access) {
    Block* b = BlockAt(Find(simulation), block);
    if (!b || parameter < 0 || size_t(parameter) >= b->model.parameters.size()) return 0;
    *access = b->model.parameters[size_t(parameter)].access;
    return 1;
}

ZEFT_EXPORT ZeftBool API_GetBlockParameterInfo(int32_t simulation, int32_t block, int32_t parameter, char* name,
                                               VARIANT* value, char* description, char* units) {
    Block* b = BlockAt(Find(simulation), block);
    if (!b || !value || parameter < 0 || size_t(parameter) >= b->model.parameters.size()) return 0;
    const auto& p = b->model.parameters[size_t(parameter)];
    CopyName(name, p.name);
    CopyName(description, p.description);
    CopyName(units, "");
    VariantInit(value);
    switch (p.type) {
        case ParamType::Integer:
            value->vt = VT_I4;
            value->lVal = p.intValue;
            break;
        case ParamType::Double:
            value->vt = VT_R8;
            value->dblVal = p.doubleValue;
            break;
        case ParamType::String:
            value->vt = VT_BSTR;
            value->bstrVal = dulo::BstrFromUtf8(p.stringValue);
            break;
        case ParamType::Bool:
            value->vt = VT_BOOL;
            value->boolVal = p.boolValue ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case ParamType::Stringlist: {
            SAFEARRAY* sa = SafeArrayCreateVector(VT_BSTR, 0, ULONG(p.listValue.size()));
            if (!sa) return 0;
            for (LONG i = 0; i < LONG(p.listValue.size()); ++i) {
                BSTR s = dulo::BstrFromUtf8(p.listValue[size_t(i)]);
                SafeArrayPutElement(sa, &i, s);
                SysFreeString(s);
            }
            value->vt = VT_ARRAY | VT_BSTR;
            value->parray = sa;
            break;
        }
    }
    return 1;
}

ZEFT_EXPORT ZeftBool API_PutBlockParameterValueByName(int32_t simulation, const char* block, const char* parameter,
                                                      VARIANT value) {
    Simulation* sim = Find(simulation);
    if (!sim || !block || !parameter) return 0;
    AppendLine("ZEFTHOST_CALL_LOG", "API_PutBlockParameterValueByName " + std::to_string(simulation) + " " + block +
                                        " " + parameter);
    Block* b = FindBlock(*sim, block);
    if (!b) return 0;
    for (auto& p : b->model.parameters) {
        if (p.name != parameter) continue;
        if (p.access == 0) return 0;
        if (p.type == ParamType::Bool && value.vt == VT_BOOL) p.boolValue = value.boolVal != 0;
        else if (p.type == ParamType::Integer && value.vt == VT_INT) p.intValue = value.intVal;
        else if (p.type == ParamType::Integer && value.vt == VT_I4) p.intValue = value.lVal;
        else if (p.type == ParamType::Double && value.vt == VT_R8) p.doubleValue = value.dblVal;
        else if (p.type == ParamType::String && value.vt == VT_BSTR) p.stringValue = dulo::Utf8FromBstr(value.bstrVal);
        else return 0;
        Fire(simulation, *sim, kParameterChanged);
        return 1;
    }
    return 0;
}

ZEFT_EXPORT void API_UpdateSimulationStruct(int32_t simulation) {
    AppendLine("ZEFTHOST_CALL_LOG", "API_UpdateSimulationStruct " + std::to_string(simulation));
    if (Simulation* sim = Find(simulation)) Renumber(*sim);
}

ZEFT_EXPORT void API_SetEventSetFilter(int32_t simulation, int32_t mask) {
    AppendLine("ZEFTHOST_CALL_LOG", "API_SetEventSetFilter " + std::to_string(simulation) + " " + std::to_string(mask));
    if (Simulation* sim = Find(simulation)) sim->eventFilter = mask;
}

ZEFT_EXPORT void API_CloseOneSimulation(int32_t simulation) {
    AppendLine("ZEFTHOST_CALL_LOG", "API_CloseOneSimulation " + std::to_string(simulation));
    Simulations().erase(simulation);
}

#ifndef ZEFTHOST_WITHOUT_FURTHER
// The rest of the host's surface: present, not used by the model-data library.
#define ZEFT_FURTHER(name) \
    ZEFT_EXPORT ZeftBool name(int32_t) { return 0; }
ZEFT_FURTHER(API_Solve)
ZEFT_FURTHER(API_LoadAppdf)
ZEFT_FURTHER(API_SaveAppdf)
ZEFT_FURTHER(API_GetNumberOfVariables)
ZEFT_FURTHER(API_GetNumberOfEquations)
ZEFT_FURTHER(API_GetVariableValue)
ZEFT_FURTHER(API_SetVariableValue)
ZEFT_FURTHER(API_SetVariableSpecification)
ZEFT_FURTHER(API_GetEquationResidual)
ZEFT_FURTHER(API_GetJacobianValues)
ZEFT_FURTHER(API_SetSolverOption)
ZEFT_FURTHER(API_GetSolverStatus)
ZEFT_FURTHER(API_Synchronize)
ZEFT_FURTHER(API_GetBlockStatus)
ZEFT_FURTHER(API_SetBlockInclusion)
ZEFT_FURTHER(API_GetLastErrorText)
ZEFT_FURTHER(API_ResetSimulation)
ZEFT_FURTHER(API_GetHostVersion)
#endif

// The declarations above must match the surface the library calls through.
static_assert(std::is_same_v<decltype(&API_GetBlockInfo), PFN_API_GetBlockInfo>);
static_assert(std::is_same_v<decltype(&API_GetEquationInfo), PFN_API_GetEquationInfo>);
static_assert(std::is_same_v<decltype(&API_GetEquationNameAndIncidentNonZeroInfo),
                             PFN_API_GetEquationNameAndIncidentNonZeroInfo>);
static_assert(std::is_same_v<decltype(&API_GetBlockParameterInfo), PFN_API_GetBlockParameterInfo>);
static_assert(std::is_same_v<decltype(&API_PutBlockParameterValueByName), PFN_API_PutBlockParameterValueByName>);
static_assert(std::is_same_v<decltype(&API_GetBlockPortVariableInfo), PFN_API_GetBlockPortVariableInfo>);
static_assert(std::is_same_v<decltype(&API_GetVariableInfo), PFN_API_GetVariableInfo>);
static_assert(std::is_same_v<decltype(&API_GetBlockJacobianStruct), PFN_API_GetBlockJacobianStruct>);
