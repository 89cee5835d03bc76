// OpenDocument spreadsheets (.ods): the tables of content.xml, their rows and
// cells with repeat counts, typed by office:value-type. The rows are most of a
// large document: the document is parsed as a tree without them, and a sheet's
// rows are parsed a slice at a time when the sheet is read.
#include "platform/engine/BookLoader.h"
#include "platform/engine/CellValues.h"
#include "platform/engine/XmlChunks.h"
#include "platform/engine/ZipPackage.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <set>

namespace dulo::engine {

namespace {

// Cells a sheet may hold after its repeats are applied; more is damaged or
// hostile (a few bytes of repeat counts could otherwise ask for billions).
constexpr uint64_t kMaxOdsCells = uint64_t(1) << 24;

// Paragraphs mix text and elements: text stays in nodes of its own.
constexpr unsigned kContentParseFlags = pugi::parse_escapes | pugi::parse_cdata | pugi::parse_ws_pcdata_single;
constexpr size_t kRowSliceBytes = size_t(1) << 20;
// Stands in the document tree for a table's rows. Only the reader's own is
// one: it is known by where its name lies in the outline, which a file cannot
// fake.
constexpr std::string_view kRowsPlaceholder = "dulo-rows";

bool IsNameEnd(char c) { return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsRowElement(std::string_view local) {
    return local == "table-row" || local == "table-row-group" || local == "table-header-rows" || local == "table-rows";
}

// The qualified name of the tag whose '<' is at pos ("/" of an end tag excluded).
std::string_view TagName(std::string_view xml, size_t pos) {
    size_t start = pos + 1;
    if (start < xml.size() && xml[start] == '/') ++start;
    size_t end = start;
    while (end < xml.size() && !IsNameEnd(xml[end])) ++end;
    return xml.substr(start, end - start);
}

// True when the XML declaration names an encoding other than UTF-8: such a
// document is parsed whole, as its slices could not be decoded alone.
bool DeclaresOtherEncoding(std::string_view xml) {
    if (xml.substr(0, 5) != "<?xml") return false;
    std::string_view declaration = xml.substr(0, xml.find("?>"));
    size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return false;
    size_t quote = declaration.find_first_of("\"'", at);
    if (quote == std::string_view::npos) return true;
    std::string name;
    for (size_t i = quote + 1; i < declaration.size() && declaration[i] != declaration[quote]; ++i)
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(declaration[i])));
    return name != "utf-8" && name != "utf8";
}

std::string_view PrefixOf(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? std::string_view(name, static_cast<size_t>(colon - name)) : std::string_view();
}

uint64_t RepeatCount(const char* text) {
    uint64_t n = 0;
    std::string_view s(text);
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec != std::errc() || end != s.data() + s.size() || n == 0) return 1;
    return n;
}

// "PT12H30M05.5S" (also "-P1DT2H") as a fraction of a day.
bool ParseDuration(std::string_view s, double& days) {
    bool negative = !s.empty() && s[0] == '-';
    if (negative) s.remove_prefix(1);
    if (s.empty() || s[0] != 'P') return false;
    s.remove_prefix(1);
    double total = 0;
    bool inTime = false, any = false;
    while (!s.empty()) {
        if (s[0] == 'T') {
            inTime = true;
            s.remove_prefix(1);
            continue;
        }
        double value = 0;
        auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
        if (ec != std::errc() || end == s.data() + s.size() || !(value >= 0)) return false;
        char unit = *end;
        s.remove_prefix(static_cast<size_t>(end - s.data()) + 1);
        if (unit == 'D' && !inTime) total += value;
        else if (unit == 'H' && inTime) total += value / 24;
        else if (unit == 'M' && inTime) total += value / 1440;
        else if (unit == 'S' && inTime) total += value / 86400;
        else return false;
        any = true;
    }
    if (!any || !std::isfinite(total)) return false;
    days = negative ? -total : total;
    return true;
}

// A length such as "2.258cm" or "0.889in" in points.
bool ParseLength(std::string_view s, double& points) {
    double value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || !(value >= 0)) return false;
    std::string_view unit(end, static_cast<size_t>(s.data() + s.size() - end));
    static constexpr std::pair<std::string_view, double> kUnits[] = {
        {"pt", 1}, {"in", 72}, {"cm", 72 / 2.54}, {"mm", 72 / 25.4}, {"pc", 12}, {"px", 0.75}};
    for (const auto& [name, factor] : kUnits)
        if (unit == name) {
            points = value * factor;
            return std::isfinite(points);
        }
    return false;
}

class OdsLoader : public BookLoader {
public:
    explicit OdsLoader(std::unique_ptr<ZipPackage> zip) : m_zip(std::move(zip)) {}
    bool ReadContent(BookModel& book);
    bool LoadSheet(BookModel& book, size_t index) override;

private:
    // A table's rows in m_contentBytes, from the first row's start tag to past
    // the last one's end tag; the end tag a slice may be cut after; where its
    // placeholder stands in m_outline.
    struct RowSpan {
        size_t begin, end;
        std::string rowEndTag;
        size_t outlineAt;
    };
    // The span whose placeholder this node is, SIZE_MAX for none.
    size_t SpanOf(const pugi::xml_node& node) const;
    bool BuildOutline();
    bool ReadRowSpan(BookModel& book, SheetModel& sheet, const RowSpan& span, uint32_t& row);
    struct CellStyle {
        std::string parent;
        std::string dataStyle;
    };
    void ReadStyles(const pugi::xml_node& container, bool automatic);
    NumberClass ClassOfStyle(const std::string& name) const;
    bool ReadRows(BookModel& book, SheetModel& sheet, const pugi::xml_node& parent, uint32_t& row);
    bool ReadCell(BookModel& book, SheetModel& sheet, const pugi::xml_node& cell, uint32_t row, uint64_t rowRepeat,
                  uint32_t& col);
    void AppendParagraph(std::string& out, const pugi::xml_node& node) const;
    void ReadColumnDefaults(SheetModel& sheet, const pugi::xml_node& parent, uint32_t& col);
    bool IsFormattedBlank(std::string_view style, uint32_t first, uint32_t end) const;

    std::unique_ptr<ZipPackage> m_zip;
    std::string m_contentBytes;
    // The content without its tables' rows, parsed in place by m_content (or,
    // when it cannot be cut, m_contentBytes parsed whole).
    std::string m_outline;
    std::vector<RowSpan> m_rowSpans;
    std::string m_slice;  // a slice of rows, parsed in place
    std::string m_stylesBytes;
    pugi::xml_document m_content;
    pugi::xml_document m_styles;
    std::vector<pugi::xml_node> m_tables;
    std::vector<size_t> m_tableSpans;  // each table's entry in m_rowSpans, SIZE_MAX for none
    size_t m_pendingSpan = SIZE_MAX;   // the span the table being read has yet to read
    std::map<std::string, CellStyle> m_cellStyles;
    std::map<std::string, NumberClass> m_dataStyles;
    std::map<std::string, double> m_columnWidths;  // column style to width in points
    std::map<std::string, NumberClass> m_classCache;
    // Direct formatting: a blank with one of these counts for the used area;
    // a named style (the document's default among them) does not.
    std::set<std::string> m_automaticStyles;
    uint64_t m_cellCount = 0;
    // The default cell style of the current table's columns: (end column, style).
    std::vector<std::pair<uint32_t, std::string>> m_columnDefaults;
};

// Columns: their default cell styles, and their widths as characters of the
// digit width with padding (7 pixels a digit at 96 pixels an inch).
void OdsLoader::ReadColumnDefaults(SheetModel& sheet, const pugi::xml_node& parent, uint32_t& col) {
    for (pugi::xml_node node = parent.first_child(); node; node = node.next_sibling()) {
        if (node.type() != pugi::node_element) continue;
        std::string_view name = LocalName(node.name());
        if (name == "table-column-group" || name == "table-header-columns" || name == "table-columns") {
            ReadColumnDefaults(sheet, node, col);
        } else if (name == "table-column" && col < kXlsxMaxColumns) {
            uint64_t repeat = RepeatCount(AttributeNamed(node, "number-columns-repeated").value());
            uint32_t first = col;
            col = static_cast<uint32_t>(std::min<uint64_t>(uint64_t(col) + repeat, kXlsxMaxColumns));
            auto width = m_columnWidths.find(AttributeNamed(node, "style-name").value());
            if (width != m_columnWidths.end()) {
                if (sheet.widths.size() < col) sheet.widths.resize(col, -1);
                for (uint32_t c = first; c < col; ++c) sheet.widths[c] = width->second * 96 / 72 / 7;
            }
            bool hidden = std::strcmp(AttributeNamed(node, "visibility").value(), "collapse") == 0;
            if (hidden) {
                if (sheet.hiddenColumns.size() < col) sheet.hiddenColumns.resize(col, false);
                for (uint32_t c = first; c < col; ++c) sheet.hiddenColumns[c] = true;
            }
            m_columnDefaults.emplace_back(col, AttributeNamed(node, "default-cell-style-name").value());
        }
    }
}

// A blank is formatted when it carries direct formatting (an automatic style)
// other than what its columns give every cell.
bool OdsLoader::IsFormattedBlank(std::string_view style, uint32_t first, uint32_t end) const {
    if (style.empty() || !m_automaticStyles.count(std::string(style))) return false;
    uint32_t start = 0;
    for (const auto& [stop, columnStyle] : m_columnDefaults) {
        if (stop > first && start < end && columnStyle != style) return true;
        start = stop;
        if (start >= end) return false;
    }
    return start < end;  // columns beyond the declared ones have no default
}

void OdsLoader::ReadStyles(const pugi::xml_node& container, bool automatic) {
    for (pugi::xml_node style = container.first_child(); style; style = style.next_sibling()) {
        std::string_view name = LocalName(style.name());
        std::string styleName = AttributeNamed(style, "name").value();
        if (name == "style") {
            std::string_view family = AttributeNamed(style, "family").value();
            double points = 0;
            if (family == "table-column" &&
                ParseLength(AttributeNamed(ChildNamed(style, "table-column-properties"), "column-width").value(), points))
                m_columnWidths[styleName] = points;
            if (family != "table-cell") continue;
            m_cellStyles[styleName] = {AttributeNamed(style, "parent-style-name").value(),
                                       AttributeNamed(style, "data-style-name").value()};
            if (automatic) m_automaticStyles.insert(styleName);
        } else if (name == "currency-style") {
            m_dataStyles[styleName] = NumberClass::Currency;
        } else if (name == "date-style" || name == "time-style") {
            m_dataStyles[styleName] = NumberClass::Date;
        }
    }
}

NumberClass OdsLoader::ClassOfStyle(const std::string& name) const {
    std::string current = name;
    for (int depth = 0; depth < 8 && !current.empty(); ++depth) {
        auto style = m_cellStyles.find(current);
        if (style == m_cellStyles.end()) break;
        if (!style->second.dataStyle.empty()) {
            auto data = m_dataStyles.find(style->second.dataStyle);
            return data == m_dataStyles.end() ? NumberClass::Plain : data->second;
        }
        current = style->second.parent;
    }
    return NumberClass::Plain;
}

bool OdsLoader::ReadContent(BookModel& book) {
    book.maxRows = kXlsxMaxRows;
    book.maxColumns = kXlsxMaxColumns;
    if (m_zip->Read("styles.xml", m_stylesBytes, kMaxTreePartBytes) &&
        m_styles.load_buffer_inplace(m_stylesBytes.data(), m_stylesBytes.size(), kXmlParseFlags, pugi::encoding_auto)) {
        pugi::xml_node root = ChildNamed(m_styles, "document-styles");
        ReadStyles(ChildNamed(root, "styles"), false);
        ReadStyles(ChildNamed(root, "automatic-styles"), false);
    }
    if (!m_zip->Read("content.xml", m_contentBytes)) return false;
    bool parsed = BuildOutline() && m_content.load_buffer_inplace(m_outline.data(), m_outline.size(),
                                                                  kContentParseFlags, pugi::encoding_auto);
    if (!parsed) {
        // Not cut into rows (or the cut did not hold): the whole document as one tree.
        m_content.reset();
        m_outline.clear();
        m_rowSpans.clear();
        if (!m_content.load_buffer_inplace(m_contentBytes.data(), m_contentBytes.size(), kContentParseFlags,
                                           pugi::encoding_auto))
            return false;
    }
    pugi::xml_node root = ChildNamed(m_content, "document-content");
    ReadStyles(ChildNamed(root, "automatic-styles"), true);
    pugi::xml_node spreadsheet = ChildNamed(ChildNamed(root, "body"), "spreadsheet");
    for (pugi::xml_node table = spreadsheet.first_child(); table; table = table.next_sibling()) {
        if (!IsNamed(table, "table")) continue;
        SheetModel sheet;
        sheet.name = AttributeNamed(table, "name").value();
        book.sheets.push_back(std::move(sheet));
        m_tables.push_back(table);
        size_t span = SIZE_MAX;
        for (pugi::xml_node child = table.first_child(); child && span == SIZE_MAX; child = child.next_sibling())
            span = SpanOf(child);
        m_tableSpans.push_back(span);
    }
    return !book.sheets.empty();
}

// Cuts each table's rows out of the content: the outline keeps everything
// else, with a placeholder where the rows were. False when there is nothing to
// cut or the content is not plain UTF-8 markup.
bool OdsLoader::BuildOutline() {
    std::string_view xml(m_contentBytes);
    if (DeclaresOtherEncoding(xml)) return false;
    size_t copied = 0;
    for (size_t pos = FindStartTag(xml, 0, "table"); pos != std::string_view::npos;
         pos = FindStartTag(xml, pos, "table")) {
        size_t contentStart = TagEnd(xml, pos);
        if (contentStart == std::string_view::npos) return false;
        std::string_view name = TagName(xml, pos);
        if (xml[contentStart - 2] == '/' || name.size() < 5) {
            pos = contentStart;
            continue;
        }
        // The table's own prefix names its rows and its end tag.
        std::string prefix(name.substr(0, name.size() - 5));
        std::string endTag = "</" + std::string(name) + ">";
        size_t tableEnd = xml.find(endTag, contentStart);
        if (tableEnd == std::string_view::npos) return false;
        // The first row: rows follow the columns, near the table's start.
        size_t first = std::string_view::npos;
        for (size_t at = xml.find('<', contentStart); at < tableEnd; at = xml.find('<', at + 1)) {
            if (at + 1 < xml.size() && (xml[at + 1] == '/' || xml[at + 1] == '!' || xml[at + 1] == '?')) continue;
            std::string_view tag = TagName(xml, at);
            if (tag.substr(0, prefix.size()) == prefix && IsRowElement(tag.substr(prefix.size()))) {
                first = at;
                break;
            }
        }
        // The last row's end, searched back from the table's end: what follows the
        // rows is short. Header rows may close the run only after the last row.
        size_t last = std::string_view::npos;
        if (first != std::string_view::npos) {
            std::string close = "</" + prefix + "table-row";
            for (size_t at = xml.rfind(close, tableEnd); at != std::string_view::npos && at > first;
                 at = xml.rfind(close, at - 1)) {
                if (IsRowElement(TagName(xml, at).substr(prefix.size()))) {
                    last = at;
                    break;
                }
            }
            if (last != std::string_view::npos) {
                size_t header = xml.substr(0, tableEnd).find("</" + prefix + "table-header-rows", last);
                if (header != std::string_view::npos && IsRowElement(TagName(xml, header).substr(prefix.size())))
                    last = header;
            }
        }
        if (first != std::string_view::npos && last != std::string_view::npos) {
            size_t end = TagEnd(xml, last);
            if (end == std::string_view::npos || end > tableEnd) return false;
            m_outline.append(xml.substr(copied, first - copied));
            m_rowSpans.push_back({first, end, "</" + prefix + "table-row>", m_outline.size()});
            m_outline += "<" + std::string(kRowsPlaceholder) + "/>";
            copied = end;
        }
        pos = tableEnd + endTag.size();
    }
    if (m_rowSpans.empty()) return false;
    m_outline.append(xml.substr(copied));
    return true;
}

size_t OdsLoader::SpanOf(const pugi::xml_node& node) const {
    if (m_rowSpans.empty() || LocalName(node.name()) != kRowsPlaceholder) return SIZE_MAX;
    const char* name = node.name();
    if (name <= m_outline.data() || name >= m_outline.data() + m_outline.size()) return SIZE_MAX;
    size_t at = static_cast<size_t>(name - m_outline.data()) - 1;
    auto span = std::lower_bound(m_rowSpans.begin(), m_rowSpans.end(), at,
                                 [](const RowSpan& s, size_t offset) { return s.outlineAt < offset; });
    return span != m_rowSpans.end() && span->outlineAt == at ? static_cast<size_t>(span - m_rowSpans.begin()) : SIZE_MAX;
}

// A span of rows, parsed a slice of about a megabyte at a time. A slice is cut
// after a row's end tag; a cut inside a row group does not parse alone, and
// then the rest of the span is parsed at once.
bool OdsLoader::ReadRowSpan(BookModel& book, SheetModel& sheet, const RowSpan& span, uint32_t& row) {
    std::string_view xml(m_contentBytes);
    pugi::xml_document doc;
    size_t pos = span.begin;
    while (pos < span.end) {
        size_t cut = span.end;
        if (span.end - pos > kRowSliceBytes) {
            size_t at = xml.substr(0, span.end).find(span.rowEndTag, pos + kRowSliceBytes);
            if (at != std::string_view::npos) cut = at + span.rowEndTag.size();
        }
        // Parsed from a copy: the content stays whole for a cut that must be retried.
        m_slice.assign(xml.data() + pos, cut - pos);
        bool parsed = doc.load_buffer_inplace(m_slice.data(), m_slice.size(), kContentParseFlags | pugi::parse_fragment,
                                              pugi::encoding_utf8);
        if (!parsed && cut != span.end) {
            cut = span.end;
            m_slice.assign(xml.data() + pos, cut - pos);
            parsed = doc.load_buffer_inplace(m_slice.data(), m_slice.size(), kContentParseFlags | pugi::parse_fragment,
                                             pugi::encoding_utf8);
        }
        if (!parsed || !ReadRows(book, sheet, doc, row)) return false;
        pos = cut;
    }
    m_slice.clear();
    m_slice.shrink_to_fit();
    return true;
}

void OdsLoader::AppendParagraph(std::string& out, const pugi::xml_node& node) const {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            out += child.value();
            continue;
        }
        if (child.type() != pugi::node_element) continue;
        std::string_view name = LocalName(child.name());
        if (name == "s") {
            // Runs of spaces are written as a count; a hostile count is cut.
            uint64_t n = std::min<uint64_t>(RepeatCount(AttributeNamed(child, "c").value()), 32767);
            out.append(static_cast<size_t>(n), ' ');
        } else if (name == "tab") {
            out += '\t';
        } else if (name == "line-break") {
            out += '\n';
        } else if (name != "note" && name != "annotation" && name != "ruby-text") {
            AppendParagraph(out, child);  // spans, links, fields: their text
        }
    }
}

bool OdsLoader::ReadCell(BookModel& book, SheetModel& sheet, const pugi::xml_node& node, uint32_t row,
                         uint64_t rowRepeat, uint32_t& col) {
    uint64_t colRepeat = 1;
    std::string_view valueType, calcType, value, dateValue, timeValue, boolValue, styleName;
    const char* stringValue = nullptr;
    bool formula = false;
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        std::string_view local = LocalName(a.name());
        if (local == "value-type") {
            if (PrefixOf(a.name()) == "calcext") calcType = a.value();
            else valueType = a.value();
        } else if (local == "number-columns-repeated") {
            colRepeat = RepeatCount(a.value());
        } else if (local == "value") {
            value = a.value();
        } else if (local == "date-value") {
            dateValue = a.value();
        } else if (local == "time-value") {
            timeValue = a.value();
        } else if (local == "boolean-value") {
            boolValue = a.value();
        } else if (local == "string-value") {
            stringValue = a.value();
        } else if (local == "formula") {
            formula = true;
        } else if (local == "style-name") {
            styleName = a.value();
        }
    }
    uint32_t first = col;
    uint64_t end = std::min<uint64_t>(uint64_t(first) + colRepeat, kXlsxMaxColumns);
    col = static_cast<uint32_t>(end);
    if (first >= kXlsxMaxColumns) return true;
    Cell cell{};
    cell.type = CellType::Blank;
    if (formula) cell.flags |= Cell::kFormula;
    std::string text;
    if (valueType == "float" || valueType == "percentage" || valueType == "currency") {
        if (ParseCNumber(value, cell.number)) {
            cell.type = CellType::Number;
            if (valueType == "currency") cell.SetClass(NumberClass::Currency);
            else if (valueType == "float" && !styleName.empty()) {
                std::string style(styleName);
                auto cached = m_classCache.find(style);
                if (cached == m_classCache.end()) cached = m_classCache.emplace(style, ClassOfStyle(style)).first;
                cell.SetClass(cached->second);
            }
        }
    } else if (valueType == "date") {
        if (ParseIsoDate(dateValue, cell.number)) {
            cell.type = CellType::Number;
            cell.flags |= Cell::kOleDate;
            cell.SetClass(NumberClass::Date);
        }
    } else if (valueType == "time") {
        if (ParseDuration(timeValue, cell.number)) {
            cell.type = CellType::Number;
            cell.flags |= Cell::kOleDate;
            cell.SetClass(NumberClass::Date);
        }
    } else if (valueType == "boolean") {
        cell.type = CellType::Bool;
        cell.index = boolValue == "true" || boolValue == "1" ? 1 : 0;
    } else if (valueType == "string") {
        // The writer's flag for an error result leaves the error's name in the paragraph.
        if (stringValue && calcType != "error") {
            text = stringValue;
        } else {
            bool firstParagraph = true;
            for (pugi::xml_node p = node.first_child(); p; p = p.next_sibling()) {
                if (!IsNamed(p, "p")) continue;
                if (!firstParagraph) text += '\n';
                AppendParagraph(text, p);
                firstParagraph = false;
            }
        }
        // An error result is written as its text: flagged by the writer, or a
        // formula whose text is exactly an error's name.
        static constexpr std::string_view kErrors[] = {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!",
                                                       "#NAME?", "#NUM!",   "#N/A"};
        bool isError = calcType == "error";
        for (std::string_view e : kErrors) isError = isError || (formula && text == e);
        if (isError) {
            cell.type = CellType::Error;
            cell.index = ErrorCodeFromText(text);
        } else {
            cell.type = CellType::String;
        }
    } else if (!calcType.empty() && calcType == "error") {
        cell.type = CellType::Error;
        cell.index = ErrorCodeFromText(std::string_view(NodeText(ChildNamed(node, "p"))));
    }
    uint64_t rowEnd = std::min<uint64_t>(uint64_t(row) + rowRepeat, kXlsxMaxRows);
    if (cell.type == CellType::Blank && !formula) {
        // Only a formatted blank widens the used area, and only as a count.
        if (IsFormattedBlank(styleName, first, static_cast<uint32_t>(end))) {
            sheet.blankRows = std::max<uint32_t>(sheet.blankRows, static_cast<uint32_t>(rowEnd));
            sheet.blankCols = std::max<uint32_t>(sheet.blankCols, static_cast<uint32_t>(end));
        }
        return true;
    }
    uint64_t count = (rowEnd - row) * (end - first);
    if (m_cellCount + count > kMaxOdsCells) return false;
    m_cellCount += count;
    if (cell.type == CellType::String) cell.index = book.strings.AddUtf8(text, false);
    for (uint64_t r = row; r < rowEnd; ++r)
        for (uint64_t c = first; c < end; ++c) {
            cell.row = static_cast<uint32_t>(r);
            cell.col = static_cast<uint16_t>(c);
            sheet.cells.push_back(cell);
        }
    return true;
}

bool OdsLoader::ReadRows(BookModel& book, SheetModel& sheet, const pugi::xml_node& parent, uint32_t& row) {
    for (pugi::xml_node node = parent.first_child(); node; node = node.next_sibling()) {
        if (node.type() != pugi::node_element) continue;
        std::string_view name = LocalName(node.name());
        if (name == "table-row-group" || name == "table-header-rows" || name == "table-rows") {
            if (!ReadRows(book, sheet, node, row)) return false;
            continue;
        }
        if (name == kRowsPlaceholder) {
            // The table's rows, read once, where they stood.
            if (m_pendingSpan != SIZE_MAX && SpanOf(node) == m_pendingSpan) {
                size_t span = m_pendingSpan;
                m_pendingSpan = SIZE_MAX;
                if (!ReadRowSpan(book, sheet, m_rowSpans[span], row)) return false;
            }
            continue;
        }
        if (name != "table-row") continue;
        uint64_t repeat = RepeatCount(AttributeNamed(node, "number-rows-repeated").value());
        if (row < kXlsxMaxRows) {
            uint32_t col = 0;
            for (pugi::xml_node cell = node.first_child(); cell; cell = cell.next_sibling()) {
                std::string_view cellName = LocalName(cell.name());
                if ((cellName == "table-cell" || cellName == "covered-table-cell") &&
                    !ReadCell(book, sheet, cell, row, repeat, col))
                    return false;
            }
        }
        // Repeated rows are a count: empty ones cost nothing.
        row = static_cast<uint32_t>(std::min<uint64_t>(uint64_t(row) + repeat, kXlsxMaxRows));
    }
    return true;
}

bool OdsLoader::LoadSheet(BookModel& book, size_t index) {
    SheetModel& sheet = book.sheets[index];
    uint32_t row = 0;
    m_cellCount = 0;
    m_columnDefaults.clear();
    uint32_t col = 0;
    ReadColumnDefaults(sheet, m_tables[index], col);
    m_pendingSpan = m_tableSpans[index];
    if (!ReadRows(book, sheet, m_tables[index], row)) {
        sheet.cells.clear();
        return false;
    }
    sheet.Finish();
    return true;
}

}  // namespace

std::unique_ptr<BookLoader> OpenOds(std::unique_ptr<ZipPackage> zip, BookModel& book) {
    auto loader = std::make_unique<OdsLoader>(std::move(zip));
    if (!loader->ReadContent(book)) return nullptr;
    return loader;
}

}  // namespace dulo::engine
