// What differs between the systems the game runs on, behind two calls; one
// unit per system implements them (platform_posix.cpp, platform_win32.cpp).
#ifndef DUSKWANE_PLATFORM_H
#define DUSKWANE_PLATFORM_H

// Puts "NAME=value" into the process environment for the rest of the run
// (SDL reads its window-placement variables from there).
void PlatformPutEnv(const char* entry);

// Makes the system's requests to stop the game arrive as SDL close requests,
// which every screen already honours. Called once, after SDL_Init.
void PlatformStopRequestsAsQuit();

#endif
