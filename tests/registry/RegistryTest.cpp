// Registry values from the registry file: where the file is found, how keys,
// value names, comments and values are read.
#include "platform/registry/Registry.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("dulo-registry-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        for (const char* name : {"DULO_REGISTRY", "XDG_CONFIG_HOME", "HOME"}) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved) {
            if (value) setenv(name.c_str(), value->c_str(), 1);
            else unsetenv(name.c_str());
        }
        fs::remove_all(dir);
    }
    void Use(const std::string& text) {
        std::ofstream(dir / "registry.ini") << text;
        setenv("DULO_REGISTRY", (dir / "registry.ini").c_str(), 1);
    }

    fs::path dir;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

TEST_F(RegistryTest, KeysNamesCommentsAndValues) {
    Use("; comment\n"
        "# another\n"
        "[HKLM\\SOFTWARE\\Vendor\\Tool\\38.0]\n"
        "zefttop=/opt/zeft/\n"
        "  Spaced  =  with blanks  \n"
        "Quoted=\"  kept  \"\n"
        "Empty=\n"
        ";Commented=yes\n"
        "NoEquals\n"
        "[HKLM\\SOFTWARE\\Vendor\\Other\\]\n"
        "zefttop=other\n"
        "Equals=a=b\n"
        "[HKLM\\SOFTWARE\\Vendor\n"  // never closed: no key
        "Broken=1\n");
    struct Case {
        const char* key;
        const char* name;
        std::optional<std::string> value;
    } cases[] = {
        {"HKLM\\SOFTWARE\\Vendor\\Tool\\38.0", "zefttop", "/opt/zeft/"},
        {"hklm\\software\\vendor\\tool\\38.0\\", "ZEFTTOP", "/opt/zeft/"},  // case and trailing backslash
        {"HKLM\\SOFTWARE\\Vendor\\Tool\\38.0", "Spaced", "with blanks"},
        {"HKLM\\SOFTWARE\\Vendor\\Tool\\38.0", "Quoted", "  kept  "},
        {"HKLM\\SOFTWARE\\Vendor\\Tool\\38.0", "Empty", ""},
        {"HKLM\\SOFTWARE\\Vendor\\Tool\\38.0", "Commented", std::nullopt},
        {"HKLM\\SOFTWARE\\Vendor\\Tool\\38.0", "NoEquals", std::nullopt},
        {"HKLM\\SOFTWARE\\Vendor\\Tool", "zefttop", std::nullopt},  // a parent key is another key
        {"HKLM\\SOFTWARE\\Vendor\\Other", "zefttop", "other"},
        {"HKLM\\SOFTWARE\\Vendor\\Other", "Equals", "a=b"},
        {"HKLM\\SOFTWARE\\Vendor", "Broken", std::nullopt},
        {"HKLM\\SOFTWARE\\Vendor\\Tool\\38.0", "Missing", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dulo::ReadRegistryString(c.key, c.name), c.value) << c.key << " " << c.name;
}

TEST_F(RegistryTest, WhereTheFileIsFound) {
    unsetenv("DULO_REGISTRY");
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    EXPECT_EQ(dulo::RegistryFilePath(), (dir / "config/dulo/registry.ini").string());
    EXPECT_EQ(dulo::ReadRegistryString("HKLM\\SOFTWARE\\X", "A"), std::nullopt);  // no file
    fs::create_directories(dir / "config/dulo");
    std::ofstream(dir / "config/dulo/registry.ini") << "[HKLM\\SOFTWARE\\X]\nA=1\n";
    EXPECT_EQ(dulo::ReadRegistryString("HKLM\\SOFTWARE\\X", "A"), "1");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", dir.c_str(), 1);
    EXPECT_EQ(dulo::RegistryFilePath(), (dir / ".config/dulo/registry.ini").string());
    setenv("DULO_REGISTRY", "/elsewhere/registry.ini", 1);
    EXPECT_EQ(dulo::RegistryFilePath(), "/elsewhere/registry.ini");
}

}  // namespace

namespace {

class RegistryKeyTest : public RegistryTest {};

TEST_F(RegistryKeyTest, KeyExistsWithOrWithoutValues) {
    Use("; providers\n[HKCR\\CLSID\\{3BE786A2-0366-4F5C-9434-25CF162E475E}]\n\n[HKLM/SOFTWARE/Vendor/]\nName=1\n");
    struct Case {
        const char* key;
        bool exists;
    } cases[] = {
        {"HKCR\\CLSID\\{3BE786A2-0366-4F5C-9434-25CF162E475E}", true},   // a key without values
        {"hkcr\\clsid\\{3be786a2-0366-4f5c-9434-25cf162e475e}\\", true},  // case and a trailing backslash
        {"HKLM\\SOFTWARE\\Vendor", true},
        {"HKCR\\CLSID", false},  // a parent named by no section
        {"HKCR\\CLSID\\{3BE786A2-0366-4F5C-9434-25CF162E475F}", false},
    };
    for (const Case& c : cases) EXPECT_EQ(dulo::RegistryKeyExists(c.key), c.exists) << c.key;
}

TEST_F(RegistryKeyTest, NoFileNoKey) {
    setenv("DULO_REGISTRY", (dir / "missing.ini").c_str(), 1);
    EXPECT_FALSE(dulo::RegistryKeyExists("HKCR\\CLSID"));
}

}  // namespace
