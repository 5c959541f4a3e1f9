// Pixels of the screen for the Windows test programs: a rectangle of it, or a copy of one
// that the test draws on, as 32-bit top-down 0x00RRGGBB values.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace harness {

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};

// Runs draw(memory, screen) on a 32-bit DIB that starts as picture, and gives the result.
template <typename Draw>
Picture drawOn(const Picture& picture, Draw draw)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    std::memcpy(bits, picture.pixels.data(), picture.pixels.size() * 4);
    draw(memory, screen);
    GdiFlush();
    Picture result = picture;
    std::memcpy(result.pixels.data(), bits, result.pixels.size() * 4);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return result;
}

// What the screen shows where the window lies (its whole window rectangle).
Picture captureWindow(HWND window);

} // namespace harness
