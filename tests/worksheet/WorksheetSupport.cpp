#include "WorksheetSupport.h"

#include "platform/biff/RecordIds.h"

#include <gtest/gtest.h>

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

using namespace dulo::biff;
using bifftest::Body;
using bifftest::CellHead;

Biff3Sheet::Biff3Sheet() { m_writer.Record(kBof3, Body().u16(0x0300).u16(0x0010).u16(0)); }

Biff3Sheet& Biff3Sheet::Dimensions(int rows, int columns) {
    m_writer.Record(kDimensions, Body().u16(0).u16(rows).u16(0).u16(columns).u16(0));
    return *this;
}

Biff3Sheet& Biff3Sheet::Format(const std::string& text) {
    m_writer.Record(kFormat2, Body().str8(text));
    return *this;
}

Biff3Sheet& Biff3Sheet::Xf(int formatIndex) {
    m_writer.Record(kXf3, Body().u8(0).u8(formatIndex).raw(std::string(10, '\0')));
    return *this;
}

Biff3Sheet& Biff3Sheet::Label(int row, int column, const std::string& text, int xf) {
    m_writer.Record(kLabel, CellHead(row, column, xf).str16(text));
    return *this;
}

Biff3Sheet& Biff3Sheet::Number(int row, int column, double value, int xf) {
    m_writer.Record(kNumber, CellHead(row, column, xf).f64(value));
    return *this;
}

void Biff3Sheet::Write(const std::string& path) {
    bifftest::BiffWriter sheet = m_writer;
    const std::string& bytes = sheet.Eof().String();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}
