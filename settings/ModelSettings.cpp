#include "settings/ModelSettings.h"

#include "settings/SettingSections.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace {

int CompareRows(const CSettingTblRow* a, const CSettingTblRow* b) {
    // std::string compares bytes as unsigned char: plain byte order.
    if (int c = a->m_section.compare(b->m_section)) return c < 0 ? -1 : 1;
    if (int c = a->m_tab.compare(b->m_tab)) return c < 0 ? -1 : 1;
    if (int c = a->m_name.compare(b->m_name)) return c < 0 ? -1 : 1;
    return 0;
}

std::string Trim(const std::string& text) {
    const char* blanks = " \t\n\v\f\r";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string FormatInteger(int value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d", value);
    return buf;
}

std::string FormatDouble(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%25.6e", value);
    return Trim(buf);
}

const std::string kNone;

}  // namespace

CModelSettings::CModelSettings(const CDuloModelFile& model, std::string section)
    : m_rows(0, CompareRows), m_section(std::move(section)), m_model(model) {
    FillSectionMaps();
}

void CModelSettings::FillSectionMaps() {
    auto fill = [this](std::string_view section) {
        for (const dulo::SSettingPlace& place : dulo::SettingPlaces()) {
            if (section != place.section) continue;
            m_tabs[place.name] = place.tab;
            m_sections[place.name] = place.section;
        }
    };
    if (dulo::IsSettingSection(m_section)) {
        fill(m_section);
        return;
    }
    for (std::string_view section : dulo::kSettingSections) fill(section);
}

const std::string& CModelSettings::TabOf(const std::string& name) const {
    auto it = m_tabs.find(name);
    return it == m_tabs.end() ? kNone : it->second;
}

const std::string& CModelSettings::SectionOf(const std::string& name) const {
    auto it = m_sections.find(name);
    return it == m_sections.end() ? kNone : it->second;
}

void CModelSettings::BuildRows() {
    // Left at "C" on purpose: the host reads the report's numbers with a point.
    std::setlocale(LC_NUMERIC, "C");
    m_rows.RemoveAll();
    const CSettingCatalogue& defaults = dulo::DefaultSettingsCatalogue();
    // The first item of each name in either list, found once instead of by a
    // search from the head per item (the lists hold hundreds).
    auto firstByName = [](const CSettingItemList& list) {
        std::unordered_map<std::string_view, const CSettingItem*> first;
        first.reserve(size_t(list.GetCount()));
        for (const CSettingItem* item : list) first.emplace(item->GetName(), item);
        return first;
    };
    const auto modelItems = firstByName(m_model.Settings());
    const auto defaultItems = firstByName(defaults);
    for (const CSettingItem* item : defaults) {
        auto modelItem = modelItems.find(item->GetName());
        auto defaultItem = defaultItems.find(item->GetName());
        if (modelItem == modelItems.end() || defaultItem == defaultItems.end() ||
            modelItem->second->GetType() != defaultItem->second->GetType())
            continue;
        AddRowIfDifferent(*modelItem->second, *defaultItem->second);
    }
    m_rows.Sort();
}

void CModelSettings::AddRowIfDifferent(const CSettingItem& model, const CSettingItem& defaults) {
    double m = 0.0, d = 0.0;
    std::string valueText, defaultText;
    if (model.GetType() == kSettingInteger) {
        int mi = static_cast<const CSettingInt&>(model).GetValue();
        int di = static_cast<const CSettingInt&>(defaults).GetValue();
        m = mi, d = di;
        valueText = FormatInteger(mi);
        defaultText = FormatInteger(di);
    } else if (model.GetType() == kSettingDouble) {
        m = static_cast<const CSettingDouble&>(model).GetValue();
        d = static_cast<const CSettingDouble&>(defaults).GetValue();
        valueText = FormatDouble(m);
        defaultText = FormatDouble(d);
    } else {
        return;
    }

    if (m == d) return;
    // Infinities and NaN have no relative difference; any change to them counts.
    if (std::isfinite(m) && std::isfinite(d)) {
        double scale = std::max(std::fabs(m), std::fabs(d));
        if (!(std::fabs(m - d) / scale > m_relativeTolerance)) return;
    }

    const std::string& tab = TabOf(model.GetName());
    if (tab.empty() || valueText == defaultText) return;

    auto row = std::make_unique<CSettingTblRow>();
    row->m_name = dulo::SettingDisplayName(model.GetName());
    row->m_section = SectionOf(model.GetName());
    row->m_tab = tab;
    row->m_default = std::move(defaultText);
    row->m_value = std::move(valueText);
    m_rows.Add(row.get());
    row.release();
}

std::string CModelSettings::BuildXml() {
    BuildRows();
    // Texts go in as they are: names and numbers need no escaping.
    std::string xml = "<NonDefaultSettings>\n";
    for (const CSettingTblRow* row : m_rows) {
        xml += "<Section name=\"" + row->m_section + "\">\n";
        xml += "\t<Tab name=\"" + row->m_tab + "\">\n";
        xml += "\t\t<Var name=\"" + row->m_name + "\">\n";
        xml += "\t\t<Value>" + row->m_value + "</Value>\n";
        xml += "\t\t<Default>" + row->m_default + "</Default>\n";
        xml += "\t\t</Var>\n";
        xml += "\t</Tab>\n";
        xml += "</Section>\n";
    }
    xml += "</NonDefaultSettings>";
    return xml;
}
