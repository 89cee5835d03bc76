// DuloListModelTables: what the model file of a directory lists, for a host that
// wants to show a model's tables without reading its XML.
#include "dulo/DuloModelDataLib.h"
#include "interface/ExportGuard.h"
#include "interface/ModelPaths.h"
#include "interface/TableArray.h"
#include "model/ModelFileFormat.h"

#include <string>

namespace dulo {
namespace {

constexpr const char* kHeadings[] = {"Name", "File", "Sheet", "Enabled", "TableType"};
constexpr long kColumns = 5;

int ListModelTablesImpl(const char* modelDirectory, VARIANT* result) {
    if (!result) return 0;
    std::string folder = ReadDirectoryBuffer(modelDirectory);
    CModelTableEntries list = ReadModelTableEntries(ModelFilePath(folder, kModelFileName));
    if (list.result == ETableListResult::NoModelFile) return 2;
    if (list.result != ETableListResult::Read) return 0;
    CTableArray array;
    if (!array.Create(long(list.entries.size()) + 1, kColumns)) return 0;
    for (long c = 0; c < kColumns; ++c)
        if (!array.PutText(0, c, kHeadings[c])) return 0;
    long row = 1;
    for (const CModelTableEntry& entry : list.entries) {
        std::string file, sheet;
        SplitTableFileText(entry.file, file, sheet);
        if (!array.PutText(row, 0, entry.name) || !array.PutText(row, 1, file) || !array.PutText(row, 2, sheet) ||
            !array.PutNumber(row, 3, entry.enabled ? 1 : 0) || !array.PutNumber(row, 4, entry.tableType))
            return 0;
        ++row;
    }
    array.HandOver(result);
    return 1;
}

}  // namespace
}  // namespace dulo

extern "C" int DuloListModelTables(const char* modelDirectory, VARIANT* result) {
    return dulo::ExportGuard(0, [&] { return dulo::ListModelTablesImpl(modelDirectory, result); });
}
