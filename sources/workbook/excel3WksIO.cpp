#include "sources/workbook/excel3WksIO.h"

excel3WksIO::excel3WksIO(const std::string& path) : excel2WksIO(path, 3) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(bytes)) {
        m_nReadError = FileUnreadable;
        m_bFailed = true;
    } else if (!LoadRecords(bytes.data(), bytes.size(), 0)) {
        m_nReadError = RecordsDamaged;
        m_bFailed = true;
    }
}

excel3WksIO::excel3WksIO(const std::string& path, int version) : excel2WksIO(path, version) {}
