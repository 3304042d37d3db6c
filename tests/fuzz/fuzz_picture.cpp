// The game's picture loader under libFuzzer, on a file as the screens load it:
// no picture may decode larger than the game takes, whatever its header says.
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "constantes.h"
#include "image.h"

static std::string chemin;

// SDL_image 1.2.12 leaves libtiff's handle behind when a TIFF fails to decode: the system's leak, not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libtiff.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char modele[] = "/tmp/duskwane-fuzz-XXXXXX";
    if (mkdtemp(modele) == nullptr || SDL_Init(0) < 0) {
        std::fprintf(stderr, "no scratch directory\n");
        std::exit(1);
    }
    chemin = std::string(modele) + "/image.jpg";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FILE* f = std::fopen(chemin.c_str(), "wb");
    if (f == nullptr || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
        std::abort();
    }
    SDL_Surface* image = LireImage(chemin.c_str(), nullptr);
    if (image != nullptr && (image->w > IMAGE_COTE_MAX || image->h > IMAGE_COTE_MAX)) {
        std::fprintf(stderr, "a picture of %d x %d got through\n", image->w, image->h);
        std::abort();
    }
    SDL_FreeSurface(image);
    return 0;
}
