// Scoped GDI helpers for the drawing code: a device context borrowed from a window (or the
// screen) is released, and an object selected into a context is swapped out again, where
// the scope ends.
#pragma once
#include <windows.h>

class BorrowedDc {
public:
    explicit BorrowedDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~BorrowedDc()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    BorrowedDc(const BorrowedDc&) = delete;
    BorrowedDc& operator=(const BorrowedDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), displaced_(SelectObject(dc, object)) {}
    ~SelectedObject()
    {
        if (displaced_)
            SelectObject(dc_, displaced_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ displaced_;
};
