#include "platform/engine/XmlChunks.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace dulo::engine {

namespace {

bool IsNameEnd(char c) { return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A tag name without its namespace prefix.
std::string_view WithoutPrefix(std::string_view name) {
    size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// Looks for the '>' that ends a tag from next on, quotes respected; the
// position just past it, or npos with next and quote left where the text ran
// out, so that the scan can go on once more text is there.
size_t ScanTagEnd(std::string_view xml, size_t& next, char& quote) {
    for (size_t i = next; i < xml.size(); ++i) {
        char c = xml[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    next = xml.size();
    return std::string_view::npos;
}

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
            if (WithoutPrefix(xml.substr(pos + 1, end - pos - 1)) == local) return pos;
        }
        from = pos + 1;
    }
}

size_t TagEnd(std::string_view xml, size_t pos) {
    char quote = 0;
    return ScanTagEnd(xml, pos, quote);
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

ItemStream::ItemStream(std::string_view container, std::string_view item, OnItem onItem, std::string* outside,
                       size_t sliceBytes)
    : m_container(container), m_item(item), m_onItem(std::move(onItem)), m_outside(outside),
      m_slice(std::max<size_t>(sliceBytes, 1)) {}

bool ItemStream::Add(std::string_view piece) {
    if (m_state == State::Failed) return false;
    if (m_state == State::After) {
        if (m_outside) m_outside->append(piece);
        return true;
    }
    m_buffer.append(piece);
    return Process(false);
}

bool ItemStream::Finish() {
    if (m_state == State::Failed) return false;
    return m_state == State::After || Process(true);
}

bool ItemStream::Process(bool final) {
    if ((m_state == State::Seeking || m_state == State::OpenTag) && !Seek(final)) return false;
    if (m_state == State::Content && !ReadContent(final)) return false;
    if (m_state == State::Failed) return false;
    if (final && m_state != State::After) {
        m_state = State::Failed;
        return false;
    }
    return true;
}

// The container's start tag: the first start tag of that local name, a tag
// being decided only once its name has ended.
bool ItemStream::Seek(bool final) {
    const size_t size = m_buffer.size();
    while (m_state == State::Seeking) {
        size_t lt = m_buffer.find('<', m_scan);
        if (lt == std::string::npos || lt + 1 >= size) {
            const size_t next = lt == std::string::npos ? size : lt;
            if (next != m_scan) m_nameScan = 0;
            m_scan = next;
            if (!final) return true;
            // No container: the whole document is outside it.
            if (m_outside) *m_outside = m_buffer;
            m_buffer.clear();
            m_state = State::After;
            return true;
        }
        char first = m_buffer[lt + 1];
        if (first == '/' || first == '?' || first == '!') {
            m_scan = lt + 1;
            m_nameScan = 0;
            continue;
        }
        // A name cut by the end of a piece is read on from where it was cut.
        size_t end = lt == m_scan && m_nameScan > lt ? m_nameScan : lt + 1;
        while (end < size && !IsNameEnd(m_buffer[end])) ++end;
        if (end == size && !final) {
            m_scan = lt;
            m_nameScan = end;
            return true;
        }
        if (WithoutPrefix(std::string_view(m_buffer.data() + lt + 1, end - lt - 1)) == m_container) {
            m_openTag = TagScan{lt, 0};
            m_state = State::OpenTag;
        } else {
            m_scan = lt + 1;
            m_nameScan = 0;
        }
    }
    if (m_state != State::OpenTag) return true;
    size_t contentStart = ScanTagEnd(m_buffer, m_openTag.next, m_openTag.quote);
    if (contentStart == std::string::npos) return true;  // Process fails it at the end
    if (m_outside) m_outside->assign(m_buffer, 0, contentStart);
    if (m_buffer[contentStart - 2] == '/') {
        // <container/>: nothing inside, the rest is outside.
        if (m_outside) m_outside->append(m_buffer, contentStart, std::string::npos);
        m_buffer.clear();
        m_state = State::After;
        return true;
    }
    m_pos = m_endScan = m_itemScan = contentStart;
    m_state = State::Content;
    return true;
}

// Cuts the content where a document read whole would be cut: at the end of
// the first item end tag a slice's length past the last cut, or at the
// container's end. A cut is made only once the bytes that decide it are here.
bool ItemStream::ReadContent(bool final) {
    const size_t containerLength = m_container.size();
    const size_t itemLength = m_item.size();
    if (m_contentEnd == std::string::npos) {
        size_t end = FindEndTag(m_buffer, m_endScan, m_container);
        if (end != std::string::npos) m_contentEnd = end;
        else if (m_buffer.size() > containerLength) m_endScan = std::max(m_endScan, m_buffer.size() - containerLength);
        if (m_contentEnd == std::string::npos && final) {
            m_state = State::Failed;
            return false;
        }
    }
    while (true) {
        const bool endKnown = m_contentEnd != std::string::npos;
        // The content reaches at least this far.
        const size_t limit = endKnown ? m_contentEnd : m_endScan;
        if (endKnown && m_pos >= m_contentEnd) {
            if (m_outside) m_outside->append(m_buffer, m_contentEnd, std::string::npos);
            m_buffer.clear();
            m_state = State::After;
            return true;
        }
        size_t cut = std::string::npos;
        if (endKnown && m_contentEnd - m_pos <= m_slice) {
            cut = m_contentEnd;
        } else {
            if (limit <= m_pos || limit - m_pos <= m_slice) return true;  // not decided yet
            if (m_itemEnd == std::string::npos) {
                size_t from = std::max(m_pos + m_slice, m_itemScan);
                size_t end = FindEndTag(std::string_view(m_buffer).substr(0, limit), from, m_item);
                if (end == std::string::npos) {
                    if (endKnown) {
                        cut = m_contentEnd;
                    } else {
                        m_itemScan = limit > itemLength ? std::max(from, limit - itemLength) : from;
                        return true;
                    }
                } else {
                    m_itemEnd = end;
                    m_itemTag = TagScan{end, 0};
                }
            }
            if (cut == std::string::npos) {
                size_t past = ScanTagEnd(m_buffer, m_itemTag.next, m_itemTag.quote);
                if (endKnown) {
                    cut = past != std::string::npos && past <= m_contentEnd ? past : m_contentEnd;
                } else if (past != std::string::npos && past <= limit) {
                    cut = past;
                } else {
                    if (past != std::string::npos) m_itemTag.next = m_itemEnd;  // decided once the limit passes it
                    return true;
                }
            }
        }
        if (!ParseSlice(cut)) return false;
        Compact();
    }
}

bool ItemStream::ParseSlice(size_t cut) {
    m_doc.reset();
    pugi::xml_parse_result parsed = m_doc.load_buffer_inplace(m_buffer.data() + m_pos, cut - m_pos,
                                                              kXmlParseFlags | pugi::parse_fragment,
                                                              pugi::encoding_utf8);
    if (!parsed) {
        m_state = State::Failed;
        return false;
    }
    for (pugi::xml_node node = m_doc.first_child(); node; node = node.next_sibling())
        if (node.type() == pugi::node_element && LocalName(node.name()) == m_item) m_onItem(node);
    m_doc.reset();
    m_pos = m_itemScan = cut;
    m_itemEnd = std::string::npos;
    return true;
}

// Drops what has been parsed once it is a slice long, so the buffer stays
// about two slices however long the document is.
void ItemStream::Compact() {
    if (m_pos < m_slice) return;
    const size_t n = m_pos;
    m_buffer.erase(0, n);
    m_pos -= n;
    m_endScan -= std::min(m_endScan, n);
    m_itemScan -= std::min(m_itemScan, n);
    if (m_contentEnd != std::string::npos) m_contentEnd -= n;
}

}  // namespace dulo::engine
