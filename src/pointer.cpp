// The pointer filter on the desktop's SDL 1.2 (the browser's queue has no
// limit: src/platform_web.cpp).
#include "pointer.h"

#include <SDL.h>

#include <atomic>

#include "constantes.h"

// Set by the screens, read by the filter on whichever thread posts an event.
static std::atomic<int> sourisSuivie{1};

// SDL passes every event its drivers post through the filter before the queue.
static int FiltreSouris(const SDL_Event* event) {
    return sourisSuivie || event->type != SDL_MOUSEMOTION;
}

int SuivreSouris(int suivre) {
    return sourisSuivie.exchange(suivre);
}

void InstallerFiltreSouris() {
    if (SDL_GetEventFilter() == FiltreSouris) {
        return;
    }
    // Classic SDL empties the queue when a filter is set: what waits there is taken out and put back.
    SDL_Event attente[FILE_EVENEMENTS];
    const int n = SDL_PeepEvents(attente, FILE_EVENEMENTS, SDL_GETEVENT, SDL_ALLEVENTS);
    SDL_SetEventFilter(FiltreSouris);
    if (n > 0) {
        SDL_PeepEvents(attente, n, SDL_ADDEVENT, SDL_ALLEVENTS);
    }
}
