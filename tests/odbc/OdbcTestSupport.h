#pragma once
// The data sources of the ODBC tests: a SQLite database built by sqlite3 from
// the scripts beside this file, a private PostgreSQL cluster loaded from the
// same scripts, and odbcinst.ini / odbc.ini in a scratch folder (ODBCSYSINI,
// ODBCINI) naming them, with SQLite as the [Default] data source.
#include "sources/database/ODBCTbl.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace odbc_test {

constexpr const char* kSqliteDsn = "dulo_sqlite";
constexpr const char* kPostgresDsn = "dulo_pg";
// The ODBC driver entries of the MDB Tools Access driver.
constexpr const char* kAccessDriver = "Microsoft Access Driver (*.mdb)";
constexpr const char* kAce12Provider = "Microsoft.ACE.OLEDB.12.0";
constexpr const char* kAce16Provider = "Microsoft.ACE.OLEDB.16.0";
// A PostgreSQL data source whose server is not there.
constexpr const char* kRefusedDsn = "dulo_refused";

// Empty when the PostgreSQL data source is there, else why not.
const std::string& PostgresMissing();
// The scratch folder of the data sources.
const std::string& ScratchDir();

// Skips the test when dsn is PostgreSQL and the server binaries are missing.
#define ODBC_REQUIRE(dsn)                                                                      \
    do {                                                                                       \
        if (std::string(dsn) == ::odbc_test::kPostgresDsn && !::odbc_test::PostgresMissing().empty()) \
            GTEST_SKIP() << ::odbc_test::PostgresMissing();                                    \
    } while (0)

// One ODBC source with errors not shown and the log on, into a string.
struct OdbcRead {
    CIOOptions options;
    std::ostringstream log;
    CODBCTbl table{&log, &options};
    CIoRowArray rows;
    CColumnArray keyHeadings, columnHeadings;

    OdbcRead() {
        options.SetWord(1, 0);
        options.SetWord(4, 1);
    }
    bool Open(const std::string& tableName, const std::string& dsn);
    bool Extract(const char* keyFields, const char* keyValues, const char* extractColumns);
    // Open, extract and close; false when any step failed.
    bool Read(const std::string& tableName, const std::string& dsn, const char* keyFields, const char* keyValues,
              const char* extractColumns);

    std::string Log() const { return log.str(); }
    // Key cell 0 of every row.
    std::vector<std::string> RowNames() const;
    // Data cell c of every row as its text, "<null>" for a null cell.
    std::vector<std::string> Column(int c) const;
    std::vector<std::string> Headings() const;
};

}  // namespace odbc_test
