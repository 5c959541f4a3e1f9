#pragma once

struct ServiceConfig;

// What the listener does once a message has been carried out.
enum class AfterMessage { Serve, Stop };

// Carries out one command for one printer. "exit" closes every pop-up and returns Stop: the
// listener then ends the client's connection, calls finishExit and ends.
AfterMessage dispatchCommand(const ServiceConfig& config, const char* command, const wchar_t* printerName);

// The rest of "exit", once its client is let go: stops the worker and gives it a moment to
// end on its own.
void finishExit();

// Tells every pop-up with this title (every pop-up, for a null title) to quit, and waits
// until none is left or, for a window that never goes, until about three seconds have passed.
void closePopups(const wchar_t* title);

// Starts directory + fileName through the shell, in that directory, keeping no handle.
void launchProgram(const wchar_t* directory, const wchar_t* fileName);
