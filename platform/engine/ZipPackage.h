#pragma once
// The parts of a zip package (OOXML), read through libgsf's zip reader
// (opened on first use, platform/gsf/GsfLib.h).
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

typedef struct _GsfInfile GsfInfile;
namespace dulo::gsf {
struct Api;
}

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
    // missing, unreadable, inflates beyond maxBytes or claims more than the
    // archive's bytes can inflate to.
    static constexpr size_t kMaxPartBytes = size_t(1) << 30;
    bool Read(std::string_view partName, std::string& bytes, size_t maxBytes = kMaxPartBytes) const;
    // The same, a step of about a megabyte at a time as it is inflated: onStep
    // gets each step (valid during the call) and the size the archive claims
    // for the part, and returns false to stop the read. False as Read is, or
    // when onStep stopped it.
    using OnStep = std::function<bool(std::string_view step, uint64_t claimed)>;
    bool ReadSteps(std::string_view partName, size_t maxBytes, const OnStep& onStep) const;

    // Deflate turns at most 258 bytes into 2 bits, about 1032 to 1.
    static constexpr uint64_t kMaxInflateRatio = 1032;

private:
    ZipPackage(const gsf::Api& api, GsfInfile* zip, uint64_t archiveBytes)
        : m_api(api), m_zip(zip), m_archiveBytes(archiveBytes) {}
    const gsf::Api& m_api;
    GsfInfile* m_zip;
    uint64_t m_archiveBytes;
};

// Parts read into one tree (workbook, relationships, styles) are small; larger
// ones are damaged or hostile.
constexpr size_t kMaxTreePartBytes = size_t(64) << 20;

struct Relationship {
    std::string target;  // resolved part name
    std::string type;    // last segment of the type URI
};
using Relationships = std::map<std::string, Relationship>;

// The internal relationships of a part ("" for the package's own), by id.
Relationships ReadRelationships(const ZipPackage& zip, std::string_view sourcePart);
// The folder of a part name, with its trailing "/" ("" at the top).
std::string FolderOf(std::string_view part);

// Resolves a relationship target against the folder of its source part.
std::string ResolvePartName(std::string_view sourceFolder, std::string_view target);

}  // namespace dulo::engine
