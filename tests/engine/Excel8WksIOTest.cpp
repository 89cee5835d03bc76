// excel8WksIO over the engine: the opening steps and their error codes, the
// getters by VARIANT type, widths, sheet selection, and the application's life.
#include "Builders.h"
#include "sources/workbook/ExcelSaveFormat.h"
#include "sources/workbook/excel8WksIO.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace dulo::engine;
using enginetest::Fixture;
using enginetest::SheetXml;

namespace {

// Forwards to the engine and records the members called, so the protocol can be checked.
class RecordingApp : public IApplication {
public:
    explicit RecordingApp(std::shared_ptr<IApplication> inner) : m_inner(std::move(inner)) {}
    void SetVisible(bool v) override { Log("Visible=", v), m_inner->SetVisible(v); }
    bool DisplayAlerts() override { return m_inner->DisplayAlerts(); }
    void SetDisplayAlerts(bool v) override { Log("DisplayAlerts=", v), m_inner->SetDisplayAlerts(v); }
    void SetIgnoreRemoteRequests(bool v) override { Log("IgnoreRemoteRequests=", v), m_inner->SetIgnoreRemoteRequests(v); }
    void Quit() override {
        calls.push_back("Quit");
        if (failQuit) throw AutomationError(RPC_E_DISCONNECTED, "quit refused");
        m_inner->Quit();
    }
    std::shared_ptr<IWorkbooks> Workbooks() override { return m_inner->Workbooks(); }
    std::shared_ptr<IWorkbook> ActiveWorkbook() override { return m_inner->ActiveWorkbook(); }
    std::shared_ptr<ISheets> Sheets() override { return m_inner->Sheets(); }
    std::shared_ptr<IWorksheet> Worksheets(long i) override { return m_inner->Worksheets(i); }
    std::shared_ptr<IAddIns> AddIns() override { return m_inner->AddIns(); }

    std::vector<std::string> calls;
    bool failQuit = false;

private:
    void Log(const char* what, bool v) { calls.push_back(std::string(what) + (v ? "1" : "0")); }
    std::shared_ptr<IApplication> m_inner;
};

// The engine behind members that offer only Value for a range, as any other
// application does: the reader then answers from the Value array.
class ValueOnlyRange : public IRange {
public:
    explicit ValueOnlyRange(std::shared_ptr<IRange> inner) : inner(std::move(inner)) {}
    long Row() override { return inner->Row(); }
    long Column() override { return inner->Column(); }
    std::shared_ptr<IRange> SpecialCells(int type) override {
        return std::make_shared<ValueOnlyRange>(inner->SpecialCells(type));
    }
    void Value(VARIANT& result) override { inner->Value(result); }
    double ColumnWidth() override { return inner->ColumnWidth(); }
    void HasFormula(VARIANT& result) override { inner->HasFormula(result); }
    std::shared_ptr<IRange> inner;
};

class ValueOnlyWorksheet : public IWorksheet {
public:
    explicit ValueOnlyWorksheet(std::shared_ptr<IWorksheet> inner) : m_inner(std::move(inner)) {}
    std::string Name() override { return m_inner->Name(); }
    std::shared_ptr<IRange> Cells(long row, long column) override {
        return std::make_shared<ValueOnlyRange>(m_inner->Cells(row, column));
    }
    std::shared_ptr<IRange> Range(IRange& first, IRange& last) override {
        return std::make_shared<ValueOnlyRange>(m_inner->Range(*static_cast<ValueOnlyRange&>(first).inner,
                                                               *static_cast<ValueOnlyRange&>(last).inner));
    }
    void Select() override { m_inner->Select(); }

private:
    std::shared_ptr<IWorksheet> m_inner;
};

class ValueOnlyApp : public IApplication {
public:
    explicit ValueOnlyApp(std::shared_ptr<IApplication> inner) : m_inner(std::move(inner)) {}
    void SetVisible(bool v) override { m_inner->SetVisible(v); }
    bool DisplayAlerts() override { return m_inner->DisplayAlerts(); }
    void SetDisplayAlerts(bool v) override { m_inner->SetDisplayAlerts(v); }
    void SetIgnoreRemoteRequests(bool v) override { m_inner->SetIgnoreRemoteRequests(v); }
    void Quit() override { m_inner->Quit(); }
    std::shared_ptr<IWorkbooks> Workbooks() override { return m_inner->Workbooks(); }
    std::shared_ptr<IWorkbook> ActiveWorkbook() override { return m_inner->ActiveWorkbook(); }
    std::shared_ptr<ISheets> Sheets() override { return m_inner->Sheets(); }
    std::shared_ptr<IWorksheet> Worksheets(long i) override {
        return std::make_shared<ValueOnlyWorksheet>(m_inner->Worksheets(i));
    }
    std::shared_ptr<IAddIns> AddIns() override { return m_inner->AddIns(); }

private:
    std::shared_ptr<IApplication> m_inner;
};

std::shared_ptr<IApplication> ValueOnlyFactory() { return std::make_shared<ValueOnlyApp>(CreateEngineApplication()); }

std::shared_ptr<RecordingApp> g_lastApp;
bool g_failStart = false;
int g_startNotified = 0;
int g_postOpens = 0;

std::shared_ptr<IApplication> RecordingFactory() {
    if (g_failStart) throw AutomationError(E_FAIL, "cannot start");
    g_lastApp = std::make_shared<RecordingApp>(CreateEngineApplication());
    return g_lastApp;
}

class EngineExcel8 : public ::testing::Test {
protected:
    void SetUp() override {
        InstallExcel8WksIO();
        SetApplicationFactory(&RecordingFactory);
        g_failStart = false;
        ASSERT_TRUE(QuitApplication());
        ASSERT_TRUE(StartApplication());
    }
    void TearDown() override {
        if (g_lastApp) g_lastApp->failQuit = false;
        QuitApplication();
        SetApplicationFactory(nullptr);
        SetApplicationStartNotification(nullptr);
        SetApplicationPostOpenHook(nullptr);
        g_lastApp.reset();
    }
    long OpenWorkbooks() { return g_lastApp->Workbooks()->Count(); }
};

TEST_F(EngineExcel8, StartingSetsTheApplicationUpAndQuittingEndsIt) {
    std::vector<std::string> expected = {"Visible=0", "DisplayAlerts=0", "IgnoreRemoteRequests=1"};
    EXPECT_EQ(g_lastApp->calls, expected);
    EXPECT_TRUE(IsApplicationRunning());
    ASSERT_TRUE(QuitApplication());
    EXPECT_FALSE(IsApplicationRunning());
    EXPECT_EQ(g_lastApp->calls.back(), "Quit");
    EXPECT_EQ(g_lastApp->calls[g_lastApp->calls.size() - 2], "IgnoreRemoteRequests=0");
    EXPECT_TRUE(QuitApplication());  // nothing left to end
}

TEST_F(EngineExcel8, AFailedQuitKeepsTheApplication) {
    g_lastApp->failQuit = true;
    EXPECT_FALSE(QuitApplication());
    EXPECT_TRUE(IsApplicationRunning());
    g_lastApp->failQuit = false;
    EXPECT_TRUE(QuitApplication());
}

TEST_F(EngineExcel8, AFailedStartLeavesNoApplicationAndHooksRunOnlyOnSuccess) {
    ASSERT_TRUE(QuitApplication());
    SetApplicationStartNotification([] { ++g_startNotified; });
    g_startNotified = 0;
    g_failStart = true;
    EXPECT_FALSE(StartApplication());
    EXPECT_FALSE(IsApplicationRunning());
    EXPECT_EQ(g_startNotified, 0);
    g_failStart = false;
    EXPECT_TRUE(StartApplication());
    EXPECT_EQ(g_startNotified, 1);
}

TEST_F(EngineExcel8, OpeningFailuresGiveTheirStepCodes) {
    std::string text = enginetest::TempPath("plain.txt");
    std::ofstream(text) << "a,b\n1,2\n";
    struct Case {
        std::string path;
        const char* sheet;
        int code;
    };
    const Case cases[] = {
        {"", "Data", EXCEL8_EMPTY_PATH},
        {enginetest::TempPath("missing.xlsx"), "", EXCEL8_OPEN_FAILED},
        {text, "", EXCEL8_OPEN_FAILED},
        {Fixture("book.xlsx"), "Nowhere", EXCEL8_SHEET_NOT_FOUND},
        {Fixture("book.xls"), "Dat", EXCEL8_SHEET_NOT_FOUND},
        {Fixture("book.xlsx"), "One", EXCEL8_NOT_AN_ARRAY},
        {Fixture("book.xls"), "Empty", EXCEL8_NOT_AN_ARRAY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " [" + c.sheet + "]");
        {
            excel8WksIO reader(c.path.c_str(), c.sheet);
            EXPECT_TRUE(reader.IsFailed());
            EXPECT_EQ(reader.GetErrorCode(), c.code);
        }
        EXPECT_TRUE(IsApplicationRunning());
        EXPECT_EQ(OpenWorkbooks(), 0);  // the reader closed what it opened
    }
    ASSERT_TRUE(QuitApplication());
    excel8WksIO reader(Fixture("book.xlsx").c_str(), "Data");
    EXPECT_EQ(reader.GetErrorCode(), EXCEL8_NO_WORKBOOKS);
}

TEST_F(EngineExcel8, FindsSheetsWithoutRegardToCaseOrTakesTheFirst) {
    for (const char* sheet : {"second", "SECOND", ""}) {
        excel8WksIO reader(Fixture("book.xlsx").c_str(), sheet);
        ASSERT_FALSE(reader.IsFailed()) << reader.GetErrorCode();
        char text[64];
        reader.GetCellText(0, 0, text, sizeof text, WKS_PREFIX_NONE);
        EXPECT_STREQ(text, *sheet ? "Key" : "ROWNAMES");
    }
}

TEST_F(EngineExcel8, NonAsciiSheetNamesCompareWithoutRegardToCase) {
    std::string cell = SheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>2</v></c></row>");
    std::string path = enginetest::TempPath("names.xlsx");
    enginetest::WriteZip(path, enginetest::XlsxParts({{"Gr\u00F6\u00DFe", cell}, {"\u0434\u0430\u043D\u043D\u044B\u0435", cell}}));
    for (const char* name : {"GR\u00D6\u00DFE", "\u0414\u0410\u041D\u041D\u042B\u0415"}) {
        excel8WksIO reader(path.c_str(), name);
        EXPECT_FALSE(reader.IsFailed()) << name;
    }
    excel8WksIO other(path.c_str(), "Grosse");
    EXPECT_EQ(other.GetErrorCode(), EXCEL8_SHEET_NOT_FOUND);
}

// A walk over the used area visits the values there are: one pass over the
// values array, no lookup per empty position.
TEST_F(EngineExcel8, NextCellVisitsTheValuesOfTheUsedArea) {
    std::string path = enginetest::TempPath("sparse.xlsx");
    enginetest::WriteZip(path, enginetest::XlsxParts({{"Data", SheetXml(
        "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>a</t></is></c><c r=\"C1\" s=\"0\"/></row>"
        "<row r=\"3\"><c r=\"B3\"><v>2</v></c><c r=\"D3\"><v>4</v></c></row>"
        "<row r=\"40000\"><c r=\"IV40000\"><v>9</v></c></row>")}}));
    excel8WksIO reader(path.c_str(), "Data");
    ASSERT_FALSE(reader.IsFailed());
    int rows = 0, columns = 0;
    reader.GetUsedArea(rows, columns);
    EXPECT_EQ(std::pair(rows, columns), std::pair(40000, 256));
    std::vector<std::pair<int, int>> walked;
    for (int r = 0, c = 0; reader.NextCell(r, c); ++c) walked.push_back({r, c});
    EXPECT_EQ(walked, (std::vector<std::pair<int, int>>{{0, 0}, {2, 1}, {2, 3}, {39999, 255}}));
    int r = 2, c = 2;
    ASSERT_TRUE(reader.NextCell(r, c));
    EXPECT_EQ(std::pair(r, c), std::pair(2, 3));
    r = 39999, c = 256;
    EXPECT_FALSE(reader.NextCell(r, c));
}

// Everything the reader answers over a sheet (and one row and column past it):
// each getter at every position, the walk, the area and the formula flag.
std::vector<std::string> Answers(const std::string& path, const char* sheet) {
    std::vector<std::string> out;
    excel8WksIO reader(path.c_str(), sheet);
    out.push_back("failed " + std::to_string(reader.IsFailed()) + " " + std::to_string(reader.GetErrorCode()));
    if (reader.IsFailed()) return out;
    int rows = 0, columns = 0;
    reader.GetUsedArea(rows, columns);
    out.push_back("area " + std::to_string(rows) + "x" + std::to_string(columns) + " formulas " +
                  std::to_string(reader.HasFormulas()));
    for (int r = -1; r <= rows; ++r) {
        for (int c = -1; c <= columns; ++c) {
            char text[256] = "junk", small[3] = "jk", value[256] = "junk";
            double number = 1, cellNumber = 1;
            int textFlags = reader.GetCellText(r, c, text, sizeof text, WKS_PREFIX_NONE);
            int smallFlags = reader.GetCellText(r, c, small, sizeof small, WKS_PREFIX_NONE);
            int numberFlags = reader.GetNumber(r, c, number);
            int valueFlags = reader.GetCellValue(r, c, cellNumber, value, sizeof value);
            out.push_back(std::to_string(r) + "," + std::to_string(c) + ": " + std::to_string(textFlags) + " [" +
                          text + "] " + std::to_string(smallFlags) + " [" + small + "] " +
                          std::to_string(numberFlags) + " " + std::to_string(number) + " " +
                          std::to_string(valueFlags) + " " + std::to_string(cellNumber) + " [" + value + "]");
        }
    }
    for (int r = 0, c = 0; reader.NextCell(r, c); ++c) out.push_back("next " + std::to_string(r) + "," + std::to_string(c));
    return out;
}

// The engine's own cells and the Value array of an application that offers
// only that give the same answers, on every kind of value and on sparse sheets
// with formatted blanks inside and beyond the values.
TEST_F(EngineExcel8, EngineCellsAnswerAsTheValueArrayDoes) {
    std::string sparse = enginetest::TempPath("sparse-same.xlsx");
    enginetest::WriteZip(sparse, enginetest::XlsxParts({{"Data", SheetXml(
        "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 long text past a small buffer</t></is></c>"
        "<c r=\"C1\" s=\"0\"/></row>"
        "<row r=\"3\"><c r=\"B3\"><v>2.5</v></c><c r=\"D3\" t=\"b\"><v>1</v></c><c r=\"E3\" t=\"e\"><v>#N/A</v></c>"
        "<c r=\"F3\" t=\"inlineStr\"><is><t></t></is></c></row>"
        "<row r=\"7\"><c r=\"H7\"><v>-9</v></c><c r=\"K7\" s=\"0\"/></row>"
        "<row r=\"9\"><c r=\"A9\" s=\"0\"/></row>")}}));
    struct Case {
        std::string path;
        const char* sheet;
        bool opens;  // a one-cell sheet gives no array either way
    };
    const Case cases[] = {{Fixture("book.xls"), "Data", true}, {Fixture("book.xlsx"), "Data", true},
                          {Fixture("book.xlsx"), "second", true}, {Fixture("book.xls"), "One", false},
                          {sparse, "Data", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " " + c.sheet);
        std::vector<std::string> engine = Answers(c.path, c.sheet);
        ASSERT_TRUE(QuitApplication());
        SetApplicationFactory(&ValueOnlyFactory);
        ASSERT_TRUE(StartApplication());
        std::vector<std::string> values = Answers(c.path, c.sheet);
        ASSERT_TRUE(QuitApplication());
        SetApplicationFactory(&RecordingFactory);
        ASSERT_TRUE(StartApplication());
        EXPECT_EQ(engine.size() > 1, c.opens);
        EXPECT_EQ(engine, values);
    }
}

TEST_F(EngineExcel8, GettersFollowTheVariantType) {
    for (const char* ext : {".xls", ".xlsx"}) {
        SCOPED_TRACE(ext);
        excel8WksIO reader(Fixture(std::string("book") + ext).c_str(), "Data");
        ASSERT_FALSE(reader.IsFailed()) << reader.GetErrorCode();
        EXPECT_EQ(reader.GetRowCount(), 4);
        EXPECT_EQ(reader.GetColumnCount(), 9);
        struct Case {
            int row, col;
            int flags;
            const char* text;
            double number;
        };
        const Case cases[] = {
            {0, 0, WKS_TEXT, "ROWNAMES", WKS_NO_NUMBER},
            {1, 5, WKS_NUMBER, "-1", -1},                   // TRUE
            {2, 5, WKS_NUMBER, "0", 0},                     // FALSE
            {1, 4, WKS_NUMBER, "12.500000", 12.5},          // currency
            {1, 8, WKS_NUMBER, "3.25", 3.25},
            {2, 8, WKS_NUMBER, "-7", -7},
            {1, 6, 0, "", WKS_NO_NUMBER},                   // #DIV/0!
            {1, 7, WKS_TEXT, "r1x", WKS_NO_NUMBER},         // formula with a text result
            {9, 0, 0, "", WKS_NO_NUMBER},                   // outside the used area
            {-1, 0, 0, "", WKS_NO_NUMBER},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.row << "," << c.col);
            char text[64] = "junk";
            EXPECT_EQ(reader.GetCellText(c.row, c.col, text, sizeof text, WKS_PREFIX_NUMERIC), c.flags);
            EXPECT_STREQ(text, c.text);
            double number = 0;
            EXPECT_EQ(reader.GetNumber(c.row, c.col, number), c.flags);
            EXPECT_DOUBLE_EQ(number, c.number);
        }
        double date = 0;
        EXPECT_EQ(reader.GetNumber(1, 1, date), WKS_NUMBER | WKS_DATE | WKS_TIME);
        EXPECT_DOUBLE_EQ(date, 40000);
        char text[64];
        EXPECT_EQ(reader.GetCellText(1, 3, text, sizeof text, WKS_PREFIX_NONE), 0x380);
        EXPECT_STREQ(text, "18:00:00 07/06/09");  // "%X %x" in the C locale
        // Truncated to the buffer, always terminated.
        char small[4];
        EXPECT_EQ(reader.GetCellText(0, 0, small, sizeof small, WKS_PREFIX_NONE), WKS_TEXT);
        EXPECT_STREQ(small, "ROW");
        EXPECT_TRUE(reader.HasFormulas());
        EXPECT_TRUE(reader.IsFormula(1, 6));
        EXPECT_FALSE(reader.IsFormula(1, 1));
    }
}

TEST_F(EngineExcel8, ColumnWidthsAreFetchedOnceAndTruncated) {
    excel8WksIO reader(Fixture("book.xlsx").c_str(), "Data");
    ASSERT_FALSE(reader.IsFailed());
    EXPECT_EQ(reader.GetColumnWidth(0), 17);
    EXPECT_EQ(reader.GetColumnWidth(1), 8);  // 8.43
    EXPECT_EQ(reader.GetColumnWidth(7), 5);
    EXPECT_EQ(reader.GetColumnWidth(-1), -1);
    excel8WksIO failed("", "");
    EXPECT_EQ(failed.GetColumnWidth(0), 10);  // no cache
}

TEST_F(EngineExcel8, SelectSheetSwitchesOrRecordsItsCode) {
    excel8WksIO reader(Fixture("book.xls").c_str(), "Data");
    ASSERT_FALSE(reader.IsFailed());
    EXPECT_TRUE(reader.SelectSheet("SECOND"));
    EXPECT_EQ(reader.GetRowCount(), 3);
    EXPECT_EQ(reader.GetColumnCount(), 2);
    EXPECT_FALSE(reader.HasFormulas());
    double v = 0;
    EXPECT_EQ(reader.GetNumber(2, 1, v), WKS_NUMBER);
    EXPECT_EQ(v, 43);
    struct Case {
        const char* name;
        int code;
    };
    for (Case c : {Case{"", EXCEL8_EMPTY_SHEET_NAME}, Case{"Nowhere", EXCEL8_NO_ACTIVE_WORKBOOK},
                   Case{"One", EXCEL8_NOT_AN_ARRAY}}) {
        EXPECT_FALSE(reader.SelectSheet(c.name));
        EXPECT_EQ(reader.GetErrorCode(), c.code);
        EXPECT_TRUE(reader.IsFailed());
    }
    EXPECT_TRUE(reader.SelectSheet("data"));
    EXPECT_FALSE(reader.IsFailed());
    EXPECT_EQ(reader.GetColumnCount(), 9);
}

TEST_F(EngineExcel8, ClosingRestoresAlertsAndRunsThePostOpenHook) {
    g_postOpens = 0;
    SetApplicationPostOpenHook([] { ++g_postOpens; });
    g_lastApp->SetDisplayAlerts(true);
    {
        excel8WksIO reader(Fixture("book.xlsx").c_str(), "Data");
        ASSERT_FALSE(reader.IsFailed());
        EXPECT_TRUE(g_lastApp->DisplayAlerts());  // restored after a successful open
        EXPECT_EQ(OpenWorkbooks(), 1);
    }
    EXPECT_EQ(g_postOpens, 1);
    EXPECT_EQ(OpenWorkbooks(), 0);
    EXPECT_TRUE(g_lastApp->DisplayAlerts());
    {
        excel8WksIO reader(Fixture("book.xlsx").c_str(), "Nowhere");
        EXPECT_FALSE(g_lastApp->DisplayAlerts());  // a failed open leaves it off
    }
}

TEST_F(EngineExcel8, TWksIOHandsWorkbooksOfKindFiveToTheApplication) {
    TWksIO wks;
    ASSERT_TRUE(wks.Open(Fixture("book.xlsx").c_str(), "second", WKS_OPEN_ALLOW_APPLICATION));
    EXPECT_EQ(wks.GetKind(), WKS_KIND_APPLICATION);
    COleDateTime date;
    EXPECT_EQ(wks.GetRowCount(), 3);
    EXPECT_TRUE(wks.SelectSheet("Data"));
    EXPECT_EQ(wks.GetDateValue(1, 1, date) & WKS_DATE, WKS_DATE);
    EXPECT_DOUBLE_EQ(date.m_dt, 40000);
    EXPECT_EQ(date.m_status, COleDateTime::valid);
    wks.Close();
    EXPECT_EQ(OpenWorkbooks(), 0);

    TWksIO noApp;
    EXPECT_FALSE(noApp.Open(Fixture("book.xls").c_str(), "Data", WKS_OPEN_NO_APPLICATION));
    EXPECT_TRUE(noApp.NeedsApplication());
    TWksIO missing;
    EXPECT_FALSE(missing.Open(Fixture("book.xls").c_str(), "Nowhere", WKS_OPEN_ALLOW_APPLICATION));
    EXPECT_TRUE(missing.IsFailed());
    EXPECT_TRUE(IsApplicationRunning());
}

TEST(EngineSaveFormats, NamesGiveTheirCodes) {
    struct Case {
        const char* name;
        bool ok;
        int code;
    };
    const Case cases[] = {{"", true, 39},         {"Excel5", true, 39},  {"excel4workbook", true, 35},
                          {"WK1", true, 5},       {"wk1", true, 5},      {"WKS", true, 4},
                          {"wks", false, 0},      {"Text", true, -4158}, {"CSVWindows", true, 23},
                          {"SYLK", true, 2},      {"TextPrinter", true, 36}, {"Excel9", false, 0}};
    for (const Case& c : cases) {
        int code = 0;
        std::string message;
        EXPECT_EQ(GetExcelSaveFormat(c.name, code, &message), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(code, c.code) << c.name;
        } else {
            EXPECT_EQ(message, std::string("Invalid Excel spreadsheet format specified. [") + c.name + "]");
        }
    }
}

}  // namespace
