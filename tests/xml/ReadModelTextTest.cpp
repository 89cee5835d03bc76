#include "TempDir.h"

#include "platform/bridge/ModelFileBridge.h"
#include "xml/ReadModelText.h"

#include <gtest/gtest.h>

#include <memory>
#include <fstream>
#include <filesystem>

namespace {

const char kXml[] = "<?xml version=\"1.0\"?>\n<DuloConfiguration><Version>19.9.112</Version></DuloConfiguration>\n";
const char kBom[] = "\xEF\xBB\xBF";

// text (ASCII and the one non-ASCII character U+00E9) as UTF-16 with its mark.
std::string Utf16(std::string_view text, bool little) {
    std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t u = static_cast<unsigned char>(text[i]);
        if (text.substr(i, 2) == "\xC3\xA9") u = 0xE9, ++i;
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += little ? std::string{lo, hi} : std::string{hi, lo};
    }
    return out;
}

std::string Encipher(std::string_view plain) {
    std::string text;
    EXPECT_TRUE(dulo::EncipherModelText(plain, text));
    return text;
}

struct Bridge {
    Bridge() : p(CModelFileBridge::Create()) { EXPECT_TRUE(p && p->Initialize()); }
    ~Bridge() { CModelFileBridge::Destroy(p); }
    CModelFileBridge* p;
};

TEST(ReadModelText, PlainAndEncipheredFiles) {
    TempDir dir;
    const std::string cipher = Encipher(kXml);
    std::string damaged = cipher;
    damaged[damaged.size() / 2] = damaged[damaged.size() / 2] == 'A' ? 'B' : 'A';
    std::string otherKey;
    {
        Bridge bridge;
        ASSERT_TRUE(bridge.p->Encode(kXml, std::string(64, 'a'), otherKey));
    }

    struct Case {
        const char* what;
        std::string bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", kXml, kXml},
        {"plain with byte-order mark", std::string(kBom) + kXml, kXml},
        {"enciphered", cipher, kXml},
        {"enciphered, line feed after", cipher + "\n", kXml},
        {"enciphered, wrapped lines", cipher.substr(0, 20) + "\r\n" + cipher.substr(20), kXml},
        {"enciphered with byte-order mark", std::string(kBom) + cipher, kXml},
        {"enciphered plain with byte-order mark", Encipher(std::string(kBom) + kXml), kXml},
        {"empty file", "", ""},
        {"only a byte-order mark", kBom, ""},
        {"blank before the XML", std::string(" ") + kXml, ""},
        {"damaged cipher text", damaged, ""},
        {"truncated cipher text", cipher.substr(0, cipher.size() - 8), ""},
        {"too short to hold nonce and tag", "QUJDRA==", ""},
        {"other key", otherKey, ""},
        {"not Base64", "this is not a model file", ""},
        {"Base64 with bad padding", "QU=JD", ""},
        {"binary", std::string("\x00\x01\xFF\xFE", 4), ""},
        {"UTF-16 LE with its mark", Utf16(kXml, true), kXml},
        {"UTF-16 BE with its mark", Utf16(kXml, false), kXml},
        {"UTF-16 LE, non-ASCII text", Utf16("<a>caf\xC3\xA9</a>", true), "<a>caf\xC3\xA9</a>"},
        {"UTF-16 LE, odd last byte", Utf16("<a/>", true) + "x", "<a/>\xEF\xBF\xBD"},
        {"UTF-16 enciphered", Utf16(cipher, true), kXml},
        {"only a UTF-16 mark", "\xFF\xFE", ""},
        {"malformed UTF-8 in plain text", "<a>\xC3(</a>", "<a>\xEF\xBF\xBD(</a>"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.Write("DuloModel.dulx", c.bytes);
        EXPECT_EQ(dulo::ReadModelText(path), c.expected) << c.what;
    }
}

TEST(ReadModelText, CipherTextIsBase64AndNeverLooksLikeXml) {
    const std::string a = Encipher(kXml), b = Encipher(kXml);
    EXPECT_NE(a, b) << "every text gets a fresh nonce";
    for (const std::string& t : {a, b, Encipher("")}) {
        ASSERT_FALSE(t.empty());
        EXPECT_NE(t[0], '<');
        EXPECT_EQ(t.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
                  std::string::npos);
    }
    std::string plain = "stale";
    EXPECT_TRUE(dulo::DecipherModelText(Encipher(""), plain));
    EXPECT_EQ(plain, "");
    EXPECT_TRUE(dulo::DecipherModelText(b, plain));
    EXPECT_EQ(plain, kXml);
}

TEST(ReadModelText, BridgeRejectsBadKeys) {
    Bridge bridge;
    std::string text, plain;
    const std::string goodKey(64, '0');
    ASSERT_TRUE(bridge.p->Encode("x", goodKey, text));
    const std::string badKeys[] = {"", std::string(63, '0'), std::string(65, '0'), std::string(63, '0') + "g"};
    for (const std::string& key : badKeys) {
        std::string out = "stale";
        EXPECT_FALSE(bridge.p->Encode("x", key, out)) << key;
        EXPECT_EQ(out, "");
        plain = "stale";
        EXPECT_FALSE(bridge.p->Decode(text, key, plain)) << key;
        EXPECT_EQ(plain, "");
    }
    EXPECT_TRUE(bridge.p->Decode(text, std::string(64, '0'), plain));
    EXPECT_EQ(plain, "x");
    // Hex digits in either case name the same key.
    std::string upper(64, 'A'), lower(64, 'a');
    ASSERT_TRUE(bridge.p->Encode("y", upper, text));
    EXPECT_TRUE(bridge.p->Decode(text, lower, plain));
    EXPECT_EQ(plain, "y");
}

TEST(ReadModelText, UninitialisedBridgeDoesNothing) {
    std::unique_ptr<CModelFileBridge, void (*)(CModelFileBridge*)> bridge(CModelFileBridge::Create(),
                                                                         &CModelFileBridge::Destroy);
    ASSERT_TRUE(bridge);
    std::string text;
    EXPECT_FALSE(bridge->Encode("x", std::string(64, '0'), text));
}

TEST(ReadModelText, MissingFileAndFileNames) {
    TempDir dir;
    EXPECT_EQ(dulo::ReadModelText(dir.File("DuloModel.dulx")), "");
    EXPECT_EQ(dulo::ReadModelText(""), "");
    EXPECT_EQ(dulo::ReadModelText(dir.Path()), "") << "a directory is no model file";

    dir.Write("dulomodel.DULX", kXml);
    // A name written on Windows finds the file whatever its case; backslashes read as "/".
    EXPECT_EQ(dulo::ReadModelText(dir.File("DuloModel.dulx")), kXml);
    std::string windows = dir.Path() + "\\DuloModel.dulx";
    EXPECT_EQ(dulo::ReadModelText(windows), kXml);
    EXPECT_EQ(dulo::FindModelFile(dir.File("DULOMODEL.dulx")), dir.File("dulomodel.DULX"));

    // Two spellings that differ only in case: no single match, so no file.
    dir.Write("DULOMODEL.dulx", kXml);
    EXPECT_EQ(dulo::ReadModelText(dir.File("DuloModel.dulx")), "");
    // The exact spelling still wins.
    EXPECT_EQ(dulo::ReadModelText(dir.File("DULOMODEL.dulx")), kXml);
}

// The folders of the path resolve without regard to case too, as they do for
// the table exports: one rule for every file the model names.
TEST(ReadModelText, FoldersWrittenInAnotherCase) {
    TempDir dir;
    std::filesystem::create_directories(dir.Path() + "/Models/Refinery");
    std::ofstream(dir.Path() + "/Models/Refinery/DuloModel.dulx", std::ios::binary) << kXml;
    EXPECT_EQ(dulo::ReadModelText(dir.Path() + "/MODELS/refinery/dulomodel.dulx"), kXml);
    EXPECT_EQ(dulo::ReadModelText(dir.Path() + "\\models\\REFINERY\\DuloModel.dulx"), kXml);
    EXPECT_EQ(dulo::ReadModelText(dir.Path() + "/Models/Other/DuloModel.dulx"), "");
}

}  // namespace
