#include "interface/ModelPaths.h"

#include "platform/PathCase.h"

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

std::string ModelFilePath(std::string_view directory, std::string_view file) {
    return ResolvePathCase(JoinModelPath(directory, file));
}

std::string CallerFilePath(std::string_view path) { return ResolvePathCase(Slashed(path)); }

}  // namespace dulo
