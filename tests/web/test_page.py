# SPDX-License-Identifier: MIT
"""The page in headless Chromium, served over HTTP and opened from disk: what it makes through its
controls and through window.panelbake.run is what the native program makes, byte for byte."""
import base64
import functools
import gzip
import http.server
import io
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import unittest
from pathlib import Path

from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

SOURCE_DIR = Path(os.environ["PANELBAKE_SOURCE_DIR"])
SITE_DIR = Path(os.environ["PANELBAKE_SITE_DIR"])
BINARY_DIR = Path(os.environ.get("PANELBAKE_BINARY_DIR", SITE_DIR.parent))
NATIVE = os.environ.get("PANELBAKE_NATIVE", str(SOURCE_DIR / "build/release/converter/panelbake"))
SAMPLE = SOURCE_DIR / "examples" / "landscape.bmp"
sys.path.insert(0, str(SOURCE_DIR / "tests" / "e2e"))
from bmp_craft import bmp  # noqa: E402

SITE_LIMIT, GZIP_LIMIT = 600_000, 200_000
READY_LIMIT_MS, CONVERT_LIMIT_MS = 1000, 50
CHROMIUM_SWITCHES = ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--window-size=1000,1450")

# Reads the canvas back: for each pixel of the drawn preview, 1 if its square is ink, else 0.
READ_PREVIEW = """
const canvas = document.getElementById('preview');
const zoom = Number(canvas.dataset.zoom), left = Number(canvas.dataset.left);
const width = (canvas.width - left) / zoom, height = canvas.height / zoom;
const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
const rows = [];
for (let y = 0; y < height; y++) {
  let row = '';
  for (let x = 0; x < width; x++) {
    const at = 4 * ((y * zoom + (zoom >> 1)) * canvas.width + left + x * zoom + (zoom >> 1));
    row += pixels[at] + pixels[at + 1] + pixels[at + 2] < 383 ? '1' : '0';
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
const [args, files, done] = arguments;
const bytes = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
const base64 = (data) => btoa(Array.from(data, (b) => String.fromCharCode(b)).join(''));
const input = Object.fromEntries(Object.entries(files).map(([name, text]) => [name, bytes(text)]));
window.panelbake.run(args, input).then((result) => done({
  code: result.code, stdout: result.stdout, stderr: result.stderr,
  files: Object.fromEntries(Object.entries(result.files).map(([name, data]) => [name, base64(data)])),
}), (error) => done({error: String(error)}));
"""

# Times one conversion through the controls: the height changes, and the result is drawn.
TIME_CHANGE = """
const [height, done] = arguments;
const report = document.getElementById('report');
const field = document.getElementById('height');
const shown = Number(report.dataset.results);
const start = performance.now();
new MutationObserver((changes, observer) => {
  if (Number(report.dataset.results) > shown && report.dataset.state === 'done') {
    observer.disconnect();
    done(performance.now() - start);
  }
}).observe(report, {attributes: true});
field.value = height;
field.dispatchEvent(new Event('input'));
"""


def native(args, files):
    """The native program run in a fresh directory holding files: {code, stdout, stderr, files}."""
    with tempfile.TemporaryDirectory() as work:
        for name, data in files.items():
            (Path(work) / name).parent.mkdir(parents=True, exist_ok=True)
            (Path(work) / name).write_bytes(data)
        run = subprocess.run([NATIVE, *args], cwd=work, capture_output=True)
        made = {p.relative_to(work).as_posix(): p.read_bytes() for p in Path(work).rglob("*") if p.is_file()}
        return {"code": run.returncode, "stdout": run.stdout.decode(), "stderr": run.stderr.decode(), "files": made}


def black_pixels(preview):
    """The rows of a preview BMP as the canvas is read back: '1' for black."""
    with Image.open(io.BytesIO(preview)) as picture:
        grey = picture.convert("L")
        return ["".join("1" if grey.getpixel((x, y)) < 128 else "0" for x in range(grey.width))
                for y in range(grey.height)]


WORK = tempfile.TemporaryDirectory(prefix="panelbake-web-")


def setUpModule():
    if not os.access(NATIVE, os.X_OK):
        raise RuntimeError(f"no native program at {NATIVE}: build the release preset or set PANELBAKE_NATIVE")


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
    recipe = re.search(r"^### Pillow \(Python\)\n+```python\n(.*?)^```", readme, re.S | re.M).group(1)
    subprocess.run(["/usr/bin/python3", "-c", recipe], cwd=folder, check=True)
    return folder


def start_chromium():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for switch in CHROMIUM_SWITCHES:
        options.add_argument(switch)
    profile = tempfile.mkdtemp(prefix="panelbake-chromium-")
    options.add_argument(f"--user-data-dir={profile}")
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    browser.set_script_timeout(30)
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
        files = sorted(p.name for p in SITE_DIR.iterdir())
        self.assertEqual(["index.html", "page.css", "page.js", "panelbake-module.js"], files)
        size = sum((SITE_DIR / name).stat().st_size for name in files)
        zipped = sum(len(gzip.compress((SITE_DIR / name).read_bytes(), 9)) for name in files)
        print(f"\nsite: {size:,} bytes, {zipped:,} gzipped (limits {SITE_LIMIT:,} and {GZIP_LIMIT:,})")
        self.assertLessEqual(size, SITE_LIMIT)
        self.assertLessEqual(zipped, GZIP_LIMIT)


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
        print(f"\n{cls.__name__}: ready {ready:.0f} ms after opening (limit {READY_LIMIT_MS})")
        cls.ready_ms = ready

    def element(self, id_):
        return self.browser.find_element(By.ID, id_)

    def results_shown(self):
        return int(self.element("report").get_attribute("data-results") or 0)

    def wait_until_done(self, after):
        WebDriverWait(self.browser, 20).until(lambda _: self.results_shown() > after and
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
        WebDriverWait(self.browser, 20).until(lambda _: self.element("report").get_attribute("data-state") != "busy")
        shown = self.results_shown()
        self.browser.execute_script("document.getElementById('picture').value = '';")
        self.element("picture").send_keys(str(path))
        self.wait_until_done(shown)

    def link_bytes(self, id_):
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

    def run_in_page(self, args, files=None):
        encoded = {name: base64.b64encode(data).decode() for name, data in (files or {}).items()}
        result = self.browser.execute_async_script(RUN, args, encoded)
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
        text = self.element("pixel-text").text
        binary = f"{data[index]:08b}"
        self.assertIn(f"page {page}, column {x}, index {page} × 128 + {x} = {index}, byte 0x{data[index]:02x}"
                      f" = {binary[:4]} {binary[4:]} binary; this pixel is bit {bit} = 1 (black)", text)
        # The keyboard moves the pointer too: one pixel down is the next bit (or the next page).
        canvas.send_keys(Keys.ARROW_DOWN)
        below = index + 128 if bit == 7 else index
        self.assertIn(f"index {below // 128} × 128 + {x} = {below}, byte 0x{data[below]:02x}",
                      self.element("pixel-text").text)
        if self.screenshot:  # for the README, in few colours
            self.browser.execute_script("document.activeElement.blur(); window.scrollTo(0, 0);")
            self.browser.save_screenshot(str(BINARY_DIR / "web.png"))
            with Image.open(BINARY_DIR / "web.png") as shot:
                shot.convert("RGB").quantize(64).save(BINARY_DIR / "web.png", optimize=True)

        times = [self.browser.execute_async_script(TIME_CHANGE, height) for height in ("48", "64") * 3]
        print(f"\n{type(self).__name__}: sample converted and drawn in "
              f"{', '.join(f'{t:.1f}' for t in times)} ms (limit {CONVERT_LIMIT_MS})")
        self.assertLessEqual(statistics.median(times), CONVERT_LIMIT_MS)
        self.assertLessEqual(self.ready_ms, READY_LIMIT_MS)

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
        # Colours as decoded, not converted: at most two JPEG decoders' rounding apart.
        self.assertLessEqual(max(abs(a - b) for a, b in zip(recipe[54:], prepared[54:])), 2)
        expected = native(["photo.bmp", "-h", "32", "-v"], {"photo.bmp": prepared})
        self.assert_result_is(expected, "photo_glcd.h")
        self.assertEqual(expected["stdout"], self.element("messages").get_property("textContent"))

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
        self.browser.execute_async_script("window.panelbake.ready.then(arguments[0]);")
        own = {f"/{p.name}" for p in SITE_DIR.iterdir()}
        self.assertLessEqual(set(QuietHandler.requested), own)


class FromDiskTest(PageTests, unittest.TestCase):
    screenshot = False

    @classmethod
    def open_page(cls):
        return (SITE_DIR / "index.html").as_uri()


if __name__ == "__main__":
    unittest.main()
