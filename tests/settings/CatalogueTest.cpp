// The catalogue: count, order, types and defaults by position, the defaults
// catalogue, and the section and tab assignment.
#include "settings/DuloModelFile.h"
#include "settings/SettingCatalogue.h"
#include "settings/SettingSections.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <cmath>
#include <set>
#include <thread>

namespace {

struct CatalogueRow {
    int position;  // 1-based
    const char* name;
    int type;
    const char* valueText;  // under the "C" numeric locale
};

const CatalogueRow kSample[] = {
    {1, "CaseStack", kSettingString, ""},
    {2, "CaseStackOn", kSettingInteger, "0"},
    {11, "DatabaseModelID", kSettingInteger, "-1"},
    {40, "UseHtmlReportsOn", kSettingInteger, "1"},
    {105, "ModelExt", kSettingString, "Xls"},
    {177, "POOLCHAR", kSettingString, "1234567890abcdefghij"},
    {179, "SMALL", kSettingDouble, "0"},
    {181, "DSMALL", kSettingDouble, "0.001"},
    {187, "WLARGE", kSettingDouble, "1e+30"},
    {190, "ARANGE", kSettingInteger, "30"},
    {191, "VTW", kSettingDouble, "0.1587"},
    {215, "UseCplex", kSettingInteger, "0"},
    {225, "ModelTables", kSettingInteger, "500"},
    {237, "CommonStartDate", kSettingDateTime, "1/1/1900 1:01:01 AM"},
    {300, "MAXPASS", kSettingInteger, "10"},
    {312, "MINSIPASS", kSettingInteger, "-1000000"},
    {326, "DTOL", kSettingDouble, "1e-05"},
    {328, "PDSMALL", kSettingDouble, "1e+30"},
    {386, "MAXPRES", kSettingInteger, "100000000"},
    {402, "ZTETA", kSettingDouble, "1e-13"},
    {409, "PAS", kSettingString, "?1111111"},
    {420, "GLOBAL", kSettingString, "111"},
    {430, "VormPath", kSettingString, "<ImportOrbLink>"},
    {435, "VormConversionFactor", kSettingDouble, "0.0416666666666667"},
    {507, "XNLP_MicrocutExtrapOn", kSettingInteger, "-1"},
    {534, "XNLP_GO_ProveGlobalOptimalityOn", kSettingInteger, "0"},
    {538, "XNLP_GO_LowerBound", kSettingDouble, "-100000"},
    {605, "XNLP_GO_InitialNLPObjValue", kSettingDouble, "-1e+30"},
    {615, "XNLP_GO_DefaultCRobjUpperBnd", kSettingDouble, "10000000"},
    {625, "XNLP_MS_MaxLocal", kSettingInteger, "-20"},
    {662, "XNLP_EM_PerturbationSize", kSettingString, "1e-6"},
    {670, "XDR_PeriodSpanningBlendRecipePenalty", kSettingDouble, "100"},
    {691, "AccessVersion", kSettingString, "Access 2000/2003 (9.0/11.0)"},
    {700, "SXEqualTime", kSettingDouble, "0.0001"},
    {702, "SXEqualSlope", kSettingDouble, "1e-05"},
    {746, "LimitPenalty", kSettingDouble, "100000"},
    {756, "VAROPTCR", kSettingInteger, "0"},
    {757, "VAROPTCRRATIO", kSettingDouble, "10"},
};

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { std::setlocale(LC_NUMERIC, "C"); }
    void TearDown() override { std::setlocale(LC_NUMERIC, "C"); }
    CSettingCatalogue catalogue;
};

TEST_F(CatalogueTest, HoldsEveryNameOnceInOrder) {
    ASSERT_EQ(catalogue.GetCount(), 757);
    std::set<std::string> names;
    for (const CSettingItem* item : catalogue) EXPECT_TRUE(names.insert(item->GetName()).second) << item->GetName();
    EXPECT_EQ(catalogue.GetAt(0)->GetName(), "CaseStack");
    EXPECT_EQ(catalogue.GetAt(756)->GetName(), "VAROPTCRRATIO");
}

TEST_F(CatalogueTest, SampleOfPositionsTypesAndDefaults) {
    for (const CatalogueRow& row : kSample) {
        SCOPED_TRACE(row.name);
        const CSettingItem* item = catalogue.GetAt(row.position - 1);
        EXPECT_EQ(item->GetName(), row.name);
        EXPECT_EQ(item->GetType(), row.type);
        EXPECT_EQ(item->GetValueString(), row.valueText);
    }
}

TEST_F(CatalogueTest, TypesAreThoseOfTheItemClasses) {
    int counts[6] = {};
    for (const CSettingItem* item : catalogue) {
        ASSERT_GE(item->GetType(), 0);
        ASSERT_LE(item->GetType(), 5);
        ++counts[item->GetType()];
        switch (item->GetType()) {
            case kSettingString: EXPECT_NE(dynamic_cast<const CSettingStr*>(item), nullptr); break;
            case kSettingInteger: EXPECT_NE(dynamic_cast<const CSettingInt*>(item), nullptr); break;
            case kSettingDouble: EXPECT_NE(dynamic_cast<const CSettingDouble*>(item), nullptr); break;
            case kSettingDateTime: EXPECT_NE(dynamic_cast<const CSettingDateTime*>(item), nullptr); break;
            default: ADD_FAILURE() << item->GetName() << " has type " << item->GetType();
        }
    }
    EXPECT_EQ(counts[kSettingDateTime], 3);  // StartDate, CommonStartDate, VormDate
    EXPECT_EQ(counts[kSettingString] + counts[kSettingInteger] + counts[kSettingDouble] + counts[kSettingDateTime],
              757);
}

TEST_F(CatalogueTest, ExactDoublesWhereTheTextWouldRound) {
    auto value = [&](const char* name) {
        return dynamic_cast<const CSettingDouble&>(*catalogue.FindSetting(name)).GetValue();
    };
    EXPECT_EQ(value("VormConversionFactor"), 1.0 / 24.0);
    EXPECT_EQ(value("WLARGE"), 1e30);
    EXPECT_EQ(value("MINOBJ"), 1e30);
    EXPECT_EQ(value("XNLP_GO_InitialNLPObjValue"), -1e30);
}

TEST_F(CatalogueTest, StartAndVormDateAreTheConstructionTime) {
    const COleDateTime now = dulo::LocalTimeNow();
    for (const char* name : {"StartDate", "VormDate"}) {
        SCOPED_TRACE(name);
        const auto& item = dynamic_cast<const CSettingDateTime&>(*catalogue.FindSetting(name));
        ASSERT_EQ(item.GetValue().m_status, COleDateTime::valid);
        EXPECT_NEAR(item.GetValue().m_dt, now.m_dt, 2.0 / 86400.0);
        // Whole seconds only.
        double seconds = item.GetValue().m_dt * 86400.0;
        EXPECT_NEAR(seconds, std::round(seconds), 1e-3);
    }
    const auto& common = dynamic_cast<const CSettingDateTime&>(*catalogue.FindSetting("CommonStartDate"));
    EXPECT_EQ(common.GetValue().m_status, COleDateTime::valid);
    EXPECT_NEAR(common.GetValue().m_dt, 2.0 + (3600.0 + 60.0 + 1.0) / 86400.0, 1e-9);
}

TEST(DefaultsCatalogueTest, IsOneInstanceBuiltAtLoad) {
    const CSettingCatalogue& a = dulo::DefaultSettingsCatalogue();
    EXPECT_EQ(&a, &dulo::DefaultSettingsCatalogue());
    EXPECT_EQ(a.GetCount(), 757);
    // Built before main: its StartDate is no later than a catalogue built now.
    CSettingCatalogue later;
    const auto& loaded = dynamic_cast<const CSettingDateTime&>(*a.FindSetting("StartDate"));
    const auto& fresh = dynamic_cast<const CSettingDateTime&>(*later.FindSetting("StartDate"));
    EXPECT_LE(loaded.GetValue().m_dt, fresh.GetValue().m_dt);
    EXPECT_GT(loaded.GetValue().m_dt, fresh.GetValue().m_dt - 1.0);

    // Built during static initialisation, it must still hold the same defaults.
    std::setlocale(LC_NUMERIC, "C");
    for (int i = 0; i < later.GetCount(); ++i) {
        const std::string& name = later.GetAt(i)->GetName();
        if (name == "StartDate" || name == "VormDate") continue;
        EXPECT_EQ(a.GetAt(i)->GetValueString(), later.GetAt(i)->GetValueString()) << name;
    }
}

TEST(DuloModelFileTest, ConstructionDefaultsAndRecordedPath) {
    CDuloModelFile model;
    EXPECT_EQ(model.GetModelName(), "");
    EXPECT_EQ(model.GetModelDirectory(), "");
    EXPECT_EQ(model.GetModelFilePath(), "");
    EXPECT_EQ(model.GetVersion(), "");
    EXPECT_FALSE(model.IsQuiet());
    EXPECT_EQ(model.Settings().GetCount(), 757);
    // A missing file is only recorded, never opened.
    model.RecordPath("/nonexistent/dir/DuloModel.dulx");
    EXPECT_EQ(model.GetModelFilePath(), "/nonexistent/dir/DuloModel.dulx");
}

TEST(DuloModelFileTest, CopyingTheDefaultsReplacesTheConstructionTime) {
    CDuloModelFile first;
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    CDuloModelFile second;
    EXPECT_NE(first.Settings().GetSettingValue("StartDate"), second.Settings().GetSettingValue("StartDate"));

    first.CopyDefaultSettings();
    second.CopyDefaultSettings();
    const std::string loaded = dulo::DefaultSettingsCatalogue().GetSettingValue("StartDate");
    EXPECT_EQ(first.Settings().GetSettingValue("StartDate"), loaded);
    EXPECT_EQ(second.Settings().GetSettingValue("StartDate"), loaded);
    EXPECT_EQ(second.Settings().GetSettingValue("VormDate"),
              dulo::DefaultSettingsCatalogue().GetSettingValue("VormDate"));
}

TEST(SettingSectionsTest, AssignsTheListedSettingsOnly) {
    CSettingCatalogue catalogue;
    std::set<std::string> assigned, unknown;
    for (const dulo::SSettingPlace& place : dulo::SettingPlaces()) {
        EXPECT_TRUE(dulo::IsSettingSection(place.section)) << place.section;
        if (catalogue.FindSetting(place.name))
            assigned.insert(place.name);
        else
            unknown.insert(place.name);
    }
    EXPECT_EQ(assigned.size(), 274u);
    EXPECT_EQ(unknown, std::set<std::string>{"UseXlpMGOn"});
    EXPECT_FALSE(dulo::IsSettingSection("L.P."));
    EXPECT_FALSE(dulo::IsSettingSection("general"));
}

TEST(SettingSectionsTest, DisplayNameException) {
    EXPECT_EQ(dulo::SettingDisplayName("XNLP_GO_ProveGlobalOptimalityOn"), "XNLP_GO_PerformGlobalOptimizationOn");
    EXPECT_EQ(dulo::SettingDisplayName("MAXPASS"), "MAXPASS");
    EXPECT_EQ(dulo::SettingDisplayName("xnlp_go_proveglobaloptimalityon"), "xnlp_go_proveglobaloptimalityon");
}

}  // namespace
