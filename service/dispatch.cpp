#include "dispatch.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <iterator>

#include "commands.h"
#include "config.h"
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

void showStatus(const ServiceConfig& config, const CommandWord& row, const wchar_t* printerName,
                const wchar_t* popupTitle)
{
    wchar_t type[32];
    toWide(row.word, type);
    closePopups(popupTitle);
    writeReport(config.reportPath, type, row.writesPrinter ? printerName : nullptr);
    launchProgram(config.serviceDir, kPopupProgram);
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
    // The listener must never wait on a person: no error box for a file that cannot run, no
    // security prompt for our own companion marked as downloaded.
    execute.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS;
    execute.lpFile = path;
    execute.lpDirectory = directory;
    execute.nShow = SW_SHOW;
    ShellExecuteExW(&execute);
}

AfterMessage dispatchCommand(const ServiceConfig& config, const char* command, const wchar_t* printerName)
{
    const CommandWord* row = findCommand(command);
    if (!row)
        return AfterMessage::Serve;
    // The printer's pop-ups carry this title; a name too long for it leaves it empty.
    wchar_t popupTitle[kTitleCapacity];
    formatPopupTitle(popupTitle, kTitleCapacity, printerName);

    switch (row->action) {
    case CommandAction::Exit:
        closePopups(nullptr);
        return AfterMessage::Stop;
    case CommandAction::PurgeQueue:
        purgeQueue(printerName);
        break;
    case CommandAction::CloseNewPrinterPopup:
        closePopups(config.newPrinterTitle);
        break;
    case CommandAction::NewConnect:
        // One new-printer pop-up at a time: while it stands, nothing changes.
        if (!FindWindowW(kPopupClassName, config.newPrinterTitle)) {
            writeReport(config.reportPath, L"newconnect", nullptr);
            launchProgram(config.serviceDir, kPopupProgram);
        }
        break;
    case CommandAction::ClosePrinterPopups:
        closePopups(popupTitle);
        break;
    case CommandAction::AddNewDevice:
        handPrinterToWorker(printerName);
        showStatus(config, *row, printerName, popupTitle);
        break;
    case CommandAction::ShowStatus:
        showStatus(config, *row, printerName, popupTitle);
        break;
    }
    return AfterMessage::Serve;
}

void finishExit()
{
    stopWorker();
    Sleep(kExitPauseMs);  // lets the worker end on its own
}
