#pragma once
// The functions that property formulas and user-defined equations may call:
// "sqrt", "abs", "ln", "lg", "exp", in this order.
#include "formulas/ExpEval.h"

namespace dulo {

const SExpFunction* StandardFunctions(int& count);

}  // namespace dulo
