#pragma once
// The reader-entry sequence every table source's entry follows, from clearing
// the request's outputs to closing the source.
#include "sources/BaseTbl.h"

#include <functional>
#include <utility>

// The common reader-entry sequence every source's entry follows.
struct ReaderEntryHooks {
    // After a successful open, besides copying the three source results
    // (worksheets: sheet statistics and the sheet label).
    std::function<void(CBaseTbl& source, TableReadRequest& request)> afterOpen;
    // The extra row sets, run when the request asks for them; false fails the read (2).
    std::function<bool(CBaseTbl& source, TableReadRequest& request)> readExtraRowSets;
};

// Options of a reader entry: the defaults with backup extension "BAK", no
// backup and errors not shown.
CIOOptions ReaderEntryOptions();

// Steps 4-9 on a constructed source: open (1 on failure), copy results,
// extract (close and 2 on failure), record the counts, the extra row sets,
// close (4 on failure), then 21 when the source raised its warning, else 0.
// An exception escaping the source ends the step it came from with that
// step's code; it is reported through the source.
int RunReaderSequence(CBaseTbl& source, TableReadRequest& request, const ReaderEntryHooks& hooks = {});

// Clears the request's rows and heading lists (step 1).
void ClearReaderOutputs(TableReadRequest& request);

// The whole entry: clears the outputs, builds the options, constructs TSource
// on the stack with (no log stream, options, extra...) and runs the sequence.
template <class TSource, class... Extra>
int RunReaderEntry(TableReadRequest& request, const ReaderEntryHooks& hooks = {}, Extra&&... extra) {
    ClearReaderOutputs(request);
    CIOOptions options = ReaderEntryOptions();
    TSource source(nullptr, &options, std::forward<Extra>(extra)...);
    return RunReaderSequence(source, request, hooks);
}

// For worksheet-like sources: sheet row count (record count), header row,
// the "ROWNAMES" column and the end-marker column into the description.
void RecordSheetLayout(CBaseTbl& source, CIoTableDescription& description);
