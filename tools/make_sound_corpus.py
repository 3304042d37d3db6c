#!/usr/bin/env python3
"""Writes the sound corpus (tests/fuzz/corpus/) from the game's own sounds.

    python3 tools/make_sound_corpus.py

The name says what the sound layer must do with a file: game-* loads and
plays, refused-* is refused with its debugging line, damaged-* may load or be
refused but never crashes. The fuzzers start from these; the test suite
replays them all through the layer. Deterministic: the same files each time.
"""
import os
import random
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SND = os.path.join(ROOT, "data", "rsrc_snd")
OUT = os.path.join(ROOT, "tests", "fuzz", "corpus")


def read(rel):
    with open(os.path.join(SND, rel), "rb") as f:
        return f.read()


def crc_ogg(data):
    crc = 0
    for b in data:
        crc ^= b << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7 if crc & 0x80000000 else crc << 1) & 0xFFFFFFFF
    return crc


def ogg_pages(data):
    """(start, header length, body length) of each page."""
    pos, pages = 0, []
    while data.startswith(b"OggS", pos):
        nseg = data[pos + 26]
        body = sum(data[pos + 27:pos + 27 + nseg])
        pages.append((pos, 27 + nseg, body))
        pos += 27 + nseg + body
    return pages


def ogg_fixed(data):
    """The same pages with their checksums made right again (libogg drops a page whose checksum is wrong)."""
    data = bytearray(data)
    for start, head, body in ogg_pages(data):
        data[start + 22:start + 26] = b"\0\0\0\0"
        data[start + 22:start + 26] = struct.pack("<I", crc_ogg(data[start:start + head + body]))
    return bytes(data)


def ogg_format(data, channels, rate):
    """The Vorbis stream claiming another channel count and rate (identification header, first page)."""
    data = bytearray(data)
    start, head, _ = ogg_pages(data)[0]
    packet = start + head
    assert data[packet:packet + 7] == b"\x01vorbis"
    data[packet + 11] = channels
    data[packet + 12:packet + 16] = struct.pack("<I", rate)
    return ogg_fixed(data)


def silent_ogg(seconds):
    """A mono Vorbis stream of silence made by sox: a few bytes a second, yet 88 kB a second once decoded."""
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, "long.ogg")
        subprocess.run(["sox", "-D", "-n", "-r", "22050", "-c", "1", "-C", "-1", path, "trim", "0", str(seconds)],
                       check=True)
        with open(path, "rb") as f:
            data = bytearray(f.read())
    # The encoder draws the stream's serial number at random: a fixed one keeps the file the same each time.
    for start, _, _ in ogg_pages(data):
        data[start + 14:start + 18] = struct.pack("<I", 0x4B535544)
    return ogg_fixed(data)


def wav(channels, rate, bits, pcm):
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * channels * bits // 8, channels * bits // 8, bits)
    return (b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(pcm)) + b"WAVE" + b"fmt " +
            struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(pcm)) + pcm)


def sun_au(channels, rate):
    """A Sun AU file: 16-bit linear, big-endian header."""
    pcm = bytes(400)
    return b".snd" + struct.pack(">IIIII", 24, len(pcm), 3, rate, channels) + pcm


def module():
    """A four-channel tracker module of 2,140 bytes: one pattern, one short looping sample."""
    rng = random.Random(4)
    title = b"duskwane".ljust(20, b"\0")
    samples = struct.pack(">22sHBBHH", b"bip", 16, 0, 64, 0, 16) + bytes(30) * 30
    order = bytes([1, 127]) + bytes(128)
    pattern = bytes(rng.randrange(256) if i % 4 == 0 else 0 for i in range(1024))
    return title + samples + order + b"M.K." + pattern + bytes(rng.randrange(256) for _ in range(32))


def damaged(data, start, count, seed):
    """`count` bytes past `start` replaced by random ones, every frame header left."""
    rng = random.Random(seed)
    data = bytearray(data)
    for _ in range(count):
        i = rng.randrange(start, len(data))
        if data[i] != 0xFF:
            data[i] = rng.randrange(256)
    return bytes(data)


def main():
    os.makedirs(OUT, exist_ok=True)
    wind = read("Menu/wind.wav")
    ogg = read("Texte/txt.ogg")
    mp3 = read("Menu/FM_Bratja.mp3")
    files = {
        "game-click.wav": read("Menu/click.wav"),
        "game-sound82.wav": read("Menu/sound82.wav"),
        "game-txt.ogg": ogg,
        # The two long ones, cut to their first 12 KB (a whole WAV again, and whole MP3 frames).
        "game-wind-start.wav": wav(1, 22050, 16, wind[44:44 + 12000]),
        "game-bratja-start.mp3": mp3[:156 * 80],
        "game-bratja-id3.mp3": b"ID3\x03\0\0\0\0\0\x0atitle" + bytes(5) + mp3[:156 * 20],
        # An MP3 of one to three bytes.
        "refused-mp3-1-byte.mp3": mp3[:1],
        "refused-mp3-3-bytes.mp3": mp3[:3],
        # MPEG frames of 276 to 2,856 bytes whose contents are damaged, layers 2 and 3.
        "damaged-mp3-layer3.mp3": damaged(mp3[:2856], 4, 400, 3),
        "damaged-mp3-layer3-short.mp3": damaged(mp3[:276], 4, 60, 5),
        "damaged-mp3-layer2.mp3": bytes(b ^ (0x06 if i % 156 == 1 else 0) for i, b in enumerate(damaged(mp3[:1404], 4, 200, 7))),
        # Sun AU files under a WAV name: no channels, a rate of 0, a rate of 4 G.
        "refused-au-no-channels.wav": sun_au(0, 22050),
        "refused-au-rate-0.wav": sun_au(1, 0),
        "refused-au-rate-4g.wav": sun_au(1, 0xFFFFFFF0),
        # Vorbis streams claiming 1 Hz, 4,294,967,295 Hz, and mono rates SDL 1.2's converter cannot reach.
        "refused-ogg-rate-1.ogg": ogg_format(ogg, 1, 1),
        "refused-ogg-rate-4g.ogg": ogg_format(ogg, 1, 0xFFFFFFFF),
        "refused-ogg-rate-22.ogg": ogg_format(ogg, 1, 22),
        "refused-ogg-rate-43.ogg": ogg_format(ogg, 1, 43),
        "refused-ogg-rate-11289600.ogg": ogg_format(ogg, 1, 11289600),
        "refused-ogg-3-channels.ogg": ogg_format(ogg, 3, 22050),
        # 400 s of sound, past the bound on decoded sound: refused before it is decoded.
        "refused-ogg-400-s.ogg": silent_ogg(400),
        # A valid tracker module under a WAV name (it would decode to hundreds of MB).
        "refused-module.wav": module(),
        # WAVs out of the bounds every sound file is held to.
        "refused-wav-3-channels.wav": wav(3, 22050, 16, bytes(600)),
        "refused-wav-rate-1000.wav": wav(1, 1000, 16, bytes(600)),
    }
    for name, data in sorted(files.items()):
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    print("%d files in %s" % (len(files), OUT), file=sys.stderr)


if __name__ == "__main__":
    main()
