// Property-calculator exports: formulas over named arguments, evaluated for the
// host's values. A failed calculation shows only as the result 1e30.
#include "dulo/DuloModelDataLib.h"
#include "formulas/PropertyCalculation.h"
#include "interface/ExportGuard.h"
#include "interface/TableArray.h"
#include "platform/Messages.h"
#include "platform/oleauto/ScopedVariant.h"

#include <memory>
#include <string>

using dulo::CPropertyCalculation;
using dulo::ExportGuard;
using dulo::HandOverNumber;

namespace {

double CalculateOrNoValue(CPropertyCalculation& calculator, const double* values) {
    double result = dulo::kNoValue;
    calculator.Calculate(values, result);
    return result;
}

// The argument names as a 1 x N table array; false when memory runs out.
bool ArgumentNameArray(const std::vector<std::string>& names, dulo::CTableArray& array) {
    if (!array.Create(1, static_cast<long>(names.size()))) return false;
    for (size_t i = 0; i < names.size(); ++i)
        if (!array.PutText(0, static_cast<long>(i), names[i])) return false;
    return true;
}

// A calculator whose formula parsed, or null.
std::unique_ptr<CPropertyCalculation> ParsedCalculator(const char* propertyName, const char* formula) {
    auto calculator = std::make_unique<CPropertyCalculation>(propertyName, formula);
    int errorPosition = 0;
    if (!calculator->ParseArguments(errorPosition)) {
        // Only a host that asked for reasons hears why; the return code stays the same.
        if (dulo::ReportsShown(false))
            dulo::ShowMessage(calculator->GetErrorMessage() + " (position " + std::to_string(errorPosition) + ")");
        return nullptr;
    }
    return calculator;
}

}  // namespace

extern "C" {

DuloPropertyCalculator GetPropertyCalculator(const char* propertyName, const char* formula) {
    return ExportGuard<DuloPropertyCalculator>(nullptr,
                                               [&] { return ParsedCalculator(propertyName, formula).release(); });
}

int ReleasePropertyCalculator(DuloPropertyCalculator calculator) {
    if (!calculator) return 0;
    delete static_cast<CPropertyCalculation*>(calculator);
    return 1;
}

int GetPropertyArgs(const char* propertyName, const char* formula, double* values1, double* values2,
                    VARIANT* argNames, VARIANT* result1, VARIANT* result2) {
    if (!argNames || !result1 || !result2) return 0;
    return ExportGuard(0, [&] {
        auto calculator = ParsedCalculator(propertyName, formula);
        if (!calculator) return 0;
        dulo::CTableArray names;
        if (!ArgumentNameArray(calculator->GetArgumentNames(), names)) return 0;
        const double value1 = CalculateOrNoValue(*calculator, values1);
        const double value2 = CalculateOrNoValue(*calculator, values2);
        names.HandOver(argNames);
        HandOverNumber(result1, value1);
        HandOverNumber(result2, value2);
        return 1;
    });
}

int CalcPropertyResult(DuloPropertyCalculator* calculator, const char* propertyName, const char* formula,
                       double* values, VARIANT* result) {
    // Without a place for the handle or the result there is nothing to keep or report.
    if (!calculator || !result) return 0;
    if (!*calculator) *calculator = GetPropertyCalculator(propertyName, formula);
    return ExportGuard(0, [&] {
        double value = dulo::kNoValue;
        if (*calculator) value = CalculateOrNoValue(*static_cast<CPropertyCalculation*>(*calculator), values);
        HandOverNumber(result, value);
        return 1;
    });
}

int GetPropertyResult(const char* propertyName, const char* formula, double* values, VARIANT* result) {
    if (!result) return 0;
    return ExportGuard(0, [&] {
        auto calculator = ParsedCalculator(propertyName, formula);
        if (!calculator) return 0;
        HandOverNumber(result, CalculateOrNoValue(*calculator, values));
        return 1;
    });
}

}  // extern "C"
