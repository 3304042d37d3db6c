// The libFuzzer target of the sound layer: any input written to a file and
// created as a decoded sample through the layer's own entry, as the game
// calls it, then played and released. The layer tells a file's kind by its
// first bytes, so one target reaches every decoder. At the end it prints how
// many inputs of each kind it ran.
#include <SDL.h>
#include <ogg/ogg.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "constantes.h"
#include "sound.h"

namespace {

FMOD_SYSTEM* systeme = nullptr;
std::string chemin;
unsigned long parSorte[3]; // RIFF, Ogg, anything else (MPEG audio or no kind)

// libogg drops a page whose checksum is wrong: each page's is made right again,
// so that mutated pages reach the Vorbis decoder.
void RecalculeLesPagesOgg(std::vector<unsigned char>& d) {
    size_t pos = 0;
    while (pos + 27 <= d.size() && std::memcmp(&d[pos], "OggS", 4) == 0) {
        const size_t entete = 27 + d[pos + 26];
        if (pos + entete > d.size()) {
            return;
        }
        size_t corps = 0;
        for (size_t i = pos + 27; i < pos + entete; ++i) {
            corps += d[i];
        }
        if (pos + entete + corps > d.size()) {
            return;
        }
        ogg_page page{&d[pos], static_cast<long>(entete), &d[pos + entete], static_cast<long>(corps)};
        ogg_page_checksum_set(&page);
        pos += entete + corps;
    }
}

void Compte() {
    std::fprintf(stderr, "# sound fuzzer: %lu wav, %lu ogg, %lu mp3 or other inputs\n", parSorte[0], parSorte[1],
                 parSorte[2]);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    char modele[] = "/tmp/duskwane-fuzz-XXXXXX";
    if (mkdtemp(modele) == nullptr || SDL_Init(0) < 0 || FMOD_System_Create(&systeme) != FMOD_OK ||
        FMOD_System_Init(systeme, CANAUX_SON, FMOD_INIT_NORMAL, nullptr) != FMOD_OK) {
        std::fprintf(stderr, "no sound system to fuzz\n");
        std::exit(1);
    }
    chemin = std::string(modele) + "/son";
    std::atexit(Compte);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::vector<unsigned char> octets(data, data + size);
    const bool ogg = size >= 4 && std::memcmp(data, "OggS", 4) == 0;
    ++parSorte[size >= 4 && std::memcmp(data, "RIFF", 4) == 0 ? 0 : ogg ? 1 : 2];
    if (ogg) {
        RecalculeLesPagesOgg(octets);
    }
    std::FILE* f = std::fopen(chemin.c_str(), "wb");
    if (f == nullptr || std::fwrite(octets.data(), 1, octets.size(), f) != octets.size() || std::fclose(f) != 0) {
        std::abort();
    }
    FMOD_SOUND* son = nullptr;
    if (FMOD_System_CreateSound(systeme, chemin.c_str(), MODE_EFFET, nullptr, &son) == FMOD_OK) {
        FMOD_System_PlaySound(systeme, FMOD_CHANNEL_FREE, son, 0, nullptr);
        FMOD_Sound_Release(son);
    }
    return 0;
}
