// Geometry of the pop-up that touches no platform call: the item layout, the nine-slice
// cut of the skin's frame, the sprite cell of a button and hit testing. The window code
// uses these, and the native tests check them directly.
#pragma once
#include <cstdint>

// Item kinds; after create, item i has kind i.
enum CometItemKind { CloseButton = 0, ViewButton = 1, MessageText = 2, DetailText = 3 };

constexpr int kCometItemCount = 4;

// A rectangle with right and bottom exclusive (the layout of the platform's RECT).
struct Box {
    int left, top, right, bottom;
};

struct ItemPlace {
    int kind;
    int x, y, width, height;
};

// The four items of a window of width x height, index i with kind i. Item 3's height is
// height - 86 and may be negative (-6 at 280 x 80): such an item is never hit or drawn.
void layoutItems(int width, int height, ItemPlace places[kCometItemCount]);

// Fixed rectangles of the skin atlas.
constexpr Box kFrameOuter = {0, 0, 80, 60};
constexpr Box kFrameInner = {35, 25, 45, 30};
constexpr int kCloseSpriteRow = 60;
constexpr int kViewSpriteRow = 80;

// One copy of the nine-slice frame: keyed copies are corners (same size, key colour left
// out); the others are stretched.
struct SliceCopy {
    bool keyed;
    int destX, destY, destWidth, destHeight;
    int srcX, srcY, srcWidth, srcHeight;
};

constexpr int kSliceCount = 9;

// The nine copies, in drawing order (corners and edges row by row), of the skin rectangle
// outer cut at inner onto dest.
void nineSlice(const Box& dest, const Box& outer, const Box& inner, SliceCopy copies[kSliceCount]);

struct SpriteCell {
    int x, y;
};

// Skin cell of a button item: row by kind, column by state. Pressed wins over hover.
SpriteCell spriteCell(int kind, int itemWidth, int hoverIndex, int pressedIndex);

// The title line: a 16 x 16 icon at the left, then the text 25 pixels further right.
Box titleBox(int clientWidth, bool withIcon);

// Client point of a mouse message's lParam: low and high 16 bits, each unsigned.
struct ClientPoint {
    int x, y;
};
ClientPoint pointFromLParam(std::uint32_t lParam);

bool boxContains(const Box& box, int x, int y);

// Index of the first box that contains the point, -1 for none.
int firstBoxAt(const Box* boxes, int count, int x, int y);
