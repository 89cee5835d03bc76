#include "WorkbookSupport.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

std::string TempPath(const std::string& name) {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string test = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : test)
        if (c == '/') c = '_';
    std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "dulo-workbook" / test;
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    // A fresh file, not a truncated one: ext4 flushes files rewritten in place on close.
    std::filesystem::remove(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteCompoundFile(const std::string& path, const std::vector<std::pair<std::string, std::vector<uint8_t>>>& streams) {
    gsf_init();
    std::filesystem::remove(path);
    GError* err = nullptr;
    GsfOutput* out = gsf_output_stdio_new(path.c_str(), &err);
    if (!out) {
        if (err) g_error_free(err);
        return false;
    }
    GsfOutfile* ole = gsf_outfile_msole_new(out);
    g_object_unref(out);
    bool ok = true;
    for (const auto& [name, bytes] : streams) {
        GsfOutput* child = gsf_outfile_new_child(ole, name.c_str(), FALSE);
        ok = ok && child && gsf_output_write(child, bytes.size(), bytes.data());
        if (child) {
            gsf_output_close(child);
            g_object_unref(child);
        }
    }
    ok = gsf_output_close(GSF_OUTPUT(ole)) && ok;
    g_object_unref(ole);
    return ok;
}

std::string Fixture(const std::string& name) { return std::string(DULO_FIXTURES) + "/workbook/" + name; }
