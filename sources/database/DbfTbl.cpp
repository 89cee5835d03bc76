// The dBase table source: the header and field descriptors, the record loop
// with its key test, and the cells made from field texts.
#include "sources/database/DbfTbl.h"

#include "platform/Messages.h"
#include "platform/TextConv.h"
#include "sources/SourceMessages.h"
#include "sources/database/DbfMessages.h"
#include "tables/SqlType.h"
#include "sources/ReaderEntry.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <cstring>

namespace {

using namespace source_messages;
using namespace dbf_messages;

constexpr size_t kFileHeaderSize = 32;
constexpr size_t kDescriptorSize = 32;
constexpr unsigned char kDescriptorEnd = 0x0D;
constexpr unsigned char kDeletedFlag = '*';

uint16_t Read16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Read32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Column type of a field type letter; 0 for a letter this source does not read.
short ColumnTypeOf(char letter) {
    switch (letter) {
        case 'C': return SqlType::VarChar;
        case 'D': return SqlType::Date;
        case 'N':
        case 'F': return SqlType::Double;
        case 'L': return SqlType::Bit;
        case 'M': return SqlType::LongVarChar;
        default: return SqlType::Unknown;
    }
}

// The numeric locale is "C" while records are read, then the user's default.
class CNumericLocaleC {
public:
    CNumericLocaleC() { std::setlocale(LC_NUMERIC, "C"); }
    ~CNumericLocaleC() { std::setlocale(LC_NUMERIC, ""); }
    CNumericLocaleC(const CNumericLocaleC&) = delete;
    CNumericLocaleC& operator=(const CNumericLocaleC&) = delete;
};

// A numeric field's number, read as strtod reads it in the "C" locale. A text
// without a number in it (writers fill a value that does not fit, or an unset
// one, with "*") has no value.
bool ParseNumber(std::string_view text, double& value) {
    // The usual field (blanks, a sign, digits, a point) without the general parser.
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    const bool plus = i < text.size() && text[i] == '+';
    const char* first = text.data() + i + (plus ? 1 : 0);
    const char* last = text.data() + text.size();
    if (first < last && !(plus && (*first == '+' || *first == '-'))) {
        auto [end, ec] = std::from_chars(first, last, value);
        if (ec == std::errc() && (end == last || (*end != 'x' && *end != 'X'))) return true;
    }
    char buffer[256];  // a field is at most 255 bytes wide
    size_t n = std::min(text.size(), sizeof buffer - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    char* end = nullptr;
    value = std::strtod(buffer, &end);
    return end != buffer;
}

// The date of a "yyyymmdd" text, validated as a date cell validates its text.
COleDateTime DateOfField(std::string_view text) {
    char iso[11] = "0000-00-00";
    auto put = [&](size_t from, size_t count, size_t to) {
        for (size_t i = 0; i < count; ++i) iso[to + i] = from + i < text.size() ? text[from + i] : ' ';
    };
    put(0, 4, 0);
    put(4, 2, 5);
    put(6, 2, 8);
    return dulo::DateValueFromText(iso, SqlType::Date);
}

std::string NumberKeyText(double value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%f", value);
    return buffer;
}

}  // namespace

CDbfTbl::CDbfTbl(std::ostream* log, CIOOptions* options) : CBaseTbl(log, options) {}

CDbfTbl::~CDbfTbl() {
    if (m_pFile) std::fclose(m_pFile);
}

int CDbfTbl::CodepageOfLanguageDriver(uint8_t driver) {
    switch (driver) {
        case 0x01: return 437;
        case 0x02: return 850;
        case 0x03: return 1252;
        case 0x57: return 1252;
        case 0x64: return 852;
        case 0x65: return 866;
        case 0x66: return 865;
        case 0x67: return 861;
        case 0x6A: return 737;
        case 0x6B: return 857;
        case 0xC8: return 1250;
        case 0xC9: return 1251;
        case 0xCA: return 1254;
        case 0xCB: return 1253;
        default: return 437;
    }
}

int CDbfTbl::GetRecordCount() { return m_nRecordCount > uint32_t(INT32_MAX) ? INT32_MAX : int(m_nRecordCount); }

// ---- opening and closing ----

bool CDbfTbl::OpenTable(const CIoTableDescription& description) {
    m_Description = description;
    m_strSourceName = description.m_Strings[0];
    m_strTableName = description.m_Strings[1];
    if (m_pFile) std::fclose(m_pFile);
    m_pFile = std::fopen(m_strSourceName.c_str(), "rb");
    if (!m_pFile) return ReportError(kIdCannotOpenTable, m_strSourceName);
    std::setvbuf(m_pFile, nullptr, _IOFBF, 1 << 16);  // records are read one by one
    m_nSourceResults[0] = 0;
    m_nSourceResults[1] = 1;
    m_nSourceResults[2] = 0;
    if (!ReadColumns()) return false;
    m_bOpen = true;
    return true;
}

bool CDbfTbl::CloseTable(bool) {
    if (!m_bOpen) return false;
    m_bOpen = false;
    std::FILE* file = m_pFile;
    m_pFile = nullptr;
    return file && std::fclose(file) == 0;
}

// ---- header and descriptors ----

bool CDbfTbl::ReadColumns() {
    m_Columns.RemoveAll();
    m_FieldOffsets.clear();
    m_RecordBuffer.clear();
    unsigned char header[kFileHeaderSize];
    if (!m_pFile || std::fseek(m_pFile, 0, SEEK_SET) != 0 ||
        std::fread(header, 1, sizeof header, m_pFile) != sizeof header)
        return ReportError(kIdDamagedHeader);
    m_nVersion = header[0];
    if (m_nVersion != 3 && m_nVersion != 4) return ReportError(kIdUnsupportedVersion);
    m_nRecordCount = Read32(header + 4);
    m_nHeaderLength = Read16(header + 8);
    m_nRecordLength = Read16(header + 10);
    m_nLanguageDriver = header[29];
    m_pDecoder = std::make_unique<dulo::CSingleByteDecoder>(CodepageOfLanguageDriver(m_nLanguageDriver));

    // The descriptors lie between the file header and the header length; the
    // list ends at a 0x0D byte or where no whole descriptor is left.
    if (m_nHeaderLength <= kFileHeaderSize) return ReportError(kIdDamagedHeader);
    uint32_t position = kFileHeaderSize;
    uint32_t widths = 0;
    do {
        unsigned char d[kDescriptorSize];
        size_t got = std::fread(d, 1, sizeof d, m_pFile);
        if (got >= 1 && d[0] == kDescriptorEnd) break;
        if (got != sizeof d || position + kDescriptorSize > m_nHeaderLength) return ReportError(kIdDamagedHeader);
        // At most 11 bytes: a name that fills them has no zero byte.
        size_t nameLength = 0;
        while (nameLength < 11 && d[nameLength] != 0) ++nameLength;
        std::string name = CharacterText(std::string_view(reinterpret_cast<const char*>(d), nameLength));
        short type = ColumnTypeOf(char(d[11]));
        if (type == SqlType::Unknown) return ReportError(kIdUnsupportedFieldType, name);
        const uint8_t width = d[16];
        CColumn* column = new CColumn(name.c_str(), type, width, 0, 1, nullptr);
        column->m_nOrdinal = m_Columns.GetSize();
        m_Columns.Add(column);
        m_FieldOffsets.push_back(1 + widths);
        widths += width;
        position += kDescriptorSize;
    } while (position + kDescriptorSize <= m_nHeaderLength);

    // Every field must lie inside the record, after the deletion flag.
    if (m_nRecordLength == 0 || 1 + widths > m_nRecordLength) {
        m_Columns.RemoveAll();
        m_FieldOffsets.clear();
        return ReportError(kIdDamagedHeader);
    }
    m_RecordBuffer.assign(m_nRecordLength, 0);
    return true;
}

// ---- field texts and cells ----

std::string CDbfTbl::CharacterText(std::string_view bytes) const {
    std::string text;
    if (m_pDecoder) m_pDecoder->AppendUtf8(text, bytes);
    else text.assign(bytes);
    return text;
}

std::string_view CDbfTbl::FieldText(int column) const {
    const size_t offset = m_FieldOffsets[size_t(column)];
    const size_t width = size_t(m_Columns[column]->m_nPrecision);
    const char* p = reinterpret_cast<const char*>(m_RecordBuffer.data()) + offset;
    const void* zero = std::memchr(p, 0, width);
    size_t length = zero ? size_t(static_cast<const char*>(zero) - p) : width;
    while (length > 0 && p[length - 1] == ' ') --length;
    return std::string_view(p, length);
}

std::string CDbfTbl::KeyText(int column, std::string_view text) const {
    if (text.empty()) return std::string();
    switch (m_Columns[column]->m_nSqlType) {
        case SqlType::VarChar: return CharacterText(text);
        case SqlType::LongVarChar: return std::string(text);
        case SqlType::Double: {
            double value;
            return ParseNumber(text, value) ? NumberKeyText(value) : std::string();
        }
        case SqlType::Date: return dulo::DateValueText(DateOfField(text), SqlType::Date);
        case SqlType::Bit: return text[0] == 'T' ? "TRUE" : "FALSE";
        default: return std::string();
    }
}

CIoCell* CDbfTbl::MakeCell(int column, std::string_view text, int record, int sourceIndex) const {
    const bool null = text.empty();
    CIoCell* cell = nullptr;
    switch (m_Columns[column]->m_nSqlType) {
        case SqlType::VarChar: {
            auto* textCell = new CIoStrCell("", null, false);
            if (!null) m_pDecoder->AppendUtf8(textCell->m_strValue, text);
            cell = textCell;
            break;
        }
        case SqlType::LongVarChar: cell = new CIoStrCell(std::string(text).c_str(), null, false); break;
        case SqlType::Double: {
            double value = 0.0;
            bool none = null || !ParseNumber(text, value);
            cell = new CIoDoubleCell(value, none, false);
            break;
        }
        case SqlType::Date: cell = new CIoDateCell(null ? COleDateTime() : DateOfField(text), null, false); break;
        case SqlType::Bit: cell = new CIoBitCell(uint8_t(!null && text[0] == 'T'), null, false); break;
        default: return nullptr;
    }
    cell->SetSourceIndex(sourceIndex);
    cell->SetSourceRow(record);
    cell->SetSourceColumn(column);
    return cell;
}

// ---- extracting rows ----

bool CDbfTbl::ExtractRows(CIoRowArray& rows, CColumnArray& keyHeadings, CColumnArray& columnHeadings,
                          const char* keyFields, const char* keyValues, const char* extractColumns,
                          std::vector<std::string>* keyValuesOut, int sourceIndex) {
    rows.RemoveAll();
    if (!ParseExtractColumns(extractColumns)) return false;
    if (!ParseKeyFields(keyFields) || !ParseKeyValues(keyValues)) return ReportError(kIdBadKeyFields);
    if (keyValuesOut) keyValuesOut->insert(keyValuesOut->end(), m_KeyValues.begin(), m_KeyValues.end());
    if (size_t(m_KeySelection.GetSize()) != m_KeyValues.size()) return ReportError(kIdKeyCountMismatch);

    FillKeyHeadings(keyHeadings);
    FillColumnHeadings(columnHeadings);
    if (!m_pFile || m_RecordBuffer.empty() || std::fseek(m_pFile, long(m_nHeaderLength), SEEK_SET) != 0)
        return ReportError(kIdRecordReadFailed);

    const int keyCount = m_KeySelection.GetSize();
    const int extractCount = m_pExtractSelection->GetSize();
    bool any = false;
    CNumericLocaleC numericC;
    for (uint32_t record = 0; record < m_nRecordCount; ++record) {
        if (std::fread(m_RecordBuffer.data(), 1, m_RecordBuffer.size(), m_pFile) != m_RecordBuffer.size())
            return ReportError(kIdRecordReadFailed);
        if (m_RecordBuffer[0] == kDeletedFlag) continue;
        m_nCurrentRecord = int32_t(record);

        // Key test: the first mismatch ends it; fields not in the file are passed over.
        bool examined = false, allEmpty = true, matched = true;
        for (int k = 0; k < keyCount && matched; ++k) {
            const int column = m_KeySelection[k]->GetIndex();
            if (column < 0) continue;
            examined = true;
            std::string text = KeyText(column, FieldText(column));
            if (!text.empty()) allEmpty = false;
            matched = WildcardMatch(text.c_str(), m_KeyValues[size_t(k)].c_str());
        }
        if (allEmpty) {
            ReportWarning(dulo::FormatString(kIdEmptyKeysSkipped, {std::to_string(uint64_t(record) + 1)}));
            continue;
        }
        if (!examined || !matched) continue;

        any = true;
        CIoRow* row = new CIoRow(int(record), sourceIndex);
        rows.Add(row);
        row->m_DataCells.ReserveCells(extractCount);
        row->m_KeyCells.ReserveCells(keyCount);
        for (const CIoKeyCell* entry : *m_pExtractSelection) {
            const int column = entry->GetIndex();
            CIoCell* cell = MakeCell(column, FieldText(column), int(record), sourceIndex);
            if (!cell) return ReportError(kIdUnknownSqlType);
            row->m_DataCells.Add(cell);
        }
        for (const CIoKeyCell* entry : m_KeySelection) {
            const int column = entry->GetIndex();
            if (column < 0) {
                row->m_KeyCells.Add(new CIoStrCell("", true, false));
                continue;
            }
            CIoCell* cell = MakeCell(column, FieldText(column), int(record), sourceIndex);
            if (!cell) return ReportError(kIdUnknownSqlType);
            row->m_KeyCells.Add(cell);
        }
    }
    if (!any) ReportWarning(kIdNoMatch);
    return true;
}

// ---- the reader entry ----

int ReadDbfTable(TableReadRequest& request) {
    ReaderEntryHooks hooks;
    // The outputs are the second, the first and the third source result.
    hooks.afterOpen = [](CBaseTbl& source, TableReadRequest& read) {
        read.results[0] = source.m_nSourceResults[1];
        read.results[1] = source.m_nSourceResults[0];
        read.results[2] = source.m_nSourceResults[2];
        // The file names the table in the keyed reader's messages, as a workbook does.
        read.sheetLabel = source.m_strSourceName;
    };
    return RunReaderEntry<CDbfTbl>(request, hooks);
}
