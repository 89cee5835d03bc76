#pragma once
// Text at the library's borders: UTF-8 inside, UTF-16 in BSTRs, 8-bit code pages in files.
#include "dulo/oleauto.h"

#include <array>
#include <string>
#include <string_view>

namespace dulo {

// Malformed input becomes U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// A new BSTR (null only when memory runs out); the caller frees it.
BSTR BstrFromUtf8(std::string_view text);
std::string Utf8FromBstr(BSTR bstr);

// Copies UTF-8 text into a caller's buffer of size bytes: at most size - 1
// bytes, never splitting a character, always terminated (nothing for a null
// buffer or a size of 0).
void CopyUtf8(char* buffer, size_t size, std::string_view text);
// The length of text without a character cut off at its end (a text cut to a
// buffer by someone who did not know UTF-8).
size_t Utf8WholeLength(const char* text, size_t length);

// Converts 8-bit text in a Windows code page (1252, 437, 850, ...) to UTF-8.
// Code page 65001 is UTF-8 already; bytes that do not convert become U+FFFD.
std::string ToUtf8FromCodepage(std::string_view bytes, int codepage);

// A single-byte code page (437, 850, 1252, ...) decoded through a table that
// iconv fills once, for text read field by field. Bytes below 0x80 are ASCII;
// a byte the code page does not map becomes U+FFFD.
class CSingleByteDecoder {
public:
    explicit CSingleByteDecoder(int codepage);
    int GetCodepage() const { return m_codepage; }
    // Appends the UTF-8 form of bytes to out.
    void AppendUtf8(std::string& out, std::string_view bytes) const;

private:
    int m_codepage;
    // Bytes 0x80..0xFF: length, then up to three bytes of UTF-8.
    std::array<std::array<char, 4>, 128> m_high{};
};

}  // namespace dulo
