// The kind of a workbook comes from its content; the extension only tells
// comma-separated text from other text.
#include "Builders.h"
#include "EngineHelpers.h"
#include "platform/engine/BookLoader.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace dulo::engine;
using namespace enginetest;

namespace {

std::string WriteBytes(const std::string& name, const std::string& bytes) {
    std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string CopyOf(const std::string& from, const std::string& name) {
    std::ifstream in(from, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return WriteBytes(name, bytes);
}

std::string Zip(const std::string& name, const Parts& parts) {
    std::string path = TempPath(name);
    WriteZip(path, parts);
    return path;
}

const std::string kBinaryType = "application/vnd.ms-excel.sheet.binary.macroEnabled.main";

std::string Rels(const std::string& workbookPart) {
    return "<Relationships><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
           "relationships/officeDocument\" Target=\"" + workbookPart + "\"/></Relationships>";
}

TEST(EngineDetection, KindByContent) {
    const std::string lotusBof = std::string("\0\0\2\0\6\4", 6) + std::string("\1\0\0\0", 4);
    struct Case {
        const char* what;
        std::string path;
        BookKind kind;
    };
    const Case cases[] = {
        {"compound document", Fixture("book.xls"), BookKind::Biff8},
        {"OOXML package", Fixture("book.xlsx"), BookKind::Xlsx},
        {"OOXML package named .csv", CopyOf(Fixture("book.xlsx"), "package.csv"), BookKind::Xlsx},
        {"compound document named .xlsx", CopyOf(Fixture("book.xls"), "compound.xlsx"), BookKind::Biff8},
        {"package without content types", Zip("bare.xlsx", XlsxParts({{"S", SheetXml("")}})), BookKind::Xlsx},
        {"binary workbook by the content type of its workbook part",
         Zip("binary.zip", {{"_rels/.rels", Rels("bin/book.bin")},
                            {"[Content_Types].xml", "<Types><Default Extension=\"bin\" ContentType=\"" + kBinaryType +
                                                        "\"/></Types>"}}),
         BookKind::Xlsb},
        {"binary workbook by an override",
         Zip("override.zip", {{"_rels/.rels", Rels("xl/workbook.bin")},
                              {"[Content_Types].xml", "<Types><Override PartName=\"/XL/Workbook.bin\" ContentType=\"" +
                                                          kBinaryType + "\"/></Types>"}}),
         BookKind::Xlsb},
        {"XML workbook where binary parts exist too",
         Zip("mixed.zip", {{"_rels/.rels", Rels("wtf/workbook.xml")},
                           {"[Content_Types].xml", "<Types><Default Extension=\"bin\" ContentType=\"" + kBinaryType +
                                                       "\"/></Types>"}}),
         BookKind::Xlsx},
        {"OpenDocument spreadsheet", Zip("sheet.zip", {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}}),
         BookKind::Ods},
        {"OpenDocument text", Zip("letter.ods", {{"mimetype", "application/vnd.oasis.opendocument.text"}}),
         BookKind::Unknown},
        {"Lotus BOF", WriteBytes("sheet.dat", lotusBof), BookKind::Lotus},
        {"Lotus BOF of an unknown release", WriteBytes("odd.wk1", std::string("\0\0\2\0\x99\4", 6)), BookKind::Unknown},
        {"csv text", Fixture("text.csv"), BookKind::Csv},
        {"upper-case extension", WriteBytes("UPPER.CSV", "a,b\n"), BookKind::Csv},
        {"empty csv", WriteBytes("empty.csv", ""), BookKind::Csv},
        {"other text", WriteBytes("notes.txt", "a,b\n"), BookKind::Unknown},
        {"text without extension", WriteBytes("csv", "a,b\n"), BookKind::Unknown},
        {"binary bytes named .csv", WriteBytes("binary.csv", std::string("a\0b", 3)), BookKind::Unknown},
        {"missing file", TempPath("no-such-file.csv"), BookKind::Unknown},
    };
    for (const Case& c : cases) EXPECT_EQ(DetectBookKind(c.path), c.kind) << c.what;
}

TEST(EngineDetection, AFileOfNoKnownKindDoesNotOpen) {
    auto app = CreateEngineApplication();
    for (const std::string& path : {WriteBytes("notes.txt", "a,b\n"), WriteBytes("letter.doc", "\x7F" "ELF")}) {
        EXPECT_THROW(app->Workbooks()->Open(path, 0, true), AutomationError) << path;
    }
    EXPECT_EQ(app->Workbooks()->Count(), 0);
}

}  // namespace
