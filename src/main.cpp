// The program's entry and main loop, the map file and the screens. Each
// screen is one blocking function: it loads what it needs on entry, runs its
// own event loop, releases what it loaded and returns a result.
#include "main.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_ttf.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "collision.h"
#include "constantes.h"
#include "display.h"
#include "image.h"
#include "jeu.h"
#include "platform.h"
#include "pointer.h"
#include "sdlTxt.h"
#include "sound.h"

// A plain picture in the screen's own format, standing in for one that failed to load.
static SDL_Surface* SurfaceUnie(SDL_Surface* ecran, int largeur, int hauteur, const std::uint8_t couleur[3]) {
    const SDL_PixelFormat* f = ecran->format;
    SDL_Surface* s =
        SDL_CreateRGBSurface(SDL_SWSURFACE, largeur, hauteur, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (s != nullptr) {
        SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, couleur[0], couleur[1], couleur[2]));
    }
    return s;
}

static void Effacer(SDL_Surface* ecran) {
    SDL_FillRect(ecran, nullptr, SDL_MapRGB(ecran->format, NOIR[0], NOIR[1], NOIR[2]));
}

void DemoCreateMap() {
    FILE* fichier = fopen(FICHIER_MAP, "w");
    if (fichier == nullptr) {
        printf("\n\n#ECHEC_createMap");
        return;
    }
    for (int i = 0; i < MAP_LIGNES; i++) {
        for (int j = 0; j < MAP_COLONNES; j++) {
            if (i == MAP_LIGNES - 1) {
                // The floor has a gap under the ledge of the row above.
                if (j < MAP_TROU_DEBUT || j > MAP_TROU_FIN) {
                    fputc('1', fichier);
                }
            } else if (i == MAP_LIGNES - 2) {
                fputc((j > MAP_CORNICHE_DEBUT && j < MAP_CORNICHE_FIN) ? '1' : '0', fichier);
            } else {
                fputc('0', fichier);
            }
        }
        fputc('\n', fichier);
    }
    fputc('0', fichier);
    fclose(fichier);
}

int StartPage(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    DemoCreateMap();
    // One event per frame, and a frame may take 10 ms or more: the pointer has nothing to do here.
    const int souris = SuivreSouris(0);

    SDL_Surface* menu = ChargerImage(IMG_TITRE);
    SDL_Rect posMenu = {0, 0, 0, 0};
    if (menu != nullptr) {
        posMenu.x = static_cast<Sint16>((LARGEUR_ECRAN - menu->w) / 2);
        posMenu.y = static_cast<Sint16>((HAUTEUR_ECRAN - menu->h) / 2);
    }

    TTF_Font* police = OuvrirPolice(FONT_TESSMARIN, TAILLE_POLICE_TITRE);
    SDL_Color noir = {COULEUR_INVITE, COULEUR_INVITE, COULEUR_INVITE, 0};
    SDL_Surface* texte = police ? TTF_RenderText_Solid(police, TEXTE_INVITE, noir) : nullptr;
    SDL_Rect pos = {0, 0, 0, 0};
    if (texte != nullptr) {
        pos.x = static_cast<Sint16>((LARGEUR_ECRAN - texte->w) / 2);
        pos.y = static_cast<Sint16>((HAUTEUR_ECRAN - texte->h) / 2);
    }

    int a = 1;
    Uint32 tp = 0;

    FMOD_SOUND* click = nullptr;
    FMOD_SOUND* song = nullptr;
    FMOD_System_CreateSound(systeme, SND_CLICK, MODE_EFFET, nullptr, &click);
    FMOD_System_CreateSound(systeme, SND_WIND, MODE_AMBIANCE, nullptr, &song);
    FMOD_Sound_SetLoopCount(song, -1);
    FMOD_System_PlaySound(systeme, FMOD_CHANNEL_FREE, song, 0, nullptr);

    SDL_Event event;
    int ctn = 1;
    while (ctn) {
        if (SDL_PollEvent(&event)) {
            switch (event.type) {
            case SDL_MOUSEBUTTONDOWN:
                ctn = 0;
                break;
            case SDL_KEYDOWN:
                if (event.key.keysym.sym == SDLK_F11) {
                    ToggleDisplayMode();
                    ecran = EcranActuel();
                }
                ctn = 0;
                break;
            case SDL_QUIT:
                FMOD_Sound_Release(click);
                FMOD_Sound_Release(song);
                exit(0);
            default:
                break;
            }
            if (!ctn) {
                break;
            }
        }
        if (SDL_GetTicks() - tp > DELAI_CLIGNOTEMENT) {
            Effacer(ecran);
            if (menu != nullptr) {
                SDL_Rect p = posMenu;
                SDL_BlitSurface(menu, nullptr, ecran, &p);
            }
            if (a == 1) {
                if (texte != nullptr) {
                    SDL_Rect p = pos;
                    SDL_BlitSurface(texte, nullptr, ecran, &p);
                }
                a = 0;
            } else {
                a = 1;
            }
            tp = SDL_GetTicks();
        }
        SDL_Flip(ecran);
    }

    FMOD_System_PlaySound(systeme, FMOD_CHANNEL_FREE, click, 0, nullptr);
    FMOD_Sound_Release(click);
    FMOD_Sound_Release(song);
    SDL_FreeSurface(menu);
    SDL_FreeSurface(texte);
    if (police != nullptr) {
        TTF_CloseFont(police);
    }
    SuivreSouris(souris);
    return 0;
}

// The main menu's buttons, in the order every test runs: exit, new game, load game.
struct BoutonMenu {
    const char* entree;
    const char* normal;
    const char* allume;
    int y;
    int selection;
};
static const BoutonMenu BOUTONS_MENU[3] = {
    {IMG_EXIT, IMG_EXIT, IMG_EXIT_B, Y_BOUTON_EXIT, 1},
    {IMG_NEWGAME, IMG_NEWGAME, IMG_NEWGAME_B, Y_BOUTON_NEWGAME, 2},
    {IMG_LOADGAME_ENTREE, IMG_LOADGAME, IMG_LOADGAME_B, Y_BOUTON_LOADGAME, 3},
};

int Menu(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    SDL_Surface* menu = ChargerImage(IMG_MENU);
    SDL_Surface* plancheOption[3] = {nullptr, nullptr, nullptr};
    for (int i = 0; i < 3; i++) {
        plancheOption[i] = ChargerImage(BOUTONS_MENU[i].entree);
    }

    FMOD_SOUND* click = nullptr;
    FMOD_SOUND* song = nullptr;
    FMOD_System_CreateSound(systeme, SND_SURVOL, MODE_EFFET, nullptr, &click);
    FMOD_System_CreateSound(systeme, SND_WIND, MODE_AMBIANCE, nullptr, &song);

    if (menu == nullptr) {
        Test(ecran, ROUGE_CARTE[0], ROUGE_CARTE[1], ROUGE_CARTE[2]);
        // After the card the menu still works, on a plain background of the screen's size.
        menu = SurfaceUnie(ecran, LARGEUR_ECRAN, HAUTEUR_ECRAN, NOIR);
    } else if (SDL_Surface* converti = SDL_DisplayFormat(menu)) {
        // Drawn every frame: in the screen's own format the blit is a plain copy.
        SDL_FreeSurface(menu);
        menu = converti;
    }

    SDL_Rect posMenu = {0, 0, 0, 0};
    if (menu != nullptr) {
        posMenu.x = static_cast<Sint16>((LARGEUR_ECRAN - menu->w) / 2);
        posMenu.y = static_cast<Sint16>((HAUTEUR_ECRAN - menu->h) / 2);
    }
    SDL_Rect posPO[3];
    for (int i = 0; i < 3; i++) {
        // A button whose entry picture is missing takes its size from its
        // normal picture; without either it has no area and nothing hits it.
        SDL_Surface* mesure = plancheOption[i];
        SDL_Surface* autre = (mesure == nullptr) ? LireImage(BOUTONS_MENU[i].normal, nullptr) : nullptr;
        if (autre != nullptr) {
            mesure = autre;
        }
        int w = mesure ? mesure->w : 0;
        int h = mesure ? mesure->h : 0;
        posPO[i].x = static_cast<Sint16>((LARGEUR_ECRAN - w) / 2);
        posPO[i].y = static_cast<Sint16>(BOUTONS_MENU[i].y);
        posPO[i].w = static_cast<Uint16>(w);
        posPO[i].h = static_cast<Uint16>(h);
        SDL_FreeSurface(autre);
    }

    int ctn = 1;
    int plancheActuellementSelect = 0;
    int nextPAS = 0;
    int retour = EXIT;
    // The pointer as last carried by a mouse event; none before the first one.
    int sourisConnue = 0;
    int sourisX = 0;
    int sourisY = 0;
    // Which per-frame pictures already failed this visit, normal and lit, so each is reported once.
    int signale[3][2] = {};

    FMOD_Sound_SetLoopCount(song, -1);
    FMOD_System_PlaySound(systeme, CANAL_VENT_MENU, song, 0, nullptr);

    SDL_Event event;
    while (ctn) {
        if (SDL_PollEvent(&event)) {
            switch (event.type) {
            case SDL_QUIT:
                exit(0);
            case SDL_KEYDOWN:
                if (event.key.keysym.sym == SDLK_ESCAPE) {
                    ctn = 0;
                    retour = EXIT;
                } else if (event.key.keysym.sym == SDLK_F11) {
                    ToggleDisplayMode();
                    ecran = EcranActuel();
                }
                break;
            case SDL_MOUSEMOTION:
                sourisConnue = 1;
                sourisX = event.motion.x;
                sourisY = event.motion.y;
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                sourisConnue = 1;
                sourisX = event.button.x;
                sourisY = event.button.y;
                if (event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BOUTON_GAUCHE) {
                    for (int i = 0; i < 3; i++) {
                        if (IsMouseInBox(sourisX, sourisY, posPO[i])) {
                            FMOD_System_PlaySound(systeme, FMOD_CHANNEL_FREE, click, 0, nullptr);
                            ctn = 0;
                            retour = i;
                            break;
                        }
                    }
                }
                break;
            default:
                break;
            }
        }

        if (ctn) {
            for (int i = 0; i < 3; i++) {
                const char* chemin = BOUTONS_MENU[i].normal;
                if (sourisConnue && IsMouseInBox(sourisX, sourisY, posPO[i])) {
                    plancheActuellementSelect = BOUTONS_MENU[i].selection;
                    chemin = BOUTONS_MENU[i].allume;
                }
                SDL_FreeSurface(plancheOption[i]);
                const char* refus = nullptr;
                plancheOption[i] = LireImage(chemin, &refus);
                int& dejaSignale = signale[i][chemin == BOUTONS_MENU[i].allume ? 1 : 0];
                if (plancheOption[i] == nullptr && !dejaSignale) {
                    printf("\n#ERREUR Erreur de chargement de l'image %s : %s #ERREUR_END", chemin,
                           refus != nullptr ? refus : IMG_GetError());
                    dejaSignale = 1;
                }
            }
        }

        // The buttons go into the background picture after it is on the
        // screen, so the screen shows them one frame late.
        Effacer(ecran);
        if (menu != nullptr) {
            // The stored rectangle itself: the blit writes the clipped area back, so a background larger than
            // the screen stands at (0, 0) from the second frame on, where the buttons drawn into it are tested.
            SDL_BlitSurface(menu, nullptr, ecran, &posMenu);
            for (int i = 0; i < 3; i++) {
                if (plancheOption[i] != nullptr) {
                    // The blit writes the clipped area back: that is what the pointer is tested against.
                    SDL_BlitSurface(plancheOption[i], nullptr, menu, &posPO[i]);
                }
            }
        }
        SDL_Flip(ecran);

        if (ctn && plancheActuellementSelect != nextPAS) {
            FMOD_System_PlaySound(systeme, CANAL_SURVOL, click, 0, nullptr);
            nextPAS = plancheActuellementSelect;
        }
    }

    SDL_FreeSurface(menu);
    for (int i = 0; i < 3; i++) {
        SDL_FreeSurface(plancheOption[i]);
    }
    FMOD_Sound_Release(click);
    FMOD_Sound_Release(song);
    return retour;
}

// The intro's script, in Latin-1.
static const char* const DIALOGUE[] = {
    "ZORVIK: Suis je mort ?",
    "ZORVIK: Non ...",
    "ZORVIK: Je n'ai plus de force ...",
    "ZORVIK: On dirais que quelq'un me parle ...",
    "ZORVIK: Je connais cette voix ...",
    "ZORVIK: Oui!",
    "ZORVIK: C'est celle de Ylvane!",
    "ZORVIK: Elle m'appelle !",
};
static const char* const EXCLAMATION = "! ";
static const char* const MONOLOGUE[] = {
    "Ylvane... je t'entends !",
    "Ta voix me tire des cendres,",
    "et le froid qui me tenait recule enfin...",
    "Bless\351, je tiens debout !",
    "La meute s'est dispers\351e aux quatre vents.",
    "Threnn, Gulm et Wispel errent,",
    "seuls, et perdus.",
    "Je les retrouverai, un par un, et nous",
    "passerons ensemble les collines du cr\351puscule",
    "jusqu'\340 ton appel.",
};

// Per-surface alpha is ignored on a picture with its own alpha channel, so
// such a portrait is faded through a copy whose alpha is scaled by hand: a
// copy of the part on the screen only, so a step costs at most a screenful.
static void BlitPortraitFondu(SDL_Surface* image, SDL_Surface* ecran, SDL_Rect pos, Uint8 alpha) {
    if (image->format->Amask == 0) {
        SDL_SetAlpha(image, SDL_SRCALPHA, alpha);
        SDL_BlitSurface(image, nullptr, ecran, &pos);
        return;
    }
    const int x0 = pos.x < 0 ? -pos.x : 0;
    const int y0 = pos.y < 0 ? -pos.y : 0;
    const int largeur = SDL_min(image->w - x0, ecran->w - (pos.x + x0));
    const int hauteur = SDL_min(image->h - y0, ecran->h - (pos.y + y0));
    if (largeur <= 0 || hauteur <= 0) {
        return;
    }
    const SDL_PixelFormat* f = image->format;
    SDL_Surface* copie =
        SDL_CreateRGBSurface(SDL_SWSURFACE, largeur, hauteur, 32, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (copie == nullptr) {
        return;
    }
    SDL_LockSurface(image);
    SDL_LockSurface(copie);
    for (int y = 0; y < hauteur; y++) {
        const Uint8* source = static_cast<const Uint8*>(image->pixels) + (y0 + y) * image->pitch + x0 * 4;
        Uint8* ligne = static_cast<Uint8*>(copie->pixels) + y * copie->pitch;
        memcpy(ligne, source, static_cast<size_t>(largeur) * 4);
        for (int x = 0; x < largeur; x++) {
            Uint32 pixel = 0;
            memcpy(&pixel, ligne + x * 4, sizeof pixel);
            Uint32 a = (pixel & f->Amask) >> f->Ashift;
            a = a * alpha / 255;
            pixel = (pixel & ~f->Amask) | (a << f->Ashift);
            memcpy(ligne + x * 4, &pixel, sizeof pixel);
        }
    }
    SDL_UnlockSurface(copie);
    SDL_UnlockSurface(image);
    SDL_Rect p = {static_cast<Sint16>(pos.x + x0), static_cast<Sint16>(pos.y + y0), 0, 0};
    SDL_BlitSurface(copie, nullptr, ecran, &p);
    SDL_FreeSurface(copie);
}

// A timed fade: `etape` runs once per step, each more than DELAI_FONDU ms
// after the one before, and one event is read per step.
template <typename Etape> static void Fondu(Uint32& tp, int dernier, Etape etape) {
    int ctn = 0;
    while (ctn <= dernier) {
        if (SDL_GetTicks() - tp > DELAI_FONDU) {
            etape(ctn);
            ctn++;
            tp = SDL_GetTicks();
            Escape();
        }
    }
}

void IntroGame(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    // The fades read one event per step and nothing here follows the pointer.
    const int souris = SuivreSouris(0);
    SDL_Surface* image = ChargerImage(IMG_PORTRAIT);

    Effacer(ecran);
    SDL_Flip(ecran);

    TTF_Font* police = OuvrirPolice(FONT_TESSMARIN, TAILLE_POLICE_INTRO);
    SDL_Color color = {NOIR_INTRO[0], NOIR_INTRO[1], NOIR_INTRO[2], 0};

    FMOD_SOUND* song = nullptr;
    FMOD_System_CreateSound(systeme, SND_MUSIQUE, MODE_EFFET, nullptr, &song);
    FMOD_Sound_SetLoopCount(song, -1);
    FMOD_System_PlaySound(systeme, CANAL_MUSIQUE, song, 0, nullptr);

    for (const char* ligne : DIALOGUE) {
        TxtBox_Print(EcranActuel(), systeme, ligne, police, color);
    }

    Uint32 tp = SDL_GetTicks();
    Fondu(tp, FONDU_BLANC_DERNIER, [](int ctn) {
        SDL_Surface* e = EcranActuel();
        Uint8 gris = static_cast<Uint8>(ctn & 0xFF);
        SDL_FillRect(e, nullptr, SDL_MapRGB(e->format, gris, gris, gris));
        SDL_Flip(e);
    });

    printf("#avant le ! ");
    TxtBox_Print(EcranActuel(), systeme, EXCLAMATION, police, color);
    printf("\n#apr\350s le !");

    SDL_Rect pos = {0, 0, 0, 0};
    if (image != nullptr) {
        pos.x = static_cast<Sint16>((LARGEUR_ECRAN - image->w) / 2);
        pos.y = static_cast<Sint16>(HAUTEUR_ECRAN - image->h);
    }
    // Without its portrait the fade-in keeps its pace over the white screen.
    Fondu(tp, FONDU_PORTRAIT_DERNIER, [image, pos](int ctn) {
        SDL_Surface* e = EcranActuel();
        if (image != nullptr) {
            BlitPortraitFondu(image, e, pos, static_cast<Uint8>(ctn & 0xFF));
        }
        SDL_Flip(e);
    });

    ecran = EcranActuel();
    Effacer(ecran);
    SDL_FreeSurface(image);
    image = ChargerImage(IMG_PORTRAIT_B);
    if (image != nullptr) {
        pos.x = static_cast<Sint16>((LARGEUR_ECRAN - image->w) / 2);
        pos.y = static_cast<Sint16>((HAUTEUR_ECRAN - image->h) / 2);
        SDL_Rect p = pos;
        SDL_BlitSurface(image, nullptr, ecran, &p);
    }
    SDL_Flip(ecran);

    for (const char* ligne : MONOLOGUE) {
        TxtBox_Print(EcranActuel(), systeme, ligne, police, color);
    }
    SDL_FreeSurface(image);

    SDL_Event event;
    int ctn = 1;
    while (ctn) {
        ecran = EcranActuel();
        Effacer(ecran);
        SDL_Flip(ecran);
        AttendreEvenement(&event);
        if (event.type == SDL_MOUSEBUTTONDOWN) {
            ctn = 0;
        } else if (event.type == SDL_QUIT) {
            exit(0);
        }
    }

    FMOD_Sound_Release(song);
    if (police != nullptr) {
        TTF_CloseFont(police);
    }
    SuivreSouris(souris);
}

int SDL_main(int argc, char* argv[]) {
    (void)argc;
    (void)argv;
    PlatformPutEnv(ENV_POSITION_FENETRE);
    // SDL_Quit is registered first so that it runs last at exit, once stop requests no longer reach SDL; they
    // are set up before SDL_Init, which (like the sound system) may start threads that must not take them.
    atexit(SDL_Quit);
    PlatformStopRequestsAsQuit();
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        printf("Unable to init SDL: %s\n", SDL_GetError());
        return 1;
    }
    TTF_Init();

    SDL_Surface* ecran = SetDisplayMode();
    if (ecran == nullptr) {
        PrintModeError();
        return 1;
    }
    SDL_WM_SetCaption(TITRE_FENETRE, nullptr);

    FMOD_SYSTEM* systeme = nullptr;
    FMOD_System_Create(&systeme);
    if (FMOD_System_Init(systeme, CANAUX_SON, FMOD_INIT_NORMAL, nullptr) != FMOD_OK) {
        printf("Unable to load fmodex");
        FMOD_System_Release(systeme);
        return 1;
    }

    StartPage(EcranActuel(), systeme);

    TTF_Font* police = OuvrirPolice(FONT_VOLTER, TAILLE_POLICE_MENU);
    SDL_Color color = {ROUGE_MENU[0], ROUGE_MENU[1], ROUGE_MENU[2], 0};

    for (;;) {
        ecran = EcranActuel();
        Effacer(ecran);
        SDL_Flip(ecran);
        int menu = Menu(ecran, systeme);
        switch (menu) {
        case NEW_GAME:
            IntroGame(EcranActuel(), systeme);
            break;
        case LOAD_GAME:
            TxtBox_Print(EcranActuel(), systeme, TEXTE_TEST, police, color);
            break;
        default:
            if (police != nullptr) {
                TTF_CloseFont(police);
            }
            FMOD_System_Close(systeme);
            FMOD_System_Release(systeme);
            exit(0);
        }
    }
}

// The two-button demo menu: exit and demo game, lit under the pointer.
namespace {

// A button picture, or a plain block in its place so a missing file leaves a button the player can still
// see and click.
SDL_Surface* DemoChargerBouton(SDL_Surface* ecran, const char* chemin, const std::uint8_t secours[3]) {
    SDL_Surface* planche = ChargerImage(chemin);
    if (planche == nullptr) {
        planche = SurfaceUnie(ecran, LARGEUR_BOUTON_SECOURS, HAUTEUR_BOUTON_SECOURS, secours);
    }
    return planche;
}

void DemoLiberer(SDL_Surface* menu, SDL_Surface* plancheOption[2]) {
    SDL_FreeSurface(menu);
    SDL_FreeSurface(plancheOption[0]);
    SDL_FreeSurface(plancheOption[1]);
}

} // namespace

int DemoMenu(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    (void)systeme;
    // Index 0 is exit, 1 demo game.
    const char* const normal[2] = {IMG_EXIT, IMG_DEMOGAME};
    const char* const surbrillance[2] = {IMG_EXIT_B, IMG_DEMOGAME_B};
    const int ligne[2] = {Y_DEMO_EXIT, Y_DEMO_DEMOGAME};
    const int resultat[2] = {0, 1};

    SDL_Surface* menu = ChargerImage(IMG_MENU);
    SDL_Surface* plancheOption[2] = {nullptr, nullptr};
    for (int i = 0; i < 2; ++i) {
        plancheOption[i] = DemoChargerBouton(ecran, normal[i], BOUTON_SECOURS);
    }
    if (menu == nullptr) {
        Test(ecran, NOIR_CARTE[0], NOIR_CARTE[1], NOIR_CARTE[2]);
        // A black screen-sized stand-in keeps the buttons where they belong and clickable.
        menu = SurfaceUnie(ecran, LARGEUR_ECRAN, HAUTEUR_ECRAN, NOIR);
    }

    SDL_Rect posMenu = {};
    posMenu.x = static_cast<Sint16>((LARGEUR_ECRAN - (menu != nullptr ? menu->w : LARGEUR_ECRAN)) / 2);
    posMenu.y = static_cast<Sint16>((HAUTEUR_ECRAN - (menu != nullptr ? menu->h : HAUTEUR_ECRAN)) / 2);
    SDL_Rect posPO[2] = {};
    for (int i = 0; i < 2; ++i) {
        const int w = plancheOption[i] != nullptr ? plancheOption[i]->w : 0;
        const int h = plancheOption[i] != nullptr ? plancheOption[i]->h : 0;
        posPO[i].x = static_cast<Sint16>((LARGEUR_ECRAN - w) / 2);
        posPO[i].y = static_cast<Sint16>(ligne[i]);
        posPO[i].w = static_cast<Uint16>(w);
        posPO[i].h = static_cast<Uint16>(h);
    }

    // Nothing is drawn before the first event: the screen keeps what it showed.
    SDL_Event event;
    int ctn = 1;
    while (ctn) {
        AttendreEvenement(&event);
        switch (event.type) {
        case SDL_KEYDOWN:
            if (event.key.keysym.sym == SDLK_ESCAPE) {
                DemoLiberer(menu, plancheOption);
                return 0;
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BOUTON_GAUCHE) {
                for (int i = 0; i < 2; ++i) {
                    if (IsMouseInBox(event.button.x, event.button.y, posPO[i])) {
                        DemoLiberer(menu, plancheOption);
                        return resultat[i];
                    }
                }
            }
            break;
        case SDL_MOUSEMOTION:
            for (int i = 0; i < 2; ++i) {
                const int dessus = IsMouseInBox(event.motion.x, event.motion.y, posPO[i]);
                SDL_Surface* planche = DemoChargerBouton(ecran, dessus ? surbrillance[i] : normal[i],
                                                         dessus ? BOUTON_SECOURS_B : BOUTON_SECOURS);
                SDL_FreeSurface(plancheOption[i]);
                plancheOption[i] = planche;
            }
            break;
        case SDL_QUIT:
            exit(0);
        default:
            break;
        }

        Effacer(ecran);
        SDL_Rect dest = posMenu; // a copy: the background stays centred, though the blit clips its destination
        SDL_BlitSurface(menu, nullptr, ecran, &dest);
        // The buttons are painted into the background itself, so the screen shows them from the next
        // redraw on; each blit also leaves the drawn size in the button's rectangle, which the hit test uses.
        for (int i = 0; i < 2; ++i) {
            SDL_BlitSurface(plancheOption[i], nullptr, menu, &posPO[i]);
        }
        SDL_Flip(ecran);
    }
    DemoLiberer(menu, plancheOption);
    return 0;
}
