// Windows.
#include "platform.h"

#include <SDL.h>

#include <cstdlib>

#include <windows.h>

void PlatformPutEnv(const char* entry) {
    _putenv(entry);
}

// Runs on a thread of its own that the console starts; SDL_PushEvent is
// thread-safe. Windows ends the process once the handler of a close, log-off
// or shut-down event returns, so that one waits for the game to leave first.
static BOOL WINAPI ArretConsole(DWORD type) {
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
        Sleep(5000);
    }
    return TRUE;
}

static void FinDesArrets() {
    SetConsoleCtrlHandler(ArretConsole, FALSE);
}

void PlatformStopRequestsAsQuit() {
    SetConsoleCtrlHandler(ArretConsole, TRUE);
    // Registered after atexit(SDL_Quit), so it runs first: no request reaches a queue SDL has taken down.
    atexit(FinDesArrets);
}
