// The pop-up's one window object: a borderless, always-on-top tool window that paints itself
// from a skin bitmap and holds four items (close button, view button, message, detail).
// Everything runs on the program's one thread.
#pragma once
#include <windows.h>

#include "comet_layout.h"

// Posted by the window to itself when a click on an item is complete; wParam is the item.
constexpr UINT WM_COMETCLICK = WM_APP + 0x6A;

// The window property through which windowProc finds its object.
extern const wchar_t kCometPropertyName[];  // "CometClassPtr"

constexpr COLORREF kKeyColour = RGB(255, 0, 255);
constexpr COLORREF kItemTextColour = RGB(12, 78, 124);
constexpr COLORREF kItemHoverColour = RGB(22, 122, 235);
constexpr UINT kTitleFormat = DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_WORD_ELLIPSIS;
constexpr UINT kMessageFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_WORD_ELLIPSIS;
constexpr UINT kDetailFormat = DT_WORDBREAK | DT_NOPREFIX | DT_WORD_ELLIPSIS;

// Characters of an item's text or of the link target, terminator included. A text that does
// not fit is not kept at all (a cut link could open something else): it reads as empty.
constexpr size_t kCometTextCapacity = 1024;

struct CometItem {
    wchar_t text[kCometTextCapacity] = {};
    int kind = 0;
    int x = 0, y = 0;
    int width = 0, height = 0;
    RECT bounds = {};
};

class CometWindow {
public:
    CometWindow();
    ~CometWindow();
    CometWindow(const CometWindow&) = delete;
    CometWindow& operator=(const CometWindow&) = delete;

    // Window object and layout.
    int create(const wchar_t* className, const wchar_t* title, int width, int height);
    int setTexts(const wchar_t* message, const wchar_t* detail, const wchar_t* link);
    void showAtCorner();
    void setQuitOnDestroy(int flag);
    int isAlive();
    void setItem(CometItem& item, int kind, int x, int y, int width, int height, const wchar_t* text);
    LRESULT onDestroy(UINT message, WPARAM wParam, LPARAM lParam);
    // Puts the skin's bitmap back out of skinDc and deletes both; the destructor's work, also
    // what leaves the object without a skin.
    void releaseSkin();

    // Rendering.
    int loadSkin(LPCWSTR resource, COLORREF colour);
    int compose();
    int redraw();
    LRESULT onPaint(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onEraseBkgnd(UINT message, WPARAM wParam, LPARAM lParam);
    void drawFrame(HDC target, const RECT& dest, const RECT& outer, const RECT& inner, COLORREF key);
    void drawButton(HDC target, const CometItem& item);
    void drawTextItem(HDC target, const CometItem& item);

    // Input.
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT defaultProc(UINT message, WPARAM wParam, LPARAM lParam);
    int hitTest(LPARAM lParam);
    void changeCursor(HCURSOR cursor);
    LRESULT onSetCursor(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMouseMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMouseHover(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMouseLeave(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onLButtonDown(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onLButtonUp(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onCometClick(UINT message, WPARAM index, LPARAM lParam);

    HWND hwnd;
    CometItem* items;
    int itemCount;
    HCURSOR arrowCursor;
    HCURSOR handCursor;
    HCURSOR currentCursor;
    HICON appIcon;
    HDC skinDc;
    HDC canvasDc;
    HBITMAP skinBitmap;
    HGDIOBJ skinOldBitmap;
    HBITMAP canvasBitmap;
    HGDIOBJ canvasOldBitmap;
    HFONT textFont;
    HFONT boldFont;
    COLORREF titleColor;
    int hoverIndex;
    int pressedIndex;
    int quitOnDestroy;
    int closeAfterAction;
    int trackingMouse;
    wchar_t linkTarget[kCometTextCapacity];
};

// The program's one window object: it exists before the entry point runs and until exit.
extern CometWindow cometWindow;
