#!/usr/bin/python3
"""Builds the Debian package with CPack into a temporary folder and checks it the way Debian's
tools see it: its file list, its control fields, lintian, and that every version written into
the package and the Windows resource script is the one project version.

    python3 tests/system/deb_package_test.py --cpack cpack --build-dir build/ci \
        --app-id example.morvane.Morvane --project-version VERSION --version-text TEXT \
        --windows-resource build/ci/packaging/morvane.rc
"""

import argparse
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

ARGS = None
SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# lintian tags this package is known to carry, each with the reason it is left alone.
ACCEPTED_LINTIAN_TAGS = {
    # Asks the first upload to close Debian's "intent to package" bug; this package is not
    # uploaded to Debian.
    "initial-upload-closes-no-bugs",
    # Infos: strip(1) as CPack runs it keeps the .comment section, and the hardening link flags
    # are the build's business, not the package's.
    "binary-has-unneeded-section",
    "hardening-no-bindnow",
}


def run(command, **kwargs):
    done = subprocess.run(command, capture_output=True, text=True, check=False, **kwargs)
    if done.returncode != 0:
        raise AssertionError(f"{' '.join(command)} failed:\n{done.stdout}{done.stderr}")
    return done.stdout


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="morvane-deb-")
        run([ARGS.cpack, "--config", os.path.join(ARGS.build_dir, "CPackConfig.cmake"),
             "-G", "DEB", "-B", cls.work])
        packages = [name for name in os.listdir(cls.work) if name.endswith(".deb")]
        if len(packages) != 1:
            raise AssertionError(f"expected one package, CPack made {packages}")
        cls.name = packages[0]
        cls.deb = os.path.join(cls.work, cls.name)
        cls.root = os.path.join(cls.work, "root")
        run(["dpkg-deb", "--extract", cls.deb, cls.root])
        cls.id = ARGS.app_id

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def field(self, name):
        return run(["dpkg-deb", "--field", self.deb, name]).rstrip("\n")

    def test_file_name_carries_the_debian_version_and_architecture(self):
        architecture = run(["dpkg", "--print-architecture"]).strip()
        self.assertEqual(self.field("Architecture"), architecture)
        self.assertEqual(self.name, f"morvane_{self.field('Version')}_{architecture}.deb")

    def test_lists_exactly_the_program_and_its_desktop_files(self):
        listing = run(["dpkg-deb", "--contents", self.deb]).splitlines()
        entries = {}
        for line in listing:
            mode, owner, _, _, _, path = line.split(None, 5)
            entries[path.removeprefix("./").rstrip("/")] = (mode, owner)
        files = {path for path, (mode, _) in entries.items() if not mode.startswith("d")}
        self.assertEqual(files, {
            # Debian keeps games in /usr/games.
            "usr/games/morvane",
            f"usr/share/applications/{self.id}.desktop",
            f"usr/share/metainfo/{self.id}.metainfo.xml",
            f"usr/share/icons/hicolor/16x16/apps/{self.id}.png",
            f"usr/share/icons/hicolor/32x32/apps/{self.id}.png",
            f"usr/share/icons/hicolor/scalable/apps/{self.id}.svg",
            "usr/share/man/man6/morvane.6.gz",
            "usr/share/doc/morvane/copyright",
            "usr/share/doc/morvane/changelog.Debian.gz",
        })
        # No folder but those the files need, such as an empty usr/bin.
        parents = {os.path.dirname(path) for path in files}
        needed = set()
        for parent in parents:
            while parent:
                needed.add(parent)
                parent = os.path.dirname(parent)
        self.assertEqual({path for path in entries if path} - files, needed)
        for path, (mode, owner) in entries.items():
            self.assertEqual(owner, "root/root", path)
            executable = mode.startswith("d") or path == "usr/games/morvane"
            self.assertEqual(mode[1:], "rwxr-xr-x" if executable else "rw-r--r--", path)

    def test_control_names_section_maintainer_and_description(self):
        self.assertEqual(self.field("Package"), "morvane")
        self.assertEqual(self.field("Section"), "games")
        self.assertEqual(self.field("Priority"), "optional")
        self.assertRegex(self.field("Maintainer"), r"^[^<>]+ <[^<>@\s]+@[^<>@\s]+>$")
        synopsis, *extended = self.field("Description").split("\n")
        self.assertTrue(synopsis)
        self.assertGreaterEqual(len(extended), 2)
        self.assertTrue(all(line.startswith(" ") and len(line) <= 80 for line in extended))

    def relations(self, field):
        found = {}
        for alternative in self.field(field).split(","):
            name, _, constraint = alternative.strip().partition(" ")
            found[name] = constraint
        return found

    def test_depends_on_the_runtime_libraries_it_links_and_the_design_fonts(self):
        depends = self.relations("Depends")
        for library in ("libqt6widgets6", "libqt6gui6", "libqt6core6", "libstdc++6", "libc6"):
            # Computed from the program's own symbols, so each carries a lowest version. Debian 13
            # renamed some libraries for their 64-bit time_t with a "t64" suffix.
            constraint = depends.get(library, depends.get(f"{library}t64", ""))
            self.assertRegex(constraint, r"^\(>= [^)]+\)$", library)
        self.assertIn("fonts-liberation2", depends)
        for name in depends:
            self.assertFalse(name.endswith("-dev"), f"{name} is a build package")

    def test_recommends_the_wayland_plugin_without_requiring_it(self):
        # Qt loads it when the desktop is a Wayland one; the game runs through XWayland without.
        self.assertEqual(self.relations("Recommends"), {"qt6-wayland": ""})
        self.assertNotIn("qt6-wayland", self.relations("Depends"))

    def test_copyright_grants_the_licence_of_the_sources(self):
        path = os.path.join(self.root, "usr/share/doc/morvane/copyright")
        with open(path, encoding="utf-8") as copyright_file:
            paragraphs = [dict(re.findall(r"^(\S+): ?(.*(?:\n .*)*)", paragraph, re.MULTILINE))
                          for paragraph in copyright_file.read().split("\n\n")]
        self.assertEqual(paragraphs[0]["Format"],
                         "https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/")
        files = {p["Files"]: p for p in paragraphs if "Files" in p}
        self.assertEqual(files["*"]["License"], "Expat")
        self.assertIn("The Morvane developers", files["*"]["Copyright"])
        # The text shipped is the LICENSE at the top of the sources, word for word.
        granted = next(p["License"] for p in paragraphs
                       if "Files" not in p and p.get("License", "").startswith("Expat\n"))
        with open(os.path.join(SOURCE_DIR, "LICENSE"), encoding="utf-8") as licence:
            permission = licence.read().split("\n\n", 2)[2]
        # " ." is how the format writes an empty line.
        self.assertEqual([word for word in granted.split()[1:] if word != "."],
                         permission.split())

    def test_lintian_finds_no_errors(self):
        done = subprocess.run(["lintian", "--display-info", self.deb], capture_output=True,
                              text=True, check=False)
        tags = re.findall(r"^([EWIPX]): morvane[^:]*: (\S+)", done.stdout, re.MULTILINE)
        self.assertNotIn("E", [severity for severity, _ in tags], done.stdout)
        self.assertEqual({tag for _, tag in tags} - ACCEPTED_LINTIAN_TAGS, set(), done.stdout)
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)

    def test_every_version_is_the_project_version(self):
        text = ARGS.version_text
        debian_version = self.field("Version")
        self.assertEqual(debian_version.rpartition("-")[0], text)

        metainfo = os.path.join(self.root, "usr/share/metainfo", f"{self.id}.metainfo.xml")
        releases = ElementTree.parse(metainfo).getroot().findall("releases/release")
        self.assertEqual(releases[0].get("version"), text)

        changelog_path = os.path.join(self.root, "usr/share/doc/morvane/changelog.Debian.gz")
        with gzip.open(changelog_path, "rt", encoding="utf-8") as changelog:
            self.assertRegex(changelog.readline(), rf"^morvane \({re.escape(debian_version)}\) ")

        with gzip.open(os.path.join(self.root, "usr/share/man/man6/morvane.6.gz"), "rt") as page:
            self.assertIn(f'"Morvane {text}"', page.readline())

        # The program's own version, as Qt gets it: a UTF-16 string in the executable.
        with open(os.path.join(self.root, "usr/games/morvane"), "rb") as program:
            strings = re.findall(rb"(?:[\x20-\x7e]\x00){3,}", program.read())
        shown = {s.decode("utf-16-le") for s in strings}
        self.assertEqual({s for s in shown if re.fullmatch(r"\d+\.\d\d", s)}, {text})

        with open(ARGS.windows_resource, encoding="utf-8") as script:
            resource = script.read()
        self.assertEqual(set(re.findall(r'VALUE "(?:File|Product)Version", "([^"]*)"', resource)),
                         {text})
        fixed = ",".join(ARGS.project_version.split("."))
        self.assertEqual(set(re.findall(r"^(?:FILE|PRODUCT)VERSION (\S+)$", resource,
                                        re.MULTILINE)), {fixed})


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--cpack", required=True)
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--app-id", required=True)
    parser.add_argument("--project-version", required=True)
    parser.add_argument("--version-text", required=True, help="the version as the game shows it")
    parser.add_argument("--windows-resource", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
