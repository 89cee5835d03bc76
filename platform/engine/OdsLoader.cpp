// OpenDocument spreadsheets (.ods): the tables of content.xml, their rows and
// cells with repeat counts, typed by office:value-type.
#include "platform/engine/BookLoader.h"
#include "platform/engine/CellValues.h"
#include "platform/engine/XmlChunks.h"
#include "platform/engine/ZipPackage.h"

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
    std::string m_contentBytes;  // the tree below parses it in place
    std::string m_stylesBytes;
    pugi::xml_document m_content;
    pugi::xml_document m_styles;
    std::vector<pugi::xml_node> m_tables;
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
    // Paragraphs mix text and elements: text stays in nodes of its own.
    if (!m_content.load_buffer_inplace(m_contentBytes.data(), m_contentBytes.size(),
                                       pugi::parse_escapes | pugi::parse_cdata | pugi::parse_ws_pcdata_single,
                                       pugi::encoding_auto))
        return false;
    pugi::xml_node root = ChildNamed(m_content, "document-content");
    ReadStyles(ChildNamed(root, "automatic-styles"), true);
    pugi::xml_node spreadsheet = ChildNamed(ChildNamed(root, "body"), "spreadsheet");
    for (pugi::xml_node table = spreadsheet.first_child(); table; table = table.next_sibling()) {
        if (!IsNamed(table, "table")) continue;
        SheetModel sheet;
        sheet.name = AttributeNamed(table, "name").value();
        book.sheets.push_back(std::move(sheet));
        m_tables.push_back(table);
    }
    return !book.sheets.empty();
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
