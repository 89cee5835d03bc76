#pragma once
// The call surface of the external-model host library, libzefthost.so: C
// functions looked up by name. Every call but the first two takes the
// simulation handle first; a bool result is one byte, 0 meaning failure.
// Text buffers the host fills are 256 bytes; arrays the host hands out are
// allocated with malloc and released by the caller with free.
#include "dulo/oleauto.h"

#include <cstdint>

extern "C" {

using ZeftBool = uint8_t;
constexpr int kZeftNameBufferSize = 256;
using ZeftNameBuffer = char[kZeftNameBufferSize];

using ZeftMessageCallback = void (*)(const char* text);
using ZeftEventCallback = void (*)(int32_t simulation, int32_t event, int32_t, int32_t, int32_t, int32_t, int32_t,
                                   int32_t, int32_t, int32_t);

using PFN_API_CreateNewSimulation = int32_t (*)(const char* name, int32_t handle);
using PFN_API_SetMessageCallback = ZeftBool (*)(ZeftMessageCallback callback);
using PFN_API_SetEventCallback = ZeftBool (*)(int32_t simulation, ZeftEventCallback callback);
using PFN_API_ScriptExecute = ZeftBool (*)(int32_t simulation, const char* line);
using PFN_API_GetNumberOfZEFTBlocks = int32_t (*)(int32_t simulation);
// The eleven numbers: block number, first and last equation, equation count,
// variable count, port-variable count, structure size, first variable number,
// last variable number, port count, parameter count.
using PFN_API_GetBlockInfo = ZeftBool (*)(int32_t simulation, int32_t block, char* name, int32_t*, int32_t*,
                                          int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*, int32_t*,
                                          int32_t*, int32_t*);
// Arrays of the structure size: incidence values, the host variable of each, a fixed flag.
using PFN_API_GetBlockJacobianStruct = ZeftBool (*)(int32_t simulation, int32_t block, int32_t* incidence,
                                                    int32_t* variables, uint8_t* flags);
using PFN_API_GetEquationInfo = ZeftBool (*)(int32_t simulation, int32_t equation, char* name, double* lower,
                                             double* upper, double* residual, uint8_t* flag1, uint8_t* flag2,
                                             uint8_t* flag3, int32_t* relation);
using PFN_API_GetEquationNameAndIncidentNonZeroInfo = int32_t* (*)(int32_t simulation, int32_t equation,
                                                                   char* name, int32_t* count, uint8_t* flag,
                                                                   const char* blockName);
using PFN_API_GetVariableInfo = ZeftBool (*)(int32_t simulation, int32_t variable, char* name, double* value,
                                             int32_t* specification, char* units, char* type);
using PFN_API_GetVariableBound = ZeftBool (*)(int32_t simulation, int32_t variable, double* bound);
using PFN_API_GetVariableDescription = ZeftBool (*)(int32_t simulation, int32_t variable, char* description);
using PFN_API_GetBlockPortInfo = ZeftBool (*)(int32_t simulation, int32_t block, int32_t port, char* name,
                                              int32_t* direction, int32_t* variableCount);
using PFN_API_GetBlockPortVariableInfo = ZeftBool (*)(int32_t simulation, int32_t block, int32_t port,
                                                      ZeftNameBuffer* names, int32_t* variables);
using PFN_API_GetBlockParameterAccess = ZeftBool (*)(int32_t simulation, int32_t block, int32_t parameter,
                                                     int32_t* access);
// The value comes back in a VARIANT the caller clears.
using PFN_API_GetBlockParameterInfo = ZeftBool (*)(int32_t simulation, int32_t block, int32_t parameter,
                                                   char* name, VARIANT* value, char* description, char* units);
using PFN_API_PutBlockParameterValueByName = ZeftBool (*)(int32_t simulation, const char* block,
                                                          const char* parameter, VARIANT value);
using PFN_API_UpdateSimulationStruct = void (*)(int32_t simulation);
using PFN_API_SetEventSetFilter = void (*)(int32_t simulation, int32_t mask);
using PFN_API_CloseOneSimulation = void (*)(int32_t simulation);
}

// Entry points the library looks up but does not call.
inline constexpr const char* kZeftFurtherEntryPoints[] = {
    "API_Solve",
    "API_LoadAppdf",
    "API_SaveAppdf",
    "API_GetNumberOfVariables",
    "API_GetNumberOfEquations",
    "API_GetVariableValue",
    "API_SetVariableValue",
    "API_SetVariableSpecification",
    "API_GetEquationResidual",
    "API_GetJacobianValues",
    "API_SetSolverOption",
    "API_GetSolverStatus",
    "API_Synchronize",
    "API_GetBlockStatus",
    "API_SetBlockInclusion",
    "API_GetLastErrorText",
    "API_ResetSimulation",
    "API_GetHostVersion",
};
inline constexpr int kZeftFurtherEntryPointCount = 18;
static_assert(sizeof(kZeftFurtherEntryPoints) / sizeof(kZeftFurtherEntryPoints[0]) == kZeftFurtherEntryPointCount);
