// SPDX-License-Identifier: MIT
#pragma once

// NEON for the page's WebAssembly build of the decoder library (stb_image.cpp): SIMDe
// (Debian's libsimde-dev) implements every NEON intrinsic with WebAssembly SIMD, under the
// intrinsics' own names. Found before emscripten's compat arm_neon.h, which includes only
// some of SIMDe's headers and lacks intrinsics the library uses (vshll_n_s16).
#define SIMDE_ENABLE_NATIVE_ALIASES
#include <arm/neon.h> // SIMDe's, found in /usr/include/simde
