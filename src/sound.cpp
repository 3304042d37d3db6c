// The sound layer: the game's decoders (lib/sound/) decode every file whole
// at load time, already converted to the mixer's format, and SDL_mixer plays
// the PCM on its channels. Nothing here is ever fatal: a failed load gives a null sound and
// every call takes a null handle as a failure without effect.
#include "sound.h"

#include "decoders.h"
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "constantes.h"

struct FMOD_SYSTEM {
    int canaux;     // channels allocated in the mixer
    bool ouvert;    // the mixer is open and the system usable
    bool audioSDL;  // we brought SDL's audio subsystem up, so we take it down
    bool decodeurs; // Sound_Init succeeded
    bool mixeur;    // Mix_OpenAudio succeeded
};

struct FMOD_SOUND {
    Mix_Chunk* chunk;
    Uint8* pcm; // owned here: a chunk from Mix_QuickLoad_RAW does not free it
    FMOD_MODE mode;
    int boucles;
    std::string chemin;
};

// SDL_mixer has one set of channels per process, so only one system may be open at a time.
static FMOD_SYSTEM* systemeOuvert = nullptr;
static SoundListener ecouteur = nullptr;

static bool EstOuvert(const FMOD_SYSTEM* system) {
    return system != nullptr && system->ouvert;
}

static void Fermer(FMOD_SYSTEM* system) {
    if (system->mixeur) {
        Mix_HaltChannel(-1);
        Mix_CloseAudio();
    }
    if (system->decodeurs) {
        Sound_Quit();
    }
    if (system->audioSDL) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    system->mixeur = system->decodeurs = system->audioSDL = system->ouvert = false;
    system->canaux = 0;
    if (systemeOuvert == system) {
        systemeOuvert = nullptr;
    }
}

static std::uint32_t Lire32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Every file's format, whatever its kind, is held to these before the
// converter sees it: SDL 1.2's crashes on rates far from the mixer's.
static bool FormatAdmis(std::uint32_t canaux, std::uint32_t frequence) {
    return canaux >= 1 && canaux <= SON_FICHIER_CANAUX_MAX && frequence >= SON_FICHIER_FREQUENCE_MIN &&
           frequence <= SON_FICHIER_FREQUENCE_MAX;
}

// The WAV decoder would play a cut-off file up to where it stops without a
// word; a WAV with a chunk longer than what is left of the file is a damaged
// file and is refused like the other broken ones. So is a format chunk out of
// the bounds every sound file is held to. Sizes
// are counted in 64 bits: a chunk length near 4 GB wraps a 32-bit long (as on
// Windows) and would walk back onto its own header for ever.
static const char* WavAbime(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) {
        return nullptr;
    }
    const char* defaut = nullptr;
    unsigned char entete[12];
    const long fin = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    std::rewind(f);
    if (fin >= 12 && std::fread(entete, 1, 12, f) == 12 && std::memcmp(entete, "RIFF", 4) == 0 &&
        std::memcmp(entete + 8, "WAVE", 4) == 0) {
        const std::uint64_t taille = static_cast<std::uint64_t>(fin);
        std::uint64_t pos = 12;
        unsigned char morceau[8];
        while (pos + 8 <= taille && std::fseek(f, static_cast<long>(pos), SEEK_SET) == 0 &&
               std::fread(morceau, 1, 8, f) == 8) {
            const std::uint64_t longueur = Lire32(morceau + 4);
            pos += 8;
            if (longueur > taille - pos) {
                defaut = "fichier WAV tronque";
                break;
            }
            unsigned char format[8];
            if (std::memcmp(morceau, "fmt ", 4) == 0 && longueur >= 16 && std::fread(format, 1, 8, f) == 8) {
                const unsigned canaux = format[2] | format[3] << 8;
                const std::uint32_t frequence = Lire32(format + 4);
                if (!FormatAdmis(canaux, frequence)) {
                    defaut = "format WAV impossible";
                    break;
                }
            }
            if (std::memcmp(morceau, "data", 4) == 0) {
                break;
            }
            pos += longueur + (longueur & 1);
        }
    }
    std::fclose(f);
    return defaut;
}

static FMOD_RESULT EchecChargement(const char* path, const char* erreur) {
    std::printf("\n#ERREUR Erreur de chargement du son %s : %s #ERREUR_END", path,
                erreur != nullptr ? erreur : "erreur inconnue");
    return FMOD_ERR_FILE_BAD;
}

FMOD_RESULT FMOD_System_Create(FMOD_SYSTEM** system) {
    if (system == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    *system = new FMOD_SYSTEM{0, false, false, false, false};
    return FMOD_OK;
}

FMOD_RESULT FMOD_System_Init(FMOD_SYSTEM* system, int maxchannels, FMOD_INITFLAGS, void*) {
    if (system == nullptr || system->ouvert || systemeOuvert != nullptr || maxchannels <= 0 ||
        maxchannels > SON_CANAUX_MAX) {
        return FMOD_ERR_INVALID_PARAM;
    }
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) {
            return FMOD_ERR_OUTPUT_INIT;
        }
        system->audioSDL = true;
    }
    system->decodeurs = Sound_Init() != 0;
    if (system->decodeurs) {
        system->mixeur = Mix_OpenAudio(SON_FREQUENCE, AUDIO_S16SYS, SON_SORTIE_CANAUX, SON_TAMPON_MIXEUR) == 0;
    }
    if (!system->mixeur || Mix_AllocateChannels(maxchannels) != maxchannels) {
        Fermer(system);
        return FMOD_ERR_OUTPUT_INIT;
    }
    system->canaux = maxchannels;
    system->ouvert = true;
    systemeOuvert = system;
    return FMOD_OK;
}

FMOD_RESULT FMOD_System_CreateSound(FMOD_SYSTEM* system, const char* path, FMOD_MODE mode, FMOD_CREATESOUNDEXINFO*,
                                    FMOD_SOUND** sound) {
    if (sound == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    *sound = nullptr;
    if (!EstOuvert(system) || path == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    if (const char* defaut = WavAbime(path)) {
        return EchecChargement(path, defaut);
    }
    int frequence = 0;
    int canaux = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&frequence, &format, &canaux);
    Sound_AudioInfo voulu = {format, static_cast<Uint8>(canaux), static_cast<Uint32>(frequence)};
    Sound_ClearError();
    Sound_Sample* sample = Sound_NewSampleFromFile(path, &voulu, SON_TAMPON_DECODAGE);
    if (sample == nullptr) {
        return EchecChargement(path, Sound_GetError());
    }
    // Checked on the header, before the converter is set up and before any memory is taken for the sound.
    const std::string defaut = [&]() -> std::string {
        const char* sorte = sample->decoder->extensions[0];
        if (!FormatAdmis(sample->actual.channels, sample->actual.rate)) {
            return std::string("format ") + sorte + " impossible";
        }
        const Uint32 trame = static_cast<Uint32>((format & 0xFF) / 8 * canaux);
        const Sint32 ms = Sound_GetDuration(sample);
        if (ms >= 0 && static_cast<std::uint64_t>(ms) * static_cast<Uint32>(frequence) / 1000 * trame > SON_PCM_MAX) {
            return "son trop long";
        }
        return "";
    }();
    if (!defaut.empty()) {
        Sound_FreeSample(sample);
        return EchecChargement(path, defaut.c_str());
    }
    // Decoded step by step into a buffer that doubles as it fills (a copy at
    // each step would make the two-minute music slow to load under the memory
    // checkers), and refused as soon as it would pass the limit: a stream need
    // not say its length, or may lie about it.
    std::vector<Uint8> decode;
    bool tropLong = false;
    while (!(sample->flags & (SOUND_SAMPLEFLAG_EOF | SOUND_SAMPLEFLAG_ERROR))) {
        Uint32 lu = Sound_Decode(sample);
        if (lu == 0) {
            break; // a decoder that yields nothing without saying why would spin here for ever
        }
        if (decode.size() + lu > SON_PCM_MAX) {
            tropLong = true;
            break;
        }
        if (decode.capacity() < decode.size() + lu) {
            decode.reserve(std::min(SON_PCM_MAX, std::max(decode.size() + lu, 2 * decode.capacity())));
        }
        const Uint8* debut = static_cast<const Uint8*>(sample->buffer);
        decode.insert(decode.end(), debut, debut + lu);
    }
    if (tropLong || (sample->flags & SOUND_SAMPLEFLAG_ERROR)) {
        FMOD_RESULT r = EchecChargement(path, tropLong ? "son trop long" : Sound_GetError());
        Sound_FreeSample(sample);
        return r;
    }
    Sound_FreeSample(sample);
    // The mixer refuses a chunk that ends in the middle of a frame.
    Uint32 trame = static_cast<Uint32>((format & 0xFF) / 8 * canaux);
    Uint32 octets = static_cast<Uint32>(decode.size() - decode.size() % trame);
    if (octets == 0) {
        return EchecChargement(path, "aucun son decode");
    }
    // Copied to its exact size: the vector's slack (up to as much again) is not kept for the sound's life.
    Uint8* pcm = static_cast<Uint8*>(std::malloc(octets));
    if (pcm == nullptr) {
        return EchecChargement(path, "memoire insuffisante");
    }
    std::memcpy(pcm, decode.data(), octets);
    Mix_Chunk* chunk = Mix_QuickLoad_RAW(pcm, octets);
    if (chunk == nullptr) {
        std::free(pcm);
        return EchecChargement(path, Mix_GetError());
    }
    // A looping sound loops without end until told otherwise.
    int boucles = (mode & FMOD_LOOP_NORMAL) ? -1 : 0;
    *sound = new FMOD_SOUND{chunk, pcm, mode, boucles, path};
    return FMOD_OK;
}

FMOD_RESULT FMOD_Sound_SetLoopCount(FMOD_SOUND* sound, int loopcount) {
    if (sound == nullptr || loopcount < -1) {
        return FMOD_ERR_INVALID_PARAM;
    }
    sound->boucles = loopcount;
    return FMOD_OK;
}

FMOD_RESULT FMOD_System_PlaySound(FMOD_SYSTEM* system, FMOD_CHANNELINDEX channelid, FMOD_SOUND* sound, int paused,
                                  FMOD_CHANNEL** channel) {
    if (channel != nullptr) {
        *channel = nullptr;
    }
    if (!EstOuvert(system) || sound == nullptr || channelid < FMOD_CHANNEL_FREE || channelid >= system->canaux) {
        return FMOD_ERR_INVALID_PARAM;
    }
    if (channelid != FMOD_CHANNEL_FREE) {
        Mix_HaltChannel(channelid);
    }
    // Both count the plays after the first: -1 is for ever, 0 is once.
    int boucles = (sound->mode & FMOD_LOOP_NORMAL) ? sound->boucles : 0;
    int canal = Mix_PlayChannel(channelid, sound->chunk, boucles);
    if (canal < 0 || canal >= system->canaux) {
        return FMOD_ERR_CHANNEL_ALLOC;
    }
    if (paused) {
        Mix_Pause(canal);
    }
    if (ecouteur != nullptr) {
        ecouteur(channelid, canal, sound->chemin.c_str(), sound->mode, boucles);
    }
    return FMOD_OK;
}

FMOD_RESULT FMOD_Sound_Release(FMOD_SOUND* sound) {
    if (sound == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    // Halts the chunk on every channel that plays it before it goes.
    Mix_FreeChunk(sound->chunk);
    std::free(sound->pcm);
    delete sound;
    return FMOD_OK;
}

FMOD_RESULT FMOD_System_Close(FMOD_SYSTEM* system) {
    if (system == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    Fermer(system);
    return FMOD_OK;
}

FMOD_RESULT FMOD_System_Release(FMOD_SYSTEM* system) {
    if (system == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    Fermer(system);
    delete system;
    return FMOD_OK;
}

void SetSoundListener(SoundListener listener) {
    ecouteur = listener;
}
