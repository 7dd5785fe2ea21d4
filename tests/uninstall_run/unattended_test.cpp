// The unattended mode and the uninstaller's removal of itself, seen from
// outside: a quiet run gives the window's results without any window;
// /deleteuserfiles ticks the window's check box; with
// /deleteuserfiles, and after a window run that deleted everything, nothing
// of the product is left a few seconds after the end, the product folder
// and the uninstaller in it included; a file that appeared during the run
// keeps the uninstaller and its folder.
#include "tests/uninstall_run/run_fixture.h"

#include <sddl.h>

#include "framework/base/sysutils.h"

namespace rt {
namespace {

constexpr char kQuietEntry[] = "Orvanta Lumadesk Run Test Quiet";

// The folder's access rules grant nothing to everyone, to the users or to
// the guests.
void ExpectOnlyTrustedWriters(const std::string& folder) {
    DWORD size = 0;
    GetFileSecurityA(folder.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    ASSERT_GT(size, 0u) << folder << " error " << GetLastError();
    std::vector<BYTE> sd(size);
    ASSERT_TRUE(GetFileSecurityA(folder.c_str(), DACL_SECURITY_INFORMATION, sd.data(), size, &size))
        << folder << " error " << GetLastError();
    char* text = nullptr;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorA(sd.data(), SDDL_REVISION_1,
                                                                     DACL_SECURITY_INFORMATION, &text, nullptr));
    const std::string rules = text;
    LocalFree(text);
    for (const char* untrusted : {";;;WD)", ";;;BU)", ";;;AU)", ";;;IU)", ";;;BG)", ";;;S-1-1-0)"})
        EXPECT_EQ(rules.find(untrusted), std::string::npos) << rules;
}

class UnattendedTest : public RunTest {
protected:
    void TearDown() override {
        ts::RemoveUninstallEntry(kQuietEntry);
        // The copies that removed an uninstaller have ended by now.
        for (DWORD pid : pids_)
            for (const auto& copy : SelfRemovalCopies(pid)) {
                DeleteFileA(copy.c_str());
                RemoveDirectoryA(copy.substr(0, copy.find_last_of('\\')).c_str());
            }
        RunTest::TearDown();
    }

    // An installation with one file of the user's, the uninstaller in its
    // Bin folder and a desktop shortcut to its program.
    void StageInstallation(Product& p) {
        p.File("Lumadesk.chm");
        p.File("Bin\\Lumadesk.exe");
        p.File("Doc\\Guide.chm");
        p.UserFile("Doc\\Notes.txt");
    }

    // Waits until the folder is gone; false after ten seconds.
    static bool GoneSoon(const std::string& folder) {
        for (int i = 0; i < 100 && ts::DirExists(folder); ++i) Sleep(100);
        return !ts::DirExists(folder);
    }

    // The self-removal copy of that run: exactly one, ended, and scheduled
    // for deletion at the next restart.
    void ExpectCopyEndedAndScheduled(DWORD pid) {
        pids_.push_back(pid);
        auto copies = SelfRemovalCopies(pid);
        ASSERT_EQ(copies.size(), 1u);
        const std::string name = copies[0].substr(copies[0].find_last_of('\\') + 1);
        for (int i = 0; i < 50 && ProcessRunning(name); ++i) Sleep(100);
        EXPECT_FALSE(ProcessRunning(name)) << "the copy is still running";
        // The copy, then its folder.
        const std::string folder = copies[0].substr(0, copies[0].find_last_of('\\'));
        const std::vector<std::string> deletions = pending_.Deletions();
        const auto file = std::find_if(deletions.begin(), deletions.end(),
                                       [&](const std::string& p) { return fw::SameText(p, copies[0]); });
        EXPECT_NE(file, deletions.end()) << name << " is not scheduled for deletion at the restart";
        EXPECT_NE(std::find_if(file, deletions.end(), [&](const std::string& p) { return fw::SameText(p, folder); }),
                  deletions.end())
            << folder << " is not scheduled for deletion after the copy";
        // Nobody but the running account, the system and the administrators
        // may write into the copy's folder.
        ExpectOnlyTrustedWriters(folder);
    }

    std::vector<DWORD> pids_;
    // The restart list as it was before the case, put back after it.
    PendingRemovals pending_;
};

// Every file and folder below Folder, relative, sorted.
std::vector<std::string> Tree(const std::string& folder, const std::string& rel = "") {
    std::vector<std::string> out;
    for (const auto& name : Entries(folder + (rel.empty() ? "" : "\\" + rel))) {
        const std::string r = rel.empty() ? name : rel + "\\" + name;
        out.push_back(r);
        if (ts::DirExists(folder + "\\" + r))
            for (const auto& sub : Tree(folder, r)) out.push_back(sub);
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(UnattendedTest, QuietRunGivesTheWindowsResultsWithoutAnyWindow) {
    // Two like installations: one removed through the window, one quietly.
    Product quiet(dir / "Quiet");
    StageInstallation(product);
    StageInstallation(quiet);
    std::string exe = PlaceUninstaller(product / "Bin");
    std::string quietExe = PlaceUninstaller(quiet / "Bin");
    std::string link = shell.Link(desktop + "\\Orvtest Window.lnk", product / "Bin\\Lumadesk.exe");
    std::string quietLink = shell.Link(desktop + "\\Orvtest Quiet.lnk", quiet / "Bin\\Lumadesk.exe");
    ASSERT_FALSE(link.empty());
    ASSERT_FALSE(quietLink.empty());
    ASSERT_TRUE(StageEntry());
    ASSERT_TRUE(ts::StageUninstallEntry(kQuietEntry, {{"Path", quiet.Root()}, {"DisplayName", "Orvanta Lumadesk"}}));

    RunResult window = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_EQ(window.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    const std::string log = dir / "quiet.log";
    QuietResult run = RunQuiet(quietExe, ts::Quote(kQuietEntry) + " /QUIET ignored /Log=" + ts::Quote(log));

    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.windowSeen);
    EXPECT_EQ(Tree(quiet.Root()), Tree(product.Root()));
    EXPECT_EQ(Tree(quiet.Root()), (std::vector<std::string>{"Bin", "Bin\\uninstall.exe", "Doc", "Doc\\Notes.txt"}));
    EXPECT_FALSE(ts::UninstallEntryExists(kQuietEntry));
    EXPECT_FALSE(ts::FileExists(quietLink));
    // The log holds the trace and what the window would have said.
    std::vector<std::string> lines = Lines(log);
    EXPECT_TRUE(Contains(lines, "CleanUpFiles")) << ::testing::PrintToString(lines);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Uninstall completed!");
    // The user's files stay, so the uninstaller stays with them.
    Sleep(1000);
    EXPECT_TRUE(SelfRemovalCopies(run.pid).empty());
    EXPECT_TRUE(ts::FileExists(quiet / "Bin\\uninstall.exe"));
}

TEST_F(UnattendedTest, QuietRunWithDeleteUserFilesLeavesNothingOfTheProduct) {
    StageInstallation(product);
    std::string exe = PlaceUninstaller(product / "Bin");
    ts::WriteTextFile(dir / "Beside\\keep.txt", "not the product's");
    ASSERT_TRUE(StageEntry({{"Trace", "1"}}));

    QuietResult run = RunQuiet(exe, ts::Quote(kEntry) + " /quiet /deleteuserfiles");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.windowSeen);
    EXPECT_TRUE(GoneSoon(product.Root())) << ::testing::PrintToString(Tree(product.Root()));
    ExpectCopyEndedAndScheduled(run.pid);
    EXPECT_EQ(Entries(dir.Path()), (std::vector<std::string>{"Beside"}));
    EXPECT_TRUE(ts::FileExists(dir / "Beside\\keep.txt"));
}

TEST_F(UnattendedTest, WindowRunThatDeletedEverythingRemovesTheUninstallerAndItsFolders) {
    StageProduct();
    std::string exe = PlaceUninstaller(product / "Bin\\Tools");
    ASSERT_TRUE(StageEntry({{"Trace", "1"}}));

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(GoneSoon(product.Root())) << ::testing::PrintToString(Tree(product.Root()));
    ExpectCopyEndedAndScheduled(run.pid);
    EXPECT_TRUE(ts::DirExists(dir.Path()));
}

TEST_F(UnattendedTest, DeleteUserFilesSwitchStartsTheWindowsBoxTicked) {
    StageInstallation(product);
    std::string exe = PlaceUninstaller(dir / "Common");
    ASSERT_TRUE(StageEntry());

    LRESULT check = -1;
    std::vector<std::string> listed;
    RunResult run = RunUninstaller(exe, ts::Quote(kEntry) + " /DeleteUserFiles", [&](HWND w) {
        auto boxes = ts::ChildrenOfClass(w, "ListBox");
        if (!boxes.empty()) listed = ts::ListBoxItems(boxes[0].hwnd);
        for (const auto& c : ts::Children(w))
            if (c.text == "Delete User files listed above") check = SendMessageA(c.hwnd, BM_GETCHECK, 0, 0);
    });
    EXPECT_EQ(listed, std::vector<std::string>{"Doc\\Notes.txt"});
    EXPECT_EQ(check, BST_CHECKED);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_FALSE(ts::DirExists(product.Root()));
}

TEST_F(UnattendedTest, FileThatAppearedDuringTheRunKeepsTheUninstallerAndItsFolder) {
    StageProduct();
    std::string exe = PlaceUninstaller(product / "Bin");
    ASSERT_TRUE(StageEntry());

    // The file appears while the outcome message is shown: after the file
    // stage, before the program ends.
    RunResult run = RunUninstaller(exe, ts::Quote(kEntry), {}, [&](ts::Uninstaller& u) {
        ts::WaitForDialog(u.Process().Pid(), 20000);
        ts::WriteTextFile(product / "Bin\\Foreign.txt", "someone else's");
    });
    ASSERT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    Sleep(2000);
    EXPECT_TRUE(SelfRemovalCopies(run.pid).empty());
    EXPECT_EQ(Tree(product.Root()), (std::vector<std::string>{"Bin", "Bin\\Foreign.txt", "Bin\\uninstall.exe"}));
}

}  // namespace
}  // namespace rt
