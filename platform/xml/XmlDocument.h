#pragma once
// An in-memory XML document with the DOM operations the readers and writers use.
// Names and texts are UTF-8. A failing operation (a null node, an invalid name,
// a node that cannot go where it is appended, an index out of range) raises
// CComError; only LoadXml reports failure by its result.
//
// Nodes are handles into their document: they stay valid while the document
// lives, except that LoadXml discards every node the document held before.
#include "platform/xml/ComError.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
struct xml_node_struct;
class xml_document;
}  // namespace pugi

class CXmlDocument;
class CXmlElement;
class CXmlNodeList;

namespace dulo {
// The document as indented UTF-8 text, with an XML declaration, that an XML
// parser reads back to the same tree.
std::string SerializeIndented(const CXmlDocument& document);
}  // namespace dulo

enum class EXmlNodeKind { Null, Element, Text, CData, Comment, ProcessingInstruction, Declaration, Other };

class CXmlNode {
public:
    CXmlNode() = default;

    bool IsNull() const { return m_node == nullptr; }
    EXmlNodeKind Kind() const;
    bool IsElement() const { return Kind() == EXmlNodeKind::Element; }

    // Tag name of an element, target of a processing instruction ("xml" for the
    // declaration), "#text", "#cdata-section" or "#comment" for the others.
    std::string NodeName() const;
    // Element: the concatenated text of every text and CDATA node below it.
    // Other nodes: their own text (comment text, instruction data).
    std::string GetText() const;
    // Element: its children are replaced by one text node (none for an empty text).
    void SetText(std::string_view text);

    CXmlNodeList ChildNodes() const;
    // Appends child (created by this node's document, or moved within it) as the
    // last child; returns child.
    CXmlNode AppendChild(const CXmlNode& child);
    // The element interface of the node; E_NOINTERFACE when it is not an element.
    CXmlElement AsElement() const;

    bool operator==(const CXmlNode& other) const { return m_node == other.m_node; }

protected:
    explicit CXmlNode(pugi::xml_node_struct* node) : m_node(node) {}
    pugi::xml_node_struct* Checked() const;

    pugi::xml_node_struct* m_node = nullptr;

    friend class CXmlDocument;
    friend class CXmlNodeList;
};

class CXmlElement : public CXmlNode {
public:
    CXmlElement() = default;

    // The attribute's value, or nothing when the element has no such attribute.
    std::optional<std::string> GetAttribute(std::string_view name) const;
    void SetAttribute(std::string_view name, std::string_view value);

private:
    explicit CXmlElement(pugi::xml_node_struct* node) : CXmlNode(node) {}
    friend class CXmlNode;
    friend class CXmlDocument;
};

// The children of a node as they were when the list was taken.
class CXmlNodeList {
public:
    long Count() const { return long(m_items.size()); }
    // 0-based; an index outside 0..Count()-1 raises CComError.
    CXmlNode Item(long index) const;

private:
    std::vector<pugi::xml_node_struct*> m_items;
    friend class CXmlNode;
};

class CXmlDocument {
public:
    CXmlDocument();
    ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // An empty document, or null when it cannot be made.
    static std::unique_ptr<CXmlDocument> CreateDocument() noexcept;

    // Loading is always synchronous here; the flag is kept for callers that set it.
    void SetAsync(bool async) { m_async = async; }
    bool GetAsync() const { return m_async; }

    // Parses text as a whole XML document (one root element). On failure the
    // document is left empty and ParseErrorReason tells why.
    bool LoadXml(std::string_view text);
    // Empty after a successful parse.
    const std::string& ParseErrorReason() const { return m_parseErrorReason; }

    bool HasDocumentElement() const;
    // The root element; raises CComError when the document has none.
    CXmlElement DocumentElement() const;

    // New nodes belong to this document but stand in no tree until appended.
    CXmlElement CreateElement(std::string_view name);
    CXmlNode CreateComment(std::string_view text);
    // The target "xml" makes the XML declaration; its data are pseudo-attributes.
    CXmlNode CreateProcessingInstruction(std::string_view target, std::string_view data);

    // Appends child at the top level of the document: at most one element, and a
    // declaration only as the first node. Returns child.
    CXmlNode AppendChild(const CXmlNode& child);
    // Same as parent.AppendChild(child).
    static CXmlNode AppendChild(CXmlNode parent, const CXmlNode& child) { return parent.AppendChild(child); }

private:
    pugi::xml_node_struct* Limbo();
    bool IsLimbo(pugi::xml_node_struct* node) const { return node != nullptr && node == m_limbo; }
    bool IsPending(pugi::xml_node_struct* node) const;
    // A top-level node that belongs to the tree (not a holder of unappended nodes).
    bool IsInTree(pugi::xml_node_struct* node) const { return !IsLimbo(node) && !IsPending(node); }
    friend std::string dulo::SerializeIndented(const CXmlDocument& document);

    std::unique_ptr<pugi::xml_document> m_doc;
    pugi::xml_node_struct* m_limbo = nullptr;  // holds created nodes until they are appended
    // Declarations can only stand at the top level, so unappended ones wait there.
    std::vector<pugi::xml_node_struct*> m_pendingDeclarations;
    bool m_async = true;
    std::string m_parseErrorReason;
};
