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
// Whether pointer motion reaches SDL's queue (1) or is kept out (0); returns
// the previous setting. The queue holds 128 events and drops what comes once
// it is full, a close request too: a screen that reads one event per step and
// never looks at the pointer keeps motion out while it is up.
int SuivreSouris(int suivre);

#endif
