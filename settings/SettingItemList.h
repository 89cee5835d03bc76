#pragma once
// A list of settings in construction order, found by exact (case-sensitive) name.
// The list does not own its items: the catalogue that made them does.
#include "platform/AutoDestructArray.h"
#include "settings/SettingItem.h"

#include <string>
#include <string_view>

// The place where the next FindSettingFrom starts: an index, or kNoSettingPosition
// for the head.
using SettingPosition = int;
inline constexpr SettingPosition kNoSettingPosition = -1;

class CSettingItemList {
public:
    CSettingItemList();
    virtual ~CSettingItemList() = default;
    CSettingItemList(const CSettingItemList&) = delete;
    CSettingItemList& operator=(const CSettingItemList&) = delete;

    int GetCount() const { return m_items.GetSize(); }
    CSettingItem* GetAt(int index) const { return m_items.GetAt(index); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

    // Appends an item; items call this from their constructor.
    void AddTail(CSettingItem* item) { m_items.Add(item); }

    // First item with this name, searching from the head; null when none.
    CSettingItem* FindSetting(std::string_view name) const;
    // Circular search from position to the tail and on from the head. On success
    // position moves past the match (to none after the tail), so lookups in list
    // order cost one step each; on failure it is reset to none.
    CSettingItem* FindSettingFrom(std::string_view name, SettingPosition& position) const;

    // Parses value into the named item; false (nothing changed) for an unknown name.
    bool SetSettingValue(std::string_view name, const std::string& value, SettingPosition& position);
    // The named item's value text; empty for an unknown name.
    std::string GetSettingValue(std::string_view name) const;

    // Gives each item the value text of the source item at the same position,
    // under the "C" numeric locale; the caller's numeric locale is restored after.
    void CopyValuesFrom(const CSettingItemList* source);

private:
    CTypedPtrArray<CSettingItem> m_items;
};

// Switches the numeric locale category for the lifetime of the object and puts the
// previous one back on every way out.
class CNumericLocaleSwitch {
public:
    explicit CNumericLocaleSwitch(const char* name);
    ~CNumericLocaleSwitch();
    CNumericLocaleSwitch(const CNumericLocaleSwitch&) = delete;
    CNumericLocaleSwitch& operator=(const CNumericLocaleSwitch&) = delete;

private:
    std::string m_saved;
};
