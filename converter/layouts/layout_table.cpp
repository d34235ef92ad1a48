// SPDX-License-Identifier: MIT
#include "layouts/layout_table.h"

#include <algorithm>
#include <utility>

namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The makers' own drivers draw a buffer of the whole panel.
#define MAKERS_DRIVER "\nor the maker's driver, for a picture of the panel's size: "

const char* const twoPlanesEpd = "display.drawImage({array}, {array2}, 0, 0, {width}, {height}, false, false, false);"
                                 MAKERS_DRIVER "EPD_xxx_Display({array}, {array2});";
const char* const twoPlanesEpdPgm = "display.drawImage({array}, {array2}, 0, 0, {width}, {height}, false, false, true);";
const char* const epdReaders = "GxEPD2 drawImage (invert false) and the e-paper makers' drivers (EPD_xxx_Display)";

// The rows of black and white, and epd, which bwr and bwy take too.
std::vector<Layout> blackAndWhiteRows()
{
    return {
        {"pages", ByteAxis::down, 1, true, ScanOrder::bandByBand, FileForm::panelbakeHeader, "_glcd.h", ".h",
         "SSD1306 and SH1106 buffers, u8x8 tiles, KS0108, ST7565, PCD8544",
         "memcpy(display.getBuffer(), {array}, {width} * (({height} + 7) / 8));",
         "memcpy_P(display.getBuffer(), {array}, {width} * (({height} + 7) / 8));", false, 0, false, {"bw"}, {}},
        {"columns", ByteAxis::down, 1, true, ScanOrder::columnByColumn, FileForm::cHeader, "_columns.h", "_columns.h",
         "ThingPulse drawFastImage", "display.drawFastImage(0, 0, {width}, {height}, {array});", nullptr, false, 0,
         false, {"bw"}, {}},
        {"adafruit", ByteAxis::across, 1, false, ScanOrder::bandByBand, FileForm::cHeader, "_adafruit.h", "_adafruit.h",
         "Adafruit GFX, TFT_eSPI, GxEPD2 and u8g2 drawBitmap",
         "display.drawBitmap(0, 0, {array}, {width}, {height}, SSD1306_WHITE);", nullptr, false, 0, false, {"bw"}, {}},
        // Two planes of 1 = ink: GxEPD2 inverts both where `invert` is true; Adafruit_EPD
        // draws the set bits of each in its colour (EPD_RED is the panel's second colour).
        {"adafruit", ByteAxis::across, 1, false, ScanOrder::bandByBand, FileForm::cHeader, ".h", ".h",
         "GxEPD2 drawImage (invert true) and Adafruit_EPD drawBitmap",
         "display.drawImage({array}, {array2}, 0, 0, {width}, {height}, true, false, false);\n"
         "or Adafruit_EPD: display.drawBitmap(0, 0, {array}, {width}, {height}, EPD_BLACK);\n"
         "display.drawBitmap(0, 0, {array2}, {width}, {height}, EPD_RED);",
         "display.drawImage({array}, {array2}, 0, 0, {width}, {height}, true, false, true);\n"
         "or Adafruit_EPD: display.drawBitmap(0, 0, {array}, {width}, {height}, EPD_BLACK);\n"
         "display.drawBitmap(0, 0, {array2}, {width}, {height}, EPD_RED);",
         false, 0, false, {"bwr", "bwy"}, {}},
        {"xbm", ByteAxis::across, 1, true, ScanOrder::bandByBand, FileForm::xbm, ".xbm", "_xbm.h",
         "u8g2 drawXBM and drawXBMP, drawXBitmap, drawXbm", "u8g2.drawXBM(0, 0, {width}, {height}, {array});",
         "u8g2.drawXBMP(0, 0, {width}, {height}, {array});", false, 0, false, {"bw"}, {}},
        {"micropython", ByteAxis::down, 1, true, ScanOrder::bandByBand, FileForm::pythonModule, ".py", ".py",
         "MicroPython's and CircuitPython's framebuf (MONO_VLSB)",
         "framebuf.FrameBuffer({array}, {width}, {height}, framebuf.MONO_VLSB)", nullptr, false, 0, false, {"bw"}, {}},
        {"epd", ByteAxis::across, 1, false, ScanOrder::bandByBand, FileForm::cHeader, "_epd.h", "_epd.h", epdReaders,
         "display.drawImage({array}, 0, 0, {width}, {height}, false, false, false);" MAKERS_DRIVER
         "EPD_xxx_Display({array});",
         "display.drawImage({array}, 0, 0, {width}, {height}, false, false, true);", true, 0, false,
         {"bw", "bwr", "bwy"},
         {{"bwr", epdReaders, twoPlanesEpd, twoPlanesEpdPgm}, {"bwy", epdReaders, twoPlanesEpd, twoPlanesEpdPgm}}},
    };
}

// The rows of panels of two and four bits a pixel.
std::vector<Layout> valueRows()
{
    return {
        {"rows", ByteAxis::across, 2, false, ScanOrder::bandByBand, FileForm::cHeader, ".h", ".h",
         "GxEPD2_4G drawGreyPixmap and the makers' 4-grey drivers (Paint_SetScale(4))",
         "display.drawGreyPixmap({array}, 2, 0, 0, {width}, {height});" MAKERS_DRIVER "EPD_xxx_4GrayDisplay({array});",
         nullptr, false, 0, false, {"bwyr", "grey4"},
         {{"bwyr", "GxEPD2's four-colour driver (GxEPD2_4C) drawNative and Adafruit's JD79661",
           "display.drawNative({array}, 0, 0, 0, {width}, {height}, false, false, false);",
           "display.drawNative({array}, 0, 0, 0, {width}, {height}, false, false, true);"}}},
        {"rows", ByteAxis::across, 4, false, ScanOrder::bandByBand, FileForm::cHeader, ".h", ".h",
         "GxEPD2_7C drawNative, the makers' drivers (EPD_xxx_Display) and Adafruit_ACeP",
         "display.drawNative({array}, 0, 0, 0, {width}, {height}, false, false, false);" MAKERS_DRIVER
         "EPD_xxx_Display({array});",
         "display.drawNative({array}, 0, 0, 0, {width}, {height}, false, false, true);", false, 0, false,
         {"grey16", "acep7", "spectra6"},
         {{"grey16", "Adafruit's SSD1327 and SSD1322 drivers (Adafruit_GrayOLED's buffer) and luma.oled's SSD1322",
           "for a picture as wide as the display: memcpy(display.getBuffer(), {array}, ({width} + 1) / 2 * {height});",
           "for a picture as wide as the display: memcpy_P(display.getBuffer(), {array}, ({width} + 1) / 2 * "
           "{height});"}}},
        {"micropython", ByteAxis::across, 2, true, ScanOrder::bandByBand, FileForm::pythonModule, ".py", ".py",
         "MicroPython's framebuf (GS2_HMSB)", "framebuf.FrameBuffer({array}, {width}, {height}, framebuf.GS2_HMSB)",
         nullptr, false, 0, false, {"grey4"}, {}},
        {"micropython", ByteAxis::across, 4, false, ScanOrder::bandByBand, FileForm::pythonModule, ".py", ".py",
         "MicroPython's framebuf (GS4_HMSB)", "framebuf.FrameBuffer({array}, {width}, {height}, framebuf.GS4_HMSB)",
         nullptr, false, 0, false, {"grey16"}, {}},
        {"ssd1327", ByteAxis::across, 4, true, ScanOrder::bandByBand, FileForm::cHeader, "_ssd1327.h", "_ssd1327.h",
         "luma.oled's SSD1327 (its controller set to swap nibbles) and any SSD1327 so set",
         "write {array} to the SSD1327's RAM as data, ({width} + 1) / 2 * {height} bytes, after its column and row "
         "window",
         nullptr, false, 0, false, {"grey16"}, {}},
        {"grayscale", ByteAxis::across, 8, false, ScanOrder::bandByBand, FileForm::cHeader, "_grayscale.h",
         "_grayscale.h", "Adafruit GFX drawGrayscaleBitmap (on a GrayOLED, 0 off to 15 full)",
         "display.drawGrayscaleBitmap(0, 0, {array}, {width}, {height});", nullptr, false, 0, false, {"grey16"}, {}},
        {"image4g", ByteAxis::across, 2, false, ScanOrder::bandByBand, FileForm::cHeader, "_image4g.h", "_image4g.h",
         "GxEPD2_4G drawImage_4G", "display.drawImage_4G({array}, 2, 0, 0, {width}, {height});",
         "display.drawImage_4G({array}, 2, 0, 0, {width}, {height}, false, false, true);", false, 8, false,
         {"grey4"}, {}},
        {"halves", ByteAxis::across, 4, false, ScanOrder::bandByBand, FileForm::cHeader, "_halves.h", "_halves.h",
         "the 13.3\" E panels, whose two controllers each take half of every row",
         "send {array} to the controller of the left half, ({width} + 1) / 2 pixels a row,\n"
         "and {array2} to the one of the right half, {width} / 2 pixels a row",
         nullptr, false, 0, true, {"acep7", "spectra6"}, {}},
    };
}

} // namespace

const std::vector<Layout>& layouts()
{
    static const std::vector<Layout> table = [] {
        std::vector<Layout> rows = blackAndWhiteRows();
        for (Layout& row : valueRows())
            rows.push_back(std::move(row));
        return rows;
    }();
    return table;
}

const Layout* layoutNamed(const std::string& name)
{
    for (const Layout& layout : layouts())
        if (name == layout.name)
            return &layout;
    return nullptr;
}

bool takesPanel(const Layout& layout, const std::string& panel)
{
    return std::any_of(layout.panels.begin(), layout.panels.end(), [&](const char* p) { return panel == p; });
}

const Layout* layoutFor(const std::string& name, const std::string& panel)
{
    for (const Layout& layout : layouts())
        if (name == layout.name && takesPanel(layout, panel))
            return &layout;
    return nullptr;
}

std::vector<const Layout*> layoutsOf(const std::string& panel)
{
    std::vector<const Layout*> taken;
    for (const Layout& layout : layouts())
        if (takesPanel(layout, panel))
            taken.push_back(&layout);
    return taken;
}

const Layout& pageColumns()
{
    static const Layout& pages = *layoutNamed("pages");
    return pages;
}

std::string layoutChoices(const std::string& panel)
{
    std::string text;
    const std::vector<const Layout*> taken = layoutsOf(panel);
    for (std::size_t i = 0; i < taken.size(); ++i)
        text += std::string(i == 0 ? "" : i + 1 == taken.size() ? " or " : ", ") + taken[i]->name;
    return text;
}

const char* bandName(const Layout& layout)
{
    return layout.axis == ByteAxis::down ? "page" : "row";
}

std::string layoutDescription(const Layout& layout)
{
    const bool one = layout.bitsPerPixel == 1;
    const char* bits = layout.firstInLowBit ? (one ? "the least significant bit" : "the least significant bits")
                                            : (one ? "the most significant bit" : "the most significant bits");
    if (layout.axis == ByteAxis::across && layout.bitsPerPixel == 8)
        return "rows from the top, a byte a pixel from the left";
    if (layout.axis == ByteAxis::across)
        return std::string("rows from the top, each in bytes from the left and padded to ") +
               (layout.rowPaddedTo > 0 ? "a multiple of " + std::to_string(layout.rowPaddedTo) + " pixels"
                                       : std::string("whole bytes")) +
               ", the leftmost pixel of a byte in " + bits;
    const char* order = layout.order == ScanOrder::bandByBand ? "pages of eight rows from the top, each column by "
                                                                "column from the left"
                                                              : "columns from the left, each page by page from the top";
    return std::string(order) + ", the top pixel of a page column in " + bits;
}

namespace {

const PanelCall* panelCall(const Layout& layout, const std::string& panel)
{
    for (const PanelCall& call : layout.panelCalls)
        if (panel == call.panel)
            return &call;
    return nullptr;
}

} // namespace

const char* layoutReader(const Layout& layout, const std::string& panel)
{
    const PanelCall* own = panelCall(layout, panel);
    return own ? own->readBy : layout.readBy;
}

std::string drawingCall(const Layout& layout, const std::string& panel, bool programMemory,
                        const std::vector<std::string>& arrays, const std::string& width, const std::string& height)
{
    const PanelCall* own = panelCall(layout, panel);
    const char* plain = own ? own->call : layout.call;
    const char* inProgramMemory = own ? own->programMemoryCall : layout.programMemoryCall;
    std::string call = programMemory && inProgramMemory ? inProgramMemory : plain;
    replaceAll(call, "{array}", arrays.at(0));
    if (arrays.size() > 1)
        replaceAll(call, "{array2}", arrays[1]);
    replaceAll(call, "{width}", width);
    replaceAll(call, "{height}", height);
    return call;
}

std::string drawingCall(const Layout& layout, bool programMemory, const std::string& array, const std::string& width,
                        const std::string& height)
{
    return drawingCall(layout, "bw", programMemory, {array}, width, height);
}
