// Comma-separated text (.csv): one sheet named after the file, fields quoted
// as RFC 4180 has it, typed as numbers, ISO dates or text.
#include "platform/engine/BookLoader.h"
#include "platform/engine/CellValues.h"

namespace dulo::engine {

namespace {

constexpr size_t kMaxCsvBytes = size_t(1) << 30;

bool AllDigits(std::string_view s, size_t from, size_t count) {
    for (size_t i = from; i < from + count; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

// Only the two ISO forms make a date: "yyyy-mm-dd" and "yyyy-mm-dd hh:mm:ss".
bool IsIsoDateText(std::string_view s) {
    if (s.size() != 10 && s.size() != 19) return false;
    if (!AllDigits(s, 0, 4) || s[4] != '-' || !AllDigits(s, 5, 2) || s[7] != '-' || !AllDigits(s, 8, 2)) return false;
    return s.size() == 10 ||
           (s[10] == ' ' && AllDigits(s, 11, 2) && s[13] == ':' && AllDigits(s, 14, 2) && s[16] == ':' && AllDigits(s, 17, 2));
}

class CsvLoader : public BookLoader {
public:
    bool LoadSheet(BookModel&, size_t) override { return true; }  // read whole when opened
};

void AddField(BookModel& book, SheetModel& sheet, uint32_t row, uint32_t col, std::string_view text) {
    if (text.empty() || col >= kXlsxMaxColumns) return;
    Cell cell{};
    cell.row = row;
    cell.col = static_cast<uint16_t>(col);
    if (ParseCNumber(text, cell.number)) {
        cell.type = CellType::Number;
    } else if (IsIsoDateText(text) && ParseIsoDate(text, cell.number)) {
        cell.type = CellType::Number;
        cell.flags |= Cell::kOleDate;
        cell.SetClass(NumberClass::Date);
    } else {
        cell.type = CellType::String;
        cell.index = book.strings.AddUtf8(text, false);
    }
    sheet.cells.push_back(cell);
}

void ParseCsv(BookModel& book, SheetModel& sheet, std::string_view s) {
    if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
    uint32_t row = 0, col = 0;
    std::string field;
    size_t i = 0, n = s.size();
    while (i < n && row < kXlsxMaxRows) {
        std::string_view text;
        if (s[i] == '"') {
            // A quoted field: doubled quotes are one quote; separators and line
            // breaks inside are text. Without its closing quote it runs to the end.
            field.clear();
            ++i;
            while (i < n) {
                size_t q = s.find('"', i);
                if (q == std::string_view::npos) {
                    field.append(s.substr(i));
                    i = n;
                    break;
                }
                field.append(s.substr(i, q - i));
                if (q + 1 < n && s[q + 1] == '"') {
                    field += '"';
                    i = q + 2;
                } else {
                    i = q + 1;
                    break;
                }
            }
            // Text after the closing quote belongs to the field, as the application reads it.
            size_t end = s.find_first_of(",\r\n", i);
            if (end == std::string_view::npos) end = n;
            field.append(s.substr(i, end - i));
            i = end;
            text = field;
        } else {
            size_t end = s.find_first_of(",\r\n", i);
            if (end == std::string_view::npos) end = n;
            text = s.substr(i, end - i);
            i = end;
        }
        AddField(book, sheet, row, col, text);
        if (i >= n) break;
        if (s[i] == ',') {
            ++i;
            if (col < kXlsxMaxColumns) ++col;
            continue;
        }
        // A line break: CRLF, LF or a lone CR.
        if (s[i] == '\r' && i + 1 < n && s[i + 1] == '\n') ++i;
        ++i;
        ++row;
        col = 0;
    }
}

std::string SheetNameOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

}  // namespace

std::unique_ptr<BookLoader> OpenCsv(const std::string& path, BookModel& book) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, kMaxCsvBytes)) return nullptr;
    book.maxRows = kXlsxMaxRows;
    book.maxColumns = kXlsxMaxColumns;
    SheetModel sheet;
    sheet.name = SheetNameOf(path);
    ParseCsv(book, sheet, bytes);
    sheet.Finish();
    book.sheets.push_back(std::move(sheet));
    return std::make_unique<CsvLoader>();
}

}  // namespace dulo::engine
