#include "settings/SettingItem.h"

#include "platform/TextConv.h"
#include "settings/SettingItemList.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

const char* SettingTypeName(int type) {
    switch (type) {
        case 0: return "String";
        case 1:
        case 2:
        case 3: return "Integer";
        case 4: return "Double";
        case 5: return "DateTime";
        default: return "";
    }
}

CSettingItem::CSettingItem(CSettingItemList& owner, std::string name) : m_name(std::move(name)) {
    owner.AddTail(this);
}

CSettingStr::CSettingStr(CSettingItemList& owner, std::string name, std::string value)
    : CSettingItem(owner, std::move(name)), m_value(std::move(value)) {}

CSettingInt::CSettingInt(CSettingItemList& owner, std::string name, int value)
    : CSettingItem(owner, std::move(name)), m_value(value) {}

std::string CSettingInt::GetValueString() const { return std::to_string(m_value); }

namespace {

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// atoi, without its undefined behaviour on overflow: the result saturates.
int ParseIntegerPrefix(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    const long long limit = negative ? -(long long)INT_MIN : (long long)INT_MAX;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) {
            value = limit;
            // The remaining digits cannot bring it back into range.
            break;
        }
    }
    return negative ? int(-value) : int(value);
}

}  // namespace

void CSettingInt::SetValueString(const std::string& text) { m_value = ParseIntegerPrefix(text); }

CSettingDouble::CSettingDouble(CSettingItemList& owner, std::string name, double value)
    : CSettingItem(owner, std::move(name)), m_value(value) {}

std::string CSettingDouble::GetValueString() const {
    char buf[65];
    std::snprintf(buf, sizeof buf, "%.15g", m_value);
    return buf;
}

void CSettingDouble::SetValueString(const std::string& text) { m_value = std::atof(text.c_str()); }

CSettingDateTime::CSettingDateTime(CSettingItemList& owner, std::string name, COleDateTime value)
    : CSettingItem(owner, std::move(name)), m_value(value) {}

std::string CSettingDateTime::GetValueString() const {
    if (m_value.m_status == COleDateTime::null) return {};
    if (m_value.m_status == COleDateTime::invalid) return kInvalidText;
    if (std::fabs(m_value.m_dt) < kHalfSecond) return {};

    VARIANT date;
    VariantInit(&date);
    date.vt = VT_DATE;
    date.date = m_value.m_dt;
    VARIANT text;
    VariantInit(&text);
    // A valid status with a date the conversion cannot print is no date either.
    if (FAILED(VariantChangeTypeEx(&text, &date, LOCALE_EN_US, 0, VT_BSTR))) return kInvalidText;
    std::string result = dulo::Utf8FromBstr(text.bstrVal);
    VariantClear(&text);
    return result;
}

void CSettingDateTime::SetValueString(const std::string& text) {
    if (text.empty()) {
        m_value = COleDateTime(0.0, COleDateTime::valid);
        return;
    }
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = dulo::BstrFromUtf8(text);
    VARIANT date;
    VariantInit(&date);
    HRESULT hr = source.bstrVal ? VariantChangeTypeEx(&date, &source, LOCALE_EN_US, 0, VT_DATE) : E_OUTOFMEMORY;
    VariantClear(&source);
    if (SUCCEEDED(hr))
        m_value = COleDateTime(date.date, COleDateTime::valid);
    else
        m_value = COleDateTime(0.0, COleDateTime::invalid);
}
