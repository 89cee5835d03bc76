#include "interface/ModelPaths.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace dulo {
namespace {

constexpr size_t kDirectoryBufferSize = 256;

std::string Slashed(std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

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

std::string ReadDirectoryBuffer(const char* directory) {
    if (!directory) return {};
    // strnlen stops at the NUL, so a shorter string is not read past its end.
    std::string text(directory, ::strnlen(directory, kDirectoryBufferSize));
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    return text;
}

std::string JoinModelPath(std::string_view directory, std::string_view file) {
    std::string path = Slashed(directory);
    if (path.empty() || path.back() != '/') path += '/';
    path += Slashed(file);
    return path;
}

bool ReadPackedList(const char* list, int count, std::vector<std::string>& items) {
    items.clear();
    if (count < 0 || (count > 0 && !list)) return false;
    items.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        size_t length = std::strlen(list);
        items.emplace_back(list, length);
        list += length + 1;
    }
    return true;
}

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

std::string ModelFilePath(std::string_view directory, std::string_view file) {
    return ResolvePathCase(JoinModelPath(directory, file));
}

std::string CallerFilePath(std::string_view path) { return ResolvePathCase(Slashed(path)); }

}  // namespace dulo
