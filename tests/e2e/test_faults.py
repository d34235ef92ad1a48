# SPDX-License-Identifier: MIT
"""Faults injected for real: a full disk, outputs that cannot be written, too little
memory. Each run ends with its message and exit code, leaves no partial header behind,
keeps whatever it could not replace, and never touches the source."""
import hashlib
import os
import pwd
import resource
import signal
import subprocess
import unittest

from bmp_craft import bmp
from glcd_support import EMULATED, POSIX_ONLY, WINDOWS, TempDirTest, converter_command, text_of

NOT_LOADED = 255       # exit code -1
NOT_CONVERTED = 254    # exit code -2
PREVIEW_FAILED = "Error on creating preview file\n"
HEADER_FAILED = "Error on creating header file\n"
SANITIZED = os.environ.get("PANELBAKE_SANITIZED") == "1"
AS_ROOT = os.geteuid() == 0

# A 40 x 20 source: its preview is 222 bytes, its header about 1.1 kB.
SOURCE = bmp(40, 20, 24)
PREVIEW_BYTES = 222


def file_size_limit(limit):
    """A child whose files cannot grow past `limit` bytes: a write beyond it fails with
    EFBIG instead of killing the process, as on a full disk."""
    def limit_child():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    return limit_child


def memory_limit(limit):
    def limit_child():
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
    return limit_child


def as_nobody():
    """Root ignores file modes; the child runs as the unprivileged user instead."""
    user = pwd.getpwnam("nobody")

    def demote():
        os.setgroups([])
        os.setresgid(user.pw_gid, user.pw_gid, user.pw_gid)
        os.setresuid(user.pw_uid, user.pw_uid, user.pw_uid)
    return demote


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


@unittest.skipIf(WINDOWS, POSIX_ONLY)
class Faults(TempDirTest):

    def setUp(self):
        super().setUp()
        self.source = self.write("logo.bmp", SOURCE)
        self.before = digest(self.source)

    def convert(self, *options, preexec_fn=None, source="logo.bmp"):
        proc = subprocess.run(converter_command(source, "-v", *options), cwd=self.dir, capture_output=True,
                              preexec_fn=preexec_fn, timeout=300)
        self.assertEqual(digest(self.source), self.before, "the source was changed")
        return proc.returncode, text_of(proc.stdout), text_of(proc.stderr)

    def assert_refused(self, result, message, code=NOT_CONVERTED):
        self.assertEqual((result[0], result[2]), (code, message), result[1])

    def open_to_nobody(self):
        """Lets the unprivileged user read the source and write into the directory."""
        os.chmod(self.dir, 0o777)
        os.chmod(self.source, 0o644)

    def test_disk_full_while_writing_the_preview(self):
        result = self.convert(preexec_fn=file_size_limit(100))
        self.assert_refused(result, PREVIEW_FAILED)
        self.assertIn("Picture Error: Could not write proper amount of data.\n", result[1])
        self.assertFalse(os.path.exists(self.path("logo_glcd.h")))

    def test_disk_full_while_writing_the_header(self):
        result = self.convert(preexec_fn=file_size_limit(600))
        self.assert_refused(result, HEADER_FAILED)
        self.assertEqual(os.path.getsize(self.path("logo_glcd.bmp")), PREVIEW_BYTES)
        self.assertFalse(os.path.exists(self.path("logo_glcd.h")))

    def test_outputs_on_a_device_that_is_always_full(self):
        for output, message in (("logo_glcd.bmp", PREVIEW_FAILED), ("logo_glcd.h", HEADER_FAILED)):
            with self.subTest(output):
                os.symlink("/dev/full", self.path(output))
                self.assert_refused(self.convert(), message)
                self.assertFalse(os.path.exists(self.path("logo_glcd.h")))
                for name in ("logo_glcd.bmp", "logo_glcd.h"):
                    if os.path.lexists(self.path(name)):
                        os.remove(self.path(name))

    def test_unwritable_output_directory(self):
        os.chmod(self.source, 0o644)
        os.chmod(self.dir, 0o755 if AS_ROOT else 0o555)
        self.addCleanup(os.chmod, self.dir, 0o755)
        result = self.convert(preexec_fn=as_nobody() if AS_ROOT else None)
        self.assert_refused(result, PREVIEW_FAILED)
        self.assertIn("Picture Error: Cannot open file logo_glcd.bmp for output.\n", result[1])
        self.assertEqual(self.files(), ["logo.bmp"])

    def test_read_only_outputs_are_kept(self):
        for output, message in (("logo_glcd.bmp", PREVIEW_FAILED), ("logo_glcd.h", HEADER_FAILED)):
            with self.subTest(output):
                self.open_to_nobody()
                kept = self.write(output, b"written by an earlier run\n")
                os.chmod(kept, 0o444)
                result = self.convert(preexec_fn=as_nobody() if AS_ROOT else None)
                self.assert_refused(result, message)
                with open(kept, "rb") as f:
                    self.assertEqual(f.read(), b"written by an earlier run\n")
                if output == "logo_glcd.bmp":
                    self.assertFalse(os.path.exists(self.path("logo_glcd.h")))
                for name in ("logo_glcd.bmp", "logo_glcd.h"):
                    if os.path.exists(self.path(name)):
                        os.remove(self.path(name))

    @unittest.skipIf(SANITIZED, "the sanitizers reserve more address space than any limit allows")
    @unittest.skipIf(EMULATED, "the limit would bind the emulator, not the program")
    def test_too_little_memory_for_the_conversion(self):
        cases = [
            # the rescaled source: 20000 x 10000 pixels
            ("-h", "10000"),
            # the target: 8000 x 16000 pixels, after a rescale to 8000 x 4000
            ("-w", "8000", "-h", "16000"),
        ]
        for options in cases:
            with self.subTest(options=options):
                # The target is held as bits (25 and 16 MB here): the limit is below that.
                result = self.convert(*options, preexec_fn=memory_limit(20 << 20))
                self.assert_refused(result, 'Error: not enough memory to convert "logo.bmp"\n')
                self.assertEqual(self.files(), ["logo.bmp"])

    @unittest.skipIf(SANITIZED, "the sanitizers reserve more address space than any limit allows")
    @unittest.skipIf(EMULATED, "the limit would bind the emulator, not the program")
    def test_too_little_memory_to_load_the_source(self):
        # 58 bytes and more claiming 1 x 2^28 pixels: allowed, but read whole in full colour
        # (with -v, a picture one pixel wide is scaled through the literal path), a gigabyte
        # of grid. The warnings about a header come once its grid is had: here, never.
        cases = [
            ("bytes skipped, read whole", bmp(1, 1 << 28, 24, rows=[bytes(3)], extra=bytes(3))),
        ]
        for what, source in cases:
            with self.subTest(what):
                self.write("big.bmp", source)
                result = self.convert(source="big.bmp", preexec_fn=memory_limit(256 << 20))
                self.assert_refused(result, 'Error opening file "big.bmp"\n\n', NOT_LOADED)
                self.assertEqual(result[1], "")
                self.assertEqual(self.files(), ["big.bmp", "logo.bmp"])

    @unittest.skipIf(SANITIZED, "the sanitizers reserve more address space than any limit allows")
    @unittest.skipIf(EMULATED, "the limit would bind the emulator, not the program")
    def test_claimed_pictures_convert_in_the_memory_of_their_target(self):
        # 16384 x 16384 pixels claimed by a few bytes: the rows go straight into the 32 MiB
        # target as bits, and the rows the file does not hold are white.
        cases = [
            ("24 bits", bmp(16384, 16384, 24, rows=[bytes(4)])),
            ("a short colour table", bmp(16384, 16384, 8, rows=[bytes(4)], table=bytes(8))),
        ]
        for what, source in cases:
            with self.subTest(what):
                self.write("big.bmp", source)
                result = self.convert(source="big.bmp", preexec_fn=memory_limit(128 << 20))
                self.assertEqual((result[0], result[2]), (0, ""), result[1])
                self.assertEqual(self.files(), ["big.bmp", "big_glcd.bmp", "big_glcd.h", "logo.bmp"])
                for output in ("big_glcd.bmp", "big_glcd.h"):
                    os.remove(self.path(output))


if __name__ == "__main__":
    unittest.main()
