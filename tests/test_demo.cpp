// The demo menu (buttons painted into the background, so shown one redraw late) and the menu preload.
#include <SDL_image.h>

#include <string>

#include "constantes.h"
#include "harness.h"
#include "jeu.h"
#include "main.h"

using namespace harness;

namespace {

const SDL_Rect kEcranEntier = {0, 0, 1060, 740};
const Rgb kMagenta = {255, 0, 255};

class DemoScreens : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        menu_ = Charger(IMG_MENU);
        exit_ = Charger(IMG_EXIT);
        exitB_ = Charger(IMG_EXIT_B);
        demo_ = Charger(IMG_DEMOGAME);
        demoB_ = Charger(IMG_DEMOGAME_B);
        ASSERT_TRUE(menu_ && exit_ && exitB_ && demo_ && demoB_) << IMG_GetError();
        // The buttons land where the pointer expects them only over a screen-sized background.
        ASSERT_EQ(1060, menu_->w);
        ASSERT_EQ(740, menu_->h);
        boutonExit_ = {static_cast<Sint16>((1060 - exit_->w) / 2), 350, static_cast<Uint16>(exit_->w),
                       static_cast<Uint16>(exit_->h)};
        boutonDemo_ = {static_cast<Sint16>((1060 - demo_->w) / 2), 200, static_cast<Uint16>(demo_->w),
                       static_cast<Uint16>(demo_->h)};
        SDL_FillRect(ecran, nullptr, SDL_MapRGB(ecran->format, 255, 0, 255));
    }
    void TearDown() override {
        for (SDL_Surface* s : {menu_, exit_, exitB_, demo_, demoB_}) {
            SDL_FreeSurface(s);
        }
        GameTest::TearDown();
    }
    // In the screen's format, so pixels read the same way on both sides.
    SDL_Surface* Charger(const char* chemin) {
        SDL_Surface* brut = IMG_Load(chemin);
        if (brut == nullptr) {
            return nullptr;
        }
        SDL_Surface* s = SDL_ConvertSurface(brut, ecran->format, SDL_SWSURFACE);
        SDL_FreeSurface(brut);
        return s;
    }
    // Whether the screen area zone shows picture, read from (px, py) in the picture.
    bool Montre(SDL_Rect zone, SDL_Surface* picture, int px, int py) {
        for (int y = 0; y < zone.h; ++y) {
            for (int x = 0; x < zone.w; ++x) {
                if (!(Pixel(ecran, zone.x + x, zone.y + y) == Pixel(picture, px + x, py + y))) {
                    return false;
                }
            }
        }
        return true;
    }
    bool Montre(SDL_Rect bouton, SDL_Surface* picture) { return Montre(bouton, picture, 0, 0); }
    bool MontreFond(SDL_Rect bouton) { return Montre(bouton, menu_, bouton.x, bouton.y); }
    SDL_Event SurExit() { return Click(SDL_BUTTON_LEFT, boutonExit_.x, boutonExit_.y); }
    SDL_Event SurDemo() { return Click(SDL_BUTTON_LEFT, boutonDemo_.x, boutonDemo_.y); }
    SDL_Event MotionSur(SDL_Rect r) { return Motion(r.x + r.w / 2, r.y + r.h / 2); }

    SDL_Surface *menu_ = nullptr, *exit_ = nullptr, *exitB_ = nullptr, *demo_ = nullptr, *demoB_ = nullptr;
    SDL_Rect boutonExit_{}, boutonDemo_{};
};

TEST_F(DemoScreens, NothingDrawnBeforeFirstEventAndButtonsOneRedrawLate) {
    Push(SurExit());
    EXPECT_EQ(0, DemoMenu(ecran, systeme));
    EXPECT_TRUE(AllPixels(ecran, kEcranEntier, kMagenta));

    Push({Key(SDLK_a), SurExit()});
    EXPECT_EQ(0, DemoMenu(ecran, systeme));
    EXPECT_TRUE(MontreFond(boutonExit_));
    EXPECT_TRUE(MontreFond(boutonDemo_));

    Push({Key(SDLK_a), Key(SDLK_b), SurExit()});
    EXPECT_EQ(0, DemoMenu(ecran, systeme));
    EXPECT_TRUE(Montre(boutonExit_, exit_));
    EXPECT_TRUE(Montre(boutonDemo_, demo_));
    EXPECT_TRUE(Montre({0, 0, 1060, 200}, menu_, 0, 0));
    EXPECT_EQ(0, SoundLogCount());
}

TEST_F(DemoScreens, HighlightFollowsPointerOneRedrawLate) {
    Push({Key(SDLK_a), MotionSur(boutonExit_), SurExit()});
    EXPECT_EQ(0, DemoMenu(ecran, systeme));
    EXPECT_TRUE(Montre(boutonExit_, exit_));

    Push({Key(SDLK_a), MotionSur(boutonExit_), Key(SDLK_b), SurExit()});
    EXPECT_EQ(0, DemoMenu(ecran, systeme));
    EXPECT_TRUE(Montre(boutonExit_, exitB_));
    EXPECT_TRUE(Montre(boutonDemo_, demo_));

    Push({Key(SDLK_a), MotionSur(boutonExit_), Key(SDLK_b), Motion(5, 5), SurExit()});
    EXPECT_EQ(0, DemoMenu(ecran, systeme));
    EXPECT_TRUE(Montre(boutonExit_, exitB_));

    Push({Key(SDLK_a), MotionSur(boutonExit_), Key(SDLK_b), Motion(5, 5), Key(SDLK_c), SurExit()});
    EXPECT_EQ(0, DemoMenu(ecran, systeme));
    EXPECT_TRUE(Montre(boutonExit_, exit_));

    Push({Key(SDLK_a), MotionSur(boutonDemo_), Key(SDLK_b), SurDemo()});
    EXPECT_EQ(1, DemoMenu(ecran, systeme));
    EXPECT_TRUE(Montre(boutonDemo_, demoB_));
    EXPECT_TRUE(Montre(boutonExit_, exit_));
}

TEST_F(DemoScreens, OnlyLeftClickInsideButtonOrEscapeLeaves) {
    const SDL_Rect e = boutonExit_;
    const SDL_Rect d = boutonDemo_;
    Push({Click(SDL_BUTTON_RIGHT, e.x, e.y), Click(SDL_BUTTON_MIDDLE, e.x + 1, e.y + 1),
          Click(SDL_BUTTON_RIGHT, d.x, d.y), Click(SDL_BUTTON_LEFT, e.x + e.w, e.y),
          Click(SDL_BUTTON_LEFT, e.x, e.y + e.h), Click(SDL_BUTTON_LEFT, e.x - 1, e.y),
          Click(SDL_BUTTON_LEFT, d.x + d.w, d.y), Click(SDL_BUTTON_LEFT, 5, 5), Key(SDLK_F11), Key(SDLK_RETURN),
          Click(SDL_BUTTON_LEFT, d.x + d.w - 1, d.y + d.h - 1), Key(SDLK_z)});
    EXPECT_EQ(1, DemoMenu(ecran, systeme));
    EXPECT_EQ(1, Pending());
    EXPECT_EQ(0, fullScreen);
    EXPECT_TRUE(Montre(e, exit_)); // it went on redrawing after each of those

    Push({Click(SDL_BUTTON_LEFT, e.x + e.w - 1, e.y + e.h - 1)});
    EXPECT_EQ(0, DemoMenu(ecran, systeme));

    Push({Key(SDLK_a), Key(SDLK_ESCAPE), SurDemo()});
    EXPECT_EQ(0, DemoMenu(ecran, systeme));
    EXPECT_EQ(1, Pending());
}

TEST_F(DemoScreens, CloseRequestEndsProcess) {
    EXPECT_EXIT(
        {
            Push({Key(SDLK_a), Quit(), SurDemo()});
            DemoMenu(ecran, systeme);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(DemoScreens, MissingBackgroundGivesBlackCardThenButtonsOnBlack) {
    AssetDir sansFond({IMG_MENU});
    int choix = -1;
    std::string sortie = CaptureStdout([&] {
        Push({Key(SDLK_a), Click(SDL_BUTTON_RIGHT, 1, 1), Key(SDLK_ESCAPE), Key(SDLK_z)});
        choix = DemoMenu(ecran, systeme);
    });
    EXPECT_EQ(0, choix);
    EXPECT_EQ(1, Pending());
    EXPECT_TRUE(AllPixels(ecran, kEcranEntier, Rgb{0, 0, 0}));
    EXPECT_NE(std::string::npos, sortie.find(IMG_MENU)) << sortie;
    SDL_Event reste;
    SDL_PollEvent(&reste);

    CaptureStdout([&] {
        Push({Click(SDL_BUTTON_LEFT, 1, 1), Key(SDLK_a), Key(SDLK_b), SurDemo()});
        choix = DemoMenu(ecran, systeme);
    });
    EXPECT_EQ(1, choix);
    EXPECT_TRUE(Montre(boutonDemo_, demo_));
    EXPECT_TRUE(Montre(boutonExit_, exit_));
    EXPECT_TRUE(AllPixels(ecran, {0, 0, 1060, 200}, Rgb{0, 0, 0}));
}

TEST_F(DemoScreens, MissingButtonPictureLeavesPlainClickableBlock) {
    AssetDir sansExit({IMG_EXIT, IMG_EXIT_B});
    // A block the size of the menu's button pictures, in the button's row: dusk violet, lit amber.
    const SDL_Rect bloc = {320, 350, 420, 90};
    int choix = -1;
    std::string sortie = CaptureStdout([&] {
        Push({Motion(5, 5), Key(SDLK_b), Click(SDL_BUTTON_LEFT, bloc.x, bloc.y)});
        choix = DemoMenu(ecran, systeme);
    });
    EXPECT_EQ(0, choix);
    EXPECT_TRUE(AllPixels(ecran, bloc, Rgb{70, 60, 90}));
    EXPECT_TRUE(Montre(boutonDemo_, demo_));
    EXPECT_NE(std::string::npos, sortie.find(IMG_EXIT)) << sortie;

    CaptureStdout([&] {
        Push({Motion(bloc.x, bloc.y), Key(SDLK_b), Click(SDL_BUTTON_LEFT, bloc.x + 419, bloc.y + 89)});
        choix = DemoMenu(ecran, systeme);
    });
    EXPECT_EQ(0, choix);
    EXPECT_TRUE(AllPixels(ecran, bloc, Rgb{150, 110, 60}));
}

TEST_F(DemoScreens, RepeatedVisitsDoNotGrowMemory) {
    auto visite = [&] {
        Push({MotionSur(boutonExit_), Key(SDLK_a), MotionSur(boutonDemo_), Motion(5, 5), SurExit()});
        ASSERT_EQ(0, DemoMenu(ecran, systeme));
    };
    // Warmed by five visits the resident size holds within a few kB; a button picture (over 100 kB) left
    // behind each visit would add megabytes.
    long avant = 0;
    for (int i = 0; i < 45; ++i) {
        avant = i == 5 ? ResidentKb() : avant;
        visite();
    }
    EXPECT_LT(ResidentKb() - avant, 200) << "kB grown over 40 visits";
}

TEST_F(DemoScreens, FirstMapDrawsAndPlaysNothing) {
    Push(Key(SDLK_a));
    DemoFirstMap(ecran, systeme);
    EXPECT_TRUE(AllPixels(ecran, kEcranEntier, kMagenta));
    EXPECT_EQ(1, Pending());
    EXPECT_EQ(0, SoundLogCount());
}

TEST_F(DemoScreens, FirstMapWithoutBackgroundShowsRedCardUntilClick) {
    AssetDir sansFond({IMG_MENU});
    Push({Key(SDLK_a), Motion(3, 3), Click(SDL_BUTTON_MIDDLE, 1, 1), Key(SDLK_z)});
    DemoFirstMap(ecran, systeme);
    EXPECT_TRUE(AllPixels(ecran, kEcranEntier, Rgb{250, 0, 0}));
    EXPECT_EQ(1, Pending());
    EXPECT_EQ(0, SoundLogCount());
}

} // namespace
