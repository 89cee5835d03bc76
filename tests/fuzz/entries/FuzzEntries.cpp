#include "FuzzEntries.h"

#include "dulo/DuloModelDataLib.h"
#include "extmodels/ZeftInstance.h"
#include "formulas/ModelVersion.h"
#include "platform/Messages.h"
#include "platform/archive/Archive.h"
#include "platform/OleDateTime.h"
#include "sources/BaseTbl.h"
#include "sources/workbook/WksIO.h"
#include "sources/workbook/excel8WksIO.h"
#include "tables/TableType.h"
#include "xml/ReadModelText.h"

#include "DataFileWriter.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fuzz {

namespace {

void Quiet() {
    static bool done = [] {
        DuloSetMessageSink(nullptr, nullptr, 0);
        return true;
    }();
    (void)done;
}

std::string TempRoot() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    WriteFile(path, bytes.data(), bytes.size());
}

// Opens a workbook and asks every question a table reader asks of it, within a
// bounded window so that the cost of one input stays bounded.
int ReadWorkbook(const std::string& path, int mode) {
    TWksIO wks;
    if (!wks.Open(path.c_str(), "", mode)) return kRefused;
    int rows = std::min(wks.GetRowCount() + 1, 64);
    int columns = std::min(wks.GetColumnCount() + 1, 32);
    char text[256];
    std::string longText;
    for (int row = -1; row < rows; ++row) {
        for (int column = -1; column < columns; ++column) {
            for (int prefix : {WKS_PREFIX_NONE, WKS_PREFIX_NUMERIC, WKS_PREFIX_ALIGN}) {
                wks.GetCellText(row, column, text, sizeof text, prefix);
            }
            wks.GetCellText(row, column, longText);
            double number = 0;
            wks.GetNumber(row, column, number);
            wks.GetCellValue(row, column, number, text, sizeof text);
            COleDateTime date;
            wks.GetDateValue(row, column, date);
            wks.IsFormula(row, column);
        }
        wks.GetColumnWidth(row);
    }
    int usedRows = 0, usedColumns = 0;
    wks.GetUsedArea(usedRows, usedColumns);
    // NextCell gives the cell at or after the position, so the walk steps past each one.
    int row = -1, column = -1;
    for (int walked = 0; walked < 4096 && wks.NextCell(row, column); ++walked, ++column) {
        wks.GetCellText(row, column, longText);
    }
    if (TWksIOInnards* innards = wks.GetInnards()) {
        int activeRow = 0, activeColumn = 0;
        innards->GetActiveCell(activeRow, activeColumn);
    }
    wks.HasFormulas();
    return kAccepted;
}

int ReadWorkbookBytes(const uint8_t* data, size_t size, const char* extension, int mode) {
    Quiet();
    std::string path = WorkDirectory() + "/input" + extension;
    WriteFile(path, data, size);
    return ReadWorkbook(path, mode);
}

int BiffFile(const uint8_t* data, size_t size) {
    return ReadWorkbookBytes(data, size, ".xls", WKS_OPEN_NO_APPLICATION);
}

int EngineXls(const uint8_t* data, size_t size) {
    InstallExcel8WksIO();
    return ReadWorkbookBytes(data, size, ".xls", WKS_OPEN_FORCE_APPLICATION);
}

int EngineXlsRecords(const uint8_t* data, size_t size) {
    Quiet();
    InstallExcel8WksIO();
    std::string path = WorkDirectory() + "/records.xls";
    WriteFile(path, CompoundDocument(std::vector<uint8_t>(data, data + size)));
    return ReadWorkbook(path, WKS_OPEN_FORCE_APPLICATION);
}

int EngineXlsx(const uint8_t* data, size_t size) {
    InstallExcel8WksIO();
    return ReadWorkbookBytes(data, size, ".xlsx", WKS_OPEN_FORCE_APPLICATION);
}

// The engine's newer kinds: each is told by its content, .csv text also by the
// extension, so every input goes out under the extension of its kind.
int EngineCsv(const uint8_t* data, size_t size) {
    InstallExcel8WksIO();
    return ReadWorkbookBytes(data, size, ".csv", WKS_OPEN_FORCE_APPLICATION);
}

int EngineOds(const uint8_t* data, size_t size) {
    InstallExcel8WksIO();
    return ReadWorkbookBytes(data, size, ".ods", WKS_OPEN_FORCE_APPLICATION);
}

int EngineXlsb(const uint8_t* data, size_t size) {
    InstallExcel8WksIO();
    return ReadWorkbookBytes(data, size, ".xlsb", WKS_OPEN_FORCE_APPLICATION);
}

int EngineLotus(const uint8_t* data, size_t size) {
    InstallExcel8WksIO();
    return ReadWorkbookBytes(data, size, ".wk1", WKS_OPEN_FORCE_APPLICATION);
}

int EngineXlsxPart(const uint8_t* data, size_t size) {
    Quiet();
    InstallExcel8WksIO();
    if (size == 0) return kRefused;
    size_t part = data[0] % kXlsxPartCount;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string path = WorkDirectory() + "/part.xlsx";
    WriteFile(path, XlsxPackage(part, text));
    return ReadWorkbook(path, WKS_OPEN_FORCE_APPLICATION);
}

int EngineOdsPart(const uint8_t* data, size_t size) {
    Quiet();
    InstallExcel8WksIO();
    if (size == 0) return kRefused;
    size_t part = data[0] % kOdsPartCount;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string path = WorkDirectory() + "/part.ods";
    WriteFile(path, OdsPackage(part, text));
    return ReadWorkbook(path, WKS_OPEN_FORCE_APPLICATION);
}

// A table array and its name buffers, freed on every path.
struct TableResult {
    VARIANT v;
    std::vector<char> row = std::vector<char>(1024, 0), column = std::vector<char>(1024, 0);
    TableResult() { VariantInit(&v); }
    ~TableResult() { VariantClear(&v); }
};

int Dbf(const uint8_t* data, size_t size) {
    Quiet();
    std::string path = WorkDirectory() + "/input.dbf";
    WriteFile(path, data, size);
    TableResult result;
    int code = LoadSingleExcelTable("T", path.c_str(), "", 7, &result.v, result.row.data(), result.column.data());
    return code == 0 ? kAccepted : kRefused;
}

// A model directory whose model file is the input; the workbooks it may name
// are the export fixtures', linked in once.
const std::string& ModelDirectory() {
    static const std::string dir = [] {
        std::string d = WorkDirectory() + "/model";
        std::filesystem::create_directories(d);
        const char* fixtures = std::getenv("DULO_FUZZ_FIXTURES");
        std::string source = std::string(fixtures ? fixtures : DULO_FUZZ_FIXTURES) + "/exports/model";
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(source, ec)) {
            if (entry.path().filename() == "DuloModel.dulx") continue;
            std::filesystem::create_symlink(entry.path(), d + "/" + entry.path().filename().string(), ec);
        }
        return d;
    }();
    return dir;
}

int ModelFile(const uint8_t* data, size_t size) {
    Quiet();
    const std::string& dir = ModelDirectory();
    std::string file = dir + "/DuloModel.dulx";
    WriteFile(file, data, size);
    int accepted = kRefused;
    {
        VARIANT result;
        VariantInit(&result);
        if (LoadTableSX(dir.c_str(), "PLAIN", &result) == 1) accepted = kAccepted;
        VariantClear(&result);
    }
    {
        // Building the rows costs most of an input, so one section per input:
        // every settings text, or only the Tables tab's, as the size falls.
        const char* section = size % 2 ? "Tables" : "";
        VARIANT result;
        VariantInit(&result);
        if (GetNonDefaultModelSettings(file.c_str(), section, &result) == 1) accepted = kAccepted;
        VariantClear(&result);
    }
    {
        VARIANT result;
        VariantInit(&result);
        if (LoadModelSettings(file.c_str(), &result) == 1) accepted = kAccepted;
        VariantClear(&result);
    }
    CleanUpTableRead();
    return accepted;
}

int Bridge(const uint8_t* data, size_t size) {
    Quiet();
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string plain;
    bool deciphered = dulo::DecipherModelText(text, plain);
    dulo::DecodeUtf8File(text);
    if (deciphered) dulo::DecodeUtf8File(plain);
    return deciphered ? kAccepted : kRefused;
}

int Formula(const uint8_t* data, size_t size) {
    Quiet();
    // The name of the property, a newline, the formula.
    std::string input(reinterpret_cast<const char*>(data), size);
    if (input.find('\0') != std::string::npos) return kRefused;
    size_t newline = input.find('\n');
    std::string name = newline == std::string::npos ? "P" : input.substr(0, newline);
    std::string formula = newline == std::string::npos ? input : input.substr(newline + 1);
    // An argument takes at least one character of the formula.
    std::vector<double> values1(formula.size() + 1, 1.5), values2(formula.size() + 1, -2.0);
    int accepted = kRefused;
    {
        VARIANT names, r1, r2;
        VariantInit(&names);
        VariantInit(&r1);
        VariantInit(&r2);
        if (GetPropertyArgs(name.c_str(), formula.c_str(), values1.data(), values2.data(), &names, &r1, &r2) == 1)
            accepted = kAccepted;
        VariantClear(&names);
        VariantClear(&r1);
        VariantClear(&r2);
    }
    {
        VARIANT result;
        VariantInit(&result);
        GetPropertyResult(name.c_str(), formula.c_str(), values1.data(), &result);
        VariantClear(&result);
    }
    if (DuloPropertyCalculator calculator = GetPropertyCalculator(name.c_str(), formula.c_str())) {
        VARIANT result;
        VariantInit(&result);
        CalcPropertyResult(&calculator, name.c_str(), formula.c_str(), values2.data(), &result);
        VariantClear(&result);
        ReleasePropertyCalculator(calculator);
    }
    return accepted;
}

int TableTypeAndSelection(const uint8_t* data, size_t size) {
    Quiet();
    // A table type, then (after a NUL) a selection and (after another) a name to match.
    std::string input(reinterpret_cast<const char*>(data), size);
    size_t first = input.find('\0');
    std::string type = input.substr(0, first);
    std::string selection = first == std::string::npos ? "" : input.substr(first + 1);
    size_t second = selection.find('\0');
    std::string name = second == std::string::npos ? "" : selection.substr(second + 1);
    if (second != std::string::npos) selection.resize(second);
    int code = 0;
    std::vector<std::string> args;
    std::string message;
    bool accepted = ParseTableType(type, code, args, &message);
    for (const std::string& item : SplitSelection(selection)) {
        WildcardMatch(name.c_str(), item.c_str());
    }
    return accepted ? kAccepted : kRefused;
}

// The external models' data file read into the structure the host would give
// its blocks. The fuzz build has no host library, so the blocks are made here
// in the shape the example model's hosts give them (examples/model/extmodels),
// with a hybrid block for the ".BLK." names and a BLX block for its implied
// parameter count; a record naming any other block ends the reading as it
// does when the host cannot add it.
struct PortShape {
    const char* name;
    int32_t direction;
    std::vector<const char*> variables;
};
struct ParameterShape {
    const char* name;
    int32_t type;
    bool locked;
};
struct BlockShape {
    const char* name;
    int32_t type;
    std::vector<PortShape> ports;
    std::vector<const char*> internals;
    std::vector<ParameterShape> parameters;
};

const std::vector<BlockShape>& BlockShapes() {
    static const std::vector<BlockShape> shapes = {
        {"HDT",
         kZeftXlp,
         {{"FEED", kPortInput, {"HDT.FEED.FLOW", "HDT.FEED.SULFUR"}},
          {"PROD", kPortOutput, {"HDT.PROD.FLOW", "HDT.PROD.SULFUR"}}},
         {"HDT.H2", "HDT.TEMP"},
         {{"CATALYST", kParamString, true}, {"PERT", kParamDouble, false}, {"SECOND_DERIV_METHOD", kParamInteger, false}}},
        {"NSPLIT",
         kZeftClosedForm,
         {{"FEED", kPortInput, {"NSPLIT.FEED.FLOW"}},
          {"LIGHT", kPortOutput, {"NSPLIT.LIGHT.FLOW"}},
          {"HEAVY", kPortOutput, {"NSPLIT.HEAVY.FLOW"}}},
         {"NSPLIT.CUT"},
         {{"PERT", kParamDouble, false}}},
        {"HYB",
         kZeftHybrid,
         {{"IN", kPortInput, {"HYB.HYBRID.IN.FLOW"}}},
         {"HYB.HYBRID.X"},
         {{"ACTIVE", kParamBool, false}, {"LIST", kParamStringList, false}, {"PERT", kParamDouble, false}}},
        {"BLX",
         kZeftBlx,
         {{"OUT", kPortOutput, {"BLX.OUT.FLOW"}}},
         {},
         {{"MODE", kParamString, false}, {"PERT", kParamDouble, false}, {"STEPS", kParamInteger, false}}},
    };
    return shapes;
}

ZeftBool AcceptParameter(int32_t, const char*, const char*, VARIANT) { return 1; }

void MakeBlocks(CZEFTInstance& instance, const std::string& modelName) {
    for (const BlockShape& shape : BlockShapes()) {
        auto block = std::make_unique<CZEFTBlock>();
        block->Index = instance.Blocks.GetSize() + 1;
        block->Name = shape.name;
        block->ModelName = modelName;
        block->ModelType = shape.type;
        auto variable = [&](const char* name) {
            auto* v = new CUserDefinedEquationVariable(name);
            v->OwnerModelName = modelName;
            instance.Variables.Add(v);
            return v;
        };
        int32_t number = 0;
        for (const PortShape& p : shape.ports) {
            auto* port = new CZeftPort();
            port->Name = p.name;
            port->PortNumber = ++number;
            port->Direction = p.direction;
            block->Ports.Add(port);
            for (const char* name : p.variables) port->Variables.Add(variable(name));
        }
        for (const char* name : shape.internals) block->InternalVariables.Add(variable(name));
        for (const ParameterShape& p : shape.parameters) {
            auto* parameter = new CUserDefinedParameter(p.name);
            parameter->ParameterType = p.type;
            parameter->Locked = p.locked;
            block->Parameters.AddSorted(parameter);
        }
        instance.Blocks.Add(block.release());
    }
    instance.Blocks.Sort();
    instance.Variables.Sort();
}

// The first byte picks the version whose layout the rest is read in; accepted
// when every record was read without a failure and no byte was left over.
int ExternalModelData(const uint8_t* data, size_t size) {
    Quiet();
    if (size == 0) return kRefused;
    // One instance for the process: making one starts a session, which looks
    // for a host installation every time.
    static CZEFTInstance* const instance = new CZEFTInstance();
    const std::string modelName = "Refinery";
    instance->Blocks.RemoveAll();
    instance->Variables.RemoveAll();
    instance->Expanded = true;
    instance->InputOutputMap = 0;
    instance->PerturbationSize = "1e-6";
    dulo::ZeftSession().host = CZeftHostEntryPoints{};
    dulo::ZeftSession().host.PutBlockParameterValueByName = AcceptParameter;
    MakeBlocks(*instance, modelName);
    CArchive archive(data + 1, size - 1);
    // Every failure the reader meets it reports: count the reports, show none.
    int failures = 0;
    dulo::SetMessageSink([](const char*, const char*, void* count) { ++*static_cast<int*>(count); }, &failures, true);
    instance->SerializeExternalModels(modelName, WorkDirectory(), false, archive,
                                      kDataFileVersions[data[0] % kDataFileVersionCount]);
    dulo::SetMessageSink(nullptr, nullptr, false);
    instance->BuildInputOutputLists(instance->InputOutputMap);
    bool whole = failures == 0 && archive.GetRemaining() == 0;
    instance->Blocks.RemoveAll();
    instance->Variables.RemoveAll();
    dulo::ZeftSession().host = CZeftHostEntryPoints{};
    return whole ? kAccepted : kRefused;
}

}  // namespace

// The layouts of the data file, one version on each side of every condition.
const char* const kDataFileVersions[] = {
    "20.1.0",  "16.24.9", "16.25.0", "16.26.0",  "17.1.5",  "17.1.6",  "17.5.0",  "17.8.9",
    "17.9.2",  "17.9.4",  "19.6.300", "19.7.59", "19.8.24", "19.8.25", "19.9.50", "19.9.112",
};
const size_t kDataFileVersionCount = sizeof kDataFileVersions / sizeof kDataFileVersions[0];

std::vector<uint8_t> ExternalDataFile(size_t version) {
    using namespace extmodels_test;
    const CModelVersion v = CModelVersion::Parse(kDataFileVersions[version % kDataFileVersionCount]);
    Layout layout;
    layout.inputOutputMap = v.HasInputOutputMap();
    layout.perturbationSize = v.HasPerturbationSize();
    layout.switchMode = v.HasSwitchMode();
    layout.blockWideFlag = v.HasBlockWideFlag();
    layout.parameters = v.HasParameters();
    layout.parameterCount = !v.HasImpliedParameterCount();
    layout.parameterValues = v.HasParameterValues();
    // The stored names of a hybrid block carry ".BLK." where the host's carry ".HYBRID.".
    auto stored = [](std::string name) {
        size_t at = name.find(".HYBRID.");
        return at == std::string::npos ? name : name.replace(at, 8, ".BLK.");
    };
    auto record = [&](const char* name, double base) {
        VariableRecord r;
        r.name = stored(name);
        r.duloName = std::string(name) + "_M";
        r.min = base;
        r.max = base + 10;
        r.initial = base + 1;
        r.periodicMin = {base, base + 1};
        r.switchMode = "Switchable";
        return r;
    };
    InstanceRecord instance;
    instance.inputOutputMap = 1;
    instance.perturbationSize = "2e-6";
    double base = 0;
    for (const BlockShape& shape : BlockShapes()) {
        BlockRecord b;
        b.name = shape.name;
        b.path = std::string("extmodels\\") + shape.name + ".json";
        b.type = ZeftModelTypeText(shape.type);
        b.blockWide = true;
        for (const PortShape& p : shape.ports) {
            PortRecord port;
            port.name = p.name;
            port.direction = ZeftPortDirectionText(p.direction);
            for (const char* name : p.variables) port.variables.push_back(record(name, base += 10));
            b.ports.push_back(port);
        }
        for (const char* name : shape.internals) b.internals.push_back(record(name, base += 10));
        // An implied count is the host's count less one (two for a BLX block).
        size_t count = shape.parameters.size();
        if (!layout.parameterCount) count -= shape.type == kZeftBlx ? 2 : 1;
        for (size_t i = 0; i < count; ++i) {
            const ParameterShape& p = shape.parameters[i];
            ParameterRecord r;
            r.variable = record(p.name, base += 10);
            r.type = ParameterTypeName(p.type);
            switch (p.type) {
                case kParamBool: r.value = [](ByteWriter& w) { w.Bool(true); }; break;
                case kParamInteger: r.value = [](ByteWriter& w) { w.Int(-7); }; break;
                case kParamDouble: r.value = [](ByteWriter& w) { w.Double(3e-6); }; break;
                case kParamString: r.value = [](ByteWriter& w) { w.Utf16Text("text"); }; break;
                default: r.value = [](ByteWriter& w) { w.Texts({"A", "B"}); }; break;
            }
            b.parameters.push_back(r);
        }
        instance.blocks.push_back(b);
    }
    std::vector<uint8_t> bytes = WriteDataFile(instance, layout).bytes;
    bytes.insert(bytes.begin(), uint8_t(version % kDataFileVersionCount));
    return bytes;
}

const std::vector<Target>& Targets() {
    static const std::vector<Target> targets = {
        {"biff", BiffFile, "BIFF2-BIFF5 files through TWksIO"},
        {"xls", EngineXls, "whole .xls files through the engine"},
        {"xls_records", EngineXlsRecords, "BIFF8 Workbook stream inside a fixed compound document"},
        {"xlsx", EngineXlsx, "whole .xlsx packages through the engine"},
        {"xlsx_part", EngineXlsxPart, "one XML part inside a fixed .xlsx package"},
        {"dbf", Dbf, "dBase files through LoadSingleExcelTable"},
        {"model", ModelFile, "DuloModel.dulx through LoadTableSX and the settings exports"},
        {"bridge", Bridge, "enciphered model texts"},
        {"formula", Formula, "property formulas through the property exports"},
        {"tabletype", TableTypeAndSelection, "table types and selections"},
        {"csv", EngineCsv, "whole .csv texts through the engine"},
        {"ods", EngineOds, "whole .ods packages through the engine"},
        {"xlsb", EngineXlsb, "whole .xlsb packages through the engine"},
        {"lotus", EngineLotus, "whole Lotus 1-2-3 files through the engine"},
        {"extdata", ExternalModelData, "the external models' data file into the blocks' structure"},
        {"ods_part", EngineOdsPart, "one XML part inside a fixed .ods package"},
    };
    return targets;
}

const Target* FindTarget(const std::string& name) {
    for (const Target& target : Targets()) {
        if (name == target.name) return &target;
    }
    return nullptr;
}

const std::string& WorkDirectory() {
    static const std::string dir = [] {
        std::string pattern = TempRoot() + "/dulo-fuzz-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data())) throw std::runtime_error("cannot make a work directory");
        std::string made = buffer.data();
        static const std::string removed = made;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(removed, ec);
        });
        return made;
    }();
    return dir;
}

std::vector<uint8_t> CompoundDocument(const std::vector<uint8_t>& workbookStream) {
    gsf_init();
    GsfOutput* memory = gsf_output_memory_new();
    GsfOutfile* document = gsf_outfile_msole_new(memory);
    GsfOutput* stream = gsf_outfile_new_child(document, "Workbook", FALSE);
    gsf_output_write(stream, workbookStream.size(), workbookStream.data());
    gsf_output_close(stream);
    g_object_unref(stream);
    gsf_output_close(GSF_OUTPUT(document));
    g_object_unref(document);
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory));
    std::vector<uint8_t> result(bytes, bytes + gsf_output_size(memory));
    g_object_unref(memory);
    return result;
}

std::vector<uint8_t> ReadWorkbookStream(const std::string& path) {
    gsf_init();
    std::vector<uint8_t> bytes;
    GError* error = nullptr;
    GsfInput* input = gsf_input_stdio_new(path.c_str(), &error);
    GsfInfile* document = input ? gsf_infile_msole_new(input, &error) : nullptr;
    if (input) g_object_unref(input);
    if (error) g_error_free(error);
    if (!document) return bytes;
    if (GsfInput* stream = gsf_infile_child_by_name(document, "Workbook")) {
        gsf_off_t size = gsf_input_size(stream);
        if (size > 0 && size <= (gsf_off_t(1) << 26)) {
            bytes.resize(size_t(size));
            if (!gsf_input_read(stream, size_t(size), bytes.data())) bytes.clear();
        }
        g_object_unref(stream);
    }
    g_object_unref(document);
    return bytes;
}

const char* const kXlsxPartNames[] = {
    "[Content_Types].xml", "_rels/.rels",         "xl/workbook.xml",     "xl/_rels/workbook.xml.rels",
    "xl/worksheets/sheet1.xml", "xl/worksheets/sheet2.xml", "xl/sharedStrings.xml", "xl/styles.xml",
};
const size_t kXlsxPartCount = sizeof kXlsxPartNames / sizeof kXlsxPartNames[0];

namespace {

const char* const kXlsxParts[] = {
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/><Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/></Types>)",
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)",
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><workbookPr date1904="false"/><bookViews><workbookView activeTab="0"/></bookViews><sheets><sheet name="PLAIN" sheetId="1" r:id="rId1"/><sheet name="Other" sheetId="2" r:id="rId2"/></sheets></workbook>)",
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/sheet2.xml"/><Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/><Relationship Id="rId4" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>)",
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><dimension ref="A1:D4"/><sheetViews><sheetView workbookViewId="0"><selection activeCell="B2" sqref="B2"/></sheetView></sheetViews><cols><col min="1" max="2" width="12.5" customWidth="1"/></cols><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="inlineStr"><is><t>inline</t></is></c></row><row r="2"><c r="A2" t="s"><v>2</v></c><c r="B2" s="1"><v>45351</v></c><c r="C2" t="b"><v>1</v></c><c r="D2"><f>B2*2</f><v>90702</v></c></row><row r="3"><c r="A3" t="str"><v>text</v></c><c r="B3" t="e"><v>#N/A</v></c><c r="C3" s="2"><v>0.25</v></c><c r="D3" t="n"><v>-1.5E+300</v></c></row><row r="4"><c r="A4" t="s"><v>3</v></c><c r="B4" s="3"><v>12.5</v></c></row></sheetData></worksheet>)",
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row><c><v>1</v></c><c t="s"><v>1</v></c></row></sheetData></worksheet>)",
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="4" uniqueCount="4"><si><t>ROWNAMES</t></si><si><r><t>rich</t></r><r><rPr><b/></rPr><t xml:space="preserve"> text</t></r></si><si><t>A_x000D_B</t></si><si><t/></si></sst>)",
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts count="2"><numFmt numFmtId="164" formatCode="yyyy\-mm\-dd"/><numFmt numFmtId="165" formatCode="0.00%;[Red]\-0.00%"/></numFmts><cellXfs count="4"><xf numFmtId="0"/><xf numFmtId="164" applyNumberFormat="1"/><xf numFmtId="165" applyNumberFormat="1"/><xf numFmtId="14"/></cellXfs></styleSheet>)",
};
static_assert(sizeof kXlsxParts / sizeof kXlsxParts[0] == 8);

uint32_t Crc32(const std::string& bytes) {
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

std::string XlsxFixedPart(size_t part) { return part < kXlsxPartCount ? kXlsxParts[part] : ""; }

// A zip archive of stored (uncompressed) members, so that a part's bytes reach
// the XML readers exactly as the fuzzer made them.
std::vector<uint8_t> StoredZip(const std::vector<std::pair<std::string, std::string>>& members) {
    std::vector<uint8_t> out, directory;
    uint16_t count = 0;
    for (const auto& [name, body] : members) {
        uint32_t crc = Crc32(body), offset = uint32_t(out.size()), length = uint32_t(body.size());
        Put32(out, 0x04034b50);
        Put16(out, 20), Put16(out, 0), Put16(out, 0), Put16(out, 0), Put16(out, 0x21);
        Put32(out, crc), Put32(out, length), Put32(out, length);
        Put16(out, uint32_t(name.size())), Put16(out, 0);
        out.insert(out.end(), name.begin(), name.end());
        out.insert(out.end(), body.begin(), body.end());
        Put32(directory, 0x02014b50);
        Put16(directory, 20), Put16(directory, 20), Put16(directory, 0), Put16(directory, 0);
        Put16(directory, 0), Put16(directory, 0x21);
        Put32(directory, crc), Put32(directory, length), Put32(directory, length);
        Put16(directory, uint32_t(name.size())), Put16(directory, 0), Put16(directory, 0);
        Put16(directory, 0), Put16(directory, 0), Put32(directory, 0), Put32(directory, offset);
        directory.insert(directory.end(), name.begin(), name.end());
        ++count;
    }
    uint32_t directoryOffset = uint32_t(out.size());
    out.insert(out.end(), directory.begin(), directory.end());
    Put32(out, 0x06054b50);
    Put16(out, 0), Put16(out, 0), Put16(out, count), Put16(out, count);
    Put32(out, uint32_t(directory.size())), Put32(out, directoryOffset), Put16(out, 0);
    return out;
}

std::vector<uint8_t> XlsxPackage(size_t replacedPart, const std::string& partText) {
    std::vector<std::pair<std::string, std::string>> members;
    for (size_t i = 0; i < kXlsxPartCount; ++i)
        members.emplace_back(kXlsxPartNames[i], i == replacedPart ? partText : std::string(kXlsxParts[i]));
    return StoredZip(members);
}

const char* const kOdsPartNames[] = {"content.xml", "styles.xml"};
const size_t kOdsPartCount = sizeof kOdsPartNames / sizeof kOdsPartNames[0];

namespace {

#define DULO_ODS_NAMESPACES                                                                                     \
    R"( xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" office:version="1.2")"

// Two sheets with a cell of every value type, repeated rows, columns and
// cells, covered cells, a note, and styles from both parts.
const char* const kOdsParts[] = {
    R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-content)" DULO_ODS_NAMESPACES R"(><office:automatic-styles><number:percentage-style style:name="N1"><number:number number:decimal-places="1" number:min-integer-digits="1"/><number:text>%</number:text></number:percentage-style><style:style style:name="co1" style:family="table-column"><style:table-column-properties style:column-width="1.5in"/></style:style><style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"/><style:style style:name="ce2" style:family="table-cell" style:parent-style-name="Dated"/></office:automatic-styles><office:body><office:spreadsheet><table:null-date table:date-value="1899-12-30"/><table:table table:name="Data"><table:table-column table:style-name="co1"/><table:table-column table:number-columns-repeated="3"/><table:table-row><table:table-cell office:value-type="string"><text:p>ROWNAMES</text:p></table:table-cell><table:table-cell office:value-type="string"><text:p>Da<text:s text:c="2"/>te</text:p><text:p>second line</text:p></table:table-cell><table:table-cell office:value-type="string" office:string-value="Share"><text:p>ignored</text:p></table:table-cell><table:table-cell office:value-type="string"><text:p><text:span>Fl</text:span>ag</text:p><office:annotation><text:p>a note</text:p></office:annotation></table:table-cell></table:table-row><table:table-row table:number-rows-repeated="2"><table:table-cell office:value-type="string"><text:p>r1</text:p></table:table-cell><table:table-cell office:value-type="date" office:date-value="2009-07-06T18:00:00"/><table:table-cell table:style-name="ce1" office:value-type="percentage" office:value="0.125"/><table:table-cell office:value-type="boolean" office:boolean-value="true"/></table:table-row><table:table-row><table:table-cell office:value-type="string"><text:p>r3</text:p></table:table-cell><table:table-cell office:value-type="time" office:time-value="PT12H30M15S"/><table:table-cell office:value-type="currency" office:currency="USD" office:value="-12.5"/><table:table-cell table:formula="of:=1/0" office:value-type="float" office:value="0"><text:p>#DIV/0!</text:p></table:table-cell></table:table-row><table:table-row><table:table-cell table:number-columns-repeated="2" table:style-name="ce2" office:value-type="float" office:value="40000"/><table:table-cell table:number-columns-spanned="2" office:value-type="float" office:value="1e-3"/><table:covered-table-cell/></table:table-row><table:table-row table:number-rows-repeated="1000"><table:table-cell table:number-columns-repeated="4"/></table:table-row></table:table><table:table table:name="Other"><table:table-row><table:table-cell office:value-type="float" office:value="7"/><table:table-cell office:value-type="string"><text:p>x</text:p></table:table-cell></table:table-row></table:table></office:spreadsheet></office:body></office:document-content>)",
    R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-styles)" DULO_ODS_NAMESPACES R"(><office:styles><number:date-style style:name="D1"><number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style><style:style style:name="Default" style:family="table-cell"/><style:style style:name="Dated" style:family="table-cell" style:parent-style-name="Default" style:data-style-name="D1"/><style:default-style style:family="table-column"><style:table-column-properties style:column-width="0.889in"/></style:default-style></office:styles></office:document-styles>)",
};
static_assert(sizeof kOdsParts / sizeof kOdsParts[0] == 2);

#undef DULO_ODS_NAMESPACES

}  // namespace

std::string OdsFixedPart(size_t part) { return part < kOdsPartCount ? kOdsParts[part] : ""; }

std::vector<uint8_t> OdsPackage(size_t replacedPart, const std::string& partText) {
    // The mimetype member comes first and stored, as the format asks.
    std::vector<std::pair<std::string, std::string>> members = {
        {"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}};
    for (size_t i = 0; i < kOdsPartCount; ++i)
        members.emplace_back(kOdsPartNames[i], i == replacedPart ? partText : std::string(kOdsParts[i]));
    return StoredZip(members);
}

}  // namespace fuzz
