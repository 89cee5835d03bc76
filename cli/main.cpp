#include "dulo/DuloModelDataLib.h"

#include <cstdio>

int main() {
    std::fprintf(stderr, "usage: dulo COMMAND [ARGS...]\n");
    return 2;
}
