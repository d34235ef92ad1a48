// SPDX-License-Identifier: MIT
#pragma once

// Netpbm's PAM ("P7"): a text header of WIDTH, HEIGHT, DEPTH, MAXVAL and TUPLTYPE lines
// up to ENDHDR, then the samples, rows from the top, one byte each at MAXVAL 255. The
// page hands pictures the browser decoded (WebP, AVIF) over in this form, with their
// alpha, so that they are laid on white as every other picture is. Read are RGB (DEPTH 3)
// and RGB_ALPHA (DEPTH 4) at MAXVAL 255.

#include "picture_refusal.h"

#include <cstddef>
#include <cstdint>

struct PamHeader {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int depth = 0;             // 3 or 4 samples a pixel
    std::size_t rasterAt = 0;  // where the samples begin
};

// The header, checked: a kind this program reads, within the limits, and with all its
// samples in the file. Throws PictureRefusal.
PamHeader readPamHeader(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits);
