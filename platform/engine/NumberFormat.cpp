#include "platform/engine/NumberFormat.h"

namespace dulo::engine {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Currency symbols as UTF-8: $, the pound, yen and euro signs, and a few more
// that locale formats write outside a "[$...]" section.
bool CurrencySymbolAt(std::string_view s, size_t i) {
    static constexpr std::string_view kSymbols[] = {"$", "\xC2\xA3", "\xC2\xA5", "\xE2\x82\xAC", "\xE2\x82\xB9",
                                                    "\xE2\x82\xBD", "\xE2\x82\xA9", "\xE2\x82\xAA"};
    for (std::string_view sym : kSymbols)
        if (StartsWith(s.substr(i), sym)) return true;
    return false;
}

// A bracketed section: "[$sym-lcid]" names a currency when sym is not empty;
// "[h]", "[mm]", "[ss]" are elapsed times.
void ClassifyBracket(std::string_view inner, bool& currency, bool& dateLetter) {
    if (!inner.empty() && inner[0] == '$') {
        std::string_view sym = inner.substr(1, inner.find('-') == std::string_view::npos ? inner.size() - 1
                                                                                          : inner.find('-') - 1);
        if (!sym.empty()) currency = true;
        return;
    }
    if (inner.empty()) return;
    for (char c : inner) {
        char l = static_cast<char>(c | 0x20);
        if (l != 'h' && l != 'm' && l != 's') return;
    }
    dateLetter = true;
}

}  // namespace

NumberClass ClassifyFormatCode(std::string_view code) {
    bool dateLetter = false;
    bool currency = false;
    for (size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        switch (c) {
        case '"': {
            size_t end = code.find('"', i + 1);
            std::string_view quoted = code.substr(i + 1, end == std::string_view::npos ? std::string_view::npos
                                                                                         : end - i - 1);
            for (size_t k = 0; k < quoted.size(); ++k)
                if (CurrencySymbolAt(quoted, k)) currency = true;
            if (end == std::string_view::npos) i = code.size();
            else i = end;
            break;
        }
        case '[': {
            size_t end = code.find(']', i + 1);
            if (end == std::string_view::npos) {
                i = code.size();
                break;
            }
            ClassifyBracket(code.substr(i + 1, end - i - 1), currency, dateLetter);
            i = end;
            break;
        }
        case '\\':
        case '_':
        case '*':
            // The next character is shown, padded or repeated, never interpreted.
            if (i + 1 < code.size() && CurrencySymbolAt(code, i + 1)) currency = true;
            ++i;
            break;
        default: {
            char l = static_cast<char>(c | 0x20);
            if (l == 'd' || l == 'y' || l == 'h' || l == 's') dateLetter = true;
            else if (CurrencySymbolAt(code, i)) currency = true;
            break;
        }
        }
    }
    // "General" holds none of the letters above, so it stays plain.
    if (dateLetter) return NumberClass::Date;
    if (currency) return NumberClass::Currency;
    return NumberClass::Plain;
}

NumberClass ClassifyBuiltinFormat(int id) {
    if ((id >= 14 && id <= 22) || (id >= 45 && id <= 47)) return NumberClass::Date;
    if ((id >= 5 && id <= 8) || id == 42 || id == 44) return NumberClass::Currency;
    return NumberClass::Plain;
}

}  // namespace dulo::engine
