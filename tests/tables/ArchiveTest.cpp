// The archive encoding: exact bytes, round trips, and malformed input.
#include "platform/archive/Archive.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Stored(const std::function<void(CArchive&)>& write) {
    CArchive ar;
    write(ar);
    return ar.GetBuffer();
}

TEST(Archive, NumbersAreLittleEndian) {
    Bytes b = Stored([](CArchive& ar) {
        ar.WriteBool(true);
        ar.WriteShort(-2);
        ar.WriteLong(0x01020304);
        ar.WriteDouble(1.0);
    });
    Bytes expected = {1, 0xFE, 0xFF, 4, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
    EXPECT_EQ(b, expected);

    CArchive in(b);
    EXPECT_TRUE(in.ReadBool());
    EXPECT_EQ(in.ReadShort(), -2);
    EXPECT_EQ(in.ReadLong(), 0x01020304);
    EXPECT_EQ(in.ReadDouble(), 1.0);
    EXPECT_EQ(in.GetRemaining(), 0u);
}

TEST(Archive, AnyNonZeroByteReadsAsTrue) {
    Bytes b = {0, 1, 2, 0xFF};
    CArchive in(b);
    EXPECT_FALSE(in.ReadBool());
    EXPECT_TRUE(in.ReadBool());
    EXPECT_TRUE(in.ReadBool());
    EXPECT_TRUE(in.ReadBool());
}

// The text length prefix at each of its boundaries.
TEST(Archive, TextLengthPrefixes) {
    struct Case {
        size_t length;
        Bytes prefix;
    } cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {0x10000, {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        std::string text(c.length, 'x');
        Bytes b = Stored([&](CArchive& ar) { ar.WriteString(text); });
        ASSERT_EQ(b.size(), c.prefix.size() + c.length);
        EXPECT_EQ(Bytes(b.begin(), b.begin() + long(c.prefix.size())), c.prefix);
        CArchive in(b);
        EXPECT_EQ(in.ReadString(), text);
        EXPECT_EQ(in.GetRemaining(), 0u);
    }
}

TEST(Archive, Utf16Texts) {
    // Written with the marker: FF FE FF, then the character count, then UTF-16LE.
    Bytes b = Stored([](CArchive& ar) { ar.WriteStringUtf16(u"A\u00e9"); });
    Bytes expected = {0xFF, 0xFE, 0xFF, 2, 'A', 0, 0xE9, 0};
    EXPECT_EQ(b, expected);
    CArchive in(b);
    EXPECT_EQ(in.ReadString(), "A\xC3\xA9");

    // Non-ASCII text is stored marked, so it reads back unchanged.
    std::string text = "K\xC3\xBChler \xE2\x82\xAC";
    CArchive back(Stored([&](CArchive& ar) { ar.WriteString(text); }));
    EXPECT_EQ(back.ReadString(), text);

    // A long UTF-16 text uses the escaped count after the marker.
    std::u16string longText(300, u'\u00e9');
    Bytes lb = Stored([&](CArchive& ar) { ar.WriteStringUtf16(longText); });
    EXPECT_EQ(Bytes(lb.begin(), lb.begin() + 6), (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}));
    CArchive lin(lb);
    EXPECT_EQ(lin.ReadString().size(), 600u);
}

TEST(Archive, EightBitTextInCodePage1252BecomesUtf8) {
    Bytes b = {3, 'K', 0xFC, 0x80};
    CArchive in(b);
    EXPECT_EQ(in.ReadString(), "K\xC3\xBC\xE2\x82\xAC");
}

TEST(Archive, ListsAndDates) {
    std::vector<double> small = {1.5, -2.25};
    std::vector<double> large(0xFFFF, 0.5);
    std::vector<std::string> texts = {"", "a", std::string(300, 'b')};
    Bytes b = Stored([&](CArchive& ar) {
        ar.WriteDoubleList(small);
        ar.WriteDoubleList(large);
        ar.WriteStringList(texts);
        ar.WriteDate(COleDateTime(45351.5, 2));
    });
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 2), (Bytes{2, 0}));
    EXPECT_EQ(Bytes(b.begin() + 18, b.begin() + 24), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
    CArchive in(b);
    EXPECT_EQ(in.ReadDoubleList(), small);
    EXPECT_EQ(in.ReadDoubleList(), large);
    EXPECT_EQ(in.ReadStringList(), texts);
    COleDateTime d = in.ReadDate();
    EXPECT_EQ(d.m_dt, 45351.5);
    EXPECT_EQ(d.m_status, 2);
    EXPECT_EQ(in.GetRemaining(), 0u);
}

TEST(Archive, ExchangeReadsWhatItWrote) {
    bool flag = true;
    int32_t number = -7;
    double value = 3.25;
    std::string text = "t";
    std::vector<double> list = {1, 2};
    std::vector<std::string> names = {"x", "y"};
    COleDateTime date(1.5, 0);
    CArchive out;
    out.Exchange(flag);
    out.Exchange(number);
    out.Exchange(value);
    out.Exchange(text);
    out.Exchange(list);
    out.Exchange(names);
    out.Exchange(date);

    CArchive in(out.GetBuffer());
    bool flag2 = false;
    int32_t number2 = 0;
    double value2 = 0;
    std::string text2;
    std::vector<double> list2;
    std::vector<std::string> names2;
    COleDateTime date2;
    in.Exchange(flag2);
    in.Exchange(number2);
    in.Exchange(value2);
    in.Exchange(text2);
    in.Exchange(list2);
    in.Exchange(names2);
    in.Exchange(date2);
    EXPECT_EQ(flag2, flag);
    EXPECT_EQ(number2, number);
    EXPECT_EQ(value2, value);
    EXPECT_EQ(text2, text);
    EXPECT_EQ(list2, list);
    EXPECT_EQ(names2, names);
    EXPECT_EQ(date2.m_dt, 1.5);
}

// Every proper prefix of a valid archive is short somewhere: the read must
// raise the archive exception, never run past the bytes.
TEST(Archive, EveryTruncationRaisesTheArchiveException) {
    Bytes whole = Stored([](CArchive& ar) {
        ar.WriteBool(true);
        ar.WriteLong(5);
        ar.WriteString(std::string(300, 'q'));
        ar.WriteStringUtf16(u"w\u00e9");
        ar.WriteDoubleList({1.0, 2.0});
        ar.WriteStringList({"a", "bc"});
        ar.WriteDouble(9.0);
    });
    auto readAll = [](CArchive& in) {
        in.ReadBool();
        in.ReadLong();
        in.ReadString();
        in.ReadString();
        in.ReadDoubleList();
        in.ReadStringList();
        in.ReadDouble();
    };
    {
        CArchive in(whole);
        EXPECT_NO_THROW(readAll(in));
    }
    for (size_t n = 0; n < whole.size(); ++n) {
        SCOPED_TRACE(n);
        CArchive in(Bytes(whole.begin(), whole.begin() + long(n)));
        EXPECT_THROW(readAll(in), CArchiveException);
    }
}

TEST(Archive, BadLengthsAndCountsRaiseWithoutAllocating) {
    struct Case {
        const char* label;
        Bytes bytes;
        int what;  // 0 text, 1 double list, 2 text list
    } cases[] = {
        {"32-bit text length of 4 GB", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'}, 0},
        {"16-bit text length past the end", {0xFF, 0x00, 0x10, 'a', 'b'}, 0},
        {"UTF-16 count past the end", {0xFF, 0xFE, 0xFF, 0x05, 'a', 0}, 0},
        {"UTF-16 32-bit count of 2^31", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80}, 0},
        {"marker twice", {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0}, 0},
        {"huge double count", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0}, 1},
        {"double count one too many", {0x02, 0x00, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}, 1},
        {"huge text count", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}, 2},
        {"text count past the end", {0x03, 0x00, 0x00, 0x00}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        CArchive in(c.bytes);
        switch (c.what) {
        case 0: EXPECT_THROW(in.ReadString(), CArchiveException); break;
        case 1: EXPECT_THROW(in.ReadDoubleList(), CArchiveException); break;
        default: EXPECT_THROW(in.ReadStringList(), CArchiveException); break;
        }
    }
}

TEST(Archive, DirectionIsEnforced) {
    CArchive out;
    EXPECT_TRUE(out.IsStoring());
    EXPECT_THROW(out.ReadLong(), CArchiveException);
    CArchive in(Bytes{1, 2, 3, 4});
    EXPECT_TRUE(in.IsLoading());
    try {
        in.WriteLong(1);
        FAIL() << "no exception";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::readOnly);
    }
    EXPECT_EQ(in.ReadLong(), 0x04030201);
}

TEST(Archive, FileRoundTripAndMissingFile) {
    CArchive out;
    out.WriteString("file");
    std::string path = std::string(DULO_BINARY_DIR) + "/tables-archive-test.bin";
    ASSERT_TRUE(out.WriteToFile(path));
    Bytes bytes;
    ASSERT_TRUE(CArchive::ReadFileBytes(path, bytes));
    CArchive in(bytes);
    EXPECT_EQ(in.ReadString(), "file");
    std::remove(path.c_str());

    int error = 0;
    EXPECT_FALSE(CArchive::ReadFileBytes(path + ".missing", bytes, &error));
    EXPECT_NE(error, 0);
}

}  // namespace
