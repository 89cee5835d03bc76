// dulo as a user runs it: output formats, exit status, usage errors.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

CliRun Dulo(const std::string& args) {
    CliRun r;
    std::string command = std::string(DULO_CLI_FILE) + " " + args + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
    int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

}  // namespace

TEST(Cli, CalcThroughTheExportInEveryFormat) {
    struct Case {
        const char* args;
        int status;
        const char* out;
    } cases[] = {
        {"calc '(VIS+A)/B-VIS' VIS=2 A=3 B=5 --format json", 0,
         "{\"export\": \"GetPropertyResult\", \"return\": 1, \"result\": -1}\n"},
        {"--format=json calc '(VIS+A)/B-VIS' B=5 A=3 VIS=2", 0,
         "{\"export\": \"GetPropertyResult\", \"return\": 1, \"result\": -1}\n"},
        {"calc 'A*B' A=1.5 B=3", 0, "4.5\n"},
        {"calc 'A*B' A=1.5", 0, "1e+30\n"},  // a missing argument has no value
        {"calc 'A*B' A=1.5 --format summary", 0, "{\"export\": \"GetPropertyResult\", \"return\": 1, \"dims\": null}\n"},
        {"calc '(A' A=1 --format json", 1, "{\"export\": \"GetPropertyResult\", \"return\": 0, \"result\": null}\n"},
        {"args 'sqrt(X)*ln(Y)+exp(Z/10)' --format csv", 0, "X,Y,Z\n"},
        {"args 'A=B' --format json", 1, "{\"export\": \"GetPropertyArgs\", \"return\": 0, \"result\": null}\n"},
    };
    for (const Case& c : cases) {
        CliRun r = Dulo(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.out, c.out) << c.args;
    }
}

TEST(Cli, UsageErrorsExitWithTwoAndPrintNothingOnStandardOutput) {
    const char* bad[] = {"", "frobnicate", "calc", "calc A X", "calc A X=abc", "--format xml calc A",
                         "--source-type", "table only-one-arg", "--bogus calc A"};
    for (const char* args : bad) {
        CliRun r = Dulo(args);
        EXPECT_EQ(r.status, 2) << "'" << args << "'";
        EXPECT_EQ(r.out, "") << args;
    }
}

TEST(Cli, TableLoaderFailureReportsReturnCodeAndNameBuffers) {
    CliRun r = Dulo("single-table /nonexistent/book.xls Sheet1 BUY --format json");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "{\"export\": \"LoadSingleExcelTable\", \"return\": 20, \"rowName\": \"\", \"colName\": \"\", "
              "\"result\": null}\n");
}

TEST(Cli, ExampleModelTablePrintsAlignedWithoutSpareRows) {
    const std::string model = std::string(DULO_FIXTURES) + "/../../examples/model";
    CliRun text = Dulo("table '" + model + "' BUY");
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out,
              "ROWNAMES  TEXT        COST   MIN  MAX\n"
              "ARL       Arab Light  78.4   0    120\n"
              "BRT       Brent       82.15  20   90\n"
              "URL       Urals       74.6   0    60\n"
              "MAY       Maya        69.9   0    40\n");
    // The array itself is rows + 2 by columns + 2: the heading row, a spare row and two spare columns.
    CliRun summary = Dulo("--format summary table '" + model + "' BUY");
    EXPECT_EQ(summary.out, "{\"export\": \"LoadTableSX\", \"return\": 1, \"dims\": [6, 7]}\n");
    CliRun csv = Dulo("table '" + model + "' BUY --format csv");
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n') + 1), "ROWNAMES,TEXT,COST,MIN,MAX,,\n");
}
