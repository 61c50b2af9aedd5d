#!/usr/bin/python3
"""Installs the game into a temporary prefix, as `cmake --install` does for a person, and checks
what lands there with the desktop's own validators, then starts the installed program.

    python3 tests/system/install_test.py --cmake cmake --build-dir build/ci \
        --app-id example.morvane.Morvane
"""

import argparse
import configparser
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree

ARGS = None
# Infos appstreamcli gives on every id under a reserved domain: it knows only delegated TLDs,
# and it would rather ids were lower case, which desktop ids rarely are.
ACCEPTED_APPSTREAM_NOTES = {"cid-maybe-not-rdns", "cid-contains-uppercase-letter"}
# AppStream 1.0 (Debian 13) names the developer in <developer>, and rejects the <developer_name>
# before it; AppStream 0.16 (Debian 12) does not know the new tag yet and only notes it.
ACCEPTED_UNKNOWN_TAGS = {"developer"}


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, check=False, **kwargs)


def png_size(path):
    with open(path, "rb") as png:
        header = png.read(26)
    if header[:8] != b"\x89PNG\r\n\x1a\n" or header[12:16] != b"IHDR":
        raise AssertionError(f"{path} is not a PNG")
    width, height, depth, colour = struct.unpack(">IIBB", header[16:26])
    return width, height, depth, colour


class Installed(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = tempfile.mkdtemp(prefix="morvane-install-")
        done = run([ARGS.cmake, "--install", ARGS.build_dir, "--prefix", cls.prefix])
        if done.returncode != 0:
            raise AssertionError(f"cmake --install failed:\n{done.stdout}{done.stderr}")
        cls.id = ARGS.app_id
        cls.program = os.path.join(cls.prefix, "bin", "morvane")
        cls.desktop_entry = os.path.join(cls.prefix, "share", "applications", f"{cls.id}.desktop")
        cls.metainfo = os.path.join(cls.prefix, "share", "metainfo", f"{cls.id}.metainfo.xml")
        cls.icons = os.path.join(cls.prefix, "share", "icons", "hicolor")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.prefix)

    def entry(self):
        parser = configparser.ConfigParser(interpolation=None)
        parser.optionxform = str
        parser.read(self.desktop_entry, encoding="utf-8")
        return parser["Desktop Entry"]

    def test_installs_the_program_and_its_desktop_files_and_nothing_else(self):
        found = set()
        for directory, _, files in os.walk(self.prefix):
            for name in files:
                found.add(os.path.relpath(os.path.join(directory, name), self.prefix))
        self.assertEqual(
            found,
            {
                "bin/morvane",
                f"share/applications/{self.id}.desktop",
                f"share/metainfo/{self.id}.metainfo.xml",
                f"share/icons/hicolor/16x16/apps/{self.id}.png",
                f"share/icons/hicolor/32x32/apps/{self.id}.png",
                f"share/icons/hicolor/scalable/apps/{self.id}.svg",
                "share/man/man6/morvane.6.gz",
                "share/doc/morvane/copyright",
                "share/doc/morvane/changelog.Debian.gz",
            },
        )
        self.assertTrue(os.access(self.program, os.X_OK))

    def test_desktop_entry_is_valid_and_starts_the_installed_program(self):
        checked = run(["desktop-file-validate", self.desktop_entry])
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        # It exits 0 on warnings and hints too; an entry without either is what we ship.
        self.assertEqual(checked.stdout + checked.stderr, "")

        entry = self.entry()
        self.assertEqual(entry["Type"], "Application")
        self.assertEqual(entry["Name"], "Morvane")
        self.assertTrue(entry["Comment"])
        self.assertEqual(entry["Exec"], os.path.basename(self.program))
        self.assertEqual(entry["Terminal"], "false")
        self.assertEqual(entry["Icon"], self.id)
        self.assertEqual([c for c in entry["Categories"].split(";") if c], ["Game", "ArcadeGame"])

    def test_metainfo_is_valid_and_describes_this_entry(self):
        checked = run(["appstreamcli", "validate", "--no-net", "--format=yaml", self.metainfo])
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        self.assertIn("Passed: yes", checked.stdout)
        issues = re.findall(r"^- tag: (\S+)\n\s+severity: (\S+)(?:\n\s+component: \S+)?"
                            r"(?:\n\s+line: \d+)?(?:\n\s+hint: (\S+))?", checked.stdout,
                            re.MULTILINE)
        for tag, severity, hint in issues:
            self.assertIn(severity, {"info", "pedantic"}, f"{tag} is a {severity}")
            if tag == "unknown-tag":
                self.assertIn(hint, ACCEPTED_UNKNOWN_TAGS)
            else:
                self.assertIn(tag, ACCEPTED_APPSTREAM_NOTES)

        component = ElementTree.parse(self.metainfo).getroot()
        self.assertEqual(component.get("type"), "desktop-application")
        self.assertEqual(component.findtext("id"), self.id)
        # Software centres show the program's licence and may only republish metadata
        # under a permissive one.
        self.assertEqual(component.findtext("project_license"), "MIT")
        self.assertEqual(component.findtext("metadata_license"), "CC0-1.0")
        self.assertEqual(component.findtext("name"), self.entry()["Name"])
        self.assertTrue(component.findtext("summary"))
        self.assertGreaterEqual(len(component.findall("description/p")), 1)
        launchable = component.find("launchable")
        self.assertEqual(launchable.get("type"), "desktop-id")
        self.assertEqual(launchable.text, os.path.basename(self.desktop_entry))
        self.assertEqual(component.findtext("provides/binary"), os.path.basename(self.program))
        screenshot = component.findtext("screenshots/screenshot/image", "")
        self.assertTrue(screenshot.startswith("https://"), screenshot)
        releases = component.findall("releases/release")
        self.assertEqual(len(releases), 1)
        self.assertRegex(releases[0].get("date"), r"^\d{4}-\d\d-\d\d$")

    def test_icons_are_the_sizes_their_folders_name(self):
        for size in (16, 32):
            width, height, depth, colour = png_size(
                os.path.join(self.icons, f"{size}x{size}", "apps", f"{self.id}.png"))
            self.assertEqual((width, height), (size, size))
            # 8-bit RGBA: the rounded corners stay transparent on any panel.
            self.assertEqual((depth, colour), (8, 6))
        svg = ElementTree.parse(os.path.join(self.icons, "scalable", "apps", f"{self.id}.svg"))
        root = svg.getroot()
        self.assertEqual(root.tag, "{http://www.w3.org/2000/svg}svg")
        _, _, width, height = (float(v) for v in root.get("viewBox").split())
        self.assertEqual(width, height)

    def test_installed_program_starts_and_keeps_running_quietly(self):
        environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            game = subprocess.Popen([self.program], stdout=out, stderr=err, env=environment,
                                    stdin=subprocess.DEVNULL)
            try:
                time.sleep(2)
                self.assertIsNone(game.poll(), "the program ended on its own")
            finally:
                game.send_signal(signal.SIGTERM)
                game.wait(10)
            err.seek(0)
            out.seek(0)
            self.assertEqual(err.read().decode(errors="replace"), "")
            self.assertEqual(out.read().decode(errors="replace"), "")

    def test_window_carries_the_icon_and_the_entrys_window_class_on_x11(self):
        read_end, write_end = os.pipe()
        server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp",
                                   "-screen", "0", "640x480x24"],
                                  pass_fds=(write_end,), stderr=subprocess.DEVNULL)
        os.close(write_end)
        game = None
        try:
            with os.fdopen(read_end) as display_file:
                display = ":" + display_file.readline().strip()
            environment = {k: v for k, v in os.environ.items()
                           if k not in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY")}
            environment["DISPLAY"] = display
            game = subprocess.Popen([self.program], env=environment, stdin=subprocess.DEVNULL,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            properties = self.wait_for_window(environment)
            # A desktop on X11 matches the window to its entry by the class half of WM_CLASS.
            window_class = re.search(r'^WM_CLASS = "[^"]*", "([^"]*)"$', properties, re.MULTILINE)
            self.assertIsNotNone(window_class, properties)
            self.assertEqual(window_class.group(1), self.entry()["StartupWMClass"])
            icon = re.search(r"^_NET_WM_ICON = (.*)$", properties, re.MULTILINE)
            self.assertIsNotNone(icon, f"the window has no icon:\n{properties}")
            self.assertEqual(icon_sizes([int(v) for v in icon.group(1).split(",")]),
                             [(16, 16), (32, 32)])
        finally:
            if game is not None:
                game.terminate()
                game.wait(10)
            server.terminate()
            server.wait(10)

    def wait_for_window(self, environment):
        """The window's class and icon properties once it has both, or as they are after 20 s:
        Qt sets them one after the other as it makes the window."""
        deadline = time.monotonic() + 20
        properties = None
        while time.monotonic() < deadline:
            # -notype 32c: the icon as plain numbers, width and height before each image.
            shown = run(["xprop", "-name", "Morvane", "-notype", "WM_CLASS",
                         "32c", "_NET_WM_ICON"], env=environment)
            if shown.returncode == 0 and "WM_CLASS =" in shown.stdout:
                properties = shown.stdout
                if "_NET_WM_ICON =" in properties:
                    break
            time.sleep(0.1)
        if properties is None:
            self.fail("the window never appeared on the X server")
        return properties


def icon_sizes(values):
    sizes = []
    while values:
        width, height = values[0], values[1]
        sizes.append((width, height))
        values = values[2 + width * height:]
    return sorted(sizes)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--app-id", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
