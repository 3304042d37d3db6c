// The program's entry, the map file and the screens.
#ifndef DUSKWANE_MAIN_H
#define DUSKWANE_MAIN_H

#include <SDL.h>

#include "sound.h"

int SDL_main(int argc, char* argv[]);

void DemoCreateMap();

int StartPage(SDL_Surface* ecran, FMOD_SYSTEM* systeme);
int Menu(SDL_Surface* ecran, FMOD_SYSTEM* systeme);
void IntroGame(SDL_Surface* ecran, FMOD_SYSTEM* systeme);
int DemoMenu(SDL_Surface* ecran, FMOD_SYSTEM* systeme);

#endif
