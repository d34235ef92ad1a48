# SPDX-License-Identifier: MIT
"""Several pictures at once in the page, opened from disk in headless Chromium: the list, "Download
all" against panelbake-prepare --table and panelbake run natively, and a pasted picture."""
import base64
import io
import shutil
import unittest
import zipfile

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select, WebDriverWait

from test_controls import run_command_line
from test_page import (DROP, PREPARE_NATIVE, SAMPLE, SITE_DIR, WAIT_S, PageTests, native, pictures, prepared_natively,
                       prepared_pictures, setUpModule, start_chromium, tearDownModule)  # noqa: F401 (the module's set-up)

# A paste of a picture, as the browser sends one for Ctrl+V: a PNG File in the event's
# DataTransfer, at the page (or at the field named). True when the page let it be.
PASTE = """
const [data, target] = arguments;
const transfer = new DataTransfer();
transfer.items.add(new File([Uint8Array.from(atob(data), (c) => c.charCodeAt(0))], 'image.png', {type: 'image/png'}));
const event = new ClipboardEvent('paste', {clipboardData: transfer, bubbles: true, cancelable: true});
return (target ? document.getElementById(target) : document.body).dispatchEvent(event);
"""

# A PNG (base64) written to the clipboard, as a picture copied elsewhere.
WRITE_CLIPBOARD = """
const [data, done] = arguments;
const blob = new Blob([Uint8Array.from(atob(data), (c) => c.charCodeAt(0))], {type: 'image/png'});
navigator.clipboard.write([new ClipboardItem({'image/png': blob})]).then(() => done('written'), (e) => done(String(e)));
"""


def native_batch(sources, args):
    """panelbake-prepare --table pictures SOURCES, then panelbake each BMP prepared with ARGS: every
    header and preview written, by name."""
    files = native(["--table", "pictures", *(p.name for p in sources)], {p.name: p.read_bytes() for p in sources},
                   PREPARE_NATIVE)["files"]
    made = {name: data for name, data in files.items() if name.endswith(".h")}
    for bmp in sorted(name for name in files if name.endswith(".bmp")):  # a BMP source passes through
        converted = native([bmp, *args], {bmp: files[bmp]})
        assert converted["code"] == 0, converted["stderr"]
        made.update({name: data for name, data in converted["files"].items() if name != bmp})
    return made


class BatchTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.browser, cls.profile = start_chromium()
        cls.addClassCleanup(shutil.rmtree, cls.profile, ignore_errors=True)
        cls.addClassCleanup(cls.browser.quit)
        cls.browser.get((SITE_DIR / "index.html").as_uri())  # from disk: the zip library is no fetch
        cls.browser.execute_async_script("window.panelbake.ready.then(arguments[0]);")

    element = PageTests.element
    results_shown = PageTests.results_shown
    wait_until_done = PageTests.wait_until_done
    link_bytes = PageTests.link_bytes

    def wait(self, condition, seconds=WAIT_S):
        WebDriverWait(self.browser, seconds).until(lambda _: condition())

    def set_options(self, height, memory="", width="", dither=""):
        self.browser.find_element(By.CSS_SELECTOR, f"input[name=memory][value='{memory}']").click()
        Select(self.element("dither")).select_by_value(dither)
        for id_, value in (("width", width), ("height", height)):
            field = self.element(id_)
            field.send_keys(Keys.CONTROL, "a", Keys.DELETE)
            field.send_keys(value)

    def choose(self, paths):
        self.browser.execute_script("document.getElementById('picture').value = '';")
        self.element("picture").send_keys("\n".join(str(p) for p in paths))

    def rows(self):
        return self.browser.find_elements(By.CSS_SELECTOR, "#batch-list li")

    def wait_for_list(self, count):
        self.wait(lambda: len(self.rows()) == count and self.element("batch-state").text.endswith("."))

    def download_all(self):
        """Download all: the zip's files by name."""
        self.element("batch-download").click()
        zipped = self.link_bytes("batch-zip")
        with zipfile.ZipFile(io.BytesIO(zipped)) as archive:
            return {name: archive.read(name) for name in archive.namelist()}

    def test_three_pictures_at_once_give_the_native_files_and_follow_an_option_change(self):
        folder = pictures()
        sources = [folder / "logo.png", folder / "photo.jpg", SAMPLE]
        self.set_options("64")
        self.choose(sources)
        self.wait_for_list(3)
        self.assertEqual(["logo.bmp", "photo.bmp", "landscape.bmp"],
                         [row.find_element(By.CLASS_NAME, "name").text for row in self.rows()])
        self.assertEqual("panelbake-prepare --table pictures logo.png photo.jpg landscape.bmp && panelbake logo.bmp"
                         " -h 64 && panelbake photo.bmp -h 64 && panelbake landscape.bmp -h 64",
                         self.element("command").text)
        expected = native_batch(sources, ["-h", "64"])
        self.assertEqual(expected, self.download_all())

        # Selecting a picture shows it below; new options convert the list again, and only the
        # newest count.
        self.rows()[1].find_element(By.TAG_NAME, "button").click()
        self.wait(lambda: self.element("header-name").text == "photo_glcd.h" and
                  self.element("report").get_attribute("data-state") == "done")
        self.assertEqual(expected["photo_glcd.h"].decode(), self.element("header").get_property("value"))
        self.set_options("32", "-pgm")
        self.wait_for_list(3)
        expected = native_batch(sources, ["-h", "32", "-pgm"])
        self.assertEqual(expected, self.download_all())
        self.wait(lambda: self.element("header").get_property("value") == expected["photo_glcd.h"].decode())

    def test_adjusted_pictures_at_once_give_what_the_shown_command_line_gives(self):
        folder = pictures()
        sources = [folder / "logo.png", folder / "photo.jpg", SAMPLE]
        self.set_options("64", "-pgm", width="128", dither="atkinson")
        self.choose(sources)
        self.wait_for_list(3)
        args = "-w 128 -h 64 --dither atkinson"
        command = self.element("command").text
        self.assertEqual(f"panelbake-prepare logo.png {args} && panelbake-prepare photo.jpg {args} && "
                         f"panelbake-prepare landscape.bmp {args} -o landscape_prepared.bmp && "
                         "panelbake-prepare --table pictures logo.bmp photo.bmp landscape_prepared.bmp && "
                         "panelbake logo.bmp -pgm && panelbake photo.bmp -pgm && panelbake landscape_prepared.bmp -pgm",
                         command)
        made = run_command_line(command, {p.name: p.read_bytes() for p in sources})
        zipped = self.download_all()
        self.assertEqual({"pictures.h", "logo_glcd.h", "photo_glcd.h", "landscape_prepared_glcd.h"},
                         {name for name in zipped if name.endswith(".h")})
        self.assertEqual({name: made[name] for name in zipped}, zipped)
        self.set_options("")

    def test_an_adjusted_picture_that_would_write_over_another_s_bmp_is_refused(self):
        # logo.bmp is prepared as logo_prepared.bmp, which is what logo_prepared.png gives too.
        dropped = [("logo.bmp", SAMPLE), ("logo_prepared.png", pictures() / "logo.png")]
        self.set_options("64", width="128", dither="atkinson")
        self.browser.execute_script(DROP, [[name, base64.b64encode(path.read_bytes()).decode()] for name, path in dropped])
        self.wait_for_list(2)
        # In panelbake-prepare's words: its claim check is asked.
        self.assertEqual('"logo_prepared.bmp" is written for another picture of this run already',
                         self.rows()[1].find_element(By.CLASS_NAME, "messages").text)
        self.assertIn("1 picture converted, 1 failure.", self.element("batch-state").text)
        self.assertEqual({"pictures.h", "logo_prepared_glcd.h", "logo_prepared_glcd.bmp"}, set(self.download_all()))
        self.set_options("")

    def test_a_picture_that_fails_is_listed_with_its_reason_and_the_others_are_converted(self):
        folder = prepared_pictures()
        # Dropped together: one that cannot be decoded, a GIF of three frames, two that would
        # give the same BMP and header (their BMPs kept apart as second.bmp and second_2.bmp,
        # both listed from their own names), and one named as a frame.
        dropped = [("huge.png", folder / "huge.png"), ("walk.gif", folder / "walk.gif"),
                   ("second.bmp", folder / "second.bmp"), ("second.jpg", pictures() / "photo.jpg"),
                   ("walk_01.png", pictures() / "logo.png")]
        self.set_options("16")
        self.browser.execute_script(DROP, [[name, base64.b64encode(path.read_bytes()).decode()] for name, path in dropped])
        self.wait_for_list(7)
        rows = self.rows()
        self.assertEqual(["huge.png", "walk_00.bmp", "walk_01.bmp", "walk_02.bmp", "second.bmp", "second_2.bmp",
                          "walk_01.png"], [row.find_element(By.CLASS_NAME, "name").text for row in rows])
        reasons = [row.find_element(By.CLASS_NAME, "messages").text for row in rows]
        self.assertTrue(reasons[0].startswith("The picture is too large: "), reasons[0])
        self.assertIn("40000", reasons[0])
        self.assertEqual('"walk_01.bmp" is written for another picture of this run already', reasons[6])
        for i, row in enumerate(rows):
            self.assertEqual(i in (0, 6), "failed" in row.get_attribute("class"))
            self.assertEqual(i not in (0, 6), "pixels" in row.find_element(By.CLASS_NAME, "size").text)
        self.assertIn("5 pictures converted, 2 failures.", self.element("batch-state").text)
        self.assertEqual("from second.jpg", rows[5].find_element(By.CLASS_NAME, "source").text)
        command = self.element("command").text
        self.assertEqual("panelbake-prepare second.jpg -o second_2.bmp && "
                         "panelbake-prepare --table pictures walk.gif second.bmp second_2.bmp"
                         + "".join(f" && panelbake {name} -h 16" for name in
                                   ("walk_00.bmp", "walk_01.bmp", "walk_02.bmp", "second.bmp", "second_2.bmp")),
                         command)
        # The zip holds what the command line makes of the pictures that could be prepared.
        made = run_command_line(command, {name: path.read_bytes() for name, path in dropped})
        zipped = self.download_all()
        self.assertEqual(12, len(zipped))  # five headers and previews, the table and the frames header
        self.assertEqual({name: made[name] for name in zipped}, zipped)

    def test_an_animated_gif_alone_is_listed_by_frame_and_downloaded_whole(self):
        gif = prepared_pictures() / "walk.gif"
        self.set_options("32")
        self.choose([gif])
        self.wait_for_list(3)
        # The command line shown gives what Download all gives: every frame and the table.
        command = self.element("command").text
        self.assertEqual("panelbake-prepare --table pictures walk.gif" +
                         "".join(f" && panelbake walk_0{i}.bmp -h 32" for i in range(3)), command)
        made = run_command_line(command, {"walk.gif": gif.read_bytes()})
        zipped = self.download_all()
        self.assertEqual(8, len(zipped))  # three headers and previews, the table and the frames header
        self.assertEqual({name: made[name] for name in zipped}, zipped)
        self.assertIn("preview BMP", self.element("batch-hint").text)

    def test_a_dropped_folder_gives_its_pictures_and_those_of_its_folders_by_name(self):
        # A folder as the browser hands one over: its entries read in batches until an empty
        # one; dropped through the page's own handler of drops. Its files are empty, so each
        # is listed as a picture that could not be decoded, under its own name.
        self.set_options("16")
        self.browser.execute_script("""
            const file = (name) => ({name, isFile: true, isDirectory: false, file: (ok) => ok(new File([''], name))});
            const folder = (name, children) => ({name, isFile: false, isDirectory: true, createReader() {
              const batches = [children.slice(0, 2), children.slice(2), []];
              return {readEntries: (ok) => setTimeout(() => ok(batches.shift()))};
            }});
            const shots = folder('shots', [file('b.png'), folder('sub', [file('c.JPG'), file('readme.txt')]),
                                           file('.hidden.png'), folder('.git', [file('x.png')]), file('a.gif')]);
            const item = (entry, name) => ({kind: 'file', webkitGetAsEntry: () => entry,
                                            getAsFile: () => new File([''], name)});
            const drop = new Event('drop', {bubbles: true, cancelable: true});
            drop.dataTransfer = {items: [item(shots), item(file('z.bmp'), 'z.bmp')], files: [], types: ['Files']};
            document.body.dispatchEvent(drop);
        """)
        self.wait_for_list(4)
        self.assertEqual(["a.gif", "b.png", "c.JPG", "z.bmp"],
                         [row.find_element(By.CLASS_NAME, "name").text for row in self.rows()])

    def test_a_pasted_picture_is_converted_as_if_chosen_and_a_field_keeps_its_paste(self):
        logo = (pictures() / "logo.png").read_bytes()
        self.set_options("64")
        self.wait(lambda: self.element("report").get_attribute("data-state") != "busy")
        shown = self.results_shown()
        self.assertTrue(self.browser.execute_script(PASTE, base64.b64encode(logo).decode(), "width"))
        self.assertFalse(self.browser.execute_script(PASTE, base64.b64encode(logo).decode(), None))
        self.wait_until_done(shown)
        self.assertEqual("panelbake-prepare pasted.png && panelbake pasted.bmp -h 64", self.element("command").text)
        # The file control says what is shown, not "No file chosen".
        self.assertEqual(["pasted.png"], self.browser.execute_script(
            "return [...document.getElementById('picture').files].map((f) => f.name);"))
        expected = prepared_natively("pasted.png", logo, ["-h", "64"])[0]["pasted_glcd.h"]
        self.assertEqual(expected.decode(), self.element("header").get_property("value"))
        self.assertTrue(self.element("batch").get_property("hidden"))

        # The Paste button reads the clipboard; the browser keeps a picture there as a PNG of
        # its own making, so only the way in is checked.
        self.browser.execute_cdp_cmd("Browser.grantPermissions", {"permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
        self.assertEqual("written", self.browser.execute_async_script(WRITE_CLIPBOARD, base64.b64encode(logo).decode()))
        shown = self.results_shown()
        self.element("paste").click()
        self.wait_until_done(shown)
        self.assertEqual("pasted_glcd.h", self.element("header-name").text)


if __name__ == "__main__":
    unittest.main()
