#pragma once
#include <windows.h>

// The listener thread: owns the status pipe and carries out one message at a time.
DWORD WINAPI listenerMain(LPVOID);

// Flushes the pipe and disconnects its client.
void endConnection(HANDLE pipe);
