#pragma once
#include <windows.h>

// Carries out one command for one printer. Returns 0 after "exit" (which has already ended
// the connection), nonzero to go on serving.
int dispatchCommand(const char* command, const wchar_t* printerName, const wchar_t* popupTitle,
                    const wchar_t* newPrinterTitle, const wchar_t* serviceDir,
                    const wchar_t* reportPath, HANDLE pipe);

// Tells every pop-up with this title (every pop-up, for a null title) to quit, and waits
// until none is left or, for a window that never goes, until about three seconds have passed.
void closePopups(const wchar_t* title);

// Starts directory + fileName through the shell, in that directory, keeping no handle.
void launchProgram(const wchar_t* directory, const wchar_t* fileName);
