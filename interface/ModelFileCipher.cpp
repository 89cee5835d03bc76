// The model-file cipher for hosts, file to file (dulo encipher / decipher).
#include "dulo/DuloModelDataLib.h"
#include "interface/ExportGuard.h"
#include "xml/ReadModelText.h"

#include <fstream>
#include <sstream>
#include <string>

namespace {

int Convert(const char* inPath, const char* outPath, bool encipher) {
    if (!inPath) return 0;
    std::ifstream in(inPath, std::ios::binary);
    if (!in) return 0;
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string result;
    const bool ok =
        encipher ? dulo::EncipherModelText(buffer.str(), result) : dulo::DecipherModelText(buffer.str(), result);
    if (!ok) return 2;
    if (!outPath) return 3;
    std::ofstream out(outPath, std::ios::binary);
    out << result;
    return out.flush() ? 1 : 3;
}

}  // namespace

// Nothing may leave the library: what throws (memory running out) counts as a
// text that did not convert.
extern "C" int DuloEncipherModelFile(const char* inPath, const char* outPath) {
    return dulo::ExportGuard(2, [&] { return Convert(inPath, outPath, true); });
}

extern "C" int DuloDecipherModelFile(const char* inPath, const char* outPath) {
    return dulo::ExportGuard(2, [&] { return Convert(inPath, outPath, false); });
}
