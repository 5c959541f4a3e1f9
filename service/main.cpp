// tkPTSer: the windowless status service. One instance per desktop session serves the
// status pipe until it is told "exit"; the exit code is always 0.
#include <windows.h>

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

    UniqueHandle listener(CreateThread(nullptr, kThreadStack, listenerMain, nullptr, 0, nullptr));
    // Without its wake event the worker could never be woken: printers are then left as they are.
    // The worker is never waited for: its handle is closed at once.
    if (workerWake)
        UniqueHandle(CreateThread(nullptr, kThreadStack, workerMain, nullptr, 0, nullptr));
    if (listener)
        WaitForSingleObject(listener.get(), INFINITE);
    return 0;
}
