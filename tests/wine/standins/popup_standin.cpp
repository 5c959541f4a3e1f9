// A stand-in tkWDBox.exe for the service's tests: it records each start in starts.log beside
// itself ("<TYPE>|<PRINTER>" in UTF-8, one line per start) and shows a window of class
// "tavikWD" with the title the real pop-up would take, until WM_QUIT reaches it.
// Built with STANDIN_LOG_ONLY (the storm's stand-in) it records its start and ends at once,
// so that hundreds of starts leave no window behind.
#include <windows.h>

#include "paths.h"
#include "popup_title.h"

namespace {

void appendStart(const wchar_t* directory, const wchar_t* type, const wchar_t* printer)
{
    wchar_t line[256];
    wchar_t logPath[kPathCapacity];
    if (!joinTexts(line, 256, type, L"|", printer) || !joinTexts(logPath, kPathCapacity, directory, L"starts.log"))
        return;
    char utf8[1024];
    int length = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
    if (length <= 0)
        return;
    utf8[length - 1] = '\n';
    // One writer at a time, so that starts close together never write over each other's line.
    HANDLE log = INVALID_HANDLE_VALUE;
    for (int tries = 0; tries < 5000 && log == INVALID_HANDLE_VALUE; ++tries) {
        log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
        if (log == INVALID_HANDLE_VALUE && GetLastError() != ERROR_SHARING_VIOLATION)
            return;
        if (log == INVALID_HANDLE_VALUE)
            Sleep(2);
    }
    if (log == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(log, utf8, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(log);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    wchar_t path[kPathCapacity];
    GetModuleFileNameW(nullptr, path, kPathCapacity);
    cutAfterLastBackslash(path);
    wchar_t report[kPathCapacity];
    joinTexts(report, kPathCapacity, path, L"box.ini");

    wchar_t type[100] = {};
    wchar_t printer[100] = {};
    GetPrivateProfileStringW(L"REPORT", L"TYPE", L"", type, 100, report);
    GetPrivateProfileStringW(L"REPORT", L"PRINTER", L"", printer, 100, report);
    appendStart(path, type, printer);
#ifdef STANDIN_LOG_ONLY
    return 0;
#endif

    wchar_t title[kTitleCapacity];
    if (lstrcmpW(type, L"newconnect") == 0)
        joinTexts(title, kTitleCapacity, newPrinterTitleFor(GetACP()), L"");
    else
        formatPopupTitle(title, kTitleCapacity, printer);

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kPopupClassName;
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kPopupClassName, title, WS_POPUP | WS_VISIBLE, 0, 0, 80,
                                  20, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 3;

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
