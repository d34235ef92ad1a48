// SPDX-License-Identifier: MIT
// What the page's byte inspector is told of a pixel: the byte that holds it, and that
// byte's eight pixels, in every layout and at sizes of partial bytes and pages.
#include "layouts/layout_packing.h"
#include "page_pictures.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(PagePictures, APixelsByteHoldsItAndSevenOthersTheInspectorCanShow)
{
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{13, 21}, {8, 8}, {1, 1}, {17, 3}};
    for (const Layout& layout : layouts()) {
        for (const auto& [width, height] : sizes) {
            SCOPED_TRACE(std::string(layout.name) + " " + std::to_string(width) + " x " + std::to_string(height));
            const auto bytes = static_cast<std::size_t>(byteGrid(layout, width, height).bytes());
            std::vector<int> bitsOfByte(bytes, 0);
            for (std::int32_t y = 0; y < height; ++y) {
                for (std::int32_t x = 0; x < width; ++x) {
                    const PixelByte found = pixelByte(layout, width, height, x, y);
                    ASSERT_LT(found.byte, bytes);
                    ASSERT_EQ(found.pixels.size(), static_cast<std::size_t>(8 / layout.bitsPerPixel));
                    int masks = 0;
                    int self = 0;
                    for (const BytePixel& p : found.pixels) {
                        EXPECT_EQ(masks & p.mask, 0) << "each bit one pixel's";
                        masks |= p.mask;
                        EXPECT_EQ(p.inside, p.x < width && p.y < height);
                        if (p.x == x && p.y == y)
                            self = p.mask;
                    }
                    EXPECT_EQ(masks, 0xff);
                    ASSERT_NE(self, 0) << "the pixel is among its byte's";
                    bitsOfByte[found.byte] |= self;
                    // The pixel alone set in a picture sets those bits of that byte (where
                    // 0 is ink, clears them of a byte of 1s).
                    BitPicture one;
                    one.setDimensions(width, height);
                    one.row(y)[x >> 3] &= static_cast<std::uint8_t>(~(0x80 >> (x & 7)));
                    const std::vector<std::uint8_t> packed = layoutBytes(one, layout);
                    EXPECT_EQ(packed[found.byte], layout.inkIsZero ? 0xff ^ self : self);
                }
            }
            // Every byte is some pixels' byte, but those a row is padded with past its
            // pixels' bytes (to a multiple of 8 pixels).
            const std::int64_t bandBytes = byteGrid(layout, width, height).bandBytes;
            const std::int64_t pixelBytes = (std::int64_t{width} * layout.bitsPerPixel + 7) / 8;
            for (std::size_t i = 0; i < bytes; ++i) {
                if (layout.axis == ByteAxis::down || static_cast<std::int64_t>(i) % bandBytes < pixelBytes) {
                    EXPECT_NE(bitsOfByte[i], 0) << "byte " << i;
                }
            }
        }
    }
}

} // namespace
