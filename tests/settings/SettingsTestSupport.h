#pragma once
// Helpers of the settings tests: a scratch directory, model files, the numeric locale.
#include <clocale>
#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class ScratchDir {
public:
    ScratchDir() {
        char templ[] = "/tmp/dulo-settings-XXXXXX";
        const char* made = ::mkdtemp(templ);
        m_path = made ? made : "";
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string File(std::string_view name) const { return m_path + "/" + std::string(name); }
    std::string Write(std::string_view name, std::string_view bytes) const {
        std::string path = File(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

private:
    std::string m_path;
};

// A model file whose Settings element holds the given (name, value) pairs.
inline std::string ModelFileText(const std::vector<std::pair<std::string, std::string>>& settings) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- written by a test -->\n<DuloConfiguration>\n"
                       "  <Version>12.1.0</Version>\n  <Tables/>\n  <Settings>\n";
    for (const auto& [name, value] : settings)
        text += "    <Setting><Name>" + name + "</Name><Value>" + value + "</Value><Type>x</Type></Setting>\n";
    text += "  </Settings>\n  <Servers/>\n</DuloConfiguration>\n";
    return text;
}

inline std::string CurrentNumericLocale() {
    const char* name = std::setlocale(LC_NUMERIC, nullptr);
    return name ? name : "";
}

// Restores the numeric locale of the test process when a test ends.
class NumericLocaleRestorer {
public:
    NumericLocaleRestorer() : m_saved(CurrentNumericLocale()) {}
    ~NumericLocaleRestorer() { std::setlocale(LC_NUMERIC, m_saved.c_str()); }

private:
    std::string m_saved;
};

inline constexpr const char* kCommaLocale = "de_DE.UTF-8";
