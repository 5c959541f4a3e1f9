#include "config.h"

#include <windows.h>

#include "exe_dir.h"
#include "popup_title.h"

void loadServiceConfig(ServiceConfig* config)
{
    config->newPrinterTitle = newPrinterTitleFor(GetACP());
    executableDirectory(config->serviceDir, kPathCapacity);
    if (!config->serviceDir[0] ||
        !joinTexts(config->reportPath, kPathCapacity, config->serviceDir, L"box.ini"))
        config->reportPath[0] = L'\0';
}
