// The OLE automation layer as a host uses it: layout, ownership, arrays, type changes.
#include "dulo/oleauto.h"
#include "platform/TextConv.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstddef>
#include <cstring>
#include <string>

using dulo::BstrFromUtf8;
using dulo::Utf8FromBstr;

namespace {

VARIANT Str(const char* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = BstrFromUtf8(text);
    return v;
}

VARIANT Num(double d) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = d;
    return v;
}

}  // namespace

TEST(OleLayout, FieldsSitWhereWindowsHostsExpectThem) {
    EXPECT_EQ(sizeof(VARIANT), 24u);
    EXPECT_EQ(offsetof(VARIANT, vt), 0u);
    EXPECT_EQ(offsetof(VARIANT, dblVal), 8u);
    EXPECT_EQ(offsetof(VARIANT, parray), 8u);
    EXPECT_EQ(sizeof(SAFEARRAYBOUND), 8u);
    EXPECT_EQ(offsetof(SAFEARRAY, cbElements), 4u);
    EXPECT_EQ(offsetof(SAFEARRAY, pvData), 16u);
    EXPECT_EQ(offsetof(SAFEARRAY, rgsabound), 24u);
    EXPECT_EQ(sizeof(CY), 8u);
}

TEST(Bstr, CarriesItsLengthAndEmbeddedNuls) {
    const char16_t text[] = u"a\0b";
    BSTR b = SysAllocStringLen(text, 3);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringLen(b), 3u);
    EXPECT_EQ(SysStringByteLen(b), 6u);
    EXPECT_EQ(b[1], u'\0');
    EXPECT_EQ(b[3], u'\0');  // terminated after the length
    SysFreeString(b);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
}

TEST(TextConv, RoundTripsNonAsciiAndReplacesBrokenUtf8) {
    std::string text = "Dichte \xC2\xB5g/m\xC2\xB3 \xF0\x9F\x9B\xA2";  // µ ³ and a non-BMP character
    BSTR b = BstrFromUtf8(text);
    EXPECT_EQ(Utf8FromBstr(b), text);
    EXPECT_EQ(SysStringLen(b), 15u);  // 13 characters and a surrogate pair
    SysFreeString(b);
    EXPECT_EQ(dulo::Utf16ToUtf8(dulo::Utf8ToUtf16("a\xC3(b")), "a\xEF\xBF\xBD(b");
    EXPECT_EQ(dulo::Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

// The BSTR is sized before it is decoded into: a length that disagrees with
// what is written would cut the text or run past the allocation.
TEST(TextConv, BstrLengthMatchesItsTextForEveryKindOfSequence) {
    struct Case {
        const char* name;
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"empty", "", u""},
        {"ascii", "FEED 1", u"FEED 1"},
        {"two-byte", "\xC2\xB5g", u"\u00B5g"},
        {"three-byte", "\xE2\x82\xAC", u"\u20AC"},
        {"four-byte", "x\xF0\x9F\x9B\xA2", u"x\U0001F6E2"},
        {"cut at the end", "ab\xE2\x82", u"ab\uFFFD"},
        {"lone continuation", "\x80z", u"\uFFFDz"},
        {"overlong", "\xC0\xAF!", u"\uFFFD!"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD"},
        {"embedded NUL", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(dulo::Utf8ToUtf16(c.utf8), c.utf16);
        BSTR b = BstrFromUtf8(c.utf8);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(std::u16string(b, SysStringLen(b)), c.utf16);
        EXPECT_EQ(b[SysStringLen(b)], u'\0');
        SysFreeString(b);
    }
}

TEST(TextConv, ConvertsWindowsCodePages) {
    EXPECT_EQ(dulo::ToUtf8FromCodepage("caf\xE9", 1252), "caf\xC3\xA9");
    EXPECT_EQ(dulo::ToUtf8FromCodepage("\x80", 1252), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(dulo::ToUtf8FromCodepage("\x81", 437), "\xC3\xBC");      // u-umlaut in the OEM page
    EXPECT_EQ(dulo::ToUtf8FromCodepage("plain", 1251), "plain");
}

TEST(Variant, ClearFreesStringsAndArraysAndCopyIsDeep) {
    SAFEARRAYBOUND b[2] = {{2, 0}, {2, 0}};
    VARIANT arr;
    VariantInit(&arr);
    arr.vt = VT_ARRAY | VT_VARIANT;
    arr.parray = SafeArrayCreate(VT_VARIANT, 2, b);
    ASSERT_NE(arr.parray, nullptr);
    VARIANT s = Str("heading");
    LONG idx[2] = {0, 1};
    ASSERT_EQ(SafeArrayPutElement(arr.parray, idx, &s), S_OK);
    VariantClear(&s);  // the array holds its own copy

    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(VariantCopy(&copy, &arr), S_OK);
    ASSERT_NE(copy.parray, arr.parray);
    VariantClear(&arr);  // the copy survives its source

    VARIANT e;
    ASSERT_EQ(SafeArrayGetElement(copy.parray, idx, &e), S_OK);
    EXPECT_EQ(e.vt, VT_BSTR);
    EXPECT_EQ(Utf8FromBstr(e.bstrVal), "heading");
    VariantClear(&e);
    EXPECT_EQ(VariantClear(&copy), S_OK);
    EXPECT_EQ(copy.vt, VT_EMPTY);
}

TEST(SafeArray, FirstIndexVariesFastestAndBoundsAreReportedLeftToRight) {
    SAFEARRAYBOUND b[2] = {{3, 0}, {4, 0}};  // 3 rows, 4 columns
    SAFEARRAY* sa = SafeArrayCreate(VT_VARIANT, 2, b);
    ASSERT_NE(sa, nullptr);
    LONG ub = 0;
    ASSERT_EQ(SafeArrayGetUBound(sa, 1, &ub), S_OK);
    EXPECT_EQ(ub, 2);
    ASSERT_EQ(SafeArrayGetUBound(sa, 2, &ub), S_OK);
    EXPECT_EQ(ub, 3);
    EXPECT_EQ(sa->rgsabound[0].cElements, 4u);  // stored right-most first
    VARIANT v = Num(7.5);
    LONG idx[2] = {2, 1};
    ASSERT_EQ(SafeArrayPutElement(sa, idx, &v), S_OK);
    auto* data = static_cast<VARIANT*>(sa->pvData);
    EXPECT_EQ(data[2 + 1 * 3].vt, VT_R8);
    EXPECT_EQ(data[2 + 1 * 3].dblVal, 7.5);
    EXPECT_EQ(SafeArrayGetDim(sa), 2u);
    SafeArrayDestroy(sa);
}

TEST(SafeArray, BadIndexesAndDimensionsAreErrorsNotAccesses) {
    SAFEARRAYBOUND b[2] = {{2, 0}, {2, 0}};
    SAFEARRAY* sa = SafeArrayCreate(VT_VARIANT, 2, b);
    VARIANT v = Num(1);
    const LONG bad[][2] = {{2, 0}, {0, 2}, {-1, 0}, {0, -1}, {100000, 100000}};
    for (const auto& idx : bad) {
        EXPECT_EQ(SafeArrayPutElement(sa, idx, &v), DISP_E_BADINDEX);
        VARIANT out;
        EXPECT_EQ(SafeArrayGetElement(sa, idx, &out), DISP_E_BADINDEX);
    }
    LONG bound;
    EXPECT_EQ(SafeArrayGetLBound(sa, 0, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetLBound(sa, 3, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayCreate(VT_DISPATCH, 1, b), nullptr);
    SAFEARRAYBOUND huge[2] = {{0xFFFFFFFFu, 0}, {0xFFFFFFFFu, 0}};
    EXPECT_EQ(SafeArrayCreate(VT_VARIANT, 2, huge), nullptr);
    SafeArrayDestroy(sa);
}

TEST(SafeArray, StringArraysOwnTheirStrings) {
    SAFEARRAY* sa = SafeArrayCreateVector(VT_BSTR, 0, 2);
    BSTR s = BstrFromUtf8("x");
    LONG i = 1;
    ASSERT_EQ(SafeArrayPutElement(sa, &i, s), S_OK);
    ASSERT_EQ(SafeArrayPutElement(sa, &i, s), S_OK);  // replacing frees the old copy
    SysFreeString(s);
    BSTR got = nullptr;
    ASSERT_EQ(SafeArrayGetElement(sa, &i, &got), S_OK);
    EXPECT_EQ(Utf8FromBstr(got), "x");
    SysFreeString(got);
    EXPECT_EQ(SafeArrayDestroy(sa), S_OK);
}

TEST(SafeArray, ArraysOfEverySizeStartEmptyAndHoldTheirLastElement) {
    // A few elements, just under and at the size from which the elements are
    // mapped rather than taken from the heap, and an odd size above it.
    const ULONG kVariant = ULONG(sizeof(VARIANT));
    const ULONG counts[] = {3, (4u << 20) / kVariant - 1, (4u << 20) / kVariant, 300007};
    for (ULONG count : counts) {
        SCOPED_TRACE(testing::Message() << count << " elements");
        // The second array of a size may take the memory of the first, which held texts.
        for (int round = 0; round < 2; ++round) {
            SAFEARRAY* sa = SafeArrayCreateVector(VT_VARIANT, 1, count);
            ASSERT_NE(sa, nullptr);
            VARIANT* v = nullptr;
            ASSERT_EQ(SafeArrayAccessData(sa, reinterpret_cast<void**>(&v)), S_OK);
            size_t notEmpty = 0;
            for (ULONG i = 0; i < count; ++i) notEmpty += v[i].vt != VT_EMPTY;
            EXPECT_EQ(notEmpty, 0u);
            for (ULONG i : {ULONG(0), count / 2, count - 1}) v[i] = Str("cell");
            ASSERT_EQ(SafeArrayUnaccessData(sa), S_OK);
            VARIANT last;
            VariantInit(&last);
            LONG index = LONG(count);
            ASSERT_EQ(SafeArrayGetElement(sa, &index, &last), S_OK);
            EXPECT_EQ(last.vt, VT_BSTR);
            VariantClear(&last);
            EXPECT_EQ(SafeArrayDestroy(sa), S_OK);
        }
    }
}

TEST(SafeArray, LockedArrayIsNotDestroyed) {
    SAFEARRAY* sa = SafeArrayCreateVector(VT_R8, 0, 1);
    void* data;
    ASSERT_EQ(SafeArrayAccessData(sa, &data), S_OK);
    EXPECT_EQ(SafeArrayDestroy(sa), DISP_E_ARRAYISLOCKED);
    ASSERT_EQ(SafeArrayUnaccessData(sa), S_OK);
    EXPECT_EQ(SafeArrayDestroy(sa), S_OK);
}

struct DatePoint {
    double date;
    int year, month, day, hour, minute, second;
};

class OleDates : public ::testing::TestWithParam<DatePoint> {};

TEST_P(OleDates, ConvertBothWays) {
    const DatePoint& p = GetParam();
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(p.date, &st));
    EXPECT_EQ(st.wYear, p.year);
    EXPECT_EQ(st.wMonth, p.month);
    EXPECT_EQ(st.wDay, p.day);
    EXPECT_EQ(st.wHour, p.hour);
    EXPECT_EQ(st.wMinute, p.minute);
    EXPECT_EQ(st.wSecond, p.second);
    double back = 0;
    ASSERT_TRUE(SystemTimeToVariantTime(&st, &back));
    EXPECT_NEAR(back, p.date, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(KnownPoints, OleDates,
                         ::testing::Values(DatePoint{0.0, 1899, 12, 30, 0, 0, 0}, DatePoint{2.0, 1900, 1, 1, 0, 0, 0},
                                           DatePoint{60.0, 1900, 2, 28, 0, 0, 0},
                                           DatePoint{45351.0, 2024, 2, 29, 0, 0, 0},
                                           DatePoint{45351.5, 2024, 2, 29, 12, 0, 0},
                                           DatePoint{-1.25, 1899, 12, 29, 6, 0, 0},
                                           DatePoint{-1.0, 1899, 12, 29, 0, 0, 0},
                                           DatePoint{-657434.0, 100, 1, 1, 0, 0, 0},
                                           DatePoint{2958465.0, 9999, 12, 31, 0, 0, 0}));

TEST(OleDatesRange, OutsideTheCalendarOrFieldsOutOfRangeFail) {
    SYSTEMTIME st{};
    EXPECT_FALSE(VariantTimeToSystemTime(-657435.0, &st));
    EXPECT_FALSE(VariantTimeToSystemTime(2958466.0, &st));
    EXPECT_FALSE(VariantTimeToSystemTime(0.0 / 0.0, &st));
    double d;
    SYSTEMTIME bad[] = {{2024, 13, 0, 1, 0, 0, 0, 0}, {2024, 1, 0, 32, 0, 0, 0, 0}, {2024, 2, 0, 30, 0, 0, 0, 0},
                        {2023, 2, 0, 29, 0, 0, 0, 0}, {2024, 1, 0, 1, 24, 0, 0, 0}, {99, 1, 0, 1, 0, 0, 0, 0}};
    for (const SYSTEMTIME& s : bad) EXPECT_FALSE(SystemTimeToVariantTime(&s, &d)) << s.wYear << "-" << s.wMonth;
}

TEST(OleDatesRounding, FractionRoundsToTheNearestSecondAndCarriesIntoTheNextDay) {
    SYSTEMTIME st{};
    ASSERT_TRUE(VariantTimeToSystemTime(1.0 - 0.1 / 86400.0, &st));
    EXPECT_EQ(st.wDay, 31);  // 1899-12-31 00:00:00
    EXPECT_EQ(st.wHour, 0);
}

struct ChangeCase {
    const char* name;
    VARIANT in;
    VARTYPE to;
    HRESULT hr;
    const char* text;  // expected text of the result converted back to a string
};

TEST(VariantChangeType, TextNumbersAndDatesInUsEnglish) {
    struct {
        const char* text;
        VARTYPE to;
        HRESULT hr;
        double value;
    } parses[] = {
        {"3.25", VT_R8, S_OK, 3.25},
        {"  -1e+30 ", VT_R8, S_OK, -1e30},
        {"abc", VT_R8, DISP_E_TYPEMISMATCH, 0},
        {"", VT_R8, DISP_E_TYPEMISMATCH, 0},
        {"1e999", VT_R8, DISP_E_OVERFLOW, 0},
        {"1/1/1900", VT_DATE, S_OK, 2.0},
        {"2/29/2024 12:00:00 PM", VT_DATE, S_OK, 45351.5},
        {"12/29/1899 6:00:00 AM", VT_DATE, S_OK, -1.25},
        {"2/30/2024", VT_DATE, DISP_E_TYPEMISMATCH, 0},
        {"1:05:30 PM", VT_DATE, S_OK, (13 * 3600 + 5 * 60 + 30) / 86400.0},
    };
    for (const auto& c : parses) {
        VARIANT in = Str(c.text), out;
        VariantInit(&out);
        HRESULT hr = VariantChangeTypeEx(&out, &in, LOCALE_EN_US, 0, c.to);
        EXPECT_EQ(hr, c.hr) << c.text;
        if (hr == S_OK) {
            EXPECT_EQ(out.vt, c.to);
            EXPECT_NEAR(c.to == VT_DATE ? out.date : out.dblVal, c.value, 1e-9) << c.text;
        } else {
            EXPECT_EQ(out.vt, VT_EMPTY) << "destination untouched on failure: " << c.text;
        }
        VariantClear(&in);
        VariantClear(&out);
    }

    struct {
        VARTYPE vt;
        double value;
        const char* text;
    } prints[] = {
        {VT_R8, 0.1, "0.1"},          {VT_R8, 1e30, "1E+30"},       {VT_R8, 1e-05, "1E-05"},
        {VT_R8, 123456789012345678.0, "1.23456789012346E+17"},      {VT_DATE, 2.0, "1/1/1900"},
        {VT_DATE, 45351.5, "2/29/2024 12:00:00 PM"},                {VT_DATE, 0.25, "6:00:00 AM"},
        {VT_DATE, 0.0, "12:00:00 AM"},                              {VT_DATE, -1.25, "12/29/1899 6:00:00 AM"},
    };
    for (const auto& p : prints) {
        VARIANT in;
        VariantInit(&in);
        in.vt = p.vt;
        in.dblVal = p.value;
        VARIANT out;
        VariantInit(&out);
        ASSERT_EQ(VariantChangeTypeEx(&out, &in, LOCALE_EN_US, 0, VT_BSTR), S_OK);
        EXPECT_EQ(Utf8FromBstr(out.bstrVal), p.text);
        VariantClear(&out);
    }
}

TEST(VariantChangeType, InPlaceAndIntegerNarrowing) {
    VARIANT v = Str("42");
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);  // source freed after reading
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 42);
    VARIANT big = Num(3e9), out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeType(&out, &big, 0, VT_I4), DISP_E_OVERFLOW);
    VARIANT half = Num(2.5);
    ASSERT_EQ(VariantChangeType(&out, &half, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, 2);  // half to even
    VARIANT arr;
    VariantInit(&arr);
    arr.vt = VT_ARRAY | VT_VARIANT;
    arr.parray = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    EXPECT_EQ(VariantChangeType(&out, &arr, 0, VT_R8), DISP_E_TYPEMISMATCH);
    VariantClear(&arr);
}

TEST(VariantChangeType, UserLocaleUsesItsDecimalSeparator) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    VARIANT in = Str("2,5"), out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeTypeEx(&out, &in, LOCALE_USER_DEFAULT, 0, VT_R8), S_OK);
    EXPECT_EQ(out.dblVal, 2.5);
    VARIANT en = Str("2.5");
    EXPECT_EQ(VariantChangeTypeEx(&out, &en, LOCALE_EN_US, 0, VT_R8), S_OK);
    EXPECT_EQ(out.dblVal, 2.5);
    VARIANT n = Num(0.5), text;
    VariantInit(&text);
    ASSERT_EQ(VariantChangeTypeEx(&text, &n, LOCALE_EN_US, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Utf8FromBstr(text.bstrVal), "0.5");
    VariantClear(&text);
    VariantClear(&in);
    VariantClear(&en);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

// Text copied into a caller's fixed buffer is cut before a character, never inside one.
TEST(Utf8Buffers, CopiesCutBeforeACharacter) {
    const std::string euro = "\xE2\x82\xAC";  // three bytes
    struct Case {
        std::string text;
        size_t size;
        std::string expected;
    } cases[] = {
        {"abc", 8, "abc"},
        {"abc", 3, "ab"},
        {"ab" + euro, 5, "ab"},   // room for 4 bytes: the euro sign does not fit
        {"ab" + euro, 6, "ab" + euro},
        {euro + euro, 4, euro},
        {"x", 1, ""},
    };
    for (const Case& c : cases) {
        char buffer[16];
        std::memset(buffer, 'Z', sizeof buffer);
        dulo::CopyUtf8(buffer, c.size, c.text);
        EXPECT_EQ(std::string(buffer), c.expected) << c.text << " in " << c.size;
    }
    dulo::CopyUtf8(nullptr, 4, "abc");  // no buffer: nothing happens
}

TEST(Utf8Buffers, WholeLengthDropsACutCharacter) {
    const std::string text = "ab\xE2\x82\xAC";
    for (size_t length : {size_t(2), size_t(5)}) EXPECT_EQ(dulo::Utf8WholeLength(text.data(), length), length);
    EXPECT_EQ(dulo::Utf8WholeLength(text.data(), 3), 2u);
    EXPECT_EQ(dulo::Utf8WholeLength(text.data(), 4), 2u);
    EXPECT_EQ(dulo::Utf8WholeLength("\x82\x82", 2), 2u) << "stray continuation bytes are not a cut character";
}
