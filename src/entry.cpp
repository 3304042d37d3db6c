// SDL 1.2 has no entry wrapper on this platform: hand over to the game's own entry.
#include "main.h"

int main(int argc, char* argv[]) {
    return SDL_main(argc, argv);
}
