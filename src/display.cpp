// The display mode and its F11 toggle. SDL may hand back another screen
// surface on every mode change, so the current one is kept here and every
// screen draws into EcranActuel() after a toggle.
#include "display.h"

#include <cstdio>
#include <cstdlib>

#include "constantes.h"
#include "platform.h"
#include "pointer.h"

int fullScreen = 0;

static SDL_Surface* ecranActuel = nullptr;

SDL_Surface* EcranActuel() {
    return ecranActuel;
}

SDL_Surface* SetDisplayMode() {
    InstallerFiltreSouris();
    SDL_Surface* ecran = nullptr;
    if (fullScreen == 0) {
        PlatformPutEnv(ENV_POSITION_FENETRE);
        ecran = SDL_SetVideoMode(LARGEUR_ECRAN, HAUTEUR_ECRAN, BPP_ECRAN, FLAGS_FENETRE);
    } else {
        ecran = SDL_SetVideoMode(LARGEUR_ECRAN, HAUTEUR_ECRAN, BPP_ECRAN, FLAGS_PLEIN_ECRAN);
    }
    if (ecran != nullptr) {
        ecranActuel = ecran;
    }
    return ecran;
}

void ToggleDisplayMode() {
    SDL_Surface* ecran = nullptr;
    if (fullScreen == 0) {
        ecran = SDL_SetVideoMode(LARGEUR_ECRAN, HAUTEUR_ECRAN, BPP_ECRAN, FLAGS_PLEIN_ECRAN);
    } else {
        PlatformPutEnv(ENV_FENETRE_CENTREE);
        ecran = SDL_SetVideoMode(LARGEUR_ECRAN, HAUTEUR_ECRAN, BPP_ECRAN, FLAGS_FENETRE);
    }
    if (ecran != nullptr) {
        ecranActuel = ecran;
        fullScreen = fullScreen == 0 ? 1 : 0;
        return;
    }
    // A refused mode would leave the screens without a surface to draw into:
    // stay in (or go back to) the mode we had, and keep the flag saying so.
    printf("\n#ERREUR Changement de mode refus\351 : %s #ERREUR_END", SDL_GetError());
    ecran = SDL_SetVideoMode(LARGEUR_ECRAN, HAUTEUR_ECRAN, BPP_ECRAN, fullScreen ? FLAGS_PLEIN_ECRAN : FLAGS_FENETRE);
    if (ecran == nullptr) {
        // SDL has already freed the old screen: nothing is left to draw into, so the game ends as a failed
        // start-up does.
        printf("\n");
        PrintModeError();
        exit(1);
    }
    ecranActuel = ecran;
}

void PrintModeError() {
    printf("Unable to set %d x %d video: %s\n", LARGEUR_ECRAN, HAUTEUR_ECRAN, SDL_GetError());
}
