#include "platform/PathCase.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace dulo {
namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// The only entry of directory named like name without regard to case, or empty.
std::string FindEntryIgnoringCase(const std::string& directory, const std::string& name) {
    DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return {};
    std::string match;
    int matches = 0;
    while (dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
            match = entry->d_name;
            ++matches;
        }
    }
    ::closedir(dir);
    return matches == 1 ? match : std::string();
}

}  // namespace

std::string ResolvePathCase(const std::string& path) {
    if (path.empty() || Exists(path)) return path;
    size_t slash = path.find_last_of('/');
    std::string parent = slash == std::string::npos ? std::string() : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return path;
    std::string resolvedParent = parent;
    if (!parent.empty() && !Exists(parent)) {
        resolvedParent = ResolvePathCase(parent);
        if (!Exists(resolvedParent)) return path;
    }
    std::string entry = FindEntryIgnoringCase(slash == 0 ? "/" : resolvedParent, name);
    if (entry.empty()) return path;
    return slash == std::string::npos ? entry : resolvedParent + "/" + entry;
}

}  // namespace dulo
