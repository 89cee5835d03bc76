#include "platform/xml/XmlDocument.h"

#include <gtest/gtest.h>

namespace {

// Compares two trees node by node (kind, name, text), children in order.
void ExpectSameTree(CXmlNode a, CXmlNode b, const std::string& path) {
    ASSERT_EQ(a.Kind(), b.Kind()) << path;
    ASSERT_EQ(a.NodeName(), b.NodeName()) << path;
    ASSERT_EQ(a.GetText(), b.GetText()) << path;
    CXmlNodeList ca = a.ChildNodes(), cb = b.ChildNodes();
    ASSERT_EQ(ca.Count(), cb.Count()) << path;
    for (long i = 0; i < ca.Count(); ++i) ExpectSameTree(ca.Item(i), cb.Item(i), path + "/" + a.NodeName());
}

TEST(SerializeIndented, BuiltDocumentReadsBack) {
    CXmlDocument doc;
    doc.AppendChild(doc.CreateProcessingInstruction("xml", "version = \"1.0\" encoding = \"UTF-8\""));
    doc.AppendChild(doc.CreateComment(" settings "));
    CXmlElement root = doc.CreateElement("Settings");
    doc.AppendChild(root);
    struct Item {
        const char* name;
        const char* value;
        const char* type;
    };
    const Item items[] = {
        {"CaseStack", "", "String"},
        {"PAS", "?1111111", "String"},
        {"Odd", "a<b & c>\"d\" 'e'", "String"},
        {"Unicode", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC", "String"},
        {"DTOL", "1e-05", "Double"},
    };
    for (const Item& it : items) {
        CXmlElement setting = doc.CreateElement("Setting");
        root.AppendChild(setting);
        const char* tags[] = {"Name", "Value", "Type"};
        const char* texts[] = {it.name, it.value, it.type};
        for (int k = 0; k < 3; ++k) {
            CXmlElement e = doc.CreateElement(tags[k]);
            e.SetText(texts[k]);
            setting.AppendChild(e);
        }
    }
    const std::string text = dulo::SerializeIndented(doc);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u) << text;
    EXPECT_NE(text.find("\n<Settings>\n\t<Setting>\n\t\t<Name>CaseStack</Name>"), std::string::npos) << text;
    EXPECT_EQ(text.find("Unused"), std::string::npos);

    CXmlDocument back;
    ASSERT_TRUE(back.LoadXml(text)) << back.ParseErrorReason() << "\n" << text;
    ExpectSameTree(root, back.DocumentElement(), "");
    CXmlNodeList settings = back.DocumentElement().ChildNodes();
    ASSERT_EQ(settings.Count(), 5);
    EXPECT_EQ(settings.Item(2).ChildNodes().Item(1).GetText(), "a<b & c>\"d\" 'e'");
}

TEST(SerializeIndented, AddsDeclarationWhenMissingAndSkipsUnappendedNodes) {
    CXmlDocument doc;
    CXmlElement root = doc.CreateElement("R");
    doc.CreateElement("Loose");
    doc.CreateProcessingInstruction("xml", "version=\"1.0\"");  // never appended
    doc.AppendChild(root);
    const std::string text = dulo::SerializeIndented(doc);
    EXPECT_EQ(text, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<R />\n");
    CXmlDocument back;
    EXPECT_TRUE(back.LoadXml(text)) << back.ParseErrorReason();
}

TEST(SerializeIndented, ParsedDocumentRoundTrips) {
    const char* source =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><!-- c --><DuloConfiguration><Version>19.9.112</Version>"
        "<Tables><Table><Name>BUY</Name><File>buy.xls[Sheet1]</File><Enabled>1</Enabled></Table></Tables>"
        "<Empty/><Mixed>a<b>x</b>c</Mixed></DuloConfiguration>";
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadXml(source));
    const std::string text = dulo::SerializeIndented(doc);
    EXPECT_EQ(text.find("<?xml"), 0u);
    EXPECT_EQ(text.find("<?xml", 1), std::string::npos) << "one declaration only:\n" << text;
    CXmlDocument back;
    ASSERT_TRUE(back.LoadXml(text)) << back.ParseErrorReason() << "\n" << text;
    ExpectSameTree(doc.DocumentElement(), back.DocumentElement(), "");
}

}  // namespace
