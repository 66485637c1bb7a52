// Internal: the x86 guard and the CPUID reading shared by the kernels chosen at run time (the
// carry-less-multiply CRCs, the SHA extension kernel, inflate's BMI2 loop), so all decide the same
// way whether x86 intrinsics may be compiled and read the feature bits in one place.
// ORBI_ARCHIVE_X86 is 1 where <immintrin.h> is included.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define ORBI_ARCHIVE_X86 1
#else
#define ORBI_ARCHIVE_X86 0
#endif

#if ORBI_ARCHIVE_X86

namespace orbi::cpu {

// What the processor reports about the features the kernels use; all false when CPUID cannot
// be asked, and the leaf-7 ones false when the processor has no leaf 7.
struct X86Features {
    bool pclmul = false;      // leaf 1, ECX bit 1
    bool ssse3 = false;       // leaf 1, ECX bit 9
    bool sse41 = false;       // leaf 1, ECX bit 19
    bool avxState = false;    // leaf 1, ECX bits 27 and 28 (OSXSAVE, AVX), and XCR0 saving SSE and AVX
    bool avx2 = false;        // leaf 7 subleaf 0, EBX bit 5
    bool bmi2 = false;        // leaf 7 subleaf 0, EBX bit 8
    bool sha = false;         // leaf 7 subleaf 0, EBX bit 29
    bool vpclmulqdq = false;  // leaf 7 subleaf 0, ECX bit 10
};

inline X86Features readX86Features() {
    X86Features features;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return features;
    features.pclmul = (c & (1u << 1)) != 0;
    features.ssse3 = (c & (1u << 9)) != 0;
    features.sse41 = (c & (1u << 19)) != 0;
    constexpr unsigned kOsSavesAndAvx = 1u << 27 | 1u << 28;
    if ((c & kOsSavesAndAvx) == kOsSavesAndAvx) {
        unsigned xcr0 = 0, xcr0High = 0;
        __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
        features.avxState = (xcr0 & 6u) == 6u;
    }
    if (__get_cpuid_count(7, 0, &a, &b, &c, &d)) {
        features.avx2 = (b & (1u << 5)) != 0;
        features.bmi2 = (b & (1u << 8)) != 0;
        features.sha = (b & (1u << 29)) != 0;
        features.vpclmulqdq = (c & (1u << 10)) != 0;
    }
    return features;
}

}  // namespace orbi::cpu

#endif
