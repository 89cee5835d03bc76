#pragma once
// Registry values from an INI-style file: the file named by DULO_REGISTRY
// (default $XDG_CONFIG_HOME/dulo/registry.ini, then ~/.config/dulo/registry.ini).
//
//   ; a comment          # also a comment
//   [HKLM\SOFTWARE\Vendor\Product\1.0]
//   Name=value
//
// Section headers are key paths, compared without regard to case and without a
// trailing backslash; value names also compare without regard to case; values
// are strings (blanks around them removed; one pair of double quotes around a
// value is taken off, so that a value may keep blanks of its own).
#include <optional>
#include <string>
#include <string_view>

namespace dulo {

// The path of the registry file in use.
std::string RegistryFilePath();

// The string value name under key (for example "HKLM\\SOFTWARE\\Vendor\\Tool");
// nothing when the file, the key or the value does not exist.
std::optional<std::string> ReadRegistryString(std::string_view key, std::string_view name);

// Whether a section for key exists in the file (a key may hold no values).
bool RegistryKeyExists(std::string_view key);

}  // namespace dulo
