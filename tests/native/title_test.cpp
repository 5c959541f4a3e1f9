#include <gtest/gtest.h>

#include <string>

#include "paths.h"
#include "popup_title.h"

namespace {

struct TitleCase {
    const char* name;
    std::wstring printer;
    std::wstring title;
};

class PopupTitle : public ::testing::TestWithParam<TitleCase> {};

TEST_P(PopupTitle, IsNameTwoBlanksAndVersion)
{
    wchar_t title[kTitleCapacity];
    ASSERT_EQ(1, formatPopupTitle(title, kTitleCapacity, GetParam().printer.c_str()));
    EXPECT_EQ(GetParam().title, title);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PopupTitle,
    ::testing::Values(TitleCase{"Plain", L"P1", L"P1  V1.3.3"},
                      TitleCase{"Underscore", L"Lab_2", L"Lab_2  V1.3.3"},
                      TitleCase{"EmptyName", L"", L"  V1.3.3"},
                      TitleCase{"Chinese", L"打印机", L"打印机  V1.3.3"},
                      // 107 characters.
                      TitleCase{"Name99", std::wstring(99, L'N'), std::wstring(99, L'N') + L"  V1.3.3"}),
    [](const ::testing::TestParamInfo<TitleCase>& info) { return std::string(info.param.name); });

TEST(PopupTitleLength, TooSmallBufferGivesEmptyTitleNotACutOne)
{
    wchar_t title[11];
    EXPECT_EQ(0, formatPopupTitle(title, 10, L"P1"));  // "P1  V1.3.3" needs 11
    EXPECT_STREQ(L"", title);
    EXPECT_EQ(1, formatPopupTitle(title, 11, L"P1"));
}

TEST(NewPrinterTitle, ChineseOnlyOnCodePage936)
{
    const struct {
        unsigned codePage;
        const wchar_t* title;
    } cases[] = {{936, L"发现新打印机"},
                 {950, L"Discover new printer"},
                 {1252, L"Discover new printer"},
                 {65001, L"Discover new printer"}};
    for (const auto& c : cases)
        EXPECT_STREQ(c.title, newPrinterTitleFor(c.codePage)) << c.codePage;
}

TEST(Paths, CutAfterLastBackslash)
{
    wchar_t path[] = L"C:\\Program Files\\tk\\tkPTSer.exe";
    EXPECT_EQ(1, cutAfterLastBackslash(path));
    EXPECT_STREQ(L"C:\\Program Files\\tk\\", path);
    wchar_t bare[] = L"tkPTSer.exe";
    EXPECT_EQ(0, cutAfterLastBackslash(bare));
    EXPECT_STREQ(L"tkPTSer.exe", bare);
}

TEST(Paths, JoinFitsExactlyOrNotAtAll)
{
    // 259 characters is the most a 260-character buffer holds.
    const std::wstring dir = L"C:\\" + std::wstring(248, L'd') + L"\\";  // 252 characters
    wchar_t out[kPathCapacity];
    EXPECT_EQ(1, joinTexts(out, kPathCapacity, dir.c_str(), L"box.ini"));  // 259
    EXPECT_EQ(dir + L"box.ini", out);
    EXPECT_EQ(0, joinTexts(out, kPathCapacity, dir.c_str(), L"tkWDBox.exe"));  // 263
    EXPECT_STREQ(L"", out);
}

} // namespace
