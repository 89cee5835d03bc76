#pragma once
// The bridge that enciphers and deciphers model-file texts: AES-256-GCM keyed
// by 64 hexadecimal characters; the enciphered text is Base64 of nonce (12
// bytes), ciphertext and tag (16 bytes), so it never begins with "<".
#include <string>
#include <string_view>

class CModelFileBridge {
public:
    // A new instance, or null when it cannot be made; release it with Destroy.
    static CModelFileBridge* Create() noexcept;
    static void Destroy(CModelFileBridge* bridge) noexcept;

    // False when the cipher is not available.
    bool Initialize() noexcept;

    // Deciphers text (white space inside it is ignored). False, with plain
    // emptied, when the key is not 64 hex digits, the text is not Base64, is too
    // short, or fails authentication (wrong key, damaged text).
    bool Decode(std::string_view text, std::string_view keyHex, std::string& plain) const;
    // Enciphers plain under a fresh random nonce. False when the key is bad.
    bool Encode(std::string_view plain, std::string_view keyHex, std::string& text) const;

private:
    CModelFileBridge() = default;
    bool m_initialized = false;
};
