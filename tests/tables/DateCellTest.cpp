// Date values from text, VARIANTs and raw OLE dates, and their text forms.
#include "tables/IoCell.h"

#include "platform/TextConv.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<CIoCell> MakeFromText(int kind, const char* text) {
    switch (kind) {
    case SqlType::Date: return std::make_unique<CIoDateCell>(text, false, false);
    case SqlType::Time: return std::make_unique<CIoTimeCell>(text, false, false);
    default: return std::make_unique<CIoTimeStampCell>(text, false, false);
    }
}

struct TextCase {
    int kind;
    const char* text;
    int status;
    const char* printed;
};

const TextCase kTextCases[] = {
    {SqlType::Date, "2024-02-29", 0, "2024-02-29"},
    {SqlType::Date, "2024-02-30", 1, "-001--1--1"},
    {SqlType::Date, "2023-02-29", 1, "-001--1--1"},
    {SqlType::Date, "2024-13-01", 1, "-001--1--1"},
    {SqlType::Date, "2024-01-32", 1, "-001--1--1"},
    {SqlType::Date, "2024-00-10", 1, "-001--1--1"},
    {SqlType::Date, "1899-12-30", 0, "1899-12-30"},
    {SqlType::Date, "1800-01-01", 0, "1800-01-01"},
    {SqlType::Date, "2024/03/05", 0, "2024-03-05"},  // separators are not looked at
    {SqlType::Date, "", 1, "-001--1--1"},
    {SqlType::Date, "20", 1, "-001--1--1"},
    {SqlType::Date, "abcd-ef-gh", 1, "-001--1--1"},
    {SqlType::Time, "07:05:09", 0, "07:05:09"},
    {SqlType::Time, "23:59:59", 0, "23:59:59"},
    {SqlType::Time, "24:00:00", 1, "-1:-1:-1"},
    {SqlType::Time, "12:60:00", 1, "-1:-1:-1"},
    {SqlType::Time, "7:5:9", 0, "07:00:00"},  // fixed positions: minute is ":9", no second
    {SqlType::TimeStamp, "2024-02-29 13:14:15", 0, "2024-02-29 13:14:15"},
    {SqlType::TimeStamp, "2024-02-29", 0, "2024-02-29 00:00:00"},
    {SqlType::TimeStamp, "2024-02-30 13:14:15", 1, "-001--1--1 -1:-1:-1"},
    {SqlType::TimeStamp, "2024-02-28 25:00:00", 1, "-001--1--1 -1:-1:-1"},
};

TEST(DateCell, TextRoundTripValidation) {
    for (const auto& c : kTextCases) {
        SCOPED_TRACE(testing::Message() << c.kind << " '" << c.text << "'");
        auto cell = MakeFromText(c.kind, c.text);
        EXPECT_EQ(cell->GetDate().m_status, c.status);
        EXPECT_EQ(cell->GetText(), c.printed);
        EXPECT_FALSE(cell->IsNull());
    }
}

TEST(DateCell, TimeFromTextHasDatePartZero) {
    CIoTimeCell t("07:05:09", false, false);
    EXPECT_NEAR(t.GetDate().m_dt, (7 * 3600 + 5 * 60 + 9) / 86400.0, 1e-9);
    EXPECT_NEAR(t.GetDate().m_dt, 0.29524, 1e-5);
    CIoDateCell d("2024-02-29", false, false);
    EXPECT_EQ(d.GetDate().m_dt, 45351.0);
}

TEST(DateCell, KindDecidesWhichFieldsArePrinted) {
    COleDateTime v(45351.5, 0);  // 2024-02-29 12:00:00
    EXPECT_EQ(CIoDateCell(v, false, false).GetText(), "2024-02-29");
    EXPECT_EQ(CIoTimeCell(v, false, false).GetText(), "12:00:00");
    EXPECT_EQ(CIoTimeStampCell(v, false, false).GetText(), "2024-02-29 12:00:00");
    // Null and invalid statuses print -1 fields; so does a date outside the calendar.
    EXPECT_EQ(CIoDateCell(COleDateTime(45351.0, 2), false, false).GetText(), "-001--1--1");
    EXPECT_EQ(CIoTimeCell(COleDateTime(45351.0, 1), false, false).GetText(), "-1:-1:-1");
    EXPECT_EQ(CIoDateCell(1e9, false, false).GetText(), "-001--1--1");
}

TEST(DateCell, FromRawOleDateAndSetDate) {
    CIoTimeStampCell t(-1.25, "D", false, false, 2);
    EXPECT_EQ(t.GetDate().m_status, 0);
    EXPECT_EQ(t.GetText(), "1899-12-29 06:00:00");
    EXPECT_EQ(t.GetName(), "D");
    EXPECT_EQ(t.GetSourceIndex(), 2);
    t.ClearModified();
    t.SetDate(45351.0, 1);
    COleDateTime out;
    t.GetDateTo(out);
    EXPECT_EQ(out.m_dt, 45351.0);
    EXPECT_EQ(out.m_status, 1);
    EXPECT_TRUE(t.IsModified());
}

TEST(DateCell, FromVariant) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DATE;
    v.date = 45351.75;
    CIoTimeStampCell a(v, false, false);
    EXPECT_EQ(a.GetDate().m_dt, 45351.75);
    EXPECT_EQ(a.GetDate().m_status, 0);

    v.vt = VT_R8;
    v.dblVal = 2.5;
    CIoDateCell b(v, false, false);
    EXPECT_EQ(b.GetDate().m_dt, 2.5);
    EXPECT_EQ(b.GetDate().m_status, 0);

    VARIANT s;
    VariantInit(&s);
    s.vt = VT_BSTR;
    s.bstrVal = dulo::BstrFromUtf8("not a date");
    CIoDateCell c(s, false, false);
    EXPECT_EQ(c.GetDate().m_status, 1);
    EXPECT_EQ(c.GetText(), "-001--1--1");
    VariantClear(&s);

    VARIANT n;
    VariantInit(&n);
    n.vt = VT_NULL;
    EXPECT_EQ(CIoDateCell(n, false, false).GetDate().m_status, 1);
}

}  // namespace
