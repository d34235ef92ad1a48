// SPDX-License-Identifier: MIT
// The one compilation of Debian's stb_image (libstb-dev): the decoders for PNG, JPEG, GIF
// and BMP, reading from memory only (STBI_NO_STDIO, set for the whole library by its
// CMakeLists.txt). Everything else includes stb_image.h for the
// declarations alone.

// The library is not held to this project's warning flags.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Weverything"
#elif defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#endif

#include "decoding/decoder_memory.h"

#include <cstdlib>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_MALLOC(size) decoderAllocate(size)
#define STBI_REALLOC(block, size) realloc(block, size)
#define STBI_FREE(block) free(block)
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP

// In WebAssembly the library's plain kernels run, compiled for WebAssembly SIMD where the
// compiler finds it worth it (CMakeLists.txt). Its NEON kernels (STBI_NEON), through
// SIMDe's NEON for WebAssembly, took nearly four times as long on a large photo.

#include "stb_image.h"

#if defined(__clang__)
#pragma clang diagnostic pop
#elif defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
