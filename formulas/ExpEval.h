#pragma once
// CExpEval: turns the text of one arithmetic expression into a postfix program
// and evaluates it for the values of its named variables. Derived classes supply
// the functions an expression may call.
#include "formulas/FormulaMessages.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dulo {

// One entry of a derived class's function table.
struct SExpFunction {
    const char* name;
    double (*fn)(double);
};

// A named variable of an expression: created by the tokenizer, value 0 at first.
struct CExpVariable {
    std::string name;
    double value = 0.0;
};

// One token of the expression text.
struct CExpToken {
    enum Kind : int32_t { Variable = 0, Number = 1, BinaryOp = 2, UnaryMinus = 3, Paren = 4, Function = 5, End = 10 };
    // Row and column of the precedence table.
    enum Class : int32_t {
        Plus = 0, Minus = 1, Times = 2, Divide = 3, Power = 4, Negate = 5,
        Func = 6, Operand = 7, Open = 8, Close = 9, Bottom = 10
    };

    int32_t position = 0;
    int32_t kind = End;
    int32_t cls = Bottom;
    union {
        double number;
        char op;
        CExpVariable* variable;
        const SExpFunction* function;
    };

    CExpToken() : number(0.0) {}
};

class CExpEval {
public:
    // Evaluate statuses.
    static constexpr int kEvalOk = 0;
    static constexpr int kEvalArithmetic = 3;
    static constexpr int kEvalMalformed = 5;
    static constexpr int kEvalNotParsed = 7;

    static constexpr const char* kBadFunctionInput = "Error: Bad input value to function.";

    // Fixed capacities of the token and variable tables; the end token takes one token slot.
    static constexpr int kMaxTokens = 500;
    static constexpr int kMaxVariables = 500;
    static constexpr int kMaxNameLength = 259;

    CExpEval();
    virtual ~CExpEval();
    CExpEval(const CExpEval&) = delete;
    CExpEval& operator=(const CExpEval&) = delete;

    // Replaces the text; forgets tokens, program and variables.
    void SetExpression(const char* text);

    // Tokenizes and compiles the text. On failure the message and errorPosition say what and where.
    virtual bool Parse(int& errorPosition);
    // Runs the program: 0 done, 3 arithmetic error or not a number, 5 malformed program, 7 not parsed.
    virtual int Evaluate(double& result);

    // Parses first when needed; a leading "!" is skipped. Null when the name is unknown or empty.
    CExpVariable* SetVariable(const char* name, double value);

    int GetVariableCount() const { return static_cast<int>(m_variables.size()); }
    // Null for an index outside 0 .. count - 1.
    CExpVariable* GetVariable(int index) const {
        return index >= 0 && index < GetVariableCount() ? m_variables[static_cast<size_t>(index)].get() : nullptr;
    }
    const std::string& GetExpression() const { return m_expression; }
    const std::string& GetErrorMessage() const { return m_errorMessage; }
    int GetErrorPosition() const { return m_errorPosition; }
    bool IsParsed() const { return m_parsed; }
    const std::vector<CExpToken>& GetTokens() const { return m_tokens; }
    // Bumped by every Parse, so that derived classes can tell whether variable records they hold are current.
    uint64_t GetParseSerial() const { return m_parseSerial; }

protected:
    virtual void GetFunctionTable(const SExpFunction*& table, int& count) = 0;
    // Builds the token table; false at the first error, with message and position set.
    virtual bool Tokenize(const char* text);

    void SetError(const dulo::Message& message, int position);
    void SetErrorText(const char* text, int position);

private:
    // One instruction of the compiled program. Operands that are not on the stack are
    // read through pointers: to a variable's value or to an entry of m_constants.
    struct Instr {
        uint8_t op;
        int32_t position;
        const double* left;
        union {
            const double* right;
            double (*fn)(double);
        };
    };
    template <bool Checked>
    int Run(const std::vector<Instr>& program, double& result);
    int Fail(const dulo::Message& message, int position, int status);

    void Reset();
    bool AddToken(const CExpToken& token);
    bool ReadName(const char* text, int& pos, bool functionsAllowed);
    enum class NumberRead { Ok, Malformed, TooLarge };
    static NumberRead ReadNumber(const char* text, int& pos, double& value);
    CExpVariable* FindVariable(const char* name, size_t length) const;
    void ResolveSigns();
    bool CheckOrder();
    bool BuildProgram();
    void Compile();
    void Fuse();
    bool CallInto(double& value, const Instr& in);
    int TextLength() const { return static_cast<int>(m_expression.size()); }

    std::vector<std::unique_ptr<CExpVariable>> m_variables;
    int m_errorPosition = -1;
    std::string m_errorMessage;
    bool m_caseSensitiveFunctions = true;
    bool m_caseSensitiveVariables = true;
    std::string m_expression;
    bool m_parsed = false;
    const SExpFunction* m_functions = nullptr;
    int m_functionCount = 0;
    std::vector<CExpToken> m_tokens;
    // Postfix program as indexes into m_tokens.
    std::vector<int> m_postfix;

    // The postfix program compiled for evaluation: one instruction per postfix token,
    // and, for a program that can never run short of values, a shorter form in which
    // operators take variables and numbers as direct operands.
    std::vector<double> m_constants;
    std::vector<Instr> m_program;
    std::vector<Instr> m_fused;
    bool m_sound = false;
    std::vector<double> m_stack;
    uint64_t m_parseSerial = 0;
};

}  // namespace dulo
