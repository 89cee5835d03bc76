#include "FuzzEntries.h"

#include "dulo/DuloModelDataLib.h"
#include "platform/OleDateTime.h"
#include "sources/BaseTbl.h"
#include "sources/workbook/WksIO.h"
#include "sources/workbook/excel8WksIO.h"
#include "tables/TableType.h"
#include "xml/ReadModelText.h"

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
    int row = -1, column = -1;
    for (int walked = 0; walked < 4096 && wks.NextCell(row, column); ++walked) {
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
    for (const char* section : {"", "Tables"}) {
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

}  // namespace

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

// A zip archive of stored (uncompressed) members, so that the part's bytes reach
// the XML readers exactly as the fuzzer made them.
std::vector<uint8_t> XlsxPackage(size_t replacedPart, const std::string& partText) {
    std::vector<uint8_t> out, directory;
    uint16_t count = 0;
    for (size_t i = 0; i < kXlsxPartCount; ++i) {
        std::string name = kXlsxPartNames[i];
        std::string body = i == replacedPart ? partText : std::string(kXlsxParts[i]);
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

}  // namespace fuzz
