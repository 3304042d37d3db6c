#!/usr/bin/python3
"""Writes the crafted pictures and fonts (tests/crafted/) the asset roads put in place of the game's.

    tools/make_crafted_assets.py

Needs Debian's python3 with fontTools and ImageMagick (apt-get install python3-fonttools imagemagick). The name says what the game must do with a file:
good-* loads as the size in its name, refused-* is refused with its debugging line before it is decoded or
drawn, small-box-* is a text box picture too small for its text. Each is valid but for what its name says,
small, and the same on every run.
"""
import os
import struct
import subprocess
import tempfile
import zlib

os.environ["SOURCE_DATE_EPOCH"] = "0"  # fontTools' timestamps
from fontTools.fontBuilder import FontBuilder  # noqa: E402
from fontTools.pens.ttGlyphPen import TTGlyphPen  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "crafted")
HUGE = (16383, 43690)  # a JPEG's largest width, and 2 GB of pixels with it


def convert(*args):
    with tempfile.TemporaryDirectory() as t:
        out = os.path.join(t, "out")
        subprocess.run(["convert", *args[:-1], "-strip", "-define", "png:exclude-chunks=date,time",
                        f"{args[-1]}:{out}"], check=True)
        with open(out, "rb") as f:
            return f.read()


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def jpeg_segments(data):
    """(marker, start, end) of each segment before the first scan's coded data."""
    pos, out = 2, []
    while data[pos] == 0xFF and data[pos + 1] != 0xDA:
        end = pos + 2 + struct.unpack(">H", data[pos + 2:pos + 4])[0]
        out.append((data[pos + 1], pos, end))
        pos = end
    return out


def huge_jpeg(data):
    for marker, start, _ in jpeg_segments(data):
        if marker == 0xC0:
            return data[:start + 5] + struct.pack(">HH", HUGE[1], HUGE[0]) + data[start + 9:]
    raise SystemExit("no SOF0")


def huge_png(data):
    ihdr = bytearray(data[12:29])  # its name and contents, which its checksum covers
    ihdr[4:12] = struct.pack(">II", *HUGE)
    return data[:12] + bytes(ihdr) + struct.pack(">I", zlib.crc32(bytes(ihdr))) + data[33:]


def font(name, x0, x1, advance, ascent=800, descent=-200):
    """Latin-1 drawn as boxes from the baseline to the ascent, each advance units (of 1000 to the em) wide: the
    letters' box from x0 to x1 units, the other signs' within their advance."""
    fb = FontBuilder(1000, isTTF=True)
    fb.setupGlyphOrder([".notdef", "space", "box", "letter"])
    latin1 = [*range(0x21, 0x7F), *range(0xA1, 0x100)]
    fb.setupCharacterMap({0x20: "space", 0xA0: "space", **{c: "letter" if chr(c).isalpha() else "box" for c in latin1}})

    def box(left, right):
        pen = TTGlyphPen(None)
        if right > left:
            pen.moveTo((left, 0))
            for point in [(left, ascent), (right, ascent), (right, 0)]:
                pen.lineTo(point)
            pen.closePath()
        return pen.glyph()

    inside = (min(50, advance), max(0, advance - 50))
    fb.setupGlyf({".notdef": box(*inside), "space": box(0, 0), "box": box(*inside), "letter": box(x0, x1)})
    widths = {".notdef": advance or 500, "space": advance, "box": advance, "letter": advance}  # one must be wide
    bearings = {".notdef": inside[0], "space": 0, "box": inside[0], "letter": min(x0, x1)}
    fb.setupHorizontalMetrics({g: (w, bearings[g]) for g, w in widths.items()})
    fb.setupHorizontalHeader(ascent=ascent, descent=descent)
    fb.setupOS2(sTypoAscender=ascent, sTypoDescender=descent, usWinAscent=ascent, usWinDescent=-descent)
    fb.setupNameTable({"familyName": "Duskwane " + name, "styleName": "Regular"})
    fb.setupPost()
    fb.font.recalcTimestamp = False
    fb.save(os.path.join(OUT, name))


def main():
    os.makedirs(OUT, exist_ok=True)
    pattern = ["-size", "3x2", "gradient:#7a2f66-#e77a3c", "-depth", "8"]
    # The formats the game's header reader knows, each as the decoder reads it.
    write("good-3x2.png", convert(*pattern, "PNG32"))
    write("good-3x2.gif", convert(*pattern, "-comment", "an extension before the picture", "GIF"))
    write("good-3x2.bmp", convert(*pattern, "BMP3"))
    write("good-3x2-os2.bmp", convert(*pattern, "BMP2"))
    write("good-3x2-be.tif", convert(*pattern, "-endian", "MSB", "TIFF"))
    write("good-3x2.ppm", convert(*pattern, "PPM"))
    write("good-64x64-progressive.jpg", convert("-size", "64x64", "gradient:", "-interlace", "JPEG", "JPEG"))
    # Valid headers claiming 16383 x 43690 pixels over a few bytes of data (the decoder would fill the rest).
    write("refused-huge.jpg", huge_jpeg(convert("-size", "16x16", "xc:gray", "-quality", "50", "JPEG")))
    write("refused-huge.png", huge_png(convert("-size", "16x16", "xc:gray", "PNG24")))
    # A progressive grey JPEG with 300 more scans of no data, each a whole pass over the picture.
    base = convert("-size", "64x64", "gradient:", "-colorspace", "Gray", "-interlace", "JPEG", "JPEG")
    empty_scan = bytes([0xFF, 0xDA, 0, 8, 1, 1, 0, 1, 63, 0])
    write("refused-scans.jpg", base[:-2] + empty_scan * 300 + base[-2:])
    # A GIF whose first picture is 0 x 0, which SDL_image's decoder writes through a null pointer for.
    write("refused-empty.gif", b"GIF89a\x03\x00\x02\x00\xf0\x00\x00z/f\xe7z<!\xf9\x04\x00\x00\x00\x00\x00,"
          + bytes(57) + b"\x03\x00\x02\x00\x00\x02\x03\x84\x83\x05\x00;")
    # GIFs that SDL_image 1.2.12 reads for ever: a comment whose blocks run past the end of the file, a picture
    # of 8 x 512 whose pixels would take 240 bits each, and a graphic control extension whose first block is empty
    # (the decoder reads a second chain after it, here past the end).
    write("refused-unended.gif", b"GIF89a\x03\x00\x02\x00\xf0\x00\x00z/f\xe7z<!\xfe\x10abc")
    write("refused-code-size.gif", b"GIF89a\x03\x00\x02\x00\xf0\x00\x00z/f\xe7z<!\xf9\x04\x00\x00\x00\x00\x00,"
          + b"\x00\x00\x00\x00\x08\x00\x00\x02\x00\xf0\x00\x00z/f\xe7z<!\xf9\x84\x83\x05\x00;")
    write("refused-control-block.gif", bytes.fromhex(
        "474946383961f000000000000000000000000000000000000000000000007a00"
        "2f66e75a3c21f900c0000000000000002c0000000003000200000203848305003b"))
    write("small-box-1x1.png", convert("-size", "1x1", "xc:#eee2c4", "PNG24"))
    # Letters 1200 units left of their origin (after a sign, a letter starts before the line); lines of 20.8 em;
    # glyphs of no width at all.
    font("refused-bearing.ttf", -1200, -700, 500)
    font("refused-line.ttf", 50, 450, 500, ascent=10400, descent=-10400)
    font("good-zero-width.ttf", 0, 0, 0)


main()
