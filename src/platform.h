// What differs between the systems the game runs on, behind two calls; one
// unit per system implements them (platform_posix.cpp, platform_win32.cpp).
#ifndef DUSKWANE_PLATFORM_H
#define DUSKWANE_PLATFORM_H

// Puts "NAME=value" into the process environment for the rest of the run
// (SDL reads its window-placement variables from there).
void PlatformPutEnv(const char* entry);

// Makes the system's requests to stop the game (a terminate, interrupt or
// hang-up signal; the console's Ctrl-C or close) arrive as SDL close requests,
// which every screen honours with exit(0). Called once, before SDL_Init and
// anything else that may start a thread, and after atexit(SDL_Quit): what it
// registers to run at exit then runs before SDL_Quit, so no request reaches
// SDL's queue while SDL takes it down.
void PlatformStopRequestsAsQuit();

#endif
