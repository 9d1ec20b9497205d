#!/usr/bin/env python3
"""Checks the documentation the build made, from the files a user gets.

  check_docs.py --folder DIR --layout LAYOUT.json

- Each PDF is A4 and has the pages the build laid out; the quick-reference card has exactly
  two, as it is printed on both sides of one sheet.
- Every equation picture shows ink on its page: the PDFs are rasterised with pdftoppm and the
  box the layout gives for each picture must hold dark pixels, and lie on the page.
- The help page stands alone: nothing it shows or links to lies outside it, its ids are unique
  (each inlined picture keeps its own glyphs) and every link inside it has a target.
"""

import argparse
import html.parser
import json
import re
import subprocess
import sys
import tempfile
from pathlib import Path

A4_POINTS = (595.28, 841.89)
CARD_PAGES = 2  # one sheet, printed on both sides
RASTER_DPI = 72  # one pixel per point
CSS_PX_PER_POINT = 96 / 72
DARK = 160  # a grey level below this is ink (pictures are black or strongly coloured)


def pdf_pages(pdf):
    """The size in points of every page of the PDF."""
    info = subprocess.run(["pdfinfo", str(pdf)], capture_output=True, text=True, check=True).stdout
    count = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
    sizes = subprocess.run(["pdfinfo", "-f", "1", "-l", str(count), str(pdf)], capture_output=True,
                           text=True, check=True).stdout
    return [(float(w), float(h)) for w, h in
            re.findall(r"^Page\s+\d+ size:\s+([\d.]+) x ([\d.]+) pts", sizes, re.M)]


def read_pgm(path):
    data = path.read_bytes()
    match = re.match(rb"P5\s+(\d+)\s+(\d+)\s+(\d+)\s", data)
    width, height = int(match.group(1)), int(match.group(2))
    return width, height, data[match.end():]


def check_pictures(pdf, pictures, problems):
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["pdftoppm", "-r", str(RASTER_DPI), "-gray", str(pdf),
                        str(Path(folder) / "page")], check=True)
        pages = sorted(Path(folder).glob("page-*.pgm"))
        by_page = {}
        for picture in pictures:
            by_page.setdefault(picture["page"], []).append(picture)
        for number, found in sorted(by_page.items()):
            width, height, pixels = read_pgm(pages[number - 1])
            for picture in found:
                where = f"{pdf.name} page {number}: the picture of {picture['equation']!r}"
                scale = 1 / CSS_PX_PER_POINT * RASTER_DPI / 72
                left = picture["x"] * scale
                top = picture["y"] * scale
                right = left + picture["width"] * scale
                bottom = top + picture["height"] * scale
                if left < 0 or top < 0 or right > width + 0.5 or bottom > height + 0.5:
                    problems.append(f"{where} runs off the page")
                    continue
                # One pixel in from each edge, so that a neighbour's ink never counts.
                x0, x1 = int(left) + 1, max(int(left) + 2, int(right) - 1)
                y0, y1 = int(top) + 1, max(int(top) + 2, int(bottom) - 1)
                inked = any(min(pixels[y * width + x0:y * width + x1]) < DARK
                            for y in range(y0, min(y1, height)))
                if not inked:
                    problems.append(f"{where} is empty")


class HelpPage(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.ids, self.targets, self.external, self.svgs = [], [], [], 0
        self.drawn, self.in_svg, self.in_style, self.styles = [], False, False, []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            self.ids.append(attrs["id"])
        if tag in ("link", "script", "iframe", "object", "embed", "base"):
            self.external.append(f"<{tag}>")
        for name in ("src", "href", "xlink:href", "poster", "srcset", "data"):
            value = attrs.get(name)
            if value is None:
                continue
            if value.startswith("#"):
                self.targets.append(value[1:])
            elif not value.startswith("data:"):
                self.external.append(f'{name}="{value}"')
        if "style" in attrs:
            self.styles.append(attrs["style"])
        if tag == "svg":
            self.svgs += 1
            self.in_svg = True
            self.drawn.append(0)
        elif self.in_svg and tag in ("use", "line", "polygon", "polyline", "path", "rect"):
            if tag != "path" or not attrs.get("id"):  # glyph definitions draw nothing
                self.drawn[-1] += 1
        if tag == "style":
            self.in_style = True

    def handle_endtag(self, tag):
        if tag == "svg":
            self.in_svg = False
        if tag == "style":
            self.in_style = False

    def handle_data(self, data):
        if self.in_style:
            self.styles.append(data)


def check_help_page(path, manual_pictures, problems):
    page = HelpPage()
    page.feed(path.read_text(encoding="utf-8"))
    name = path.name
    for reference in page.external:
        problems.append(f"{name} refers to something outside it: {reference}")
    for style in page.styles:
        for url in re.findall(r"url\(\s*['\"]?([^'\")]*)", style):
            if not url.startswith(("#", "data:")):
                problems.append(f"{name}: a style loads {url}")
        if "@import" in style:
            problems.append(f"{name}: a style imports another")
    ids = set(page.ids)
    if len(ids) != len(page.ids):
        twice = sorted({i for i in page.ids if page.ids.count(i) > 1})
        problems.append(f"{name}: ids used more than once: {', '.join(twice[:10])}")
    for target in sorted(set(page.targets) - ids):
        problems.append(f"{name}: a link to #{target}, which is nowhere")
    if page.svgs != manual_pictures:
        problems.append(f"{name}: {page.svgs} pictures, the manual has {manual_pictures}")
    empty = sum(1 for drawn in page.drawn if drawn == 0)
    if empty:
        problems.append(f"{name}: {empty} pictures draw nothing")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--folder", required=True, help="where the four documents are")
    parser.add_argument("--layout", required=True, help="the layout file the build wrote")
    args = parser.parse_args()
    folder = Path(args.folder)
    layout = json.loads(Path(args.layout).read_text(encoding="utf-8"))
    problems = []

    for name in ("kv3_manl.pdf", "kv3_card.pdf", "kv3_whatsnew.pdf"):
        pdf = folder / name
        sizes = pdf_pages(pdf)
        expected = CARD_PAGES if name == "kv3_card.pdf" else layout[name]["pages"]
        if len(sizes) != expected:
            problems.append(f"{name}: {len(sizes)} pages, not {expected}")
        for number, size in enumerate(sizes, start=1):
            if any(abs(a - b) > 1 for a, b in zip(size, A4_POINTS)):
                problems.append(f"{name} page {number} is {size[0]} x {size[1]} points, not A4")
        if not layout[name]["pictures"]:
            problems.append(f"{name} has no equation pictures")
        check_pictures(pdf, layout[name]["pictures"], problems)

    check_help_page(folder / "Kalvane3.html", len(layout["kv3_manl.pdf"]["pictures"]), problems)

    for problem in problems:
        print(problem)
    pictures = sum(len(info["pictures"]) for info in layout.values())
    print(f"{len(problems)} problems; {pictures} pictures in {len(layout)} PDF documents checked")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
