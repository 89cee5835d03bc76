#pragma once
// Opening a workbook in a fresh engine and reading a sheet's used area.
#include "platform/TextConv.h"
#include "platform/engine/Automation.h"

#include <string>

namespace enginetest {

struct Opened {
    std::shared_ptr<dulo::engine::IApplication> app;
    std::shared_ptr<dulo::engine::IWorkbook> book;
};

inline Opened OpenInEngine(const std::string& path) {
    Opened o;
    o.app = dulo::engine::CreateEngineApplication();
    o.book = o.app->Workbooks()->Open(path, 0, true);
    return o;
}

// The Value of A1 to the last used cell.
struct UsedArea {
    VARIANT value;
    long rows = 0, cols = 0;
    UsedArea() { VariantInit(&value); }
    ~UsedArea() { VariantClear(&value); }
    UsedArea(const UsedArea&) = delete;
    UsedArea& operator=(const UsedArea&) = delete;
    bool IsArray() const { return value.vt == (VT_ARRAY | VT_VARIANT); }
    const VARIANT& At(long r, long c) const {
        auto* data = static_cast<const VARIANT*>(value.parray->pvData);
        return data[(r - 1) + (c - 1) * rows];
    }
};

inline void ReadUsed(dulo::engine::IWorksheet& sheet, UsedArea& area) {
    auto last = sheet.Cells(1, 1)->SpecialCells(dulo::engine::xlCellTypeLastCell);
    area.rows = last->Row();
    area.cols = last->Column();
    sheet.Range(*sheet.Cells(1, 1), *last)->Value(area.value);
}

inline std::string Text(const VARIANT& v) { return v.vt == VT_BSTR ? dulo::Utf8FromBstr(v.bstrVal) : "<not text>"; }

}  // namespace enginetest
