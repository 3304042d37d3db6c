// The records of a saved game: plain data, no behaviour.
#ifndef DUSKWANE_STRUCT_H
#define DUSKWANE_STRUCT_H

#include <SDL.h>

// The records sit in a namespace of their own because `stat` would clash
// with the C library's file-status function and record.
namespace duskwane {

struct stat {
    int lvl;
    int pv;
    int vitesse;
    int force;
};

struct wolf {
    SDL_Surface* skin[2];
    SDL_Rect pos;
    int id;
    stat stats;
};

struct sav {
    int HKey;
    int PKey;
    int GKey;
    int pts;
    wolf* zorvik;
    wolf* threnn;
    wolf* gulm;
    wolf* wispel;
};

} // namespace duskwane

using duskwane::sav;
using duskwane::wolf;

#endif
