#include "OdbcTestSupport.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace odbc_test {
namespace {

namespace fs = std::filesystem;

const std::string kScripts = DULO_ODBC_TESTS;

std::string FindDriver(const char* file) {
    for (const char* dir : {"/usr/lib/x86_64-linux-gnu/odbc", "/usr/lib/aarch64-linux-gnu/odbc", "/usr/lib/odbc",
                            "/usr/lib64", "/usr/lib"}) {
        fs::path p = fs::path(dir) / file;
        if (fs::exists(p)) return p.string();
    }
    return file;  // left to the driver manager's search
}

// Runs a shell command; its exit status and first line of output.
int Run(const std::string& command, std::string* firstLine = nullptr) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 512> line{};
    bool first = true;
    while (std::fgets(line.data(), int(line.size()), pipe)) {
        if (first && firstLine) *firstLine = std::string(line.data(), strcspn(line.data(), "\n"));
        first = false;
    }
    int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadValue(const std::string& file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return std::string();
}

class DataSources : public ::testing::Environment {
public:
    void SetUp() override {
        char templ[] = "/tmp/dulo-odbc-XXXXXX";
        const char* made = ::mkdtemp(templ);
        ASSERT_NE(made, nullptr);
        m_dir = made;
        std::string db = m_dir + "/plant.db";
        ASSERT_EQ(Run("sqlite3 " + db + " < " + kScripts + "/plant.sql && sqlite3 " + db + " < " + kScripts +
                      "/sqlite-extra.sql"),
                  0)
            << "sqlite3 could not build the test database";
        StartPostgres();

        // The driver manager loads its installer library when a connection
        // needs it and unloads it with the last environment, leaving the
        // entries it cached from odbc.ini behind. Held loaded, they stay
        // reachable for the leak check, which is there for the source.
        ::dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE);
        // The Access driver answers to the name Access files are opened by,
        // and to the names of the two Access providers.
        std::ofstream inst(m_dir + "/odbcinst.ini");
        inst << "[SQLite3]\nDriver=" << FindDriver("libsqlite3odbc.so") << "\n\n[PostgreSQL]\nDriver="
             << FindDriver("psqlodbca.so") << "\n";
        for (const char* name : {kAccessDriver, kAce12Provider, kAce16Provider})
            inst << "\n[" << name << "]\nDriver=" << FindDriver("libmdbodbc.so") << "\n";
        inst.close();
        std::ofstream ini(m_dir + "/odbc.ini");
        ini << "[Default]\nDriver=SQLite3\nDatabase=" << db << "\n\n";
        ini << "[" << kSqliteDsn << "]\nDriver=SQLite3\nDatabase=" << db << "\n\n";
        std::string host = m_pgHost.empty() ? m_dir + "/no-server" : m_pgHost;
        ini << "[" << kPostgresDsn << "]\nDriver=PostgreSQL\nServername=" << host << "\nPort=" << m_pgPort
            << "\nDatabase=postgres\nUsername=dulo\n\n";
        ini << "[" << kRefusedDsn << "]\nDriver=PostgreSQL\nServername=" << m_dir
            << "/no-server\nPort=5\nDatabase=postgres\nUsername=dulo\n";
        ini.close();
        ::setenv("ODBCSYSINI", m_dir.c_str(), 1);
        ::setenv("ODBCINI", (m_dir + "/odbc.ini").c_str(), 1);
    }

    void TearDown() override {
        if (m_stopPostgres) Run(kScripts + "/pg-cluster.sh stop " + m_pgState + " 2>&1");
        std::error_code ec;
        if (!m_dir.empty()) fs::remove_all(m_dir, ec);
    }

    std::string m_dir;
    std::string m_pgMissing;

private:
    void StartPostgres() {
        // The cluster a ctest run keeps for all its test programs, or one of our own.
        const char* shared = std::getenv("DULO_PG_STATE");
        m_pgState = shared && *shared ? shared : m_dir + "/pg";
        std::string said;
        int rc = Run(kScripts + "/pg-cluster.sh start " + m_pgState + " " + kScripts + "/plant.sql " + kScripts +
                         "/postgres-extra.sql 2>&1",
                     &said);
        if (rc == 3) {
            m_pgMissing = "PostgreSQL server binaries are not installed (Debian package postgresql)";
            return;
        }
        ASSERT_EQ(rc, 0) << "the PostgreSQL cluster did not start: " << said;
        m_stopPostgres = said == "started";
        m_pgHost = ReadValue(m_pgState + "/env", "PGHOST");
        m_pgPort = ReadValue(m_pgState + "/env", "PGPORT");
    }

    std::string m_pgState, m_pgHost, m_pgPort = "5";
    bool m_stopPostgres = false;
};

DataSources* g_sources = static_cast<DataSources*>(::testing::AddGlobalTestEnvironment(new DataSources));

}  // namespace

const std::string& PostgresMissing() { return g_sources->m_pgMissing; }
const std::string& ScratchDir() { return g_sources->m_dir; }

bool OdbcRead::Open(const std::string& tableName, const std::string& dsn) {
    CIoTableDescription d;
    d.m_nTableType = 2;
    d.SetString(1, tableName);
    d.SetString(2, dsn);
    return table.OpenTable(d);
}

bool OdbcRead::Extract(const char* keyFields, const char* keyValues, const char* extractColumns) {
    return table.ExtractRows(rows, keyHeadings, columnHeadings, keyFields, keyValues, extractColumns, nullptr, -1);
}

bool OdbcRead::Read(const std::string& tableName, const std::string& dsn, const char* keyFields,
                    const char* keyValues, const char* extractColumns) {
    if (!Open(tableName, dsn)) return false;
    if (!Extract(keyFields, keyValues, extractColumns)) return false;
    return table.CloseTable(true);
}

std::vector<std::string> OdbcRead::RowNames() const {
    std::vector<std::string> names;
    for (const CIoRow* row : rows) names.push_back(row->m_KeyCells.IsEmpty() ? "" : row->m_KeyCells.GetAt(0)->GetText());
    return names;
}

std::vector<std::string> OdbcRead::Column(int c) const {
    std::vector<std::string> values;
    for (const CIoRow* row : rows) {
        const CIoCell* cell = row->m_DataCells.GetAt(c);
        values.push_back(cell->IsNull() ? "<null>" : cell->GetText());
    }
    return values;
}

std::vector<std::string> OdbcRead::Headings() const {
    std::vector<std::string> names;
    for (const CColumn* c : columnHeadings) names.push_back(c->m_strName);
    return names;
}

}  // namespace odbc_test
