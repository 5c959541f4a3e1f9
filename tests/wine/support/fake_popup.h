// A window of class "tavikWD" with a given title, owned by a thread of the test program, that
// stands for a pop-up on screen: it goes away when WM_QUIT reaches its thread, as a pop-up's
// process does, unless it is told to ignore WM_QUIT.
#pragma once
#include <windows.h>

#include <string>

namespace harness {

class FakePopup {
public:
    enum class OnQuit { Close, Ignore };
    explicit FakePopup(const std::wstring& title, OnQuit onQuit = OnQuit::Close);
    ~FakePopup();
    FakePopup(const FakePopup&) = delete;
    FakePopup& operator=(const FakePopup&) = delete;

    bool shown() const { return window_ != nullptr; }
    // True once the window is gone; waits up to timeoutMs for that.
    bool closedWithin(DWORD timeoutMs);
    // How many WM_QUIT messages reached it.
    long quitsReceived() const { return quits_; }

private:
    static DWORD WINAPI threadMain(LPVOID self);

    std::wstring title_;
    OnQuit onQuit_;
    HANDLE thread_ = nullptr;
    HANDLE ready_ = nullptr;
    HANDLE release_ = nullptr;  // set by the destructor: end even when ignoring WM_QUIT
    HWND window_ = nullptr;
    volatile long quits_ = 0;
};

} // namespace harness
