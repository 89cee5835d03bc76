#include "platform/Messages.h"
#include "platform/xml/ComError.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ComError, ReportText) {
    struct Case {
        CComError error;
        const char* expected;
    };
    const Case cases[] = {
        {CComError(E_INVALIDARG, "Bad name.", "dulo.xml"),
         "COM Error:: 80070057\n\nBad name.\n\nError Source: : dulo.xml"},
        {CComError(E_POINTER), "COM Error:: 80004003\n\nInvalid pointer"},
        {CComError(E_NOINTERFACE), "COM Error:: 80004002\n\nNo such interface supported"},
        // No error information and no system text: only the first line.
        {CComError(HRESULT(0x8004abcdL)), "COM Error:: 8004abcd\n\n"},
        // Error information wins over the system text, even when empty.
        {CComError(E_FAIL, "", ""), "COM Error:: 80004005\n\n\n\nError Source: : "},
    };
    for (const Case& c : cases) EXPECT_EQ(dulo::FormatComErrorReport(c.error), c.expected);
}

struct Captured {
    std::vector<std::string> captions, texts;
};

void Capture(const char* caption, const char* text, void* context) {
    auto* c = static_cast<Captured*>(context);
    c->captions.push_back(caption);
    c->texts.push_back(text);
}

TEST(ComError, ReportGoesToMessageSinkOnlyWhenSwitchIsOn) {
    Captured got;
    dulo::SetMessageSink(&Capture, &got, true);
    dulo::ReportComError(CComError(E_POINTER));
    dulo::SetMessageSink(&Capture, &got, false);
    dulo::ReportComError(CComError(E_FAIL));
    dulo::SetMessageSink(nullptr, nullptr, true);
    ASSERT_EQ(got.texts.size(), 1u);
    EXPECT_EQ(got.captions[0], "Error");
    EXPECT_EQ(got.texts[0], "COM Error:: 80004003\n\nInvalid pointer");
}

}  // namespace
