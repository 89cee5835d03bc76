#include "TempDir.h"

#include "model/ModelFileFormat.h"
#include "xml/ReadModelText.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(ModelFileFormat, IntegerAndFlagTexts) {
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {"2", 2},          {"-1", -1},         {"abc", 0},       {"", 0},
        {"0", 0},          {"  7x", 7},        {"\t+3", 3},      {"- 1", 0},
        {"1.9", 1},        {" -0", 0},         {"12abc34", 12},  {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},             {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dulo::ReadIntegerText(c.text), c.value) << c.text;
        EXPECT_EQ(dulo::ReadFlagText(c.text), c.value != 0) << c.text;
    }
}

const char kModel[] = R"(<?xml version="1.0" encoding="utf-8"?>
<!-- DuloModel -->
<DuloConfiguration>
  <Version>19.9.112</Version>
  <Table><Name>BUY</Name><File>outside.xls</File><Enabled>1</Enabled></Table>
  <Tables>
    <Table><Name>BUY</Name><File>a.xls</File><Enabled>1</Enabled><TableType>0</TableType></Table>
    <Table><Name>buy</Name><File>b.xls[Buy Sheet]</File><Enabled>2</Enabled></Table>
    <Table><Name>BUY</Name><File>c.xls</File><Enabled>abc</Enabled></Table>
    <Table><Name>Buy</Name><File>d.xls</File><Enabled>-1</Enabled><TableType>7</TableType></Table>
    <Table><Name>BUY</Name><File>no-enabled.xls</File></Table>
    <Table><File>no-name.xls</File><Enabled>1</Enabled></Table>
    <Table><Name>BUY</Name><Enabled>1</Enabled></Table>
    <Table><Name>BUY</Name><File>zero.xls</File><Enabled>0</Enabled></Table>
    <Table><Name>CAPS</Name><File>caps.xls</File><Enabled>1</Enabled></Table>
    <Table><Name>BUYX</Name><File>buyx.xls</File><Enabled>1</Enabled></Table>
    <!-- a note --><Other><Name>BUY</Name><File>other.xls</File><Enabled>1</Enabled></Other>
  </Tables>
  <Settings><Setting><Name>MAXPASS</Name><Value>12</Value></Setting></Settings>
  <UnknownSection/>
  <Tables>
    <Table><Name>BUY</Name><File>second-section.xls</File><Enabled>1</Enabled></Table>
  </Tables>
  <tables>
    <Table><Name>BUY</Name><File>lower-case-section.xls</File><Enabled>1</Enabled></Table>
  </tables>
</DuloConfiguration>
)";

TEST(ModelFileFormat, CollectsEnabledFilesOfTheTable) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadXml(kModel)) << doc.ParseErrorReason();
    const std::vector<std::string> expected = {"a.xls", "b.xls[Buy Sheet]", "d.xls", "second-section.xls"};
    EXPECT_EQ(dulo::CollectTableFiles(doc, "BUY"), expected);
    EXPECT_EQ(dulo::CollectTableFiles(doc, "bUy"), expected);
    EXPECT_EQ(dulo::CollectTableFiles(doc, "CAPS"), std::vector<std::string>{"caps.xls"});
    EXPECT_TRUE(dulo::CollectTableFiles(doc, "BU").empty());
    EXPECT_TRUE(dulo::CollectTableFiles(doc, "").empty());
}

TEST(ModelFileFormat, ReadsTableElement) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadXml("<Table><Name> BUY </Name><File>b.xls</File><Enabled>-1</Enabled>"
                            "<TableType>10</TableType><Extra>x</Extra></Table>"));
    dulo::CModelTableEntry e = dulo::ReadTableElement(doc.DocumentElement());
    EXPECT_TRUE(e.hasName);
    EXPECT_TRUE(e.hasFile);
    EXPECT_EQ(e.name, " BUY ") << "texts are taken as they are";
    EXPECT_EQ(e.file, "b.xls");
    EXPECT_TRUE(e.enabled);
    EXPECT_EQ(e.tableType, 10);

    ASSERT_TRUE(doc.LoadXml("<Table><Name/></Table>"));
    e = dulo::ReadTableElement(doc.DocumentElement());
    EXPECT_TRUE(e.hasName);
    EXPECT_EQ(e.name, "");
    EXPECT_FALSE(e.hasFile);
    EXPECT_FALSE(e.enabled);
    EXPECT_EQ(e.tableType, 0);
}

TEST(ModelFileFormat, FindsChildElementByExactName) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadXml("<r><!--Version-->text<version>a</version><Version>b</Version><Version>c</Version></r>"));
    CXmlNode v = dulo::FindChildElement(doc.DocumentElement(), "Version");
    ASSERT_FALSE(v.IsNull());
    EXPECT_EQ(v.GetText(), "b");
    EXPECT_TRUE(dulo::FindChildElement(doc.DocumentElement(), "Missing").IsNull());
}

TEST(ModelFileFormat, ReadsTableListFromModelFile) {
    TempDir dir;
    const std::string path = dir.File("DuloModel.dulx");

    dulo::CModelTableList list = dulo::ReadModelTableList(path, "BUY");
    EXPECT_EQ(list.result, dulo::ETableListResult::NoModelFile);
    EXPECT_TRUE(list.files.empty());

    dir.Write("DuloModel.dulx", kModel);
    list = dulo::ReadModelTableList(path, "buy");
    EXPECT_EQ(list.result, dulo::ETableListResult::Read);
    EXPECT_EQ(list.files.size(), 4u);

    std::string cipher;
    ASSERT_TRUE(dulo::EncipherModelText(kModel, cipher));
    dir.Write("DuloModel.dulx", cipher);
    list = dulo::ReadModelTableList(path, "CAPS");
    EXPECT_EQ(list.result, dulo::ETableListResult::Read);
    EXPECT_EQ(list.files, std::vector<std::string>{"caps.xls"});

    list = dulo::ReadModelTableList(path, "NOSUCH");
    EXPECT_EQ(list.result, dulo::ETableListResult::Read);
    EXPECT_TRUE(list.files.empty());

    const char* unreadable[] = {"", "<DuloConfiguration><Tables>", "not a model", "QUJDRA==",
                                "<DuloConfiguration/><DuloConfiguration/>"};
    for (const char* bytes : unreadable) {
        dir.Write("DuloModel.dulx", bytes);
        list = dulo::ReadModelTableList(path, "BUY");
        EXPECT_EQ(list.result, dulo::ETableListResult::ParseFailed) << bytes;
        EXPECT_NE(list.parseErrorReason, "") << bytes;
        EXPECT_TRUE(list.files.empty()) << bytes;
    }
}

TEST(ModelFileFormat, SplitsFileText) {
    struct Case {
        const char* text;
        const char* file;
        const char* sheet;
    };
    const Case cases[] = {
        {"buy.xls[Sheet 1]", "buy.xls", "Sheet 1"},
        {"buy.xls", "buy.xls", ""},
        {"Tables\\buy.xls[BUY]", "Tables\\buy.xls", "BUY"},
        {"buy.xls[]", "buy.xls", ""},
        {"[Sheet]", "[Sheet]", ""},
        {"buy.xls[Sheet", "buy.xls[Sheet", ""},
        {"buy.xls[Sheet]x", "buy.xls[Sheet]x", ""},
        {"buy.xls[a[b]]", "buy.xls", "a[b]"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        std::string file = "stale", sheet = "stale";
        dulo::SplitTableFileText(c.text, file, sheet);
        EXPECT_EQ(file, c.file) << c.text;
        EXPECT_EQ(sheet, c.sheet) << c.text;
    }
}

}  // namespace
