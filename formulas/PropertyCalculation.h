#pragma once
// CPropertyCalculation: one property computed from other properties by a formula.
// The value 1e30 means "no value": a missing argument or a failed calculation.
#include "formulas/ExpEval.h"

#include <string>
#include <vector>

namespace dulo {

constexpr double kNoValue = 1e30;

// One (argument name, value) pair of a calculation.
class CPropertyValue {
public:
    CPropertyValue(std::string name, double value) : m_name(std::move(name)), m_value(value) {}
    const std::string& GetName() const { return m_name; }
    double GetValue() const { return m_value; }

private:
    std::string m_name;
    double m_value;
};

class CPropertyCalculation : public CExpEval {
public:
    // Calculate statuses.
    static constexpr int kCalcOk = 0;
    static constexpr int kCalcMalformed = 5;
    static constexpr int kCalcEvaluationFailed = 6;
    static constexpr int kCalcNoFormula = 11;
    static constexpr int kCalcNoArguments = 13;
    static constexpr int kCalcArgumentCount = 14;
    static constexpr int kCalcUnknownArgument = 15;
    static constexpr int kCalcMissingValue = 16;

    CPropertyCalculation(const char* propertyName, const char* formula);
    ~CPropertyCalculation() override;

    // Parses the formula and, on success, takes the argument names from its variables.
    bool ParseArguments(int& errorPosition);
    // values holds one double per argument name, in argument order; result is 1e30 unless the status is 0.
    int Calculate(const double* values, double& result);

    const std::string& GetPropertyName() const { return m_propertyName; }
    const std::vector<std::string>& GetArgumentNames() const { return m_argumentNames; }

protected:
    void GetFunctionTable(const SExpFunction*& table, int& count) override;

private:
    int CalculateByName(const double* values);
    int EvaluateStatus(double& result);

    std::string m_propertyName;
    std::vector<std::string> m_argumentNames;
    // Parse serial of the variables the argument names were taken from; 0 before the first.
    uint64_t m_argumentSerial = 0;
};

}  // namespace dulo
