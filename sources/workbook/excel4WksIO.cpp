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
    using namespace dulo::biff;
    RecordCursor cursor(file.data(), file.size());
    Record rec;
    while (cursor.Next(rec) == RecordCursor::Ok) {
        if (rec.id == kCodePage && rec.length >= 2) m_codepage = ReadU16(rec.data);
        if (rec.id != kBundleSheet || rec.length < 5) continue;
        size_t nameLength = rec.data[4];
        if (5 + nameLength > rec.length || !SheetNameMatches(rec.data + 5, nameLength, sheetName)) continue;
        return LoadRecords(file.data(), file.size(), cursor.Offset());
    }
    m_nReadError = SheetMissing;
    return false;
}
