/* The part of SDL_sound 1.0 that the game's sound layer uses (decode a WAV,
 * Ogg Vorbis or MP3 file whole, converted to the mixer's format), for the
 * Windows and browser builds: Debian's sdl-sound1.2 source is not in the
 * archive this machine reaches. WAV (PCM) is read here, Ogg Vorbis through
 * libvorbisfile, MP3 through libmpg123; the decoder is chosen by the file
 * name's extension, as SDL_sound does. Files are read with the C library,
 * which both systems have (the browser's SDL has no file-backed SDL_RWops). */
#include <SDL.h>
#include <limits.h>
#include <mpg123.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vorbis/vorbisfile.h>

#include "SDL_sound.h"

static const Sound_DecoderInfo wav = {(const char*[]){"WAV", NULL}, "Microsoft WAVE", "SDL", ""};
static const Sound_DecoderInfo ogg = {(const char*[]){"OGG", NULL}, "Ogg Vorbis", "libvorbisfile", ""};
static const Sound_DecoderInfo mp3 = {(const char*[]){"MP3", NULL}, "MPEG audio", "libmpg123", ""};
static const Sound_DecoderInfo* decoders[] = {&wav, &ogg, &mp3, NULL};
static char error[256];
static int initialised;

/* The extension, whatever its case: SDL_sound picks the decoder by it. */
static int is_ext(const char* ext, const char* want) {
    if (ext == NULL) {
        return 0;
    }
    while (*ext && *want && (*ext | 0x20) == (*want | 0x20)) {
        ext++;
        want++;
    }
    return *ext == '\0' && *want == '\0';
}

static void fail(const char* what, const char* why) {
    snprintf(error, sizeof error, "%s: %s", what, why ? why : "unknown error");
}

void Sound_GetLinkedVersion(Sound_Version* ver) {
    ver->major = SOUND_VER_MAJOR;
    ver->minor = SOUND_VER_MINOR;
    ver->patch = SOUND_VER_PATCH;
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
const Sound_DecoderInfo** Sound_AvailableDecoders(void) {
    return decoders;
}
const char* Sound_GetError(void) {
    return error[0] ? error : NULL;
}
void Sound_ClearError(void) {
    error[0] = '\0';
}

/* Grows *buf to hold n more bytes. */
static int reserve(Uint8** buf, size_t* cap, size_t len, size_t n) {
    if (len + n <= *cap) {
        return 1;
    }
    size_t c = *cap ? *cap : 65536;
    while (c < len + n) {
        c *= 2;
    }
    Uint8* b = realloc(*buf, c);
    if (b == NULL) {
        return 0;
    }
    *buf = b;
    *cap = c;
    return 1;
}

static Uint8* decode_ogg(const char* path, Sound_AudioInfo* info, size_t* len) {
    OggVorbis_File vf;
    if (ov_fopen(path, &vf) != 0) {
        fail("OGG", "not an Ogg Vorbis file");
        return NULL;
    }
    vorbis_info* vi = ov_info(&vf, -1);
    info->format = AUDIO_S16LSB;
    info->channels = (Uint8)vi->channels;
    info->rate = (Uint32)vi->rate;
    Uint8* buf = NULL;
    size_t cap = 0;
    int section = 0;
    *len = 0;
    for (;;) {
        if (!reserve(&buf, &cap, *len, 4096)) {
            fail("OGG", "out of memory");
            break;
        }
        long got = ov_read(&vf, (char*)buf + *len, 4096, 0, 2, 1, &section);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            fail("OGG", "corrupt stream");
            break;
        }
        *len += (size_t)got;
    }
    ov_clear(&vf);
    return buf;
}

static Uint8* decode_mp3(const char* path, Sound_AudioInfo* info, size_t* len) {
    mpg123_handle* mh = mpg123_new(NULL, NULL);
    long rate = 0;
    int channels = 0, encoding = 0;
    *len = 0;
    if (mh == NULL || mpg123_open(mh, path) != MPG123_OK ||
        mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK) {
        fail("MP3", mh ? mpg123_strerror(mh) : "no decoder");
        mpg123_delete(mh);
        return NULL;
    }
    mpg123_format_none(mh);
    mpg123_format(mh, rate, channels, MPG123_ENC_SIGNED_16);
    info->format = AUDIO_S16LSB;
    info->channels = (Uint8)channels;
    info->rate = (Uint32)rate;
    Uint8* buf = NULL;
    size_t cap = 0;
    for (;;) {
        size_t got = 0;
        if (!reserve(&buf, &cap, *len, 16384)) {
            fail("MP3", "out of memory");
            break;
        }
        int r = mpg123_read(mh, buf + *len, 16384, &got);
        *len += got;
        if (r == MPG123_DONE) {
            break;
        }
        if (r != MPG123_OK && r != MPG123_NEW_FORMAT) {
            fail("MP3", mpg123_strerror(mh));
            break;
        }
    }
    mpg123_close(mh);
    mpg123_delete(mh);
    if (*len == 0) {
        fail("MP3", "no audio frames");
    }
    return buf;
}

static Uint32 le32(const Uint8* p) {
    return (Uint32)p[0] | ((Uint32)p[1] << 8) | ((Uint32)p[2] << 16) | ((Uint32)p[3] << 24);
}
static Uint16 le16(const Uint8* p) {
    return (Uint16)(p[0] | (p[1] << 8));
}

/* PCM WAVE only, every size checked against the file: a header that lies
 * gives an error, never a read outside the file. */
static Uint8* decode_wav(const char* path, Sound_AudioInfo* info, size_t* len) {
    FILE* f = fopen(path, "rb");
    if (f == NULL) {
        fail("WAV", "Couldn't open the file");
        return NULL;
    }
    long size = fseek(f, 0, SEEK_END) == 0 ? ftell(f) : -1;
    Uint8* file = size > 0 ? malloc((size_t)size) : NULL;
    if (file == NULL || fseek(f, 0, SEEK_SET) != 0 || fread(file, (size_t)size, 1, f) != 1) {
        fclose(f);
        free(file);
        fail("WAV", "cannot read the file");
        return NULL;
    }
    fclose(f);
    const size_t n = (size_t)size;
    if (n < 12 || memcmp(file, "RIFF", 4) != 0 || memcmp(file + 8, "WAVE", 4) != 0) {
        free(file);
        fail("WAV", "not a RIFF WAVE file");
        return NULL;
    }
    int haveFmt = 0;
    Uint16 tag = 0, channels = 0, bits = 0;
    Uint32 rate = 0;
    const Uint8* data = NULL;
    size_t dataLen = 0;
    for (size_t pos = 12; pos + 8 <= n;) {
        const Uint8* chunk = file + pos;
        size_t chunkLen = le32(chunk + 4);
        size_t avail = n - pos - 8;
        if (chunkLen > avail) {
            break; /* longer than the file: nothing from here on is to be trusted */
        }
        if (memcmp(chunk, "fmt ", 4) == 0 && chunkLen >= 16) {
            tag = le16(chunk + 8);
            channels = le16(chunk + 10);
            rate = le32(chunk + 12);
            bits = le16(chunk + 22);
            haveFmt = 1;
        } else if (memcmp(chunk, "data", 4) == 0) {
            data = chunk + 8;
            dataLen = chunkLen;
            break;
        }
        pos += 8 + chunkLen + (chunkLen & 1);
    }
    if (!haveFmt || data == NULL || tag != 1 || channels < 1 || channels > 2 || rate < 4000 || rate > 384000 ||
        (bits != 8 && bits != 16)) {
        free(file);
        fail("WAV", "unsupported or damaged WAVE header");
        return NULL;
    }
    const size_t frame = (size_t)channels * (bits / 8);
    dataLen -= dataLen % frame;
    if (dataLen == 0) {
        free(file);
        fail("WAV", "no audio data");
        return NULL;
    }
    Uint8* buf = malloc(dataLen ? dataLen : 1);
    if (buf != NULL) {
        memcpy(buf, data, dataLen);
    }
    free(file);
    info->format = bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    info->channels = (Uint8)channels;
    info->rate = rate;
    *len = dataLen;
    return buf;
}

Sound_Sample* Sound_NewSampleFromFile(const char* fname, Sound_AudioInfo* desired, Uint32 bufferSize) {
    (void)bufferSize;
    const char* ext = strrchr(fname, '.');
    const Sound_DecoderInfo* decoder = NULL;
    Sound_AudioInfo actual = {0, 0, 0};
    size_t len = 0;
    Uint8* pcm = NULL;
    error[0] = '\0';
    if (is_ext(ext, ".wav")) {
        decoder = &wav;
        pcm = decode_wav(fname, &actual, &len);
    } else if (is_ext(ext, ".ogg")) {
        decoder = &ogg;
        pcm = decode_ogg(fname, &actual, &len);
    } else if (is_ext(ext, ".mp3")) {
        decoder = &mp3;
        pcm = decode_mp3(fname, &actual, &len);
    } else {
        fail("Sound_NewSample", "Unsupported codec");
    }
    if (pcm == NULL || (len == 0 && error[0])) {
        free(pcm);
        return NULL;
    }

    Sound_AudioInfo want = actual;
    if (desired != NULL) {
        want.format = desired->format ? desired->format : actual.format;
        want.channels = desired->channels ? desired->channels : actual.channels;
        want.rate = desired->rate ? desired->rate : actual.rate;
    }
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, actual.format, actual.channels, (int)actual.rate, want.format, want.channels,
                          (int)want.rate) < 0) {
        fail("Sound_NewSample", SDL_GetError());
        free(pcm);
        return NULL;
    }
    /* The converter counts bytes in an int. */
    if (cvt.needed && len > (size_t)(INT_MAX - 16) / (size_t)cvt.len_mult) {
        fail("Sound_NewSample", "too long to convert");
        free(pcm);
        return NULL;
    }
    if (cvt.needed) {
        Uint8* big = realloc(pcm, len * (size_t)cvt.len_mult + 16);
        if (big == NULL) {
            fail("Sound_NewSample", "out of memory");
            free(pcm);
            return NULL;
        }
        pcm = big;
        cvt.buf = pcm;
        cvt.len = (int)len;
        SDL_ConvertAudio(&cvt);
        len = (size_t)cvt.len_cvt;
    }

    Sound_Sample* s = calloc(1, sizeof *s);
    if (s == NULL) {
        free(pcm);
        return NULL;
    }
    s->decoder = decoder;
    s->desired = want;
    s->actual = actual;
    s->opaque = pcm;
    s->buffer = NULL;
    s->buffer_size = (Uint32)len;
    s->flags = error[0] ? SOUND_SAMPLEFLAG_ERROR : SOUND_SAMPLEFLAG_NONE;
    return s;
}

Sound_Sample* Sound_NewSample(SDL_RWops* rw, const char* ext, Sound_AudioInfo* desired, Uint32 bufferSize) {
    (void)rw;
    (void)ext;
    (void)desired;
    (void)bufferSize;
    fail("Sound_NewSample", "only files are decoded here");
    return NULL;
}

Uint32 Sound_DecodeAll(Sound_Sample* sample) {
    if (sample->buffer != NULL) {
        return 0;
    }
    sample->buffer = sample->opaque;
    sample->opaque = NULL;
    sample->flags |= SOUND_SAMPLEFLAG_EOF;
    return sample->buffer_size;
}
Uint32 Sound_Decode(Sound_Sample* sample) {
    return Sound_DecodeAll(sample);
}
void Sound_FreeSample(Sound_Sample* sample) {
    if (sample != NULL) {
        free(sample->opaque);
        free(sample->buffer);
        free(sample);
    }
}
int Sound_SetBufferSize(Sound_Sample* sample, Uint32 new_size) {
    (void)sample;
    (void)new_size;
    return 1;
}
int Sound_Rewind(Sound_Sample* sample) {
    (void)sample;
    return 0;
}
int Sound_Seek(Sound_Sample* sample, Uint32 ms) {
    (void)sample;
    (void)ms;
    return 0;
}
