// The game played through from its start to its exit button by a script, with
// every asset whole, missing or spoiled; floods of random events at each kind
// of screen; start-up without a display, without sound or without a font.
//
// The script cannot see the screen (a spoiled picture changes it) nor hear the
// sounds, so it reads the game's own debugging lines and how fast the game
// takes events on its clock: a text box still typing takes at most one event
// per step of 51 ms, so a burst taken faster than that is being read by a wait.
#include <SDL_image.h>
#include <pthread.h>
#include <sys/stat.h>

#include "system.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <tuple>

#include "constantes.h"
#include "harness.h"
#include "image.h"
#include "jeu.h"
#include "main.h"
#include "platform.h"
#include "sdlTxt.h"

using namespace harness;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool SOUS_ASAN = true; // its quarantine holds freed memory: LeakSanitizer checks leaks instead
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool SOUS_ASAN = true;
#else
constexpr bool SOUS_ASAN = false;
#endif
#else
constexpr bool SOUS_ASAN = false;
#endif

// ---------------------------------------------------------------------------
// The road, run inside a death-test child: SDL_main with its standard output
// piped back to us (and on to standard error, where the death test reads it).

std::mutex sortieVerrou;
std::string sortie;
std::atomic<int> etape{0};
std::atomic<bool> routeFinie{false};
std::string dossierRoute;
long residentMaxKb = 0; // the most the road may have held, or 0

const char* const ETAPES[] = {"start-up", "title", "menu hovers", "load game",  "text typed",
                              "new game", "intro", "final wait",  "menu again", "exit click"};

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
    while (!TryPush(e)) {
        SDL_Delay(1);
    }
}

struct Bouton {
    bool cliquable;
    int x, y;
};

// Whether the menu will give the button an area: it measures the entry picture, else the normal one.
Bouton Mesure(const char* entree, const char* normal, int y) {
    SDL_Surface* s = LireImage(entree, nullptr);
    if (s == nullptr) {
        s = LireImage(normal, nullptr);
    }
    Bouton b{s != nullptr && s->w > 0 && s->h > 0, 530, y + (s != nullptr ? s->h / 2 : 0)};
    SDL_FreeSurface(s);
    return b;
}

// Any mouse button ends the final wait and the red card; a right click at the corner does nothing anywhere else
// past the title.
SDL_Event CoinDroit() {
    return Click(SDL_BUTTON_RIGHT, 5, 5);
}

// The road's script, on the game's clock: its steps run in turn at the game's clock reads, polls and waits,
// each until it says it is done.
using Pas = std::function<bool(Uint32)>;
class Script : public Schedule {
  public:
    explicit Script(std::vector<Pas> pas) : pas_(std::move(pas)) {}
    void Turn(Uint32 now) override {
        while (n_ < pas_.size() && pas_[n_](now)) {
            ++n_;
        }
    }

  private:
    std::vector<Pas> pas_;
    size_t n_ = 0;
};

// Done once a text box waits: a wait takes events at once, and a burst of 16 key releases gone in under 300 ms
// cannot have been taken by a box still typing (it would need 15 steps of 51 ms). Not pointer moves: the box
// keeps those out of the queue.
Pas Tape() {
    return [debut = Schedule::kNever](Uint32 now) mutable {
        if (Pending() != 0) {
            return false;
        }
        if (debut != Schedule::kNever && now - debut < 300) {
            return true;
        }
        debut = now;
        Push(std::vector<SDL_Event>(16, KeyUp(SDLK_a)));
        return false;
    };
}

std::vector<Pas> Pilote(Bouton sortir, Bouton nouvelle, Bouton charger, bool texteEntier) {
    std::vector<Pas> pas = {[](Uint32) { return SDL_GetVideoSurface() != nullptr; }};
    auto pousse = [&pas](int e, std::vector<SDL_Event> evenements) {
        pas.push_back([e, evenements](Uint32) {
            etape = e;
            Push(evenements);
            return true;
        });
    };
    auto vide = [&pas] { pas.push_back([](Uint32) { return Pending() == 0; }); };
    // The menu is up once the game's filter lets the pointer's moves through, as a player's reach it there.
    auto menu = [&pas] {
        pas.push_back([](Uint32) {
            SDL_Event m = Motion(5, 5);
            SDL_EventFilter filtre = SDL_GetEventFilter();
            return filtre == nullptr || filtre(&m) != 0;
        });
    };
    pousse(1, {Key(SDLK_a)});
    menu();
    pousse(2, {CoinDroit(), Motion(sortir.x, sortir.y), Motion(nouvelle.x, nouvelle.y), Motion(charger.x, charger.y)});
    if (charger.cliquable) {
        pousse(3, {Click(SDL_BUTTON_LEFT, charger.x, charger.y)});
        if (texteEntier) {
            pas.push_back(Tape());
        }
        // Else its first step has read the box's picture, its tick and the font: Escape cuts it there.
        pousse(4, {texteEntier ? Key(SDLK_a) : Key(SDLK_ESCAPE), CoinDroit()});
    }
    if (nouvelle.cliquable) {
        pousse(5, {Click(SDL_BUTTON_LEFT, nouvelle.x, nouvelle.y)});
        // Escape cuts every line at its first step and the fades drop what they read; the last of the ten
        // monologue boxes announces the final wait, which ignores keys.
        pas.push_back([](Uint32) {
            etape = 6;
            if (Pending() == 0) {
                Push(Key(SDLK_ESCAPE));
            }
            return Compte("#INIT Chaine", "#apr\xe8s le !") >= 10;
        });
        pousse(6, {Key(SDLK_ESCAPE)});
        vide();
        pousse(7, {CoinDroit()});
        pousse(8, {CoinDroit()});
    }
    menu();
    pousse(9, {Motion(sortir.x, sortir.y)});
    vide();
    // Without its picture the exit button has no area; Escape is then the menu's way out.
    pas.push_back([sortir](Uint32) {
        routeFinie = true;
        Push(sortir.cliquable ? Click(SDL_BUTTON_LEFT, sortir.x, sortir.y) : Key(SDLK_ESCAPE));
        return true;
    });
    return pas;
}

void FinDeRoute() {
    std::error_code ignore;
    std::filesystem::remove_all(dossierRoute, ignore);
    if (!routeFinie) {
        fprintf(stderr, "\nthe game ended before the road's end, at: %s\n", ETAPES[etape.load()]);
        _exit(4);
    }
    if (residentMaxKb > 0 && SystemResidentKb(true) > residentMaxKb) {
        fprintf(stderr, "\nthe road held %ld kB at its peak\n", SystemResidentKb(true));
        _exit(8);
    }
}

struct Cas {
    std::string nom;
    std::vector<std::string> fichiers;
    Damage degat;
    bool mapBloquee;
    // The test text typed to its end; a spoiled copy's road cuts it at its first step to save 5 s a case.
    bool texteEntier;
    std::string remplacant = ""; // Damage::Replaced: the file put in its place
    std::string dit = "";        // what the game must say about it, when more than the file's name
};

[[noreturn]] void Route(const Cas& cas) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    dossierRoute = MakeDamagedAssetDir(cas.fichiers, cas.degat, 1, cas.remplacant);
    if (dossierRoute.empty() || chdir(dossierRoute.c_str()) != 0) {
        fprintf(stderr, "no scratch run-time directory\n");
        _exit(5);
    }
    if (cas.mapBloquee) {
        std::filesystem::create_directory(FICHIER_MAP);
    }
    // A refused picture costs nothing: the game alone, about 45 MB (the sanitizers' own memory aside).
    if (!SOUS_ASAN && cas.remplacant.find("/crafted/") != std::string::npos &&
        cas.fichiers[0].rfind(".ttf") == std::string::npos) {
        residentMaxKb = 120 * 1024;
    }
    atexit(FinDeRoute);
    SuivreSortie();
    Script script(Pilote(Mesure(IMG_EXIT, IMG_EXIT, 500), Mesure(IMG_NEWGAME, IMG_NEWGAME, 200),
                         Mesure(IMG_LOADGAME_ENTREE, IMG_LOADGAME, 350), cas.texteEntier));
    // A game stuck in a loop that never waits.
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
    if (!cas.dit.empty()) {
        return cas.dit;
    }
    if (cas.fichiers.size() != 1 || cas.degat == Damage::FirstHalf ||
        cas.remplacant.find("/damaged-") != std::string::npos) {
        return "";
    }
    const std::string& f = cas.fichiers[0];
    if (f == IMG_PRINTBOX) {
        return "#ERREUR Erreur de chargement de l'image printbox #ERREUR_END";
    }
    if (f == IMG_DEMOGAME || f == IMG_DEMOGAME_B || f == IMG_WOLF_ZORVIK) {
        return "";
    }
    std::string motif = "#ERREUR .*";
    for (char c : f) {
        motif += c == '.' ? std::string("\\.") : std::string(1, c);
    }
    return motif + " : ";
}

std::vector<Cas> TousLesCas() {
    std::vector<Cas> cas;
    cas.push_back({"AllPresent", {}, Damage::Missing, false, true});
    cas.push_back({"AllMissing", AssetFiles(), Damage::Missing, false, true});
    cas.push_back({"MapNotWritable", {}, Damage::Missing, true, true});
    // Without the three entry pictures the menu has no buttons to click, so the road above ends at Escape: this
    // one goes through every screen with nothing else there.
    std::vector<std::string> saufBoutons;
    for (const std::string& f : AssetFiles()) {
        if (f != IMG_EXIT && f != IMG_NEWGAME && f != IMG_LOADGAME_ENTREE) {
            saufBoutons.push_back(f);
        }
    }
    cas.push_back({"AllMissingButMenuButtons", saufBoutons, Damage::Missing, false, true});
    for (Damage d : {Damage::Missing, Damage::Empty, Damage::FirstHalf, Damage::RandomBytes}) {
        for (const std::string& f : AssetFiles()) {
            std::string nom = std::string(DamageName(d)) + "_";
            for (char c : f) {
                nom += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
            }
            cas.push_back({nom, {f}, d, false, d == Damage::Missing});
        }
    }
    // Each fault class of the sound corpus (tests/fuzz/) in place of a game sound of its kind.
    for (const auto& [f, remplacant] :
         std::vector<std::pair<std::string, std::string>>{{SND_WIND, "refused-au-rate-4g.wav"},
                                                          {SND_CLICK, "refused-module.wav"},
                                                          {SND_SURVOL, "long/refused-ogg-400-s.ogg"},
                                                          {SND_TIC, "refused-ogg-rate-1.ogg"},
                                                          {SND_TIC, "refused-ogg-rate-22.ogg"},
                                                          {SND_TIC, "refused-ogg-codebook-4m-entries.ogg"},
                                                          {SND_MUSIQUE, "refused-mp3-3-bytes.mp3"},
                                                          {SND_MUSIQUE, "damaged-mp3-layer3.mp3"}}) {
        std::string nom = "Replaced_" + std::filesystem::path(remplacant).stem().string();
        std::replace(nom.begin(), nom.end(), '-', '_');
        cas.push_back(
            {nom, {f}, Damage::Replaced, false, false, DUSKWANE_SOURCE_DIR "/tests/fuzz/corpus/" + remplacant});
    }
    // Each crafted picture and font (tests/crafted/) in place of the files its fault reaches: the game says
    // what it refused and why, and goes on as without the file.
    const std::string enorme = "image de 16383 x 43690 pixels";
    const std::string passes = "image de 64 x 64 pixels en 306 passes";
    const std::string approche = " : le caract\xe8re 65 commence ";
    for (const auto& [f, remplacant, dit] : std::vector<std::array<std::string, 3>>{
             {IMG_TITRE, "refused-huge.jpg", enorme},
             {IMG_NEWGAME_B, "refused-huge.jpg", enorme},
             {IMG_PORTRAIT, "refused-huge.jpg", enorme},
             {IMG_PORTRAIT_B, "refused-huge.png", enorme},
             {IMG_PRINTBOX, "refused-huge.png", enorme},
             {IMG_MENU, "refused-scans.jpg", passes},
             {IMG_EXIT, "refused-scans.jpg", passes},
             {IMG_PRINTBOX, "small-box-1x1.png", "Boite de texte trop petite pour son texte : .*, 1 x 1 pixels"},
             {FONT_TESSMARIN, "refused-bearing.ttf", approche + "60 pixels"},
             {FONT_VOLTER, "refused-bearing.ttf", approche + "36 pixels"},
             {FONT_TESSMARIN, "refused-line.ttf", "Tessmarin\\.ttf : lignes de "},
         }) {
        std::string nom = "Replaced_" + remplacant.substr(0, remplacant.find('.')) + "_" + f;
        std::replace_if(
            nom.begin(), nom.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
        cas.push_back(
            {nom, {f}, Damage::Replaced, false, false, DUSKWANE_SOURCE_DIR "/tests/crafted/" + remplacant, dit});
    }
    return cas;
}

void PrintTo(const Cas& cas, std::ostream* os) {
    *os << cas.nom;
}

class Road : public ::testing::TestWithParam<Cas> {};

// Whether a spoiled file has a twin name differing only in case (loadGame.jpg, loadgame.jpg) that is
// left whole.
bool JumeauDeCasse(const std::vector<std::string>& fichiers) {
    auto bas = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
        return s;
    };
    for (const std::string& f : fichiers) {
        for (const std::string& a : AssetFiles()) {
            if (a != f && bas(a) == bas(f) && std::find(fichiers.begin(), fichiers.end(), a) == fichiers.end()) {
                return true;
            }
        }
    }
    return false;
}

TEST_P(Road, FromTitleThroughLoadAndIntroToExitButton) {
    if (!kCasseDistinguee && JumeauDeCasse(GetParam().fichiers)) {
        GTEST_SKIP() << "file names ignore case here: " << GetParam().fichiers[0]
                     << " and its twin are one file, which cannot be spoiled alone";
    }
    // Under valgrind the road runs in the test process itself, whose status is then the game's.
    if (getenv("DUSKWANE_ROAD_IN_PROCESS") != nullptr) {
        Route(GetParam());
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(Route(GetParam()), ::testing::ExitedWithCode(0), Signalement(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Assets, Road, ::testing::ValuesIn(TousLesCas()),
                         [](const ::testing::TestParamInfo<Cas>& info) { return info.param.nom; });

// Every crafted file through the game's own loaders: good-* loads at the size in its name, refused-* is
// refused before it is decoded or drawn, with the line naming it and why; the game's own fonts open.
TEST(CraftedFiles, LoadAtTheirSizeOrAreRefusedByTheirHeader) {
    ASSERT_EQ(0, TTF_Init());
    const std::string dossier = DUSKWANE_SOURCE_DIR "/tests/crafted/";
    const std::vector<std::tuple<std::string, int, int, std::string>> images = {
        {"good-3x2.png", 3, 2, ""},
        {"good-3x2.gif", 3, 2, ""},
        {"good-3x2.bmp", 3, 2, ""},
        {"good-3x2-os2.bmp", 3, 2, ""},
        {"good-3x2-be.tif", 3, 2, ""},
        {"good-3x2.ppm", 3, 2, ""},
        {"good-64x64-progressive.jpg", 64, 64, ""},
        {"refused-huge.jpg", 0, 0, "image de 16383 x 43690 pixels, plus de 4240 sur un c\xf4t\xe9"},
        {"refused-huge.png", 0, 0, "image de 16383 x 43690 pixels, plus de 4240 sur un c\xf4t\xe9"},
        {"refused-scans.jpg", 0, 0, "image de 64 x 64 pixels en 306 passes, plus de 100"},
        {"refused-empty.gif", 0, 0, "image de 0 x 0 pixels, vide"},
        {"refused-unended.gif", 0, 0, "image GIF ab\356m\351e"},
        {"refused-code-size.gif", 0, 0, "image GIF ab\356m\351e"},
        {"refused-control-block.gif", 0, 0, "image GIF ab\356m\351e"},
        {"good-zero-width.ttf", 0, 0, "format d'image inconnu ou taille illisible"},
    };
    for (const auto& [nom, largeur, hauteur, raison] : images) {
        const std::string chemin = dossier + nom;
        SDL_Surface* seule = raison.empty() ? IMG_Load(chemin.c_str()) : nullptr;
        SDL_FreeSurface(seule);
        if (raison.empty() && seule == nullptr) {
            continue; // a format this system's SDL_image does not read (the Windows build reads no GIF, TIFF, PNM)
        }
        SDL_Surface* image = nullptr;
        const std::string dit = CaptureStdout([&, &chemin = chemin] { image = ChargerImage(chemin.c_str()); });
        EXPECT_EQ(raison.empty()
                      ? ""
                      : "\n#ERREUR Erreur de chargement de l'image " + chemin + " : " + raison + " #ERREUR_END",
                  dit);
        EXPECT_EQ(largeur, image != nullptr ? image->w : 0) << nom;
        EXPECT_EQ(hauteur, image != nullptr ? image->h : 0) << nom;
        SDL_FreeSurface(image);
    }
    const std::string runtime = DUSKWANE_RUNTIME_DIR "/";
    const std::vector<std::tuple<std::string, int, std::string>> polices = {
        {runtime + FONT_TESSMARIN, 100, ""},
        {runtime + FONT_TESSMARIN, 50, ""},
        {runtime + FONT_VOLTER, 30, ""},
        {dossier + "good-zero-width.ttf", 50, ""},
        {dossier + "refused-bearing.ttf", 50,
         "le caract\xe8re 65 commence 60 pixels avant son origine, plus que l'avance 25"},
        // 625 pixels high here, 624 with the Windows build's FreeType.
        {dossier + "refused-line.ttf", 30, "lignes de 62"},
    };
    for (const auto& [chemin, taille, raison] : polices) {
        TTF_Font* police = nullptr;
        const std::string dit =
            CaptureStdout([&, &chemin = chemin, taille = taille] { police = OuvrirPolice(chemin.c_str(), taille); });
        const std::string debut = "\n#ERREUR Erreur de chargement de la police " + chemin + " : " + raison;
        const std::string fin = " #ERREUR_END";
        EXPECT_TRUE(raison.empty() ? dit.empty()
                                   : dit.rfind(debut, 0) == 0 && dit.size() >= debut.size() + fin.size() &&
                                         dit.compare(dit.size() - fin.size(), fin.size(), fin) == 0)
            << dit;
        EXPECT_EQ(raison.empty(), police != nullptr) << chemin;
        if (police != nullptr) {
            TTF_CloseFont(police);
        }
    }
    TTF_Quit();
}

// ---------------------------------------------------------------------------
// Floods: ten thousand random events at one kind of screen, entered again each
// time it leaves, then a close request.

constexpr int CRUE = 10000;

// One random event: pointer moves anywhere (off the screen too), key and button releases, and with the
// probability `pressions` a press: any key (F11 and Escape often) or, when `boutons`, any mouse button or
// wheel step.
SDL_Event Hasard(std::mt19937& rng, double pressions, bool boutons) {
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::uniform_int_distribution<int> x(0, 1300), y(0, 900), bouton(1, 5), sorte(0, 2);
    const SDLKey touches[] = {SDLK_ESCAPE, SDLK_F11, SDLK_a, SDLK_RETURN, SDLK_SPACE, SDLK_UP, SDLK_F1, SDLK_z};
    auto touche = [&]() -> SDLKey {
        const int k = std::uniform_int_distribution<int>(0, 9)(rng);
        return k < 8 ? touches[k] : static_cast<SDLKey>(std::uniform_int_distribution<int>(1, SDLK_LAST - 1)(rng));
    };
    if (u(rng) < pressions) {
        if (boutons && u(rng) < 0.5) {
            return Click(bouton(rng), x(rng), y(rng));
        }
        return Key(touche());
    }
    switch (sorte(rng)) {
    case 0:
        return KeyUp(touche());
    case 1:
        return Release(bouton(rng), x(rng), y(rng));
    default:
        return Motion(x(rng), y(rng));
    }
}

// Pushes CRUE random events as fast as the queue takes them; once they are all taken,
// `fin` whenever the queue is empty, so the screen's last visit ends.
struct Crue : Schedule {
    Crue(double pressions, bool boutons, SDL_Event fin) : pressions_(pressions), boutons_(boutons), fin_(fin) {}
    void Turn(Uint32) override {
        for (; i_ < CRUE && Pending() < kQueueRoom; ++i_) {
            const SDL_Event e = Hasard(rng_, pressions_, boutons_);
            f11_ += e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_F11;
            Push(e);
            // Measured once the screen has been through its first visits.
            memoire_ = i_ == CRUE / 5 ? ResidentKb() : memoire_;
        }
        if (i_ == CRUE && Pending() == 0) {
            fini_ = true;
            Push(fin_);
        }
    }
    double pressions_;
    bool boutons_;
    SDL_Event fin_;
    std::mt19937 rng_{2024};
    int i_ = 0, f11_ = 0;
    bool fini_ = false;
    long memoire_ = -1;
};

// Runs in the death-test child: the flood, then the checks, then a close request that must end the process.
template <typename Visite>
[[noreturn]] void Inonde(double pressions, bool boutons, SDL_Event fin, bool compteF11, Visite visite) {
    int visites = 0;
    Crue crue(pressions, boutons, fin);
    // Once the flood is all taken only `fin` comes: what is left after the last visit is `fin` alone.
    do {
        visite();
        ++visites;
    } while (!crue.fini_);
    SDL_Event reste[128];
    SDL_PeepEvents(reste, 128, SDL_GETEVENT, SDL_ALLEVENTS);
    const int f11 = crue.f11_;
    const long croissance = ResidentKb() - crue.memoire_;
    fprintf(stderr, "%d visits, %d F11, %ld kB grown\n", visites, f11, croissance);
    if (!SOUS_ASAN && croissance > 6 * 1024) {
        fprintf(stderr, "memory grew by %ld kB under the flood\n", croissance);
        _exit(7);
    }
    // Every F11 press reached a loop that toggles on it.
    if (compteF11 && (fullScreen != f11 % 2 || ((EcranActuel()->flags & SDL_FULLSCREEN) != 0) != (f11 % 2 == 1))) {
        fprintf(stderr, "%d F11 presses left fullScreen at %d\n", f11, fullScreen);
        _exit(8);
    }
    Push(Quit());
    visite();
    fprintf(stderr, "the close request did not end the process\n");
    _exit(3);
}

class Flood : public GameTest {};

TEST_F(Flood, TitleEnteredAgainOnEveryPress) {
    EXPECT_EXIT(Inonde(0.01, true, Key(SDLK_a), true, [&] { StartPage(EcranActuel(), systeme); }),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(Flood, MenuEnteredAgainWhenItLeaves) {
    EXPECT_EXIT(Inonde(0.3, true, Key(SDLK_ESCAPE), true, [&] { Menu(EcranActuel(), systeme); }),
                ::testing::ExitedWithCode(0), "");
}

[[noreturn]] void InondeBoite(FMOD_SYSTEM* systeme) {
    TTF_Font* police = TTF_OpenFont(FONT_VOLTER, TAILLE_POLICE_MENU);
    const SDL_Color rouge = {ROUGE_MENU[0], ROUGE_MENU[1], ROUGE_MENU[2], 0};
    Inonde(0.01, true, Key(SDLK_a), true,
           [&] { CaptureStdout([&] { TxtBox_Print(EcranActuel(), systeme, "Oui !", police, rouge); }); });
}

TEST_F(Flood, TextBoxTypingAndWaiting) {
    EXPECT_EXIT(InondeBoite(systeme), ::testing::ExitedWithCode(0), "");
}

// The pointer moved hard while a line types: SDL's own motion events, more in one frame than its queue holds,
// then the window's close request, which a full queue would drop.
TEST_F(Flood, TextBoxPointerMotionThenCloseRequest) {
    OnFlip([](SDL_Surface*) {
        for (int i = 0; i < 200; ++i) {
            SDL_WarpMouse(static_cast<Uint16>(i), static_cast<Uint16>(i));
        }
        if (!TryPush(Quit())) {
            _exit(3);
        }
    });
    EXPECT_EXIT(TxtBox_Print(ecran, systeme, TEXTE_TEST, nullptr, SDL_Color{}), ::testing::ExitedWithCode(0), "");
}

// The fades read one event per step and drop it, the final wait takes everything but a mouse button: the
// flood keeps the queue full through the whole intro and its last events go to the final wait.
TEST_F(Flood, IntroFadesAndFinalWait) {
    EXPECT_EXIT(Inonde(0.6, false, Click(SDL_BUTTON_LEFT, 5, 5), false,
                       [&] { CaptureStdout([&] { IntroGame(EcranActuel(), systeme); }); }),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(Flood, HundredF11InARowLeaveTheModeTheCountSays) {
    for (int presses : {100, 101}) {
        fullScreen = 0;
        ecran = SetDisplayMode();
        for (int i = 0; i < presses; ++i) {
            Push(Key(SDLK_F11));
        }
        Push(Key(SDLK_ESCAPE));
        EXPECT_EQ(EXIT, Menu(ecran, systeme));
        EXPECT_EQ(presses % 2, fullScreen) << presses;
        ASSERT_NE(nullptr, EcranActuel());
        EXPECT_EQ(presses % 2 == 1, (EcranActuel()->flags & SDL_FULLSCREEN) != 0) << presses;
        EXPECT_EQ(1060, EcranActuel()->w);
        EXPECT_EQ(740, EcranActuel()->h);
    }
}

// ---------------------------------------------------------------------------
// Stop signals (POSIX): a terminate, interrupt or hang-up signal at any screen
// ends the game as a close request does, with status 0, and its standard
// output, a file read once the game has ended, holds all it printed before.
// Pictures and fonts are missing (the screens print their #ERREUR lines) but
// the menu's buttons; the sounds and the screen's pixels tell where it is.

const char* const MARQUE = "\n#SIGNAL envoy\xe9";

// The screen's pixel, read without locking the surface the game draws into.
Rgb Vu(int x, int y) {
    SDL_Surface* e = EcranActuel();
    Uint32 v = 0;
    Uint8 r = 0, g = 0, b = 0;
    if (e == nullptr) {
        return Rgb{-1, -1, -1};
    }
    memcpy(&v, static_cast<const Uint8*>(e->pixels) + y * e->pitch + x * 4, sizeof v);
    SDL_GetRGB(v, e->format, &r, &g, &b);
    return Rgb{r, g, b};
}

// Starts asked for on `canal` (-1: a free one) of the sound `chemin`.
int Departs(int canal, const char* chemin) {
    int n = 0;
    for (int i = 0; i < SoundLogCount(); ++i) {
        n += SoundLogEntry(i).requested == canal && std::string(SoundLogEntry(i).path) == chemin;
    }
    return n;
}

template <typename Condition> void Attend(Condition condition) {
    while (!condition()) {
        SDL_Delay(2);
    }
}

// The road through SDL_main on the game's clock: the title, the red card of the missing menu background, the
// menu, the test text being typed, its key-or-click wait, the intro's white-out (every dialogue line cut by
// Escape), its final wait. Each step runs at the game's clock reads, polls and waits until it is done.
enum { TITRE, CARTE, MENU, FRAPPE, ATTENTE, FONDU, ATTENTE_FINALE };

std::vector<Pas> Chemin(int arret) {
    std::vector<Pas> pas;
    auto attend = [&pas](std::function<bool()> c) { pas.push_back([c](Uint32) { return c(); }); };
    auto pousse = [&pas](std::vector<SDL_Event> e) {
        pas.push_back([e](Uint32) {
            Push(e);
            return true;
        });
    };
    // Escape for every text box, at its first step, and for the fades, which drop it.
    auto echappe = [] {
        if (Pending() == 0) {
            Push(Key(SDLK_ESCAPE));
        }
    };
    attend([] { return Departs(FMOD_CHANNEL_FREE, SND_WIND) > 0; });
    if (arret >= CARTE) {
        pousse({Key(SDLK_a)});
        attend([] { return Vu(530, 10) == Rgb{250, 0, 0}; });
    }
    if (arret >= MENU) {
        pousse({CoinDroit()});
        attend([] { return Departs(2, SND_WIND) > 0; });
    }
    if (arret >= FRAPPE) {
        pousse({Click(SDL_BUTTON_LEFT, 530, 350 + 5)});
        attend([] { return Departs(1, SND_TIC) > 0; });
    }
    if (arret >= ATTENTE) {
        pas.push_back(Tape());
    }
    if (arret >= FONDU) {
        pousse({Key(SDLK_a), CoinDroit()});
        attend([] { return Departs(2, SND_WIND) > 1; });
        pousse({Click(SDL_BUTTON_LEFT, 530, 200 + 5)});
        attend([echappe] {
            echappe();
            const Rgb c = Vu(0, 0);
            return c.r == c.b && c.r > 0 && c.r < 200;
        });
    }
    if (arret >= ATTENTE_FINALE) {
        // The foot of the screen, once the screen is white: the exclamation's box, black under the missing second
        // portrait, the monologue's boxes, and black for good in the final wait.
        pas.push_back([echappe, vus = 0](Uint32) mutable {
            echappe();
            const bool noir = Vu(530, 740 - 5) == Rgb{0, 0, 0};
            vus += vus == 0 ? Vu(0, 0).r >= 250 : noir == (vus % 2 == 1);
            return vus == 4;
        });
    }
    return pas;
}

// Sends the stop signal twice, the second while the first is being honoured; the game has 20 s to end.
void Signale(int signal) {
    printf("%s", MARQUE);
    kill(getpid(), signal);
    std::thread([signal] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        kill(getpid(), signal);
        std::this_thread::sleep_for(std::chrono::seconds(20));
        fprintf(stderr, "the game is still running 20 s after the stop signal\n");
        _exit(7);
    }).detach();
}

// The game's own start-up, for the screens its main loop never shows.
void DemarreCommeLeJeu() {
    atexit(SDL_Quit);
    PlatformStopRequestsAsQuit();
    if (SDL_Init(SDL_INIT_VIDEO) < 0 || SetDisplayMode() == nullptr) {
        _exit(5);
    }
}

struct Arret {
    std::string nom;
    int signal;
    std::function<void()> jeu;    // on the main thread
    std::function<void()> amene;  // from a thread of the test's, in real time: returns once the game is there
    std::string ligne;            // printed by the game before the signal,
    int fois;                     // at least this many times
    std::vector<Pas> chemin = {}; // or, without `amene`, the road there on the game's clock
};

// The game started as it starts, held back (before its window, or before it reads its queue) until Lacher.
std::atomic<bool> tenu{true};
void Tenir() {
    while (tenu) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Ends the hold 200 ms after the signals, far longer than the 10 ms between two tries of the close request.
void Lacher() {
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        tenu = false;
    }).detach();
}

void PrintTo(const Arret& cas, std::ostream* os) {
    *os << cas.nom;
}

std::vector<Arret> ArretsPartout() {
    const auto jeu = [] { SDL_main(0, nullptr); };
    return {
        // SDL is up and the window not there yet.
        {"StartUp", SIGTERM, jeu, [] { Attend([] { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }); }, "", 0},
        {"Title", SIGTERM, jeu, nullptr, "#ERREUR", 2, Chemin(TITRE)},
        {"ColourCard", SIGINT, jeu, nullptr, "#ERREUR", 3, Chemin(CARTE)},
        {"Menu", SIGHUP, jeu, nullptr, "#ERREUR", 3, Chemin(MENU)},
        {"TextBoxTyping", SIGTERM, jeu, nullptr, "#ERREUR Pas de police", 1, Chemin(FRAPPE)},
        {"KeyOrClickWait", SIGINT, jeu, nullptr, "#int tailleChaine", 1, Chemin(ATTENTE)},
        {"WhiteOut", SIGHUP, jeu, nullptr, "#INIT Chaine", 9, Chemin(FONDU)},
        {"FinalWait", SIGTERM, jeu, nullptr, "#INIT Chaine", 20, Chemin(ATTENTE_FINALE)},
        // Past the black card of the missing background; the second redraw shows the exit button.
        {"DemoMenu", SIGINT, [] { DemarreCommeLeJeu(), DemoMenu(EcranActuel(), nullptr); },
         [] {
             Pousse(CoinDroit()), Pousse(Motion(5, 5)), Pousse(Motion(5, 5));
             Attend([] { return Vu(530, 350 + 5).r > 0; });
         },
         "rsrc_img/Menu/demogame.jpg", 1},
        {"LoadGameScreen", SIGHUP, [] { DemarreCommeLeJeu(), JeuMain(EcranActuel(), nullptr, LOAD_GAME); },
         [] { Attend([] {
                  return Vu(530, 10) == Rgb{0, 100, 0};
              }); }, "", 0},
        // The close request cannot be queued for a while: no window yet, or a queue full of key releases.
        {"WindowHeldBack", SIGTERM,
         [] {
             atexit(SDL_Quit), PlatformStopRequestsAsQuit();
             if (SDL_Init(SDL_INIT_VIDEO) < 0 || (Tenir(), SetDisplayMode()) == nullptr) {
                 _exit(5);
             }
             for (;;) {
                 WaitEvent();
             }
         },
         [] { Attend([] { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }), Lacher(); }, "", 0},
        {"QueueFull", SIGINT,
         [] {
             DemarreCommeLeJeu(), Tenir();
             for (;;) {
                 WaitEvent();
             }
         },
         [] {
             // Once the pointer filter is in place: setting it takes what waits in the queue out and back.
             Attend([] { return SDL_GetEventFilter() != nullptr; });
             while (TryPush(KeyUp(SDLK_a))) {
             }
             Lacher();
         },
         "", 0},
    };
}

[[noreturn]] void ArretEnfant(const Arret& cas, const std::string& fichier) {
    // A road runs on the game's clock up to the signal, which comes in real time; the rest runs in real time.
    WallClock(cas.chemin.empty());
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::vector<std::string> images;
    for (const std::string& f : AssetFiles()) {
        if (f.rfind("rsrc_img/", 0) == 0 && f != IMG_EXIT && f != IMG_NEWGAME && f != IMG_LOADGAME_ENTREE) {
            images.push_back(f);
        }
    }
    dossierRoute = MakeDamagedAssetDir(images, Damage::Missing);
    if (dossierRoute.empty() || chdir(dossierRoute.c_str()) != 0 || freopen(fichier.c_str(), "w", stdout) == nullptr) {
        _exit(5);
    }
    routeFinie = true;
    atexit(FinDeRoute); // removes the scratch directory
    // The test's threads leave the stop signals to the game: they start with every signal blocked.
    sigset_t tous, avant;
    sigfillset(&tous);
    pthread_sigmask(SIG_BLOCK, &tous, &avant);
    // However slow the machine, the whole test ends here rather than at CTest's timeout.
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::seconds(120));
        fprintf(stderr, "the game was not brought to its screen and stopped within 120 s\n");
        _exit(6);
    }).detach();
    if (cas.amene) {
        std::thread([&cas] {
            cas.amene();
            Signale(cas.signal);
        }).detach();
    }
    std::vector<Pas> chemin = cas.chemin;
    chemin.push_back([&cas](Uint32) {
        WallClock(true); // the stop request comes from a real signal, in real time
        Signale(cas.signal);
        return true;
    });
    Script script(cas.amene ? std::vector<Pas>{} : chemin);
    pthread_sigmask(SIG_SETMASK, &avant, nullptr);
    cas.jeu();
    _exit(4);
}

class StopSignal : public ::testing::TestWithParam<Arret> {};

TEST_P(StopSignal, EndsTheGameLikeACloseRequestWithItsOutputWhole) {
    if (!kSignauxPosix) {
        GTEST_SKIP() << "no POSIX signals here: the game's stop requests are console events";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string fichier = std::string(DUSKWANE_RUNTIME_DIR) + "/stop-" + GetParam().nom + ".out";
    EXPECT_EXIT(ArretEnfant(GetParam(), fichier), ::testing::ExitedWithCode(0), "");
    const std::string sortie = ReadFile(fichier), &ligne = GetParam().ligne;
    std::remove(fichier.c_str());
    const size_t marque = sortie.find(MARQUE);
    ASSERT_NE(std::string::npos, marque) << "standard output:\n" << sortie;
    int fois = 0;
    for (size_t pos = sortie.find(ligne); !ligne.empty() && pos < marque; pos = sortie.find(ligne, pos + 1)) {
        ++fois;
    }
    EXPECT_GE(fois, GetParam().fois) << ligne << " in:\n" << sortie;
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignal, ::testing::ValuesIn(ArretsPartout()),
                         [](const ::testing::TestParamInfo<Arret>& info) { return info.param.nom; });

// ---------------------------------------------------------------------------
// Start-up in a poor environment.

[[noreturn]] void Demarre() {
    dup2(2, 1); // so the death test reads what the game prints
    char modele[] = "/tmp/duskwane-start-XXXXXX";
    if (mkdtemp(modele) == nullptr || chdir(modele) != 0) {
        _exit(5);
    }
    const int status = SDL_main(0, nullptr);
    fflush(stdout);
    std::error_code ignore;
    std::filesystem::remove_all(modele, ignore);
    _exit(status);
}

TEST(StartUpFaults, X11WithoutDisplayEndsWithTheSdlLineAndStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "x11", 1);
            unsetenv("DISPLAY");
            Demarre();
        },
        ::testing::ExitedWithCode(1), "Unable to init SDL: .+\n$");
}

TEST(StartUpFaults, NoAudioDeviceEndsWithTheSoundLineAndStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            setenv("SDL_AUDIODRIVER", "nosuchdriver", 1);
            Demarre();
        },
        ::testing::ExitedWithCode(1), "Unable to load fmodex$");
}

} // namespace
