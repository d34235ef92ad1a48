// SPDX-License-Identifier: MIT
#include "outputs/prepared_picture.h"

#include "fast_conversion.h"
#include "outputs/output_files.h"
#include "picture_refusal.h"
#include "true_color_rows.h"
#include "vector_kernels.h"

#include <new>

namespace {

// panelbake's conversion of a picture at its own size, which always has a plan: the size
// is within the limits, and the library's messages are off.
void convertAtOwnSize(std::int32_t width, std::int32_t height,
                      const std::function<void(std::int32_t y, Pixel* row)>& fillRow, BitPicture& converted)
{
    ConversionPlan plan;
    if (!convertRows(width, height, -1, -1, fillRow, plan, converted))
        throw PictureRefusal(Refusal::tooLarge, "panelbake could not convert it at its size");
}

} // namespace

PreparedPicture preparedBitmap(const Bitmap& picture)
{
    return {[&picture](const char* path) { return picture.save(path); },
            [&picture](BitPicture& converted) {
                convertAtOwnSize(picture.width, picture.height, [&](std::int32_t y, Pixel* row) {
                    std::copy(picture.rowData(y), picture.rowData(y) + picture.width, row);
                }, converted);
            }};
}

PreparedPicture preparedRows(std::int32_t width, std::int32_t height,
                             const std::function<void(std::int32_t y, std::uint8_t* row)>& fillRow)
{
    return {[=](const char* path) { return saveTrueColorRows(path, width, height, fillRow); },
            [=](BitPicture& converted) {
                std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width) * 3);
                convertAtOwnSize(width, height, [&](std::int32_t y, Pixel* row) {
                    fillRow(y, bytes.data());
                    expand24BitRow(bytes.data(), width, row);
                }, converted);
            }};
}

PreparedPicture preparedBmpFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    return {[&bytes](const char* output) { return writeWholeFile(output, bytes.data(), bytes.size()); },
            [path](BitPicture& converted) {
                Bitmap source;
                ConversionPlan plan;
                if (!loadSource(source, path, -1, -1, plan, converted))
                    throw PictureRefusal(Refusal::corrupt, "it could not be read again");
                if (plan.targetMissing)
                    throw std::bad_alloc();
                if (!plan.targetFromRows)
                    throw PictureRefusal(Refusal::tooLarge, "panelbake could not convert it at its size");
            }};
}

void expandBlackAndWhite(const BitPicture& picture, Bitmap& bitmap)
{
    bitmap.setDimensions(picture.width(), picture.height());
    for (std::int32_t y = 0; y < picture.height(); ++y)
        expandOneBitRow(picture.row(y), picture.width(), blackPixel, whitePixel, bitmap.rowData(y));
}
