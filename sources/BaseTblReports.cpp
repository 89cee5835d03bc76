// How a table source reports: errors and warnings to the message facility
// (when shown) and to the log, with the message ids' texts.
#include "sources/BaseTbl.h"

#include "platform/Messages.h"
#include "sources/SourceMessages.h"

using namespace source_messages;

void CBaseTbl::Log(const char* heading, const std::string& text) {
    if (!m_pLog || !m_pOptions || !m_pOptions->LogOn()) return;
    if (heading) *m_pLog << heading << '\n';
    *m_pLog << text << "\n\n";
}

int CBaseTbl::ReportError(const std::string& text) {
    if ((m_pOptions && m_pOptions->ErrorsShown()) || dulo::ReportsShown(false)) dulo::ShowMessage(text);
    Log(dulo::kIdErrorCaption.text, text);
    return 0;
}

int CBaseTbl::ReportWarning(const std::string& text) {
    if ((m_pOptions && m_pOptions->WarningsShown()) || dulo::ReportsShown(true)) dulo::ShowMessage(text);
    Log(kIdWarning.text, text);
    return 0;
}

void CBaseTbl::LogLine(const std::string& text) { Log(nullptr, text); }

int CBaseTbl::ReportError(const dulo::Message& m) { return ReportError(std::string(m.text)); }
int CBaseTbl::ReportError(const dulo::Message& m, const std::string& arg) {
    return ReportError(dulo::FormatString(m, {arg}));
}
int CBaseTbl::ReportErrorDetail(const dulo::Message& m, const std::string& detail) {
    return ReportError(m.text + (" [" + detail + "]"));
}
int CBaseTbl::ReportWarning(const dulo::Message& m) { return ReportWarning(std::string(m.text)); }
int CBaseTbl::ReportWarning(const dulo::Message& m, const std::string& arg) {
    return ReportWarning(dulo::FormatString(m, {arg}));
}
int CBaseTbl::ReportWarningDetail(const dulo::Message& m, const std::string& detail) {
    return ReportWarning(m.text + (" [" + detail + "]"));
}
void CBaseTbl::LogLine(const dulo::Message& m) { LogLine(std::string(m.text)); }
void CBaseTbl::LogLine(const dulo::Message& m, const std::string& arg) { LogLine(dulo::FormatString(m, {arg})); }
void CBaseTbl::LogLineDetail(const dulo::Message& m, const std::string& detail) {
    LogLine(m.text + (" [" + detail + "]"));
}

int CBaseTbl::ReportFileException(const dulo::Message& m, const std::string& fileName, const std::exception& error,
                                  const char* further) {
    std::string text = dulo::FormatString(m, {fileName}) + "\n\n" + error.what();
    if (further) text += std::string("\n\n") + further;
    return ReportError(text);
}
