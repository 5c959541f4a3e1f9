// The example senders of docs/protocol.md against the real tkPTSer.exe under Wine: the C++
// client, the cmd.exe one-liner, the tkWDSend batch file, and tkWDSend's exit codes. The
// service runs with the stand-in pop-up, which logs each start in starts.log.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "harness.h"

using namespace harness;

namespace {

std::wstring example(const wchar_t* name) { return testFilePath(L"examples\\") + name; }

std::wstring cmdExe()
{
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\cmd.exe";
}

// The first line of an example file, as one would type it at a command prompt.
std::wstring firstLine(const std::wstring& path)
{
    std::ifstream file(narrow(path));
    std::string line;
    std::getline(file, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return widen(line);
}

class ProtocolExample : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.copyFile(standinPath(L"tkWDBox.exe"), L"tkWDBox.exe");
        dir.copyProgram(L"tkWDSend.exe");
        ASSERT_TRUE(service.start());
    }
    void TearDown() override
    {
        if (service.process().running()) {
            EXPECT_TRUE(service.stop());
        }
    }

    std::wstring type() const { return readIni(dir.file(L"box.ini"), L"REPORT", L"TYPE"); }
    std::wstring printer() const { return readIni(dir.file(L"box.ini"), L"REPORT", L"PRINTER"); }
    std::vector<std::wstring> starts() const { return readLines(dir.file(L"starts.log")); }
    // The pop-up program was started for exactly these "<TYPE>|<PRINTER>" lines, in order.
    void expectStarts(const std::vector<std::wstring>& expected)
    {
        ASSERT_TRUE(waitForServiceIdle());
        EXPECT_TRUE(waitUntil([&] { return starts().size() >= expected.size(); }, 15000));
        EXPECT_EQ(expected, starts());
    }

    TempDir dir;
    Service service{dir};
};

TEST_F(ProtocolExample, CppClientDeliversAStatus)
{
    EXPECT_EQ(0, runToEnd(example(L"send_status.exe"), L"cutter_P1"));
    expectStarts({L"cutter|P1"});
    EXPECT_EQ(L"cutter", type());
    EXPECT_EQ(L"P1", printer());
}

TEST_F(ProtocolExample, CppClientTellsWhenTheServiceIsNotRunning)
{
    ASSERT_TRUE(service.stop());
    EXPECT_EQ(2, runToEnd(example(L"send_status.exe"), L"cutter_P1"));
    EXPECT_EQ(1, runToEnd(example(L"send_status.exe"), L""));
}

TEST_F(ProtocolExample, CmdOneLinerDeliversAStatus)
{
    const std::wstring line = firstLine(example(L"send-status.cmd"));
    ASSERT_NE(std::wstring::npos, line.find(L"tkWDPipe")) << "not the one-liner";
    // cmd.exe's own exit code says nothing about the pipe (see docs/protocol.md).
    runToEnd(cmdExe(), L"/c " + line, 20000);
    expectStarts({L"cutter|P1"});
    EXPECT_EQ(L"cutter", type());
}

TEST_F(ProtocolExample, TkWDSendBatchFileDeliversItsStatusesInOrder)
{
    // Run from the programs' directory, as its comment asks.
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(dir.path().c_str());
    std::string output;
    EXPECT_EQ(0, runToEnd(cmdExe(), L"/c \"" + example(L"send-with-tkWDSend.cmd") + L"\"", 30000, &output));
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(std::string::npos, output.find("failed")) << output;
    // Two pop-ups started. The first reads box.ini when it starts, which may be after the
    // second status was written: it may show either (docs/protocol.md, ordering).
    ASSERT_TRUE(waitForServiceIdle());
    EXPECT_TRUE(waitUntil([&] { return starts().size() >= 2; }, 15000));
    ASSERT_EQ(2u, starts().size());
    EXPECT_TRUE(starts()[0] == L"connect|P1" || starts()[0] == L"cutter|Lab printer_2") << narrow(starts()[0]);
    EXPECT_EQ(L"cutter|Lab printer_2", starts()[1]);
    EXPECT_EQ(L"Lab printer_2", printer());
}

struct ExitCase {
    const char* name;
    std::wstring arguments;
    long code;
};

class TkWDSendExitCode : public ProtocolExample, public ::testing::WithParamInterface<ExitCase> {};

// The exit-code table of docs/protocol.md, row by row against the real service (3, a pipe
// busy past the time-out, and 5, a failed write, need a pipe of the test's own: sender_test).
TEST_P(TkWDSendExitCode, AsTheTableSays)
{
    const ExitCase& c = GetParam();
    if (c.code == 2) {
        ASSERT_TRUE(service.stop());
    }
    EXPECT_EQ(c.code, runToEnd(dir.file(L"tkWDSend.exe"), c.arguments));
    if (c.code == 2)
        return;
    // A refused message never reaches the service; a sent one does.
    expectStarts(c.code == 0 ? std::vector<std::wstring>{L"busy|P9"} : std::vector<std::wstring>{});
}

INSTANTIATE_TEST_SUITE_P(
    Table, TkWDSendExitCode,
    ::testing::Values(ExitCase{"Sent", L"busy P9", 0},
                      ExitCase{"UsageError", L"", 1},
                      ExitCase{"ServiceNotRunning", L"busy P9", 2},
                      ExitCase{"PrinterOver99Bytes", L"busy " + std::wstring(100, L'P'), 4},
                      ExitCase{"CommandOver99Bytes", std::wstring(100, L'b') + L" P9", 4},
                      ExitCase{"ControlCharacter", L"busy \"P\t9\"", 4},
                      // On code page 1252 (the test's locale) a Chinese name has no exact form.
                      ExitCase{"NotInTheCodePage", L"busy \u6253\u5370\u673a", 4}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.name); });

} // namespace
