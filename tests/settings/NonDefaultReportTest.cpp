// GetNonDefaultModelSettings through the export, on model files written by the tests.
#include "dulo/DuloModelDataLib.h"
#include "platform/Messages.h"
#include "platform/TextConv.h"
#include "platform/xml/XmlDocument.h"
#include "settings/SettingsTexts.h"
#include "xml/ReadModelText.h"

#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

namespace {

using Settings = std::vector<std::pair<std::string, std::string>>;

const std::string kEmptyReport = "<NonDefaultSettings>\n</NonDefaultSettings>";

struct Row {
    std::string section, tab, name, value, defaultText;
};

std::string ReportXml(const std::vector<Row>& rows) {
    std::string xml = "<NonDefaultSettings>\n";
    for (const Row& r : rows)
        xml += "<Section name=\"" + r.section + "\">\n\t<Tab name=\"" + r.tab + "\">\n\t\t<Var name=\"" + r.name +
               "\">\n\t\t<Value>" + r.value + "</Value>\n\t\t<Default>" + r.defaultText +
               "</Default>\n\t\t</Var>\n\t</Tab>\n</Section>\n";
    return xml + "</NonDefaultSettings>";
}

class NonDefaultReportTest : public ::testing::Test {
protected:
    // The report for a model file with these bytes, requested for section.
    std::string Report(const std::string& fileText, const char* section) {
        return ReportOfPath(dir.Write("DuloModel.dulx", fileText), section);
    }
    std::string Report(const Settings& settings, const char* section) {
        return Report(ModelFileText(settings), section);
    }
    std::string ReportOfPath(const std::string& path, const char* section) {
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(GetNonDefaultModelSettings(path.c_str(), section, &result), 1);
        EXPECT_EQ(result.vt, VT_BSTR);
        std::string text = result.vt == VT_BSTR ? dulo::Utf8FromBstr(result.bstrVal) : std::string();
        VariantClear(&result);
        return text;
    }

    NumericLocaleRestorer restoreLocale;
    ScratchDir dir;
};

struct ReportCase {
    const char* title;
    Settings settings;
    const char* section;  // null for none
    std::vector<Row> rows;
};

TEST_F(NonDefaultReportTest, RowsBySettingAndSection) {
    const ReportCase cases[] = {
        {"MAXPASS under Recursion", {{"MAXPASS", "12"}}, "Recursion", {{"Recursion", "General", "MAXPASS", "12", "10"}}},
        {"MAXPASS is not a General setting", {{"MAXPASS", "12"}}, "General", {}},
        {"MAXPASS with every section", {{"MAXPASS", "12"}}, nullptr, {{"Recursion", "General", "MAXPASS", "12", "10"}}},
        {"DSMALL within the tolerance", {{"DSMALL", "0.00100001"}}, "", {}},
        {"DSMALL beyond it", {{"DSMALL", "0.002"}}, "",
         {{"General", "Tolerances", "DSMALL", "2.000000e-03", "1.000000e-03"}}},
        {"SMALL from zero", {{"SMALL", "1e-9"}}, "General",
         {{"General", "Tolerances", "SMALL", "1.000000e-09", "0.000000e+00"}}},
        {"a value equal to the default", {{"MAXPASS", "10"}, {"DSMALL", "0.001"}}, "", {}},
        {"strings and dates are never listed",
         {{"ModelExt", "Xlsx"}, {"MONEY", "EUR"}, {"CommonStartDate", "1/1/2000"}, {"StartDate", ""}}, "", {}},
        {"a setting on no tab", {{"CaseStackOn", "1"}, {"MAXPASS1", "3"}}, nullptr,
         {{"Recursion", "General", "MAXPASS1", "3", "10"}}},
        {"EDSMALL keeps its last tab", {{"EDSMALL", "0.5"}}, "General",
         {{"General", "Currency", "EDSMALL", "5.000000e-01", "0.000000e+00"}}},
        {"EPSGAP keeps its last tab", {{"UseCplex", "1"}, {"EPSGAP", "0.01"}}, "L.P.",
         {{"CPLEX L.P.", "MIP Limits", "EPSGAP", "1.000000e-02", "1.000000e-04"}}},
        {"L.P. with UseCplex 1", {{"UseCplex", "1"}, {"ZTOLPV", "1e-5"}, {"IFLOG", "3"}}, "L.P.",
         {{"CPLEX L.P.", "Options", "IFLOG", "3", "2"}}},
        {"L.P. with UseCplex 0", {{"UseCplex", "0"}, {"ZTOLPV", "1e-5"}, {"IFLOG", "3"}}, "L.P.",
         {{"Xpress L.P.", "Tolerances", "ZTOLPV", "1.000000e-05", "1.000000e-09"}}},
        {"a full L.P. section name means every section", {{"UseCplex", "1"}}, "CPLEX L.P.",
         {{"General", "General", "UseCplex", "1", "0"}}},
        {"an unknown section means every section", {{"UseCplex", "1"}}, "general",
         {{"General", "General", "UseCplex", "1", "0"}}},
        {"the display name",
         {{"XNLP_GO_ProveGlobalOptimalityOn", "1"}, {"XNLP_MS_On", "0"}, {"XNLP_GO_LargestAdditiveSusceptibility", "5"}},
         "XNLP",
         {{"XNLP", "Global Optimization", "XNLP_GO_LargestAdditiveSusceptibility", "5.000000e+00", "1.000000e+03"},
          {"XNLP", "Global Optimization", "XNLP_GO_PerformGlobalOptimizationOn", "1", "0"},
          {"XNLP", "Global Optimization", "XNLP_MS_On", "0", "1"}}},
        {"sections, tabs and names in byte order",
         {{"MAXPASS", "2"}, {"KEEPLOCL", "1"}, {"CaseBound", "1"}, {"CRUDEXLS", "1"}, {"BLDSLACK", "1"},
          {"APDR", "1"}, {"IFLOG", "0"}},
         nullptr,
         {{"CPLEX L.P.", "Options", "IFLOG", "0", "2"},
          {"General", "Currency", "APDR", "1.000000e+00", "0.000000e+00"},
          {"General", "Miscellaneous", "BLDSLACK", "1", "0"},
          {"General", "Miscellaneous", "CRUDEXLS", "1", "0"},
          {"General", "Miscellaneous", "CaseBound", "1", "0"},
          {"General", "Miscellaneous", "KEEPLOCL", "1", "0"},
          {"Recursion", "General", "MAXPASS", "2", "10"}}},
        {"unknown names are ignored", {{"NoSuchSetting", "5"}, {"maxpass", "5"}, {"MAXPASS", "11"}}, "Recursion",
         {{"Recursion", "General", "MAXPASS", "11", "10"}}},
        {"a non-numeric value reads as 0", {{"MAXPASS", "many"}, {"DTOL", "tiny"}}, "Recursion",
         {{"Recursion", "General", "MAXPASS", "0", "10"},
          {"Recursion", "Tolerances", "DTOL", "0.000000e+00", "1.000000e-05"}}},
        {"huge values", {{"MAXPASS", "99999999999"}, {"DTOL", "1e308"}, {"RTOL", "1e999"}, {"ATOL", "-1e308"}},
         "Recursion",
         {{"Recursion", "General", "MAXPASS", "2147483647", "10"},
          {"Recursion", "Tolerances", "ATOL", "-1.000000e+308", "1.000000e-03"},
          {"Recursion", "Tolerances", "DTOL", "1.000000e+308", "1.000000e-05"},
          {"Recursion", "Tolerances", "RTOL", "inf", "1.000000e-03"}}},
        // A value that is not a number differs from every default: it is listed, not lost.
        {"not a number", {{"DTOL", "nan"}}, "Recursion", {{"Recursion", "Tolerances", "DTOL", "nan", "1.000000e-05"}}},
        {"the last of repeated settings wins", {{"MAXPASS", "12"}, {"MAXPASS", "10"}}, "Recursion", {}},
    };
    for (const ReportCase& c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(Report(c.settings, c.section), ReportXml(c.rows));
    }
}

TEST_F(NonDefaultReportTest, LeavesTheNumericLocaleAtC) {
    std::setlocale(LC_NUMERIC, "");
    Report(Settings{{"MAXPASS", "12"}}, "Recursion");
    EXPECT_EQ(CurrentNumericLocale(), "C");
}

TEST_F(NonDefaultReportTest, StoredDoublesReadWithAPointUnderACommaLocale) {
    if (!std::setlocale(LC_NUMERIC, kCommaLocale)) GTEST_SKIP() << "locale " << kCommaLocale << " is not installed";
    EXPECT_EQ(Report(Settings{{"DSMALL", "0.002"}}, "General"),
              ReportXml({{"General", "Tolerances", "DSMALL", "2.000000e-03", "1.000000e-03"}}));
}

TEST_F(NonDefaultReportTest, MissingOrUnreadableModelFilesReportNothing) {
    EXPECT_EQ(ReportOfPath(dir.File("missing.dulx"), nullptr), kEmptyReport);
    EXPECT_EQ(ReportOfPath("", ""), kEmptyReport);
    EXPECT_EQ(ReportOfPath(dir.File(""), ""), kEmptyReport);  // a directory
    const std::string broken[] = {
        "",
        "<DuloConfiguration><Settings><Setting><Name>MAXPASS</Name><Value>12</Value>",  // cut short
        "<DuloConfiguration>",
        "not xml and not enciphered either",
        "\xEF\xBB\xBF",
        std::string("<a>\0<b/>", 8),
    };
    for (const std::string& text : broken) EXPECT_EQ(Report(text, "Recursion"), kEmptyReport) << text;
}

TEST_F(NonDefaultReportTest, SettingsAnywhereUnderTheRootAreRead) {
    // No Version, a root of another name, two Settings elements, comments and text between them.
    const std::string text =
        "<Other><!-- c --><Settings>text<Setting><Name>MAXPASS</Name><Value>12</Value></Setting></Settings>"
        "<Settings><Setting><Value>4</Value><Name>MAXIPASS</Name><Extra/></Setting></Settings></Other>";
    EXPECT_EQ(Report(text, "Recursion"), ReportXml({{"Recursion", "General", "MAXIPASS", "4", "10"},
                                                     {"Recursion", "General", "MAXPASS", "12", "10"}}));
}

TEST_F(NonDefaultReportTest, IncompleteSettingElementsAreSkipped) {
    const std::string text =
        "<DuloConfiguration><Settings>"
        "<Setting><Name>MAXPASS</Name><Value>12</Value></Setting>"
        "<Setting><Name>MAXPASS1</Name></Setting>"  // no Value: not the 12 of before
        "<Setting><Value>99</Value></Setting>"      // no Name: not MAXPASS again
        "<Setting><Name>MAXPASS2</Name><Value/></Setting>"  // an empty Value is a value
        "</Settings></DuloConfiguration>";
    EXPECT_EQ(Report(text, "Recursion"), ReportXml({{"Recursion", "General", "MAXPASS", "12", "10"},
                                                     {"Recursion", "General", "MAXPASS2", "0", "10"}}));
}

TEST_F(NonDefaultReportTest, ThousandsOfSettings) {
    Settings settings;
    for (int i = 0; i < 6000; ++i) settings.emplace_back("Unknown" + std::to_string(i), std::to_string(i));
    for (int round = 0; round < 3; ++round)
        for (const char* name : {"SMALL", "MAXPASS", "DTOL", "ModelExt"}) settings.emplace_back(name, "3");
    EXPECT_EQ(Report(settings, nullptr),
              ReportXml({{"General", "Tolerances", "SMALL", "3.000000e+00", "0.000000e+00"},
                         {"Recursion", "General", "MAXPASS", "3", "10"},
                         {"Recursion", "Tolerances", "DTOL", "3.000000e+00", "1.000000e-05"}}));
}

TEST_F(NonDefaultReportTest, EncipheredModelFileReadsLikeThePlainOne) {
    std::string cipher;
    if (!dulo::EncipherModelText(ModelFileText({{"MAXPASS", "12"}}), cipher))
        GTEST_SKIP() << "the model-file cipher is not available";
    EXPECT_NE(cipher.front(), '<');
    EXPECT_EQ(Report(cipher, "Recursion"), ReportXml({{"Recursion", "General", "MAXPASS", "12", "10"}}));
}

TEST_F(NonDefaultReportTest, NoResultVariant) {
    const std::string path = dir.Write("DuloModel.dulx", ModelFileText({{"MAXPASS", "12"}}));
    EXPECT_EQ(GetNonDefaultModelSettings(path.c_str(), "Recursion", nullptr), 0);
}

TEST(ModelFileSettingsTest, VersionAndSettingsOfTheDocument) {
    CXmlDocument document;
    ASSERT_TRUE(document.LoadXml(ModelFileText({{"MAXPASS", "12"}, {"ModelExt", "Xlsx"}})));
    CDuloModelFile model;
    model.CopyDefaultSettings();
    dulo::ReadModelFileSettings(document, model);
    EXPECT_EQ(model.GetVersion(), "12.1.0");
    EXPECT_EQ(model.Settings().GetSettingValue("MAXPASS"), "12");
    EXPECT_EQ(model.Settings().GetSettingValue("ModelExt"), "Xlsx");
}

TEST(ModelFileSettingsTest, ADomFailureIsReportedAndKeepsTheSettings) {
    std::vector<std::string> shown;
    dulo::SetMessageSink(
        [](const char*, const char* text, void* context) {
            static_cast<std::vector<std::string>*>(context)->push_back(text);
        },
        &shown, true);
    CXmlDocument empty;  // no root element: taking it fails
    CDuloModelFile model;
    SettingPosition position = kNoSettingPosition;
    model.Settings().SetSettingValue("MAXPASS", "12", position);
    dulo::ReadModelFileSettings(empty, model);
    dulo::SetMessageSink(nullptr, nullptr, true);

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("COM Error:", 0), 0u) << shown[0];
    EXPECT_EQ(model.Settings().GetSettingValue("MAXPASS"), "12");
}

TEST(ModelFileSettingsTest, ReportSectionChoice) {
    CDuloModelFile cplex, xpress;
    SettingPosition position = kNoSettingPosition;
    cplex.Settings().SetSettingValue("UseCplex", "-1", position);
    const struct {
        const char* requested;
        const char* withCplex;
        const char* withXpress;
    } cases[] = {
        {"General", "General", "General"}, {"Recursion", "Recursion", "Recursion"}, {"XNLP", "XNLP", "XNLP"},
        {"XSLP", "XSLP", "XSLP"},          {"Reporting", "Reporting", "Reporting"},
        {"L.P.", "CPLEX L.P.", "Xpress L.P."},
        {"CPLEX L.P.", "", ""},            {"Xpress L.P.", "", ""},                 {"l.p.", "", ""},
        {"", "", ""},                      {" General", "", ""},                    {nullptr, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.requested ? c.requested : "(null)");
        EXPECT_EQ(dulo::ChooseReportSection(c.requested, cplex), c.withCplex);
        EXPECT_EQ(dulo::ChooseReportSection(c.requested, xpress), c.withXpress);
    }
}

}  // namespace
