#pragma once
// The platform's COM error: what a failing XML (or other COM-style) operation
// raises, and the report text shown when a caller catches it.
#include "dulo/oleauto.h"

#include <exception>
#include <string>

#ifndef E_NOINTERFACE
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#endif

class CComError : public std::exception {
public:
    // An error without error information: the report falls back to the system text.
    explicit CComError(HRESULT hr);
    // An error with error information (description and source).
    CComError(HRESULT hr, std::string description, std::string source);

    HRESULT Error() const { return m_hr; }
    bool HasErrorInfo() const { return m_hasErrorInfo; }
    const std::string& Description() const { return m_description; }
    const std::string& Source() const { return m_source; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    HRESULT m_hr;
    bool m_hasErrorInfo;
    std::string m_description;
    std::string m_source;
    std::string m_what;
};

namespace dulo {

// The system's message text for an HRESULT; empty when it has none.
std::string SystemMessageText(HRESULT hr);

// "COM Error:: <hex>\n\n" followed by either description, "\n\nError Source: : " and
// source, or the system message text.
std::string FormatComErrorReport(const CComError& error);

// Shows the report through the message facility when the message switch is on.
void ReportComError(const CComError& error);

}  // namespace dulo
