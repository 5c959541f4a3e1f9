#include "worker.h"

#include "paths.h"
#include "spooler.h"

namespace {

// Auto-reset. The listener writes the slot or the flag before it signals the event.
const HANDLE workerWake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
volatile LONG stopRequested = 0;  // set once, by "exit"

wchar_t workerPrinter[kPathCapacity];
// The listener may write a new name while the worker copies the previous one out.
SRWLOCK workerPrinterLock = SRWLOCK_INIT;

void takeWorkerPrinter(wchar_t (&printer)[kPathCapacity])
{
    AcquireSRWLockExclusive(&workerPrinterLock);
    joinTexts(printer, kPathCapacity, workerPrinter, L"");
    ReleaseSRWLockExclusive(&workerPrinterLock);
}

DWORD WINAPI workerMain(LPVOID)
{
    for (;;) {
        WaitForSingleObject(workerWake, INFINITE);
        if (stopRequested)
            return 0;
        wchar_t printer[kPathCapacity];
        takeWorkerPrinter(printer);
        setQueuedPrinting(printer);
    }
}

} // namespace

void startWorker(SIZE_T stackBytes)
{
    if (!workerWake)
        return;
    // Never waited for: it ends with the process at the latest.
    const HANDLE thread = CreateThread(nullptr, stackBytes, workerMain, nullptr, 0, nullptr);
    if (thread)
        CloseHandle(thread);
}

void handPrinterToWorker(const wchar_t* printerName)
{
    AcquireSRWLockExclusive(&workerPrinterLock);
    joinTexts(workerPrinter, kPathCapacity, printerName, L"");
    ReleaseSRWLockExclusive(&workerPrinterLock);
    if (workerWake)
        SetEvent(workerWake);
}

void stopWorker()
{
    InterlockedExchange(&stopRequested, 1);
    if (workerWake)
        SetEvent(workerWake);
}
