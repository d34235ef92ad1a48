#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Pictures reduced to the colours of panels beyond black and white, against Pillow and
ImageMagick: how near each result looks to the photo, and how long the reduction takes.

Four photos of Debian's python3-skimage are brought to 400 x 300 by panelbake-prepare's own
scaling (the BMP panelbake-prepare decodes, scaled as -w and -h scale it, before black and
white), then reduced with Floyd-Steinberg to acep7, spectra6, bwr, grey4 and grey16 by
panelbake-prepare --panel (the panel's BMP, whose pixels are the values), by Pillow (quantize
with the panel's colours as its palette) and by ImageMagick (-dither FloydSteinberg -remap
with a picture of the colours). Each result is scored against the scaled photo as a person sees it: both decoded
from sRGB to linear light, each channel blurred by a Gaussian of sigma 1.5 pixels, turned into
CIELAB (D65); the mean Delta E*ab over the pixels for acep7 and spectra6, the mean |Delta L*|
for bwr, grey4 and grey16, which cannot show a photo's hues. Lower is nearer.

Then the speed: the motorcycle at 800 x 480 to spectra6, the reducer alone (the fastest of
its timed calls, bench/panel_reduce.cpp) and panelbake-prepare's whole run to the rows array
(reading the BMP, reducing, writing logo_spectra6.h) beside ImageMagick's -remap of the same
picture, both timed by hyperfine.

Run by bench/run, or on its own: bench/panel_quality.py [--build-dir DIR] [--scratch DIR].
Needs cmake, g++, hyperfine, ImageMagick's convert, and Debian's python3-skimage,
python3-scipy, python3-numpy and python3-pil. See bench/README.md.
"""

import argparse
import json
import os
import shlex
import shutil
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image
from scipy.ndimage import gaussian_filter
from skimage.color import deltaE_cie76, xyz2lab

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
REPO_DIR = os.path.dirname(BENCH_DIR)
PHOTO_DIR = "/usr/lib/python3/dist-packages/skimage/data"
PHOTOS = ["astronaut", "coffee", "chelsea", "motorcycle_left"]
SIZE = (400, 300)
SPEED_PHOTO = "motorcycle_left"
SPEED_SIZE = (800, 480)
SPEED_PANEL = "spectra6"

# The goals: our score at most this share of the better peer's, for every photo.
GOALS = {"acep7": 0.4, "spectra6": 0.4, "bwr": 0.5, "grey4": 0.75, "grey16": 0.75}
# The finished command against ImageMagick's -remap, end to end.
GOAL_SPEED_RATIO = 3.0
HUE_PANELS = ("acep7", "spectra6")

# Linear sRGB to XYZ (D65).
SRGB_TO_XYZ = np.array([[0.4124564, 0.3575761, 0.1804375],
                        [0.2126729, 0.7151522, 0.0721750],
                        [0.0193339, 0.1191920, 0.9503041]])


def run(args, **kwargs):
    return subprocess.run(args, check=True, **kwargs)


def build_tools(build_dir):
    """panelbake-prepare and the bench tool, built (Release) in build_dir."""
    if not os.path.exists(os.path.join(build_dir, "CMakeCache.txt")):
        run(["cmake", "-S", REPO_DIR, "-B", build_dir, "-DCMAKE_BUILD_TYPE=Release",
             "-DPANELBAKE_BUILD_TESTS=OFF"], stdout=subprocess.DEVNULL)
    run(["cmake", "--build", build_dir, "-j2", "--target", "panelbake-prepare", "panel_reduce"],
        stdout=subprocess.DEVNULL)
    return os.path.join(build_dir, "prepare", "panelbake-prepare"), os.path.join(build_dir, "bench", "panel_reduce")


def panel_colours(tool, panel):
    """The panel's default colours by value (a value not used is black), and in order."""
    table = np.zeros((16, 3), np.uint8)
    used = []
    for line in run([tool, "colours", panel], capture_output=True, text=True).stdout.splitlines():
        value, hex_colour = line.split()
        table[int(value)] = [int(hex_colour[i:i + 2], 16) for i in (0, 2, 4)]
        used.append(int(value))
    return table, table[used]


def seen(rgb):
    """CIELAB (D65) of a picture of sRGB bytes, blurred in linear light as the eye blurs it."""
    c = rgb.astype(np.float64) / 255
    linear = np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)
    for k in range(3):
        linear[..., k] = gaussian_filter(linear[..., k], 1.5)
    return xyz2lab(linear @ SRGB_TO_XYZ.T, illuminant="D65")


def score(photo_lab, rgb, panel):
    lab = seen(rgb)
    if panel in HUE_PANELS:
        return float(np.mean(deltaE_cie76(photo_lab, lab)))
    return float(np.mean(np.abs(photo_lab[..., 0] - lab[..., 0])))


def scaled_photo(scratch, prepare, tool, name, size):
    """The photo as panelbake-prepare decodes it, brought to size by its scaling."""
    decoded = os.path.join(scratch, name + ".bmp")
    scaled = os.path.join(scratch, f"{name}_{size[0]}x{size[1]}.bmp")
    run([prepare, os.path.join(PHOTO_DIR, name + ".png"), "-o", decoded, "--force"])
    run([tool, "scale", decoded, str(size[0]), str(size[1]), scaled])
    return scaled


def palette_picture(scratch, panel, colours):
    """The colours as a picture of one row, for ImageMagick's -remap."""
    path = os.path.join(scratch, panel + "_colours.png")
    Image.fromarray(colours[None, :, :]).save(path)
    return path


def ours(scratch, prepare, scaled, panel, by_value):
    """The panel's picture panelbake-prepare writes: its pixels are the values."""
    path = os.path.join(scratch, "ours.bmp")
    run([prepare, scaled, "--panel", panel, "--dither", "floyd-steinberg", "-o", path, "--force"])
    with Image.open(path) as picture:
        return by_value[np.asarray(picture)]


def pillow(picture, colours):
    palette = Image.new("P", (1, 1))
    flat = [int(v) for v in colours.reshape(-1)]
    palette.putpalette(flat + flat[:3] * (256 - len(colours)))
    return np.asarray(picture.quantize(palette=palette, dither=Image.FLOYDSTEINBERG).convert("RGB"))


def imagemagick(scratch, scaled, palette_path):
    out = os.path.join(scratch, "magick.png")
    run(["/usr/bin/convert", scaled, "-dither", "FloydSteinberg", "-remap", palette_path, out])
    return np.asarray(Image.open(out).convert("RGB"))


def quality_rows(scratch, prepare, tool):
    rows = []
    for name in PHOTOS:
        print(f"== panels: {name}", flush=True)
        scaled = scaled_photo(scratch, prepare, tool, name, SIZE)
        picture = Image.open(scaled).convert("RGB")
        photo_lab = seen(np.asarray(picture))
        for panel in GOALS:
            by_value, colours = panel_colours(tool, panel)
            scores = {"ours": score(photo_lab, ours(scratch, prepare, scaled, panel, by_value), panel),
                      "Pillow": score(photo_lab, pillow(picture, colours), panel),
                      "ImageMagick": score(photo_lab, imagemagick(scratch, scaled, palette_picture(scratch, panel,
                                                                                                     colours)), panel)}
            rows.append({"photo": name, "panel": panel, **scores})
    return rows


def hyperfine_median(scratch, name, command, runs):
    report = os.path.join(scratch, "hyperfine.json")
    run(["hyperfine", "-N", "--style", "none", "--warmup", "1", "--min-runs", str(runs), "--export-json", report,
         "--command-name", name, command], cwd=scratch, stdout=subprocess.DEVNULL)
    with open(report) as f:
        return json.load(f)["results"][0]["median"]


def speed(scratch, prepare, tool, runs):
    print(f"== panels: {SPEED_PHOTO} at {SPEED_SIZE[0]} x {SPEED_SIZE[1]} to {SPEED_PANEL}", flush=True)
    scaled = scaled_photo(scratch, prepare, tool, SPEED_PHOTO, SPEED_SIZE)
    _, colours = panel_colours(tool, SPEED_PANEL)
    palette_path = palette_picture(scratch, SPEED_PANEL, colours)
    reduce = [tool, "reduce", scaled, SPEED_PANEL, "floyd-steinberg", os.path.join(scratch, "speed.values"), "50"]
    alone = float(run(reduce, capture_output=True, text=True).stdout)
    command = [prepare, scaled, "--panel", SPEED_PANEL, "--dither", "floyd-steinberg", "--for", "rows", "-o",
               os.path.join(scratch, "speed.bmp"), "--force"]
    ours_run = hyperfine_median(scratch, "panelbake-prepare", shlex.join(command), runs)
    magick = hyperfine_median(scratch, "ImageMagick", f"/usr/bin/convert {scaled} -dither FloydSteinberg -remap "
                              f"{palette_path} BMP3:{os.path.join(scratch, 'speed_magick.bmp')}", runs)
    return {"alone": alone, "ours": ours_run * 1000, "magick": magick * 1000}


def verdict(ok):
    return "met" if ok else "NOT met"


def report(rows, timings):
    lines = ["panels: mean Delta E*ab (acep7, spectra6) or |Delta L*| (bwr, grey4, grey16) of the photo at "
             "400 x 300 as seen (blurred in linear light), Floyd-Steinberg; lower is nearer",
             f"{'photo':<17}{'panel':<10}{'ours':>7}{'Pillow':>9}{'ImageMagick':>13}{'ours ÷ better peer':>20}   goal"]
    missed = []
    for r in rows:
        ratio = r["ours"] / min(r["Pillow"], r["ImageMagick"])
        goal = GOALS[r["panel"]]
        if ratio > goal:
            missed.append(f"{r['photo']} {r['panel']}")
        lines.append(f"{r['photo']:<17}{r['panel']:<10}{r['ours']:>7.2f}{r['Pillow']:>9.2f}{r['ImageMagick']:>13.2f}"
                     f"{ratio:>19.2f}x   {goal}x {verdict(ratio <= goal)}")
    lines.append("panel quality goals: " + ("all met" if not missed else "NOT met for " + ", ".join(missed)))
    if timings:
        ratio = timings["magick"] / timings["ours"]
        lines.append(f"panels speed, {SPEED_PHOTO} at {SPEED_SIZE[0]} x {SPEED_SIZE[1]} to {SPEED_PANEL}: the reducer "
                     f"{timings['alone']:.1f} ms (fastest of 50); panelbake-prepare --panel {SPEED_PANEL} --for rows "
                     f"{timings['ours']:.1f} ms, ImageMagick -remap {timings['magick']:.0f} ms, {ratio:.1f}x "
                     f"({verdict(ratio >= GOAL_SPEED_RATIO)}: {GOAL_SPEED_RATIO:.0f}x)")
    return lines


def measure(scratch, build_dir, runs=10):
    """The quality table and the speed line, built in build_dir, working in scratch."""
    prepare, tool = build_tools(build_dir)
    os.makedirs(scratch, exist_ok=True)
    return report(quality_rows(scratch, prepare, tool), speed(scratch, prepare, tool, runs))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir", default=os.path.join(REPO_DIR, "build-bench"),
                        help="where to build the tools (default: build-bench in the repository)")
    parser.add_argument("--scratch", help="directory for the pictures (default: a new temporary one, removed)")
    parser.add_argument("--runs", type=int, default=10, help="hyperfine runs of each timed command (default 10)")
    opts = parser.parse_args()
    missing = [t for t in ("cmake", "hyperfine", "/usr/bin/convert") if shutil.which(t) is None]
    if missing:
        print("panel_quality.py: missing " + ", ".join(missing), file=sys.stderr)
        return 2
    scratch = os.path.abspath(opts.scratch) if opts.scratch else tempfile.mkdtemp(prefix="panelbake-panels-")
    try:
        for line in measure(scratch, os.path.abspath(opts.build_dir), opts.runs):
            print(line)
    finally:
        if not opts.scratch:
            shutil.rmtree(scratch)
    return 0


if __name__ == "__main__":
    sys.exit(main())
