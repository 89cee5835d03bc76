// The helpers a host calls besides the exports: the UTF-8 form of a BSTR and the
// model-file cipher, through the public header only.
#include "dulo/DuloModelDataLib.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

struct ScratchDir {
    std::string path;
    ScratchDir() {
        char name[] = "/tmp/dulo-host-XXXXXX";
        if (mkdtemp(name)) path = name;
    }
    ~ScratchDir() {
        if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
    }
};

}  // namespace

TEST(HostUtf8, WholeTextSizedFirstThenCopied) {
    // "Zürich €" : ü takes two bytes, € three.
    const char16_t wide[] = u"Z\u00fcrich \u20ac";
    BSTR text = SysAllocString(wide);
    ASSERT_NE(text, nullptr);
    const int length = DuloUtf8FromBstr(text, nullptr, 0);
    EXPECT_EQ(length, 11);
    std::string buffer(size_t(length) + 1, 'x');
    EXPECT_EQ(DuloUtf8FromBstr(text, buffer.data(), length + 1), length);
    EXPECT_EQ(buffer, std::string("Z\xc3\xbcrich \xe2\x82\xac") + '\0');
    SysFreeString(text);
}

TEST(HostUtf8, ShortBufferKeepsWholeCharactersAndTerminates) {
    BSTR text = SysAllocString(u"a\u20acb");  // 'a', three bytes, 'b'
    ASSERT_NE(text, nullptr);
    struct Case {
        int size;
        std::string expected;
    };
    const Case cases[] = {{1, ""}, {2, "a"}, {3, "a"}, {4, "a"}, {5, "a\xe2\x82\xac"}, {6, "a\xe2\x82\xac" "b"}};
    for (const Case& c : cases) {
        char buffer[8];
        std::fill(std::begin(buffer), std::end(buffer), 'x');
        EXPECT_EQ(DuloUtf8FromBstr(text, buffer, c.size), 5) << c.size;
        EXPECT_EQ(std::string(buffer), c.expected) << c.size;
        EXPECT_EQ(buffer[c.size], 'x') << "wrote past the buffer of " << c.size;
    }
    SysFreeString(text);
}

TEST(HostUtf8, NullBstrIsTheEmptyText) {
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(DuloUtf8FromBstr(nullptr, buffer, 4), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(DuloUtf8FromBstr(nullptr, nullptr, 0), 0);
}

TEST(HostCipher, EncipheredFileDeciphersToTheSameBytes) {
    ScratchDir dir;
    ASSERT_FALSE(dir.path.empty());
    const std::string plain = "<?xml version=\"1.0\"?>\n<DuloModel><Settings/></DuloModel>\n";
    WriteFile(dir.path + "/plain.dulx", plain);
    ASSERT_EQ(DuloEncipherModelFile((dir.path + "/plain.dulx").c_str(), (dir.path + "/cipher.dulx").c_str()), 1);
    const std::string cipher = ReadFile(dir.path + "/cipher.dulx");
    ASSERT_FALSE(cipher.empty());
    EXPECT_NE(cipher[0], '<');
    EXPECT_EQ(cipher.find("DuloModel"), std::string::npos);
    ASSERT_EQ(DuloDecipherModelFile((dir.path + "/cipher.dulx").c_str(), (dir.path + "/back.dulx").c_str()), 1);
    EXPECT_EQ(ReadFile(dir.path + "/back.dulx"), plain);
}

TEST(HostCipher, EachFailureHasItsCodeAndWritesNothing) {
    ScratchDir dir;
    ASSERT_FALSE(dir.path.empty());
    const std::string out = dir.path + "/out.dulx";
    WriteFile(dir.path + "/plain.dulx", "<DuloModel/>");
    WriteFile(dir.path + "/not-cipher.dulx", "this is no enciphered text");
    EXPECT_EQ(DuloEncipherModelFile((dir.path + "/missing").c_str(), out.c_str()), 0);
    EXPECT_EQ(DuloDecipherModelFile((dir.path + "/missing").c_str(), out.c_str()), 0);
    EXPECT_EQ(DuloDecipherModelFile(nullptr, out.c_str()), 0);
    EXPECT_EQ(DuloDecipherModelFile((dir.path + "/not-cipher.dulx").c_str(), out.c_str()), 2);
    EXPECT_EQ(access(out.c_str(), F_OK), -1) << "a failed conversion wrote " << out;
    EXPECT_EQ(DuloEncipherModelFile((dir.path + "/plain.dulx").c_str(), (dir.path + "/no/such/dir").c_str()), 3);
    EXPECT_EQ(DuloEncipherModelFile((dir.path + "/plain.dulx").c_str(), nullptr), 3);
}
