#include "sources/workbook/BiffFormat.h"

namespace dulo::biff {

int WidthFromUnits(uint16_t units) { return (units & 0xFF) > 73 ? (units >> 8) + 1 : (units >> 8); }

int ClassifyFormatText(std::string_view text) {
    int flags = 0;
    bool inBrackets = false;
    bool inQuotes = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inQuotes) {
            inQuotes = c != '"';
            continue;
        }
        if (inBrackets) {
            inBrackets = c != ']';
            continue;
        }
        switch (c) {
            case '[': inBrackets = true; break;
            // Quoted text, an escaped character and the character after a
            // padding or fill code are literal, not date or time letters.
            case '"': inQuotes = true; break;
            case '\\':
            case '_':
            case '*': ++i; break;
            case 'd': case 'D': case 'y': case 'Y': flags |= 0x100; break;
            case 'h': case 'H': case 's': case 'S': flags |= 0x200; break;
            default: break;
        }
    }
    return flags;
}

std::string_view BuiltinFormatCode(int formatIndex) {
    static constexpr std::string_view kCodes[23] = {"G",  "F0", "F2", ",0", ",2", "C0", "C0-", "C2",
                                                    "C2-", "P0", "P2", "S2", "G",  "G",  "D4",  "D1",
                                                    "D2", "D3", "D7", "D6", "D9", "D8", "D4"};
    if (formatIndex < 0 || formatIndex >= 23) return "G";
    return kCodes[formatIndex];
}

int ClassifyBuiltinCode(std::string_view code) {
    if (code.size() != 2 || code[0] != 'D') return 0;
    if (code[1] >= '1' && code[1] <= '4') return 0x100;
    if (code[1] >= '6' && code[1] <= '9') return 0x200;
    return 0;
}

}  // namespace dulo::biff
