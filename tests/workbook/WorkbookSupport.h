#pragma once
// Helpers of the workbook tests: test files and fixtures, compound documents
// written through libgsf, and the shared BIFF writer.
#include "../support/BiffWriter.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using bifftest::Biff5Book;
using bifftest::Biff5Sheet;
using bifftest::BiffWriter;
using bifftest::Body;
using bifftest::CellHead;
using bifftest::CellHead2;

// A fresh directory for one test's files.
std::string TempPath(const std::string& name);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);
// A compound document holding the given top-level streams.
bool WriteCompoundFile(const std::string& path, const std::vector<std::pair<std::string, std::vector<uint8_t>>>& streams);

// The fixture folder of this area.
std::string Fixture(const std::string& name);
