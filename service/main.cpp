// tkPTSer: the windowless status service. One instance per desktop session serves the
// status pipe until it is told "exit"; the exit code is always 0.
#include <windows.h>

#include "config.h"
#include "listener.h"
#include "owned.h"
#include "worker.h"

namespace {

constexpr DWORD kThreadStack = 4096;

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // The mutex is never waited on: its existence is the whole guard, held until the process ends.
    UniqueHandle instanceMutex(CreateMutexW(nullptr, FALSE, L"WD_SER_MUTEX"));
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return 0;

    // Lives until the listener has ended: the main thread waits for it below.
    ServiceConfig config;
    loadServiceConfig(&config);

    UniqueHandle listener(CreateThread(nullptr, kThreadStack, listenerMain, &config, 0, nullptr));
    startWorker(kThreadStack);  // never waited for
    if (listener)
        WaitForSingleObject(listener.get(), INFINITE);
    return 0;
}
