#pragma once
// The parts of a zip package (OOXML), read through libgsf's zip reader.
#include <memory>
#include <string>
#include <string_view>

typedef struct _GsfInfile GsfInfile;

namespace dulo::engine {

class ZipPackage {
public:
    // Null when the file is not a readable zip archive.
    static std::unique_ptr<ZipPackage> Open(const std::string& path);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    // Reads a part by its name ("xl/workbook.xml", no leading "/"), compared
    // without regard to case as the application does. False when the part is
    // missing, unreadable or inflates beyond maxBytes.
    static constexpr size_t kMaxPartBytes = size_t(1) << 30;
    bool Read(std::string_view partName, std::string& bytes, size_t maxBytes = kMaxPartBytes) const;

private:
    explicit ZipPackage(GsfInfile* zip) : m_zip(zip) {}
    GsfInfile* m_zip;
};

// Resolves a relationship target against the folder of its source part.
std::string ResolvePartName(std::string_view sourceFolder, std::string_view target);

}  // namespace dulo::engine
