# SPDX-License-Identifier: MIT
"""The page in headless Chromium, served over HTTP and opened from disk, and in Firefox: what it makes
through its controls and through window.panelbake.run and .prepare is what the native programs make,
byte for byte."""
import base64
import functools
import gzip
import http.server
import io
import json
import os
import re
import shutil
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import zlib
from pathlib import Path

from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select, WebDriverWait

SOURCE_DIR = Path(os.environ["PANELBAKE_SOURCE_DIR"])
SITE_DIR = Path(os.environ["PANELBAKE_SITE_DIR"])
BINARY_DIR = Path(os.environ.get("PANELBAKE_BINARY_DIR", SITE_DIR.parent))
NATIVE = os.environ.get("PANELBAKE_NATIVE", str(SOURCE_DIR / "build/release/converter/panelbake"))
PREPARE_NATIVE = os.environ.get("PANELBAKE_PREPARE_NATIVE",
                                str(SOURCE_DIR / "build/release/prepare/panelbake-prepare"))
SAMPLE = SOURCE_DIR / "examples" / "landscape.bmp"
sys.path.insert(0, str(SOURCE_DIR / "tests" / "e2e"))
from bmp_craft import bmp  # noqa: E402

# The site's size, no more than with the panels' page (their reduction, their arrays read back,
# the Panel choice) once the programs print through C's streams rather than iostreams, and what
# a BMP needs before it converts.
SITE_LIMIT, GZIP_LIMIT, FIRST_LOAD_LIMIT = 479_761, 276_021, 600_000
DECODERS = "panelbake-prepare-module.js"  # loaded on first need
# The page's timing goals, which bench/run measures and prints: ready after opening, an option
# change drawn, and the longest task on the page's thread. CI's machine is shared, so the tests
# hold them to ten times the goal only: enough to catch a hang, or work back on the page's thread.
READY_GOAL_MS, CONVERT_GOAL_MS, LONG_TASK_GOAL_MS = 1000, 50, 50
HANG_FACTOR = 10
# How long a test waits for a state of the page before it fails: a healthy run takes seconds.
WAIT_S = 120
CHROMIUM_SWITCHES = ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--window-size=1000,1450")

# A drop of files on the page, as the browser sends one: [name, base64] each.
DROP = """
const transfer = new DataTransfer();
for (const [name, data] of arguments[0]) {
  transfer.items.add(new File([Uint8Array.from(atob(data), (c) => c.charCodeAt(0))], name));
}
document.body.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
"""

# Reads the canvas back: for each pixel of the drawn preview, 1 if its square is ink (not the
# colour of a pixel off in the display's palette), else 0.
READ_PREVIEW = """
const canvas = document.getElementById('preview');
const zoom = Number(canvas.dataset.zoom), left = Number(canvas.dataset.left);
const width = (canvas.width - left) / zoom, height = canvas.height / zoom;
const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
const panel = canvas.dataset.panel.split(',').map(Number);  // the display's colour of a pixel off
const rows = [];
for (let y = 0; y < height; y++) {
  let row = '';
  for (let x = 0; x < width; x++) {
    const at = 4 * ((y * zoom + (zoom >> 1)) * canvas.width + left + x * zoom + (zoom >> 1));
    row += pixels[at] !== panel[0] || pixels[at + 1] !== panel[1] || pixels[at + 2] !== panel[2] ? '1' : '0';
  }
  rows.push(row);
}
return rows;
"""

# The bytes behind a link of the page (a blob: URL), base64.
READ_LINK = """
const done = arguments[arguments.length - 1];
fetch(document.getElementById(arguments[0]).href).then((r) => r.arrayBuffer()).then((buffer) => {
  let text = '';
  for (const byte of new Uint8Array(buffer)) text += String.fromCharCode(byte);
  done(btoa(text));
});
"""

RUN = """
const [args, files, program, done] = arguments;
const bytes = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
const base64 = (data) => btoa(Array.from(data, (b) => String.fromCharCode(b)).join(''));
const input = Object.fromEntries(Object.entries(files).map(([name, text]) => [name, bytes(text)]));
window.panelbake[program](args, input).then((result) => done({
  code: result.code, stdout: result.stdout, stderr: result.stderr,
  files: Object.fromEntries(Object.entries(result.files).map(([name, data]) => [name, base64(data)])),
}), (error) => done({error: String(error)}));
"""

# Times one conversion through the controls: a control (a field or a list) is set, and the
# result is drawn.
TIME_CHANGE = """
const [id, value, done] = arguments;
const report = document.getElementById('report');
const control = document.getElementById(id);
const shown = Number(report.dataset.results);
const start = performance.now();
new MutationObserver((changes, observer) => {
  if (Number(report.dataset.results) > shown && report.dataset.state === 'done') {
    observer.disconnect();
    done(performance.now() - start);
  }
}).observe(report, {attributes: true});
control.value = value;
control.dispatchEvent(new Event(control.tagName === 'SELECT' ? 'change' : 'input'));
"""


# Records main-thread tasks over 50 ms, and the time from choosing a picture to its drawn result.
WATCH_MAIN_THREAD = """
window.longTasks = [];
new PerformanceObserver((list) => {
  for (const entry of list.getEntries()) window.longTasks.push(Math.round(entry.duration));
}).observe({type: 'longtask'});
const report = document.getElementById('report');
document.getElementById('picture').addEventListener('change', () => {
  const picked = performance.now();
  const shown = Number(report.dataset.results || 0);
  new MutationObserver((changes, observer) => {
    if (Number(report.dataset.results) > shown && report.dataset.state === 'done') {
      observer.disconnect();
      window.pickedToDrawn = performance.now() - picked;
    }
  }).observe(report, {attributes: true});
}, {capture: true, once: true});
"""

# Records the height of every result shown, from its header's size macro (or the summary of a
# failure), in window.heightsShown.
WATCH_HEIGHTS = """
window.heightsShown = [];
const report = document.getElementById('report');
let seen = Number(report.dataset.results || 0);
new MutationObserver(() => {
  const now = Number(report.dataset.results || 0);
  if (now === seen) return;
  seen = now;
  const height = /_HEIGHT (\\d+)/.exec(document.getElementById('header').value);
  window.heightsShown.push(height ? height[1] : document.getElementById('summary').textContent);
}).observe(report, {attributes: true});
"""


def native(args, files, program=NATIVE):
    """A native program run in a fresh directory holding files: {code, stdout, stderr, files}."""
    with tempfile.TemporaryDirectory() as work:
        for name, data in files.items():
            (Path(work) / name).parent.mkdir(parents=True, exist_ok=True)
            (Path(work) / name).write_bytes(data)
        run = subprocess.run([program, *args], cwd=work, capture_output=True)
        made = {p.relative_to(work).as_posix(): p.read_bytes() for p in Path(work).rglob("*") if p.is_file()}
        return {"code": run.returncode, "stdout": run.stdout.decode(), "stderr": run.stderr.decode(), "files": made}


def axe_violations(browser):
    """axe-core's violations in the page as it is: axe-core, from the npm packages the web build
    installs, is injected here only."""
    axe = Path(os.environ.get("PANELBAKE_PAGE_NPM_DIR", BINARY_DIR / "web" / "page-npm")) / "node_modules/axe-core/axe.min.js"
    browser.execute_script(axe.read_text(encoding="utf-8"))
    return browser.execute_async_script("""
        const done = arguments[0];
        axe.run(document, {resultTypes: ['violations']}).then((r) => done(r.violations.map((v) =>
          `${v.id}: ${v.help} (${v.nodes.map((n) => n.target.join(' ')).join(', ')})`)));""")


def black_pixels(preview):
    """The rows of a preview BMP as the canvas is read back: '1' for black."""
    with Image.open(io.BytesIO(preview)) as picture:
        grey = picture.convert("L")
        return ["".join("1" if grey.getpixel((x, y)) < 128 else "0" for x in range(grey.width))
                for y in range(grey.height)]


WORK = tempfile.TemporaryDirectory(prefix="panelbake-web-")


def prepared_natively(name, data, args):
    """panelbake-prepare NAME && panelbake NAME.bmp ARGS, natively: the files both write."""
    prepared = native([name], {name: data}, PREPARE_NATIVE)
    assert prepared["code"] == 0, prepared["stderr"]
    frame = sorted(f for f in prepared["files"] if f.endswith(".bmp"))[0]
    converted = native([frame, *args], {frame: prepared["files"][frame]})
    assert converted["code"] == 0, converted["stderr"]
    return {**prepared["files"], **converted["files"]}, frame


def setUpModule():
    for program, variable in ((NATIVE, "PANELBAKE_NATIVE"), (PREPARE_NATIVE, "PANELBAKE_PREPARE_NATIVE")):
        if not os.access(program, os.X_OK):
            raise RuntimeError(f"no native program at {program}: build the release preset or set {variable}")


def tearDownModule():
    WORK.cleanup()


@functools.cache
def pictures():
    """A PNG with transparency and a JPEG, both of the sample, and the BMP files the README's Pillow
    recipe writes from them."""
    folder = Path(WORK.name)
    with Image.open(SAMPLE) as sample:
        logo = sample.convert("RGBA")
    # The sky transparent, and a band of every alpha to pin the rounding.
    pixels = logo.load()
    for y in range(logo.height):
        for x in range(logo.width):
            r, g, b, _ = pixels[x, y]
            alpha = 0 if b > r + 40 else 255
            if 40 <= y < 56:
                alpha = (x * 255 // (logo.width - 1) + 37 * (y - 40)) % 256
            pixels[x, y] = (r, g, b, alpha)
    logo.save(folder / "logo.png")
    with Image.open(SAMPLE) as sample:
        sample.convert("RGB").save(folder / "photo.jpg", quality=90)
    # The README's Pillow recipe, as it stands there: writes logo.bmp and photo.bmp.
    readme = (SOURCE_DIR / "README.md").read_text(encoding="utf-8")
    recipe = re.search(r"^#+ Pillow \(Python\)\n+```python\n(.*?)^```", readme, re.S | re.M).group(1)
    subprocess.run(["/usr/bin/python3", "-c", recipe], cwd=folder, check=True)
    return folder


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


@functools.cache
def prepared_pictures():
    """The pictures panelbake-prepare decodes differently from a browser or the Pillow recipe, and
    the ones the faults of the page were seen with."""
    folder = Path(WORK.name)
    with Image.open(SAMPLE) as sample:
        rgb = sample.convert("RGB")
    # A photo turned by its EXIF orientation 6: shown turned a quarter clockwise.
    exif = Image.Exif()
    exif[0x0112] = 6
    rgb.save(folder / "turned.jpg", quality=90, exif=exif)
    # 16-bit greyscale: a gradient over the whole range, which a truncating 8-bit reduction changes.
    grey = Image.new("I;16", (160, 90))
    grey.putdata([(x * 65535 // 159 + y * 131) % 65536 for y in range(90) for x in range(160)])
    grey.save(folder / "grey16.png")
    # An animated GIF of three frames, each with its own disposal and delay.
    frames = []
    for i in range(3):
        frame = Image.new("P", (48, 24), 0)
        frame.putpalette([255, 255, 255, 0, 0, 0, 200, 40, 40] + [0] * 759)
        for y in range(6, 18):
            for x in range(4 + 14 * i, 16 + 14 * i):
                frame.putpixel((x, y), 1 + (x + y) % 2)
        frames.append(frame)
    frames[0].save(folder / "walk.gif", save_all=True, append_images=frames[1:], duration=[100, 250, 60],
                   disposal=[1, 2, 3], loop=0)
    # A first pick slow to decode, and a second one that is a BMP.
    Image.effect_noise((1600, 1200), 90).convert("RGB").save(folder / "first.png")
    (folder / "second.bmp").write_bytes(SAMPLE.read_bytes())
    # A PNG that states 40000 x 40000 pixels and holds none of them.
    (folder / "huge.png").write_bytes(b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 40000, 40000, 8, 2, 0, 0, 0))
                                      + png_chunk(b"IEND", b""))
    return folder


@functools.cache
def large_photo():
    """A 6000 x 4000 phone photo, quality 90: smooth colour with some grain, under 1 MB."""
    folder = Path(WORK.name)
    size = (6000, 4000)
    red = Image.effect_noise((60, 40), 80).resize(size, Image.BICUBIC)
    green = Image.linear_gradient("L").resize(size)
    blue = Image.radial_gradient("L").resize(size)
    Image.merge("RGB", (red, green, blue)).save(folder / "photo.jpg", quality=90)
    return folder / "photo.jpg"


def start_chromium():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for switch in CHROMIUM_SWITCHES:
        options.add_argument(switch)
    profile = tempfile.mkdtemp(prefix="panelbake-chromium-")
    options.add_argument(f"--user-data-dir={profile}")
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    browser.set_script_timeout(WAIT_S)
    return browser, profile


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    requested = []

    def log_message(self, format, *args):
        QuietHandler.requested.append(self.path)


class Server:
    """build/web/site/ served on 127.0.0.1 by a thread of http.server."""

    def __enter__(self):
        handler = functools.partial(QuietHandler, directory=str(SITE_DIR))
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()
        return f"http://127.0.0.1:{self.httpd.server_address[1]}/index.html"

    def __exit__(self, *exc):
        self.httpd.shutdown()
        self.httpd.server_close()


class SiteTest(unittest.TestCase):
    def test_site_holds_the_page_and_what_it_loads_within_the_size_limits(self):
        # The source maps are kept beside the bundle for a developer's tools; the page loads
        # neither, so they do not count.
        maps = sorted(p.name for p in SITE_DIR.iterdir() if p.suffix == ".map")
        self.assertEqual(["page.js.map", "worker.js.map"], maps)
        self.assertNotIn(b"sourceMappingURL", (SITE_DIR / "page.js").read_bytes())
        files = sorted(p.name for p in SITE_DIR.iterdir() if p.suffix != ".map")
        self.assertEqual(["fflate-LICENSE.txt", "fflate.js", "index.html", "page.css", "page.js", "panelbake-module.js",
                          DECODERS], files)
        size = sum((SITE_DIR / name).stat().st_size for name in files)
        zipped = sum(len(gzip.compress((SITE_DIR / name).read_bytes(), 9)) for name in files)
        first = sum((SITE_DIR / name).stat().st_size for name in files if name != DECODERS)
        print(f"\nsite: {size:,} bytes, {zipped:,} gzipped (limits {SITE_LIMIT:,} and {GZIP_LIMIT:,}); "
              f"loaded before a BMP converts: {first:,} bytes (limit {FIRST_LOAD_LIMIT:,})")
        self.assertLessEqual(size, SITE_LIMIT)
        self.assertLessEqual(zipped, GZIP_LIMIT)
        self.assertLessEqual(first, FIRST_LOAD_LIMIT)


class PageTests:
    """The tests, for the page served and opened from disk. Subclasses say how it is opened."""

    @classmethod
    def open_page(cls):
        raise NotImplementedError

    @classmethod
    def setUpClass(cls):
        cls.browser, cls.profile = start_chromium()
        cls.addClassCleanup(shutil.rmtree, cls.profile, ignore_errors=True)
        cls.addClassCleanup(cls.browser.quit)
        cls.browser.get(cls.open_page())
        ready = cls.browser.execute_async_script(
            "const done = arguments[0]; window.panelbake.ready.then(() => done(window.panelbake.readyAt));")
        print(f"\n{cls.__name__}: ready {ready:.0f} ms after opening")
        cls.ready_ms = ready

    def setUp(self):
        # Settings remembered by an earlier test would set the options of a page opened afresh.
        self.browser.execute_script("try { localStorage.clear(); } catch (error) {}")

    def element(self, id_):
        return self.browser.find_element(By.ID, id_)

    def results_shown(self):
        return int(self.element("report").get_attribute("data-results") or 0)

    def wait_until_settled(self):
        """Until the page shows a result and its workers have no job left: nothing more can come."""
        WebDriverWait(self.browser, WAIT_S).until(
            lambda _: self.element("report").get_attribute("data-state") == "done" and
            self.browser.execute_script("return document.documentElement.dataset.workerJobs") == "0")

    def wait_for_text(self, id_, text):
        """Until the element's text holds `text` (the byte inspector's is asked of a worker)."""
        WebDriverWait(self.browser, WAIT_S).until(lambda _: text in self.element(id_).text,
                                                  lambda: f"{text!r} not in {self.element(id_).text!r}")

    def wait_until_done(self, after):
        WebDriverWait(self.browser, WAIT_S).until(lambda _: self.results_shown() > after and
                                              self.element("report").get_attribute("data-state") == "done")

    def convert(self, path, width="", height="", memory="", verbose=False):
        """Sets the options with the controls, then chooses the picture; waits for its result."""
        for id_, value in (("width", width), ("height", height)):
            field = self.element(id_)
            field.send_keys(Keys.CONTROL, "a", Keys.DELETE)
            if value:
                field.send_keys(value)
        self.browser.find_element(By.CSS_SELECTOR, f"input[name=memory][value='{memory}']").click()
        if self.element("verbose").is_selected() != verbose:
            self.element("verbose").click()
        WebDriverWait(self.browser, WAIT_S).until(lambda _: self.element("report").get_attribute("data-state") != "busy")
        shown = self.results_shown()
        self.browser.execute_script("document.getElementById('picture').value = '';")
        self.element("picture").send_keys(str(path))
        self.wait_until_done(shown)

    def pick(self, path):
        self.browser.execute_script("document.getElementById('picture').value = '';")
        self.element("picture").send_keys(str(path))

    def link_bytes(self, id_):
        WebDriverWait(self.browser, WAIT_S).until(lambda _: not self.element(id_).get_property("hidden"))
        return base64.b64decode(self.browser.execute_async_script(READ_LINK, id_))

    def assert_result_is(self, expected, header_name):
        """The header text, its download, the preview download and the drawn preview equal the
        native program's files."""
        header = expected["files"][header_name]
        preview = expected["files"][header_name[:-2] + ".bmp"]
        self.assertEqual(header.decode(), self.element("header").get_property("value"))
        self.assertEqual(header_name, self.element("header-download").get_attribute("download"))
        self.assertEqual(header, self.link_bytes("header-download"))
        self.assertEqual(preview, self.link_bytes("preview-download"))
        self.assertEqual(black_pixels(preview), self.browser.execute_script(READ_PREVIEW))

    def run_in_page(self, args, files=None, program="run"):
        encoded = {name: base64.b64encode(data).decode() for name, data in (files or {}).items()}
        result = self.browser.execute_async_script(RUN, args, encoded, program)
        self.assertNotIn("error", result)
        result["files"] = {name: base64.b64decode(data) for name, data in result["files"].items()}
        return result

    def test_sample_through_the_controls_pointing_at_a_pixel_and_timed(self):
        self.convert(SAMPLE, height="64", memory="-pgm")
        self.assertEqual("panelbake landscape.bmp -h 64 -pgm", self.element("command").text)
        expected = native(["landscape.bmp", "-h", "64", "-pgm"], {"landscape.bmp": SAMPLE.read_bytes()})
        self.assertEqual(0, expected["code"])
        self.assert_result_is(expected, "landscape_glcd.h")

        # A pixel that is black in a byte of mixed bits, found in the native header.
        data = bytes.fromhex("".join(
            expected["files"]["landscape_glcd.h"].decode().split("={")[1].split("}")[0]
            .replace("0x", "").replace(",", "").split()))
        index = next(i for i, byte in enumerate(data) if 2 < bin(byte).count("1") < 7)
        page, x = divmod(index, 128)
        bit = next(b for b in range(8) if data[index] >> b & 1)
        canvas = self.element("preview")
        self.browser.execute_script("arguments[0].scrollIntoView({block: 'center'});", canvas)
        zoom, left = int(canvas.get_attribute("data-zoom")), int(canvas.get_attribute("data-left"))
        width, height = canvas.size["width"], canvas.size["height"]
        ActionChains(self.browser).move_to_element_with_offset(
            canvas, left + x * zoom + zoom // 2 - width // 2, (page * 8 + bit) * zoom + zoom // 2 - height // 2
        ).perform()
        binary = f"{data[index]:08b}"
        self.wait_for_text("pixel-text", f"page {page}, column {x}, index {page} × 128 + {x} = {index}, byte "
                           f"0x{data[index]:02x} = {binary[:4]} {binary[4:]} binary; this pixel is bit {bit} = 1 (black)")
        # The keyboard moves the pointer too: one pixel down is the next bit (or the next page).
        canvas.send_keys(Keys.ARROW_DOWN)
        below = index + 128 if bit == 7 else index
        self.wait_for_text("pixel-text", f"index {below // 128} × 128 + {x} = {below}, byte 0x{data[below]:02x}")
        if self.screenshot:  # for the README, in few colours: the options and the result in one view
            size = self.browser.get_window_size()
            self.browser.set_window_size(size["width"], 2000)
            self.browser.execute_script("document.activeElement.blur(); window.scrollTo(0, 0);")
            self.browser.save_screenshot(str(BINARY_DIR / "web.png"))
            self.browser.set_window_size(size["width"], size["height"])
            with Image.open(BINARY_DIR / "web.png") as shot:
                shot.convert("RGB").quantize(64).save(BINARY_DIR / "web.png", optimize=True)

        times = [self.browser.execute_async_script(TIME_CHANGE, "height", height) for height in ("48", "64") * 3]
        print(f"\n{type(self).__name__}: sample converted and drawn in {', '.join(f'{t:.1f}' for t in times)} ms")
        self.assertLessEqual(statistics.median(times), CONVERT_GOAL_MS * HANG_FACTOR)
        self.assertLessEqual(self.ready_ms, READY_GOAL_MS * HANG_FACTOR)

    def test_png_with_transparency_is_laid_on_white_as_the_pillow_recipe_does(self):
        folder = pictures()
        self.convert(folder / "logo.png", width="128", height="64")
        self.assertEqual((folder / "logo.bmp").read_bytes(), self.link_bytes("prepared-download"))
        self.assertEqual("logo.bmp", self.element("prepared-download").get_attribute("download"))
        expected = native(["logo.bmp", "-w", "128", "-h", "64"], {"logo.bmp": (folder / "logo.bmp").read_bytes()})
        self.assert_result_is(expected, "logo_glcd.h")

    def test_jpeg_is_decoded_as_it_is_and_converted_as_the_command_line_converts_it(self):
        folder = pictures()
        self.convert(folder / "photo.jpg", height="32", verbose=True)
        prepared = self.link_bytes("prepared-download")
        recipe = (folder / "photo.bmp").read_bytes()
        self.assertEqual(recipe[:54], prepared[:54])  # 24 bits, the 40-byte header, the same size
        # Colours as decoded, not converted: at most two JPEG decoders' rounding apart (libjpeg's in
        # the recipe, stb_image's in panelbake-prepare), and panelbake-prepare's bytes exactly.
        self.assertLessEqual(max(abs(a - b) for a, b in zip(recipe[54:], prepared[54:])), 3)
        self.assertEqual(native(["photo.jpg"], {"photo.jpg": (folder / "photo.jpg").read_bytes()},
                                PREPARE_NATIVE)["files"]["photo.bmp"], prepared)
        expected = native(["photo.bmp", "-h", "32", "-v"], {"photo.bmp": prepared})
        self.assert_result_is(expected, "photo_glcd.h")
        self.assertEqual(expected["stdout"], self.element("messages").get_property("textContent"))

    def test_pictures_are_prepared_as_the_command_line_prepares_them(self):
        folder = prepared_pictures()
        cases = {  # picture, width, height
            "EXIF orientation 6": ("turned.jpg", "", "64"),
            "16-bit greyscale": ("grey16.png", "96", ""),
            "animated GIF, its first frame": ("walk.gif", "", "32"),
        }
        for name, (picture, width, height) in cases.items():
            with self.subTest(name):
                args = [*(["-w", width] if width else []), *(["-h", height] if height else [])]
                expected, frame = prepared_natively(picture, (folder / picture).read_bytes(), args)
                self.convert(folder / picture, width=width, height=height)
                # An animation's frames are a list: the command line is the one of Download all.
                frames = sorted(f for f in expected if f.endswith(".bmp") and not f.endswith("_glcd.bmp"))
                command = (f"panelbake-prepare {picture} && panelbake {frame} {' '.join(args)}" if len(frames) == 1 else
                           f"panelbake-prepare --table pictures {picture}" +
                           "".join(f" && panelbake {f} {' '.join(args)}" for f in frames))
                self.assertEqual(command, self.element("command").text)
                self.assertEqual(expected[frame], self.link_bytes("prepared-download"))
                self.assert_result_is({"files": expected}, frame[:-4] + "_glcd.h")
        # The GIF's frames: the frames header to download, and a chooser that converts each frame.
        self.assertEqual(expected["walk_frames.h"], self.link_bytes("frames-header-download"))
        shown = self.results_shown()
        Select(self.element("frame")).select_by_index(2)
        self.wait_until_done(shown)
        self.assertEqual(command, self.element("command").text)
        self.assert_result_is(native(["walk_02.bmp", "-h", "32"], {"walk_02.bmp": expected["walk_02.bmp"]}),
                              "walk_02_glcd.h")

    def test_webp_is_decoded_by_the_browser_and_the_page_says_so(self):
        folder = pictures()
        with Image.open(folder / "logo.png") as logo:
            logo.save(folder / "logo.webp", lossless=True)
        self.convert(folder / "logo.webp", height="64")
        self.assertFalse(self.element("decoded-by-browser").get_property("hidden"))
        self.assertEqual((folder / "logo.bmp").read_bytes(), self.link_bytes("prepared-download"))
        self.assertEqual("panelbake logo.bmp -h 64", self.element("command").text)
        self.assert_result_is(native(["logo.bmp", "-h", "64"], {"logo.bmp": (folder / "logo.bmp").read_bytes()}),
                              "logo_glcd.h")
        self.convert(SAMPLE)  # the note goes with the picture
        self.assertTrue(self.element("decoded-by-browser").get_property("hidden"))

    def test_a_picture_that_cannot_be_decoded_says_so_with_its_size(self):
        self.convert(prepared_pictures() / "huge.png", height="64")
        summary = self.element("summary").text
        self.assertTrue(summary.startswith("The picture is too large: "), summary)
        self.assertIn("40000", summary)
        self.assertTrue(self.element("preview-area").get_property("hidden"))
        self.assertTrue(self.element("prepared").get_property("hidden"))
        self.assertEqual("panelbake-prepare huge.png && panelbake huge.bmp -h 64", self.element("command").text)

    def test_a_quick_second_pick_wins_over_the_first(self):
        folder = prepared_pictures()
        self.convert(SAMPLE, height="32")
        shown = self.results_shown()
        self.pick(folder / "first.png")
        self.pick(folder / "second.bmp")
        self.wait_until_settled()  # the first picture's preparation can no longer show anything
        self.assertEqual("panelbake second.bmp -h 32", self.element("command").text)
        self.assert_result_is(native(["second.bmp", "-h", "32"], {"second.bmp": SAMPLE.read_bytes()}),
                              "second_glcd.h")
        self.assertTrue(self.element("prepared").get_property("hidden"))

    def test_only_the_summary_is_in_the_live_region(self):
        tall = bmp(1, 100, 24)
        path = Path(WORK.name) / "tall.bmp"
        path.write_bytes(tall)
        self.convert(path, height="300", verbose=True)
        expected = native(["tall.bmp", "-h", "300", "-v"], {"tall.bmp": tall})
        lines = expected["stdout"].count("\n")
        self.assertGreater(lines, 7000)
        # The first 400 lines are shown, all of them downloaded.
        first = "".join(expected["stdout"].splitlines(keepends=True)[:400])
        self.assertEqual(f"{first}… and {lines - 400:,} more lines\n", self.element("messages").get_property("textContent"))
        self.assertEqual(expected["stdout"].encode(), self.link_bytes("messages-download"))
        live = self.browser.execute_script(
            "return [...document.querySelectorAll('[role=status], [aria-live]')].map((e) => e.textContent.trim());")
        self.assertIn(self.element("summary").text, live)
        self.assertFalse(any("Source height" in text for text in live))

    def test_run_gives_what_the_native_program_gives(self):
        rle = bmp(8, 8, 8, compression=1)
        cases = {
            "usage": ([], {}),
            "run-length compressed": (["rle.bmp", "-v"], {"rle.bmp": rle}),
            "missing picture": (["none.bmp", "-h", "64"], {"rle.bmp": rle}),
            "target beyond the limits": (["sample.bmp", "-w", "70000", "-h", "70000"],
                                         {"sample.bmp": SAMPLE.read_bytes()}),
            "sample in a folder": (["art-work/my-logo.bmp", "-w", "84", "-pic30", "-v"],
                                   {"art-work/my-logo.bmp": SAMPLE.read_bytes()}),
        }
        for name, (args, files) in cases.items():
            with self.subTest(name):
                expected = native(args, files)
                self.assertEqual(expected, self.run_in_page(args, files))
        # A failure shows the message and what its exit code means.
        self.convert(pictures() / "logo.png", width="70000", height="70000")
        self.assertEqual("Failed with exit code 254: the target is too large (a side beyond 32 bits, or more "
                         "than 268,435,456 pixels).", self.element("summary").text)
        self.assertEqual("Error: target size is too large\n", self.element("messages").get_property("textContent"))

    def test_prepare_gives_what_the_native_program_gives(self):
        folder = prepared_pictures()
        grey = (folder / "grey16.png").read_bytes()
        cases = {
            "16-bit PNG, -v": (["grey16.png", "-v"], {"grey16.png": grey}),
            "animated GIF": (["walk.gif"], {"walk.gif": (folder / "walk.gif").read_bytes()}),
            "output exists": (["grey16.png"], {"grey16.png": grey, "grey16.bmp": b"BM"}),
            "stated size over the limit": (["huge.png"], {"huge.png": (folder / "huge.png").read_bytes()}),
            "not a picture": (["notes.txt", "-o", "out/notes.bmp"], {"notes.txt": b"a picture, it is not"}),
        }
        for name, (args, files) in cases.items():
            with self.subTest(name):
                expected = native(args, files, PREPARE_NATIVE)
                self.assertEqual(expected, self.run_in_page(args, files, "prepare"))


class ServedTest(PageTests, unittest.TestCase):
    screenshot = True

    @classmethod
    def open_page(cls):
        server = Server()
        url = server.__enter__()
        cls.addClassCleanup(server.__exit__)
        return url


    def test_no_request_goes_beyond_the_page_s_own_files(self):
        self.browser.refresh()
        QuietHandler.requested.clear()
        self.browser.execute_async_script("window.panelbake.ready.then(arguments[0]);")
        self.convert(SAMPLE, height="64")
        self.assertNotIn(f"/{DECODERS}", QuietHandler.requested)  # a BMP converts without the decoders
        self.assertFalse([path for path in QuietHandler.requested if path.endswith(".map")])
        own = {f"/{p.name}" for p in SITE_DIR.iterdir() if p.suffix != ".map"}
        self.assertLessEqual(set(QuietHandler.requested), own)

    def test_axe_finds_no_violation_in_the_page_with_a_result(self):
        self.convert(SAMPLE, height="64")
        self.element("preview").send_keys(Keys.ARROW_RIGHT)  # the byte inspector's text shown too
        # No two controls are called the same (a size preset and a colour look both "Display").
        labels = self.browser.execute_script(
            "return [...document.querySelectorAll('input, select, textarea')].filter((c) => c.labels.length)"
            ".map((c) => c.labels[0].textContent.trim());")
        self.assertEqual(sorted(set(labels)), sorted(labels))
        self.assertEqual([], axe_violations(self.browser))

    def test_on_a_phone_nothing_runs_past_the_screen_s_edge(self):
        size = self.browser.get_window_size()
        try:
            self.browser.set_window_size(390, 900)
            self.convert(SAMPLE, height="64")
            widths = self.browser.execute_script(
                "return [document.documentElement.scrollWidth, document.documentElement.clientWidth];")
            self.assertLessEqual(widths[0], widths[1], "the page scrolls sideways")
            # Bytes back to a picture opened: its long layout choices stay within the screen too.
            self.browser.execute_script("document.getElementById('arrays').open = true;")
            opened = self.browser.execute_script(
                "return [document.documentElement.scrollWidth, document.documentElement.clientWidth];")
            self.browser.execute_script("document.getElementById('arrays').open = false;")
            self.assertLessEqual(opened[0], opened[1], "the page scrolls sideways with Bytes back to a picture open")
            slider = self.element("threshold-slider").rect
            self.assertLessEqual(slider["x"] + slider["width"], widths[1])
            # A row of 16 bytes stays on one line of the header's box; the flip labels stay whole.
            self.assertEqual("off", self.element("header").get_attribute("wrap"))
            for box in self.browser.find_elements(By.CSS_SELECTOR, "#flip-h, #flip-v"):
                label = box.find_element(By.XPATH, "..")
                self.assertLess(label.rect["height"], 2 * self.element("invert").rect["height"] + 10, label.text)
        finally:
            self.browser.set_window_size(size["width"], size["height"])

    def test_large_photo_is_prepared_and_converted_off_the_main_thread(self):
        photo = large_photo()
        expected, _ = prepared_natively("photo.jpg", photo.read_bytes(), ["-h", "64"])
        _, times, long_tasks = self.take_large_photo(photo, expected)
        # bench/run holds these to their goals; here only a hang, or the work back on the page's
        # thread, would fail.
        self.assertLessEqual(statistics.median(times), CONVERT_GOAL_MS * HANG_FACTOR)
        self.assertLessEqual(max(long_tasks, default=0), LONG_TASK_GOAL_MS * HANG_FACTOR)

    def take_large_photo(self, photo, expected):
        """Chooses the photo, changes the height at once and while a conversion is under way;
        checks the results and gives (chosen to drawn ms, option change ms, main-thread tasks
        over 50 ms)."""
        self.browser.refresh()
        self.browser.execute_async_script("window.panelbake.ready.then(arguments[0]);")
        self.browser.execute_script(WATCH_MAIN_THREAD)
        self.convert(photo, height="64")
        picked_ms = self.browser.execute_script("return window.pickedToDrawn;")
        # At once, while the page still makes the prepared picture's Blob for its download.
        times = [self.browser.execute_async_script(TIME_CHANGE, "height", height) for height in ("48", "40", "56", "32", "64")]
        long_tasks = self.browser.execute_script("return window.longTasks.splice(0);")  # before the test's reading
        self.assert_result_is({"files": expected}, "photo_glcd.h")
        # A new height typed while the whole photo is converted (no size given, a second or more).
        # Each keystroke may or may not show its own result before the next one comes; what holds
        # is that the newest options' result is shown last, and nothing older after it.
        WebDriverWait(self.browser, WAIT_S).until(lambda _: not self.element("prepared-download").get_property("hidden"))
        self.browser.execute_script("window.longTasks.length = 0;")  # the test's own reading's
        self.browser.execute_script(WATCH_HEIGHTS)
        field = self.element("height")
        field.send_keys(Keys.CONTROL, "a", Keys.DELETE)
        field.send_keys("32")
        self.wait_until_settled()
        long_tasks += self.browser.execute_script("return window.longTasks;")
        heights = self.browser.execute_script("return window.heightsShown;")
        self.assertEqual("32", heights[-1], heights)
        self.assertEqual(["32"] * (len(heights) - heights.index("32")), heights[heights.index("32"):])
        self.assert_result_is({"files": native(["photo.bmp", "-h", "32"], {"photo.bmp": expected["photo.bmp"]})["files"]},
                              "photo_glcd.h")
        return picked_ms, times, long_tasks


class FromDiskTest(PageTests, unittest.TestCase):
    screenshot = False

    @classmethod
    def open_page(cls):
        return (SITE_DIR / "index.html").as_uri()


# Chooses a picture (base64) through the page's file control and resolves to the header shown,
# as JSON: {summary, header, command}.
FIREFOX_PICK = """
(async () => {
  const [name, data, height] = %s;
  await window.panelbake.ready;
  const report = document.getElementById('report');
  const until = (done) => new Promise((resolve) => {
    const check = () => (done() ? resolve() : setTimeout(check, 20));
    check();
  });
  // No width: a first visit starts at 128 x 64.
  for (const [id, value] of [['width', ''], ['height', height]]) {
    const field = document.getElementById(id);
    field.value = value;
    field.dispatchEvent(new Event('input'));  // converts the picture before, if any
  }
  await until(() => report.dataset.state !== 'busy');
  const shown = Number(report.dataset.results || 0);
  const transfer = new DataTransfer();
  transfer.items.add(new File([Uint8Array.from(atob(data), (c) => c.charCodeAt(0))], name));
  const input = document.getElementById('picture');
  input.files = transfer.files;
  input.dispatchEvent(new Event('change'));
  await until(() => Number(report.dataset.results) > shown && report.dataset.state === 'done');
  return JSON.stringify({summary: document.getElementById('summary').textContent,
                         header: document.getElementById('header').value,
                         command: document.getElementById('command').textContent});
})()
"""


class Firefox:
    """Debian's Firefox ESR, headless, driven over WebDriver BiDi, which it speaks itself."""

    def __init__(self, resist_fingerprinting):
        import websocket  # Debian's python3-websocket
        self.profile = tempfile.mkdtemp(prefix="panelbake-firefox-")
        (Path(self.profile) / "user.js").write_text(
            f'user_pref("privacy.resistFingerprinting", {str(resist_fingerprinting).lower()});\n'
            'user_pref("browser.shell.checkDefaultBrowser", false);\n'
            'user_pref("datareporting.policy.dataSubmissionEnabled", false);\n')
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        self.process = subprocess.Popen(
            ["/usr/bin/firefox-esr", "--headless", "--remote-debugging-port", str(port), "--profile", self.profile],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 60
        while True:  # until Firefox listens
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.25)
        # The handshake is refused while an Origin header is sent.
        self.socket = websocket.create_connection(f"ws://127.0.0.1:{port}/session", suppress_origin=True,
                                                  timeout=120)
        self.last_id = 0
        self.send("session.new", {"capabilities": {}})
        self.context = self.send("browsingContext.getTree", {})["contexts"][0]["context"]

    def send(self, method, params):
        self.last_id += 1
        self.socket.send(json.dumps({"id": self.last_id, "method": method, "params": params}))
        while True:
            answer = json.loads(self.socket.recv())
            if answer.get("id") == self.last_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}: {answer.get('message')}")
                return answer["result"]

    def open(self, url):
        self.send("browsingContext.navigate", {"context": self.context, "url": url, "wait": "complete"})

    def evaluate(self, expression):
        result = self.send("script.evaluate", {"expression": expression, "target": {"context": self.context},
                                               "awaitPromise": True})
        if result["type"] != "success":
            raise RuntimeError(result["exceptionDetails"]["text"])
        return result["result"].get("value")

    def close(self):
        try:
            self.send("session.end", {})
        except Exception:
            pass
        self.socket.close()
        self.process.terminate()
        self.process.wait(timeout=30)
        shutil.rmtree(self.profile, ignore_errors=True)


@unittest.skipUnless(os.access("/usr/bin/firefox-esr", os.X_OK), "Firefox ESR is not installed (firefox-esr)")
class FirefoxTest(unittest.TestCase):
    """Resist-fingerprinting perturbs what a canvas reads back: the page reads none, so the headers
    are the command line's with the setting off and on."""

    def test_headers_equal_the_command_line_with_resist_fingerprinting_off_and_on_served_and_from_disk(self):
        folder = prepared_pictures()
        pictures()  # logo.png: transparency
        cases = [("turned.jpg", "64"), ("grey16.png", "48"), ("walk.gif", "32"), ("logo.png", "64"),
                 ("landscape.bmp", "64")]
        expected = {}
        for name, height in cases:
            data = SAMPLE.read_bytes() if name == "landscape.bmp" else (folder / name).read_bytes()
            if name == "landscape.bmp":
                expected[name] = (data, native([name, "-h", height], {name: data})["files"]["landscape_glcd.h"])
            else:
                files, frame = prepared_natively(name, data, ["-h", height])
                expected[name] = (data, files[frame[:-4] + "_glcd.h"])
        with Server() as url:
            # Served with the setting off and on, and from disk with it on.
            for resist, page in ((False, url), (True, url), (True, (SITE_DIR / "index.html").as_uri())):
                firefox = Firefox(resist)
                try:
                    firefox.open(page)
                    for name, height in cases:
                        with self.subTest(resist_fingerprinting=resist, page=page, picture=name):
                            data, header = expected[name]
                            shown = json.loads(firefox.evaluate(
                                FIREFOX_PICK % json.dumps([name, base64.b64encode(data).decode(), height])))
                            self.assertEqual(header.decode(), shown["header"], shown["summary"])
                finally:
                    firefox.close()


if __name__ == "__main__":
    unittest.main()
