#pragma once
// The equations, variables and parameters of user-defined and external models:
// an equation is an expression over named variables with a type and a
// suppressed state; a variable carries bounds, objective coefficient, initial
// and per-period values; a parameter adds one typed value.
#include "formulas/ExpEval.h"
#include "formulas/ModelVersion.h"

#include <cstdint>
#include <string>
#include <vector>

class CArchive;
class CXmlNode;

// The value that stands for "not set".
inline constexpr double kUnsetValue = 1e30;

// How equations are named and suppressed.
class IUserEquationGroup {
public:
    virtual ~IUserEquationGroup() = default;
    virtual std::string GetName() const = 0;
    virtual void SetName(const std::string& name) = 0;
    virtual bool IsSuppressed() const = 0;
    // recursive asks to pass the state on to contained nodes.
    virtual void SetSuppressed(bool value, bool recursive) = 0;
};

class CUserDefinedEquationVariable;

class CUserDefinedEquation : public dulo::CExpEval, public IUserEquationGroup {
public:
    CUserDefinedEquation();
    ~CUserDefinedEquation() override;

    std::string GetName() const override { return m_name; }
    void SetName(const std::string& name) override { m_name = name; }
    bool IsSuppressed() const override { return m_suppressed; }
    // An equation contains no nodes, so recursive changes nothing more.
    void SetSuppressed(bool value, bool recursive) override;

    const std::string& GetEquationType() const { return m_equationType; }
    void SetEquationType(const std::string& type) { m_equationType = type; }

    std::vector<std::string>& VariableNames() { return m_variableNames; }
    const std::vector<std::string>& VariableNames() const { return m_variableNames; }
    // References into the list that owns the variables.
    std::vector<CUserDefinedEquationVariable*>& Variables() { return m_variables; }
    const std::vector<CUserDefinedEquationVariable*>& Variables() const { return m_variables; }

protected:
    void GetFunctionTable(const dulo::SExpFunction*& table, int& count) override;

private:
    std::string m_name;
    bool m_suppressed = false;
    std::string m_equationType = "Free";
    std::vector<std::string> m_variableNames;
    std::vector<CUserDefinedEquationVariable*> m_variables;
};

// SwitchMode codes of a variable.
enum ESwitchMode : int32_t { kSwitchOn = 0, kSwitchOff = 1, kSwitchSwitchable = 2, kSwitchNone = 3 };

class CUserDefinedEquationVariable {
public:
    CUserDefinedEquationVariable() = default;
    // Name and model name both become name.
    explicit CUserDefinedEquationVariable(const std::string& name);
    virtual ~CUserDefinedEquationVariable();

    // Reads a UserEquationVariable element: its children by exact name, later
    // ones replacing earlier ones, the periodic lists appended to.
    virtual void ReadXml(const CXmlNode& element);
    // The variable's record of the external-model data archive. On loading,
    // every ".BLK." in Name becomes namePrefix (none when it is empty), an
    // empty DuloName becomes Name, and the stored description is dropped so
    // that the one from the host stays.
    virtual void SerializeArchive(CArchive& archive, const CModelVersion& version, const std::string& namePrefix);

    bool IsNew = false;
    bool IsPeriodic = false;
    bool IsIndependent = false;
    bool Expanded = false;
    bool BlockControlVar = false;
    bool DisplayFlag = false;
    std::string VariableType;
    std::string Name;
    std::string Description;
    std::string DuloName;  // the model name
    double Min = 0;
    double Max = kUnsetValue;
    double MinProcess = 0;
    double MaxProcess = kUnsetValue;
    double ObjFn = kUnsetValue;
    double Initial = kUnsetValue;
    std::vector<double> PeriodicMin;
    std::vector<double> PeriodicMax;
    std::vector<double> PeriodicObjFn;
    std::vector<double> PeriodicInitial;
    double Value = kUnsetValue;

    // Kept by the external-model framework.
    int32_t SwitchMode = kSwitchNone;
    int32_t HostIndex = 0;
    int32_t HostSpec = 0;  // 1 = fixed
    bool IsBlockFlagged = false;
    bool IsInternal = true;
    std::string OwnerModelName;
};

// Parameter type codes.
enum EParameterType : int32_t {
    kParamBool = 0,
    kParamInteger = 1,
    kParamDouble = 2,
    kParamString = 3,
    kParamStringList = 4,
    kParamNone = 5
};

class CUserDefinedParameter : public CUserDefinedEquationVariable {
public:
    CUserDefinedParameter();
    explicit CUserDefinedParameter(const std::string& name);
    ~CUserDefinedParameter() override;

    // The whole parameter record: the variable record with no name prefix and,
    // in files that carry values, the type text and the value of that type.
    virtual void SerializeValue(CArchive& archive, const CModelVersion& version);
    // Unless locked, takes other's value of this parameter's own type (a string
    // list is never copied). Always true.
    virtual bool CopyValueFrom(const CUserDefinedParameter& other);

    int32_t ParameterType = kParamNone;
    bool BoolValue = false;
    int32_t IntValue = 0;
    double DoubleValue = 0;
    std::string StringValue;
    std::vector<std::string> StringList;
    // Set when the host does not accept a new value.
    bool Locked = false;

private:
    void SerializeTypedValue(CArchive& archive);
};

// "Bool", "Integer", "Double", "String", "Stringlist"; null for any other code.
const char* ParameterTypeName(int32_t type);
