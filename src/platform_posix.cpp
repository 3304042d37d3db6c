// Linux and other POSIX systems.
#include "platform.h"

#include <SDL.h>

#include <pthread.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <string>

void PlatformPutEnv(const char* entry) {
    const std::string s(entry);
    const std::string::size_type egal = s.find('=');
    if (egal != std::string::npos) {
        setenv(s.substr(0, egal).c_str(), s.c_str() + egal + 1, 1);
    }
}

// Being asked to stop (SIGTERM, SIGINT, SIGHUP) is a close request. A signal
// handler may not touch SDL (pushing from one can deadlock on the queue's
// lock), so the signals are blocked in every thread and one thread of ours
// takes them with sigwait and pushes SDL_QUIT, which SDL allows from any
// thread; the screen that reads it ends the game through exit(0).
namespace {

pthread_mutex_t verrouDemandes = PTHREAD_MUTEX_INITIALIZER;
bool sortieCommencee = false;

sigset_t SignauxArret() {
    sigset_t signaux;
    sigemptyset(&signaux);
    sigaddset(&signaux, SIGTERM);
    sigaddset(&signaux, SIGINT);
    sigaddset(&signaux, SIGHUP);
    return signaux;
}

// Run at exit, before SDL_Quit tears the queue down: no push may start after
// it, and one under way is waited for.
void FermerDemandes() {
    pthread_mutex_lock(&verrouDemandes);
    sortieCommencee = true;
    pthread_mutex_unlock(&verrouDemandes);
}

// False while there is no window yet or the queue is full: the request is then
// tried again shortly. Until the window is there the game is still setting up
// its queue, and setting the pointer filter empties it.
bool PousserFermeture() {
    pthread_mutex_lock(&verrouDemandes);
    bool fait = sortieCommencee;
    if (!fait && SDL_GetVideoSurface() != nullptr) {
        SDL_Event fermeture = {};
        fermeture.type = SDL_QUIT;
        fait = SDL_PushEvent(&fermeture) == 0;
    }
    pthread_mutex_unlock(&verrouDemandes);
    return fait;
}

void* AttendreArret(void*) {
    const sigset_t signaux = SignauxArret();
    for (;;) {
        int signal = 0;
        if (sigwait(&signaux, &signal) != 0) {
            continue;
        }
        // Each signal asks again, so a second one is one more close request, never a second way out.
        while (!PousserFermeture()) {
            const timespec attente = {0, 10 * 1000 * 1000};
            nanosleep(&attente, nullptr);
        }
    }
    return nullptr;
}

} // namespace

void PlatformStopRequestsAsQuit() {
    const sigset_t signaux = SignauxArret();
    if (pthread_sigmask(SIG_BLOCK, &signaux, nullptr) != 0) {
        return;
    }
    pthread_t attente;
    if (pthread_create(&attente, nullptr, AttendreArret, nullptr) != 0) {
        // Nobody would take them: leave the signals their usual effect rather than make the game deaf to them.
        pthread_sigmask(SIG_UNBLOCK, &signaux, nullptr);
        return;
    }
    pthread_detach(attente);
    atexit(FermerDemandes);
}
