// The shipped 32-bit tkWDBox.exe (TKWD_PROGRAM_DIR) against the 64-bit one built from the same
// sources beside this test: for the same report both put the same pixels on the screen, in
// English and, on code page 936, in Chinese. Each shows alone at the corner, is captured from
// the screen and quits; a difference leaves both pictures in build/<preset>/tests/pictures.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "harness.h"
#include "popup_png.h"
#include "screen_picture.h"

using namespace harness;

namespace {

constexpr wchar_t kClass[] = L"tavikWD";

HWND popupOf(DWORD processId)
{
    for (HWND window : findWindows(kClass)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

struct Report {
    const char* name;
    const wchar_t* type;
    std::wstring printer;
};

// Runs the pop-up program beside the report and gives its picture once two captures agree
// (it has painted); empty when no window came or the program did not end with zero.
Picture pictureOf(const std::wstring& program, const Report& report)
{
    TempDir dir;
    const std::wstring exe = dir.copyFile(program, L"tkWDBox.exe");
    const std::wstring ini = dir.file(L"box.ini");
    WritePrivateProfileStringW(L"REPORT", L"TYPE", report.type, ini.c_str());
    WritePrivateProfileStringW(L"REPORT", L"PRINTER", report.printer.c_str(), ini.c_str());
    Process popup;
    if (!popup.start(exe))
        return {};
    HWND window = nullptr;
    if (!waitUntil([&] { return (window = popupOf(popup.id())) != nullptr; }, 15000))
        return {};
    Picture shown, again = captureWindow(window);
    waitUntil([&] {
        Sleep(200);
        shown = again;
        again = captureWindow(window);
        return shown.pixels == again.pixels;
    }, 5000);
    PostMessageW(window, WM_QUIT, 0, 0);
    DWORD code = 1;
    if (!popup.wait(15000, &code) || code != 0)
        return {};
    // The next pop-up shows at the same place: let this one's window leave the screen first.
    waitUntil([&] { return findWindows(kClass).empty(); }, 5000);
    return shown;
}

void PrintTo(const Report& report, std::ostream* out) { *out << report.name; }

std::wstring picturesDirectory()
{
    const std::wstring dir = directoryOf(ownBuildProgramPath(L"")) + L"tests\\pictures\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

class PopupBuilds : public ::testing::TestWithParam<Report> {
protected:
    void SetUp() override { SetCursorPos(5, 5); }  // no hover on the pop-up at the corner
};

TEST_P(PopupBuilds, ShippedPopupShowsThePixelsOfThe64BitOne)
{
    const std::wstring shipped = programPath(L"tkWDBox.exe"), built = ownBuildProgramPath(L"tkWDBox.exe");
    ASSERT_NE(shipped, built) << "TKWD_PROGRAM_DIR does not name the shipped build";
    const Picture expected = pictureOf(built, GetParam());
    ASSERT_EQ(280, expected.width) << "the 64-bit pop-up showed no window or did not end with zero";
    ASSERT_EQ(80, expected.height);
    const Picture actual = pictureOf(shipped, GetParam());
    ASSERT_EQ(expected.width, actual.width) << "the shipped pop-up showed no window or did not end with zero";
    ASSERT_EQ(expected.height, actual.height);

    int differing = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x) {
            const size_t i = static_cast<size_t>(y) * expected.width + x;
            if (expected.pixels[i] == actual.pixels[i])
                continue;
            if (differing++ == 0)
                firstX = x, firstY = y;
        }
    const std::wstring base = picturesDirectory() + widen(GetParam().name) + L"_cp" + std::to_wstring(GetACP());
    DeleteFileW((base + L"_64.png").c_str());
    DeleteFileW((base + L"_shipped.png").c_str());
    if (differing > 0) {
        writePng(base + L"_64.png", expected.width, expected.height, expected.pixels.data());
        writePng(base + L"_shipped.png", actual.width, actual.height, actual.pixels.data());
    }
    EXPECT_EQ(0, differing) << "first at (" << firstX << ", " << firstY << ")";
}

INSTANTIATE_TEST_SUITE_P(
    Reports, PopupBuilds,
    ::testing::Values(Report{"Connect", L"connect", L"P1"}, Report{"Cutter", L"cutter", L"P1"},
                      Report{"NewPrinter", L"newconnect", L"P9"},
                      Report{"LongMessage", L"netbusy", L"P2"},
                      Report{"LongPrinterName", L"dpi", std::wstring(99, L'n')},
                      Report{"Unknown", L"unkown", L"LP-2"}),
    [](const ::testing::TestParamInfo<Report>& info) { return std::string(info.param.name); });

} // namespace
