#pragma once
// Reading the model file's text, plain or enciphered, and the two directions of
// the model-file cipher under the library's fixed model-file key.
#include <string>
#include <string_view>

namespace dulo {

// The file the path names: backslashes read as "/", and when nothing has that
// exact spelling, resolved without regard to case folder by folder
// (ResolvePathCase). Empty when that names no file.
std::string FindModelFile(const std::string& path);

// The whole text of the model file at path, as UTF-8: a missing file gives an
// empty text; a file whose first character (after a byte-order mark) is "<" is
// its own XML; any other file, an empty one included, is deciphered, and one
// that does not decipher gives an empty text. Never fails.
std::string ReadModelText(const std::string& path);

// File bytes to UTF-8 text by their byte-order mark: UTF-16 LE (FF FE) or BE
// (FE FF), else UTF-8 with its mark dropped; malformed text becomes U+FFFD.
std::string DecodeUtf8File(std::string_view bytes);

// The enciphered form of a plain model-file text (Base64, one line); false when
// the cipher is unavailable.
bool EncipherModelText(std::string_view plain, std::string& cipherText);
// The plain text of an enciphered one; false (plain empty) when it does not decipher.
bool DecipherModelText(std::string_view cipherText, std::string& plain);

}  // namespace dulo
