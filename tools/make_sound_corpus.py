#!/usr/bin/env python3
"""Writes the sound corpus (tests/fuzz/corpus/) from the game's own sounds.

    python3 tools/make_sound_corpus.py

The name says what the sound layer must do with a file: game-* loads and
plays, refused-* is refused with its debugging line, damaged-* may load or be
refused but never crashes. A game-* file whose name gives a sine
(-sine-441hz-300ms) is heard: a sine at half of full scale, of that frequency,
and about that long. The test suite replays them all through the layer; the
fuzzer starts from those at the top, not from the long ones in long/ (slow to
decode, or larger than the inputs it tries). Deterministic: the same files
each time.
"""
import math
import os
import random
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SND = os.path.join(ROOT, "data", "rsrc_snd")
OUT = os.path.join(ROOT, "tests", "fuzz", "corpus")
SERIAL = 0x4B535544


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


def sox_ogg(args, serial=SERIAL, source=None):
    """A Vorbis stream made by sox from its arguments (rate, channels, quality, then the effects), of silence or of
    the given WAV."""
    with tempfile.TemporaryDirectory() as d:
        path, inp = os.path.join(d, "out.ogg"), os.path.join(d, "in.wav")
        if source is not None:
            with open(inp, "wb") as f:
                f.write(source)
        subprocess.run(["sox", "-R", "-D"] + (["-n"] if source is None else [inp]) + args[:6] + [path] + args[6:],
                       check=True)
        with open(path, "rb") as f:
            data = bytearray(f.read())
    # The encoder draws the stream's serial number at random: a fixed one keeps the file the same each time.
    for start, _, _ in ogg_pages(data):
        data[start + 14:start + 18] = struct.pack("<I", serial)
    return ogg_fixed(data)


def silent_ogg(seconds):
    """A mono Vorbis stream of silence: a few bytes a second, yet 88 kB a second once decoded."""
    return sox_ogg(["-r", "22050", "-c", "1", "-C", "-1", "trim", "0", str(seconds)])


def sine_ogg(ms, channels=1, serial=SERIAL, noisy=False):
    """A 441 Hz sine at half of full scale; noisy, with a faint noise under it and at the best quality, so that
    its sound takes several pages."""
    if not noisy:
        return sox_ogg(["-r", "22050", "-c", str(channels), "-C", "3", "synth", "%g" % (ms / 1000), "sine", "441",
                        "vol", "0.5"], serial)
    rng = random.Random(9)
    pcm = struct.pack("<%dh" % (ms * 22050 // 1000), *(int(16384 * math.sin(2 * math.pi * 441 * i / 22050)) +
                                                       rng.randrange(-300, 300) for i in range(ms * 22050 // 1000)))
    return sox_ogg(["-r", "22050", "-c", "1", "-C", "10"], serial, wav(1, 22050, 16, pcm))


class Bits:
    """Vorbis packs its fields from the lowest bit up."""

    def __init__(self):
        self.value, self.count = 0, 0

    def put(self, value, bits):
        self.value |= (value & ((1 << bits) - 1)) << self.count
        self.count += bits
        return self

    def bytes(self):
        return self.value.to_bytes((self.count + 7) // 8, "little")


def ogg_page(serial, seq, flags, packets, granule=0):
    lacing = []
    for p in packets:
        lacing += [255] * (len(p) // 255) + [len(p) % 255]
    head = b"OggS\0" + bytes([flags]) + struct.pack("<qII", granule, serial, seq) + bytes(4) + bytes([len(lacing)])
    return head + bytes(lacing) + b"".join(packets)


def codebook_ogg(books, entries):
    """Valid Vorbis headers whose setup holds `books` codebooks of `entries` entries, each a complete tree of
    equal lengths (every check of libvorbis passes), one floor, residue, mapping and mode, then one audio packet."""
    ident = b"\x01vorbis" + struct.pack("<IBIiiiBB", 0, 1, 22050, 0, 0, 0, 0xB8, 1)
    vendor = b"duskwane"
    comment = b"\x03vorbis" + struct.pack("<I", len(vendor)) + vendor + struct.pack("<I", 0) + b"\x01"
    b = Bits()
    for c in b"\x05vorbis":
        b.put(c, 8)
    b.put(books - 1, 8)
    length = entries.bit_length() - 1
    for _ in range(books):
        # Sync, one dimension, the entries, lengths in order: all `length` bits long; no values.
        b.put(0x564342, 24).put(1, 16).put(entries, 24).put(1, 1).put(length - 1, 5)
        b.put(entries, entries.bit_length()).put(0, 4)
    b.put(0, 6).put(0, 16)  # one time setting
    b.put(0, 6).put(1, 16).put(0, 5).put(0, 2).put(4, 4)  # one floor of type 1, no partitions
    b.put(0, 6).put(0, 16).put(0, 24).put(0, 24).put(0, 24).put(0, 6).put(0, 8).put(0, 3).put(0, 1)  # one residue
    b.put(0, 6).put(0, 16).put(0, 1).put(0, 1).put(0, 2).put(0, 8).put(0, 8).put(0, 8)  # one mapping
    b.put(0, 6).put(0, 1).put(0, 16).put(0, 16).put(0, 8)  # one mode
    b.put(1, 1)
    pages = [ogg_page(SERIAL, 0, 2, [ident]), ogg_page(SERIAL, 1, 0, [comment, b.bytes()]),
             ogg_page(SERIAL, 2, 4, [b"\0"], 128)]
    return ogg_fixed(b"".join(pages))


def lost_page(data):
    """One byte of a middle page's sound changed: its checksum no longer matches, and the page is lost."""
    pages = ogg_pages(data)
    assert len(pages) >= 6, "too few pages of sound"
    start, head, body = pages[len(pages) // 2]
    data = bytearray(data)
    data[start + head + body // 2] ^= 0x55
    return bytes(data)


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


def mp3_silent_frame(kbps_index, length):
    """An MPEG-2 layer III frame at 22,050 Hz, mono like the music, with no sound data: silence."""
    return bytes([0xFF, 0xF3, kbps_index << 4, 0xC4]) + bytes(length - 4)


def id3(body_size):
    """An ID3v2.3 tag whose body, `body_size` bytes of padding, is counted in 7-bit bytes."""
    size = bytes([(body_size >> 21) & 0x7F, (body_size >> 14) & 0x7F, (body_size >> 7) & 0x7F, body_size & 0x7F])
    return b"ID3\x03\0\0" + size + bytes(body_size)


def wave(body):
    return b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body


def riff(chunks):
    return wave(b"".join(name + struct.pack("<I", len(data)) + data + (b"\0" if len(data) % 2 else b"")
                         for name, data in chunks))


def lying_wav(tag, channels, rate, bits, block, claim, real=4000, data_first=False):
    """A WAV whose header says what it likes: its format, and a data size of `claim` over `real` bytes."""
    fmt = b"fmt " + struct.pack("<IHHIIHH", 16, tag, channels, rate, rate * block & 0xFFFFFFFF, block, bits)
    data = b"data" + struct.pack("<I", claim) + b"\x11" * real
    return wave(data + fmt if data_first else fmt + data)


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
    os.makedirs(os.path.join(OUT, "long"), exist_ok=True)
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
        # Vorbis setups of one codebook of 4,194,304 or 262,144 entries (48 and 3 MB of libvorbis's stack), and of
        # 256 such books of 262,144 entries (600 MB once built).
        "refused-ogg-codebook-4m-entries.ogg": codebook_ogg(1, 1 << 22),
        "refused-ogg-codebook-256k-entries.ogg": codebook_ogg(1, 1 << 18),
        "refused-ogg-256-codebooks-256k.ogg": codebook_ogg(256, 1 << 18),
        # Sines: alone, two links of the same format, a lost page in the middle; two links whose second is stereo.
        "game-ogg-sine-441hz-300ms.ogg": sine_ogg(300),
        "game-ogg-chain-sine-441hz-600ms.ogg": sine_ogg(300) + sine_ogg(300, serial=SERIAL + 1),
        "game-ogg-lost-page-sine-441hz-2000ms.ogg": lost_page(sine_ogg(2000, noisy=True)),
        "refused-ogg-chain-mono-then-stereo.ogg": sine_ogg(300) + sine_ogg(300, channels=2, serial=SERIAL + 1),
        # The music behind ID3 tags: two bytes of padding after one; two in a row, the first of 128 bytes (its
        # size needs two 7-bit bytes) and the second longer than the search for frames.
        "game-bratja-id3-padded.mp3": id3(20) + bytes(2) + mp3[:156 * 20],
        "game-bratja-two-id3-128-then-6000.mp3": id3(128) + id3(6000) + mp3[:156 * 20],
        # Chunks of odd length before the sound, each followed by its pad byte.
        "game-wind-odd-chunks.wav": riff([(b"LIST", b"INFOx"), (b"fmt ", wind[20:36]), (b"junk", b"abc"),
                                          (b"data", wind[44:44 + 6000])]),
        # Long sounds, replayed but not fuzzed. 400 s of sound past the bound on decoded sound: an Ogg states no
        # length, so it is decoded until it passes the bound.
        "long/refused-ogg-400-s.ogg": silent_ogg(400),
        # The music behind one silent 8 kbps frame, then silent 160 kbps frames: 415 KB, 21 s of sound, that a
        # length guessed from the first frame's size would take for over 400 s.
        "long/game-bratja-silent-frame.mp3": mp3_silent_frame(1, 26) + mp3[:156 * 80] + mp3_silent_frame(14, 522) * 770,
        # 342 s of mono 16-bit sound at 4,000 Hz: 2.7 MB, 30.2 MB at the mixer's format by its length, 90 % of the bound.
        "long/game-wav-4000-hz-342-s.wav": wav(1, 4000, 16, struct.pack("<8h", *(int(8000 * math.sin(math.pi * i / 4))
                                                                                   for i in range(8))) * (342 * 500)),
        # A valid tracker module under a WAV name (it would decode to hundreds of MB).
        "refused-module.wav": module(),
        # WAVs out of the bounds every sound file is held to.
        "refused-wav-3-channels.wav": wav(3, 22050, 16, bytes(600)),
        "refused-wav-rate-1000.wav": wav(1, 1000, 16, bytes(600)),
        # WAV headers that lie about their own format or size.
        "refused-wav-no-channels.wav": lying_wav(1, 0, 22050, 16, 2, 4000),
        "refused-wav-rate-0.wav": lying_wav(1, 1, 0, 16, 2, 4000),
        "refused-wav-bits-0.wav": lying_wav(1, 1, 22050, 0, 0, 4000),
        "refused-wav-bits-7.wav": lying_wav(1, 1, 22050, 7, 1, 4000),
        "refused-wav-255-channels.wav": lying_wav(1, 255, 22050, 16, 510, 4000),
        "refused-wav-256-channels.wav": lying_wav(1, 256, 22050, 16, 512, 4000),
        "refused-wav-rate-4g.wav": lying_wav(1, 2, 0xFFFFFFF0, 16, 4, 4000),
        "refused-wav-rate-1.wav": lying_wav(1, 1, 1, 16, 2, 4000),
        "refused-wav-format-0x1234.wav": lying_wav(0x1234, 1, 22050, 16, 2, 4000),
        "refused-wav-adpcm-no-block.wav": lying_wav(2, 1, 22050, 4, 0, 4000),
        "refused-wav-data-4g.wav": lying_wav(1, 1, 22050, 16, 2, 0xFFFFFFFF),
        "refused-wav-no-data.wav": lying_wav(1, 1, 22050, 16, 2, 0, 0),
        "refused-wav-half-a-frame.wav": lying_wav(1, 2, 22050, 16, 4, 3, 3),
        "refused-wav-data-before-fmt.wav": lying_wav(1, 1, 22050, 16, 2, 4000, data_first=True),
        "refused-wav-header-only.wav": lying_wav(1, 1, 22050, 16, 2, 4000)[:44],
        "refused-wav-cut-in-fmt.wav": lying_wav(1, 1, 22050, 16, 2, 4000)[:20],
        # A whole WAV emptied, halved, short of its last 10 bytes, or replaced by noise; a chunk before the
        # sound whose length wraps a 32-bit size back onto its own header, or to nothing.
        "refused-wav-empty.wav": b"",
        "refused-wav-first-half.wav": wav(1, 22050, 16, bytes(8000))[:4022],
        "refused-wav-cut-10-bytes.wav": wav(1, 22050, 16, bytes(8000))[:-10],
        "refused-wav-noise.wav": random.Random(7).randbytes(8044),
        **{"refused-wav-list-%x.wav" % n: wind[:12] + b"LIST" + struct.pack("<I", n) + wind[12:1012]
           for n in (0x7FFFFFFF, 0xFFFFFFF7, 0xFFFFFFF8, 0xFFFFFFFF)},
        # The game's tick emptied or halved; good MP3 frames, then noise: the part decoded before is not kept.
        "refused-ogg-empty.ogg": b"",
        "refused-ogg-first-half.ogg": ogg[:len(ogg) // 2],
        "refused-mp3-garbled.mp3": mp3[:156 * 20] + random.Random(8).randbytes(156 * 60),
    }
    for name, data in sorted(files.items()):
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    print("%d files in %s" % (len(files), OUT), file=sys.stderr)


if __name__ == "__main__":
    main()
