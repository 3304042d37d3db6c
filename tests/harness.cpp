#include "harness.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "system.h"

// sdl12-compat unloads SDL 2 when the libraries are finalised at exit; a test
// thread still pushing events or sleeping in SDL then calls into nothing. The
// game has no threads of its own, but a test that lets a screen end the
// process (a close request's exit(0)) has: such a process ends here, after
// every exit handler, with its leak check, before the libraries unload.
extern "C" void __lsan_do_leak_check() __attribute__((weak));
static void EndBeforeUnload(int status, void*) {
    fflush(nullptr);
    if (__lsan_do_leak_check != nullptr) {
        __lsan_do_leak_check();
    }
    _exit(status);
}
static const int endBeforeUnload = on_exit(EndBeforeUnload, nullptr);

namespace {

std::mutex journalVerrou;
std::vector<SoundStart> journal;
// Each path kept once; a set never moves its elements, so handed-out paths stay valid until SoundLogClear.
std::set<std::string> cheminsJournal;

void Noter(int requested, int channel, const char* path, FMOD_MODE mode, int loops) {
    const Uint32 ticks = harness::Now();
    std::lock_guard<std::mutex> verrou(journalVerrou);
    journal.push_back(SoundStart{requested, channel, cheminsJournal.insert(path).first->c_str(), ticks, mode, loops});
}
const bool ecouteurInstalle = (SetSoundListener(Noter), true);

} // namespace

int SoundLogCount() {
    std::lock_guard<std::mutex> verrou(journalVerrou);
    return static_cast<int>(journal.size());
}

SoundStart SoundLogEntry(int index) {
    std::lock_guard<std::mutex> verrou(journalVerrou);
    if (index < 0 || static_cast<size_t>(index) >= journal.size()) {
        return SoundStart{FMOD_CHANNEL_FREE, -1, nullptr, 0, 0, 0};
    }
    return journal[static_cast<size_t>(index)];
}

void SoundLogClear() {
    std::lock_guard<std::mutex> verrou(journalVerrou);
    journal.clear();
    cheminsJournal.clear();
}

int SoundPlaying(int channel) {
    // Mix_QuerySpec says whether the mixer is open at all; a paused channel is not heard.
    if (!ecouteurInstalle || Mix_QuerySpec(nullptr, nullptr, nullptr) == 0 || channel < 0 ||
        channel >= Mix_AllocateChannels(-1)) {
        return 0;
    }
    return Mix_Playing(channel) != 0 && Mix_Paused(channel) == 0;
}

const char* SoundOnChannel(int channel) {
    if (!SoundPlaying(channel)) {
        return nullptr;
    }
    std::lock_guard<std::mutex> verrou(journalVerrou);
    for (auto it = journal.rbegin(); it != journal.rend(); ++it) {
        if (it->channel == channel) {
            return it->path;
        }
    }
    return nullptr;
}

namespace harness {

void GameTest::SetUp() {
    (void)endBeforeUnload;
    WallClock(false);
    DrawCost(0);
    // Death tests re-run the test binary: each child starts SDL afresh.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ASSERT_EQ(0, chdir(DUSKWANE_RUNTIME_DIR));
    // As in the game: SDL shut down at exit(0), before the libraries unload under a running audio thread.
    static const bool quitterSDL = (atexit(SDL_Quit), true);
    (void)quitterSDL;
    ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO)) << SDL_GetError();
    debut = Now();
    ASSERT_EQ(0, TTF_Init());
    fullScreen = 0;
    ecran = SetDisplayMode();
    ASSERT_NE(nullptr, ecran) << SDL_GetError();
    FMOD_System_Create(&systeme);
    ASSERT_EQ(FMOD_OK, FMOD_System_Init(systeme, 5, FMOD_INIT_NORMAL, nullptr));
    SoundLogClear();
}

void GameTest::TearDown() {
    OnFlip(nullptr);
    RefuseVideoModes(0);
    DrawCost(0);
    FMOD_System_Close(systeme);
    FMOD_System_Release(systeme);
    TTF_Quit();
    SDL_Quit();
}

bool TryPush(const SDL_Event& e) {
    SDL_Event copy = e;
    const SDL_EventFilter filtre = SDL_GetEventFilter();
    if (filtre != nullptr && filtre(&copy) == 0) {
        return true;
    }
    return SDL_PushEvent(&copy) == 0;
}

void Push(const SDL_Event& e) {
    ASSERT_TRUE(TryPush(e)) << "SDL's event queue is full";
}

void Push(const std::vector<SDL_Event>& events) {
    for (const SDL_Event& e : events) {
        Push(e);
    }
}

int Pending() {
    SDL_Event peek[128];
    return SDL_PeepEvents(peek, 128, SDL_PEEKEVENT, SDL_ALLEVENTS);
}

// The game's clock, in microseconds (see harness.h), and what is scheduled on it, both kept by the main thread.
static std::atomic<unsigned long long> horloge{0};
static std::atomic<bool> murale{false};
static const std::thread::id filDuJeu = std::this_thread::get_id(); // static start-up runs on the main thread
static bool luDepuisSondage = false;                                // a clock read since the last poll
static std::vector<Schedule*> horaire;
static unsigned long long coutDessin = 0; // microseconds a flip takes on the game's clock

extern "C" Uint32 __real_SDL_GetTicks();
Uint32 Now() {
    return murale ? __real_SDL_GetTicks() : static_cast<Uint32>(horloge / 1000);
}

void WallClock(bool on) {
    murale = on;
}

void DrawCost(Uint32 ms) {
    coutDessin = 1000ull * ms;
}

// Whether the caller is the game on its clock.
static bool SurLHorloge() {
    return !murale && std::this_thread::get_id() == filDuJeu;
}

Schedule::Schedule() {
    horaire.push_back(this);
}

Schedule::~Schedule() {
    horaire.erase(std::find(horaire.begin(), horaire.end(), this));
}

// Whether the caller is the game on its clock; if so, every schedule pushes what is due.
static bool Tour() {
    if (!SurLHorloge()) {
        return false;
    }
    for (size_t i = 0; i < horaire.size(); ++i) {
        horaire[i]->Turn(Now());
    }
    return SurLHorloge(); // a schedule may hand the game over to the wall clock
}

void Feeder::Turn(Uint32 now) {
    if (last_ == kNever && SDL_GetVideoSurface() != nullptr) {
        last_ = now;
    }
    while (last_ != kNever && next_ < steps_.size() && now - last_ >= steps_[next_].delayMs && Pending() < kQueueRoom) {
        Push(steps_[next_++].event);
        last_ = now;
    }
}

void Cycler::Turn(Uint32 now) {
    if (Pending() != 0) {
        quietSince_ = now;
    } else if (left_ != 0 && now - quietSince_ >= quietMs_) {
        Push(cycle_[static_cast<size_t>(pushed_++) % cycle_.size()]);
        left_ -= left_ > 0;
        quietSince_ = now;
    }
}

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb Pixel(SDL_Surface* s, int x, int y) {
    Uint8 r = 0, g = 0, b = 0;
    SDL_LockSurface(s);
    const Uint8* row = static_cast<const Uint8*>(s->pixels) + y * s->pitch;
    Uint32 value = 0;
    switch (s->format->BytesPerPixel) {
    case 4:
        value = reinterpret_cast<const Uint32*>(row)[x];
        break;
    case 2:
        value = reinterpret_cast<const Uint16*>(row)[x];
        break;
    case 3: {
        const Uint8* p = row + x * 3;
        value = SDL_BYTEORDER == SDL_LIL_ENDIAN ? (p[0] | p[1] << 8 | p[2] << 16) : (p[2] | p[1] << 8 | p[0] << 16);
        break;
    }
    default:
        value = row[x];
        break;
    }
    SDL_UnlockSurface(s);
    SDL_GetRGB(value, s->format, &r, &g, &b);
    return Rgb{r, g, b};
}

static std::function<void(SDL_Surface*)> ecouteFlip;

void OnFlip(std::function<void(SDL_Surface*)> f) {
    ecouteFlip = std::move(f);
}

static int modesRefuses = 0;

void RefuseVideoModes(int n) {
    modesRefuses = n;
}

bool AllPixels(SDL_Surface* s, SDL_Rect r, Rgb c) {
    for (int y = r.y; y < r.y + r.h; ++y) {
        for (int x = r.x; x < r.x + r.w; ++x) {
            if (!(Pixel(s, x, y) == c)) {
                return false;
            }
        }
    }
    return true;
}

std::string CaptureStdout(const std::function<void()>& f) {
    fflush(stdout);
    testing::internal::CaptureStdout();
    f();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace harness

// The linker sends the game's calls to SDL_Flip here (--wrap=SDL_Flip).
extern "C" int __real_SDL_Flip(SDL_Surface* screen);
extern "C" int __wrap_SDL_Flip(SDL_Surface* screen) {
    if (harness::ecouteFlip) {
        harness::ecouteFlip(screen);
    }
    const int r = __real_SDL_Flip(screen);
    if (harness::SurLHorloge()) {
        harness::horloge += harness::coutDessin;
    }
    return r;
}

// SDL counts its ticks from its start: so does the game's clock.
extern "C" int __real_SDL_Init(Uint32 flags);
extern "C" int __wrap_SDL_Init(Uint32 flags) {
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) {
        harness::horloge = 0;
        harness::luDepuisSondage = false;
    }
    return __real_SDL_Init(flags);
}

extern "C" SDL_Surface* __real_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags);
extern "C" SDL_Surface* __wrap_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags) {
    if (harness::modesRefuses > 0) {
        --harness::modesRefuses;
        SDL_SetError("mode refused");
        return nullptr;
    }
    return __real_SDL_SetVideoMode(width, height, bpp, flags);
}

extern "C" Uint32 __wrap_SDL_GetTicks() {
    if (!harness::Tour()) {
        return harness::Now();
    }
    harness::luDepuisSondage = true;
    return static_cast<Uint32>(harness::horloge.fetch_add(250) / 1000);
}

extern "C" void __real_SDL_Delay(Uint32 ms);
extern "C" void __wrap_SDL_Delay(Uint32 ms) {
    if (!harness::Tour()) {
        return __real_SDL_Delay(ms);
    }
    harness::horloge += 1000ull * ms;
}

extern "C" int __real_SDL_PollEvent(SDL_Event* event);
extern "C" int __wrap_SDL_PollEvent(SDL_Event* event) {
    // A poll ends a pass of the game's loop: the clock goes on to the next whole millisecond, so a loop that
    // draws every pass draws once a millisecond, or by a frame of 10 ms in a loop that reads no clock.
    if (harness::Tour()) {
        harness::horloge = harness::luDepuisSondage ? (harness::horloge + 999) / 1000 * 1000 : harness::horloge + 10000;
        harness::luDepuisSondage = false;
    }
    return __real_SDL_PollEvent(event);
}

// A wait with nothing queued moves the clock on to the next scheduled push; with none, nothing can ever end
// it, and the test ends at once instead of hanging.
extern "C" int __real_SDL_WaitEvent(SDL_Event* event);
extern "C" int __wrap_SDL_WaitEvent(SDL_Event* event) {
    while (harness::Tour() && harness::Pending() == 0 && SDL_WasInit(SDL_INIT_VIDEO)) {
        Uint32 prochain = harness::Schedule::kNever;
        for (const harness::Schedule* s : harness::horaire) {
            prochain = std::min(prochain, s->Next(harness::Now()));
        }
        if (prochain == harness::Schedule::kNever || prochain <= harness::Now()) {
            fprintf(stderr, "\nthe game waits for an event and none is scheduled (game clock %u ms)\n", harness::Now());
            exit(9);
        }
        harness::horloge = 1000ull * prochain;
    }
    return __real_SDL_WaitEvent(event);
}

namespace harness {

void Mirror(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::error_code err;
    std::filesystem::create_symlink(from, to, err);
    if (err) {
        std::filesystem::copy(from, to, std::filesystem::copy_options::recursive, err);
    }
    // Names differing only in case are one file where the file system ignores case (loadGame.jpg and
    // loadgame.jpg, the same picture).
    if (err && std::filesystem::exists(to)) {
        err.clear();
    }
    EXPECT_FALSE(err) << from << " -> " << to << ": " << err.message();
}

AssetDir::AssetDir(const std::vector<std::string>& sans) {
    char modele[] = "/tmp/duskwane-assets-XXXXXX";
    char* dir = mkdtemp(modele);
    EXPECT_NE(nullptr, dir);
    path_ = dir ? dir : "/tmp";
    namespace fs = std::filesystem;
    const fs::path source(DUSKWANE_RUNTIME_DIR);
    for (const char* racine : {"rsrc_img", "rsrc_snd"}) {
        if (!fs::exists(source / racine)) {
            continue;
        }
        for (const auto& entree : fs::recursive_directory_iterator(source / racine)) {
            const fs::path relatif = fs::relative(entree.path(), source);
            const fs::path cible = fs::path(path_) / relatif;
            if (entree.is_directory()) {
                fs::create_directories(cible);
            } else if (std::find(sans.begin(), sans.end(), relatif.generic_string()) == sans.end()) {
                fs::create_directories(cible.parent_path());
                Mirror(entree.path(), cible);
            }
        }
    }
    EXPECT_EQ(0, chdir(path_.c_str()));
}

AssetDir::~AssetDir() {
    EXPECT_EQ(0, chdir(DUSKWANE_RUNTIME_DIR));
    std::error_code ignore;
    std::filesystem::remove_all(path_, ignore);
}

long ResidentKb() {
    return SystemResidentKb();
}

} // namespace harness

namespace harness {

const char* DamageName(Damage d) {
    switch (d) {
    case Damage::Missing:
        return "Missing";
    case Damage::Empty:
        return "Empty";
    case Damage::FirstHalf:
        return "FirstHalf";
    case Damage::RandomBytes:
        return "RandomBytes";
    case Damage::Replaced:
        return "Replaced";
    }
    return "?";
}

std::vector<std::string> AssetFiles() {
    namespace fs = std::filesystem;
    const fs::path source(DUSKWANE_RUNTIME_DIR);
    std::vector<std::string> fichiers;
    for (const char* racine : {"rsrc_img", "rsrc_snd"}) {
        if (!fs::exists(source / racine)) {
            continue;
        }
        for (const auto& entree : fs::recursive_directory_iterator(source / racine)) {
            if (entree.is_regular_file()) {
                fichiers.push_back(fs::relative(entree.path(), source).generic_string());
            }
        }
    }
    std::sort(fichiers.begin(), fichiers.end());
    return fichiers;
}

std::string MakeDamagedAssetDir(const std::vector<std::string>& files, Damage damage, unsigned seed,
                                const std::string& replacement) {
    namespace fs = std::filesystem;
    char modele[] = "/tmp/duskwane-damaged-XXXXXX";
    if (mkdtemp(modele) == nullptr) {
        return "";
    }
    const fs::path dossier(modele);
    const fs::path source(DUSKWANE_RUNTIME_DIR);
    std::mt19937 rng(seed);
    std::error_code err;
    for (const std::string& relatif : AssetFiles()) {
        const fs::path cible = dossier / relatif;
        fs::create_directories(cible.parent_path(), err);
        if (std::find(files.begin(), files.end(), relatif) == files.end()) {
            Mirror(source / relatif, cible);
            continue;
        }
        const std::string contenu = ReadFile((source / relatif).string());
        std::string abime;
        switch (damage) {
        case Damage::Missing:
            continue;
        case Damage::Empty:
            break;
        case Damage::FirstHalf:
            abime = contenu.substr(0, contenu.size() / 2);
            break;
        case Damage::RandomBytes:
            abime.resize(contenu.size());
            for (char& c : abime) {
                c = static_cast<char>(rng());
            }
            break;
        case Damage::Replaced:
            abime = ReadFile(replacement);
            break;
        }
        std::ofstream(cible, std::ios::binary) << abime;
    }
    return err ? "" : dossier.string();
}

} // namespace harness
