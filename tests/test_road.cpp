// The game played through from its start to its exit button by a script, with
// every asset whole, missing or spoiled; floods of random events at each kind
// of screen; start-up without a display, without sound or without a font.
//
// The script cannot see the screen (a spoiled picture changes it) nor hear the
// sounds, so it reads the game's own debugging lines and how fast the game
// takes events: a text box still typing takes at most one event per step of
// more than 50 ms, so a burst taken faster than that is being read by a wait.
#include <SDL_image.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <regex>
#include <string>
#include <thread>

#include "constantes.h"
#include "harness.h"
#include "main.h"
#include "sdlTxt.h"

using namespace harness;

namespace {

// ---------------------------------------------------------------------------
// The road, run inside a death-test child: SDL_main with its standard output
// piped back to us (and on to standard error, where the death test reads it).

std::mutex sortieVerrou;
std::string sortie;
std::atomic<int> etape{0};
std::atomic<bool> routeFinie{false};
std::string dossierRoute;

const char* const ETAPES[] = {"start-up", "title",      "menu hovers", "load game",   "text typed",
                              "new game", "intro",      "final wait",  "menu again",  "exit click"};

void SuivreSortie() {
    int tube[2];
    if (pipe(tube) != 0) {
        return;
    }
    fflush(stdout);
    dup2(tube[1], 1);
    close(tube[1]);
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::thread([lecture = tube[0]] {
        char tampon[4096];
        ssize_t n;
        while ((n = read(lecture, tampon, sizeof tampon)) > 0) {
            {
                std::lock_guard<std::mutex> verrou(sortieVerrou);
                sortie.append(tampon, static_cast<size_t>(n));
            }
            ssize_t ignore = write(2, tampon, static_cast<size_t>(n));
            (void)ignore;
        }
    }).detach();
}

// Occurrences of `motif` in what the game printed after the first `apres` (from the start when empty).
int Compte(const std::string& motif, const std::string& apres = "") {
    std::lock_guard<std::mutex> verrou(sortieVerrou);
    size_t pos = 0;
    if (!apres.empty()) {
        pos = sortie.find(apres);
        if (pos == std::string::npos) {
            return 0;
        }
    }
    int n = 0;
    while ((pos = sortie.find(motif, pos)) != std::string::npos) {
        ++n;
        pos += motif.size();
    }
    return n;
}

void Pousse(SDL_Event e) {
    while (SDL_PushEvent(&e) != 0) {
        SDL_Delay(1);
    }
}

void AttendVide() {
    while (Pending() != 0) {
        SDL_Delay(2);
    }
}

// Returns once a wait that takes events at once is reading the queue: a burst
// of 16 pointer moves gone in under 300 ms cannot have been taken by a text box
// still typing (it would need 15 steps of more than 50 ms).
void AttendUneAttente() {
    for (;;) {
        AttendVide();
        const auto debut = std::chrono::steady_clock::now();
        for (int i = 0; i < 16; ++i) {
            Pousse(Motion(5, 5));
        }
        AttendVide();
        if (std::chrono::steady_clock::now() - debut < std::chrono::milliseconds(300)) {
            return;
        }
    }
}

struct Bouton {
    bool cliquable;
    int x, y;
};

// Whether the menu will give the button an area: it measures the entry picture, else the normal one.
Bouton Mesure(const char* entree, const char* normal, int y) {
    SDL_Surface* s = IMG_Load(entree);
    if (s == nullptr) {
        s = IMG_Load(normal);
    }
    Bouton b{s != nullptr && s->w > 0 && s->h > 0, LARGEUR_ECRAN / 2, y + (s != nullptr ? s->h / 2 : 0)};
    SDL_FreeSurface(s);
    return b;
}

// Any mouse button ends the final wait and the red card; a right click at the corner does nothing anywhere else
// past the title.
SDL_Event CoinDroit() { return Click(SDL_BUTTON_RIGHT, 5, 5); }

void Pilote(Bouton sortir, Bouton nouvelle, Bouton charger) {
    // Pushes fail until SDL_Init has started the queue.
    etape = 1;
    Pousse(Key(SDLK_a));
    etape = 2;
    Pousse(CoinDroit());
    for (const Bouton* b : {&sortir, &nouvelle, &charger}) {
        Pousse(Motion(b->x, b->y));
    }
    if (charger.cliquable) {
        etape = 3;
        Pousse(Click(SDL_BUTTON_LEFT, charger.x, charger.y));
        etape = 4;
        AttendUneAttente();
        Pousse(Key(SDLK_a));
        Pousse(CoinDroit());
    }
    if (nouvelle.cliquable) {
        etape = 5;
        Pousse(Click(SDL_BUTTON_LEFT, nouvelle.x, nouvelle.y));
        // Escape cuts every line at its first step and the fades drop what they read; the last of the ten
        // monologue boxes announces the final wait, which ignores keys.
        etape = 6;
        const std::string apres = "#apr\xe8s le !";
        while (Compte("#INIT Chaine", apres) < 10) {
            if (Pending() == 0) {
                Pousse(Key(SDLK_ESCAPE));
            }
            SDL_Delay(1);
        }
        Pousse(Key(SDLK_ESCAPE));
        AttendVide();
        etape = 7;
        Pousse(CoinDroit());
        etape = 8;
        Pousse(CoinDroit());
    }
    etape = 9;
    Pousse(Motion(sortir.x, sortir.y));
    AttendVide();
    routeFinie = true;
    // Without its picture the exit button has no area; Escape is then the menu's way out.
    Pousse(sortir.cliquable ? Click(SDL_BUTTON_LEFT, sortir.x, sortir.y) : Key(SDLK_ESCAPE));
}

void FinDeRoute() {
    std::error_code ignore;
    std::filesystem::remove_all(dossierRoute, ignore);
    if (!routeFinie) {
        fprintf(stderr, "\nthe game ended before the road's end, at: %s\n", ETAPES[etape.load()]);
        _exit(4);
    }
}

struct Cas {
    std::string nom;
    std::vector<std::string> fichiers;
    Damage degat;
    bool mapBloquee;
};

[[noreturn]] void Route(const Cas& cas) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    dossierRoute = MakeDamagedAssetDir(cas.fichiers, cas.degat);
    if (dossierRoute.empty() || chdir(dossierRoute.c_str()) != 0) {
        fprintf(stderr, "no scratch run-time directory\n");
        _exit(5);
    }
    if (cas.mapBloquee) {
        mkdir(FICHIER_MAP, 0755);
    }
    atexit(FinDeRoute);
    SuivreSortie();
    // Measured before the game starts: SDL_image is not to be used from two threads at once.
    std::thread(Pilote, Mesure(IMG_EXIT, IMG_EXIT, Y_BOUTON_EXIT), Mesure(IMG_NEWGAME, IMG_NEWGAME, Y_BOUTON_NEWGAME),
                Mesure(IMG_LOADGAME_ENTREE, IMG_LOADGAME, Y_BOUTON_LOADGAME))
        .detach();
    // Fades and typing have lower bounds only; a road still running after this long is stuck.
    std::thread([] {
        SDL_Delay(240000);
        fprintf(stderr, "\nthe road is stuck at: %s\n", ETAPES[etape.load()]);
        _exit(6);
    }).detach();
    const int status = SDL_main(0, nullptr);
    fprintf(stderr, "\nSDL_main returned %d at: %s\n", status, ETAPES[etape.load()]);
    _exit(10 + status);
}

// What the game must have said about the spoiled file, as a regular expression; "" when a spoiled copy may
// still load (half a JPEG decodes, half an MP3 plays) or the road never reads the file.
std::string Signalement(const Cas& cas) {
    if (cas.mapBloquee) {
        return "\n\n#ECHEC_createMap";
    }
    if (cas.fichiers.size() != 1 || (cas.degat != Damage::Missing && cas.degat != Damage::Empty)) {
        return "";
    }
    const std::string& f = cas.fichiers[0];
    if (f == IMG_PRINTBOX) {
        return "#ERREUR Erreur de chargement de l'image printbox #ERREUR_END";
    }
    if (f == IMG_DEMOGAME || f == IMG_DEMOGAME_B || f == IMG_WOLF_ZORVIK) {
        return "";
    }
    return "#ERREUR .*" + std::regex_replace(f, std::regex("\\."), "\\.") + " : ";
}

std::vector<Cas> TousLesCas() {
    std::vector<Cas> cas;
    cas.push_back({"AllPresent", {}, Damage::Missing, false});
    cas.push_back({"AllMissing", AssetFiles(), Damage::Missing, false});
    cas.push_back({"MapNotWritable", {}, Damage::Missing, true});
    for (Damage d : {Damage::Missing, Damage::Empty, Damage::FirstHalf, Damage::RandomBytes}) {
        for (const std::string& f : AssetFiles()) {
            std::string nom = std::string(DamageName(d)) + "_" + std::regex_replace(f, std::regex("[^A-Za-z0-9]"), "_");
            cas.push_back({nom, {f}, d, false});
        }
    }
    return cas;
}

class Road : public ::testing::TestWithParam<Cas> {};

TEST_P(Road, FromTitleThroughLoadAndIntroToExitButton) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(Route(GetParam()), ::testing::ExitedWithCode(0), Signalement(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Assets, Road, ::testing::ValuesIn(TousLesCas()),
                         [](const ::testing::TestParamInfo<Cas>& info) { return info.param.nom; });

} // namespace
