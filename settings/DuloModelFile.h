#pragma once
// One model for the duration of one exported call: its paths, version text and
// settings. Nothing of it outlives the call that made it.
#include "settings/SettingCatalogue.h"

#include <string>

class CDuloModelFile {
public:
    // Every setting at its catalogue default; StartDate and VormDate hold the time now.
    CDuloModelFile() = default;
    CDuloModelFile(const CDuloModelFile&) = delete;
    CDuloModelFile& operator=(const CDuloModelFile&) = delete;

    // Only recorded: the object never opens the file itself.
    void RecordPath(const std::string& path) { m_modelFilePath = path; }
    const std::string& GetModelFilePath() const { return m_modelFilePath; }

    void SetModelDirectory(const std::string& directory) { m_modelDirectory = directory; }
    const std::string& GetModelDirectory() const { return m_modelDirectory; }

    void SetModelName(const std::string& name) { m_modelName = name; }
    const std::string& GetModelName() const { return m_modelName; }

    void SetVersion(const std::string& version) { m_version = version; }
    const std::string& GetVersion() const { return m_version; }

    // When set, loading external models shows no messages.
    void SetQuiet(bool quiet) { m_quiet = quiet; }
    bool IsQuiet() const { return m_quiet; }

    CSettingCatalogue& Settings() { return m_settings; }
    const CSettingCatalogue& Settings() const { return m_settings; }

    // Replaces every setting by the process-wide default (StartDate and VormDate
    // become the time the library was loaded).
    void CopyDefaultSettings() { m_settings.CopyValuesFrom(&dulo::DefaultSettingsCatalogue()); }

private:
    std::string m_modelName;
    std::string m_modelDirectory;
    std::string m_modelFilePath;
    CSettingCatalogue m_settings;
    std::string m_version;
    bool m_quiet = false;
};
