#include "settings/SettingSections.h"

#include <algorithm>

namespace dulo {

namespace {

constexpr SSettingPlace kPlaces[] = {
#define DULO_SECTION_TAB(section, tab, name) {section, tab, #name},
#include "settings/SettingSections.def"
#undef DULO_SECTION_TAB
};

}  // namespace

std::span<const SSettingPlace> SettingPlaces() { return kPlaces; }

bool IsSettingSection(std::string_view section) {
    return std::find(std::begin(kSettingSections), std::end(kSettingSections), section) != std::end(kSettingSections);
}

std::string SettingDisplayName(std::string_view name) {
    // The settings editor shows this switch under another name; reports follow the editor.
    if (name == "XNLP_GO_ProveGlobalOptimalityOn") return "XNLP_GO_PerformGlobalOptimizationOn";
    return std::string(name);
}

}  // namespace dulo
