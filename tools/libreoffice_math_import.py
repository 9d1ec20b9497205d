#!/usr/bin/python3
"""The MathML kalvane-cli writes, imported by LibreOffice Math, in the two ways a person would:

  A. soffice --headless --convert-to pdf FILE.mml (LibreOffice Math opens the file, prints a PDF)
  B. through UNO: each file loaded with the filter "MathML XML (Math)", its formula put into a
     formula object of one Writer document, the document exported as PDF

For every equation it prints the command text LibreOffice made of the MathML (the formula's
"Formula" property), so that one can see what was kept, and flags formulas that are empty, that
lost structure the MathML has (a fraction without "frac"/"over", a root without "sqrt"/"nroot",
a sum without "sum", and so on) or whose command text LibreOffice cannot parse again (it draws
an inverted question mark there). The counts and the time of each step close the report.

Usage: /usr/bin/python3 tools/libreoffice_math_import.py [--cli KALVANE_CLI] [--corpus FILE.tsv]
           [--style plain|kalvane] [--out DIR]
Needs LibreOffice Math (Debian package libreoffice-math), LibreOffice's Python (the system's
python3, which has the uno module) and pdftotext (poppler-utils). DIR (default: a new temporary
folder) keeps the MathML, the PDFs and report.txt.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import xml.etree.ElementTree as ElementTree

import uno
import unohelper
from com.sun.star.awt import XCallback
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException
from com.sun.star.text.TextContentAnchorType import AS_CHARACTER
from com.sun.star.embed.EmbedStates import RUNNING
from com.sun.star.text.ControlCharacter import PARAGRAPH_BREAK

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MATHML = "{http://www.w3.org/1998/Math/MathML}"
XML_DECLARATION = '<?xml version="1.0" encoding="UTF-8"?>\n'
FORMULA_CLSID = "078B7ABA-54FC-457F-8551-6147e776a997"
RESTART = 81  # soffice.bin asks to be started again (after making a new profile)

# What a formula's command text must hold for each kind of structure in the MathML: the MathML
# element (with, for big operators and accents, its operator) and the commands that carry it.
# LibreOffice makes an over-script of an accent (x csup ¨) unless the MathML says accent="true"
# (with which LibreOffice 7.4 drops the accent): an over-script keeps the structure.
BIG_OPERATORS = {"\u2211": ("sum",), "\u220f": ("prod",), "\u222b": ("int", "intd"),
                 "lim": ("lim",)}
ACCENTS = {"\u00af": ("bar", "overline"), "\u203e": ("bar", "overline"), "_": ("bar", "overline"),
           "\u02d9": ("dot",), "\u00a8": ("ddot",), "^": ("hat", "widehat"),
           "\u02c6": ("hat", "widehat"), "\u2192": ("vec", "widevec", "overrightarrow"),
           "\u20d7": ("vec", "widevec", "overrightarrow")}


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def read_corpus(path):
    with open(path, encoding="utf-8") as f:
        lines = [line for line in f.read().split("\n") if line]
    column = lines[0].split("\t").index("kalvane")
    return [(cells[0], cells[column]) for cells in (line.split("\t") for line in lines[1:])]


def expected_commands(mathml):
    """[(what, commands)] for the structure of a MathML element: the formula must hold one of
    the commands (as a word) for each entry."""
    expected = []
    root = ElementTree.fromstring(mathml)
    for element in root.iter():
        tag = element.tag.replace(MATHML, "")
        children = list(element)
        base = "".join(children[0].itertext()).strip() if children else ""
        if tag == "mfrac":
            expected.append(("fraction", ("over", "frac")))
        elif tag == "msqrt":
            expected.append(("square root", ("sqrt",)))
        elif tag == "mroot":
            expected.append(("root", ("nroot",)))
        elif tag == "mtable":
            expected.append(("table", ("matrix", "stack", "binom")))
        elif tag in ("munderover", "munder", "mover", "msubsup", "msub", "msup") and \
                base in BIG_OPERATORS:
            expected.append((base, BIG_OPERATORS[base]))
        elif tag in ("mover", "munder") and len(children) == 2 and \
                "".join(children[1].itertext()).strip() in ACCENTS:
            accent = "".join(children[1].itertext()).strip()
            expected.append(("accent " + accent, ACCENTS[accent] + ("csup",)))
        elif tag in ("msup", "msubsup"):
            expected.append(("superscript", ("^", "sup", "rsup", "csup", "lsup")))
        if tag in ("msub", "msubsup") and base not in BIG_OPERATORS:
            expected.append(("subscript", ("_", "sub", "rsub", "csub", "lsub")))
    return expected


def lost_structure(mathml, formula):
    """What the formula's command text lacks of the MathML's structure."""
    words = set(re.findall(r"[A-Za-z]+|[\^_]", formula.lower()))
    lost = []
    for what, commands in expected_commands(mathml):
        if not words.intersection(commands) and what not in lost:
            lost.append(what)
    return lost


class Office:
    """A headless LibreOffice of its own (own profile), driven through a pipe."""

    def __init__(self, scratch):
        self.scratch = scratch
        self.pipe = "kalvane_math_import_%d" % os.getpid()
        self.process = None
        self.profile_url = uno.systemPathToFileUrl(os.path.join(scratch, "profile-uno"))

    def launch(self):
        program = os.path.join(os.path.dirname(os.path.realpath(shutil.which("soffice"))),
                               "soffice.bin")
        environment = dict(os.environ, HOME=os.path.join(self.scratch, "home"),
                           SAL_USE_VCLPLUGIN="svp")
        os.makedirs(environment["HOME"], exist_ok=True)
        self.process = subprocess.Popen(
            [program, "-env:UserInstallation=" + self.profile_url, "--headless", "--invisible",
             "--accept=pipe,name=%s;urp;" % self.pipe, "--norestore", "--nologo", "--nodefault",
             "--nolockcheck"],
            env=environment, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)

    def start(self):
        self.launch()
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.monotonic() + 90
        while True:
            try:
                self.context = resolver.resolve(
                    "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe)
                break
            except NoConnectException:
                status = self.process.poll()
                if status == RESTART:
                    self.launch()
                elif status is not None:
                    raise RuntimeError("soffice ended at start (%d)" % status)
                if time.monotonic() > deadline:
                    raise RuntimeError("soffice did not accept a connection within 90 s")
                time.sleep(0.1)
        self.desktop = self.context.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", self.context)

    def stop(self):
        if self.process is None:
            return
        try:
            self.desktop.terminate()
            self.process.wait(timeout=20)
        except Exception:
            pass
        if self.process.poll() is None:
            os.killpg(self.process.pid, 9)
            self.process.wait()
        self.process = None


class _MainThreadJob(unohelper.Base, XCallback):
    """Code run on the office's main thread: LibreOffice's AsyncCallback calls it there, and the
    calls it makes back over the bridge run on that thread too."""

    def __init__(self, function):
        self.function = function
        self.done = threading.Event()
        self.result = self.error = None

    def notify(self, _data):
        try:
            self.result = self.function()
        except Exception as error:  # handed to the waiting thread
            self.error = error
        finally:
            self.done.set()


def on_main_thread(office, function, seconds=300):
    """Runs function on the office's main thread. A formula object of a Writer document starts
    only there: started from the bridge's own thread, its start and the main thread wait for
    each other's locks for ever."""
    job = _MainThreadJob(function)
    office.context.ServiceManager.createInstanceWithContext(
        "com.sun.star.awt.AsyncCallback", office.context).addCallback(job, None)
    if not job.done.wait(seconds):
        raise RuntimeError("the office's main thread did not run the job within %d s" % seconds)
    if job.error is not None:
        raise job.error
    return job.result


def load_formulas(office, equations, mml_dir):
    """{id: the command text LibreOffice Math made of the file, or None when loading failed}."""
    formulas = {}
    load = (prop("FilterName", "MathML XML (Math)"), prop("Hidden", True))
    for identifier, _ in equations:
        url = uno.systemPathToFileUrl(os.path.join(mml_dir, identifier + ".mml"))
        try:
            math = office.desktop.loadComponentFromURL(url, "_blank", 0, load)
        except Exception as error:  # an IllegalArgumentException or an IOException
            math = None
            print("%s: not loaded: %s" % (identifier, error))
        if math is None:
            formulas[identifier] = None
            continue
        try:
            formulas[identifier] = math.Formula
        finally:
            math.close(True)
    return formulas


def writer_document(office, formulas, pdf_path):
    """Puts each formula into a formula object of one Writer document (a line "ID: formula"
    each) and exports the document as PDF. {id: the formula its object holds afterwards}."""
    writer = office.desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0,
                                                 (prop("Hidden", True),))

    def fill():
        kept = {}
        text = writer.Text
        cursor = text.createTextCursor()
        for identifier, formula in formulas.items():
            if formula is None:
                continue
            text.insertString(cursor, identifier + ": ", False)
            embedded = writer.createInstance("com.sun.star.text.TextEmbeddedObject")
            embedded.CLSID = FORMULA_CLSID
            embedded.AnchorType = AS_CHARACTER
            text.insertTextContent(cursor, embedded, False)
            control = embedded.ExtendedControlOverEmbeddedObject
            control.changeState(RUNNING)
            model = control.getComponent()
            model.Formula = formula
            kept[identifier] = model.Formula
            text.insertControlCharacter(cursor, PARAGRAPH_BREAK, False)
        return kept

    try:
        kept = on_main_thread(office, fill)
        writer.storeToURL(uno.systemPathToFileUrl(pdf_path),
                          (prop("FilterName", "writer_pdf_Export"),))
    finally:
        writer.close(True)
    return kept


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", default=os.path.join(ROOT, "build", "src", "kalvane-cli"))
    parser.add_argument("--corpus", default=os.path.join(ROOT, "bench", "corpus.tsv"))
    parser.add_argument("--style", default="plain", choices=("plain", "kalvane"))
    parser.add_argument("--out")
    arguments = parser.parse_args()
    if not shutil.which("soffice"):
        sys.exit("soffice is missing (Debian package libreoffice-math)")
    out = arguments.out or tempfile.mkdtemp(prefix="kalvane-math-import-")
    mml_dir, pdf_dir = os.path.join(out, "mml"), os.path.join(out, "pdf-convert-to")
    # A folder used before keeps its profiles (a faster start) but none of its results.
    for folder in (mml_dir, pdf_dir):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    started = time.monotonic()
    timings = []

    # The MathML, one file per equation, as kalvane-cli writes it for a file.
    equations = read_corpus(arguments.corpus)
    step = time.monotonic()
    mathml = {}
    for identifier, text in equations:
        result = subprocess.run([arguments.cli, "convert", "--to", "mathml", "--style",
                                 arguments.style, "--", text],
                                capture_output=True, text=True, check=True)
        mathml[identifier] = result.stdout.strip()
        with open(os.path.join(mml_dir, identifier + ".mml"), "w", encoding="utf-8") as f:
            f.write(XML_DECLARATION + mathml[identifier] + "\n")
    timings.append(("MathML from kalvane-cli", time.monotonic() - step))

    # A: soffice --convert-to pdf, all files in one run, with a profile of its own.
    step = time.monotonic()
    profile = uno.systemPathToFileUrl(os.path.join(out, "profile-convert"))
    files = [os.path.join(mml_dir, identifier + ".mml") for identifier, _ in equations]
    converted = subprocess.run(
        ["soffice", "-env:UserInstallation=" + profile, "--headless", "--convert-to", "pdf",
         "--outdir", pdf_dir, *files],
        capture_output=True, text=True, env=dict(os.environ, HOME=os.path.join(out, "home")))
    timings.append(("A: soffice --convert-to pdf", time.monotonic() - step))
    pdf = lambda identifier: os.path.join(pdf_dir, identifier + ".pdf")  # noqa: E731
    made = [identifier for identifier, _ in equations
            if os.path.exists(pdf(identifier)) and os.path.getsize(pdf(identifier)) > 0]
    not_made = [identifier for identifier, _ in equations if identifier not in made]
    # LibreOffice Math draws an inverted question mark where its command text does not parse:
    # the PDF's text shows which imports came out broken.
    broken = [identifier for identifier in made
              if "\u00bf" in subprocess.run(["pdftotext", "-enc", "UTF-8", pdf(identifier), "-"],
                                             capture_output=True, text=True).stdout]

    # B: through UNO, into the formula objects of a Writer document.
    step = time.monotonic()
    office = Office(out)
    try:
        office.start()
        timings.append(("B: LibreOffice started", time.monotonic() - step))
        step = time.monotonic()
        formulas = load_formulas(office, equations, mml_dir)
        timings.append(("B: MathML loaded into LibreOffice Math", time.monotonic() - step))
        step = time.monotonic()
        kept = writer_document(office, formulas, os.path.join(out, "writer-formulas.pdf"))
        timings.append(("B: formula objects in Writer, its PDF", time.monotonic() - step))
    finally:
        office.stop()

    report = []
    imported = empty = lost_count = changed = 0
    for identifier, text in equations:
        formula = formulas.get(identifier)
        if formula is None:
            report.append("%s  FAILED to import  (%s)" % (identifier, text))
            continue
        imported += 1
        flags = []
        if identifier in broken:
            flags.append("DRAWN WITH ERRORS (the command text does not parse)")
        if not formula.strip():
            empty += 1
            flags.append("EMPTY")
        else:
            lost = lost_structure(mathml[identifier], formula)
            if lost:
                lost_count += 1
                flags.append("LOST " + ", ".join(lost))
        if kept.get(identifier) != formula:
            changed += 1
            flags.append("WRITER'S OBJECT HOLDS %r" % kept.get(identifier))
        report.append("%s  %s%s\n    kalvane: %s\n    formula: %s" % (
            identifier, "  ".join(flags), "" if flags else "ok", text, formula))
    total = time.monotonic() - started
    summary = [
        "A: soffice --convert-to pdf: %d of %d PDFs made%s (exit status %d); %d drawn with "
        "errors%s" % (
            len(made), len(equations), "; none for " + " ".join(not_made) if not_made else "",
            converted.returncode, len(broken), ": " + " ".join(broken) if broken else ""),
        "B: UNO import: %d imported, %d failed; %d empty formulas, %d with lost structure; "
        "%d formulas not kept by Writer's formula objects" % (
            imported, len(equations) - imported, empty, lost_count, changed),
    ] + ["time: %s %.1f s" % timing for timing in timings] + ["time: the whole run %.1f s" % total]
    with open(os.path.join(out, "report.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(report + [""] + summary) + "\n")
    print("\n".join(report + [""] + summary))
    print("files: " + out)
    return 0 if not not_made and not broken and imported == len(equations) and not empty \
        and not lost_count and not changed else 1


if __name__ == "__main__":
    sys.exit(main())
