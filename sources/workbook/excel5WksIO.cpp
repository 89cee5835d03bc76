#include "sources/workbook/excel5WksIO.h"

#include "platform/Messages.h"
#include "platform/TextConv.h"
#include "platform/cfb/CompoundFile.h"
#include "sources/workbook/BiffFormat.h"

#include <algorithm>

using namespace dulo::biff;

excel5WksIO::excel5WksIO(const std::string& path, const std::string& sheetName) : excel4WksIO(path, 5) {
    if (!ReadBook()) {
        m_bFailed = true;
    } else if (!BuildSheet(sheetName)) {
        m_openError = SheetFailed;
        m_bFailed = true;
    }
}

bool excel5WksIO::ReadBook() {
    dulo::cfb::CompoundFile doc;
    if (doc.Open(m_path) != dulo::cfb::CfbStatus::Ok) {
        m_openError = DocumentFailed;
        return false;
    }
    auto stream = doc.OpenStream("Book", true);
    if (!stream) {
        m_openError = StreamFailed;
        return false;
    }
    if (stream->Size() == 0 || stream->Size() > doc.FileSize()) {
        m_openError = SizeFailed;
        return false;
    }
    // Read in pieces straight into the block: no zero-filling, no second copy.
    const size_t size = size_t(stream->Size());
    if (!m_book.Allocate(size) || !stream->Seek(0)) {
        m_openError = ReadFailed;
        return false;
    }
    constexpr size_t kPiece = 1 << 20;
    for (size_t done = 0; done < size;) {
        size_t n = std::min(kPiece, size - done);
        if (!stream->Read(m_book.data() + done, n)) {
            m_book.Clear();
            m_openError = ReadFailed;
            return false;
        }
        done += n;
    }
    return true;
}

// Walks the workbook globals up to their end-of-file record, collecting the sheets.
bool excel5WksIO::ReadGlobals(std::vector<BoundSheet>& sheets, size_t& globalsEnd) {
    RecordCursor cursor(m_book.data(), m_book.size());
    Record rec;
    while (cursor.Next(rec) == RecordCursor::Ok) {
        if (rec.id == kEof) {
            globalsEnd = cursor.Offset() - 4;
            return true;
        }
        if (rec.id == kCodePage && rec.length >= 2) m_codepage = ReadU16(rec.data);
        if (rec.id == kBoundSheet && rec.length >= 7 && size_t(7) + rec.data[6] <= rec.length)
            sheets.push_back({ReadU32(rec.data), rec.data + 7, rec.data[6]});
    }
    return false;
}

bool excel5WksIO::BuildSheet(const std::string& sheetName) {
    m_store.Clear();
    std::vector<BoundSheet> sheets;
    size_t globalsEnd = 0;
    if (!ReadGlobals(sheets, globalsEnd)) return false;
    const BoundSheet* sheet = nullptr;
    for (const BoundSheet& s : sheets) {
        if (sheetName.empty() || SheetNameMatches(s.name, s.nameLength, sheetName)) {
            sheet = &s;
            break;
        }
    }
    if (!sheet || sheet->offset >= m_book.size()) return false;

    RecordCursor cursor(m_book.data(), m_book.size(), sheet->offset);
    Record rec;
    if (cursor.Next(rec) != RecordCursor::Ok || rec.id != kBof5) return false;

    // The store borrows the stream: the globals up to their end-of-file record,
    // then the sheet's records up to its own, leaving out SHRFMLA. MULRK records
    // stay whole; the cell machinery reads them as runs of RK cells. MULBLANK
    // records stay too: their formatted blanks count for the used area.
    m_store.AppendInPlace(m_book.data(), globalsEnd);
    size_t runStart = sheet->offset;
    for (;;) {
        const size_t at = cursor.Offset() - 4 - rec.length;  // where the current record starts
        if (rec.id == kShrFmla) {
            m_store.AppendInPlace(m_book.data() + runStart, at - runStart);
            runStart = cursor.Offset();
        }
        if (rec.id == kEof) {
            m_store.AppendInPlace(m_book.data() + runStart, cursor.Offset() - runStart);
            return true;
        }
        switch (cursor.Next(rec)) {
            case RecordCursor::Ok: break;
            case RecordCursor::End:
                m_store.AppendInPlace(m_book.data() + runStart, cursor.Offset() - runStart);
                m_store.Append(kEof, nullptr, 0);
                return true;
            case RecordCursor::Truncated:
                m_store.Clear();
                return false;
        }
    }
}

bool excel5WksIO::SelectSheet(const char* name) {
    ResetSheet();
    if (!BuildSheet(name ? name : "")) {
        m_openError = SheetFailed;
        m_bFailed = true;
        return false;
    }
    m_bFailed = false;
    m_openError = NoError;
    ScanHeader();
    PrepareLayout();
    IndexRows();
    Rewind();
    return true;
}

std::vector<std::string> excel5WksIO::GetSheetNames() const {
    std::vector<std::string> names;
    RecordCursor cursor(m_book.data(), m_book.size());
    Record rec;
    int codepage = 1252;
    while (cursor.Next(rec) == RecordCursor::Ok && rec.id != kEof) {
        if (rec.id == kCodePage && rec.length >= 2) codepage = ReadU16(rec.data);
        if (rec.id == kBoundSheet && rec.length >= 7 && size_t(7) + rec.data[6] <= rec.length)
            names.push_back(dulo::ToUtf8FromCodepage(std::string_view(reinterpret_cast<const char*>(rec.data + 7), rec.data[6]), codepage));
    }
    return names;
}

bool excel5WksIO::WriteFile(const char*) {
    dulo::ShowMessage("Save not implemented");
    return false;
}

bool excel5WksIO::GetFormatString(int formatIndex, int& length, const char*& text) {
    std::string_view code = BuiltinFormatCode(formatIndex);
    text = code.data();
    length = int(code.size());
    return true;
}

int excel5WksIO::ClassifyFormat(int length, const char* text) {
    if (!text || length <= 0) return 0;
    return ClassifyBuiltinCode(std::string_view(text, size_t(length)));
}

bool excel5WksIO::UsesBiff5Xf() { return true; }
