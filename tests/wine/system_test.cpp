// The whole system under Wine: the real tkPTSer.exe starts the real tkWDBox.exe, which shows
// the status in the corner of the work area; and tkWDBox.exe alone against reports of the
// test's own. What the user sees is checked on screen: windows by class and title, their
// place and size, and the message's pixels against the same text drawn by the test.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "harness.h"
#include "screen_picture.h"

using namespace harness;

namespace {

constexpr wchar_t kClass[] = L"tavikWD";
const RECT kMessageRect = {8, 26, 272, 46};

bool chinese()
{
    return GetACP() == 936;
}

std::wstring newPrinterTitle()
{
    return chinese() ? L"\u53d1\u73b0\u65b0\u6253\u5370\u673a" : L"Discover new printer";
}

HWND onlyPopup(const std::wstring& title)
{
    const auto windows = findWindows(kClass, title.c_str());
    return windows.size() == 1 ? windows[0] : nullptr;
}

HWND waitForPopup(const std::wstring& title)
{
    HWND found = nullptr;
    waitUntil([&] { return (found = onlyPopup(title)) != nullptr && IsWindowVisible(found); }, 15000);
    return found;
}

// The window's own picture with the message band wiped and text drawn as the pop-up draws
// its message: bold default GUI font, centred on one line, #0C4E7C.
Picture withMessage(const Picture& window, const std::wstring& text, COLORREF colour)
{
    return drawOn(window, [&](HDC memory, HDC) {
        const uint32_t background = window.at(kMessageRect.left + 2, kMessageRect.top + 1);
        HBRUSH brush = CreateSolidBrush(RGB(background >> 16 & 0xFF, background >> 8 & 0xFF, background & 0xFF));
        FillRect(memory, &kMessageRect, brush);
        DeleteObject(brush);
        LOGFONTW font = {};
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
        font.lfWeight = FW_BOLD;
        HFONT bold = CreateFontIndirectW(&font);
        HGDIOBJ oldFont = SelectObject(memory, bold);
        SetBkMode(memory, TRANSPARENT);
        SetTextColor(memory, colour);
        RECT rect = kMessageRect;
        DrawTextW(memory, text.c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_WORD_ELLIPSIS);
        SelectObject(memory, oldFont);
        DeleteObject(bold);
    });
}

// True when the message band shows exactly text in colour (and some text is there at all).
bool showsMessage(HWND window, const std::wstring& text, COLORREF colour = RGB(12, 78, 124))
{
    const Picture shown = captureWindow(window);
    if (shown.width != 280 || shown.height != 80)
        return false;
    const Picture expected = withMessage(shown, text, colour);
    const uint32_t background = shown.at(kMessageRect.left + 2, kMessageRect.top + 1);
    int inked = 0;
    for (int y = kMessageRect.top; y < kMessageRect.bottom; ++y)
        for (int x = kMessageRect.left; x < kMessageRect.right; ++x) {
            if (shown.at(x, y) != expected.at(x, y))
                return false;
            inked += shown.at(x, y) != background;
        }
    return inked > 20;
}

bool waitForMessage(HWND window, const std::wstring& text)
{
    return waitUntil([&] { return showsMessage(window, text); }, 10000);
}

RECT workArea()
{
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

class System : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.copyProgram(L"tkWDBox.exe");
        ASSERT_TRUE(service.start());
    }
    void TearDown() override { EXPECT_TRUE(service.stop()); }

    TempDir dir;
    Service service{dir};
};

TEST_F(System, CutterForP1IsShownInTheCornerAndReplacedByTheNextStatus)
{
    ASSERT_TRUE(sendToPipe("cutter_P1"));
    HWND cutter = waitForPopup(L"P1  V1.3.3");
    ASSERT_NE(nullptr, cutter) << "no pop-up titled \"P1  V1.3.3\"";
    RECT rect;
    GetWindowRect(cutter, &rect);
    const RECT work = workArea();
    EXPECT_EQ(work.right, rect.right);
    EXPECT_EQ(work.bottom, rect.bottom);
    EXPECT_EQ(280, rect.right - rect.left);
    EXPECT_EQ(80, rect.bottom - rect.top);
    EXPECT_TRUE(GetWindowLongW(cutter, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(waitForMessage(cutter, chinese() ? L"\u5207 \u5200 \u88ab \u5361 \u4f4f \u4e86" : L"Cutter is stucked"));
    EXPECT_FALSE(showsMessage(cutter, L"Cutter is stuck"));  // the comparison tells texts apart

    ASSERT_TRUE(sendToPipe("connect_P1"));
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(cutter); }, 15000)) << "the old pop-up of P1 stayed";
    HWND connected = waitForPopup(L"P1  V1.3.3");
    ASSERT_NE(nullptr, connected);
    EXPECT_TRUE(waitForMessage(connected, chinese() ? L"\u6253 \u5370 \u673a \u5df2 \u8fde \u63a5" : L"Printer connected"));

    ASSERT_TRUE(sendToPipe("labelbox_P2"));
    ASSERT_NE(nullptr, waitForPopup(L"P2  V1.3.3"));
    EXPECT_TRUE(IsWindow(connected));
    EXPECT_EQ(2u, findWindows(kClass).size());
}

TEST_F(System, NewPrinterPopupTakesTheNewPrinterTitleAndStaysSingle)
{
    ASSERT_TRUE(sendToPipe("newconnect_P9"));
    HWND popup = waitForPopup(newPrinterTitle());
    ASSERT_NE(nullptr, popup) << "no pop-up titled " << narrow(newPrinterTitle(), CP_UTF8);
    EXPECT_TRUE(waitForMessage(popup, chinese() ? L"\u8bf7 \u5b89 \u88c5 \u9a71 \u52a8" : L"Discover new printer"));

    ASSERT_TRUE(sendToPipe("newconnect_P9"));
    ASSERT_TRUE(waitForServiceIdle());
    Sleep(1500);
    EXPECT_EQ(1u, findWindows(kClass).size());
    EXPECT_TRUE(IsWindow(popup));

    ASSERT_TRUE(sendToPipe("newdisconnect"));
    EXPECT_TRUE(waitUntil([&] { return findWindows(kClass).empty(); }, 15000));
}

// tkWDBox.exe alone, started by the test beside a report of the test's own.
class PopupProgram : public ::testing::Test {
protected:
    void SetUp() override { exe = dir.copyProgram(L"tkWDBox.exe"); }

    void report(const wchar_t* type, const wchar_t* printer)
    {
        WritePrivateProfileStringW(L"REPORT", L"TYPE", type, dir.file(L"box.ini").c_str());
        if (printer)
            WritePrivateProfileStringW(L"REPORT", L"PRINTER", printer, dir.file(L"box.ini").c_str());
    }

    TempDir dir;
    std::wstring exe;
    Process popup;
};

struct SilentCase {
    const char* name;
    const wchar_t* type;  // null: no box.ini beside the program
};

class PopupShowsNothing : public PopupProgram, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(PopupShowsNothing, AndEndsWithZero)
{
    TempDir workingDir;
    if (GetParam().type) {
        report(GetParam().type, L"P1");
    } else {
        // A report in the working directory is not the program's.
        WritePrivateProfileStringW(L"REPORT", L"TYPE", L"connect", workingDir.file(L"box.ini").c_str());
    }
    ASSERT_TRUE(popup.start(exe, L"", workingDir.path()));
    DWORD code = 1;
    ASSERT_TRUE(popup.wait(15000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(findWindows(kClass).empty());
}

INSTANTIATE_TEST_SUITE_P(Reports, PopupShowsNothing,
                         ::testing::Values(SilentCase{"NoReportBesideTheProgram", nullptr},
                                           SilentCase{"UnknownType", L"unknown"},
                                           SilentCase{"TypeInCapitals", L"CONNECT"},
                                           SilentCase{"EmptyType", L""}),
                         [](const ::testing::TestParamInfo<SilentCase>& info) { return std::string(info.param.name); });

struct TitleCase {
    const char* name;
    const wchar_t* type;
    std::wstring printer;  // "-" for no PRINTER key
    std::wstring title;
};

class PopupTitle : public PopupProgram, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(PopupTitle, IsBuiltFromTheReport)
{
    const TitleCase& c = GetParam();
    report(c.type, c.printer == L"-" ? nullptr : c.printer.c_str());
    ASSERT_TRUE(popup.start(exe));
    HWND window = waitForPopup(c.title);
    ASSERT_NE(nullptr, window) << "no pop-up titled " << narrow(c.title, CP_UTF8);
    PostMessageW(window, WM_QUIT, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(popup.wait(15000, &code));
    EXPECT_EQ(0u, code);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, PopupTitle,
    ::testing::Values(TitleCase{"Printer", L"connect", L"P1", L"P1  V1.3.3"},
                      TitleCase{"NoPrinterKey", L"busy", L"-", L"  V1.3.3"},
                      TitleCase{"Printer99", L"busy", std::wstring(99, L'n'), std::wstring(99, L'n') + L"  V1.3.3"},
                      TitleCase{"Printer120IsCutTo99", L"busy", std::wstring(99, L'n') + std::wstring(21, L'x'),
                                std::wstring(99, L'n') + L"  V1.3.3"},
                      TitleCase{"StatusTheServiceNeverWrites", L"unkown", L"P1", L"P1  V1.3.3"}),
    [](const ::testing::TestParamInfo<TitleCase>& info) { return std::string(info.param.name); });

TEST_F(PopupProgram, NewconnectTakesTheNewPrinterTitleWhateverThePrinter)
{
    report(L"newconnect", L"P1");
    ASSERT_TRUE(popup.start(exe));
    ASSERT_NE(nullptr, waitForPopup(newPrinterTitle()));
}

TEST_F(PopupProgram, QuitFromOutsideEndsWithZeroAndClickMessagesOutOfRangeChangeNothing)
{
    report(L"paper", L"P1");
    ASSERT_TRUE(popup.start(exe));
    HWND window = waitForPopup(L"P1  V1.3.3");
    ASSERT_NE(nullptr, window);
    const UINT cometClick = WM_APP + 0x6A;
    PostMessageW(window, cometClick, 4, 0);
    PostMessageW(window, cometClick, static_cast<WPARAM>(-1), 0);
    Sleep(1000);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(popup.running());

    PostMessageW(window, WM_QUIT, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(popup.wait(15000, &code));
    EXPECT_EQ(0u, code);
}

TEST_F(PopupProgram, CloseMessageEndsTheProgramWithZero)
{
    report(L"height", L"P1");
    ASSERT_TRUE(popup.start(exe));
    HWND window = waitForPopup(L"P1  V1.3.3");
    ASSERT_NE(nullptr, window);
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(popup.wait(15000, &code));
    EXPECT_EQ(0u, code);
}

// Real mouse input through the system's input queue, on the real tkWDBox.exe.
namespace mouse {

void send(DWORD flags, POINT screen = {})
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        in.mi.dx = (screen.x * 65536L + GetSystemMetrics(SM_CXSCREEN) - 1) / GetSystemMetrics(SM_CXSCREEN);
        in.mi.dy = (screen.y * 65536L + GetSystemMetrics(SM_CYSCREEN) - 1) / GetSystemMetrics(SM_CYSCREEN);
    }
    SendInput(1, &in, sizeof in);
    Sleep(150);  // lets the pop-up's own thread take the event
}
void moveTo(POINT screen) { send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen); }
void press() { send(MOUSEEVENTF_LEFTDOWN); }
void release() { send(MOUSEEVENTF_LEFTUP); }

} // namespace mouse

class PopupMouse : public PopupProgram {
protected:
    void SetUp() override
    {
        PopupProgram::SetUp();
        mouse::moveTo({5, 5});
        report(L"connect", L"P1");
        ASSERT_TRUE(popup.start(exe));
        window = waitForPopup(L"P1  V1.3.3");
        ASSERT_NE(nullptr, window);
        ASSERT_TRUE(waitForMessage(window, L"Printer connected"));
        GetWindowRect(window, &placed);
    }
    POINT at(int clientX, int clientY) const { return {placed.left + clientX, placed.top + clientY}; }
    bool endsWithZero()
    {
        DWORD code = 1;
        return popup.wait(15000, &code) && code == 0;
    }
    bool staysOpen()
    {
        Sleep(1000);
        return popup.running() && IsWindowVisible(window);
    }
    HCURSOR cursor() const
    {
        CURSORINFO info = {};
        info.cbSize = sizeof info;
        GetCursorInfo(&info);
        return info.hCursor;
    }

    HWND window = nullptr;
    RECT placed = {};
};


struct ClickCase {
    const char* name;
    int x, y;  // client point of press and release
};

class PopupClick : public PopupMouse, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(PopupClick, OnAnItemClosesTheWindowAndEndsWithZero)
{
    mouse::moveTo(at(GetParam().x, GetParam().y));
    mouse::press();
    mouse::release();
    EXPECT_TRUE(endsWithZero());
}

INSTANTIATE_TEST_SUITE_P(Items, PopupClick,
                         ::testing::Values(ClickCase{"CloseButton", 260, 10}, ClickCase{"Message", 140, 36},
                                           ClickCase{"ViewButtonArea", 250, 65}),
                         [](const ::testing::TestParamInfo<ClickCase>& info) { return std::string(info.param.name); });

// Each process holds its own copies of the system cursors, and Wine does not show another
// process's cursor images, so the handles are grouped instead: one cursor over the message and
// the view button, another over the close button, the title and empty areas; that the first
// is the hand and the second the arrow is shown in the window's own tests.
TEST_F(PopupMouse, CursorChangesBetweenTheClickableTextsAndEverythingElse)
{
    const struct {
        int x, y;
        bool hand;
        const char* where;
    } points[] = {{140, 36, true, "message"},      {100, 10, false, "title"},    {250, 65, true, "view button"},
                  {260, 10, false, "close button"}, {30, 36, true, "message edge"}, {140, 65, false, "empty area"}};
    HCURSOR hand = nullptr, arrow = nullptr;
    for (const auto& p : points) {
        mouse::moveTo(at(p.x, p.y));
        Sleep(300);
        HCURSOR& expected = p.hand ? hand : arrow;
        if (!expected)
            expected = cursor();
        EXPECT_EQ(expected, cursor()) << p.where;
    }
    EXPECT_NE(nullptr, hand);
    EXPECT_NE(hand, arrow);
}

TEST_F(PopupMouse, HoveredMessageTurnsBlueAndHoveredCloseButtonShowsItsHoverCell)
{
    const Picture atRest = captureWindow(window);
    mouse::moveTo(at(140, 36));
    EXPECT_TRUE(waitUntil([&] { return showsMessage(window, L"Printer connected", RGB(22, 122, 235)); }, 5000));

    mouse::moveTo(at(260, 10));
    EXPECT_TRUE(waitForMessage(window, L"Printer connected"));
    // The hover cell is drawn on an orange-red shading where the resting one is blue.
    const Picture hovered = captureWindow(window);
    const uint32_t rest = atRest.at(244, 4), hover = hovered.at(244, 4);
    EXPECT_LT((rest >> 16) & 0xFF, rest & 0xFF) << std::hex << rest;
    EXPECT_GT((hover >> 16) & 0xFF, hover & 0xFF) << std::hex << hover;
}

TEST_F(PopupMouse, PressAndReleaseOnDifferentItemsIsNoClick)
{
    mouse::moveTo(at(250, 65));
    mouse::press();
    mouse::moveTo(at(140, 36));
    mouse::release();
    EXPECT_TRUE(staysOpen());
}

TEST_F(PopupMouse, LeavingTheWindowBetweenPressAndReleaseCancelsTheClick)
{
    mouse::moveTo(at(260, 10));
    mouse::press();
    mouse::moveTo({placed.left - 100, placed.top - 100});
    mouse::moveTo(at(260, 10));
    mouse::release();
    EXPECT_TRUE(staysOpen());
}

TEST_F(PopupMouse, PressOnAnEmptyAreaDragsTheWindow)
{
    // y 65 lies where the detail item would be: it is never hit, so this is empty area.
    mouse::moveTo(at(140, 65));
    mouse::press();
    for (int step = 1; step <= 10; ++step)
        mouse::moveTo(at(140 - 30 * step, 65 - 20 * step));
    mouse::release();
    RECT moved = {};
    EXPECT_TRUE(waitUntil([&] { return GetWindowRect(window, &moved) && moved.left == placed.left - 300; }, 5000));
    EXPECT_EQ(placed.top - 200, moved.top);
    EXPECT_TRUE(staysOpen());
}

} // namespace
