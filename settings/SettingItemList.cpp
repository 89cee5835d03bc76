#include "settings/SettingItemList.h"

#include <clocale>

CSettingItemList::CSettingItemList() { m_items.SetGrowBy(10); }

CSettingItem* CSettingItemList::FindSetting(std::string_view name) const {
    for (CSettingItem* item : m_items)
        if (item->GetName() == name) return item;
    return nullptr;
}

CSettingItem* CSettingItemList::FindSettingFrom(std::string_view name, SettingPosition& position) const {
    const int count = GetCount();
    const int start = position >= 0 && position < count ? position : 0;
    for (int step = 0; step < count; ++step) {
        int index = (start + step) % count;
        CSettingItem* item = m_items.GetAt(index);
        if (item->GetName() == name) {
            position = index + 1 < count ? index + 1 : kNoSettingPosition;
            return item;
        }
    }
    position = kNoSettingPosition;
    return nullptr;
}

bool CSettingItemList::SetSettingValue(std::string_view name, const std::string& value, SettingPosition& position) {
    CSettingItem* item = FindSettingFrom(name, position);
    if (!item) return false;
    item->SetValueString(value);
    return true;
}

std::string CSettingItemList::GetSettingValue(std::string_view name) const {
    const CSettingItem* item = FindSetting(name);
    return item ? item->GetValueString() : std::string();
}

void CSettingItemList::CopyValuesFrom(const CSettingItemList* source) {
    if (!source) return;
    // Values travel as text; "C" keeps the decimal point whatever the user's locale.
    CNumericLocaleSwitch numericC("C");
    const int count = std::min(GetCount(), source->GetCount());
    for (int i = 0; i < count; ++i) m_items.GetAt(i)->SetValueString(source->GetAt(i)->GetValueString());
}

CNumericLocaleSwitch::CNumericLocaleSwitch(const char* name) {
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    m_saved = current ? current : "C";
    std::setlocale(LC_NUMERIC, name);
}

CNumericLocaleSwitch::~CNumericLocaleSwitch() { std::setlocale(LC_NUMERIC, m_saved.c_str()); }
