// What each command word makes the real tkPTSer.exe do under Wine: which pop-ups it closes,
// what box.ini holds afterwards, and whether it starts the pop-up program (a stand-in
// tkWDBox.exe that records its starts in starts.log and shows a window titled as the real one).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fake_popup.h"
#include "harness.h"

using namespace harness;

namespace {

const wchar_t kP1Title[] = L"P1  V1.3.3";
const wchar_t kP2Title[] = L"P2  V1.3.3";
constexpr DWORD kNoStartWaitMs = 1500;  // how long a start that must not come is waited for

std::wstring newPrinterTitle()
{
    return GetACP() == 936 ? L"\u53d1\u73b0\u65b0\u6253\u5370\u673a" : L"Discover new printer";
}

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.copyFile(standinPath(L"tkWDBox.exe"), L"tkWDBox.exe");
        ASSERT_TRUE(service.start());
    }
    void TearDown() override
    {
        if (service.process().running()) {
            EXPECT_TRUE(service.stop());
        }
    }

    void seedReport()
    {
        WritePrivateProfileStringW(L"REPORT", L"TYPE", L"seed", box().c_str());
        WritePrivateProfileStringW(L"REPORT", L"PRINTER", L"Seed", box().c_str());
    }
    std::wstring box() const { return dir.file(L"box.ini"); }
    std::wstring type() const { return readIni(box(), L"REPORT", L"TYPE"); }
    std::wstring printer() const { return readIni(box(), L"REPORT", L"PRINTER"); }
    std::vector<std::wstring> starts() const { return readLines(dir.file(L"starts.log")); }
    bool waitForStarts(size_t count) const
    {
        return waitUntil([&] { return starts().size() >= count; }, 15000);
    }
    size_t popupsTitled(const std::wstring& title) const { return findWindows(L"tavikWD", title.c_str()).size(); }

    TempDir dir;
    Service service{dir};
};

enum class Closes { Nothing, PrinterP1, NewPrinter, Every };

struct WordCase {
    const char* name;
    std::string message;
    const wchar_t* type;     // TYPE afterwards; null: unchanged
    const wchar_t* printer;  // PRINTER afterwards; null: unchanged
    bool startsPopup;
    Closes closes;
};

class CommandWord : public DispatchTest, public ::testing::WithParamInterface<WordCase> {};

TEST_P(CommandWord, ClosesWritesAndStartsAsItsRowSays)
{
    const WordCase& c = GetParam();
    seedReport();
    // "newconnect" acts only while no new-printer pop-up is up: leave it out for that word.
    const bool newPrinterPopupUp = c.message.rfind("newconnect", 0) != 0;
    FakePopup p1(kP1Title), p2(kP2Title);
    std::unique_ptr<FakePopup> newPrinter;
    if (newPrinterPopupUp)
        newPrinter = std::make_unique<FakePopup>(newPrinterTitle());

    ASSERT_TRUE(sendToPipe(c.message));
    if (c.closes == Closes::Every) {
        DWORD code = 1;
        ASSERT_TRUE(service.process().wait(15000, &code));
        EXPECT_EQ(0u, code);
    } else {
        ASSERT_TRUE(waitForServiceIdle());
    }

    const bool closesP1 = c.closes == Closes::PrinterP1 || c.closes == Closes::Every;
    const bool closesNewPrinter = c.closes == Closes::NewPrinter || c.closes == Closes::Every;
    EXPECT_EQ(closesP1, p1.closedWithin(closesP1 ? 5000 : 0)) << "pop-up of P1";
    EXPECT_EQ(c.closes == Closes::Every, p2.closedWithin(c.closes == Closes::Every ? 5000 : 0)) << "pop-up of P2";
    if (newPrinter) {
        EXPECT_EQ(closesNewPrinter, newPrinter->closedWithin(closesNewPrinter ? 5000 : 0)) << "new-printer pop-up";
    }

    EXPECT_EQ(c.type ? c.type : L"seed", type());
    EXPECT_EQ(c.printer ? c.printer : L"Seed", printer());

    if (c.startsPopup) {
        ASSERT_TRUE(waitForStarts(1)) << "the pop-up program was not started";
        EXPECT_EQ(1u, starts().size());
        EXPECT_EQ(std::wstring(c.type) + L"|" + (c.printer ? c.printer : L"Seed"), starts()[0]);
    } else {
        Sleep(kNoStartWaitMs);
        EXPECT_TRUE(starts().empty()) << "the pop-up program was started";
    }
}

#define SHOWS(word, withPrinter) \
    WordCase { #word, #word "_P1", L## #word, (withPrinter) ? L"P1" : nullptr, true, Closes::PrinterP1 }

INSTANTIATE_TEST_SUITE_P(
    Words, CommandWord,
    ::testing::Values(
        WordCase{"exit", "exit_P1", nullptr, nullptr, false, Closes::Every},
        WordCase{"devCancel", "devCancel_P1", nullptr, nullptr, false, Closes::Nothing},
        WordCase{"closeNewDev", "closeNewDev_P1", nullptr, nullptr, false, Closes::NewPrinter},
        WordCase{"newconnect", "newconnect_P1", L"newconnect", nullptr, true, Closes::Nothing},
        WordCase{"newdisconnect", "newdisconnect_P1", nullptr, nullptr, false, Closes::NewPrinter},
        SHOWS(connect, true), SHOWS(usb, true), SHOWS(addNewDev, true), SHOWS(disconnect, true),
        SHOWS(stopByHuman, true),
        WordCase{"normal", "normal_P1", nullptr, nullptr, false, Closes::PrinterP1},
        SHOWS(temper, true), SHOWS(cutter, true), SHOWS(carbon, true), SHOWS(busy, true), SHOWS(adapter, true),
        SHOWS(unlock, true), SHOWS(lockopened, true), SHOWS(labelmore, true), SHOWS(labelbox, true),
        SHOWS(labelunkown, true), SHOWS(paper, true), SHOWS(labelerr, true), SHOWS(rfiderr, true),
        SHOWS(rfidInvalid, true), SHOWS(rfidUnSupport, true), SHOWS(dpi, true),
        // These five keep the printer of the earlier report.
        SHOWS(antifake, false), SHOWS(netbusy, false), SHOWS(socketSnErr, false), SHOWS(poweroff, false),
        SHOWS(height, false),
        // Near-misses: compared whole, with letter case.
        WordCase{"CapitalFirstLetter", "Connect_P1", nullptr, nullptr, false, Closes::Nothing},
        WordCase{"TrailingBlank", "connect _P1", nullptr, nullptr, false, Closes::Nothing},
        WordCase{"labelunknown", "labelunknown_P1", nullptr, nullptr, false, Closes::Nothing},
        WordCase{"EmptyCommand", "_P1", nullptr, nullptr, false, Closes::Nothing},
        WordCase{"EmptyMessage", "", nullptr, nullptr, false, Closes::Nothing}),
    [](const ::testing::TestParamInfo<WordCase>& info) { return std::string(info.param.name); });

TEST_F(DispatchTest, EmptyPrinterNameIsWrittenAsAnEmptyValue)
{
    seedReport();
    ASSERT_TRUE(sendToPipe("busy"));
    ASSERT_TRUE(waitForServiceIdle());
    EXPECT_EQ(L"busy", type());
    EXPECT_EQ(L"", printer());
}

TEST_F(DispatchTest, ConnectTwiceLeavesOnePopupAndAnotherPrinterAddsOne)
{
    ASSERT_TRUE(sendToPipe("connect_P1"));
    ASSERT_TRUE(waitUntil([&] { return popupsTitled(kP1Title) == 1; }, 15000));
    ASSERT_TRUE(sendToPipe("connect_P1"));
    ASSERT_TRUE(waitForStarts(2));
    EXPECT_TRUE(waitUntil([&] { return popupsTitled(kP1Title) == 1; }, 15000));

    ASSERT_TRUE(sendToPipe("cutter_P2"));
    ASSERT_TRUE(waitForStarts(3));
    EXPECT_TRUE(waitUntil([&] { return popupsTitled(kP2Title) == 1; }, 15000));
    EXPECT_EQ(1u, popupsTitled(kP1Title));
}

TEST_F(DispatchTest, StatusWithoutPrinterKeepsTheEarlierPrintersReportAndTitle)
{
    ASSERT_TRUE(sendToPipe("connect_P1"));
    ASSERT_TRUE(waitUntil([&] { return popupsTitled(kP1Title) == 1; }, 15000));
    ASSERT_TRUE(sendToPipe("poweroff_P2"));
    ASSERT_TRUE(waitForStarts(2));
    EXPECT_EQ(L"poweroff", type());
    EXPECT_EQ(L"P1", printer());
    // The new pop-up took P1's title from the report, beside P1's own; P2's "normal" closes
    // neither, P1's closes both.
    EXPECT_EQ(L"poweroff|P1", starts()[1]);
    ASSERT_TRUE(waitUntil([&] { return popupsTitled(kP1Title) == 2; }, 15000));
    ASSERT_TRUE(sendToPipe("normal_P2"));
    ASSERT_TRUE(waitForServiceIdle());
    EXPECT_EQ(2u, popupsTitled(kP1Title));
    ASSERT_TRUE(sendToPipe("normal_P1"));
    ASSERT_TRUE(waitForServiceIdle());
    EXPECT_EQ(0u, popupsTitled(kP1Title));
}

TEST_F(DispatchTest, NewconnectDoesNothingWhileTheNewPrinterPopupIsUp)
{
    seedReport();
    const std::string before = readFileBytes(box());
    FakePopup newPrinter(newPrinterTitle());
    ASSERT_TRUE(sendToPipe("newconnect_P1"));
    ASSERT_TRUE(waitForServiceIdle());
    Sleep(kNoStartWaitMs);
    EXPECT_TRUE(starts().empty());
    EXPECT_EQ(before, readFileBytes(box()));
    EXPECT_FALSE(newPrinter.closedWithin(0));
}

// Run under en_US (1252), zh_CN (936) and zh_TW (950): the service and the pop-up must agree
// on the new-printer title of the code page, or "closeNewDev" could never close it.
TEST_F(DispatchTest, NewPrinterPopupEndToEnd)
{
    FakePopup printerPopup(kP1Title);
    ASSERT_TRUE(sendToPipe("newconnect"));
    ASSERT_TRUE(waitUntil([&] { return popupsTitled(newPrinterTitle()) == 1; }, 15000))
        << "no pop-up titled " << narrow(newPrinterTitle(), CP_UTF8);
    ASSERT_TRUE(sendToPipe("newconnect"));  // a second one while it stands starts nothing
    ASSERT_TRUE(waitForServiceIdle());
    Sleep(kNoStartWaitMs);
    EXPECT_EQ(1u, starts().size());

    ASSERT_TRUE(sendToPipe("closeNewDev"));
    ASSERT_TRUE(waitForServiceIdle());
    EXPECT_EQ(0u, popupsTitled(newPrinterTitle()));
    EXPECT_FALSE(printerPopup.closedWithin(0));
}

TEST(DispatchReport, FirstReportIsCreatedBesideTheServiceWithoutPrinterForAntifake)
{
    TempDir dir, workingDir;
    Service service(dir);
    ASSERT_TRUE(service.start(workingDir.path()));
    ASSERT_TRUE(sendToPipe("antifake_P1"));
    ASSERT_TRUE(waitForServiceIdle());
    EXPECT_EQ(L"antifake", readIni(dir.file(L"box.ini"), L"REPORT", L"TYPE"));
    EXPECT_EQ(L"<missing>", readIni(dir.file(L"box.ini"), L"REPORT", L"PRINTER"));
    EXPECT_FALSE(fileExists(workingDir.file(L"box.ini")));
    EXPECT_TRUE(service.stop());
}

TEST(DispatchPopupProgram, MissingProgramStillWritesTheReportAndServesOn)
{
    TempDir dir;
    Service service(dir);
    ASSERT_TRUE(service.start());
    ASSERT_TRUE(sendToPipe("cutter_P1"));
    ASSERT_TRUE(waitForServiceIdle());
    EXPECT_EQ(L"cutter", readIni(dir.file(L"box.ini"), L"REPORT", L"TYPE"));
    Sleep(kNoStartWaitMs);
    EXPECT_TRUE(findWindows(L"tavikWD", kP1Title).empty());
    ASSERT_TRUE(sendToPipe("labelbox_P2"));
    ASSERT_TRUE(waitForServiceIdle());
    EXPECT_EQ(L"labelbox", readIni(dir.file(L"box.ini"), L"REPORT", L"TYPE"));
    EXPECT_TRUE(service.stop());
}

TEST_F(DispatchTest, WindowThatNeverQuitsIsGivenUpAndTheMessageCarriedOut)
{
    FakePopup stubborn(kP1Title, FakePopup::OnQuit::Ignore);
    ASSERT_TRUE(sendToPipe("cutter_P1"));
    ASSERT_TRUE(waitForServiceIdle(30000)) << "the service hangs on a window that ignores WM_QUIT";
    EXPECT_GT(stubborn.quitsReceived(), 1);
    EXPECT_FALSE(stubborn.closedWithin(0));
    EXPECT_EQ(L"cutter", type());
    EXPECT_TRUE(waitForStarts(1));
}

} // namespace
