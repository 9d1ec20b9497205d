#!/usr/bin/env python3
"""Builds Kalvane's documentation: the help page and the three PDF documents.

The sources are HTML fragments under docs/ with a little markup of their own:

  ⟦TEXT⟧              the picture kalvane-cli draws of TEXT, sitting on the text's baseline
  ⟦TEXT⟨KEY=VALUE⟩…⟧  the same, drawn with settings changed (as render --set KEY=VALUE), one
                      setting in each pair of angle brackets
  ↵                   inside ⟦ ⟧: a line break (a new line of the equation)
  ⟪TEXT⟫              TEXT as the user types it, in a typewriter face, escaped for HTML
  <examples>…</examples>
                      a table: each line "⟦TEXT⟧ NOTE" becomes a row showing what is typed,
                      the picture and the note
  {{version}}         the version of the release
  <img src="NAME.png" a screenshot of docs/, inlined in the help page

The brackets ⟦ ⟧ ⟨ ⟩ ⟪ ⟫ and ↵ have no Windows-1252 form, so no equation can contain them.

Every picture is drawn by kalvane-cli at build time; one that cannot be drawn, or that comes out
without anything drawn, fails the build and names its equation. The PDF documents are laid out by
WeasyPrint. Beside them the build writes a layout file: the page count of each PDF and the box of
every picture on its page, which the documentation test checks against the PDFs themselves.
"""

import argparse
import base64
import concurrent.futures
import hashlib
import html
import json
import logging
import os
import re
import shutil
import subprocess
import sys
import tempfile
from dataclasses import dataclass, field
from pathlib import Path

# The quick-reference card is one sheet printed on both sides; what's new fits on one sheet too.
CARD_PAGES = 2
WHATSNEW_MAX_PAGES = 2
# The card's pictures are a little larger than true size: it is read at arm's length.
CARD_SCALE = 1.1
# Pictures on screen are shown larger than their true size, to match the page's text.
HELP_PAGE_SCALE = 1.3

# The column mark and decimal point follow the locale: the pictures are drawn in the C locale,
# whatever the builder's language, and examples of other marks say so with their settings.
CLI_ENVIRONMENT = dict(os.environ, LC_ALL="C.UTF-8", LANG="C.UTF-8")

EQUATION = re.compile(r"⟦(.*?)⟧", re.S)
SETTING = re.compile(r"⟨([^⟩]*)⟩\s*$")
TYPED = re.compile(r"⟪(.*?)⟫", re.S)
EXAMPLES = re.compile(r"<examples(?P<attrs>[^>]*)>(?P<body>.*?)</examples>", re.S)
SCREENSHOT = re.compile(r'<img src="([\w.-]+\.png)"')
HEADING = re.compile(r"<h(?P<level>[12])(?P<attrs>[^>]*)>(?P<title>.*?)</h(?P=level)>", re.S)
SVG_DEPTH = re.compile(r'<kalvane:equation[^>]*\bdepth="(\d+)"')
SVG_SIZE = re.compile(r'<svg\b[^>]*\bwidth="([\d.]+)mm"[^>]*\bheight="([\d.]+)mm"')
# What draws in a picture: glyphs (used from the definitions), lines, polygons and paths.
SVG_INK = re.compile(r"<(use|line|polygon|polyline|path|rect)\b")


class DocsError(Exception):
    pass


@dataclass(frozen=True)
class Equation:
    text: str  # the equation's lines joined by "\n"
    settings: tuple  # ("KEY=VALUE", ...)

    @property
    def key(self):
        digest = hashlib.sha1(("\0".join(self.settings) + "\1" + self.text).encode("utf-8"))
        return digest.hexdigest()[:16]

    def describe(self):
        shown = self.text.replace("\n", "↵")
        if self.settings:
            shown += " (with " + ", ".join(self.settings) + ")"
        return shown


@dataclass
class Picture:
    svg: str
    width_mm: float
    height_mm: float
    depth_mm: float


@dataclass
class Source:
    path: Path
    text: str
    equations: list = field(default_factory=list)  # (Equation, line number)


def parse_equation(inner):
    settings = []
    while match := SETTING.search(inner):
        settings.insert(0, match.group(1).strip())
        inner = inner[: match.start()]
    settings = tuple(settings)
    for setting in settings:
        if "=" not in setting:
            raise DocsError(f"a setting is KEY=VALUE, not {setting!r}")
    return Equation(inner.replace("↵", "\n"), settings)


def read_source(path):
    text = path.read_text(encoding="utf-8")
    source = Source(path, text)
    for match in EQUATION.finditer(text):
        line = text.count("\n", 0, match.start()) + 1
        try:
            source.equations.append((parse_equation(match.group(1)), line))
        except DocsError as error:
            raise DocsError(f"{path}:{line}: {error}") from None
    return source


# ---------------------------------------------------------------------------------------------
# Pictures


def render_one(cli, equation, folder):
    target = folder / f"{equation.key}.svg"
    command = [str(cli), "render", "-o", str(target), "--format", "svg"]
    for setting in equation.settings:
        command += ["--set", setting]
    command += ["--", equation.text]
    result = subprocess.run(command, capture_output=True, text=True, env=CLI_ENVIRONMENT)
    if result.returncode != 0:
        reason = result.stderr.strip() or f"exit status {result.returncode}"
        return f"kalvane-cli failed: {reason}"
    try:
        svg = target.read_text(encoding="utf-8")
    except OSError as error:
        return f"no picture was written ({error})"
    size = SVG_SIZE.search(svg)
    depth = SVG_DEPTH.search(svg)
    if not size or not depth:
        return "the picture has no size or no baseline depth"
    width, height = float(size.group(1)), float(size.group(2))
    # Glyph outlines are only defined in <defs>; what draws comes after them.
    body = svg.split("</defs>", 1)[-1]
    if width <= 0 or height <= 0 or not SVG_INK.search(body):
        return f"the picture is empty ({width} x {height} mm, nothing drawn)"
    return Picture(svg, width, height, int(depth.group(1)) / 100.0)


def render_all(cli, sources, folder):
    # Drawn afresh each time, so that no picture of an older source lingers.
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    where = {}
    for source in sources:
        for equation, line in source.equations:
            where.setdefault(equation, f"{source.path.name}:{line}")
    pictures, failures = {}, []
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        futures = {pool.submit(render_one, cli, eq, folder): eq for eq in where}
        for future in concurrent.futures.as_completed(futures):
            equation = futures[future]
            outcome = future.result()
            if isinstance(outcome, Picture):
                pictures[equation] = outcome
            else:
                failures.append(
                    f"{where[equation]}: the equation {equation.describe()!r}: {outcome}")
    if failures:
        raise DocsError("pictures that could not be drawn:\n  " + "\n  ".join(sorted(failures)))
    return pictures


# ---------------------------------------------------------------------------------------------
# From the sources to HTML


def typed_html(text):
    """The text as typed: escaped, its equation lines one under the other."""
    return "<br>".join(html.escape(line, quote=False) for line in text.split("\n"))


class Writer:
    """Turns the sources' markup into HTML, with pictures either inlined or referenced."""

    def __init__(self, pictures, inline, version, source_dir, scale=1.0):
        self.pictures = pictures
        self.scale = scale  # the size of the pictures, as a part of their true size
        self.source_dir = source_dir
        self.inline = inline
        self.version = version
        self.count = 0
        self.placed = 0

    def picture(self, equation):
        picture = self.pictures[equation]
        self.placed += 1
        # A picture of one line sits on the text's baseline; one of several lines hangs from
        # the top of the line it stands in.
        lines = "\n" in equation.text
        depth = picture.depth_mm * self.scale
        style = "vertical-align:top" if lines else f"vertical-align:-{depth:.2f}mm"
        if not self.inline:
            width, height = picture.width_mm * self.scale, picture.height_mm * self.scale
            return (
                f'<img class="eq" src="pictures/{equation.key}.svg" '
                f'style="{style};width:{width:.2f}mm;height:{height:.2f}mm" '
                f'alt="{html.escape(equation.text)}" data-eq="{equation.key}">'
            )
        self.count += 1
        return inline_svg(picture.svg, f"e{self.count}", style, self.scale)

    def equation_markup(self, match):
        return self.picture(parse_equation(match.group(1)))

    def examples(self, match):
        rows = []
        for line in match.group("body").strip().splitlines():
            line = line.strip()
            if not line:
                continue
            found = EQUATION.match(line)
            if not found:
                raise DocsError(f"each line of <examples> starts with ⟦an equation⟧, not {line!r}")
            equation = parse_equation(found.group(1))
            note = self.text(line[found.end() :].strip())
            lines = ' class="lines"' if "\n" in equation.text else ""
            rows.append(
                f'<tr{lines}><td class="typed"><code>{typed_html(equation.text)}</code></td>'
                f'<td class="picture">{self.picture(equation)}</td>'
                f'<td class="note">{note}</td></tr>'
            )
        attrs = match.group("attrs")
        classes = re.search(r'class="([^"]*)"', attrs)
        names = "examples" + (" " + classes.group(1) if classes else "")
        return (
            f'<table class="{names}"><thead><tr><th>You type</th><th>You get</th><th></th>'
            f'</tr></thead><tbody>{"".join(rows)}</tbody></table>'
        )

    def image(self, match):
        """A screenshot of docs/: inlined in the help page, read from its file for a PDF."""
        path = self.source_dir / match.group(1)
        if not path.is_file():
            raise DocsError(f"there is no picture {path}")
        if self.inline:
            data = base64.b64encode(path.read_bytes()).decode("ascii")
            return f'<img src="data:image/png;base64,{data}"'
        return f'<img src="{path.resolve().as_uri()}"'

    def text(self, text):
        text = text.replace("{{version}}", self.version)
        text = SCREENSHOT.sub(self.image, text)
        text = EXAMPLES.sub(self.examples, text)
        text = TYPED.sub(lambda m: f'<code class="typed">{typed_html(m.group(1))}</code>', text)
        return EQUATION.sub(self.equation_markup, text)


def inline_svg(svg, prefix, style, scale):
    """A picture as an element of the help page: no XML declaration, no equation payload (the
    page does not need it), ids that no other picture of the page has, and its size scaled."""
    svg = re.sub(r"<\?xml[^>]*\?>\s*", "", svg)
    start = svg.index("<svg ")
    end = svg.index(">", start)
    tag = re.sub(r'\b(width|height)="([\d.]+)mm"',
                 lambda m: f'{m.group(1)}="{float(m.group(2)) * scale:.2f}mm"', svg[start:end])
    svg = svg[:start] + tag + svg[end:]
    svg = re.sub(r"<metadata>.*?</metadata>\s*", "", svg, flags=re.S)
    svg = re.sub(r'\bid="([^"]+)"', lambda m: f'id="{prefix}-{m.group(1)}"', svg)
    svg = re.sub(r'href="#([^"]+)"', lambda m: f'href="#{prefix}-{m.group(1)}"', svg)
    svg = re.sub(r"url\(#([^)]+)\)", lambda m: f"url(#{prefix}-{m.group(1)})", svg)
    return svg.replace("<svg ", f'<svg class="eq" style="{style}" ', 1).strip()


def slug(title):
    plain = re.sub(r"<[^>]+>", "", html.unescape(title)).lower()
    return re.sub(r"[^a-z0-9]+", "-", plain).strip("-")


def number_headings(body):
    """Gives every h1 and h2 an id (its own, or one made from its title) and returns the body
    and the table of contents: (level, id, title)."""
    contents, used = [], set()

    def visit(match):
        attrs, title = match.group("attrs"), match.group("title")
        if "⟦" in title:
            # The table of contents repeats every heading.
            raise DocsError(f"a heading holds no equation picture: {title!r}")
        found = re.search(r'\bid="([^"]+)"', attrs)
        ident = found.group(1) if found else slug(title)
        if ident in used:
            raise DocsError(f"two headings have the id {ident!r}")
        used.add(ident)
        if not found:
            attrs += f' id="{ident}"'
        contents.append((int(match.group("level")), ident, title))
        level = match.group("level")
        return f"<h{level}{attrs}>{title}</h{level}>"

    return HEADING.sub(visit, body), contents


def page(title, styles, body, lang="en"):
    css = "\n".join(styles)
    return (
        f'<!DOCTYPE html>\n<html lang="{lang}">\n<head>\n<meta charset="utf-8">\n'
        f'<meta name="viewport" content="width=device-width, initial-scale=1">\n'
        f"<title>{html.escape(title)}</title>\n<style>\n{css}\n</style>\n</head>\n"
        f"<body>\n{body}\n</body>\n</html>\n"
    )


def contents_list(contents, css_class):
    items, open_sub = [], False
    for level, ident, title in contents:
        if level == 1:
            if open_sub:
                items.append("</ol></li>")
                open_sub = False
            elif items:
                items.append("</li>")
            items.append(f'<li class="chapter"><a href="#{ident}">{title}</a>')
        else:
            if not open_sub:
                items.append("<ol>")
                open_sub = True
            items.append(f'<li><a href="#{ident}">{title}</a></li>')
    items.append("</ol></li>" if open_sub else "</li>")
    return f'<ol class="{css_class}">{"".join(items)}</ol>'


# ---------------------------------------------------------------------------------------------
# PDF


class WarningCatcher(logging.Handler):
    """WeasyPrint reports what it cannot lay out or load (a picture, a font, a rule of the
    style) as log messages: each of them fails the build."""

    def __init__(self):
        super().__init__(logging.WARNING)
        self.messages = []

    def emit(self, record):
        self.messages.append(record.getMessage())


def write_pdf(name, html_text, base, target):
    import weasyprint  # imported here so that the help page needs nothing but Python
    from weasyprint.formatting_structure import boxes

    logger = logging.getLogger("weasyprint")
    catcher = WarningCatcher()
    logger.addHandler(catcher)
    logger.setLevel(logging.WARNING)
    logger.propagate = False
    try:
        document = weasyprint.HTML(string=html_text, base_url=str(base)).render()
        placed, outside = [], []
        for number, rendered in enumerate(document.pages, start=1):
            page_box = rendered._page_box
            area = (page_box.content_box_x(), page_box.content_box_y(),
                    page_box.content_box_x() + page_box.width,
                    page_box.content_box_y() + page_box.height)
            for box in page_box.descendants():
                if not isinstance(box, boxes.ReplacedBox) or box.element is None:
                    continue
                key = box.element.get("data-eq")
                if key is None:
                    continue
                picture = {
                    "page": number,
                    "x": box.content_box_x(),
                    "y": box.content_box_y(),
                    "width": box.width,
                    "height": box.height,
                    "equation": box.element.get("alt"),
                }
                placed.append(picture)
                # Half a point of slack for rounding.
                if (picture["x"] < area[0] - 0.7 or picture["y"] < area[1] - 0.7
                        or picture["x"] + picture["width"] > area[2] + 0.7
                        or picture["y"] + picture["height"] > area[3] + 0.7):
                    outside.append(f"page {number}: the picture of {picture['equation']!r} "
                                   "runs out of the page's text area")
        document.write_pdf(target)
    finally:
        logger.removeHandler(catcher)
    if catcher.messages or outside:
        raise DocsError(f"{name}: " + "\n  ".join(catcher.messages + outside))
    return {"pages": len(document.pages), "pictures": placed}


# ---------------------------------------------------------------------------------------------


def build(args):
    source_dir, out_dir, work = Path(args.source), Path(args.out), Path(args.work)
    manual_parts = sorted((source_dir / "manual").glob("[0-9][0-9]-*.html"))
    card_path = source_dir / "card" / "card.html"
    whatsnew_path = source_dir / "whatsnew" / "whatsnew.html"
    cover_path = source_dir / "manual" / "cover.html"
    sources = [read_source(p) for p in manual_parts + [cover_path, card_path, whatsnew_path]]
    pictures = render_all(Path(args.cli), sources, work / "pictures")

    def css(*names):
        return [(source_dir / name).read_text(encoding="utf-8").replace("{{version}}", args.version)
                for name in names]

    manual_count = len(manual_parts)
    manual_raw = "\n".join(s.text for s in sources[:manual_count])
    manual_body, contents = number_headings(manual_raw)
    cover = sources[manual_count].text
    version = args.version
    title = f"Kalvane {version} User Manual"

    # The help page: the manual with its pictures inlined and a table of contents beside it.
    screen = Writer(pictures, inline=True, version=version, source_dir=source_dir,
                    scale=HELP_PAGE_SCALE)
    help_body = (
        f'<nav class="contents" aria-label="Contents"><p class="product">Kalvane {version}</p>'
        f'{contents_list(contents, "toc")}</nav>\n<main>\n'
        f'<header class="cover">{screen.text(cover)}</header>\n'
        f"{screen.text(manual_body)}\n</main>"
    )
    outputs = {
        "Kalvane3.html": page(f"Kalvane {version} Help", css("common.css", "manual/screen.css"),
                              help_body),
    }

    layout = {}
    with tempfile.TemporaryDirectory(dir=out_dir) as staging:
        staging = Path(staging)
        printed = Writer(pictures, inline=False, version=version, source_dir=source_dir)
        manual_html = page(
            title,
            css("common.css", "manual/print.css"),
            f'<section class="cover">{printed.text(cover)}</section>\n'
            f'<section class="contents"><h1 class="toc-title">Contents</h1>'
            f'{contents_list(contents, "toc")}</section>\n'
            f"{printed.text(manual_body)}",
        )
        expected = sum(s.text.count("⟦") for s in sources[: manual_count + 1])
        layout["kv3_manl.pdf"] = write_pdf("kv3_manl.pdf", manual_html, work,
                                           staging / "kv3_manl.pdf")

        card = Writer(pictures, inline=False, version=version, source_dir=source_dir,
                      scale=CARD_SCALE)
        card_html = page(f"Kalvane {version} Quick Reference", css("common.css", "card/card.css"),
                         card.text(sources[-2].text))
        layout["kv3_card.pdf"] = write_pdf("kv3_card.pdf", card_html, work,
                                           staging / "kv3_card.pdf")

        news = Writer(pictures, inline=False, version=version, source_dir=source_dir)
        news_html = page(f"What's New in Kalvane {version}",
                         css("common.css", "whatsnew/whatsnew.css"), news.text(sources[-1].text))
        layout["kv3_whatsnew.pdf"] = write_pdf("kv3_whatsnew.pdf", news_html, work,
                                               staging / "kv3_whatsnew.pdf")

        if screen.placed != expected:
            raise DocsError(f"Kalvane3.html: {expected} pictures in the source, {screen.placed} "
                            "placed")
        for name, writer, want in (("kv3_manl.pdf", printed, expected),
                                   ("kv3_card.pdf", card, sources[-2].text.count("⟦")),
                                   ("kv3_whatsnew.pdf", news, sources[-1].text.count("⟦"))):
            found = len(layout[name]["pictures"])
            if writer.placed != want or found != want:
                raise DocsError(f"{name}: {want} pictures in the source, {writer.placed} placed, "
                                f"{found} laid out")
        pages = layout["kv3_card.pdf"]["pages"]
        if pages != CARD_PAGES:
            raise DocsError(f"kv3_card.pdf: the card must fill exactly {CARD_PAGES} pages, "
                            f"not {pages}")
        pages = layout["kv3_whatsnew.pdf"]["pages"]
        if pages > WHATSNEW_MAX_PAGES:
            raise DocsError(f"kv3_whatsnew.pdf: {pages} pages, at most {WHATSNEW_MAX_PAGES}")

        for name, text in outputs.items():
            (staging / name).write_text(text, encoding="utf-8")
        # Everything is made and checked: only now do the outputs replace the old ones.
        for name in list(outputs) + list(layout):
            os.replace(staging / name, out_dir / name)
    layout_text = json.dumps(layout, indent=1)
    Path(args.layout).write_text(layout_text + "\n", encoding="utf-8")
    for name, info in layout.items():
        print(f"{name}: {info['pages']} pages, {len(info['pictures'])} pictures")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="the kalvane-cli program")
    parser.add_argument("--source", required=True, help="the docs/ folder")
    parser.add_argument("--out", required=True, help="where the four documents go")
    parser.add_argument("--work", required=True, help="a folder for the pictures")
    parser.add_argument("--layout", required=True, help="the layout file for the test")
    parser.add_argument("--version", required=True, help="the release, such as 3.1")
    args = parser.parse_args()
    try:
        build(args)
    except DocsError as error:
        # No output may outlive a failed build: the next build must make them again.
        for name in ("Kalvane3.html", "kv3_manl.pdf", "kv3_card.pdf", "kv3_whatsnew.pdf"):
            (Path(args.out) / name).unlink(missing_ok=True)
        Path(args.layout).unlink(missing_ok=True)
        print(f"make_docs: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
