/* WAV (PCM) is read here, Ogg Vorbis through libvorbisfile, MPEG audio
 * through libmpg123. Files are read with the C library, which every system
 * the game runs on has (the browser's SDL has no file-backed SDL_RWops).
 * Every size read from a file is checked against the file and against the
 * fields it goes into: a header that lies gives an error, never a read
 * outside the file or a value cut short. */
#include "decoders.h"

#include <limits.h>
#include <mpg123.h>
#include <ogg/ogg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
/* The header's own callbacks are unused statics, a warning in every unit. */
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

enum { KIND_WAV, KIND_OGG, KIND_MP3 };
static const char* const kindNames[] = {"WAV", "OGG", "MP3"};

/* Why a file is refused: one reason, one message. */
typedef enum {
    NOT_READABLE,
    UNKNOWN_KIND,
    DAMAGED_HEADER,
    FORMAT_NOT_TAKEN,
    CUT_SHORT,
    TOO_LONG,
    DAMAGED_STREAM,
    FORMAT_CHANGES,
    BOOKS_TOO_LARGE,
    NO_MEMORY,
    NO_CONVERSION,
    NO_REASON = -1
} Reason;
static const char* const messages[] = {
    "fichier illisible",
    "ni WAV, ni Ogg Vorbis, ni MP3",
    "en-tete %s abime",
    "format %s impossible",
    "fichier %s tronque",
    "son trop long",
    "flux %s abime",
    "le flux %s change de format",
    "dictionnaires Vorbis trop grands",
    "memoire insuffisante",
    "conversion %s impossible",
};
static char error[128];

static void fail(int kind, Reason why) {
    snprintf(error, sizeof error, messages[why], kind >= 0 ? kindNames[kind] : "");
}

const char* SoundFile_Error(void) {
    return error;
}

/* MPEG audio frames are searched for this far past the tags, as mpg123 resyncs. */
enum { MPEG_SEARCH = 4096, MPEG_FRAME_MAX = 1728 };

/* Ogg streams whose header packets are being read at once: one per link in
 * every file the game has; a file with more is refused as damaged. */
enum { GATE_STREAMS = 4 };

typedef struct {
    int used;
    int packets; /* header packets read so far */
    ogg_stream_state os;
} GateStream;

struct SoundFile {
    int kind;
    FILE* f;
    SoundFormat in, out;
    SoundLimits limits;
    size_t frameBytes; /* of the file's own PCM */
    Uint64 remaining;  /* WAV: data bytes left */
    OggVorbis_File vf;
    int vfOpen;
    ogg_sync_state oy; /* Ogg: the pages handed to libvorbisfile, read once more for their codebooks */
    GateStream gate[GATE_STREAMS];
    Reason refused; /* why a header was kept from libvorbisfile */
    unsigned holes; /* Ogg: lost pages in a row */
    mpg123_handle* mh;
    SDL_AudioCVT cvt;
    size_t inBytes; /* file PCM decoded per step */
    Uint8* buffer;
    Uint64 total; /* output bytes handed on so far */
    int ended;
};

static Uint32 le32(const Uint8* p) {
    return (Uint32)p[0] | ((Uint32)p[1] << 8) | ((Uint32)p[2] << 16) | ((Uint32)p[3] << 24);
}
static Uint32 be32(const Uint8* p) {
    return ((Uint32)p[0] << 24) | ((Uint32)p[1] << 16) | ((Uint32)p[2] << 8) | (Uint32)p[3];
}
static Uint16 le16(const Uint8* p) {
    return (Uint16)(p[0] | (p[1] << 8));
}

/* The format the file hands on, held to the limits: every kind goes through here. */
static int take_format(SoundFile* s, Uint16 format, long long channels, long long rate) {
    if (channels < 1 || channels > (long long)s->limits.maxChannels || rate < 1 ||
        rate < (long long)s->limits.minRate || rate > (long long)s->limits.maxRate) {
        fail(s->kind, FORMAT_NOT_TAKEN);
        return 0;
    }
    s->in.format = format;
    s->in.channels = (Uint8)channels;
    s->in.rate = (Uint32)rate;
    s->frameBytes = (size_t)(format & 0xFF) / 8 * (size_t)channels;
    return 1;
}

/* A length the file states exactly (a WAV's data size, an MP3's Xing or Info
 * frame count) is held to the bound before anything is decoded. */
static int length_fits(SoundFile* s, Uint64 frames) {
    const Uint64 outFrame = (Uint64)(s->out.format & 0xFF) / 8 * s->out.channels;
    const Uint64 outFrames = (frames * s->out.rate + s->in.rate - 1) / s->in.rate;
    if (outFrames * outFrame > s->limits.maxBytes) {
        fail(-1, TOO_LONG);
        return 0;
    }
    return 1;
}

/* ---- WAV ---- */

/* The chunk walk: the format chunk and where the data starts, every length
 * checked against the file (counted in 64 bits: a length near 4 GB must not
 * wrap a 32-bit long, as on Windows). A chunk of odd length is followed by a
 * pad byte. */
static int open_wav(SoundFile* s) {
    if (fseek(s->f, 0, SEEK_END) != 0) {
        fail(KIND_WAV, NOT_READABLE);
        return 0;
    }
    const long end = ftell(s->f);
    const Uint64 size = end > 0 ? (Uint64)end : 0;
    int haveFmt = 0;
    for (Uint64 pos = 12; pos + 8 <= size;) {
        Uint8 chunk[24];
        if (fseek(s->f, (long)pos, SEEK_SET) != 0 || fread(chunk, 1, 8, s->f) != 8) {
            break;
        }
        const Uint64 len = le32(chunk + 4);
        pos += 8;
        if (len > size - pos) {
            fail(KIND_WAV, CUT_SHORT);
            return 0;
        }
        if (memcmp(chunk, "fmt ", 4) == 0 && len >= 16) {
            if (fread(chunk + 8, 1, 16, s->f) != 16) {
                break;
            }
            const Uint16 tag = le16(chunk + 8), bits = le16(chunk + 22);
            if (tag != 1 || (bits != 8 && bits != 16) ||
                !take_format(s, bits == 8 ? AUDIO_U8 : AUDIO_S16LSB, le16(chunk + 10), le32(chunk + 12))) {
                fail(KIND_WAV, FORMAT_NOT_TAKEN);
                return 0;
            }
            haveFmt = 1;
        } else if (memcmp(chunk, "data", 4) == 0) {
            if (!haveFmt) {
                break;
            }
            s->remaining = len - len % s->frameBytes;
            return length_fits(s, s->remaining / s->frameBytes);
        }
        pos += len + (len & 1);
    }
    fail(KIND_WAV, DAMAGED_HEADER);
    return 0;
}

/* ---- Ogg Vorbis ---- */

/* libvorbis builds every codebook of a setup header in full, sorting each on
 * the stack: a few hundred bytes of header can ask for gigabytes. So each
 * setup header is read here first, exactly as libvorbis reads it, and held
 * to the limits before libvorbis sees it. */
static Uint64 lookup1_values(Uint64 entries, Uint64 dim) {
    if (entries < 1 || dim < 1) {
        return 0;
    }
    Uint64 v = 1;
    for (;; ++v) { /* the largest v with v^dim <= entries */
        Uint64 p = 1;
        Uint64 i = 0;
        for (; i < dim && p <= entries; ++i) {
            p *= v + 1;
        }
        if (p > entries) {
            return v;
        }
    }
}

static Reason check_books(const SoundFile* s, ogg_packet* op) {
    oggpack_buffer b;
    oggpack_readinit(&b, op->packet, op->bytes);
    oggpack_adv(&b, 7 * 8); /* packet type and "vorbis" */
    const long books = oggpack_read(&b, 8) + 1;
    Uint64 entriesInAll = 0, valuesInAll = 0;
    for (long i = 0; i < books; ++i) {
        if (oggpack_read(&b, 24) != 0x564342) {
            return DAMAGED_HEADER;
        }
        const long dim = oggpack_read(&b, 16), entries = oggpack_read(&b, 24);
        if (dim < 0 || entries < 0) {
            return DAMAGED_HEADER;
        }
        entriesInAll += (Uint64)entries;
        if ((Uint64)entries > s->limits.maxBookEntries || entriesInAll > s->limits.maxEntries) {
            return BOOKS_TOO_LARGE;
        }
        const long ordered = oggpack_read(&b, 1);
        if (ordered == 0) {
            const long sparse = oggpack_read(&b, 1);
            for (long e = 0; e < entries; ++e) {
                const long used = sparse ? oggpack_read(&b, 1) : 1;
                if (used < 0 || (used && oggpack_read(&b, 5) < 0)) {
                    return DAMAGED_HEADER;
                }
            }
        } else if (ordered == 1) {
            long length = oggpack_read(&b, 5) + 1;
            for (long e = 0; e < entries; ++length) {
                int bits = 0;
                for (long left = entries - e; left > 0; left >>= 1) {
                    ++bits;
                }
                const long num = oggpack_read(&b, bits);
                if (length == 0 || length > 32 || num < 0 || num > entries - e ||
                    (num > 0 && (num - 1) >> (length - 1) > 1)) {
                    return DAMAGED_HEADER;
                }
                e += num;
            }
        } else {
            return DAMAGED_HEADER;
        }
        const long lookup = oggpack_read(&b, 4);
        if (lookup == 1 || lookup == 2) {
            oggpack_adv(&b, 64); /* minimum and step */
            const long quantBits = oggpack_read(&b, 4) + 1;
            if (oggpack_read(&b, 1) < 0) {
                return DAMAGED_HEADER;
            }
            const Uint64 quantVals =
                lookup == 1 ? lookup1_values((Uint64)entries, (Uint64)dim) : (Uint64)entries * (Uint64)dim;
            valuesInAll += (Uint64)entries * (Uint64)dim;
            if (valuesInAll > s->limits.maxValues) {
                return BOOKS_TOO_LARGE;
            }
            if ((quantVals * (Uint64)quantBits + 7) / 8 > (Uint64)(op->bytes - oggpack_bytes(&b))) {
                return DAMAGED_HEADER;
            }
            oggpack_adv(&b, (int)(quantVals * (Uint64)quantBits));
        } else if (lookup != 0) {
            return DAMAGED_HEADER;
        }
    }
    return NO_REASON;
}

/* Reads a page's header packets, if it belongs to a stream whose headers are
 * still coming, and checks every setup header among them. */
static Reason gate_page(SoundFile* s, ogg_page* og) {
    const int serial = ogg_page_serialno(og);
    GateStream* g = NULL;
    for (int i = 0; i < GATE_STREAMS && g == NULL; ++i) {
        if (s->gate[i].used && s->gate[i].os.serialno == serial) {
            g = &s->gate[i];
        }
    }
    if (ogg_page_bos(og)) {
        for (int i = 0; i < GATE_STREAMS && g == NULL; ++i) {
            if (!s->gate[i].used) {
                g = &s->gate[i];
                ogg_stream_init(&g->os, serial);
                g->used = 1;
            }
        }
        if (g == NULL) {
            return DAMAGED_STREAM;
        }
        ogg_stream_reset_serialno(&g->os, serial);
        g->packets = 0;
    }
    if (g == NULL) {
        return NO_REASON;
    }
    ogg_stream_pagein(&g->os, og);
    ogg_packet op;
    int got;
    while (g->packets < 3 && (got = ogg_stream_packetout(&g->os, &op)) != 0) {
        if (got < 0) {
            continue; /* a hole among the headers: libvorbisfile refuses the stream itself */
        }
        ++g->packets;
        if (op.bytes >= 7 && op.packet[0] == 5 && memcmp(op.packet + 1, "vorbis", 6) == 0) {
            const Reason why = check_books(s, &op);
            if (why != NO_REASON) {
                return why;
            }
        }
    }
    if (g->packets == 3) {
        ogg_stream_clear(&g->os);
        g->used = 0;
    }
    return NO_REASON;
}

/* libvorbisfile reads the file through here: it gets no byte of a page that
 * completes a setup header beyond the limits, and then meets the end. */
static size_t read_ogg(void* ptr, size_t size, size_t n, void* file) {
    SoundFile* s = file;
    if (s->refused != NO_REASON) {
        return 0;
    }
    const size_t got = fread(ptr, size, n, s->f);
    char* copy = ogg_sync_buffer(&s->oy, (long)(got * size));
    if (copy == NULL) {
        s->refused = NO_MEMORY;
        return 0;
    }
    memcpy(copy, ptr, got * size);
    ogg_sync_wrote(&s->oy, (long)(got * size));
    ogg_page og;
    int r;
    while (s->refused == NO_REASON && (r = ogg_sync_pageout(&s->oy, &og)) != 0) {
        if (r > 0) {
            s->refused = gate_page(s, &og);
        }
    }
    return s->refused == NO_REASON ? got : 0;
}

/* Read as a stream, front to back: a seekable open walks the whole file for
 * its links and length first, and leaks when a damaged one fails there
 * (libvorbisfile 1.3.7). The length is then unknown; the bound on decoded
 * sound holds it while it decodes. */
static int open_ogg(SoundFile* s) {
    const ov_callbacks gated = {read_ogg, NULL, NULL, NULL};
    ogg_sync_init(&s->oy);
    if (ov_open_callbacks(s, &s->vf, NULL, 0, gated) != 0) {
        fail(KIND_OGG, s->refused != NO_REASON ? s->refused : DAMAGED_HEADER);
        return 0;
    }
    s->vfOpen = 1;
    const vorbis_info* vi = ov_info(&s->vf, -1);
    if (vi == NULL) {
        fail(KIND_OGG, DAMAGED_HEADER);
        return 0;
    }
    return take_format(s, AUDIO_S16LSB, vi->channels, vi->rate);
}

/* ---- MPEG audio ---- */

typedef struct {
    Uint32 rate;
    unsigned length;  /* bytes */
    unsigned samples; /* per channel */
} MpegFrame;

/* The frame whose header is at p: a version, layer, bitrate (not free
 * format) and rate that exist. */
static int mpeg_frame(const Uint8* p, MpegFrame* fr) {
    static const Uint16 kbps[2][3][15] = {{{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                           {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                           {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
                                          {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
                                           {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
                                           {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const Uint32 rates[3] = {44100, 48000, 32000};
    const int version = (p[1] >> 3) & 3, layer = (p[1] >> 1) & 3, bitrate = p[2] >> 4, rate = (p[2] >> 2) & 3;
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0 || version == 1 || layer == 0 || bitrate == 0 || bitrate == 15 ||
        rate == 3) {
        return 0;
    }
    const int lsf = version != 3; /* MPEG 2 and 2.5: half and quarter rates */
    const unsigned pad = (p[2] >> 1) & 1;
    fr->rate = rates[rate] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    if (layer == 3) {
        fr->samples = 384;
        fr->length = (12000u * kbps[lsf][0][bitrate] / fr->rate + pad) * 4;
    } else {
        fr->samples = layer == 1 && lsf ? 576 : 1152;
        fr->length = fr->samples / 8 * 1000u * kbps[lsf][3 - layer][bitrate] / fr->rate + pad;
    }
    return 1;
}

/* An ID3v2 tag at p: its whole length, header and footer included; 0 for none. */
static long id3_tag(const Uint8* p) {
    if (memcmp(p, "ID3", 3) != 0 || p[3] == 0xFF || p[4] == 0xFF || ((p[6] | p[7] | p[8] | p[9]) & 0x80) != 0) {
        return 0;
    }
    return 10 + ((long)p[6] << 21 | (long)p[7] << 14 | (long)p[8] << 7 | (long)p[9]) + ((p[5] & 0x10) ? 10 : 0);
}

/* Past every ID3v2 tag, two frames in a row of the same version, layer and
 * rate (or one that ends the file), within MPEG_SEARCH bytes. Gives the
 * number of frames the first one's Xing or Info header states, or -1. */
static int sniff_mpeg(FILE* f, Sint64* frames, Uint32* rate) {
    Uint8 buf[MPEG_SEARCH + MPEG_FRAME_MAX + 4];
    long at = 0, tag = 0;
    do {
        if (tag > LONG_MAX - at) {
            return 0; /* tags past what a long can seek to (2 GB on Windows) */
        }
        at += tag;
        if (fseek(f, at, SEEK_SET) != 0 || fread(buf, 1, 10, f) != 10) {
            return 0;
        }
    } while ((tag = id3_tag(buf)) > 0);
    if (fseek(f, at, SEEK_SET) != 0) {
        return 0;
    }
    const size_t n = fread(buf, 1, sizeof buf, f);
    for (size_t p = 0; p + 4 <= n && p < MPEG_SEARCH; ++p) {
        MpegFrame fr, next;
        if (!mpeg_frame(buf + p, &fr)) {
            continue;
        }
        const size_t q = p + fr.length;
        const int alone = q == n && n < sizeof buf;
        if (!alone && !(q + 4 <= n && mpeg_frame(buf + q, &next) && (buf[q + 1] & 0xFE) == (buf[p + 1] & 0xFE) &&
                        (buf[q + 2] & 0x0C) == (buf[p + 2] & 0x0C))) {
            continue;
        }
        *rate = fr.rate;
        *frames = -1;
        /* Layer III: after the side information, a Xing or Info header may state the frame count. */
        const int lsf = (buf[p + 1] & 0x08) == 0, mono = (buf[p + 3] >> 6) == 3;
        const size_t x = p + 4 + (lsf ? (mono ? 9 : 17) : (mono ? 17 : 32));
        if (((buf[p + 1] >> 1) & 3) == 1 && x + 12 <= q && x + 12 <= n &&
            (memcmp(buf + x, "Xing", 4) == 0 || memcmp(buf + x, "Info", 4) == 0) && (be32(buf + x + 4) & 1)) {
            *frames = (Sint64)be32(buf + x + 8) * fr.samples;
        }
        return 1;
    }
    return 0;
}

static int open_mp3(SoundFile* s, const char* path, Sint64 frames, Uint32 sniffedRate) {
    long rate = 0;
    int channels = 0, encoding = 0;
    s->mh = mpg123_new(NULL, NULL);
    if (s->mh == NULL) {
        fail(KIND_MP3, NO_MEMORY);
        return 0;
    }
    mpg123_param(s->mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    if (mpg123_open(s->mh, path) != MPG123_OK || mpg123_getformat(s->mh, &rate, &channels, &encoding) != MPG123_OK) {
        fail(KIND_MP3, DAMAGED_HEADER);
        return 0;
    }
    if (!take_format(s, AUDIO_S16LSB, channels, rate)) {
        return 0;
    }
    /* Every frame decoded to the first one's format: one that differs is an error, not a new format. */
    mpg123_format_none(s->mh);
    mpg123_format(s->mh, rate, channels, MPG123_ENC_SIGNED_16);
    return frames < 0 || (Uint32)rate != sniffedRate || length_fits(s, (Uint64)frames);
}

/* ---- Any kind ---- */

SoundFile* SoundFile_Open(const char* path, const SoundFormat* output, const SoundLimits* limits) {
    error[0] = '\0';
    SoundFile* s = calloc(1, sizeof *s);
    if (s == NULL || output == NULL || limits == NULL) {
        free(s);
        fail(-1, NO_MEMORY);
        return NULL;
    }
    s->out = *output;
    s->limits = *limits;
    s->refused = NO_REASON;
    s->kind = -1;
    s->f = fopen(path, "rb");
    Uint8 h[12] = {0};
    Sint64 frames = -1;
    Uint32 rate = 0;
    int ok = 0;
    if (s->f == NULL) {
        fail(-1, NOT_READABLE);
    } else if (fread(h, 1, sizeof h, s->f) == sizeof h && memcmp(h, "RIFF", 4) == 0 && memcmp(h + 8, "WAVE", 4) == 0) {
        s->kind = KIND_WAV;
        ok = open_wav(s);
    } else if (memcmp(h, "OggS", 4) == 0) {
        s->kind = KIND_OGG;
        ok = fseek(s->f, 0, SEEK_SET) == 0 && open_ogg(s);
    } else if (sniff_mpeg(s->f, &frames, &rate)) {
        s->kind = KIND_MP3;
        ok = open_mp3(s, path, frames, rate);
    } else {
        fail(-1, UNKNOWN_KIND);
    }
    /* The converter and its buffer, each step reading as many file bytes as the buffer then holds. */
    if (ok && SDL_BuildAudioCVT(&s->cvt, s->in.format, s->in.channels, (int)s->in.rate, s->out.format, s->out.channels,
                                (int)s->out.rate) < 0) {
        fail(s->kind, NO_CONVERSION);
        ok = 0;
    }
    if (ok) {
        const size_t mult = s->cvt.needed ? (size_t)s->cvt.len_mult : 1;
        s->inBytes = s->limits.stepBytes / mult / s->frameBytes * s->frameBytes;
        if (s->inBytes == 0) {
            s->inBytes = s->frameBytes;
        }
        s->buffer = malloc(s->inBytes * mult);
        if (s->buffer == NULL) {
            fail(-1, NO_MEMORY);
            ok = 0;
        }
    }
    if (!ok) {
        SoundFile_Close(s);
        return NULL;
    }
    return s;
}

/* Up to n bytes of the file's own PCM into out; -1 when the file is refused on the way. */
static long read_pcm(SoundFile* s, Uint8* out, size_t n) {
    size_t got = 0;
    if (s->kind == KIND_WAV) {
        got = (size_t)(s->remaining < n ? s->remaining : n);
        got = fread(out, 1, got, s->f);
        s->remaining = got ? s->remaining - got : 0;
    } else if (s->kind == KIND_OGG) {
        while (got < n) {
            int section = 0;
            const long r = ov_read(&s->vf, (char*)out + got, (int)(n - got), 0, 2, 1, &section);
            /* A lost page, or the seam between two links: libvorbisfile goes on after it. */
            if (r == OV_HOLE && ++s->holes <= s->limits.maxHoles) {
                continue;
            }
            if (r <= 0 && s->refused != NO_REASON) {
                fail(KIND_OGG, s->refused); /* a later link's header, kept from libvorbisfile */
                return -1;
            }
            if (r == 0) {
                break;
            }
            if (r < 0) {
                fail(KIND_OGG, DAMAGED_STREAM);
                return -1;
            }
            s->holes = 0;
            /* A chained stream may change its format: every link is held to the first one's. */
            const vorbis_info* vi = ov_info(&s->vf, -1);
            if (vi == NULL || vi->channels != s->in.channels || vi->rate != (long)s->in.rate) {
                fail(KIND_OGG, FORMAT_CHANGES);
                return -1;
            }
            got += (size_t)r;
        }
    } else {
        while (got < n) {
            size_t r = 0;
            const int e = mpg123_read(s->mh, out + got, n - got, &r);
            got += r;
            if (e == MPG123_DONE) {
                break;
            }
            if (e != MPG123_OK) {
                fail(KIND_MP3, e == MPG123_NEW_FORMAT ? FORMAT_CHANGES : DAMAGED_STREAM);
                return -1;
            }
        }
    }
    return (long)(got - got % s->frameBytes);
}

long SoundFile_Decode(SoundFile* s, const Uint8** part) {
    *part = s->buffer;
    if (s->ended) {
        return 0;
    }
    const long got = read_pcm(s, s->buffer, s->inBytes);
    s->ended = got < 0 || (size_t)got < s->inBytes;
    if (got <= 0) {
        return got;
    }
    long bytes = got;
    if (s->cvt.needed) {
        s->cvt.buf = s->buffer;
        s->cvt.len = (int)got;
        SDL_ConvertAudio(&s->cvt);
        bytes = s->cvt.len_cvt;
    }
    /* A stream need not state its length, or may lie about it. */
    s->total += (Uint64)bytes;
    if (s->total > s->limits.maxBytes) {
        fail(-1, TOO_LONG);
        s->ended = 1;
        return -1;
    }
    return bytes;
}

void SoundFile_Close(SoundFile* s) {
    if (s == NULL) {
        return;
    }
    if (s->vfOpen) {
        ov_clear(&s->vf);
    }
    if (s->kind == KIND_OGG) {
        ogg_sync_clear(&s->oy);
        for (int i = 0; i < GATE_STREAMS; ++i) {
            if (s->gate[i].used) {
                ogg_stream_clear(&s->gate[i].os);
            }
        }
    }
    if (s->mh != NULL) {
        mpg123_close(s->mh);
        mpg123_delete(s->mh);
    }
    if (s->f != NULL) {
        fclose(s->f);
    }
    free(s->buffer);
    free(s);
}
