// SPDX-License-Identifier: MIT
#include "layouts/layout_table.h"

namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

const std::vector<Layout>& layouts()
{
    static const std::vector<Layout> table = {
        {"pages", ByteAxis::down, 1, true, ScanOrder::bandByBand, FileForm::panelbakeHeader, "_glcd.h", ".h",
         "SSD1306 and SH1106 buffers, u8x8 tiles, KS0108, ST7565, PCD8544",
         "memcpy(display.getBuffer(), {array}, {width} * (({height} + 7) / 8));",
         "memcpy_P(display.getBuffer(), {array}, {width} * (({height} + 7) / 8));"},
        {"columns", ByteAxis::down, 1, true, ScanOrder::columnByColumn, FileForm::cHeader, "_columns.h", "_columns.h",
         "ThingPulse drawFastImage", "display.drawFastImage(0, 0, {width}, {height}, {array});", nullptr},
        {"adafruit", ByteAxis::across, 1, false, ScanOrder::bandByBand, FileForm::cHeader, "_adafruit.h", "_adafruit.h",
         "Adafruit GFX, TFT_eSPI, GxEPD2 and u8g2 drawBitmap",
         "display.drawBitmap(0, 0, {array}, {width}, {height}, SSD1306_WHITE);", nullptr},
        {"xbm", ByteAxis::across, 1, true, ScanOrder::bandByBand, FileForm::xbm, ".xbm", "_xbm.h",
         "u8g2 drawXBM and drawXBMP, drawXBitmap, drawXbm", "u8g2.drawXBM(0, 0, {width}, {height}, {array});",
         "u8g2.drawXBMP(0, 0, {width}, {height}, {array});"},
        {"micropython", ByteAxis::down, 1, true, ScanOrder::bandByBand, FileForm::pythonModule, ".py", ".py",
         "MicroPython's and CircuitPython's framebuf (MONO_VLSB)",
         "framebuf.FrameBuffer({array}, {width}, {height}, framebuf.MONO_VLSB)", nullptr},
    };
    return table;
}

const Layout* layoutNamed(const std::string& name)
{
    for (const Layout& layout : layouts())
        if (name == layout.name)
            return &layout;
    return nullptr;
}

const Layout& pageColumns()
{
    static const Layout& pages = *layoutNamed("pages");
    return pages;
}

std::string layoutChoices()
{
    std::string text;
    const std::vector<Layout>& all = layouts();
    for (std::size_t i = 0; i < all.size(); ++i)
        text += std::string(i == 0 ? "" : i + 1 == all.size() ? " or " : ", ") + all[i].name;
    return text;
}

const char* bandName(const Layout& layout)
{
    return layout.axis == ByteAxis::down ? "page" : "row";
}

std::string layoutDescription(const Layout& layout)
{
    const char* bit = layout.firstInLowBit ? "the least significant bit" : "the most significant bit";
    if (layout.axis == ByteAxis::across)
        return std::string("rows from the top, each in bytes from the left and padded to whole bytes, the leftmost "
                           "pixel of a byte in ") + bit;
    const char* order = layout.order == ScanOrder::bandByBand ? "pages of eight rows from the top, each column by "
                                                                "column from the left"
                                                              : "columns from the left, each page by page from the top";
    return std::string(order) + ", the top pixel of a page column in " + bit;
}

std::string drawingCall(const Layout& layout, bool programMemory, const std::string& array, const std::string& width,
                        const std::string& height)
{
    std::string call = programMemory && layout.programMemoryCall ? layout.programMemoryCall : layout.call;
    replaceAll(call, "{array}", array);
    replaceAll(call, "{width}", width);
    replaceAll(call, "{height}", height);
    return call;
}
