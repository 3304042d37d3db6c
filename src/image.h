// Pictures: every picture the game draws is loaded here.
#ifndef DUSKWANE_IMAGE_H
#define DUSKWANE_IMAGE_H

#include <SDL.h>

// The picture at `chemin`, decoded, or null. Its header is read first: a picture that declares more than
// IMAGE_COTE_MAX pixels on a side, a JPEG of more than IMAGE_PASSES_MAX scans, or a file whose size cannot be
// read from a header the game knows, is refused before anything is decoded, and *refus (when given) says why.
// Otherwise *refus is null and IMG_GetError() says why a picture that failed could not be read.
SDL_Surface* LireImage(const char* chemin, const char** refus);

// LireImage with "#ERREUR Erreur de chargement de l'image <chemin> : <why> #ERREUR_END" on failure.
SDL_Surface* ChargerImage(const char* chemin);

#endif
