// Drawing and measuring text, the typewriter text box, and the key-or-click wait.
#ifndef DUSKWANE_SDLTXT_H
#define DUSKWANE_SDLTXT_H

#include <SDL.h>
#include <SDL_ttf.h>

#include "sound.h"

void BlitTxt(SDL_Surface* ecran, const char* txt, TTF_Font* police, SDL_Color color, SDL_Rect pos);
void BlitTxt_Shaded(SDL_Surface* ecran, const char* txt, TTF_Font* police, SDL_Color color, SDL_Rect pos);
int GetTailleTxt(const char* txt, TTF_Font* police, SDL_Color color);
void InitChaine(char* txt, int tc);
int Tc(const char* txt);

// The font at `chemin` and size `taille`, or null with "#ERREUR Erreur de chargement de la police <chemin> :
// <why> #ERREUR_END" when it cannot be opened or SDL_ttf would draw its lines off the screen or its glyphs
// outside the surface it renders them into.
TTF_Font* OuvrirPolice(const char* chemin, int taille);

int TxtBox_Print(SDL_Surface* ecran, FMOD_SYSTEM* systeme, const char* txt, TTF_Font* police, SDL_Color color);

void WaitEvent();

#endif
