// The real uninstall.exe started on staged installations: what its window
// shows, and how it ends when the user cancels.
#include <gtest/gtest.h>

#include "framework/sysutils.h"
#include "tests/support/product.h"

namespace {

const char kEntry[] = "Orvanta Lumadesk Startup Test";

class StartupTest : public ::testing::Test {
protected:
    ts::ScratchDir dir{"uninstall_startup"};
    std::string product = dir / "Lumadesk";
    void TearDown() override { ts::RemoveUninstallEntry(kEntry); }
};

TEST_F(StartupTest, CancelReportsAbortedChangesNothingAndExitsWith1602) {
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Doc\\Guide.chm", ts::InstallStamp()));
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Bin\\Lumadesk.exe", ts::InstallStamp()));
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Doc\\Notes.txt", ts::LaterStamp()));
    ASSERT_TRUE(ts::StageUninstallEntry(kEntry, {{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}}));

    ts::Uninstaller u(ts::BuiltUninstaller(), ts::Quote(kEntry));
    HWND w = u.Window();
    ASSERT_TRUE(w) << "no main window";
    EXPECT_EQ(ts::WindowText(w), "Orvanta Uninstall");
    SIZE size = ts::WindowSize(w);
    EXPECT_EQ(size.cx, 436);
    EXPECT_EQ(size.cy, 342);
    std::vector<std::string> texts;
    for (const auto& c : ts::ChildrenOfClass(w, "Static"))
        if (c.visible) texts.push_back(c.text);
    EXPECT_NE(std::find(texts.begin(), texts.end(), "This program will uninstall Orvanta Lumadesk."),
              texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), product), texts.end());
    auto lists = ts::ChildrenOfClass(w, "ListBox");
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(ts::ListBoxItems(lists[0].hwnd), std::vector<std::string>{"Doc\\Notes.txt"});

    ASSERT_TRUE(u.Press("Cancel"));
    ts::Dialog d = u.NextDialog();
    EXPECT_EQ(d.caption, "Orvanta UnInstall");
    EXPECT_EQ(d.text, "Uninstall aborted.");
    EXPECT_EQ(d.icon, "warning");
    EXPECT_EQ(d.ButtonTexts(), std::vector<std::string>{"OK"});
    ts::PressButton(d.hwnd, "OK");
    EXPECT_EQ(u.ExitCode(), 1602u);
    EXPECT_TRUE(ts::FileExists(product + "\\Doc\\Guide.chm"));
    EXPECT_TRUE(ts::FileExists(product + "\\Doc\\Notes.txt"));
    EXPECT_TRUE(ts::UninstallEntryExists(kEntry));
}

}  // namespace
