// The records of a saved game: plain data, no behaviour.
#ifndef DUSKWANE_STRUCT_H
#define DUSKWANE_STRUCT_H

#include <SDL.h>

typedef struct stat_ {
    int lvl;
    int pv;
    int vitesse;
    int force;
} stat;

typedef struct wolf_ {
    SDL_Surface* skin[2];
    SDL_Rect pos;
    int id;
    stat stats;
} wolf;

typedef struct sav_ {
    int HKey;
    int PKey;
    int GKey;
    int pts;
    wolf* zorvik;
    wolf* threnn;
    wolf* gulm;
    wolf* wispel;
} sav;

#endif
