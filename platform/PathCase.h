#pragma once
// File names written on Windows name their files without regard to case.
#include <string>

namespace dulo {

// The path itself when something exists there; otherwise, component by component
// from the first missing one, the only entry of the parent directory whose name
// matches without regard to (ASCII) case. With none or several such entries the
// path is returned unchanged, so that it reads as missing.
std::string ResolvePathCase(const std::string& path);

}  // namespace dulo
