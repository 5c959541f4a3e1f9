// State the listener thread shares with the worker thread, which switches a new printer to
// queued printing. The listener writes the slot or the flag before it signals workerWake.
#pragma once
#include <windows.h>

extern HANDLE workerWake;              // auto-reset; created during static initialisation
extern volatile LONG stopRequested;    // set once, by "exit"

// Puts a printer name into the worker's one-name slot (a later name replaces it) and wakes it.
void handPrinterToWorker(const wchar_t* printerName);
// Sets stopRequested and wakes the worker so that it ends.
void stopWorker();

DWORD WINAPI workerMain(LPVOID);
