// The shortcut stages seen from outside, in the user's real Start menu and
// desktop: which shortcuts count as the product's (right in Programs, in its
// sub-folders and one level deeper), which folders go whole, which stay, and
// that the desktop and the registered shell folders never go.
#include "tests/uninstall_run/run_fixture.h"

#include "framework/base/sysutils.h"

namespace rt {
namespace {

class ShortcutsTest : public RunTest {
protected:
    std::string windows = [] {
        char buf[MAX_PATH] = {};
        GetWindowsDirectoryA(buf, sizeof buf);
        return std::string(buf);
    }();
    std::string Menu(const std::string& name) { return shell.Folder(programs + "\\Orvtest Run " + name); }
    std::string ProductLink(const std::string& file) { return shell.Link(file, product / "Bin\\Lumadesk.exe"); }
    std::string ForeignLink(const std::string& file) { return shell.Link(file, windows + "\\notepad.exe"); }
};

TEST_F(ShortcutsTest, StartMenuFoldersGoWholeOnlyWhenNothingOfAnyoneElseIsLeft) {
    StageProduct();
    std::string exe = PlaceUninstaller(product / "Bin");
    ts::WriteTextFile(dir / "Foreign\\browser.exe", "a browser");
    ASSERT_TRUE(StageEntry());

    std::string only = Menu("Only");
    ASSERT_FALSE(ProductLink(only + "\\Lumadesk.lnk").empty());
    // A document of the product opened by a program elsewhere, its path quoted.
    ASSERT_FALSE(shell.Link(only + "\\Guide.lnk", windows + "\\hh.exe", ts::Quote(product / "Doc\\Guide.chm")).empty());
    std::string sharedFolder = Menu("Shared");
    ProductLink(sharedFolder + "\\Lumadesk.lnk");
    ForeignLink(sharedFolder + "\\Notepad.lnk");
    std::string noLinks = Menu("NoLinks");
    shell.Text(noLinks + "\\readme.txt");
    shell.Folder(noLinks + "\\Extra");
    std::string shellFiles = Menu("ShellFiles");
    ProductLink(shellFiles + "\\Lumadesk.lnk");
    shell.Text(shellFiles + "\\desktop.ini", "[.ShellClassInfo]");
    shell.Text(shellFiles + "\\Thumbs.db");
    std::string iniPlus = Menu("IniPlus");
    ProductLink(iniPlus + "\\Lumadesk.lnk");
    shell.Text(iniPlus + "\\desktop.ini", "[.ShellClassInfo]");
    shell.Text(iniPlus + "\\notes.txt");
    std::string hiddenLink = Menu("HiddenLink");
    ProductLink(hiddenLink + "\\Lumadesk.lnk");
    ForeignLink(hiddenLink + "\\Other.lnk");
    ts::SetHidden(hiddenLink + "\\Other.lnk");
    std::string sub = Menu("Sub");
    ProductLink(sub + "\\Lumadesk.lnk");
    shell.Folder(sub + "\\More");
    // Another program's shortcut whose argument is no path at all.
    std::string browser = Menu("Browser");
    ASSERT_FALSE(shell.Link(browser + "\\Browser.lnk", dir / "Foreign\\browser.exe", "--profile=Default").empty());
    // A registered shell folder that held a product shortcut.
    std::string startUp = ShellFolder("StartUp");
    ASSERT_EQ(startUp.rfind(programs + "\\", 0), 0u) << startUp;
    ASSERT_TRUE(ts::DirExists(startUp));
    // Should the run take the folder away, the prefix gets it back.
    struct Remake {
        std::string path;
        ~Remake() { ts::MakeDirs(path); }
    } remake{startUp};
    std::vector<std::string> startUpBefore = Entries(startUp);
    std::string startLink = ProductLink(startUp + "\\Orvtest Run Start.lnk");
    // Right in Programs: judged as in any folder; Programs itself stays.
    std::string top = ProductLink(programs + "\\Orvtest Run Top.lnk");
    std::string topForeign = ForeignLink(programs + "\\Orvtest Run Top Notepad.lnk");
    // The desktop: the product's shortcut goes, another program's stays.
    std::string deskProduct = ProductLink(desktop + "\\Orvtest Run Lumadesk.lnk");
    std::string deskForeign = ForeignLink(desktop + "\\Orvtest Run Notepad.lnk");

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(run.exitCode, 0u);

    EXPECT_FALSE(ts::DirExists(only));
    EXPECT_EQ(Entries(sharedFolder), std::vector<std::string>{"Notepad.lnk"});
    EXPECT_EQ(Entries(noLinks), (std::vector<std::string>{"Extra", "readme.txt"}));
    EXPECT_FALSE(ts::DirExists(shellFiles));
    EXPECT_EQ(Entries(iniPlus), (std::vector<std::string>{"desktop.ini", "notes.txt"}));
    EXPECT_EQ(Entries(hiddenLink), std::vector<std::string>{"Other.lnk"});
    EXPECT_EQ(Entries(sub), std::vector<std::string>{"More"});
    EXPECT_EQ(Entries(browser), std::vector<std::string>{"Browser.lnk"});
    EXPECT_TRUE(ts::DirExists(startUp));
    EXPECT_EQ(Entries(startUp), startUpBefore);
    EXPECT_FALSE(ts::FileExists(startLink));
    EXPECT_FALSE(ts::FileExists(top));
    EXPECT_TRUE(ts::FileExists(topForeign));
    EXPECT_TRUE(ts::DirExists(programs));
    EXPECT_FALSE(ts::FileExists(deskProduct));
    EXPECT_TRUE(ts::FileExists(deskForeign));
    EXPECT_TRUE(ts::DirExists(desktop));
}

// A vendor's folder with one folder per product (Programs\Orvanta\Lumadesk):
// the folder one level deeper is judged as a first-level one, and the
// vendor's folder goes when that left it empty.  Deeper still, nothing is
// examined.
TEST_F(ShortcutsTest, FoldersOneLevelDeeperGoUnderTheSameRulesAndTheirParentWhenEmptied) {
    StageProduct();
    std::string exe = PlaceUninstaller(dir / "Common");
    ASSERT_TRUE(StageEntry());
    // Only the product's: the vendor's own uninstall shortcut and the
    // product's folder with its shell files.
    std::string vendor = Menu("Vendor");
    ASSERT_FALSE(shell.Link(vendor + "\\Uninstall Lumadesk.lnk", exe, ts::Quote(kEntry)).empty());
    shell.Folder(vendor + "\\Lumadesk");
    ASSERT_FALSE(ProductLink(vendor + "\\Lumadesk\\Lumadesk.lnk").empty());
    shell.Text(vendor + "\\Lumadesk\\desktop.ini", "[.ShellClassInfo]");
    // Another product's folder beside it keeps the vendor's.
    std::string two = Menu("Vendor Two");
    shell.Folder(two + "\\Lumadesk");
    shell.Folder(two + "\\Reader");
    ProductLink(two + "\\Lumadesk\\Lumadesk.lnk");
    ForeignLink(two + "\\Reader\\Reader.lnk");
    // A nested folder shared with another program.
    std::string shared = Menu("Vendor Shared");
    shell.Folder(shared + "\\Tools");
    ProductLink(shared + "\\Tools\\Lumadesk.lnk");
    ForeignLink(shared + "\\Tools\\Notepad.lnk");
    // Two levels below the first: not examined.
    std::string deep = Menu("Vendor Deep");
    shell.Folder(deep + "\\A\\B");
    std::string deepLink = ProductLink(deep + "\\A\\B\\Lumadesk.lnk");

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(ts::DirExists(vendor));
    EXPECT_EQ(Entries(two), std::vector<std::string>{"Reader"});
    EXPECT_EQ(Entries(two + "\\Reader"), std::vector<std::string>{"Reader.lnk"});
    EXPECT_EQ(Entries(shared), std::vector<std::string>{"Tools"});
    EXPECT_EQ(Entries(shared + "\\Tools"), std::vector<std::string>{"Notepad.lnk"});
    EXPECT_TRUE(ts::FileExists(deepLink));
}

TEST_F(ShortcutsTest, DesktopStaysWhenTheProductsShortcutsWereAllItHeld) {
    StageProduct();
    std::string exe = PlaceUninstaller(dir / "Common");
    ASSERT_TRUE(StageEntry());
    std::vector<std::string> before = Entries(desktop);
    std::string link = ProductLink(desktop + "\\Orvtest Run Only Lumadesk.lnk");
    ASSERT_FALSE(link.empty());

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_FALSE(ts::FileExists(link));
    EXPECT_TRUE(ts::DirExists(desktop));
    EXPECT_EQ(Entries(desktop), before);
}

TEST_F(ShortcutsTest, UninstallerShortcutsGoForThisInstallationOnly) {
    StageProduct();
    // One uninstaller outside the product folder serves several installations.
    std::string exe = PlaceUninstaller(dir / "Common");
    std::string elsewhere = PlaceUninstaller(dir / "Elsewhere");
    ASSERT_TRUE(StageEntry());

    std::string mixed = Menu("Uninstall");
    std::string mine = shell.Link(mixed + "\\Uninstall Lumadesk.lnk", exe, ts::Quote(kEntry));
    ASSERT_FALSE(mine.empty());
    std::string theirs = shell.Link(mixed + "\\Uninstall Other.lnk", exe, ts::Quote("Orvanta Lumadesk Other"));
    std::string plain = Menu("Uninstall Plain");
    shell.Link(plain + "\\Uninstall.lnk", exe);
    shell.Link(plain + "\\Uninstall Case.lnk", exe, "ORVANTA LUMADESK RUN TEST");
    std::string desk = shell.Link(desktop + "\\Orvtest Run Uninstall.lnk", exe, ts::Quote(kEntry));
    std::string deskElsewhere =
        shell.Link(desktop + "\\Orvtest Run Uninstall Elsewhere.lnk", elsewhere, ts::Quote(kEntry));

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(Entries(mixed), std::vector<std::string>{"Uninstall Other.lnk"});
    EXPECT_FALSE(ts::DirExists(plain));
    EXPECT_FALSE(ts::FileExists(desk));
    EXPECT_TRUE(ts::FileExists(deskElsewhere));
}

TEST_F(ShortcutsTest, ShortcutThatCannotBeDeletedIsTracedAndTheNextFolderIsCleaned) {
    StageProduct();
    std::string exe = PlaceUninstaller(dir / "Common");
    ASSERT_TRUE(StageEntry({{"Trace", "1"}}));
    std::string stuck = Menu("Stuck");
    std::string readOnly = ProductLink(stuck + "\\Lumadesk.lnk");
    ASSERT_FALSE(readOnly.empty());
    ts::SetReadOnly(readOnly);
    std::string deskLink = ProductLink(desktop + "\\Orvtest Run Stuck.lnk");

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ts::SetReadOnly(readOnly, false);
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(Entries(stuck), std::vector<std::string>{"Lumadesk.lnk"});
    EXPECT_FALSE(ts::FileExists(deskLink));
    EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
    std::vector<std::string> lines = Lines(dir / "Common\\Trace.txt");
    const std::vector<std::string> failed = {"CleanupIconFolder: " + stuck, "Error: File locked : " + readOnly};
    EXPECT_NE(std::search(lines.begin(), lines.end(), failed.begin(), failed.end()), lines.end())
        << ::testing::PrintToString(lines);
    EXPECT_EQ(lines.back(), "Completed");
}

}  // namespace
}  // namespace rt
