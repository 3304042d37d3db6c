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
int DemoFirstMap(SDL_Surface* ecran, FMOD_SYSTEM* systeme);

#endif
