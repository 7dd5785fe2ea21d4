// The file stage seen from outside: what a run leaves of the product tree
// when the user keeps the listed files, when everything goes, and when a
// product file is held open by another program (left for the restart, or,
// when the platform refuses even that, reported as a failure).
#include "tests/uninstall_run/run_fixture.h"

#include <functional>

#include "framework/base/sysutils.h"

namespace rt {
namespace {

class FilesTest : public RunTest {
protected:
    // A tree with two user files, folders that empty out at several depths,
    // hidden files of the installation (one in a hidden folder) and a hidden
    // file of the user's in that hidden folder.
    void StageTree() {
        StageProduct();
        product.UserFile("Doc\\Notes.txt");
        product.File("Doc\\Old\\Legacy.chm");
        product.File("Data\\Deep\\Deeper\\table.dat");
        product.File("Data\\Deep\\index.dat");
        product.File("Samples\\sample.lmd");
        product.UserFile("Samples\\Mine\\My.lmd");
        product.File("Samples\\Mine\\Empty\\x.tmp");
        product.File("Cache\\hidden.bin");
        ts::SetHidden(product / "Cache\\hidden.bin");
        product.File("Hidden\\inside.dat");
        product.UserFile("Hidden\\mine.dat");
        ts::SetHidden(product / "Hidden");
        ts::MakeDirs(product / "Empty");
    }
};

HWND Child(HWND window, const std::string& text) {
    for (const auto& c : ts::Children(window))
        if (c.text == text) return c.hwnd;
    return nullptr;
}

TEST_F(FilesTest, KeptUserFilesStayWithTheirFoldersEverythingElseListedGoes) {
    StageTree();
    std::string exe = PlaceUninstaller(dir / "Common");
    ASSERT_TRUE(StageEntry({{"Trace", "1"}}));

    std::vector<std::string> listed;
    RunResult run = RunUninstaller(exe, ts::Quote(kEntry), [&](HWND w) {
        auto boxes = ts::ChildrenOfClass(w, "ListBox");
        if (!boxes.empty()) listed = ts::ListBoxItems(boxes[0].hwnd);
    });
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(run.exitCode, 0u);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"Doc\\Notes.txt", "Samples\\Mine\\My.lmd"}));

    // The user's files, hidden or not, and the folders on their way; the
    // installation's hidden files went with the others.
    EXPECT_EQ(Entries(product.Root()), (std::vector<std::string>{"Doc", "Hidden", "Samples"}));
    EXPECT_EQ(Entries(product / "Doc"), std::vector<std::string>{"Notes.txt"});
    EXPECT_EQ(Entries(product / "Samples"), std::vector<std::string>{"Mine"});
    EXPECT_EQ(Entries(product / "Samples\\Mine"), std::vector<std::string>{"My.lmd"});
    EXPECT_EQ(Entries(product / "Hidden"), std::vector<std::string>{"mine.dat"});
    EXPECT_EQ(ts::ReadTextFile(product / "Doc\\Notes.txt"), "the user's Doc\\Notes.txt");
    EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
    for (const auto& line : Lines(dir / "Common\\Trace.txt")) EXPECT_NE(line.rfind("Error: ", 0), 0u) << line;
}

TEST_F(FilesTest, CheckedBoxDeletesTheWholeProductFolderUserAndHiddenFilesIncluded) {
    StageTree();
    std::string exe = PlaceUninstaller(dir / "Common");
    ASSERT_TRUE(StageEntry());

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry), [&](HWND w) {
        HWND box = Child(w, "Delete User files listed above");
        ASSERT_TRUE(box);
        SendMessageA(box, BM_CLICK, 0, 0);
        EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    });
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(ts::DirExists(product.Root()));
    EXPECT_TRUE(ts::FileExists(exe));
}

TEST_F(FilesTest, InstallationWithoutUserFilesGoesWhole) {
    StageProduct();
    product.File("Doc\\Old\\Legacy.chm");
    product.File("Cache\\hidden.bin");
    ts::SetHidden(product / "Cache\\hidden.bin");
    std::string exe = PlaceUninstaller(product / "Bin");
    ASSERT_TRUE(StageEntry());

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
    // The run leaves only the running uninstaller, which removes itself and
    // the folders that held it once it has ended.
    for (int i = 0; i < 100 && ts::DirExists(product.Root()); ++i) Sleep(100);
    EXPECT_FALSE(ts::DirExists(product.Root())) << ::testing::PrintToString(Entries(product.Root()));
    for (const auto& copy : SelfRemovalCopies(run.pid)) DeleteFileA(copy.c_str());
}

// The two branches of the file stage: the user's files kept (false) or
// deleted with everything else (true, the check box ticked).
class BranchTest : public FilesTest, public ::testing::WithParamInterface<bool> {
protected:
    bool Whole() const { return GetParam(); }
    std::function<void(HWND)> ChooseBranch() {
        return [this](HWND w) {
            if (!Whole()) return;
            HWND box = Child(w, "Delete User files listed above");
            ASSERT_TRUE(box);
            SendMessageA(box, BM_CLICK, 0, 0);
        };
    }
    std::vector<std::string> Trace() { return Lines(dir / "Common\\Trace.txt"); }
};

std::string BranchName(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "WholeTree" : "UserFilesKept";
}

// What installers leave behind: read-only files, folders whose names begin
// with punctuation, files deeper than a short path.  All go, and a deep file
// of the user's is listed and kept like any other.
TEST_P(BranchTest, ReadOnlyOddlyNamedAndDeepProductFilesGo) {
    StageTree();
    std::string deep = "Deep";
    for (int i = 0; i < 7; ++i) deep += "\\" + std::string(40, static_cast<char>('a' + i));
    product.File(deep + "\\table.dat");
    product.UserFile(deep + "\\mine.txt");
    ASSERT_GT((product / deep).size(), 300u);
    product.File("Bin\\Viewer.dll");
    product.File("(backup)\\Lumadesk.chm");
    product.File("-old\\Bin\\old.exe");
    product.File("$cache\\x.bin");
    for (const char* f : {"Bin\\Viewer.dll", "(backup)\\Lumadesk.chm", "-old\\Bin\\old.exe"})
        ts::SetReadOnly(product / f);
    std::string exe = PlaceUninstaller(dir / "Common");
    ASSERT_TRUE(StageEntry({{"Trace", "1"}}));

    std::vector<std::string> listed;
    RunResult run = RunUninstaller(exe, ts::Quote(kEntry), [&](HWND w) {
        auto boxes = ts::ChildrenOfClass(w, "ListBox");
        if (!boxes.empty()) listed = ts::ListBoxItems(boxes[0].hwnd);
        ChooseBranch()(w);
    });
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(listed.size(), 3u) << ::testing::PrintToString(listed);
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(), [](const std::string& l) { return l.rfind("Deep\\", 0) == 0; }))
        << ::testing::PrintToString(listed);
    EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
    for (const auto& line : Trace()) {
        EXPECT_NE(line.rfind("Error: ", 0), 0u) << line;
        EXPECT_NE(line.rfind("Left: ", 0), 0u) << line;
    }
    if (Whole()) {
        EXPECT_FALSE(ts::DirExists(product.Root()));
        return;
    }
    EXPECT_EQ(Entries(product.Root()), (std::vector<std::string>{"Deep", "Doc", "Hidden", "Samples"}));
    EXPECT_TRUE(ts::FileExists(product / deep + "\\mine.txt"));
    EXPECT_FALSE(ts::FileExists(product / deep + "\\table.dat"));
    EXPECT_EQ(Entries(product / "Doc"), std::vector<std::string>{"Notes.txt"});
}

// A product file held open without sharing by another program: every other
// product file goes, the held one (with the folders that hold it) is left for
// the restart, the entry goes, and the outcome says a restart finishes it.
TEST_P(BranchTest, HeldProductFileIsLeftForTheRestart) {
    StageTree();
    std::string exe = PlaceUninstaller(dir / "Common");
    ts::ScratchKey hklm(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunFiles\\Lumadesk");
    ts::ScratchKey hklmParent(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunFiles");
    ASSERT_TRUE(StageEntry({{"Trace", "1"}, {"ConfigKey", hklm.Path()}}));
    std::string link = shell.Link(desktop + "\\Orvtest Run Files.lnk", product / "Bin\\Lumadesk.exe");
    ASSERT_FALSE(link.empty());
    std::string locked = product / "Bin\\Lumadesk.exe";
    ts::SetReadOnly(locked);  // read-only and in use: still only the restart removes it
    ts::LockedFile lock(locked);
    ASSERT_TRUE(lock.Held());

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry), ChooseBranch());
    ASSERT_TRUE(run.windowShown);
    ASSERT_EQ(run.endMessages.size(), 1u) << ::testing::PrintToString(run.EndTexts());
    EXPECT_EQ(run.endMessages[0].text,
              "Uninstall completed. Please restart your computer to remove the remaining files.");
    EXPECT_EQ(run.endMessages[0].icon, "information");
    EXPECT_EQ(run.exitCode, 3010u);

    // Left: the held file, then its folder, then (when nothing of the user's
    // keeps it) the product folder; listed for deletion in that order.
    std::vector<std::string> left = {locked, product / "Bin"};
    if (Whole()) left.push_back(product.Root());
    std::vector<std::string> lines = Trace();
    auto stage = std::find(lines.begin(), lines.end(), "CleanUpFiles");
    ASSERT_NE(stage, lines.end());
    std::vector<std::string> expected;
    if (!Whole()) expected.push_back("Error: File locked : " + locked);
    for (const auto& l : left) expected.push_back("Left: " + l);
    expected.push_back("CleanupRegistry");
    EXPECT_EQ(std::vector<std::string>(stage + 1, stage + 1 + std::min<std::ptrdiff_t>(expected.size(), lines.end() - stage - 1)),
              expected);
    EXPECT_EQ(lines.back(), "Completed");
    std::vector<std::string> scheduled;
    for (const auto& d : pending.Deletions())
        if (d.rfind(product.Root(), 0) == 0) scheduled.push_back(d);
    EXPECT_EQ(scheduled, left);

    // Everything else of the product went, and the later stages ran.
    EXPECT_EQ(Entries(product / "Bin"), std::vector<std::string>{"Lumadesk.exe"});
    if (Whole()) {
        EXPECT_EQ(Entries(product.Root()), std::vector<std::string>{"Bin"});
    } else {
        EXPECT_EQ(Entries(product.Root()), (std::vector<std::string>{"Bin", "Doc", "Hidden", "Samples"}));
        EXPECT_EQ(Entries(product / "Doc"), std::vector<std::string>{"Notes.txt"});
    }
    EXPECT_FALSE(ts::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunFiles"));
    EXPECT_FALSE(ts::FileExists(link));
    EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
}

INSTANTIATE_TEST_SUITE_P(Branches, BranchTest, ::testing::Bool(), BranchName);

// When not even the restart may remove what is left (the platform refuses to
// record it), the later stages still run, but the product stays listed and
// the run reports the failure.
TEST_F(FilesTest, LeftFileThatCannotBeScheduledKeepsTheEntry) {
    StageTree();
    std::string exe = PlaceUninstaller(dir / "Common");
    ts::ScratchKey hklm(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunFiles\\Lumadesk");
    ts::ScratchKey hklmParent(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunFiles");
    ASSERT_TRUE(StageEntry({{"Trace", "1"}, {"ConfigKey", hklm.Path()}}));
    std::string link = shell.Link(desktop + "\\Orvtest Run Files.lnk", product / "Bin\\Lumadesk.exe");
    std::string locked = product / "Bin\\Lumadesk.exe";
    ts::LockedFile lock(locked);
    ASSERT_TRUE(lock.Held());
    RunResult run;
    {
        RefusedPendingRemovals refused;
        ASSERT_TRUE(refused.Refused());
        run = RunUninstaller(exe, ts::Quote(kEntry));
    }
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Error during Uninstall."});
    EXPECT_EQ(run.exitCode, 1603u);
    EXPECT_TRUE(ts::UninstallEntryExists(kEntry));
    std::vector<std::string> lines = Lines(dir / "Common\\Trace.txt");
    EXPECT_TRUE(Contains(lines, "Error: Not scheduled for removal at restart : " + locked))
        << ::testing::PrintToString(lines);
    EXPECT_FALSE(Contains(lines, "Completed"));
    for (const auto& d : pending.Deletions()) EXPECT_NE(d.rfind(product.Root(), 0), 0u) << d;
    EXPECT_TRUE(ts::FileExists(locked));
    EXPECT_FALSE(ts::FileExists(product / "Lumadesk.chm"));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunFiles"));
    EXPECT_FALSE(ts::FileExists(link));
}

// Where installations put it: the running uninstaller cannot be deleted, and
// must not end the file stage as the first file that fails.  It stays with
// its folder, and so does its trace file.
TEST_F(FilesTest, KeptUserFilesWithTheUninstallerInsideTheProduct) {
    StageTree();
    std::string exe = PlaceUninstaller(product / "Bin");
    ASSERT_TRUE(StageEntry({{"Trace", "1"}}));

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(Entries(product.Root()), (std::vector<std::string>{"Bin", "Doc", "Hidden", "Samples"}));
    EXPECT_EQ(Entries(product / "Bin"), (std::vector<std::string>{"Trace.txt", "uninstall.exe"}));
    EXPECT_EQ(Entries(product / "Doc"), std::vector<std::string>{"Notes.txt"});
    EXPECT_EQ(Entries(product / "Samples"), std::vector<std::string>{"Mine"});
    for (const auto& line : Lines(product / "Bin\\Trace.txt")) EXPECT_NE(line.rfind("Error: ", 0), 0u) << line;
}

// The trace file, new since the installation, is the program's own: never
// listed as the user's, and kept for examination when the user keeps files.
TEST_F(FilesTest, TraceFileBesideTheUninstallerIsNotListedAsTheUsers) {
    StageProduct();
    product.UserFile("Doc\\Notes.txt");
    std::string exe = PlaceUninstaller(product / "Bin");
    ASSERT_TRUE(StageEntry({{"Trace", "1"}}));

    std::vector<std::string> listed;
    RunResult run = RunUninstaller(exe, ts::Quote(kEntry), [&](HWND w) {
        auto boxes = ts::ChildrenOfClass(w, "ListBox");
        if (!boxes.empty()) listed = ts::ListBoxItems(boxes[0].hwnd);
    });
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(listed, std::vector<std::string>{"Doc\\Notes.txt"});
    EXPECT_EQ(Entries(product / "Bin"), (std::vector<std::string>{"Trace.txt", "uninstall.exe"}));
    EXPECT_EQ(Lines(product / "Bin\\Trace.txt").back(), "Completed");
}

}  // namespace
}  // namespace rt
