#pragma once
// The external-model object model: blocks of the host simulation with their
// ports, equations, variables and parameters.
#include "formulas/UserDefinedEquation.h"
#include "platform/AutoDestructArray.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CArchive;

// Model type codes; 0 and 6 have no name.
enum EZeftModelType : int32_t {
    kZeftBlx = 1,
    kZeftFlowsheet = 2,
    kZeftXlp = 3,
    kZeftOpenForm = 4,
    kZeftClosedForm = 5,
    kZeftRtm = 7,
    kZeftBlxNew = 8,
    kZeftHybrid = 9
};

// "ZEFT_BLX" ... "ZEFT_HYBRID"; empty for a code without a name.
const char* ZeftModelTypeText(int32_t code);
// The code of a stored type text (exact spelling); 0 for an unknown text.
int32_t ZeftModelTypeCode(const std::string& text);

// Port directions.
enum EZeftPortDirection : int32_t { kPortUnknown = 0, kPortInput = 1, kPortOutput = 2 };
const char* ZeftPortDirectionText(int32_t direction);
int32_t ZeftPortDirectionCode(const std::string& text);

using CZeftVariableList = CSortableTypedPtrArray<CUserDefinedEquationVariable>;
using CZeftParameterList = CSortableTypedPtrArray<CUserDefinedParameter>;

// Name order, case-sensitive.
int CompareVariablesByName(const CUserDefinedEquationVariable* a, const CUserDefinedEquationVariable* b);
int CompareParametersByName(const CUserDefinedParameter* a, const CUserDefinedParameter* b);

class CZeftPort {
public:
    CZeftPort();
    virtual ~CZeftPort();
    CZeftPort(const CZeftPort&) = delete;
    CZeftPort& operator=(const CZeftPort&) = delete;

    // Reads the port record into this port and its current variables, in order.
    virtual void Serialize(CArchive& archive, const CModelVersion& version, const std::string& namePrefix);

    CZeftVariableList Variables;  // not owned; Name order
    bool Expanded = true;
    std::string Name;
    int32_t PortNumber = 0;  // 1-based, as the host numbers them
    int32_t Direction = kPortUnknown;
};

// A host variable number and the variable made for it, while a block is built.
struct CZeftVar {
    int32_t HostNumber = 0;
    CUserDefinedEquationVariable* Variable = nullptr;
};

class CZeftDefinedEquation : public CUserDefinedEquation {
public:
    CZeftDefinedEquation();
    ~CZeftDefinedEquation() override;

    int32_t EquationNumber = 0;
    std::vector<int32_t> IncidentHostVariables;  // host variable numbers
    std::vector<int32_t> IncidentIndexes;        // incidence value - 1
    std::vector<std::string> IncidentNames;
};

class CZEFTBlock {
public:
    CZEFTBlock();
    virtual ~CZEFTBlock();
    CZEFTBlock(const CZEFTBlock&) = delete;
    CZEFTBlock& operator=(const CZEFTBlock&) = delete;

    // Reads the block's part of its record (after the name, path and type the
    // instance has read) into the structure the host gave the block.
    virtual void Serialize(CArchive& archive, const CModelVersion& version);

    // ".HYBRID." for a hybrid block, whose stored and host names carry ".BLK."; empty otherwise.
    std::string NamePrefix() const;
    // Empties every list: parameters, equations and ports are destroyed.
    void ClearStructure();

    CAutoDestructArray<CZeftDefinedEquation> Equations;  // host equation number order
    CZeftVariableList InternalVariables;                 // not owned; Name order
    CZeftParameterList Parameters;                       // owned; Name order
    CAutoDestructArray<CZeftPort> Ports;                 // port number order
    bool Expanded = true;
    bool InputPortsExpanded = false;
    bool OutputPortsExpanded = false;
    bool InternalVariablesExpanded = false;
    std::vector<CUserDefinedEquationVariable*> InputList;
    std::vector<CUserDefinedEquationVariable*> OutputList;
    std::string Name;
    std::string AbsolutePath;
    std::string RelativePath;
    std::string ModelName;
    std::string PerturbationText;
    bool IsSuppressed = false;
    bool BlockWideFlag = false;
    bool ParamsShown = true;
    int32_t Index = 0;
    std::array<int32_t, 11> HostStructure{};
    int32_t StoredParameterCount = 0;
    int32_t ModelType = 0;

private:
    void ReadParameters(CArchive& archive, const CModelVersion& version);
};

// "%g" of a double.
std::string FormatG(double value);
