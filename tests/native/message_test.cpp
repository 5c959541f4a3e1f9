#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "message.h"

namespace {

struct SplitCase {
    const char* name;
    std::string bytes;  // as written to the pipe
    int fits;
    const char* command;
    const char* printer;
};

class SplitMessage : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitMessage, GivesCommandAndPrinter)
{
    const SplitCase& c = GetParam();
    char buffer[kMessageBytes + 1] = {};
    std::memcpy(buffer, c.bytes.data(), c.bytes.size());
    char command[kFieldBytes];
    char printer[kFieldBytes];
    std::memset(command, 'x', sizeof command);
    std::memset(printer, 'x', sizeof printer);

    EXPECT_EQ(c.fits, splitMessage(buffer, kMessageBytes, command, printer));
    EXPECT_STREQ(c.command, command);
    EXPECT_STREQ(c.printer, printer);
}

const std::string k99(99, 'N');
const std::string k100(100, 'N');

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitMessage,
    ::testing::Values(
        SplitCase{"Terminated", std::string("connect_P1\0", 11), 1, "connect", "P1"},
        SplitCase{"Unterminated", "connect_P1", 1, "connect", "P1"},
        SplitCase{"LaterUnderscoresBelongToName", "connect_Lab_2", 1, "connect", "Lab_2"},
        SplitCase{"NoUnderscore", "exit", 1, "exit", ""},
        SplitCase{"LeadingUnderscore", "_P1", 1, "", "P1"},
        SplitCase{"Empty", "", 1, "", ""},
        SplitCase{"EmptyName", "busy_", 1, "busy", ""},
        SplitCase{"ZeroInTheMiddle", std::string("cutter_P1\0connect_P2", 20), 1, "cutter", "P1"},
        SplitCase{"Name99", "connect_" + k99, 1, "connect", k99.c_str()},
        SplitCase{"Name100Dropped", "connect_" + k100, 0, "", ""},
        SplitCase{"Command99", k99 + "_P1", 1, k99.c_str(), "P1"},
        SplitCase{"Command100Dropped", k100 + "_P1", 0, "", ""},
        SplitCase{"WithoutUnderscore100Dropped", k100, 0, "", ""},
        SplitCase{"Longest", k99 + "_" + k99, 1, k99.c_str(), k99.c_str()},
        SplitCase{"Full256NoTerminator", std::string(256, 'a'), 0, "", ""},
        // GBK bytes pass through unchanged; the UTF-16 conversion is the platform's.
        SplitCase{"GbkName", "connect_\xb4\xf2\xd3\xa1\xbb\xfa", 1, "connect", "\xb4\xf2\xd3\xa1\xbb\xfa"},
        // A control byte anywhere drops the whole message: a name must not write report lines.
        SplitCase{"LineBreaksInName", "busy_A\r\n[OTHER]\r\nX=1", 0, "", ""},
        SplitCase{"TabInCommand", "con\tnect_P1", 0, "", ""},
        SplitCase{"Byte01AtTheStart", "\x01" "connect_P1", 0, "", ""},
        SplitCase{"Byte1FAtTheEnd", "connect_P1\x1f", 0, "", ""},
        SplitCase{"BlankAndDeleteAreKept", "connect_Lab 2\x7f", 1, "connect", "Lab 2\x7f"},
        SplitCase{"ControlBytesAfterTheZeroAreIgnored", std::string("connect_P1\0\r\n", 13), 1, "connect", "P1"}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(SplitMessageBounds, ReadsNoFurtherThanSize)
{
    // No zero byte anywhere in the given size: the split must stop at size.
    char buffer[8];
    std::memcpy(buffer, "usb_P12X", 8);
    char command[kFieldBytes];
    char printer[kFieldBytes];
    EXPECT_EQ(1, splitMessage(buffer, 7, command, printer));
    EXPECT_STREQ("usb", command);
    EXPECT_STREQ("P12", printer);
}

} // namespace
