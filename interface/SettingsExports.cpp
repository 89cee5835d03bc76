// Settings exports: every setting with its default as XML, one default value,
// and the report of a model file's non-default settings.
#include "dulo/DuloModelDataLib.h"
#include "interface/ExportGuard.h"
#include "platform/TextConv.h"
#include "platform/oleauto/ScopedVariant.h"
#include "settings/SettingsTexts.h"

#include <string>

namespace {

std::string TextArgument(const char* text) { return text ? std::string(text) : std::string(); }

// A VT_BSTR for text; false when memory runs out.
bool MakeBstrVariant(const std::string& text, dulo::ScopedVariant& variant) {
    variant.v.bstrVal = dulo::BstrFromUtf8(text);
    if (!variant.v.bstrVal) return false;
    variant.v.vt = VT_BSTR;
    return true;
}

// A one-dimensional array of one VARIANT holding text.
bool MakeTextArray(const std::string& text, dulo::ScopedVariant& array) {
    dulo::ScopedVariant element;
    if (!MakeBstrVariant(text, element)) return false;
    SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    if (!psa) return false;
    array.v.vt = VT_ARRAY | VT_VARIANT;
    array.v.parray = psa;
    LONG index = 0;
    return SUCCEEDED(SafeArrayPutElement(psa, &index, &element.v));
}

}  // namespace

extern "C" {

int LoadModelSettings(const char* modelFilePath, VARIANT* result) {
    return dulo::ExportGuard(0, [&] {
        std::string text;
        if (!dulo::BuildModelSettingsText(TextArgument(modelFilePath), text) || !result) return 0;
        dulo::ScopedVariant array;
        if (!MakeTextArray(text, array)) return 0;
        array.HandOver(result);
        return 1;
    });
}

int LoadSettingValue(const char* modelFilePath, const char* settingName, VARIANT* value) {
    if (!value) return 0;
    return dulo::ExportGuard(0, [&] {
        std::string text = dulo::DefaultSettingValue(TextArgument(modelFilePath), TextArgument(settingName));
        dulo::ScopedVariant bstr;
        if (!MakeBstrVariant(text, bstr)) return 0;
        bstr.HandOver(value);
        return 1;
    });
}

int GetNonDefaultModelSettings(const char* modelFilePath, const char* sectionName, VARIANT* result) {
    if (!result) return 0;
    return dulo::ExportGuard(0, [&] {
        std::string text;
        if (!dulo::BuildNonDefaultSettingsText(TextArgument(modelFilePath), sectionName, text)) return 0;
        dulo::ScopedVariant bstr;
        if (!MakeBstrVariant(text, bstr)) return 0;
        bstr.HandOver(result);
        return 1;
    });
}

}  // extern "C"
