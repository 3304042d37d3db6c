#include "collision.h"

int IsMouseInBox(int curseurx, int curseury, SDL_Rect box) {
    // x, y are signed 16-bit and w, h unsigned 16-bit: widen each before the sums so a box near the
    // 16-bit limits neither wraps nor loses its far edge.
    const int x = box.x;
    const int y = box.y;
    const int w = box.w;
    const int h = box.h;
    return (curseurx >= x && curseurx < x + w && curseury >= y && curseury < y + h) ? 1 : 0;
}
