// Mouse input of the pop-up: the window procedure and its routing, hover and cursor, press
// and release on items, dragging by any empty area, and the click action.
#include "comet_window.h"

namespace {

using ShellExecuteWFunction = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

// Opens target through the shell. The shell is loaded only when a link is opened, a rare
// click: imported, it would slow every pop-up's start. It is never unloaded, as if it had
// been imported: the shell may still be at work after ShellExecuteW has returned.
void openThroughShell(const wchar_t* target)
{
    const HMODULE shell = LoadLibraryW(L"shell32.dll");
    if (!shell)
        return;
    const auto open = reinterpret_cast<ShellExecuteWFunction>(
        reinterpret_cast<void*>(GetProcAddress(shell, "ShellExecuteW")));
    if (open)
        open(nullptr, L"Open", target, nullptr, nullptr, SW_SHOW);
}

} // namespace

LRESULT CALLBACK CometWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Messages sent while the window is being created arrive before the property is set.
    auto* object = static_cast<CometWindow*>(GetPropW(window, kCometPropertyName));
    // The last message of the window: a string property left set keeps a reference to its
    // atom after the window is gone.
    if (message == WM_NCDESTROY)
        RemovePropW(window, kCometPropertyName);
    if (object)
        return object->handleMessage(message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CometWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY: return onDestroy(message, wParam, lParam);
    case WM_PAINT: return onPaint(message, wParam, lParam);
    case WM_ERASEBKGND: return onEraseBkgnd(message, wParam, lParam);
    case WM_SETCURSOR: return onSetCursor(message, wParam, lParam);
    case WM_MOUSEMOVE: return onMouseMove(message, wParam, lParam);
    case WM_LBUTTONDOWN: return onLButtonDown(message, wParam, lParam);
    case WM_LBUTTONUP: return onLButtonUp(message, wParam, lParam);
    case WM_MOUSEHOVER: return onMouseHover(message, wParam, lParam);
    case WM_MOUSELEAVE: return onMouseLeave(message, wParam, lParam);
    case WM_COMETCLICK: return onCometClick(message, wParam, lParam);
    default: return defaultProc(message, wParam, lParam);
    }
}

LRESULT CometWindow::defaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int CometWindow::hitTest(LPARAM lParam)
{
    Box boxes[kCometItemCount];
    const int count = itemCount < kCometItemCount ? itemCount : kCometItemCount;
    for (int i = 0; i < count; ++i) {
        const RECT& b = items[i].bounds;
        boxes[i] = {static_cast<int>(b.left), static_cast<int>(b.top), static_cast<int>(b.right),
                    static_cast<int>(b.bottom)};
    }
    const ClientPoint point = pointFromLParam(static_cast<std::uint32_t>(lParam));
    return firstBoxAt(boxes, count, point.x, point.y);
}

void CometWindow::changeCursor(HCURSOR cursor)
{
    if (cursor == currentCursor)
        return;
    currentCursor = cursor;
    SetCursor(cursor);
}

LRESULT CometWindow::onSetCursor(UINT, WPARAM, LPARAM)
{
    // The class cursor would replace the hand with the arrow on every move.
    SetCursor(currentCursor);
    return 1;
}

LRESULT CometWindow::onMouseMove(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = defaultProc(message, wParam, lParam);
    if (!trackingMouse) {
        TRACKMOUSEEVENT track = {};
        track.cbSize = sizeof track;
        track.dwFlags = TME_HOVER | TME_LEAVE;
        track.hwndTrack = hwnd;
        track.dwHoverTime = 1;
        trackingMouse = TrackMouseEvent(&track) ? 1 : 0;
    }
    const int index = hitTest(lParam);
    if (index == hoverIndex)
        return result;
    hoverIndex = index;
    redraw();
    changeCursor(index == -1 || index == CloseButton ? arrowCursor : handCursor);
    return result;
}

LRESULT CometWindow::onMouseHover(UINT message, WPARAM wParam, LPARAM lParam)
{
    return defaultProc(message, wParam, lParam);
}

LRESULT CometWindow::onMouseLeave(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hoverIndex != -1 || pressedIndex != -1) {
        hoverIndex = -1;
        pressedIndex = -1;
        redraw();
    }
    trackingMouse = 0;
    return defaultProc(message, wParam, lParam);
}

LRESULT CometWindow::onLButtonDown(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = defaultProc(message, wParam, lParam);
    const int index = hitTest(lParam);
    if (index != pressedIndex) {
        pressedIndex = index;
        redraw();
    }
    if (index == -1) {
        // The system's move loop drags the window until the button is released.
        ReleaseCapture();
        SendMessageW(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
    }
    return result;
}

LRESULT CometWindow::onLButtonUp(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = defaultProc(message, wParam, lParam);
    const int index = hitTest(lParam);
    if (pressedIndex == -1)
        return result;
    if (index == pressedIndex)
        PostMessageW(hwnd, WM_COMETCLICK, static_cast<WPARAM>(index), lParam);
    pressedIndex = -1;
    redraw();
    return result;
}

LRESULT CometWindow::onCometClick(UINT, WPARAM index, LPARAM)
{
    // wParam is unsigned: -1 arrives as a huge index and is refused like any index too large.
    if (index >= static_cast<WPARAM>(itemCount < 0 ? 0 : itemCount))
        return 0;
    if (index == CloseButton) {
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    if (linkTarget[0])
        openThroughShell(linkTarget);
    if (closeAfterAction)
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    return 0;
}
