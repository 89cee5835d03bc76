#include "sources/workbook/SheetNameFolding.h"

#include "platform/TextConv.h"

char16_t FoldSheetNameCase(char16_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 32) : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x138 && c != 0x149) {
        bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        return static_cast<char16_t>(oddPairs ? (c % 2 == 1 ? c + 1 : c) : (c % 2 == 0 ? c + 1 : c));
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
    if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    return c;
}

bool SameSheetName(const std::string& a, const std::string& b) {
    std::u16string x = dulo::Utf8ToUtf16(a), y = dulo::Utf8ToUtf16(b);
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i)
        if (FoldSheetNameCase(x[i]) != FoldSheetNameCase(y[i])) return false;
    return true;
}
