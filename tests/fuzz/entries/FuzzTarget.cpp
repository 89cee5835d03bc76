// One libFuzzer target: the entry named by DULO_FUZZ_TARGET.
#include "FuzzEntries.h"

#include <cstdio>
#include <cstdlib>

namespace {
const fuzz::Target& Chosen() {
    static const fuzz::Target* target = fuzz::FindTarget(DULO_FUZZ_TARGET);
    if (!target) {
        std::fprintf(stderr, "no fuzz entry named %s\n", DULO_FUZZ_TARGET);
        std::abort();
    }
    return *target;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Chosen().entry(data, size);
    return 0;
}
