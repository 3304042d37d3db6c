// The game session, the save records' creation, and the small event helpers.
#ifndef DUSKWANE_JEU_H
#define DUSKWANE_JEU_H

#include <SDL.h>

#include "sound.h"
#include "struct.h"

int JeuMain(SDL_Surface* ecran, FMOD_SYSTEM* systeme, int parametreJeu);
sav* InitSave();
void FreeSave(sav* save);
void Test(SDL_Surface* ecran, int x, int y, int z);
void Escape();
// SDL_WaitEvent for every screen that sleeps until something happens. A failed wait means SDL's event queue is
// gone and no input can ever come: the game says so in a debugging line and ends with status 1.
void AttendreEvenement(SDL_Event* event);
int DemoFirstMap(SDL_Surface* ecran, FMOD_SYSTEM* systeme);

#endif
