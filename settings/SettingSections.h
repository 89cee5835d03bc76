#pragma once
// Where the settings editor shows each setting: its section and tab, and the
// name under which the report shows it.
#include <span>
#include <string>
#include <string_view>

namespace dulo {

struct SSettingPlace {
    const char* section;
    const char* tab;
    const char* name;
};

// Every (section, tab, name) of SettingSections.def, in its order.
std::span<const SSettingPlace> SettingPlaces();

// The seven sections, in the order they are filled when all are wanted.
inline constexpr std::string_view kSettingSections[] = {"General",   "CPLEX L.P.", "Xpress L.P.", "Recursion",
                                                        "XNLP",      "XSLP",       "Reporting"};

bool IsSettingSection(std::string_view section);

// The name a report shows for a setting.
std::string SettingDisplayName(std::string_view name);

}  // namespace dulo
