#include <gtest/gtest.h>

#include <string>

#include "sender_args.h"

namespace {

TEST(SenderHex, DecodesPairsWithOptionalBlanks)
{
    unsigned char out[8];
    size_t length = 0;
    ASSERT_EQ(1, parseHexBytes(L"63 6F6e 00 5f", out, sizeof out, &length));
    ASSERT_EQ(5u, length);
    EXPECT_EQ(0x63, out[0]);
    EXPECT_EQ(0x6f, out[1]);
    EXPECT_EQ(0x6e, out[2]);
    EXPECT_EQ(0x00, out[3]);
    EXPECT_EQ(0x5f, out[4]);
}

TEST(SenderHex, RefusesBadInput)
{
    unsigned char out[2];
    size_t length = 0;
    EXPECT_EQ(0, parseHexBytes(L"6", out, sizeof out, &length));      // odd digit count
    EXPECT_EQ(0, parseHexBytes(L"6 3", out, sizeof out, &length));    // a pair split by a blank
    EXPECT_EQ(0, parseHexBytes(L"zz", out, sizeof out, &length));
    EXPECT_EQ(0, parseHexBytes(L"010203", out, sizeof out, &length)); // over capacity
    EXPECT_EQ(1, parseHexBytes(L"0102", out, sizeof out, &length));
}

TEST(SenderParts, WhatTheServiceWouldDropIsRefused)
{
    const struct {
        const char* name;
        std::string bytes;  // a command or printer name as it would be sent
        PartProblem problem;
    } cases[] = {
        {"empty", "", PartProblem::None},
        {"99 bytes", std::string(99, 'N'), PartProblem::None},
        {"100 bytes", std::string(100, 'N'), PartProblem::TooLong},
        {"GBK", "\xb4\xf2\xd3\xa1\xbb\xfa", PartProblem::None},
        {"blank, underscore and delete", "Lab printer_2\x7f", PartProblem::None},
        {"tab", "Lab\tprinter", PartProblem::ControlCharacter},
        {"line break", "A\r\n[OTHER]", PartProblem::ControlCharacter},
        {"byte 01 first", "\x01P1", PartProblem::ControlCharacter},
        {"byte 1F last", "P1\x1f", PartProblem::ControlCharacter},
        {"zero inside", std::string("P\0" "1", 3), PartProblem::ControlCharacter},
        {"long with a control byte", std::string(120, '\n'), PartProblem::TooLong},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.problem, checkPart(c.bytes.data(), c.bytes.size())) << c.name;
}

} // namespace
