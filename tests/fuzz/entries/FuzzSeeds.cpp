// fuzz_seeds OUT FIXTURES [CORPUS]: writes one seed folder per target under OUT
// from the project's fixtures and, when given and present, the shared corpus.
// Derived seeds (workbook streams, single XML parts, enciphered model texts)
// are cut from those files here, so nothing of the corpus is copied into the
// project.
#include "FuzzEntries.h"
#include "xml/ReadModelText.h"

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

// Every part of an OOXML package that the fixed package also has, for the part target.
void PackageParts(const fs::path& path) {
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
    for (size_t i = 0; i < fuzz::kXlsxPartCount; ++i) {
        std::string name = fuzz::kXlsxPartNames[i];
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
        if (!bytes.empty()) Seed("xlsx_part", std::string(1, char(i)) + bytes);
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
        PackageParts(path);
    } else if (ext == ".dbf") {
        Seed("dbf", bytes);
    } else if (ext == ".dulx") {
        Seed("model", bytes);
        std::string cipher;
        if (dulo::EncipherModelText(bytes, cipher)) Seed("bridge", cipher);
        Seed("bridge", bytes);
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
