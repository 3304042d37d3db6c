// Shared test tools: a headless game (dummy video and audio), events pushed
// into SDL's queue now or on a schedule from another thread, and pixel reads.
#ifndef DUSKWANE_TEST_HARNESS_H
#define DUSKWANE_TEST_HARNESS_H

#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "display.h"
#include "events.h"
#include "main.h"
#include "sound.h"

// What the tests hear: every sound start, logged by a listener the test
// binary installs in the sound layer before any test runs.
struct SoundStart {
    int requested; // the channel asked for, -1 for a free one
    int channel;   // the channel it actually started on
    const char* path;
    Uint32 ticks; // SDL_GetTicks() at the start
};
// Starts since the last SoundLogClear, oldest first; safe from any thread.
int SoundLogCount();
SoundStart SoundLogEntry(int index);
void SoundLogClear();
// Whether a sound is audible on channel right now.
int SoundPlaying(int channel);
// The path of the sound last started on channel while it is still audible, or null.
const char* SoundOnChannel(int channel);

namespace harness {

// Starts SDL, SDL_ttf, the screen and the sound system the way the game does,
// in the run-time directory where the assets are.
class GameTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    SDL_Surface* ecran = nullptr;
    FMOD_SYSTEM* systeme = nullptr;
};

using evenements::Click;
using evenements::Key;
using evenements::KeyUp;
using evenements::Motion;
using evenements::Quit;
using evenements::Release;

// Delivers e now the way SDL's drivers deliver a player's input: the event
// filter the game installed (SDL_GetEventFilter) sees it first and may drop
// it, as it drops pointer moves while a screen that ignores the pointer is up.
// False only when SDL's queue is full. Every event a test injects comes this way.
bool TryPush(const SDL_Event& e);
// TryPush that fails the test if SDL's queue is full.
void Push(const SDL_Event& e);
void Push(const std::vector<SDL_Event>& events);
// Events still waiting in the queue (read without taking them).
int Pending();

// Returns once the game's window is there: a player's input cannot come
// sooner, and the game empties its queue while it sets the window up.
void WaitForWindow();

// Pushes each event after its delay (milliseconds after the previous push,
// the first after the window is there), from its own thread; joins on
// destruction.
class Feeder {
  public:
    struct Step {
        Uint32 delayMs;
        SDL_Event event;
    };
    explicit Feeder(std::vector<Step> steps);
    ~Feeder();
    Feeder(const Feeder&) = delete;
    Feeder& operator=(const Feeder&) = delete;

  private:
    std::thread thread_;
};

// Pushes `event` once the queue is empty and stays so for quietMs: a way to
// answer a screen that has settled into waiting.
class Answerer {
  public:
    Answerer(SDL_Event event, int count, Uint32 quietMs = 30);
    ~Answerer();
    Answerer(const Answerer&) = delete;
    Answerer& operator=(const Answerer&) = delete;

  private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const Rgb& c);
Rgb Pixel(SDL_Surface* s, int x, int y);
// True when every pixel of the rectangle is colour c.
bool AllPixels(SDL_Surface* s, SDL_Rect r, Rgb c);

// Shows f every frame the game shows, finished: the test binary wraps SDL_Flip
// at link time, so f runs on the game's thread just before the frame goes out.
// An empty f stops it; every GameTest stops it at its end.
void OnFlip(std::function<void(SDL_Surface*)> f);

// The next n video mode requests are refused, as by a display that cannot give
// the mode: the test binary wraps SDL_SetVideoMode at link time. Every
// GameTest ends with none refused.
void RefuseVideoModes(int n);

// Runs f with standard output captured; returns what it printed.
std::string CaptureStdout(const std::function<void()>& f);

// The file's whole content.
std::string ReadFile(const std::string& path);

// A scratch run-time directory mirroring the game's assets by symlinks, minus
// the files named in `sans` (paths relative to the run-time dir); the process
// moves into it and back out on destruction.
class AssetDir {
  public:
    explicit AssetDir(const std::vector<std::string>& sans = {});
    ~AssetDir();
    AssetDir(const AssetDir&) = delete;
    AssetDir& operator=(const AssetDir&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// `to` stands for `from` (a file or a directory): a symbolic link, or a copy
// where the system makes none (Windows without the privilege).
void Mirror(const std::filesystem::path& from, const std::filesystem::path& to);

// Resident memory of this process, in kilobytes.
long ResidentKb();

} // namespace harness

namespace harness {

// Answers whatever is waiting, round and round: each time the queue has been
// empty for quietMs, pushes the next event of `cycle`. Stop() (or the
// destructor) ends it; no event is pushed after Stop() returns.
class Cycler {
  public:
    explicit Cycler(std::vector<SDL_Event> cycle, Uint32 quietMs = 30);
    ~Cycler();
    Cycler(const Cycler&) = delete;
    Cycler& operator=(const Cycler&) = delete;
    void Stop();
    int Pushed() const { return pushed_; }

  private:
    std::atomic<bool> stop_{false};
    std::atomic<int> pushed_{0};
    std::thread thread_;
};

} // namespace harness

namespace harness {

// How a file of a scratch run-time directory is spoiled.
enum class Damage { Missing, Empty, FirstHalf, RandomBytes, Replaced };
const char* DamageName(Damage d);

// Every file of the game's run-time assets (rsrc_img/ and rsrc_snd/, the fonts
// included), as paths relative to the run-time dir, sorted.
std::vector<std::string> AssetFiles();

// A new scratch run-time directory (under /tmp) mirroring the game's assets
// like AssetDir, with each of `files` damaged: removed, or replaced by an empty
// file, its first half, as many random bytes (drawn from `seed`) or a copy of
// the file `replacement`. The caller moves into it and removes it; returns ""
// when it could not be made.
std::string MakeDamagedAssetDir(const std::vector<std::string>& files, Damage damage, unsigned seed = 1,
                                const std::string& replacement = "");

} // namespace harness

#endif
