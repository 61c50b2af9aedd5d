#!/usr/bin/python3
"""Compiles the Windows resource script CMake writes for Morvane.exe with the MinGW-w64 resource
compiler, since no Windows machine is at hand, and reads the version record and icon back out.

    python3 tests/system/windows_resource_test.py --windres x86_64-w64-mingw32-windres \
        --resource build/ci/packaging/morvane.rc --project-version VERSION --version-text TEXT
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

ARGS = None


class WindowsResource(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="morvane-rc-")
        cls.compiled = os.path.join(cls.work, "morvane.res")
        cls.compile("res", cls.compiled)
        # windres writes a compiled resource back out as a script: what Windows will read.
        cls.decompiled = cls.windres(["-i", cls.compiled, "-O", "rc"])

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    @classmethod
    def windres(cls, arguments):
        # The host's C preprocessor: the script includes no Windows headers.
        done = subprocess.run([ARGS.windres, "--preprocessor=cpp"] + arguments,
                              capture_output=True, text=True, check=False)
        if done.returncode != 0:
            raise AssertionError(f"windres {' '.join(arguments)} failed:\n{done.stderr}")
        return done.stdout

    @classmethod
    def compile(cls, output_format, output):
        cls.windres(["-i", ARGS.resource, "-O", output_format, "-o", output])

    def version_block(self):
        match = re.search(r"^1 VERSIONINFO\n(.*?)^END$", self.decompiled, re.MULTILINE | re.DOTALL)
        self.assertIsNotNone(match, self.decompiled)
        return match.group(1)

    def test_compiles_to_an_object_the_executable_links(self):
        linked = os.path.join(self.work, "morvane_rc.o")
        self.compile("coff", linked)
        with open(linked, "rb") as coff:
            machine, = struct.unpack("<H", coff.read(2))
        self.assertEqual(machine, 0x8664)  # IMAGE_FILE_MACHINE_AMD64

    def test_version_record_names_the_program_in_us_english_unicode(self):
        block = self.version_block()
        strings = re.search(r'BLOCK "StringFileInfo"\s*BEGIN\s*BLOCK "([0-9A-Fa-f]{8})"\s*BEGIN'
                            r"(.*?)END", block, re.DOTALL)
        self.assertIsNotNone(strings, block)
        # 0409: English (United States); 04B0 = 1200: UTF-16, the Unicode code page.
        self.assertEqual(strings.group(1).upper(), "040904B0")
        values = dict(re.findall(r'VALUE "([^"]+)", "([^"]*)"', strings.group(2)))
        text = ARGS.version_text
        self.assertEqual(values, {
            "FileVersion": text,
            "ProductVersion": text,
            "ProductName": "Morvane",
            "InternalName": "Morvane",
            "OriginalFilename": "Morvane.exe",
        })
        self.assertRegex(block, r'VALUE "Translation", 0x409, 1200\b')
        # The resources themselves are filed under LANG_ENGLISH, SUBLANG_ENGLISH_US.
        languages = set(re.findall(r"^LANGUAGE (\d+), (\d+)$", self.decompiled, re.MULTILINE))
        self.assertEqual(languages, {("9", "1")})

    def test_fixed_versions_are_the_project_version(self):
        block = self.version_block()
        fixed = ", ".join(ARGS.project_version.split("."))
        self.assertIn(f" FILEVERSION {fixed}\n", block)
        self.assertIn(f" PRODUCTVERSION {fixed}\n", block)
        self.assertIn(" FILETYPE 0x1\n", block)  # VFT_APP

    def test_icon_carries_the_two_sizes_drawn_for_it(self):
        group = re.search(r'^"IDI_ICON1" 14 /\* RT_GROUP_ICON \*/.*?^END$', self.decompiled,
                          re.MULTILINE | re.DOTALL)
        self.assertIsNotNone(group, self.decompiled)
        # Each image: width and height as octal escapes, then planes and bits per pixel.
        images = re.findall(r'"\\(\d{3})\\(\d{3})\\000\\000", 1, (\d+)', group.group(0))
        self.assertEqual(sorted((int(w, 8), int(h, 8), int(bits)) for w, h, bits in images),
                         [(16, 16, 32), (32, 32, 32)])


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--windres", required=True)
    parser.add_argument("--resource", required=True)
    parser.add_argument("--project-version", required=True)
    parser.add_argument("--version-text", required=True, help="the version as the game shows it")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
