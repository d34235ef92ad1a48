#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The page's timings beside their goals, in headless Chromium on the built site.

Takes a 6000 x 4000 JPEG photo (quality 90) through the page's controls, as a user would: from
choosing it to its drawn result at -h 64, then five changes of the height and five of the
threshold with Floyd-Steinberg dithering at 128 x 64, while Chromium records a trace of the
page's thread. Prints each number beside its goal, with the native programs' time for the same
photo. Used by bench/run; on its own:

    bench/page_timings.py [--site build/web/site] [--attempts 3]

It needs the web preset built (build/web/site) and the release preset's native programs, and
Debian's chromium, chromium-driver, python3-selenium and python3-pil.
"""

import argparse
import ctypes
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
REPO_DIR = os.path.dirname(BENCH_DIR)

# The goals.
GOAL_READY_MS = 1000          # the page ready after opening
GOAL_PHOTO_RATIO = 2.0        # chosen to drawn ÷ the native chain with 4 KB pages
GOAL_CHANGE_MS = 50           # an option change on the prepared photo, drawn
GOAL_ADJUST_MS = 100          # an adjustment changed on the prepared photo, drawn
GOAL_LONGEST_TASK_MS = 50     # the longest task on the page's thread, from choosing to the last change

TRACE_CATEGORIES = "devtools.timeline,disabled-by-default-devtools.timeline,blink.user_timing"

PRCTL = ctypes.CDLL(None, use_errno=True).prctl


def four_kilobyte_pages():
    """In a child before it starts: no transparent huge pages for it (PR_SET_THP_DISABLE), so that
    its memory comes in 4 KB pages, as a browser gives a page's."""
    if PRCTL(41, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "transparent huge pages could not be turned off")


def native_seconds(native, prepare_native, picture, args, setup=None):
    """The time of panelbake-prepare PICTURE && panelbake PICTURE.bmp ARGS natively, the best of three;
    setup runs in each program before it starts."""
    best = None
    with tempfile.TemporaryDirectory() as work:
        shutil.copy(picture, work)
        for _ in range(3):
            start = time.perf_counter()
            subprocess.run([prepare_native, picture.name, "--force"], cwd=work, check=True, preexec_fn=setup)
            subprocess.run([native, picture.stem + ".bmp", *args], cwd=work, check=True, capture_output=True,
                           preexec_fn=setup)
            seconds = time.perf_counter() - start
            best = seconds if best is None else min(best, seconds)
    return best


def verdict(ok):
    return "met" if ok else "NOT met"


def page_thread_tasks(events, start_mark, end_mark):
    """The tasks of the page's thread between two performance marks: [(wall ms, CPU ms)]."""
    marks = {e["name"]: e for e in events if e.get("cat", "").startswith("blink.user_timing")}
    start, end = marks[start_mark], marks[end_mark]
    thread = (start["pid"], start["tid"])
    tasks = [e for e in events if (e["pid"], e["tid"]) == thread and e.get("ph") == "X"
             and e.get("name") in ("ThreadControllerImpl::RunTask", "RunTask")
             and start["ts"] <= e["ts"] <= end["ts"]]
    return [(e["dur"] / 1000, e.get("tdur", 0) / 1000) for e in tasks]


class Page:
    """A fresh Chromium on the served site, with a trace of its threads."""

    def __init__(self, test_page):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for switch in test_page.CHROMIUM_SWITCHES:
            options.add_argument(switch)
        self.profile = tempfile.mkdtemp(prefix="panelbake-bench-chromium-")
        options.add_argument(f"--user-data-dir={self.profile}")
        options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
        options.add_experimental_option("perfLoggingPrefs", {"traceCategories": TRACE_CATEGORIES})
        self.browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.browser.set_script_timeout(test_page.WAIT_S)
        self.test_page = test_page

    def close(self):
        self.browser.quit()
        shutil.rmtree(self.profile, ignore_errors=True)

    def trace(self):
        """The trace since the browser started; Chromium records no more once it is read."""
        events = []
        for entry in self.browser.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message["method"] == "Tracing.dataCollected":
                events.append(message["params"])
        return events

    def set_field(self, id_, value):
        from selenium.webdriver.common.keys import Keys
        field = self.browser.find_element("id", id_)
        field.send_keys(Keys.CONTROL, "a", Keys.DELETE)
        if value:
            field.send_keys(value)

    def wait_until(self, condition):
        from selenium.webdriver.support.ui import WebDriverWait
        WebDriverWait(self.browser, self.test_page.WAIT_S).until(lambda _: condition())

    def attempt(self, url, photo):
        """One pass: {ready, picked, changes, adjustments, tasks}."""
        from selenium.webdriver.support.ui import Select
        browser = self.browser
        report = lambda name: browser.find_element("id", "report").get_attribute(name)  # noqa: E731
        browser.get(url)
        browser.execute_async_script("window.panelbake.ready.then(arguments[0]);")
        ready = browser.execute_script("return window.panelbake.readyAt;")
        browser.execute_script("try { localStorage.clear(); } catch (error) {}")
        self.set_field("width", "")
        self.set_field("height", "64")
        Select(browser.find_element("id", "dither")).select_by_value("")
        self.wait_until(lambda: report("data-state") != "busy")
        browser.execute_script(self.test_page.WATCH_MAIN_THREAD + "performance.mark('bench-pick');")
        shown = int(report("data-results") or 0)
        browser.find_element("id", "picture").send_keys(str(photo))
        self.wait_until(lambda: int(report("data-results") or 0) > shown and report("data-state") == "done")
        picked = browser.execute_script("return window.pickedToDrawn;")
        change = self.test_page.TIME_CHANGE
        changes = [browser.execute_async_script(change, "height", h) for h in ("48", "40", "56", "32", "64")]
        # Floyd-Steinberg at 128 x 64: panelbake-prepare on the held photo, then panelbake.
        Select(browser.find_element("id", "dither")).select_by_value("floyd-steinberg")
        browser.execute_async_script(change, "width", "128")
        adjustments = [browser.execute_async_script(change, "threshold", t) for t in ("320", "360", "400", "440", "480")]
        browser.execute_script("performance.mark('bench-end');")
        time.sleep(1)  # the trace's last pieces
        tasks = page_thread_tasks(self.trace(), "bench-pick", "bench-end")
        return {"ready": ready, "picked": picked, "changes": statistics.median(changes),
                "adjustments": statistics.median(adjustments), "tasks": tasks}


def measure(site, native, prepare_native, attempts):
    """The page's numbers and the native chain's, as lines beside their goals."""
    os.environ.update(PANELBAKE_SOURCE_DIR=REPO_DIR, PANELBAKE_SITE_DIR=site, PANELBAKE_NATIVE=native,
                      PANELBAKE_PREPARE_NATIVE=prepare_native)
    sys.path.insert(0, os.path.join(REPO_DIR, "tests", "web"))
    import test_page
    photo = test_page.large_photo()
    native_ms = 1000 * native_seconds(native, prepare_native, photo, ["-h", "64"])
    small_pages_ms = 1000 * native_seconds(native, prepare_native, photo, ["-h", "64"], four_kilobyte_pages)
    runs = []
    try:
        with test_page.Server() as url:
            for _ in range(attempts):
                page = Page(test_page)
                try:
                    runs.append(page.attempt(url, photo))
                finally:
                    page.close()
    finally:
        test_page.tearDownModule()

    def middle(key):
        return statistics.median(run[key] for run in runs)
    ready, picked, changes, adjustments = middle("ready"), middle("picked"), middle("changes"), middle("adjustments")
    longest = [max(run["tasks"]) for run in runs]  # (wall, CPU) of each attempt's longest task
    wall, cpu = sorted(longest)[len(longest) // 2]
    ratio = picked / small_pages_ms
    return [
        f"page ready after opening: {ready:.0f} ms ({verdict(ready <= GOAL_READY_MS)}: {GOAL_READY_MS} ms)",
        f"6000 x 4000 photo chosen to drawn at -h 64: {picked:.0f} ms; natively panelbake-prepare + panelbake "
        f"{native_ms:.0f} ms ({picked / native_ms:.1f}x), with 4 KB pages as a browser gives {small_pages_ms:.0f} ms "
        f"({ratio:.1f}x, {verdict(ratio <= GOAL_PHOTO_RATIO)}: {GOAL_PHOTO_RATIO}x)",
        f"an option change on the photo, drawn: {changes:.1f} ms ({verdict(changes <= GOAL_CHANGE_MS)}: "
        f"{GOAL_CHANGE_MS} ms)",
        f"an adjustment changed on the photo (Floyd-Steinberg at 128 x 64), drawn: {adjustments:.1f} ms "
        f"({verdict(adjustments <= GOAL_ADJUST_MS)}: {GOAL_ADJUST_MS} ms)",
        f"longest task on the page's thread from choosing to the last change: {wall:.0f} ms, of which "
        f"{cpu:.0f} ms on the CPU ({verdict(wall <= GOAL_LONGEST_TASK_MS)}: {GOAL_LONGEST_TASK_MS} ms)",
        f"(medians of {attempts} attempts, each in a fresh browser)",
    ]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--site", default=os.path.join(REPO_DIR, "build", "web", "site"))
    parser.add_argument("--native", default=os.path.join(REPO_DIR, "build", "release", "converter", "panelbake"))
    parser.add_argument("--prepare-native",
                        default=os.path.join(REPO_DIR, "build", "release", "prepare", "panelbake-prepare"))
    parser.add_argument("--attempts", type=int, default=3)
    opts = parser.parse_args()
    for line in measure(opts.site, opts.native, opts.prepare_native, opts.attempts):
        print(line)


if __name__ == "__main__":
    main()
