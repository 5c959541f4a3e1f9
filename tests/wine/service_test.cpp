// The real tkPTSer.exe under Wine: single instance, "exit", and the pipe against good and bad
// clients. Every test runs the service in a fresh directory of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "fake_popup.h"
#include "harness.h"

using namespace harness;

namespace {

constexpr wchar_t kHeldEvent[] = L"tkwd-test-client-connected";

// Plays a client that connects and then hangs until it is killed.
int holdPipeUntilKilled()
{
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 500 && pipe == INVALID_HANDLE_VALUE; ++i) {
        pipe = CreateFileW(L"\\\\.\\pipe\\tkWDPipe", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE)
            Sleep(20);
    }
    if (pipe == INVALID_HANDLE_VALUE)
        return 2;
    HANDLE connected = OpenEventW(EVENT_MODIFY_STATE, FALSE, kHeldEvent);
    SetEvent(connected);
    Sleep(INFINITE);
    return 0;
}

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(service.start()); }
    void TearDown() override
    {
        // Every test ends by showing that the service still obeys "exit".
        EXPECT_TRUE(service.stop()) << "the service no longer obeys \"exit\"";
    }

    std::wstring box() const { return dir.file(L"box.ini"); }
    std::wstring type() const { return readIni(box(), L"REPORT", L"TYPE"); }
    std::wstring printer() const { return readIni(box(), L"REPORT", L"PRINTER"); }

    TempDir dir;
    Service service{dir};
};

TEST_F(ServiceTest, SecondInstanceEndsAtOnceAndTheFirstKeepsServing)
{
    TempDir other;
    EXPECT_EQ(0, runToEnd(other.copyProgram(L"tkPTSer.exe"), L"", 15000));
    EXPECT_TRUE(service.process().running());
    ASSERT_TRUE(sendToPipe("connect_P1"));
    ASSERT_TRUE(waitForServiceIdle());
    EXPECT_EQ(L"connect", type());
}

// How a bad or odd client behaves, and what the report must hold afterwards (null: no report).
enum class ClientKind { Writes, ClosesWithoutWriting, StallsWithoutWriting, KilledWhileConnected };

struct ClientCase {
    const char* name;
    ClientKind kind;
    std::string bytes;
    const wchar_t* type;
    const wchar_t* printer;
};

class BadClient : public ServiceTest, public ::testing::WithParamInterface<ClientCase> {};

TEST_P(BadClient, IsSurvivedAndTheNextClientIsServed)
{
    const ClientCase& c = GetParam();
    HANDLE held = INVALID_HANDLE_VALUE;
    Process killed;
    switch (c.kind) {
    case ClientKind::Writes:
        ASSERT_TRUE(sendToPipe(c.bytes));
        break;
    case ClientKind::ClosesWithoutWriting:
        held = CreateFileW(L"\\\\.\\pipe\\tkWDPipe", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
        break;
    case ClientKind::StallsWithoutWriting:
        // Kept open while the next client waits: only the read time-out frees the pipe.
        held = CreateFileW(L"\\\\.\\pipe\\tkWDPipe", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        break;
    case ClientKind::KilledWhileConnected: {
        HANDLE connected = CreateEventW(nullptr, TRUE, FALSE, kHeldEvent);
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        ASSERT_TRUE(killed.start(self, L"--hold-pipe"));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(connected, 15000));
        killed.kill();
        CloseHandle(connected);
        break;
    }
    }

    ASSERT_TRUE(waitForServiceIdle()) << "the next client was not served";
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    if (c.type) {
        EXPECT_EQ(c.type, type());
        EXPECT_EQ(c.printer, printer());
    } else {
        EXPECT_FALSE(fileExists(box())) << "a bad message was acted on";
    }
}

const std::string kName99(99, 'N');
const std::wstring kWideName99(99, L'N');

INSTANTIATE_TEST_SUITE_P(
    Clients, BadClient,
    ::testing::Values(
        ClientCase{"ClosesWithoutWriting", ClientKind::ClosesWithoutWriting, "", nullptr, nullptr},
        ClientCase{"StallsWithoutWriting", ClientKind::StallsWithoutWriting, "", nullptr, nullptr},
        ClientCase{"KilledWhileConnected", ClientKind::KilledWhileConnected, "", nullptr, nullptr},
        ClientCase{"EmptyMessage", ClientKind::Writes, "", nullptr, nullptr},
        ClientCase{"Message300Bytes", ClientKind::Writes, "connect_" + std::string(292, 'a'), nullptr, nullptr},
        ClientCase{"Message256BytesWithoutTerminator", ClientKind::Writes, "connect_" + std::string(248, 'b'),
                   nullptr, nullptr},
        ClientCase{"Command100Bytes", ClientKind::Writes, std::string(100, 'c') + "_P1", nullptr, nullptr},
        ClientCase{"PrinterName100Bytes", ClientKind::Writes, "connect_" + std::string(100, 'N'), nullptr,
                   nullptr},
        ClientCase{"PrinterName99Bytes", ClientKind::Writes, "connect_" + kName99, L"connect",
                   kWideName99.c_str()},
        ClientCase{"ZeroByteInTheMiddle", ClientKind::Writes, std::string("connect_P1\0cutter_P2", 20),
                   L"connect", L"P1"},
        ClientCase{"Terminated", ClientKind::Writes, std::string("cutter_Lab_2\0", 13), L"cutter", L"Lab_2"}),
    [](const ::testing::TestParamInfo<ClientCase>& info) { return std::string(info.param.name); });

// Sections of box.ini, each with its keys, as "[SECTION]key,key,".
std::wstring reportLayout(const std::wstring& path)
{
    wchar_t sections[1024] = {};
    GetPrivateProfileSectionNamesW(sections, 1024, path.c_str());
    std::wstring layout;
    for (const wchar_t* section = sections; *section; section += wcslen(section) + 1) {
        layout += L"[" + std::wstring(section) + L"]";
        wchar_t keys[1024] = {};
        GetPrivateProfileStringW(section, nullptr, L"", keys, 1024, path.c_str());
        for (const wchar_t* key = keys; *key; key += wcslen(key) + 1)
            layout += std::wstring(key) + L",";
    }
    return layout;
}

TEST_F(ServiceTest, ControlBytesNeverAddSectionsOrKeysToTheReport)
{
    ASSERT_TRUE(sendToPipe("connect_P1"));
    const struct {
        const char* name;
        const char* message;
    } hostile[] = {{"section and key", "busy_A\r\n[OTHER]\r\nX=1"},
                   {"second TYPE", "cutter_P1\nTYPE=normal"},
                   {"escape", "busy_\x1b[2J"},
                   {"carriage return in the command", "usb\r_P1"}};
    for (const auto& c : hostile) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(sendToPipe(c.message));
        ASSERT_TRUE(waitForServiceIdle());
        EXPECT_EQ(L"[REPORT]TYPE,PRINTER,", reportLayout(box()));
        EXPECT_EQ(L"connect", type());
        EXPECT_EQ(L"P1", printer());
    }
}

TEST_F(ServiceTest, TwoClientsInQuickSuccessionAreBothServed)
{
    // Each message closes a window of its own, so each one shows that it was acted on.
    FakePopup first(L"A  V1.3.3"), second(L"B  V1.3.3");
    const std::wstring sender = programPath(L"tkWDSend.exe");
    Process client1, client2;
    ASSERT_TRUE(client1.start(sender, L"normal A"));
    ASSERT_TRUE(client2.start(sender, L"normal B"));
    DWORD code1 = 1, code2 = 1;
    EXPECT_TRUE(client1.wait(20000, &code1));
    EXPECT_TRUE(client2.wait(20000, &code2));
    EXPECT_EQ(0u, code1);
    EXPECT_EQ(0u, code2);
    EXPECT_TRUE(first.closedWithin(10000));
    EXPECT_TRUE(second.closedWithin(10000));
}

TEST_F(ServiceTest, GbkPrinterNameIsConvertedOnCodePage936)
{
    if (GetACP() != 936)
        GTEST_SKIP() << "needs Wine started under zh_CN.UTF-8";
    // "打印机" in GBK.
    ASSERT_TRUE(sendToPipe("connect_\xb4\xf2\xd3\xa1\xbb\xfa"));
    ASSERT_TRUE(waitForServiceIdle());
    EXPECT_EQ(L"\u6253\u5370\u673a", printer());
}

// The driver's sender writes in the system's ANSI code page, whatever the user's formats are.
TEST_F(ServiceTest, PrinterNameIsDecodedWithTheSystemCodePageNotTheUsers)
{
    wchar_t userCodePage[8] = {};
    GetLocaleInfoW(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, userCodePage, 8);
    if (std::wcstoul(userCodePage, nullptr, 10) == GetACP())
        GTEST_SKIP() << "needs a user locale apart from the system's (wine-run.sh --user-locale)";
    const struct {
        UINT codePage;
        const char* bytes;
        const wchar_t* name;
    } cases[] = {{936, "\xb4\xf2\xd3\xa1\xbb\xfa", L"\u6253\u5370\u673a"},      // GBK
                 {1252, "Caf\xe9 \xc9tiquette", L"Caf\u00e9 \u00c9tiquette"}};  // Windows Latin 1
    for (const auto& c : cases) {
        if (c.codePage != GetACP())
            continue;
        // A stale pop-up of that printer is closed only when the title matches.
        FakePopup stale(std::wstring(c.name) + L"  V1.3.3");
        ASSERT_TRUE(sendToPipe(std::string("connect_") + c.bytes));
        ASSERT_TRUE(waitForServiceIdle());
        EXPECT_EQ(c.name, printer());
        EXPECT_TRUE(stale.closedWithin(5000)) << "the stale pop-up was not closed";
        return;
    }
    GTEST_SKIP() << "no case for code page " << GetACP();
}

struct ExitCase {
    const char* name;
    const char* message;
};

class ExitCommand : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitCommand, EndsTheServiceWithZeroAndANewInstanceCanStart)
{
    TempDir dir;
    {
        Service service(dir);
        ASSERT_TRUE(service.start());
        FakePopup printerPopup(L"P1  V1.3.3");
        FakePopup otherPopup(L"anything at all");
        ASSERT_TRUE(sendToPipe(GetParam().message));
        DWORD code = 1;
        ASSERT_TRUE(service.process().wait(15000, &code));
        EXPECT_EQ(0u, code);
        EXPECT_TRUE(printerPopup.closedWithin(0));
        EXPECT_TRUE(otherPopup.closedWithin(0));
    }
    Service again(dir);
    ASSERT_TRUE(again.start());
    EXPECT_TRUE(again.stop());
}

INSTANTIATE_TEST_SUITE_P(Words, ExitCommand,
                         ::testing::Values(ExitCase{"Exit", "exit"}, ExitCase{"ExitWithPrinter", "exit_anything"}),
                         [](const ::testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.name); });

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--hold-pipe") == 0)
        return holdPipeUntilKilled();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
