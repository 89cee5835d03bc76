#include "extmodels/ZeftHostLibrary.h"

#include <dlfcn.h>

namespace dulo {

void* LoadZeftHostLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

void UnloadZeftHostLibrary(void* module) {
    if (module) dlclose(module);
}

namespace {

template <class Fn>
bool Resolve(void* module, const char* name, Fn& slot) {
    slot = reinterpret_cast<Fn>(dlsym(module, name));
    return slot != nullptr;
}

}  // namespace

bool ResolveZeftEntryPoints(void* module, CZeftHostEntryPoints& e) {
    e = CZeftHostEntryPoints{};
    if (!module) return false;
    bool all = true;
    all &= Resolve(module, "API_CreateNewSimulation", e.CreateNewSimulation);
    all &= Resolve(module, "API_SetMessageCallback", e.SetMessageCallback);
    all &= Resolve(module, "API_SetEventCallback", e.SetEventCallback);
    all &= Resolve(module, "API_ScriptExecute", e.ScriptExecute);
    all &= Resolve(module, "API_GetNumberOfZEFTBlocks", e.GetNumberOfZEFTBlocks);
    all &= Resolve(module, "API_GetBlockInfo", e.GetBlockInfo);
    all &= Resolve(module, "API_GetBlockJacobianStruct", e.GetBlockJacobianStruct);
    all &= Resolve(module, "API_GetEquationInfo", e.GetEquationInfo);
    all &= Resolve(module, "API_GetEquationNameAndIncidentNonZeroInfo", e.GetEquationNameAndIncidentNonZeroInfo);
    all &= Resolve(module, "API_GetVariableInfo", e.GetVariableInfo);
    all &= Resolve(module, "API_GetVariableLowerBound", e.GetVariableLowerBound);
    all &= Resolve(module, "API_GetVariableUpperBound", e.GetVariableUpperBound);
    all &= Resolve(module, "API_GetVariableDescription", e.GetVariableDescription);
    all &= Resolve(module, "API_GetBlockPortInfo", e.GetBlockPortInfo);
    all &= Resolve(module, "API_GetBlockPortVariableInfo", e.GetBlockPortVariableInfo);
    all &= Resolve(module, "API_GetBlockParameterAccess", e.GetBlockParameterAccess);
    all &= Resolve(module, "API_GetBlockParameterInfo", e.GetBlockParameterInfo);
    all &= Resolve(module, "API_PutBlockParameterValueByName", e.PutBlockParameterValueByName);
    all &= Resolve(module, "API_UpdateSimulationStruct", e.UpdateSimulationStruct);
    all &= Resolve(module, "API_SetEventSetFilter", e.SetEventSetFilter);
    all &= Resolve(module, "API_CloseOneSimulation", e.CloseOneSimulation);
    for (int i = 0; i < kZeftFurtherEntryPointCount; ++i) e.Further[i] = dlsym(module, kZeftFurtherEntryPoints[i]);
    return all;
}

}  // namespace dulo
