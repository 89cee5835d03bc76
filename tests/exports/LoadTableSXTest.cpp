// LoadTableSX: the model file's table list (plain, enciphered, damaged), the
// File texts, and the arrays built without a repeated-name check.
#include "ExportsSupport.h"

#include <fstream>

using namespace exports_test;
using Rows = std::vector<std::string>;

namespace {

int LoadSX(const std::string& directoryText, const std::string& table, ResultVariant& result) {
    DirectoryBuffer directory(directoryText);
    return LoadTableSX(directory.c_str(), table.c_str(), &result.v);
}

// A model directory whose workbooks are the fixtures' and whose model file is given.
struct ModelCopy {
    TempDir dir;
    explicit ModelCopy(const std::string& modelText) {
        for (const char* name : {"Book1.xls", "Tables"})
            fs::create_symlink(fs::path(ModelDir()) / name, dir.path / name);
        std::ofstream(dir.path / "DuloModel.dulx", std::ios::binary) << modelText;
    }
    std::string Path() const { return dir.path.string(); }
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const Rows kMergedPlain = {
    "ROWNAMES|TEXT|DATE|X|Y|Z||",
    "A|alpha|d:45352|1.5|2|||",
    "B|beta|d:45353|3.0000001|4|9||",
    "C|gamma|d:45354|5||||",
    "D|||7||8||",
    "|||||||",
};

}  // namespace

TEST(LoadTableSX, ReadsEveryEnabledFileOfTheTable) {
    // "PLAIN" and "plain" name one table; the disabled entries, the one without
    // Enabled and the ones without Name or File are passed over.
    for (std::string name : {"PLAIN", "Plain"}) {
        SCOPED_TRACE(name);
        ResultVariant result;
        ASSERT_EQ(LoadSX(ModelDir(), name, result), 1);
        EXPECT_EQ(Grid(result.v), kMergedPlain);
    }
}

TEST(LoadTableSX, DirectoryBufferForms) {
    for (std::string suffix : {"", "/", "\\", "   ", "\\ \t"}) {
        SCOPED_TRACE("suffix [" + suffix + "]");
        ResultVariant result;
        ASSERT_EQ(LoadSX(ModelDir() + suffix, "PLAIN", result), 1);
        EXPECT_EQ(Grid(result.v), kMergedPlain);
    }
}

TEST(LoadTableSX, RepeatedRowNamesAreNotChecked) {
    struct Case {
        const char* table;
        Rows grid;
    } cases[] = {
        {"MERGE",
         {"ROWNAMES|X|Y|TEXT||", "A|1|5|first||", "B|2|6|b||", "A|1.0000005||second||", "C||7|c||", "C|3||||",
          "|||||"}},
        {"CONFLICT", {"ROWNAMES|X||", "A|1||", "B|2||", "A|1.1||", "|||"}},
        // A fixed-list table: (rows + 1) x columns; its File text differs in case from the workbook.
        {"MBO_Tanks", {"Tank|Capacity|Product", "TK1|100|PRM", "TK2|200|", "TK1|300|PRM"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        ResultVariant result;
        ASSERT_EQ(LoadSX(ModelDir(), c.table, result), 1);
        EXPECT_EQ(Grid(result.v), c.grid);
    }
}

TEST(LoadTableSX, FileTextWithoutSheetReadsTheWorkbookWithAnEmptySheetName) {
    ResultVariant result;
    ASSERT_EQ(LoadSX(ModelDir(), "FIRST", result), 1);
    EXPECT_EQ(Grid(result.v), (Rows{"ROWNAMES|TEXT|DATE|X|Y||", "A|alpha|d:45352|1.5|2||", "B|beta|d:45353|3|4||",
                                    "C|gamma|d:45354|5|||", "||||||"}));
}

TEST(LoadTableSX, Outcomes) {
    TempDir empty;
    struct Case {
        const char* label;
        std::string directory;
        const char* table;
        int code;
    } cases[] = {
        {"table not listed", ModelDir(), "NOTLISTED", 1},
        {"only disabled entries", ModelDir(), "DISABLED", 1},
        {"no model file", empty.path.string(), "PLAIN", 1},
        {"directory of blanks", std::string(100, ' '), "PLAIN", 1},
        {"case table", ModelDir(), "CASE", 0},
        {"conflict between workbooks", ModelDir(), "BETWEEN", 0},
        {"[ at position 0: the whole text is the file name", ModelDir(), "LEADBRACKET", 0},
        {"no closing ]: the whole text is the file name", ModelDir(), "OPENBRACKET", 0},
        {"missing workbook", ModelDir(), "MISSINGBOOK", 0},
        {"missing sheet", ModelDir(), "MISSINGSHEET", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ResultVariant result;
        EXPECT_EQ(LoadSX(c.directory, c.table, result), c.code);
        EXPECT_TRUE(result.IsUntouched());
    }
}

TEST(LoadTableSX, DamagedModelFilesFail) {
    struct Case {
        const char* label;
        std::string text;
    } cases[] = {
        {"not XML", "<DuloConfiguration><Tables><Table><Name>PLAIN</Name>"},
        {"neither XML nor enciphered", "this is no model file"},
        {"empty file", ""},
        {"Base64 that does not decipher", "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVo="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ModelCopy model(c.text);
        ResultVariant result;
        EXPECT_EQ(LoadSX(model.Path(), "PLAIN", result), 0);
        EXPECT_TRUE(result.IsUntouched());
    }
}

TEST(LoadTableSX, EncipheredModelFileIsDecoded) {
    ModelCopy model("");
    fs::path plain = fs::path(ModelDir()) / "DuloModel.dulx";
    fs::path enciphered = model.dir.path / "DuloModel.dulx";
    ASSERT_EQ(RunDulo("encipher \"" + plain.string() + "\" \"" + enciphered.string() + "\""), 0);
    ASSERT_NE(ReadFile(enciphered).substr(0, 1), "<");
    ResultVariant result;
    ASSERT_EQ(LoadSX(model.Path(), "MERGE", result), 1);
    EXPECT_EQ(DimsOf(result.v), (Dims{7, 6}));
}

// A model file saved as UTF-16 (by its byte-order mark, either byte order) reads
// like the UTF-8 one. The fixture's text is ASCII, so each byte becomes a unit.
TEST(LoadTableSX, ModelFileInUtf16) {
    const std::string text = ReadFile(fs::path(ModelDir()) / "DuloModel.dulx");
    ASSERT_EQ(text.substr(0, 1), "<");
    for (bool little : {true, false}) {
        SCOPED_TRACE(little ? "UTF-16 LE" : "UTF-16 BE");
        std::string utf16 = little ? "\xFF\xFE" : "\xFE\xFF";
        for (char ch : text) utf16 += little ? std::string{ch, '\0'} : std::string{'\0', ch};
        ModelCopy model(utf16);
        ResultVariant result;
        ASSERT_EQ(LoadSX(model.Path(), "PLAIN", result), 1);
        EXPECT_EQ(Grid(result.v), kMergedPlain);
    }
}

TEST(LoadTableSX, ModelFileNameWrittenInAnotherCase) {
    ModelCopy model("");
    fs::remove(model.dir.path / "DuloModel.dulx");
    fs::copy_file(fs::path(ModelDir()) / "DuloModel.dulx", model.dir.path / "dulomodel.DULX");
    ResultVariant result;
    ASSERT_EQ(LoadSX(model.Path(), "MBO_Tanks", result), 1);
    EXPECT_EQ(DimsOf(result.v), (Dims{4, 3}));
}

TEST(LoadTableSX, NullArguments) {
    ResultVariant result;
    EXPECT_EQ(LoadTableSX(nullptr, "PLAIN", &result.v), 1);  // no directory: no model file
    DirectoryBuffer directory(ModelDir());
    EXPECT_EQ(LoadTableSX(directory.c_str(), nullptr, &result.v), 0);
    EXPECT_EQ(LoadTableSX(directory.c_str(), "PLAIN", nullptr), 0);
    EXPECT_TRUE(result.IsUntouched());
}
