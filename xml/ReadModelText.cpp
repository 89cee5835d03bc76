#include "xml/ReadModelText.h"

#include "platform/PathCase.h"
#include "platform/TextConv.h"
#include "platform/bridge/ModelFileBridge.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

namespace dulo {

namespace {

// The key that every enciphered model file of the product is written under.
constexpr std::string_view kModelFileKey = "2b4790573ff62df51d012fcf6e680474b13918acfaf39ec05e7bcd9112713668";

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

struct BridgeDeleter {
    void operator()(CModelFileBridge* b) const { CModelFileBridge::Destroy(b); }
};

std::unique_ptr<CModelFileBridge, BridgeDeleter> StartBridge() {
    std::unique_ptr<CModelFileBridge, BridgeDeleter> bridge(CModelFileBridge::Create());
    if (bridge && !bridge->Initialize()) bridge.reset();
    return bridge;
}

}  // namespace

std::string FindModelFile(const std::string& path) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p.empty()) return std::string();
    p = ResolvePathCase(p);
    return IsRegularFile(p) ? p : std::string();
}

std::string DecodeUtf8File(std::string_view bytes) {
    if (bytes.size() >= 2 && (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")) {
        const bool little = bytes[0] == '\xFF';
        bytes.remove_prefix(2);
        std::u16string units;
        units.reserve(bytes.size() / 2);
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const auto lo = static_cast<unsigned char>(bytes[i + (little ? 0 : 1)]);
            const auto hi = static_cast<unsigned char>(bytes[i + (little ? 1 : 0)]);
            units.push_back(static_cast<char16_t>(lo | hi << 8));
        }
        // A lone last byte is half a character: it stands for one that is lost.
        if (bytes.size() % 2) units.push_back(u'\uFFFD');
        return Utf16ToUtf8(units);
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    // Through UTF-16 so that malformed sequences come out as U+FFFD.
    return Utf16ToUtf8(Utf8ToUtf16(bytes));
}

std::string ReadModelText(const std::string& path) {
    std::string file = FindModelFile(path);
    if (file.empty()) return std::string();
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::string();
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string text = DecodeUtf8File(bytes);
    if (!text.empty() && text[0] == '<') return text;
    std::string plain;
    if (!DecipherModelText(text, plain)) return std::string();
    return DecodeUtf8File(plain);
}

bool EncipherModelText(std::string_view plain, std::string& cipherText) {
    cipherText.clear();
    auto bridge = StartBridge();
    return bridge && bridge->Encode(plain, kModelFileKey, cipherText);
}

bool DecipherModelText(std::string_view cipherText, std::string& plain) {
    plain.clear();
    auto bridge = StartBridge();
    return bridge && bridge->Decode(cipherText, kModelFileKey, plain);
}

}  // namespace dulo
