#pragma once
// The non-default settings report: the numeric settings of a model that differ
// from the defaults, grouped by the settings editor's sections and tabs, as XML.
#include "platform/AutoDestructArray.h"
#include "settings/DuloModelFile.h"

#include <map>
#include <string>

class CSettingTblRow {
public:
    std::string m_name;  // display name
    std::string m_section;
    std::string m_tab;
    std::string m_default;
    std::string m_value;
};

class CModelSettings {
public:
    static constexpr double kRelativeTolerance = 0.0001;

    // section: one of the seven section names fills that section's tabs only;
    // anything else (the empty text too) fills all seven.
    CModelSettings(const CDuloModelFile& model, std::string section);
    virtual ~CModelSettings() = default;

    // Compares the model's integer and double settings with the defaults and keeps
    // the differing ones that stand on a tab, sorted by section, tab and name.
    // Leaves the numeric locale at "C".
    void BuildRows();
    // BuildRows, then the report text.
    std::string BuildXml();

    const CAutoDestructArray<CSettingTblRow>& Rows() const { return m_rows; }
    const std::string& TabOf(const std::string& name) const;
    const std::string& SectionOf(const std::string& name) const;

private:
    void FillSectionMaps();
    void AddRowIfDifferent(const CSettingItem& model, const CSettingItem& defaults);

    CAutoDestructArray<CSettingTblRow> m_rows;
    std::string m_section;
    const CDuloModelFile& m_model;
    double m_relativeTolerance = kRelativeTolerance;
    std::map<std::string, std::string> m_tabs;      // setting name -> tab
    std::map<std::string, std::string> m_sections;  // setting name -> section
};
