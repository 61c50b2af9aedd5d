#!/usr/bin/python3
"""Inspects Morvane.exe as a Windows player gets it, without a Windows machine: it must start on
any Windows (only system DLLs imported, the right kind of PE), carry its version record, icon and
manifest, and ship in a zip that unpacks to one folder.

    python3 tests/system/windows_executable_test.py \
        --exe build/windows-x64/window/win32/Morvane.exe --arch x86_64 \
        --objdump x86_64-w64-mingw32-objdump --cpack cpack --build-dir build/windows-x64 \
        --version-text TEXT
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

ARGS = None

# DLLs that every Windows since 7 has in System32; anything else would have to travel with the
# program.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "msvcrt.dll"}


def run(command):
    done = subprocess.run(command, capture_output=True, check=False)
    if done.returncode != 0:
        raise AssertionError(f"{' '.join(command)} failed:\n{done.stderr.decode(errors='replace')}")
    return done.stdout


def resource(kind):
    """The raw bytes of the executable's resources of one type."""
    return run(["wrestool", "--extract", "--raw", f"--type={kind}", ARGS.exe])


class WindowsExecutable(unittest.TestCase):
    def test_imports_only_system_dlls_and_is_the_right_machine(self):
        headers = run([ARGS.objdump, "-p", ARGS.exe]).decode()
        imported = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
        self.assertTrue(imported, headers)
        self.assertLessEqual(imported, SYSTEM_DLLS)
        expected = "pei-x86-64" if ARGS.arch == "x86_64" else "pei-i386"
        self.assertRegex(headers, rf"file format {expected}\b")
        # A window program: no console opens beside it.
        self.assertRegex(headers, r"Subsystem\s+00000002")

    def test_carries_its_version_record_icon_and_manifest(self):
        record = resource(16).decode("utf-16-le", errors="ignore")
        for key, value in (("FileVersion", ARGS.version_text),
                           ("ProductVersion", ARGS.version_text),
                           ("ProductName", "Morvane"), ("InternalName", "Morvane"),
                           ("OriginalFilename", "Morvane.exe")):
            self.assertRegex(record, f"{key}\0+{re.escape(value)}\0")

        work = tempfile.mkdtemp(prefix="morvane-exe-")
        self.addCleanup(shutil.rmtree, work)
        run(["wrestool", "--extract", "--type=14", f"--output={work}", ARGS.exe])
        icons = [os.path.join(work, name) for name in os.listdir(work)]
        self.assertEqual(len(icons), 1, icons)
        sizes = {line.split("--width=")[1].split()[0]
                 for line in run(["icotool", "--list", icons[0]]).decode().splitlines()}
        self.assertEqual(sizes, {"16", "32"})

        manifest = resource(24).decode()
        self.assertIn("PerMonitorV2", manifest)
        self.assertIn('level="asInvoker"', manifest)
        self.assertIn("Microsoft.Windows.Common-Controls", manifest)

    def test_zip_unpacks_to_one_folder_with_the_program_its_read_me_and_licence(self):
        work = tempfile.mkdtemp(prefix="morvane-zip-")
        self.addCleanup(shutil.rmtree, work)
        run([ARGS.cpack, "-G", "ZIP", "-B", work, "--config",
             os.path.join(ARGS.build_dir, "CPackConfig.cmake")])
        arch = "x64" if ARGS.arch == "x86_64" else "x86"
        name = f"Morvane-{ARGS.version_text}-windows-{arch}"
        with zipfile.ZipFile(os.path.join(work, f"{name}.zip")) as archive:
            self.assertEqual(sorted(archive.namelist()),
                             [f"{name}/{file}" for file in ("LICENSE.txt", "Morvane.exe",
                                                            "README.txt")])
            readme = archive.read(f"{name}/README.txt").decode("ascii")
        # Notepad on older Windows shows a file without CR as one long line.
        self.assertIn("\r\n", readme)
        self.assertNotRegex(readme, r"[^\r]\n")


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--arch", choices=("x86_64", "i686"), required=True)
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--cpack", required=True)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--version-text", required=True, help="the version as the game shows it")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
