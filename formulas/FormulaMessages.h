#pragma once
// The expression evaluator's messages: name, id and text, one a line.
#include "platform/Messages.h"

namespace formula_messages {

#define DULO_FORMULA_MESSAGES(M)                                                                   \
    M(kMsgEmpty, 1926, "The expression is empty.")                                                 \
    M(kMsgOutOfPlace, 1927, "Token out of place or unmatched parenthesis in the expression.")      \
    M(kMsgBadCharacter, 1928, "Character not allowed in an expression.")                           \
    M(kMsgBadNumber, 1929, "Malformed number, or \"!\" without a variable name.")                  \
    M(kMsgOperandOperator, 1933, "An operator or an operand is missing.")                          \
    M(kMsgFunctionParen, 1934, "A function name must be followed by \"(\".")                       \
    M(kMsgEndsWithOperator, 1935, "The expression ends with an operator, a sign, a function or \"(\".") \
    M(kMsgNegativeBase, 1936, "A negative number cannot be raised to a fractional power.")         \
    M(kMsgDivideByZero, 1937, "Division by zero.")                                                 \
    M(kMsgValuesLeft, 1942, "An operator is missing: more than one value is left.")                \
    M(kMsgNotANumber, 1943, "The result is not a number.")                                         \
    M(kMsgTooManyTokens, 1950, "The expression has too many tokens (at most 499).")                \
    M(kMsgTooManyVariables, 1951, "The expression has too many variables (at most 500).")          \
    M(kMsgNumberTooLarge, 1952, "The number is too large (integer part at most 2147483647).")      \
    M(kMsgNameTooLong, 1953, "The name is too long (at most 259 characters).")
DULO_MESSAGES(kFormulaMessages, DULO_FORMULA_MESSAGES)

}  // namespace formula_messages
