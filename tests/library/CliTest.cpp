// dulo as a user runs it: output formats, exit status, usage errors.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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
                         "--source-type", "table", "table DIR TABLE extra", "tables", "--bogus calc A"};
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
    // A header line names the table and the array's dimensions; the spare rows and
    // columns are not printed.
    EXPECT_EQ(text.out,
              "BUY: 6 rows x 7 columns\n"
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

namespace {

// Standard output and standard error apart, for the notes dulo writes on the side.
struct CliRunBoth {
    int status = -1;
    std::string out, err;
};

std::string ReadWhole(const std::string& path) {
    std::string text;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        fclose(f);
    }
    return text;
}

CliRunBoth DuloBoth(const std::string& args, const std::string& workingDirectory = "") {
    CliRunBoth r;
    char errPath[] = "/tmp/dulo-cli-errXXXXXX";
    int fd = mkstemp(errPath);
    if (fd < 0) return r;
    close(fd);
    std::string command = std::string(DULO_CLI_FILE) + " " + args + " 2>" + errPath;
    if (!workingDirectory.empty()) command = "cd '" + workingDirectory + "' && " + command;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
        int raw = pclose(pipe);
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    r.err = ReadWhole(errPath);
    unlink(errPath);
    return r;
}

const std::string kModel = std::string(DULO_FIXTURES) + "/../../examples/model";

}  // namespace

TEST(Cli, EveryOutcomeSaysWhatHappenedInOneLine) {
    struct Case {
        std::string args;
        int status;
        const char* out;
        std::string err;
    } cases[] = {
        {"table '" + kModel + "' NOPE", 0, "", "dulo: the model file lists no enabled file for table NOPE\n"},
        {"table /no/such/dir BUY", 0, "", "dulo: no model file in /no/such/dir\n"},
        {"single-table '" + kModel + "/Crudes.xls' NOSHEET BUY", 1, "",
         "Error: Unable to open table [" + kModel + "/Crudes.xls]\n"
         "Error: the sheet is not in the workbook (sheet \"NOSHEET\")\n"
         "dulo: LoadSingleExcelTable returned 20 (row \"\", column \"\")\n"},
        {"single-table '" + kModel + "/Refinery.xls' NOSHEET BUY", 1, "",
         "Error: Unable to open table [" + kModel + "/Refinery.xls]\n"
         "Error: the sheet is not in the workbook, or its records are damaged (sheet \"NOSHEET\")\n"
         "dulo: LoadSingleExcelTable returned 20 (row \"\", column \"\")\n"},
        {"calc '1+'", 1, "",
         "Error: The expression ends with an operator, a sign, a function or \"(\". (position 2)\n"
         "dulo: GetPropertyResult returned 0\n"},
        {"tables /no/such/dir", 0, "", "dulo: no model file in /no/such/dir\n"},
        // json keeps its one object on standard output; the note still goes to standard error
        {"--format json table /no/such/dir BUY", 0, "{\"export\": \"LoadTableSX\", \"return\": 1, \"result\": null}\n",
         "dulo: no model file in /no/such/dir\n"},
        // a good read says nothing on the side
        {"calc 'A*B' A=2 B=3", 0, "6\n", ""},
    };
    for (const Case& c : cases) {
        CliRunBoth r = DuloBoth(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.out, c.out) << c.args;
        EXPECT_EQ(r.err, c.err) << c.args;
    }
}

TEST(Cli, QuietKeepsNotesAndLibraryReasonsOff) {
    struct Case {
        std::string args;
        int status;
        std::string err;
    } cases[] = {
        {"--quiet table '" + kModel + "' NOPE", 0, ""},
        {"table /no/such/dir BUY --quiet", 0, ""},
        // the outcome line of a failure stays; only the reasons go
        {"-q single-table '" + kModel + "/Crudes.xls' NOSHEET BUY", 1,
         "dulo: LoadSingleExcelTable returned 20 (row \"\", column \"\")\n"},
        {"--quiet calc '1+'", 1, "dulo: GetPropertyResult returned 0\n"},
    };
    for (const Case& c : cases) {
        CliRunBoth r = DuloBoth(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_EQ(r.err, c.err) << c.args;
    }
}

TEST(Cli, TablesListsTheExampleModelInEveryFormat) {
    const char* text =
        "Name       File            Sheet      Enabled  TableType\n"
        "BUY        Refinery.xls    BUY        1        0\n"
        "SELL       Refinery.xls    SELL       1        0\n"
        "CAPS       Refinery.xls    CAPS       1        0\n"
        "PERIODS    Refinery.xls    PERIODS    1        0\n"
        "BOUNDS     Refinery.xls    BOUNDS     1        0\n"
        "BOUNDS     Blending.xls    BOUNDS     1        0\n"
        "MBO_Tanks  Blending.xls    MBO_Tanks  1        0\n"
        "CASE       Blending.xls    CASE       1        0\n"
        "UTILITY    Utilities.xlsx  UTILITY    1        0\n"
        "ASSAY      Crudes.xls      ASSAY      1        0\n";
    for (const std::string& args : {"tables '" + kModel + "'", "table '" + kModel + "'"}) {
        CliRunBoth r = DuloBoth(args);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_EQ(r.out, text) << args;
        EXPECT_EQ(r.err, "") << args;
    }
    CliRunBoth csv = DuloBoth("tables '" + kModel + "' --format csv");
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n', csv.out.find('\n') + 1) + 1),
              "Name,File,Sheet,Enabled,TableType\nBUY,Refinery.xls,BUY,1,0\n");
    CliRunBoth json = DuloBoth("--format json tables '" + kModel + "'");
    EXPECT_EQ(json.out.substr(0, 140),
              std::string("{\"export\": \"DuloListModelTables\", \"return\": 1, \"result\": {\"array\": [[\"Name\", "
                          "\"File\", \"Sheet\", \"Enabled\", \"TableType\"], [\"BUY\", \"Refinery.xls\", \"BUY\", 1, 0]")
                  .substr(0, 140));
}

TEST(Cli, TablesReadsAnEncipheredModelFileAsThePlainOne) {
    char dir[] = "/tmp/dulo-cli-encXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string enciphered = std::string(dir) + "/DuloModel.dulx";
    CliRunBoth made = DuloBoth("encipher '" + kModel + "/DuloModel.dulx' '" + enciphered + "'");
    ASSERT_EQ(made.status, 0) << made.err;
    ASSERT_NE(ReadWhole(enciphered).substr(0, 1), "<");
    CliRunBoth plain = DuloBoth("tables '" + kModel + "' --format json");
    CliRunBoth fromEnciphered = DuloBoth(std::string("tables '") + dir + "' --format json");
    EXPECT_EQ(fromEnciphered.status, 0);
    EXPECT_EQ(fromEnciphered.out, plain.out);
    unlink(enciphered.c_str());
    rmdir(dir);
}

TEST(Cli, HelpNamesArgumentsExportAndAnExample) {
    struct Case {
        const char* args;
        const char* firstLines;
    } cases[] = {
        {"help table", "usage: dulo table MODEL_DIR [TABLE]\n  calls: LoadTableSX\n"},
        {"table --help", "usage: dulo table MODEL_DIR [TABLE]\n  calls: LoadTableSX\n"},
        {"help tables", "usage: dulo tables MODEL_DIR\n  calls: DuloListModelTables\n"},
        {"calc --help", "usage: dulo calc FORMULA [NAME=VALUE ...]\n  calls: GetPropertyResult\n"},
        {"--help single-table", "usage: dulo single-table PATH SHEET TABLE [--source-type N]\n"
                                "  calls: LoadSingleExcelTable\n"},
    };
    for (const Case& c : cases) {
        CliRunBoth r = DuloBoth(c.args);
        EXPECT_EQ(r.status, 0) << c.args;
        EXPECT_EQ(r.out.substr(0, std::string(c.firstLines).size()), c.firstLines) << c.args;
        EXPECT_NE(r.out.find("  example: dulo "), std::string::npos) << c.args;
    }
    // Every example in the help runs as printed (from the project folder) and succeeds.
    for (const char* command : {"table", "tables", "excel-table", "single-table", "case-table", "settings",
                                "setting", "non-default", "args", "calc"}) {
        CliRunBoth help = DuloBoth(std::string("help ") + command);
        size_t at = help.out.find("  example: dulo ");
        ASSERT_NE(at, std::string::npos) << command;
        std::string example = help.out.substr(at + 16);
        example = example.substr(0, example.find('\n'));
        CliRunBoth run = DuloBoth("--format summary " + example, std::string(DULO_FIXTURES) + "/../..");
        EXPECT_EQ(run.status, 0) << example << "\n" << run.err;
    }
    CliRunBoth unknown = DuloBoth("help frobnicate");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.out, "");
    CliRunBoth all = DuloBoth("help");
    EXPECT_EQ(all.status, 0);
    EXPECT_NE(all.out.find("tables MODEL_DIR"), std::string::npos);
}
