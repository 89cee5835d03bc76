// The program side of the evaluator: order checks, the precedence parse into a
// postfix program, its compiled form and the run that evaluates it.
#include "formulas/ExpEval.h"

#include <cmath>

namespace dulo {

using namespace formula_messages;

namespace {

// Precedence table: rows the incoming token's class, columns the class on top of the stack.
// 1 push, -1 move the top to the program, 0 drop a matched pair of parentheses, 99 done, 9 error.
constexpr signed char kPrecedence[11][11] = {
    /* +   */ {-1, -1, -1, -1, -1, -1, -1, -1, 1, 9, 1},
    /* -   */ {-1, -1, -1, -1, -1, -1, -1, -1, 1, 9, 1},
    /* *   */ {1, 1, -1, -1, -1, -1, -1, -1, 1, 9, 1},
    /* /   */ {1, 1, -1, -1, -1, -1, -1, -1, 1, 9, 1},
    /* ^   */ {1, 1, 1, 1, 1, -1, -1, -1, 1, 9, 1},
    /* neg */ {1, 1, 1, 1, 1, 1, 9, 9, 1, 9, 1},
    /* fn  */ {1, 1, 1, 1, 1, 1, 9, 9, 1, 9, 1},
    /* opd */ {1, 1, 1, 1, 1, 1, 9, 9, 1, 9, 1},
    /* (   */ {1, 1, 1, 1, 1, 1, 1, 9, 1, 9, 1},
    /* )   */ {-1, -1, -1, -1, -1, -1, -1, -1, 0, 9, 9},
    /* end */ {-1, -1, -1, -1, -1, -1, -1, -1, 9, 9, 99},
};

// Program operations. Binary operators come in three forms: both operands on the
// stack; right operand direct (R); both operands direct, result pushed (P).
enum Op : uint8_t {
    kPush, kNegate, kCall, kCallPush,
    kAdd, kSub, kMul, kDiv, kPow,
    kAddR, kSubR, kMulR, kDivR, kPowR,
    kAddP, kSubP, kMulP, kDivP, kPowP,
    kInvalid
};
constexpr int kBinaryForms = kAddR - kAdd;

// A negative base (or one that is not a number) has no real power for a fractional exponent.
inline bool PowerDefined(double left, double right) {
    return !((left < 0 || std::isnan(left)) && std::fmod(right, 1.0) != 0);
}

// The binary operators; each returns null or the message of its arithmetic error.
inline const Message* Add(double& left, double right) { left += right; return nullptr; }
inline const Message* Sub(double& left, double right) { left -= right; return nullptr; }
inline const Message* Mul(double& left, double right) { left *= right; return nullptr; }

inline const Message* Div(double& left, double right) {
    if (right == 0) return &kMsgDivideByZero;
    left /= right;
    return nullptr;
}

inline const Message* Pow(double& left, double right) {
    if (!PowerDefined(left, right)) return &kMsgNegativeBase;
    left = std::pow(left, right);
    return nullptr;
}

}  // namespace

bool CExpEval::CheckOrder() {
    bool lastWasOperand = false, expectOperand = true;
    for (const CExpToken& t : m_tokens) {
        if (t.kind == CExpToken::Variable || t.kind == CExpToken::Number) {
            if (lastWasOperand) {
                SetError(kMsgOperandOperator, t.position);
                return false;
            }
            lastWasOperand = true;
            expectOperand = false;
        } else if (t.kind == CExpToken::BinaryOp) {
            if (expectOperand) {
                SetError(kMsgOperandOperator, t.position);
                return false;
            }
            lastWasOperand = false;
            expectOperand = true;
        }
    }
    // The end token is last, so every function has a successor.
    for (size_t i = 0; i + 1 < m_tokens.size(); ++i) {
        if (m_tokens[i].kind == CExpToken::Function && m_tokens[i + 1].cls != CExpToken::Open) {
            SetError(kMsgFunctionParen, m_tokens[i + 1].position);
            return false;
        }
    }
    if (m_tokens.size() >= 2) {
        const CExpToken& last = m_tokens[m_tokens.size() - 2];
        if (last.kind == CExpToken::BinaryOp || last.kind == CExpToken::UnaryMinus ||
            last.kind == CExpToken::Function || last.cls == CExpToken::Open) {
            SetError(kMsgEndsWithOperator, TextLength());
            return false;
        }
    }
    return true;
}

bool CExpEval::BuildProgram() {
    constexpr int kBottom = -1;
    std::vector<int> stack;
    stack.reserve(m_tokens.size() + 1);
    stack.push_back(kBottom);
    for (size_t i = 0; i < m_tokens.size(); ++i) {
        const CExpToken& incoming = m_tokens[i];
        for (;;) {
            const int top = stack.back();
            const int topClass = top == kBottom ? CExpToken::Bottom : m_tokens[static_cast<size_t>(top)].cls;
            const int action = kPrecedence[incoming.cls][topClass];
            if (action == 1) {
                stack.push_back(static_cast<int>(i));
                break;
            }
            if (action == -1) {
                m_postfix.push_back(top);
                stack.pop_back();
                continue;
            }
            if (action == 0) {
                stack.pop_back();
                break;
            }
            if (action == 99) {
                m_parsed = true;
                return true;
            }
            SetError(kMsgOutOfPlace, incoming.position);
            return false;
        }
    }
    SetError(kMsgOutOfPlace, TextLength());
    return false;
}

void CExpEval::Compile() {
    size_t numbers = 0;
    for (const CExpToken& t : m_tokens) numbers += t.kind == CExpToken::Number;
    // Reserved up front: instructions keep pointers into it.
    m_constants.reserve(numbers);
    m_program.reserve(m_postfix.size());
    int depth = 0, pushes = 0;
    bool sound = true;
    for (int index : m_postfix) {
        const CExpToken& t = m_tokens[static_cast<size_t>(index)];
        Instr in{};
        in.position = t.position;
        switch (t.kind) {
        case CExpToken::Number:
            m_constants.push_back(t.number);
            in.op = kPush;
            in.left = &m_constants.back();
            ++depth;
            ++pushes;
            break;
        case CExpToken::Variable:
            in.op = kPush;
            in.left = &t.variable->value;
            ++depth;
            ++pushes;
            break;
        case CExpToken::BinaryOp:
            in.op = static_cast<uint8_t>(kAdd + t.cls);
            sound = sound && depth >= 2;
            --depth;
            break;
        case CExpToken::UnaryMinus:
            in.op = kNegate;
            sound = sound && depth >= 1;
            break;
        case CExpToken::Function:
            in.op = kCall;
            in.fn = t.function->fn;
            sound = sound && depth >= 1;
            break;
        default:
            in.op = kInvalid;
            sound = false;
            break;
        }
        m_program.push_back(in);
    }
    m_sound = sound && depth == 1;
    m_stack.assign(static_cast<size_t>(pushes) + 1, 0.0);
    if (m_sound) Fuse();
}

// Folds pushes into the operators that consume them, so that a run dispatches fewer
// instructions. Only for sound programs: a folded push is known to be the operand.
void CExpEval::Fuse() {
    m_fused.reserve(m_program.size());
    for (const Instr& in : m_program) {
        const size_t n = m_fused.size();
        const bool afterPush = n >= 1 && m_fused[n - 1].op == kPush;
        if (in.op >= kAdd && in.op <= kPow && afterPush) {
            const double* right = m_fused[n - 1].left;
            if (n >= 2 && m_fused[n - 2].op == kPush) {
                m_fused.pop_back();
                Instr& both = m_fused.back();
                both.op = static_cast<uint8_t>(in.op + 2 * kBinaryForms);
                both.position = in.position;
                both.right = right;
            } else {
                Instr& last = m_fused.back();
                last.op = static_cast<uint8_t>(in.op + kBinaryForms);
                last.position = in.position;
                last.right = right;
            }
            continue;
        }
        if (in.op == kCall && afterPush) {
            Instr& last = m_fused.back();
            last.op = kCallPush;
            last.position = in.position;
            last.fn = in.fn;
            continue;
        }
        m_fused.push_back(in);
    }
}

bool CExpEval::CallInto(double& value, const Instr& in) {
    const double y = in.fn(value);
    if (std::isnan(y)) {
        SetErrorText(kBadFunctionInput, in.position);
        return false;
    }
    value = y;
    return true;
}

int CExpEval::Fail(const Message& message, int position, int status) {
    SetError(message, position);
    return status;
}

int CExpEval::Evaluate(double& result) {
    if (!m_parsed) return kEvalNotParsed;
    return m_sound ? Run<false>(m_fused, result) : Run<true>(m_program, result);
}

// Checked runs test every pop; unchecked runs are for programs whose stack use was
// verified when they were compiled. Each operator form has its own case so that a
// run costs one dispatch per instruction.
#define DULO_BINARY_CASES(NAME)                                                                 \
    case k##NAME:                                                                               \
        if (Checked && sp - base < 2) return Fail(kMsgOperandOperator, in.position, kEvalMalformed); \
        --sp;                                                                                   \
        if (const Message* m = NAME(sp[-1], *sp)) return Fail(*m, in.position, kEvalArithmetic); \
        continue;                                                                               \
    case k##NAME##R:                                                                            \
        if (const Message* m = NAME(sp[-1], *in.right)) return Fail(*m, in.position, kEvalArithmetic); \
        continue;                                                                               \
    case k##NAME##P:                                                                            \
        *sp = *in.left;                                                                         \
        if (const Message* m = NAME(*sp, *in.right)) return Fail(*m, in.position, kEvalArithmetic); \
        ++sp;                                                                                   \
        continue;

template <bool Checked>
int CExpEval::Run(const std::vector<Instr>& program, double& result) {
    double* const base = m_stack.data();
    double* sp = base;  // next free slot
    for (const Instr& in : program) {
        switch (in.op) {
        case kPush:
            *sp++ = *in.left;
            continue;
        case kNegate:
            if (Checked && sp == base) return Fail(kMsgOperandOperator, in.position, kEvalMalformed);
            sp[-1] = -sp[-1];
            continue;
        case kCall:
            if (Checked && sp == base) return Fail(kMsgOperandOperator, in.position, kEvalMalformed);
            if (!CallInto(sp[-1], in)) return kEvalArithmetic;
            continue;
        case kCallPush:
            *sp = *in.left;
            if (!CallInto(*sp, in)) return kEvalArithmetic;
            ++sp;
            continue;
        DULO_BINARY_CASES(Add)
        DULO_BINARY_CASES(Sub)
        DULO_BINARY_CASES(Mul)
        DULO_BINARY_CASES(Div)
        DULO_BINARY_CASES(Pow)
        default:
            return Fail(kMsgOutOfPlace, -1, kEvalMalformed);
        }
    }
    if (Checked && sp - base != 1)
        return Fail(sp == base ? kMsgOperandOperator : kMsgValuesLeft, TextLength(), kEvalMalformed);
    if (std::isnan(base[0])) return Fail(kMsgNotANumber, TextLength(), kEvalArithmetic);
    result = base[0];
    if (!m_errorMessage.empty()) m_errorMessage.clear();
    return kEvalOk;
}

#undef DULO_BINARY_CASES

}  // namespace dulo
