# SPDX-License-Identifier: MIT
"""The page's walls, from the bundler's graph of its modules and from the sources: no import cycle,
no interface of emscripten or of the decoder library that is not public, words for every failure the
programs hand over, and a lint rule that finds module state and views that write what they show."""
import json
import os
import re
import subprocess
import tempfile
import unittest
from pathlib import Path

SOURCE_DIR = Path(os.environ.get("PANELBAKE_SOURCE_DIR", Path(__file__).resolve().parents[2]))
METAFILE = os.environ.get("PANELBAKE_PAGE_METAFILE")
NPM_DIR = os.environ.get("PANELBAKE_PAGE_NPM_DIR")


def enum_members(header, enum):
    """The members of a C++ enum in a header, as the page names them: noPicture -> no-picture."""
    body = re.search(r"enum (?:class )?" + enum + r"\b[^{]*\{(.*?)\};", (SOURCE_DIR / header).read_text(), re.S).group(1)
    names = re.findall(r"^\s*(\w+)\s*(?:=[^,]*)?,", re.sub(r"//.*", "", body), re.M)
    return [re.sub(r"([A-Z])", lambda m: "-" + m.group(1).lower(), name) for name in names]


def import_cycle(graph):
    """A cycle of the graph (module -> modules it imports) as a list of modules, or None."""
    done, path = set(), []

    def visit(module):
        if module in path:
            return path[path.index(module):] + [module]
        if module in done:
            return None
        path.append(module)
        for imported in graph.get(module, ()):
            cycle = visit(imported)
            if cycle:
                return cycle
        path.pop()
        done.add(module)
        return None

    for module in graph:
        cycle = visit(module)
        if cycle:
            return cycle
    return None


class ModulesTest(unittest.TestCase):
    def test_the_cycle_finder_finds_a_cycle_and_no_other(self):
        self.assertEqual(["b", "c", "b"], import_cycle({"a": ["b"], "b": ["c"], "c": ["b"]}))
        self.assertIsNone(import_cycle({"a": ["b", "c"], "b": ["c"], "c": []}))

    @unittest.skipUnless(METAFILE, "PANELBAKE_PAGE_METAFILE is not set: run through ctest")
    def test_no_module_of_the_page_or_its_worker_imports_itself_through_others(self):
        bundles = json.loads(Path(METAFILE).read_text(encoding="utf-8"))
        for name, meta in bundles.items():
            with self.subTest(bundle=name):
                graph = {module: [i["path"] for i in info["imports"]] for module, info in meta["inputs"].items()}
                self.assertGreater(len(graph), 3 if name == "worker" else 15)
                self.assertIsNone(import_cycle(graph))

    def test_every_failure_the_programs_hand_over_has_the_page_s_words(self):
        failures = (SOURCE_DIR / "web/src/failures.js").read_text(encoding="utf-8")
        words = {table: set(re.findall(r"^  '([a-z-]+)': ", re.search(table + r" = \{(.*?)\};", failures, re.S).group(1), re.M))
                 for table in ("CONVERSION_MEANINGS", "PREPARATION_MEANINGS")}
        cases = {  # the enum, the module that names its members for the page, the page's words
            "RunFailure": ("converter/run_notes.h", "web/module/panelbake_page.cpp", "CONVERSION_MEANINGS"),
            "PrepareExit": ("prepare/prepare_run.h", "web/module/prepare_page.cpp", "PREPARATION_MEANINGS"),
        }
        for enum, (header, module, table) in cases.items():
            with self.subTest(enum):
                named = set(enum_members(header, enum)) - {"prepared"}  # success has no words
                self.assertGreater(len(named), 7)
                self.assertEqual(named, words[table])
                self.assertEqual(named, set(re.findall(r'"([a-z]+(?:-[a-z]+)+)"', (SOURCE_DIR / module).read_text())) & named)

    @unittest.skipUnless(NPM_DIR, "PANELBAKE_PAGE_NPM_DIR is not set: run through ctest")
    def test_the_lint_rule_finds_module_state_and_views_that_write(self):
        cases = {  # module (under src/), its code, the rule's complaint or None
            "counter.js": ("export let count = 0;\n", "no let at a module's top level"),
            "cache.js": ("const cache = new Map();\nexport const keep = (k) => cache.set(k, 1);\n",
                         "the module's cache is not changed"),
            "box.js": ("const box = {n: 0};\nexport function more() { box.n++; }\n", "the module's box is not changed"),
            "table.js": ("const TABLE = {a: 1};\nexport const of = (k) => TABLE[k];\n", None),
            "views/row.js": ("export function showRow(state, entry) { entry.row = state.selected; }\n",
                             "Assignment to property of function parameter 'entry'"),
        }
        with tempfile.TemporaryDirectory() as folder:
            for name, (code, _) in cases.items():
                (Path(folder) / "src" / name).parent.mkdir(parents=True, exist_ok=True)
                (Path(folder) / "src" / name).write_text(code)
            run = subprocess.run(["node", f"{NPM_DIR}/node_modules/eslint/bin/eslint.js", "--format", "json",
                                  "--config", str(SOURCE_DIR / "web/eslint.config.js"), "src/**/*.js"],
                                 cwd=folder, capture_output=True, text=True, env={**os.environ,
                                 "NODE_PATH": f"{NPM_DIR}/node_modules"})
            found = {Path(r["filePath"]).relative_to(Path(folder) / "src").as_posix(): [m["message"] for m in r["messages"]]
                     for r in json.loads(run.stdout)}
        for name, (_, complaint) in cases.items():
            with self.subTest(name):
                if complaint:
                    self.assertTrue(any(complaint in message for message in found[name]), found[name])
                else:
                    self.assertEqual([], found[name])

    def test_only_public_interfaces_of_emscripten_and_stb_are_used(self):
        private = {
            # emscripten's in-memory file nodes, its internal file creation and exit exception
            "web": (("src/**/*.js", "*.js"), r"\.contents\b|\busedBytes\b|createDataFile|ExitStatus|\bFS\.lookupPath"),
            # stb_image's names of two underscores are its own
            "prepare": (("**/*.cpp", "**/*.h"), r"\bstbi__\w+"),
        }
        for folder, (patterns, pattern) in private.items():
            for glob in patterns:
                for path in (SOURCE_DIR / folder).glob(glob):
                    with self.subTest(path=str(path.relative_to(SOURCE_DIR))):
                        self.assertEqual([], re.findall(pattern, path.read_text(encoding="utf-8")))


if __name__ == "__main__":
    unittest.main()
