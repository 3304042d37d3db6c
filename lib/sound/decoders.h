/* The game's sound decoders, behind the part of SDL_sound's interface that
 * the sound layer uses (src/sound.cpp), under a header name of their own so
 * that a system's SDL_sound.h is never taken for it: a file is opened as a sample whose
 * format is known at once, then decoded step by step, each step converted to
 * the format asked for. The same code on every system the game is built for.
 *
 * A file is decoded by what its first bytes say it is (RIFF WAVE, Ogg Vorbis,
 * MPEG audio frames), never by its name; anything else is refused. Opening
 * reads headers only: the caller checks `actual` before the first decode step
 * (where the converter is set up) and may refuse the sample there. */
#ifndef DUSKWANE_DECODERS_H
#define DUSKWANE_DECODERS_H

#include <SDL.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    SOUND_SAMPLEFLAG_NONE = 0,
    SOUND_SAMPLEFLAG_EOF = 1 << 29,
    SOUND_SAMPLEFLAG_ERROR = 1 << 30
} Sound_SampleFlags;

typedef struct {
    Uint16 format; /* SDL audio format */
    Uint8 channels;
    Uint32 rate;
} Sound_AudioInfo;

typedef struct {
    const char** extensions; /* the format's name first */
    const char* description;
    const char* author;
    const char* url;
} Sound_DecoderInfo;

typedef struct {
    void* opaque;
    const Sound_DecoderInfo* decoder;
    Sound_AudioInfo desired; /* what each decode step gives */
    Sound_AudioInfo actual;  /* what the file holds */
    void* buffer;            /* the last step's output */
    Uint32 buffer_size;
    Sound_SampleFlags flags;
} Sound_Sample;

int Sound_Init(void);
int Sound_Quit(void);
const char* Sound_GetError(void);
void Sound_ClearError(void);
/* Null when the file cannot be read, is of no known kind or its header is
 * damaged or not representable (a channel count or rate out of range of the
 * fields above); Sound_GetError() says why. */
Sound_Sample* Sound_NewSampleFromFile(const char* fname, Sound_AudioInfo* desired, Uint32 bufferSize);
/* The length its header gives, in milliseconds; -1 when the file does not say. */
Sint32 Sound_GetDuration(Sound_Sample* sample);
/* Decodes and converts the next step into sample->buffer and returns its size
 * in bytes; sets SOUND_SAMPLEFLAG_EOF at the end, SOUND_SAMPLEFLAG_ERROR on a
 * damaged stream. */
Uint32 Sound_Decode(Sound_Sample* sample);
void Sound_FreeSample(Sound_Sample* sample);

#ifdef __cplusplus
}
#endif

#endif
