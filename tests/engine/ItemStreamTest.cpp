// The sheet's rows read from a part as it is inflated: however the document
// is cut into pieces, the rows handed over, the text around the container and
// the verdict must be those of the document given whole.
#include "platform/engine/XmlChunks.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using dulo::engine::ItemStream;

struct Outcome {
    bool ok = false;
    std::vector<std::string> items;  // each item as pugixml prints it
    std::string outside;

    bool operator==(const Outcome& o) const { return ok == o.ok && items == o.items && outside == o.outside; }
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    out << (o.ok ? "ok" : "refused") << ", " << o.items.size() << " items, outside \"" << o.outside << "\"";
    return out;
}

// Feeds xml in pieces of piece bytes (0: whole).
Outcome Read(const std::string& xml, const char* container, const char* item, size_t slice, size_t piece) {
    Outcome out;
    ItemStream stream(
        container, item,
        [&](const pugi::xml_node& node) {
            std::ostringstream text;
            node.print(text, "", pugi::format_raw);
            out.items.push_back(text.str());
        },
        &out.outside, slice);
    bool ok = true;
    if (piece == 0) piece = xml.size() + 1;
    for (size_t pos = 0; ok && pos < xml.size(); pos += piece)
        ok = stream.Add(std::string_view(xml).substr(pos, piece));
    out.ok = ok && stream.Finish();
    return out;
}

std::string Rows(int n, const char* prefix = "") {
    std::string rows;
    for (int r = 1; r <= n; ++r) {
        std::string p = prefix;
        rows += "<" + p + "row r=\"" + std::to_string(r) + "\"><" + p + "c r=\"A" + std::to_string(r) + "\"><" + p +
                "v>" + std::to_string(r * 1.5) + "</" + p + "v></" + p + "c></" + p + "row>";
    }
    return rows;
}

struct Document {
    const char* name;
    std::string xml;
    bool ok;
    size_t items;
    std::string outside;  // checked when not empty
};

std::vector<Document> Documents() {
    const std::string head = "<?xml version=\"1.0\"?><worksheet><dimension ref=\"A1:A60\"/>";
    const std::string tail = "<mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells></worksheet>";
    return {
        {"plain sheet", head + "<sheetData>" + Rows(60) + "</sheetData>" + tail, true, 60,
         head + "<sheetData></sheetData>" + tail},
        {"prefixed names", "<x:worksheet><x:sheetData>" + Rows(40, "x:") + "</x:sheetData></x:worksheet>", true, 40,
         "<x:worksheet><x:sheetData></x:sheetData></x:worksheet>"},
        {"'>' inside quotes", "<w><sheetData note=\"a>b\"><row r=\"1\" t='x>y'><c/></row><row r='2 > 1'/>" +
                                  Rows(20) + "</sheetData ></w>",
         true, 22, "<w><sheetData note=\"a>b\"></sheetData ></w>"},
        {"empty container", "<w><sheetData/><cols><col min=\"1\" max=\"2\" width=\"9\"/></cols></w>", true, 0,
         "<w><sheetData/><cols><col min=\"1\" max=\"2\" width=\"9\"/></cols></w>"},
        {"no container", "<w><cols/></w>", true, 0, "<w><cols/></w>"},
        {"names that only start like it", "<w><sheetDataX><row/></sheetDataX><sheetData>" + Rows(5) +
                                              "</sheetData><sheetDataX/></w>",
         true, 5, "<w><sheetDataX><row/></sheetDataX><sheetData></sheetData><sheetDataX/></w>"},
        {"comments and text between rows",
         "<w><sheetData>\n <!-- a comment --> " + Rows(10) + " text <row r=\"11\"/>\n</sheetData></w>", true, 11, ""},
        {"no end to the container", "<w><sheetData>" + Rows(30), false, 0, ""},
        {"start tag that never ends", "<w><sheetData r='1 " + Rows(3) + "</sheetData></w>", false, 0, ""},
        {"a row that does not parse", "<w><sheetData>" + Rows(30) + "<row><c></row>" + Rows(30) + "</sheetData></w>",
         false, 0, ""},
    };
}

TEST(ItemStream, PiecesChangeNothingTheWholeDocumentWouldGive) {
    for (const Document& doc : Documents()) {
        for (size_t slice : {size_t(1), size_t(64), size_t(300), ItemStream::kSliceBytes}) {
            SCOPED_TRACE(testing::Message() << doc.name << ", slices of " << slice);
            const Outcome whole = Read(doc.xml, "sheetData", "row", slice, 0);
            EXPECT_EQ(whole.ok, doc.ok);
            if (doc.ok) {
                EXPECT_EQ(whole.items.size(), doc.items);
                if (!doc.outside.empty()) {
                    EXPECT_EQ(whole.outside, doc.outside);
                }
            }
            for (size_t piece : {1, 2, 3, 7, 64, 1000}) {
                SCOPED_TRACE(testing::Message() << "pieces of " << piece);
                EXPECT_EQ(Read(doc.xml, "sheetData", "row", slice, piece), whole);
            }
        }
    }
}

// A sheet of many slices: every row once, in order.
TEST(ItemStream, ReadsManySlicesInOrder) {
    const std::string xml = "<worksheet><sheetData>" + Rows(5000) + "</sheetData></worksheet>";
    ASSERT_GT(xml.size(), 20 * size_t(4096));
    const Outcome out = Read(xml, "sheetData", "row", 4096, 1000);
    ASSERT_TRUE(out.ok);
    ASSERT_EQ(out.items.size(), 5000u);
    EXPECT_EQ(out.items.front(), "<row r=\"1\"><c r=\"A1\"><v>1.500000</v></c></row>");
    EXPECT_EQ(out.items.back(), "<row r=\"5000\"><c r=\"A5000\"><v>7500.000000</v></c></row>");
    EXPECT_EQ(out.outside, "<worksheet><sheetData></sheetData></worksheet>");
}

}  // namespace
