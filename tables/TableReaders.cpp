// The table of reader entries.
#include "tables/TableReaders.h"

#include <map>

namespace {

std::map<int, TableReaderFn>& Readers() {
    static std::map<int, TableReaderFn> readers;
    return readers;
}

}  // namespace

void RegisterTableReader(int tableType, TableReaderFn reader) {
    if (reader) Readers()[tableType] = reader;
    else Readers().erase(tableType);
}

TableReaderFn FindTableReader(int tableType) {
    auto it = Readers().find(tableType);
    return it == Readers().end() ? nullptr : it->second;
}

int ReadTableByType(TableReadRequest& request) {
    TableReaderFn reader = FindTableReader(request.description.m_nTableType);
    return reader ? reader(request) : TABLE_OPEN_FAILED;
}
