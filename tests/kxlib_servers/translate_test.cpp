// Reading window texts: items split at ";" and shortcut numbers under the
// locale's thousands separator.
#include <gtest/gtest.h>

#include <windows.h>

#include "uninstall/kxlib/translate.h"

namespace {

TEST(TakeItem, ConsumesItemsLeftToRightAndEndsEmpty) {
    std::string t = "&Ok;Start;;last";
    EXPECT_EQ(kx::TakeItem(t), "&Ok");
    EXPECT_EQ(t, "Start;;last");
    EXPECT_EQ(kx::TakeItem(t), "Start");
    EXPECT_EQ(kx::TakeItem(t), "");  // an empty item between two ";"
    EXPECT_EQ(kx::TakeItem(t), "last");
    EXPECT_EQ(t, "");
    EXPECT_EQ(kx::TakeItem(t), "");
    EXPECT_EQ(kx::TakeItem(t), "");

    std::string trailing = "Caption;";
    EXPECT_EQ(kx::TakeItem(trailing), "Caption");
    EXPECT_EQ(trailing, "");
}

// Sets the user locale's thousands separator for one test and puts the old
// one back.
class Separator {
public:
    explicit Separator(const char* sep) {
        char buf[8] = {};
        GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buf, sizeof buf);
        old_ = buf;
        ok_ = SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, sep) != 0;
    }
    ~Separator() { SetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, old_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::string old_;
    bool ok_;
};

TEST(ShortCutFromText, WholeNumbersWithTheLocalesSeparator) {
    Separator comma(",");
    ASSERT_TRUE(comma.ok());
    EXPECT_EQ(kx::ShortCutFromText("16467"), 16467);
    EXPECT_EQ(kx::ShortCutFromText(" 16,467 "), 16467);
    EXPECT_EQ(kx::ShortCutFromText("1 6 4 6 7"), 16467);  // blanks go always
    EXPECT_EQ(kx::ShortCutFromText("+83"), 83);
    EXPECT_EQ(kx::ShortCutFromText("65619"), 83);   // low 16 bits: 0x10053
    EXPECT_EQ(kx::ShortCutFromText("-1"), 0xFFFF);  // as a 32-bit number
    for (const char* bad : {"", "Ctrl+S", "16.467", "12a", "0x41", "+-5", "\xA0" "83", "99999999999"})
        EXPECT_EQ(kx::ShortCutFromText(bad), 0) << bad;
}

TEST(ShortCutFromText, BlankSeparatorAlsoDropsNonBreakingSpaces) {
    {
        Separator blank(" ");
        ASSERT_TRUE(blank.ok());
        EXPECT_EQ(kx::ShortCutFromText("16 467"), 16467);
        EXPECT_EQ(kx::ShortCutFromText("16\xA0" "467"), 16467);
        EXPECT_EQ(kx::ShortCutFromText("16,467"), 0);  // "," is no separator now
    }
    {
        Separator dot(".");
        ASSERT_TRUE(dot.ok());
        EXPECT_EQ(kx::ShortCutFromText("16.467"), 16467);
        EXPECT_EQ(kx::ShortCutFromText("16\xA0" "467"), 0);
    }
}

}  // namespace
