// The hit test, the colour card and the one-event poll.
#include "collision.h"
#include "constantes.h"
#include "harness.h"
#include "jeu.h"
#include "main.h"
#include "sdlTxt.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

using namespace harness;

namespace {

const SDL_Rect kEcranEntier = {0, 0, 1060, 740};

class CardAndPoll : public GameTest {};

TEST(IsMouseInBox, LeftAndTopEdgesInsideRightAndBottomOutside) {
    const SDL_Rect box = {10, 10, 5, 5};
    EXPECT_EQ(1, IsMouseInBox(10, 10, box));
    EXPECT_EQ(1, IsMouseInBox(14, 14, box));
    EXPECT_EQ(0, IsMouseInBox(15, 10, box));
    EXPECT_EQ(0, IsMouseInBox(10, 15, box));
    EXPECT_EQ(0, IsMouseInBox(9, 12, box));
    EXPECT_EQ(0, IsMouseInBox(12, 9, box));
    EXPECT_EQ(0, IsMouseInBox(10, 10, SDL_Rect{10, 10, 0, 5}));
    EXPECT_EQ(0, IsMouseInBox(10, 10, SDL_Rect{10, 10, 5, 0}));
}

TEST(IsMouseInBox, PositionSignedAndSizeUnsigned) {
    const SDL_Rect gauche = {-20, -30, 30, 40};
    EXPECT_EQ(1, IsMouseInBox(-20, -30, gauche));
    EXPECT_EQ(1, IsMouseInBox(9, 9, gauche));
    EXPECT_EQ(0, IsMouseInBox(10, 0, gauche));
    EXPECT_EQ(0, IsMouseInBox(0, 10, gauche));
    const SDL_Rect large = {32000, 0, 65535, 65535};
    EXPECT_EQ(1, IsMouseInBox(40000, 1000, large));
    EXPECT_EQ(1, IsMouseInBox(32000 + 65534, 65534, large));
    EXPECT_EQ(0, IsMouseInBox(32000 + 65535, 0, large));
    EXPECT_EQ(0, IsMouseInBox(31999, 0, large));
}

TEST_F(CardAndPoll, CardTakesLowEightBitsAndOutlastsKeysAndMotion) {
    Push({Key(SDLK_a), Key(SDLK_F11), Key(SDLK_ESCAPE), Motion(5, 5), Click(SDL_BUTTON_LEFT, 20, 20)});
    ::Test(ecran, 250 + 256, 3 + 512, 7 - 256);
    EXPECT_TRUE(AllPixels(ecran, kEcranEntier, Rgb{250, 3, 7}));
    EXPECT_EQ(0, Pending()); // every key was read and the card stayed until the click
    EXPECT_EQ(0, fullScreen);
}

TEST_F(CardAndPoll, CardEndsOnEveryMouseButton) {
    for (int bouton :
         {SDL_BUTTON_LEFT, SDL_BUTTON_MIDDLE, SDL_BUTTON_RIGHT, SDL_BUTTON_WHEELUP, SDL_BUTTON_WHEELDOWN}) {
        Push({Click(bouton, 1, 1), Key(SDLK_z)});
        ::Test(ecran, 0, 0, 0);
        EXPECT_EQ(1, Pending()) << "button " << bouton;
        SDL_Event reste;
        while (SDL_PollEvent(&reste) == 1) {
        }
    }
}

TEST_F(CardAndPoll, CardEndsProcessOnCloseRequest) {
    // The click after the close request makes a card that ignored it return, which fails the test.
    EXPECT_EXIT(
        {
            Push({Key(SDLK_a), Quit(), Click(SDL_BUTTON_LEFT, 1, 1)});
            ::Test(ecran, 1, 2, 3);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(CardAndPoll, EscapeTakesAtMostOneEvent) {
    Escape();
    EXPECT_EQ(0, Pending());
    Push({Key(SDLK_ESCAPE), Motion(1, 1)});
    Escape();
    ASSERT_EQ(1, Pending());
    SDL_Event reste;
    ASSERT_EQ(1, SDL_PollEvent(&reste));
    EXPECT_EQ(SDL_MOUSEMOTION, reste.type);
}

TEST_F(CardAndPoll, EscapeEndsProcessOnCloseRequest) {
    EXPECT_EXIT(
        {
            Push(Quit());
            Escape();
        },
        ::testing::ExitedWithCode(0), "");
}

// Without the video subsystem SDL has no event queue: a wait can never end, and the game must not pretend it did.
TEST_F(CardAndPoll, FailedWaitEndsTheGameWithAnErrorLineAndStatusOne) {
    EXPECT_EXIT(
        {
            dup2(2, 1);
            // A wait that took the failure for an event would spin for ever: the test fails in seconds instead.
            std::thread([] {
                std::this_thread::sleep_for(std::chrono::seconds(5));
                fprintf(stderr, "the failed wait went on\n");
                _exit(4);
            }).detach();
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            WaitEvent();
            _exit(3);
        },
        ::testing::ExitedWithCode(1), "\n#ERREUR .* : .* #ERREUR_END$");
}

// A player's input at each kind of screen, delivered the way SDL's drivers
// deliver it (harness::TryPush). At every frame shown with the queue empty a
// pointer move comes, which only a screen that follows the pointer gets, then
// the key or click that acts there. A dropped key would leave the screen
// waiting: the child ends at once instead, and the test fails in seconds.
struct Porte {
    const char* nom;
    std::function<int(SDL_Surface*, FMOD_SYSTEM*)> ecran;
    SDL_Event agit;
    bool suivie;  // the pointer's moves reach the queue
    int resultat; // what the screen returns; the intro is done once its white-out shows a grey
};

void PrintTo(const Porte& p, std::ostream* os) {
    *os << p.nom;
}

class Door : public GameTest, public ::testing::WithParamInterface<Porte> {};

TEST_P(Door, KeysAndClicksActAndOnlyTheMenuGetsPointerMoves) {
    const Porte& p = GetParam();
    EXPECT_EXIT(
        {
            OnFlip([&p](SDL_Surface* e) {
                if (p.resultat < 0 && Pixel(e, 5, 5).r > 0) {
                    _exit(0);
                }
                if (Pending() != 0) {
                    return;
                }
                TryPush(Motion(7, 7));
                if ((Pending() == 1) != p.suivie) {
                    fprintf(stderr, "pointer move %s\n", p.suivie ? "dropped" : "queued");
                    _exit(3);
                }
                const int avant = Pending();
                if (!TryPush(p.agit) || Pending() != avant + 1) {
                    fprintf(stderr, "the key or click was dropped\n");
                    _exit(4);
                }
            });
            _exit(p.ecran(ecran, systeme) == p.resultat ? 0 : 5);
        },
        ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(Screens, Door,
                         ::testing::Values(Porte{"TitleKey", StartPage, Key(SDLK_a), false, 0},
                                           Porte{"TitleClick", StartPage, Click(SDL_BUTTON_LEFT, 3, 3), false, 0},
                                           Porte{"Menu", Menu, Key(SDLK_ESCAPE), true, 0},
                                           Porte{"TextBox",
                                                 [](SDL_Surface* e, FMOD_SYSTEM* s) {
                                                     return TxtBox_Print(e, s, "Loup", TTF_OpenFont(FONT_VOLTER, 30),
                                                                         SDL_Color{});
                                                 },
                                                 Key(SDLK_ESCAPE), false, 0},
                                           Porte{"Intro",
                                                 [](SDL_Surface* e, FMOD_SYSTEM* s) { return IntroGame(e, s), 0; },
                                                 Key(SDLK_ESCAPE), false, -1}),
                         [](const ::testing::TestParamInfo<Porte>& info) { return std::string(info.param.nom); });

} // namespace
