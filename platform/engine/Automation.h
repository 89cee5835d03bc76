#pragma once
// The spreadsheet application's automation object model, as far as the
// library drives it. Every member can fail; failures are raised as the
// platform COM error (CComError) with the HRESULT the application would give, so that any
// component offering these members can stand in for the engine.
#include "dulo/oleauto.h"
#include "platform/xml/ComError.h"

#include <memory>
#include <string>

namespace dulo::engine {

// The platform's COM error as the engine raises it; callers catch CComError,
// which any other implementation of these members raises too.
class AutomationError : public CComError {
public:
    AutomationError(HRESULT hr, std::string description) : CComError(hr, std::move(description), "DuloEngine") {}
};

// The object was closed or the application has quit.
constexpr HRESULT RPC_E_DISCONNECTED = static_cast<HRESULT>(0x80010108L);
// What the application answers when a workbook cannot be opened.
constexpr HRESULT XL_E_OPEN_FAILED = static_cast<HRESULT>(0x800A03ECL);

// SpecialCells type of the last used cell.
constexpr int xlCellTypeLastCell = 11;

struct RangeCells;

class IRange {
public:
    virtual ~IRange() = default;
    virtual long Row() = 0;     // 1-based row of the first cell
    virtual long Column() = 0;  // 1-based column of the first cell
    virtual std::shared_ptr<IRange> SpecialCells(int type) = 0;
    // The values: a scalar for one cell, else a 1-based 2-D array of VARIANTs.
    // The caller owns the result and clears it.
    virtual void Value(VARIANT& result) = 0;
    // The in-process engine's own cells of the range, which a reader may convert
    // one at a time instead of taking Value; null from any other implementation.
    virtual std::shared_ptr<const RangeCells> CellsView() { return nullptr; }
    // Width of the first column in characters.
    virtual double ColumnWidth() = 0;
    // VT_BOOL when all cells agree, VT_NULL when some hold formulas and some do not.
    virtual void HasFormula(VARIANT& result) = 0;
};

class IWorksheet {
public:
    virtual ~IWorksheet() = default;
    virtual std::string Name() = 0;  // UTF-8
    virtual std::shared_ptr<IRange> Cells(long row, long column) = 0;
    virtual std::shared_ptr<IRange> Range(IRange& first, IRange& last) = 0;
    virtual void Select() = 0;
};

class ISheets {
public:
    virtual ~ISheets() = default;
    virtual long Count() = 0;
};

class IWorkbook {
public:
    virtual ~IWorkbook() = default;
    virtual std::string Name() = 0;
    virtual std::shared_ptr<ISheets> Sheets() = 0;
    // The i-th worksheet (1-based); chart and macro sheets are not worksheets.
    virtual std::shared_ptr<IWorksheet> Worksheets(long index) = 0;
    virtual void SetSaved(bool saved) = 0;
    virtual void Close() = 0;
};

class IWorkbooks {
public:
    virtual ~IWorkbooks() = default;
    virtual long Count() = 0;
    virtual std::shared_ptr<IWorkbook> Item(long index) = 0;
    virtual std::shared_ptr<IWorkbook> Open(const std::string& path, int updateLinks, bool readOnly) = 0;
    virtual void Close() = 0;
};

class IAddIn {
public:
    virtual ~IAddIn() = default;
    virtual bool Installed() = 0;
    virtual void SetInstalled(bool installed) = 0;
};

class IAddIns {
public:
    virtual ~IAddIns() = default;
    virtual long Count() = 0;
    virtual std::shared_ptr<IAddIn> Item(long index) = 0;
};

class IApplication {
public:
    virtual ~IApplication() = default;
    virtual void SetVisible(bool visible) = 0;
    virtual bool DisplayAlerts() = 0;
    virtual void SetDisplayAlerts(bool display) = 0;
    virtual void SetIgnoreRemoteRequests(bool ignore) = 0;
    virtual void Quit() = 0;
    virtual std::shared_ptr<IWorkbooks> Workbooks() = 0;
    virtual std::shared_ptr<IWorkbook> ActiveWorkbook() = 0;
    virtual std::shared_ptr<ISheets> Sheets() = 0;
    virtual std::shared_ptr<IWorksheet> Worksheets(long index) = 0;
    virtual std::shared_ptr<IAddIns> AddIns() = 0;
};

// Creates a new application instance (never attaches to a running one).
using ApplicationFactory = std::shared_ptr<IApplication> (*)();
// The factory in force: the in-process engine unless another was installed.
std::shared_ptr<IApplication> CreateApplication();
// Installs another factory (tests, other implementations); null restores the engine.
void SetApplicationFactory(ApplicationFactory factory);
// The in-process engine's factory.
std::shared_ptr<IApplication> CreateEngineApplication();

}  // namespace dulo::engine
