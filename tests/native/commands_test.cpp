#include <gtest/gtest.h>

#include <string>

#include "commands.h"

namespace {

struct WordCase {
    const char* word;
    CommandAction action;
    bool writesPrinter;
};

// The whole vocabulary in test order.
const WordCase kWords[] = {
    {"exit", CommandAction::Exit, false},
    {"devCancel", CommandAction::PurgeQueue, false},
    {"closeNewDev", CommandAction::CloseNewPrinterPopup, false},
    {"newconnect", CommandAction::NewConnect, false},
    {"newdisconnect", CommandAction::CloseNewPrinterPopup, false},
    {"connect", CommandAction::ShowStatus, true},
    {"usb", CommandAction::ShowStatus, true},
    {"addNewDev", CommandAction::AddNewDevice, true},
    {"disconnect", CommandAction::ShowStatus, true},
    {"stopByHuman", CommandAction::ShowStatus, true},
    {"normal", CommandAction::ClosePrinterPopups, false},
    {"temper", CommandAction::ShowStatus, true},
    {"cutter", CommandAction::ShowStatus, true},
    {"carbon", CommandAction::ShowStatus, true},
    {"busy", CommandAction::ShowStatus, true},
    {"adapter", CommandAction::ShowStatus, true},
    {"unlock", CommandAction::ShowStatus, true},
    {"lockopened", CommandAction::ShowStatus, true},
    {"labelmore", CommandAction::ShowStatus, true},
    {"labelbox", CommandAction::ShowStatus, true},
    {"labelunkown", CommandAction::ShowStatus, true},
    {"paper", CommandAction::ShowStatus, true},
    {"labelerr", CommandAction::ShowStatus, true},
    {"rfiderr", CommandAction::ShowStatus, true},
    {"rfidInvalid", CommandAction::ShowStatus, true},
    {"rfidUnSupport", CommandAction::ShowStatus, true},
    {"dpi", CommandAction::ShowStatus, true},
    {"antifake", CommandAction::ShowStatus, false},
    {"netbusy", CommandAction::ShowStatus, false},
    {"socketSnErr", CommandAction::ShowStatus, false},
    {"poweroff", CommandAction::ShowStatus, false},
    {"height", CommandAction::ShowStatus, false},
};

TEST(CommandTable, EveryWordMatchesItsOwnRowWithItsAction)
{
    int count = 0;
    const CommandWord* table = commandTable(&count);
    ASSERT_EQ(32, count);
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(kWords[i].word);
        EXPECT_STREQ(kWords[i].word, table[i].word);  // same order
        const CommandWord* row = findCommand(kWords[i].word);
        ASSERT_NE(nullptr, row);
        EXPECT_EQ(&table[i], row);
        EXPECT_EQ(kWords[i].action, row->action);
        EXPECT_EQ(kWords[i].writesPrinter, row->writesPrinter);
    }
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
