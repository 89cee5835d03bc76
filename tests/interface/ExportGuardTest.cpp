// Nothing crosses the export boundary but the export's own failure value, and a
// VARIANT is handed over whole or not at all.
#include "interface/ExportGuard.h"
#include "platform/Messages.h"
#include "platform/oleauto/ScopedVariant.h"

#include "dulo/DuloModelDataLib.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

void Collect(const char*, const char* text, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(text);
}

TEST(ExportGuard, EveryExceptionBecomesTheFailureValue) {
    EXPECT_EQ(dulo::ExportGuard(20, []() -> int { throw std::bad_alloc(); }), 20);
    EXPECT_EQ(dulo::ExportGuard(0, []() -> int { throw std::runtime_error("x"); }), 0);
    EXPECT_EQ(dulo::ExportGuard(0, []() -> int { throw 42; }), 0);
    EXPECT_EQ(dulo::ExportGuard<void*>(nullptr, []() -> void* { throw std::out_of_range("x"); }), nullptr);
    EXPECT_EQ(dulo::ExportGuard(0, [] { return 7; }), 7);
}

TEST(ExportGuard, AnAutomationErrorIsReportedBeforeTheFailure) {
    std::vector<std::string> heard;
    DuloSetMessageSink(Collect, &heard, 1);
    int code = dulo::ExportGuard(0, []() -> int { throw CComError(E_FAIL, "the sheet is locked", "Engine"); });
    DuloSetMessageSink(nullptr, nullptr, 1);
    EXPECT_EQ(code, 0);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_NE(heard[0].find("the sheet is locked"), std::string::npos);
    EXPECT_NE(heard[0].find("Engine"), std::string::npos);
}

TEST(ScopedVariant, HandsOverWholeOrClearsOnTheWayOut) {
    VARIANT caller;
    VariantInit(&caller);
    caller.vt = VT_I4;
    caller.lVal = 99;
    {
        // A failure before the hand-over: the text is freed, the caller's VARIANT untouched.
        dulo::ScopedVariant text;
        text.v.vt = VT_BSTR;
        text.v.bstrVal = SysAllocString(u"left behind");
    }
    EXPECT_EQ(caller.vt, VT_I4);
    EXPECT_EQ(caller.lVal, 99);

    dulo::ScopedVariant text;
    text.v.vt = VT_BSTR;
    text.v.bstrVal = SysAllocString(u"handed over");
    text.HandOver(&caller);
    EXPECT_EQ(text.v.vt, VT_EMPTY);
    ASSERT_EQ(caller.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(caller.bstrVal), u"handed over");
    VariantClear(&caller);
}

}  // namespace
