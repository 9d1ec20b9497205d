#!/usr/bin/env python3
"""Kalvane installed as a desktop program, judged by the desktop's own tools.

InstalledTree: `cmake --install` into a scratch DESTDIR, the files checked by
desktop-file-validate, appstreamcli, update-mime-database and xdg-mime, and compared with those
`kalvane -r` writes for a user. DebianPackage: the .deb cpack makes, its control fields, its
maintainer scripts run against a stand-in unopkg, and its programs run from the unpacked tree.

CTest runs one class per test (tests/install/CMakeLists.txt), with the build in the environment.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile
from pathlib import Path

BUILD = Path(os.environ["KALVANE_BINARY_DIR"])
CMAKE = os.environ["KALVANE_CMAKE"]
CPACK = os.environ["KALVANE_CPACK"]
CLI = os.environ["KALVANE_CLI"]
VERSION = os.environ["KALVANE_VERSION"]

# The sizes of the icon theme's PNG folders (the desktops' menus, panels, file lists, dialogs).
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
MIME_NAMESPACE = "{http://www.freedesktop.org/standards/shared-mime-info}"
# The generic type of compound files, in the system's shared MIME database.
COMPOUND_FILE_TYPE = "application/x-ole-storage"
# The first bytes of a document's Contents stream: its tag's length and the tag.
DOCUMENT_TAG = b"\x07KLV3DOC"


def run(test, command, **options):
    """Runs `command`, failing `test` with its output unless it ends with status 0."""
    result = subprocess.run([str(part) for part in command], capture_output=True, text=True,
                            check=False, **options)
    test.assertEqual(result.returncode, 0,
                     f"{command}\nstdout:\n{result.stdout}\nstderr:\n{result.stderr}")
    return result


def install(test, destdir):
    """Installs the build under /usr in `destdir`, the way a package is staged."""
    run(test, [CMAKE, "--install", BUILD, "--prefix", "/usr"],
        env={**os.environ, "DESTDIR": str(destdir)})


def files_under(folder):
    return {path.relative_to(folder).as_posix() for path in folder.rglob("*") if path.is_file()}


def desktop_entry(path):
    """The keys of a desktop file's [Desktop Entry] group."""
    entry = {}
    group = None
    for line in path.read_text(encoding="utf-8").splitlines():
        if line.startswith("["):
            group = line
        elif group == "[Desktop Entry]" and "=" in line and not line.startswith("#"):
            key, value = line.split("=", 1)
            entry[key] = value
    return entry


def png_size(path):
    """A PNG's width and height, from its header chunk."""
    data = path.read_bytes()[:24]
    assert data[:8] == b"\x89PNG\r\n\x1a\n" and data[12:16] == b"IHDR", path
    return int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")


def session(scratch, data_dirs):
    """A user's session without a display or a named desktop (so that xdg-mime asks the shared
    MIME database rather than a desktop's own tool), its home and data home empty scratch
    folders, the other data folders `data_dirs`."""
    environment = {name: value for name, value in os.environ.items()
                   if name not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM",
                                   "XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP",
                                   "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                   "GNOME_DESKTOP_SESSION_ID")}
    home = Path(tempfile.mkdtemp(dir=scratch, prefix="home-"))
    environment.update(HOME=str(home), XDG_DATA_HOME=str(home / "data"),
                       XDG_DATA_DIRS=":".join(str(folder) for folder in data_dirs))
    return environment


class InstalledTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = Path(tempfile.mkdtemp(prefix="kalvane-install-test-"))
        cls.addClassCleanup(shutil.rmtree, cls.scratch)
        cls.root = cls.scratch / "root"
        install(cls(), cls.root)
        cls.share = cls.root / "usr/share"
        metainfo = list((cls.share / "metainfo").glob("*.metainfo.xml"))
        assert len(metainfo) == 1, metainfo
        cls.metainfo = metainfo[0]
        component = ElementTree.parse(cls.metainfo).getroot()
        cls.component = component
        cls.entry_path = cls.share / "applications" / component.findtext("launchable")
        cls.entry = desktop_entry(cls.entry_path)
        mime_package = ElementTree.parse(cls.share / "mime/packages/kalvane.xml").getroot()
        types = [element.get("type") for element in mime_package.iter(MIME_NAMESPACE + "mime-type")]
        assert len(types) == 1, types
        cls.mime_type = types[0]

    def test_the_desktop_tools_accept_the_files(self):
        validation = run(self, ["desktop-file-validate", self.entry_path])
        self.assertEqual(validation.stdout + validation.stderr, "")
        # validate-tree reads the metainfo and the desktop entry it launches, as a software
        # centre's collector does; warnings fail it as errors do.
        run(self, ["appstreamcli", "validate-tree", "--no-net", self.root])
        run(self, ["xmllint", "--noout", self.share / "mime/packages/kalvane.xml"])

    def test_the_description_matches_what_is_installed(self):
        component = self.component
        self.assertEqual(component.get("type"), "desktop-application")
        self.assertEqual(self.metainfo.name, component.findtext("id") + ".metainfo.xml")
        self.assertEqual(component.findtext("name"), "Kalvane")
        self.assertEqual([release.get("version") for release in component.iter("release")][:1],
                         [VERSION])
        self.assertEqual([element.text for element in component.iter("mediatype")],
                         [self.mime_type])
        self.assertEqual(self.entry["MimeType"], self.mime_type + ";")
        binaries = [element.text for element in component.iter("binary")]
        self.assertEqual(sorted(binaries), ["kalvane", "kalvane-cli"])
        for binary in binaries:
            self.assertTrue(os.access(self.root / "usr/bin" / binary, os.X_OK), binary)
        # The installed entry starts the program found on the PATH.
        self.assertEqual(self.entry["Exec"].split()[0], "kalvane")

    def test_icons_in_every_size(self):
        icons = self.share / "icons/hicolor"
        # The program's icon is the one the entry names; the document type's carries the name the
        # desktop derives from the type.
        for kind, name in (("apps", self.entry["Icon"]),
                           ("mimetypes", self.mime_type.replace("/", "-"))):
            for size in ICON_SIZES:
                with self.subTest(kind=kind, size=size):
                    self.assertEqual(png_size(icons / f"{size}x{size}/{kind}/{name}.png"),
                                     (size, size))
            scalable = ElementTree.parse(icons / f"scalable/{kind}/{name}.svg").getroot()
            self.assertEqual(scalable.tag, "{http://www.w3.org/2000/svg}svg")

    def test_documents_are_known_by_name_and_by_content(self):
        # The installed type and entry, with the system's own database behind them, as the
        # package's triggers would rebuild them.
        xdg = self.scratch / "xdg"
        shutil.copytree(self.share / "mime", xdg / "mime")
        shutil.copytree(self.share / "applications", xdg / "applications")
        environment = session(self.scratch, [xdg, "/usr/share"])
        update = run(self, ["update-mime-database", xdg / "mime"], env=environment)
        self.assertEqual(update.stdout + update.stderr, "")
        run(self, ["update-desktop-database", xdg / "applications"], env=environment)

        document = self.scratch / "equation.kv3"
        run(self, [CLI, "save", "x^2", "-o", document])
        nameless = self.scratch / "equation"
        shutil.copyfile(document, nameless)
        # A compound file of another program: the same container without the document's tag.
        foreign = self.scratch / "other"
        data = document.read_bytes()
        self.assertIn(DOCUMENT_TAG, data)
        foreign.write_bytes(data.replace(DOCUMENT_TAG, b"\x07NOTMINE"))

        def file_type(path):
            return run(self, ["xdg-mime", "query", "filetype", path],
                       env=environment).stdout.strip()

        self.assertEqual(file_type(document), self.mime_type)
        self.assertEqual(file_type(nameless), self.mime_type)
        self.assertEqual(file_type(foreign), COMPOUND_FILE_TYPE)
        handler = run(self, ["xdg-mime", "query", "default", self.mime_type], env=environment)
        self.assertEqual(handler.stdout.strip(), self.entry_path.name)

    def test_registering_writes_the_installed_files(self):
        # The installed editor registers for a user; without the databases' tools on the PATH it
        # writes its files and nothing else.
        data_home = self.scratch / "registered"
        program = self.root / "usr/bin/kalvane"
        environment = session(self.scratch, ["/usr/share"])
        environment.update(XDG_DATA_HOME=str(data_home), PATH=str(self.scratch / "no-tools"))
        run(self, [program, "-r"], env=environment)

        installed = set()
        for folder in ("applications", "mime", "icons"):
            installed |= {f"{folder}/{path}" for path in files_under(self.share / folder)}
        self.assertEqual(files_under(data_home), installed)
        entry = self.entry_path.relative_to(self.share).as_posix()
        for path in sorted(installed - {entry}):
            self.assertEqual((data_home / path).read_bytes(), (self.share / path).read_bytes(),
                             path)

        def split(text):
            lines = text.splitlines()
            return ([line for line in lines if not line.startswith(("Exec=", "TryExec="))],
                    [line for line in lines if line.startswith(("Exec=", "TryExec="))])

        own_lines, own_commands = split((data_home / entry).read_text(encoding="utf-8"))
        installed_lines, installed_commands = split(self.entry_path.read_text(encoding="utf-8"))
        self.assertEqual(own_lines, installed_lines)
        self.assertEqual(own_commands,
                         [line.replace("=kalvane", f"={program}", 1)
                          for line in installed_commands])


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        test = cls()
        cls.scratch = Path(tempfile.mkdtemp(prefix="kalvane-package-test-"))
        cls.addClassCleanup(shutil.rmtree, cls.scratch)
        out = cls.scratch / "out"
        run(test, [CPACK, "-G", "DEB", "-B", out, "--config", BUILD / "CPackConfig.cmake"])
        packages = list(out.glob("*.deb"))
        assert len(packages) == 1, packages
        cls.package = packages[0]
        cls.root = cls.scratch / "root"
        cls.control = cls.scratch / "control"
        run(test, ["dpkg-deb", "-x", cls.package, cls.root])
        run(test, ["dpkg-deb", "-e", cls.package, cls.control])
        cls.fields = {}
        for line in run(test, ["dpkg-deb", "-f", cls.package]).stdout.splitlines():
            if line and not line[0].isspace():
                key, value = line.split(":", 1)
                cls.fields[key] = value.strip()

    def names(self, field):
        """The package names of a relation field, without their versions."""
        return {part.split()[0] for part in self.fields.get(field, "").split(",") if part.strip()}

    def owner(self, library):
        """The package holding a shared library, by its path as the loader finds it."""
        for path in (library, library.replace("/usr/lib/", "/lib/", 1),
                     library.replace("/lib/", "/usr/lib/", 1)):
            found = subprocess.run(["dpkg", "-S", path], capture_output=True, text=True,
                                   check=False)
            if found.returncode == 0:
                return found.stdout.split(":")[0]
        self.fail(f"no package holds {library}")

    def test_control_fields(self):
        fields = self.fields
        self.assertEqual(fields["Package"], "kalvane")
        self.assertEqual(fields["Version"].rsplit("-", 1)[0], VERSION)
        architecture = run(self, ["dpkg", "--print-architecture"]).stdout.strip()
        self.assertEqual(fields["Architecture"], architecture)
        self.assertEqual(fields["Section"], "math")
        self.assertTrue(fields["Maintainer"] and fields["Homepage"] and fields["Description"])
        self.assertEqual(self.names("Recommends"),
                         {"fonts-liberation2", "fonts-urw-base35", "xdg-utils"})
        self.assertEqual(self.names("Suggests"), {"libreoffice-writer", "python3-uno"})
        # The package of every shared library the programs need is among the dependencies.
        depends = self.names("Depends")
        self.assertIn("libqt6widgets6", depends)
        for program in ("kalvane", "kalvane-cli"):
            path = self.root / "usr/bin" / program
            headers = run(self, ["objdump", "-p", path]).stdout.splitlines()
            needed = {line.split()[1] for line in headers if line.split()[:1] == ["NEEDED"]}
            found = {}
            for line in run(self, ["ldd", path]).stdout.splitlines():
                name, _, place = line.strip().partition(" => ")
                found[name] = place.split(" (")[0]
            self.assertTrue(needed)
            for library in sorted(needed):
                with self.subTest(program=program, library=library):
                    self.assertIn(self.owner(found[library]), depends)

    def test_the_package_holds_the_install_under_usr(self):
        installed = self.scratch / "installed"
        install(self, installed)
        self.assertEqual([path.name for path in self.root.iterdir()], ["usr"])
        self.assertEqual(files_under(self.root), files_under(installed))
        environment = {name: value for name, value in os.environ.items()
                       if name not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        for program in ("kalvane-cli", "kalvane"):
            version = run(self, [self.root / "usr/bin" / program, "--version"], env=environment)
            self.assertEqual(version.stdout.strip(), f"{program} {VERSION}")

    def test_maintainer_scripts_add_and_remove_the_writer_extension(self):
        # unopkg is a stand-in that logs its arguments; the PATH holds it and the few tools the
        # scripts use, never the real one.
        scratch = self.scratch / "scripts"
        tools = scratch / "tools"
        stand_in = scratch / "stand-in"
        for folder in (tools, stand_in, scratch / "tmp"):
            folder.mkdir(parents=True)
        for tool in ("mktemp", "rm"):
            (tools / tool).symlink_to(shutil.which(tool))
        log = scratch / "unopkg.log"
        unopkg = stand_in / "unopkg"
        unopkg.write_text('#!/bin/sh\nprintf "%s\\n" "$*" >>"$UNOPKG_LOG"\n'
                          'exit "$UNOPKG_STATUS"\n')
        unopkg.chmod(0o755)

        def script(name, argument, status=0, with_unopkg=True):
            log.unlink(missing_ok=True)
            path = f"{stand_in}:{tools}" if with_unopkg else str(tools)
            environment = {"PATH": path, "TMPDIR": str(scratch / "tmp"),
                           "UNOPKG_LOG": str(log), "UNOPKG_STATUS": str(status)}
            result = subprocess.run([self.control / name, argument], env=environment,
                                    capture_output=True, text=True, check=False)
            self.assertEqual(result.returncode, 0, f"{name} {argument}: {result.stderr}")
            # The scratch profile given to unopkg is gone again.
            self.assertEqual(list((scratch / "tmp").iterdir()), [])
            return (log.read_text().splitlines() if log.exists() else []), result.stderr

        for name in ("postinst", "prerm"):
            self.assertTrue(os.access(self.control / name, os.X_OK), name)
        with zipfile.ZipFile(self.root / "usr/share/kalvane/kalvane-writer.oxt") as extension:
            description = ElementTree.fromstring(extension.read("description.xml"))
        identifier = description.find(
            "{http://openoffice.org/extensions/description/2006}identifier").get("value")

        calls, _ = script("postinst", "configure")
        self.assertEqual(len(calls), 1)
        arguments = calls[0].split()
        self.assertEqual(arguments[:2], ["add", "--shared"])
        self.assertTrue(any(argument.startswith("-env:UserInstallation=file:///")
                            for argument in arguments))
        self.assertTrue((self.root / arguments[-1].lstrip("/")).is_file(), arguments[-1])
        # LibreOffice refusing the extension does not fail the installation; the user is told how
        # to add it later.
        calls, told = script("postinst", "configure", status=1)
        self.assertEqual(len(calls), 1)
        self.assertIn("unopkg add --shared", told)

        for status in (0, 1):
            calls, _ = script("prerm", "remove", status=status)
            self.assertEqual(len(calls), 1)
            arguments = calls[0].split()
            self.assertEqual(arguments[:2] + arguments[-1:], ["remove", "--shared", identifier])
        # An upgrade keeps the extension: the new version's postinst replaces it.
        self.assertEqual(script("prerm", "upgrade")[0], [])
        # Without LibreOffice, nothing is done and nothing fails.
        self.assertEqual(script("postinst", "configure", with_unopkg=False)[0], [])
        self.assertEqual(script("prerm", "remove", with_unopkg=False)[0], [])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "--verbose"] + sys.argv[1:])
