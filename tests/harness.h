// Shared test tools: a headless game (dummy video and audio) on a clock of the
// tests' own, events pushed into SDL's queue now or on that clock, and pixel reads.
#ifndef DUSKWANE_TEST_HARNESS_H
#define DUSKWANE_TEST_HARNESS_H

#include <SDL.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
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
    Uint32 ticks; // Now() at the start
    Uint32 mode;  // as created: 0x100 a decoded sample, 0xCA a looping stream
    int loops;    // plays after the first: -1 for ever, 0 once
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
    Uint32 debut = 0; // the game's clock once SDL is up: every time a test states is counted from here
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
// Classic SDL's queue holds 127 events; a schedule pushes no more than that.
constexpr int kQueueRoom = 127;

// The game's clock. The test binary wraps SDL_Init, SDL_GetTicks, SDL_Delay, SDL_PollEvent, SDL_WaitEvent and
// SDL_Flip at link time: on the main thread time moves only as the game uses it. It starts at 0 when SDL starts,
// as SDL's does. Each clock read moves it 0.25 ms (a busy wait ends, and a step is taken on the very millisecond
// its delay allows), SDL_Delay(n) n ms, a flip the drawing cost (DrawCost), a poll on to the next whole ms (10 ms
// in a loop that reads no clock), and a wait with nothing queued to the next scheduled push. Other threads read
// it without moving it and sleep for real. Timing rules are checked exactly, at any load.
Uint32 Now(); // in ms, read without moving it (SDL's own on the wall clock)
// For tests that watch real time (sound playing, real signals): the wraps then pass through.
void WallClock(bool on);
// What showing a frame costs on the game's clock, in ms: 0 unless a test sets it; every GameTest ends at 0.
void DrawCost(Uint32 ms);

// A timed screen's tests, run on a free screen and on one whose every flip costs 5 ms, as sdl12-compat's does:
// INSTANTIATE_TEST_SUITE_P(Flip, Fixture, ::testing::Values(0u, 5u), FlipCostName). GetParam() is the cost.
template <typename Base> class WithDrawCost : public Base, public ::testing::WithParamInterface<Uint32> {
  protected:
    void SetUp() override {
        Base::SetUp();
        DrawCost(this->GetParam());
    }
};
inline std::string FlipCostName(const ::testing::TestParamInfo<Uint32>& info) {
    return info.param == 0 ? "FreeFlip" : "Flip" + std::to_string(info.param) + "ms";
}

// Events pushed on the game's clock, from the game's own thread, at its clock reads, polls and waits.
class Schedule {
  public:
    Schedule();
    virtual ~Schedule();
    Schedule(const Schedule&) = delete; // registered by address
    Schedule& operator=(const Schedule&) = delete;
    virtual void Turn(Uint32 now) = 0; // pushes what is due
    // When it pushes next if the queue stays empty; kNever if only the game's doings can make it push.
    virtual Uint32 Next(Uint32) const { return kNever; }
    static constexpr Uint32 kNever = 0xFFFFFFFFu;
};

// Pushes each event after its delay (milliseconds after the previous push, the first after the window is
// there: a player's input cannot come sooner).
class Feeder : public Schedule {
  public:
    struct Step {
        Uint32 delayMs;
        SDL_Event event;
    };
    explicit Feeder(std::vector<Step> steps) : steps_(std::move(steps)) {}
    void Turn(Uint32 now) override;
    Uint32 Next(Uint32 now) const override {
        return next_ >= steps_.size() ? kNever : last_ == kNever ? now : last_ + steps_[next_].delayMs;
    }

  private:
    std::vector<Step> steps_;
    size_t next_ = 0;
    Uint32 last_ = kNever; // time of the last push, or of the window
};

// Answers whatever is waiting, round and round: each time the queue has been empty for quietMs, pushes the
// next event of `cycle`, at most `count` in all (a screen that has settled into waiting). Stop() ends it.
class Cycler : public Schedule {
  public:
    explicit Cycler(std::vector<SDL_Event> cycle, Uint32 quietMs = 30, int count = -1)
        : cycle_(std::move(cycle)), quietMs_(quietMs), left_(count), quietSince_(Now()) {}
    void Turn(Uint32 now) override;
    Uint32 Next(Uint32) const override { return left_ == 0 ? kNever : quietSince_ + quietMs_; }
    void Stop() { left_ = 0; }

  private:
    std::vector<SDL_Event> cycle_;
    Uint32 quietMs_;
    int left_, pushed_ = 0;
    Uint32 quietSince_;
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
