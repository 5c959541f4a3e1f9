#include "screen_picture.h"

namespace harness {

Picture captureWindow(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    Picture blank;
    blank.width = rect.right - rect.left;
    blank.height = rect.bottom - rect.top;
    blank.pixels.assign(static_cast<size_t>(blank.width) * blank.height, 0);
    Picture shown = drawOn(blank, [&](HDC memory, HDC screen) {
        BitBlt(memory, 0, 0, blank.width, blank.height, screen, rect.left, rect.top, SRCCOPY);
    });
    // The fourth byte is not part of the colour: keep whole pictures comparable.
    for (std::uint32_t& pixel : shown.pixels)
        pixel &= 0xFFFFFF;
    return shown;
}

} // namespace harness
