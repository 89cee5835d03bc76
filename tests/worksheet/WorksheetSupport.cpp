#include "WorksheetSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

std::string WorksheetFixture(const std::string& name) { return std::string(DULO_FIXTURES) + "/worksheet/" + name; }

std::string TempFile(const std::string& name) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path dir = fs::temp_directory_path() / "dulo-worksheet-tests" /
                   (std::string(info ? info->test_suite_name() : "suite") + "." + (info ? info->name() : "test"));
    fs::create_directories(dir);
    return (dir / name).string();
}

SheetSource::SheetSource() : table(&log, &options) {
    options.SetWord(1, 0);  // errors not shown
    options.SetWord(2, 0);  // warnings not shown
    options.SetWord(4, 1);  // both logged
}

bool SheetSource::Open(const std::string& path, const std::string& sheet) {
    CIoTableDescription description;
    description.m_nTableType = 0;
    description.m_Strings[0] = path;
    description.m_Strings[1] = sheet;
    return table.OpenTable(description);
}

bool SheetSource::Extract(const char* keyFields, const char* keyValues, const char* extractColumns) {
    return table.ExtractRows(rows, keyHeadings, columnHeadings, keyFields, keyValues, extractColumns, nullptr, 0);
}

std::vector<std::string> SheetSource::ColumnNames() const {
    std::vector<std::string> names;
    for (const CColumn* c : table.GetColumns()) names.push_back(c->m_strName);
    return names;
}

std::vector<int> SheetSource::ColumnTypes() const {
    std::vector<int> types;
    for (const CColumn* c : table.GetColumns()) types.push_back(c->m_nSqlType);
    return types;
}

std::vector<std::string> SheetSource::RowNames() const {
    std::vector<std::string> names;
    for (int r = 0; r < rows.GetSize(); ++r) names.push_back(rows.GetKeyText(r, 0));
    return names;
}

namespace {

void Put16(std::vector<uint8_t>& b, int v) {
    b.push_back(uint8_t(v & 0xFF));
    b.push_back(uint8_t((v >> 8) & 0xFF));
}

std::vector<uint8_t> CellHead(int row, int column, int xf) {
    std::vector<uint8_t> b;
    Put16(b, row);
    Put16(b, column);
    Put16(b, xf);
    return b;
}

}  // namespace

Biff3Sheet::Biff3Sheet() { Record(0x0209, {0x00, 0x03, 0x10, 0x00, 0x00, 0x00}); }

void Biff3Sheet::Record(uint16_t id, const std::vector<uint8_t>& body) {
    Put16(m_bytes, id);
    Put16(m_bytes, int(body.size()));
    m_bytes.insert(m_bytes.end(), body.begin(), body.end());
}

Biff3Sheet& Biff3Sheet::Dimensions(int rows, int columns) {
    std::vector<uint8_t> b;
    Put16(b, 0);
    Put16(b, rows);
    Put16(b, 0);
    Put16(b, columns);
    Put16(b, 0);
    Record(0x0200, b);
    return *this;
}

Biff3Sheet& Biff3Sheet::Format(const std::string& text) {
    std::vector<uint8_t> b{uint8_t(text.size())};
    b.insert(b.end(), text.begin(), text.end());
    Record(0x001E, b);
    return *this;
}

Biff3Sheet& Biff3Sheet::Xf(int formatIndex) {
    std::vector<uint8_t> b(12, 0);
    b[1] = uint8_t(formatIndex);
    Record(0x0243, b);
    return *this;
}

Biff3Sheet& Biff3Sheet::Label(int row, int column, const std::string& text, int xf) {
    std::vector<uint8_t> b = CellHead(row, column, xf);
    Put16(b, int(text.size()));
    b.insert(b.end(), text.begin(), text.end());
    Record(0x0204, b);
    return *this;
}

Biff3Sheet& Biff3Sheet::Number(int row, int column, double value, int xf) {
    std::vector<uint8_t> b = CellHead(row, column, xf);
    uint8_t raw[8];
    std::memcpy(raw, &value, 8);
    b.insert(b.end(), raw, raw + 8);
    Record(0x0203, b);
    return *this;
}

void Biff3Sheet::Write(const std::string& path) {
    std::vector<uint8_t> bytes = m_bytes;
    bytes.insert(bytes.end(), {0x0A, 0x00, 0x00, 0x00});
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}
