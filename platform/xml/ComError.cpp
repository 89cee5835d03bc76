#include "platform/xml/ComError.h"

#include "platform/Messages.h"

#include <cstdint>
#include <cstdio>

namespace {

std::string HexCode(HRESULT hr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(static_cast<uint32_t>(hr)));
    return buf;
}

}  // namespace

CComError::CComError(HRESULT hr) : m_hr(hr), m_hasErrorInfo(false) {
    m_what = "COM error " + HexCode(hr);
}

CComError::CComError(HRESULT hr, std::string description, std::string source)
    : m_hr(hr), m_hasErrorInfo(true), m_description(std::move(description)), m_source(std::move(source)) {
    m_what = "COM error " + HexCode(hr) + ": " + m_description;
}

namespace dulo {

std::string SystemMessageText(HRESULT hr) {
    struct Text {
        HRESULT hr;
        const char* text;
    };
    // The system texts of the codes the library raises or meets.
    static const Text kTexts[] = {
        {E_NOTIMPL, "Not implemented"},
        {E_NOINTERFACE, "No such interface supported"},
        {E_POINTER, "Invalid pointer"},
        {E_FAIL, "Unspecified error"},
        {E_UNEXPECTED, "Catastrophic failure"},
        {E_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
        {E_INVALIDARG, "The parameter is incorrect."},
        {DISP_E_TYPEMISMATCH, "Type mismatch."},
        {DISP_E_BADVARTYPE, "Bad variable type."},
        {DISP_E_OVERFLOW, "Out of present range."},
        {DISP_E_BADINDEX, "Invalid index."},
        {DISP_E_ARRAYISLOCKED, "Memory is locked."},
    };
    for (const Text& t : kTexts) {
        if (t.hr == hr) return t.text;
    }
    return std::string();
}

std::string FormatComErrorReport(const CComError& error) {
    std::string text = "COM Error:";
    text += ": " + HexCode(error.Error()) + "\n\n";
    if (error.HasErrorInfo()) {
        text += error.Description();
        text += "\n\n";
        text += "Error Source: ";
        text += ": ";
        text += error.Source();
    } else {
        text += SystemMessageText(error.Error());
    }
    return text;
}

void ReportComError(const CComError& error) {
    if (MessagesOn()) ShowMessage(FormatComErrorReport(error));
}

}  // namespace dulo
