// LoadModelSettings and LoadSettingValue through the exports, as a host calls them.
#include "dulo/DuloModelDataLib.h"
#include "platform/TextConv.h"
#include "platform/xml/XmlDocument.h"
#include "settings/SettingCatalogue.h"

#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <map>

namespace {

struct SettingEntry {
    std::string name, value, type;
};

// The text of a one-element array result, checked for shape on the way.
std::string TextOfArrayResult(const VARIANT& result) {
    EXPECT_EQ(result.vt, VT_ARRAY | VT_VARIANT);
    if (result.vt != (VT_ARRAY | VT_VARIANT)) return {};
    EXPECT_EQ(SafeArrayGetDim(result.parray), 1u);
    LONG lower = -1, upper = -1;
    SafeArrayGetLBound(result.parray, 1, &lower);
    SafeArrayGetUBound(result.parray, 1, &upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 0);
    VARIANT element;
    VariantInit(&element);
    LONG index = 0;
    EXPECT_EQ(SafeArrayGetElement(result.parray, &index, &element), S_OK);
    EXPECT_EQ(element.vt, VT_BSTR);
    std::string text = element.vt == VT_BSTR ? dulo::Utf8FromBstr(element.bstrVal) : std::string();
    VariantClear(&element);
    return text;
}

std::vector<SettingEntry> ParseSettingsText(const std::string& text) {
    std::vector<SettingEntry> entries;
    CXmlDocument document;
    EXPECT_TRUE(document.LoadXml(text)) << document.ParseErrorReason();
    if (!document.HasDocumentElement()) return entries;
    CXmlElement root = document.DocumentElement();
    EXPECT_EQ(root.NodeName(), "Settings");
    CXmlNodeList settings = root.ChildNodes();
    for (long i = 0; i < settings.Count(); ++i) {
        CXmlNode setting = settings.Item(i);
        if (!setting.IsElement()) continue;
        EXPECT_EQ(setting.NodeName(), "Setting");
        std::vector<std::string> childNames;
        SettingEntry entry;
        CXmlNodeList parts = setting.ChildNodes();
        for (long j = 0; j < parts.Count(); ++j) {
            CXmlNode part = parts.Item(j);
            if (!part.IsElement()) continue;
            childNames.push_back(part.NodeName());
            if (part.NodeName() == "Name") entry.name = part.GetText();
            if (part.NodeName() == "Value") entry.value = part.GetText();
            if (part.NodeName() == "Type") entry.type = part.GetText();
        }
        EXPECT_EQ(childNames, (std::vector<std::string>{"Name", "Value", "Type"})) << entry.name;
        entries.push_back(entry);
    }
    return entries;
}

std::string LoadSettingValueText(const char* name) {
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(LoadSettingValue("/tmp/none/DuloModel.dulx", name, &value), 1);
    EXPECT_EQ(value.vt, VT_BSTR);
    std::string text = value.vt == VT_BSTR ? dulo::Utf8FromBstr(value.bstrVal) : std::string();
    VariantClear(&value);
    return text;
}

class SettingsExportsTest : public ::testing::Test {
protected:
    NumericLocaleRestorer restoreLocale;
};

TEST_F(SettingsExportsTest, LoadModelSettingsListsEverySettingWithItsType) {
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(LoadModelSettings("/tmp/no-such-dir/DuloModel.dulx", &result), 1);
    const std::string text = TextOfArrayResult(result);
    VariantClear(&result);
    EXPECT_EQ(text.rfind("<?xml", 0), 0u) << text.substr(0, 60);

    const std::vector<SettingEntry> entries = ParseSettingsText(text);
    ASSERT_EQ(entries.size(), 757u);
    const CSettingCatalogue& defaults = dulo::DefaultSettingsCatalogue();
    std::map<std::string, SettingEntry> byName;
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].name, defaults.GetAt(int(i))->GetName());
        EXPECT_EQ(entries[i].type, SettingTypeName(defaults.GetAt(int(i))->GetType()));
        byName[entries[i].name] = entries[i];
    }
    EXPECT_EQ(entries.front().name, "CaseStack");
    EXPECT_EQ(entries.back().name, "VAROPTCRRATIO");

    const std::pair<const char*, const char*> types[] = {
        {"CaseStack", "String"}, {"ARANGE", "Integer"}, {"DTOL", "Double"}, {"CommonStartDate", "DateTime"}};
    for (auto [name, type] : types) EXPECT_EQ(byName[name].type, type) << name;

    const std::pair<const char*, const char*> values[] = {
        {"WLARGE", "1e+30"}, {"DTOL", "1e-05"}, {"VTW", "0.1587"}, {"PAS", "?1111111"},
        {"VormPath", "<ImportOrbLink>"},  // escaped in the XML, read back whole
        {"CaseStack", ""}, {"CommonStartDate", "1/1/1900 1:01:01 AM"}, {"DatabaseModelID", "-1"}};
    for (auto [name, value] : values) EXPECT_EQ(byName[name].value, value) << name;
}

TEST_F(SettingsExportsTest, LoadModelSettingsStartDateIsTheTimeOfTheCall) {
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(LoadModelSettings(nullptr, &result), 1);
    const std::vector<SettingEntry> entries = ParseSettingsText(TextOfArrayResult(result));
    VariantClear(&result);
    ASSERT_EQ(entries.size(), 757u);

    CSettingCatalogue scratch;  // parse the text back with the item's own parser
    SettingPosition position = kNoSettingPosition;
    for (const SettingEntry& e : entries)
        if (e.name == "StartDate") scratch.SetSettingValue("StartDate", e.value, position);
    const auto& start = dynamic_cast<const CSettingDateTime&>(*scratch.FindSetting("StartDate"));
    ASSERT_EQ(start.GetValue().m_status, COleDateTime::valid);
    EXPECT_NEAR(start.GetValue().m_dt, dulo::LocalTimeNow().m_dt, 3.0 / 86400.0);
}

TEST_F(SettingsExportsTest, LoadModelSettingsUnderACommaLocale) {
    std::setlocale(LC_NUMERIC, "");
    const std::string userDefault = CurrentNumericLocale();
    if (!std::setlocale(LC_NUMERIC, kCommaLocale)) GTEST_SKIP() << "locale " << kCommaLocale << " is not installed";

    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(LoadModelSettings("", &result), 1);
    const std::vector<SettingEntry> entries = ParseSettingsText(TextOfArrayResult(result));
    VariantClear(&result);
    std::map<std::string, std::string> values;
    for (const SettingEntry& e : entries) values[e.name] = e.value;
    EXPECT_EQ(values["DTOL"], "1e-05");
    EXPECT_EQ(values["VTW"], "0.1587");
    EXPECT_EQ(values["VormConversionFactor"], "0.0416666666666667");
    // Afterwards the user's default is in force, not the locale of before the call.
    EXPECT_EQ(CurrentNumericLocale(), userDefault);
}

TEST_F(SettingsExportsTest, LoadModelSettingsWithoutAResultVariant) {
    EXPECT_EQ(LoadModelSettings("x", nullptr), 0);
}

TEST_F(SettingsExportsTest, LoadSettingValueGivesTheDefaults) {
    std::setlocale(LC_NUMERIC, "C");
    const std::pair<const char*, const char*> cases[] = {
        {"WLARGE", "1e+30"},
        {"PAS", "?1111111"},
        {"DTOL", "1e-05"},
        {"DatabaseModelID", "-1"},
        {"VormConversionFactor", "0.0416666666666667"},
        {"CommonStartDate", "1/1/1900 1:01:01 AM"},
        {"NoSuchSetting", ""},
        {"wlarge", ""},
        {"", ""},
    };
    for (auto [name, expected] : cases) EXPECT_EQ(LoadSettingValueText(name), expected) << name;
    // The time the library was loaded, not the time of the call.
    EXPECT_EQ(LoadSettingValueText("StartDate"), dulo::DefaultSettingsCatalogue().GetSettingValue("StartDate"));
    EXPECT_EQ(CurrentNumericLocale(), "C");
}

TEST_F(SettingsExportsTest, LoadSettingValueConvertsUnderTheCallersLocale) {
    if (!std::setlocale(LC_NUMERIC, kCommaLocale)) GTEST_SKIP() << "locale " << kCommaLocale << " is not installed";
    EXPECT_EQ(LoadSettingValueText("VTW"), "0,1587");
    EXPECT_EQ(LoadSettingValueText("WLARGE"), "1e+30");
    EXPECT_EQ(CurrentNumericLocale(), std::string(kCommaLocale));
}

TEST_F(SettingsExportsTest, NullArguments) {
    EXPECT_EQ(LoadSettingValue(nullptr, nullptr, nullptr), 0);
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(LoadSettingValue(nullptr, nullptr, &value), 1);
    EXPECT_EQ(value.vt, VT_BSTR);
    EXPECT_EQ(dulo::Utf8FromBstr(value.bstrVal), "");
    VariantClear(&value);
}

}  // namespace
