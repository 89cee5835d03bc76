#include "platform/TextConv.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

namespace dulo {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i]; advances i past it.
char32_t DecodeUtf8(std::string_view text, size_t& i) {
    unsigned char b = static_cast<unsigned char>(text[i++]);
    if (b < 0x80) return b;
    int extra;
    char32_t c;
    char32_t min;
    if ((b & 0xE0) == 0xC0) {
        extra = 1, c = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        extra = 2, c = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        extra = 3, c = b & 0x07, min = 0x10000;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return kReplacement;
        c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    return c;
}

}  // namespace

namespace {

bool IsAscii(std::string_view text) {
    for (char ch : text)
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    return true;
}

// The UTF-16 length of text, each malformed sequence one U+FFFD.
size_t Utf16Length(std::string_view text) {
    size_t units = 0;
    for (size_t i = 0; i < text.size();) units += DecodeUtf8(text, i) >= 0x10000 ? 2 : 1;
    return units;
}

// Writes the Utf16Length(text) units of text to out.
void WriteUtf16(std::string_view text, char16_t* out) {
    for (size_t i = 0; i < text.size();) {
        char32_t c = DecodeUtf8(text, i);
        if (c >= 0x10000) {
            c -= 0x10000;
            *out++ = char16_t(0xD800 + (c >> 10));
            *out++ = char16_t(0xDC00 + (c & 0x3FF));
        } else {
            *out++ = char16_t(c);
        }
    }
}

// Texts are mostly ASCII, where a byte is a unit and one pass does.
size_t Utf16LengthOf(std::string_view text, bool ascii) { return ascii ? text.size() : Utf16Length(text); }

void WriteUtf16Of(std::string_view text, bool ascii, char16_t* out) {
    if (ascii) std::copy(text.begin(), text.end(), out);
    else WriteUtf16(text, out);
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    bool ascii = IsAscii(text);
    std::u16string out(Utf16LengthOf(text, ascii), u'\0');
    WriteUtf16Of(text, ascii, out.data());
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

BSTR BstrFromUtf8(std::string_view text) {
    // Decoded straight into the BSTR: one allocation per text.
    bool ascii = IsAscii(text);
    size_t units = Utf16LengthOf(text, ascii);
    if (units > UINT32_MAX) return nullptr;
    BSTR bstr = SysAllocStringLen(nullptr, UINT(units));
    if (bstr) WriteUtf16Of(text, ascii, bstr);
    return bstr;
}

std::string Utf8FromBstr(BSTR bstr) {
    if (!bstr) return {};
    return Utf16ToUtf8(std::u16string_view(bstr, SysStringLen(bstr)));
}

std::string ToUtf8FromCodepage(std::string_view bytes, int codepage) {
    if (IsAscii(bytes)) return std::string(bytes);
    if (codepage == 65001) {
        std::string out;
        for (size_t i = 0; i < bytes.size();) AppendUtf8(out, DecodeUtf8(bytes, i));
        return out;
    }
    std::string name;
    switch (codepage) {
        case 367: name = "ASCII"; break;
        case 1200: name = "UTF-16LE"; break;
        case 10000: name = "MACINTOSH"; break;
        case 32768: name = "MACINTOSH"; break;  // the Apple Roman code page of old Mac workbooks
        case 32769: name = "CP1252"; break;
        default: name = "CP" + std::to_string(codepage > 0 ? codepage : 1252); break;
    }
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == (iconv_t)-1) cd = iconv_open("UTF-8", "CP1252");
    if (cd == (iconv_t)-1) return std::string(bytes);
    std::string out;
    out.resize(bytes.size() * 4 + 4);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char* dst = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) != (size_t)-1) break;
        if (errno == E2BIG) break;  // cannot happen: 4 bytes per input byte is enough
        // An unmapped or broken byte: mark it and go on with the rest.
        ++in, --inLeft;
        if (outLeft >= 3) {
            *dst++ = char(0xEF), *dst++ = char(0xBF), *dst++ = char(0xBD);
            outLeft -= 3;
        }
    }
    out.resize(out.size() - outLeft);
    iconv_close(cd);
    return out;
}

CSingleByteDecoder::CSingleByteDecoder(int codepage) : m_codepage(codepage) {
    std::string name = "CP" + std::to_string(codepage);
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    for (int b = 0x80; b <= 0xFF; ++b) {
        std::array<char, 4>& entry = m_high[size_t(b - 0x80)];
        char in = char(b);
        char out[8];
        char* src = &in;
        char* dst = out;
        size_t inLeft = 1, outLeft = sizeof out;
        size_t length = 0;
        if (cd != (iconv_t)-1) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &src, &inLeft, &dst, &outLeft) != (size_t)-1 && inLeft == 0) length = sizeof out - outLeft;
        }
        if (length == 0 || length > 3) {
            // Unmapped (or not a character of the Basic Multilingual Plane, which no such page holds).
            out[0] = char(0xEF), out[1] = char(0xBF), out[2] = char(0xBD);
            length = 3;
        }
        entry[0] = char(length);
        for (size_t i = 0; i < length; ++i) entry[i + 1] = out[i];
    }
    if (cd != (iconv_t)-1) iconv_close(cd);
}

void CSingleByteDecoder::AppendUtf8(std::string& out, std::string_view bytes) const {
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) continue;
        out.append(bytes.data() + start, i - start);
        const std::array<char, 4>& entry = m_high[b - 0x80u];
        out.append(entry.data() + 1, size_t(entry[0]));
        start = i + 1;
    }
    out.append(bytes.data() + start, bytes.size() - start);
}

void CopyUtf8(char* buffer, size_t size, std::string_view text) {
    if (!buffer || size == 0) return;
    size_t n = std::min(text.size(), size - 1);
    if (n < text.size())
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    if (n > 0) std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

size_t Utf8WholeLength(const char* text, size_t length) {
    size_t start = length;
    while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80 && length - start < 3) --start;
    if (start == 0) return length;
    unsigned char lead = static_cast<unsigned char>(text[start - 1]);
    size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    size_t have = length - (start - 1);
    return lead >= 0xC0 && have < need ? start - 1 : length;
}

}  // namespace dulo
