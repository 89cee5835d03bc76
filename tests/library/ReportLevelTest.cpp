// A host hears the library's reasons only after asking for them, and asking
// changes no return code.
#include "dulo/DuloModelDataLib.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void Collect(const char*, const char* text, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(text);
}

struct Heard {
    int code = -1;
    std::vector<std::string> messages;
};

Heard SingleTableFromMissingFile(int level) {
    Heard h;
    DuloSetMessageSink(Collect, &h.messages, 1);
    DuloSetReportLevel(level);
    VARIANT result;
    VariantInit(&result);
    char row[256] = {}, col[256] = {};
    h.code = LoadSingleExcelTable("BUY", "/no/such/book.xls", "BUY", 0, &result, row, col);
    VariantClear(&result);
    DuloSetReportLevel(0);
    DuloSetMessageSink(nullptr, nullptr, 1);
    return h;
}

Heard BrokenFormula(int level) {
    Heard h;
    DuloSetMessageSink(Collect, &h.messages, 1);
    DuloSetReportLevel(level);
    VARIANT result;
    VariantInit(&result);
    double values[1] = {0};
    h.code = GetPropertyResult("PROPERTY", "1+", values, &result);
    VariantClear(&result);
    DuloSetReportLevel(0);
    DuloSetMessageSink(nullptr, nullptr, 1);
    return h;
}

}  // namespace

TEST(ReportLevel, TableSourceErrorsReachTheSinkOnlyWhenAsked) {
    Heard silent = SingleTableFromMissingFile(0);
    EXPECT_EQ(silent.code, 20);
    EXPECT_TRUE(silent.messages.empty());
    Heard told = SingleTableFromMissingFile(1);
    EXPECT_EQ(told.code, 20);
    ASSERT_EQ(told.messages.size(), 2u);
    EXPECT_EQ(told.messages[0], "Unable to open table [/no/such/book.xls]");
    EXPECT_EQ(told.messages[1].substr(0, 23), "the file cannot be read") << "what failed follows the message";
}

TEST(ReportLevel, EvaluatorMessageCarriesThePosition) {
    Heard silent = BrokenFormula(0);
    EXPECT_EQ(silent.code, 0);
    EXPECT_TRUE(silent.messages.empty());
    Heard told = BrokenFormula(1);
    EXPECT_EQ(told.code, 0);
    ASSERT_EQ(told.messages.size(), 1u);
    EXPECT_NE(told.messages[0].find("(position 2)"), std::string::npos) << told.messages[0];
}

TEST(ReportLevel, MessageSwitchOffStillSilencesRequestedReports) {
    std::vector<std::string> messages;
    DuloSetMessageSink(Collect, &messages, 0);
    DuloSetReportLevel(2);
    VARIANT result;
    VariantInit(&result);
    double values[1] = {0};
    EXPECT_EQ(GetPropertyResult("PROPERTY", "1+", values, &result), 0);
    DuloSetReportLevel(0);
    DuloSetMessageSink(nullptr, nullptr, 1);
    EXPECT_TRUE(messages.empty());
}
