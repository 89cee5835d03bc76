// The cursor, the reporting facility and the common reader-entry sequence.
#include "MemoryTbl.h"

#include "platform/Messages.h"
#include "sources/ReaderEntry.h"
#include "sources/WksMessages.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

MemoryGrid ThreeRecords() {
    MemoryGrid g;
    g.headings = {"ROWNAMES", "X", "Y"};
    g.records = {{"A", "1", "2"}, {"B", "3", "4"}, {"C", "5", "6"}};
    return g;
}

TEST(Cursor, MovesAndFlags) {
    MemoryGrid grid = ThreeRecords();
    CIOOptions options;
    CMemoryTbl t(nullptr, &options, &grid);
    ASSERT_TRUE(t.OpenTable(CIoTableDescription()));
    EXPECT_EQ(t.GetCurrentRecord(), -1);
    EXPECT_EQ(t.MoveFirst(), 4);
    EXPECT_EQ(t.GetCurrentRecord(), 1);
    EXPECT_EQ(t.GetCurrentRecordText(), "2");
    EXPECT_FALSE(t.IsEndOfRecords());
    EXPECT_FALSE(t.MoveNext());
    EXPECT_FALSE(t.MoveNext());
    EXPECT_EQ(t.GetCurrentRecord(), 3);
    EXPECT_FALSE(t.IsEndOfRecords());
    EXPECT_TRUE(t.MoveNext());  // it was the last
    EXPECT_TRUE(t.IsEndOfRecords());
    EXPECT_EQ(t.GetCurrentRecord(), 4);

    EXPECT_EQ(t.MovePrev(), 3);
    EXPECT_FALSE(t.IsEndOfRecords());
    EXPECT_FALSE(t.IsBeforeFirstRecord());
    EXPECT_EQ(t.MovePrev(), 2);
    EXPECT_FALSE(t.IsBeforeFirstRecord());
    EXPECT_EQ(t.MovePrev(), 1);
    EXPECT_FALSE(t.IsBeforeFirstRecord());
    EXPECT_EQ(t.MovePrev(), 0);
    EXPECT_TRUE(t.IsBeforeFirstRecord());  // stepped back from the first data record

    EXPECT_EQ(t.MoveFirstColumn(), 3);
    EXPECT_EQ(t.GetCurrentColumnText(), "1");
    EXPECT_FALSE(t.MoveNextColumn());
    EXPECT_TRUE(t.MoveNextColumn() == false && !t.IsEndOfColumns());
    EXPECT_TRUE(t.MoveNextColumn());
    EXPECT_TRUE(t.IsEndOfColumns());
    EXPECT_EQ(t.MovePrevColumn(), 2);
    EXPECT_FALSE(t.IsEndOfColumns());
    EXPECT_EQ(t.MovePrevColumn(), 1);
    EXPECT_EQ(t.MovePrevColumn(), 0);
    EXPECT_FALSE(t.IsBeforeFirstColumn());
    EXPECT_EQ(t.MovePrevColumn(), -1);
    EXPECT_TRUE(t.IsBeforeFirstColumn());
}

TEST(Cursor, MoveFirstPastTheLastRecordEndsAtOnce) {
    MemoryGrid grid;
    grid.headings = {"ROWNAMES"};  // heading row only
    CIOOptions options;
    CMemoryTbl t(nullptr, &options, &grid);
    ASSERT_TRUE(t.OpenTable(CIoTableDescription()));
    EXPECT_EQ(t.MoveFirst(), 1);
    EXPECT_TRUE(t.IsEndOfRecords());
}

TEST(Cursor, CloseTableOnAnUnopenedSourceFails) {
    MemoryGrid grid = ThreeRecords();
    grid.failOpen = true;
    CIOOptions options;
    options.SetWord(1, 0);
    CMemoryTbl t(nullptr, &options, &grid);
    EXPECT_FALSE(t.CloseTable(true));
    EXPECT_FALSE(t.OpenTable(CIoTableDescription()));
    EXPECT_FALSE(t.CloseTable(true));
    EXPECT_FALSE(t.IsOpen());
}

struct Shown {
    std::vector<std::string> texts;
    static void Sink(const char*, const char* text, void* context) {
        static_cast<Shown*>(context)->texts.push_back(text);
    }
};

TEST(Reporting, OptionWordsDecideWhatIsShownAndLogged) {
    struct Case {
        int errorsShown, warningsShown, log;
        bool withStream;
        std::vector<std::string> shown;
        std::string logged;
    } cases[] = {
        {1, 0, 1, true, {"bad [10.xls]"}, "Error\nbad [10.xls]\n\nWarning\ncareful\n\nline\n\n"},
        {0, 1, 0, true, {"careful"}, ""},
        {0, 0, 1, false, {}, ""},
        {1, 1, 0, false, {"bad [10.xls]", "careful"}, ""},
    };
    for (const auto& c : cases) {
        Shown shown;
        dulo::SetMessageSink(&Shown::Sink, &shown, true);
        CIOOptions options;
        options.SetWord(1, c.errorsShown);
        options.SetWord(2, c.warningsShown);
        options.SetWord(4, c.log);
        std::ostringstream log;
        MemoryGrid grid;
        CMemoryTbl t(c.withStream ? &log : nullptr, &options, &grid);
        EXPECT_EQ(t.ReportError("bad [10.xls]"), 0);
        EXPECT_EQ(t.ReportWarning("careful"), 0);
        t.LogLine("line");
        EXPECT_EQ(shown.texts, c.shown);
        EXPECT_EQ(log.str(), c.logged);
    }
    dulo::SetMessageSink(nullptr, nullptr, true);
}

TEST(Reporting, FormsByIdWithArgumentDetailAndFileException) {
    Shown shown;
    dulo::SetMessageSink(&Shown::Sink, &shown, true);
    CIOOptions options;
    options.SetWord(2, 1);
    MemoryGrid grid;
    CMemoryTbl t(nullptr, &options, &grid);
    using namespace source_messages;
    t.ReportError(kIdNoExtractColumns);
    t.ReportError(kIdExtractColumnNotFound, "COL");
    t.ReportErrorDetail(kIdNoExtractColumns, "more");
    t.ReportWarning(wks_messages::kIdColumnAdded, "NEW");
    t.ReportWarningDetail(kIdNoKeyValues, "d");
    t.ReportFileException(kIdExtractColumnNotFound, "f.xls", std::runtime_error("disk gone"));
    t.ReportFileException(kIdExtractColumnNotFound, "f.xls", std::runtime_error("disk gone"), "try again");
    EXPECT_EQ(shown.texts, (std::vector<std::string>{
                               "No Extract Columns Specified.",
                               "Can Not Find Extract Column [COL].",
                               "No Extract Columns Specified. [more]",
                               "[NEW] column added to Target Table.",
                               "No Key Values Specified. [d]",
                               "Can Not Find Extract Column [f.xls].\n\ndisk gone",
                               "Can Not Find Extract Column [f.xls].\n\ndisk gone\n\ntry again",
                           }));
    dulo::SetMessageSink(nullptr, nullptr, true);
}

// One request into fresh arrays, with the description's strings set.
struct Request {
    CIoTableDescription description;
    CColumnArray keyHeadings, columnHeadings;
    CIoRowArray rows, extra1, extra2;
    TableReadRequest request{description, keyHeadings, columnHeadings, rows, extra1, extra2};
    Request() {
        description.SetString(0, "memory");
        request.keyFields = "ROWNAMES";
        request.keyValues = "*";
        request.extractColumns = "*";
        request.sourceIndex = 3;
    }
};

TEST(ReaderEntry, ResultCodes) {
    struct Case {
        const char* label;
        void (*setup)(MemoryGrid&);
        int result;
        int rows;
        int closes;
    } cases[] = {
        {"read", [](MemoryGrid&) {}, 0, 3, 1},
        {"open fails", [](MemoryGrid& g) { g.failOpen = true; }, 1, 0, 0},
        {"extract fails", [](MemoryGrid& g) { g.failExtract = true; }, 2, 0, 1},
        {"extract throws", [](MemoryGrid& g) { g.throwInExtract = true; }, 2, 0, 1},
        {"close fails", [](MemoryGrid& g) { g.failClose = true; }, 4, 3, 1},
        {"warning", [](MemoryGrid& g) { g.raiseWarning = true; }, 21, 3, 1},
        {"close failure beats the warning", [](MemoryGrid& g) { g.raiseWarning = g.failClose = true; }, 4, 3, 1},
    };
    Shown shown;
    dulo::SetMessageSink(&Shown::Sink, &shown, true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        MemoryGrid grid = ThreeRecords();
        c.setup(grid);
        Request r;
        r.rows.AddRow("stale", false);
        r.columnHeadings.Add(new CColumn("stale", 1, 0, 0, 1, nullptr));
        EXPECT_EQ(ReadMemoryTable(r.request, &grid), c.result);
        EXPECT_EQ(r.rows.GetSize(), c.rows);
        EXPECT_EQ(grid.closeCalls, c.closes);
        if (c.result == 1) {
            EXPECT_EQ(r.columnHeadings.GetSize(), 0);
        }
    }
    // Reader entries run silently: errors are not shown.
    EXPECT_TRUE(shown.texts.empty());
    dulo::SetMessageSink(nullptr, nullptr, true);
}

TEST(ReaderEntry, FillsRowsHeadingsStatisticsAndResults) {
    MemoryGrid grid = ThreeRecords();
    Request r;
    r.request.extractColumns = "Y,X";
    ReaderEntryHooks hooks;
    hooks.afterOpen = [](CBaseTbl& source, TableReadRequest& request) {
        RecordSheetLayout(source, request.description);
        request.sheetLabel = "label";
    };
    ASSERT_EQ(ReadMemoryTable(r.request, &grid, hooks), 0);
    ASSERT_EQ(r.rows.GetSize(), 3);
    EXPECT_EQ(r.rows.GetKeyText(1, 0), "B");
    EXPECT_EQ(r.rows.GetRow(1)->GetRowId(), 2);
    EXPECT_EQ(r.rows.GetRow(1)->m_SourceListA, std::vector<int>{3});
    EXPECT_STREQ(r.rows.GetCellTextPtr(2, 0), "6");
    EXPECT_STREQ(r.rows.GetCellTextPtr(2, 1), "5");
    ASSERT_EQ(r.keyHeadings.GetSize(), 1);
    EXPECT_EQ(r.keyHeadings.GetAt(0)->m_strName, "ROWNAMES");
    ASSERT_EQ(r.columnHeadings.GetSize(), 2);

    const CIoTableDescription& d = r.description;
    EXPECT_EQ(d.m_nRowCount, 3);
    EXPECT_EQ(d.m_nDataColumnCount, 2);
    EXPECT_EQ(d.m_nLastColumnOrdinal, 1);  // X, the last heading
    EXPECT_EQ(d.m_nSheetRowCount, 4);
    EXPECT_EQ(d.m_nHeaderRow, 0);
    EXPECT_EQ(d.m_nRowNameColumn, 0);
    EXPECT_EQ(d.m_nEndMarkerColumn, -1);
    EXPECT_EQ(r.request.sheetLabel, "label");
    EXPECT_EQ(r.request.results[0], 5);
    EXPECT_EQ(r.request.results[1], 0);
    EXPECT_EQ(r.request.results[2], 1);
}

TEST(ReaderEntry, ExtraRowSetsOnlyWhenAsked) {
    int calls = 0;
    ReaderEntryHooks hooks;
    hooks.readExtraRowSets = [&calls](CBaseTbl&, TableReadRequest&) {
        ++calls;
        return false;
    };
    MemoryGrid grid = ThreeRecords();
    Request r;
    EXPECT_EQ(ReadMemoryTable(r.request, &grid, hooks), 0);
    EXPECT_EQ(calls, 0);
    r.request.fillExtraRowSets = true;
    EXPECT_EQ(ReadMemoryTable(r.request, &grid, hooks), 2);
    EXPECT_EQ(calls, 1);
}

TEST(ReaderEntry, OptionsOfAnEntry) {
    CIOOptions o = ReaderEntryOptions();
    EXPECT_EQ(o.GetBackupExtension(), "BAK");
    EXPECT_FALSE(o.MakeBackup());
    EXPECT_FALSE(o.ErrorsShown());
    EXPECT_TRUE(o.LogOn());
    EXPECT_TRUE(o.StarHeadingEndsColumns());
}

// An in-memory table reads through a registered entry built on the sequence.
int MemoryEntry(TableReadRequest& request) {
    static MemoryGrid grid;
    grid = ThreeRecords();
    grid.raiseWarning = request.description.GetTable() == "warn";
    return ReadMemoryTable(request, &grid);
}

TEST(ReaderEntry, InMemoryTableThroughTheRegisteredEntry) {
    RegisterTableReader(TABLE_TYPE_DBF, MemoryEntry);
    CIoTable plain("memory", "", "ROWNAMES", "*", "*", TABLE_TYPE_DBF);
    EXPECT_EQ(plain.GetStatus(), 0);
    EXPECT_EQ(plain.GetRowCount(), 3);
    EXPECT_EQ(plain.GetColumnCount(), 3);
    EXPECT_EQ(plain.GetRowName(2), "C");
    EXPECT_EQ(plain.GetValueNumber(0, 1), 1.0);
    CIoTable warned("memory", "warn", "ROWNAMES", "*", "*", TABLE_TYPE_DBF);
    EXPECT_EQ(warned.GetStatus(), 21);
    RegisterTableReader(TABLE_TYPE_DBF, nullptr);
}

}  // namespace
