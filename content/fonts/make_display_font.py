#!/usr/bin/python3
"""Derives the program's display face from a Persian Naskh font.

The fixed texts and much of the content use the Arabic letters yeh (U+064A), alef maksura
(U+0649) and kaf (U+0643). Stored texts stay exactly as they are; the display face simply
draws them with the glyphs of the Persian yeh (U+06CC) and keheh (U+06A9). Joining forms come
from the font's substitution lookups, which work on glyphs, so the remapped letters join in
every position exactly as the Persian ones do.

usage: make_display_font.py SOURCE.ttf OUTPUT.ttf FAMILY
"""
import sys

from fontTools.ttLib import TTFont

REMAP = {0x064A: 0x06CC, 0x0649: 0x06CC, 0x0643: 0x06A9}


def main(source, output, family):
    font = TTFont(source)
    for table in font["cmap"].tables:
        if not table.isUnicode():
            continue
        for code, persian in REMAP.items():
            glyph = table.cmap.get(persian)
            if glyph is None:
                sys.exit(f"{source}: no glyph for U+{persian:04X}")
            table.cmap[code] = glyph

    names = font["name"]
    style = names.getDebugName(2) or "Regular"
    postscript = family.replace(" ", "") + ("" if style == "Regular" else "-" + style)
    full = family if style == "Regular" else f"{family} {style}"
    for record in names.names:
        if record.nameID in (1, 16):
            record.string = family
        elif record.nameID in (3, 4):
            record.string = full
        elif record.nameID == 6:
            record.string = postscript
    font.save(output)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
