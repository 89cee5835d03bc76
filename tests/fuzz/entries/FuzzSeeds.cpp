// fuzz_seeds OUT FIXTURES [CORPUS]: writes one seed folder per target under OUT
// from the project's fixtures and, when given and present, the shared corpus.
// Derived seeds (workbook streams, single XML parts, enciphered model texts)
// are cut from those files here, so nothing of the corpus is copied into the
// project.
#include "FuzzEntries.h"
#include "xml/ReadModelText.h"

#include "../../engine/Builders.h"

#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

constexpr uintmax_t kLargestSeed = 1 << 20;

std::map<std::string, int> g_counts;
fs::path g_out;

void Seed(const std::string& target, const std::string& bytes) {
    fs::path dir = g_out / target;
    fs::create_directories(dir);
    int n = g_counts[target]++;
    std::ofstream(dir / ("seed" + std::to_string(n)), std::ios::binary) << bytes;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::string ReadChild(GsfInfile* parent, const char* name) {
    GsfInput* child = gsf_infile_child_by_name(parent, name);
    if (!child) return {};
    std::string bytes;
    gsf_off_t size = gsf_input_size(child);
    if (size > 0 && uintmax_t(size) <= kLargestSeed) {
        bytes.resize(size_t(size));
        if (!gsf_input_read(child, size_t(size), reinterpret_cast<guint8*>(bytes.data()))) bytes.clear();
    }
    g_object_unref(child);
    return bytes;
}

GsfInfile* ChildFolder(GsfInfile* parent, const std::string& name) {
    GsfInput* child = gsf_infile_child_by_name(parent, name.c_str());
    return child ? GSF_INFILE(child) : nullptr;
}

// Every part of a package that the fixed package also has, for its part target.
void PackageParts(const fs::path& path, const char* target, const char* const* names, size_t count) {
    GError* error = nullptr;
    GsfInput* input = gsf_input_stdio_new(path.c_str(), &error);
    if (!input) {
        if (error) g_error_free(error);
        return;
    }
    GsfInfile* zip = gsf_infile_zip_new(input, &error);
    g_object_unref(input);
    if (!zip) {
        if (error) g_error_free(error);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        std::string name = names[i];
        GsfInfile* folder = zip;
        g_object_ref(folder);
        size_t start = 0, slash;
        while (folder && (slash = name.find('/', start)) != std::string::npos) {
            GsfInfile* next = ChildFolder(folder, name.substr(start, slash - start));
            g_object_unref(folder);
            folder = next;
            start = slash + 1;
        }
        if (!folder) continue;
        std::string bytes = ReadChild(folder, name.substr(start).c_str());
        g_object_unref(folder);
        if (!bytes.empty()) Seed(target, std::string(1, char(i)) + bytes);
    }
    g_object_unref(zip);
}

void FromFile(const fs::path& path) {
    std::error_code ec;
    uintmax_t size = fs::file_size(path, ec);
    if (ec || size == 0 || size > kLargestSeed) return;
    std::string ext = Lower(path.extension().string());
    std::string bytes = ReadAll(path);
    if (ext == ".xls") {
        Seed("biff", bytes);
        Seed("xls", bytes);
        std::vector<uint8_t> stream = fuzz::ReadWorkbookStream(path.string());
        if (!stream.empty()) Seed("xls_records", std::string(stream.begin(), stream.end()));
    } else if (ext == ".xlsx" || ext == ".xlsm") {
        Seed("xlsx", bytes);
        PackageParts(path, "xlsx_part", fuzz::kXlsxPartNames, fuzz::kXlsxPartCount);
    } else if (ext == ".csv") {
        Seed("csv", bytes);
    } else if (ext == ".ods") {
        Seed("ods", bytes);
        PackageParts(path, "ods_part", fuzz::kOdsPartNames, fuzz::kOdsPartCount);
    } else if (ext == ".xlsb") {
        Seed("xlsb", bytes);
    } else if (ext == ".wks" || ext == ".wk1" || ext == ".wr1" || ext == ".wk3" || ext == ".wk4" || ext == ".123") {
        Seed("lotus", bytes);
    } else if (ext == ".dulb") {
        // The example model's data file is in the current layout, the first version.
        Seed("extdata", std::string(1, '\0') + bytes);
    } else if (ext == ".dbf") {
        Seed("dbf", bytes);
    } else if (ext == ".dulx") {
        Seed("model", bytes);
        std::string cipher;
        if (dulo::EncipherModelText(bytes, cipher)) Seed("bridge", cipher);
        Seed("bridge", bytes);
    }
}

// Workbooks of the kinds the corpus may lack, through the engine tests' writers.
void WrittenWorkbooks() {
    using namespace enginetest;
    LotusWriter release2;
    release2.Record(0, U16(0x0406)).Record(6, std::string(8, '\0')).Record(8, U16(1) + "\x14");
    release2.Cell(0x0F, 0xF1, 0, 0, Sz("'left")).Cell(0x0F, 0xF1, 1, 0, Sz("^centre"));
    release2.Cell(0x0D, 0xF1, 0, 1, U16(uint16_t(-12))).Cell(0x0E, 0x02, 1, 1, F64(2.25));
    release2.Cell(0x0E, 0x72, 2, 1, F64(36526)).Cell(0x0E, 0x78, 3, 1, F64(0.75));
    release2.Cell(0x10, 0xF1, 0, 2, F64(4) + U16(0)).Cell(0x10, 0xF1, 1, 2, F64(0) + U16(0));
    release2.Cell(0x33, 0xF1, 1, 2, Sz("text result")).Cell(0x0C, 0xF1, 4, 3).Record(1);
    Seed("lotus", release2.Bytes());
    LotusWriter release3;
    release3.Record(0, U16(0x1000) + std::string(24, '\0'));
    release3.Record(0x1B, U16(14000) + U16(1) + Sz("Crude"));
    release3.Cell3(0x16, 0, 0, 0, Sz("'first")).Cell3(0x17, 0, 1, 0, Ext10(-1234.5625));
    release3.Cell3(0x18, 0, 3, 0, U16(uint16_t(-84))).Cell3(0x19, 0, 0, 1, Ext10(7) + U16(0));
    release3.Cell3(0x19, 0, 1, 1, std::string(8, '\0') + U16(0xFFFF) + U16(0)).Cell3(0x1A, 0, 1, 1, Sz("computed"));
    release3.Cell3(0x17, 1, 4, 2, Ext10(3)).Record(1);
    Seed("lotus", release3.Bytes());

    // Cell records of every kind: shared strings, inline text, numbers, RK
    // values, formulas' results and the short forms.
    const std::string formulaTail = U16(0) + U32(0) + U32(0);
    XlsbWriter sheet;
    sheet.Record(129).Record(148, U32(0) + U32(3) + U32(0) + U32(5)).Record(145);
    sheet.Row(0).Cell(7, 0, 0, U32(0)).Cell(7, 1, 0, U32(1)).Cell(6, 2, 0, WideStr("inline"));
    sheet.Cell(4, 3, 0, "\x01").Cell(3, 4, 0, "\x2A");
    sheet.Row(1).Cell(2, 0, 0, U32(7 << 2 | 2)).Cell(2, 1, 0, U32(303 << 2 | 3)).Cell(5, 2, 1, F64(40000));
    sheet.Row(2).Cell(8, 0, 0, WideStr("res") + formulaTail).Cell(9, 1, 0, F64(2) + formulaTail);
    sheet.Cell(10, 2, 0, "\x01" + formulaTail).Cell(11, 3, 0, "\x07" + formulaTail);
    sheet.Row(3).Cell(5, 2, 0, F64(10)).Record(16, U32(0) + F64(11)).Record(13, U32(0) + U32(12 << 2 | 2));
    sheet.Record(17, U32(0) + WideStr("short")).Record(12, U32(1)).Row(4).Cell(1, 5, 1);
    sheet.Record(146).Record(130);
    XlsbWriter strings;
    strings.Record(159, U32(2) + U32(2)).Record(19, std::string(1, '\0') + WideStr("alpha"));
    strings.Record(19, std::string(1, '\x01') + WideStr("rich") + U32(0)).Record(160);
    XlsbWriter styles;
    std::string xf = U16(0xFFFF) + U16(0) + std::string(12, '\0'), date = U16(0xFFFF) + U16(14) + std::string(12, '\0');
    styles.Record(278).Record(615, U32(1)).Record(44, U16(170) + WideStr("yyyy-mm-dd")).Record(616);
    styles.Record(617, U32(2)).Record(47, xf).Record(47, date).Record(618).Record(279);
    fs::path zip = g_out / "written.xlsb";
    WriteZip(zip.string(), XlsbParts({{"Kinds", sheet.Bytes()}, {"Chart1", ""}}, strings.Bytes(), styles.Bytes()));
    Seed("xlsb", ReadAll(zip));
    WriteZip(zip.string(), XlsbParts({{"Plain", XlsbWriter().Record(129).Record(145).Row(0).Cell(5, 0, 0, F64(1))
                                                     .Record(146).Record(130).Bytes()}},
                                     "", "", 1));
    Seed("xlsb", ReadAll(zip));
    fs::remove(zip);

    for (const char* text : {"a,b,c\n1,2.5,-3e2\n\"quoted, with \"\"quotes\"\"\",2024-02-29,2024-02-29 13:45:00\r\n",
                             "\xEF\xBB\xBFname;value\n\"open quote\n", ",,\n\n,x\r"}) {
        Seed("csv", text);
    }
}

void Walk(const fs::path& root) {
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return;
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_regular_file(ec)) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) FromFile(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUT FIXTURES [CORPUS...]\n", argv[0]);
        return 2;
    }
    gsf_init();
    g_out = argv[1];
    for (int i = 2; i < argc; ++i) Walk(argv[i]);

    // The fixed package as it stands, and each of its parts for the part target.
    std::vector<uint8_t> package = fuzz::XlsxPackage(fuzz::kXlsxPartCount, "");
    Seed("xlsx", std::string(package.begin(), package.end()));
    for (size_t i = 0; i < fuzz::kXlsxPartCount; ++i) Seed("xlsx_part", std::string(1, char(i)) + fuzz::XlsxFixedPart(i));
    std::vector<uint8_t> ods = fuzz::OdsPackage(fuzz::kOdsPartCount, "");
    Seed("ods", std::string(ods.begin(), ods.end()));
    for (size_t i = 0; i < fuzz::kOdsPartCount; ++i) Seed("ods_part", std::string(1, char(i)) + fuzz::OdsFixedPart(i));
    WrittenWorkbooks();
    for (size_t v = 0; v < fuzz::kDataFileVersionCount; ++v) {
        std::vector<uint8_t> file = fuzz::ExternalDataFile(v);
        Seed("extdata", std::string(file.begin(), file.end()));
    }
    for (const char* formula : {"(VIS+A)/B-VIS", "2+3", "IF(A>B,A,B)", "A^2+LOG(B)-EXP(-C)", "MAX(A,B,C)*MIN(D,1)",
                                "SQRT(ABS(X))/(Y+1E-3)", "A*B+C*D-E/F", "-(-A)", "A=B", "A<>B AND C<=D OR NOT E"}) {
        Seed("formula", std::string("P\n") + formula);
    }
    const std::string tableTypes[] = {std::string("0\0PLAIN,MERGE\0PLAIN", 19), std::string("OLE2,a,b\0*\0x", 12),
                                      std::string("ODBC\0A?C,*\0ABC", 14), std::string("7\0\0", 3),
                                      std::string("WKS\0a*b,,c\0aXXb", 15)};
    for (const std::string& t : tableTypes) Seed("tabletype", t);
    for (const auto& [target, count] : g_counts) std::printf("%-12s %d seeds\n", target.c_str(), count);
    return 0;
}
