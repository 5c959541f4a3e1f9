// The pop-up's window object on a real window under Wine: creation and layout, texts,
// placement, destruction, and the picture it composes from its skins, read back pixel by
// pixel from its canvas and from the window.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "comet_window.h"
#include "harness.h"
#include "paths.h"
#include "popup_title.h"
#include "res/resource.h"

namespace {

constexpr int kWidth = 280;
constexpr int kHeight = 80;
constexpr std::uint32_t kSentinel = 0x00FF00;  // green, in no skin

// Pixels as 0x00RRGGBB, top row first.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

std::uint32_t rgbOf(COLORREF c)
{
    return (std::uint32_t(GetRValue(c)) << 16) | (std::uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}

// A 32-bit top-down DIB section in a memory DC: what the tests read pixels through.
class Dib {
public:
    Dib(int width, int height) : width_(width), height_(height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        SetBkMode(dc_, TRANSPARENT);
    }
    ~Dib()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;
    HDC dc() const { return dc_; }
    void copyFrom(HDC source, int x = 0, int y = 0)
    {
        BitBlt(dc_, 0, 0, width_, height_, source, x, y, SRCCOPY);
    }
    void copyFrom(const Picture& picture)
    {
        GdiFlush();
        for (size_t i = 0; i < picture.pixels.size(); ++i)
            bits_[i] = picture.pixels[i];
    }
    Picture picture() const
    {
        GdiFlush();
        Picture p;
        p.width = width_;
        p.height = height_;
        p.pixels.assign(bits_, bits_ + size_t(width_) * height_);
        for (std::uint32_t& v : p.pixels)
            v &= 0xFFFFFF;
        return p;
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

Picture readDc(HDC dc, int width, int height)
{
    Dib dib(width, height);
    dib.copyFrom(dc);
    return dib.picture();
}

Picture canvas()
{
    return readDc(cometWindow.canvasDc, kWidth, kHeight);
}

Picture onScreen()
{
    const HDC dc = GetDC(cometWindow.hwnd);
    Picture p = readDc(dc, kWidth, kHeight);
    ReleaseDC(cometWindow.hwnd, dc);
    return p;
}

Picture skinPixels()
{
    BITMAP info = {};
    GetObjectW(cometWindow.skinBitmap, sizeof info, &info);
    return readDc(cometWindow.skinDc, info.bmWidth, info.bmHeight);
}

void fillCanvas(std::uint32_t rgb)
{
    const HBRUSH brush = CreateSolidBrush(RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF));
    RECT all = {0, 0, kWidth, kHeight};
    FillRect(cometWindow.canvasDc, &all, brush);
    DeleteObject(brush);
}

// Counts the pixels of rect (left, top, right, bottom exclusive) where a and b differ.
int differences(const Picture& a, const Picture& b, RECT area = {0, 0, kWidth, kHeight},
                std::string* first = nullptr)
{
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (a.at(x, y) == b.at(x, y))
                continue;
            if (count == 0 && first) {
                char text[96];
                snprintf(text, sizeof text, "first at (%d,%d): %06x vs %06x", x, y,
                         unsigned(a.at(x, y)), unsigned(b.at(x, y)));
                *first = text;
            }
            ++count;
        }
    }
    return count;
}

// The same, leaving out the four corner pixels that the rounded outline cuts off.
int insideOutlineDifferences(const Picture& a, const Picture& b, std::string* first)
{
    const int corners = (a.at(0, 0) != b.at(0, 0)) + (a.at(kWidth - 1, 0) != b.at(kWidth - 1, 0)) +
                        (a.at(0, kHeight - 1) != b.at(0, kHeight - 1)) +
                        (a.at(kWidth - 1, kHeight - 1) != b.at(kWidth - 1, kHeight - 1));
    return differences(a, b, {0, 0, kWidth, kHeight}, first) - corners;
}

bool sameArea(const Picture& a, int ax, int ay, const Picture& b, int bx, int by, int w, int h)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (a.at(ax + x, ay + y) != b.at(bx + x, by + y))
                return false;
    return true;
}

// The frame of a 280 x 80 window as the nine-slice table gives it: skin columns 0-34 and
// 45-79 unscaled at the sides, 35-44 widened 21 times; rows 0-24 and 30-59 unscaled, 25-29
// heightened 5 times. Key colour in a corner piece leaves `beneath`.
Picture expectedFrame(const Picture& skin, const Picture& beneath)
{
    Picture p = beneath;
    for (int y = 0; y < kHeight; ++y) {
        const int sy = y < 25 ? y : y < 50 ? 25 + (y - 25) / 5 : y - 20;
        for (int x = 0; x < kWidth; ++x) {
            const int sx = x < 35 ? x : x < 245 ? 35 + (x - 35) / 21 : x - 200;
            const bool corner = (x < 35 || x >= 245) && (y < 25 || y >= 50);
            const std::uint32_t source = skin.at(sx, sy);
            if (!(corner && source == rgbOf(kKeyColour)))
                p.pixels[size_t(y) * kWidth + x] = source;
        }
    }
    return p;
}

Picture uniform(std::uint32_t rgb)
{
    Picture p;
    p.width = kWidth;
    p.height = kHeight;
    p.pixels.assign(size_t(kWidth) * kHeight, rgb);
    return p;
}

// Dispatches what is queued; true when WM_QUIT came (with its exit code in *exitCode).
bool pumpFor(DWORD milliseconds, WPARAM* exitCode = nullptr)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                if (exitCode)
                    *exitCode = msg.wParam;
                return true;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
    return false;
}

HFONT guiFont()
{
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// A bold font made here, independently of the window object's.
HFONT makeBoldGuiFont()
{
    LOGFONTW font = {};
    GetObjectW(guiFont(), sizeof font, &font);
    font.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&font);
}

// picture with text drawn over it the way the platform draws it.
Picture withText(const Picture& under, const std::wstring& text, HFONT font, COLORREF colour,
                 RECT box, UINT format)
{
    Dib dib(kWidth, kHeight);
    dib.copyFrom(under);
    const HGDIOBJ old = SelectObject(dib.dc(), font);
    SetTextColor(dib.dc(), colour);
    DrawTextW(dib.dc(), text.c_str(), -1, &box, format);
    SelectObject(dib.dc(), old);
    return dib.picture();
}

// How many more GDI objects the process can create before the table is full. Wine answers
// 0 from GetGuiResources, so objects kept are counted as room lost.
int gdiRoomLeft()
{
    std::vector<HGDIOBJ> made;
    made.reserve(70000);
    while (made.size() < 200000) {
        const HRGN region = CreateRectRgn(0, 0, 1, 1);
        if (!region)
            break;
        made.push_back(region);
    }
    for (HGDIOBJ object : made)
        DeleteObject(object);
    return int(made.size());
}

// Windows gives a program file its own first icon because .exe files are of the class
// "exefile", whose icon is the file itself ("%1"). A fresh Wine prefix lacks the first half,
// and the shell then answers with its generic file icon; this throw-away prefix gets it.
class ProgramIconAssociation : public ::testing::Environment {
public:
    void SetUp() override
    {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, L".exe", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                            &key, nullptr) != ERROR_SUCCESS)
            return;
        wchar_t value[32] = {};
        DWORD size = sizeof value;
        if (RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS) {
            static const wchar_t exeFile[] = L"exefile";
            RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(exeFile), sizeof exeFile);
        }
        RegCloseKey(key);
    }
};
::testing::Environment* const programIconAssociation =
    ::testing::AddGlobalTestEnvironment(new ProgramIconAssociation);

class PopupWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        closeWindow();
        ASSERT_EQ(1, cometWindow.loadSkin(MAKEINTRESOURCEW(IDB_SKIN_LIGHT), 0));
    }
    void TearDown() override
    {
        closeWindow();
        if (savedIcon_) {
            cometWindow.appIcon = savedIcon_;
            savedIcon_ = nullptr;
        }
    }
    static void closeWindow()
    {
        if (cometWindow.isAlive())
            DestroyWindow(cometWindow.hwnd);
        pumpFor(0);
        cometWindow.setQuitOnDestroy(0);
    }
    static void createDefault(const wchar_t* title = L"P1  V1.3.3", int height = kHeight)
    {
        ASSERT_EQ(1, cometWindow.create(kPopupClassName, title, kWidth, height));
    }
    // After create, which would fetch the icon again.
    void hideIcon()
    {
        savedIcon_ = cometWindow.appIcon;
        cometWindow.appIcon = nullptr;
    }
    // The canvas composed afresh over the sentinel colour.
    static Picture composedOverSentinel()
    {
        cometWindow.redraw();
        fillCanvas(kSentinel);
        EXPECT_EQ(1, cometWindow.compose());
        return canvas();
    }

    HICON savedIcon_ = nullptr;
};

TEST_F(PopupWindow, CreateMakesTheHiddenToolWindowWithFourItemsByTheLayoutTable)
{
    createDefault();
    const HWND window = cometWindow.hwnd;
    ASSERT_TRUE(IsWindow(window));

    wchar_t text[64] = {};
    GetClassNameW(window, text, 64);
    EXPECT_STREQ(L"tavikWD", text);
    GetWindowTextW(window, text, 64);
    EXPECT_STREQ(L"P1  V1.3.3", text);
    EXPECT_FALSE(IsWindowVisible(window));
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_EQ(WS_POPUP | WS_SYSMENU, style & (WS_POPUP | WS_SYSMENU | WS_CAPTION | WS_THICKFRAME));
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    EXPECT_EQ(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(0, rect.left);
    EXPECT_EQ(0, rect.top);
    EXPECT_EQ(kWidth, rect.right);
    EXPECT_EQ(kHeight, rect.bottom);
    EXPECT_EQ(&cometWindow, GetPropW(window, L"CometClassPtr"));

    ASSERT_EQ(4, cometWindow.itemCount);
    const RECT bounds[] = {{240, 1, 280, 19}, {225, 55, 275, 75}, {8, 26, 272, 46}, {8, 51, 272, 45}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const CometItem& item = cometWindow.items[i];
        EXPECT_EQ(i, item.kind);
        EXPECT_EQ(bounds[i].left, item.bounds.left);
        EXPECT_EQ(bounds[i].top, item.bounds.top);
        EXPECT_EQ(bounds[i].right, item.bounds.right);
        EXPECT_EQ(bounds[i].bottom, item.bounds.bottom);
        EXPECT_EQ(item.x, item.bounds.left);
        EXPECT_EQ(item.y + item.height, item.bounds.bottom);
        EXPECT_STREQ(L"", item.text);
    }

    // The rounded outline leaves the outermost corner pixels out.
    const HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(window, region));
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_FALSE(PtInRegion(region, kWidth - 1, kHeight - 1));
    EXPECT_TRUE(PtInRegion(region, 2, 2));
    EXPECT_TRUE(PtInRegion(region, 140, 0));
    EXPECT_TRUE(PtInRegion(region, kWidth - 1, 40));
    DeleteObject(region);

    // A second create while the window lives changes nothing.
    CometItem* items = cometWindow.items;
    EXPECT_EQ(0, cometWindow.create(kPopupClassName, L"other", 300, 100));
    EXPECT_EQ(window, cometWindow.hwnd);
    EXPECT_EQ(items, cometWindow.items);
    EXPECT_EQ(4, cometWindow.itemCount);
    GetWindowTextW(window, text, 64);
    EXPECT_STREQ(L"P1  V1.3.3", text);
}

TEST_F(PopupWindow, SetTextsNeedsTheItemsAndWorksWhileHidden)
{
    joinTexts(cometWindow.linkTarget, kCometTextCapacity, L"before", L"");
    EXPECT_EQ(0, cometWindow.setTexts(L"message", L"detail", L"link"));
    EXPECT_STREQ(L"before", cometWindow.linkTarget);
    cometWindow.linkTarget[0] = L'\0';

    createDefault();
    EXPECT_EQ(1, cometWindow.setTexts(L"Cutter is stucked", L"detail", L"https://example.invalid/"));
    EXPECT_FALSE(IsWindowVisible(cometWindow.hwnd));
    EXPECT_STREQ(L"Cutter is stucked", cometWindow.items[MessageText].text);
    EXPECT_STREQ(L"detail", cometWindow.items[DetailText].text);
    EXPECT_STREQ(L"", cometWindow.items[CloseButton].text);
    EXPECT_STREQ(L"", cometWindow.items[ViewButton].text);
    EXPECT_STREQ(L"https://example.invalid/", cometWindow.linkTarget);
    // Composed for later, though nothing is on screen yet.
    EXPECT_NE(nullptr, cometWindow.canvasDc);

    // A text too long for its item is not kept at all: a cut link would open something else.
    const std::wstring longest(kCometTextCapacity - 1, L'x');
    const std::wstring tooLong = longest + L"y";
    EXPECT_EQ(1, cometWindow.setTexts(longest.c_str(), tooLong.c_str(), longest.c_str()));
    EXPECT_EQ(longest, cometWindow.items[MessageText].text);
    EXPECT_STREQ(L"", cometWindow.items[DetailText].text);
    EXPECT_EQ(longest, cometWindow.linkTarget);
    cometWindow.setTexts(L"", L"", tooLong.c_str());
    EXPECT_STREQ(L"", cometWindow.linkTarget);
}

TEST_F(PopupWindow, DestroyingTheWindowReleasesItemsAndCanvasAndQuitsOnlyWhenAsked)
{
    createDefault();
    cometWindow.setTexts(L"message", L"", L"link");
    cometWindow.hoverIndex = 2;
    cometWindow.pressedIndex = 0;
    cometWindow.trackingMouse = 1;
    const HDC canvasDc = cometWindow.canvasDc;
    const HBITMAP canvasBitmap = cometWindow.canvasBitmap;
    ASSERT_NE(nullptr, canvasDc);
    const HWND window = cometWindow.hwnd;

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(pumpFor(300)) << "the loop ended without quitOnDestroy";
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(0, cometWindow.itemCount);
    EXPECT_EQ(nullptr, cometWindow.items);
    EXPECT_EQ(-1, cometWindow.hoverIndex);
    EXPECT_EQ(-1, cometWindow.pressedIndex);
    EXPECT_EQ(0, cometWindow.trackingMouse);
    EXPECT_STREQ(L"", cometWindow.linkTarget);
    EXPECT_EQ(nullptr, cometWindow.canvasDc);
    // Selected out first, so really deleted (a selected bitmap would outlive DeleteObject).
    EXPECT_EQ(0u, GetObjectType(canvasBitmap));
    EXPECT_EQ(0u, GetObjectType(canvasDc));
    EXPECT_NE(nullptr, cometWindow.skinDc);
    EXPECT_EQ(0, cometWindow.setTexts(L"late", L"", L""));

    EXPECT_EQ(window, cometWindow.hwnd);  // stale until asked
    EXPECT_EQ(0, cometWindow.isAlive());
    EXPECT_EQ(nullptr, cometWindow.hwnd);

    // A new window of the same class, this time ending the loop.
    createDefault();
    cometWindow.setQuitOnDestroy(1);
    PostMessageW(cometWindow.hwnd, WM_CLOSE, 0, 0);
    WPARAM exitCode = 99;
    EXPECT_TRUE(pumpFor(5000, &exitCode));
    EXPECT_EQ(0u, exitCode);
}

TEST_F(PopupWindow, ShowAtCornerMeetsTheWorkAreaNotTheScreen)
{
    RECT saved = {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &saved, 0));
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT work = {0, 0, screenWidth - 90, screenHeight - 50};
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &work, 0);
    RECT now = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &now, 0);
    if (now.right != work.right || now.bottom != work.bottom) {
        SystemParametersInfoW(SPI_SETWORKAREA, 0, &saved, 0);
        GTEST_SKIP() << "this Wine keeps no work area set with SPI_SETWORKAREA";
    }

    createDefault();
    cometWindow.setTexts(L"Printer connected", L"", L"");
    cometWindow.showAtCorner();
    RECT rect = {};
    GetWindowRect(cometWindow.hwnd, &rect);
    SystemParametersInfoW(SPI_SETWORKAREA, 0, &saved, 0);

    EXPECT_TRUE(IsWindowVisible(cometWindow.hwnd));
    EXPECT_EQ(work.right, rect.right);
    EXPECT_EQ(work.bottom, rect.bottom);
    EXPECT_EQ(kWidth, rect.right - rect.left);
    EXPECT_EQ(kHeight, rect.bottom - rect.top);
}

// What a person and the service can see of a shown pop-up.
struct ShownState {
    RECT rect = {};
    bool visible = false, active = false, foreground = false, topmost = false;
    Picture pixels;
};

ShownState shownState()
{
    pumpFor(200);
    ShownState state;
    GetWindowRect(cometWindow.hwnd, &state.rect);
    state.visible = IsWindowVisible(cometWindow.hwnd) != 0;
    state.active = GetActiveWindow() == cometWindow.hwnd;
    state.foreground = GetForegroundWindow() == cometWindow.hwnd;
    state.topmost = (GetWindowLongW(cometWindow.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    state.pixels = onScreen();
    return state;
}

TEST_F(PopupWindow, ShowAtCornerEndsAsAMoveWhileHiddenThenAShowWould)
{
    // The long way: the hidden window moved to the corner, then shown and painted.
    createDefault();
    cometWindow.setTexts(L"Printer connected", L"", L"");
    RECT client = {};
    GetClientRect(cometWindow.hwnd, &client);
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(cometWindow.hwnd, nullptr, work.right - client.right, work.bottom - client.bottom, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW);
    ShowWindow(cometWindow.hwnd, SW_SHOW);
    UpdateWindow(cometWindow.hwnd);
    const ShownState expected = shownState();
    closeWindow();

    createDefault();
    cometWindow.setTexts(L"Printer connected", L"", L"");
    cometWindow.showAtCorner();
    const ShownState actual = shownState();

    EXPECT_TRUE(EqualRect(&expected.rect, &actual.rect));
    EXPECT_EQ(work.right, actual.rect.right);
    EXPECT_EQ(work.bottom, actual.rect.bottom);
    EXPECT_TRUE(actual.visible);
    EXPECT_EQ(expected.active, actual.active);
    EXPECT_EQ(expected.foreground, actual.foreground);
    EXPECT_EQ(expected.topmost, actual.topmost);
    std::string first;
    EXPECT_EQ(0, insideOutlineDifferences(expected.pixels, actual.pixels, &first)) << first;
}

TEST_F(PopupWindow, FramePiecesComeFromTheSkinByTheNineSliceTable)
{
    // A skin whose frame pixels all differ, with key colour in every kind of piece.
    createDefault(L"");
    hideIcon();
    HDC skin = cometWindow.skinDc;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            SetPixelV(skin, x, y, RGB(x * 3, y * 4, 100 + (x * 7 + y) % 150));
    const POINT keyed[] = {
        {0, 0}, {3, 4}, {79, 0}, {60, 20}, {0, 59}, {10, 45}, {79, 59}, {50, 40},  // corners
        {40, 10}, {38, 27}, {10, 27}, {40, 40}, {60, 28},                          // edges, centre
    };
    for (const POINT& p : keyed)
        SetPixelV(skin, p.x, p.y, kKeyColour);

    const Picture composed = composedOverSentinel();
    const Picture expected = expectedFrame(skinPixels(), uniform(kSentinel));
    std::string first;
    // Everything but the close button, which covers the frame's top-right.
    EXPECT_EQ(0, differences(expected, composed, {0, 0, 240, 80}, &first)) << first;
    EXPECT_EQ(0, differences(expected, composed, {240, 19, 280, 80}, &first)) << first;
    EXPECT_EQ(0, differences(expected, composed, {240, 0, 280, 1}, &first)) << first;

    // The points themselves: keyed corners let the canvas show, keyed edges are magenta.
    EXPECT_EQ(kSentinel, composed.at(0, 0));
    EXPECT_EQ(kSentinel, composed.at(3, 4));
    EXPECT_EQ(kSentinel, composed.at(0, 79));
    EXPECT_EQ(kSentinel, composed.at(279, 79));
    EXPECT_EQ(kSentinel, composed.at(10, 65));   // skin (10,45)
    EXPECT_EQ(kSentinel, composed.at(250, 60));  // skin (50,40)
    const std::uint32_t magenta = rgbOf(kKeyColour);
    for (int x = 35 + 5 * 21; x < 35 + 6 * 21; ++x)  // skin (40,10): 21 columns of row 10
        EXPECT_EQ(magenta, composed.at(x, 10)) << x;
    for (int y = 35; y < 40; ++y)  // skin (38,27) and (10,27): 5 rows each
        EXPECT_TRUE(composed.at(35 + 3 * 21, y) == magenta && composed.at(10, y) == magenta) << y;
    EXPECT_EQ(magenta, composed.at(35 + 5 * 21 + 7, 60));  // skin (40,40), bottom edge
    EXPECT_EQ(magenta, composed.at(260, 40));             // skin (60,28), right edge
    // The band: skin rows 25-29 become window rows 25-49, five each.
    for (int y = 25; y < 50; ++y)
        EXPECT_EQ(skinPixels().at(20, 25 + (y - 25) / 5), composed.at(20, y)) << y;

    ASSERT_EQ(1, cometWindow.loadSkin(MAKEINTRESOURCEW(IDB_SKIN_LIGHT), 0));
}

TEST_F(PopupWindow, LightSkinLooksAsDrawnAndShowsNoViewButton)
{
    createDefault(L"");
    hideIcon();
    const Picture composed = composedOverSentinel();
    const Picture skin = skinPixels();
    ASSERT_EQ(150, skin.width);
    ASSERT_EQ(80, skin.height);
    const Picture expected = expectedFrame(skin, uniform(kSentinel));
    std::string first;
    EXPECT_EQ(0, differences(expected, composed, {0, 0, 240, 80}, &first)) << first;

    struct Point {
        int x, y;
        std::uint32_t rgb;
    };
    const Point points[] = {
        {0, 0, kSentinel}, {279, 0, kSentinel}, {0, 79, kSentinel}, {279, 79, kSentinel},
        {0, 40, 0x1D465B}, {279, 40, 0x1D465B}, {140, 0, 0x1D465B}, {140, 79, 0x1D465B},
        {140, 1, 0x55A4CA}, {140, 23, 0xF2F7F9}, {140, 25, 0xF2F7F9}, {140, 49, 0xF2F7F9},
        {140, 50, 0xB2DDF5}, {140, 51, 0xFFFFFF}, {140, 60, 0xF2F7F9},
    };
    for (const Point& p : points)
        EXPECT_EQ(p.rgb, composed.at(p.x, p.y)) << p.x << "," << p.y;

    // Skin 129 has no view-button row: the frame shows there, whatever the state.
    for (int state = -1; state <= 1; ++state) {
        cometWindow.hoverIndex = state == 0 ? 1 : -1;
        cometWindow.pressedIndex = state == 1 ? 1 : -1;
        const Picture now = composedOverSentinel();
        EXPECT_EQ(0, differences(expected, now, {225, 55, 275, 75}, &first)) << state << " " << first;
    }
}

struct ButtonState {
    int hover, pressed;
    int closeColumn, viewColumn;
};

class PopupButtons : public PopupWindow, public ::testing::WithParamInterface<int> {};

TEST_P(PopupButtons, ShowTheirCellForTheStatePressedBeforeHover)
{
    const int resource = GetParam();
    ASSERT_EQ(1, cometWindow.loadSkin(MAKEINTRESOURCEW(resource), 0));
    createDefault(L"");
    const Picture skin = skinPixels();
    // The three cells differ, so a wrong cell cannot pass.
    EXPECT_FALSE(sameArea(skin, 0, 60, skin, 40, 60, 40, 18));
    EXPECT_FALSE(sameArea(skin, 40, 60, skin, 80, 60, 40, 18));
    const bool hasViewRow = skin.height >= 100;
    if (hasViewRow) {
        EXPECT_FALSE(sameArea(skin, 0, 80, skin, 50, 80, 50, 20));
        EXPECT_FALSE(sameArea(skin, 50, 80, skin, 100, 80, 50, 20));
    }

    const ButtonState states[] = {
        {-1, -1, 0, 0}, {0, -1, 40, 0}, {-1, 0, 80, 0}, {0, 0, 80, 0},
        {1, -1, 0, 50}, {-1, 1, 0, 100}, {1, 1, 0, 100}, {1, 0, 80, 50}, {0, 1, 40, 100},
        {2, -1, 0, 0},
    };
    for (const ButtonState& s : states) {
        SCOPED_TRACE(testing::Message() << "hover " << s.hover << " pressed " << s.pressed);
        cometWindow.hoverIndex = s.hover;
        cometWindow.pressedIndex = s.pressed;
        ASSERT_EQ(1, cometWindow.redraw());
        const Picture now = canvas();
        EXPECT_TRUE(sameArea(now, 240, 1, skin, s.closeColumn, 60, 40, 18));
        if (hasViewRow) {
            EXPECT_TRUE(sameArea(now, 225, 55, skin, s.viewColumn, 80, 50, 20));
        }
    }
    ASSERT_EQ(1, cometWindow.loadSkin(MAKEINTRESOURCEW(IDB_SKIN_LIGHT), 0));
}

INSTANTIATE_TEST_SUITE_P(Skins, PopupButtons,
                         ::testing::Values(IDB_SKIN_LIGHT, IDB_SKIN_CYAN, IDB_SKIN_BLUE));

Picture iconPicture(HICON icon)
{
    Dib dib(16, 16);
    RECT all = {0, 0, 16, 16};
    FillRect(dib.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(dib.dc(), 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    return dib.picture();
}

// The pop-up takes its small icon from its own icon resource rather than asking the shell,
// which is slow to start: the user must still see exactly what the shell shows for the program.
TEST_F(PopupWindow, IconIsTheOneTheShellShowsForTheProgram)
{
    createDefault(L"");
    ASSERT_NE(nullptr, cometWindow.appIcon);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(cometWindow.appIcon, &info));
    BITMAP mask = {};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), mask.bmWidth) << "loaded at the small-icon size";
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);

    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    SHFILEINFOW shell = {};
    ASSERT_NE(0u, SHGetFileInfoW(path, FILE_ATTRIBUTE_NORMAL, &shell, sizeof shell,
                                 SHGFI_ICON | SHGFI_SMALLICON));
    ASSERT_NE(nullptr, shell.hIcon);
    EXPECT_EQ(iconPicture(shell.hIcon).pixels, iconPicture(cometWindow.appIcon).pixels);

    // And so is what the pop-up draws in its title band.
    const Picture withIcon = composedOverSentinel();
    hideIcon();
    Dib dib(kWidth, kHeight);
    dib.copyFrom(composedOverSentinel());
    DrawIconEx(dib.dc(), 8, 5, shell.hIcon, 16, 16, 0, nullptr, DI_NORMAL);
    std::string first;
    EXPECT_EQ(0, differences(dib.picture(), withIcon, {0, 0, kWidth, kHeight}, &first)) << first;
    DestroyIcon(shell.hIcon);

    // Not the shell's icon for any file.
    SHFILEINFOW generic = {};
    SHGetFileInfoW(L"any.dat", FILE_ATTRIBUTE_NORMAL, &generic, sizeof generic,
                   SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    ASSERT_NE(nullptr, generic.hIcon);
    EXPECT_NE(iconPicture(generic.hIcon).pixels, iconPicture(savedIcon_).pixels);
    DestroyIcon(generic.hIcon);
}

TEST_F(PopupWindow, TitleHasTheIconAtEightFiveAndTheTextAfterIt)
{
    createDefault(L"");
    ASSERT_NE(nullptr, cometWindow.appIcon) << "the test program has an icon of its own";
    const Picture withIcon = composedOverSentinel();
    const HICON icon = cometWindow.appIcon;
    hideIcon();
    const Picture bare = composedOverSentinel();
    Dib dib(kWidth, kHeight);
    dib.copyFrom(bare);
    DrawIconEx(dib.dc(), 8, 5, icon, 16, 16, 0, nullptr, DI_NORMAL);
    std::string first;
    EXPECT_GT(differences(bare, withIcon), 0);
    EXPECT_EQ(0, differences(dib.picture(), withIcon, {0, 0, kWidth, kHeight}, &first)) << first;

    const std::wstring title = L"P1  V1.3.3";
    SetWindowTextW(cometWindow.hwnd, title.c_str());
    const Picture noIcon = composedOverSentinel();
    EXPECT_EQ(0, differences(withText(bare, title, guiFont(), 0, {8, 5, 230, 21}, kTitleFormat), noIcon,
                             {0, 0, kWidth, kHeight}, &first)) << first;

    cometWindow.appIcon = icon;
    savedIcon_ = nullptr;
    const Picture both = composedOverSentinel();
    EXPECT_EQ(0, differences(withText(withIcon, title, guiFont(), 0, {33, 5, 230, 21}, kTitleFormat), both,
                             {0, 0, kWidth, kHeight}, &first)) << first;
    // Black with title colour 0.
    int black = 0;
    for (int y = 5; y < 21; ++y)
        for (int x = 33; x < 230; ++x)
            black += both.at(x, y) == 0;
    EXPECT_GT(black, 10);

    // The title colour comes from the skin's loading.
    ASSERT_EQ(1, cometWindow.loadSkin(MAKEINTRESOURCEW(IDB_SKIN_LIGHT), RGB(160, 20, 30)));
    const Picture red = composedOverSentinel();
    EXPECT_EQ(0, differences(withText(withIcon, title, guiFont(), RGB(160, 20, 30), {33, 5, 230, 21},
                                      kTitleFormat), red, {0, 0, kWidth, kHeight}, &first)) << first;
}

TEST_F(PopupWindow, LongTitleEndsWithAnEllipsisOnOneLineAndAmpersandIsLiteral)
{
    createDefault(L"");
    hideIcon();
    const Picture bare = composedOverSentinel();
    std::string first;

    std::wstring longTitle;
    for (int i = 0; i < 12; ++i)
        longTitle += L"Warehouse-printer ";
    longTitle += L" V1.3.3";
    SetWindowTextW(cometWindow.hwnd, longTitle.c_str());
    const Picture composed = composedOverSentinel();

    // What the platform makes of the title in that rectangle and font.
    std::vector<wchar_t> shown(longTitle.begin(), longTitle.end());
    shown.resize(shown.size() + 8, L'\0');
    RECT box = {8, 5, 230, 21};
    Dib measure(kWidth, kHeight);
    const HGDIOBJ old = SelectObject(measure.dc(), guiFont());
    DrawTextW(measure.dc(), shown.data(), -1, &box, kTitleFormat | DT_MODIFYSTRING | DT_CALCRECT);
    SelectObject(measure.dc(), old);
    const std::wstring cut = shown.data();
    ASSERT_LT(cut.size(), longTitle.size());
    EXPECT_EQ(L"...", cut.substr(cut.size() - 3));
    EXPECT_EQ(0, differences(withText(bare, cut, guiFont(), 0, {8, 5, 230, 21},
                                      DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX), composed,
                             {0, 0, kWidth, kHeight}, &first)) << first;
    // One line: nothing changed outside the title rectangle.
    EXPECT_EQ(0, differences(bare, composed, {0, 21, 240, 80}));
    EXPECT_EQ(0, differences(bare, composed, {230, 0, 240, 21}));

    const std::wstring ampersand = L"A&B  V1.3.3";
    SetWindowTextW(cometWindow.hwnd, ampersand.c_str());
    const Picture literal = composedOverSentinel();
    EXPECT_EQ(0, differences(withText(bare, ampersand, guiFont(), 0, {8, 5, 230, 21}, kTitleFormat),
                             literal, {0, 0, kWidth, kHeight}, &first)) << first;
    EXPECT_GT(differences(withText(bare, ampersand, guiFont(), 0, {8, 5, 230, 21},
                                   kTitleFormat & ~UINT(DT_NOPREFIX)), literal), 0);
}

TEST_F(PopupWindow, MessageIsBoldCentredAndLightsUpWhileHovered)
{
    createDefault(L"");
    hideIcon();
    const Picture bare = composedOverSentinel();
    const HFONT bold = makeBoldGuiFont();
    const std::wstring message = L"Cutter is stucked";
    const RECT bounds = {8, 26, 272, 46};
    std::string first;

    cometWindow.setTexts(message.c_str(), L"", L"");
    const Picture plain = composedOverSentinel();
    EXPECT_EQ(0, differences(withText(bare, message, bold, RGB(12, 78, 124), bounds, kMessageFormat),
                             plain, {0, 0, kWidth, kHeight}, &first)) << first;
    EXPECT_GT(differences(withText(bare, message, guiFont(), RGB(12, 78, 124), bounds, kMessageFormat),
                          plain), 0) << "drawn in the bold font";
    // Centred: as much room left of the text as right of it.
    int left = kWidth, right = -1;
    for (int y = 26; y < 46; ++y) {
        for (int x = 8; x < 272; ++x) {
            if (plain.at(x, y) != bare.at(x, y)) {
                left = x < left ? x : left;
                right = x > right ? x : right;
            }
        }
    }
    ASSERT_GE(right, left);
    EXPECT_NEAR(left - 8, 271 - right, 2);

    cometWindow.hoverIndex = MessageText;
    const Picture hovered = composedOverSentinel();
    EXPECT_EQ(0, differences(withText(bare, message, bold, RGB(22, 122, 235), bounds, kMessageFormat),
                             hovered, {0, 0, kWidth, kHeight}, &first)) << first;
    cometWindow.hoverIndex = -1;

    // A detail line at height 80 has no room: it draws nothing, even when not empty.
    cometWindow.setTexts(message.c_str(), L"Replace the cutter blade", L"");
    EXPECT_EQ(0, differences(plain, composedOverSentinel()));
    cometWindow.setTexts(L"", L"", L"");
    EXPECT_EQ(0, differences(bare, composedOverSentinel()));
    DeleteObject(bold);
}

TEST_F(PopupWindow, DetailLineIsDrawnWhereTheWindowLeavesRoomForIt)
{
    ASSERT_EQ(1, cometWindow.create(kPopupClassName, L"", kWidth, 140));
    hideIcon();
    cometWindow.redraw();
    Picture bare = readDc(cometWindow.canvasDc, kWidth, kHeight);
    const std::wstring detail = L"Open the cover and take the stuck label out of the cutter";
    cometWindow.setTexts(L"", detail.c_str(), L"");
    const Picture withDetail = readDc(cometWindow.canvasDc, kWidth, kHeight);
    std::string first;
    EXPECT_EQ(0, differences(withText(bare, detail, guiFont(), RGB(12, 78, 124), {8, 51, 272, 105},
                                      kDetailFormat), withDetail, {0, 0, kWidth, kHeight}, &first)) << first;
    EXPECT_GT(differences(bare, withDetail), 0);
}

TEST_F(PopupWindow, LoadSkinBeforeTheWindowAndWithAMissingIdentifier)
{
    // No window: installed, nothing drawn.
    EXPECT_EQ(1, cometWindow.loadSkin(MAKEINTRESOURCEW(IDB_SKIN_BLUE), RGB(1, 2, 3)));
    EXPECT_EQ(nullptr, cometWindow.canvasDc);
    EXPECT_EQ(RGB(1, 2, 3), cometWindow.titleColor);
    BITMAP info = {};
    GetObjectW(cometWindow.skinBitmap, sizeof info, &info);
    EXPECT_EQ(150, info.bmWidth);
    EXPECT_EQ(100, info.bmHeight);

    createDefault();
    cometWindow.setTexts(L"Printer connected", L"", L"");
    const Picture before = canvas();
    const HBITMAP skin = cometWindow.skinBitmap;
    EXPECT_EQ(0, cometWindow.loadSkin(MAKEINTRESOURCEW(999), RGB(9, 9, 9)));
    EXPECT_EQ(skin, cometWindow.skinBitmap);
    EXPECT_EQ(RGB(1, 2, 3), cometWindow.titleColor);
    EXPECT_EQ(0, differences(before, canvas()));
}

TEST_F(PopupWindow, ShownWindowShowsTheCanvasAndASecondSkinAtOnce)
{
    createDefault();
    cometWindow.setTexts(L"Printer connected", L"", L"");
    cometWindow.showAtCorner();
    pumpFor(200);
    std::string first;
    EXPECT_EQ(0, insideOutlineDifferences(canvas(), onScreen(), &first)) << first;
    EXPECT_EQ(0xF2F7F9u, onScreen().at(140, 65));

    // Painting copies the canvas as it stands, only where asked.
    fillCanvas(kSentinel);
    RECT part = {100, 30, 140, 60};
    InvalidateRect(cometWindow.hwnd, &part, FALSE);
    UpdateWindow(cometWindow.hwnd);
    const Picture painted = onScreen();
    EXPECT_EQ(kSentinel, painted.at(100, 30));
    EXPECT_EQ(kSentinel, painted.at(139, 59));
    EXPECT_NE(kSentinel, painted.at(99, 30));
    EXPECT_NE(kSentinel, painted.at(140, 59));

    const HBITMAP oldSkin = cometWindow.skinBitmap;
    const HDC skinDc = cometWindow.skinDc;
    ASSERT_EQ(1, cometWindow.loadSkin(MAKEINTRESOURCEW(IDB_SKIN_CYAN), RGB(0, 0, 128)));
    // Redrawn at once, no message needed.
    EXPECT_EQ(0xB8E5EBu, onScreen().at(140, 65));
    EXPECT_EQ(0, insideOutlineDifferences(canvas(), onScreen(), &first)) << first;
    EXPECT_EQ(RGB(0, 0, 128), cometWindow.titleColor);
    EXPECT_EQ(skinDc, cometWindow.skinDc);
    EXPECT_EQ(0u, GetObjectType(oldSkin)) << "the old skin was selected out and deleted";
    EXPECT_EQ(cometWindow.skinBitmap, GetCurrentObject(skinDc, OBJ_BITMAP));
}

TEST_F(PopupWindow, WithoutAnySkinTheWindowShowsTheButtonFace)
{
    cometWindow.releaseSkin();
    EXPECT_EQ(nullptr, cometWindow.skinDc);
    createDefault();
    EXPECT_EQ(1, cometWindow.setTexts(L"Printer connected", L"", L""));
    cometWindow.showAtCorner();
    pumpFor(200);
    EXPECT_EQ(nullptr, cometWindow.canvasDc);
    EXPECT_EQ(0, cometWindow.redraw());
    const std::uint32_t face = rgbOf(GetSysColor(COLOR_BTNFACE));
    const Picture shown = onScreen();
    const POINT points[] = {{5, 5}, {140, 10}, {140, 36}, {250, 10}, {250, 65}, {20, 70}, {274, 40}};
    for (const POINT& p : points)
        EXPECT_EQ(face, shown.at(p.x, p.y)) << p.x << "," << p.y;

    ASSERT_EQ(1, cometWindow.loadSkin(MAKEINTRESOURCEW(IDB_SKIN_LIGHT), 0));
    EXPECT_EQ(0x1D465Bu, onScreen().at(0, 40));
}

TEST_F(PopupWindow, KeepsNoGdiObjectsOnceAWindowHasComeAndGone)
{
    auto cycle = [](int redraws) {
        createDefault();
        cometWindow.setTexts(L"Printer connected", L"detail", L"");
        cometWindow.showAtCorner();
        for (int i = 0; i < redraws; ++i) {
            cometWindow.hoverIndex = i % 4 - 1;
            cometWindow.pressedIndex = (i / 4) % 3 - 1;
            cometWindow.redraw();
            if (i % 100 == 50)
                cometWindow.loadSkin(MAKEINTRESOURCEW(i % 200 == 50 ? IDB_SKIN_CYAN : IDB_SKIN_LIGHT), 0);
        }
        pumpFor(50);
        DestroyWindow(cometWindow.hwnd);
        pumpFor(50);
    };
    cycle(10);  // the icon, the class and the skin are made once and kept
    const int before = gdiRoomLeft();
    ASSERT_GT(before, 1000);

    // The count sees what is kept.
    HBRUSH kept[10];
    for (HBRUSH& brush : kept)
        brush = CreateSolidBrush(RGB(1, 2, 3));
    EXPECT_EQ(before - 10, gdiRoomLeft());
    for (HBRUSH brush : kept)
        DeleteObject(brush);

    for (int round = 0; round < 3; ++round)
        cycle(400);
    EXPECT_EQ(before, gdiRoomLeft());
}

// Makes every CreateCompatibleDC of this program fail while it lives: the window object,
// linked in here, reaches gdi32 through this program's import slot.
extern "C" decltype(&CreateCompatibleDC) __imp_CreateCompatibleDC;

class FailingCreateCompatibleDc {
public:
    FailingCreateCompatibleDc() : saved_(__imp_CreateCompatibleDC) { set(failing); }
    ~FailingCreateCompatibleDc() { set(saved_); }
    FailingCreateCompatibleDc(const FailingCreateCompatibleDc&) = delete;
    FailingCreateCompatibleDc& operator=(const FailingCreateCompatibleDc&) = delete;

private:
    static HDC WINAPI failing(HDC) { return nullptr; }
    static void set(decltype(&CreateCompatibleDC) function)
    {
        DWORD protection = 0;
        VirtualProtect(&__imp_CreateCompatibleDC, sizeof function, PAGE_READWRITE, &protection);
        __imp_CreateCompatibleDC = function;
        VirtualProtect(&__imp_CreateCompatibleDC, sizeof function, protection, &protection);
    }

    decltype(&CreateCompatibleDC) saved_;
};

TEST_F(PopupWindow, KeepsNoBitmapWhenAMemoryContextCannotBeMade)
{
    cometWindow.releaseSkin();
    int before = gdiRoomLeft();
    {
        FailingCreateCompatibleDc failing;
        EXPECT_EQ(0, cometWindow.loadSkin(MAKEINTRESOURCEW(IDB_SKIN_CYAN), 0));
    }
    EXPECT_EQ(nullptr, cometWindow.skinBitmap);
    EXPECT_EQ(before, gdiRoomLeft()) << "the loaded skin bitmap was kept";

    ASSERT_EQ(1, cometWindow.loadSkin(MAKEINTRESOURCEW(IDB_SKIN_CYAN), 0));
    createDefault();
    ASSERT_EQ(nullptr, cometWindow.canvasDc);
    before = gdiRoomLeft();
    {
        FailingCreateCompatibleDc failing;
        EXPECT_EQ(0, cometWindow.compose());
    }
    EXPECT_EQ(nullptr, cometWindow.canvasBitmap);
    EXPECT_EQ(before, gdiRoomLeft()) << "the canvas bitmap was kept";
    // Made once it can be.
    EXPECT_EQ(1, cometWindow.compose());
    EXPECT_NE(nullptr, cometWindow.canvasDc);
}

// The window finds its object through a string property, which holds a reference to its atom
// until it is removed: by the window itself, before it is gone.
WNDPROC objectProc = nullptr;
HANDLE propertyAfterNcDestroy = nullptr;
bool ncDestroySeen = false;

LRESULT CALLBACK watchNcDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CallWindowProcW(objectProc, window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ncDestroySeen = true;
        propertyAfterNcDestroy = GetPropW(window, kCometPropertyName);
    }
    return result;
}

TEST_F(PopupWindow, RemovesItsPropertyBeforeTheWindowIsGone)
{
    createDefault();
    const HWND window = cometWindow.hwnd;
    ASSERT_EQ(&cometWindow, GetPropW(window, kCometPropertyName));
    objectProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watchNcDestroy)));
    ASSERT_NE(nullptr, objectProc);
    ncDestroySeen = false;
    propertyAfterNcDestroy = &cometWindow;
    DestroyWindow(window);
    EXPECT_TRUE(ncDestroySeen);
    EXPECT_EQ(nullptr, propertyAfterNcDestroy) << "the window went with its property still set";
}

// ---- Mouse input, sent through the system's input queue as a user's mouse would.

namespace input {

// Screen pixel to the normalised coordinates of an absolute move (0-65535 over the screen).
LONG normalised(int pixel, int extent)
{
    return LONG((pixel * 65536L + extent - 1) / extent);
}

void send(DWORD flags, int screenX = 0, int screenY = 0)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        in.mi.dx = normalised(screenX, GetSystemMetrics(SM_CXSCREEN));
        in.mi.dy = normalised(screenY, GetSystemMetrics(SM_CYSCREEN));
    }
    SendInput(1, &in, sizeof in);
}

void moveTo(POINT screen)
{
    send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen.x, screen.y);
}
void press()
{
    send(MOUSEEVENTF_LEFTDOWN);
}
void release()
{
    send(MOUSEEVENTF_LEFTUP);
}

} // namespace input

// Dispatches for a while, counting the clicks the window posts itself.
struct PumpResult {
    bool quit = false;
    int clicks = 0;
    WPARAM lastClick = 0;
};

PumpResult pumpCounting(DWORD milliseconds)
{
    PumpResult result;
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                result.quit = true;
                return result;
            }
            if (msg.message == WM_COMETCLICK) {
                ++result.clicks;
                result.lastClick = msg.wParam;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
    return result;
}

class PopupInput : public PopupWindow {
protected:
    void SetUp() override
    {
        PopupWindow::SetUp();
        input::moveTo({5, 5});
        pumpFor(50);
        createDefault();
        cometWindow.setTexts(L"Printer connected", L"", L"");
        cometWindow.showAtCorner();
        pumpFor(100);
        GetWindowRect(cometWindow.hwnd, &placed_);
    }
    POINT screen(int clientX, int clientY) const
    {
        return {placed_.left + clientX, placed_.top + clientY};
    }
    // Moves the pointer to a client point and lets the window see it.
    void pointAt(int clientX, int clientY)
    {
        input::moveTo(screen(clientX, clientY));
        pumpFor(60);
        POINT at = {};
        GetCursorPos(&at);
        const POINT wanted = screen(clientX, clientY);
        ASSERT_TRUE(at.x == wanted.x && at.y == wanted.y)
            << "pointer at " << at.x << "," << at.y << " instead of " << wanted.x << "," << wanted.y;
    }

    RECT placed_ = {};
};

struct PointerCase {
    const char* where;
    int x, y;
    int item;
    bool hand;
};

TEST_F(PopupInput, PointerLightsUpItemsAndChoosesTheCursor)
{
    const PointerCase cases[] = {
        {"empty title band", 140, 10, -1, false},
        {"close button", 260, 10, 0, false},
        {"message", 140, 36, 2, true},
        {"between message and detail", 140, 48, -1, false},
        {"where item 3 would be", 140, 60, -1, false},
        {"view button (undrawn with this skin)", 250, 65, 1, true},
        {"empty body", 20, 70, -1, false},
    };
    for (const PointerCase& c : cases) {
        SCOPED_TRACE(c.where);
        pointAt(c.x, c.y);
        EXPECT_EQ(c.item, cometWindow.hoverIndex);
        EXPECT_EQ(c.hand ? cometWindow.handCursor : cometWindow.arrowCursor, GetCursor());
        EXPECT_EQ(1, cometWindow.trackingMouse);
    }
}

TEST_F(PopupInput, HoverShowsTheCloseHoverCellAndTheMessageInItsHoverColour)
{
    const Picture skin = skinPixels();
    pointAt(260, 10);
    EXPECT_TRUE(sameArea(onScreen(), 240, 1, skin, 40, 60, 40, 18));

    pointAt(140, 36);
    const Picture shown = onScreen();
    EXPECT_TRUE(sameArea(shown, 240, 1, skin, 0, 60, 40, 18));
    int hoverColoured = 0, plainColoured = 0;
    for (int y = 26; y < 46; ++y) {
        for (int x = 8; x < 272; ++x) {
            hoverColoured += shown.at(x, y) == 0x167AEB;
            plainColoured += shown.at(x, y) == 0x0C4E7C;
        }
    }
    EXPECT_GT(hoverColoured, 20);
    EXPECT_EQ(0, plainColoured);

    // Leaving the window clears the hover.
    input::moveTo({5, 5});
    EXPECT_TRUE(harness::waitUntil([] {
        pumpFor(20);
        return cometWindow.hoverIndex == -1;
    }, 3000));
    EXPECT_EQ(0, cometWindow.trackingMouse);
}

TEST_F(PopupInput, PressAndReleaseOnTheCloseButtonClosesTheWindowAndEndsTheLoop)
{
    cometWindow.setQuitOnDestroy(1);
    const Picture skin = skinPixels();
    pointAt(255, 8);
    input::press();
    pumpFor(60);
    EXPECT_EQ(0, cometWindow.pressedIndex);
    EXPECT_TRUE(sameArea(onScreen(), 240, 1, skin, 80, 60, 40, 18)) << "pressed cell";
    input::release();
    const PumpResult result = pumpCounting(5000);
    EXPECT_EQ(1, result.clicks);
    EXPECT_EQ(0u, result.lastClick);
    EXPECT_TRUE(result.quit);
    EXPECT_FALSE(cometWindow.isAlive());
}

struct ClickCase {
    const char* what;
    POINT down, up;
    bool closes;
};

TEST_F(PopupInput, OnlyAPressAndReleaseOnOneItemIsAClick)
{
    const ClickCase cases[] = {
        {"view button to message", {250, 65}, {140, 36}, false},
        {"message to close button", {140, 36}, {260, 10}, false},
        {"message", {60, 30}, {200, 40}, true},
        {"view button area", {230, 60}, {270, 70}, true},
    };
    for (const ClickCase& c : cases) {
        SCOPED_TRACE(c.what);
        if (!cometWindow.isAlive())
            SetUp();
        pointAt(c.down.x, c.down.y);
        input::press();
        pumpFor(60);
        pointAt(c.up.x, c.up.y);
        input::release();
        const PumpResult result = pumpCounting(c.closes ? 4000 : 300);
        EXPECT_EQ(c.closes ? 1 : 0, result.clicks);
        EXPECT_EQ(-1, cometWindow.pressedIndex);
        EXPECT_EQ(!c.closes, cometWindow.isAlive() != 0);
        EXPECT_FALSE(result.quit);
    }
}

TEST_F(PopupInput, LeavingTheWindowWhilePressedCancelsTheClick)
{
    pointAt(255, 8);
    input::press();
    pumpFor(60);
    ASSERT_EQ(0, cometWindow.pressedIndex);
    input::moveTo(screen(140, -40));
    EXPECT_TRUE(harness::waitUntil([] {
        pumpFor(20);
        return cometWindow.pressedIndex == -1;
    }, 3000));
    pointAt(255, 8);
    input::release();
    const PumpResult result = pumpCounting(300);
    EXPECT_EQ(0, result.clicks);
    EXPECT_TRUE(cometWindow.isAlive());
}

// Input fed from a thread of its own: the window's thread is inside the system's move loop
// while the pointer drags it.
DWORD WINAPI dragAlong(void* parameter)
{
    const POINT* path = static_cast<const POINT*>(parameter);
    input::moveTo(path[0]);
    Sleep(100);
    input::press();
    Sleep(200);
    for (int step = 1; step <= 10; ++step) {
        input::moveTo({path[0].x + (path[1].x - path[0].x) * step / 10,
                       path[0].y + (path[1].y - path[0].y) * step / 10});
        Sleep(40);
    }
    Sleep(200);
    input::release();
    return 0;
}

TEST_F(PopupInput, PressOnAnEmptyAreaDragsTheWindow)
{
    const POINT path[2] = {screen(140, 65), screen(140 - 300, 65 - 200)};
    const HANDLE thread = CreateThread(nullptr, 0, dragAlong, const_cast<POINT*>(path), 0, nullptr);
    ASSERT_NE(nullptr, thread);
    PumpResult result;
    while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT) {
        const PumpResult part = pumpCounting(20);
        result.clicks += part.clicks;
    }
    CloseHandle(thread);
    result.clicks += pumpCounting(300).clicks;

    RECT moved = {};
    GetWindowRect(cometWindow.hwnd, &moved);
    EXPECT_EQ(placed_.left - 300, moved.left);
    EXPECT_EQ(placed_.top - 200, moved.top);
    EXPECT_EQ(0, result.clicks);
    EXPECT_EQ(-1, cometWindow.pressedIndex);
    EXPECT_TRUE(cometWindow.isAlive());
}

// A link target that leaves a marker file beside itself when the shell opens it.
struct LinkTarget {
    harness::TempDir dir;
    std::wstring script = dir.file(L"opened.cmd");
    std::wstring marker = dir.file(L"opened.txt");

    bool write() const
    {
        const std::string body = "@echo opened> \"" + harness::narrow(marker) + "\"\r\n";
        const HANDLE file = CreateFileW(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        DWORD written = 0;
        WriteFile(file, body.data(), DWORD(body.size()), &written, nullptr);
        CloseHandle(file);
        return written == body.size();
    }
};

// Long enough for a wrongly opened link target to leave its marker.
constexpr DWORD kNoOpenWaitMs = 1500;

TEST_F(PopupInput, ClickMessagesForNoItemChangeNothing)
{
    cometWindow.setQuitOnDestroy(1);
    LinkTarget link;
    ASSERT_TRUE(link.write());
    joinTexts(cometWindow.linkTarget, kCometTextCapacity, link.script.c_str(), L"");
    PostMessageW(cometWindow.hwnd, WM_COMETCLICK, 4, 0);
    PostMessageW(cometWindow.hwnd, WM_COMETCLICK, WPARAM(-1), 0);
    PostMessageW(cometWindow.hwnd, WM_COMETCLICK, 100, 0);
    const PumpResult result = pumpCounting(300);
    EXPECT_EQ(3, result.clicks);
    EXPECT_FALSE(result.quit);
    EXPECT_TRUE(cometWindow.isAlive());
    EXPECT_STREQ(link.script.c_str(), cometWindow.linkTarget);
    Sleep(kNoOpenWaitMs);
    EXPECT_FALSE(harness::fileExists(link.marker)) << "the link target was opened";
}

TEST_F(PopupInput, AClickOnAnItemOpensTheLinkTargetThenCloses)
{
    LinkTarget link;
    ASSERT_TRUE(link.write());
    const std::wstring& script = link.script;
    const std::wstring& marker = link.marker;

    // The close button never opens it.
    cometWindow.setTexts(L"Printer connected", L"", script.c_str());
    pointAt(255, 8);
    input::press();
    pumpFor(60);
    input::release();
    EXPECT_EQ(1, pumpCounting(3000).clicks);
    EXPECT_FALSE(cometWindow.isAlive());
    Sleep(kNoOpenWaitMs);
    EXPECT_FALSE(harness::fileExists(marker));

    SetUp();
    cometWindow.setTexts(L"Printer connected", L"", script.c_str());
    pointAt(140, 36);
    input::press();
    pumpFor(60);
    input::release();
    EXPECT_EQ(1, pumpCounting(3000).clicks);
    EXPECT_FALSE(cometWindow.isAlive());
    EXPECT_TRUE(harness::waitUntil([&] { return harness::fileExists(marker); }, 15000));
}

} // namespace
