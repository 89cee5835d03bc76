#pragma once
// DULO_ADDRESS_SANITIZER is 1 in a build under AddressSanitizer, whichever
// compiler made it: gcc says so with __SANITIZE_ADDRESS__, clang only through
// __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define DULO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DULO_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef DULO_ADDRESS_SANITIZER
#define DULO_ADDRESS_SANITIZER 0
#endif
