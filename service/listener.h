#pragma once
#include <windows.h>

// The listener thread: owns the status pipe and carries out one message at a time, until
// "exit". Its parameter is the service's ServiceConfig, which outlives the thread.
DWORD WINAPI listenerMain(LPVOID config);
