// SPDX-License-Identifier: MIT
#include "pixel_grid.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#define PANELBAKE_MAPPED_GRIDS 1
#endif

#if defined(PANELBAKE_MAPPED_GRIDS)

namespace {

constexpr std::size_t hugePage = std::size_t{2} << 20;

std::size_t mappedLength(std::size_t bytes)
{
    return (bytes + hugePage - 1) / hugePage * hugePage;
}

} // namespace

void* allocateGridBytes(std::size_t bytes)
{
    if (bytes < mappedGridBytes)
        return ::operator new(bytes);
    const std::size_t length = mappedLength(bytes);
    // Map one huge page more than needed and trim both ends to a 2 MiB boundary.
    void* raw = mmap(nullptr, length + hugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    const auto rawStart = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t start = (rawStart + hugePage - 1) / hugePage * hugePage;
    const std::size_t head = start - rawStart;
    if (head > 0)
        munmap(raw, head);
    if (hugePage - head > 0)
        munmap(reinterpret_cast<void*>(start + length), hugePage - head);
    void* block = reinterpret_cast<void*>(start);
#if defined(MADV_HUGEPAGE)
    madvise(block, length, MADV_HUGEPAGE); // a hint: without huge pages it still works
#endif
    return block;
}

void releaseGridBytes(void* block, std::size_t bytes) noexcept
{
    if (bytes < mappedGridBytes)
        ::operator delete(block);
    else
        munmap(block, mappedLength(bytes));
}

#else

void* allocateGridBytes(std::size_t bytes)
{
    return ::operator new(bytes);
}

void releaseGridBytes(void* block, std::size_t) noexcept
{
    ::operator delete(block);
}

#endif
