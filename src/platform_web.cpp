// The browser (Emscripten's SDL 1.2 in JavaScript, web/library.js, the page
// web/index.html). The game's loops never return to the browser, so the calls
// they already make (a flip, a poll, a clock read) give it its turn through
// link-time wraps; the rest fills what the browser's SDL lacks.
#include "platform.h"
#include "pointer.h"

#include <SDL.h>
#include <SDL_image.h>

#include <emscripten.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {
// web/library.js
void web_rendre_la_main();
void web_dormir(int ms);
void web_attendre_entree(int ms);
void web_attendre_fichier(const char* chemin);
void web_decoder_image(const char* chemin);
int web_temps_cache();
void web_completer_sdl();
void web_basculer_plein_ecran();

int __real_SDL_Init(Uint32 flags);
int __real_SDL_Flip(SDL_Surface* screen);
int __real_SDL_PollEvent(SDL_Event* event);
Uint32 __real_SDL_GetTicks();
SDL_Surface* __real_IMG_Load(const char* file);
char* __real_SDL_GetError();
SDL_Surface* __real_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags);
FILE* __real_fopen(const char* chemin, const char* mode);
}

namespace {

// The browser paints and delivers input only between two turns of its own. A
// yield costs well under a millisecond (web/library.js wakes the game by a
// message, not a clamped timer), and is taken only once this much time has
// passed since the last, so a timed step that is due is taken on time: the
// text step stays just over 50 ms, the fade step just over 20 ms.
constexpr double TRANCHE_MS = 8.0;
// The screens' busy waits are left to rest. Every timed step compares the
// clock with the time of the last one, and the clock counts whole
// milliseconds: a loop that reads the same value again and again is waiting
// for it to change, and sleeps until the next millisecond once it has read
// it this many times more (a step that falls due reads it twice: once to
// find it due, once to note its time).
constexpr int RELECTURES_AVANT_SOMMEIL = 2;
// A loop that polls without reading the clock has no timed step: once this
// many polls in a row found nothing (the menu shows its lit button a frame
// late), it sleeps until the player acts.
constexpr int SONDAGES_VIDES_AVANT_SOMMEIL = 2;
// Waiting for the player: woken by any input, and at least this often (a
// screen asleep between two inputs redraws nothing new).
constexpr int ATTENTE_MAX_MS = 250;
// SDL 1.2's full-screen flag, as the game asks for it.
constexpr Uint32 PLEIN_ECRAN_SDL12 = 0x80000000u;
// A JPEG file's first bytes.
constexpr unsigned char SIGNATURE_JPEG[3] = {0xFF, 0xD8, 0xFF};

double dernierTour = 0;
Uint32 derniereLecture = 0;
int relectures = 0;
int sondagesVides = 0;
bool horlogeLue = false;
char erreur[512] = "";

void Tour() {
    const double maintenant = emscripten_get_now();
    if (maintenant - dernierTour >= TRANCHE_MS) {
        web_rendre_la_main();
        dernierTour = emscripten_get_now();
    }
}

// The game's clock: SDL's, less the time the page spent hidden.
Uint32 Horloge() {
    return __real_SDL_GetTicks() - static_cast<Uint32>(web_temps_cache());
}

// The desktop's decoder gives a JPEG no alpha channel; the browser's gives every picture one.
bool EstJpeg(const char* file) {
    unsigned char debut[sizeof SIGNATURE_JPEG] = {};
    FILE* f = std::fopen(file, "rb");
    if (f == nullptr) {
        return false;
    }
    const size_t lus = std::fread(debut, 1, sizeof debut, f);
    std::fclose(f);
    return lus == sizeof debut && std::memcmp(debut, SIGNATURE_JPEG, sizeof debut) == 0;
}

} // namespace

void PlatformPutEnv(const char* entry) {
    const std::string s(entry);
    const std::string::size_type egal = s.find('=');
    if (egal != std::string::npos) {
        setenv(s.substr(0, egal).c_str(), s.c_str() + egal + 1, 1);
    }
}

// A page has no signals and no console: leaving it ends everything at once.
void PlatformStopRequestsAsQuit() {}

// The browser's event queue is an array without a limit: pointer motion can
// never push a close request out, so nothing is kept out of it.
int SuivreSouris(int) {
    return 1;
}

void InstallerFiltreSouris() {}

extern "C" {

int __wrap_SDL_Init(Uint32 flags) {
    web_completer_sdl();
    return __real_SDL_Init(flags);
}

int __wrap_SDL_Flip(SDL_Surface* screen) {
    const int r = __real_SDL_Flip(screen);
    Tour();
    return r;
}

int __wrap_SDL_PollEvent(SDL_Event* event) {
    if (sondagesVides >= SONDAGES_VIDES_AVANT_SOMMEIL && !horlogeLue) {
        web_attendre_entree(ATTENTE_MAX_MS);
        dernierTour = emscripten_get_now();
    } else {
        Tour();
    }
    horlogeLue = false;
    const int r = __real_SDL_PollEvent(event);
    sondagesVides = r ? 0 : sondagesVides + 1;
    return r;
}

Uint32 __wrap_SDL_GetTicks() {
    horlogeLue = true;
    Tour();
    Uint32 t = Horloge();
    if (t != derniereLecture) {
        relectures = 0;
    } else if (++relectures > RELECTURES_AVANT_SOMMEIL) {
        // Nothing can fall due before the clock moves on: one millisecond.
        web_dormir(1);
        dernierTour = emscripten_get_now();
        t = Horloge();
        relectures = 0;
    }
    derniereLecture = t;
    return t;
}

// Sleeps until an event comes, as SDL 1.2 does.
int SDL_WaitEvent(SDL_Event* event) {
    while (!__real_SDL_PollEvent(event)) {
        web_attendre_entree(ATTENTE_MAX_MS);
        dernierTour = emscripten_get_now();
    }
    return 1;
}

SDL_Surface* SDL_DisplayFormat(SDL_Surface* surface) {
    SDL_Surface* ecran = SDL_GetVideoSurface();
    return SDL_ConvertSurface(surface, ecran != nullptr ? ecran->format : surface->format, SDL_SWSURFACE);
}

// The browser's SDL keeps every picture it has decoded: a file no longer in
// the page's file system is missing, as on the desktop.
SDL_Surface* __wrap_IMG_Load(const char* file) {
    if (access(file, R_OK) != 0) {
        std::snprintf(erreur, sizeof erreur, "Couldn't open %s", file);
        return nullptr;
    }
    web_decoder_image(file);
    SDL_Surface* image = __real_IMG_Load(file);
    if (image == nullptr) {
        std::snprintf(erreur, sizeof erreur, "Couldn't decode %s", file);
    } else if (EstJpeg(file)) {
        // Its pixels are all opaque: without the mask, per-surface alpha applies as on the desktop.
        image->format->Amask = 0;
        image->format->Ashift = 0;
        image->format->Aloss = 8;
    }
    return image;
}

// What only the opening needs comes after the card (web/index.html): a screen
// that opens it sooner waits until it has arrived, or failed to, and then
// finds it as on the desktop.
FILE* __wrap_fopen(const char* chemin, const char* mode) {
    web_attendre_fichier(chemin);
    return __real_fopen(chemin, mode);
}

// The browser's SDL_SetError keeps nothing: what failed here is said here.
char* __wrap_SDL_GetError() {
    return erreur[0] != '\0' ? erreur : __real_SDL_GetError();
}

// The canvas keeps its size; full screen is the page's scene through the
// browser's Fullscreen API, toggled on each later mode change (F11).
SDL_Surface* __wrap_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags) {
    const bool bascule = SDL_GetVideoSurface() != nullptr;
    SDL_Surface* ecran = __real_SDL_SetVideoMode(width, height, bpp, flags & ~PLEIN_ECRAN_SDL12);
    if (bascule && ecran != nullptr) {
        web_basculer_plein_ecran();
    }
    return ecran;
}

// SDL's audio converter, which the browser's SDL lacks, for what the sound
// decoders ask of it: 8- or 16-bit PCM to signed 16 bits, mono and stereo
// either way, and a change of rate (linear).
struct Conversion {
    Uint16 deFormat;
    int deCanaux;
    int deFrequence;
    int versCanaux;
    int versFrequence;
};

static int Octets(Uint16 format) {
    return (format & 0xFF) / 8;
}

int SDL_BuildAudioCVT(SDL_AudioCVT* cvt, Uint16 src_format, Uint8 src_channels, int src_rate, Uint16 dst_format,
                      Uint8 dst_channels, int dst_rate) {
    std::memset(cvt, 0, sizeof *cvt);
    const bool entree = src_format == AUDIO_U8 || src_format == AUDIO_S16LSB;
    if (!entree || dst_format != AUDIO_S16LSB || src_channels < 1 || src_channels > 2 || dst_channels < 1 ||
        dst_channels > 2 || src_rate <= 0 || dst_rate <= 0) {
        std::snprintf(erreur, sizeof erreur, "Unsupported audio conversion");
        return -1;
    }
    cvt->src_format = src_format;
    cvt->dst_format = dst_format;
    cvt->needed = src_format != dst_format || src_channels != dst_channels || src_rate != dst_rate;
    cvt->rate_incr = static_cast<double>(src_rate) / dst_rate;
    cvt->len_ratio = static_cast<double>(2 * dst_channels) / (Octets(src_format) * src_channels) / cvt->rate_incr;
    cvt->len_mult = static_cast<int>(cvt->len_ratio) + 2;
    // The rest of the description rides in the filter slots, which nothing else reads here.
    static_assert(sizeof(Conversion) <= sizeof cvt->filters, "the conversion fits in the filter slots");
    const Conversion c = {src_format, src_channels, src_rate, dst_channels, dst_rate};
    std::memcpy(cvt->filters, &c, sizeof c);
    return cvt->needed ? 1 : 0;
}

int SDL_ConvertAudio(SDL_AudioCVT* cvt) {
    Conversion c;
    std::memcpy(&c, cvt->filters, sizeof c);
    const int taille = Octets(c.deFormat);
    const int trames = cvt->len / (taille * c.deCanaux);
    const int sortie = static_cast<int>(static_cast<long long>(trames) * c.versFrequence / c.deFrequence);
    auto echantillon = [&](int trame, int voie) -> float {
        const Uint8* p = cvt->buf + (static_cast<size_t>(trame) * c.deCanaux + (voie % c.deCanaux)) * taille;
        if (taille == 1) {
            return static_cast<float>(p[0] - 128) * 256.0f;
        }
        Sint16 v;
        std::memcpy(&v, p, sizeof v);
        return v;
    };
    // Into a buffer of its own, then back: the output may be longer than the input.
    Sint16* resultat = static_cast<Sint16*>(std::malloc(static_cast<size_t>(sortie) * c.versCanaux * 2 + 2));
    if (resultat == nullptr) {
        return -1;
    }
    for (int i = 0; i < sortie; i++) {
        const double position = static_cast<double>(i) * c.deFrequence / c.versFrequence;
        const int a = static_cast<int>(position);
        const int b = a + 1 < trames ? a + 1 : a;
        const float t = static_cast<float>(position - a);
        for (int v = 0; v < c.versCanaux; v++) {
            float s;
            if (c.versCanaux == 1 && c.deCanaux == 2) {
                s = ((echantillon(a, 0) + echantillon(a, 1)) * (1 - t) + (echantillon(b, 0) + echantillon(b, 1)) * t) /
                    2;
            } else {
                s = echantillon(a, v) * (1 - t) + echantillon(b, v) * t;
            }
            resultat[i * c.versCanaux + v] = static_cast<Sint16>(s < -32768 ? -32768 : (s > 32767 ? 32767 : s));
        }
    }
    cvt->len_cvt = sortie * c.versCanaux * 2;
    std::memcpy(cvt->buf, resultat, static_cast<size_t>(cvt->len_cvt));
    std::free(resultat);
    return 0;
}

} // extern "C"
