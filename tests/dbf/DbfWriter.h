#pragma once
// A small writer of dBase files for the cases shapelib's tools cannot write:
// date, logical and memo fields, deleted records, other versions and language
// drivers, and headers that claim what the file does not hold.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace dbf_test {

struct DbfField {
    std::string name;  // up to 11 bytes; 11 leave no zero byte
    char type;         // C, D, N, F, L, M or anything else
    uint8_t width;
    uint8_t decimals = 0;
};

struct DbfRecord {
    std::vector<std::string> values;  // one per field, written as they stand (padded or cut to the width)
    bool deleted = false;
};

struct DbfFile {
    uint8_t version = 3;
    uint8_t languageDriver = 0;
    std::vector<DbfField> fields;
    std::vector<DbfRecord> records;
    bool terminator = true;          // the 0x0D byte after the descriptors
    size_t paddingAfterTerminator = 0;
    // What the header claims, when it is not what the file holds.
    std::optional<uint32_t> recordCount;
    std::optional<uint16_t> headerLength;
    std::optional<uint16_t> recordLength;

    std::string Bytes() const {
        uint32_t width = 1;
        for (const DbfField& f : fields) width += f.width;
        const uint32_t header = 32 + 32 * uint32_t(fields.size()) + (terminator ? 1 : 0) + uint32_t(paddingAfterTerminator);
        std::string out(32, '\0');
        out[0] = char(version);
        out[1] = char(124), out[2] = char(5), out[3] = char(17);  // last update 2024-05-17
        PutLE(out, 4, recordCount.value_or(uint32_t(records.size())), 4);
        PutLE(out, 8, headerLength.value_or(uint16_t(header)), 2);
        PutLE(out, 10, recordLength.value_or(uint16_t(width)), 2);
        out[29] = char(languageDriver);
        for (const DbfField& f : fields) {
            std::string d(32, '\0');
            d.replace(0, std::min<size_t>(f.name.size(), 11), f.name.substr(0, 11));
            d[11] = f.type;
            d[16] = char(f.width);
            d[17] = char(f.decimals);
            out += d;
        }
        if (terminator) out += '\x0D';
        out.append(paddingAfterTerminator, '\0');
        for (const DbfRecord& r : records) {
            out += r.deleted ? '*' : ' ';
            for (size_t i = 0; i < fields.size(); ++i) {
                std::string v = i < r.values.size() ? r.values[i] : std::string();
                v.resize(std::min<size_t>(v.size(), fields[i].width));
                // Numbers stand right-aligned, everything else left-aligned.
                bool right = fields[i].type == 'N' || fields[i].type == 'F';
                std::string pad(fields[i].width - v.size(), ' ');
                out += right ? pad + v : v + pad;
            }
        }
        out += '\x1A';
        return out;
    }

    void Write(const std::filesystem::path& path) const { WriteBytes(path, Bytes()); }

    static void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), std::streamsize(bytes.size()));
    }

private:
    static void PutLE(std::string& out, size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out[at + size_t(i)] = char((value >> (8 * i)) & 0xFF);
    }
};

}  // namespace dbf_test
