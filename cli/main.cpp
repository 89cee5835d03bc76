// dulo: a command-line host. Each subcommand calls one export through the
// public header and prints what came back.
#include "VariantPrinter.h"
#include "dulo/DuloModelDataLib.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace dulocli;

namespace {

enum class Format { Text, Csv, Json, Summary };

struct Options {
    Format format = Format::Text;
    int sourceType = 0;
    bool quiet = false;  // no notes, no reasons from the library
    bool help = false;
    std::vector<std::string> args;  // subcommand first
};

struct UsageError {
    std::string message;
};

const char* kUsage =
    "usage: dulo [--format text|csv|json|summary] [--source-type N] [--quiet] COMMAND [ARGS...]\n"
    "commands (dulo help COMMAND for more):\n"
    "  table MODEL_DIR TABLE                 LoadTableSX\n"
    "  tables MODEL_DIR                      DuloListModelTables\n"
    "  excel-table DIR TABLE FILE[SHEET]...  LoadExcelTable\n"
    "  single-table PATH SHEET TABLE         LoadSingleExcelTable (--source-type N)\n"
    "  case-table PATH SHEET                 LoadCaseTable\n"
    "  settings [MODEL_FILE]                 LoadModelSettings\n"
    "  setting NAME                          LoadSettingValue\n"
    "  non-default MODEL_FILE [SECTION]      GetNonDefaultModelSettings\n"
    "  args FORMULA                          GetPropertyArgs\n"
    "  calc FORMULA [NAME=VALUE ...]         GetPropertyResult\n"
    "  external-models MODEL_DIR             GetExternalModels\n"
    "  encipher IN OUT | decipher IN OUT     the model-file bridge\n";

// What `dulo help COMMAND` prints: the arguments, the export called, an example.
struct CommandHelp {
    const char* name;
    const char* arguments;
    const char* calls;
    const char* what;
    const char* example;
};

const CommandHelp kHelp[] = {
    {"table", "MODEL_DIR [TABLE]", "LoadTableSX",
     "reads TABLE from the files the model file in MODEL_DIR lists for it; without TABLE, lists the tables",
     "dulo table examples/model BUY"},
    {"tables", "MODEL_DIR", "DuloListModelTables",
     "lists the model file's tables: name, file, sheet, enabled, TableType", "dulo tables examples/model"},
    {"excel-table", "DIR TABLE FILE[SHEET]...", "LoadExcelTable",
     "reads TABLE from the given workbooks in DIR, each named as in the model file",
     "dulo excel-table examples/model BOUNDS 'Refinery.xls[BOUNDS]' 'Blending.xls[BOUNDS]'"},
    {"single-table", "PATH SHEET TABLE [--source-type N]", "LoadSingleExcelTable",
     "reads TABLE from one sheet of one source (N: 0 worksheet, 7 dBase)",
     "dulo single-table examples/model/Refinery.xls BUY BUY"},
    {"case-table", "PATH SHEET", "LoadCaseTable", "reads a case table",
     "dulo case-table examples/model/Blending.xls CASE"},
    {"settings", "[MODEL_FILE]", "LoadModelSettings", "the model settings, from MODEL_FILE or the defaults",
     "dulo settings examples/model/DuloModel.dulx"},
    {"setting", "NAME", "LoadSettingValue", "one setting's value", "dulo setting MAXPASS"},
    {"non-default", "MODEL_FILE [SECTION]", "GetNonDefaultModelSettings",
     "the settings of MODEL_FILE that differ from their defaults", "dulo non-default examples/model/DuloModel.dulx"},
    {"args", "FORMULA", "GetPropertyArgs", "the formula's argument names, in order", "dulo args 'sqrt(X)*ln(Y)'"},
    {"calc", "FORMULA [NAME=VALUE ...]", "GetPropertyResult",
     "evaluates the formula; an argument not given has no value (1e+30)", "dulo calc '(VIS+A)/B-VIS' VIS=2 A=3 B=5"},
    {"external-models", "MODEL_DIR", "GetExternalModels",
     "the external models of the model: names, paths, types, suppressed, variables",
     "dulo external-models examples/model"},
    {"encipher", "IN OUT", "the model-file bridge", "writes the enciphered form of the model file IN to OUT",
     "dulo encipher examples/model/DuloModel.dulx /tmp/DuloModel.dulx"},
    {"decipher", "IN OUT", "the model-file bridge", "writes the plain text of the enciphered model file IN to OUT",
     "dulo decipher /tmp/DuloModel.dulx /tmp/plain.dulx"},
};

const CommandHelp* FindHelp(const std::string& name) {
    for (const CommandHelp& h : kHelp)
        if (name == h.name) return &h;
    return nullptr;
}

void PrintHelp(const CommandHelp& h) {
    std::printf("usage: dulo %s %s\n  calls: %s\n  %s\n  example: %s\n", h.name, h.arguments, h.calls, h.what,
                h.example);
}

// A 256-byte caller buffer as the exports expect it.
struct Buffer256 {
    char data[256] = {};
    std::string Text() const { return std::string(data, strnlen(data, sizeof data)); }
};

Buffer256 DirectoryBuffer(const std::string& dir) {
    if (dir.size() > 255) throw UsageError{"directory longer than 255 bytes: " + dir};
    Buffer256 b;
    std::memcpy(b.data, dir.data(), dir.size());
    return b;
}

// What one export returned, ready to print.
struct Outcome {
    std::string exportName;
    int returnValue = 0;
    bool success = false;
    bool hasNames = false;
    Buffer256 rowName, colName;
    // The table a table export read, named in the text format's header line.
    std::string title;
    // One-line explanations for standard error: why a result is empty or what failed.
    std::vector<std::string> notes;
    // One, or the named parts; a deque keeps the references AddResult hands out valid.
    std::deque<std::pair<std::string, VARIANT>> results;

    Outcome() = default;
    Outcome(const Outcome&) = delete;
    ~Outcome() {
        for (auto& r : results) VariantClear(&r.second);
    }
    VARIANT& AddResult(const std::string& name) {
        results.emplace_back(name, VARIANT{});
        VariantInit(&results.back().second);
        return results.back().second;
    }
};

void Print(const Outcome& o, Format format) {
    if (format == Format::Json || format == Format::Summary) {
        std::string out = "{\"export\": " + JsonString(o.exportName) + ", \"return\": " + std::to_string(o.returnValue);
        if (format == Format::Summary) {
            long rows = 0, cols = 0;
            bool have = !o.results.empty() && ArrayDims(o.results.front().second, rows, cols);
            out += ", \"dims\": " + (have ? "[" + std::to_string(rows) + ", " + std::to_string(cols) + "]" : "null");
        } else {
            if (o.hasNames)
                out += ", \"rowName\": " + JsonString(o.rowName.Text()) + ", \"colName\": " + JsonString(o.colName.Text());
            if (o.results.size() == 1 && o.results.front().first.empty()) {
                out += ", \"result\": " + VariantToJson(o.results.front().second);
            } else {
                out += ", \"result\": {";
                for (size_t i = 0; i < o.results.size(); ++i)
                    out += (i ? ", " : "") + JsonString(o.results[i].first) + ": " + VariantToJson(o.results[i].second);
                out += "}";
            }
        }
        std::printf("%s}\n", out.c_str());
        return;
    }
    if (!o.success) {
        std::fprintf(stderr, "dulo: %s returned %d", o.exportName.c_str(), o.returnValue);
        if (o.hasNames) std::fprintf(stderr, " (row \"%s\", column \"%s\")", o.rowName.data, o.colName.data);
        std::fprintf(stderr, "\n");
    }
    for (const auto& [name, value] : o.results) {
        // An untouched result prints nothing; the note on standard error says why.
        if (value.vt == VT_EMPTY && (!o.success || !o.notes.empty())) continue;
        if (!name.empty()) std::printf("%s:\n", name.c_str());
        long rows = 0, columns = 0;
        if (format == Format::Text && !o.title.empty() && ArrayDims(value, rows, columns))
            std::printf("%s: %ld rows x %ld columns\n", o.title.c_str(), rows, columns);
        std::string text = format == Format::Csv ? VariantToCsv(value) : VariantToTable(value);
        std::fputs(text.c_str(), stdout);
    }
}

void Need(const Options& o, size_t min, size_t max) {
    size_t n = o.args.size() - 1;
    if (n < min || n > max) throw UsageError{"wrong number of arguments for " + o.args[0]};
}

// "file[sheet]": the sheet in brackets at the end; anything else is all file name.
void SplitFileText(const std::string& text, std::string& file, std::string& sheet) {
    size_t open = text.find('[');
    if (open == std::string::npos || open == 0 || text.back() != ']') {
        file = text;
        sheet.clear();
        return;
    }
    file = text.substr(0, open);
    sheet = text.substr(open + 1, text.size() - open - 2);
}

void Tables(const Options& o, Outcome& out) {
    Need(o, 1, 1);
    Buffer256 dir = DirectoryBuffer(o.args[1]);
    out.exportName = "DuloListModelTables";
    out.returnValue = DuloListModelTables(dir.data, &out.AddResult(""));
    out.success = out.returnValue == 1 || out.returnValue == 2;
    if (out.returnValue == 2) out.notes.push_back("no model file in " + o.args[1]);
    if (out.returnValue == 0) out.notes.push_back("the model file in " + o.args[1] + " could not be read");
}

void Table(const Options& o, Outcome& out) {
    if (o.args.size() == 2) return Tables(o, out);
    Need(o, 2, 2);
    Buffer256 dir = DirectoryBuffer(o.args[1]);
    out.exportName = "LoadTableSX";
    out.title = o.args[2];
    VARIANT& result = out.AddResult("");
    out.returnValue = LoadTableSX(dir.data, o.args[2].c_str(), &result);
    out.success = out.returnValue == 1;
    if (out.success && result.vt == VT_EMPTY) {
        // Success with nothing read: the model file is missing or lists nothing for the table.
        VARIANT list;
        VariantInit(&list);
        int listed = DuloListModelTables(dir.data, &list);
        VariantClear(&list);
        if (listed == 2)
            out.notes.push_back("no model file in " + o.args[1]);
        else
            out.notes.push_back("the model file lists no enabled file for table " + o.args[2]);
    }
}

void ExcelTable(const Options& o, Outcome& out) {
    Need(o, 2, 10000);
    Buffer256 dir = DirectoryBuffer(o.args[1]);
    std::string files, sheets;
    int count = 0;
    for (size_t i = 3; i < o.args.size(); ++i, ++count) {
        std::string file, sheet;
        SplitFileText(o.args[i], file, sheet);
        files.append(file).push_back('\0');
        sheets.append(sheet).push_back('\0');
    }
    out.exportName = "LoadExcelTable";
    out.title = o.args[2];
    out.hasNames = true;
    out.returnValue = LoadExcelTable(o.args[2].c_str(), dir.data, count, files.c_str(), sheets.c_str(),
                                     &out.AddResult(""), out.rowName.data, out.colName.data);
    out.success = out.returnValue == 0;
}

void SingleTable(const Options& o, Outcome& out) {
    Need(o, 3, 3);
    out.exportName = "LoadSingleExcelTable";
    out.title = o.args[3];
    out.hasNames = true;
    out.returnValue = LoadSingleExcelTable(o.args[3].c_str(), o.args[1].c_str(), o.args[2].c_str(), o.sourceType,
                                           &out.AddResult(""), out.rowName.data, out.colName.data);
    out.success = out.returnValue == 0;
}

void CaseTable(const Options& o, Outcome& out) {
    Need(o, 2, 2);
    out.exportName = "LoadCaseTable";
    out.title = o.args[2].empty() ? o.args[1] : o.args[2];
    out.hasNames = true;
    out.returnValue = LoadCaseTable(o.args[1].c_str(), o.args[2].c_str(), &out.AddResult(""), out.rowName.data,
                                    out.colName.data);
    out.success = out.returnValue == 0;
}

void Settings(const Options& o, Outcome& out) {
    Need(o, 0, 1);
    out.exportName = "LoadModelSettings";
    out.returnValue = LoadModelSettings(o.args.size() > 1 ? o.args[1].c_str() : "", &out.AddResult(""));
    out.success = out.returnValue == 1;
}

void Setting(const Options& o, Outcome& out) {
    Need(o, 1, 1);
    out.exportName = "LoadSettingValue";
    out.returnValue = LoadSettingValue("", o.args[1].c_str(), &out.AddResult(""));
    out.success = out.returnValue == 1;
}

void NonDefault(const Options& o, Outcome& out) {
    Need(o, 1, 2);
    out.exportName = "GetNonDefaultModelSettings";
    out.returnValue = GetNonDefaultModelSettings(o.args[1].c_str(), o.args.size() > 2 ? o.args[2].c_str() : nullptr,
                                                 &out.AddResult(""));
    out.success = out.returnValue == 1;
}

// A formula has at most 500 variables; unused values stay "no value".
constexpr size_t kMaxArguments = 500;
constexpr double kNoValue = 1e30;

// The formula's argument names in order, through GetPropertyArgs.
bool ArgumentNames(const std::string& formula, std::vector<std::string>& names, Outcome* out) {
    std::vector<double> none(kMaxArguments, kNoValue);
    VARIANT argNames, r1, r2;
    VariantInit(&argNames), VariantInit(&r1), VariantInit(&r2);
    int rc = GetPropertyArgs("PROPERTY", formula.c_str(), none.data(), none.data(), &argNames, &r1, &r2);
    long rows = 0, cols = 0;
    if (rc == 1 && ArrayDims(argNames, rows, cols)) {
        for (long c = 0; c < cols; ++c) {
            LONG idx[2] = {0, LONG(c)};
            VARIANT e;
            VariantInit(&e);
            if (SUCCEEDED(SafeArrayGetElement(argNames.parray, idx, &e)) && e.vt == VT_BSTR)
                names.push_back(Utf8FromBstr(e.bstrVal));
            VariantClear(&e);
        }
    }
    if (out) {
        out->exportName = "GetPropertyArgs";
        out->returnValue = rc;
        out->success = rc == 1;
        out->AddResult("") = argNames;  // handed over, cleared with the outcome
    } else {
        VariantClear(&argNames);
    }
    VariantClear(&r1), VariantClear(&r2);
    return rc == 1;
}

void Args(const Options& o, Outcome& out) {
    Need(o, 1, 1);
    std::vector<std::string> names;
    ArgumentNames(o.args[1], names, &out);
}

void Calc(const Options& o, Outcome& out) {
    Need(o, 1, 10000);
    std::map<std::string, double> given;
    for (size_t i = 2; i < o.args.size(); ++i) {
        const std::string& a = o.args[i];
        size_t eq = a.find('=');
        if (eq == std::string::npos || eq == 0) throw UsageError{"expected NAME=VALUE, got " + a};
        char* end = nullptr;
        std::string number = a.substr(eq + 1);
        double value = std::strtod(number.c_str(), &end);
        if (number.empty() || *end) throw UsageError{"not a number: " + a};
        given[a.substr(0, eq)] = value;
    }
    std::vector<std::string> names;
    // The same formula is parsed again below; its reasons are told once, from there.
    DuloSetReportLevel(0);
    ArgumentNames(o.args[1], names, nullptr);
    if (!o.quiet) DuloSetReportLevel(1);
    // Values in argument order; an argument not given has no value.
    std::vector<double> values(std::max(names.size(), size_t(1)), kNoValue);
    for (size_t i = 0; i < names.size(); ++i) {
        auto it = given.find(names[i]);
        if (it != given.end()) values[i] = it->second;
    }
    out.exportName = "GetPropertyResult";
    out.returnValue = GetPropertyResult("PROPERTY", o.args[1].c_str(), values.data(), &out.AddResult(""));
    out.success = out.returnValue == 1;
}

void ExternalModels(const Options& o, Outcome& out) {
    Need(o, 1, 1);
    out.exportName = "GetExternalModels";
    VARIANT* parts[5];
    const char* names[5] = {"names", "paths", "types", "suppressed", "variables"};
    for (int i = 0; i < 5; ++i) parts[i] = &out.AddResult(names[i]);
    out.returnValue = GetExternalModels(o.args[1].c_str(), parts[0], parts[1], parts[2], parts[3], parts[4]);
    out.success = out.returnValue == 1;
}

int Bridge(const Options& o, bool encipher) {
    Need(o, 2, 2);
    const char* in = o.args[1].c_str();
    const char* out = o.args[2].c_str();
    switch (encipher ? DuloEncipherModelFile(in, out) : DuloDecipherModelFile(in, out)) {
        case 1: return 0;
        case 0: std::fprintf(stderr, "dulo: cannot read %s\n", in); return 1;
        case 3: std::fprintf(stderr, "dulo: cannot write %s\n", out); return 1;
        default: std::fprintf(stderr, "dulo: %s failed for %s\n", encipher ? "encipher" : "decipher", in); return 1;
    }
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const std::string& name) -> std::string {
            size_t eq = a.find('=');
            if (eq != std::string::npos) return a.substr(eq + 1);
            if (i + 1 >= argc) throw UsageError{name + " needs a value"};
            return argv[++i];
        };
        if (a == "--format" || a.rfind("--format=", 0) == 0) {
            std::string f = value("--format");
            if (f == "text") o.format = Format::Text;
            else if (f == "csv") o.format = Format::Csv;
            else if (f == "json") o.format = Format::Json;
            else if (f == "summary") o.format = Format::Summary;
            else throw UsageError{"unknown format: " + f};
        } else if (a == "--source-type" || a.rfind("--source-type=", 0) == 0) {
            std::string n = value("--source-type");
            char* end = nullptr;
            long v = std::strtol(n.c_str(), &end, 10);
            if (n.empty() || *end) throw UsageError{"--source-type needs a number"};
            o.sourceType = int(v);
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a.size() > 2 && a.rfind("--", 0) == 0) {
            throw UsageError{"unknown option: " + a};
        } else {
            o.args.push_back(a);
        }
    }
    if (o.args.empty() && !o.help) throw UsageError{"no command"};
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    static const std::map<std::string, std::function<void(const Options&, Outcome&)>> commands = {
        {"table", Table},         {"excel-table", ExcelTable}, {"single-table", SingleTable},
        {"case-table", CaseTable}, {"settings", Settings},      {"setting", Setting},
        {"non-default", NonDefault}, {"args", Args},           {"calc", Calc},
        {"external-models", ExternalModels}, {"tables", Tables}};
    try {
        Options o = ParseOptions(argc, argv);
        if (!o.args.empty() && o.args[0] == "help") {
            o.help = true;
            o.args.erase(o.args.begin());
        }
        if (o.help) {
            if (o.args.empty()) {
                std::fputs(kUsage, stdout);
                return 0;
            }
            const CommandHelp* h = FindHelp(o.args[0]);
            if (!h) throw UsageError{"unknown command: " + o.args[0]};
            PrintHelp(*h);
            return 0;
        }
        // dulo asks the library for its reasons; --quiet keeps everything off standard error.
        if (o.quiet)
            DuloSetMessageSink(nullptr, nullptr, 0);
        else
            DuloSetReportLevel(1);
        const std::string& name = o.args[0];
        if (name == "encipher" || name == "decipher") return Bridge(o, name == "encipher");
        auto it = commands.find(name);
        if (it == commands.end()) throw UsageError{"unknown command: " + name};
        Outcome out;
        it->second(o, out);
        Print(out, o.format);
        if (!o.quiet)
            for (const std::string& note : out.notes) std::fprintf(stderr, "dulo: %s\n", note.c_str());
        return out.success ? 0 : 1;
    } catch (const UsageError& e) {
        if (!e.message.empty()) std::fprintf(stderr, "dulo: %s\n", e.message.c_str());
        std::fputs(kUsage, stderr);
        return 2;
    }
}
