#include <gtest/gtest.h>

#include <string>

#include "catalogue.h"

namespace {

struct Row {
    const wchar_t* word;
    const wchar_t* english;
    const wchar_t* chinese;
};

// Every text as the pop-up must show it, written out independently of the table under test.
const Row kExpected[] = {
    {L"usb", L"Please replug the USB", L"\u8bf7 \u62d4 \u63d2 USB \u6570 \u636e \u7ebf"},
    {L"disconnect", L"Printer disconnected", L"\u6253 \u5370 \u673a \u5df2 \u65ad \u5f00"},
    {L"connect", L"Printer connected", L"\u6253 \u5370 \u673a \u5df2 \u8fde \u63a5"},
    {L"addNewDev", L"Printer connected", L"\u6253 \u5370 \u673a \u5df2 \u8fde \u63a5"},
    {L"stopByHuman", L"Printer stopped", L"\u6253 \u5370 \u673a \u5df2 \u6682 \u505c"},
    {L"temper", L"Temperature too high", L"\u6253 \u5370 \u673a \u6e29 \u5ea6 \u8fc7 \u9ad8"},
    {L"cutter", L"Cutter is stucked", L"\u5207 \u5200 \u88ab \u5361 \u4f4f \u4e86"},
    {L"carbon", L"Please check the carbon", L"\u8bf7 \u68c0 \u67e5 \u78b3 \u5e26"},
    {L"busy", L"The printer is busy", L"\u6253 \u5370 \u673a \u5fd9"},
    {L"adapter", L"Please check the adapter", L"\u8bf7 \u68c0 \u67e5 \u9002 \u914d \u5668"},
    {L"unlock", L"Please put the label box inside", L"\u8bf7 \u653e \u5165 \u6807 \u7b7e \u76d2"},
    {L"lockopened", L"The cover opened", L"\u6253 \u5370 \u673a \u4ed3 \u76d6 \u5f02 \u5e38"},
    {L"labelmore", L"Paper no more", L"\u6253 \u5370 \u673a \u7eb8 \u5f20 \u4e0d \u8db3"},
    {L"labelbox", L"Please check label box", L"\u8bf7 \u68c0 \u67e5 \u6807 \u7b7e \u76d2"},
    {L"labelunkown", L"Unkown label", L"\u6807 \u7b7e \u7c7b \u578b \u4e0d \u8bc6 \u522b"},
    {L"labelnone", L"Paper no more", L"\u6253 \u5370 \u673a \u65e0 \u6807 \u7b7e \u7eb8"},
    {L"continue", L"Print job resume", L"\u5df2 \u6062 \u590d \u6253 \u5370 \u4f5c \u4e1a"},
    {L"newconnect", L"Discover new printer", L"\u8bf7 \u5b89 \u88c5 \u9a71 \u52a8"},
    {L"paper", L"Paper abnormal", L"\u7eb8 \u5e26 \u5f02 \u5e38"},
    {L"labelerr", L"Label abnormal", L"\u6807 \u7b7e \u5f02 \u5e38"},
    {L"rfiderr", L"Write RFID error", L"RFID \u5199 \u5165 \u5931 \u8d25"},
    {L"rfidInvalid", L"RFID content error", L"RFID \u683c \u5f0f \u6216 \u5185 \u5bb9 \u65e0 \u6548"},
    {L"rfidUnSupport", L"RFID unsupport", L"\u6253 \u5370 \u673a \u4e0d \u652f \u6301 RFID"},
    {L"socketSnErr", L"IP error", L"IP \u9519 \u8bef! \u8bf7 \u66f4 \u65b0 IP \u5730 \u5740"},
    {L"poweroff", L"Power low", L"\u6253 \u5370 \u673a \u7535 \u91cf \u4e0d \u8db3"},
    {L"dpi", L"DPI mismatch", L"DPI \u4e0d \u5339 \u914d\uff0c\u8bf7 \u5b89 \u88c5 \u5bf9 \u5e94 \u9a71 \u52a8"},
    {L"antifake", L"Antifake error", L"\u9632 \u4f2a \u7535 \u8def \u9519 \u8bef"},
    {L"netbusy", L"Network busy,please wait for a moment.", L"\u7f51 \u7edc \u5fd9\uff0c\u8bf7 \u7a0d \u7b49..."},
    {L"height", L"Template height too short", L"\u6a21 \u677f \u9ad8 \u5ea6 \u8bbe \u7f6e \u8fc7 \u5c0f"},
    {L"unkown", L"Unkown error", L"\u6253 \u5370 \u673a \u5f02 \u5e38"},
};

std::string narrow(const wchar_t* word)
{
    std::string out;
    for (; *word; ++word)
        out += static_cast<char>(*word);
    return out;
}

TEST(Catalogue, EveryWordGivesItsTextInBothLanguages)
{
    int count = 0;
    catalogueRows(&count);
    ASSERT_EQ(30, count);
    for (const Row& row : kExpected) {
        SCOPED_TRACE(narrow(row.word));
        CatalogueMatch match = {};
        ASSERT_EQ(1, lookUpStatus(Language::English, row.word, &match));
        EXPECT_STREQ(row.english, match.text);
        EXPECT_EQ(std::wstring(row.word) == L"newconnect", match.newPrinter);
        ASSERT_EQ(1, lookUpStatus(Language::Chinese, row.word, &match));
        EXPECT_STREQ(row.chinese, match.text);
        EXPECT_EQ(std::wstring(row.word) == L"newconnect", match.newPrinter);
    }
}

TEST(Catalogue, NearMissesMatchNothing)
{
    const wchar_t* misses[] = {L"",          L"Connect",   L"CONNECT",      L"USB",     L"DPI",
                               L"unknown",   L"labelunknown", L"addnewdev", L"AddNewDev",
                               L"connect ",  L" connect",  L"Newconnect",   L"exit",    L"normal",
                               L"devCancel", L"closeNewDev", L"newdisconnect"};
    for (const wchar_t* miss : misses) {
        CatalogueMatch match = {L"untouched", true};
        EXPECT_EQ(0, lookUpStatus(Language::English, miss, &match)) << narrow(miss);
        EXPECT_EQ(0, lookUpStatus(Language::Chinese, miss, &match)) << narrow(miss);
        EXPECT_STREQ(L"untouched", match.text);
    }
}

TEST(Catalogue, LongestTextHas38Characters)
{
    int count = 0;
    const CatalogueRow* rows = catalogueRows(&count);
    size_t longest = 0;
    for (int i = 0; i < count; ++i)
        longest = std::max({longest, std::wstring(rows[i].english).size(), std::wstring(rows[i].chinese).size()});
    EXPECT_EQ(38u, longest);
}

TEST(Catalogue, LanguageIsChineseOnlyOnCodePage936)
{
    EXPECT_EQ(Language::Chinese, languageForCodePage(936));
    for (unsigned codePage : {437u, 950u, 1252u, 65001u, 0u})
        EXPECT_EQ(Language::English, languageForCodePage(codePage)) << codePage;
}

} // namespace
