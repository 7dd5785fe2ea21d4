// Shell folders from the real Shell Folders key and shortcuts written by the
// platform's own shell link object.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <thread>

#include "framework/base/handles.h"
#include "framework/base/registry.h"
#include "tests/kxlib_config/raised.h"
#include "tests/support/staging.h"
#include "uninstall/kxlib/shell.h"

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Values with test names in the real Shell Folders key, removed afterwards;
// the key's own values are never touched.
class ShellFolders : public ::testing::Test {
protected:
    void TearDown() override {
        fw::UniqueKey k;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_SET_VALUE, k.put()) ==
            ERROR_SUCCESS)
            for (const char* n : {"OrvantaTest Plain", "OrvantaTest Slash", "OrvantaTest Empty",
                                  "OrvantaTest Number", "OrvantaTest Long"})
                RegDeleteValueA(k.get(), n);
    }
};

TEST_F(ShellFolders, FolderGetsOneTrailingBackslash) {
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, kShellFolders, "OrvantaTest Plain",
                                 "C:\\orvtest\\Start Menu\\Programs"));
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, kShellFolders, "OrvantaTest Slash",
                                 "C:\\orvtest\\Desktop\\"));
    EXPECT_EQ(kx::GetShellFolderDir("OrvantaTest Plain"), "C:\\orvtest\\Start Menu\\Programs\\");
    EXPECT_EQ(kx::GetShellFolderDir("orvantatest plain"), "C:\\orvtest\\Start Menu\\Programs\\");
    EXPECT_EQ(kx::GetShellFolderDir("OrvantaTest Slash"), "C:\\orvtest\\Desktop\\");

    // A value of 255 characters has no room left for the backslash.
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, kShellFolders, "OrvantaTest Long",
                                 "C:\\" + std::string(300, 'd')));
    EXPECT_EQ(kx::GetShellFolderDir("OrvantaTest Long"), "C:\\" + std::string(252, 'd'));

    // The prefix's own folders.
    std::string programs = kx::GetShellFolderDir("Programs");
    EXPECT_EQ(programs.back(), '\\');
    EXPECT_EQ(programs, ts::GetRegString(HKEY_CURRENT_USER, kShellFolders, "Programs") + "\\");
}

TEST_F(ShellFolders, MissingOrEmptyValueRaisesCode2WithTheName) {
    auto e = ts::Raised([] { kx::GetShellFolderDir("OrvantaTest Missing"); });
    EXPECT_EQ(e.Code, 2);
    EXPECT_EQ(e.Context, "GetShellFolderDir OrvantaTest Missing");

    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, kShellFolders, "OrvantaTest Empty", ""));
    e = ts::Raised([] { kx::GetShellFolderDir("OrvantaTest Empty"); });
    EXPECT_EQ(e.Code, 2);
    EXPECT_EQ(e.Context, "GetShellFolderDir OrvantaTest Empty");
}

TEST_F(ShellFolders, NonTextValueRaisesTheRegistryError) {
    ASSERT_TRUE(ts::SetRegDword(HKEY_CURRENT_USER, kShellFolders, "OrvantaTest Number", 5));
    EXPECT_THROW(kx::GetShellFolderDir("OrvantaTest Number"), fw::ERegistryException);
}

// ---------------------------------------------------------------- shortcuts

using ts::WriteShortcut;

class Shortcuts : public ::testing::Test {
protected:
    fw::OleInit ole;
    ts::ScratchDir dir{"kx_shortcuts"};
    std::string exe = dir / "Lumadesk\\Bin\\Lumadesk.exe";
    std::string target = "sentinel", arguments = "sentinel";
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(ole.result())) << std::hex << ole.result();
        ASSERT_TRUE(ts::WriteTextFile(exe, "MZ"));
    }
};

TEST_F(Shortcuts, TargetAndArgumentsComeBack) {
    const std::string args = "/help \"" + (dir / "Lumadesk\\Doc\\Guide.chm") + "\"";
    std::string lnk = dir / "Lumadesk.lnk";
    ASSERT_EQ(WriteShortcut(lnk, exe, args), S_OK);
    ASSERT_TRUE(ts::FileExists(lnk));

    kx::ResolveShortcut(lnk, target, arguments);
    EXPECT_TRUE(fw::SameText(target, exe)) << target;
    EXPECT_EQ(arguments, args);

    std::string plain = dir / "Plain.lnk";
    ASSERT_EQ(WriteShortcut(plain, exe, ""), S_OK);
    kx::ResolveShortcut(plain, target, arguments);
    EXPECT_TRUE(fw::SameText(target, exe)) << target;
    EXPECT_EQ(arguments, "");
}

TEST_F(Shortcuts, OutputsAreCutToTheCallersMaxima) {
    std::string lnk = dir / "Cut.lnk";
    ASSERT_EQ(WriteShortcut(lnk, exe, "-a -b -c"), S_OK);
    kx::ResolveShortcut(lnk, target, arguments, 6, 2);
    EXPECT_TRUE(fw::SameText(target, exe.substr(0, 6))) << target;
    EXPECT_EQ(arguments, "-a");

    std::string longArgs(400, 'x');
    ASSERT_EQ(WriteShortcut(lnk, exe, longArgs), S_OK);
    kx::ResolveShortcut(lnk, target, arguments);
    EXPECT_LE(arguments.size(), 255u);
    EXPECT_EQ(arguments, std::string(arguments.size(), 'x'));
}

TEST_F(Shortcuts, FilesThatAreNoShortcutGiveEmptyTexts) {
    std::string text = dir / "Readme.lnk";
    ASSERT_TRUE(ts::WriteTextFile(text, "This is not a shortcut.\r\n"));
    EXPECT_NO_THROW(kx::ResolveShortcut(text, target, arguments));
    EXPECT_EQ(target, "");
    EXPECT_EQ(arguments, "");

    target = arguments = "sentinel";
    EXPECT_NO_THROW(kx::ResolveShortcut(dir / "Missing.lnk", target, arguments));
    EXPECT_EQ(target, "");
    EXPECT_EQ(arguments, "");

    target = arguments = "sentinel";
    std::string empty = dir / "Empty.lnk";
    ASSERT_TRUE(ts::WriteTextFile(empty, ""));
    EXPECT_NO_THROW(kx::ResolveShortcut(empty, target, arguments));
    EXPECT_EQ(target, "");
    EXPECT_EQ(arguments, "");
}

TEST(ShortcutsWithoutCom, RaiseThePlatformsError) {
    // A thread of its own that never initialises COM.
    HRESULT seen = S_OK;
    bool raised = false;
    std::thread([&] {
        try {
            std::string t, a;
            kx::ResolveShortcut("C:\\orvtest\\none.lnk", t, a);
        } catch (const fw::EOleError& e) {
            raised = true;
            seen = e.Result();
        } catch (...) {
        }
    }).join();
    EXPECT_TRUE(raised);
    EXPECT_EQ(seen, CO_E_NOTINITIALIZED) << std::hex << seen;
}

}  // namespace
