// The property exports as a host calls them: through the public header only.
#include "dulo/DuloModelDataLib.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr double kNoValue = 1e30;

// A VARIANT the library must not touch on failure.
VARIANT Sentinel() {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = 4711;
    return v;
}

bool IsSentinel(const VARIANT& v) { return v.vt == VT_I4 && v.lVal == 4711; }

std::string Narrow(BSTR s) {
    std::string out;
    for (UINT i = 0; i < SysStringLen(s); ++i) out += static_cast<char>(s[i]);
    return out;
}

TEST(PropertyExports, GetPropertyArgsNamesAndResults) {
    double values1[] = {1, 2, 3};
    double values2[] = {4, 1, 5};
    VARIANT names, r1, r2;
    VariantInit(&names);
    VariantInit(&r1);
    VariantInit(&r2);
    ASSERT_EQ(GetPropertyArgs("VISB", "(VIS+A)/B-VIS", values1, values2, &names, &r1, &r2), 1);

    ASSERT_EQ(names.vt, VT_ARRAY | VT_VARIANT);
    SAFEARRAY* array = names.parray;
    ASSERT_EQ(SafeArrayGetDim(array), 2u);
    LONG lower = -1, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 0);
    SafeArrayGetLBound(array, 2, &lower);
    SafeArrayGetUBound(array, 2, &upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 2);
    const char* expected[] = {"VIS", "A", "B"};
    for (LONG i = 0; i < 3; ++i) {
        const LONG index[2] = {0, i};
        VARIANT element;
        VariantInit(&element);
        ASSERT_EQ(SafeArrayGetElement(array, index, &element), S_OK);
        ASSERT_EQ(element.vt, VT_BSTR);
        EXPECT_EQ(Narrow(element.bstrVal), expected[i]);
        VariantClear(&element);
    }
    ASSERT_EQ(r1.vt, VT_R8);
    EXPECT_EQ(r1.dblVal, 0);
    ASSERT_EQ(r2.vt, VT_R8);
    EXPECT_EQ(r2.dblVal, -3);
    VariantClear(&names);
}

TEST(PropertyExports, GetPropertyArgsMissingValueAndConstant) {
    double values1[] = {1, kNoValue, 3};
    double values2[] = {1, 1, 1};
    VARIANT names, r1, r2;
    VariantInit(&names);
    ASSERT_EQ(GetPropertyArgs("P", "(VIS+A)/B-VIS", values1, values2, &names, &r1, &r2), 1);
    EXPECT_EQ(r1.vt, VT_R8);
    EXPECT_EQ(r1.dblVal, kNoValue);
    EXPECT_EQ(r2.dblVal, 1);
    VariantClear(&names);

    // A constant has no arguments: an empty 1 x 0 array and no value.
    ASSERT_EQ(GetPropertyArgs("P", "2+3", values1, values2, &names, &r1, &r2), 1);
    ASSERT_EQ(names.vt, VT_ARRAY | VT_VARIANT);
    LONG upper = 0;
    SafeArrayGetUBound(names.parray, 2, &upper);
    EXPECT_EQ(upper, -1);
    EXPECT_EQ(r1.dblVal, kNoValue);
    EXPECT_EQ(r2.dblVal, kNoValue);
    VariantClear(&names);
}

TEST(PropertyExports, ParseFailureLeavesVariantsUntouched) {
    double values[] = {1, 2};
    const char* const formulas[] = {"a=b", "", "2+", "(2", nullptr};
    for (const char* formula : formulas) {
        SCOPED_TRACE(formula ? formula : "(null)");
        VARIANT names = Sentinel(), r1 = Sentinel(), r2 = Sentinel(), r = Sentinel();
        EXPECT_EQ(GetPropertyArgs("P", formula, values, values, &names, &r1, &r2), 0);
        EXPECT_TRUE(IsSentinel(names) && IsSentinel(r1) && IsSentinel(r2));
        EXPECT_EQ(GetPropertyResult("P", formula, values, &r), 0);
        EXPECT_TRUE(IsSentinel(r));
        EXPECT_EQ(GetPropertyCalculator("P", formula), nullptr);
    }
}

TEST(PropertyExports, GetPropertyResultValues) {
    struct Case {
        const char* formula;
        double x;
        double result;
    };
    const Case cases[] = {
        {"sqrt(X)", 16, 4},
        {"sqrt(X)", -1, kNoValue},  // evaluation error
        {"sqrt(X)", kNoValue, kNoValue},  // missing argument
        {"1/X", 0, kNoValue},
        {"7", 1, kNoValue},  // no arguments
        {"X^2-1", 3, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.formula);
        double values[] = {c.x};
        VARIANT r = Sentinel();
        ASSERT_EQ(GetPropertyResult("P", c.formula, values, &r), 1);
        ASSERT_EQ(r.vt, VT_R8);
        EXPECT_EQ(r.dblVal, c.result);
    }
    VARIANT r = Sentinel();
    EXPECT_EQ(GetPropertyResult("P", "X+1", nullptr, &r), 1);
    EXPECT_EQ(r.dblVal, kNoValue);
    EXPECT_EQ(GetPropertyResult("P", "X+1", nullptr, nullptr), 0);
}

TEST(PropertyExports, CalculatorLifecycle) {
    EXPECT_EQ(ReleasePropertyCalculator(nullptr), 0);
    DuloPropertyCalculator calc = GetPropertyCalculator("P", "A+B");
    ASSERT_NE(calc, nullptr);
    EXPECT_EQ(ReleasePropertyCalculator(calc), 1);
    EXPECT_EQ(GetPropertyCalculator("P", "A=B"), nullptr);
    EXPECT_NE(calc = GetPropertyCalculator(nullptr, "A"), nullptr);
    EXPECT_EQ(ReleasePropertyCalculator(calc), 1);
}

TEST(PropertyExports, CalcPropertyResultKeepsItsCalculator) {
    DuloPropertyCalculator handle = nullptr;
    double values[] = {2, 3};
    VARIANT r;
    VariantInit(&r);
    ASSERT_EQ(CalcPropertyResult(&handle, "P", "A*B", values, &r), 1);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(r.vt, VT_R8);
    EXPECT_EQ(r.dblVal, 6);

    // The kept calculator serves the next call; the formula arguments are not read again.
    const DuloPropertyCalculator first = handle;
    values[0] = 5;
    ASSERT_EQ(CalcPropertyResult(&handle, "Q", "A+B+C", values, &r), 1);
    EXPECT_EQ(handle, first);
    EXPECT_EQ(r.dblVal, 15);

    values[1] = kNoValue;
    ASSERT_EQ(CalcPropertyResult(&handle, "P", "A*B", values, &r), 1);
    EXPECT_EQ(r.dblVal, kNoValue);
    EXPECT_EQ(handle, first);
    EXPECT_EQ(ReleasePropertyCalculator(handle), 1);
}

TEST(PropertyExports, CalcPropertyResultWithoutCalculator) {
    DuloPropertyCalculator handle = nullptr;
    double values[] = {1};
    VARIANT r = Sentinel();
    EXPECT_EQ(CalcPropertyResult(&handle, "P", "A=", values, &r), 1);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(r.vt, VT_R8);
    EXPECT_EQ(r.dblVal, kNoValue);

    // Nowhere to keep the calculator or to put the result.
    r = Sentinel();
    EXPECT_EQ(CalcPropertyResult(nullptr, "P", "A", values, &r), 0);
    EXPECT_TRUE(IsSentinel(r));
    EXPECT_EQ(CalcPropertyResult(&handle, "P", "A", values, nullptr), 0);
    EXPECT_EQ(handle, nullptr);
}

}  // namespace
