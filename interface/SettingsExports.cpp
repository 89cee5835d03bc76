// Settings exports: every setting with its default as XML, one default value,
// and the report of a model file's non-default settings.
#include "dulo/DuloModelDataLib.h"
#include "platform/TextConv.h"
#include "settings/SettingsTexts.h"

#include <cstring>

namespace {

std::string TextArgument(const char* text) { return text ? std::string(text) : std::string(); }

// A VT_BSTR for text in a VARIANT of our own; false when memory runs out.
bool MakeBstrVariant(const std::string& text, VARIANT& variant) {
    VariantInit(&variant);
    variant.bstrVal = dulo::BstrFromUtf8(text);
    if (!variant.bstrVal) return false;
    variant.vt = VT_BSTR;
    return true;
}

// The caller's VARIANT takes the 16 bytes of ours and owns what they refer to.
void HandOver(VARIANT& ours, VARIANT* caller) {
    std::memcpy(caller, &ours, sizeof(VARIANT));
    VariantInit(&ours);
}

// A one-dimensional array of one VARIANT holding text.
bool MakeTextArray(const std::string& text, VARIANT& array) {
    VARIANT element;
    if (!MakeBstrVariant(text, element)) return false;
    SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    LONG index = 0;
    bool stored = psa && SUCCEEDED(SafeArrayPutElement(psa, &index, &element));
    VariantClear(&element);
    if (!stored) {
        if (psa) SafeArrayDestroy(psa);
        return false;
    }
    VariantInit(&array);
    array.vt = VT_ARRAY | VT_VARIANT;
    array.parray = psa;
    return true;
}

}  // namespace

extern "C" {

int LoadModelSettings(const char* modelFilePath, VARIANT* result) {
    try {
        std::string text;
        if (!dulo::BuildModelSettingsText(TextArgument(modelFilePath), text) || !result) return 0;
        VARIANT array;
        if (!MakeTextArray(text, array)) return 0;
        HandOver(array, result);
        return 1;
    } catch (...) {
        return 0;
    }
}

int LoadSettingValue(const char* modelFilePath, const char* settingName, VARIANT* value) {
    if (!value) return 0;
    try {
        std::string text = dulo::DefaultSettingValue(TextArgument(modelFilePath), TextArgument(settingName));
        VARIANT bstr;
        if (!MakeBstrVariant(text, bstr)) return 0;
        HandOver(bstr, value);
        return 1;
    } catch (...) {
        return 0;
    }
}

int GetNonDefaultModelSettings(const char* modelFilePath, const char* sectionName, VARIANT* result) {
    if (!result) return 0;
    try {
        std::string text;
        if (!dulo::BuildNonDefaultSettingsText(TextArgument(modelFilePath), sectionName, text)) return 0;
        VARIANT bstr;
        if (!MakeBstrVariant(text, bstr)) return 0;
        HandOver(bstr, result);
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
