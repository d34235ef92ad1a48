// SPDX-License-Identifier: MIT
#pragma once

// Storage for pixel grids.
//
// A large grid is mapped straight from the system, aligned to 2 MiB and marked for huge
// pages: a 96 MiB picture then costs a few dozen page faults instead of some 24 000.
// Small grids come from the ordinary heap.
//
// Elements made without a value are left as they are, so `PixelGrid(n)` gives n pixels of
// no particular colour; code that fills every pixel itself uses it to skip a whitening
// pass. Everything else asks for a colour, as in `PixelGrid(n, whitePixel)`.

#include "pixel.h"

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

// Grids of at least this many bytes are mapped rather than taken from the heap.
constexpr std::size_t mappedGridBytes = std::size_t{4} << 20;

void* allocateGridBytes(std::size_t bytes);
void releaseGridBytes(void* block, std::size_t bytes) noexcept;

template <typename T>
class GridAllocator {
public:
    using value_type = T;

    GridAllocator() = default;
    template <typename U>
    GridAllocator(const GridAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(allocateGridBytes(n * sizeof(T)));
    }
    void deallocate(T* block, std::size_t n) noexcept { releaseGridBytes(block, n * sizeof(T)); }

    template <typename U>
    void construct(U* at) noexcept
    {
        ::new (static_cast<void*>(at)) U; // default-initialised: no value is written
    }
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args)
    {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const GridAllocator<U>&) const noexcept
    {
        return true;
    }
    template <typename U>
    bool operator!=(const GridAllocator<U>&) const noexcept
    {
        return false;
    }
};

using PixelGrid = std::vector<Pixel, GridAllocator<Pixel>>;
