// Text on surfaces, the typewriter dialogue box and the key-or-click wait.
#include "sdlTxt.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "constantes.h"
#include "display.h"
#include "image.h"
#include "jeu.h"
#include "pointer.h"

// Why SDL_ttf would draw the game's texts off their surface with this font, or null. SDL_ttf 2.0.11 draws
// each glyph at its left bearing from where the advances before it put it, and moves the whole line right by
// the first glyph's negative bearing only: a later glyph starting further left than that is written before its
// row, and on the first row before the surface (letters 60 pixels left of their origin after a sign that was
// not corrupted the heap). A glyph starting no further left than the narrowest advance stays on its row. Only
// the glyphs the game can draw, Latin-1's, are looked at; the kerning SDL_ttf adds cannot be read through it.
static const char* PoliceHorsDeSurface(TTF_Font* police, int taille, char* raison, size_t place) {
    const int hauteur = TTF_FontHeight(police);
    const int dessus = TTF_FontAscent(police);
    const int dessous = TTF_FontDescent(police);
    const int limite = POLICE_LIGNE_MAX_TAILLES * taille;
    if (hauteur < 1 || hauteur > limite || dessus > limite || -dessous > limite) {
        snprintf(raison, place, "lignes de %d pixels (%d au-dessus de la ligne de base, %d au-dessous), plus de %d",
                 hauteur, dessus, -dessous, limite);
        return raison;
    }
    int avanceMin = 0x7FFF;
    int debutMin = 0;
    int caractere = 0;
    for (int c = ' '; c <= 0xFF; c++) {
        int minx = 0, maxx = 0, miny = 0, maxy = 0, avance = 0;
        if ((c >= 0x7F && c < 0xA0) ||
            TTF_GlyphMetrics(police, static_cast<Uint16>(c), &minx, &maxx, &miny, &maxy, &avance) != 0) {
            continue;
        }
        avanceMin = avance < avanceMin ? avance : avanceMin;
        if (maxx > minx && minx < debutMin) {
            debutMin = minx;
            caractere = c;
        }
    }
    if (caractere != 0 && -debutMin > avanceMin) {
        snprintf(raison, place, "le caract\350re %d commence %d pixels avant son origine, plus que l'avance %d",
                 caractere, -debutMin, avanceMin);
        return raison;
    }
    return nullptr;
}

TTF_Font* OuvrirPolice(const char* chemin, int taille) {
    TTF_Font* police = TTF_OpenFont(chemin, taille);
    char raison[160];
    const char* refus = police != nullptr ? PoliceHorsDeSurface(police, taille, raison, sizeof raison) : nullptr;
    if (refus != nullptr) {
        TTF_CloseFont(police);
        police = nullptr;
    }
    if (police == nullptr) {
        printf("\n#ERREUR Erreur de chargement de la police %s : %s #ERREUR_END", chemin,
               refus != nullptr ? refus : TTF_GetError());
    }
    return police;
}

void BlitTxt(SDL_Surface* ecran, const char* txt, TTF_Font* police, SDL_Color color, SDL_Rect pos) {
    if (ecran == nullptr || txt == nullptr || police == nullptr) {
        return;
    }
    // Solid rendering is colour-keyed: drawing the same line again over itself leaves it unchanged,
    // which the text box relies on when it redraws every line at every step.
    SDL_Surface* texte = TTF_RenderText_Solid(police, txt, color);
    if (texte == nullptr) {
        return; // the empty string has no width and gives no surface
    }
    SDL_Rect position = pos; // the blit clips its destination rectangle
    SDL_UpperBlit(texte, nullptr, ecran, &position);
    SDL_FreeSurface(texte);
}

void BlitTxt_Shaded(SDL_Surface* ecran, const char* txt, TTF_Font* police, SDL_Color color, SDL_Rect pos) {
    if (ecran == nullptr || txt == nullptr || police == nullptr) {
        return;
    }
    SDL_Color clr = {GRIS_OMBRE, GRIS_OMBRE, GRIS_OMBRE, 0};
    SDL_Surface* texte = TTF_RenderText_Shaded(police, txt, color, clr);
    if (texte == nullptr) {
        return;
    }
    SDL_Rect position = pos;
    SDL_UpperBlit(texte, nullptr, ecran, &position);
    SDL_FreeSurface(texte);
}

int GetTailleTxt(const char* txt, TTF_Font* police, SDL_Color /*color*/) {
    if (txt == nullptr || police == nullptr) {
        return 0;
    }
    int largeur = 0;
    int hauteur = 0;
    if (TTF_SizeText(police, txt, &largeur, &hauteur) != 0) {
        return 0;
    }
    return largeur;
}

void InitChaine(char* txt, int tc) {
    if (txt == nullptr || tc <= 0) {
        return;
    }
    memset(txt, 0, static_cast<size_t>(tc));
}

int Tc(const char* txt) {
    if (txt == nullptr) {
        return 1; // the room a null text needs is that of the empty string
    }
    return static_cast<int>(strlen(txt)) + 1;
}

// Without its picture the box is a plain parchment panel of the usual size, so the player can
// still read the text and go on.
static SDL_Surface* BoiteDeSecours() {
    SDL_Surface* boite = SDL_CreateRGBSurface(SDL_SWSURFACE, TXT_BOITE_LARGEUR, TXT_BOITE_HAUTEUR, 32, 0x00FF0000,
                                              0x0000FF00, 0x000000FF, 0);
    if (boite != nullptr) {
        SDL_FillRect(boite, nullptr, SDL_MapRGB(boite->format, PARCHEMIN_R, PARCHEMIN_G, PARCHEMIN_B));
    }
    return boite;
}

int TxtBox_Print(SDL_Surface* ecran, FMOD_SYSTEM* systeme, const char* txt, TTF_Font* police, SDL_Color color) {
    // One event per step: pointer motion would fill the queue ahead of a close request.
    const int souris = SuivreSouris(0);
    const char* refus = nullptr;
    SDL_Surface* printBox = LireImage(IMG_PRINTBOX, &refus);
    if (printBox == nullptr) {
        printf("\n#ERREUR Erreur de chargement de l'image printbox #ERREUR_END");
        if (refus != nullptr) {
            printf("\n#ERREUR %s : %s #ERREUR_END", IMG_PRINTBOX, refus);
        }
        printBox = BoiteDeSecours();
    } else if (printBox->w <= TXT_X || printBox->h <= TXT_Y0) {
        // Not one pixel of text would show in it.
        printf("\n#ERREUR Boite de texte trop petite pour son texte : %s, %d x %d pixels #ERREUR_END", IMG_PRINTBOX,
               printBox->w, printBox->h);
        SDL_FreeSurface(printBox);
        printBox = BoiteDeSecours();
    }
    FMOD_SOUND* tic = nullptr;
    FMOD_System_CreateSound(systeme, SND_TIC, MODE_EFFET, nullptr, &tic);

    SDL_Rect posPrintBox = {0, 0, 0, 0};
    if (printBox != nullptr) {
        posPrintBox.x = static_cast<Sint16>((LARGEUR_ECRAN - printBox->w) / 2);
        posPrintBox.y = static_cast<Sint16>(HAUTEUR_ECRAN - printBox->h);
    }
    SDL_Rect postxt = {TXT_X, TXT_Y0, 0, 0};

    char caractere[TXT_TAILLE_LIGNE];
    char txta[TXT_TAILLE_LIGNE];
    char txtb[TXT_TAILLE_LIGNE];
    char txtc[TXT_TAILLE_LIGNE];
    char txtd[TXT_TAILLE_LIGNE];
    char* lignes[TXT_LIGNES] = {caractere, txta, txtb, txtc, txtd};
    for (char* ligne : lignes) {
        InitChaine(ligne, TXT_TAILLE_LIGNE);
    }
    puts("\n#INIT Chaine initialis\351 #INIT_END");

    if (txt == nullptr) {
        txt = "";
    }
    int i = 0;
    int aa = 0;
    int numeroDeLaLigneActuel = 0;
    int ligneActuel = 1;
    Uint32 tempPrecedent = 0;
    const int tailleChaine = static_cast<int>(strlen(txt));
    printf("\n#int tailleChaine : la taille de  la chaine est de : %d #in tailleChaine_end", tailleChaine);
    if (police == nullptr) {
        // Every line then measures 0 pixels: only the buffer length closes lines, and nothing shows.
        printf("\n#ERREUR Pas de police pour la boite de texte #ERREUR_END");
    }

    SDL_Event event;
    while (i <= tailleChaine) {
        if (SDL_GetTicks() - tempPrecedent <= DELAI_FRAPPE) {
            continue;
        }
        tempPrecedent = SDL_GetTicks();

        if (numeroDeLaLigneActuel < TXT_LIGNES) {
            char* ligne = lignes[numeroDeLaLigneActuel];
            const int largeur = GetTailleTxt(ligne, police, color);
            // The terminator always fits after 79 characters; only a real character closes a full buffer.
            const bool bufferPlein = i - aa >= TXT_CARACTERES_MAX && txt[i] != '\0';
            if (largeur <= TXT_LARGEUR_MAX && !bufferPlein) {
                ligne[i - aa] = txt[i];
                ++i;
            } else {
                // The character that made the line too wide stays at its end; the next one opens the next line.
                ++numeroDeLaLigneActuel;
                ++ligneActuel;
                aa = i;
            }
        }

        const int debutDeTranche = TXT_LIGNES * ((ligneActuel - 1) / TXT_LIGNES);
        const int ligneRAF = ligneActuel - debutDeTranche;

        FMOD_System_PlaySound(systeme, CANAL_TIC, tic, 0, nullptr);
        // The box reaches the screen before this step's lines are drawn into it, so the screen
        // trails the text by one step; the terminator step brings the last character in.
        if (printBox != nullptr && ecran != nullptr) {
            SDL_Rect position = posPrintBox;
            SDL_UpperBlit(printBox, nullptr, ecran, &position);
        }
        if (printBox != nullptr) {
            for (int k = 0; k < ligneRAF; ++k) {
                postxt.y = static_cast<Sint16>(TXT_Y0 + TXT_INTERLIGNE * k);
                BlitTxt(printBox, lignes[k], police, color, postxt);
            }
        }
        if (ecran != nullptr) {
            SDL_Flip(ecran);
        }

        if (SDL_PollEvent(&event) != 0) {
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
                SDL_FreeSurface(printBox);
                FMOD_Sound_Release(tic);
                SuivreSouris(souris);
                return 0;
            }
            if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F11) {
                ToggleDisplayMode();
                ecran = EcranActuel(); // SDL may hand back another screen surface
            } else if (event.type == SDL_QUIT) {
                exit(0);
            }
        }
    }

    WaitEvent();
    SDL_FreeSurface(printBox);
    FMOD_Sound_Release(tic);
    SuivreSouris(souris);
    return 1;
}

void WaitEvent() {
    SDL_Event event;
    int ctn = 1;
    while (ctn) {
        AttendreEvenement(&event);
        switch (event.type) {
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BUTTON_LEFT) {
                ctn = 0;
            }
            break;
        case SDL_QUIT:
            exit(0);
        case SDL_KEYDOWN:
            if (event.key.keysym.sym == SDLK_ESCAPE) {
                ctn = 0;
            }
            if (event.key.keysym.sym == SDLK_F11) {
                ToggleDisplayMode();
            }
            if (event.key.state == SDL_PRESSED) {
                ctn = 0;
            }
            break;
        default:
            break;
        }
    }
}
