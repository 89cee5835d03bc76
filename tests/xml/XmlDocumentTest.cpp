#include "platform/xml/XmlDocument.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs op and returns the COM error it raised; fails the test when it raised none.
CComError ErrorOf(const std::function<void()>& op) {
    try {
        op();
    } catch (const CComError& e) {
        return e;
    }
    ADD_FAILURE() << "no COM error raised";
    return CComError(S_OK);
}

TEST(XmlDocument, WalksParsedDocument) {
    CXmlDocument doc;
    doc.SetAsync(false);
    ASSERT_TRUE(doc.LoadXml("<?xml version=\"1.0\"?>\n<!-- written by the host -->\n"
                            "<Root><A>one</A><!--c--><B>t<![CDATA[w<o]]><C>!</C></B><?pi data?></Root>"));
    EXPECT_EQ(doc.ParseErrorReason(), "");
    CXmlElement root = doc.DocumentElement();
    EXPECT_EQ(root.NodeName(), "Root");
    CXmlNodeList children = root.ChildNodes();
    ASSERT_EQ(children.Count(), 4);
    const char* names[] = {"A", "#comment", "B", "pi"};
    const char* texts[] = {"one", "c", "tw<o!", "data"};
    for (long i = 0; i < 4; ++i) {
        EXPECT_EQ(children.Item(i).NodeName(), names[i]);
        EXPECT_EQ(children.Item(i).GetText(), texts[i]);
    }
    EXPECT_TRUE(children.Item(0).IsElement());
    EXPECT_EQ(children.Item(1).Kind(), EXmlNodeKind::Comment);
    CXmlNode textNode = children.Item(0).ChildNodes().Item(0);
    EXPECT_EQ(textNode.NodeName(), "#text");
    EXPECT_EQ(children.Item(2).ChildNodes().Item(1).NodeName(), "#cdata-section");
}

TEST(XmlDocument, RejectsTextsThatAreNotOneDocument) {
    const char* bad[] = {
        "",
        "   ",
        "<a>",
        "<a></b>",
        "<a/><b/>",
        "<a/>text",
        "text<a/>",
        "<a/><?xml version=\"1.0\"?>",
        " <?xml version=\"1.0\"?><a/>",
        "Enciphered+/==",
    };
    for (const char* text : bad) {
        CXmlDocument doc;
        EXPECT_FALSE(doc.LoadXml(text)) << text;
        EXPECT_NE(doc.ParseErrorReason(), "") << text;
        EXPECT_FALSE(doc.HasDocumentElement()) << text;
        EXPECT_EQ(ErrorOf([&] { doc.DocumentElement(); }).Error(), E_POINTER) << text;
    }
}

TEST(XmlDocument, ParseErrorReasonTellsWhere) {
    CXmlDocument doc;
    ASSERT_FALSE(doc.LoadXml("<a>\n  <b>\n</a>"));
    EXPECT_NE(doc.ParseErrorReason().find("line 3"), std::string::npos) << doc.ParseErrorReason();
    // A later successful parse clears the reason and replaces the tree.
    ASSERT_TRUE(doc.LoadXml("<z/>"));
    EXPECT_EQ(doc.ParseErrorReason(), "");
    EXPECT_EQ(doc.DocumentElement().NodeName(), "z");
}

TEST(XmlDocument, FailingOperationsRaiseComErrors) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadXml("<r><e/><!--c--></r>"));
    CXmlNodeList list = doc.DocumentElement().ChildNodes();
    CXmlNode comment = list.Item(1);
    CXmlNode null;

    struct Case {
        const char* what;
        std::function<void()> op;
        HRESULT hr;
        bool hasInfo;
    };
    const Case cases[] = {
        {"item past the end", [&] { list.Item(2); }, E_INVALIDARG, true},
        {"negative item", [&] { list.Item(-1); }, E_INVALIDARG, true},
        {"name of a null node", [&] { null.NodeName(); }, E_POINTER, false},
        {"text of a null node", [&] { null.GetText(); }, E_POINTER, false},
        {"children of a null node", [&] { null.ChildNodes(); }, E_POINTER, false},
        {"comment as element", [&] { comment.AsElement(); }, E_NOINTERFACE, false},
        {"element name with blank", [&] { doc.CreateElement("a b"); }, E_INVALIDARG, true},
        {"element name empty", [&] { doc.CreateElement(""); }, E_INVALIDARG, true},
        {"element name with digit first", [&] { doc.CreateElement("1a"); }, E_INVALIDARG, true},
        {"element name with <", [&] { doc.CreateElement("a<"); }, E_INVALIDARG, true},
        {"comment with --", [&] { doc.CreateComment("a--b"); }, E_INVALIDARG, true},
        {"comment ending in -", [&] { doc.CreateComment("a-"); }, E_INVALIDARG, true},
        {"instruction data with ?>", [&] { doc.CreateProcessingInstruction("pi", "a?>b"); }, E_INVALIDARG, true},
        {"reserved instruction target", [&] { doc.CreateProcessingInstruction("XmL", "x"); }, E_INVALIDARG, true},
        {"declaration without version", [&] { doc.CreateProcessingInstruction("xml", "encoding=\"UTF-8\""); },
         E_INVALIDARG, true},
        {"declaration with broken data", [&] { doc.CreateProcessingInstruction("xml", "version=1.0"); },
         E_INVALIDARG, true},
        {"attribute name invalid", [&] { doc.DocumentElement().SetAttribute("=", "v"); }, E_INVALIDARG, true},
        {"second root element", [&] { doc.AppendChild(doc.CreateElement("second")); }, E_FAIL, true},
        {"declaration after root",
         [&] { doc.AppendChild(doc.CreateProcessingInstruction("xml", "version=\"1.0\"")); }, E_FAIL, true},
        {"declaration inside element",
         [&] { doc.DocumentElement().AppendChild(doc.CreateProcessingInstruction("xml", "version=\"1.0\"")); },
         E_FAIL, true},
        {"element into its own child",
         [&] { CXmlNode e = list.Item(0); e.AppendChild(doc.DocumentElement()); }, E_FAIL, true},
        {"append to a comment", [&] { comment.AppendChild(doc.CreateElement("x")); }, E_FAIL, true},
        {"append a null node", [&] { doc.DocumentElement().AppendChild(null); }, E_POINTER, false},
    };
    for (const Case& c : cases) {
        CComError e = ErrorOf(c.op);
        EXPECT_EQ(e.Error(), c.hr) << c.what;
        EXPECT_EQ(e.HasErrorInfo(), c.hasInfo) << c.what;
        if (c.hasInfo) {
            EXPECT_NE(e.Description(), "") << c.what;
        }
    }
    // None of the failures changed the tree.
    EXPECT_EQ(doc.DocumentElement().ChildNodes().Count(), 2);
}

TEST(XmlDocument, NodesOfAnotherDocumentAreRefused) {
    CXmlDocument a, b;
    CXmlElement root = a.CreateElement("r");
    a.AppendChild(root);
    CXmlElement foreign = b.CreateElement("f");
    EXPECT_EQ(ErrorOf([&] { root.AppendChild(foreign); }).Error(), E_INVALIDARG);
    EXPECT_EQ(ErrorOf([&] { a.AppendChild(foreign); }).Error(), E_INVALIDARG);
}

TEST(XmlDocument, BuildsTreeFromCreatedNodes) {
    std::unique_ptr<CXmlDocument> doc = CXmlDocument::CreateDocument();
    ASSERT_TRUE(doc);
    EXPECT_FALSE(doc->HasDocumentElement());
    CXmlElement root = doc->CreateElement("Settings");
    CXmlElement unused = doc->CreateElement("Unused");  // created, never appended
    EXPECT_FALSE(doc->HasDocumentElement());
    doc->AppendChild(root);
    EXPECT_EQ(doc->DocumentElement(), root);

    // The handle stays usable after appending: build the child, then fill it.
    CXmlElement setting = doc->CreateElement("Setting");
    root.AppendChild(setting);
    CXmlElement name = doc->CreateElement("Name");
    setting.AppendChild(name);
    name.SetText("MAXPASS");
    EXPECT_EQ(root.GetText(), "MAXPASS");

    // SetText replaces every child.
    setting.SetText("flat");
    EXPECT_EQ(setting.ChildNodes().Count(), 1);
    EXPECT_EQ(setting.GetText(), "flat");
    setting.SetText("");
    EXPECT_EQ(setting.ChildNodes().Count(), 0);

    setting.AsElement().SetAttribute("kind", "a&b");
    EXPECT_EQ(setting.AsElement().GetAttribute("kind"), std::optional<std::string>("a&b"));
    setting.AsElement().SetAttribute("kind", "c");
    EXPECT_EQ(setting.AsElement().GetAttribute("kind"), std::optional<std::string>("c"));
    EXPECT_EQ(setting.AsElement().GetAttribute("missing"), std::nullopt);

    // Moving an appended node within the document.
    CXmlElement other = doc->CreateElement("Other");
    root.AppendChild(other);
    other.AppendChild(setting);
    EXPECT_EQ(root.ChildNodes().Count(), 1);
    EXPECT_EQ(other.ChildNodes().Item(0), setting);
    EXPECT_EQ(unused.NodeName(), "Unused");
}

}  // namespace

namespace {

std::string Nested(int depth, const std::string& inner) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<n>";
    text += inner;
    for (int i = 0; i < depth; ++i) text += "</n>";
    return text;
}

// Hostile nesting must not exhaust the stack in parsing, text collection or output.
TEST(XmlDocument, DeepNesting) {
    CXmlDocument doc;
    ASSERT_TRUE(doc.LoadXml(Nested(200000, "deep")));
    EXPECT_EQ(doc.DocumentElement().GetText(), "deep");

    ASSERT_TRUE(doc.LoadXml(Nested(2000, "x")));
    CXmlDocument back;
    ASSERT_TRUE(back.LoadXml(dulo::SerializeIndented(doc)));
    EXPECT_EQ(back.DocumentElement().GetText(), "x");
}

}  // namespace
