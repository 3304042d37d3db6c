// The intro, played whole and headless. A Cycler answers every text box (Escape
// cuts a typing box or ends its wait; fades read and drop it), and an observer
// samples a few pixels of every frame the game shows: the top-left corner shows
// the white-out, a point of the first portrait its fade-in, two points of the
// second portrait the monologue, and a point of the box the end of the last box.
#include <SDL_image.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "system.h"
#include <vector>

#include "constantes.h"
#include "harness.h"

using namespace harness;

namespace {

const char* const kDialogue[] = {"ZORVIK: Suis je mort ?",
                                 "ZORVIK: Non ...",
                                 "ZORVIK: Je n'ai plus de force ...",
                                 "ZORVIK: On dirais que quelq'un me parle ...",
                                 "ZORVIK: Je connais cette voix ...",
                                 "ZORVIK: Oui!",
                                 "ZORVIK: C'est celle de Ylvane!",
                                 "ZORVIK: Elle m'appelle !"};
const int kMonologue[] = {24, 28, 41, 25, 42, 30, 17, 38, 45, 18};
const char* const kLongueur = "\n#int tailleChaine : la taille de  la chaine est de : %d #in tailleChaine_end";
const char* const kInit = "\n#INIT Chaine initialis\351 #INIT_END\n";

const Rgb kNoir = {0, 0, 0};
const Rgb kBlanc = {254, 254, 254};
// Screen points: the first portrait sits bottom-centred at (320, 220), the second centred at (280, 120).
const int kP1x = 530, kP1y = 300;                // first portrait, above the box
const int kB1x = 530, kB1y = 370;                // centre of the second portrait
const int kB2x = 580, kB2y = 270;                // the moon of the second portrait
const int kBoiteX = 530, kBoiteY = 700;          // inside the text box
const int kNewGameX = 530, kNewGameY = 200 + 45; // centre of the new-game button

Rgb PixelDe(const char* chemin, int x, int y) {
    SDL_Surface* s = IMG_Load(chemin);
    EXPECT_NE(nullptr, s) << chemin;
    Rgb c = s ? Pixel(s, x, y) : kNoir;
    SDL_FreeSurface(s);
    return c;
}

// One frame as the game showed it.
struct Echantillon {
    int t;
    Rgb boite, b1, b2, p1;
    int coin; // grey at (5, 5)
    int sons; // sounds started so far: a box's step ticks, a fade's step does not
};

// Samples every frame, then hands it to `crochet`, on the game's thread.
struct Observateur {
    explicit Observateur(std::function<void(const Echantillon&)> crochet = nullptr) {
        OnFlip([this, crochet](SDL_Surface* e) {
            echantillons.push_back({static_cast<int>(Now()), Pixel(e, kBoiteX, kBoiteY), Pixel(e, kB1x, kB1y),
                                    Pixel(e, kB2x, kB2y), Pixel(e, kP1x, kP1y), Pixel(e, 5, 5).r, SoundLogCount()});
            if (crochet) {
                crochet(echantillons.back());
            }
        });
    }
    ~Observateur() { OnFlip(nullptr); }
    std::vector<Echantillon> echantillons;
};

// Tells the final wait's frames: all black at every point once the white-out
// is over (the second portrait and its boxes are not).
struct AttenteFinale {
    bool blancVu = false;
    bool Atteinte(const Echantillon& s) {
        blancVu = blancVu || s.coin == 254;
        return blancVu && s.b1 == kNoir && s.b2 == kNoir && s.boite == kNoir && s.coin == 0;
    }
};

// Indices of the first sample at grey 254 and of the first after it that is not.
void Phases(const std::vector<Echantillon>& v, size_t& haut, size_t& fin) {
    haut = 0;
    while (haut < v.size() && v[haut].coin != 254) {
        ++haut;
    }
    fin = haut;
    while (fin < v.size() && v[fin].coin == 254) {
        ++fin;
    }
    ASSERT_LT(fin, v.size()) << "the white-out never reached 254, or never gave way to the second portrait";
}

// The dialogue on black, then 255 silent frames of grey 0 to 254, each 21 ms after the one before on the game's
// clock (more than 20) plus what the flip cost: the fade reads the time after it.
void VerifierBlanchiment(const std::vector<Echantillon>& v, int flip) {
    size_t haut, fin;
    ASSERT_NO_FATAL_FAILURE(Phases(v, haut, fin));
    ASSERT_GT(haut, 255u);
    for (size_t j = 0; j < v.size(); ++j) {
        const int g = static_cast<int>(j) + 254 - static_cast<int>(haut);
        if (g < 0 || j >= fin) {
            EXPECT_EQ(0, v[j].coin) << "black but for the white-out (frame " << j << ")";
        } else if (g <= 254) {
            EXPECT_EQ(g, v[j].coin) << "frame " << j;
            EXPECT_EQ(v[j - 1].sons, v[j].sons) << "grey " << g << " is a box's frame";
            EXPECT_TRUE(g == 0 || v[j].t - v[j - 1].t == 21 + flip)
                << "grey " << g << " came " << v[j].t - v[j - 1].t << " ms after";
        }
    }
    EXPECT_EQ(kNoir, v[haut - 254].boite) << "grey 0 covers the last box";
}

// The first portrait thickens over the near-white screen up to its own pixel q,
// in 160 silent frames 21 ms apart plus the flip's cost (the exclamation box's frames tick).
void VerifierApparition(const std::vector<Echantillon>& v, Rgb q, int flip = 0) {
    size_t haut, fin;
    ASSERT_NO_FATAL_FAILURE(Phases(v, haut, fin));
    EXPECT_EQ(kBlanc, v[haut].p1) << "the portrait only shows once the white-out is over";
    const int q3[3] = {q.r, q.g, q.b};
    std::vector<Rgb> vus;
    int pas = 0;
    int dernierPas = -1;
    for (size_t j = haut + 1; j < fin; ++j) {
        if (v[j].sons == v[j - 1].sons) {
            EXPECT_TRUE(pas++ == 0 || v[j].t - dernierPas == 21 + flip)
                << "fade-in step " << pas << " came " << v[j].t - dernierPas;
            dernierPas = v[j].t;
        }
        const int p[3] = {v[j].p1.r, v[j].p1.g, v[j].p1.b};
        const int avant[3] = {v[j - 1].p1.r, v[j - 1].p1.g, v[j - 1].p1.b};
        for (int c = 0; c < 3; ++c) {
            // SDL's blend rounds toward minus infinity: near the end a step may overshoot by one level.
            ASSERT_LE(std::abs(p[c] - q3[c]), std::abs(avant[c] - q3[c]) + 1) << "sample " << j << " moved away";
        }
        if (vus.empty() ? !(v[j].p1 == kBlanc) : !(v[j].p1 == vus.back())) {
            vus.push_back(v[j].p1);
        }
    }
    EXPECT_EQ(160, pas) << "fade-in steps, alpha 0 to 159";
    ASSERT_FALSE(vus.empty()) << "the portrait never showed";
    EXPECT_GE(vus.size(), 5u) << "the portrait came in a few jumps, not a fade";
    // Alpha 1, 2, 3... after one step the portrait is barely there; opaque it would be q at once.
    EXPECT_GE(std::abs(vus.front().r - q.r), (254 - q.r) / 4) << "first step " << vus.front() << " vs " << q;
    // Without clearing, 160 blends of alpha up to 159 leave almost nothing of the white.
    const Rgb dernier = v[fin - 1].p1;
    EXPECT_LE(std::abs(dernier.r - q.r) + std::abs(dernier.g - q.g) + std::abs(dernier.b - q.b), 9)
        << dernier << " vs " << q;
}

std::vector<int> Longueurs(const std::string& sortie) {
    std::vector<int> l;
    const std::string tete = std::string(kLongueur).substr(0, std::string(kLongueur).find("%d"));
    for (size_t p = sortie.find(tete); p != std::string::npos; p = sortie.find(tete, p + 1)) {
        l.push_back(std::atoi(sortie.c_str() + p + tete.size()));
    }
    return l;
}

std::string LigneLongueur(int n) {
    char ligne[128];
    snprintf(ligne, sizeof ligne, kLongueur, n);
    return ligne;
}

class Intro : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        SDL_Event e;
        while (SDL_PollEvent(&e) != 0) {
        }
        SDL_FillRect(ecran, nullptr, SDL_MapRGB(ecran->format, 40, 80, 120)); // what the menu left
    }
};

class IntroFades : public WithDrawCost<Intro> {};
INSTANTIATE_TEST_SUITE_P(Flip, IntroFades, ::testing::Values(0u, 5u), FlipCostName);

TEST_P(IntroFades, PlaysTheWholeScriptOnceWithItsFadesAndEndsOnAMouseButton) {
    const Rgb q = PixelDe(IMG_PORTRAIT, kP1x - 320, kP1y - 220);
    bool faite = false, enAttente = false, dialogue = true;
    int ecranEnAttente = -1, encre = 0, autreEncre = 0;
    SDL_Surface* nue = IMG_Load(IMG_PRINTBOX); // the bare box, 1000 x 190, bottom-centred at (30, 550)
    ASSERT_NE(nullptr, nue);
    Cycler cycler({Key(SDLK_ESCAPE)});
    AttenteFinale finale;
    Observateur obs([&](const Echantillon& s) {
        dialogue = dialogue && s.coin == 0; // until the white-out
        SDL_Surface* e = EcranActuel();
        if (dialogue && Pixel(e, 35, 555) == Pixel(nue, 5, 5)) {
            // A dialogue box is on the screen: where the start of its first line differs from the bare box is ink.
            for (int y = 10; y < 70; ++y) {
                for (int x = 20; x < 280; ++x) {
                    const Rgb p = Pixel(e, 30 + x, 550 + y);
                    if (!(p == Pixel(nue, x, y))) {
                        ++(p == kNoir ? encre : autreEncre);
                    }
                }
            }
        }
        if (enAttente || !finale.Atteinte(s)) {
            return;
        }
        if (!faite) {
            faite = true;
            // Only keys and moves from here: none of them may end the wait, each redraws it.
            cycler.Stop();
            Push({Key(SDLK_F11), Key(SDLK_a), Key(SDLK_ESCAPE), KeyUp(SDLK_a), Motion(9, 9), Release(1, 9, 9),
                  Key(SDLK_RETURN)});
        } else if (Pending() == 0) {
            enAttente = true; // all of them taken, and still waiting
            ecranEnAttente = fullScreen;
            Push(Click(3, 9, 9));
        }
    });
    const std::string sortie = CaptureStdout([&]() { IntroGame(ecran, systeme); });
    cycler.Stop();
    SDL_FreeSurface(nue);
    EXPECT_GT(encre, 0) << "no dialogue was seen";
    EXPECT_EQ(0, autreEncre) << "the dialogue is written in black";

    ASSERT_TRUE(faite) << "the final wait was never seen";
    EXPECT_TRUE(enAttente) << "a key or a move ended the final wait";
    EXPECT_EQ(0, ecranEnAttente) << "F11 in the final wait toggled the display";
    EXPECT_EQ(kNoir, Pixel(ecran, 530, 700));

    // Nineteen boxes: the dialogue, the exclamation between its two lines, the monologue.
    std::vector<int> attendu;
    for (const char* l : kDialogue) {
        attendu.push_back(static_cast<int>(strlen(l)));
    }
    attendu.push_back(2);
    attendu.insert(attendu.end(), std::begin(kMonologue), std::end(kMonologue));
    EXPECT_EQ(attendu, Longueurs(sortie));
    const std::string exclamation =
        "#avant le ! " + std::string(kInit) + LigneLongueur(2) + "\n#apr\350s le !" + std::string(kInit);
    const size_t p = sortie.find(exclamation);
    ASSERT_NE(std::string::npos, p) << sortie;
    EXPECT_EQ(8u, Longueurs(sortie.substr(0, p)).size()) << "the exclamation comes after the eight dialogue lines";
    EXPECT_EQ(11u, Longueurs(sortie.substr(p)).size()) << "and before the ten monologue lines";

    // The music first, once, on channel 3, a decoded sample that plays through once; every other start is a
    // tick on channel 1.
    ASSERT_GE(SoundLogCount(), 20);
    EXPECT_STREQ(SND_MUSIQUE, SoundLogEntry(0).path);
    EXPECT_EQ(3, SoundLogEntry(0).requested);
    EXPECT_EQ(3, SoundLogEntry(0).channel);
    EXPECT_EQ(0x100u, SoundLogEntry(0).mode);
    EXPECT_EQ(0, SoundLogEntry(0).loops);
    for (int i = 1; i < SoundLogCount(); ++i) {
        EXPECT_STREQ(SND_TIC, SoundLogEntry(i).path) << "start " << i;
        EXPECT_EQ(1, SoundLogEntry(i).channel) << "start " << i;
    }
    EXPECT_EQ(nullptr, SoundOnChannel(3)) << "the music is released on the way out";

    const std::vector<Echantillon>& v = obs.echantillons;
    VerifierBlanchiment(v, static_cast<int>(GetParam()));
    VerifierApparition(v, q, static_cast<int>(GetParam()));
    // The second portrait on black under the monologue: its pixels exactly, then black for good.
    size_t haut, fin;
    ASSERT_NO_FATAL_FAILURE(Phases(v, haut, fin));
    const Rgb b1 = PixelDe(IMG_PORTRAIT_B, 250, 250), b2 = PixelDe(IMG_PORTRAIT_B, 300, 150);
    bool vu = false, noir = false, boite = false;
    for (size_t j = fin; j < v.size(); ++j) {
        if (v[j].b1 == b1 && v[j].b2 == b2) {
            vu = true;
            EXPECT_FALSE(noir) << "the second portrait came back after the final wait began";
            boite = boite || !(v[j].boite == kNoir);
        } else if (vu) {
            noir = noir || (v[j].b1 == kNoir && v[j].b2 == kNoir);
            EXPECT_TRUE(v[j].b1 == kNoir && v[j].b2 == kNoir) << "sample " << j;
        }
    }
    EXPECT_TRUE(vu);
    EXPECT_TRUE(boite) << "the monologue boxes draw over the second portrait";
    EXPECT_TRUE(noir);
}

// A PNG of the picture with an alpha channel, its top 60 rows transparent and the rest opaque, deflate left
// uncompressed.
std::string PngAvecAlpha(SDL_Surface* s) {
    static Uint32 table[256];
    for (Uint32 n = 0; n < 256; ++n) {
        Uint32 c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    auto be32 = [](std::string& o, Uint32 v) {
        for (int k = 24; k >= 0; k -= 8) {
            o += static_cast<char>((v >> k) & 0xFF);
        }
    };
    auto chunk = [&](std::string& o, const char* type, const std::string& data) {
        be32(o, static_cast<Uint32>(data.size()));
        const std::string corps = type + data;
        Uint32 crc = 0xFFFFFFFFu;
        for (unsigned char c : corps) {
            crc = table[(crc ^ c) & 0xFF] ^ (crc >> 8);
        }
        o += corps;
        be32(o, crc ^ 0xFFFFFFFFu);
    };
    std::string brut;
    for (int y = 0; y < s->h; ++y) {
        brut += '\0';
        for (int x = 0; x < s->w; ++x) {
            const Rgb c = Pixel(s, x, y);
            brut += {static_cast<char>(c.r), static_cast<char>(c.g), static_cast<char>(c.b), y < 60 ? '\0' : '\xff'};
        }
    }
    std::string z = "\x78\x01";
    Uint32 a = 1, b = 0;
    for (unsigned char c : brut) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t p = 0; p < brut.size(); p += 65535) {
        const size_t n = std::min<size_t>(65535, brut.size() - p);
        z += static_cast<char>(p + n == brut.size() ? 1 : 0);
        z += {static_cast<char>(n & 0xFF), static_cast<char>(n >> 8), static_cast<char>(~n & 0xFF),
              static_cast<char>((~n >> 8) & 0xFF)};
        z += brut.substr(p, n);
    }
    be32(z, (b << 16) | a);
    std::string ihdr;
    be32(ihdr, static_cast<Uint32>(s->w));
    be32(ihdr, static_cast<Uint32>(s->h));
    ihdr += {8, 6, 0, 0, 0};
    std::string png = "\x89PNG\r\n\x1a\n";
    chunk(png, "IHDR", ihdr);
    chunk(png, "IDAT", z);
    chunk(png, "IEND", "");
    return png;
}

TEST_F(Intro, PortraitWithAlphaFadesLikeTheJpegAndMissingFilesOnlySilenceOrBlank) {
    SDL_Surface* jpeg = IMG_Load(IMG_PORTRAIT);
    ASSERT_NE(nullptr, jpeg);
    const std::string png = PngAvecAlpha(jpeg);
    const Rgb q = Pixel(jpeg, kP1x - 320, kP1y - 220);
    SDL_FreeSurface(jpeg);
    AssetDir dir({IMG_PORTRAIT, IMG_PORTRAIT_B, SND_MUSIQUE});
    FILE* f = fopen(IMG_PORTRAIT, "wb");
    ASSERT_NE(nullptr, f);
    fwrite(png.data(), 1, png.size(), f);
    fclose(f);
    SDL_Surface* relu = IMG_Load(IMG_PORTRAIT);
    ASSERT_NE(nullptr, relu);
    ASSERT_NE(0u, relu->format->Amask) << "the stand-in portrait must carry an alpha channel";
    SDL_FreeSurface(relu);

    Cycler cycler({Key(SDLK_ESCAPE), Click(3, 9, 9)});
    Observateur obs;
    const std::string sortie = CaptureStdout([&]() { IntroGame(ecran, systeme); });
    VerifierApparition(obs.echantillons, q);
    size_t haut, fin;
    ASSERT_NO_FATAL_FAILURE(Phases(obs.echantillons, haut, fin));
    for (size_t j = haut; j < fin; ++j) {
        ASSERT_EQ(kBlanc, obs.echantillons[j].b2) << "the portrait's transparent top showed (sample " << j << ")";
    }
    EXPECT_EQ(19u, Longueurs(sortie).size());
    EXPECT_NE(std::string::npos, sortie.find(IMG_PORTRAIT_B)) << "the missing portrait is reported";
    for (int i = 0; i < SoundLogCount(); ++i) {
        EXPECT_STRNE(SND_MUSIQUE, SoundLogEntry(i).path);
    }
    EXPECT_GE(SoundLogCount(), 19) << "the ticks still play";
}

TEST_F(Intro, MissingFirstPortraitAndFontStillPlayToTheEnd) {
    AssetDir dir({IMG_PORTRAIT, FONT_TESSMARIN});
    Cycler cycler({Key(SDLK_ESCAPE), Click(3, 9, 9)});
    Observateur obs;
    const std::string sortie = CaptureStdout([&]() { IntroGame(ecran, systeme); });
    EXPECT_EQ(19u, Longueurs(sortie).size());
    EXPECT_NE(std::string::npos, sortie.find(IMG_PORTRAIT));
    EXPECT_NE(std::string::npos, sortie.find(FONT_TESSMARIN));
    size_t haut, fin;
    ASSERT_NO_FATAL_FAILURE(Phases(obs.echantillons, haut, fin));
    for (size_t j = haut; j < fin; ++j) {
        EXPECT_EQ(kBlanc, obs.echantillons[j].p1) << "nothing but white where the portrait would fade in";
    }
    EXPECT_EQ(PixelDe(IMG_PORTRAIT_B, 250, 250), obs.echantillons[fin + (obs.echantillons.size() - fin) / 2].b1);
}

// A close request ends the process with status 0 wherever it comes. A game
// that ignored it would play on to the end and leave with status 3 instead.
void QuitterDansUneBoite(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    Push({Key(SDLK_ESCAPE), Key(SDLK_ESCAPE), Quit()}); // the third dialogue line reads it
    Cycler cycler({Key(SDLK_ESCAPE), Click(3, 9, 9)});
    IntroGame(ecran, systeme);
    _exit(3);
}

int grisDeLaDemande = -1, grisFinal = -1;
void DireLeGrisFinal() {
    fprintf(stderr, grisFinal <= grisDeLaDemande + 2 ? "left at the next step\n" : "left at grey %d, late\n",
            grisFinal);
}

void QuitterDansLeBlanchiment(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    atexit(DireLeGrisFinal);
    Cycler cycler({Key(SDLK_ESCAPE)});
    Observateur obs([&](const Echantillon& s) {
        grisFinal = s.coin;
        if (grisDeLaDemande < 0 && s.coin > 20) {
            cycler.Stop(); // at most one Escape is left ahead of the request
            Push(Quit());
            grisDeLaDemande = s.coin;
        }
    });
    IntroGame(ecran, systeme);
    _exit(3);
}

void QuitterDansLAttenteFinale(SDL_Surface* ecran, FMOD_SYSTEM* systeme) {
    Cycler cycler({Key(SDLK_ESCAPE)});
    AttenteFinale finale;
    Observateur obs([&](const Echantillon& s) {
        if (finale.Atteinte(s)) {
            cycler.Stop();
            fprintf(stderr, "final wait reached\n");
            Push({Quit(), Click(3, 9, 9)}); // a wait that ignored the request ends on the click instead
        }
    });
    IntroGame(ecran, systeme);
    _exit(3);
}

TEST_F(Intro, CloseRequestInATextBoxEndsAtOnce) {
    EXPECT_EXIT(QuitterDansUneBoite(ecran, systeme), ::testing::ExitedWithCode(0), "");
}

TEST_F(Intro, CloseRequestInTheWhiteOutEndsAtTheNextStep) {
    EXPECT_EXIT(QuitterDansLeBlanchiment(ecran, systeme), ::testing::ExitedWithCode(0), "left at the next step");
}

TEST_F(Intro, CloseRequestInTheFinalWaitEndsAtOnce) {
    EXPECT_EXIT(QuitterDansLAttenteFinale(ecran, systeme), ::testing::ExitedWithCode(0), "final wait reached");
}

// New game from the menu, twice: each time the whole intro, then the menu again.
void NouvellePartieDeuxFois() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    AssetDir dir; // map.map goes there
    const Rgb bouton = PixelDe(IMG_NEWGAME, 210, 45), allume = PixelDe(IMG_NEWGAME_B, 210, 45);
    std::unique_ptr<Cycler> cycler;
    AttenteFinale finale;
    int etat = 0, intros = 0;
    Observateur obs([&](const Echantillon& s) {
        const Rgb b = Pixel(EcranActuel(), kNewGameX, kNewGameY);
        if (etat == 0) { // the title takes any key
            Push(Key(SDLK_a));
            etat = 1;
        } else if (etat == 1 && (b == bouton || b == allume)) {
            if (intros == 2) {
                fprintf(stderr, "menu after two intros\n");
            }
            Push(intros == 2 ? Key(SDLK_ESCAPE) : Click(1, kNewGameX, kNewGameY));
            etat = 2;
        } else if (etat == 2 && b == kNoir) {
            cycler = std::make_unique<Cycler>(std::vector<SDL_Event>{Key(SDLK_ESCAPE)});
            finale = AttenteFinale();
            etat = 3;
        } else if (etat == 3 && finale.Atteinte(s)) {
            cycler->Stop();
            Push(Click(3, 9, 9));
            ++intros;
            etat = 1;
        }
    });
    SDL_main(0, nullptr);
    _exit(3);
}

TEST(IntroFromMenu, NewGameTwicePlaysTheIntroTwiceAndComesBackToTheMenu) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_EQ(0, chdir(DUSKWANE_RUNTIME_DIR));
    EXPECT_EXIT(NouvellePartieDeuxFois(), ::testing::ExitedWithCode(0), "menu after two intros");
}

} // namespace
