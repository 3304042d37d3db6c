// The game's sound layer: load a file as a decoded sample or a looping
// stream, play it on a free or a fixed channel of five, release it, shut
// down. Every call takes a null system or sound as a failure without effect,
// so a screen whose sound failed to load simply runs silent.
#ifndef DUSKWANE_SOUND_H
#define DUSKWANE_SOUND_H

typedef struct FMOD_SYSTEM FMOD_SYSTEM;
typedef struct FMOD_SOUND FMOD_SOUND;
typedef struct FMOD_CHANNEL FMOD_CHANNEL;
typedef struct FMOD_CREATESOUNDEXINFO FMOD_CREATESOUNDEXINFO;

typedef int FMOD_RESULT;
typedef unsigned int FMOD_MODE;
typedef unsigned int FMOD_INITFLAGS;
typedef int FMOD_CHANNELINDEX;

constexpr FMOD_RESULT FMOD_OK = 0;
constexpr FMOD_RESULT FMOD_ERR_INVALID_PARAM = 37;
constexpr FMOD_RESULT FMOD_ERR_FILE_BAD = 19;
constexpr FMOD_RESULT FMOD_ERR_OUTPUT_INIT = 60;
constexpr FMOD_RESULT FMOD_ERR_CHANNEL_ALLOC = 8;

constexpr FMOD_MODE FMOD_DEFAULT = 0x0;
constexpr FMOD_MODE FMOD_LOOP_NORMAL = 0x2;
constexpr FMOD_MODE FMOD_2D = 0x8;
constexpr FMOD_MODE FMOD_SOFTWARE = 0x40;
constexpr FMOD_MODE FMOD_CREATESTREAM = 0x80;
constexpr FMOD_MODE FMOD_CREATESAMPLE = 0x100;
// The two modes the game creates its sounds with.
constexpr FMOD_MODE MODE_EFFET = FMOD_CREATESAMPLE;
constexpr FMOD_MODE MODE_AMBIANCE = FMOD_LOOP_NORMAL | FMOD_2D | FMOD_SOFTWARE | FMOD_CREATESTREAM; // 0xCA

constexpr FMOD_INITFLAGS FMOD_INIT_NORMAL = 0x0;
constexpr FMOD_CHANNELINDEX FMOD_CHANNEL_FREE = -1;

FMOD_RESULT FMOD_System_Create(FMOD_SYSTEM** system);
// Opens the audio output with maxchannels channels; fails when no output can be opened.
FMOD_RESULT FMOD_System_Init(FMOD_SYSTEM* system, int maxchannels, FMOD_INITFLAGS flags, void* extradriverdata);
// Decodes the whole file (WAV, OGG or MP3). On failure *sound is left null.
FMOD_RESULT FMOD_System_CreateSound(FMOD_SYSTEM* system, const char* path, FMOD_MODE mode,
                                    FMOD_CREATESOUNDEXINFO* exinfo, FMOD_SOUND** sound);
// -1 loops without end; only sounds created with the loop flag loop at all.
FMOD_RESULT FMOD_Sound_SetLoopCount(FMOD_SOUND* sound, int loopcount);
// A fixed channel stops what it played and starts this sound.
FMOD_RESULT FMOD_System_PlaySound(FMOD_SYSTEM* system, FMOD_CHANNELINDEX channelid, FMOD_SOUND* sound, int paused,
                                  FMOD_CHANNEL** channel);
// Stops the sound wherever it plays, then frees it.
FMOD_RESULT FMOD_Sound_Release(FMOD_SOUND* sound);
FMOD_RESULT FMOD_System_Close(FMOD_SYSTEM* system);
FMOD_RESULT FMOD_System_Release(FMOD_SYSTEM* system);

// Called on every sound start with the channel asked for (-1 for a free
// one), the channel it started on, the file's path (valid until the sound is
// released), the mode the sound was created with and how many times it plays
// after the first (-1 for ever, 0 once). It reads the time on its own clock,
// when it needs it. One listener at a time; null removes it. The game
// installs none: it is how a tool observes the sound.
typedef void (*SoundListener)(int requested, int channel, const char* path, FMOD_MODE mode, int loops);
void SetSoundListener(SoundListener listener);

#endif
