#pragma once
// A fresh directory under /tmp, removed with everything in it at the end of the test.
#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>
#include <string_view>

class TempDir {
public:
    TempDir() {
        char templ[] = "/tmp/dulo-xml-XXXXXX";
        const char* made = ::mkdtemp(templ);
        m_path = made != nullptr ? made : "";
    }
    ~TempDir() {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(std::string_view name) const { return m_path + "/" + std::string(name); }
    std::string Write(std::string_view name, std::string_view bytes) const {
        std::string path = File(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

private:
    std::string m_path;
};
