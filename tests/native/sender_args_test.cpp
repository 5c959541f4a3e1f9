#include <gtest/gtest.h>

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

} // namespace
