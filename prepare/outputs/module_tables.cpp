// SPDX-License-Identifier: MIT
#include "outputs/module_tables.h"

#include "layouts/layout_table.h"
#include "outputs/layout_names.h"

namespace {

// The module names of the pictures, each imported on a line of its own.
std::vector<std::string> pictureModules(const std::vector<std::string>& bmpPaths, std::string& imports)
{
    const Layout& layout = *layoutNamed("micropython");
    std::vector<std::string> modules;
    for (const std::string& bmp : bmpPaths) {
        modules.push_back(moduleName(layoutNames(layout, bmp).file));
        imports += "import " + modules.back() + "\n";
    }
    return modules;
}

// A tuple of one item a line.
std::string tuple(const std::string& name, const std::vector<std::string>& items)
{
    std::string text = name + " = (\n";
    for (const std::string& item : items)
        text += "    " + item + ",\n";
    return text + ")\n";
}

} // namespace

std::string framesModuleText(const std::string& modulePath, const std::vector<std::string>& framePaths,
                             const std::vector<int>& delaysMs)
{
    const std::string self = moduleName(modulePath);
    std::string imports;
    const std::vector<std::string> modules = pictureModules(framePaths, imports);
    std::vector<std::string> frames;
    std::vector<std::string> delays;
    for (std::size_t i = 0; i < modules.size(); ++i) {
        frames.push_back(modules[i] + ".FRAME");
        delays.push_back(std::to_string(delaysMs[i]));
    }
    return "# " + self + ".py: the " + std::to_string(modules.size()) +
           " frames of an animation, for a display loop.\n"
           "#\n#   import time, " + self + "\n"
           "#   for frame, delay in zip(" + self + ".FRAMES, " + self + ".DELAYS_MS):\n"
           "#       display.blit(frame, 0, 0)\n#       display.show()\n#       time.sleep_ms(delay)\n" +
           imports + "\nWIDTH = " + modules.front() + ".WIDTH\nHEIGHT = " + modules.front() + ".HEIGHT\n" +
           tuple("FRAMES", frames) + "# how long each frame is shown, in milliseconds\n" + tuple("DELAYS_MS", delays);
}

std::string picturesModuleText(const std::string& modulePath, const std::vector<std::string>& bmpPaths)
{
    const std::string self = moduleName(modulePath);
    std::string imports;
    const std::vector<std::string> modules = pictureModules(bmpPaths, imports);
    const bool one = modules.size() == 1;
    return "# " + self + ".py: " + (one ? "1 picture" : std::to_string(modules.size()) + " pictures") +
           " in one table; picture i is PICTURES[i].WIDTH x PICTURES[i].HEIGHT pixels.\n"
           "#\n#   import " + self + "\n#   display.blit(" + self + ".PICTURES[i].FRAME, 0, 0)\n" +
           imports + "\n" + tuple("PICTURES", modules);
}
