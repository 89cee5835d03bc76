#include "sources/WorkbookCache.h"

#include "sources/workbook/WksIO.h"

#include <strings.h>
#include <sys/stat.h>

#include <memory>

namespace dulo::WorkbookCache {

namespace {

struct Entry {
    std::shared_ptr<TWksIO> workbook;
    std::string path;
};

// Never destroyed: like the library it stands for, the cache is not closed at
// unload (CleanUpTableRead does that), and a workbook read through the
// spreadsheet application must not outlive the application at exit.
Entry& TheEntry() {
    static Entry* entry = new Entry;
    return *entry;
}

// Windows compares these paths without regard to case; here two spellings
// only count as one when they also reach the same file.
bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    if (a.size() != b.size() || strcasecmp(a.c_str(), b.c_str()) != 0) return false;
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool KeepsOpen(const TWksIO& workbook) {
    int kind = workbook.GetKind();
    return kind == WKS_KIND_BIFF5 || kind == WKS_KIND_APPLICATION || kind == WKS_KIND_FORCED;
}

}  // namespace

std::shared_ptr<TWksIO> Lookup(const std::string& path, const std::string& sheet) {
    Entry& e = TheEntry();
    if (e.workbook && !sheet.empty() && SameFile(path, e.path)) return e.workbook;
    Empty();
    return nullptr;
}

bool Register(const std::shared_ptr<TWksIO>& workbook, const std::string& path, const std::string& sheet) {
    Entry& e = TheEntry();
    if (workbook && !sheet.empty() && KeepsOpen(*workbook)) {
        e.workbook = workbook;
        e.path = path;
        return true;
    }
    Empty();
    return false;
}

void Empty() {
    Entry& e = TheEntry();
    e.workbook.reset();
    e.path.clear();
}

bool Holds(const TWksIO* workbook) { return workbook && TheEntry().workbook.get() == workbook; }

TWksIO* Cached() { return TheEntry().workbook.get(); }

const std::string& CachedPath() { return TheEntry().path; }

}  // namespace dulo::WorkbookCache
