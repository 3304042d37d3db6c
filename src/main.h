// The program's entry, its display mode, the map file and the screens.
#ifndef DUSKWANE_MAIN_H
#define DUSKWANE_MAIN_H

#include <SDL.h>

#include "sound.h"

// 0 windowed, 1 full screen; shared by every screen so F11 carries across them.
extern int fullScreen;

int SDL_main(int argc, char* argv[]);

// Sets the mode that fullScreen names; returns the new screen surface or null.
SDL_Surface* SetDisplayMode();
// F11: switches between a centred window and full screen.
void ToggleDisplayMode();
// The surface every screen must draw into after a mode change.
SDL_Surface* EcranActuel();

void DemoCreateMap();

int StartPage(SDL_Surface* ecran, FMOD_SYSTEM* systeme);
int Menu(SDL_Surface* ecran, FMOD_SYSTEM* systeme);
void IntroGame(SDL_Surface* ecran, FMOD_SYSTEM* systeme);
int DemoMenu(SDL_Surface* ecran, FMOD_SYSTEM* systeme);

#endif
