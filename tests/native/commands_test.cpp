#include <gtest/gtest.h>

#include <string>

#include "commands.h"

namespace {

TEST(CommandTable, HasThirtyTwoWordsEachFoundAsItsOwnRow)
{
    int count = 0;
    const CommandWord* table = commandTable(&count);
    ASSERT_EQ(32, count);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(&table[i], findCommand(table[i].word)) << table[i].word;
}

TEST(CommandTable, OnlyShownStatusesWritePrinter)
{
    int count = 0;
    const CommandWord* table = commandTable(&count);
    int writers = 0;
    for (int i = 0; i < count; ++i) {
        const bool shows = table[i].action == CommandAction::ShowStatus || table[i].action == CommandAction::AddNewDevice;
        EXPECT_TRUE(shows || !table[i].writesPrinter) << table[i].word;
        writers += table[i].writesPrinter;
    }
    EXPECT_EQ(21, writers);  // the other six status words keep the earlier printer
}

TEST(CommandTable, NearMissesMatchNothing)
{
    const char* misses[] = {"", "Connect", "CONNECT", "connect ", " connect", "connec",
                            "labelunknown", "unkown", "labelnone", "continue", "addnewdev",
                            "AddNewDev", "Exit", "exit ", "devcancel", "USB", "DPI"};
    for (const char* miss : misses)
        EXPECT_EQ(nullptr, findCommand(miss)) << '"' << miss << '"';
}

} // namespace
