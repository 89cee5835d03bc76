#include "formulas/ExpEval.h"
#include "formulas/StandardFunctions.h"
#include "formulas/FormulaMessages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using dulo::CExpEval;

// The evaluator as derived classes use it: with the standard function table.
class TestEval : public CExpEval {
protected:
    void GetFunctionTable(const dulo::SExpFunction*& table, int& count) override {
        table = dulo::StandardFunctions(count);
    }
};

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int kBadInput = -1;  // the function message, which has no id

struct Case {
    const char* text;
    bool parses;
    int status;        // Evaluate status when it parses
    double value;      // result when status is 0
    int messageId;     // message of the failure (parse or evaluation), 0 for none
    int position;      // error position of the failure
    std::vector<std::pair<const char*, double>> variables = {};
};

const Case kCases[] = {
    // Precedence and associativity.
    {"2+3*4", true, 0, 14, 0, 0},
    {"(2+3)*4", true, 0, 20, 0, 0},
    {"2^3^2", true, 0, 512, 0, 0},
    {"-2^2", true, 0, 4, 0, 0},
    {"2^-2", true, 0, 0.25, 0, 0},
    {"10/4/5", true, 0, 0.5, 0, 0},
    {"3-2-1", true, 0, 0, 0, 0},
    {"2*3^2", true, 0, 18, 0, 0},
    {"((2))", true, 0, 2, 0, 0},
    {"+2*(-3)", true, 0, -6, 0, 0},
    {"++2", true, 0, 2, 0, 0},
    {"2^+3", true, 0, 8, 0, 0},
    {"(+-2)", true, 0, -2, 0, 0},
    {"-2^-2", true, 0, 0.25, 0, 0},
    {"2^--2", false, 0, 0, 1933, 3},
    {"-x", true, 0, -3, 0, 0, {{"x", 3}}},
    {"(A-B)/(C-D)*E^F", true, 0, 2.5 * 8, 0, 0, {{"A", 7}, {"B", 2}, {"C", 4}, {"D", 2}, {"E", 2}, {"F", 3}}},
    {"A-B*C/D+E", true, 0, 10 - 3.0 * 4 / 8 + 1, 0, 0, {{"A", 10}, {"B", 3}, {"C", 4}, {"D", 8}, {"E", 1}}},
    // Functions.
    {"sqrt(16)+abs(-3)", true, 0, 7, 0, 0},
    {"ln(exp(1))", true, 0, 1, 0, 0},
    {"lg(1000)", true, 0, 3, 0, 0},
    {"sqrt(4)^2", true, 0, 4, 0, 0},
    {"2^sqrt(4)", true, 0, 4, 0, 0},
    {"-sqrt(4)", true, 0, -2, 0, 0},
    {"ln(0)", true, 0, -kInf, 0, 0},
    {"sqrt(-1)", true, 3, 0, kBadInput, 0},
    {"1+ln(x-1)", true, 3, 0, kBadInput, 2, {{"x", 0}}},
    // Numbers.
    {"1.5e2", true, 0, 150, 0, 0},
    {"3e0", true, 0, 3, 0, 0},
    {"2e+3", true, 0, 2000, 0, 0},
    {"0.1", true, 0, 0.1, 0, 0},
    {"2147483647", true, 0, 2147483647.0, 0, 0},
    {"1e400", true, 0, kInf, 0, 0},
    {"1e-400", true, 0, 0, 0, 0},
    {"1e99999999999999999999", true, 0, kInf, 0, 0},
    {"1.e5", false, 0, 0, 1929, 1},
    {".5", false, 0, 0, 1929, 0},
    {"1.5.2", false, 0, 0, 1929, 3},
    {"2147483648", false, 0, 0, 1952, 0},
    {"x*99999999999", false, 0, 0, 1952, 2},
    // Names.
    {"2ex", true, 0, 7, 0, 0, {{"2ex", 7}}},
    {"1e", true, 0, 5, 0, 0, {{"1e", 5}}},
    {"X_1*[X]", true, 0, 6, 0, 0, {{"X_1", 2}, {"[X]", 3}}},
    {"!SPG+SPG", true, 0, 4, 0, 0, {{"SPG", 2}}},
    {"a,b+1", true, 0, 3, 0, 0, {{"a,b", 2}}},
    {"caf\xC3\xA9*2", true, 0, 6, 0, 0, {{"caf\xC3\xA9", 3}}},
    {"!sqrt*sqrt(4)", true, 0, 6, 0, 0, {{"sqrt", 3}}},
    {"!", false, 0, 0, 1929, 0},
    {"1+!*2", false, 0, 0, 1929, 2},
    {"a=b", false, 0, 0, 1928, 1},
    // Order and structure.
    {"", false, 0, 0, 1926, 0},
    {"2(3)", false, 0, 0, 1933, 2},
    {"2 3", false, 0, 0, 1933, 2},
    {"(2)(3)", false, 0, 0, 1933, 4},
    {"2*-3", false, 0, 0, 1933, 2},
    {"-(-3)", false, 0, 0, 1933, 2},
    {"SQRT(4)", false, 0, 0, 1933, 5},
    {"sqrt 4", false, 0, 0, 1934, 5},
    {"sqrt", false, 0, 0, 1934, 4},
    {"2+", false, 0, 0, 1935, 2},
    {"2+(", false, 0, 0, 1935, 3},
    {"-", false, 0, 0, 1935, 1},
    {"(2", false, 0, 0, 1927, 2},
    {"2)", false, 0, 0, 1927, 1},
    {")2", false, 0, 0, 1927, 0},
    {"2+(3", false, 0, 0, 1927, 4},
    // Arithmetic errors.
    {"1/0", true, 3, 0, 1937, 1},
    {"1/(2-2)", true, 3, 0, 1937, 1},
    {"x/y", true, 3, 0, 1937, 1, {{"x", 1}, {"y", 0}}},
    {"(-8)^0.5", true, 3, 0, 1936, 4},
    {"(-8)^(1/3)", true, 3, 0, 1936, 4},
    {"(-8)^2", true, 0, 64, 0, 0},
    {"x^0.5", true, 3, 0, 1936, 1, {{"x", -8}}},
    {"x^y", true, 0, 0.25, 0, 0, {{"x", -2}, {"y", -2}}},
    {"(1+1)/x", true, 3, 0, 1937, 5, {{"x", 0}}},
    {"2*sqrt(x)", true, 3, 0, kBadInput, 2, {{"x", -1}}},
    {"exp(1000)-exp(1000)", true, 3, 0, 1943, 19},
    // Programs that run short of values.
    {"()", true, 5, 0, 1933, 2},
    {"   ", true, 5, 0, 1933, 3},
    {"(-)", true, 5, 0, 1933, 1},
    {"sqrt()", true, 5, 0, 1933, 0},
    {"x+()", true, 5, 0, 1933, 1, {{"x", 1}}},
    // A value error that comes first is reported before the missing value.
    {"1/0+()", true, 3, 0, 1937, 1},
    {"sqrt(-1)+()", true, 3, 0, kBadInput, 0},
};

// The evaluator's text of a message id; empty for an id it does not have.
std::string EvaluatorText(int id) {
    for (const dulo::Message& m : formula_messages::kFormulaMessages)
        if (m.id == id) return m.text;
    return std::string();
}

std::string MessageOf(int id) { return id == kBadInput ? std::string(CExpEval::kBadFunctionInput) : EvaluatorText(id); }

TEST(ExpEval, TableOfCases) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string("expression: \"") + c.text + "\"");
        TestEval eval;
        eval.SetExpression(c.text);
        int position = -2;
        const bool parsed = eval.Parse(position);
        ASSERT_EQ(parsed, c.parses) << eval.GetErrorMessage();
        if (!parsed) {
            EXPECT_EQ(position, c.position);
            EXPECT_EQ(eval.GetErrorPosition(), c.position);
            EXPECT_EQ(eval.GetErrorMessage(), MessageOf(c.messageId));
            continue;
        }
        for (const auto& [name, value] : c.variables) ASSERT_NE(eval.SetVariable(name, value), nullptr) << name;
        double result = -12345;
        const int status = eval.Evaluate(result);
        ASSERT_EQ(status, c.status) << eval.GetErrorMessage();
        if (status == 0) {
            if (std::isinf(c.value))
                EXPECT_EQ(result, c.value);
            else
                EXPECT_DOUBLE_EQ(result, c.value);
            EXPECT_EQ(eval.GetErrorMessage(), "");
        } else {
            EXPECT_EQ(result, -12345) << "a failed evaluation leaves the result alone";
            EXPECT_EQ(eval.GetErrorMessage(), MessageOf(c.messageId));
            EXPECT_EQ(eval.GetErrorPosition(), c.position);
        }
    }
}

TEST(ExpEval, EveryMessageIdHasText) {
    for (int id : {1926, 1927, 1928, 1929, 1933, 1934, 1935, 1936, 1937, 1942, 1943, 1950, 1951, 1952, 1953})
        EXPECT_FALSE(EvaluatorText(id).empty()) << id;
}

TEST(ExpEval, VariablesInOrderOfFirstOccurrence) {
    TestEval eval;
    eval.SetExpression("A*B+A");
    int position = 0;
    ASSERT_TRUE(eval.Parse(position));
    ASSERT_EQ(eval.GetVariableCount(), 2);
    EXPECT_EQ(eval.GetVariable(0)->name, "A");
    EXPECT_EQ(eval.GetVariable(1)->name, "B");
    EXPECT_EQ(eval.GetVariable(0)->value, 0);
    EXPECT_EQ(eval.GetVariable(1)->value, 0);
    EXPECT_EQ(eval.GetVariable(2), nullptr);
    EXPECT_EQ(eval.GetVariable(-1), nullptr);

    EXPECT_EQ(eval.SetVariable("!A", 2), eval.GetVariable(0));
    EXPECT_EQ(eval.SetVariable("B", 5), eval.GetVariable(1));
    double result = 0;
    ASSERT_EQ(eval.Evaluate(result), 0);
    EXPECT_EQ(result, 12);
    // The evaluator keeps its values: a second run gives the same.
    ASSERT_EQ(eval.Evaluate(result), 0);
    EXPECT_EQ(result, 12);

    EXPECT_EQ(eval.SetVariable("C", 1), nullptr);
    EXPECT_EQ(eval.SetVariable("a", 1), nullptr) << "names are case-sensitive";
    EXPECT_EQ(eval.SetVariable("", 1), nullptr);
    EXPECT_EQ(eval.SetVariable("!", 1), nullptr);
    EXPECT_EQ(eval.SetVariable(nullptr, 1), nullptr);

    // A new parse makes new variables, with value 0.
    ASSERT_TRUE(eval.Parse(position));
    ASSERT_EQ(eval.Evaluate(result), 0);
    EXPECT_EQ(result, 0);
}

TEST(ExpEval, NotParsedReturnsSeven) {
    TestEval eval;
    double result = 1;
    EXPECT_EQ(eval.Evaluate(result), CExpEval::kEvalNotParsed);

    eval.SetExpression("a=b");
    int position = 0;
    EXPECT_FALSE(eval.Parse(position));
    EXPECT_EQ(eval.Evaluate(result), CExpEval::kEvalNotParsed);

    eval.SetExpression("1+2");
    ASSERT_TRUE(eval.Parse(position));
    eval.SetExpression("3+4");
    EXPECT_EQ(eval.Evaluate(result), CExpEval::kEvalNotParsed);
    EXPECT_EQ(eval.GetVariableCount(), 0);
    EXPECT_EQ(result, 1);
}

TEST(ExpEval, SetVariableParsesFirst) {
    TestEval eval;
    eval.SetExpression("x+1");
    ASSERT_NE(eval.SetVariable("x", 4), nullptr);
    EXPECT_TRUE(eval.IsParsed());
    double result = 0;
    ASSERT_EQ(eval.Evaluate(result), 0);
    EXPECT_EQ(result, 5);

    eval.SetExpression("x=1");
    EXPECT_EQ(eval.SetVariable("x", 4), nullptr);
    EXPECT_FALSE(eval.IsParsed());
}

TEST(ExpEval, MessageClearedBySuccess) {
    TestEval eval;
    eval.SetExpression("1/x");
    eval.SetVariable("x", 0);
    double result = 0;
    ASSERT_EQ(eval.Evaluate(result), 3);
    EXPECT_FALSE(eval.GetErrorMessage().empty());
    eval.SetVariable("x", 4);
    ASSERT_EQ(eval.Evaluate(result), 0);
    EXPECT_EQ(result, 0.25);
    EXPECT_TRUE(eval.GetErrorMessage().empty());
}

std::string Repeat(const std::string& unit, int times) {
    std::string s;
    for (int i = 0; i < times; ++i) s += unit;
    return s;
}

// Limits of the fixed tables: past them the parse fails instead of overrunning.
TEST(ExpEval, Limits) {
    struct Limit {
        std::string text;
        bool parses;
        int messageId;
        int position;
    };
    const std::string sum250 = "1" + Repeat("+1", 249);  // 499 tokens, the end token makes 500
    const std::string name259(259, 'n');
    const Limit limits[] = {
        {sum250, true, 0, 0},
        {sum250 + "+1", false, 1950, 499},
        // A deleted sign still took its slot while tokenizing.
        {"+" + sum250, false, 1950, 499},
        {name259 + "+1", true, 0, 0},
        {name259 + "n+1", false, 1953, 0},
        {"1+!" + name259 + "n", false, 1953, 3},
        {"1+" + std::string(2000, '9'), false, 1952, 2},
        // Fraction digits that would overflow the accumulator are ignored.
        {"1." + std::string(400, '0') + "1", true, 0, 0},
        {"0." + std::string(400, '3'), true, 0, 0},
    };
    for (const Limit& l : limits) {
        SCOPED_TRACE(l.text.substr(0, 40));
        TestEval eval;
        eval.SetExpression(l.text.c_str());
        int position = -2;
        ASSERT_EQ(eval.Parse(position), l.parses) << eval.GetErrorMessage();
        if (!l.parses) {
            EXPECT_EQ(position, l.position);
            EXPECT_EQ(eval.GetErrorMessage(), EvaluatorText(l.messageId));
            continue;
        }
        double result = 0;
        for (int i = 0; i < eval.GetVariableCount(); ++i) eval.GetVariable(i)->value = 1;
        EXPECT_EQ(eval.Evaluate(result), 0) << eval.GetErrorMessage();
        EXPECT_TRUE(std::isfinite(result));
    }
    TestEval eval;
    eval.SetExpression(sum250.c_str());
    int position = 0;
    ASSERT_TRUE(eval.Parse(position));
    double result = 0;
    ASSERT_EQ(eval.Evaluate(result), 0);
    EXPECT_EQ(result, 250);
    eval.SetExpression(("1." + std::string(400, '0') + "1").c_str());
    ASSERT_TRUE(eval.Parse(position));
    ASSERT_EQ(eval.Evaluate(result), 0);
    EXPECT_DOUBLE_EQ(result, 1.0);
    eval.SetExpression(("0." + std::string(400, '3')).c_str());
    ASSERT_TRUE(eval.Parse(position));
    ASSERT_EQ(eval.Evaluate(result), 0);
    EXPECT_NEAR(result, 1.0 / 3, 1e-12);
}

// A deeply nested expression stays within its evaluation stack.
TEST(ExpEval, DeepNesting) {
    const int depth = 240;
    std::string text = Repeat("(", depth) + "x" + Repeat(")", depth);
    TestEval eval;
    eval.SetExpression(text.c_str());
    int position = 0;
    ASSERT_TRUE(eval.Parse(position));
    eval.SetVariable("x", 3);
    double result = 0;
    ASSERT_EQ(eval.Evaluate(result), 0);
    EXPECT_EQ(result, 3);

    // Right-associative powers keep every operand on the stack until the end.
    text = "1" + Repeat("^1", 249);
    eval.SetExpression(text.c_str());
    ASSERT_TRUE(eval.Parse(position));
    ASSERT_EQ(eval.Evaluate(result), 0);
    EXPECT_EQ(result, 1);
}

}  // namespace

namespace {

// Random texts from the characters an expression may hold (and some it may not):
// whatever the text, parse and evaluation end in a status with a message and a
// position inside the text.
TEST(ExpEval, RandomTextsEndCleanly) {
    static const char* const kPieces[] = {"1", "2.5", "1e3", "1e", ".", "x", "y", "!x", "!", "sqrt", "ln", "abs",
                                          "(", ")", "+", "-", "*", "/", "^", " ", "=", "0", "\xC3\xA9", "_"};
    std::mt19937 random(1234);
    std::uniform_int_distribution<size_t> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> length(0, 12);
    int parsed = 0, evaluated = 0;
    for (int n = 0; n < 20000; ++n) {
        std::string text;
        for (int i = length(random); i > 0; --i) text += kPieces[piece(random)];
        SCOPED_TRACE(text);
        TestEval eval;
        eval.SetExpression(text.c_str());
        int position = -2;
        if (!eval.Parse(position)) {
            ASSERT_FALSE(eval.GetErrorMessage().empty());
            ASSERT_GE(position, 0);
            ASSERT_LE(position, static_cast<int>(text.size()));
            continue;
        }
        ++parsed;
        for (int i = 0; i < eval.GetVariableCount(); ++i) eval.GetVariable(i)->value = (i % 3) - 1.0;
        double result = 0;
        const int status = eval.Evaluate(result);
        if (status == 0) {
            ++evaluated;
            ASSERT_FALSE(std::isnan(result));
            ASSERT_TRUE(eval.GetErrorMessage().empty());
            continue;
        }
        ASSERT_TRUE(status == 3 || status == 5) << status;
        ASSERT_FALSE(eval.GetErrorMessage().empty());
        ASSERT_GE(eval.GetErrorPosition(), 0);
        ASSERT_LE(eval.GetErrorPosition(), static_cast<int>(text.size()));
    }
    // The generator must reach evaluation often enough to mean something.
    EXPECT_GT(parsed, 1000);
    EXPECT_GT(evaluated, 500);
}

}  // namespace
