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
    int canaux;    // channels allocated in the mixer
    bool ouvert;   // the mixer is open and the system usable
    bool audioSDL; // we brought SDL's audio subsystem up, so we take it down
    bool mixeur;   // Mix_OpenAudio succeeded
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
    if (system->audioSDL) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    system->mixeur = system->audioSDL = system->ouvert = false;
    system->canaux = 0;
    if (systemeOuvert == system) {
        systemeOuvert = nullptr;
    }
}

// What the game takes of a sound file; a file beyond any of these is refused with its reason.
static const SoundLimits limites = {
    SON_FICHIER_CANAUX_MAX,   SON_FICHIER_FREQUENCE_MIN, SON_FICHIER_FREQUENCE_MAX, SON_PCM_MAX,
    SON_VORBIS_ENTREES_LIVRE, SON_VORBIS_ENTREES,        SON_VORBIS_VALEURS,        SON_OGG_TROUS_MAX,
    SON_TAMPON_DECODAGE};

static FMOD_RESULT EchecChargement(const char* path, const char* erreur) {
    std::printf("\n#ERREUR Erreur de chargement du son %s : %s #ERREUR_END", path,
                erreur != nullptr ? erreur : "erreur inconnue");
    return FMOD_ERR_FILE_BAD;
}

FMOD_RESULT FMOD_System_Create(FMOD_SYSTEM** system) {
    if (system == nullptr) {
        return FMOD_ERR_INVALID_PARAM;
    }
    *system = new FMOD_SYSTEM{0, false, false, false};
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
    system->mixeur = Mix_OpenAudio(SON_FREQUENCE, AUDIO_S16SYS, SON_SORTIE_CANAUX, SON_TAMPON_MIXEUR) == 0;
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
    int frequence = 0;
    int canaux = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&frequence, &format, &canaux);
    const SoundFormat sortie = {format, static_cast<Uint8>(canaux), static_cast<Uint32>(frequence)};
    SoundFile* fichier = SoundFile_Open(path, &sortie, &limites);
    if (fichier == nullptr) {
        return EchecChargement(path, SoundFile_Error());
    }
    // Decoded part by part into a buffer that doubles as it fills (a copy at
    // each part would make the two-minute music slow to load under the memory
    // checkers); the decoder refuses the file once it passes the bound.
    std::vector<Uint8> decode;
    const Uint8* part = nullptr;
    long lu = 0;
    while ((lu = SoundFile_Decode(fichier, &part)) > 0) {
        const std::size_t taille = decode.size() + static_cast<std::size_t>(lu);
        if (decode.capacity() < taille) {
            decode.reserve(std::min(SON_PCM_MAX, std::max(taille, 2 * decode.capacity())));
        }
        decode.insert(decode.end(), part, part + lu);
    }
    SoundFile_Close(fichier);
    if (lu < 0) {
        return EchecChargement(path, SoundFile_Error());
    }
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
