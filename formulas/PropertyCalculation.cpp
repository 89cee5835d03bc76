#include "formulas/PropertyCalculation.h"

#include "formulas/StandardFunctions.h"

namespace dulo {

CPropertyCalculation::CPropertyCalculation(const char* propertyName, const char* formula)
    : m_propertyName(propertyName ? propertyName : "") {
    SetExpression(formula);
}

CPropertyCalculation::~CPropertyCalculation() = default;

void CPropertyCalculation::GetFunctionTable(const SExpFunction*& table, int& count) {
    table = StandardFunctions(count);
}

bool CPropertyCalculation::ParseArguments(int& errorPosition) {
    if (!Parse(errorPosition)) return false;
    m_argumentNames.clear();
    for (int i = 0; i < GetVariableCount(); ++i) m_argumentNames.push_back(GetVariable(i)->name);
    m_argumentSerial = GetParseSerial();
    return true;
}

int CPropertyCalculation::Calculate(const double* values, double& result) {
    result = kNoValue;
    if (m_argumentNames.empty()) return kCalcNoArguments;
    // Without a value array every argument is missing.
    if (!values) return kCalcMissingValue;
    const size_t count = m_argumentNames.size();
    for (size_t i = 0; i < count; ++i)
        if (values[i] == kNoValue) return kCalcMissingValue;
    if (IsParsed() && m_argumentSerial == GetParseSerial()) {
        // The argument names are the variables of this parse, in order: set them directly.
        for (size_t i = 0; i < count; ++i) GetVariable(static_cast<int>(i))->value = values[i];
    } else if (int status = CalculateByName(values); status != kCalcOk) {
        return status;
    }
    return EvaluateStatus(result);
}

// The general path, for argument names that may no longer match the parsed variables
// (the expression was replaced or parsed again since ParseArguments).
int CPropertyCalculation::CalculateByName(const double* values) {
    std::vector<CPropertyValue> pairs;
    pairs.reserve(m_argumentNames.size());
    for (size_t i = 0; i < m_argumentNames.size(); ++i) pairs.emplace_back(m_argumentNames[i], values[i]);
    if (GetExpression().empty()) return kCalcNoFormula;
    if (pairs.size() != m_argumentNames.size()) return kCalcArgumentCount;
    for (const CPropertyValue& pair : pairs)
        if (!SetVariable(pair.GetName().c_str(), pair.GetValue())) return kCalcUnknownArgument;
    return kCalcOk;
}

int CPropertyCalculation::EvaluateStatus(double& result) {
    double value = 0;
    const int status = Evaluate(value);
    if (status == kEvalOk) {
        result = value;
        return kCalcOk;
    }
    return status == kEvalMalformed ? kCalcMalformed : kCalcEvaluationFailed;
}

}  // namespace dulo
