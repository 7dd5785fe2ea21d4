// The real uninstall.exe started on staged installations: the window's three
// shapes, the list of the user's files, and how it ends when the user
// cancels or closes it.
#include <gtest/gtest.h>

#include "framework/base/sysutils.h"
#include "tests/uninstall_startup/e2e.h"

namespace {

const char kProductLine[] = "This program will uninstall Orvanta Lumadesk.";
const char kUserFilesText[] =
    "Warning! The following files seem to belong to User or to be modified by User. "
    "Please check option below if you want to delete them.";
const char kKeepWarning[] = "Apart from these files, all data in the following directory will be erased:";
const char kEraseWarning[] = "All data in the following directory will be erased:";

SYSTEMTIME Plus(SYSTEMTIME t, int seconds) {
    FILETIME f;
    SystemTimeToFileTime(&t, &f);
    ULARGE_INTEGER u{{f.dwLowDateTime, f.dwHighDateTime}};
    u.QuadPart += static_cast<ULONGLONG>(seconds) * 10000000ull;
    f = {u.LowPart, u.HighPart};
    FileTimeToSystemTime(&f, &t);
    return t;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

using Window = e2e::StageTest;

TEST_F(Window, FullShapeListsUserFilesNewestFolderFirstAndFollowsTheCheckBox) {
    StageInstallation();
    // One user file per folder, in a chain of folders, so that the listing
    // order is fixed: each folder's files before its sub-folders.  "Z" sorts
    // after "A" but is listed first, being in the top folder.
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Z-notes.txt", ts::LaterStamp()));
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\A\\mine.doc", ts::LaterStamp()));
    // 22 seconds after the installation are 11 packed units: the user's.
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\A\\B\\Later.dll", Plus(ts::InstallStamp(), 22)));
    // A help file the user changed is the user's too.
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\A\\B\\C\\Changed.chm", ts::LaterStamp()));
    // Backups never count, whatever their stamp.
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Guide.~chm", ts::LaterStamp()));
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\A\\old.~tx", ts::LaterStamp()));
    // 20 seconds are 10 packed units: still the installation's.
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Bin\\Near.dll", Plus(ts::InstallStamp(), 20)));
    // Hidden files are not listed at all.
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Doc\\Hidden.txt", ts::LaterStamp()));
    ts::SetHidden(product + "\\Doc\\Hidden.txt");
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}});

    auto u = Start(ts::Quote(entry));
    HWND w = u.Window();
    ASSERT_TRUE(w) << "no main window";
    auto v = e2e::ReadWindow(w);
    EXPECT_EQ(v.caption, "Orvanta Uninstall");
    EXPECT_EQ(v.size.cx, 436);
    EXPECT_EQ(v.size.cy, 342);
    EXPECT_EQ(v.labels, (std::vector<std::string>{kProductLine, kUserFilesText, kKeepWarning, product}));
    ASSERT_TRUE(v.listVisible);
    // Reverse listing order, paths relative to the product folder.
    EXPECT_EQ(v.listItems, (std::vector<std::string>{"A\\B\\C\\Changed.chm", "A\\B\\Later.dll",
                                                    "A\\mine.doc", "Z-notes.txt"}));
    EXPECT_TRUE(v.checkVisible);
    EXPECT_FALSE(v.checked);
    EXPECT_EQ(v.checkText, "Delete User files listed above");
    EXPECT_EQ(v.buttons, (std::vector<std::string>{"&Ok", "&Cancel"}));
    // Layout: the texts stack inside the panel, the check box and the buttons
    // below it, everything inside the window.
    for (const auto& r : v.labelRects) EXPECT_TRUE(Inside(r, v.panel));
    EXPECT_TRUE(Inside(v.listRect, v.panel));
    EXPECT_LT(v.labelRects[1].bottom, v.listRect.bottom);
    EXPECT_LE(v.listRect.bottom, v.labelRects[2].top);
    for (const auto& r : v.buttonRects) {
        EXPECT_GE(r.top, v.panel.bottom);
        EXPECT_TRUE(Inside(r, v.client));
    }

    // The warning follows the check box, both ways.
    v = e2e::ClickCheckBox(w);
    EXPECT_TRUE(v.checked);
    EXPECT_EQ(v.labels[2], kEraseWarning);
    v = e2e::ClickCheckBox(w);
    EXPECT_FALSE(v.checked);
    EXPECT_EQ(v.labels[2], kKeepWarning);

    ASSERT_TRUE(u.Press("Cancel"));
    auto o = e2e::AwaitOutcome(u);
    EXPECT_EQ(o.dialog.text, "Uninstall aborted.");
    EXPECT_EQ(o.exitCode, 1602u);
}

TEST_F(Window, InstalledStampsOnlyGiveThe190PixelShape) {
    StageInstallation();
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Doc\\Guide.~chm", ts::LaterStamp()));
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Doc\\Near.txt", Plus(ts::InstallStamp(), 20)));
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}});

    auto u = Start(ts::Quote(entry));
    HWND w = u.Window();
    ASSERT_TRUE(w);
    auto v = e2e::ReadWindow(w);
    EXPECT_EQ(v.size.cx, 436);
    EXPECT_EQ(v.size.cy, 190);
    EXPECT_EQ(v.panel.bottom - v.panel.top, 90);
    EXPECT_EQ(v.labels, (std::vector<std::string>{kProductLine, kEraseWarning, product}));
    EXPECT_FALSE(v.listVisible);
    EXPECT_FALSE(v.checkVisible);
    EXPECT_TRUE(v.checked);
    ASSERT_EQ(v.buttons.size(), 2u);
    // The buttons follow the window's bottom edge.
    for (const auto& r : v.buttonRects) {
        EXPECT_GE(r.top, v.panel.bottom);
        EXPECT_TRUE(Inside(r, v.client));
    }
    for (const auto& r : v.labelRects) EXPECT_TRUE(Inside(r, v.panel));
    ASSERT_TRUE(u.Press("Cancel"));
    EXPECT_EQ(e2e::AwaitOutcome(u).exitCode, 1602u);
}

TEST_F(Window, WithoutHelpFilesNothingCountsAsTheUsers) {
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Bin\\Lumadesk.exe", ts::InstallStamp()));
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Mine.txt", ts::LaterStamp()));
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}});

    auto u = Start(ts::Quote(entry));
    HWND w = u.Window();
    ASSERT_TRUE(w);
    auto v = e2e::ReadWindow(w);
    EXPECT_EQ(v.size.cy, 190);
    EXPECT_FALSE(v.listVisible);
    EXPECT_TRUE(v.checked);
    EXPECT_EQ(v.labels, (std::vector<std::string>{kProductLine, kEraseWarning, product}));
    ASSERT_TRUE(u.Press("Cancel"));
    EXPECT_EQ(e2e::AwaitOutcome(u).exitCode, 1602u);
}

TEST_F(Window, NetworkFolderNamesTheFolderInThe190PixelShape) {
    // A real share: \\<server>\lumashare is a scratch folder, seen through
    // the prefix's dosdevices\unc.  It holds help files and user files, which
    // a network folder is never searched for.
    const std::string server = "orve2e" + std::to_string(GetCurrentProcessId());
    // C:\ is <prefix>/dosdevices/c:/ or <prefix>/drive_c/.
    std::string drive = ts::UnixPath("C:\\");
    ASSERT_FALSE(drive.empty());
    while (!drive.empty() && drive.back() == '/') drive.pop_back();
    std::string prefix = drive.substr(0, drive.find_last_of('/'));
    if (prefix.size() > 11 && prefix.compare(prefix.size() - 11, 11, "/dosdevices") == 0)
        prefix.resize(prefix.size() - 11);
    const std::string unc = prefix + "/dosdevices/unc";
    const std::string shared = dir / "Server";
    ts::MakeDirs(shared + "\\lumashare");
    const std::string share = "\\\\" + server + "\\lumashare\\Lumadesk";
    struct Unlink {
        std::string link;
        ~Unlink() { ts::RunUnix("rm -f '" + link + "'"); }
    } unlink{unc + "/" + server};
    ts::RunUnix("mkdir -p '" + unc + "' && ln -sfn '" + ts::UnixPath(shared) + "' '" + unlink.link + "'");
    for (int i = 0; i < 100 && !ts::DirExists("\\\\" + server + "\\lumashare"); ++i) Sleep(50);
    ASSERT_TRUE(ts::WriteStampedFile(share + "\\Guide.chm", ts::InstallStamp()));
    ASSERT_TRUE(ts::WriteStampedFile(share + "\\Doc\\Mine.txt", ts::LaterStamp()));
    ASSERT_TRUE(ts::FileExists(shared + "\\lumashare\\Lumadesk\\Doc\\Mine.txt")) << "the share is not staged";
    StageEntry({{"Path", share}, {"DisplayName", "Orvanta Lumadesk"}});
    auto files = e2e::TreeSnapshot(shared);

    auto u = Start(ts::Quote(entry));
    HWND w = u.Window();
    ASSERT_TRUE(w) << "no main window";
    auto v = e2e::ReadWindow(w);
    EXPECT_EQ(v.size.cx, 436);
    EXPECT_EQ(v.size.cy, 190);
    EXPECT_EQ(v.panel.bottom - v.panel.top, 90);
    EXPECT_EQ(v.labels, (std::vector<std::string>{kProductLine, kEraseWarning, share}));
    EXPECT_FALSE(v.listVisible);
    EXPECT_TRUE(v.listItems.empty());
    EXPECT_FALSE(v.checkVisible);
    EXPECT_TRUE(v.checked);
    for (const auto& r : v.buttonRects) EXPECT_TRUE(Inside(r, v.client));
    ASSERT_TRUE(u.Press("Cancel"));
    EXPECT_EQ(e2e::AwaitOutcome(u).exitCode, 1602u);
    EXPECT_EQ(e2e::TreeSnapshot(shared), files);
}

TEST_F(Window, EmptyPathIsNoEntryOfTheProductsNotEvenForTheProgramsOwnFolder) {
    // The uninstaller runs in its own folder; an entry without a folder is
    // not the product's: the start-up stops before the window, and nothing
    // of that folder or of the entry is touched.
    ASSERT_TRUE(ts::WriteStampedFile(dir / "Prog\\Help.chm", ts::InstallStamp()));
    ASSERT_TRUE(ts::WriteStampedFile(dir / "Prog\\Mine.txt", ts::LaterStamp()));
    StageEntry({{"Path", ""}, {"DisplayName", "Orvanta Lumadesk"}});
    auto u = Start(ts::Quote(entry));
    auto stop = e2e::AwaitStop(u);
    EXPECT_EQ(stop.dialog.text, e2e::InvalidParameter(entry));
    EXPECT_FALSE(stop.windowSeen);
    EXPECT_TRUE(ts::FileExists(dir / "Prog\\Mine.txt"));
    EXPECT_TRUE(ts::UninstallEntryExists(entry));
}

TEST_F(Window, EmptyDisplayNameLeavesTheBareProductLine) {
    StageInstallation();
    StageEntry({{"Path", product}});
    auto u = Start(ts::Quote(entry));
    HWND w = u.Window();
    ASSERT_TRUE(w);
    auto v = e2e::ReadWindow(w);
    ASSERT_FALSE(v.labels.empty());
    EXPECT_EQ(v.labels[0], "This program will uninstall .");
    ASSERT_TRUE(u.Press("Cancel"));
    EXPECT_EQ(e2e::AwaitOutcome(u).exitCode, 1602u);
}

// Cancel, the close box and Escape all end with "Uninstall aborted." and
// leave the product, its entry and its configuration as they were.
class Closing : public e2e::StageTest, public ::testing::WithParamInterface<int> {};

TEST_P(Closing, ReportsAbortedAndChangesNothing) {
    StageInstallation();
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Doc\\Notes.txt", ts::LaterStamp()));
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Bin\\Lumadesk.ini", ts::InstallStamp(), "[General]\r\nUserLanguage=en\r\n"));
    std::string key = ConfigKeyPath();
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, key, "Path", product));
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, key, "UserLanguage", "en"));
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}, {"ConfigKey", key},
                {"Unregister", product + "\\Bin\\Server.dll"}});
    auto files = e2e::TreeSnapshot(product);
    auto entryValues = e2e::KeySnapshot(HKEY_LOCAL_MACHINE, std::string(ts::kUninstallRoot) + "\\" + entry);
    auto machine = e2e::KeySnapshot(HKEY_LOCAL_MACHINE, key);
    auto user = e2e::KeySnapshot(HKEY_CURRENT_USER, key);

    auto u = Start(ts::Quote(entry));
    HWND w = u.Window();
    ASSERT_TRUE(w);
    switch (GetParam()) {
        case 0:
            ASSERT_TRUE(u.Press("Cancel"));
            break;
        case 1:
            PostMessageA(w, WM_CLOSE, 0, 0);
            break;
        case 2:
            PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case 4:
            // Two requests at once: the outcome is reported once.
            PostMessageA(w, WM_CLOSE, 0, 0);
            PostMessageA(w, WM_CLOSE, 0, 0);
            break;
        case 3: {
            // Escape presses the cancel button, wherever the focus is.
            GUITHREADINFO gui = {};
            gui.cbSize = sizeof gui;
            ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &gui));
            HWND focus = gui.hwndFocus ? gui.hwndFocus : w;
            PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            PostMessageA(focus, WM_KEYUP, VK_ESCAPE, 0xC0010001);
            break;
        }
    }
    auto o = e2e::AwaitOutcome(u);
    EXPECT_EQ(o.dialog.caption, "Orvanta UnInstall");
    EXPECT_EQ(o.dialog.text, "Uninstall aborted.");
    EXPECT_EQ(o.dialog.icon, "warning");
    EXPECT_EQ(o.dialog.ButtonTexts(), std::vector<std::string>{"OK"});
    EXPECT_EQ(o.exitCode, 1602u);
    EXPECT_EQ(e2e::TreeSnapshot(product), files);
    EXPECT_EQ(e2e::KeySnapshot(HKEY_LOCAL_MACHINE, std::string(ts::kUninstallRoot) + "\\" + entry), entryValues);
    EXPECT_EQ(e2e::KeySnapshot(HKEY_LOCAL_MACHINE, key), machine);
    EXPECT_EQ(e2e::KeySnapshot(HKEY_CURRENT_USER, key), user);
    // No trace was asked for: none was written.
    EXPECT_FALSE(ts::FileExists(dir / "Prog\\Trace.txt"));
}

std::string WayName(const ::testing::TestParamInfo<int>& info) {
    static const char* const names[] = {"CancelButton", "WmClose", "ScClose", "EscapeKey", "WmCloseTwice"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Ways, Closing, ::testing::Values(0, 1, 2, 3, 4), WayName);

}  // namespace
