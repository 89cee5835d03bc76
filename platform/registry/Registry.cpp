#include "platform/registry/Registry.h"

#include <cstdlib>
#include <fstream>
#include <strings.h>

namespace dulo {

namespace {

std::string_view Trim(std::string_view s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::string_view WithoutTrailingBackslashes(std::string_view s) {
    while (!s.empty() && (s.back() == '\\' || s.back() == '/')) s.remove_suffix(1);
    return s;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Key paths may be written with "/" too; they compare as if written with "\".
bool SameKey(std::string_view a, std::string_view b) {
    a = WithoutTrailingBackslashes(a);
    b = WithoutTrailingBackslashes(b);
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i] == '/' ? '\\' : a[i];
        char y = b[i] == '/' ? '\\' : b[i];
        if (x != y && strncasecmp(&x, &y, 1) != 0) return false;
    }
    return true;
}

}  // namespace

std::string RegistryFilePath() {
    if (const char* path = std::getenv("DULO_REGISTRY"); path && *path) return path;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/dulo/registry.ini";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config/dulo/registry.ini";
    return {};
}

std::optional<std::string> ReadRegistryString(std::string_view key, std::string_view name) {
    const std::string path = RegistryFilePath();
    if (path.empty()) return std::nullopt;
    std::ifstream in(path);
    if (!in) return std::nullopt;
    std::string line;
    bool inKey = false;
    while (std::getline(in, line)) {
        std::string_view text = Trim(line);
        if (text.empty() || text[0] == ';' || text[0] == '#') continue;
        if (text.front() == '[') {
            inKey = text.back() == ']' && SameKey(text.substr(1, text.size() - 2), key);
            continue;
        }
        if (!inKey) continue;
        size_t eq = text.find('=');
        if (eq == std::string_view::npos || !SameText(Trim(text.substr(0, eq)), name)) continue;
        std::string_view value = Trim(text.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return std::nullopt;
}

bool RegistryKeyExists(std::string_view key) {
    const std::string path = RegistryFilePath();
    if (path.empty()) return false;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::string_view text = Trim(line);
        if (text.size() >= 2 && text.front() == '[' && text.back() == ']' &&
            SameKey(text.substr(1, text.size() - 2), key))
            return true;
    }
    return false;
}

}  // namespace dulo
