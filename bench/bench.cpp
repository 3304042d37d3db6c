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
// Sound log entries made room for up front, so the log never reallocates while a thread reads its size.
constexpr int RESERVE_JOURNAL = 4096;
// Where the white-out is watched: top left, away from the text box and the portrait.
constexpr int FONDU_X = 10;
constexpr int FONDU_Y = 10;
// Pixels of the prompt's colour that mean the prompt is on screen.
constexpr int SEUIL_INVITE = 200;
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

SDL_Event Touche(SDLKey sym) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    return e;
}

SDL_Event Clic(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = SDL_PRESSED;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    return e;
}

SDL_Event Mouvement(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.type = SDL_MOUSEMOTION;
    e.motion.state = 0;
    e.motion.x = static_cast<Uint16>(x);
    e.motion.y = static_cast<Uint16>(y);
    return e;
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

// Grows the sound log's storage once, then empties it: a later start only
// moves its end, which another thread can then read without tearing.
void PreparerJournal(FMOD_SYSTEM* systeme) {
    FMOD_SOUND* tic = nullptr;
    FMOD_System_CreateSound(systeme, SND_TIC, MODE_EFFET, nullptr, &tic);
    for (int k = 0; k < RESERVE_JOURNAL; ++k) {
        FMOD_System_PlaySound(systeme, CANAL_TIC, tic, 0, nullptr);
    }
    FMOD_Sound_Release(tic);
    SoundLogClear();
}

// ---------------------------------------------------------------- text box
// Every typing step starts the tick on channel 1; a thread notes when each
// start shows up in the log and answers the box once the ticks stop.
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
    for (int run = 0; run < RUNS_TEXTE; ++run) {
        PreparerJournal(systeme);
        std::vector<Horloge::time_point> instants;
        std::thread guetteur([&instants]() {
            int vus = 0;
            Horloge::time_point dernier = Horloge::now();
            for (;;) {
                int n = SoundLogCount();
                Horloge::time_point t = Horloge::now();
                if (n != vus) {
                    for (int k = vus; k < n; ++k) {
                        instants.push_back(t);
                    }
                    vus = n;
                    dernier = t;
                } else if (vus > 0 && Ms(t - dernier) > 300) {
                    Pousser(Touche(SDLK_SPACE));
                    return;
                }
                Dormir(100);
            }
        });
        TxtBox_Print(ecran, systeme, texte.c_str(), police, rouge);
        guetteur.join();
        for (size_t k = 1; k < instants.size(); ++k) {
            pas.push_back(Ms(instants[k] - instants[k - 1]));
        }
        tics += static_cast<int>(instants.size());
        Vider();
    }
    if (police != nullptr) {
        TTF_CloseFont(police);
    }
    const double plancher = DELAI_FRAPPE + 1;
    // The log is read every 0.1 ms: a start seen a sampling period late makes a step look that much shorter.
    const double tolerance = 0.5;
    Figure("text box step", Format("median %.2f ms, min %.2f, max %.2f", Mediane(pas), Min(pas), Max(pas)),
           Format("median %.0f..%.0f ms, none < %.0f", plancher, plancher + 2, plancher),
           Mediane(pas) >= plancher && Mediane(pas) <= plancher + 2 && Min(pas) >= plancher - tolerance,
           Format("[%.0f runs of %.0f characters, %.0f ticks]", RUNS_TEXTE, LONGUEUR_TEXTE, tics));
}

// ------------------------------------------------------------------- fades
// IntroGame whole, its text boxes cut short by Escape and its last black
// screen ended by a click; a thread reads one pixel of the screen to time
// each grey level of the white-out.
void BancFondu(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    std::vector<double> pas;
    std::vector<double> totaux;
    for (int run = 0; run < RUNS_FONDU; ++run) {
        std::atomic<bool> fini{false};
        std::thread pousseur([&fini]() {
            while (!fini) {
                Pousser(Touche(SDLK_ESCAPE));
                SDL_Delay(25);
                Pousser(Clic(FONDU_X, FONDU_Y));
                SDL_Delay(25);
            }
        });
        std::vector<std::pair<int, Horloge::time_point>> niveaux;
        std::thread guetteur([&fini, &niveaux]() {
            SDL_Surface* e = EcranActuel();
            int dernier = 0;
            while (!fini) {
                Uint8 r = 0, g = 0, b = 0;
                SDL_GetRGB(PixelBrut(e, FONDU_X, FONDU_Y), e->format, &r, &g, &b);
                // Only the white-out climbs through the greys; the text boxes never reach this corner.
                if (r == g && g == b && r == dernier + 1) {
                    niveaux.emplace_back(r, Horloge::now());
                    dernier = r;
                }
                Dormir(100);
            }
        });
        IntroGame(ecran, systeme);
        fini = true;
        pousseur.join();
        guetteur.join();
        Vider();
        for (size_t k = 1; k < niveaux.size(); ++k) {
            pas.push_back(Ms(niveaux[k].second - niveaux[k - 1].second));
        }
        if (niveaux.size() >= 2 && niveaux.back().first == FONDU_BLANC_DERNIER) {
            totaux.push_back(Ms(niveaux.back().second - niveaux.front().second));
        }
    }
    const double plancher = DELAI_FONDU + 1;
    Figure("white-out step", Format("median %.2f ms, min %.2f, max %.2f", Mediane(pas), Min(pas), Max(pas)),
           Format("median %.0f..%.0f ms", plancher, plancher + 2),
           Mediane(pas) >= plancher - 0.5 && Mediane(pas) <= plancher + 2,
           Format("[%.0f runs, %.0f steps, pixel read every 0.1 ms]", RUNS_FONDU, static_cast<double>(pas.size())));
    // From grey 1 to the last grey: every step but the first, black on black.
    const double attendu = (FONDU_BLANC_DERNIER - 1) * plancher;
    Figure("white-out total", Format("median %.0f ms, worst %.0f", Mediane(totaux), Max(totaux)),
           Format("%.0f..%.0f ms", attendu, attendu + 2 * (FONDU_BLANC_DERNIER - 1)),
           !totaux.empty() && Mediane(totaux) <= attendu + 2 * (FONDU_BLANC_DERNIER - 1),
           Format("[grey 1 to %.0f, %.0f runs]", FONDU_BLANC_DERNIER, static_cast<double>(totaux.size())));
}

// ------------------------------------------------------------------- title
// The prompt's area is either the prompt (many pixels of its colour), the
// bare picture, or, for the instant of a redraw, the cleared screen; only the
// first two count, so both edges are seen at the same point of a redraw.
void BancTitre(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    TTF_Font* police = TTF_OpenFont(FONT_TESSMARIN, TAILLE_POLICE_TITRE);
    int w = 0, h = 0;
    if (police == nullptr || TTF_SizeText(police, TEXTE_INVITE, &w, &h) != 0) {
        Figure("title blink", "no prompt font", "-", false, "");
        return;
    }
    TTF_CloseFont(police);
    const SDL_Rect zone = {static_cast<Sint16>((LARGEUR_ECRAN - w) / 2), static_cast<Sint16>((HAUTEUR_ECRAN - h) / 2),
                           static_cast<Uint16>(w), static_cast<Uint16>(h)};
    std::vector<double> phases;
    for (int run = 0; run < RUNS_TITRE; ++run) {
        std::thread guetteur([&phases, zone]() {
            SDL_Surface* e = EcranActuel();
            const Uint32 invite = SDL_MapRGB(e->format, COULEUR_INVITE, COULEUR_INVITE, COULEUR_INVITE);
            const Uint32 noir = SDL_MapRGB(e->format, 0, 0, 0);
            int etat = -1;
            int faites = 0;
            Horloge::time_point debut{};
            while (faites <= PHASES_TITRE) {
                int allumes = 0, noirs = 0;
                for (int y = zone.y; y < zone.y + zone.h; ++y) {
                    for (int x = zone.x; x < zone.x + zone.w; ++x) {
                        Uint32 p = PixelBrut(e, x, y);
                        allumes += p == invite;
                        noirs += p == noir;
                    }
                }
                Horloge::time_point t = Horloge::now();
                int vu = allumes >= SEUIL_INVITE ? 1 : (noirs == zone.w * zone.h ? -1 : 0);
                if (vu >= 0 && vu != etat) {
                    if (etat >= 0) {
                        // The first phase seen may have started before the thread looked.
                        if (faites > 0) {
                            phases.push_back(Ms(t - debut));
                        }
                        ++faites;
                    }
                    etat = vu;
                    debut = t;
                }
                Dormir(200);
            }
            Pousser(Touche(SDLK_SPACE));
        });
        StartPage(ecran, systeme);
        guetteur.join();
        Vider();
    }
    const double plancher = DELAI_CLIGNOTEMENT + 1;
    Figure("title blink phase", Format("median %.1f ms, min %.1f, max %.1f", Mediane(phases), Min(phases), Max(phases)),
           Format("%.0f..%.0f ms", plancher, plancher + 3), Min(phases) >= plancher - 1 && Max(phases) <= plancher + 3,
           Format("[%.0f runs, %.0f phases, area read every 0.2 ms]", RUNS_TITRE, static_cast<double>(phases.size())));
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
                SDL_Event e = Mouvement(xBouton, y);
                if (SDL_PushEvent(&e) == 0) {
                    ++poussees;
                    y = y >= Y_BAS_BALAYAGE ? Y_HAUT_BALAYAGE : y + 1;
                } else {
                    SDL_Delay(1);
                }
            }
            Pousser(Touche(SDLK_ESCAPE));
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
        Pousser(Touche(SDLK_SPACE));
        Pousser(Touche(SDLK_ESCAPE));
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
    const SDL_Event clic = Clic(LARGEUR_ECRAN / 2, Y_BOUTON_LOADGAME + HAUTEUR_BOUTON_SECOURS / 2);
    long apres20 = 0;
    long blocPrecedent = 0;
    std::vector<double> blocs;
    int charges = 0;
    for (int n = 1; n <= ENTREES_MEMOIRE_FIN; ++n) {
        Pousser(clic);
        // The first key goes to the box's only typing step, the second ends its wait.
        Pousser(Touche(SDLK_SPACE));
        Pousser(Touche(SDLK_SPACE));
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
