// OOXML packages (.xlsx, .xlsm): workbook, relationships, shared strings,
// styles, and each worksheet's cells when first needed.
#include "platform/engine/BookLoader.h"
#include "platform/engine/CellValues.h"
#include "platform/engine/XmlChunks.h"
#include "platform/engine/ZipPackage.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <map>

namespace dulo::engine {

namespace {

bool ParseDocument(pugi::xml_document& doc, std::string& bytes) {
    return static_cast<bool>(doc.load_buffer_inplace(bytes.data(), bytes.size(), kXmlParseFlags, pugi::encoding_auto));
}

bool ParseUnsigned(std::string_view s, uint64_t& value) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

bool ParseDouble(std::string_view s, double& value) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '+')) s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

bool IsTrue(std::string_view s) { return s == "1" || s == "true" || s == "on"; }

// "AB12" into a 0-based (row, column); false when malformed or beyond the limits.
bool ParseCellRef(std::string_view ref, uint32_t& row, uint32_t& col) {
    size_t i = 0;
    uint32_t c = 0;
    while (i < ref.size() && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z'))) {
        c = c * 26 + static_cast<uint32_t>((ref[i] | 0x20) - 'a' + 1);
        if (c > kXlsxMaxColumns) return false;
        ++i;
    }
    uint64_t r = 0;
    if (i == 0 || !ParseUnsigned(ref.substr(i), r) || r == 0 || r > kXlsxMaxRows) return false;
    row = static_cast<uint32_t>(r - 1);
    col = c - 1;
    return true;
}

class XlsxLoader : public BookLoader {
public:
    XlsxLoader(std::unique_ptr<ZipPackage> zip) : m_zip(std::move(zip)) {}
    bool ReadWorkbook(BookModel& book);
    bool LoadSheet(BookModel& book, size_t index) override;

private:
    // Streams a part through items as it is inflated; false when the part
    // cannot be read or is malformed.
    bool ReadItems(const std::string& part, ItemStream& items) const;
    void ReadSharedStrings(BookModel& book, const std::string& part);
    void ReadStyles(const std::string& part);
    void ReadCell(BookModel& book, SheetModel& sheet, const pugi::xml_node& c, uint32_t row, uint32_t& nextCol);
    void ReadColumns(SheetModel& sheet, const std::string& outside);

    std::unique_ptr<ZipPackage> m_zip;
    std::vector<std::string> m_sheetParts;
    std::vector<uint32_t> m_sharedStrings;  // pool index of each shared string
    std::vector<NumberClass> m_xfClasses;
};

void AppendRichText(StringPool& pool, const pugi::xml_node& si) {
    // Plain <t>, or runs <r><t>; phonetic runs (<rPh>) are not part of the text.
    for (pugi::xml_node part = si.first_child(); part; part = part.next_sibling()) {
        std::string_view name = LocalName(part.name());
        if (name == "t") {
            pool.AppendUtf8(NodeText(part), true);
        } else if (name == "r") {
            pugi::xml_node t = ChildNamed(part, "t");
            if (t) pool.AppendUtf8(NodeText(t), true);
        }
    }
}

bool XlsxLoader::ReadWorkbook(BookModel& book) {
    book.maxRows = kXlsxMaxRows;
    book.maxColumns = kXlsxMaxColumns;
    std::string workbookPart = "xl/workbook.xml";
    for (const auto& [id, rel] : ReadRelationships(*m_zip, "")) {
        (void)id;
        if (rel.type == "officeDocument") workbookPart = rel.target;
    }
    std::string bytes;
    if (!m_zip->Read(workbookPart, bytes, kMaxTreePartBytes)) return false;
    pugi::xml_document doc;
    if (!ParseDocument(doc, bytes)) return false;
    pugi::xml_node workbook = ChildNamed(doc, "workbook");
    if (!workbook) return false;
    book.date1904 = IsTrue(ChildNamed(workbook, "workbookPr").attribute("date1904").value());

    Relationships rels = ReadRelationships(*m_zip, workbookPart);
    for (const auto& [id, rel] : rels) {
        (void)id;
        if (rel.type == "sharedStrings") ReadSharedStrings(book, rel.target);
        else if (rel.type == "styles") ReadStyles(rel.target);
    }
    for (pugi::xml_node sheet : ChildNamed(workbook, "sheets").children()) {
        if (!IsNamed(sheet, "sheet")) continue;
        auto rel = rels.find(AttributeNamed(sheet, "id").value());
        SheetModel model;
        model.name = sheet.attribute("name").value();
        std::string part;
        if (rel != rels.end()) {
            part = rel->second.target;
            model.type = SheetTypeOfRelationship(rel->second.type);
        }
        book.sheets.push_back(std::move(model));
        m_sheetParts.push_back(part);
    }
    return !book.sheets.empty();
}

bool XlsxLoader::ReadItems(const std::string& part, ItemStream& items) const {
    return m_zip->ReadSteps(part, ZipPackage::kMaxPartBytes,
                            [&](std::string_view step, uint64_t) { return items.Add(step); }) &&
           items.Finish();
}

void XlsxLoader::ReadSharedStrings(BookModel& book, const std::string& part) {
    StringPool& pool = book.strings;
    const size_t before = m_sharedStrings.size();
    ItemStream strings("sst", "si",
                       [&](const pugi::xml_node& si) {
                           pool.BeginUtf8();
                           AppendRichText(pool, si);
                           m_sharedStrings.push_back(pool.EndUtf8());
                       },
                       nullptr);
    // A damaged table gives no strings at all.
    if (!ReadItems(part, strings)) m_sharedStrings.resize(before);
}

void XlsxLoader::ReadStyles(const std::string& part) {
    std::string bytes;
    if (!m_zip->Read(part, bytes, kMaxTreePartBytes)) return;
    pugi::xml_document doc;
    if (!ParseDocument(doc, bytes)) return;
    pugi::xml_node styleSheet = ChildNamed(doc, "styleSheet");
    std::map<uint64_t, NumberClass> custom;
    for (pugi::xml_node fmt : ChildNamed(styleSheet, "numFmts").children()) {
        uint64_t id = 0;
        if (IsNamed(fmt, "numFmt") && ParseUnsigned(fmt.attribute("numFmtId").value(), id))
            custom[id] = ClassifyFormatCode(fmt.attribute("formatCode").value());
    }
    for (pugi::xml_node xf : ChildNamed(styleSheet, "cellXfs").children()) {
        if (!IsNamed(xf, "xf")) continue;
        uint64_t id = 0;
        NumberClass cls = NumberClass::Plain;
        if (ParseUnsigned(xf.attribute("numFmtId").value(), id)) {
            auto it = custom.find(id);
            cls = it != custom.end() ? it->second : ClassifyBuiltinFormat(id < 164 ? static_cast<int>(id) : 0);
        }
        m_xfClasses.push_back(cls);
    }
}

void XlsxLoader::ReadCell(BookModel& book, SheetModel& sheet, const pugi::xml_node& c, uint32_t row,
                          uint32_t& nextCol) {
    uint32_t col = nextCol;
    std::string_view type;
    uint64_t style = 0;
    for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute()) {
        // The names that matter are one letter long.
        const char* name = a.name();
        if (name[0] == 0 || name[1] != 0) continue;
        if (name[0] == 'r') {
            if (!ParseCellRef(a.value(), row, col)) return;
        } else if (name[0] == 't') {
            type = a.value();
        } else if (name[0] == 's') {
            if (!ParseUnsigned(a.value(), style)) style = 0;
        }
    }
    if (col >= kXlsxMaxColumns) return;
    nextCol = col + 1;
    Cell cell{};
    cell.row = row;
    cell.col = static_cast<uint16_t>(col);
    cell.type = CellType::Blank;
    pugi::xml_node value, inlineString;
    for (pugi::xml_node child = c.first_child(); child; child = child.next_sibling()) {
        std::string_view name = LocalName(child.name());
        if (name == "v") value = child;
        else if (name == "f") cell.flags |= Cell::kFormula;
        else if (name == "is") inlineString = child;
    }
    std::string_view text = value ? NodeText(value) : std::string_view();
    if (type == "inlineStr") {
        // Some writers put the text of an inline string in <v>.
        if (inlineString || value) {
            book.strings.BeginUtf8();
            if (inlineString) AppendRichText(book.strings, inlineString);
            else book.strings.AppendUtf8(text, true);
            cell.index = book.strings.EndUtf8();
            cell.type = CellType::String;
        }
    } else if (!value) {
        // A formatted blank: it counts for the used area.
    } else if (type == "s") {
        uint64_t index = 0;
        if (ParseUnsigned(text, index) && index < m_sharedStrings.size()) {
            cell.type = CellType::String;
            cell.index = m_sharedStrings[index];
        }
    } else if (type == "str") {
        cell.type = CellType::String;
        cell.index = book.strings.AddUtf8(text, true);
    } else if (type == "b") {
        cell.type = CellType::Bool;
        cell.index = IsTrue(text) ? 1 : 0;
    } else if (type == "e") {
        cell.type = CellType::Error;
        cell.index = ErrorCodeFromText(text);
    } else if (type == "d") {
        if (ParseIsoDate(text, cell.number)) {
            cell.type = CellType::Number;
            cell.flags |= Cell::kOleDate;
            cell.SetClass(NumberClass::Date);
        }
    } else if (ParseDouble(text, cell.number) && std::isfinite(cell.number)) {
        cell.type = CellType::Number;
        if (style < m_xfClasses.size()) cell.SetClass(m_xfClasses[style]);
    }
    sheet.cells.push_back(cell);
}

void XlsxLoader::ReadColumns(SheetModel& sheet, const std::string& outside) {
    std::string bytes = outside;
    pugi::xml_document doc;
    if (!ParseDocument(doc, bytes)) return;
    pugi::xml_node worksheet = ChildNamed(doc, "worksheet");
    pugi::xml_node format = ChildNamed(worksheet, "sheetFormatPr");
    double number = 0;
    if (ParseDouble(format.attribute("baseColWidth").value(), number) && number >= 0 && number < 256)
        sheet.baseWidth = number;
    if (ParseDouble(format.attribute("defaultColWidth").value(), number) && number >= 0 && number < 256)
        sheet.defaultWidth = number;
    for (pugi::xml_node col : ChildNamed(worksheet, "cols").children()) {
        uint64_t first = 0, last = 0;
        if (!IsNamed(col, "col") || !ParseUnsigned(col.attribute("min").value(), first) ||
            !ParseUnsigned(col.attribute("max").value(), last) || first == 0 || first > last)
            continue;
        last = std::min<uint64_t>(last, kXlsxMaxColumns);
        if (first > last) continue;
        double width = -1;
        if (!ParseDouble(col.attribute("width").value(), width) || width < 0 || width > 255) width = -1;
        bool hidden = IsTrue(col.attribute("hidden").value());
        if (sheet.widths.size() < last) {
            sheet.widths.resize(last, -1);
            sheet.hiddenColumns.resize(last, false);
        }
        for (uint64_t c = first - 1; c < last; ++c) {
            sheet.widths[c] = width;
            sheet.hiddenColumns[c] = hidden;
        }
    }
}

bool XlsxLoader::LoadSheet(BookModel& book, size_t index) {
    SheetModel& sheet = book.sheets[index];
    if (sheet.type != SheetType::Worksheet || m_sheetParts[index].empty()) {
        sheet.Finish();
        return sheet.type != SheetType::Worksheet;
    }
    // The sheet is parsed as it is inflated: its text is never held whole.
    std::string outside;
    uint32_t nextRow = 0;
    ItemStream rows("sheetData", "row",
                    [&](const pugi::xml_node& row) {
                        uint64_t r = 0;
                        uint32_t rowIndex = nextRow;
                        if (ParseUnsigned(row.attribute("r").value(), r) && r >= 1 && r <= kXlsxMaxRows)
                            rowIndex = static_cast<uint32_t>(r - 1);
                        if (rowIndex >= kXlsxMaxRows) return;
                        nextRow = rowIndex + 1;
                        uint32_t nextCol = 0;
                        for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling())
                            if (IsNamed(c, "c")) ReadCell(book, sheet, c, rowIndex, nextCol);
                    },
                    &outside);
    if (!ReadItems(m_sheetParts[index], rows)) {
        sheet.cells.clear();
        return false;
    }
    ReadColumns(sheet, outside);
    sheet.Finish();
    return true;
}

}  // namespace

std::unique_ptr<BookLoader> OpenXlsx(std::unique_ptr<ZipPackage> zip, BookModel& book) {
    auto loader = std::make_unique<XlsxLoader>(std::move(zip));
    if (!loader->ReadWorkbook(book)) return nullptr;
    return loader;
}

}  // namespace dulo::engine
