#include "comet_layout.h"

void layoutItems(int width, int height, ItemPlace places[kCometItemCount])
{
    // Text items keep 8 pixels each side; the detail line starts 5 pixels below the message
    // and leaves 35 pixels free at the bottom.
    places[0] = {CloseButton, width - 40, 1, 40, 18};
    places[1] = {ViewButton, width - 55, height - 25, 50, 20};
    places[2] = {MessageText, 8, 26, width - 16, 20};
    places[3] = {DetailText, 8, 51, width - 16, height - 86};
}

void nineSlice(const Box& dest, const Box& outer, const Box& inner, SliceCopy copies[kSliceCount])
{
    const int leftW = inner.left - outer.left;
    const int rightW = outer.right - inner.right;
    const int topH = inner.top - outer.top;
    const int bottomH = outer.bottom - inner.bottom;
    const int midSW = inner.right - inner.left;
    const int midSH = inner.bottom - inner.top;
    const int midDW = (dest.right - dest.left) - leftW - rightW;
    const int x1 = dest.left + leftW;
    const int xR = dest.right - rightW;
    const int y1 = dest.top + topH;
    const int y2 = dest.bottom - bottomH;
    const int midDH = dest.bottom - y1 - bottomH;

    copies[0] = {true, dest.left, dest.top, leftW, topH, outer.left, outer.top, leftW, topH};
    copies[1] = {false, x1, dest.top, midDW, topH, inner.left, outer.top, midSW, topH};
    copies[2] = {true, xR, dest.top, rightW, topH, inner.right, outer.top, rightW, topH};
    copies[3] = {false, dest.left, y1, leftW, midDH, outer.left, inner.top, leftW, midSH};
    copies[4] = {false, x1, y1, midDW, midDH, inner.left, inner.top, midSW, midSH};
    copies[5] = {false, xR, y1, rightW, midDH, inner.right, inner.top, rightW, midSH};
    copies[6] = {true, dest.left, y2, leftW, bottomH, outer.left, inner.bottom, leftW, bottomH};
    copies[7] = {false, x1, y2, midDW, bottomH, inner.left, inner.bottom, midSW, bottomH};
    copies[8] = {true, xR, y2, rightW, bottomH, inner.right, inner.bottom, rightW, bottomH};
}

SpriteCell spriteCell(int kind, int itemWidth, int hoverIndex, int pressedIndex)
{
    const int row = kind == CloseButton ? kCloseSpriteRow : kind == ViewButton ? kViewSpriteRow : 0;
    int column = 0;
    if (pressedIndex == kind)
        column = 2 * itemWidth;
    else if (hoverIndex == kind)
        column = itemWidth;
    return {column, row};
}

Box titleBox(int clientWidth, bool withIcon)
{
    return {withIcon ? 33 : 8, 5, clientWidth - 50, 21};
}

ClientPoint pointFromLParam(std::uint32_t lParam)
{
    return {static_cast<int>(lParam & 0xFFFFu), static_cast<int>((lParam >> 16) & 0xFFFFu)};
}

bool boxContains(const Box& box, int x, int y)
{
    return x >= box.left && x < box.right && y >= box.top && y < box.bottom;
}

int firstBoxAt(const Box* boxes, int count, int x, int y)
{
    for (int i = 0; i < count; ++i) {
        if (boxContains(boxes[i], x, y))
            return i;
    }
    return -1;
}
