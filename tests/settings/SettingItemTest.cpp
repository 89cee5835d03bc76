// Setting items (value texts both ways) and the list operations.
#include "settings/SettingCatalogue.h"

#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A list with items of its own, for the list operations on small inputs.
struct SmallList {
    CSettingItemList list;
    std::vector<std::unique_ptr<CSettingItem>> items;
    template <class T, class... Args>
    T& Add(Args&&... args) {
        auto item = std::make_unique<T>(list, std::forward<Args>(args)...);
        T& ref = *item;
        items.push_back(std::move(item));
        return ref;
    }
};

class SettingItemTest : public ::testing::Test {
protected:
    void SetUp() override { std::setlocale(LC_NUMERIC, "C"); }
    NumericLocaleRestorer restoreLocale;
    SmallList small;
};

struct TextCase {
    const char* input;
    const char* expected;  // GetValueString after SetValueString(input)
};

TEST_F(SettingItemTest, IntegerTexts) {
    const TextCase cases[] = {
        {"12abc", "12"},       {"  -7", "-7"},          {"+5", "5"},
        {"abc", "0"},          {"", "0"},               {"\t\n 42x", "42"},
        {"1.9", "1"},          {"- 5", "0"},            {"2147483647", "2147483647"},
        {"-2147483648", "-2147483648"},                 {"99999999999", "2147483647"},
        {"-99999999999", "-2147483648"},                {"000000000000000000000123", "123"},
    };
    auto& item = small.Add<CSettingInt>("I", 99);
    for (const TextCase& c : cases) {
        item.SetValueString(c.input);
        EXPECT_EQ(item.GetValueString(), c.expected) << "input '" << c.input << "'";
    }
}

TEST_F(SettingItemTest, DoubleTexts) {
    const TextCase cases[] = {
        {"abc", "0"},
        {"", "0"},
        {"0.002", "0.002"},
        {"1e30", "1e+30"},
        {"  2.5xyz", "2.5"},
        {"-0.0001", "-0.0001"},
        {"0.0416666666666667", "0.0416666666666667"},
        {"123456789012345678", "1.23456789012346e+17"},
        {"1e999", "inf"},
        {"1.7976931348623157e308", "1.79769313486232e+308"},
    };
    auto& item = small.Add<CSettingDouble>("D", 5.0);
    for (const TextCase& c : cases) {
        item.SetValueString(c.input);
        EXPECT_EQ(item.GetValueString(), c.expected) << "input '" << c.input << "'";
    }
}

TEST_F(SettingItemTest, StringTextsAreTakenAsTheyAre) {
    auto& item = small.Add<CSettingStr>("S", "x");
    for (const char* text : {"", "a b <c> & \"d\"", "  padded  "}) {
        item.SetValueString(text);
        EXPECT_EQ(item.GetValueString(), text);
    }
}

TEST_F(SettingItemTest, DateTimeTexts) {
    const TextCase cases[] = {
        {"", ""},
        {"1/1/1900 1:01:01 AM", "1/1/1900 1:01:01 AM"},
        {"7/4/2021", "7/4/2021"},
        {"12/31/1999 11:59:59 PM", "12/31/1999 11:59:59 PM"},
        {"2021-07-04 13:05:00", "7/4/2021 1:05:00 PM"},
        {"garbage", "Invalid DateTime"},
        {"13/45/2020", "Invalid DateTime"},
        {" ", "Invalid DateTime"},
    };
    auto& item = small.Add<CSettingDateTime>("T");
    for (const TextCase& c : cases) {
        item.SetValueString(c.input);
        EXPECT_EQ(item.GetValueString(), c.expected) << "input '" << c.input << "'";
    }
    item.SetValueString("");
    EXPECT_EQ(item.GetValue().m_status, COleDateTime::valid);
    EXPECT_EQ(item.GetValue().m_dt, 0.0);
}

TEST_F(SettingItemTest, DateTimeValuesNearDayZeroAndStatuses) {
    struct ValueCase {
        double date;
        int status;
        const char* expected;
    };
    const ValueCase cases[] = {
        {0.000005, COleDateTime::valid, ""},
        {-0.000005, COleDateTime::valid, ""},
        {0.0, COleDateTime::valid, ""},
        {0.00001, COleDateTime::valid, "12:00:01 AM"},
        {0.5, COleDateTime::valid, "12:00:00 PM"},
        {2.0, COleDateTime::valid, "1/1/1900"},
        {0.000005, COleDateTime::invalid, "Invalid DateTime"},
        {44000.25, COleDateTime::null, ""},
        {1e12, COleDateTime::valid, "Invalid DateTime"},  // beyond the calendar
    };
    auto& item = small.Add<CSettingDateTime>("T");
    for (const ValueCase& c : cases) {
        item.SetValue(COleDateTime(c.date, c.status));
        EXPECT_EQ(item.GetValueString(), c.expected) << c.date << " status " << c.status;
    }
}

TEST_F(SettingItemTest, TypeNames) {
    const std::pair<int, const char*> cases[] = {{0, "String"},  {1, "Integer"},  {2, "Integer"}, {3, "Integer"},
                                                 {4, "Double"},  {5, "DateTime"}, {6, ""},        {-1, ""}};
    for (auto [type, name] : cases) EXPECT_STREQ(SettingTypeName(type), name) << type;
}

TEST_F(SettingItemTest, FindSettingTakesTheFirstOfEqualNames) {
    auto& a1 = small.Add<CSettingInt>("A", 1);
    small.Add<CSettingInt>("B", 2);
    auto& a2 = small.Add<CSettingInt>("A", 3);
    EXPECT_EQ(small.list.FindSetting("A"), &a1);
    EXPECT_EQ(small.list.FindSetting("a"), nullptr);  // case-sensitive
    EXPECT_EQ(small.list.FindSetting("C"), nullptr);

    // From a remembered position the search starts there, not at the head.
    SettingPosition position = 1;
    EXPECT_EQ(small.list.FindSettingFrom("A", position), &a2);
    EXPECT_EQ(position, kNoSettingPosition);  // the match was the tail
}

TEST_F(SettingItemTest, FindSettingFromWrapsAndResets) {
    CSettingCatalogue catalogue;
    SettingPosition position = catalogue.GetCount() - 1;  // at the last item
    CSettingItem* found = catalogue.FindSettingFrom("CaseStackOn", position);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetName(), "CaseStackOn");
    EXPECT_EQ(position, 2);

    // In list order every lookup finds the next item right where it stands.
    for (int i = 2; i < 10; ++i) {
        EXPECT_EQ(catalogue.FindSettingFrom(catalogue.GetAt(i)->GetName(), position), catalogue.GetAt(i));
        EXPECT_EQ(position, i + 1);
    }

    EXPECT_EQ(catalogue.FindSettingFrom("NoSuchSetting", position), nullptr);
    EXPECT_EQ(position, kNoSettingPosition);
    EXPECT_EQ(catalogue.FindSettingFrom("VAROPTCRRATIO", position), catalogue.GetAt(756));
    EXPECT_EQ(position, kNoSettingPosition);

    // A stale position beyond the list starts at the head.
    position = 5000;
    EXPECT_EQ(catalogue.FindSettingFrom("CaseStack", position), catalogue.GetAt(0));
    EXPECT_EQ(position, 1);
}

TEST_F(SettingItemTest, SetAndGetSettingValue) {
    CSettingCatalogue catalogue;
    SettingPosition position = kNoSettingPosition;
    EXPECT_TRUE(catalogue.SetSettingValue("MAXPASS", "12", position));
    EXPECT_EQ(catalogue.GetSettingValue("MAXPASS"), "12");
    EXPECT_TRUE(catalogue.SetSettingValue("DSMALL", "abc", position));
    EXPECT_EQ(catalogue.GetSettingValue("DSMALL"), "0");

    position = 3;
    EXPECT_FALSE(catalogue.SetSettingValue("maxpass", "99", position));
    EXPECT_EQ(position, kNoSettingPosition);
    EXPECT_EQ(catalogue.GetSettingValue("MAXPASS"), "12");
    EXPECT_EQ(catalogue.GetSettingValue("maxpass"), "");
    EXPECT_EQ(catalogue.GetSettingValue(""), "");
}

TEST_F(SettingItemTest, CopyValuesFromPairsByPosition) {
    CSettingCatalogue source, target;
    SettingPosition position = kNoSettingPosition;
    source.SetSettingValue("VTW", "0.25", position);
    source.SetSettingValue("ModelExt", "Xlsx", position);
    source.SetSettingValue("CommonStartDate", "", position);
    source.SetSettingValue("MAXPASS", "7", position);
    target.CopyValuesFrom(&source);
    EXPECT_EQ(dynamic_cast<CSettingDouble&>(*target.FindSetting("VTW")).GetValue(), 0.25);
    EXPECT_EQ(target.GetSettingValue("ModelExt"), "Xlsx");
    EXPECT_EQ(target.GetSettingValue("CommonStartDate"), "");
    EXPECT_EQ(target.GetSettingValue("MAXPASS"), "7");

    target.CopyValuesFrom(nullptr);  // nothing to copy: unchanged
    EXPECT_EQ(target.GetSettingValue("MAXPASS"), "7");

    // A shorter source copies what it has.
    SmallList shorter;
    shorter.Add<CSettingStr>("CaseStack", "stack.xml");
    target.CopyValuesFrom(&shorter.list);
    EXPECT_EQ(target.GetSettingValue("CaseStack"), "stack.xml");
    EXPECT_EQ(target.GetSettingValue("MAXPASS"), "7");
}

TEST_F(SettingItemTest, CopyValuesFromUnderACommaLocale) {
    if (!std::setlocale(LC_NUMERIC, kCommaLocale)) GTEST_SKIP() << "locale " << kCommaLocale << " is not installed";
    const std::string before = CurrentNumericLocale();
    CSettingCatalogue target;
    ASSERT_EQ(target.GetSettingValue("DSMALL"), "0,001");  // the locale really uses a comma

    SettingPosition position = kNoSettingPosition;
    target.SetSettingValue("DSMALL", "7", position);
    target.CopyValuesFrom(&dulo::DefaultSettingsCatalogue());
    EXPECT_EQ(dynamic_cast<CSettingDouble&>(*target.FindSetting("DSMALL")).GetValue(), 0.001);
    EXPECT_EQ(dynamic_cast<CSettingDouble&>(*target.FindSetting("VormConversionFactor")).GetValue(),
              0.0416666666666667);
    EXPECT_EQ(CurrentNumericLocale(), before);
}

TEST_F(SettingItemTest, CopyValuesFromTheDefaultsGivesTheLoadTime) {
    CSettingCatalogue target;
    target.CopyValuesFrom(&dulo::DefaultSettingsCatalogue());
    for (const char* name : {"StartDate", "VormDate", "CommonStartDate"})
        EXPECT_EQ(target.GetSettingValue(name), dulo::DefaultSettingsCatalogue().GetSettingValue(name)) << name;
    // Everything else is the default as well.
    for (int i = 0; i < target.GetCount(); ++i)
        EXPECT_EQ(target.GetAt(i)->GetValueString(), dulo::DefaultSettingsCatalogue().GetAt(i)->GetValueString());
}

}  // namespace
