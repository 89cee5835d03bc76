#pragma once
// The host library loaded at run time and its entry points, resolved by name.
#include "extmodels/ZeftHostApi.h"

#include <string>

struct CZeftHostEntryPoints {
    PFN_API_CreateNewSimulation CreateNewSimulation = nullptr;
    PFN_API_SetMessageCallback SetMessageCallback = nullptr;
    PFN_API_SetEventCallback SetEventCallback = nullptr;
    PFN_API_ScriptExecute ScriptExecute = nullptr;
    PFN_API_GetNumberOfZEFTBlocks GetNumberOfZEFTBlocks = nullptr;
    PFN_API_GetBlockInfo GetBlockInfo = nullptr;
    PFN_API_GetBlockJacobianStruct GetBlockJacobianStruct = nullptr;
    PFN_API_GetEquationInfo GetEquationInfo = nullptr;
    PFN_API_GetEquationNameAndIncidentNonZeroInfo GetEquationNameAndIncidentNonZeroInfo = nullptr;
    PFN_API_GetVariableInfo GetVariableInfo = nullptr;
    PFN_API_GetVariableBound GetVariableLowerBound = nullptr;
    PFN_API_GetVariableBound GetVariableUpperBound = nullptr;
    PFN_API_GetVariableDescription GetVariableDescription = nullptr;
    PFN_API_GetBlockPortInfo GetBlockPortInfo = nullptr;
    PFN_API_GetBlockPortVariableInfo GetBlockPortVariableInfo = nullptr;
    PFN_API_GetBlockParameterAccess GetBlockParameterAccess = nullptr;
    PFN_API_GetBlockParameterInfo GetBlockParameterInfo = nullptr;
    PFN_API_PutBlockParameterValueByName PutBlockParameterValueByName = nullptr;
    PFN_API_UpdateSimulationStruct UpdateSimulationStruct = nullptr;
    PFN_API_SetEventSetFilter SetEventSetFilter = nullptr;
    PFN_API_CloseOneSimulation CloseOneSimulation = nullptr;
    // Looked up, never called.
    void* Further[kZeftFurtherEntryPointCount] = {};
};

namespace dulo {

// The host library's file name.
inline constexpr const char* kZeftHostFileName = "libzefthost.so";

// Opens the library at path (a bare file name goes through the loader's own
// search); null when it cannot be loaded.
void* LoadZeftHostLibrary(const std::string& path);
void UnloadZeftHostLibrary(void* module);

// Looks every entry point up. False when one the session calls is missing; the
// further entry points may be missing.
bool ResolveZeftEntryPoints(void* module, CZeftHostEntryPoints& entries);

}  // namespace dulo
