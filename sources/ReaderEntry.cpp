#include "sources/ReaderEntry.h"

CIOOptions ReaderEntryOptions() {
    CIOOptions options;
    options.SetBackupExtension("BAK");
    options.SetWord(7, 0);  // no backup
    options.SetWord(1, 0);  // errors not shown
    return options;
}

void ClearReaderOutputs(TableReadRequest& request) {
    request.rows.RemoveAll();
    request.keyHeadings.RemoveAll();
    request.columnHeadings.RemoveAll();
}

void RecordSheetLayout(CBaseTbl& source, CIoTableDescription& description) {
    description.m_nSheetRowCount = source.GetRecordCount();
    description.m_nHeaderRow = source.m_nHeaderRow;
    description.m_nRowNameColumn = source.FindColumn("ROWNAMES");
    description.m_nEndMarkerColumn = source.m_nEndMarkerColumn;
}

namespace {

// Runs one step; an exception from the source is reported and counts as failure.
template <class Step>
bool Guarded(CBaseTbl& source, Step step) {
    try {
        return step();
    } catch (const std::exception& e) {
        source.ReportError(e.what());
        return false;
    }
}

}  // namespace

int RunReaderSequence(CBaseTbl& source, TableReadRequest& request, const ReaderEntryHooks& hooks) {
    if (!Guarded(source, [&] { return source.OpenTable(request.description); })) return TABLE_OPEN_FAILED;

    for (int i = 0; i < 3; ++i) request.results[i] = source.m_nSourceResults[i];
    if (hooks.afterOpen && !Guarded(source, [&] {
            hooks.afterOpen(source, request);
            return true;
        })) {
        Guarded(source, [&] { return source.CloseTable(true); });
        return TABLE_OPEN_FAILED;
    }

    bool extracted = Guarded(source, [&] {
        return source.ExtractRows(request.rows, request.keyHeadings, request.columnHeadings,
                                  request.keyFields.c_str(), request.keyValues.c_str(),
                                  request.extractColumns.c_str(), nullptr, request.sourceIndex);
    });
    if (!extracted) {
        Guarded(source, [&] { return source.CloseTable(true); });
        return TABLE_READ_FAILED;
    }

    CIoTableDescription& d = request.description;
    d.m_nRowCount = request.rows.GetSize();
    d.m_nDataColumnCount = request.columnHeadings.GetSize();
    d.m_nLastColumnOrdinal =
        request.columnHeadings.IsEmpty() ? -1 : request.columnHeadings.GetAt(request.columnHeadings.GetUpperBound())->m_nOrdinal;

    if (request.fillExtraRowSets && hooks.readExtraRowSets &&
        !Guarded(source, [&] { return hooks.readExtraRowSets(source, request); })) {
        Guarded(source, [&] { return source.CloseTable(true); });
        return TABLE_READ_FAILED;
    }

    if (!Guarded(source, [&] { return source.CloseTable(true); })) return TABLE_CLOSE_FAILED;
    return source.m_bWarningRaised ? TABLE_READ_WARNING : TABLE_READ_OK;
}
