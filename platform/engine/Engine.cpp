// The in-process engine behind the automation interfaces: an application
// holding open workbooks, their sheets and ranges, answering as the
// spreadsheet application does for the members the library uses.
#include "platform/engine/Automation.h"
#include "platform/engine/BookLoader.h"

#include <algorithm>

namespace dulo::engine {

namespace {

struct WorkbookState {
    std::string name;
    // Shared with the cell views handed to readers, which outlive a close.
    std::shared_ptr<BookModel> book = std::make_shared<BookModel>();
    std::unique_ptr<BookLoader> loader;
    bool open = true;
    bool saved = true;
    size_t activeSheet = 0;
    std::vector<size_t> worksheets;  // indexes into book.sheets of the worksheets
};

struct AppState {
    bool running = true;
    bool visible = true;
    bool displayAlerts = true;
    bool ignoreRemoteRequests = false;
    std::vector<std::shared_ptr<WorkbookState>> workbooks;
    std::shared_ptr<WorkbookState> active;

    void CheckRunning() const {
        if (!running) throw AutomationError(RPC_E_DISCONNECTED, "the application has quit");
    }
    void CheckOpen(const WorkbookState& wb) const {
        CheckRunning();
        if (!wb.open) throw AutomationError(RPC_E_DISCONNECTED, "the workbook is closed");
    }
    void CloseWorkbook(const std::shared_ptr<WorkbookState>& wb) {
        wb->open = false;
        wb->book = std::make_shared<BookModel>();
        wb->loader.reset();
        workbooks.erase(std::remove(workbooks.begin(), workbooks.end(), wb), workbooks.end());
        if (active == wb) active = workbooks.empty() ? nullptr : workbooks.back();
    }
};

using App = std::shared_ptr<AppState>;
using Book = std::shared_ptr<WorkbookState>;

// The sheet's cells, read on first use; a damaged sheet fails every call.
const SheetModel& LoadedSheet(WorkbookState& wb, size_t index) {
    SheetModel& sheet = wb.book->sheets[index];
    if (!sheet.loaded && !sheet.loadFailed) {
        if (!wb.loader->LoadSheet(*wb.book, index)) {
            sheet.loadFailed = true;
            sheet.cells.clear();
            sheet.cells.shrink_to_fit();
        }
        // The shared strings were read when the book opened, a sheet's own ones now:
        // the pool has all it will get until the next sheet is read.
        wb.book->strings.Compact();
    }
    if (sheet.loadFailed) throw AutomationError(E_FAIL, "the sheet's data is damaged");
    return sheet;
}

class EngineRange : public IRange {
public:
    EngineRange(App app, Book wb, size_t sheet, uint32_t r1, uint32_t c1, uint32_t r2, uint32_t c2)
        : m_app(std::move(app)), m_wb(std::move(wb)), m_sheet(sheet), m_r1(r1), m_c1(c1), m_r2(r2), m_c2(c2) {}

    long Row() override {
        m_app->CheckOpen(*m_wb);
        return static_cast<long>(m_r1);
    }
    long Column() override {
        m_app->CheckOpen(*m_wb);
        return static_cast<long>(m_c1);
    }
    std::shared_ptr<IRange> SpecialCells(int type) override {
        m_app->CheckOpen(*m_wb);
        if (type != xlCellTypeLastCell) throw AutomationError(E_NOTIMPL, "only the last cell is known");
        const SheetModel& sheet = LoadedSheet(*m_wb, m_sheet);
        uint32_t r = sheet.lastRow + 1, c = sheet.lastCol + 1;
        return std::make_shared<EngineRange>(m_app, m_wb, m_sheet, r, c, r, c);
    }
    void Value(VARIANT& result) override {
        m_app->CheckOpen(*m_wb);
        RangeValue(*m_wb->book, LoadedSheet(*m_wb, m_sheet), m_r1, m_c1, m_r2, m_c2, result);
    }
    std::shared_ptr<const RangeCells> CellsView() override {
        m_app->CheckOpen(*m_wb);
        auto view = std::make_shared<RangeCells>();
        view->sheet = &LoadedSheet(*m_wb, m_sheet);
        view->book = m_wb->book;
        view->row1 = m_r1, view->col1 = m_c1, view->row2 = m_r2, view->col2 = m_c2;
        return view;
    }
    double ColumnWidth() override {
        m_app->CheckOpen(*m_wb);
        return LoadedSheet(*m_wb, m_sheet).ColumnWidth(m_c1 - 1);
    }
    void HasFormula(VARIANT& result) override {
        m_app->CheckOpen(*m_wb);
        const SheetModel& sheet = LoadedSheet(*m_wb, m_sheet);
        uint64_t total = uint64_t(m_r2 - m_r1 + 1) * (m_c2 - m_c1 + 1);
        uint64_t formulas = 0;
        auto it = std::lower_bound(sheet.cells.begin(), sheet.cells.end(), m_r1 - 1,
                                   [](const Cell& c, uint32_t r) { return c.row < r; });
        for (; it != sheet.cells.end() && it->row <= m_r2 - 1; ++it)
            if (it->col >= m_c1 - 1 && it->col <= m_c2 - 1 && (it->flags & Cell::kFormula)) ++formulas;
        VariantInit(&result);
        if (formulas != 0 && formulas != total) {
            result.vt = VT_NULL;
            return;
        }
        result.vt = VT_BOOL;
        result.boolVal = formulas ? VARIANT_TRUE : VARIANT_FALSE;
    }

    size_t SheetIndex() const { return m_sheet; }
    const Book& Workbook() const { return m_wb; }
    uint32_t R1() const { return m_r1; }
    uint32_t C1() const { return m_c1; }
    uint32_t R2() const { return m_r2; }
    uint32_t C2() const { return m_c2; }

private:
    App m_app;
    Book m_wb;
    size_t m_sheet;
    uint32_t m_r1, m_c1, m_r2, m_c2;
};

class EngineWorksheet : public IWorksheet {
public:
    EngineWorksheet(App app, Book wb, size_t sheet) : m_app(std::move(app)), m_wb(std::move(wb)), m_sheet(sheet) {}

    std::string Name() override {
        m_app->CheckOpen(*m_wb);
        return m_wb->book->sheets[m_sheet].name;
    }
    std::shared_ptr<IRange> Cells(long row, long column) override {
        m_app->CheckOpen(*m_wb);
        if (row < 1 || column < 1 || static_cast<unsigned long>(row) > m_wb->book->maxRows ||
            static_cast<unsigned long>(column) > m_wb->book->maxColumns)
            throw AutomationError(XL_E_OPEN_FAILED, "cell outside the sheet");
        auto r = static_cast<uint32_t>(row);
        auto c = static_cast<uint32_t>(column);
        return std::make_shared<EngineRange>(m_app, m_wb, m_sheet, r, c, r, c);
    }
    std::shared_ptr<IRange> Range(IRange& first, IRange& last) override {
        m_app->CheckOpen(*m_wb);
        auto* a = dynamic_cast<EngineRange*>(&first);
        auto* b = dynamic_cast<EngineRange*>(&last);
        if (!a || !b || a->Workbook() != m_wb || b->Workbook() != m_wb || a->SheetIndex() != m_sheet ||
            b->SheetIndex() != m_sheet)
            throw AutomationError(E_INVALIDARG, "cells of another sheet");
        return std::make_shared<EngineRange>(m_app, m_wb, m_sheet, std::min(a->R1(), b->R1()),
                                             std::min(a->C1(), b->C1()), std::max(a->R2(), b->R2()),
                                             std::max(a->C2(), b->C2()));
    }
    void Select() override {
        m_app->CheckOpen(*m_wb);
        m_wb->activeSheet = m_sheet;
    }

private:
    App m_app;
    Book m_wb;
    size_t m_sheet;
};

class EngineSheets : public ISheets {
public:
    EngineSheets(App app, Book wb) : m_app(std::move(app)), m_wb(std::move(wb)) {}
    long Count() override {
        m_app->CheckOpen(*m_wb);
        return static_cast<long>(m_wb->book->sheets.size());
    }

private:
    App m_app;
    Book m_wb;
};

class EngineWorkbook : public IWorkbook {
public:
    EngineWorkbook(App app, Book wb) : m_app(std::move(app)), m_wb(std::move(wb)) {}
    std::string Name() override {
        m_app->CheckOpen(*m_wb);
        return m_wb->name;
    }
    std::shared_ptr<ISheets> Sheets() override {
        m_app->CheckOpen(*m_wb);
        return std::make_shared<EngineSheets>(m_app, m_wb);
    }
    std::shared_ptr<IWorksheet> Worksheets(long index) override {
        m_app->CheckOpen(*m_wb);
        if (index < 1 || static_cast<size_t>(index) > m_wb->worksheets.size())
            throw AutomationError(DISP_E_BADINDEX, "no such worksheet");
        return std::make_shared<EngineWorksheet>(m_app, m_wb, m_wb->worksheets[index - 1]);
    }
    void SetSaved(bool saved) override {
        m_app->CheckOpen(*m_wb);
        m_wb->saved = saved;
    }
    void Close() override {
        m_app->CheckOpen(*m_wb);
        m_app->CloseWorkbook(m_wb);
    }

private:
    App m_app;
    Book m_wb;
};

class EngineWorkbooks : public IWorkbooks {
public:
    explicit EngineWorkbooks(App app) : m_app(std::move(app)) {}
    long Count() override {
        m_app->CheckRunning();
        return static_cast<long>(m_app->workbooks.size());
    }
    std::shared_ptr<IWorkbook> Item(long index) override {
        m_app->CheckRunning();
        if (index < 1 || static_cast<size_t>(index) > m_app->workbooks.size())
            throw AutomationError(DISP_E_BADINDEX, "no such workbook");
        return std::make_shared<EngineWorkbook>(m_app, m_app->workbooks[index - 1]);
    }
    std::shared_ptr<IWorkbook> Open(const std::string& path, int updateLinks, bool readOnly) override {
        (void)updateLinks;
        (void)readOnly;  // the engine never writes
        m_app->CheckRunning();
        auto wb = std::make_shared<WorkbookState>();
        wb->loader = OpenBook(path, *wb->book);
        if (!wb->loader) throw AutomationError(XL_E_OPEN_FAILED, "cannot open " + path);
        size_t slash = path.find_last_of('/');
        wb->name = slash == std::string::npos ? path : path.substr(slash + 1);
        for (size_t i = 0; i < wb->book->sheets.size(); ++i)
            if (wb->book->sheets[i].type == SheetType::Worksheet) wb->worksheets.push_back(i);
        if (!wb->worksheets.empty()) wb->activeSheet = wb->worksheets.front();
        m_app->workbooks.push_back(wb);
        m_app->active = wb;
        return std::make_shared<EngineWorkbook>(m_app, wb);
    }
    void Close() override {
        m_app->CheckRunning();
        while (!m_app->workbooks.empty()) m_app->CloseWorkbook(m_app->workbooks.back());
    }

private:
    App m_app;
};

class EngineAddIns : public IAddIns {
public:
    explicit EngineAddIns(App app) : m_app(std::move(app)) {}
    long Count() override {
        m_app->CheckRunning();
        return 0;  // the engine has no add-ins
    }
    std::shared_ptr<IAddIn> Item(long) override {
        m_app->CheckRunning();
        throw AutomationError(DISP_E_BADINDEX, "no such add-in");
    }

private:
    App m_app;
};

class EngineApplication : public IApplication {
public:
    EngineApplication() : m_app(std::make_shared<AppState>()) {}
    void SetVisible(bool visible) override {
        m_app->CheckRunning();
        m_app->visible = visible;
    }
    bool DisplayAlerts() override {
        m_app->CheckRunning();
        return m_app->displayAlerts;
    }
    void SetDisplayAlerts(bool display) override {
        m_app->CheckRunning();
        m_app->displayAlerts = display;
    }
    void SetIgnoreRemoteRequests(bool ignore) override {
        m_app->CheckRunning();
        m_app->ignoreRemoteRequests = ignore;
    }
    void Quit() override {
        m_app->CheckRunning();
        while (!m_app->workbooks.empty()) m_app->CloseWorkbook(m_app->workbooks.back());
        m_app->running = false;
    }
    std::shared_ptr<IWorkbooks> Workbooks() override {
        m_app->CheckRunning();
        return std::make_shared<EngineWorkbooks>(m_app);
    }
    std::shared_ptr<IWorkbook> ActiveWorkbook() override {
        m_app->CheckRunning();
        if (!m_app->active) return nullptr;
        return std::make_shared<EngineWorkbook>(m_app, m_app->active);
    }
    std::shared_ptr<ISheets> Sheets() override {
        m_app->CheckRunning();
        if (!m_app->active) throw AutomationError(E_FAIL, "no active workbook");
        return std::make_shared<EngineSheets>(m_app, m_app->active);
    }
    std::shared_ptr<IWorksheet> Worksheets(long index) override {
        m_app->CheckRunning();
        if (!m_app->active) throw AutomationError(E_FAIL, "no active workbook");
        return EngineWorkbook(m_app, m_app->active).Worksheets(index);
    }
    std::shared_ptr<IAddIns> AddIns() override {
        m_app->CheckRunning();
        return std::make_shared<EngineAddIns>(m_app);
    }

private:
    App m_app;
};

ApplicationFactory g_factory = nullptr;

}  // namespace

std::shared_ptr<IApplication> CreateEngineApplication() { return std::make_shared<EngineApplication>(); }

std::shared_ptr<IApplication> CreateApplication() { return g_factory ? g_factory() : CreateEngineApplication(); }

void SetApplicationFactory(ApplicationFactory factory) { g_factory = factory; }

}  // namespace dulo::engine
