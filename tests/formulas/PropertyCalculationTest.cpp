#include "formulas/PropertyCalculation.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using dulo::CPropertyCalculation;
using dulo::kNoValue;

TEST(PropertyCalculation, ArgumentNamesFollowTheFormula) {
    CPropertyCalculation calc("VISB", "(VIS+A)/B-VIS");
    int position = 0;
    ASSERT_TRUE(calc.ParseArguments(position));
    EXPECT_EQ(calc.GetPropertyName(), "VISB");
    EXPECT_EQ(calc.GetArgumentNames(), (std::vector<std::string>{"VIS", "A", "B"}));

    CPropertyCalculation bad("P", "a=b");
    EXPECT_FALSE(bad.ParseArguments(position));
    EXPECT_EQ(position, 1);
    EXPECT_TRUE(bad.GetArgumentNames().empty());
}

TEST(PropertyCalculation, CalculateStatuses) {
    struct Case {
        const char* formula;
        std::vector<double> values;
        int status;
        double result;
    };
    const Case cases[] = {
        {"(VIS+A)/B-VIS", {1, 2, 3}, 0, 0},
        {"(VIS+A)/B-VIS", {4, 1, 5}, 0, -3},
        {"(VIS+A)/B-VIS", {4, kNoValue, 5}, 16, kNoValue},
        {"(VIS+A)/B-VIS", {4, 1, 0}, 6, kNoValue},
        {"2+3", {}, 13, kNoValue},
        {"sqrt(X)", {-1}, 6, kNoValue},
        {"sqrt(X)", {16}, 0, 4},
        {"X/Y", {1, 0}, 6, kNoValue},
        {"x+()", {1}, 5, kNoValue},
        {"ln(x)", {0}, 0, -std::numeric_limits<double>::infinity()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.formula);
        CPropertyCalculation calc("P", c.formula);
        int position = 0;
        ASSERT_TRUE(calc.ParseArguments(position));
        double result = -1;
        EXPECT_EQ(calc.Calculate(c.values.data(), result), c.status);
        EXPECT_EQ(result, c.result);
    }
}

TEST(PropertyCalculation, OneCalculatorManyCalculations) {
    CPropertyCalculation calc("P", "A*B+C");
    int position = 0;
    ASSERT_TRUE(calc.ParseArguments(position));
    for (int i = 0; i < 100; ++i) {
        const double values[] = {double(i), 2, 1};
        double result = 0;
        ASSERT_EQ(calc.Calculate(values, result), 0);
        EXPECT_EQ(result, 2.0 * i + 1);
    }
    // A missing value between good ones does not disturb the next calculation.
    const double missing[] = {1, kNoValue, 1};
    double result = 0;
    EXPECT_EQ(calc.Calculate(missing, result), CPropertyCalculation::kCalcMissingValue);
    const double good[] = {3, 3, 3};
    EXPECT_EQ(calc.Calculate(good, result), 0);
    EXPECT_EQ(result, 12);
}

TEST(PropertyCalculation, NullValuesAreMissing) {
    CPropertyCalculation calc("P", "A+1");
    int position = 0;
    ASSERT_TRUE(calc.ParseArguments(position));
    double result = 0;
    EXPECT_EQ(calc.Calculate(nullptr, result), CPropertyCalculation::kCalcMissingValue);
    EXPECT_EQ(result, kNoValue);
}

// After the formula is replaced, the argument names no longer belong to the parsed
// variables: values are then set by name.
TEST(PropertyCalculation, ReplacedFormula) {
    int position = 0;
    double result = 0;
    const double values[] = {2, 5};

    CPropertyCalculation reordered("P", "x-y");
    ASSERT_TRUE(reordered.ParseArguments(position));
    reordered.SetExpression("y-x");
    EXPECT_EQ(reordered.Calculate(values, result), 0);
    EXPECT_EQ(result, 3);

    CPropertyCalculation renamed("P", "x-y");
    ASSERT_TRUE(renamed.ParseArguments(position));
    renamed.SetExpression("a-b");
    EXPECT_EQ(renamed.Calculate(values, result), CPropertyCalculation::kCalcUnknownArgument);
    EXPECT_EQ(result, kNoValue);

    CPropertyCalculation emptied("P", "x-y");
    ASSERT_TRUE(emptied.ParseArguments(position));
    emptied.SetExpression("");
    EXPECT_EQ(emptied.Calculate(values, result), CPropertyCalculation::kCalcNoFormula);

    // Parsing again through the base keeps the names but makes new variables.
    CPropertyCalculation reparsed("P", "x-y");
    ASSERT_TRUE(reparsed.ParseArguments(position));
    ASSERT_TRUE(reparsed.Parse(position));
    EXPECT_EQ(reparsed.Calculate(values, result), 0);
    EXPECT_EQ(result, -3);
}

}  // namespace
