#pragma once
// Every setting of the system with its type and default, in the order of
// SettingCatalogue.def; a catalogue owns its items.
#include "settings/SettingItemList.h"

#include <memory>
#include <vector>

class CSettingCatalogue : public CSettingItemList {
public:
    static constexpr int kSettingCount = 757;

    // Builds every item at its default; StartDate and VormDate take the local time now.
    CSettingCatalogue();
    ~CSettingCatalogue() override;

private:
    void AddS(const char* name, const char* value);
    void AddI(const char* name, int value);
    void AddD(const char* name, double value);
    void AddT(const char* name, const COleDateTime& value);

    std::vector<std::unique_ptr<CSettingItem>> m_owned;
};

namespace dulo {

// The process-wide defaults: built while the library loads, read-only afterwards.
const CSettingCatalogue& DefaultSettingsCatalogue();

// The local time now in whole seconds; invalid when the clock cannot be converted.
COleDateTime LocalTimeNow();

}  // namespace dulo
