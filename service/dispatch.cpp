#include "dispatch.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <iterator>

#include "commands.h"
#include "listener.h"
#include "paths.h"
#include "popup_title.h"
#include "report.h"
#include "spooler.h"
#include "worker.h"

namespace {

constexpr wchar_t kPopupProgram[] = L"tkWDBox.exe";
constexpr DWORD kLookPauseMs = 10;
// Within the pause, how often the window is checked: one that is gone ends the wait at once.
constexpr DWORD kGoneCheckMs = 1;
constexpr DWORD kExitPauseMs = 1000;
// About three seconds of looks: a window that ignores WM_QUIT cannot be one of our pop-ups
// and must not hang the service.
constexpr int kMaxLooks = 300;

// The report stores the command word itself, as UTF-16.
void toWide(const char* word, wchar_t (&wide)[32])
{
    size_t i = 0;
    for (; word[i] && i + 1 < std::size(wide); ++i)
        wide[i] = static_cast<unsigned char>(word[i]);
    wide[i] = L'\0';
}

void showStatus(const CommandWord& row, const wchar_t* printerName, const wchar_t* popupTitle,
                const wchar_t* serviceDir, const wchar_t* reportPath)
{
    wchar_t type[32];
    toWide(row.word, type);
    closePopups(popupTitle);
    writeReport(reportPath, type, row.writesPrinter ? printerName : nullptr);
    launchProgram(serviceDir, kPopupProgram);
}

} // namespace

void closePopups(const wchar_t* title)
{
    for (int look = 0; look < kMaxLooks; ++look) {
        HWND popup = FindWindowW(kPopupClassName, title);
        if (!popup)
            return;
        PostMessageW(popup, WM_QUIT, 0, 0);
        // The pause before the next look, cut short when the window goes: a replaced pop-up's
        // successor starts as soon as it can. A window still there gets WM_QUIT again only
        // after the whole pause, as before.
        const DWORD pauseStart = GetTickCount();
        while (IsWindow(popup) && GetTickCount() - pauseStart < kLookPauseMs)
            Sleep(kGoneCheckMs);
    }
}

void launchProgram(const wchar_t* directory, const wchar_t* fileName)
{
    wchar_t path[kPathCapacity];
    if (!directory[0] || !joinTexts(path, kPathCapacity, directory, fileName))
        return;
    if (!PathFileExistsW(path))
        return;
    // The full path, so that only the program beside the service can be started.
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof execute;
    execute.lpFile = path;
    execute.lpDirectory = directory;
    execute.nShow = SW_SHOW;
    ShellExecuteExW(&execute);
}

int dispatchCommand(const char* command, const wchar_t* printerName, const wchar_t* popupTitle,
                    const wchar_t* newPrinterTitle, const wchar_t* serviceDir,
                    const wchar_t* reportPath, HANDLE pipe)
{
    const CommandWord* row = findCommand(command);
    if (!row)
        return 1;

    switch (row->action) {
    case CommandAction::Exit:
        closePopups(nullptr);
        endConnection(pipe);
        stopWorker();
        Sleep(kExitPauseMs);  // lets the worker end on its own
        return 0;
    case CommandAction::PurgeQueue:
        purgeQueue(printerName);
        break;
    case CommandAction::CloseNewPrinterPopup:
        closePopups(newPrinterTitle);
        break;
    case CommandAction::NewConnect:
        // One new-printer pop-up at a time: while it stands, nothing changes.
        if (!FindWindowW(kPopupClassName, newPrinterTitle)) {
            writeReport(reportPath, L"newconnect", nullptr);
            launchProgram(serviceDir, kPopupProgram);
        }
        break;
    case CommandAction::ClosePrinterPopups:
        closePopups(popupTitle);
        break;
    case CommandAction::AddNewDevice:
        handPrinterToWorker(printerName);
        showStatus(*row, printerName, popupTitle, serviceDir, reportPath);
        break;
    case CommandAction::ShowStatus:
        showStatus(*row, printerName, popupTitle, serviceDir, reportPath);
        break;
    }
    return 1;
}
