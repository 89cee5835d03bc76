#include "sources/workbook/WksIO.h"

#include "platform/cfb/CompoundFile.h"
#include "sources/workbook/BiffFormat.h"
#include "sources/workbook/excel2WksIO.h"
#include "sources/workbook/excel3WksIO.h"
#include "sources/workbook/excel4WksIO.h"
#include "sources/workbook/excel5WksIO.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>

// ---- TWksIOInnards: the base behaviour ----

TWksIOInnards::TWksIOInnards() : m_colWidths(kMaxColumns, kDefaultWidth) {}

TWksIOInnards::~TWksIOInnards() = default;

bool TWksIOInnards::SelectSheet(const char*) { return !m_bFailed; }

void TWksIOInnards::PrepareLayout() {
    m_colWidths.resize(kMaxColumns, kDefaultWidth);
    m_colOffsets.assign(kMaxColumns + 1, 0);
    for (int c = 0; c < kMaxColumns; ++c) m_colOffsets[c + 1] = m_colOffsets[c] + m_colWidths[c];
}

void TWksIOInnards::ScanHeader() {}
void TWksIOInnards::IndexRows() {}

int TWksIOInnards::FormatCellText(int row, int column, char* buffer, int size, int) {
    return GetCellText(row, column, buffer, size, WKS_PREFIX_NONE);
}

bool TWksIOInnards::SetCellText(int, int, const char*, int) { return false; }
bool TWksIOInnards::SetCellNumber(int, int, double, int) { return false; }
bool TWksIOInnards::SetCellAttribute(int, int, int) { return false; }
bool TWksIOInnards::WriteFile(const char*) { return false; }

void TWksIOInnards::GetActiveCell(int& row, int& column) { row = column = 0; }
void TWksIOInnards::SetActiveCell(int, int) {}

int TWksIOInnards::GetColumnWidth(int column) {
    if (column < 0 || column >= kMaxColumns || column >= int(m_colWidths.size())) return -1;
    return m_colWidths[column];
}

void TWksIOInnards::SetColumnWidth(int column, int width) {
    if (column >= 0 && column < int(m_colWidths.size())) m_colWidths[column] = width;
}

int TWksIOInnards::Reserved16(int, int) { return 0; }
std::string TWksIOInnards::Reserved17() { return {}; }

bool TWksIOInnards::GetFormatString(int, int& length, const char*& text) {
    length = 0;
    text = "";
    return false;
}

int TWksIOInnards::ClassifyFormat(int length, const char* text) {
    if (!text || length <= 0) return 0;
    return dulo::biff::ClassifyFormatText(std::string_view(text, size_t(length)));
}

bool TWksIOInnards::UsesBiff5Xf() { return false; }
bool TWksIOInnards::CheckCellOrder() { return false; }

int TWksIOInnards::GetCellValue(int row, int column, double& number, char* buffer, int size) {
    number = WKS_NO_NUMBER;
    int flags = GetNumber(row, column, number);
    if (flags & WKS_TEXT) GetCellText(row, column, buffer, size, WKS_PREFIX_NONE);
    else if (buffer && size > 0) buffer[0] = '\0';
    return flags;
}

int TWksIOInnards::GetOpenError() const { return 0; }

bool TWksIOInnards::NextCell(int& row, int& column) {
    if (row < 0) row = 0, column = 0;
    if (column < 0) column = 0;
    if (column >= m_nColumns) ++row, column = 0;
    return m_nColumns > 0 && row < m_nRows;
}

void TWksIOInnards::GetUsedArea(int& rows, int& columns) {
    rows = m_nRows;
    columns = m_nColumns;
}

bool TWksIOInnards::IsFormula(int row, int column) {
    char scratch[2];
    return (GetCellText(row, column, scratch, sizeof scratch, WKS_PREFIX_NONE) & WKS_FORMULA) != 0;
}

void TWksIOInnards::Rewind() {}

// ---- the spreadsheet-application hooks ----

namespace {
TWksIOApplication g_application;
}

void SetWksIOApplication(const TWksIOApplication& application) { g_application = application; }
const TWksIOApplication& GetWksIOApplication() { return g_application; }

// ---- TWksIO ----

TWksIO::TWksIO() = default;
TWksIO::~TWksIO() { Close(); }

std::string WksOpenResult::Describe() const {
    switch (step) {
        case WksOpenStep::Opened: return "opened";
        case WksOpenStep::NoFile: return "the file cannot be read";
        case WksOpenStep::DamagedDocument: return "the compound document is damaged";
        case WksOpenStep::NoWorkbookStream: return "the compound document holds no workbook stream";
        case WksOpenStep::NeedsApplication: return "only the spreadsheet application reads this kind of file";
        case WksOpenStep::ApplicationFailed: return "the spreadsheet application cannot be started";
        case WksOpenStep::Reader: break;
    }
    // The readers' own codes, by kind (excel2WksIO::ReadError, excel5WksIO::OpenError, Excel8Error).
    const bool application = kind == WKS_KIND_APPLICATION || kind == WKS_KIND_FORCED;
    if (kind == WKS_KIND_BIFF5) {
        switch (code) {
            case 1: return "the compound document would not open";
            case 2: return "the compound document holds no Book stream";
            case 3:
            case 4: return "the Book stream cannot be read";
            case 5: return "the sheet is not in the workbook, or its records are damaged";
            default: break;
        }
    } else if (application) {
        switch (code) {
            case 3: return "the spreadsheet application cannot open the file";
            case 4: return "the workbook has no worksheets";
            case 5:
            case 6: return "the sheet is not in the workbook";
            case 10: return "no sheet name was given";
            default: break;
        }
    } else {
        switch (code) {
            case 1: return "the file cannot be read";
            case 2: return "a record runs past the end of the file";
            case 3: return "the sheet is not in the workbook";
            default: break;
        }
    }
    return "the workbook reader refused the file (kind " + std::to_string(kind) + ", code " + std::to_string(code) +
           ")";
}

int TWksIO::DetectKind(const char* path) {
    WksOpenStep failure;
    return DetectKind(path, failure);
}

int TWksIO::DetectKind(const char* path, WksOpenStep& failure) {
    failure = WksOpenStep::NoFile;
    if (!path || !*path) return WKS_KIND_NONE;
    FILE* f = std::fopen(path, "rb");
    if (!f) return WKS_KIND_NONE;
    unsigned char head[6] = {};
    size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    failure = WksOpenStep::Opened;
    if (n >= 2) {
        switch (dulo::biff::ReadU16(head)) {
            case dulo::biff::kBof2: return WKS_KIND_BIFF2;
            case dulo::biff::kBof3: return WKS_KIND_BIFF3;
            case dulo::biff::kBof4: return WKS_KIND_BIFF4;
            default: break;
        }
    }
    dulo::cfb::CompoundFile doc;
    switch (doc.Open(path)) {
        case dulo::cfb::CfbStatus::NotCompound: return WKS_KIND_APPLICATION;
        case dulo::cfb::CfbStatus::OpenFailed: failure = WksOpenStep::DamagedDocument; return WKS_KIND_NONE;
        case dulo::cfb::CfbStatus::Ok: break;
    }
    auto beginsWithBof5 = [&](const char* name) {
        auto stream = doc.OpenStream(name, true);
        uint8_t word[2];
        return stream && stream->Size() >= 2 && stream->Read(word, 2) && dulo::biff::ReadU16(word) == dulo::biff::kBof5;
    };
    if (beginsWithBof5("Book")) return WKS_KIND_BIFF5;
    if (beginsWithBof5("Workbook")) return WKS_KIND_APPLICATION;
    failure = WksOpenStep::NoWorkbookStream;
    return WKS_KIND_NONE;
}

bool TWksIO::Open(const char* path, const char* sheetName, int mode) {
    Close();
    m_bFailed = false;
    m_nCellLookups = 0;
    m_bReady = true;
    m_bNeedsApplication = false;
    m_path = path ? path : "";
    const char* sheet = sheetName ? sheetName : "";
    struct stat st;
    m_bReadOnly = ::stat(m_path.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR);

    WksOpenStep detected = WksOpenStep::Opened;
    m_nKind = mode == WKS_OPEN_FORCE_APPLICATION ? WKS_KIND_FORCED : DetectKind(m_path.c_str(), detected);
    m_openResult = {m_nKind, detected, 0};
    auto fail = [this](WksOpenStep step) {
        m_openResult.step = step;
        m_bFailed = true;
        return false;
    };

    if (m_nKind == WKS_KIND_APPLICATION || m_nKind == WKS_KIND_FORCED) {
        if (mode == WKS_OPEN_NO_APPLICATION) {
            m_bNeedsApplication = true;
            return fail(WksOpenStep::NeedsApplication);
        }
        const TWksIOApplication& app = GetWksIOApplication();
        bool running = app.IsRunning && app.IsRunning();
        if (!running && !(app.Start && app.Start())) return fail(WksOpenStep::ApplicationFailed);
        if (!app.Create) return fail(WksOpenStep::ApplicationFailed);
        m_pImpl.reset(app.Create(m_path.c_str(), sheet));
    } else {
        switch (m_nKind) {
            case WKS_KIND_BIFF2: m_pImpl = std::make_unique<excel2WksIO>(m_path); break;
            case WKS_KIND_BIFF3: m_pImpl = std::make_unique<excel3WksIO>(m_path); break;
            case WKS_KIND_BIFF4: m_pImpl = std::make_unique<excel4WksIO>(m_path, sheet); break;
            case WKS_KIND_BIFF5: m_pImpl = std::make_unique<excel5WksIO>(m_path, sheet); break;
            default: break;
        }
    }
    if (m_pImpl && !m_pImpl->IsFailed()) {
        m_pImpl->ScanHeader();
        m_pImpl->PrepareLayout();
        m_pImpl->IndexRows();
        m_pImpl->Rewind();
    }
    if (!m_pImpl || m_pImpl->IsFailed()) {
        // The reader goes, its reason stays.
        if (m_pImpl) m_openResult.code = m_pImpl->GetOpenError();
        if (m_openResult.step == WksOpenStep::Opened) m_openResult.step = WksOpenStep::Reader;
        m_pImpl.reset();
        m_bFailed = true;
    }
    return !m_bFailed;
}

void TWksIO::Close() { m_pImpl.reset(); }

bool TWksIO::SelectSheet(const char* name) {
    if (!m_pImpl) return false;
    m_bFailed = !m_pImpl->SelectSheet(name ? name : "");
    m_openResult.step = m_bFailed ? WksOpenStep::Reader : WksOpenStep::Opened;
    m_openResult.code = m_bFailed ? m_pImpl->GetOpenError() : 0;
    return !m_bFailed;
}

int TWksIO::GetRowCount() const { return m_pImpl ? m_pImpl->GetRowCount() : 0; }
int TWksIO::GetColumnCount() const { return m_pImpl ? m_pImpl->GetColumnCount() : 0; }

int TWksIO::GetCellText(int row, int column, char* buffer, int size, int prefixMode) {
    ++m_nCellLookups;
    if (!m_pImpl) {
        if (buffer && size > 0) buffer[0] = '\0';
        return 0;
    }
    return m_pImpl->GetCellText(row, column, buffer, size, prefixMode);
}

int TWksIO::GetCellText(int row, int column, std::string& text) {
    char buffer[1024];
    int flags = GetCellText(row, column, buffer, sizeof buffer, WKS_PREFIX_NONE);
    text = buffer;
    return flags;
}

int TWksIO::GetNumber(int row, int column, double& value) {
    ++m_nCellLookups;
    value = WKS_NO_NUMBER;
    return m_pImpl ? m_pImpl->GetNumber(row, column, value) : 0;
}

int TWksIO::GetCellValue(int row, int column, double& number, char* buffer, int size) {
    ++m_nCellLookups;
    number = WKS_NO_NUMBER;
    if (!m_pImpl) {
        if (buffer && size > 0) buffer[0] = '\0';
        return 0;
    }
    return m_pImpl->GetCellValue(row, column, number, buffer, size);
}

int TWksIO::GetDateValue(int row, int column, COleDateTime& date) {
    double number = WKS_NO_NUMBER;
    int flags = GetNumber(row, column, number);
    if (flags & WKS_NUMBER) {
        date = COleDateTime(number + m_pImpl->GetDateOffset(), COleDateTime::valid);
    } else if (flags & WKS_TEXT) {
        date = COleDateTime(0.0, COleDateTime::invalid);
    } else {
        date = COleDateTime(0.0, COleDateTime::null);
    }
    return flags;
}

int TWksIO::GetColumnWidth(int column) { return m_pImpl ? m_pImpl->GetColumnWidth(column) : -1; }

bool TWksIO::IsFormula(int row, int column) {
    ++m_nCellLookups;
    return m_pImpl && m_pImpl->IsFormula(row, column);
}

bool TWksIO::NextCell(int& row, int& column) { return m_pImpl && m_pImpl->NextCell(row, column); }

void TWksIO::GetUsedArea(int& rows, int& columns) {
    rows = columns = 0;
    if (m_pImpl) m_pImpl->GetUsedArea(rows, columns);
}

bool TWksIO::HasFormulas() const { return m_pImpl && m_pImpl->HasFormulas(); }

bool TWksIO::IsChanged() const { return m_pImpl && m_pImpl->IsChanged(); }

bool TWksIO::Save(bool reopen, const char* backupExtension, const char* newPath) {
    namespace fs = std::filesystem;
    if (!m_pImpl) return false;
    fs::path target = newPath && *newPath ? fs::path(newPath) : fs::path(m_path);
    std::error_code ec;
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR)) return false;
    fs::path temp = target;
    temp.replace_extension("$$$");
    if (!m_pImpl->WriteFile(temp.c_str())) return false;
    if (fs::exists(target, ec)) {
        if (backupExtension && *backupExtension) {
            fs::path backup = target;
            backup.replace_extension(backupExtension);
            fs::remove(backup, ec);
            fs::rename(target, backup, ec);
        }
        fs::remove(target, ec);
    }
    fs::rename(temp, target, ec);
    if (ec) return false;
    if (reopen) return Open(target.c_str(), "", WKS_OPEN_ALLOW_APPLICATION);
    return true;
}
