// Pure geometry of the pop-up: item layout, nine-slice cut, sprite cells, hit testing.
#include <gtest/gtest.h>

#include "comet_layout.h"

namespace {

Box boundsOf(const ItemPlace& p)
{
    return {p.x, p.y, p.x + p.width, p.y + p.height};
}

void expectBox(const Box& expected, const Box& actual)
{
    EXPECT_EQ(expected.left, actual.left);
    EXPECT_EQ(expected.top, actual.top);
    EXPECT_EQ(expected.right, actual.right);
    EXPECT_EQ(expected.bottom, actual.bottom);
}

TEST(PopupLayout, ItemsAt280x80HaveKindByIndexAndTheTableBounds)
{
    ItemPlace places[kCometItemCount];
    layoutItems(280, 80, places);
    const Box expected[] = {{240, 1, 280, 19}, {225, 55, 275, 75}, {8, 26, 272, 46}, {8, 51, 272, 45}};
    for (int i = 0; i < kCometItemCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(i, places[i].kind);
        expectBox(expected[i], boundsOf(places[i]));
    }
}

TEST(PopupLayout, FollowsTheWindowSize)
{
    ItemPlace places[kCometItemCount];
    layoutItems(400, 140, places);
    expectBox({360, 1, 400, 19}, boundsOf(places[0]));
    expectBox({345, 115, 395, 135}, boundsOf(places[1]));
    expectBox({8, 26, 392, 46}, boundsOf(places[2]));
    expectBox({8, 51, 392, 105}, boundsOf(places[3]));  // 35 pixels free below
}

struct SliceRow {
    bool keyed;
    int dx, dy, dw, dh, sx, sy, sw, sh;
};

TEST(PopupNineSlice, FrameOf280x80MatchesThePieceTable)
{
    SliceCopy copies[kSliceCount];
    nineSlice({0, 0, 280, 80}, kFrameOuter, kFrameInner, copies);
    const SliceRow expected[kSliceCount] = {
        {true, 0, 0, 35, 25, 0, 0, 35, 25},       {false, 35, 0, 210, 25, 35, 0, 10, 25},
        {true, 245, 0, 35, 25, 45, 0, 35, 25},    {false, 0, 25, 35, 25, 0, 25, 35, 5},
        {false, 35, 25, 210, 25, 35, 25, 10, 5},  {false, 245, 25, 35, 25, 45, 25, 35, 5},
        {true, 0, 50, 35, 30, 0, 30, 35, 30},     {false, 35, 50, 210, 30, 35, 30, 10, 30},
        {true, 245, 50, 35, 30, 45, 30, 35, 30},
    };
    for (int i = 0; i < kSliceCount; ++i) {
        SCOPED_TRACE(i);
        const SliceCopy& c = copies[i];
        const SliceRow& e = expected[i];
        EXPECT_EQ(e.keyed, c.keyed);
        EXPECT_EQ(e.dx, c.destX);
        EXPECT_EQ(e.dy, c.destY);
        EXPECT_EQ(e.dw, c.destWidth);
        EXPECT_EQ(e.dh, c.destHeight);
        EXPECT_EQ(e.sx, c.srcX);
        EXPECT_EQ(e.sy, c.srcY);
        EXPECT_EQ(e.sw, c.srcWidth);
        EXPECT_EQ(e.sh, c.srcHeight);
    }
}

TEST(PopupNineSlice, PiecesTileAnOffsetDestinationExactly)
{
    SliceCopy copies[kSliceCount];
    const Box dest = {10, 20, 310, 150};
    nineSlice(dest, kFrameOuter, kFrameInner, copies);
    long area = 0;
    for (const SliceCopy& c : copies) {
        EXPECT_GE(c.destX, dest.left);
        EXPECT_GE(c.destY, dest.top);
        EXPECT_LE(c.destX + c.destWidth, dest.right);
        EXPECT_LE(c.destY + c.destHeight, dest.bottom);
        if (c.keyed) {  // corners are never scaled
            EXPECT_EQ(c.srcWidth, c.destWidth);
            EXPECT_EQ(c.srcHeight, c.destHeight);
        }
        area += long(c.destWidth) * c.destHeight;
    }
    EXPECT_EQ(300L * 130L, area);
}

struct CellCase {
    int kind, hover, pressed;
    SpriteCell expected;
};

TEST(PopupSprite, CellByKindAndStatePressedWinning)
{
    const CellCase cases[] = {
        {CloseButton, -1, -1, {0, 60}},   {CloseButton, 0, -1, {40, 60}},
        {CloseButton, -1, 0, {80, 60}},   {CloseButton, 0, 0, {80, 60}},
        {CloseButton, 2, 1, {0, 60}},     {ViewButton, -1, -1, {0, 80}},
        {ViewButton, 1, -1, {50, 80}},    {ViewButton, 1, 1, {100, 80}},
        {ViewButton, 0, 1, {100, 80}},    {ViewButton, 1, 0, {50, 80}},
        {MessageText, -1, -1, {0, 0}},
    };
    for (const CellCase& c : cases) {
        const int width = c.kind == ViewButton ? 50 : 40;
        const SpriteCell cell = spriteCell(c.kind, width, c.hover, c.pressed);
        EXPECT_EQ(c.expected.x, cell.x) << c.kind << " " << c.hover << " " << c.pressed;
        EXPECT_EQ(c.expected.y, cell.y) << c.kind << " " << c.hover << " " << c.pressed;
    }
}

TEST(PopupTitleLine, TextStartsAfterTheIconOrAtTheMargin)
{
    expectBox({33, 5, 230, 21}, titleBox(280, true));
    expectBox({8, 5, 230, 21}, titleBox(280, false));
}

struct HitCase {
    int x, y, expected;
};

TEST(PopupHitTest, FirstItemContainingThePointEdgesHalfOpen)
{
    ItemPlace places[kCometItemCount];
    layoutItems(280, 80, places);
    Box boxes[kCometItemCount];
    for (int i = 0; i < kCometItemCount; ++i)
        boxes[i] = boundsOf(places[i]);
    const HitCase cases[] = {
        {240, 1, 0},  {279, 18, 0}, {280, 1, -1}, {240, 19, -1}, {239, 5, -1}, {240, 0, -1},
        {225, 55, 1}, {274, 74, 1}, {275, 60, -1}, {250, 75, -1},
        {8, 26, 2},   {271, 45, 2}, {272, 30, -1}, {100, 46, -1}, {7, 30, -1},
        {8, 48, -1},  {100, 50, -1}, {100, 51, -1},  // item 3 has its bottom above its top
        {0, 0, -1},   {140, 12, -1},
    };
    for (const HitCase& c : cases)
        EXPECT_EQ(c.expected, firstBoxAt(boxes, kCometItemCount, c.x, c.y)) << c.x << "," << c.y;
    EXPECT_EQ(-1, firstBoxAt(boxes, 0, 240, 1));
}

TEST(PopupHitTest, DetailLineIsHitWhenTheWindowIsTallEnough)
{
    ItemPlace places[kCometItemCount];
    layoutItems(280, 140, places);
    Box boxes[kCometItemCount];
    for (int i = 0; i < kCometItemCount; ++i)
        boxes[i] = boundsOf(places[i]);
    EXPECT_EQ(3, firstBoxAt(boxes, kCometItemCount, 100, 60));
}

TEST(PopupHitTest, LParamCoordinatesAreUnsigned16Bit)
{
    const ClientPoint p = pointFromLParam(0x0033'00F0u);
    EXPECT_EQ(240, p.x);
    EXPECT_EQ(51, p.y);
    // A point left of or above the window (negative) reads as a large coordinate: no item.
    const ClientPoint q = pointFromLParam(0xFFFF'FFFEu);
    EXPECT_EQ(65534, q.x);
    EXPECT_EQ(65535, q.y);
}

} // namespace
