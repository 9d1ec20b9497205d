"""The Writer extension end to end: the real LibreOffice with kalvane-writer.oxt installed, the
real editor started by it, typed into with xdotool on a virtual X display, and the pages that
Writer prints checked at 300 dpi. `writer_test.py --screenshot FILE.png` instead saves a picture
of Writer with an equation on its line.

Run under `xvfb-run -a -s "-screen 0 1280x1024x24"` with LibreOffice's Python (the one with the
`uno` module). Environment: KALVANE_EDITOR, KALVANE_CLI (the programs under test), KALVANE_OXT
(the extension), KALVANE_SOURCE_DIR (for the editor's toolbar icon that the test clicks).
"""
import functools
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import traceback
import unittest
import zlib

import uno
import unohelper
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException
from com.sun.star.task import XInteractionHandler
from com.sun.star.text.VertOrientation import NONE as VERT_NONE, TOP as VERT_TOP
from com.sun.star.ucb import XCommandEnvironment

EDITOR = os.environ["KALVANE_EDITOR"]
CLI = os.environ["KALVANE_CLI"]
OXT = os.environ["KALVANE_OXT"]
CANCEL_ICON = os.path.join(os.environ["KALVANE_SOURCE_DIR"], "resources", "toolbar",
                           "cancel-changes.png")
DPI = 300
EQUATION = "x+1"  # its glyphs stand on the baseline, as do the capitals of the text around it
TEXT_BEFORE, TEXT_AFTER = "LINE TEXT ", " HELD FIXED"
TEXT_FONT = "Liberation Serif"
ROLE_GRAPHIC = 23  # com.sun.star.accessibility.AccessibleRole.GRAPHIC
RESTART = 81  # soffice.bin asks to be started again (after making a new profile)


def uno_errors_reported(function):
    """UNO's exceptions refuse the traceback that unittest gives every error it reports: they
    leave the test as RuntimeErrors carrying theirs as text."""
    @functools.wraps(function)
    def wrapper(*arguments, **keywords):
        try:
            return function(*arguments, **keywords)
        except uno.getClass("com.sun.star.uno.Exception") as error:
            raise RuntimeError("%s\n%s" % (error, traceback.format_exc())) from None
    return wrapper


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def wait_for(condition, what, seconds=30):
    """Polls `condition` until it gives a true value, which is returned."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.1)


def xdotool(*arguments, timeout=30):
    return subprocess.run(["xdotool", *arguments], capture_output=True, text=True, check=True,
                          timeout=timeout).stdout


# Pictures: the X server's windows through xwd, PNG files read and written with zlib alone.

def grab_window(window=None):
    """(width, height, rgb) of an X window as it is on the screen (the whole screen: None)."""
    which = ["-id", str(window)] if window is not None else ["-root"]
    data = subprocess.run(["xwd", "-silent", *which], capture_output=True, check=True).stdout
    header = struct.unpack(">25I", data[:100])
    header_size, width, height = header[0], header[4], header[5]
    bits_per_pixel, bytes_per_line, colours = header[11], header[12], header[19]
    assert bits_per_pixel == 32 and header[7] == 0, "expected 32-bit least-significant-first"
    pixels = data[header_size + 12 * colours:]
    rgb = bytearray(width * height * 3)
    for y in range(height):
        row = pixels[y * bytes_per_line:y * bytes_per_line + width * 4]
        rgb[y * width * 3:(y + 1) * width * 3:3] = row[2::4]
        rgb[y * width * 3 + 1:(y + 1) * width * 3:3] = row[1::4]
        rgb[y * width * 3 + 2:(y + 1) * width * 3:3] = row[0::4]
    return width, height, bytes(rgb)


def read_png_rgba(path):
    """(width, height, rows of RGBA bytes) of an 8-bit RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    position, compressed = 8, b""
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert (depth, colour) == (8, 6), "expected 8-bit RGBA"
        elif kind == b"IDAT":
            compressed += body
        position += 12 + length
    raw, stride, rows = zlib.decompress(compressed), width * 4, []
    previous = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - 4] if x >= 4 else 0
            b = previous[x]
            c = previous[x - 4] if x >= 4 else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                nearest = min((abs(p - a), 0, a), (abs(p - b), 1, b), (abs(p - c), 2, c))[2]
                line[x] = (line[x] + nearest) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, rows


def write_png(path, width, height, rgb):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + rgb[y * width * 3:(y + 1) * width * 3] for y in range(height))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2,
                                                                    0, 0, 0))
                + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def find_icon(window, icon_path):
    """The centre, in screen coordinates, of where the icon is drawn in the window: every
    opaque pixel of the icon file must match."""
    icon_width, icon_height, icon = read_png_rgba(icon_path)
    opaque = [(x, y, icon[y][4 * x:4 * x + 3]) for y in range(icon_height)
              for x in range(icon_width) if icon[y][4 * x + 3] == 255]
    width, height, rgb = grab_window(window)
    for top in range(height - icon_height):
        for left in range(width - icon_width):
            for x, y, colour in opaque:
                at = 3 * ((top + y) * width + left + x)
                if max(abs(rgb[at + i] - colour[i]) for i in range(3)) > 24:
                    break
            else:
                geometry = dict(line.split("=") for line in
                                xdotool("getwindowgeometry", "--shell", window).split())
                return (int(geometry["X"]) + left + icon_width // 2,
                        int(geometry["Y"]) + top + icon_height // 2)
    return None


def read_ini(path):
    """{section: {key: value}} of a Windows-style INI file."""
    sections, current = {}, None
    with open(path, "rb") as f:
        for line in f.read().decode("cp1252").splitlines():
            if line.startswith("["):
                current = sections.setdefault(line.strip("[]"), {})
            elif "=" in line and current is not None:
                key, value = line.split("=", 1)
                current[key] = value
    return sections


class _Approve(unohelper.Base, XInteractionHandler):
    """Says yes to the extension manager's question whether to install (its first answer)."""

    def handle(self, request):
        request.getContinuations()[0].select()


class _Environment(unohelper.Base, XCommandEnvironment):
    def getInteractionHandler(self):
        return _Approve()

    def getProgressHandler(self):
        return None


class WriterExtensionTest(unittest.TestCase):
    """One LibreOffice for all cases, with a profile and a configuration folder of its own."""

    @classmethod
    @uno_errors_reported
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="kalvane-writer-test-")
        cls.config = os.path.join(cls.scratch, "config")
        cls.profile_url = uno.systemPathToFileUrl(os.path.join(cls.scratch, "profile"))
        cls.pipe = "kalvane_writer_test_%d" % os.getpid()
        cls.office = None
        cls.exchange_store = os.path.join(cls.config, "Morvak", "KLV3ADJ.ini")
        os.makedirs(os.path.dirname(cls.exchange_store))
        with open(cls.exchange_store, "wb") as f:
            f.write(b"[Other]\r\nKept=yes\r\n")
        try:
            # The extension is added through the running office's extension manager (unopkg
            # refuses to add to a user's profile as root), then the office starts again with it.
            cls.start_office()
            manager = cls.context.getValueByName(
                "/singletons/com.sun.star.deployment.ExtensionManager")
            manager.addExtension(uno.systemPathToFileUrl(OXT), (), "user",
                                 manager.createAbortChannel(), _Environment())
            cls.stop_office()
            cls.start_office()
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.stop_office()
        shutil.rmtree(cls.scratch, ignore_errors=True)

    @classmethod
    def start_office(cls):
        program = os.path.join(os.path.dirname(os.path.realpath(shutil.which("soffice"))),
                               "soffice.bin")
        home = os.path.join(cls.scratch, "home")
        os.makedirs(home, exist_ok=True)
        environment = dict(os.environ, HOME=home, XDG_CONFIG_HOME=cls.config,
                           XDG_DATA_HOME=os.path.join(cls.scratch, "data"),
                           XDG_CACHE_HOME=os.path.join(cls.scratch, "cache"),
                           KALVANE_EDITOR=EDITOR, KALVANE_CLI=CLI, SAL_USE_VCLPLUGIN="gen")

        def launch():
            # A session of its own, so that the office and whatever it started end together.
            cls.office = subprocess.Popen(
                [program, "-env:UserInstallation=" + cls.profile_url,
                 "--accept=pipe,name=%s;urp;" % cls.pipe, "--norestore", "--nologo",
                 "--nodefault", "--nolockcheck"],
                env=environment, stdin=subprocess.DEVNULL, start_new_session=True)
        launch()
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)

        def connect():
            try:
                return resolver.resolve(
                    "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % cls.pipe)
            except NoConnectException:
                status = cls.office.poll()
                if status == RESTART:  # what LibreOffice's launcher does
                    launch()
                else:
                    assert status is None, "soffice ended at start (%d)" % status
                return None
        cls.context = wait_for(connect, "soffice to accept connections", 60)
        cls.desktop = cls.create("com.sun.star.frame.Desktop")

    @classmethod
    def stop_office(cls):
        if cls.office is None:
            return
        try:
            cls.desktop.terminate()
            cls.office.wait(timeout=20)
        except Exception:
            pass
        if cls.office.poll() is None:
            os.killpg(cls.office.pid, 9)
            cls.office.wait()
        cls.office = None

    @classmethod
    def create(cls, service):
        return cls.context.ServiceManager.createInstanceWithContext(service, cls.context)

    def setUp(self):
        self.folder = tempfile.mkdtemp(dir=self.scratch)

    # Documents

    def new_document(self, before=TEXT_BEFORE, after=TEXT_AFTER):
        """A Writer document holding one line of 12 pt text, the cursor where the equation goes."""
        document = self.desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0, ())
        self.addCleanup(document.close, True)
        text = document.Text
        text.setString(before + after)
        cursor = text.createTextCursor()
        cursor.gotoEnd(True)
        cursor.CharFontName = TEXT_FONT
        cursor.CharHeight = 12
        view = document.CurrentController.ViewCursor
        view.gotoStart(False)
        view.goRight(len(before), False)
        return document

    def open_document(self, path):
        document = self.desktop.loadComponentFromURL(uno.systemPathToFileUrl(path), "_blank", 0,
                                                     ())
        self.addCleanup(document.close, True)
        return document

    def save(self, document, name, filter_name):
        path = os.path.join(self.folder, name)
        document.storeToURL(uno.systemPathToFileUrl(path), (prop("FilterName", filter_name),))
        return path

    def dispatch(self, document, command):
        self.create("com.sun.star.frame.DispatchHelper").executeDispatch(
            document.CurrentController.Frame, "vnd.kalvane.equation:" + command, "", 0, ())

    def the_equation(self, document):
        pictures = document.GraphicObjects
        self.assertEqual(pictures.Count, 1)
        return pictures.getByIndex(0)

    def picture_bytes(self, picture):
        path = os.path.join(self.folder, "picture.wmf")
        self.create("com.sun.star.graphic.GraphicProvider").storeGraphic(
            picture.Graphic, (prop("URL", uno.systemPathToFileUrl(path)),
                              prop("MimeType", "image/x-wmf")))
        with open(path, "rb") as f:
            return f.read()

    # The editor on the screen

    def editor_window(self):
        """The editor's main window, waited for; the keyboard is given to it (there is no window
        manager to do that)."""
        window = xdotool("search", "--sync", "--onlyvisible", "--name", "^Kalvane 3 - ").split()[0]
        xdotool("windowfocus", "--sync", window)
        return window

    def editor_session(self, window):
        """(the equation the editor was started on, the folder of the session): the .kv3 file on
        the editor's command line, shown by kalvane-cli info."""
        pid = int(xdotool("getwindowpid", window))
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            arguments = f.read().decode().split("\0")
        document = arguments[arguments.index("--embedding") + 1]
        text = subprocess.run([CLI, "info", document], capture_output=True, text=True,
                              check=True).stdout.strip()
        return text, os.path.dirname(document)

    def cancel_editor(self, window, folder):
        """Clicks the editor's Cancel Changes button, then waits until the extension is done with
        the session: it removes the session's folder once it has handled the editor's end."""
        position = wait_for(lambda: find_icon(window, CANCEL_ICON), "the Cancel Changes button")
        xdotool("mousemove", str(position[0]), str(position[1]), "click", "1")
        wait_for(lambda: not os.path.exists(folder), "the end of the editing session")

    def edit_and_cancel(self):
        """The editor that the last action opened: it must show the equation; it is cancelled."""
        window = self.editor_window()
        text, folder = self.editor_session(window)
        self.assertEqual(text, "Line 1: " + EQUATION)
        self.cancel_editor(window, folder)

    def insert_equation(self, document, equation=EQUATION):
        self.dispatch(document, "Insert")
        self.editor_window()
        # The editor was told the text's font through the exchange store, which keeps what
        # else it holds.
        store = read_ini(self.exchange_store)
        self.assertEqual(store["Font Info"], {"Name": TEXT_FONT, "Size": "12"})
        self.assertEqual(store["Other"], {"Kept": "yes"})
        xdotool("type", "--delay", "40", equation)
        xdotool("key", "ctrl+r")
        wait_for(lambda: document.GraphicObjects.Count == 1, "the equation in the document")
        return self.the_equation(document)

    def screen_position(self, document):
        """The centre of the document's equation on the screen, from the accessibility tree."""
        skip = {35, 57, 63}  # menu bar, status bar, tool bar

        def search(accessible):
            context = accessible.getAccessibleContext()
            if context.getAccessibleRole() == ROLE_GRAPHIC:
                at, size = context.getLocationOnScreen(), context.getSize()
                return at.X + size.Width // 2, at.Y + size.Height // 2
            if context.getAccessibleRole() in skip:
                return None
            for index in range(min(context.getAccessibleChildCount(), 200)):
                found = search(context.getAccessibleChild(index))
                if found:
                    return found
            return None
        return wait_for(lambda: search(document.CurrentController.Frame.ContainerWindow),
                        "the equation on the screen")

    # The printed page

    def baseline_offset(self, document):
        """How many pixels, at 300 dpi on the PDF page, the equation's lowest ink lies below the
        text's lowest ink (both stand on the baseline: capitals and x+1)."""
        pdf = self.save(document, "page.pdf", "writer_pdf_Export")
        words = [(float(left), float(right), word) for left, right, word in re.findall(
            r'<word xMin="([\d.]+)" yMin="[\d.]+" xMax="([\d.]+)" yMax="[\d.]+">(\w+)</word>',
            subprocess.run(["pdftotext", "-bbox", "-f", "1", "-l", "1", pdf, "-"],
                           capture_output=True, text=True, check=True).stdout)]
        self.assertEqual([w[2] for w in words], (TEXT_BEFORE + TEXT_AFTER).split())
        raster = os.path.join(self.folder, "page")
        subprocess.run(["pdftoppm", "-r", str(DPI), "-gray", "-f", "1", "-l", "1", pdf, raster],
                       check=True)
        with open(raster + "-1.pgm", "rb") as f:
            data = f.read()
        header = re.match(rb"P5\s+(\d+)\s+(\d+)\s+255\s", data)
        width, height, pixels = int(header[1]), int(header[2]), data[header.end():]
        scale = DPI / 72

        def lowest_ink(left, right):
            lowest = -1
            for x in range(int(left * scale), int(right * scale)):
                column = pixels[x::width]
                for y in range(height // 3, lowest, -1):  # the line is near the top
                    if column[y] < 128:
                        lowest = y
                        break
            return lowest
        text = max(lowest_ink(left, right) for left, right, _ in words)
        gap = 1 / scale  # a pixel of margin on each side of the equation's columns
        before = next(w for w in words if w[2] == TEXT_BEFORE.split()[-1])
        after = next(w for w in words if w[2] == TEXT_AFTER.split()[0])
        equation = lowest_ink(before[1] + gap, after[0] - gap)
        self.assertGreater(text, 0)
        self.assertGreater(equation, 0, "no equation on the page")
        return equation - text

    def assert_on_baseline(self, document, what):
        offset = self.baseline_offset(document)
        print("%s: the equation's baseline is %d px (at %d dpi) from the text's"
              % (what, offset, DPI))
        self.assertLessEqual(abs(offset), 1, what)

    # The cases

    @uno_errors_reported
    def test_inserted_equation_sits_on_the_line_and_opens_on_double_click(self):
        document = self.new_document()
        equation = self.insert_equation(document)
        self.assertEqual(equation.Description, EQUATION)
        self.assertEqual(equation.AnchorType.value, "AS_CHARACTER")
        self.assert_on_baseline(document, "inserted")

        # A double-click on the picture opens it in the editor, not Writer's picture dialog;
        # Cancel Changes leaves the document as it was.
        before = self.picture_bytes(equation), equation.Size, equation.VertOrientPosition
        x, y = self.screen_position(document)
        xdotool("mousemove", str(x), str(y), "click", "--repeat", "2", "--delay", "80", "1")
        self.editor_window()
        # One session per document: a second Edit says so in a message box (which holds the
        # dispatch until it is closed) and starts no second editor.
        second = threading.Thread(target=self.dispatch, args=(document, "Edit"))
        second.start()
        box = xdotool("search", "--sync", "--onlyvisible", "--name", "^Kalvane Equations$")
        xdotool("windowfocus", "--sync", box.split()[0])
        xdotool("key", "Return")
        second.join(30)
        self.assertFalse(second.is_alive())
        self.assertEqual(len(xdotool("search", "--onlyvisible", "--name", "^Kalvane 3 - ")
                             .split()), 1)
        self.edit_and_cancel()
        equation = self.the_equation(document)
        after = self.picture_bytes(equation), equation.Size, equation.VertOrientPosition
        self.assertEqual(after, before)

    @uno_errors_reported
    def test_saved_equation_is_edited_and_put_back_on_the_line(self):
        document = self.new_document()
        self.insert_equation(document)
        odt = self.save(document, "equation.odt", "writer8")
        docx = self.save(document, "equation.docx", "MS Word 2007 XML")

        # The .odt keeps everything: the equation is on the line and opens in the editor.
        document = self.open_document(odt)
        self.assert_on_baseline(document, "reopened .odt")
        document.CurrentController.select(self.the_equation(document))
        self.dispatch(document, "Edit")
        self.edit_and_cancel()

        # A .docx keeps the picture but not its lowering: opening it puts the equation back on
        # the line, from the depth the picture records.
        document = self.open_document(docx)
        wait_for(lambda: self.the_equation(document).VertOrient == VERT_NONE,
                 "the equation to be lowered again after loading")
        self.assert_on_baseline(document, "reopened .docx")
        self.assertFalse(document.isModified())

        # The context menu opens it in the editor.
        x, y = self.screen_position(document)
        xdotool("mousemove", str(x), str(y), "click", "1")
        wait_for(lambda: document.CurrentController.getSelection().supportsService(
            "com.sun.star.text.TextGraphicObject"), "the equation to be selected")
        xdotool("key", "shift+F10")
        xdotool("key", "--delay", "200", "Down", "Return")
        self.edit_and_cancel()

        # Update All Equations draws it again and lowers it, wherever it was left: here as the
        # .docx import leaves it, standing on the baseline.
        equation = self.the_equation(document)
        equation.VertOrient = VERT_TOP
        self.assertGreater(abs(self.baseline_offset(document)), 5, "the check sees no lowering")
        self.dispatch(document, "UpdateAll")
        wait_for(lambda: self.the_equation(document).VertOrient == VERT_NONE,
                 "Update All Equations")
        self.assert_on_baseline(document, "after Update All Equations")
        self.assertEqual(self.the_equation(document).Description, EQUATION)

    def screenshot(self, path):
        """Writer with an equation on a line of text, zoomed so that both can be read: the top
        of the screen down to a little below the line, once the screen has stopped changing."""
        document = self.new_document("The roots of ax\u00b2 + bx + c = 0 are ", " when a \u2260 0.")
        self.insert_equation(document, "x=(-b+-sqrt(b2-4ac))/2a")
        settings = document.CurrentController.ViewSettings
        settings.ShowTextBoundaries = False
        settings.ZoomValue = 180
        bottom = self.screen_position(document)[1] + 90
        previous = [None]

        def settled():
            picture = grab_window()
            same = picture == previous[0]
            previous[0] = picture
            return picture if same else None
        width, height, rgb = wait_for(settled, "the screen to settle")
        bottom = min(height, bottom)
        write_png(path, width, bottom, rgb[:bottom * width * 3])


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--screenshot":
        # Not a test: the picture of Writer for the documentation.
        WriterExtensionTest.setUpClass()
        case = WriterExtensionTest("test_inserted_equation_sits_on_the_line_and_opens_on_double_click")
        try:
            case.setUp()
            case.screenshot(sys.argv[2])
        finally:
            case.doCleanups()
            WriterExtensionTest.tearDownClass()
    else:
        unittest.main(verbosity=2)
