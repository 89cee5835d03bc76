#pragma once
// A host installation for the external-model tests, made in a temporary
// directory: a registry file whose zefttop points at a build of the stand-in
// host library, the script and call logs the stand-in writes, and JSON model
// files. Nothing of it depends on an installed state.
#include "extmodels/ZeftInstance.h"
#include "platform/Messages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace extmodels_test {

namespace fs = std::filesystem;

// The zefttop of the stand-in built with the tests (its library is in xeq/).
inline std::string StandInTop(const std::string& variant = "") {
    return std::string(DULO_BINARY_DIR) + (variant.empty() ? "/zefthost/" : "/tests/extmodels/" + variant + "/");
}

struct RegistryValues {
    std::string zeftTop = StandInTop();
    bool withZeftTop = true, withBin = true, withExeDir = true, withDirectory = true;
};

inline std::vector<std::string> ReadLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class HostFixture : public ::testing::Test {
protected:
    void SetUp() override {
        CZEFTInstance::Release();
        savedDirectory = fs::current_path();
        dir = fs::temp_directory_path() /
              ("dulo-ext-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        WriteRegistry(RegistryValues{});
        setenv("ZEFTHOST_LOG", (dir / "script.log").c_str(), 1);
        setenv("ZEFTHOST_CALL_LOG", (dir / "calls.log").c_str(), 1);
        dulo::SetMessageSink(
            [](const char*, const char* text, void* self) { static_cast<HostFixture*>(self)->messages.push_back(text); },
            this, true);
        dulo::ZeftSession().messageSink = [this](const std::string& line) { sinkLines.push_back(line); };
    }
    void TearDown() override {
        CZEFTInstance::Release();
        dulo::ZeftSession().messageSink = nullptr;
        dulo::SetMessageSink(nullptr, nullptr, true);
        unsetenv("ZEFTHOST_LOG");
        unsetenv("ZEFTHOST_CALL_LOG");
        // Loading a model makes its directory the working directory.
        fs::current_path(savedDirectory);
        fs::remove_all(dir);
    }

    void WriteRegistry(const RegistryValues& v) {
        std::ofstream out(dir / "registry.ini");
        out << "; the host installation of the tests\n";
        if (v.withZeftTop) out << "[HKLM\\SOFTWARE\\TovrenTech\\ZEFT\\38.0]\nzefttop=" << v.zeftTop << "\n";
        if (v.withBin) out << "[hklm\\software\\tovrentech\\klsystem\\38.0\\dir\\]\nBin=/opt/kl/bin\n";
        if (v.withExeDir) out << "# planner\n[HKLM\\SOFTWARE\\TovrenTech\\Ralplan\\38.0]\nExeDir = /opt/ralplan\n";
        if (v.withDirectory) out << "[HKLM\\SOFTWARE\\TovrenTech\\TovrenDULO]\nDirectory=/opt/dulo\n";
        out.close();
        setenv("DULO_REGISTRY", (dir / "registry.ini").c_str(), 1);
    }

    std::string WriteFile(const std::string& name, const std::string& text) {
        fs::path path = dir / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    std::vector<std::string> Script() const { return ReadLines(dir / "script.log"); }
    std::vector<std::string> Calls() const { return ReadLines(dir / "calls.log"); }
    void ClearLogs() {
        fs::remove(dir / "script.log");
        fs::remove(dir / "calls.log");
        sinkLines.clear();
        messages.clear();
    }

    fs::path dir;
    fs::path savedDirectory;
    std::vector<std::string> messages;   // what the library showed
    std::vector<std::string> sinkLines;  // the session's log lines
};

// A reactor model: its equations use the variables in another order than
// they are listed, so the host's structure maps them through a permutation.
inline const char* kReactorModel = R"({
  "block": "RX",
  "equations": [
    {"name": "{BLOCK}.MASSBAL", "relation": 5, "variables": ["{BLOCK}.T", "{BLOCK}.FEED.FLOW"]},
    {"name": "{BLOCK}.HEAT", "relation": 1, "variables": ["{BLOCK}.Q", "{BLOCK}.T"]},
    {"name": "{BLOCK}.SPEC", "relation": 3, "variables": ["{BLOCK}.PROD.TEMPERATURE"]},
    {"name": "{BLOCK}.LIMIT", "relation": 0, "variables": []}
  ],
  "variables": [
    {"name": "{BLOCK}.FEED.FLOW", "value": 100.0, "spec": 1, "lower": 0, "upper": 1000, "description": "feed rate"},
    {"name": "{BLOCK}.FEED.CONC", "value": 0.5, "spec": 0, "lower": 0, "upper": 1},
    {"name": "{BLOCK}.T", "value": 350, "spec": 0, "lower": 300, "upper": 500, "description": "temperature"},
    {"name": "{BLOCK}.Q", "value": -2.5, "spec": 0, "lower": -10, "upper": 10},
    {"name": "{BLOCK}.PROD.TEMPERATURE", "value": 340, "spec": 0, "lower": 0, "upper": 900}
  ],
  "ports": [
    {"name": "{BLOCK}.FEED", "direction": 1, "variables": ["{BLOCK}.FEED.FLOW", "{BLOCK}.FEED.CONC"]},
    {"name": "{BLOCK}.PROD", "direction": 2, "variables": ["{BLOCK}.PROD.TEMPERATURE"]}
  ],
  "parameters": [
    {"name": "PERT", "type": "Double", "value": 1e-6, "access": 1, "description": "step"},
    {"name": "SECOND_DERIV_METHOD", "type": "Integer", "value": 2, "access": 1},
    {"name": "MODE", "type": "String", "value": "steady", "access": 0},
    {"name": "ACTIVE", "type": "Bool", "value": true},
    {"name": "COMPONENTS", "type": "Stringlist", "value": ["H2O", "CO2"]}
  ]
})";

}  // namespace extmodels_test
