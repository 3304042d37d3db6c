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
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
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
// Pixels of the prompt's colour that mean the prompt is on screen.
constexpr int SEUIL_INVITE = 200;
// The watcher trusts a sighting made this soon after the look before it, in ms.
constexpr double INCERTITUDE_PAS = 0.5;
constexpr double INCERTITUDE_PHASE = 1.0;
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
    fprintf(figures, "%-22s %-44s target %-34s %-6s %s\n", nom, valeurs.c_str(), cible.c_str(),
            atteinte ? "ok" : "MISSED", detail.c_str());
    fflush(figures);
}

std::string Format(const char* fmt, double a, double b = 0, double c = 0) {
    char tampon[160];
    snprintf(tampon, sizeof tampon, fmt, a, b, c);
    return tampon;
}

// Pushes, waiting for room in SDL's 128-event queue.
void Pousser(SDL_Event e) {
    while (SDL_PushEvent(&e) != 0) {
        SDL_Delay(1);
    }
}

int EnAttente() {
    SDL_Event vue[128];
    return SDL_PeepEvents(vue, 128, SDL_PEEKEVENT, SDL_ALLEVENTS);
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

long ResidentKo() {
    std::ifstream in("/proc/self/status");
    std::string ligne;
    while (std::getline(in, ligne)) {
        if (ligne.rfind("VmRSS:", 0) == 0) {
            return std::stol(ligne.substr(6));
        }
    }
    return -1;
}

// The benchmark hears the game through the sound layer's listener: it only
// counts the starts, which another thread can read at any time.
std::atomic<int> departsSon{0};
void EcouterSon(int, int, const char*, unsigned int) {
    departsSon.fetch_add(1);
}
int SoundLogCount() {
    return departsSon.load();
}
void PreparerJournal(FMOD_SYSTEM*) {
    departsSon = 0;
}

// ------------------------------------------------------------ the watcher
// A thread reads something the game shows (the sound log's length, a pixel,
// an area) every 0.1 ms and notes each change. On a busy machine the thread
// itself is sometimes held back for milliseconds; a change seen after such a
// gap may have happened anywhere in it, so each sighting carries the time
// since the look before, and only steps whose two ends were seen promptly are
// counted.
struct Vue {
    int etat;
    Horloge::time_point quand;
    double incertitude; // ms between this look and the one before
};

// Watches until `fini` says so; `apres` runs after every look with what has been seen so far.
template <typename Sonde, typename Fini, typename Apres> std::vector<Vue> Guetter(Sonde sonde, Fini fini, Apres apres) {
    std::vector<Vue> vues;
    Horloge::time_point avant = Horloge::now();
    int etat = sonde();
    while (!fini()) {
        Dormir(100);
        int e = sonde();
        Horloge::time_point t = Horloge::now();
        if (e != etat) {
            vues.push_back(Vue{e, t, Ms(t - avant)});
            etat = e;
        }
        avant = t;
        apres(vues);
    }
    return vues;
}

// The time between two sightings, when both were prompt enough to be trusted.
bool Pas(const Vue& a, const Vue& b, double incertitudeMax, double& ms) {
    if (a.incertitude > incertitudeMax || b.incertitude > incertitudeMax) {
        return false;
    }
    ms = Ms(b.quand - a.quand);
    return true;
}

// ---------------------------------------------------------------- text box
// Every typing step starts the tick on channel 1; the watcher times each
// start by the sound log's length and, once the ticks stop, answers the
// box's wait with a key until it returns.
void BancTexte(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    TTF_Font* police = TTF_OpenFont(FONT_VOLTER, TAILLE_POLICE_MENU);
    SDL_Color rouge = {ROUGE_MENU[0], ROUGE_MENU[1], ROUGE_MENU[2], 0};
    std::string texte;
    while (static_cast<int>(texte.size()) < LONGUEUR_TEXTE) {
        texte += TEXTE_TEST;
    }
    texte.resize(LONGUEUR_TEXTE);

    std::vector<double> pas;
    int tics = 0;
    int ecartes = 0;
    for (int run = 0; run < RUNS_TEXTE; ++run) {
        PreparerJournal(systeme);
        std::atomic<bool> fini{false};
        std::vector<Vue> vues;
        std::thread guetteur([&fini, &vues]() {
            Horloge::time_point reponse = Horloge::now();
            vues = Guetter([]() { return SoundLogCount(); }, [&fini]() { return fini.load(); },
                           [&reponse](const std::vector<Vue>& v) {
                               Horloge::time_point t = Horloge::now();
                               if (!v.empty() && Ms(t - v.back().quand) > MS_SILENCE && Ms(t - reponse) > MS_RELANCE) {
                                   Pousser(evenements::Key(SDLK_SPACE));
                                   reponse = t;
                               }
                           });
        });
        TxtBox_Print(ecran, systeme, texte.c_str(), police, rouge);
        fini = true;
        guetteur.join();
        for (size_t k = 1; k < vues.size(); ++k) {
            double ms = 0;
            if (vues[k].etat == vues[k - 1].etat + 1 && Pas(vues[k - 1], vues[k], INCERTITUDE_PAS, ms)) {
                pas.push_back(ms);
            } else {
                ++ecartes;
            }
        }
        tics += vues.empty() ? 0 : vues.back().etat;
        Vider();
    }
    if (police != nullptr) {
        TTF_CloseFont(police);
    }
    const double plancher = DELAI_FRAPPE + 1;
    Figure(
        "text box step", Format("median %.2f ms, min %.2f, max %.2f", Mediane(pas), Min(pas), Max(pas)),
        Format("median %.0f..%.0f ms, none < %.0f", plancher, plancher + 2, plancher),
        Mediane(pas) >= plancher && Mediane(pas) <= plancher + 2 && Min(pas) >= plancher - INCERTITUDE_PAS,
        Format("[%.0f runs of 100 characters, %.0f ticks, %.0f steps not seen promptly]", RUNS_TEXTE, tics, ecartes));
}

// ------------------------------------------------------------------- fades
// IntroGame whole, its text boxes cut short by Escape and its last black
// screen ended by a click; the watcher reads one pixel of the screen to time
// each grey level of the white-out.
void BancFondu(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    std::vector<double> pas;
    std::vector<double> totaux;
    int ecartes = 0;
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
        std::vector<Vue> vues;
        std::thread guetteur([&fini, &vues]() {
            SDL_Surface* e = EcranActuel();
            vues = Guetter(
                [e]() {
                    Uint8 r = 0, g = 0, b = 0;
                    SDL_GetRGB(PixelBrut(e, FONDU_X, FONDU_Y), e->format, &r, &g, &b);
                    return (r == g && g == b) ? static_cast<int>(r) : -1;
                },
                [&fini]() { return fini.load(); }, [](const std::vector<Vue>&) {});
        });
        IntroGame(ecran, systeme);
        fini = true;
        pousseur.join();
        guetteur.join();
        Vider();
        // Only the white-out climbs through the greys here: the text boxes never reach this corner.
        const Vue* premier = nullptr;
        const Vue* dernier = nullptr;
        for (size_t k = 0; k < vues.size() && dernier == nullptr; ++k) {
            if (vues[k].etat == 1 && premier == nullptr) {
                premier = &vues[k];
            } else if (premier != nullptr && vues[k].etat > 1) {
                double ms = 0;
                if (vues[k].etat == vues[k - 1].etat + 1 && Pas(vues[k - 1], vues[k], INCERTITUDE_PAS, ms)) {
                    pas.push_back(ms);
                } else {
                    ++ecartes;
                }
            }
            if (vues[k].etat == FONDU_BLANC_DERNIER) {
                dernier = &vues[k];
            }
        }
        if (premier != nullptr && dernier != nullptr) {
            totaux.push_back(Ms(dernier->quand - premier->quand));
        }
    }
    const double plancher = DELAI_FONDU + 1;
    Figure("white-out step", Format("median %.2f ms, min %.2f, max %.2f", Mediane(pas), Min(pas), Max(pas)),
           Format("median %.0f..%.0f ms", plancher, plancher + 2),
           Mediane(pas) >= plancher - INCERTITUDE_PAS && Mediane(pas) <= plancher + 2,
           Format("[%.0f runs, %.0f steps timed, %.0f not seen promptly]", RUNS_FONDU, static_cast<double>(pas.size()),
                  ecartes));
    // From grey 1 to the last grey: every step but the first, black on black.
    const double attendu = (FONDU_BLANC_DERNIER - 1) * plancher;
    Figure("white-out total", Format("median %.0f ms, worst %.0f", Mediane(totaux), Max(totaux)),
           Format("%.0f..%.0f ms", attendu, attendu + 2 * (FONDU_BLANC_DERNIER - 1)),
           !totaux.empty() && Mediane(totaux) <= attendu + 2 * (FONDU_BLANC_DERNIER - 1),
           Format("[grey 1 to %.0f, %.0f runs]", FONDU_BLANC_DERNIER, static_cast<double>(totaux.size())));
}

// ------------------------------------------------------------------- title
// The prompt's area shows the prompt (many pixels of its colour), the bare
// picture, or, for the instant of a redraw, the cleared screen. Cleared looks
// are skipped, and a new state counts once two looks in a row agree, so both
// edges are taken at the same point of a redraw.
void BancTitre(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    TTF_Font* police = TTF_OpenFont(FONT_TESSMARIN, TAILLE_POLICE_TITRE);
    int w = 0, h = 0;
    if (police == nullptr || TTF_SizeText(police, TEXTE_INVITE, &w, &h) != 0) {
        Figure("title blink phase", "no prompt font", "-", false, "");
        return;
    }
    TTF_CloseFont(police);
    const SDL_Rect zone = {static_cast<Sint16>((LARGEUR_ECRAN - w) / 2), static_cast<Sint16>((HAUTEUR_ECRAN - h) / 2),
                           static_cast<Uint16>(w), static_cast<Uint16>(h)};
    std::vector<double> phases;
    int ecartees = 0;
    for (int run = 0; run < RUNS_TITRE; ++run) {
        std::atomic<bool> fini{false};
        std::vector<Vue> vues;
        std::thread guetteur([&fini, &vues, zone]() {
            SDL_Surface* e = EcranActuel();
            const Uint32 invite = SDL_MapRGB(e->format, COULEUR_INVITE, COULEUR_INVITE, COULEUR_INVITE);
            const Uint32 noir = SDL_MapRGB(e->format, 0, 0, 0);
            // 0 picture, 1 prompt, 2 cleared; a look that differs from the one before is "unsure" (3).
            int precedent = -1;
            Horloge::time_point reponse = Horloge::now();
            vues = Guetter(
                [&]() {
                    int allumes = 0, noirs = 0;
                    for (int y = zone.y; y < zone.y + zone.h; ++y) {
                        for (int x = zone.x; x < zone.x + zone.w; ++x) {
                            Uint32 p = PixelBrut(e, x, y);
                            allumes += p == invite;
                            noirs += p == noir;
                        }
                    }
                    int vu = allumes >= SEUIL_INVITE ? 1 : (noirs == zone.w * zone.h ? 2 : 0);
                    int etat = (vu == precedent && vu != 2) ? vu : 3;
                    precedent = vu;
                    return etat;
                },
                [&fini]() { return fini.load(); },
                [&reponse](const std::vector<Vue>& v) {
                    int sures = 0;
                    for (const Vue& u : v) {
                        sures += u.etat != 3;
                    }
                    Horloge::time_point t = Horloge::now();
                    if (sures > PHASES_TITRE + 1 && Ms(t - reponse) > MS_RELANCE) {
                        Pousser(evenements::Key(SDLK_SPACE));
                        reponse = t;
                    }
                });
        });
        StartPage(ecran, systeme);
        fini = true;
        guetteur.join();
        Vider();
        // An edge is the first of two agreeing looks: the unsure look just before the sure one.
        std::vector<Vue> fronts;
        int etat = -1;
        for (size_t k = 1; k < vues.size(); ++k) {
            if (vues[k].etat != 3 && vues[k].etat != etat && vues[k - 1].etat == 3) {
                fronts.push_back(Vue{vues[k].etat, vues[k - 1].quand, vues[k - 1].incertitude});
                etat = vues[k].etat;
            }
        }
        // The first edge may be the picture of the run before giving way.
        for (size_t k = 2; k < fronts.size(); ++k) {
            double ms = 0;
            if (Pas(fronts[k - 1], fronts[k], INCERTITUDE_PHASE, ms)) {
                phases.push_back(ms);
            } else {
                ++ecartees;
            }
        }
    }
    const double plancher = DELAI_CLIGNOTEMENT + 1;
    Figure("title blink phase", Format("median %.1f ms, min %.1f, max %.1f", Mediane(phases), Min(phases), Max(phases)),
           Format("%.0f..%.0f ms", plancher, plancher + 3),
           !phases.empty() && Min(phases) >= plancher - INCERTITUDE_PHASE && Max(phases) <= plancher + 3,
           Format("[%.0f runs, %.0f phases timed, %.0f not seen promptly]", RUNS_TITRE,
                  static_cast<double>(phases.size()), ecartees));
}

// -------------------------------------------------------------------- menu
// The queue is kept full of pointer moves over the buttons: the menu reads
// one event a frame, so the moves it took are its frames.
void BancMenu(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    std::vector<double> ips;
    std::vector<double> coutNu;
    const int xBouton = LARGEUR_ECRAN / 2;
    for (int run = 0; run < RUNS_MENU; ++run) {
        std::atomic<double> mesure{0};
        std::thread pousseur([&mesure, xBouton]() {
            int y = Y_HAUT_BALAYAGE;
            long poussees = 0;
            int attenteDebut = 0;
            Horloge::time_point debut = Horloge::now();
            Horloge::time_point depart = debut;
            bool enMesure = false;
            for (;;) {
                Horloge::time_point t = Horloge::now();
                if (!enMesure && Ms(t - depart) >= MS_CHAUFFE_MENU) {
                    enMesure = true;
                    poussees = 0;
                    attenteDebut = EnAttente();
                    debut = t;
                } else if (enMesure && Ms(t - debut) >= MS_MESURE_MENU) {
                    long images = poussees + attenteDebut - EnAttente();
                    mesure = images * 1000.0 / Ms(Horloge::now() - debut);
                    break;
                }
                SDL_Event e = evenements::Motion(xBouton, y);
                if (SDL_PushEvent(&e) == 0) {
                    ++poussees;
                    y = y >= Y_BAS_BALAYAGE ? Y_HAUT_BALAYAGE : y + 1;
                } else {
                    SDL_Delay(1);
                }
            }
            Pousser(evenements::Key(SDLK_ESCAPE));
        });
        SDL_FillRect(ecran, nullptr, SDL_MapRGB(ecran->format, 0, 0, 0));
        SDL_Flip(ecran);
        Menu(ecran, systeme);
        pousseur.join();
        Vider();
        ips.push_back(mesure);

        // The least a frame can do: decode the three button pictures, put the
        // background on the screen and a button into it, and show it.
        SDL_Surface* fond = IMG_Load(IMG_MENU);
        const char* boutons[3] = {IMG_EXIT, IMG_NEWGAME_B, IMG_LOADGAME};
        Horloge::time_point debut = Horloge::now();
        for (int k = 0; k < IMAGES_TRAVAIL_NU; ++k) {
            SDL_Surface* planche[3];
            for (int i = 0; i < 3; ++i) {
                planche[i] = IMG_Load(boutons[i]);
            }
            SDL_Rect p = {0, 0, 0, 0};
            SDL_BlitSurface(fond, nullptr, ecran, &p);
            SDL_Rect b = {static_cast<Sint16>((LARGEUR_ECRAN - planche[1]->w) / 2), Y_BOUTON_NEWGAME, 0, 0};
            SDL_BlitSurface(planche[1], nullptr, fond, &b);
            SDL_Flip(ecran);
            for (SDL_Surface* s : planche) {
                SDL_FreeSurface(s);
            }
        }
        coutNu.push_back(Ms(Horloge::now() - debut) / IMAGES_TRAVAIL_NU);
        SDL_FreeSurface(fond);
    }
    const double ipsNu = 1000.0 / Mediane(coutNu);
    Figure("menu frame rate", Format("median %.0f fps, worst %.0f", Mediane(ips), Min(ips)), "-", true,
           Format("[%.0f runs of %.0f ms, pointer moving over the buttons]", RUNS_MENU, MS_MESURE_MENU));
    Figure("menu bare frame work", Format("median %.3f ms, worst %.3f", Mediane(coutNu), Max(coutNu)), "-", true,
           Format("[3 IMG_Load, 2 blits, 1 flip; %.0f fps at most]", ipsNu));
    const double rapport = ipsNu / Mediane(ips);
    Figure("menu cost ratio", Format("%.2f (bare fps / menu fps)", rapport), "<= 1.20", rapport <= 1.2,
           Format("[worst runs: %.2f]", (1000.0 / Max(coutNu)) / Min(ips)));
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
            apres20 = blocPrecedent = ResidentKo();
        } else if (n > ENTREES_MEMOIRE_DEBUT && (n - ENTREES_MEMOIRE_DEBUT) % BLOC_MEMOIRE == 0) {
            long rss = ResidentKo();
            blocs.push_back(static_cast<double>(rss - blocPrecedent));
            blocPrecedent = rss;
        }
    }
    const long apres500 = ResidentKo();
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
    BancTexte(ecran, systeme);
    BancFondu(ecran, systeme);
    BancTitre(ecran, systeme);
    BancMenu(ecran, systeme);
    BancMemoire(ecran, systeme);
    BancDemarrage(argv[0]);
    FMOD_System_Close(systeme);
    FMOD_System_Release(systeme);
    TTF_Quit();
    SDL_Quit();
    return manques == 0 ? 0 : 2;
}
