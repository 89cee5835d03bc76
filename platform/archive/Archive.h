#pragma once
// The little-endian value archive: descriptions and the external-model data
// files are read and written through it. Loading works over an owned byte
// buffer, storing appends to one; every read is checked against the bytes
// that remain, and a short or malformed archive raises CArchiveException.
#include "platform/OleDateTime.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class CArchiveException : public std::runtime_error {
public:
    enum Cause { generic = 1, readOnly = 2, endOfFile = 3, writeOnly = 4, badIndex = 5 };

    CArchiveException(Cause cause, const std::string& text) : std::runtime_error(text), m_cause(cause) {}

    Cause m_cause;
};

class CArchive {
public:
    enum Mode { store = 0, load = 1 };

    // A storing archive that starts empty.
    CArchive();
    // A loading archive over these bytes.
    explicit CArchive(std::vector<unsigned char> bytes);
    CArchive(const void* data, size_t size);

    // Reads a whole file into bytes; on failure returns false and sets *error to errno.
    static bool ReadFileBytes(const std::string& path, std::vector<unsigned char>& bytes, int* error = nullptr);
    // Writes what a storing archive holds; false when the file cannot be written.
    bool WriteToFile(const std::string& path) const;

    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }
    size_t GetPosition() const { return m_pos; }
    size_t GetRemaining() const { return m_bytes.size() - m_pos; }
    const std::vector<unsigned char>& GetBuffer() const { return m_bytes; }

    // Loading. Any non-zero byte reads as true.
    bool ReadBool();
    uint8_t ReadByte();
    int16_t ReadShort();
    uint16_t ReadWord();
    int32_t ReadLong();
    uint32_t ReadDWord();
    double ReadDouble();
    // A length-prefixed text; 16-bit texts come back as UTF-8, 8-bit texts as
    // they are when they are valid UTF-8, otherwise from code page 1252.
    std::string ReadString();
    // A list count: 16-bit, or 0xFFFF and a 32-bit count.
    uint32_t ReadCount();
    std::vector<double> ReadDoubleList();
    std::vector<std::string> ReadStringList();
    // A date value: the status as a 32-bit number, then the OLE date.
    COleDateTime ReadDate();

    // Storing.
    void WriteBool(bool value);
    void WriteByte(uint8_t value);
    void WriteShort(int16_t value);
    void WriteWord(uint16_t value);
    void WriteLong(int32_t value);
    void WriteDWord(uint32_t value);
    void WriteDouble(double value);
    // ASCII texts are stored as 8-bit text; anything else as marked UTF-16 so
    // that no reader has to guess the code page.
    void WriteString(std::string_view text);
    void WriteStringUtf16(std::u16string_view text);
    void WriteCount(uint32_t count);
    void WriteDoubleList(const std::vector<double>& values);
    void WriteStringList(const std::vector<std::string>& values);
    void WriteDate(const COleDateTime& value);

    // Either direction, so that one Serialize body reads and writes in the same order.
    void Exchange(bool& value);
    void Exchange(int32_t& value);
    void Exchange(double& value);
    void Exchange(std::string& value);
    void Exchange(std::vector<double>& values);
    void Exchange(std::vector<std::string>& values);
    void Exchange(COleDateTime& value);

private:
    const unsigned char* Take(size_t n);
    void Put(const void* data, size_t n);
    void WriteLength(uint32_t length);
    uint32_t ReadLength(bool& utf16);
    void RequireLoading() const;
    void RequireStoring() const;

    Mode m_mode;
    std::vector<unsigned char> m_bytes;
    size_t m_pos = 0;
};
