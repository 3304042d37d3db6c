// SDL 1.2 events as the player's keyboard and mouse make them, for pushing
// into the queue; shared by the tests and the benchmark.
#ifndef DUSKWANE_TEST_EVENTS_H
#define DUSKWANE_TEST_EVENTS_H

#include <SDL.h>

namespace evenements {

inline SDL_Event Key(SDLKey sym) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    return e;
}

inline SDL_Event KeyUp(SDLKey sym) {
    SDL_Event e = Key(sym);
    e.type = SDL_KEYUP;
    e.key.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    return e;
}

inline SDL_Event Click(int button, int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = static_cast<Uint8>(button);
    e.button.state = SDL_PRESSED;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    return e;
}

inline SDL_Event Release(int button, int x, int y) {
    SDL_Event e = Click(button, x, y);
    e.type = SDL_MOUSEBUTTONUP;
    e.button.type = SDL_MOUSEBUTTONUP;
    e.button.state = SDL_RELEASED;
    return e;
}

inline SDL_Event Motion(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.type = SDL_MOUSEMOTION;
    e.motion.x = static_cast<Uint16>(x);
    e.motion.y = static_cast<Uint16>(y);
    return e;
}

inline SDL_Event Quit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    return e;
}

} // namespace evenements

#endif
