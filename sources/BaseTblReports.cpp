// How a table source reports: errors and warnings to the message facility
// (when shown) and to the log, with the message ids' texts.
#include "sources/BaseTbl.h"

#include "platform/Messages.h"

namespace {

enum MessageId {
    kIdError = 10001,
    kIdWarning = 10012,
};

}  // namespace

void CBaseTbl::Log(const char* heading, const std::string& text) {
    if (!m_pLog || !m_pOptions || !m_pOptions->LogOn()) return;
    if (heading) *m_pLog << heading << '\n';
    *m_pLog << text << "\n\n";
}

int CBaseTbl::ReportError(const std::string& text) {
    if ((m_pOptions && m_pOptions->ErrorsShown()) || dulo::ReportsShown(false)) dulo::ShowMessage(text);
    Log(dulo::LoadString(kIdError).c_str(), text);
    return 0;
}

int CBaseTbl::ReportWarning(const std::string& text) {
    if ((m_pOptions && m_pOptions->WarningsShown()) || dulo::ReportsShown(true)) dulo::ShowMessage(text);
    Log(dulo::LoadString(kIdWarning).c_str(), text);
    return 0;
}

void CBaseTbl::LogLine(const std::string& text) { Log(nullptr, text); }

int CBaseTbl::ReportError(int id) { return ReportError(dulo::LoadString(id)); }
int CBaseTbl::ReportError(int id, const std::string& arg) { return ReportError(dulo::FormatString(id, {arg})); }
int CBaseTbl::ReportErrorDetail(int id, const std::string& detail) {
    return ReportError(dulo::LoadString(id) + " [" + detail + "]");
}
int CBaseTbl::ReportWarning(int id) { return ReportWarning(dulo::LoadString(id)); }
int CBaseTbl::ReportWarning(int id, const std::string& arg) { return ReportWarning(dulo::FormatString(id, {arg})); }
int CBaseTbl::ReportWarningDetail(int id, const std::string& detail) {
    return ReportWarning(dulo::LoadString(id) + " [" + detail + "]");
}
void CBaseTbl::LogLine(int id) { LogLine(dulo::LoadString(id)); }
void CBaseTbl::LogLine(int id, const std::string& arg) { LogLine(dulo::FormatString(id, {arg})); }
void CBaseTbl::LogLineDetail(int id, const std::string& detail) {
    LogLine(dulo::LoadString(id) + " [" + detail + "]");
}

int CBaseTbl::ReportFileException(int id, const std::string& fileName, const std::exception& error,
                                  const char* further) {
    std::string text = dulo::FormatString(id, {fileName}) + "\n\n" + error.what();
    if (further) text += std::string("\n\n") + further;
    return ReportError(text);
}
