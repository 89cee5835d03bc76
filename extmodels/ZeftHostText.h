#pragma once
// Small helpers shared by the session and the block building: host text
// buffers and name rewriting.
#include "extmodels/ZeftHostApi.h"
#include "platform/oleauto/ScopedVariant.h"

#include <cstring>
#include <string>

namespace dulo {

inline void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// A host name buffer as text, whatever the host left in it.
inline std::string BufferText(const char* buffer) { return std::string(buffer, strnlen(buffer, kZeftNameBufferSize)); }

}  // namespace dulo
