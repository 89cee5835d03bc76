#pragma once
// Helpers of the worksheet-table tests: fixture paths, a source opened on one
// sheet with its reports captured, and a writer of small BIFF3 worksheets.
#include "sources/WksTbl.h"
#include "tables/IOOptions.h"
#include "../support/BiffWriter.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

std::string WorksheetFixture(const std::string& name);
// A fresh file path in a per-test temporary directory.
std::string TempFile(const std::string& name);

// A worksheet source whose errors and warnings go to a log the test can read.
struct SheetSource {
    SheetSource();
    bool Open(const std::string& path, const std::string& sheet);
    bool Extract(const char* keyFields, const char* keyValues, const char* extractColumns = "*");
    // Column names and types of the source, in order.
    std::vector<std::string> ColumnNames() const;
    std::vector<int> ColumnTypes() const;
    // Row names (key cell 0) of the extracted rows.
    std::vector<std::string> RowNames() const;
    bool Logged(const std::string& text) const { return log.str().find(text) != std::string::npos; }

    CIOOptions options;
    std::ostringstream log;
    CWksTbl table;
    CIoRowArray rows;
    CColumnArray keyHeadings;
    CColumnArray columnHeadings;
};

// A BIFF3 worksheet stream written record by record with the shared writer
// (no compound document).
class Biff3Sheet {
public:
    Biff3Sheet();
    Biff3Sheet& Dimensions(int rows, int columns);
    Biff3Sheet& Format(const std::string& text);  // the n-th call is format index n
    Biff3Sheet& Xf(int formatIndex);              // the n-th call is XF index n
    Biff3Sheet& Label(int row, int column, const std::string& text, int xf = 0);
    Biff3Sheet& Number(int row, int column, double value, int xf = 0);
    // Ends the stream and writes it to path.
    void Write(const std::string& path);

private:
    bifftest::BiffWriter m_writer;
};
