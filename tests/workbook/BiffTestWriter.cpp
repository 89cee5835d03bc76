#include "BiffTestWriter.h"

#include "sources/workbook/BiffFormat.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

Body& Body::u8(int v) {
    bytes.push_back(uint8_t(v));
    return *this;
}
Body& Body::u16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
Body& Body::u32(uint32_t v) { return u16(int(v & 0xFFFF)).u16(int(v >> 16)); }
Body& Body::f64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return u32(uint32_t(bits)).u32(uint32_t(bits >> 32));
}
Body& Body::raw(const std::string& s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
}
Body& Body::str8(const std::string& s) { return u8(int(s.size())).raw(s); }
Body& Body::str16(const std::string& s) { return u16(int(s.size())).raw(s); }

Body CellHead(int row, int column, int xf) { return Body().u16(row).u16(column).u16(xf); }
Body CellHead2(int row, int column, int attr0, int attr1, int attr2) {
    return Body().u16(row).u16(column).u8(attr0).u8(attr1).u8(attr2);
}

BiffWriter& BiffWriter::Record(uint16_t id, const Body& body) {
    return Overlong(id, uint16_t(body.bytes.size()), body);
}
BiffWriter& BiffWriter::Record(uint16_t id) { return Record(id, Body()); }
BiffWriter& BiffWriter::Append(const std::vector<uint8_t>& bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}
BiffWriter& BiffWriter::Overlong(uint16_t id, uint16_t claimed, const Body& body) {
    Body head;
    head.u16(id).u16(claimed);
    Append(head.bytes);
    return Append(body.bytes);
}

std::vector<uint8_t> Biff5Book(const std::vector<uint8_t>& globals, const std::vector<Biff5Sheet>& sheets) {
    // Globals size first, so the BOUNDSHEET offsets are known.
    size_t globalsSize = 4 + 8 + globals.size() + 4;
    for (const Biff5Sheet& s : sheets) globalsSize += 4 + 7 + s.name.size();
    BiffWriter book;
    book.Record(dulo::biff::kBof5, Body().u16(0x0500).u16(0x0005).u16(0).u16(0));
    book.Append(globals);
    size_t offset = globalsSize;
    for (const Biff5Sheet& s : sheets) {
        book.Record(dulo::biff::kBoundSheet, Body().u32(uint32_t(offset)).u8(0).u8(0).str8(s.name));
        offset += 4 + 8 + s.records.size() + (s.withEof ? 4 : 0);
    }
    book.Record(dulo::biff::kEof);
    for (const Biff5Sheet& s : sheets) {
        book.Record(dulo::biff::kBof5, Body().u16(0x0500).u16(0x0010).u16(0).u16(0));
        book.Append(s.records);
        if (s.withEof) book.Record(dulo::biff::kEof);
    }
    return book.Bytes();
}

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
