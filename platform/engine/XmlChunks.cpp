#include "platform/engine/XmlChunks.h"

#include <cstring>

namespace dulo::engine {

namespace {

constexpr size_t kSliceBytes = size_t(1) << 20;

bool IsNameEnd(char c) { return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Position of the "</" of the first end tag with this local name at or after from.
size_t FindEndTag(std::string_view xml, size_t from, std::string_view local) {
    while (true) {
        size_t pos = xml.find(local, from);
        if (pos == std::string_view::npos) return pos;
        from = pos + 1;
        size_t after = pos + local.size();
        if (after >= xml.size() || (xml[after] != '>' && !IsNameEnd(xml[after]))) continue;
        size_t start = pos;
        if (start >= 1 && xml[start - 1] == ':') {
            --start;
            while (start > 0 && !IsNameEnd(xml[start - 1]) && xml[start - 1] != '<') --start;
        }
        if (start >= 2 && xml[start - 1] == '/' && xml[start - 2] == '<') return start - 2;
    }
}

}  // namespace

size_t FindStartTag(std::string_view xml, size_t from, std::string_view local) {
    while (true) {
        size_t pos = xml.find('<', from);
        if (pos == std::string_view::npos || pos + 1 >= xml.size()) return std::string_view::npos;
        char first = xml[pos + 1];
        if (first != '/' && first != '?' && first != '!') {
            size_t end = pos + 1;
            while (end < xml.size() && !IsNameEnd(xml[end])) ++end;
            std::string_view name = xml.substr(pos + 1, end - pos - 1);
            size_t colon = name.rfind(':');
            if (colon != std::string_view::npos) name = name.substr(colon + 1);
            if (name == local) return pos;
        }
        from = pos + 1;
    }
}

size_t TagEnd(std::string_view xml, size_t pos) {
    char quote = 0;
    for (size_t i = pos; i < xml.size(); ++i) {
        char c = xml[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

pugi::xml_node ChildNamed(const pugi::xml_node& node, std::string_view local) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element && LocalName(child.name()) == local) return child;
    return {};
}

pugi::xml_attribute AttributeNamed(const pugi::xml_node& node, std::string_view local) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        if (LocalName(a.name()) == local) return a;
    return {};
}

std::string_view NodeText(const pugi::xml_node& node) {
    if (*node.value()) return node.value();
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) return child.value();
    return {};
}

bool ForEachItem(std::string& xml, std::string_view container, std::string_view item,
                 const std::function<void(const pugi::xml_node&)>& onItem, std::string* outside) {
    std::string_view view(xml);
    size_t open = FindStartTag(view, 0, container);
    if (open == std::string_view::npos) {
        if (outside) *outside = xml;
        return true;
    }
    size_t contentStart = TagEnd(view, open);
    if (contentStart == std::string_view::npos) return false;
    size_t contentEnd = contentStart;
    size_t afterContainer = contentStart;
    if (view[contentStart - 2] != '/') {
        contentEnd = FindEndTag(view, contentStart, container);
        if (contentEnd == std::string_view::npos) return false;
        afterContainer = contentEnd;
    }
    if (outside) {
        outside->assign(xml, 0, contentStart);
        outside->append(xml, afterContainer, std::string::npos);
    }
    pugi::xml_document doc;
    size_t pos = contentStart;
    while (pos < contentEnd) {
        size_t cut = contentEnd;
        if (contentEnd - pos > kSliceBytes) {
            size_t end = FindEndTag(view.substr(0, contentEnd), pos + kSliceBytes, item);
            if (end != std::string_view::npos) {
                size_t past = TagEnd(view, end);
                if (past != std::string_view::npos && past <= contentEnd) cut = past;
            }
        }
        doc.reset();
        pugi::xml_parse_result parsed =
            doc.load_buffer_inplace(xml.data() + pos, cut - pos, kXmlParseFlags | pugi::parse_fragment,
                                    pugi::encoding_utf8);
        if (!parsed) return false;
        for (pugi::xml_node node = doc.first_child(); node; node = node.next_sibling())
            if (node.type() == pugi::node_element && LocalName(node.name()) == item) onItem(node);
        pos = cut;
    }
    return true;
}

}  // namespace dulo::engine
