// tkWDSend under Wine, against a pipe server of the test's own: what it writes, and its
// documented exit codes and messages.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"

using namespace harness;

namespace {

constexpr wchar_t kPipeName[] = L"\\\\.\\pipe\\tkWDPipe";

// One instance of the status pipe, as the service creates it, that reads one message.
class TestPipeServer {
public:
    TestPipeServer()
    {
        pipe_ = CreateNamedPipeW(kPipeName, PIPE_ACCESS_INBOUND, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                 1, 4096, 4096, 3000, nullptr);
    }
    ~TestPipeServer() { CloseHandle(pipe_); }
    bool ok() const { return pipe_ != INVALID_HANDLE_VALUE; }

    // Accepts one client and reads its message whole (up to 8 KB).
    std::string receive()
    {
        ConnectNamedPipe(pipe_, nullptr);
        std::string message;
        char chunk[8192];
        DWORD got = 0;
        BOOL done = FALSE;
        do {
            done = ReadFile(pipe_, chunk, sizeof chunk, &got, nullptr);
            if (!done && GetLastError() != ERROR_MORE_DATA)
                break;
            message.append(chunk, got);
        } while (!done);
        DisconnectNamedPipe(pipe_);
        return message;
    }

private:
    HANDLE pipe_ = INVALID_HANDLE_VALUE;
};

struct SentCase {
    const char* name;
    std::wstring arguments;
    std::string bytes;
};

class SenderWrites : public ::testing::TestWithParam<SentCase> {};

TEST_P(SenderWrites, OneMessageAndExitsWithZero)
{
    TestPipeServer server;
    ASSERT_TRUE(server.ok());
    Process sender;
    ASSERT_TRUE(sender.start(programPath(L"tkWDSend.exe"), GetParam().arguments));
    EXPECT_EQ(GetParam().bytes, server.receive());
    DWORD code = 1;
    ASSERT_TRUE(sender.wait(15000, &code));
    EXPECT_EQ(0u, code);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, SenderWrites,
    ::testing::Values(SentCase{"CommandAndPrinter", L"cutter P1", "cutter_P1"},
                      SentCase{"CommandAlone", L"exit", "exit"},
                      SentCase{"EmptyPrinter", L"busy \"\"", "busy_"},
                      SentCase{"PrinterWithBlanks", L"connect \"Lab printer_2\"", "connect_Lab printer_2"},
                      SentCase{"Printer99Bytes", L"connect " + std::wstring(99, L'N'), "connect_" + std::string(99, 'N')},
                      SentCase{"WindowsLatin1Printer", L"connect Caf\u00e9\u20ac", "connect_Caf\xe9\x80"},
                      SentCase{"Hex", L"--hex \"63 75 00 5f\"", std::string("cu\0_", 4)},
                      SentCase{"HexLongerThanTheServiceReads", L"--hex " + std::wstring(600, L'6'),
                               std::string(300, 'f')}),
    [](const ::testing::TestParamInfo<SentCase>& info) { return std::string(info.param.name); });

TEST(SenderCodePage, ChinesePrinterIsSentInGbkOnCodePage936)
{
    if (GetACP() != 936)
        GTEST_SKIP() << "needs Wine started under zh_CN.UTF-8";
    TestPipeServer server;
    ASSERT_TRUE(server.ok());
    Process sender;
    ASSERT_TRUE(sender.start(programPath(L"tkWDSend.exe"), L"connect \u6253\u5370\u673a"));
    EXPECT_EQ("connect_\xb4\xf2\xd3\xa1\xbb\xfa", server.receive());
    DWORD code = 1;
    ASSERT_TRUE(sender.wait(15000, &code));
    EXPECT_EQ(0u, code);
}

TEST(SenderCodePage, NameOutsideGbkIsRefusedOnCodePage936)
{
    if (GetACP() != 936)
        GTEST_SKIP() << "needs Wine started under zh_CN.UTF-8";
    std::string output;
    // Hangul, which GBK lacks.
    EXPECT_EQ(4, runToEnd(programPath(L"tkWDSend.exe"), L"connect \ud504\ub9b0\ud130", 20000, &output));
    EXPECT_NE(std::string::npos, output.find("cannot be written exactly in the ANSI code page 936")) << output;
}

struct ErrorCase {
    const char* name;
    std::wstring arguments;
    long code;
    const char* says;  // part of the one-line message
};

class SenderFails : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(SenderFails, WithItsExitCodeAndMessage)
{
    std::string output;
    EXPECT_EQ(GetParam().code, runToEnd(programPath(L"tkWDSend.exe"), GetParam().arguments, 20000, &output));
    EXPECT_NE(std::string::npos, output.find(GetParam().says)) << output;
}

INSTANTIATE_TEST_SUITE_P(
    Errors, SenderFails,
    ::testing::Values(ErrorCase{"NoArguments", L"", 1, "usage"},
                      ErrorCase{"TooManyArguments", L"a b c", 1, "usage"},
                      ErrorCase{"UnknownOption", L"--bogus", 1, "usage"},
                      ErrorCase{"BadHex", L"--hex zz", 1, "--hex"},
                      ErrorCase{"NoPipe", L"cutter P1", 2, "not running"},
                      ErrorCase{"PrinterOver99Bytes", L"connect " + std::wstring(100, L'N'), 4,
                                "printer name is longer than 99 bytes"},
                      ErrorCase{"CommandOver99Bytes", std::wstring(100, L'c') + L" P1", 4,
                                "command is longer than 99 bytes"},
                      ErrorCase{"LineBreakInPrinter", L"busy \"A\r\n[OTHER]\"", 4, "printer name holds a control"},
                      ErrorCase{"ControlByteInPrinter", L"busy P\x01" L"1", 4, "printer name holds a control"},
                      ErrorCase{"TabInCommand", L"\"con\tnect\" P1", 4, "command holds a control"},
                      // Best fit would turn these into "P1" and "???", names of other printers.
                      ErrorCase{"FullWidthPrinter", L"connect \uff30\uff11", 4,
                                "printer name cannot be written exactly in the ANSI code page 1252"},
                      ErrorCase{"ChinesePrinter", L"connect \u6253\u5370\u673a", 4,
                                "printer name cannot be written exactly"},
                      ErrorCase{"Help", L"--help", 0, "Exit codes"}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

TEST(SenderBusy, GivesUpAfterTheTimeOutWhileAnotherClientHoldsThePipe)
{
    TestPipeServer server;
    ASSERT_TRUE(server.ok());
    HANDLE other = CreateFileW(kPipeName, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    std::string output;
    EXPECT_EQ(3, runToEnd(programPath(L"tkWDSend.exe"), L"cutter P1", 30000, &output));
    EXPECT_NE(std::string::npos, output.find("busy")) << output;
    CloseHandle(other);
}

} // namespace
