// Linux and other POSIX systems.
#include "platform.h"

#include <csignal>
#include <cstdlib>
#include <string>

#include <unistd.h>

void PlatformPutEnv(const char* entry) {
    const std::string s(entry);
    const std::string::size_type egal = s.find('=');
    if (egal != std::string::npos) {
        setenv(s.substr(0, egal).c_str(), s.c_str() + egal + 1, 1);
    }
}

// SDL's own handler turns these signals into a close request by pushing an
// event, which can deadlock on the queue's lock when the signal lands while
// the game itself holds it. Being asked to stop is a close request: end now.
static void FinSurSignal(int) {
    _exit(0);
}

void PlatformStopRequestsAsQuit() {
    signal(SIGTERM, FinSurSignal);
    signal(SIGINT, FinSurSignal);
}
