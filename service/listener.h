#pragma once
#include <windows.h>

// The listener thread: owns the status pipe and carries out one message at a time.
DWORD WINAPI listenerMain(LPVOID);

// Disconnects the pipe's client (nothing is ever written to it, so there is nothing to flush).
void endConnection(HANDLE pipe);
