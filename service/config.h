// What the service fixes once at start-up and never changes afterwards.
#pragma once

#include "paths.h"

struct ServiceConfig {
    // Where the service lies, ending in a backslash, and its report file there. A directory
    // too long for its file names leaves both empty: no report is written and nothing is
    // started, but the pipe is still served.
    wchar_t serviceDir[kPathCapacity];
    wchar_t reportPath[kPathCapacity];
    const wchar_t* newPrinterTitle;  // of the system's ANSI code page
};

// Fills config from the executable's own path and the system's ANSI code page.
void loadServiceConfig(ServiceConfig* config);
