#pragma once
// Read-only access to OLE compound documents (structured storage files):
// open the file, find a top-level stream by name, learn its size, read it.
// The implementation sits on libgsf; nothing of it shows here.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dulo::cfb {

enum class CfbStatus {
    Ok = 0,
    NotCompound,   // the file was read but is not a compound document (no signature)
    OpenFailed,    // the file cannot be read, or its compound-document structure is broken
};

class CompoundStream;

class CompoundFile {
public:
    CompoundFile();
    ~CompoundFile();
    CompoundFile(const CompoundFile&) = delete;
    CompoundFile& operator=(const CompoundFile&) = delete;

    CfbStatus Open(const std::string& path);
    void Close();
    bool IsOpen() const;

    // Names of the streams and storages at the top level, in directory order.
    std::vector<std::string> StreamNames() const;
    // The top-level stream of that name (ASCII letters compared without regard
    // to case when ignoreCase); null when there is none.
    std::unique_ptr<CompoundStream> OpenStream(std::string_view name, bool ignoreCase = true) const;

    // Size in bytes of the file on disk; no stream can be larger.
    uint64_t FileSize() const { return m_fileSize; }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    uint64_t m_fileSize = 0;
};

class CompoundStream {
public:
    ~CompoundStream();
    CompoundStream(const CompoundStream&) = delete;
    CompoundStream& operator=(const CompoundStream&) = delete;

    const std::string& Name() const { return m_name; }
    uint64_t Size() const;
    uint64_t Tell() const;
    bool Seek(uint64_t offset);
    // Reads exactly n bytes from the current position; false on a short read.
    bool Read(void* buffer, size_t n);
    // The whole stream from its start. False on a read fault, or when the stream
    // claims more than maxBytes (a damaged directory can claim any size).
    bool ReadAll(std::vector<uint8_t>& out, uint64_t maxBytes);

private:
    friend class CompoundFile;
    struct Impl;
    explicit CompoundStream(std::unique_ptr<Impl> impl, std::string name);
    std::unique_ptr<Impl> m_impl;
    std::string m_name;
};

// ASCII case-insensitive equality, as stream and sheet names are compared.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace dulo::cfb
