// Pictures. A decoder takes memory and time for the size a file declares, not the size it is: a JPEG of
// 290 bytes claiming 16383 x 43690 pixels took 2 GB, one of 15,000 empty progressive scans 45 s. So the header
// is read here first, and the decoder (SDL_image) only sees a picture the game could show.
#include "image.h"

#include <SDL_image.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "constantes.h"

namespace {

struct Entete {
    std::uint32_t largeur = 0;
    std::uint32_t hauteur = 0;
    std::uint32_t passes = 0; // a JPEG's scans
    bool taille = false;      // whether the size was found
    bool abimee = false;      // blocks that the decoder would read past the end of the file
};

// n bytes as an unsigned number, most significant first or last; false at the end of the file.
bool Nombre(FILE* f, int n, bool grosBout, std::uint32_t* v) {
    *v = 0;
    for (int i = 0; i < n; i++) {
        const int c = getc(f);
        if (c == EOF) {
            return false;
        }
        *v = grosBout ? (*v << 8) | static_cast<std::uint32_t>(c) : *v | (static_cast<std::uint32_t>(c) << (8 * i));
    }
    return true;
}

bool Sauter(FILE* f, std::uint32_t n) {
    return n <= 0x7FFFFFFFu && fseek(f, static_cast<long>(n), SEEK_CUR) == 0;
}

// The frame's size (SOF), and the scans (SOS) counted through the coded data up to the end of the picture.
void LireJpeg(FILE* f, Entete& e) {
    for (;;) {
        int c = getc(f);
        if (c == EOF) {
            return;
        }
        if (c != 0xFF) {
            continue; // coded data
        }
        do {
            c = getc(f);
        } while (c == 0xFF);
        if (c == EOF || c == 0xD9) {
            return;
        }
        if (c == 0x00 || c == 0x01 || (c >= 0xD0 && c <= 0xD7)) {
            continue; // an escaped 0xFF in coded data, or a marker without a segment
        }
        std::uint32_t longueur = 0;
        if (!Nombre(f, 2, true, &longueur) || longueur < 2) {
            return;
        }
        longueur -= 2;
        const bool image = c >= 0xC0 && c <= 0xCF && c != 0xC4 && c != 0xC8 && c != 0xCC;
        if (image && !e.taille && longueur >= 5) {
            std::uint32_t precision = 0;
            if (!Nombre(f, 1, true, &precision) || !Nombre(f, 2, true, &e.hauteur) || !Nombre(f, 2, true, &e.largeur)) {
                return;
            }
            e.taille = true;
            longueur -= 5;
        } else if (c == 0xDA) {
            ++e.passes;
        }
        if (!Sauter(f, longueur)) {
            return;
        }
    }
}

// Data sub-blocks up to their empty terminator; false if the file ends first. SDL_image 1.2.12 reads such a
// chain until it meets a block of length 0, and at the end of the file never does: it would loop for ever.
bool Blocs(FILE* f) {
    std::uint32_t bloc = 0;
    while (Nombre(f, 1, false, &bloc)) {
        if (bloc == 0) {
            return true;
        }
        if (!Sauter(f, bloc)) {
            return false;
        }
    }
    return false;
}

// The bytes of the colour table that follows a screen's or a picture's flags, if they say it is there.
std::uint32_t Palette(std::uint32_t drapeaux) {
    return (drapeaux & 0x80) ? 3u << ((drapeaux & 7) + 1) : 0;
}

// The first picture's own size, past the extensions before it, read as the decoder reads the file.
void LireGif(FILE* f, Entete& e) {
    std::uint32_t largeur = 0, hauteur = 0, drapeaux = 0;
    if (!Nombre(f, 2, false, &largeur) || !Nombre(f, 2, false, &hauteur) || !Nombre(f, 1, false, &drapeaux) ||
        !Sauter(f, 2 + Palette(drapeaux))) {
        return;
    }
    for (;;) {
        const int c = getc(f);
        if (c == EOF || c == 0x3B) {
            return; // no picture
        }
        if (c == 0x21) {
            // The decoder takes a graphic control extension's first block, empty or not, and then its chain.
            const int etiquette = getc(f);
            std::uint32_t premier = 0;
            if (etiquette == EOF || (etiquette == 0xF9 && !(Nombre(f, 1, false, &premier) && Sauter(f, premier))) ||
                !Blocs(f)) {
                e.abimee = true;
                return;
            }
        } else if (c == 0x2C) {
            // The data start with the code size, the bits of a pixel: at most 8. SDL_image 1.2.12 takes any, and
            // one of 240 sent it reading past the end of the file for ever.
            std::uint32_t cotes[2] = {0, 0}, bits = 0;
            e.taille = Sauter(f, 4) && Nombre(f, 2, false, &cotes[0]) && Nombre(f, 2, false, &cotes[1]) &&
                       Nombre(f, 1, false, &drapeaux) && Sauter(f, Palette(drapeaux)) && Nombre(f, 1, false, &bits);
            e.abimee = !e.taille || bits > 8 || !Blocs(f);
            e.largeur = cotes[0];
            e.hauteur = cotes[1];
            return;
        } // any other byte is skipped, as the decoder does
    }
}

void LireBmp(FILE* f, Entete& e) {
    std::uint32_t entete = 0;
    if (!Sauter(f, 12) || !Nombre(f, 4, false, &entete)) {
        return;
    }
    const int n = entete == 12 ? 2 : 4; // the old header has 16-bit sides
    std::uint32_t largeur = 0, hauteur = 0;
    e.taille = Nombre(f, n, false, &largeur) && Nombre(f, n, false, &hauteur);
    // The newer sides are signed: a picture stored top down has a negative height.
    auto cote = [](std::uint32_t v) { return (v & 0x80000000u) ? 0u - v : v; };
    e.largeur = cote(largeur);
    e.hauteur = cote(hauteur);
}

// The first directory's width and length tags.
void LireTiff(FILE* f, bool grosBout, Entete& e) {
    std::uint32_t repertoire = 0, entrees = 0;
    if (!Nombre(f, 2, grosBout, &repertoire) || !Nombre(f, 4, grosBout, &repertoire) || repertoire > 0x7FFFFFFFu ||
        fseek(f, static_cast<long>(repertoire), SEEK_SET) != 0 || !Nombre(f, 2, grosBout, &entrees)) {
        return;
    }
    bool largeur = false, hauteur = false;
    for (std::uint32_t i = 0; i < entrees && !(largeur && hauteur); i++) {
        std::uint32_t etiquette = 0, type = 0, compte = 0, valeur = 0;
        if (!Nombre(f, 2, grosBout, &etiquette) || !Nombre(f, 2, grosBout, &type) || !Nombre(f, 4, grosBout, &compte) ||
            !Nombre(f, type == 3 ? 2 : 4, grosBout, &valeur) || (type == 3 && !Sauter(f, 2))) {
            return;
        }
        if (etiquette == 256) {
            e.largeur = valeur;
            largeur = true;
        } else if (etiquette == 257) {
            e.hauteur = valeur;
            hauteur = true;
        }
    }
    e.taille = largeur && hauteur;
}

// Width and height in decimal after the magic number, past blanks and comments.
void LirePnm(FILE* f, Entete& e) {
    std::uint32_t cotes[2] = {0, 0};
    for (std::uint32_t& cote : cotes) {
        int c = getc(f);
        while (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '#') {
            if (c == '#') {
                while (c != '\n' && c != EOF) {
                    c = getc(f);
                }
            }
            c = getc(f);
        }
        if (c < '0' || c > '9') {
            return;
        }
        for (; c >= '0' && c <= '9'; c = getc(f)) {
            cote = cote > 0xFFFFFFFu ? 0xFFFFFFFFu : cote * 10 + static_cast<std::uint32_t>(c - '0');
        }
    }
    e.largeur = cotes[0];
    e.hauteur = cotes[1];
    e.taille = true;
}

// The header of every format the game takes (those SDL_image reads but cannot be bounded here are refused).
Entete LireEntete(FILE* f) {
    Entete e;
    unsigned char debut[8] = {};
    const size_t lus = fread(debut, 1, sizeof debut, f);
    static const unsigned char PNG[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (lus == 8 && memcmp(debut, PNG, 8) == 0) {
        // IHDR comes first: its length and name, then the sides.
        e.taille = Sauter(f, 8) && Nombre(f, 4, true, &e.largeur) && Nombre(f, 4, true, &e.hauteur);
    } else if (lus >= 3 && debut[0] == 0xFF && debut[1] == 0xD8 && debut[2] == 0xFF) {
        fseek(f, 2, SEEK_SET);
        LireJpeg(f, e);
    } else if (lus >= 6 && (memcmp(debut, "GIF87a", 6) == 0 || memcmp(debut, "GIF89a", 6) == 0)) {
        fseek(f, 6, SEEK_SET);
        LireGif(f, e);
    } else if (lus >= 2 && debut[0] == 'B' && debut[1] == 'M') {
        fseek(f, 2, SEEK_SET);
        LireBmp(f, e);
    } else if (lus >= 4 && (memcmp(debut, "II*\0", 4) == 0 || memcmp(debut, "MM\0*", 4) == 0)) {
        fseek(f, 2, SEEK_SET);
        LireTiff(f, debut[0] == 'M', e);
    } else if (lus >= 3 && debut[0] == 'P' && debut[1] >= '1' && debut[1] <= '6') {
        fseek(f, 2, SEEK_SET);
        LirePnm(f, e);
    }
    return e;
}

char raison[160];

} // namespace

SDL_Surface* LireImage(const char* chemin, const char** refus) {
    if (refus != nullptr) {
        *refus = nullptr;
    }
    // A file that cannot be opened is the decoder's to report, in its own words.
    FILE* f = fopen(chemin, "rb");
    if (f != nullptr) {
        const Entete e = LireEntete(f);
        fclose(f);
        raison[0] = '\0';
        if (e.abimee) {
            snprintf(raison, sizeof raison, "image GIF ab\356m\351e");
        } else if (!e.taille) {
            snprintf(raison, sizeof raison, "format d'image inconnu ou taille illisible");
        } else if (e.largeur == 0 || e.hauteur == 0) {
            // Nothing to show, and SDL_image 1.2.12 writes through a null pointer for a GIF of 0 x 0.
            snprintf(raison, sizeof raison, "image de %lu x %lu pixels, vide", static_cast<unsigned long>(e.largeur),
                     static_cast<unsigned long>(e.hauteur));
        } else if (e.largeur > static_cast<std::uint32_t>(IMAGE_COTE_MAX) ||
                   e.hauteur > static_cast<std::uint32_t>(IMAGE_COTE_MAX)) {
            snprintf(raison, sizeof raison, "image de %lu x %lu pixels, plus de %d sur un c\364t\351",
                     static_cast<unsigned long>(e.largeur), static_cast<unsigned long>(e.hauteur), IMAGE_COTE_MAX);
        } else if (e.passes > static_cast<std::uint32_t>(IMAGE_PASSES_MAX)) {
            snprintf(raison, sizeof raison, "image de %lu x %lu pixels en %lu passes, plus de %d",
                     static_cast<unsigned long>(e.largeur), static_cast<unsigned long>(e.hauteur),
                     static_cast<unsigned long>(e.passes), IMAGE_PASSES_MAX);
        }
        if (raison[0] != '\0') {
            if (refus != nullptr) {
                *refus = raison;
            }
            return nullptr;
        }
    }
    return IMG_Load(chemin);
}

SDL_Surface* ChargerImage(const char* chemin) {
    const char* refus = nullptr;
    SDL_Surface* image = LireImage(chemin, &refus);
    if (image == nullptr) {
        printf("\n#ERREUR Erreur de chargement de l'image %s : %s #ERREUR_END", chemin,
               refus != nullptr ? refus : IMG_GetError());
    }
    return image;
}
