# What the Writer extension needs from Kalvane's programs and files, without UNO: where the
# programs are, the exchange store the editor reads the text font from, the equation a picture
# carries, and the line the programs print about the picture they made.
import os
import re
import shutil
import struct
import subprocess

try:
    # Written by the build: the folder the programs are installed to.
    from kalvane_install import BINDIR
except ImportError:
    BINDIR = "/usr/local/bin"

# Exit statuses of `kalvane --embedding`.
UPDATED = 0
CANCELLED = 3
FAILED_TO_START = 1
USAGE_ERROR = 2


def editor_program():
    """The editor: $KALVANE_EDITOR, else `kalvane` on the PATH, else the installed one."""
    return (os.environ.get("KALVANE_EDITOR") or shutil.which("kalvane")
            or os.path.join(BINDIR, "kalvane"))


def cli_program():
    """The command line: $KALVANE_CLI, else the one beside the editor (a build tree keeps
    them together), else `kalvane-cli` on the PATH, else the installed one."""
    explicit = os.environ.get("KALVANE_CLI")
    if explicit:
        return explicit
    beside = os.path.join(os.path.dirname(editor_program()), "kalvane-cli")
    if os.access(beside, os.X_OK):
        return beside
    return shutil.which("kalvane-cli") or os.path.join(BINDIR, "kalvane-cli")


def exchange_store_path():
    """The INI file the editor and its container share."""
    base = os.environ.get("XDG_CONFIG_HOME") or os.path.join(os.path.expanduser("~"), ".config")
    return os.path.join(base, "Morvak", "KLV3ADJ.ini")


def set_ini_values(path, section, values):
    """Sets the keys of `values` in `section` of a Windows-style INI file, leaving every other
    line byte for byte as it was (the editor's reader is not configparser: key case and line
    ends matter to it). The file is replaced by renaming a complete temporary file, so the
    editor never reads half of it."""
    try:
        with open(path, "rb") as f:
            old = f.read().decode("cp1252", errors="replace")
    except FileNotFoundError:
        old = ""
    newline = "\n" if old and "\r\n" not in old else "\r\n"
    lines = re.split(r"\r?\n", old)
    if lines and lines[-1] == "":
        lines.pop()
    pending = dict(values)
    start = next((i for i, line in enumerate(lines)
                  if line.strip().lower() == "[%s]" % section.lower()), None)
    if start is None:
        lines.append("[%s]" % section)
        start = len(lines) - 1
    end = start + 1
    while end < len(lines) and not lines[end].lstrip().startswith("["):
        key = lines[end].split("=", 1)[0].strip()
        for wanted in list(pending):
            if "=" in lines[end] and key.lower() == wanted.lower():
                lines[end] = "%s=%s" % (key, pending.pop(wanted))
        end += 1
    # New keys go after the last key of the section, before any blank lines that end it.
    while end > start + 1 and lines[end - 1].strip() == "":
        end -= 1
    lines[end:end] = ["%s=%s" % item for item in pending.items()]
    os.makedirs(os.path.dirname(path), exist_ok=True)
    temporary = "%s.%d.tmp" % (path, os.getpid())
    with open(temporary, "wb") as f:
        f.write((newline.join(lines) + newline).encode("cp1252", errors="replace"))
    os.replace(temporary, path)


def write_font_info(face, points):
    """Tells the editor the word processor's text font, for a new equation that takes it."""
    try:
        face.encode("cp1252")
    except UnicodeEncodeError:
        face = ""  # the store is Windows-1252: a name it cannot hold would name another face
    set_ini_values(exchange_store_path(), "Font Info",
                   {"Name": face or "No Font", "Size": str(max(1, int(round(points))))})


# A picture's equation: the escape record of a placeable metafile whose data begin with
# "Kalvane-Equation", then the part's number and the number of parts, then the payload line.
_PAYLOAD = re.compile(rb"Kalvane-Equation[\s\S]{4}version=1 depth=(\d+) ")
_PLACEABLE_KEY = 0x9AC6CDD7


def is_equation_picture(data):
    """Whether a picture's bytes are a metafile carrying a Kalvane equation."""
    return data[:4] == struct.pack("<I", _PLACEABLE_KEY) and _PAYLOAD.search(data) is not None


def picture_placement(data):
    """(height, depth) of an equation metafile in 0.01 mm, as the picture itself records them:
    the height of its bounding box and the distance from the baseline down to its bottom edge.
    None for anything else."""
    match = _PAYLOAD.search(data)
    if data[:4] != struct.pack("<I", _PLACEABLE_KEY) or match is None or len(data) < 22:
        return None
    _, top, _, bottom, units_per_inch = struct.unpack("<hhhhH", data[6:16])
    if units_per_inch == 0:
        return None
    height = round((bottom - top) * 2540 / units_per_inch)
    return height, int(match.group(1))


def parse_picture_line(output):
    """(width, height, depth) in 0.01 mm from the `width=W height=H lowering=AMOUNT` line the
    programs print; AMOUNT is in thousandths of the height. None when there is no such line."""
    found = re.findall(r"width=(\d+) height=(\d+) lowering=(\d+)", output)
    if not found:
        return None
    width, height, lowering = (int(v) for v in found[-1])
    return width, height, round(lowering * height / 1000)


def run_cli(*arguments):
    """Runs kalvane-cli; returns its standard output, raises RuntimeError with its message."""
    program = cli_program()
    try:
        done = subprocess.run([program, *arguments], capture_output=True, text=True, timeout=60)
    except (OSError, subprocess.TimeoutExpired) as error:
        raise RuntimeError("%s could not run: %s" % (program, error))
    if done.returncode != 0:
        raise RuntimeError(done.stderr.strip() or "%s failed (exit status %d)"
                           % (program, done.returncode))
    return done.stdout


def equation_text(document_path):
    """The lines of an equation as text, for the picture's alternative text."""
    lines = [line.split(": ", 1)[1] for line in run_cli("info", document_path).splitlines()
             if re.match(r"Line \d+: ", line)]
    return "\n".join(lines)
