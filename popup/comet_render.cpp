// Painting of the pop-up: the skin, the back buffer composed from it (nine-slice frame,
// icon, title, button sprites, texts) and the copies of that buffer to the window.
#include "comet_window.h"

#include <memory>
#include <new>

#include "gdi_scope.h"

namespace {

Box boxOf(const RECT& rect)
{
    return {static_cast<int>(rect.left), static_cast<int>(rect.top), static_cast<int>(rect.right),
            static_cast<int>(rect.bottom)};
}

RECT rectOf(const Box& box)
{
    return {box.left, box.top, box.right, box.bottom};
}

} // namespace

int CometWindow::loadSkin(LPCWSTR resource, COLORREF colour)
{
    const HBITMAP bitmap = LoadBitmapW(GetModuleHandleW(nullptr), resource);
    if (!bitmap)
        return 0;

    if (!skinDc) {
        BorrowedDc screen(nullptr);
        skinDc = CreateCompatibleDC(screen.get());
        if (!skinDc) {
            DeleteObject(bitmap);  // nothing holds it yet
            return 0;
        }
    }
    if (skinBitmap) {
        SelectObject(skinDc, skinOldBitmap);
        DeleteObject(skinBitmap);
        skinBitmap = nullptr;
        skinOldBitmap = nullptr;
    }
    skinOldBitmap = SelectObject(skinDc, bitmap);
    skinBitmap = bitmap;
    titleColor = colour;
    redraw();
    return 1;
}

int CometWindow::compose()
{
    // The items come with the window; without them there is nothing to lay out yet.
    if (!skinDc || !items)
        return 0;

    RECT client = {};
    GetClientRect(hwnd, &client);
    if (!canvasDc) {
        // The bitmap is made compatible with the screen, not with the new memory context,
        // so that it has the screen's colours rather than one bit per pixel.
        BorrowedDc screen(nullptr);
        const HDC dc = CreateCompatibleDC(screen.get());
        const HBITMAP bitmap = dc ? CreateCompatibleBitmap(screen.get(), client.right, client.bottom) : nullptr;
        if (!bitmap) {
            // Nothing is kept half made: the next compose tries again.
            if (dc)
                DeleteDC(dc);
            return 0;
        }
        canvasDc = dc;
        canvasBitmap = bitmap;
        canvasOldBitmap = SelectObject(canvasDc, canvasBitmap);
        SetBkMode(canvasDc, TRANSPARENT);
    }

    drawFrame(canvasDc, client, rectOf(kFrameOuter), rectOf(kFrameInner), kKeyColour);

    HICON icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0));
    if (!icon)
        icon = appIcon;
    const RECT title = rectOf(titleBox(client.right, icon != nullptr));
    if (icon)
        DrawIconEx(canvasDc, 8, 5, icon, 16, 16, 0, nullptr, DI_NORMAL);

    const int length = GetWindowTextLengthW(hwnd);
    if (length > 0) {
        std::unique_ptr<wchar_t[]> text(new (std::nothrow) wchar_t[length + 1]);
        if (text) {
            GetWindowTextW(hwnd, text.get(), length + 1);
            SelectedObject font(canvasDc, textFont);
            SetTextColor(canvasDc, titleColor);
            RECT box = title;
            DrawTextW(canvasDc, text.get(), -1, &box, kTitleFormat);
        }
    }

    drawButton(canvasDc, items[CloseButton]);
    drawButton(canvasDc, items[ViewButton]);
    drawTextItem(canvasDc, items[MessageText]);
    drawTextItem(canvasDc, items[DetailText]);
    return 1;
}

void CometWindow::drawFrame(HDC target, const RECT& dest, const RECT& outer, const RECT& inner,
                            COLORREF key)
{
    SliceCopy copies[kSliceCount];
    nineSlice(boxOf(dest), boxOf(outer), boxOf(inner), copies);
    for (const SliceCopy& c : copies) {
        if (c.keyed)
            TransparentBlt(target, c.destX, c.destY, c.destWidth, c.destHeight, skinDc, c.srcX,
                           c.srcY, c.srcWidth, c.srcHeight, key);
        else
            StretchBlt(target, c.destX, c.destY, c.destWidth, c.destHeight, skinDc, c.srcX,
                       c.srcY, c.srcWidth, c.srcHeight, SRCCOPY);
    }
}

void CometWindow::drawButton(HDC target, const CometItem& item)
{
    const SpriteCell cell = spriteCell(item.kind, item.width, hoverIndex, pressedIndex);
    BitBlt(target, item.x, item.y, item.width, item.height, skinDc, cell.x, cell.y, SRCCOPY);
}

void CometWindow::drawTextItem(HDC target, const CometItem& item)
{
    if (!item.text[0])
        return;
    const bool message = item.kind == MessageText;
    SetTextColor(target, hoverIndex == item.kind ? kItemHoverColour : kItemTextColour);
    SelectedObject font(target, message ? boldFont : textFont);
    RECT box = item.bounds;
    DrawTextW(target, item.text, -1, &box, message ? kMessageFormat : kDetailFormat);
}

int CometWindow::redraw()
{
    if (!isAlive())
        return 0;
    if (!compose())
        return 0;
    if (!IsWindowVisible(hwnd))
        return 1;
    RECT client = {};
    GetClientRect(hwnd, &client);
    BorrowedDc window(hwnd);
    BitBlt(window.get(), 0, 0, client.right, client.bottom, canvasDc, 0, 0, SRCCOPY);
    return 1;
}

LRESULT CometWindow::onPaint(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!canvasDc && !compose())
        return defaultProc(message, wParam, lParam);
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(hwnd, &paint);
    const RECT& area = paint.rcPaint;
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, canvasDc,
           area.left, area.top, SRCCOPY);
    EndPaint(hwnd, &paint);
    return 0;
}

LRESULT CometWindow::onEraseBkgnd(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!canvasDc && !compose())
        return defaultProc(message, wParam, lParam);
    RECT client = {};
    GetClientRect(hwnd, &client);
    BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, client.right, client.bottom, canvasDc, 0, 0, SRCCOPY);
    return 1;
}
