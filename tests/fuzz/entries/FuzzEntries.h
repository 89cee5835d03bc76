#pragma once
// The entries of the fuzz targets. Each takes one input, feeds it to one reader
// the way a caller would reach it, frees every result and returns what the
// reader made of it. The fuzz targets and the regression test share them, so a
// saved input goes through exactly the code that found it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fuzz {

// What a reader made of an input.
enum Outcome : int {
    kRefused = 0,   // the input was turned down
    kAccepted = 1,  // the input was read (possibly as empty)
};

using EntryFn = int (*)(const uint8_t* data, size_t size);

struct Target {
    const char* name;
    EntryFn entry;
    const char* about;
};

// Every target, in the order make fuzz runs them. A reader that lands adds its
// entry here and its name to tests/fuzz/CMakeLists.txt.
const std::vector<Target>& Targets();
const Target* FindTarget(const std::string& name);

// A fresh directory of this process, removed at exit.
const std::string& WorkDirectory();

// The fixed valid containers the record and part targets mutate inside.
std::vector<uint8_t> CompoundDocument(const std::vector<uint8_t>& workbookStream);
// The Workbook stream of a compound document file; empty when there is none.
std::vector<uint8_t> ReadWorkbookStream(const std::string& path);
// The parts of the fixed package; the part at index is replaced by the input.
extern const char* const kXlsxPartNames[];
extern const size_t kXlsxPartCount;
std::string XlsxFixedPart(size_t part);
std::vector<uint8_t> XlsxPackage(size_t replacedPart, const std::string& partText);
extern const char* const kOdsPartNames[];
extern const size_t kOdsPartCount;
std::string OdsFixedPart(size_t part);
std::vector<uint8_t> OdsPackage(size_t replacedPart, const std::string& partText);
// A zip archive of these members, stored uncompressed, in this order.
std::vector<uint8_t> StoredZip(const std::vector<std::pair<std::string, std::string>>& members);

// The extdata target: its first byte picks one of these versions, whose layout
// the rest is read in.
extern const char* const kDataFileVersions[];
extern const size_t kDataFileVersionCount;
// A data file (with its version byte) holding a record for every block the
// target makes, in the layout of that version.
std::vector<uint8_t> ExternalDataFile(size_t version);

}  // namespace fuzz
