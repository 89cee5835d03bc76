#include "sources/workbook/excel4WksIO.h"

#include "platform/cfb/CompoundFile.h"
#include "sources/workbook/BiffFormat.h"

excel4WksIO::excel4WksIO(const std::string& path, const std::string& sheetName) : excel3WksIO(path, 4) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(bytes)) {
        m_nReadError = FileUnreadable;
        m_bFailed = true;
        return;
    }
    if (!(sheetName.empty() ? LoadRecords(bytes.data(), bytes.size(), 0) : LoadBundledSheet(bytes, sheetName))) {
        if (m_nReadError == ReadOk) m_nReadError = RecordsDamaged;
        m_bFailed = true;
    }
}

excel4WksIO::excel4WksIO(const std::string& path, int version) : excel3WksIO(path, version) {}

bool excel4WksIO::SheetNameMatches(const uint8_t* stored, size_t length, const std::string& wanted) const {
    if (length > kMaxSheetName || wanted.size() > 4 * kMaxSheetName) return false;
    return dulo::cfb::EqualsIgnoreCase(ToUtf8(stored, length), wanted);
}

bool excel4WksIO::LoadBundledSheet(const std::vector<uint8_t>& file, const std::string& sheetName) {
    RecordCursor cursor(file.data(), file.size());
    uint16_t id, length;
    const uint8_t* body;
    while (cursor.Next(id, length, body) == RecordCursor::Ok) {
        if (id == biff::kCodePage && length >= 2) m_codepage = ReadU16(body);
        if (id != biff::kBundleSheet || length < 5) continue;
        size_t nameLength = body[4];
        if (5 + nameLength > length || !SheetNameMatches(body + 5, nameLength, sheetName)) continue;
        return LoadRecords(file.data(), file.size(), cursor.Offset());
    }
    m_nReadError = SheetMissing;
    return false;
}
