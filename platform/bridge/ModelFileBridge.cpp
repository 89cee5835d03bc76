#include "platform/bridge/ModelFileBridge.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr size_t kKeyBytes = 32;
constexpr size_t kNonceBytes = 12;
constexpr size_t kTagBytes = 16;

using Bytes = std::vector<unsigned char>;
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool KeyFromHex(std::string_view hex, std::array<unsigned char, kKeyBytes>& key) {
    if (hex.size() != 2 * kKeyBytes) return false;
    for (size_t i = 0; i < kKeyBytes; ++i) {
        int hi = HexValue(hex[2 * i]), lo = HexValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        key[i] = static_cast<unsigned char>(hi * 16 + lo);
    }
    return true;
}

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64Encode(const Bytes& data) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        unsigned v = unsigned(data[i]) << 16 | unsigned(data[i + 1]) << 8 | data[i + 2];
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += kAlphabet[v >> 6 & 63];
        out += kAlphabet[v & 63];
    }
    if (size_t rest = data.size() - i; rest > 0) {
        unsigned v = unsigned(data[i]) << 16 | (rest == 2 ? unsigned(data[i + 1]) << 8 : 0u);
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += rest == 2 ? kAlphabet[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// Strict Base64: white space is skipped, anything else outside the alphabet,
// a length that is not a multiple of 4, or misplaced padding fails.
bool Base64Decode(std::string_view text, Bytes& out) {
    std::string clean;
    clean.reserve(text.size());
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        clean += c;
    }
    if (clean.size() % 4 != 0) return false;
    out.clear();
    out.reserve(clean.size() / 4 * 3);
    for (size_t i = 0; i < clean.size(); i += 4) {
        bool last = i + 4 == clean.size();
        int pad = 0;
        if (last && clean[i + 3] == '=') pad = clean[i + 2] == '=' ? 2 : 1;
        unsigned v = 0;
        for (size_t k = 0; k < 4; ++k) {
            int d = k >= 4 - size_t(pad) ? 0 : Base64Value(clean[i + k]);
            if (d < 0) return false;
            v = v << 6 | unsigned(d);
        }
        out.push_back(static_cast<unsigned char>(v >> 16));
        if (pad < 2) out.push_back(static_cast<unsigned char>(v >> 8));
        if (pad < 1) out.push_back(static_cast<unsigned char>(v));
    }
    return true;
}

}  // namespace

CModelFileBridge* CModelFileBridge::Create() noexcept { return new (std::nothrow) CModelFileBridge(); }

void CModelFileBridge::Destroy(CModelFileBridge* bridge) noexcept { delete bridge; }

bool CModelFileBridge::Initialize() noexcept {
    m_initialized = EVP_aes_256_gcm() != nullptr;
    return m_initialized;
}

bool CModelFileBridge::Decode(std::string_view text, std::string_view keyHex, std::string& plain) const {
    plain.clear();
    std::array<unsigned char, kKeyBytes> key{};
    Bytes blob;
    if (!m_initialized || !KeyFromHex(keyHex, key) || !Base64Decode(text, blob)) return false;
    if (blob.size() < kNonceBytes + kTagBytes) return false;
    const size_t cipherLen = blob.size() - kNonceBytes - kTagBytes;
    const unsigned char* nonce = blob.data();
    const unsigned char* cipher = nonce + kNonceBytes;
    unsigned char* tag = blob.data() + kNonceBytes + cipherLen;

    CipherCtx ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    Bytes out(cipherLen + 16);
    int len = 0, finalLen = 0;
    if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, int(kNonceBytes), nullptr) != 1 ||
        EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr, key.data(), nonce) != 1 ||
        EVP_DecryptUpdate(ctx.get(), out.data(), &len, cipher, int(cipherLen)) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, int(kTagBytes), tag) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), out.data() + len, &finalLen) != 1)
        return false;
    plain.assign(reinterpret_cast<const char*>(out.data()), size_t(len + finalLen));
    return true;
}

bool CModelFileBridge::Encode(std::string_view plain, std::string_view keyHex, std::string& text) const {
    text.clear();
    std::array<unsigned char, kKeyBytes> key{};
    if (!m_initialized || !KeyFromHex(keyHex, key) || plain.size() > size_t(INT32_MAX) - 64) return false;
    Bytes blob(kNonceBytes + plain.size() + 16 + kTagBytes);
    if (RAND_bytes(blob.data(), int(kNonceBytes)) != 1) return false;

    CipherCtx ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    unsigned char* cipher = blob.data() + kNonceBytes;
    int len = 0, finalLen = 0;
    if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1 ||
        EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, int(kNonceBytes), nullptr) != 1 ||
        EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, key.data(), blob.data()) != 1 ||
        EVP_EncryptUpdate(ctx.get(), cipher, &len, reinterpret_cast<const unsigned char*>(plain.data()),
                          int(plain.size())) != 1 ||
        EVP_EncryptFinal_ex(ctx.get(), cipher + len, &finalLen) != 1)
        return false;
    const size_t cipherLen = size_t(len + finalLen);
    if (EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, int(kTagBytes), cipher + cipherLen) != 1) return false;
    blob.resize(kNonceBytes + cipherLen + kTagBytes);
    text = Base64Encode(blob);
    return true;
}
