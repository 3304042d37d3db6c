// The map file, the display toggle, start-up and the title screen.
#include <SDL_image.h>

#include "system.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "constantes.h"
#include "harness.h"
#include "main.h"

using namespace harness;
namespace fs = std::filesystem;

namespace {

// The map is written through a text-mode stream: each line ends the system's way.
const std::string kFin = kFinDeLigneTexte;

std::string ExpectedMap() {
    std::string m;
    for (int i = 0; i < 11; i++) {
        m += std::string(94, '0') + kFin;
    }
    m += std::string(21, '0') + std::string(19, '1') + std::string(54, '0') + kFin;
    m += std::string(73, '1') + kFin + "0";
    return m;
}

// A scratch working directory for the map file; removed afterwards.
struct ScratchDir {
    ScratchDir() {
        char modele[] = "/tmp/duskwane-map-XXXXXX";
        path = mkdtemp(modele);
        EXPECT_EQ(0, chdir(path.c_str()));
    }
    ~ScratchDir() {
        EXPECT_EQ(0, chdir(DUSKWANE_RUNTIME_DIR));
        fs::remove_all(path);
    }
    std::string path;
};

} // namespace

TEST(MapFile, HoldsTheDemoLevelAndReplacesAnyOldFile) {
    ScratchDir dir;
    {
        std::ofstream old("map.map");
        old << std::string(5000, 'x');
    }
    EXPECT_EQ("", CaptureStdout([] { DemoCreateMap(); }));
    const std::string map = ReadFile("map.map");
    EXPECT_EQ(kFin == "\n" ? 1215u : 1228u, map.size());
    EXPECT_EQ(ExpectedMap(), map);
    EXPECT_EQ('0', map.back());
    EXPECT_EQ('\n', map[map.size() - 2]);
    // Row 12 is 21 columns shorter than the others.
    const size_t debut12 = 12 * (94 + kFin.size());
    EXPECT_EQ(73u, map.find(kFin, debut12) - debut12);
}

TEST(MapFile, UnwritablePlaceReportsAndWritesNothing) {
    ScratchDir dir;
    // A directory in the file's place cannot be opened for writing, even by root.
    fs::create_directory("map.map");
    EXPECT_EQ("\n\n#ECHEC_createMap", CaptureStdout([] { DemoCreateMap(); }));
    EXPECT_TRUE(fs::is_directory("map.map"));
}

class Display : public GameTest {};

TEST_F(Display, ToggleAlternatesAndKeepsTheScreenSize) {
    ASSERT_EQ(0, fullScreen);
    ToggleDisplayMode();
    EXPECT_EQ(1, fullScreen);
    SDL_Surface* e = EcranActuel();
    ASSERT_NE(nullptr, e);
    EXPECT_EQ(SDL_GetVideoSurface(), e);
    EXPECT_TRUE(e->flags & SDL_FULLSCREEN);
    ToggleDisplayMode();
    EXPECT_EQ(0, fullScreen);
    e = EcranActuel();
    EXPECT_EQ(SDL_GetVideoSurface(), e);
    EXPECT_FALSE(e->flags & SDL_FULLSCREEN);
    EXPECT_EQ(1060, e->w);
    EXPECT_EQ(740, e->h);
    EXPECT_EQ(32, e->format->BitsPerPixel);
    EXPECT_STREQ("1", getenv("SDL_VIDEO_CENTERED"));
    EXPECT_STREQ("center", getenv("SDL_VIDEO_WINDOW_POS"));
}

// A refused mode lands back in the mode the game had; refused again, there is no screen left to draw into.
TEST_F(Display, RefusedToggleKeepsTheOldModeAndRefusedTwiceEndsWithStatusOne) {
    for (int mode : {0, 1}) {
        RefuseVideoModes(1);
        EXPECT_NE(std::string::npos, CaptureStdout(ToggleDisplayMode).find("#ERREUR Changement de mode refus\351"));
        EXPECT_EQ(mode, fullScreen);
        EXPECT_EQ(mode == 1, (EcranActuel()->flags & SDL_FULLSCREEN) != 0);
        EXPECT_EQ(SDL_GetVideoSurface(), EcranActuel());
        ToggleDisplayMode(); // the next press makes the switch that was refused
        EXPECT_EQ(1 - mode, fullScreen);
        EXPECT_EQ(mode == 0, (EcranActuel()->flags & SDL_FULLSCREEN) != 0);
    }
    RefuseVideoModes(2);
    EXPECT_EXIT((dup2(2, 1), ToggleDisplayMode(), _exit(3)), ::testing::ExitedWithCode(1),
                "#ERREUR_END\nUnable to set 1060 x 740 video: mode refused\n$");
}

// Start-up failures print their message on standard output and end with 1.
static void StartWithDriver(const char* variable, const char* driver) {
    setenv(variable, driver, 1);
    dup2(2, 1); // so the death test can read what the game prints
    fflush(stdout);
    int status = SDL_main(0, nullptr);
    fflush(stdout);
    _exit(status);
}

// Each platform leg of the test command names the SDL 1.2 it means to run on: classic SDL reports
// 1.2.15, sdl12-compat (over SDL 2) 1.2.50 or later. A leg that loaded the other one proves nothing.
TEST(StartUp, RunsOnTheSdlTheLegNames) {
    const char* attendu = getenv("DUSKWANE_SDL");
    if (attendu == nullptr) {
        GTEST_SKIP() << "DUSKWANE_SDL names no SDL 1.2 (classic or sdl12-compat)";
    }
    const SDL_version* v = SDL_Linked_Version();
    const int n = SDL_VERSIONNUM(v->major, v->minor, v->patch);
    const char* vu = n >= SDL_VERSIONNUM(1, 2, 50) ? "sdl12-compat" : n == SDL_VERSIONNUM(1, 2, 15) ? "classic" : "?";
    EXPECT_STREQ(attendu, vu) << "loaded SDL " << int(v->major) << "." << int(v->minor) << "." << int(v->patch);
}

TEST(StartUp, UnknownVideoDriverEndsWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(StartWithDriver("SDL_VIDEODRIVER", "nosuchdriver"), ::testing::ExitedWithCode(1),
                "Unable to init SDL: ");
}

TEST(StartUp, NoAudioOutputEndsWithStatusOneBeforeTheTitle) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            ScratchDir dir;
            StartWithDriver("SDL_AUDIODRIVER", "nosuchdriver");
        },
        ::testing::ExitedWithCode(1), "Unable to load fmodex$");
}

// The whole road through start-up: the title, then Escape in the menu.
TEST(StartUp, TitleThenMenuEscapeEndsWithStatusZeroAndWritesTheMap) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_EQ(0, chdir(DUSKWANE_RUNTIME_DIR));
    fs::remove("map.map");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            Feeder feeder({{300, Key(SDLK_a)}, {600, Key(SDLK_ESCAPE)}});
            SDL_main(0, nullptr);
            _exit(3);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ExpectedMap(), ReadFile("map.map"));
}

class Title : public GameTest {};

TEST_F(Title, AnyKeyOrButtonLeavesWithTheClick) {
    const std::vector<SDL_Event> leaves = {Key(SDLK_a),      Key(SDLK_ESCAPE), Key(SDLK_SPACE),  Click(1, 10, 10),
                                           Click(2, 10, 10), Click(3, 10, 10), Click(4, 10, 10), Click(5, 10, 10)};
    for (const SDL_Event& e : leaves) {
        SoundLogClear();
        Push(e);
        EXPECT_EQ(0, StartPage(ecran, systeme));
        ASSERT_EQ(2, SoundLogCount());
        EXPECT_STREQ(SND_WIND, SoundLogEntry(0).path);
        EXPECT_EQ(-1, SoundLogEntry(0).requested);
        EXPECT_STREQ(SND_CLICK, SoundLogEntry(1).path);
        EXPECT_EQ(-1, SoundLogEntry(1).requested);
        // Both are released on the way out: nothing plays after the title.
        for (int c = 0; c < 5; c++) {
            EXPECT_EQ(0, SoundPlaying(c)) << "channel " << c;
        }
        EXPECT_EQ(0, Pending());
    }
    EXPECT_EQ(0, fullScreen);
}

TEST_F(Title, MotionAndReleasesDoNotLeave) {
    Feeder feeder({{0, Motion(100, 100)}, {0, Release(1, 5, 5)}, {0, KeyUp(SDLK_b)}, {400, Key(SDLK_b)}});
    EXPECT_EQ(0, StartPage(ecran, systeme));
    EXPECT_GE(Now() - debut, 400u) << "the title left before the key";
}

TEST_F(Title, F11TogglesTheModeAndLeaves) {
    Push(Key(SDLK_F11));
    StartPage(ecran, systeme);
    EXPECT_EQ(1, fullScreen);
    EXPECT_TRUE(EcranActuel()->flags & SDL_FULLSCREEN);
}

TEST_F(Title, CloseRequestEndsWithStatusZero) {
    EXPECT_EXIT(
        {
            Push(Quit());
            StartPage(ecran, systeme);
            _exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}

// The prompt blinks in the middle of the screen: shown by the first redraw, 501 ms after SDL started (more than
// 500), then hidden and shown in turn over the background, which stays. The time is read after the drawing and
// before the flip: a phase lasts 501 ms, or up to one pass more where a flip costs time.
class TitleBlink : public WithDrawCost<Title> {};
INSTANTIATE_TEST_SUITE_P(Flip, TitleBlink, ::testing::Values(0u, 5u), FlipCostName);

TEST_P(TitleBlink, PromptBlinksCentredOverASteadyBackground) {
    SDL_Surface* fond = IMG_Load(IMG_TITRE);
    ASSERT_NE(nullptr, fond);
    const Rgb coin = Pixel(fond, 5, 5);
    ASSERT_FALSE(coin == (Rgb{0, 0, 0}));
    TTF_Font* police = TTF_OpenFont(FONT_TESSMARIN, 100);
    ASSERT_NE(nullptr, police);
    SDL_Surface* invite = TTF_RenderText_Solid(police, "[ Push Any Key ]", SDL_Color{245, 245, 245, 0});
    ASSERT_NE(nullptr, invite);
    // Every pixel of the prompt's letters, centred both ways, and how many of them show each frame.
    std::vector<std::pair<int, int>> lettres;
    for (int y = 0; y < invite->h; ++y) {
        for (int x = 0; x < invite->w; ++x) {
            if (Pixel(invite, x, y) == Rgb{245, 245, 245}) {
                lettres.push_back({(1060 - invite->w) / 2 + x, (740 - invite->h) / 2 + y});
            }
        }
    }
    ASSERT_GT(lettres.size(), 1000u);
    std::vector<std::pair<Uint32, size_t>> phases; // when the prompt's presence changed, and its letters shown
    OnFlip([&](SDL_Surface* e) {
        if (!(Pixel(e, 5, 5) == coin)) {
            return; // before the first redraw the screen is still black
        }
        auto vues = [&](size_t pas) {
            size_t n = 0;
            for (size_t k = 0; k < lettres.size(); k += pas) {
                n += Pixel(e, lettres[k].first, lettres[k].second) == Rgb{245, 245, 245};
            }
            return n;
        };
        const bool montre = vues(97) > 0; // a sample every frame, every letter once a phase
        if (phases.empty() || montre != (phases.back().second > 0)) {
            phases.push_back({Now() - debut, montre ? vues(1) : 0});
        }
    });
    SDL_FillRect(ecran, nullptr, 0); // what the screen showed before: sdl12-compat keeps the last test's frame
    Feeder feeder({{1600, Key(SDLK_RETURN)}}); // three phases
    StartPage(ecran, systeme);
    // The background is on the screen outside the prompt.
    EXPECT_EQ(coin, Pixel(ecran, 5, 5));
    SDL_FreeSurface(fond);
    SDL_FreeSurface(invite);
    TTF_CloseFont(police);
    ASSERT_GE(phases.size(), 3u);
    for (size_t i = 0; i < phases.size(); i++) {
        // Shown: every letter where it belongs; hidden: none of them (the background has no such white).
        EXPECT_EQ(i % 2 == 0 ? lettres.size() : 0u, phases[i].second) << "phase " << i;
        // The first redraw comes once more than 500 ms have passed since SDL started.
        const Uint32 duree = phases[i].first - (i > 0 ? phases[i - 1].first : 0);
        EXPECT_GE(duree, 501u) << "phase " << i;
        EXPECT_LE(duree, 501u + GetParam()) << "phase " << i;
    }
}

TEST_F(Title, MissingPicturesFontAndSoundsStillLeaveOnAKey) {
    AssetDir sans(
        {"rsrc_img/menu.jpg", "rsrc_img/font/Tessmarin.ttf", "rsrc_snd/Menu/click.wav", "rsrc_snd/Menu/wind.wav"});
    Push(Key(SDLK_a));
    std::string sortie = CaptureStdout([&] { EXPECT_EQ(0, StartPage(ecran, systeme)); });
    EXPECT_NE(std::string::npos, sortie.find("rsrc_img/menu.jpg"));
    EXPECT_NE(std::string::npos, sortie.find("rsrc_img/font/Tessmarin.ttf"));
    EXPECT_EQ(0, SoundLogCount());
}
