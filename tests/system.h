// The POSIX calls the tests make, on every system the game runs on, the text
// line end, names that ignore case, stop signals and the process's resident
// memory: the one place where the tests differ by system.
#ifndef DUSKWANE_TEST_SYSTEM_H
#define DUSKWANE_TEST_SYSTEM_H

#ifdef _WIN32
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <unistd.h>
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <psapi.h> // after windows.h, which it needs
#include <pthread.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && std::getenv(name) != nullptr) {
        return 0;
    }
    return _putenv_s(name, value);
}
inline int unsetenv(const char* name) {
    return _putenv_s(name, "");
}
inline char* mkdtemp(char* modele) {
    return _mktemp_s(modele, std::strlen(modele) + 1) == 0 && _mkdir(modele) == 0 ? modele : nullptr;
}
inline int pipe(int tube[2]) {
    return _pipe(tube, 1 << 16, _O_BINARY);
}
// What a text-mode stream writes for '\n'.
constexpr const char* kFinDeLigneTexte = "\r\n";
// Whether two file names differing only in case name two files.
constexpr bool kCasseDistinguee = false;
// Whether the tests can send the game POSIX stop signals. Windows has none (its console's Ctrl-C and
// close events cannot be sent from a test); these names let the signal tests build, then skip.
constexpr bool kSignauxPosix = false;
#ifndef SIGHUP
#define SIGHUP 1
#endif
typedef unsigned long sigset_t;
inline int sigfillset(sigset_t* s) {
    *s = ~0ul;
    return 0;
}
#undef pthread_sigmask
inline int pthread_sigmask(int, const sigset_t*, sigset_t*) {
    return 0;
}
inline int kill(int, int) {
    errno = ENOSYS;
    return -1;
}
// Ending a test process before its libraries unload is only needed where SDL 1.2 is sdl12-compat.
inline int on_exit(void (*)(int, void*), void*) {
    return 0;
}

// The process's working set, or its peak, in kilobytes.
inline long SystemResidentKb(bool peak = false) {
    PROCESS_MEMORY_COUNTERS compteurs;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &compteurs, sizeof compteurs)) {
        return -1;
    }
    return static_cast<long>((peak ? compteurs.PeakWorkingSetSize : compteurs.WorkingSetSize) / 1024);
}
#else
#include <unistd.h>

#include <fstream>
#include <string>

constexpr const char* kFinDeLigneTexte = "\n";
constexpr bool kCasseDistinguee = true;
constexpr bool kSignauxPosix = true;

// VmRSS (or its peak, VmHWM) of /proc/self/status, in kilobytes.
inline long SystemResidentKb(bool peak = false) {
    std::ifstream in("/proc/self/status");
    std::string ligne;
    while (std::getline(in, ligne)) {
        if (ligne.rfind(peak ? "VmHWM:" : "VmRSS:", 0) == 0) {
            return std::stol(ligne.substr(6));
        }
    }
    return -1;
}
#endif

#endif
