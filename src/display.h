// The display mode: a centred window or full screen, the F11 toggle, and the
// screen surface every screen draws into.
#ifndef DUSKWANE_DISPLAY_H
#define DUSKWANE_DISPLAY_H

#include <SDL.h>

// 0 windowed, 1 full screen; shared by every screen so F11 carries across them.
extern int fullScreen;

// Sets the mode that fullScreen names; returns the new screen surface or null.
SDL_Surface* SetDisplayMode();
// F11: switches between a centred window and full screen. A refused mode goes
// back to the old one; when that is refused too the game ends with status 1.
void ToggleDisplayMode();
// The line a refused video mode prints.
void PrintModeError();
// The surface every screen must draw into after a mode change.
SDL_Surface* EcranActuel();

#endif
