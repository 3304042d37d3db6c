// The sound layer on SDL's dummy output (it plays in real time and throws the
// sound away) and on its disk output, whose samples we read back.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>

#include "system.h"
#include <vector>

#include "constantes.h"
#include "harness.h"
#include "sound.h"

namespace {

// A 16-bit square wave, mono at 22050 Hz unless said; a non-zero claim is written as the data size instead of the
// real one.
void WriteWav(const std::string& path, int ms, std::uint32_t claim = 0, std::uint16_t channels = 1,
              std::uint32_t rate = 22050) {
    const std::uint32_t data = rate * ms / 1000 * 2 * channels;
    std::vector<unsigned char> f;
    auto put = [&f](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            f.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    f.insert(f.end(), {'R', 'I', 'F', 'F'});
    put(36 + data, 4);
    f.insert(f.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(16, 4), put(1, 2), put(channels, 2), put(rate, 4), put(rate * 2 * channels, 4), put(2 * channels, 2),
        put(16, 2);
    f.insert(f.end(), {'d', 'a', 't', 'a'});
    put(claim != 0 ? claim : data, 4);
    for (std::uint32_t i = 0; i < data / 2; ++i)
        put((i / 25) % 2 ? 8000 : static_cast<std::uint16_t>(-8000), 2);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), f.size());
}

std::string Asset(const char* rel) {
    std::string p = std::string(DUSKWANE_RUNTIME_DIR) + "/" + rel;
    return access(p.c_str(), R_OK) == 0 ? p : "";
}

// Puts an environment variable for the test's length and puts the old value back.
struct Env {
    std::string name, old;
    bool had;
    Env(const char* n, const char* v) : name(n), had(getenv(n) != nullptr) {
        if (had)
            old = getenv(n);
        setenv(n, v, 1);
    }
    ~Env() { had ? setenv(name.c_str(), old.c_str(), 1) : unsetenv(name.c_str()); }
};

// Waits for the channel to fall silent, at most limitMs; returns the ms it took, or -1.
int WaitSilent(int channel, Uint32 limitMs = 5000) {
    Uint32 t0 = SDL_GetTicks();
    while (SoundPlaying(channel)) {
        if (SDL_GetTicks() - t0 > limitMs)
            return -1;
        SDL_Delay(2);
    }
    return static_cast<int>(SDL_GetTicks() - t0);
}

// The mixer's output (22,050 Hz, 16-bit stereo) through one hook: the frames mixed so far, the audio thread's own
// clock, late under load but never out of step with itself; the frame at which each watched channel (-1) was first
// found silent; and, while `ecoute` is set, the left channel, what the player hears.
std::atomic<long> mixees{0};
std::atomic<long> silence[CANAUX_SON];
std::atomic<bool> ecoute{false};
std::mutex garde;
std::vector<std::int16_t> entendu;
void Sortie(void*, Uint8* flux, int octets) {
    mixees += octets / 4;
    for (std::atomic<long>& s : silence) {
        if (s < 0 && !Mix_Playing(static_cast<int>(&s - silence))) {
            s = mixees.load();
        }
    }
    std::lock_guard<std::mutex> g(garde);
    for (int i = 0; ecoute && i + 4 <= octets; i += 4) {
        entendu.push_back(static_cast<std::int16_t>(flux[i] | flux[i + 1] << 8));
    }
}

// What the player hears of a sound played alone on channel 0, from its start to its end.
std::vector<std::int16_t> Heard(FMOD_SYSTEM* sys, FMOD_SOUND* s) {
    garde.lock(), entendu.clear(), ecoute = true, garde.unlock();
    EXPECT_EQ(FMOD_OK, FMOD_System_PlaySound(sys, 0, s, 0, nullptr));
    EXPECT_GE(WaitSilent(0, 60000), 0);
    std::lock_guard<std::mutex> g(garde);
    ecoute = false;
    return entendu;
}

// A sine at half of full scale (an RMS of 11,585) of the frequency and length the name gives: heard at that
// frequency within 2 %, that level within 1 dB, and for 70 to 105 % of that time (a lost page takes its sound with it).
void ExpectSine(const std::vector<std::int16_t>& son, double hz, double ms, const std::string& nom) {
    auto fort = [](std::int16_t x) { return std::abs(x) > 4000; };
    const auto debut = std::find_if(son.begin(), son.end(), fort);
    const auto fin = std::find_if(son.rbegin(), son.rend(), fort).base();
    ASSERT_LT(debut, fin) << nom << " is not heard";
    double carres = 0;
    int montees = 0;
    for (auto i = debut + 1; i < fin; ++i) {
        carres += double(*i) * *i;
        montees += *(i - 1) < 0 && *i >= 0;
    }
    const double n = double(fin - debut);
    EXPECT_NEAR(hz, montees * 22050.0 / n, hz * 0.02) << nom;
    EXPECT_NEAR(0.0, 20 * std::log10(std::sqrt(carres / n) / 11585), 1.0) << nom;
    EXPECT_GE(n / 22.05, 0.7 * ms) << nom;
    EXPECT_LE(n / 22.05, 1.05 * ms) << nom;
}

// The sound plays in real time on SDL's audio thread: these tests watch it on the wall clock.
class SoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        harness::WallClock(true);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        char tmpl[] = "/tmp/duskwane_snd_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
        longWav = dir + "/long.wav", shortWav = dir + "/short.wav";
        WriteWav(longWav, 1000), WriteWav(shortWav, 100);
        ASSERT_EQ(FMOD_OK, FMOD_System_Create(&sys));
        ASSERT_EQ(FMOD_OK, FMOD_System_Init(sys, CANAUX_SON, FMOD_INIT_NORMAL, nullptr));
        Mix_SetPostMix(Sortie, nullptr);
        SoundLogClear();
    }
    void TearDown() override {
        for (FMOD_SOUND* s : sounds)
            FMOD_Sound_Release(s);
        EXPECT_EQ(FMOD_OK, FMOD_System_Close(sys));
        EXPECT_EQ(FMOD_OK, FMOD_System_Release(sys));
        SDL_Quit();
        std::filesystem::remove_all(dir);
    }
    FMOD_SOUND* Load(const std::string& path, FMOD_MODE mode) {
        FMOD_SOUND* s = nullptr;
        EXPECT_EQ(FMOD_OK, FMOD_System_CreateSound(sys, path.c_str(), mode, nullptr, &s)) << path;
        EXPECT_NE(nullptr, s) << path;
        if (s)
            sounds.push_back(s);
        return s;
    }
    void Forget(FMOD_SOUND* s) { sounds.erase(std::find(sounds.begin(), sounds.end(), s)); }
    FMOD_SYSTEM* sys = nullptr;
    std::string dir, longWav, shortWav;
    std::vector<FMOD_SOUND*> sounds;
};

TEST_F(SoundTest, FixedChannelReplacesAndFreeChannelPicksAnIdleOne) {
    FMOD_SOUND* wind = Load(longWav, MODE_AMBIANCE);
    FMOD_SOUND* other = Load(shortWav, MODE_AMBIANCE);
    ASSERT_EQ(FMOD_OK, FMOD_System_PlaySound(sys, CANAL_VENT_MENU, wind, 0, nullptr));
    ASSERT_EQ(FMOD_OK, FMOD_System_PlaySound(sys, CANAL_VENT_MENU, other, 0, nullptr));
    EXPECT_STREQ(shortWav.c_str(), SoundOnChannel(CANAL_VENT_MENU));
    // The replaced sound no longer holds the channel: releasing it leaves the new one playing.
    FMOD_Sound_Release(wind), Forget(wind);
    EXPECT_TRUE(SoundPlaying(CANAL_VENT_MENU));
    EXPECT_STREQ(shortWav.c_str(), SoundOnChannel(CANAL_VENT_MENU));

    // The four other channels of the game's five.
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(FMOD_OK, FMOD_System_PlaySound(sys, FMOD_CHANNEL_FREE, other, 0, nullptr));
        SoundStart s = SoundLogEntry(SoundLogCount() - 1);
        EXPECT_EQ(-1, s.requested);
        EXPECT_NE(CANAL_VENT_MENU, s.channel);
        EXPECT_STREQ(shortWav.c_str(), SoundOnChannel(s.channel));
    }
    std::vector<int> used;
    for (int i = 0; i < SoundLogCount(); ++i)
        used.push_back(SoundLogEntry(i).channel);
    EXPECT_EQ((std::vector<int>{2, 2, 0, 1, 3, 4}), used);
    // Every channel busy: a free-channel start fails for want of a channel (8) and is not logged.
    EXPECT_EQ(8, FMOD_System_PlaySound(sys, FMOD_CHANNEL_FREE, other, 0, nullptr));
    EXPECT_EQ(6, SoundLogCount());
}

TEST_F(SoundTest, ReleaseStopsTheSoundEverywhereButTheLogKeepsItsPath) {
    FMOD_SOUND* a = Load(longWav, MODE_AMBIANCE);
    FMOD_SOUND* b = Load(longWav, MODE_AMBIANCE);
    FMOD_System_PlaySound(sys, 1, a, 0, nullptr);
    FMOD_System_PlaySound(sys, FMOD_CHANNEL_FREE, a, 0, nullptr);
    FMOD_System_PlaySound(sys, 3, b, 0, nullptr);
    ASSERT_EQ(3, SoundLogCount());
    int freeChannel = SoundLogEntry(1).channel;
    Forget(a);
    EXPECT_EQ(FMOD_OK, FMOD_Sound_Release(a));
    for (int ch : {1, freeChannel}) {
        EXPECT_FALSE(SoundPlaying(ch)) << ch;
        EXPECT_EQ(nullptr, SoundOnChannel(ch)) << ch;
    }
    EXPECT_TRUE(SoundPlaying(3));
    EXPECT_STREQ(longWav.c_str(), SoundLogEntry(0).path);
    SoundLogClear();
    EXPECT_EQ(0, SoundLogCount());
}

TEST_F(SoundTest, OnlyLoopingSoundsLoopAndTheyHonourTheirCount) {
    FMOD_SOUND* forever = Load(shortWav, MODE_AMBIANCE);
    std::string midWav = dir + "/mid.wav";
    WriteWav(midWav, 300);
    FMOD_SOUND* twice = Load(midWav, MODE_AMBIANCE);
    FMOD_SOUND* sample = Load(shortWav, MODE_EFFET);
    FMOD_Sound_SetLoopCount(twice, 2);
    FMOD_Sound_SetLoopCount(forever, 0);
    EXPECT_EQ(FMOD_OK, FMOD_Sound_SetLoopCount(forever, -1)) << "a count set back to for ever";
    FMOD_Sound_SetLoopCount(sample, -1); // no effect without the loop flag
    int frequence = 0, canaux = 0;
    Uint16 format = 0;
    ASSERT_EQ(1, Mix_QuerySpec(&frequence, &format, &canaux));
    ASSERT_EQ(2, canaux);
    for (std::atomic<long>& s : silence) {
        s = -1;
    }
    long debut[CANAUX_SON] = {};
    for (const auto& [canal, son] : {std::pair{1, forever}, {2, sample}, {3, twice}}) {
        debut[canal] = mixees; // it starts with the next buffer mixed
        FMOD_System_PlaySound(sys, canal, son, 0, nullptr);
    }
    // Bounded only in case the audio thread stops: 1.5 s of sound, however long the machine takes to mix it.
    const auto ms = [frequence](long trames) { return trames * 1000 / frequence; };
    for (Uint32 t0 = SDL_GetTicks(); ms(mixees - debut[3]) < 1500 && SDL_GetTicks() - t0 < 60000;) {
        SDL_Delay(10);
    }
    ASSERT_GE(ms(mixees - debut[3]), 1500) << "the audio thread stopped mixing";
    // Ended within a mixer buffer or two of its length: the sample of 100 ms once, the 300 ms sound three times.
    EXPECT_GE(ms(silence[2] - debut[2]), 100);
    EXPECT_LT(ms(silence[2] - debut[2]), 200);
    EXPECT_GE(ms(silence[3] - debut[3]), 900);
    EXPECT_LT(ms(silence[3] - debut[3]), 1200);
    EXPECT_EQ(-1, silence[1]) << "the looping sound stopped";
}

TEST_F(SoundTest, NullHandlesAndBadChannelsAreHarmlessErrors) {
    FMOD_SOUND* s = reinterpret_cast<FMOD_SOUND*>(1);
    EXPECT_NE(FMOD_OK, FMOD_System_Create(nullptr));
    EXPECT_NE(FMOD_OK, FMOD_System_Init(nullptr, 5, 0, nullptr));
    EXPECT_NE(FMOD_OK, FMOD_System_CreateSound(nullptr, longWav.c_str(), MODE_EFFET, nullptr, &s));
    EXPECT_EQ(nullptr, s);
    EXPECT_NE(FMOD_OK, FMOD_System_CreateSound(sys, nullptr, MODE_EFFET, nullptr, &s));
    EXPECT_NE(FMOD_OK, FMOD_Sound_SetLoopCount(nullptr, -1));
    EXPECT_NE(FMOD_OK, FMOD_System_PlaySound(sys, 1, nullptr, 0, nullptr));
    FMOD_SOUND* good = Load(longWav, MODE_EFFET);
    EXPECT_NE(FMOD_OK, FMOD_System_PlaySound(nullptr, 1, good, 0, nullptr));
    EXPECT_EQ(0, SoundLogCount());
    EXPECT_NE(FMOD_OK, FMOD_Sound_Release(nullptr));
    EXPECT_NE(FMOD_OK, FMOD_System_Close(nullptr));
    EXPECT_NE(FMOD_OK, FMOD_System_Release(nullptr));
    EXPECT_EQ(0, SoundPlaying(5));
    EXPECT_EQ(nullptr, SoundOnChannel(-1));
    EXPECT_EQ(nullptr, SoundLogEntry(0).path);
}

TEST_F(SoundTest, BrokenFilesGiveANullSoundAndADebuggingLine) {
    std::vector<std::string> broken = {dir + "/missing.wav"};
    // The sound corpus (tests/fuzz/corpus and its long sounds): every fault class in it is refused, the game's own
    // sounds and the files the libraries play load, a sine is heard as made, and any other file, damaged or found by
    // a fuzzer, loads or not but never brings the game down.
    for (const auto& e : std::filesystem::recursive_directory_iterator(DUSKWANE_SOURCE_DIR "/tests/fuzz/corpus")) {
        const std::string path = e.path().generic_string(), nom = e.path().filename().string();
        const std::size_t sinus = nom.find("-sine-");
        int hz = 0, ms = 0;
        if (e.is_directory()) {
            continue;
        } else if (nom.rfind("refused-", 0) == 0) {
            broken.push_back(path);
        } else if (nom.rfind("game-", 0) == 0 && sinus != std::string::npos &&
                   std::sscanf(nom.c_str() + sinus, "-sine-%dhz-%dms", &hz, &ms) == 2) {
            ExpectSine(Heard(sys, Load(path, MODE_EFFET)), hz, ms, nom);
        } else if (nom.rfind("game-", 0) == 0) {
            EXPECT_EQ(FMOD_OK, FMOD_System_PlaySound(sys, 0, Load(path, MODE_EFFET), 0, nullptr));
        } else {
            // What loads plays a moment on SDL's audio thread.
            FMOD_SOUND* s = nullptr;
            harness::CaptureStdout([&] { FMOD_System_CreateSound(sys, path.c_str(), MODE_EFFET, nullptr, &s); });
            if (s != nullptr) {
                EXPECT_EQ(FMOD_OK, FMOD_System_PlaySound(sys, 0, s, 0, nullptr)) << nom;
                SDL_Delay(20);
            }
            FMOD_Sound_Release(s);
        }
    }
    ASSERT_GE(broken.size(), 47u);
    SoundLogClear();
    for (const std::string& path : broken) {
        FMOD_SOUND* s = reinterpret_cast<FMOD_SOUND*>(1);
        std::string out = harness::CaptureStdout(
            [&] { EXPECT_NE(FMOD_OK, FMOD_System_CreateSound(sys, path.c_str(), MODE_EFFET, nullptr, &s)) << path; });
        EXPECT_EQ(nullptr, s) << path;
        EXPECT_NE(std::string::npos, out.find("#ERREUR Erreur de chargement du son " + path + " : ")) << out;
        // What a screen does next with its failed sound.
        EXPECT_NE(FMOD_OK, FMOD_Sound_SetLoopCount(s, -1));
        EXPECT_NE(FMOD_OK, FMOD_System_PlaySound(sys, 1, s, 0, nullptr));
        EXPECT_NE(FMOD_OK, FMOD_Sound_Release(s));
    }
    EXPECT_EQ(0, SoundLogCount());
}

// Each bound of the layer at its edge, the last value taken and the first refused, with the exact answer:
// 0 done, 37 an invalid parameter, 19 a bad file with its debugging line.
TEST_F(SoundTest, EveryBoundAnswersExactlyAtItsEdge) {
    FMOD_SOUND* s = Load(shortWav, MODE_AMBIANCE);
    // Channels 0 to 4 of five, or -1 for a free one; loop counts from -1 (for ever) up.
    for (auto [canal, attendu] : std::vector<std::pair<int, FMOD_RESULT>>{{-2, 37}, {-1, 0}, {0, 0}, {4, 0}, {5, 37}})
        EXPECT_EQ(attendu, FMOD_System_PlaySound(sys, canal, s, 0, nullptr)) << "channel " << canal;
    EXPECT_EQ((std::vector<int>{-1, 0, 4}),
              (std::vector<int>{SoundLogEntry(0).requested, SoundLogEntry(1).requested, SoundLogEntry(2).requested}));
    EXPECT_EQ(3, SoundLogCount());
    EXPECT_EQ(37, FMOD_Sound_SetLoopCount(s, -2));
    EXPECT_EQ(0, FMOD_Sound_SetLoopCount(s, -1));

    // A WAV of 1 or 2 channels at 4000 to 384000 Hz, whose sound data fits in the file.
    struct Wav {
        const char* nom;
        std::uint16_t canaux;
        std::uint32_t frequence, annonce; // the data size the header claims; 0 for the true one
        FMOD_RESULT attendu;
        const char* raison;
    };
    const Wav wavs[] = {
        {"mono", 1, 22050, 4410, 0, nullptr},
        {"stereo", 2, 22050, 0, 0, nullptr},
        {"4000 Hz", 1, 4000, 0, 0, nullptr},
        {"384000 Hz", 2, 384000, 0, 0, nullptr},
        {"no channel", 0, 22050, 0, 19, "format WAV impossible"},
        {"3 channels", 3, 22050, 0, 19, "format WAV impossible"},
        {"3999 Hz", 1, 3999, 0, 19, "format WAV impossible"},
        {"384001 Hz", 2, 384001, 0, 19, "format WAV impossible"},
        {"one byte short", 1, 22050, 4411, 19, "fichier WAV tronque"},
    };
    for (const Wav& w : wavs) {
        const std::string chemin = dir + "/edge.wav";
        WriteWav(chemin, 100, w.annonce, w.canaux, w.frequence);
        FMOD_SOUND* son = nullptr;
        FMOD_RESULT r = -1;
        const std::string dit = harness::CaptureStdout(
            [&] { r = FMOD_System_CreateSound(sys, chemin.c_str(), MODE_EFFET, nullptr, &son); });
        EXPECT_EQ(w.attendu, r) << w.nom;
        EXPECT_EQ(w.raison ? "\n#ERREUR Erreur de chargement du son " + chemin + " : " + w.raison + " #ERREUR_END" : "",
                  dit)
            << w.nom;
        EXPECT_EQ(w.raison == nullptr, son != nullptr) << w.nom;
        EXPECT_EQ(w.raison ? 37 : 0, FMOD_System_PlaySound(sys, 3, son, 0, nullptr)) << w.nom;
        FMOD_Sound_Release(son);
    }

    // One system of 1 to 256 channels.
    EXPECT_EQ(0, FMOD_System_Close(sys));
    for (auto [canaux, attendu] : std::vector<std::pair<int, FMOD_RESULT>>{{0, 37}, {1, 0}, {256, 0}, {257, 37}}) {
        FMOD_SYSTEM* autre = nullptr;
        FMOD_System_Create(&autre);
        EXPECT_EQ(attendu, FMOD_System_Init(autre, canaux, 0, nullptr)) << canaux << " channels";
        FMOD_System_Release(autre);
    }
}

TEST_F(SoundTest, InitAndCloseManyTimesInOneProcess) {
    EXPECT_NE(FMOD_OK, FMOD_System_Init(sys, CANAUX_SON, 0, nullptr)) << "already open";
    FMOD_SYSTEM* second = nullptr;
    FMOD_System_Create(&second);
    EXPECT_NE(FMOD_OK, FMOD_System_Init(second, CANAUX_SON, 0, nullptr)) << "one system at a time";
    FMOD_System_Release(second);
    for (int i = 0; i < 25; ++i) {
        FMOD_SOUND* s = Load(shortWav, i % 2 ? MODE_EFFET : MODE_AMBIANCE);
        ASSERT_EQ(FMOD_OK, FMOD_System_PlaySound(sys, FMOD_CHANNEL_FREE, s, 0, nullptr));
        if (i % 3 == 0)
            FMOD_Sound_Release(s), Forget(s); // else released after its system closed
        ASSERT_EQ(FMOD_OK, FMOD_System_Close(sys));
        EXPECT_EQ(nullptr, SoundOnChannel(0));
        ASSERT_EQ(FMOD_OK, FMOD_System_Release(sys));
        ASSERT_EQ(FMOD_OK, FMOD_System_Create(&sys));
        ASSERT_EQ(FMOD_OK, FMOD_System_Init(sys, CANAUX_SON, 0, nullptr)) << "round " << i;
    }
}

// The disk output lets us hear what was decoded: every format reaches the mixer as sound, not silence.
TEST(Sound, EveryFormatDecodesToAudibleSamples) {
    harness::WallClock(true); // the disk output writes in real time
    char tmpl[] = "/tmp/duskwane_disk_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    std::string dir = tmpl, wav = dir + "/tone.wav";
    WriteWav(wav, 300);
    std::vector<std::string> files = {wav};
    for (const char* rel : {SND_CLICK, SND_WIND, SND_SURVOL, SND_MUSIQUE, SND_TIC})
        if (!Asset(rel).empty())
            files.push_back(Asset(rel));
    for (const std::string& f : files) {
        std::string raw = dir + "/out.raw";
        Env drv("SDL_AUDIODRIVER", "disk"), out("SDL_DISKAUDIOFILE", raw.c_str()), delay("SDL_DISKAUDIODELAY", "5");
        FMOD_SYSTEM* sys = nullptr;
        FMOD_System_Create(&sys);
        ASSERT_EQ(FMOD_OK, FMOD_System_Init(sys, CANAUX_SON, 0, nullptr));
        FMOD_SOUND* s = nullptr;
        EXPECT_EQ(FMOD_OK, FMOD_System_CreateSound(sys, f.c_str(), MODE_EFFET, nullptr, &s)) << f;
        EXPECT_EQ(FMOD_OK, FMOD_System_PlaySound(sys, FMOD_CHANNEL_FREE, s, 0, nullptr)) << f;
        // Wait for the disk output to write well past the start, however slow the machine.
        size_t before = harness::ReadFile(raw).size();
        for (Uint32 t0 = SDL_GetTicks(); harness::ReadFile(raw).size() < before + 32768 && SDL_GetTicks() - t0 < 5000;)
            SDL_Delay(10);
        FMOD_Sound_Release(s);
        FMOD_System_Close(sys);
        FMOD_System_Release(sys);
        std::string pcm = harness::ReadFile(raw);
        size_t loud = 0;
        for (size_t i = 0; i + 1 < pcm.size(); i += 2)
            loud += std::abs(static_cast<int16_t>(static_cast<unsigned char>(pcm[i]) |
                                                  static_cast<unsigned char>(pcm[i + 1]) << 8)) > 64;
        EXPECT_GT(loud, 200u) << f << " played as silence (" << pcm.size() << " bytes written)";
        std::remove(raw.c_str());
    }
    if (files.size() < 6)
        std::printf("Some of the game's sounds are missing: only %zu files heard\n", files.size());
    std::filesystem::remove_all(dir);
    SDL_Quit();
}

TEST(Sound, InitFailsCleanlyWithAnUnknownDriver) {
    {
        Env drv("SDL_AUDIODRIVER", "nosuchdriver");
        FMOD_SYSTEM* sys = nullptr;
        ASSERT_EQ(FMOD_OK, FMOD_System_Create(&sys));
        EXPECT_NE(FMOD_OK, FMOD_System_Init(sys, CANAUX_SON, 0, nullptr));
        FMOD_SOUND* s = nullptr;
        EXPECT_NE(FMOD_OK, FMOD_System_CreateSound(sys, SND_CLICK, MODE_EFFET, nullptr, &s));
        EXPECT_EQ(nullptr, s);
        EXPECT_EQ(FMOD_OK, FMOD_System_Close(sys));
        EXPECT_EQ(FMOD_OK, FMOD_System_Release(sys));
    }
    // Nothing was left half open: a working driver opens again.
    Env drv("SDL_AUDIODRIVER", "dummy");
    FMOD_SYSTEM* sys = nullptr;
    FMOD_System_Create(&sys);
    EXPECT_EQ(FMOD_OK, FMOD_System_Init(sys, CANAUX_SON, 0, nullptr));
    FMOD_System_Release(sys);
    SDL_Quit();
}

} // namespace
