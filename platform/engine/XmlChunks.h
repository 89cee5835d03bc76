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

// The <item> elements directly inside the first <container> element of a
// document that arrives in pieces (a part as it is inflated): each slice of
// about sliceBytes up to the end of an item is parsed in place and handed to
// onItem, then dropped, so that neither the tree nor the text ever holds a
// whole sheet. How the document is cut into pieces does not change what
// onItem sees. outside receives the document without the container's
// content, for the small elements around it.
class ItemStream {
public:
    using OnItem = std::function<void(const pugi::xml_node&)>;
    static constexpr size_t kSliceBytes = size_t(1) << 20;

    ItemStream(std::string_view container, std::string_view item, OnItem onItem, std::string* outside,
               size_t sliceBytes = kSliceBytes);
    // Takes the next piece; false once the document is known to be malformed.
    bool Add(std::string_view piece);
    // The document has ended: false when it is malformed (no end to the
    // container, a slice that does not parse). onItem may have seen items of
    // a document found malformed later; the caller discards what it made.
    bool Finish();

private:
    enum class State { Seeking, OpenTag, Content, After, Failed };
    // The end of a tag, looked for across pieces: quotes respected.
    struct TagScan {
        size_t next = 0;
        char quote = 0;
    };
    bool Process(bool final);
    bool Seek(bool final);
    bool ReadContent(bool final);
    bool ParseSlice(size_t cut);
    void Compact();

    std::string m_container, m_item;
    OnItem m_onItem;
    std::string* m_outside;
    size_t m_slice;
    State m_state = State::Seeking;
    std::string m_buffer;
    size_t m_scan = 0;          // seeking: the first '<' not yet decided
    size_t m_nameScan = 0;      // seeking: that tag's name has no end before this
    TagScan m_openTag;          // the container's start tag
    size_t m_pos = 0;           // content: the first byte not yet parsed
    size_t m_endScan = 0;       // content: the container's end tag starts nowhere before this
    size_t m_contentEnd = std::string::npos;
    size_t m_itemScan = 0;      // content: no item end tag before this decides the slice
    size_t m_itemEnd = std::string::npos;  // an item end tag whose '>' is still to come
    TagScan m_itemTag;
    pugi::xml_document m_doc;
};

}  // namespace dulo::engine
