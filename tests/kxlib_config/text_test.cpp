// Text routines: last character position, list splitting, list search.
#include <gtest/gtest.h>

#include "uninstall/kxlib/text.h"

using kx::IndexOfText;
using kx::LastCharPos;
using kx::SplitText;
using List = std::vector<std::string>;

TEST(LastCharPos, FindsTheLastOccurrenceCountedFromOne) {
    EXPECT_EQ(LastCharPos('\\', "a\\bc\\d"), 5);
    EXPECT_EQ(LastCharPos('\\', "abc"), 0);
    EXPECT_EQ(LastCharPos('\\', "\\"), 1);
    EXPECT_EQ(LastCharPos('\\', ""), 0);
    EXPECT_EQ(LastCharPos('x', "x"), 1);
    EXPECT_EQ(LastCharPos('\\', "Software\\Orvanta\\"), 17);
}

TEST(SplitText, PiecesBetweenSeparators) {
    List list{"stale"};
    SplitText("x.ocx;y.dll", ';', list);
    EXPECT_EQ(list, (List{"x.ocx", "y.dll"}));
    SplitText("a;b;;c", ';', list);
    EXPECT_EQ(list, (List{"a", "b", "", "c"}));
    SplitText("a;", ';', list);
    EXPECT_EQ(list, (List{"a"}));
    SplitText(";a", ';', list);
    EXPECT_EQ(list, (List{"", "a"}));
    SplitText(";", ';', list);
    EXPECT_EQ(list, (List{""}));
    SplitText(";;", ';', list);
    EXPECT_EQ(list, (List{"", ""}));
    SplitText(" a ; b ", ';', list);
    EXPECT_EQ(list, (List{" a ", " b "}));
    SplitText("", ';', list);
    EXPECT_TRUE(list.empty());
}

TEST(SplitText, TakesTextLongerThanAShortString) {
    std::string piece(200, 'p');
    List list;
    SplitText(piece + ";" + piece + "q;" + piece, ';', list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1], piece + "q");
    EXPECT_EQ(list[2], piece);
}

TEST(IndexOfText, ComparesIgnoringCase) {
    const List servers{".ocx", ".dll"};
    EXPECT_EQ(IndexOfText(".OCX", servers), 0);
    EXPECT_EQ(IndexOfText(".Dll", servers), 1);
    EXPECT_EQ(IndexOfText(".exe", servers), -1);
    EXPECT_EQ(IndexOfText(".ocx", {}), -1);
    EXPECT_EQ(IndexOfText("", {"a", ""}), 1);
    EXPECT_EQ(IndexOfText("b", {"B", "b"}), 0);  // the first equal item
    // Only the ASCII letters change case: e-acute and E-acute differ.
    EXPECT_EQ(IndexOfText("\xE9", {"\xC9"}), -1);
}
