/* The game's sound decoders: what the sound layer (src/sound.cpp) needs to
 * read a sound file, the same code on every system the game is built for.
 *
 * A file is opened by what its first bytes say it is (RIFF WAVE, Ogg Vorbis,
 * MPEG audio frames), never by its name; anything else is refused. Opening
 * reads the headers and holds the file's format to the limits the caller
 * gives, then each decode step hands on the next part of the sound already
 * converted to the output format. Every refusal, at the opening or at any
 * step, says why in SoundFile_Error(). */
#ifndef DUSKWANE_DECODERS_H
#define DUSKWANE_DECODERS_H

#include <SDL.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct {
    Uint16 format; /* SDL audio format */
    Uint8 channels;
    Uint32 rate;
} SoundFormat;

/* What a file may be; beyond any of these it is refused. */
typedef struct {
    unsigned maxChannels;
    Uint32 minRate, maxRate;
    Uint64 maxBytes;       /* the whole decoded sound, in the output format */
    Uint32 maxBookEntries; /* Vorbis: entries of one codebook */
    Uint32 maxEntries;     /* Vorbis: entries of all the codebooks of one link */
    Uint32 maxValues;      /* Vorbis: entries times dimensions of the books with values, in all */
    unsigned maxHoles;     /* Ogg: lost pages in a row */
    Uint32 stepBytes;      /* output bytes per decode step, at most */
} SoundLimits;

typedef struct SoundFile SoundFile;

/* Null when the file cannot be read, is of no known kind, its header is
 * damaged, its format beyond the limits, or its header gives a length that
 * would decode past maxBytes. */
SoundFile* SoundFile_Open(const char* path, const SoundFormat* output, const SoundLimits* limits);
/* The next part of the sound: its size in bytes, with *part pointing at it
 * until the next call; 0 at the end; -1 when the file is refused on the way
 * (a damaged stream, a change of format, past maxBytes). */
long SoundFile_Decode(SoundFile* file, const Uint8** part);
void SoundFile_Close(SoundFile* file);
/* Why the last open or decode step failed, in the game's debugging words. */
const char* SoundFile_Error(void);

#ifdef __cplusplus
}
#endif

#endif
