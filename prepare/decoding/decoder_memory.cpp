// SPDX-License-Identifier: MIT
#include "decoding/decoder_memory.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__) && !defined(__EMSCRIPTEN__)
#include <sys/mman.h>
#define PANELBAKE_HUGE_PAGES 1
#endif

namespace {

#ifdef PANELBAKE_HUGE_PAGES
constexpr std::uintptr_t hugePage = std::uintptr_t{2} << 20;

// Marks the whole huge pages inside the block; a hint only, so a refusal changes nothing.
void preferHugePages(void* block, std::size_t size)
{
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + hugePage - 1) & ~(hugePage - 1);
    const std::uintptr_t end = (start + size) & ~(hugePage - 1);
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}
#endif

} // namespace

extern "C" void* decoderAllocate(std::size_t size)
{
    void* block = std::malloc(size);
#ifdef PANELBAKE_HUGE_PAGES
    if (block && size >= 4 * hugePage)
        preferHugePages(block, size);
#endif
    return block;
}
