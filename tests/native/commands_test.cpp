#include <gtest/gtest.h>

#include <set>
#include <string>

#include "catalogue.h"
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

TEST(CommandTable, WordsThatShowNoStatusDoTheirOwnAction)
{
    const struct {
        const char* word;
        CommandAction action;
    } cases[] = {{"exit", CommandAction::Exit},
                 {"devCancel", CommandAction::PurgeQueue},
                 {"closeNewDev", CommandAction::CloseNewPrinterPopup},
                 {"newconnect", CommandAction::NewConnect},
                 {"newdisconnect", CommandAction::CloseNewPrinterPopup},
                 {"normal", CommandAction::ClosePrinterPopups}};
    for (const auto& c : cases) {
        const CommandWord* row = findCommand(c.word);
        ASSERT_NE(nullptr, row) << c.word;
        EXPECT_EQ(c.action, row->action) << c.word;
        EXPECT_FALSE(row->writesPrinter) << c.word;
    }
}

// The report's TYPE is the command word itself: a word the pop-up does not know would show
// nothing at all.
TEST(CommandTable, EveryWordThatShowsAStatusIsOneThePopupKnows)
{
    int count = 0;
    const CommandWord* table = commandTable(&count);
    for (int i = 0; i < count; ++i) {
        const CommandAction action = table[i].action;
        if (action != CommandAction::ShowStatus && action != CommandAction::AddNewDevice &&
            action != CommandAction::NewConnect)
            continue;
        std::wstring word;
        for (const char* c = table[i].word; *c; ++c)
            word += static_cast<wchar_t>(*c);
        CatalogueMatch match = {};
        EXPECT_EQ(1, lookUpStatus(Language::English, word.c_str(), &match)) << table[i].word;
        EXPECT_EQ(action == CommandAction::NewConnect, match.newPrinter) << table[i].word;
    }
}

TEST(CommandTable, OnlyFiveShownStatusesKeepTheEarlierPrinter)
{
    const std::set<std::string> keepers = {"antifake", "netbusy", "socketSnErr", "poweroff", "height"};
    for (const std::string& word : keepers) {
        const CommandWord* row = findCommand(word.c_str());
        ASSERT_NE(nullptr, row) << word;
        EXPECT_EQ(CommandAction::ShowStatus, row->action) << word;
    }
    int count = 0;
    const CommandWord* table = commandTable(&count);
    for (int i = 0; i < count; ++i) {
        const bool shows = table[i].action == CommandAction::ShowStatus || table[i].action == CommandAction::AddNewDevice;
        EXPECT_EQ(shows && !keepers.count(table[i].word), table[i].writesPrinter) << table[i].word;
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
