// tkWDBox: the status pop-up. Started by the service for every status to show: it reads the
// report beside its executable once, shows the status in the corner of the work area, and
// ends when its window is closed or when the service posts it WM_QUIT.
#include <windows.h>

#include "catalogue.h"
#include "comet_window.h"
#include "exe_dir.h"
#include "paths.h"
#include "popup_title.h"

namespace {

constexpr DWORD kValueCapacity = 100;    // at most 99 characters of a report value are seen
constexpr size_t kMessageCapacity = 256;
constexpr int kWindowWidth = 280;
constexpr int kWindowHeight = 80;
constexpr WORD kLightSkin = 129;

// Returns 1 when the pop-up is on screen, 0 when there is nothing to show.
int startUp(Language language, const wchar_t* newPrinterTitle)
{
    // Only the report beside the executable counts, never one in the working directory;
    // a directory too long for "box.ini" is treated like a missing report.
    wchar_t directory[kPathCapacity];
    wchar_t reportPath[kPathCapacity];
    if (!executableDirectory(directory, kPathCapacity) ||
        !joinTexts(reportPath, kPathCapacity, directory, L"box.ini"))
        return 0;

    wchar_t type[kValueCapacity] = {};
    wchar_t printer[kValueCapacity] = {};
    GetPrivateProfileStringW(L"REPORT", L"TYPE", L"", type, kValueCapacity, reportPath);
    GetPrivateProfileStringW(L"REPORT", L"PRINTER", L"", printer, kValueCapacity, reportPath);

    CatalogueMatch match = {};
    if (!lookUpStatus(language, type, &match))
        return 0;
    wchar_t message[kMessageCapacity];
    joinTexts(message, kMessageCapacity, match.text, L"");

    // The title is how the service finds this pop-up again: built exactly as it builds it.
    wchar_t title[kTitleCapacity];
    if (match.newPrinter)
        joinTexts(title, kTitleCapacity, newPrinterTitle, L"");
    else
        formatPopupTitle(title, kTitleCapacity, printer);

    cometWindow.loadSkin(MAKEINTRESOURCEW(kLightSkin), RGB(0, 0, 0));  // shown without a skin too
    if (!cometWindow.create(kPopupClassName, title, kWindowWidth, kWindowHeight))
        return 0;
    cometWindow.setTexts(message, L"", L"");
    cometWindow.showAtCorner();
    cometWindow.setQuitOnDestroy(1);
    return 1;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    const UINT codePage = GetACP();
    if (!startUp(languageForCodePage(codePage), newPrinterTitleFor(codePage)))
        return 0;

    MSG message = {};
    // GetMessageW answers -1 on failure: that ends the loop too instead of spinning on it.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}
