#!/usr/bin/env python3
"""Draws the quick-reference card's two pages side by side into one PNG picture, 1000 pixels
wide, as the README shows it.

  card_picture.py kv3_card.pdf quickref-card.png
"""

import subprocess
import sys
import tempfile
from pathlib import Path

from PIL import Image

WIDTH = 1000
GAP = 12  # around and between the pages
PAGE_WIDTH = (WIDTH - 3 * GAP) // 2


def main():
    card, target = Path(sys.argv[1]), Path(sys.argv[2])
    with tempfile.TemporaryDirectory() as folder:
        # Drawn at twice the size and scaled down, which keeps thin strokes and small letters
        # crisp.
        subprocess.run(["pdftoppm", "-png", "-scale-to-x", str(2 * PAGE_WIDTH), "-scale-to-y",
                        "-1", str(card), str(Path(folder) / "page")], check=True)
        pages = [Image.open(p).convert("RGB") for p in sorted(Path(folder).glob("page-*.png"))]
        if len(pages) != 2:
            sys.exit(f"card_picture: the card has {len(pages)} pages, not 2")
        pages = [p.resize((PAGE_WIDTH, round(p.height * PAGE_WIDTH / p.width)), Image.LANCZOS)
                 for p in pages]
    height = max(p.height for p in pages) + 2 * GAP
    picture = Image.new("RGB", (WIDTH, height), (214, 219, 224))
    for index, page in enumerate(pages):
        left = GAP + index * (PAGE_WIDTH + GAP)
        shadow = Image.new("RGB", page.size, (170, 176, 182))
        picture.paste(shadow, (left + 2, GAP + 2))
        picture.paste(page, (left, GAP))
    picture.quantize(colors=256, method=Image.MEDIANCUT, dither=Image.NONE).save(
        target, optimize=True)


if __name__ == "__main__":
    main()
