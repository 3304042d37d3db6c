#include "jeu.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "constantes.h"
#include "image.h"

namespace {

void Remplir(SDL_Surface* ecran, const std::uint8_t couleur[3]) {
    SDL_FillRect(ecran, nullptr, SDL_MapRGB(ecran->format, couleur[0], couleur[1], couleur[2]));
    SDL_Flip(ecran);
}

void FreeWolf(wolf* loup) {
    if (loup == nullptr) {
        return;
    }
    SDL_FreeSurface(loup->skin[0]);
    SDL_FreeSurface(loup->skin[1]);
    delete loup;
}

} // namespace

int JeuMain(SDL_Surface* ecran, FMOD_SYSTEM* systeme, int parametreJeu) {
    (void)systeme;
    SDL_Event event;
    for (;;) {
        Remplir(ecran, FOND_JEU);
        switch (parametreJeu) {
        case EXIT:
        case CINEMATHIQUE:
            exit(0);
        case NEW_GAME: {
            sav* save = InitSave();
            // Nothing plays a game from the save yet; release it rather than leave it behind.
            FreeSave(save);
            return GAME;
        }
        case LOAD_GAME:
            Test(ecran, VERT_CHARGEMENT[0], VERT_CHARGEMENT[1], VERT_CHARGEMENT[2]);
            break;
        default:
            // No screen for these states yet: the background stays up, asleep until an event comes,
            // and only closing the window leaves.
            AttendreEvenement(&event);
            if (event.type == SDL_QUIT) {
                exit(0);
            }
            break;
        }
    }
}

sav* InitSave() {
    sav* save = new (std::nothrow) sav();
    if (save == nullptr) {
        return nullptr;
    }
    save->zorvik = new (std::nothrow) wolf();
    if (save->zorvik == nullptr) {
        delete save;
        return nullptr;
    }
    wolf* zorvik = save->zorvik;
    zorvik->skin[0] = LireImage(IMG_WOLF_ZORVIK, nullptr);
    zorvik->id = ZORVIK;
    zorvik->pos.x = ZORVIK_X;
    zorvik->pos.y = ZORVIK_Y;
    zorvik->stats.lvl = ZORVIK_LVL;
    zorvik->stats.pv = ZORVIK_PV;
    zorvik->stats.vitesse = ZORVIK_VITESSE;
    zorvik->stats.force = ZORVIK_FORCE;
    return save;
}

void FreeSave(sav* save) {
    if (save == nullptr) {
        return;
    }
    FreeWolf(save->zorvik);
    FreeWolf(save->threnn);
    FreeWolf(save->gulm);
    FreeWolf(save->wispel);
    delete save;
}

void Test(SDL_Surface* ecran, int x, int y, int z) {
    const std::uint8_t couleur[3] = {static_cast<std::uint8_t>(x & 0xFF), static_cast<std::uint8_t>(y & 0xFF),
                                     static_cast<std::uint8_t>(z & 0xFF)};
    SDL_Event event;
    int ctn = 1;
    while (ctn) {
        Remplir(ecran, couleur);
        AttendreEvenement(&event);
        if (event.type == SDL_MOUSEBUTTONDOWN) {
            ctn = 0;
        } else if (event.type == SDL_QUIT) {
            exit(0);
        }
    }
}

void Escape() {
    SDL_Event event;
    if (SDL_PollEvent(&event) == 1 && event.type == SDL_QUIT) {
        exit(0);
    }
}

void AttendreEvenement(SDL_Event* event) {
    // Classic SDL reports the failure with 0, SDL 1.2 over SDL 2 with -1.
    if (SDL_WaitEvent(event) != 1) {
        printf("\n#ERREUR Plus aucun \351v\351nement \340 attendre : %s #ERREUR_END", SDL_GetError());
        exit(1);
    }
}

int DemoFirstMap(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    SDL_Surface* menu = LireImage(IMG_MENU, nullptr);
    SDL_Surface* plancheOption[3] = {nullptr, nullptr, nullptr};
    plancheOption[0] = LireImage(IMG_EXIT, nullptr);
    plancheOption[1] = LireImage(IMG_NEWGAME, nullptr);
    plancheOption[2] = LireImage(IMG_LOADGAME_ENTREE, nullptr);
    FMOD_SOUND* click = nullptr;
    FMOD_SOUND* song = nullptr;
    FMOD_System_CreateSound(systeme, SND_CLICK, MODE_EFFET, nullptr, &click);
    FMOD_System_CreateSound(systeme, SND_WIND, MODE_AMBIANCE, nullptr, &song);

    if (menu == nullptr) {
        Test(ecran, ROUGE_CARTE[0], ROUGE_CARTE[1], ROUGE_CARTE[2]);
    }

    // The map is not drawn yet, so nothing here outlives the call.
    FMOD_Sound_Release(click);
    FMOD_Sound_Release(song);
    for (SDL_Surface* planche : plancheOption) {
        SDL_FreeSurface(planche);
    }
    SDL_FreeSurface(menu);
    return 0;
}
