/* WAV (PCM) is read here, Ogg Vorbis through libvorbisfile, MPEG audio
 * through libmpg123. Files are read with the C library, which every system
 * the game runs on has (the browser's SDL has no file-backed SDL_RWops).
 * Every size read from a file is checked against the file and against the
 * fields it goes into: a header that lies gives an error, never a read
 * outside the file or a value cut short. */
#include "decoders.h"

#include <limits.h>
#include <mpg123.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
/* The header's own callbacks are unused statics, a warning in every unit. */
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

enum { KIND_WAV, KIND_OGG, KIND_MP3 };

static const char* wavNames[] = {"WAV", NULL};
static const char* oggNames[] = {"OGG", NULL};
static const char* mp3Names[] = {"MP3", NULL};
static const Sound_DecoderInfo decoders[] = {
    {wavNames, "Microsoft WAVE", "Duskwane", ""},
    {oggNames, "Ogg Vorbis", "libvorbisfile", ""},
    {mp3Names, "MPEG audio", "libmpg123", ""},
};

typedef struct {
    int kind;
    FILE* f;          /* WAV: positioned in the data chunk */
    Uint64 remaining; /* WAV: data bytes left */
    OggVorbis_File vf;
    int vfOpen;
    mpg123_handle* mh;
    Sint64 frames; /* from the header; -1 when unknown */
    size_t frameBytes;
    int cvtReady;
    SDL_AudioCVT cvt;
    size_t inBytes; /* file bytes decoded per step */
} Decoder;

static char error[256];
static int initialised;

static void fail(const char* what, const char* why) {
    snprintf(error, sizeof error, "%s: %s", what, why ? why : "unknown error");
}

int Sound_Init(void) {
    if (!initialised) {
        mpg123_init();
        initialised = 1;
    }
    return 1;
}
int Sound_Quit(void) {
    if (initialised) {
        mpg123_exit();
        initialised = 0;
    }
    return 1;
}
const char* Sound_GetError(void) {
    return error[0] ? error : NULL;
}
void Sound_ClearError(void) {
    error[0] = '\0';
}

static Uint32 le32(const Uint8* p) {
    return (Uint32)p[0] | ((Uint32)p[1] << 8) | ((Uint32)p[2] << 16) | ((Uint32)p[3] << 24);
}
static Uint16 le16(const Uint8* p) {
    return (Uint16)(p[0] | (p[1] << 8));
}

/* An MPEG audio frame header at p: sync, a layer, a bitrate and a rate that exist. */
static int mpeg_frame(const Uint8* p) {
    return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0 && (p[1] & 0x18) != 0x08 && (p[1] & 0x06) != 0 &&
           (p[2] & 0xF0) != 0xF0 && (p[2] & 0x0C) != 0x0C;
}

/* What the first bytes say the file is; -1 for anything else. */
static int sniff(FILE* f) {
    Uint8 h[12];
    size_t n = fread(h, 1, sizeof h, f);
    if (n == 12 && memcmp(h, "RIFF", 4) == 0 && memcmp(h + 8, "WAVE", 4) == 0) {
        return KIND_WAV;
    }
    if (n >= 4 && memcmp(h, "OggS", 4) == 0) {
        return KIND_OGG;
    }
    long at = 0;
    if (n >= 10 && memcmp(h, "ID3", 3) == 0 && ((h[6] | h[7] | h[8] | h[9]) & 0x80) == 0) {
        /* An ID3v2 tag first: its size is in 7-bit bytes, a footer adds 10. */
        at = 10 + ((long)h[6] << 21 | (long)h[7] << 14 | (long)h[8] << 7 | (long)h[9]) + ((h[5] & 0x10) ? 10 : 0);
        if (fseek(f, at, SEEK_SET) != 0 || fread(h, 1, 4, f) != 4) {
            return -1;
        }
        n = 4;
    }
    return n >= 4 && mpeg_frame(h) ? KIND_MP3 : -1;
}

/* The chunk walk: the format chunk and where the data starts, every length
 * checked against the file (counted in 64 bits: a length near 4 GB must not
 * wrap a 32-bit long, as on Windows). */
static int open_wav(Decoder* d, Sound_AudioInfo* info) {
    if (fseek(d->f, 0, SEEK_END) != 0) {
        fail("WAV", "cannot read the file");
        return 0;
    }
    const long end = ftell(d->f);
    const Uint64 size = end > 0 ? (Uint64)end : 0;
    int haveFmt = 0;
    Uint16 tag = 0, channels = 0, bits = 0;
    Uint32 rate = 0;
    for (Uint64 pos = 12; pos + 8 <= size;) {
        Uint8 chunk[24];
        if (fseek(d->f, (long)pos, SEEK_SET) != 0 || fread(chunk, 1, 8, d->f) != 8) {
            break;
        }
        const Uint64 len = le32(chunk + 4);
        pos += 8;
        if (len > size - pos) {
            break; /* longer than the file: nothing from here on is to be trusted */
        }
        if (memcmp(chunk, "fmt ", 4) == 0 && len >= 16) {
            if (fread(chunk + 8, 1, 16, d->f) != 16) {
                break;
            }
            tag = le16(chunk + 8);
            channels = le16(chunk + 10);
            rate = le32(chunk + 12);
            bits = le16(chunk + 22);
            haveFmt = 1;
        } else if (memcmp(chunk, "data", 4) == 0) {
            if (!haveFmt || tag != 1 || (bits != 8 && bits != 16) || channels == 0 || channels > UCHAR_MAX ||
                rate == 0) {
                break;
            }
            d->frameBytes = (size_t)channels * (bits / 8);
            d->remaining = len - len % d->frameBytes;
            d->frames = (Sint64)(d->remaining / d->frameBytes);
            info->format = bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
            info->channels = (Uint8)channels;
            info->rate = rate;
            if (d->remaining == 0) {
                fail("WAV", "no audio data");
                return 0;
            }
            return 1;
        }
        pos += len + (len & 1);
    }
    fail("WAV", "unsupported or damaged WAVE header");
    return 0;
}

/* Read as a stream, front to back: a seekable open walks the whole file for
 * its links and length first, and leaks when a damaged one fails there
 * (libvorbisfile 1.3.7). The length is then unknown; the caller bounds it. */
static size_t read_file(void* ptr, size_t size, size_t n, void* f) {
    return fread(ptr, size, n, f);
}
static int close_file(void* f) {
    return fclose(f);
}

static int open_ogg(Decoder* d, Sound_AudioInfo* info) {
    const ov_callbacks streamOnly = {read_file, NULL, close_file, NULL};
    if (ov_open_callbacks(d->f, &d->vf, NULL, 0, streamOnly) != 0) {
        fail("OGG", "not an Ogg Vorbis file");
        return 0;
    }
    d->f = NULL; /* the Ogg file closes it now */
    d->vfOpen = 1;
    const vorbis_info* vi = ov_info(&d->vf, -1);
    if (vi == NULL || vi->channels < 1 || vi->channels > UCHAR_MAX || vi->rate < 1 || (Uint64)vi->rate > UINT_MAX) {
        fail("OGG", "damaged Vorbis header");
        return 0;
    }
    info->format = AUDIO_S16LSB;
    info->channels = (Uint8)vi->channels;
    info->rate = (Uint32)vi->rate;
    d->frameBytes = 2 * (size_t)vi->channels;
    return 1;
}

static int open_mp3(Decoder* d, Sound_AudioInfo* info, const char* fname) {
    long rate = 0;
    int channels = 0, encoding = 0;
    d->mh = mpg123_new(NULL, NULL);
    if (d->mh == NULL) {
        fail("MP3", "no decoder");
        return 0;
    }
    mpg123_param(d->mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    if (mpg123_open(d->mh, fname) != MPG123_OK || mpg123_getformat(d->mh, &rate, &channels, &encoding) != MPG123_OK) {
        fail("MP3", mpg123_strerror(d->mh));
        return 0;
    }
    if (channels < 1 || channels > 2 || rate < 1 || (Uint64)rate > UINT_MAX) {
        fail("MP3", "damaged frame header");
        return 0;
    }
    /* Every frame decoded to the first one's format: one that differs is an error, not a new format. */
    mpg123_format_none(d->mh);
    mpg123_format(d->mh, rate, channels, MPG123_ENC_SIGNED_16);
    info->format = AUDIO_S16LSB;
    info->channels = (Uint8)channels;
    info->rate = (Uint32)rate;
    d->frameBytes = 2 * (size_t)channels;
    const off_t total = mpg123_length(d->mh);
    d->frames = total >= 0 ? (Sint64)total : -1;
    return 1;
}

static void close_decoder(Decoder* d) {
    if (d->vfOpen) {
        ov_clear(&d->vf);
    }
    if (d->mh != NULL) {
        mpg123_close(d->mh);
        mpg123_delete(d->mh);
    }
    if (d->f != NULL) {
        fclose(d->f);
    }
    free(d);
}

Sound_Sample* Sound_NewSampleFromFile(const char* fname, Sound_AudioInfo* desired, Uint32 bufferSize) {
    error[0] = '\0';
    Decoder* d = calloc(1, sizeof *d);
    if (d == NULL) {
        fail("Sound_NewSample", "out of memory");
        return NULL;
    }
    d->frames = -1;
    d->f = fopen(fname, "rb");
    if (d->f == NULL) {
        fail("Sound_NewSample", "cannot open the file");
        free(d);
        return NULL;
    }
    d->kind = sniff(d->f);
    Sound_AudioInfo actual = {0, 0, 0};
    int ok = 0;
    if (d->kind == KIND_WAV) {
        ok = open_wav(d, &actual);
    } else if (d->kind == KIND_OGG) {
        ok = fseek(d->f, 0, SEEK_SET) == 0 && open_ogg(d, &actual);
    } else if (d->kind == KIND_MP3) {
        fclose(d->f);
        d->f = NULL;
        ok = open_mp3(d, &actual, fname);
    } else {
        fail("Sound_NewSample", "not a WAV, Ogg Vorbis or MPEG audio file");
    }
    Sound_Sample* s = ok ? calloc(1, sizeof *s) : NULL;
    if (s == NULL) {
        close_decoder(d);
        return NULL;
    }
    s->opaque = d;
    s->decoder = &decoders[d->kind];
    s->actual = actual;
    s->desired = actual;
    if (desired != NULL) {
        s->desired.format = desired->format ? desired->format : actual.format;
        s->desired.channels = desired->channels ? desired->channels : actual.channels;
        s->desired.rate = desired->rate ? desired->rate : actual.rate;
    }
    s->buffer_size = bufferSize ? bufferSize : 16384;
    return s;
}

Sint32 Sound_GetDuration(Sound_Sample* sample) {
    const Decoder* d = sample->opaque;
    if (d->frames < 0) {
        return -1;
    }
    const Uint64 ms = (Uint64)d->frames / sample->actual.rate * 1000 +
                      (Uint64)d->frames % sample->actual.rate * 1000 / sample->actual.rate;
    return ms > INT_MAX ? INT_MAX : (Sint32)ms;
}

/* The converter, set up at the first step, once the caller has seen the
 * format; each step then reads as many file bytes as its output holds. */
static int ready(Sound_Sample* s, Decoder* d) {
    const Sound_AudioInfo* a = &s->actual;
    const Sound_AudioInfo* w = &s->desired;
    if (SDL_BuildAudioCVT(&d->cvt, a->format, a->channels, (int)a->rate, w->format, w->channels, (int)w->rate) < 0) {
        fail("Sound_Decode", SDL_GetError());
        return 0;
    }
    const size_t mult = d->cvt.needed ? (size_t)d->cvt.len_mult : 1;
    d->inBytes = s->buffer_size / mult / d->frameBytes * d->frameBytes;
    if (d->inBytes == 0) {
        d->inBytes = d->frameBytes;
    }
    s->buffer = malloc(d->inBytes * mult);
    if (s->buffer == NULL) {
        fail("Sound_Decode", "out of memory");
        return 0;
    }
    d->cvtReady = 1;
    return 1;
}

/* Up to n bytes of the file's own PCM into out; -1 on a damaged stream. */
static long read_pcm(Sound_Sample* s, Decoder* d, Uint8* out, size_t n) {
    size_t got = 0;
    if (d->kind == KIND_WAV) {
        got = (size_t)(d->remaining < n ? d->remaining : n);
        got = fread(out, 1, got, d->f);
        d->remaining = got ? d->remaining - got : 0;
    } else if (d->kind == KIND_OGG) {
        while (got < n) {
            int section = 0;
            const long r = ov_read(&d->vf, (char*)out + got, (int)(n - got), 0, 2, 1, &section);
            if (r == 0) {
                break;
            }
            const vorbis_info* vi = ov_info(&d->vf, section);
            /* A chained stream may change its format: every link is held to the first one's. */
            if (r < 0 || vi == NULL || vi->channels != s->actual.channels || vi->rate != (long)s->actual.rate) {
                fail("OGG", r < 0 ? "corrupt stream" : "the stream changes its format");
                return -1;
            }
            got += (size_t)r;
        }
    } else {
        while (got < n) {
            size_t r = 0;
            const int e = mpg123_read(d->mh, out + got, n - got, &r);
            got += r;
            if (e == MPG123_DONE) {
                break;
            }
            if (e != MPG123_OK) {
                fail("MP3", e == MPG123_NEW_FORMAT ? "the stream changes its format" : mpg123_strerror(d->mh));
                return -1;
            }
        }
    }
    return (long)(got - got % d->frameBytes);
}

Uint32 Sound_Decode(Sound_Sample* s) {
    Decoder* d = s->opaque;
    if (s->flags & (SOUND_SAMPLEFLAG_EOF | SOUND_SAMPLEFLAG_ERROR)) {
        return 0;
    }
    if (!d->cvtReady && !ready(s, d)) {
        s->flags |= SOUND_SAMPLEFLAG_ERROR;
        return 0;
    }
    const long got = read_pcm(s, d, s->buffer, d->inBytes);
    if (got < 0) {
        s->flags |= SOUND_SAMPLEFLAG_ERROR;
        return 0;
    }
    if ((size_t)got < d->inBytes) {
        s->flags |= SOUND_SAMPLEFLAG_EOF;
    }
    if (got == 0 || !d->cvt.needed) {
        return (Uint32)got;
    }
    d->cvt.buf = s->buffer;
    d->cvt.len = (int)got;
    SDL_ConvertAudio(&d->cvt);
    return (Uint32)d->cvt.len_cvt;
}

void Sound_FreeSample(Sound_Sample* sample) {
    if (sample != NULL) {
        close_decoder(sample->opaque);
        free(sample->buffer);
        free(sample);
    }
}
