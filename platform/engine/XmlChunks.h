#pragma once
// pugixml helpers for package parts: local names without prefixes, and large
// parts read a slice of items at a time so that the tree never holds a whole sheet.
#include <pugixml.hpp>

#include <functional>
#include <string>
#include <string_view>

namespace dulo::engine {

constexpr unsigned kXmlParseFlags =
    pugi::parse_escapes | pugi::parse_cdata | pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata;

// The name after any namespace prefix.
inline std::string_view LocalName(const char* name) {
    // One pass: names are short and mostly unprefixed, and this runs for every cell.
    const char* start = name;
    const char* p = name;
    for (; *p; ++p)
        if (*p == ':') start = p + 1;
    return {start, static_cast<size_t>(p - start)};
}
inline bool IsNamed(const pugi::xml_node& node, std::string_view local) { return LocalName(node.name()) == local; }
// The first child element with this local name.
pugi::xml_node ChildNamed(const pugi::xml_node& node, std::string_view local);
// The attribute with this local name.
pugi::xml_attribute AttributeNamed(const pugi::xml_node& node, std::string_view local);
// Text content of an element (embedded or in a child data node).
std::string_view NodeText(const pugi::xml_node& node);

// Position of the '<' of the first start tag with this local name at or after
// from; npos when there is none.
size_t FindStartTag(std::string_view xml, size_t from, std::string_view local);
// Position just past the '>' of the tag starting at pos (quotes respected);
// npos when the tag never ends.
size_t TagEnd(std::string_view xml, size_t pos);

// Calls onItem for each <item> element directly inside the first <container>
// element of xml, parsing slices of about a megabyte in place (xml is
// modified). outside receives the document without the container's content,
// for the small elements around it. False when the document is malformed.
bool ForEachItem(std::string& xml, std::string_view container, std::string_view item,
                 const std::function<void(const pugi::xml_node&)>& onItem, std::string* outside);

}  // namespace dulo::engine
