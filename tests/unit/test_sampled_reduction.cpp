// SPDX-License-Identifier: MIT
// The reduction to a display's size from the pixels it depends on, against the plain one
// (the whole picture adjusted, scaled to the display, made black and white), for every
// adjustment and rule, from a BMP file's rows, a picture in memory and decoded PNG and
// JPEG pictures.
#include "../../fuzz/reduction_check.h"
#include "bmp_bytes.h"

#include <filesystem>
#include <random>
#include <string>

namespace {

struct Case {
    const char* name;
    Adjustments adjustments;
    std::int32_t width, height; // -w and -h; negative: not given
    Dither dither;
    int threshold;
};

// Scaled down and up, one side given or both, cut and padded, to a single pixel.
const Case cases[] = {
    {"as stored, 128 x 64", {}, 128, 64, Dither::none, 383},
    {"as stored, narrower", {}, 16, -1, Dither::floydSteinberg, 383},
    {"quarter turn, lower", {90, false, false, false}, -1, 9, Dither::atkinson, 383},
    {"quarter turn, 128 x 64", {90, false, false, false}, 128, 64, Dither::floydSteinberg, 383},
    {"half turn, wide and low", {180, false, false, false}, 100, 5, Dither::bayer4, 300},
    {"three quarters, narrow and high", {270, false, false, false}, 5, 100, Dither::bayer8, 383},
    {"mirrored left to right", {0, true, false, false}, 20, 11, Dither::none, 500},
    {"mirrored top to bottom, inverted", {0, false, true, true}, 33, -1, Dither::floydSteinberg, 383},
    {"all at once", {270, true, true, true}, 12, 30, Dither::atkinson, 200},
    {"a single pixel", {90, true, false, false}, 1, 1, Dither::none, 383},
};

// Smooth colour with grain, so that every rule has work to do.
Bytes photoLikeBmp(int width, int height)
{
    Bytes file = headerBytes(bmpHeader(width, height, 24));
    std::mt19937 random(7);
    const int stride = (3 * width + 3) / 4 * 4;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x)
            append(file, {(x * 255 / width + static_cast<int>(random() % 40)) % 256, y * 255 / height,
                          static_cast<int>((x + y) * 4 + random() % 16) % 256});
        file.resize(file.size() + static_cast<std::size_t>(stride - 3 * width), 0);
    }
    return file;
}

Reduction reductionOf(const Case& c)
{
    Reduction r;
    r.requested = true;
    r.width = c.width;
    r.height = c.height;
    r.dither = c.dither;
    r.threshold = c.threshold;
    return r;
}

TEST(SampledReduction, BmpRowsReadAndHeldGiveThePlainReductionsPixels)
{
    TempDir dir;
    const std::string path = dir.write("photo.bmp", photoLikeBmp(61, 37));
    Bitmap stored;
    ASSERT_TRUE(stored.load(path.c_str()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OrientedLayout adjusted = adjustedLayout(orientedLayout(1, stored.width, stored.height), c.adjustments);
        const auto whole = [&](Bitmap& out) { adjustBitmap(stored, c.adjustments, out); };
        EXPECT_TRUE(fuzz::compareReductions(adjusted.width, adjusted.height, reductionOf(c),
                                            sampleFromPicture(stored, c.adjustments), whole));
        Bitmap header;
        BmpFile file;
        ASSERT_TRUE(header.loadHeader(path.c_str(), file));
        EXPECT_TRUE(fuzz::compareReductions(adjusted.width, adjusted.height, reductionOf(c),
                                            sampleFromFile(file, c.adjustments), whole));
    }
}

TEST(SampledReduction, DisplaysWiderThanABlockOfColumnsGiveThePlainReductionsPixels)
{
    // Two columns of 3000 rows, turned a quarter: 3000 x 2, scaled to 4500 x 3 on a
    // display of 5000 x 3.
    TempDir dir;
    const std::string path = dir.write("tall.bmp", photoLikeBmp(2, 3000));
    Bitmap stored;
    ASSERT_TRUE(stored.load(path.c_str()));
    Bitmap header;
    BmpFile file;
    ASSERT_TRUE(header.loadHeader(path.c_str(), file));
    const Case c{"quarter turn, wide", {90, false, false, false}, 5000, -1, Dither::floydSteinberg, 383};
    EXPECT_TRUE(fuzz::compareReductions(3000, 2, reductionOf(c), sampleFromFile(file, c.adjustments),
                                        [&](Bitmap& out) { adjustBitmap(stored, c.adjustments, out); }));
}

TEST(SampledReduction, DecodedPicturesGiveThePlainReductionsPixels)
{
    const std::filesystem::path corpus = std::filesystem::path(__FILE__).parent_path() / "../../fuzz/corpus/prepare";
    for (const char* name : {"png_type6_16bit", "png_interlaced", "jpeg_exif_6"}) {
        const Bytes data = readFile((corpus / name).string());
        ASSERT_FALSE(data.empty()) << name;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(name) + ": " + c.name);
            const PictureFormat format = sniffFormat(data.data(), data.size());
            DecodedStill picture(data.data(), data.size(), format, fuzz::prepareLimits());
            picture.turn(c.adjustments);
            const auto whole = [&](Bitmap& out) {
                out.setDimensions(picture.width(), picture.height());
                Bytes row(3 * static_cast<std::size_t>(picture.width()));
                for (std::int32_t y = 0; y < picture.height(); ++y) {
                    picture.shownRow(y, row.data());
                    invertBytes(row.data(), row.size(), c.adjustments);
                    expand24BitRow(row.data(), picture.width(), out.rowData(y));
                }
            };
            EXPECT_TRUE(fuzz::compareReductions(picture.width(), picture.height(), reductionOf(c),
                                                sampleFromStill(picture, c.adjustments), whole));
        }
    }
}

} // namespace
