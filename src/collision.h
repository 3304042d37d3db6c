#ifndef DUSKWANE_COLLISION_H
#define DUSKWANE_COLLISION_H

#include <SDL.h>

// 1 when the point lies in box: left and top edges inside, right and bottom outside.
int IsMouseInBox(int curseurx, int curseury, SDL_Rect box);

#endif
