#include "platform/xml/XmlDocument.h"

#include <pugixml.hpp>

#include <cstring>

namespace {

const char kSource[] = "dulo.xml";

[[noreturn]] void Raise(HRESULT hr, const std::string& description) { throw CComError(hr, description, kSource); }

pugi::xml_node Node(pugi::xml_node_struct* node) { return pugi::xml_node(node); }

bool IsNameStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsXmlName(std::string_view name) {
    if (name.empty() || !IsNameStart(static_cast<unsigned char>(name[0]))) return false;
    for (char c : name) {
        if (!IsNameChar(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

void CheckName(std::string_view name) {
    if (!IsXmlName(name)) Raise(E_INVALIDARG, "\"" + std::string(name) + "\" is not a valid XML name.");
}

void CheckCommentText(std::string_view text) {
    if (text.find("--") != std::string_view::npos || (!text.empty() && text.back() == '-'))
        Raise(E_INVALIDARG, "A comment may not contain \"--\" or end with \"-\".");
}

void CheckInstructionData(std::string_view data) {
    if (data.find("?>") != std::string_view::npos)
        Raise(E_INVALIDARG, "Processing instruction data may not contain \"?>\".");
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// Replaces the attributes of a declaration by the pseudo-attributes of data
// (name = "value" pairs); the first must be version.
void SetDeclarationData(pugi::xml_node decl, std::string_view data) {
    struct Pair {
        std::string name, value;
    };
    std::vector<Pair> pairs;
    size_t i = 0;
    auto skipSpace = [&] {
        while (i < data.size() && IsSpace(data[i])) ++i;
    };
    for (;;) {
        skipSpace();
        if (i >= data.size()) break;
        size_t start = i;
        while (i < data.size() && IsNameChar(static_cast<unsigned char>(data[i]))) ++i;
        std::string_view name = data.substr(start, i - start);
        skipSpace();
        if (!IsXmlName(name) || i >= data.size() || data[i] != '=') Raise(E_INVALIDARG, "Invalid XML declaration.");
        ++i;
        skipSpace();
        if (i >= data.size() || (data[i] != '"' && data[i] != '\'')) Raise(E_INVALIDARG, "Invalid XML declaration.");
        char quote = data[i++];
        size_t end = data.find(quote, i);
        if (end == std::string_view::npos) Raise(E_INVALIDARG, "Invalid XML declaration.");
        pairs.push_back({std::string(name), std::string(data.substr(i, end - i))});
        i = end + 1;
    }
    if (pairs.empty() || pairs[0].name != "version") Raise(E_INVALIDARG, "Invalid XML declaration.");
    while (decl.first_attribute()) decl.remove_attribute(decl.first_attribute());
    for (const Pair& p : pairs) {
        pugi::xml_attribute a = decl.append_attribute(p.name.c_str());
        if (!a || !a.set_value(p.value.c_str())) Raise(E_OUTOFMEMORY, "Out of memory.");
    }
}

std::string DeclarationData(pugi::xml_node decl) {
    std::string data;
    for (pugi::xml_attribute a : decl.attributes()) {
        if (!data.empty()) data += ' ';
        data += a.name();
        data += "=\"";
        data += a.value();
        data += '"';
    }
    return data;
}

// Text and CDATA below node, in document order, without recursion.
std::string DescendantText(pugi::xml_node root) {
    std::string text;
    pugi::xml_node cur = root.first_child();
    while (cur) {
        if (cur.type() == pugi::node_pcdata || cur.type() == pugi::node_cdata) text += cur.value();
        if (cur.first_child()) {
            cur = cur.first_child();
            continue;
        }
        while (cur && cur != root && !cur.next_sibling()) cur = cur.parent();
        if (!cur || cur == root) break;
        cur = cur.next_sibling();
    }
    return text;
}

void SetValueChecked(pugi::xml_node node, std::string_view text) {
    if (!node.set_value(std::string(text).c_str())) Raise(E_OUTOFMEMORY, "Out of memory.");
}

std::string LineAndColumn(std::string_view text, ptrdiff_t offset) {
    size_t end = offset < 0 ? 0 : std::min(text.size(), size_t(offset));
    size_t line = 1, column = 1;
    for (size_t i = 0; i < end; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return " (line " + std::to_string(line) + ", column " + std::to_string(column) + ")";
}

}  // namespace

// ---- CXmlNode --------------------------------------------------------------

pugi::xml_node_struct* CXmlNode::Checked() const {
    if (m_node == nullptr) throw CComError(E_POINTER);
    return m_node;
}

EXmlNodeKind CXmlNode::Kind() const {
    if (m_node == nullptr) return EXmlNodeKind::Null;
    switch (Node(m_node).type()) {
    case pugi::node_element: return EXmlNodeKind::Element;
    case pugi::node_pcdata: return EXmlNodeKind::Text;
    case pugi::node_cdata: return EXmlNodeKind::CData;
    case pugi::node_comment: return EXmlNodeKind::Comment;
    case pugi::node_pi: return EXmlNodeKind::ProcessingInstruction;
    case pugi::node_declaration: return EXmlNodeKind::Declaration;
    default: return EXmlNodeKind::Other;
    }
}

std::string CXmlNode::NodeName() const {
    pugi::xml_node node = Node(Checked());
    switch (node.type()) {
    case pugi::node_pcdata: return "#text";
    case pugi::node_cdata: return "#cdata-section";
    case pugi::node_comment: return "#comment";
    case pugi::node_document: return "#document";
    default: return node.name();
    }
}

std::string CXmlNode::GetText() const {
    pugi::xml_node node = Node(Checked());
    switch (node.type()) {
    case pugi::node_element: return DescendantText(node);
    case pugi::node_declaration: return DeclarationData(node);
    default: return node.value();
    }
}

void CXmlNode::SetText(std::string_view text) {
    pugi::xml_node node = Node(Checked());
    switch (node.type()) {
    case pugi::node_element:
        node.remove_children();
        if (!text.empty()) {
            pugi::xml_node t = node.append_child(pugi::node_pcdata);
            if (!t) Raise(E_OUTOFMEMORY, "Out of memory.");
            SetValueChecked(t, text);
        }
        break;
    case pugi::node_comment:
        CheckCommentText(text);
        SetValueChecked(node, text);
        break;
    case pugi::node_pi:
        CheckInstructionData(text);
        SetValueChecked(node, text);
        break;
    case pugi::node_declaration: SetDeclarationData(node, text); break;
    case pugi::node_cdata:
        if (text.find("]]>") != std::string_view::npos) Raise(E_INVALIDARG, "CDATA may not contain \"]]>\".");
        SetValueChecked(node, text);
        break;
    default: SetValueChecked(node, text); break;
    }
}

CXmlNodeList CXmlNode::ChildNodes() const {
    CXmlNodeList list;
    for (pugi::xml_node child : Node(Checked()).children()) list.m_items.push_back(child.internal_object());
    return list;
}

CXmlNode CXmlNode::AppendChild(const CXmlNode& child) {
    pugi::xml_node parent = Node(Checked());
    pugi::xml_node moved = Node(child.Checked());
    if (parent.type() == pugi::node_document)
        Raise(E_INVALIDARG, "Append to the document through the document.");
    if (parent.root() != moved.root()) Raise(E_INVALIDARG, "The node belongs to another document.");
    if (moved.type() == pugi::node_declaration) Raise(E_FAIL, "An XML declaration may only begin the document.");
    if (!parent.append_move(moved)) Raise(E_FAIL, "The node cannot be inserted here.");
    return child;
}

CXmlElement CXmlNode::AsElement() const {
    if (Node(Checked()).type() != pugi::node_element) throw CComError(E_NOINTERFACE);
    return CXmlElement(m_node);
}

// ---- CXmlElement -----------------------------------------------------------

std::optional<std::string> CXmlElement::GetAttribute(std::string_view name) const {
    pugi::xml_attribute a = Node(Checked()).attribute(std::string(name).c_str());
    if (!a) return std::nullopt;
    return std::string(a.value());
}

void CXmlElement::SetAttribute(std::string_view name, std::string_view value) {
    pugi::xml_node node = Node(Checked());
    CheckName(name);
    std::string key(name);
    pugi::xml_attribute a = node.attribute(key.c_str());
    if (!a) a = node.append_attribute(key.c_str());
    if (!a || !a.set_value(std::string(value).c_str())) Raise(E_OUTOFMEMORY, "Out of memory.");
}

// ---- CXmlNodeList ----------------------------------------------------------

CXmlNode CXmlNodeList::Item(long index) const {
    if (index < 0 || index >= Count()) Raise(E_INVALIDARG, "The index is out of range.");
    return CXmlNode(m_items[size_t(index)]);
}

// ---- CXmlDocument ----------------------------------------------------------

CXmlDocument::CXmlDocument() : m_doc(std::make_unique<pugi::xml_document>()) {}
CXmlDocument::~CXmlDocument() = default;

std::unique_ptr<CXmlDocument> CXmlDocument::CreateDocument() noexcept {
    try {
        return std::make_unique<CXmlDocument>();
    } catch (...) {
        return nullptr;
    }
}

bool CXmlDocument::LoadXml(std::string_view text) {
    m_limbo = nullptr;
    m_pendingDeclarations.clear();
    m_parseErrorReason.clear();
    // As a fragment so that text outside the root is seen and rejected below.
    const unsigned options = pugi::parse_default | pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration |
                             pugi::parse_fragment;
    pugi::xml_parse_result r = m_doc->load_buffer(text.data(), text.size(), options, pugi::encoding_utf8);
    std::string reason;
    if (!r) {
        reason = std::string(r.description()) + LineAndColumn(text, r.offset);
    } else {
        int elements = 0;
        bool first = true;
        for (pugi::xml_node child : m_doc->children()) {
            switch (child.type()) {
            case pugi::node_element: ++elements; break;
            case pugi::node_pcdata:
            case pugi::node_cdata:
                if (reason.empty()) reason = "Text is not allowed at the top level of the document.";
                break;
            case pugi::node_declaration:
                if ((!first || text.substr(0, 5) != "<?xml") && reason.empty())
                    reason = "The XML declaration must be at the very beginning of the document.";
                break;
            default: break;
            }
            first = false;
        }
        if (reason.empty() && elements == 0) reason = "No document element found";
        if (reason.empty() && elements > 1) reason = "Only one top level element is allowed in an XML document.";
    }
    if (reason.empty()) return true;
    m_doc->reset();
    m_parseErrorReason = reason;
    return false;
}

bool CXmlDocument::HasDocumentElement() const {
    for (pugi::xml_node child : m_doc->children()) {
        if (child.type() == pugi::node_element && IsInTree(child.internal_object())) return true;
    }
    return false;
}

CXmlElement CXmlDocument::DocumentElement() const {
    for (pugi::xml_node child : m_doc->children()) {
        if (child.type() == pugi::node_element && IsInTree(child.internal_object()))
            return CXmlElement(child.internal_object());
    }
    throw CComError(E_POINTER);
}

pugi::xml_node_struct* CXmlDocument::Limbo() {
    if (m_limbo == nullptr) {
        pugi::xml_node limbo = m_doc->append_child(pugi::node_element);
        if (!limbo) Raise(E_OUTOFMEMORY, "Out of memory.");
        m_limbo = limbo.internal_object();
    }
    return m_limbo;
}

CXmlElement CXmlDocument::CreateElement(std::string_view name) {
    CheckName(name);
    pugi::xml_node node = Node(Limbo()).append_child(std::string(name).c_str());
    if (!node) Raise(E_OUTOFMEMORY, "Out of memory.");
    return CXmlElement(node.internal_object());
}

CXmlNode CXmlDocument::CreateComment(std::string_view text) {
    CheckCommentText(text);
    pugi::xml_node node = Node(Limbo()).append_child(pugi::node_comment);
    if (!node) Raise(E_OUTOFMEMORY, "Out of memory.");
    SetValueChecked(node, text);
    return CXmlNode(node.internal_object());
}

CXmlNode CXmlDocument::CreateProcessingInstruction(std::string_view target, std::string_view data) {
    CheckName(target);
    if (target == "xml") {
        // The declaration may only live at the top of a document, so it waits
        // there (unprinted) until it is appended.
        pugi::xml_node decl = m_doc->append_child(pugi::node_declaration);
        if (!decl) Raise(E_OUTOFMEMORY, "Out of memory.");
        try {
            SetDeclarationData(decl, data);
        } catch (...) {
            m_doc->remove_child(decl);
            throw;
        }
        m_pendingDeclarations.push_back(decl.internal_object());
        return CXmlNode(decl.internal_object());
    }
    if (EqualsNoCase(target, "xml")) Raise(E_INVALIDARG, "The target name \"xml\" is reserved.");
    CheckInstructionData(data);
    pugi::xml_node node = Node(Limbo()).append_child(pugi::node_pi);
    if (!node || !node.set_name(std::string(target).c_str())) Raise(E_OUTOFMEMORY, "Out of memory.");
    SetValueChecked(node, data);
    return CXmlNode(node.internal_object());
}

bool CXmlDocument::IsPending(pugi::xml_node_struct* node) const {
    for (pugi::xml_node_struct* p : m_pendingDeclarations) {
        if (p == node) return true;
    }
    return false;
}

CXmlNode CXmlDocument::AppendChild(const CXmlNode& child) {
    pugi::xml_node node = Node(child.Checked());
    if (node.root() != m_doc->root()) Raise(E_INVALIDARG, "The node belongs to another document.");
    pugi::xml_node_struct* raw = node.internal_object();
    bool hasNodes = false, hasElement = false;
    for (pugi::xml_node top : m_doc->children()) {
        if (top.internal_object() == raw || !IsInTree(top.internal_object())) continue;
        hasNodes = true;
        hasElement = hasElement || top.type() == pugi::node_element;
    }
    switch (node.type()) {
    case pugi::node_declaration:
        if (hasNodes) Raise(E_FAIL, "An XML declaration may only begin the document.");
        for (size_t i = 0; i < m_pendingDeclarations.size(); ++i) {
            if (m_pendingDeclarations[i] == raw) m_pendingDeclarations.erase(m_pendingDeclarations.begin() + long(i));
        }
        return child;
    case pugi::node_element:
        if (hasElement) Raise(E_FAIL, "Only one top level element is allowed in an XML document.");
        break;
    case pugi::node_comment:
    case pugi::node_pi: break;
    default: Raise(E_FAIL, "This node cannot be inserted at the top level of the document.");
    }
    if (!m_doc->append_move(node)) Raise(E_FAIL, "The node cannot be inserted here.");
    return child;
}

namespace dulo {

namespace {

struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};

}  // namespace

std::string SerializeIndented(const CXmlDocument& document) {
    StringWriter out;
    bool declared = false;
    for (pugi::xml_node top : document.m_doc->children()) {
        if (top.type() == pugi::node_declaration && document.IsInTree(top.internal_object())) declared = true;
    }
    if (!declared) out.text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    for (pugi::xml_node top : document.m_doc->children()) {
        if (!document.IsInTree(top.internal_object())) continue;
        top.print(out, "\t", pugi::format_indent, pugi::encoding_utf8);
    }
    return out.text;
}

}  // namespace dulo
