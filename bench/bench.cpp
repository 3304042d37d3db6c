// Duskwane's benchmark: the real screens, run headless with the dummy video
// and audio drivers, driven by events pushed from threads and timed from the
// outside (the sound log, the screen's pixels, the event queue), so no game
// code carries any timing hook.
//
//     cd build && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ./duskwane_bench
//
// One line per figure: median and worst over repeated runs, the target, and
// "ok" or "MISSED".
#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "constantes.h"
#include "display.h"
#include "events.h"
#include "main.h"
#include "sdlTxt.h"
#include "sound.h"
#include "system.h"

extern char** environ;

namespace {

// How much of each screen the benchmark runs.
constexpr int RUNS_TEXTE = 3;
constexpr int LONGUEUR_TEXTE = 100;
constexpr int RUNS_FONDU = 3;
constexpr int RUNS_TITRE = 2;
constexpr int PHASES_TITRE = 8;
constexpr int RUNS_MENU = 5;
constexpr int MS_MESURE_MENU = 2000;
constexpr int MS_CHAUFFE_MENU = 300;
constexpr int IMAGES_TRAVAIL_NU = 300;
// The pointer sweeps down the middle of the screen, over the three buttons and the gaps between them.
constexpr int Y_HAUT_BALAYAGE = Y_BOUTON_NEWGAME - 50;
constexpr int Y_BAS_BALAYAGE = Y_BOUTON_EXIT + 150;
constexpr int RUNS_DEMARRAGE = 7;
constexpr int ENTREES_MEMOIRE_DEBUT = 20;
constexpr int ENTREES_MEMOIRE_FIN = 500;
constexpr int BLOC_MEMOIRE = 80;
// Where the white-out is watched: top left, away from the text box and the portrait.
constexpr int FONDU_X = 10;
constexpr int FONDU_Y = 10;
// Quiet this long, a screen is waiting for its answer; a lost answer is sent again after MS_RELANCE.
constexpr double MS_SILENCE = 300;
constexpr double MS_RELANCE = 200;
constexpr Uint32 MS_RELANCE_INTRO = 25;
constexpr const char* ARG_DEMARRAGE = "--demarrage";
constexpr const char* MARQUE_VENT = "#BENCH_VENT ";

using Horloge = std::chrono::steady_clock;

double Ms(Horloge::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void Dormir(int microsecondes) {
    std::this_thread::sleep_for(std::chrono::microseconds(microsecondes));
}

double Mediane(std::vector<double> v) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}
double Min(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}
double Max(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

int manques = 0;
// The figures go to the original standard output; the game's own debugging lines would drown them.
FILE* figures = stdout;

void Figure(const char* nom, const std::string& valeurs, const std::string& cible, bool atteinte,
            const std::string& detail) {
    if (!atteinte) {
        ++manques;
    }
    // Tab-separated, for scripts/bench.sh to set the runs side by side.
    fprintf(figures, "%s\t%s\t%s\t%s\t%s\n", nom, valeurs.c_str(), cible.c_str(), atteinte ? "ok" : "MISSED",
            detail.c_str());
    fflush(figures);
}

std::string Format(const char* fmt, double a, double b = 0, double c = 0, double d = 0) {
    char tampon[200];
    snprintf(tampon, sizeof tampon, fmt, a, b, c, d);
    return tampon;
}

// Pushes, waiting for room in SDL's 128-event queue.
void Pousser(SDL_Event e) {
    while (SDL_PushEvent(&e) != 0) {
        SDL_Delay(1);
    }
}

void Vider() {
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) {
    }
}

Uint32 PixelBrut(SDL_Surface* s, int x, int y) {
    Uint32 v = 0;
    memcpy(&v, static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * 4, sizeof v);
    return v;
}

// Processor time of the whole process (every thread), for a screen's share of one core.
double ProcesseurMs() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000.0 + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1000.0;
}

// One screen's processor use: process time over wall time while it ran, in % of one core.
struct Charge {
    double processeur = 0;
    double mur = 0;
    Horloge::time_point debut;
    double debutCpu = 0;
    void Debut() {
        debut = Horloge::now();
        debutCpu = ProcesseurMs();
    }
    void Fin() {
        processeur += ProcesseurMs() - debutCpu;
        mur += Ms(Horloge::now() - debut);
    }
};
void FigureCharge(const char* ecranNom, const Charge& c) {
    std::string nom = std::string("cpu ") + ecranNom;
    Figure(nom.c_str(), Format("%.0f %% of one core", c.mur > 0 ? 100 * c.processeur / c.mur : 0), "-", true,
           Format("[%.0f ms of processor over %.0f ms]", c.processeur, c.mur));
}

// ------------------------------------------------------ what the game shows
// The benchmark is linked with SDL_Flip wrapped: every frame the game shows
// passes here, is shown, and is noted with the time it was shown and what a
// probe reads in it. Nothing polls the screen from another thread, so the
// figures need no allowance for a watcher held back, and the processor use is
// the game's own.
struct Image {
    double ms; // since the start of the benchmark, on the system's monotonic clock
    int etat;
};
const Horloge::time_point origine = Horloge::now();
std::vector<Image> images;
std::atomic<int> nombreImages{0};
std::atomic<long> flips{0};
int (*sondeImage)(SDL_Surface*) = nullptr;
// Every frame, or only those whose probe reading differs from the frame before.
bool toutesLesImages = false;

void Observer(int (*sonde)(SDL_Surface*), bool toutes) {
    images.clear();
    images.reserve(1 << 16);
    nombreImages = 0;
    toutesLesImages = toutes;
    sondeImage = sonde;
}

} // namespace

extern "C" int __real_SDL_Flip(SDL_Surface* ecran);
extern "C" int __wrap_SDL_Flip(SDL_Surface* ecran) {
    const int r = __real_SDL_Flip(ecran);
    flips.fetch_add(1);
    if (sondeImage != nullptr) {
        const int e = sondeImage(ecran);
        if (toutesLesImages || images.empty() || images.back().etat != e) {
            images.push_back(Image{Ms(Horloge::now() - origine), e});
            nombreImages = static_cast<int>(images.size());
        }
    }
    return r;
}

namespace {

// The bare library cost of a frame: the whole 1060 x 740 screen filled and flipped.
double CoutRemplirAfficher(SDL_Surface* ecran) {
    std::vector<double> v;
    for (int k = 0; k < IMAGES_TRAVAIL_NU; ++k) {
        Horloge::time_point t = Horloge::now();
        SDL_FillRect(ecran, nullptr, SDL_MapRGB(ecran->format, k & 0xFF, k & 0xFF, k & 0xFF));
        SDL_Flip(ecran);
        v.push_back(Ms(Horloge::now() - t));
    }
    return Mediane(v);
}
double coutNu = 0; // CoutRemplirAfficher, taken once at start

// The sound layer's listener: the time by the game's clock of every tick,
// taken as the tick starts.
std::vector<unsigned int> tics;
std::atomic<int> departsSon{0};
void EcouterSon(int, int canal, const char*, FMOD_MODE, int) {
    if (canal == CANAL_TIC) {
        tics.push_back(SDL_GetTicks());
    }
    departsSon.fetch_add(1);
}
int SoundLogCount() {
    return departsSon.load();
}

// Answers a screen that has gone quiet (no new sound start, no new frame noted
// for MS_SILENCE) with `e`, again every MS_RELANCE, until told to stop.
void Repondre(std::atomic<bool>& fini, SDL_Event e, bool (*pret)()) {
    int vu = -1;
    Horloge::time_point depuis = Horloge::now();
    Horloge::time_point reponse = depuis;
    while (!fini) {
        Dormir(2000);
        const int n = departsSon + nombreImages;
        Horloge::time_point t = Horloge::now();
        if (n != vu) {
            vu = n;
            depuis = t;
        } else if (pret() && Ms(t - depuis) > MS_SILENCE && Ms(t - reponse) > MS_RELANCE) {
            Pousser(e);
            reponse = t;
        }
    }
}

// ---------------------------------------------------------------- text box
// Every typing step starts the tick on channel 1; the listener has its time
// by the game's clock. Once the ticks stop, a key answers the box's wait.
void BancTexte(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    TTF_Font* police = TTF_OpenFont(FONT_VOLTER, TAILLE_POLICE_MENU);
    SDL_Color rouge = {ROUGE_MENU[0], ROUGE_MENU[1], ROUGE_MENU[2], 0};
    std::string texte;
    while (static_cast<int>(texte.size()) < LONGUEUR_TEXTE) {
        texte += TEXTE_TEST;
    }
    texte.resize(LONGUEUR_TEXTE);

    std::vector<double> pas;
    int nombreTics = 0;
    Charge charge;
    for (int run = 0; run < RUNS_TEXTE; ++run) {
        tics.clear();
        tics.reserve(4096);
        departsSon = 0;
        std::atomic<bool> fini{false};
        std::thread repondeur(Repondre, std::ref(fini), evenements::Key(SDLK_SPACE), []() { return departsSon > 0; });
        charge.Debut();
        TxtBox_Print(ecran, systeme, texte.c_str(), police, rouge);
        charge.Fin();
        fini = true;
        repondeur.join();
        for (size_t k = 1; k < tics.size(); ++k) {
            pas.push_back(static_cast<double>(tics[k] - tics[k - 1]));
        }
        nombreTics += static_cast<int>(tics.size());
        Vider();
    }
    if (police != nullptr) {
        TTF_CloseFont(police);
    }
    const double plancher = DELAI_FRAPPE + 1;
    Figure(
        "text box step", Format("median %.0f ms, min %.0f, max %.0f", Mediane(pas), Min(pas), Max(pas)),
        Format("median %.0f..%.0f ms, none < %.0f", plancher, plancher + 2, plancher),
        Mediane(pas) >= plancher && Mediane(pas) <= plancher + 2 && Min(pas) >= plancher,
        Format("[%.0f runs of 100 characters, %.0f ticks; game clock at each tick's start]", RUNS_TEXTE, nombreTics));
    FigureCharge("text box", charge);
}

// ------------------------------------------------------------------- fades
// IntroGame whole, its text boxes cut short by Escape and its last black
// screen ended by a click. Every frame is noted with the grey of the top-left
// corner: the white-out is the frames that climb from grey 1 to 254, the
// portrait's fade-in the last 160 white frames before the black one.
int SondeCoin(SDL_Surface* e) {
    Uint8 r = 0, g = 0, b = 0;
    SDL_GetRGB(PixelBrut(e, FONDU_X, FONDU_Y), e->format, &r, &g, &b);
    return (r == g && g == b) ? static_cast<int>(r) : -1;
}

void BancFondu(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    std::vector<double> pas;
    std::vector<double> pasPortrait;
    std::vector<double> totaux;
    Charge charge;
    for (int run = 0; run < RUNS_FONDU; ++run) {
        std::atomic<bool> fini{false};
        std::thread pousseur([&fini]() {
            while (!fini) {
                Pousser(evenements::Key(SDLK_ESCAPE));
                SDL_Delay(MS_RELANCE_INTRO);
                Pousser(evenements::Click(SDL_BUTTON_LEFT, FONDU_X, FONDU_Y));
                SDL_Delay(MS_RELANCE_INTRO);
            }
        });
        Observer(SondeCoin, true);
        charge.Debut();
        IntroGame(ecran, systeme);
        charge.Fin();
        sondeImage = nullptr;
        fini = true;
        pousseur.join();
        Vider();
        // The white-out: grey k shown once per step, from 0 up to its last grey.
        size_t premier = 0, dernier = 0;
        std::vector<double> pasRun;
        for (size_t k = 1; k < images.size(); ++k) {
            if (images[k].etat == images[k - 1].etat + 1 && images[k].etat >= 1 &&
                images[k].etat <= FONDU_BLANC_DERNIER) {
                if (images[k].etat == 1) {
                    premier = k;
                    pasRun.clear();
                }
                if (images[k].etat > 1) {
                    pasRun.push_back(images[k].ms - images[k - 1].ms);
                }
                if (images[k].etat == FONDU_BLANC_DERNIER) {
                    dernier = k;
                    break;
                }
            }
        }
        if (dernier > premier) {
            totaux.push_back(images[dernier].ms - images[premier].ms);
            pas.insert(pas.end(), pasRun.begin(), pasRun.end());
        }
        // The portrait: after the white-out, the frames up to the first black one; its steps are the last 160.
        size_t noir = dernier + 1;
        while (noir < images.size() && images[noir].etat == FONDU_BLANC_DERNIER) {
            ++noir;
        }
        const size_t n = FONDU_PORTRAIT_DERNIER + 1;
        if (dernier > 0 && noir - dernier > n) {
            for (size_t k = noir - n + 1; k < noir; ++k) {
                pasPortrait.push_back(images[k].ms - images[k - 1].ms);
            }
        }
    }
    const double plancher = DELAI_FONDU + 1;
    const double attenduPas = plancher + coutNu;
    Figure(
        "white-out step", Format("median %.2f ms, min %.2f, max %.2f", Mediane(pas), Min(pas), Max(pas)),
        Format("median %.1f +- 2 ms (21 + fill+flip)", attenduPas), std::abs(Mediane(pas) - attenduPas) <= 2,
        Format("[%.0f runs, %.0f steps; bare fill+flip %.2f ms]", RUNS_FONDU, static_cast<double>(pas.size()), coutNu));
    const double attendu = (FONDU_BLANC_DERNIER - 1) * attenduPas;
    Figure(
        "white-out total", Format("median %.0f ms, worst %.0f", Mediane(totaux), Max(totaux)),
        Format("%.0f..%.0f ms", (FONDU_BLANC_DERNIER - 1) * (attenduPas - 2), attendu + 2 * (FONDU_BLANC_DERNIER - 1)),
        !totaux.empty() && Mediane(totaux) <= attendu + 2 * (FONDU_BLANC_DERNIER - 1),
        Format("[grey 1 to %.0f, %.0f runs]", FONDU_BLANC_DERNIER, static_cast<double>(totaux.size())));
    Figure("portrait step",
           Format("median %.2f ms, min %.2f, max %.2f", Mediane(pasPortrait), Min(pasPortrait), Max(pasPortrait)), "-",
           true,
           Format("[%.0f steps in %.0f runs; 21 ms + the fade's blend, blit and flip]",
                  static_cast<double>(pasPortrait.size()), RUNS_FONDU));
    FigureCharge("intro", charge);
}

// ------------------------------------------------------------------- title
// Every frame of the title screen is probed along the prompt's middle row: the
// prompt is shown when many of that row's pixels have its colour. A phase runs
// from the first frame showing one state to the first showing the other.
SDL_Rect ligneInvite;
int seuilInvite = 0;
int SondeInvite(SDL_Surface* e) {
    const Uint32 invite = SDL_MapRGB(e->format, COULEUR_INVITE, COULEUR_INVITE, COULEUR_INVITE);
    int allumes = 0;
    for (int x = ligneInvite.x; x < ligneInvite.x + ligneInvite.w; ++x) {
        allumes += PixelBrut(e, x, ligneInvite.y) == invite;
    }
    return allumes >= seuilInvite ? 1 : 0;
}

void BancTitre(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    TTF_Font* police = TTF_OpenFont(FONT_TESSMARIN, TAILLE_POLICE_TITRE);
    SDL_Color couleur = {COULEUR_INVITE, COULEUR_INVITE, COULEUR_INVITE, 0};
    SDL_Surface* texte = police ? TTF_RenderText_Solid(police, TEXTE_INVITE, couleur) : nullptr;
    SDL_Surface* fond = IMG_Load(IMG_TITRE);
    if (texte == nullptr || fond == nullptr) {
        Figure("title blink phase", "no prompt or picture", "-", false, "");
        return;
    }
    // The prompt's own pixels on its middle row; half of them tell it is shown.
    const int yMilieu = texte->h / 2;
    int pixelsInvite = 0;
    for (int x = 0; x < texte->w; ++x) {
        pixelsInvite += static_cast<const Uint8*>(texte->pixels)[yMilieu * texte->pitch + x] != 0;
    }
    seuilInvite = std::max(1, pixelsInvite / 2);
    const SDL_Rect posTexte = {static_cast<Sint16>((LARGEUR_ECRAN - texte->w) / 2),
                               static_cast<Sint16>((HAUTEUR_ECRAN - texte->h) / 2), static_cast<Uint16>(texte->w),
                               static_cast<Uint16>(texte->h)};
    ligneInvite = {posTexte.x, static_cast<Sint16>(posTexte.y + yMilieu), posTexte.w, 1};

    // The bare cost of the title's redraw at a phase change, done as it does it: clear, the picture
    // as read, the prompt. The flip is not part of it: the title flips in every pass, redraw or not.
    std::vector<double> redessins;
    for (int k = 0; k < IMAGES_TRAVAIL_NU / 3; ++k) {
        Horloge::time_point t = Horloge::now();
        SDL_FillRect(ecran, nullptr, SDL_MapRGB(ecran->format, 0, 0, 0));
        SDL_Rect p = {static_cast<Sint16>((LARGEUR_ECRAN - fond->w) / 2),
                      static_cast<Sint16>((HAUTEUR_ECRAN - fond->h) / 2), 0, 0};
        SDL_BlitSurface(fond, nullptr, ecran, &p);
        SDL_Rect q = posTexte;
        SDL_BlitSurface(texte, nullptr, ecran, &q);
        redessins.push_back(Ms(Horloge::now() - t));
        SDL_Flip(ecran);
    }
    const double redessin = Mediane(redessins);
    SDL_FreeSurface(texte);
    SDL_FreeSurface(fond);
    TTF_CloseFont(police);

    std::vector<double> phases;
    Charge charge;
    for (int run = 0; run < RUNS_TITRE; ++run) {
        std::atomic<bool> fini{false};
        std::thread pousseur([&fini]() {
            while (!fini) {
                Dormir(5000);
                if (nombreImages > PHASES_TITRE + 2) {
                    Pousser(evenements::Key(SDLK_SPACE));
                    return;
                }
            }
        });
        Observer(SondeInvite, false);
        charge.Debut();
        StartPage(ecran, systeme);
        charge.Fin();
        sondeImage = nullptr;
        fini = true;
        pousseur.join();
        Vider();
        // The first frame may still show what was there before the title's first redraw.
        for (size_t k = 2; k < images.size(); ++k) {
            phases.push_back(images[k].ms - images[k - 1].ms);
        }
    }
    const double plancher = DELAI_CLIGNOTEMENT + 1 + redessin;
    Figure("title blink phase", Format("median %.1f ms, min %.1f, max %.1f", Mediane(phases), Min(phases), Max(phases)),
           Format("%.1f +- 4 ms (501 + redraw)", plancher),
           !phases.empty() && std::abs(Mediane(phases) - plancher) <= 4,
           Format("[%.0f runs, %.0f phases; bare redraw %.2f ms; a phase change waits up to a pass, a flip "
                  "(fill+flip %.2f ms)]",
                  RUNS_TITRE, static_cast<double>(phases.size()), redessin, coutNu));
    FigureCharge("title", charge);
}

// -------------------------------------------------------------------- menu
// The queue is kept full of pointer moves over the buttons; the frames are
// counted as they are shown.
void BancMenu(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    std::vector<double> ips;
    std::vector<double> coutsNus;
    const int xBouton = LARGEUR_ECRAN / 2;
    Charge charge;
    for (int run = 0; run < RUNS_MENU; ++run) {
        std::atomic<double> mesure{0};
        std::thread pousseur([&mesure, xBouton]() {
            int y = Y_HAUT_BALAYAGE;
            long debutFlips = 0;
            Horloge::time_point debut = Horloge::now();
            Horloge::time_point depart = debut;
            bool enMesure = false;
            for (;;) {
                Horloge::time_point t = Horloge::now();
                if (!enMesure && Ms(t - depart) >= MS_CHAUFFE_MENU) {
                    enMesure = true;
                    debutFlips = flips;
                    debut = t;
                } else if (enMesure && Ms(t - debut) >= MS_MESURE_MENU) {
                    mesure = (flips - debutFlips) * 1000.0 / Ms(Horloge::now() - debut);
                    break;
                }
                SDL_Event e = evenements::Motion(xBouton, y);
                if (SDL_PushEvent(&e) == 0) {
                    y = y >= Y_BAS_BALAYAGE ? Y_HAUT_BALAYAGE : y + 1;
                } else {
                    SDL_Delay(1);
                }
            }
            Pousser(evenements::Key(SDLK_ESCAPE));
        });
        SDL_FillRect(ecran, nullptr, SDL_MapRGB(ecran->format, 0, 0, 0));
        SDL_Flip(ecran);
        charge.Debut();
        Menu(ecran, systeme);
        charge.Fin();
        pousseur.join();
        Vider();
        ips.push_back(mesure);

        // The work every menu frame must do, done the way the menu does it: the
        // background converted once to the screen's format; each frame three
        // button pictures decoded, the screen cleared, the background put on
        // it, the buttons into the background, the flip.
        SDL_Surface* lu = IMG_Load(IMG_MENU);
        SDL_Surface* fond = lu ? SDL_DisplayFormat(lu) : nullptr;
        SDL_FreeSurface(lu);
        const char* boutons[3] = {IMG_EXIT, IMG_NEWGAME_B, IMG_LOADGAME};
        const int yBoutons[3] = {Y_BOUTON_EXIT, Y_BOUTON_NEWGAME, Y_BOUTON_LOADGAME};
        Horloge::time_point debut = Horloge::now();
        for (int k = 0; k < IMAGES_TRAVAIL_NU && fond != nullptr; ++k) {
            SDL_Surface* planche[3];
            for (int i = 0; i < 3; ++i) {
                planche[i] = IMG_Load(boutons[i]);
            }
            SDL_FillRect(ecran, nullptr, SDL_MapRGB(ecran->format, 0, 0, 0));
            SDL_Rect p = {0, 0, 0, 0};
            SDL_BlitSurface(fond, nullptr, ecran, &p);
            for (int i = 0; i < 3; ++i) {
                if (planche[i] != nullptr) {
                    SDL_Rect b = {static_cast<Sint16>((LARGEUR_ECRAN - planche[i]->w) / 2),
                                  static_cast<Sint16>(yBoutons[i]), 0, 0};
                    SDL_BlitSurface(planche[i], nullptr, fond, &b);
                }
                SDL_FreeSurface(planche[i]);
            }
            SDL_Flip(ecran);
        }
        coutsNus.push_back(Ms(Horloge::now() - debut) / IMAGES_TRAVAIL_NU);
        SDL_FreeSurface(fond);
    }
    const double ipsNu = 1000.0 / Mediane(coutsNus);
    Figure("menu frame rate", Format("median %.0f fps, worst %.0f", Mediane(ips), Min(ips)), "-", true,
           Format("[%.0f runs of %.0f ms, pointer moving over the buttons]", RUNS_MENU, MS_MESURE_MENU));
    Figure("menu bare frame work", Format("median %.3f ms, worst %.3f", Mediane(coutsNus), Max(coutsNus)), "-", true,
           Format("[background in the screen's format; 3 IMG_Load, clear, 4 blits, flip; %.0f fps at most]", ipsNu));
    const double rapport = ipsNu / Mediane(ips);
    Figure("menu cost ratio", Format("%.2f (bare fps / menu fps)", rapport), "<= 1.20", rapport <= 1.2,
           Format("[worst runs: %.2f]", (1000.0 / Max(coutsNus)) / Min(ips)));
    FigureCharge("menu", charge);
}

// ---------------------------------------------------------------- start-up
// A fresh process runs the game's own SDL_main; a thread in it notes the
// moment the wind starts, the title screen then being fully loaded, and
// leaves the title and the menu. The clock is the system's monotonic one,
// shared by both processes.
int DemarrageEnfant(int argc, char** argv) {
    std::thread guetteur([]() {
        while (SoundLogCount() < 1) {
            Dormir(50);
        }
        Horloge::time_point t = Horloge::now();
        printf("%s%lld\n", MARQUE_VENT,
               static_cast<long long>(
                   std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count()));
        fflush(stdout);
        Pousser(evenements::Key(SDLK_SPACE));
        Pousser(evenements::Key(SDLK_ESCAPE));
    });
    guetteur.detach();
    return SDL_main(argc, argv);
}

void BancDemarrage(const char* moi) {
    std::vector<double> durees;
    for (int run = 0; run < RUNS_DEMARRAGE; ++run) {
        int tuyau[2];
        if (pipe(tuyau) != 0) {
            break;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, tuyau[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, tuyau[0]);
        char* args[] = {const_cast<char*>(moi), const_cast<char*>(ARG_DEMARRAGE), nullptr};
        pid_t pid = 0;
        Horloge::time_point t0 = Horloge::now();
        int r = posix_spawn(&pid, moi, &actions, nullptr, args, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(tuyau[1]);
        std::string sortie;
        char tampon[4096];
        ssize_t lus = 0;
        while (r == 0 && (lus = read(tuyau[0], tampon, sizeof tampon)) > 0) {
            sortie.append(tampon, static_cast<size_t>(lus));
        }
        close(tuyau[0]);
        int statut = 0;
        if (r == 0) {
            waitpid(pid, &statut, 0);
        }
        size_t ou = sortie.find(MARQUE_VENT);
        if (ou != std::string::npos) {
            long long us = std::atoll(sortie.c_str() + ou + strlen(MARQUE_VENT));
            long long us0 = std::chrono::duration_cast<std::chrono::microseconds>(t0.time_since_epoch()).count();
            durees.push_back((us - us0) / 1000.0);
        }
    }
    Figure("start-up to title", Format("median %.1f ms, worst %.1f", Mediane(durees), Max(durees)), "< 100 ms",
           durees.size() == RUNS_DEMARRAGE && Max(durees) < 100,
           Format("[%.0f runs: spawn to the wind started, all loaded]", static_cast<double>(durees.size())));
}

// ------------------------------------------------------------------ memory
// The main loop's load-game road, again and again: the menu, a click on load
// game, the text box with an empty text, a key.
void BancMemoire(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    TTF_Font* police = TTF_OpenFont(FONT_VOLTER, TAILLE_POLICE_MENU);
    SDL_Color rouge = {ROUGE_MENU[0], ROUGE_MENU[1], ROUGE_MENU[2], 0};
    // The middle of the load-game button, whose pictures are the size of the stand-in block.
    const SDL_Event clic =
        evenements::Click(SDL_BUTTON_LEFT, LARGEUR_ECRAN / 2, Y_BOUTON_LOADGAME + HAUTEUR_BOUTON_SECOURS / 2);
    long apres20 = 0;
    long blocPrecedent = 0;
    std::vector<double> blocs;
    int charges = 0;
    for (int n = 1; n <= ENTREES_MEMOIRE_FIN; ++n) {
        Pousser(clic);
        // The first key goes to the box's only typing step, the second ends its wait.
        Pousser(evenements::Key(SDLK_SPACE));
        Pousser(evenements::Key(SDLK_SPACE));
        SDL_FillRect(ecran, nullptr, SDL_MapRGB(ecran->format, 0, 0, 0));
        SDL_Flip(ecran);
        charges += Menu(ecran, systeme) == LOAD_GAME;
        TxtBox_Print(EcranActuel(), systeme, "", police, rouge);
        if (n == ENTREES_MEMOIRE_DEBUT) {
            apres20 = blocPrecedent = SystemResidentKb();
        } else if (n > ENTREES_MEMOIRE_DEBUT && (n - ENTREES_MEMOIRE_DEBUT) % BLOC_MEMOIRE == 0) {
            long rss = SystemResidentKb();
            blocs.push_back(static_cast<double>(rss - blocPrecedent));
            blocPrecedent = rss;
        }
    }
    const long apres500 = SystemResidentKb();
    Vider();
    if (police != nullptr) {
        TTF_CloseFont(police);
    }
    const double croissance = static_cast<double>(apres500 - apres20);
    Figure("memory growth", Format("%.0f kB (RSS %.0f kB after 20, %.0f after 500)", croissance, apres20, apres500),
           "< 1024 kB", charges == ENTREES_MEMOIRE_FIN && croissance < 1024,
           Format("[per %.0f entries: median %.0f kB, worst %.0f]", BLOC_MEMOIRE, Mediane(blocs), Max(blocs)));
}

} // namespace

int main(int argc, char** argv) {
    SetSoundListener(EcouterSon);
    if (argc > 1 && strcmp(argv[1], ARG_DEMARRAGE) == 0) {
        return DemarrageEnfant(argc, argv);
    }
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (SDL_Init(SDL_INIT_VIDEO) < 0 || TTF_Init() != 0) {
        fprintf(stderr, "duskwane_bench: SDL: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Surface* ecran = SetDisplayMode();
    FMOD_SYSTEM* systeme = nullptr;
    FMOD_System_Create(&systeme);
    if (ecran == nullptr || FMOD_System_Init(systeme, CANAUX_SON, FMOD_INIT_NORMAL, nullptr) != FMOD_OK) {
        fprintf(stderr, "duskwane_bench: no screen or no sound: %s\n", SDL_GetError());
        return 1;
    }
    FILE* copie = fdopen(dup(STDOUT_FILENO), "w");
    if (copie != nullptr && freopen("/dev/null", "w", stdout) != nullptr) {
        figures = copie;
    }
    char pilote[32] = "?";
    SDL_VideoDriverName(pilote, sizeof pilote);
    const SDL_version* v = SDL_Linked_Version();
    const bool compat = SDL_VERSIONNUM(v->major, v->minor, v->patch) >= SDL_VERSIONNUM(1, 2, 50);
    Figure("SDL 1.2",
           Format(compat ? "sdl12-compat %.0f.%.0f.%.0f" : "classic %.0f.%.0f.%.0f", v->major, v->minor, v->patch), "-",
           true, std::string("[video driver ") + pilote + "]");
    coutNu = CoutRemplirAfficher(ecran);
    Figure("bare fill+flip", Format("median %.2f ms", coutNu), "-", true,
           Format("[1060 x 740, %.0f frames]", IMAGES_TRAVAIL_NU));
    BancTexte(ecran, systeme);
    BancFondu(EcranActuel(), systeme);
    BancTitre(EcranActuel(), systeme);
    BancMenu(EcranActuel(), systeme);
    BancMemoire(EcranActuel(), systeme);
    BancDemarrage(argv[0]);
    FMOD_System_Close(systeme);
    FMOD_System_Release(systeme);
    TTF_Quit();
    SDL_Quit();
    return manques == 0 ? 0 : 2;
}
