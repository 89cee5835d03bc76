#pragma once
// One named, typed model setting and the text form its value travels in.
#include "platform/OleDateTime.h"

#include <string>

class CSettingItemList;

// Type codes of the items; 1 and 2 have no item class but still name "Integer".
enum ESettingType { kSettingString = 0, kSettingInteger = 3, kSettingDouble = 4, kSettingDateTime = 5 };

// "String", "Integer", "Double" or "DateTime"; empty for a code outside 0..5.
const char* SettingTypeName(int type);

class CSettingItem {
public:
    // The new item appends itself to owner; that is the only way into a list.
    CSettingItem(CSettingItemList& owner, std::string name);
    virtual ~CSettingItem() = default;
    CSettingItem(const CSettingItem&) = delete;
    CSettingItem& operator=(const CSettingItem&) = delete;

    const std::string& GetName() const { return m_name; }

    virtual int GetType() const = 0;
    virtual std::string GetValueString() const = 0;
    virtual void SetValueString(const std::string& text) = 0;

protected:
    std::string m_name;
};

class CSettingStr : public CSettingItem {
public:
    CSettingStr(CSettingItemList& owner, std::string name, std::string value = {});
    int GetType() const override { return kSettingString; }
    std::string GetValueString() const override { return m_value; }
    void SetValueString(const std::string& text) override { m_value = text; }

    const std::string& GetValue() const { return m_value; }

private:
    std::string m_value;
};

class CSettingInt : public CSettingItem {
public:
    CSettingInt(CSettingItemList& owner, std::string name, int value = 0);
    int GetType() const override { return kSettingInteger; }
    std::string GetValueString() const override;
    // Leading white space, an optional sign and the digits up to the first other
    // character; 0 without digits; beyond the int range the nearest end of it.
    void SetValueString(const std::string& text) override;

    int GetValue() const { return m_value; }
    void SetValue(int value) { m_value = value; }

private:
    int m_value;
};

class CSettingDouble : public CSettingItem {
public:
    CSettingDouble(CSettingItemList& owner, std::string name, double value = 0.0);
    int GetType() const override { return kSettingDouble; }
    // "%.15g" under the numeric locale in force.
    std::string GetValueString() const override;
    // atof under the numeric locale in force: 0 for a text that is no number.
    void SetValueString(const std::string& text) override;

    double GetValue() const { return m_value; }
    void SetValue(double value) { m_value = value; }

private:
    double m_value;
};

class CSettingDateTime : public CSettingItem {
public:
    // Dates within half a second of day 0 print as the empty text.
    static constexpr double kHalfSecond = 5.787037037037037e-6;
    static constexpr const char* kInvalidText = "Invalid DateTime";

    CSettingDateTime(CSettingItemList& owner, std::string name, COleDateTime value = {});
    int GetType() const override { return kSettingDateTime; }
    // US-English date-time text (locale 1033); empty for a null date or day 0;
    // "Invalid DateTime" for an invalid one.
    std::string GetValueString() const override;
    // The empty text gives day 0; any other text is parsed as a US-English date,
    // and one that does not parse leaves the date invalid.
    void SetValueString(const std::string& text) override;

    const COleDateTime& GetValue() const { return m_value; }
    void SetValue(const COleDateTime& value) { m_value = value; }

private:
    COleDateTime m_value;
};
