// The main menu: buttons lit under the pointer, clicks, keys and the way out.
#include <SDL_image.h>

#include "constantes.h"
#include "harness.h"
#include "main.h"

using namespace harness;

namespace {

struct Bouton {
    SDL_Rect r;
    const char* allume;
    const char* normal;
};

// Where a button stands, read from its picture as the menu does.
Bouton Place(const char* entree, const char* normal, const char* allume, int y) {
    SDL_Surface* s = IMG_Load(entree);
    EXPECT_NE(nullptr, s) << entree;
    Bouton b{{static_cast<Sint16>((1060 - s->w) / 2), static_cast<Sint16>(y), static_cast<Uint16>(s->w),
              static_cast<Uint16>(s->h)},
             allume,
             normal};
    SDL_FreeSurface(s);
    return b;
}

class MainMenu : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        exitB = Place(IMG_EXIT, IMG_EXIT, IMG_EXIT_B, 500);
        newB = Place(IMG_NEWGAME, IMG_NEWGAME, IMG_NEWGAME_B, 200);
        loadB = Place(IMG_LOADGAME_ENTREE, IMG_LOADGAME, IMG_LOADGAME_B, 350);
    }
    static int cx(const Bouton& b) { return b.r.x + b.r.w / 2; }
    static int cy(const Bouton& b) { return b.r.y + b.r.h / 2; }
    // Plays of the menu's sound on a channel.
    static int Plays(int requested) {
        int n = 0;
        for (int i = 0; i < SoundLogCount(); i++) {
            if (SoundLogEntry(i).requested == requested && std::string(SoundLogEntry(i).path) == SND_SURVOL) {
                n++;
            }
        }
        return n;
    }
    // Whether the screen shows the button's picture `chemin` at its place.
    bool Shows(const Bouton& b, const char* chemin) {
        SDL_Surface* s = IMG_Load(chemin);
        bool pareil = true;
        for (int y = 5; y < s->h - 5 && pareil; y += 7) {
            for (int x = 5; x < s->w - 5 && pareil; x += 7) {
                pareil = Pixel(s, x, y) == Pixel(ecran, b.r.x + x, b.r.y + y);
            }
        }
        SDL_FreeSurface(s);
        return pareil;
    }
    Bouton exitB{}, newB{}, loadB{};
};

} // namespace

TEST_F(MainMenu, ButtonsDoNotOverlapAndStandInTheirRows) {
    EXPECT_LT(newB.r.y + newB.r.h, loadB.r.y);
    EXPECT_LT(loadB.r.y + loadB.r.h, exitB.r.y);
    SDL_Surface* fond = IMG_Load(IMG_MENU);
    ASSERT_NE(nullptr, fond);
    EXPECT_EQ(1060, fond->w);
    EXPECT_EQ(740, fond->h);
    SDL_FreeSurface(fond);
}

TEST_F(MainMenu, LeftClickOnEachButtonChoosesItWithTheClick) {
    const std::pair<const Bouton*, int> cas[] = {{&exitB, EXIT}, {&newB, NEW_GAME}, {&loadB, LOAD_GAME}};
    for (const auto& [b, attendu] : cas) {
        SoundLogClear();
        Push(Click(1, cx(*b), cy(*b)));
        EXPECT_EQ(attendu, Menu(ecran, systeme));
        ASSERT_GE(SoundLogCount(), 2);
        EXPECT_EQ(2, SoundLogEntry(0).channel);
        EXPECT_STREQ(SND_WIND, SoundLogEntry(0).path);
        EXPECT_EQ(1, Plays(FMOD_CHANNEL_FREE));
        // Leaving releases the wind and the click.
        EXPECT_EQ(0, SoundPlaying(2));
    }
}

TEST_F(MainMenu, EdgesLeftAndTopInsideRightAndBottomOutside) {
    // The first pixel past each edge does nothing; the first and the last pixel of the button choose it.
    const int droite = newB.r.x + newB.r.w, bas = newB.r.y + newB.r.h;
    for (const auto& [x, y] : {std::pair<int, int>{newB.r.x, newB.r.y}, {droite - 1, bas - 1}}) {
        Push({Click(1, droite, cy(newB)), Click(1, cx(newB), bas), Click(1, x, y)});
        EXPECT_EQ(NEW_GAME, Menu(ecran, systeme)) << x << "," << y;
    }
    EXPECT_EQ(2, Plays(FMOD_CHANNEL_FREE));
}

TEST_F(MainMenu, OtherButtonsKeysAndOutsideClicksDoNothing) {
    Push({Click(3, cx(exitB), cy(exitB)), Click(2, cx(exitB), cy(exitB)), Click(4, cx(exitB), cy(exitB)),
          Click(5, cx(exitB), cy(exitB)), Click(1, 3, 3), Release(1, cx(exitB), cy(exitB)), Key(SDLK_a),
          Key(SDLK_RETURN), KeyUp(SDLK_ESCAPE), Click(1, cx(loadB), cy(loadB))});
    EXPECT_EQ(LOAD_GAME, Menu(ecran, systeme));
    EXPECT_EQ(1, Plays(FMOD_CHANNEL_FREE));
}

TEST_F(MainMenu, EscapeLeavesWithExitAndNoClick) {
    Push(Key(SDLK_ESCAPE));
    EXPECT_EQ(EXIT, Menu(ecran, systeme));
    EXPECT_EQ(0, Plays(FMOD_CHANNEL_FREE));
    EXPECT_EQ(0, Plays(3));
}

TEST_F(MainMenu, F11TogglesOncePerPress) {
    Push({Key(SDLK_F11), Key(SDLK_ESCAPE)});
    Menu(ecran, systeme);
    EXPECT_EQ(1, fullScreen);
    Push({Key(SDLK_F11), Key(SDLK_F11), Key(SDLK_F11), Key(SDLK_ESCAPE)});
    Menu(EcranActuel(), systeme);
    EXPECT_EQ(0, fullScreen);
}

TEST_F(MainMenu, HoverLightsTheButtonOneFrameLateWithOneSoundEach) {
    // Onto new game: lit, one hover sound on channel 3.
    Feeder feeder({{50, Motion(cx(newB), cy(newB))}, {250, Key(SDLK_ESCAPE)}});
    Menu(ecran, systeme);
    EXPECT_TRUE(Shows(newB, IMG_NEWGAME_B));
    EXPECT_TRUE(Shows(loadB, IMG_LOADGAME));
    EXPECT_EQ(1, Plays(3));
}

TEST_F(MainMenu, MovingBetweenButtonsSoundsOnlyOnChange) {
    Feeder feeder({{50, Motion(cx(exitB), cy(exitB))},
                   {150, Motion(cx(newB), cy(newB))},
                   {150, Motion(cx(loadB), cy(loadB))},
                   {150, Motion(3, 3)},
                   {150, Motion(cx(loadB), cy(loadB) + 1)},
                   {150, Motion(3, 3)},
                   {150, Key(SDLK_ESCAPE)}});
    Menu(ecran, systeme);
    EXPECT_EQ(3, Plays(3)) << "exit, new game, load game";
    EXPECT_TRUE(Shows(newB, IMG_NEWGAME));
    EXPECT_TRUE(Shows(loadB, IMG_LOADGAME));
    for (int i = 0; i < SoundLogCount(); i++) {
        if (SoundLogEntry(i).requested == 3) {
            EXPECT_EQ(3, SoundLogEntry(i).channel);
        }
    }
}

TEST_F(MainMenu, LargerBackgroundStandsAtTheCornerWithItsButtonsWhereThePointerLightsThem) {
    AssetDir grand({IMG_MENU});
    // 1200 x 800, its corner marked: centred, the screen would start 70 px right of it and 30 px down.
    SDL_Surface* fond = SDL_CreateRGBSurface(SDL_SWSURFACE, 1200, 800, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_Rect coin = {0, 0, 70, 30};
    SDL_FillRect(fond, nullptr, SDL_MapRGB(fond->format, 0, 0, 90));
    SDL_FillRect(fond, &coin, SDL_MapRGB(fond->format, 200, 200, 0));
    ASSERT_EQ(0, SDL_SaveBMP(fond, IMG_MENU));
    SDL_FreeSurface(fond);
    Feeder feeder({{50, Motion(cx(newB), cy(newB))}, {250, Key(SDLK_ESCAPE)}});
    Menu(ecran, systeme);
    EXPECT_EQ((Rgb{200, 200, 0}), Pixel(ecran, 0, 0));
    EXPECT_TRUE(Shows(newB, IMG_NEWGAME_B));
    EXPECT_TRUE(Shows(loadB, IMG_LOADGAME));
}

TEST_F(MainMenu, NothingIsLitBeforeTheFirstMouseEvent) {
    Feeder feeder({{200, Key(SDLK_a)}, {200, Key(SDLK_ESCAPE)}});
    Menu(ecran, systeme);
    EXPECT_TRUE(Shows(newB, IMG_NEWGAME));
    EXPECT_TRUE(Shows(exitB, IMG_EXIT));
    EXPECT_EQ(0, Plays(3));
}

TEST_F(MainMenu, EveryEntryStartsAfreshWithTheWindOnChannelTwo) {
    Feeder premier({{50, Motion(cx(newB), cy(newB))}, {200, Key(SDLK_ESCAPE)}});
    Menu(ecran, systeme);
    EXPECT_EQ(1, Plays(3));
    SoundLogClear();
    Feeder second({{50, Motion(cx(newB), cy(newB))}, {200, Key(SDLK_ESCAPE)}});
    Menu(ecran, systeme);
    EXPECT_EQ(1, Plays(3)) << "the last selection is forgotten between entries";
    EXPECT_EQ(2, SoundLogEntry(0).channel);
}

TEST_F(MainMenu, CloseRequestEndsWithStatusZero) {
    EXPECT_EXIT(
        {
            Push(Quit());
            Menu(ecran, systeme);
            _exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(MainMenu, MissingBackgroundShowsTheRedCardThenStillWorks) {
    AssetDir sans({"rsrc_img/Menu/menu.jpg"});
    bool rouge = false;
    OnFlip([&](SDL_Surface* e) { rouge = rouge || Pixel(e, 530, 10) == Rgb{250, 0, 0}; });
    Feeder feeder({{300, Click(3, 1, 1)}, {100, Click(1, cx(loadB), cy(loadB))}});
    EXPECT_EQ(LOAD_GAME, Menu(ecran, systeme));
    EXPECT_TRUE(rouge);
}

TEST_F(MainMenu, MissingButtonPictureLeavesTheOthersWorking) {
    AssetDir sans({"rsrc_img/Menu/exit.jpg", "rsrc_img/Menu/exitb.jpg"});
    Push({Click(1, cx(exitB), cy(exitB)), Click(1, cx(newB), cy(newB))});
    EXPECT_EQ(NEW_GAME, Menu(ecran, systeme));
}

// Once the first entries have warmed the allocator, the resident size holds within a few kB; the smallest thing
// an entry reads, the 10 kB hover sound, left behind each time would add 400 kB over forty entries.
TEST_F(MainMenu, RepeatedEntriesDoNotGrowMemory) {
    long avant = 0;
    for (int i = 0; i < 45; i++) {
        avant = i == 5 ? ResidentKb() : avant;
        Push({Motion(cx(newB), cy(newB)), Key(SDLK_ESCAPE)});
        Menu(ecran, systeme);
    }
    EXPECT_LT(ResidentKb() - avant, 200) << "kB grown over 40 entries";
}
