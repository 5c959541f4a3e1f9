// The worker thread, which switches a new printer to queued printing. The listener thread
// hands it a printer name, or tells it to stop, through the operations below.
#pragma once
#include <windows.h>

// Starts the worker thread with the given stack commitment and keeps no handle to it.
// Without its wake event, made before the program starts, the worker could never be woken:
// it is then not started, and printers are left as they are.
void startWorker(SIZE_T stackBytes);

// Puts a printer name into the worker's one-name slot (a later name replaces it) and wakes it.
void handPrinterToWorker(const wchar_t* printerName);

// Tells the worker to end the next time it wakes, and wakes it.
void stopWorker();
