// A new save, and the game session entry for every state code.
#include <cstdio>
#include <cstdlib>

#include "constantes.h"
#include "harness.h"
#include "jeu.h"

using namespace harness;

namespace {

const SDL_Rect kEcranEntier = {0, 0, 1060, 740};

class NewSave : public GameTest {};
class GameSession : public GameTest {};

void ExpectNewSave(const sav* save) {
    ASSERT_NE(nullptr, save);
    EXPECT_EQ(0, save->HKey);
    EXPECT_EQ(0, save->PKey);
    EXPECT_EQ(0, save->GKey);
    EXPECT_EQ(0, save->pts);
    EXPECT_EQ(nullptr, save->threnn);
    EXPECT_EQ(nullptr, save->gulm);
    EXPECT_EQ(nullptr, save->wispel);
    const wolf* zorvik = save->zorvik;
    ASSERT_NE(nullptr, zorvik);
    EXPECT_EQ(ZORVIK, zorvik->id);
    EXPECT_EQ(530, zorvik->pos.x);
    EXPECT_EQ(370, zorvik->pos.y);
    EXPECT_EQ(0, zorvik->pos.w);
    EXPECT_EQ(0, zorvik->pos.h);
    EXPECT_EQ(nullptr, zorvik->skin[1]);
    EXPECT_EQ(25, zorvik->stats.lvl);
    EXPECT_EQ(45, zorvik->stats.pv);
    EXPECT_EQ(600, zorvik->stats.vitesse);
    EXPECT_EQ(25, zorvik->stats.force);
}

TEST_F(NewSave, NewSavesAreFilledAndIndependent) {
    sav* a = InitSave();
    sav* b = InitSave();
    ExpectNewSave(a);
    ExpectNewSave(b);
    ASSERT_NE(a, b);
    ASSERT_NE(a->zorvik, b->zorvik);
    a->pts = 7;
    a->zorvik->stats.pv = 1;
    EXPECT_EQ(0, b->pts);
    EXPECT_EQ(45, b->zorvik->stats.pv);
    // A fuller save than the game makes yet: every wolf and picture goes with it.
    a->gulm = new wolf();
    a->gulm->skin[0] = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 32, 0, 0, 0, 0);
    a->gulm->skin[1] = SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 4, 32, 0, 0, 0, 0);
    FreeSave(a);
    FreeSave(b);
    FreeSave(nullptr);
}

TEST_F(NewSave, WolfPictureFromWorkingDirectoryOrNullSilently) {
    AssetDir sansLoup({IMG_WOLF_ZORVIK});
    // SDL_image goes by the file's content, so a small BMP under the wolf's name stands in for it.
    SDL_Surface* image = SDL_CreateRGBSurface(SDL_SWSURFACE, 7, 5, 32, 0, 0, 0, 0);
    ASSERT_EQ(0, SDL_SaveBMP(image, IMG_WOLF_ZORVIK));
    SDL_FreeSurface(image);

    sav* avec = InitSave();
    ASSERT_NE(nullptr, avec);
    ASSERT_NE(nullptr, avec->zorvik->skin[0]);
    EXPECT_EQ(7, avec->zorvik->skin[0]->w);
    EXPECT_EQ(5, avec->zorvik->skin[0]->h);
    FreeSave(avec);

    ASSERT_EQ(0, remove(IMG_WOLF_ZORVIK));
    sav* sans = nullptr;
    EXPECT_EQ("", CaptureStdout([&] { sans = InitSave(); }));
    ExpectNewSave(sans);
    EXPECT_EQ(nullptr, sans->zorvik->skin[0]);
    FreeSave(sans);
}

// Death tests end in exit(0): what the screen and the queue held at that moment is told on stderr.
SDL_Surface* gEcran = nullptr;

void RapporterEcran() {
    const Rgb c = Pixel(gEcran, 530, 370);
    fprintf(stderr, "screen %d %d %d whole %d pending %d\n", c.r, c.g, c.b, AllPixels(gEcran, kEcranEntier, c) ? 1 : 0,
            Pending());
}

void Armer(SDL_Surface* ecran) {
    gEcran = ecran;
    SDL_FillRect(ecran, nullptr, SDL_MapRGB(ecran->format, 255, 0, 255));
    atexit(RapporterEcran);
}

TEST_F(GameSession, NewGameShowsOneFrameAndReturnsGame) {
    SDL_FillRect(ecran, nullptr, SDL_MapRGB(ecran->format, 255, 0, 255));
    Push(Key(SDLK_a));
    EXPECT_EQ(GAME, JeuMain(ecran, nullptr, NEW_GAME));
    EXPECT_TRUE(AllPixels(ecran, kEcranEntier, Rgb{0, 100, 30}));
    EXPECT_EQ(1, Pending()); // no event was read
}

TEST_F(GameSession, ExitAndCinematicEndAfterOneFrame) {
    for (int code : {EXIT, CINEMATHIQUE}) {
        EXPECT_EXIT(
            {
                Armer(ecran);
                Push(Key(SDLK_a));
                JeuMain(ecran, systeme, code);
            },
            ::testing::ExitedWithCode(0), "screen 0 100 30 whole 1 pending 1")
            << "code " << code;
    }
}

TEST_F(GameSession, LoadGameCardReturnsAfterEveryClickUntilClosed) {
    EXPECT_EXIT(
        {
            Armer(ecran);
            Feeder feeder({{20, Key(SDLK_a)},
                           {20, Click(SDL_BUTTON_LEFT, 5, 5)},
                           {20, Key(SDLK_ESCAPE)},
                           {20, Click(SDL_BUTTON_RIGHT, 5, 5)},
                           {20, Key(SDLK_F11)},
                           {20, Click(SDL_BUTTON_MIDDLE, 5, 5)},
                           {20, Motion(9, 9)},
                           {20, Quit()},
                           {0, Key(SDLK_z)}});
            JeuMain(ecran, systeme, LOAD_GAME);
        },
        ::testing::ExitedWithCode(0), "screen 0 100 0 whole 1 pending .");
}

TEST_F(GameSession, StatesWithoutActionWaitForCloseRequest) {
    for (int code : {int{GAME}, int{MAP_MONDE}, int{IN_GAME}, int{MENU_GAME}, -1, 8}) {
        EXPECT_EXIT(
            {
                Armer(ecran);
                Push({Key(SDLK_a), Key(SDLK_ESCAPE), Click(SDL_BUTTON_LEFT, 5, 5), Motion(9, 9), Quit(), Key(SDLK_z)});
                JeuMain(ecran, systeme, code);
            },
            ::testing::ExitedWithCode(0), "screen 0 100 30 whole 1 pending 1")
            << "code " << code;
    }
}

} // namespace
