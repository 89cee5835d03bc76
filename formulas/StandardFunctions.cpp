#include "formulas/StandardFunctions.h"

#include <cmath>

namespace dulo {

namespace {

double Sqrt(double x) { return std::sqrt(x); }
double Abs(double x) { return std::fabs(x); }
double Ln(double x) { return std::log(x); }
double Lg(double x) { return std::log10(x); }
double Exp(double x) { return std::exp(x); }

constexpr SExpFunction kFunctions[] = {
    {"sqrt", Sqrt}, {"abs", Abs}, {"ln", Ln}, {"lg", Lg}, {"exp", Exp},
};

}  // namespace

const SExpFunction* StandardFunctions(int& count) {
    count = static_cast<int>(std::size(kFunctions));
    return kFunctions;
}

}  // namespace dulo
