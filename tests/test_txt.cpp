// The text helpers, the typewriter box and the key-or-click wait, driven
// headless. Queued events double as the box's clock: it reads exactly one
// per step, so n queued events followed by Escape stop it at step n + 1.
#include <SDL_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "system.h"
#include <vector>

#include "constantes.h"
#include "harness.h"
#include "sdlTxt.h"

using namespace harness;

namespace {

const SDL_Color kEncre = {250, 0, 250, 0};

class TxtTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        police = TTF_OpenFont(FONT_VOLTER, 30);
        ASSERT_NE(nullptr, police) << TTF_GetError();
        SDL_Event e;
        while (SDL_PollEvent(&e) != 0) {
        }
        SDL_FillRect(ecran, nullptr, 0);
        // A clock younger than one step would hold the box's first step back.
        SDL_Delay(100);
    }
    void TearDown() override {
        if (police != nullptr) {
            TTF_CloseFont(police);
        }
        GameTest::TearDown();
    }
    TTF_Font* police = nullptr;
};

// The box's typing, on a free screen and on one whose flips cost 5 ms: the step is read before the drawing,
// so a slow flip does not stretch it.
class Typing : public WithDrawCost<TxtTest> {};
INSTANTIATE_TEST_SUITE_P(Flip, Typing, ::testing::Values(0u, 5u), FlipCostName);

// The ticks since the last SoundLogClear, each one step 51 ms after the one before on the game's clock.
int Tics() {
    int n = 0;
    Uint32 avant = 0;
    for (int k = 0; k < SoundLogCount(); ++k) {
        SoundStart s = SoundLogEntry(k);
        if (s.channel == 1 && s.path != nullptr && strcmp(s.path, SND_TIC) == 0) {
            EXPECT_TRUE(n++ == 0 || s.ticks - avant == 51)
                << "step " << n << " came " << s.ticks - avant << " ms after";
            avant = s.ticks;
        }
    }
    return n;
}

// Pushes `avant` filler events, then `fin`.
void File(int avant, const SDL_Event& fin) {
    for (int k = 0; k < avant; ++k) {
        Push(k % 3 == 0 ? Motion(k, k) : k % 3 == 1 ? Click(SDL_BUTTON_RIGHT, 5, 5) : KeyUp(SDLK_ESCAPE));
    }
    Push(fin);
}

// The lines the box makes of txt: a line closes once it measures 950 px or more.
std::vector<std::string> Lignes(const std::string& txt, TTF_Font* police) {
    std::vector<std::string> lignes(1);
    for (char c : txt) {
        if (GetTailleTxt(lignes.back().c_str(), police, kEncre) >= 950) {
            if (lignes.size() == 5) {
                break;
            }
            lignes.emplace_back();
        }
        lignes.back() += c;
    }
    return lignes;
}

SDL_Rect PlaceBoite(SDL_Surface* boite) {
    return {static_cast<Sint16>((1060 - boite->w) / 2), static_cast<Sint16>(740 - boite->h),
            static_cast<Uint16>(boite->w), static_cast<Uint16>(boite->h)};
}

// Pixels of the box region where the screen and the expected box disagree on
// being ink: the expected box is a fresh picture with `lignes` drawn at their places.
int EcartEncre(SDL_Surface* ecran, SDL_Surface* boite, SDL_Rect place, const std::vector<std::string>& lignes,
               TTF_Font* police, int* encre) {
    for (size_t k = 0; k < lignes.size(); ++k) {
        BlitTxt(boite, lignes[k].c_str(), police, kEncre, {20, static_cast<Sint16>(10 + 25 * k), 0, 0});
    }
    // SDL's alpha blit of the box onto the screen may be off by one even for opaque pixels.
    auto ink = [](Rgb p) { return abs(p.r - kEncre.r) <= 2 && abs(p.g - kEncre.g) <= 2 && abs(p.b - kEncre.b) <= 2; };
    int ecart = 0;
    *encre = 0;
    for (int y = 0; y < boite->h; ++y) {
        for (int x = 0; x < boite->w; ++x) {
            const bool attendu = ink(Pixel(boite, x, y));
            *encre += attendu;
            ecart += attendu != ink(Pixel(ecran, place.x + x, place.y + y));
        }
    }
    return ecart;
}

int EcartEncre(SDL_Surface* ecran, const std::vector<std::string>& lignes, TTF_Font* police, int* encre) {
    SDL_Surface* boite = IMG_Load(IMG_PRINTBOX);
    if (boite == nullptr) {
        ADD_FAILURE() << IMG_PRINTBOX << " missing";
        return -1;
    }
    const int ecart = EcartEncre(ecran, boite, PlaceBoite(boite), lignes, police, encre);
    SDL_FreeSurface(boite);
    return ecart;
}

TEST_F(TxtTest, HelpersDrawMeasureAndZero) {
    EXPECT_EQ(0, GetTailleTxt("", police, kEncre));
    EXPECT_EQ(0, GetTailleTxt("abc", nullptr, kEncre));
    EXPECT_LT(GetTailleTxt("ab", police, kEncre), GetTailleTxt("abc", police, kEncre));
    EXPECT_EQ(1, Tc(""));
    EXPECT_EQ(4, Tc("abc"));

    char buffer[82];
    memset(buffer, 0x55, sizeof buffer);
    InitChaine(buffer + 1, 0);
    InitChaine(buffer + 1, -4);
    EXPECT_EQ(0x55, buffer[1]);
    InitChaine(buffer + 1, 80);
    EXPECT_EQ(0x55, buffer[0]);
    EXPECT_EQ(0x55, buffer[81]);
    for (int k = 1; k <= 80; ++k) {
        ASSERT_EQ(0, buffer[k]) << k;
    }

    SDL_Surface* une = SDL_CreateRGBSurface(SDL_SWSURFACE, 200, 60, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_Surface* deux = SDL_CreateRGBSurface(SDL_SWSURFACE, 200, 60, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    const Rgb fond{10, 20, 30};
    const SDL_Rect tout = {0, 0, 200, 60};
    SDL_FillRect(une, nullptr, SDL_MapRGB(une->format, 10, 20, 30));
    BlitTxt(une, "", police, kEncre, {5, 5, 0, 0});
    BlitTxt(une, "Loup", nullptr, kEncre, {5, 5, 0, 0});
    BlitTxt_Shaded(une, "", police, kEncre, {5, 5, 0, 0});
    EXPECT_TRUE(AllPixels(une, tout, fond));

    // Plain text only sets ink pixels; drawing it twice changes nothing more.
    SDL_FillRect(deux, nullptr, SDL_MapRGB(deux->format, 10, 20, 30));
    BlitTxt(une, "Loup", police, kEncre, {5, 5, 0, 0});
    BlitTxt(deux, "Loup", police, kEncre, {5, 5, 0, 0});
    BlitTxt(deux, "Loup", police, kEncre, {5, 5, 0, 0});
    int encre = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x) {
            ASSERT_EQ(Pixel(une, x, y), Pixel(deux, x, y)) << x << "," << y;
            const Rgb p = Pixel(une, x, y);
            encre += p == Rgb{250, 0, 250};
            ASSERT_TRUE(p == fond || p == Rgb({250, 0, 250})) << p;
        }
    }
    EXPECT_GT(encre, 20);

    // Shaded text sits on a grey rectangle exactly the size of the text.
    int w = 0, h = 0;
    TTF_SizeText(police, "Loup", &w, &h);
    SDL_FillRect(une, nullptr, SDL_MapRGB(une->format, 10, 20, 30));
    BlitTxt_Shaded(une, "Loup", police, kEncre, {5, 5, 0, 0});
    const Rgb gris{135, 135, 135};
    EXPECT_EQ(gris, Pixel(une, 5, 5));
    EXPECT_EQ(gris, Pixel(une, 5 + w - 1, 5 + h - 1));
    EXPECT_EQ(fond, Pixel(une, 4, 5));
    EXPECT_EQ(fond, Pixel(une, 5 + w, 5 + h - 1));
    EXPECT_EQ(fond, Pixel(une, 5, 5 + h));

    // Partly outside: the visible part is the same text, clipped.
    SDL_FillRect(une, nullptr, SDL_MapRGB(une->format, 10, 20, 30));
    SDL_FillRect(deux, nullptr, SDL_MapRGB(deux->format, 10, 20, 30));
    BlitTxt(une, "Loup", police, kEncre, {-12, -7, 0, 0});
    BlitTxt(deux, "Loup", police, kEncre, {0, 0, 0, 0});
    for (int y = 0; y + 7 < 60; ++y) {
        for (int x = 0; x + 12 < 200; ++x) {
            ASSERT_EQ(Pixel(deux, x + 12, y + 7), Pixel(une, x, y)) << x << "," << y;
        }
    }
    SDL_FreeSurface(une);
    SDL_FreeSurface(deux);
}

TEST_F(TxtTest, WaitEventEndsOnKeyOrLeftClickOnly) {
    // Each wait must stop at the first event that ends it, leaving the marker key queued.
    const std::vector<std::vector<SDL_Event>> attentes = {
        {Click(SDL_BUTTON_RIGHT, 1, 1), Click(SDL_BUTTON_MIDDLE, 1, 1), Click(SDL_BUTTON_WHEELDOWN, 1, 1),
         KeyUp(SDLK_a), Release(SDL_BUTTON_LEFT, 1, 1), Motion(3, 3), Click(SDL_BUTTON_LEFT, 1, 1)},
        {Key(SDLK_ESCAPE)},
        {Key(SDLK_a)},
        {Key(SDLK_F11)},
    };
    for (const std::vector<SDL_Event>& evenements : attentes) {
        Push(evenements);
        Push(Key(SDLK_z));
        WaitEvent();
        SDL_Event reste;
        ASSERT_EQ(1, SDL_PollEvent(&reste));
        EXPECT_EQ(SDLK_z, reste.key.keysym.sym);
        EXPECT_EQ(0, Pending());
    }
    EXPECT_EQ(1, fullScreen);
}

TEST_F(TxtTest, QuitEndsTheProcessWithStatusZero) {
    EXPECT_EXIT(
        {
            File(3, Quit());
            TxtBox_Print(ecran, systeme, TEXTE_TEST, police, kEncre);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            Push(Quit());
            WaitEvent();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_P(Typing, TwoLinesTypedOneStepPerCharacterPlusOnePerLine) {
    const std::string txt = TEXTE_TEST;
    // Line 1 ends with the first character that makes it 950 px or wider.
    size_t coupe = 0;
    while (coupe < txt.size() && GetTailleTxt(txt.substr(0, coupe).c_str(), police, kEncre) <= 949) {
        ++coupe;
    }
    ASSERT_LT(coupe, txt.size());
    ASSERT_LE(GetTailleTxt(txt.substr(coupe).c_str(), police, kEncre), 949);
    const int pas = static_cast<int>(txt.size()) + 2;

    SoundLogClear();
    File(pas, Key(SDLK_a)); // the key is left for the final wait
    EXPECT_EQ(1, TxtBox_Print(ecran, systeme, txt.c_str(), police, kEncre));
    EXPECT_EQ(pas, Tics());
    EXPECT_EQ(0, Pending());
    int encre = 0;
    EXPECT_EQ(0, EcartEncre(ecran, {txt.substr(0, coupe), txt.substr(coupe)}, police, &encre));
    EXPECT_GT(encre, 100);
}

TEST_P(Typing, EventsAreReadOnePerStepAndNeverSkipTyping) {
    // Escape behind five clicks, Escape releases and motions: six steps, six characters
    // typed, five on screen (the screen trails the box by one step).
    SoundLogClear();
    File(5, Key(SDLK_ESCAPE));
    EXPECT_EQ(0, TxtBox_Print(ecran, systeme, TEXTE_TEST, police, kEncre));
    EXPECT_EQ(6, Tics());
    int encre = 0;
    EXPECT_EQ(0, EcartEncre(ecran, {std::string(TEXTE_TEST, 5)}, police, &encre));
    EXPECT_GT(encre, 0);

    // F11 toggles once and typing goes on, on the surface the mode change gave.
    SoundLogClear();
    Push({Key(SDLK_F11), Motion(1, 1), Key(SDLK_ESCAPE)});
    EXPECT_EQ(0, TxtBox_Print(ecran, systeme, TEXTE_TEST, police, kEncre));
    EXPECT_EQ(1, fullScreen);
    EXPECT_EQ(3, Tics());
    EXPECT_EQ(0, EcartEncre(EcranActuel(), {std::string(TEXTE_TEST, 2)}, police, &encre));
}

TEST_P(Typing, EveryCallStartsFromAFreshBox) {
    SoundLogClear();
    File(4, Key(SDLK_a));
    EXPECT_EQ(1, TxtBox_Print(ecran, systeme, "Wol", police, kEncre));
    EXPECT_EQ(4, Tics());
    int encre = 0;
    EXPECT_EQ(0, EcartEncre(ecran, {"Wol"}, police, &encre));

    // The empty text: one step, one tick, the bare box, then the wait.
    SDL_FillRect(ecran, nullptr, 0);
    SoundLogClear();
    File(1, Click(SDL_BUTTON_LEFT, 3, 3));
    EXPECT_EQ(1, TxtBox_Print(ecran, systeme, "", police, kEncre));
    EXPECT_EQ(1, Tics());
    EXPECT_EQ(0, Pending());
    SDL_Surface* boite = IMG_Load(IMG_PRINTBOX);
    ASSERT_NE(nullptr, boite);
    SDL_Surface* attendu = SDL_CreateRGBSurface(SDL_SWSURFACE, 1060, 740, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(attendu, nullptr, 0);
    SDL_Rect place = PlaceBoite(boite);
    SDL_BlitSurface(boite, nullptr, attendu, &place);
    for (int y = 0; y < 740; y += 1) {
        for (int x = 0; x < 1060; x += 1) {
            ASSERT_EQ(Pixel(attendu, x, y), Pixel(ecran, x, y)) << x << "," << y;
        }
    }
    SDL_FreeSurface(attendu);
    SDL_FreeSurface(boite);
}

TEST_P(Typing, FullBoxKeepsTickingUntilEscape) {
    TTF_Font* grande = TTF_OpenFont(FONT_VOLTER, 100);
    ASSERT_NE(nullptr, grande);
    // The first lines end on the width rule's edge: at 949 px and at 948 px a line still
    // takes the next character, at 950 px it is full.
    ASSERT_EQ(949, GetTailleTxt("Le soir noir veille !", grande, kEncre));
    ASSERT_EQ(950, GetTailleTxt("Le loup seul veille.", grande, kEncre));
    ASSERT_EQ(948, GetTailleTxt(" Le bois noir passe", grande, kEncre));
    const std::string txt = std::string("Le soir noir veille ! Le loup seul veille. Le bois noir passe, ") + TEXTE_TEST;
    const std::vector<std::string> lignes = Lignes(txt, grande);
    size_t tape = 0;
    for (const std::string& l : lignes) {
        tape += l.size();
    }
    ASSERT_EQ(5u, lignes.size());
    ASSERT_EQ("Le soir noir veille ! ", lignes[0]);
    ASSERT_EQ("Le loup seul veille.", lignes[1]);
    ASSERT_EQ(" Le bois noir passe,", lignes[2]);
    ASSERT_LT(tape, txt.size());
    ASSERT_LT(tape + 5, 115u); // full well before the Escape below

    SoundLogClear();
    File(120, Key(SDLK_ESCAPE));
    EXPECT_EQ(0, TxtBox_Print(ecran, systeme, txt.c_str(), grande, kEncre));
    EXPECT_EQ(121, Tics());
    int encre = 0;
    EXPECT_EQ(0, EcartEncre(ecran, lignes, grande, &encre));
    TTF_CloseFont(grande);

    // Five lines at the edge, in letters of 300 px: a fifth line of 949 px still takes the terminator and the
    // box waits (Escape then answers the wait: 1); one of 950 px fills the box, which only Escape ends (0).
    TTF_Font* geante = TTF_OpenFont(FONT_VOLTER, 300);
    ASSERT_NE(nullptr, geante);
    ASSERT_EQ(950, GetTailleTxt("Feu ...", geante, kEncre));
    ASSERT_EQ(949, GetTailleTxt("CriCri.", geante, kEncre));
    for (const auto& [cinquieme, resultat] : std::vector<std::pair<std::string, int>>{{"CriCri.", 1}, {"Feu ...", 0}}) {
        SoundLogClear();
        File(40, Key(SDLK_ESCAPE));
        const std::string quatre = "Feu ...Feu ...Feu ...Feu ...";
        EXPECT_EQ(resultat, TxtBox_Print(ecran, systeme, (quatre + cinquieme).c_str(), geante, kEncre)) << cinquieme;
        EXPECT_EQ(41 - resultat, Tics()) << "35 characters, the terminator or the full box, 4 line changes";
        EXPECT_EQ(0, EcartEncre(ecran, {"Feu ...", "Feu ...", "Feu ...", "Feu ...", cinquieme}, geante, &encre));
    }
    TTF_CloseFont(geante);
}

TEST_F(TxtTest, DebuggingLines) {
    Push({Motion(1, 1), Motion(1, 1), Motion(1, 1), Motion(1, 1), Key(SDLK_a)});
    const std::string sortie =
        CaptureStdout([&]() { EXPECT_EQ(1, TxtBox_Print(ecran, systeme, "abc", police, kEncre)); });
    EXPECT_NE(std::string::npos, sortie.find("\n#INIT Chaine initialis\xe9 #INIT_END\n"
                                             "\n#int tailleChaine : la taille de  la chaine est de : 3 "
                                             "#in tailleChaine_end"))
        << sortie;
    EXPECT_EQ(std::string::npos, sortie.find("#ERREUR")) << sortie;
}

TEST_P(Typing, MissingBoxPictureGivesAPlainBox) {
    // A run-time dir with the sounds but no pictures.
    char modele[] = "/tmp/duskwane_txtXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(modele));
    const std::string dir = modele;
    Mirror(DUSKWANE_RUNTIME_DIR "/rsrc_snd", dir + "/rsrc_snd");
    ASSERT_EQ(0, chdir(dir.c_str()));
    SoundLogClear();
    File(4, Key(SDLK_a));
    const std::string sortie =
        CaptureStdout([&]() { EXPECT_EQ(1, TxtBox_Print(ecran, systeme, "abc", police, kEncre)); });
    ASSERT_EQ(0, chdir(DUSKWANE_RUNTIME_DIR));
    std::filesystem::remove_all(dir);

    EXPECT_EQ(0u, sortie.find("\n#ERREUR Erreur de chargement de l'image printbox #ERREUR_END\n#INIT")) << sortie;
    EXPECT_EQ(4, Tics());
    // A parchment panel of the box picture's size, 1000 x 190, bottom-centred.
    const Rgb parchemin{238, 226, 196};
    const SDL_Rect place = {30, 550, 1000, 190};
    EXPECT_TRUE(AllPixels(ecran, {place.x, static_cast<Sint16>(place.y + 60), place.w, 130}, parchemin));
    EXPECT_EQ(Rgb({0, 0, 0}), Pixel(ecran, place.x - 1, place.y));
    SDL_Surface* boite = SDL_CreateRGBSurface(SDL_SWSURFACE, place.w, place.h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(boite, nullptr, SDL_MapRGB(boite->format, 238, 226, 196));
    int encre = 0;
    EXPECT_EQ(0, EcartEncre(ecran, boite, place, {"abc"}, police, &encre));
    EXPECT_GT(encre, 0);
    SDL_FreeSurface(boite);
}

TEST_P(Typing, LinesCloseAtSeventyNineCharactersWithoutAFont) {
    // No font: nothing is drawn or measured, 80 characters still make two lines (79 and 1).
    SoundLogClear();
    File(82, Key(SDLK_a));
    const std::string sortie = CaptureStdout(
        [&]() { EXPECT_EQ(1, TxtBox_Print(ecran, systeme, std::string(80, 'x').c_str(), nullptr, kEncre)); });
    EXPECT_NE(std::string::npos, sortie.find("#ERREUR")) << sortie;
    EXPECT_EQ(82, Tics());
    EXPECT_EQ(0, Pending());
    int encre = 0;
    EXPECT_EQ(0, EcartEncre(ecran, {}, police, &encre));
}

TEST_P(Typing, EveryByteWithATinyFontStaysInItsLines) {
    TTF_Font* minuscule = TTF_OpenFont(FONT_VOLTER, 4);
    ASSERT_NE(nullptr, minuscule);
    std::string txt;
    for (int c = 1; c <= 255; ++c) {
        txt += static_cast<char>(c);
    }
    // Narrow enough that only the buffer closes lines: 79 + 79 + 79 + 18 characters.
    for (size_t debut = 0; debut < txt.size(); debut += 79) {
        ASSERT_LE(GetTailleTxt(txt.substr(debut, 79).c_str(), minuscule, kEncre), 949);
    }
    SoundLogClear();
    {
        Cycler reponse({Key(SDLK_a)}, 30, 1000);
        EXPECT_EQ(1, TxtBox_Print(ecran, systeme, txt.c_str(), minuscule, kEncre));
    }
    EXPECT_EQ(255 + 4, Tics());

    // Exactly 79 characters: the terminator still fits, so no line change.
    SoundLogClear();
    File(79 + 1, Key(SDLK_a));
    EXPECT_EQ(1, TxtBox_Print(ecran, systeme, txt.substr(0, 79).c_str(), minuscule, kEncre));
    EXPECT_EQ(80, Tics());
    TTF_CloseFont(minuscule);
}

} // namespace
