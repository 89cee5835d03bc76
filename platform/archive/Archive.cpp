// The archive encoding: little-endian numbers, texts with a 1-, 3- or 7-byte
// length prefix (0xFF escapes), and 0xFF 0xFFFE in front of UTF-16 texts.
#include "platform/archive/Archive.h"

#include "platform/TextConv.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr uint16_t kUtf16Marker = 0xFFFE;
constexpr uint16_t kLongLength = 0xFFFF;

// True when text is well-formed UTF-8 (no overlongs, surrogates or values past U+10FFFF).
bool IsUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t extra;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

bool IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

[[noreturn]] void ThrowEnd() {
    throw CArchiveException(CArchiveException::endOfFile, "The archive ends before the value being read.");
}

}  // namespace

CArchive::CArchive() : m_mode(store) {}

CArchive::CArchive(std::vector<unsigned char> bytes) : m_mode(load), m_bytes(std::move(bytes)) {}

CArchive::CArchive(const void* data, size_t size)
    : m_mode(load),
      m_bytes(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + size) {}

bool CArchive::ReadFileBytes(const std::string& path, std::vector<unsigned char>& bytes, int* error) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = errno ? errno : ENOENT;
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        if (error) *error = errno ? errno : EIO;
        return false;
    }
    return true;
}

bool CArchive::WriteToFile(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(m_bytes.data()), std::streamsize(m_bytes.size()));
    return bool(out);
}

void CArchive::RequireLoading() const {
    if (!IsLoading()) throw CArchiveException(CArchiveException::writeOnly, "The archive is open for writing.");
}

void CArchive::RequireStoring() const {
    if (!IsStoring()) throw CArchiveException(CArchiveException::readOnly, "The archive is open for reading.");
}

const unsigned char* CArchive::Take(size_t n) {
    RequireLoading();
    if (n > GetRemaining()) ThrowEnd();
    const unsigned char* p = m_bytes.data() + m_pos;
    m_pos += n;
    return p;
}

void CArchive::Put(const void* data, size_t n) {
    RequireStoring();
    const unsigned char* p = static_cast<const unsigned char*>(data);
    m_bytes.insert(m_bytes.end(), p, p + n);
}

bool CArchive::ReadBool() { return *Take(1) != 0; }
uint8_t CArchive::ReadByte() { return *Take(1); }

uint16_t CArchive::ReadWord() {
    const unsigned char* p = Take(2);
    return uint16_t(p[0] | (p[1] << 8));
}

int16_t CArchive::ReadShort() { return int16_t(ReadWord()); }

uint32_t CArchive::ReadDWord() {
    const unsigned char* p = Take(4);
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

int32_t CArchive::ReadLong() { return int32_t(ReadDWord()); }

double CArchive::ReadDouble() {
    const unsigned char* p = Take(8);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t CArchive::ReadLength(bool& utf16) {
    utf16 = false;
    uint8_t b = ReadByte();
    if (b < 0xFF) return b;
    uint16_t w = ReadWord();
    if (w == kUtf16Marker) {
        utf16 = true;
        // The character count follows in the same scheme; a second marker is malformed.
        b = ReadByte();
        if (b < 0xFF) return b;
        w = ReadWord();
        if (w == kUtf16Marker)
            throw CArchiveException(CArchiveException::generic, "The archive holds a malformed text length.");
    }
    if (w < kLongLength) return w;
    return ReadDWord();
}

std::string CArchive::ReadString() {
    bool utf16;
    uint32_t length = ReadLength(utf16);
    if (utf16) {
        if (length > GetRemaining() / 2) ThrowEnd();
        const unsigned char* p = Take(size_t(length) * 2);
        std::u16string text(length, u'\0');
        for (uint32_t i = 0; i < length; ++i) text[i] = char16_t(p[2 * i] | (p[2 * i + 1] << 8));
        return dulo::Utf16ToUtf8(text);
    }
    const unsigned char* p = Take(length);
    std::string text(reinterpret_cast<const char*>(p), length);
    if (!IsUtf8(text)) return dulo::ToUtf8FromCodepage(text, 1252);
    return text;
}

uint32_t CArchive::ReadCount() {
    uint16_t w = ReadWord();
    if (w != kLongLength) return w;
    return ReadDWord();
}

std::vector<double> CArchive::ReadDoubleList() {
    uint32_t count = ReadCount();
    if (count > GetRemaining() / 8) ThrowEnd();
    std::vector<double> values(count);
    for (auto& v : values) v = ReadDouble();
    return values;
}

std::vector<std::string> CArchive::ReadStringList() {
    uint32_t count = ReadCount();
    // Every text takes at least its one-byte length.
    if (count > GetRemaining()) ThrowEnd();
    std::vector<std::string> values;
    values.reserve(count);
    for (uint32_t i = 0; i < count; ++i) values.push_back(ReadString());
    return values;
}

COleDateTime CArchive::ReadDate() {
    COleDateTime value;
    value.m_status = ReadLong();
    value.m_dt = ReadDouble();
    return value;
}

void CArchive::WriteBool(bool value) { WriteByte(value ? 1 : 0); }
void CArchive::WriteByte(uint8_t value) { Put(&value, 1); }

void CArchive::WriteWord(uint16_t value) {
    unsigned char b[2] = {uint8_t(value), uint8_t(value >> 8)};
    Put(b, 2);
}

void CArchive::WriteShort(int16_t value) { WriteWord(uint16_t(value)); }

void CArchive::WriteDWord(uint32_t value) {
    unsigned char b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    Put(b, 4);
}

void CArchive::WriteLong(int32_t value) { WriteDWord(uint32_t(value)); }

void CArchive::WriteDouble(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    unsigned char b[8];
    for (int i = 0; i < 8; ++i) b[i] = uint8_t(bits >> (8 * i));
    Put(b, 8);
}

void CArchive::WriteLength(uint32_t length) {
    if (length < 0xFF) {
        WriteByte(uint8_t(length));
    } else if (length < kUtf16Marker) {
        WriteByte(0xFF);
        WriteWord(uint16_t(length));
    } else {
        WriteByte(0xFF);
        WriteWord(kLongLength);
        WriteDWord(length);
    }
}

void CArchive::WriteString(std::string_view text) {
    RequireStoring();
    if (!IsAscii(text)) {
        WriteStringUtf16(dulo::Utf8ToUtf16(text));
        return;
    }
    if (text.size() > UINT32_MAX)
        throw CArchiveException(CArchiveException::generic, "A text is too long for the archive.");
    WriteLength(uint32_t(text.size()));
    Put(text.data(), text.size());
}

void CArchive::WriteStringUtf16(std::u16string_view text) {
    RequireStoring();
    if (text.size() > UINT32_MAX)
        throw CArchiveException(CArchiveException::generic, "A text is too long for the archive.");
    WriteByte(0xFF);
    WriteWord(kUtf16Marker);
    WriteLength(uint32_t(text.size()));
    for (char16_t c : text) WriteWord(uint16_t(c));
}

void CArchive::WriteCount(uint32_t count) {
    if (count < kLongLength) {
        WriteWord(uint16_t(count));
    } else {
        WriteWord(kLongLength);
        WriteDWord(count);
    }
}

void CArchive::WriteDoubleList(const std::vector<double>& values) {
    if (values.size() > UINT32_MAX)
        throw CArchiveException(CArchiveException::generic, "A list is too long for the archive.");
    WriteCount(uint32_t(values.size()));
    for (double v : values) WriteDouble(v);
}

void CArchive::WriteStringList(const std::vector<std::string>& values) {
    if (values.size() > UINT32_MAX)
        throw CArchiveException(CArchiveException::generic, "A list is too long for the archive.");
    WriteCount(uint32_t(values.size()));
    for (const auto& v : values) WriteString(v);
}

void CArchive::WriteDate(const COleDateTime& value) {
    WriteLong(value.m_status);
    WriteDouble(value.m_dt);
}

void CArchive::Exchange(bool& value) {
    if (IsLoading()) value = ReadBool();
    else WriteBool(value);
}

void CArchive::Exchange(int32_t& value) {
    if (IsLoading()) value = ReadLong();
    else WriteLong(value);
}

void CArchive::Exchange(double& value) {
    if (IsLoading()) value = ReadDouble();
    else WriteDouble(value);
}

void CArchive::Exchange(std::string& value) {
    if (IsLoading()) value = ReadString();
    else WriteString(value);
}

void CArchive::Exchange(std::vector<double>& values) {
    if (IsLoading()) values = ReadDoubleList();
    else WriteDoubleList(values);
}

void CArchive::Exchange(std::vector<std::string>& values) {
    if (IsLoading()) values = ReadStringList();
    else WriteStringList(values);
}

void CArchive::Exchange(COleDateTime& value) {
    if (IsLoading()) value = ReadDate();
    else WriteDate(value);
}
