#include "formulas/ExpEval.h"

#include "platform/Messages.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace dulo {

using namespace formula_messages;

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
// ASCII only: the numeric locale may be switched by other parts of the library.
bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsNameChar(unsigned char c) { return c != 0 && std::strchr("~`@#$%&_[]\\{}|:;'\",<>?", c) != nullptr; }
// Bytes of 128 and up belong to UTF-8 sequences, which count as letters.
bool IsNameStart(unsigned char c) { return IsLetter(c) || IsNameChar(c) || c >= 128; }
bool IsNamePart(unsigned char c) { return IsNameStart(c) || IsDigit(c); }

unsigned char FoldCase(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

bool SameName(const char* a, size_t lengthA, const char* b, size_t lengthB, bool caseSensitive) {
    if (lengthA != lengthB) return false;
    if (caseSensitive) return std::memcmp(a, b, lengthA) == 0;
    for (size_t i = 0; i < lengthA; ++i)
        if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// Binary operators in the order of their token classes.
constexpr char kOperators[] = "+-*/^";

// Exponents beyond this leave the value at 0 or infinity long before; stopping here gives the same result.
constexpr int kExponentCap = 100000;

}  // namespace

CExpEval::CExpEval() = default;

CExpEval::~CExpEval() = default;

void CExpEval::SetExpression(const char* text) {
    m_expression = text ? text : "";
    Reset();
}

void CExpEval::Reset() {
    m_parsed = false;
    m_sound = false;
    m_tokens.clear();
    m_postfix.clear();
    m_program.clear();
    m_fused.clear();
    m_constants.clear();
    m_variables.clear();
}

void CExpEval::SetError(const Message& message, int position) {
    m_errorMessage = message.text;
    m_errorPosition = position;
}

void CExpEval::SetErrorText(const char* text, int position) {
    m_errorMessage = text;
    m_errorPosition = position;
}

bool CExpEval::Parse(int& errorPosition) {
    Reset();
    ++m_parseSerial;
    m_errorPosition = 0;
    m_errorMessage.clear();
    if (m_expression.empty()) {
        SetError(kMsgEmpty, 0);
    } else if (Tokenize(m_expression.c_str()) && CheckOrder() && BuildProgram()) {
        Compile();
    }
    errorPosition = m_errorPosition;
    return m_parsed;
}

CExpVariable* CExpEval::SetVariable(const char* name, double value) {
    if (!m_parsed) {
        int errorPosition = 0;
        if (!Parse(errorPosition)) return nullptr;
    }
    if (!name) return nullptr;
    if (*name == '!') ++name;
    if (!*name) return nullptr;
    CExpVariable* variable = FindVariable(name, std::strlen(name));
    if (variable) variable->value = value;
    return variable;
}

CExpVariable* CExpEval::FindVariable(const char* name, size_t length) const {
    for (const auto& v : m_variables)
        if (SameName(v->name.data(), v->name.size(), name, length, m_caseSensitiveVariables)) return v.get();
    return nullptr;
}

bool CExpEval::AddToken(const CExpToken& token) {
    // The last slot of the table belongs to the end token.
    if (token.kind != CExpToken::End && static_cast<int>(m_tokens.size()) >= kMaxTokens - 1) {
        SetError(kMsgTooManyTokens, token.position);
        return false;
    }
    m_tokens.push_back(token);
    return true;
}

bool CExpEval::Tokenize(const char* text) {
    m_parsed = false;
    if (!m_functions) GetFunctionTable(m_functions, m_functionCount);
    const size_t size = std::strlen(text);
    // Positions are 32-bit; a text this long could not stay within the token table anyway.
    if (size >= static_cast<size_t>(INT32_MAX)) {
        SetError(kMsgTooManyTokens, 0);
        return false;
    }
    const int length = static_cast<int>(size);
    int pos = 0;
    for (;;) {
        while (pos < length && IsSpace(static_cast<unsigned char>(text[pos]))) ++pos;
        if (pos >= length) break;
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        CExpToken token;
        token.position = pos;
        if (IsNameStart(c)) {
            if (!ReadName(text, pos, true)) return false;
            continue;
        }
        if (c == '!') {
            ++pos;
            if (pos >= length || !IsNamePart(static_cast<unsigned char>(text[pos]))) {
                SetError(kMsgBadNumber, token.position);
                return false;
            }
            if (!ReadName(text, pos, false)) return false;
            continue;
        }
        if (IsDigit(c) || c == '.') {
            int end = pos;
            double value = 0;
            const NumberRead read = ReadNumber(text, end, value);
            if (read == NumberRead::TooLarge) {
                SetError(kMsgNumberTooLarge, pos);
                return false;
            }
            if (read == NumberRead::Malformed) {
                if (c == '.') {
                    SetError(kMsgBadNumber, pos);
                    return false;
                }
                // A digit run that is no number, such as 2ex, is a name.
                if (!ReadName(text, pos, true)) return false;
                continue;
            }
            token.kind = CExpToken::Number;
            token.cls = CExpToken::Operand;
            token.number = value;
            if (!AddToken(token)) return false;
            pos = end;
            continue;
        }
        if (c == '(' || c == ')') {
            token.kind = CExpToken::Paren;
            token.cls = c == '(' ? CExpToken::Open : CExpToken::Close;
            token.op = static_cast<char>(c);
        } else if (const char* op = std::strchr(kOperators, c)) {
            token.kind = CExpToken::BinaryOp;
            token.cls = static_cast<int32_t>(op - kOperators);
            token.op = static_cast<char>(c);
        } else {
            SetError(kMsgBadCharacter, pos);
            return false;
        }
        if (!AddToken(token)) return false;
        ++pos;
    }
    ResolveSigns();
    CExpToken end;
    end.position = length;
    return AddToken(end);
}

bool CExpEval::ReadName(const char* text, int& pos, bool functionsAllowed) {
    const int start = pos;
    while (IsNamePart(static_cast<unsigned char>(text[pos]))) ++pos;
    const size_t length = static_cast<size_t>(pos - start);
    if (length > static_cast<size_t>(kMaxNameLength)) {
        SetError(kMsgNameTooLong, start);
        return false;
    }
    const char* name = text + start;
    CExpToken token;
    token.position = start;
    if (functionsAllowed) {
        for (int i = 0; i < m_functionCount; ++i) {
            const SExpFunction& f = m_functions[i];
            if (SameName(f.name, std::strlen(f.name), name, length, m_caseSensitiveFunctions)) {
                token.kind = CExpToken::Function;
                token.cls = CExpToken::Func;
                token.function = &f;
                return AddToken(token);
            }
        }
    }
    CExpVariable* variable = FindVariable(name, length);
    if (!variable) {
        if (static_cast<int>(m_variables.size()) >= kMaxVariables) {
            SetError(kMsgTooManyVariables, start);
            return false;
        }
        m_variables.push_back(std::make_unique<CExpVariable>());
        variable = m_variables.back().get();
        variable->name.assign(name, length);
    }
    token.kind = CExpToken::Variable;
    token.cls = CExpToken::Operand;
    token.variable = variable;
    return AddToken(token);
}

CExpEval::NumberRead CExpEval::ReadNumber(const char* text, int& pos, double& value) {
    auto digit = [&](int at) { return IsDigit(static_cast<unsigned char>(text[at])); };
    if (!digit(pos)) return NumberRead::Malformed;
    int64_t whole = 0;
    while (digit(pos)) {
        whole = whole * 10 + (text[pos++] - '0');
        if (whole > INT32_MAX) return NumberRead::TooLarge;
    }
    double fraction = 0;
    if (text[pos] == '.') {
        ++pos;
        if (!digit(pos)) return NumberRead::Malformed;
        double f = 0, scale = 1;
        while (digit(pos)) {
            // Digits past this point cannot change the value; taking them would overflow f.
            if (f < 1e300) {
                f = 10 * f + (text[pos] - '0');
                scale *= 0.1;
            }
            ++pos;
        }
        fraction = f * scale;
    }
    value = static_cast<double>(whole) + fraction;
    if (text[pos] == 'e' || text[pos] == 'E') {
        ++pos;
        const bool negative = text[pos] == '-';
        if (text[pos] == '+' || text[pos] == '-') ++pos;
        if (!digit(pos)) return NumberRead::Malformed;
        int n = 0;
        while (digit(pos)) {
            n = n * 10 + (text[pos++] - '0');
            if (n > kExponentCap) n = kExponentCap;
        }
        // Repeated multiplication, not pow(), so that 1.5e2 is exactly 1.5*10*10.
        const double factor = negative ? 0.1 : 10.0;
        for (int i = 0; i < n && value != 0 && !std::isinf(value); ++i) value *= factor;
    }
    return NumberRead::Ok;
}

void CExpEval::ResolveSigns() {
    size_t i = 0;
    while (i < m_tokens.size()) {
        CExpToken& t = m_tokens[i];
        const bool isSign = t.kind == CExpToken::BinaryOp && (t.cls == CExpToken::Plus || t.cls == CExpToken::Minus);
        const bool signPlace = i == 0 || m_tokens[i - 1].cls == CExpToken::Open || m_tokens[i - 1].cls == CExpToken::Power;
        if (isSign && signPlace) {
            if (t.cls == CExpToken::Plus) {
                m_tokens.erase(m_tokens.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
            t.kind = CExpToken::UnaryMinus;
            t.cls = CExpToken::Negate;
            i += 3;
            continue;
        }
        ++i;
    }
}

}  // namespace dulo
