# SPDX-License-Identifier: MIT
"""The page's walls, from the bundler's graph of its modules and from the sources: no import cycle,
and no interface of emscripten or of the decoder library that is not public."""
import json
import os
import re
import unittest
from pathlib import Path

SOURCE_DIR = Path(os.environ.get("PANELBAKE_SOURCE_DIR", Path(__file__).resolve().parents[2]))
METAFILE = os.environ.get("PANELBAKE_PAGE_METAFILE")


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
