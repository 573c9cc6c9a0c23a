#!/usr/bin/env python3
"""Remakes the BDF font sources in fonts/ from the bitmap fonts Debian ships.

The BDF files in fonts/ are the sources the build compiles; edit them with a
glyph editor (gbdfed, FontForge) or a text editor. This script records how
they were first derived and can make them again from the packages:

    apt-get install pcf2bdf xfonts-base xfonts-terminus
    tools/fontsources/make_sources.py fonts/

Every source keeps only the glyphs the sign shows: the printable ASCII
characters and the other Windows-1250 characters the original has. All
glyphs are written as full cells (BBX = advance x height), so every bitmap
row is a whole pixel line of the sign.
"""
import gzip
import os
import subprocess
import sys
import tempfile

MISC = "/usr/share/fonts/X11/misc"
PUBLIC_DOMAIN = "Public domain font.  Share and enjoy."
TERMINUS_COPYRIGHT = "Copyright (C) 2019 Dimitar Toshkov Zhekov"
OFL_NOTICE = "Licensed under the SIL Open Font License, Version 1.1"

# Glyphs of the 5-line font redrawn by hand where the 4x6 original reaches
# below the baseline: the five pixel lines, '#' ink, '.' paper.
FIVE_LINE_REDRAWN = {
    "$": [".##.", "##..", ".#..", ".##.", "##.."],
    "(": [".#..", "#...", "#...", "#...", ".#.."],
    ")": ["#...", ".#..", ".#..", ".#..", "#..."],
    ",": ["....", "....", "....", ".#..", "#..."],
    ";": ["....", ".#..", "....", ".#..", "#..."],
    "Q": [".#..", "#.#.", "#.#.", "##..", ".##."],
    "_": ["....", "....", "....", "....", "###."],
    "g": [".##.", "#.#.", ".##.", "..#.", "##.."],
    "j": ["..#.", "....", "..#.", "..#.", "##.."],
    "p": ["##..", "#.#.", "##..", "#...", "#..."],
    "q": [".##.", "#.#.", ".##.", "..#.", "..#."],
    "y": ["#.#.", "#.#.", ".##.", "..#.", "##.."],
    "{": [".##.", ".#..", "#...", ".#..", ".##."],
    "}": ["##..", ".#..", "..#.", ".#..", "##.."],
}


def read_pcf(name):
    """The BDF text of a PCF font of the misc folder, through pcf2bdf."""
    with tempfile.TemporaryDirectory() as tmp:
        pcf = os.path.join(tmp, "font.pcf")
        with gzip.open(os.path.join(MISC, name)) as src, open(pcf, "wb") as dst:
            dst.write(src.read())
        return subprocess.run(["pcf2bdf", pcf], check=True, capture_output=True).stdout.decode("latin-1")


def parse(text):
    """(ascent, descent, {unicode: glyph}); a glyph is a dict with name,
    advance and pixels, a set of (column, line) in the cell, line 0 on top."""
    lines = iter(text.splitlines())
    ascent = descent = None
    glyphs = {}
    for line in lines:
        words = line.split()
        if not words:
            continue
        if words[0] == "FONT_ASCENT":
            ascent = int(words[1])
        elif words[0] == "FONT_DESCENT":
            descent = int(words[1])
        elif words[0] == "STARTCHAR":
            glyph = {"name": line.split(None, 1)[1], "pixels": set()}
            for line in lines:
                words = line.split()
                if words[0] == "ENCODING":
                    code = int(words[1])
                elif words[0] == "DWIDTH":
                    glyph["advance"] = int(words[1])
                elif words[0] == "BBX":
                    w, h, x0, y0 = map(int, words[1:5])
                elif words[0] == "BITMAP":
                    top = ascent - (y0 + h)
                    for y in range(h):
                        bits = int(next(lines), 16)
                        digits = (w + 7) // 8 * 8
                        for x in range(w):
                            if bits >> (digits - 1 - x) & 1:
                                glyph["pixels"].add((x0 + x, top + y))
                elif words[0] == "ENDCHAR":
                    break
            glyphs[code] = glyph
    return ascent, descent, glyphs


def shipped(codes):
    """Unicode characters of the Windows-1250 codes 0x20-0x7E and 0x80-0xFF."""
    chars = [chr(c) for c in range(0x20, 0x7F)]
    for c in range(0x80, 0x100):
        try:
            chars.append(bytes([c]).decode("cp1250"))
        except UnicodeDecodeError:
            pass
    return [ord(ch) for ch in chars if ord(ch) in codes]


def embolden(glyph):
    """Bold by doubling every ink pixel one column to the right."""
    pixels = glyph["pixels"] | {(x + 1, y) for (x, y) in glyph["pixels"]}
    return {**glyph, "advance": glyph["advance"] + 1, "pixels": pixels}


def write(path, face, comments, copyright, notice, ascent, descent, glyphs):
    height = ascent + descent
    out = ["STARTFONT 2.1"]
    out += ["COMMENT " + c for c in comments]
    out += ["FONT -lumidot-%s-%d" % (face.replace(" ", "-"), height),
            "SIZE %d 75 75" % height,
            "FONTBOUNDINGBOX %d %d 0 %d" % (max(g["advance"] for g in glyphs.values()), height, -descent)]
    props = ['FACE_NAME "%s"' % face, 'COPYRIGHT "%s"' % copyright]
    if notice:
        props.append('NOTICE "%s"' % notice)
    props += ["FONT_ASCENT %d" % ascent, "FONT_DESCENT %d" % descent]
    out += ["STARTPROPERTIES %d" % len(props)] + props + ["ENDPROPERTIES", "CHARS %d" % len(glyphs)]
    for code in sorted(glyphs):
        g = glyphs[code]
        w = g["advance"]
        digits = (w + 7) // 8 * 2
        out += ["STARTCHAR " + g["name"], "ENCODING %d" % code, "DWIDTH %d 0" % w,
                "BBX %d %d 0 %d" % (w, height, -descent), "BITMAP"]
        for y in range(height):
            bits = sum(1 << (digits * 4 - 1 - x) for (x, yy) in g["pixels"] if yy == y)
            out.append("%0*X" % (digits, bits))
        out.append("ENDCHAR")
    out.append("ENDFONT")
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


def derive(outdir, file, face, pcf, copyright, notice, origin, pad=(0, 0), bold=False, only_ascii=False,
           crop_descent=False):
    """One source: the shipped glyphs of pcf, padded by pad=(lines on top,
    lines below), emboldened or cut to the lines above the baseline."""
    ascent, descent, glyphs = parse(read_pcf(pcf))
    codes = [c for c in shipped(glyphs) if not only_ascii or c < 0x7F]
    chosen = {c: embolden(glyphs[c]) if bold else glyphs[c] for c in codes}
    comments = [origin]
    if crop_descent:
        comments.append("Cut to the %d lines above the baseline; glyphs that reach below it were redrawn by hand." % ascent)
        for ch, rows in FIVE_LINE_REDRAWN.items():
            chosen[ord(ch)]["pixels"] = {(x, y) for y, row in enumerate(rows) for x, c in enumerate(row) if c == "#"}
        descent = 0
    top, bottom = pad
    for g in chosen.values():
        g["pixels"] = {(x, y + top) for (x, y) in g["pixels"] if not crop_descent or y < ascent}
    write(os.path.join(outdir, file), face, comments, copyright, notice, ascent + top, descent + bottom, chosen)


def main(outdir):
    misc = "Derived from misc-fixed %s of xfonts-base (public domain)."
    terminus = "Derived from Terminus Font %s of xfonts-terminus (SIL Open Font License 1.1, see OFL.txt)."
    # 10 lines per row
    derive(outdir, "regular-6x10.bdf", "Regular 6x10", "6x10.pcf.gz", PUBLIC_DOMAIN, None, misc % "6x10")
    derive(outdir, "bold-7x10.bdf", "Bold 7x10", "6x10.pcf.gz", PUBLIC_DOMAIN, None,
           misc % "6x10" + " Made bold by doubling every pixel to the right.", bold=True)
    derive(outdir, "narrow-5x10.bdf", "Narrow 5x10", "5x8.pcf.gz", PUBLIC_DOMAIN, None,
           misc % "5x8" + " One line added on top and below.", pad=(1, 1))
    derive(outdir, "half-4x5.bdf", "Half 4x5", "4x6.pcf.gz", PUBLIC_DOMAIN, None, misc % "4x6",
           only_ascii=True, crop_descent=True)
    # 16 lines per row
    derive(outdir, "regular-8x16.bdf", "Regular 8x16", "ter-u16n_unicode.pcf.gz", TERMINUS_COPYRIGHT, OFL_NOTICE,
           terminus % "ter-u16n")
    derive(outdir, "bold-8x16.bdf", "Bold 8x16", "ter-u16b_unicode.pcf.gz", TERMINUS_COPYRIGHT, OFL_NOTICE,
           terminus % "ter-u16b")
    derive(outdir, "narrow-6x16.bdf", "Narrow 6x16", "6x13.pcf.gz", PUBLIC_DOMAIN, None,
           misc % "6x13" + " One line added on top, two below.", pad=(1, 2))
    derive(outdir, "half-5x8.bdf", "Half 5x8", "5x8.pcf.gz", PUBLIC_DOMAIN, None, misc % "5x8")
    # 20 lines per row
    derive(outdir, "regular-10x20.bdf", "Regular 10x20", "ter-u20n_unicode.pcf.gz", TERMINUS_COPYRIGHT, OFL_NOTICE,
           terminus % "ter-u20n")
    derive(outdir, "bold-10x20.bdf", "Bold 10x20", "ter-u20b_unicode.pcf.gz", TERMINUS_COPYRIGHT, OFL_NOTICE,
           terminus % "ter-u20b")
    derive(outdir, "narrow-7x20.bdf", "Narrow 7x20", "7x14.pcf.gz", PUBLIC_DOMAIN, None,
           misc % "7x14" + " Four lines added on top, two below.", pad=(4, 2))
    derive(outdir, "half-6x10.bdf", "Half 6x10", "6x10.pcf.gz", PUBLIC_DOMAIN, None, misc % "6x10")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
