// Damaged and hostile dBase files: each ends in its result code and message,
// without reading outside what the file holds or trusting what it claims.
#include "DbfSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace dbf_test {
namespace {

const std::string kDamaged = "Error\nInvalid or damaged DBF file header encountered.\n\n";
const std::string kReadError =
    "Error\nAn error occurred while trying to read the next record.\n\nMake sure the file has not been corrupted.\n\n";

DbfFile TwoRecords() {
    DbfFile f;
    f.fields = {{"ROWNAMES", 'C', 4}, {"X", 'N', 5}};
    f.records = {{{"A", "1"}}, {{"B", "2"}}};
    return f;
}

struct BadCase {
    const char* name;
    std::function<std::string()> bytes;
    int status;
    std::string log;
    int rowsLeft = 0;  // rows read before the failure
};

std::string Cut(const DbfFile& f, size_t length) { return f.Bytes().substr(0, length); }

TEST(DbfBadInput, EndsInItsCodeAndMessage) {
    const BadCase cases[] = {
        {"empty file", [] { return std::string(); }, TABLE_OPEN_FAILED, kDamaged},
        {"shorter than the file header", [] { return Cut(TwoRecords(), 31); }, TABLE_OPEN_FAILED, kDamaged},
        {"header only", [] { return Cut(TwoRecords(), 32); }, TABLE_OPEN_FAILED, kDamaged},
        {"descriptors cut by the end of the file", [] { return Cut(TwoRecords(), 32 + 32 + 20); }, TABLE_OPEN_FAILED,
         kDamaged},
        {"more descriptors claimed than the file holds",
         [] {
             DbfFile f = TwoRecords();
             f.headerLength = uint16_t(32 + 32 * 6 + 1);
             f.terminator = false;
             f.records.clear();
             return f.Bytes().substr(0, 32 + 32 * 2);
         },
         TABLE_OPEN_FAILED, kDamaged},
        {"a descriptor running past the header length",
         [] {
             DbfFile f = TwoRecords();
             f.headerLength = 40;
             return f.Bytes();
         },
         TABLE_OPEN_FAILED, kDamaged},
        {"header length 32",
         [] {
             DbfFile f = TwoRecords();
             f.headerLength = 32;
             return f.Bytes();
         },
         TABLE_OPEN_FAILED, kDamaged},
        {"header length 0",
         [] {
             DbfFile f = TwoRecords();
             f.headerLength = 0;
             return f.Bytes();
         },
         TABLE_OPEN_FAILED, kDamaged},
        {"field widths beyond the record length",
         [] {
             DbfFile f = TwoRecords();
             f.recordLength = 4 + 5;  // no room left for the deletion flag
             return f.Bytes();
         },
         TABLE_OPEN_FAILED, kDamaged},
        {"a field far beyond a short record",
         [] {
             DbfFile f = TwoRecords();
             f.fields.push_back({"WIDE", 'C', 255});
             f.recordLength = 12;
             return f.Bytes();
         },
         TABLE_OPEN_FAILED, kDamaged},
        {"record length 0",
         [] {
             DbfFile f = TwoRecords();
             f.recordLength = 0;
             return f.Bytes();
         },
         TABLE_OPEN_FAILED, kDamaged},
        {"a type letter this source does not read",
         [] {
             DbfFile f = TwoRecords();
             f.fields.push_back({"BIN", 'B', 10});
             return f.Bytes();
         },
         TABLE_OPEN_FAILED, "Error\nUnkown or unsupported data type for column  [BIN]\n\n"},
        {"a lower-case type letter",
         [] {
             DbfFile f = TwoRecords();
             f.fields[1].type = 'n';
             return f.Bytes();
         },
         TABLE_OPEN_FAILED, "Error\nUnkown or unsupported data type for column  [X]\n\n"},
        {"more records claimed than present",
         [] {
             DbfFile f = TwoRecords();
             f.recordCount = 5;
             return f.Bytes();
         },
         TABLE_READ_FAILED, kReadError, 2},
        {"the largest record count",
         [] {
             DbfFile f = TwoRecords();
             f.recordCount = 0xFFFFFFFFu;
             return f.Bytes();
         },
         TABLE_READ_FAILED, kReadError, 2},
        {"the last record cut short",
         [] {
             std::string bytes = TwoRecords().Bytes();
             return bytes.substr(0, bytes.size() - 4);
         },
         TABLE_READ_FAILED, kReadError, 1},
        {"records placed beyond the end of the file",
         [] {
             DbfFile f = TwoRecords();
             f.headerLength = 0xFFFF;
             return f.Bytes();
         },
         TABLE_READ_FAILED, kReadError},
    };
    TempDir dir;
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("bad.dbf");
        DbfFile::WriteBytes(path, c.bytes());
        EntryResult entry;
        RunEntry(entry, path);
        EXPECT_EQ(entry.status, c.status);
        LoggedRead logged(path);
        EXPECT_EQ(logged.Log(), c.log);
        EXPECT_EQ(logged.rows.GetSize(), c.rowsLeft);
        // Records read before a failure stay in the rows.
        if (c.rowsLeft > 0) {
            EXPECT_EQ(logged.rows[0]->m_DataCells[0]->GetText(), "A");
        }
    }
}

TEST(DbfBadInput, MissingFileOrDirectoryFailsToOpen) {
    TempDir dir;
    const std::string missing = dir.File("missing.dbf");
    EntryResult entry;
    RunEntry(entry, missing);
    EXPECT_EQ(entry.status, TABLE_OPEN_FAILED);
    EXPECT_EQ(LoggedRead(missing).Log(), "Error\nUnable to open table [" + missing + "]\n\n");

    EntryResult folder;
    RunEntry(folder, dir.path.string());
    EXPECT_EQ(folder.status, TABLE_OPEN_FAILED);
}

// A name that fills its 11 bytes has no zero byte: it is those 11 bytes, and
// nothing of the type letter or the bytes after it.
TEST(DbfBadInput, NameWithoutZeroByteIsItsElevenBytes) {
    TempDir dir;
    DbfFile f;
    f.fields = {{"ROWNAMES", 'C', 4}, {"ABCDEFGHIJK", 'N', 5}};
    f.records = {{{"A", "3"}}};
    f.Write(dir.File("name.dbf"));
    EntryResult r;
    RunEntry(r, dir.File("name.dbf"), "ROWNAMES", "*", "ABCDEFGHIJK");
    ASSERT_EQ(r.status, TABLE_READ_OK);
    ASSERT_EQ(r.columnHeadings.GetSize(), 1);
    EXPECT_EQ(r.Heading(0), "ABCDEFGHIJK");
    EXPECT_DOUBLE_EQ(r.Cell(0, 0).GetDouble(), 3.0);
}

// Widths of 255 everywhere and bytes of every value in the fields: nothing is
// read past a field, and a zero byte ends a field's text.
TEST(DbfBadInput, WideFieldsAndArbitraryBytesStayInsideTheirField) {
    TempDir dir;
    DbfFile f;
    f.fields = {{"ROWNAMES", 'C', 255}, {"D", 'D', 255}, {"N", 'N', 255}, {"L", 'L', 255}, {"M", 'M', 255}};
    std::string noise;
    for (int i = 0; i < 255; ++i) noise += char(255 - i);
    f.records = {{{"K" + noise.substr(0, 254), noise, noise, noise, noise}},
                 {{std::string("Z\0tail", 6), "2024", "9", "T", std::string(255, 'x')}}};
    f.Write(dir.File("wide.dbf"));
    EntryResult r;
    RunEntry(r, dir.File("wide.dbf"));
    ASSERT_EQ(r.status, TABLE_READ_OK);
    ASSERT_EQ(r.rows.GetSize(), 2);
    EXPECT_EQ(r.Cell(1, 0).GetText(), "Z");
    EXPECT_EQ(r.Cell(1, 1).GetDate().m_status, COleDateTime::invalid);  // "2024" has no month or day
    EXPECT_DOUBLE_EQ(r.Cell(1, 2).GetDouble(), 9.0);
    EXPECT_EQ(r.Cell(1, 3).GetAsInt(), 1);
    EXPECT_EQ(r.Cell(1, 4).GetText().size(), 255u);
}

}  // namespace
}  // namespace dbf_test
