// Every .dbf of the shared corpus, when there are any: each opens or is
// refused with its message, and every record of an open one is read by its
// first field without failing.
#include "DbfSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dbf_test {
namespace {

std::vector<fs::path> CorpusDbfFiles() {
    std::vector<fs::path> files;
    std::error_code error;
    if (!fs::is_directory(DULO_CORPUS, error)) return files;
    for (auto it = fs::recursive_directory_iterator(DULO_CORPUS, error); !error && it != fs::end(it);
         it.increment(error)) {
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (ext == ".dbf" && it->is_regular_file()) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(DbfCorpus, EveryFileReadsOrIsRefusedWithItsMessage) {
    const std::vector<fs::path> files = CorpusDbfFiles();
    if (files.empty()) GTEST_SKIP() << "no .dbf files under " << DULO_CORPUS;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        LoggedRead probe;
        CIoTableDescription description;
        description.m_Strings[0] = file.string();
        if (!probe.table.OpenTable(description)) {
            EXPECT_NE(probe.Log().find("DBF"), std::string::npos) << probe.Log();
            continue;
        }
        ASSERT_GT(probe.table.GetColumnCount(), 0);
        const std::string key = probe.table.GetColumns()[0]->m_strName;
        probe.table.CloseTable(true);
        LoggedRead read(file.string(), key, "*", "*");
        EXPECT_TRUE(read.extracted) << read.Log();
        EXPECT_LE(read.rows.GetSize(), read.table.GetRecordCount());
        for (const CIoRow* row : read.rows) EXPECT_EQ(row->m_DataCells.GetSize(), read.table.GetColumnCount());
    }
}

}  // namespace
}  // namespace dbf_test
