#include "fake_popup.h"

#include "harness.h"

namespace harness {

namespace {

constexpr wchar_t kPopupClass[] = L"tavikWD";

void registerPopupClass()
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kPopupClass;
    RegisterClassExW(&windowClass);  // fails harmlessly when already registered
}

} // namespace

FakePopup::FakePopup(const std::wstring& title, OnQuit onQuit) : title_(title), onQuit_(onQuit)
{
    registerPopupClass();
    ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, threadMain, this, 0, nullptr);
    WaitForSingleObject(ready_, 5000);
}

FakePopup::~FakePopup()
{
    SetEvent(release_);
    if (thread_) {
        PostThreadMessageW(GetThreadId(thread_), WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
    }
    CloseHandle(ready_);
    CloseHandle(release_);
}

bool FakePopup::closedWithin(DWORD timeoutMs)
{
    return thread_ && WaitForSingleObject(thread_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD WINAPI FakePopup::threadMain(LPVOID param)
{
    auto* self = static_cast<FakePopup*>(param);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kPopupClass, self->title_.c_str(), WS_POPUP, 0, 0, 10, 10,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    self->window_ = window;
    SetEvent(self->ready_);
    if (!window)
        return 1;
    for (;;) {
        MSG message;
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got > 0) {
            DispatchMessageW(&message);
            continue;
        }
        InterlockedIncrement(&self->quits_);
        if (self->onQuit_ == OnQuit::Close || WaitForSingleObject(self->release_, 0) == WAIT_OBJECT_0)
            break;
    }
    DestroyWindow(window);
    return 0;
}

} // namespace harness
