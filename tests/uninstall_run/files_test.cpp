// The file stage seen from outside: what a run leaves of the product tree
// when the user keeps the listed files, when everything goes, and when a
// product file is held open by another program.
#include "tests/uninstall_run/run_fixture.h"

#include "framework/sysutils.h"

namespace rt {
namespace {

class FilesTest : public RunTest {
protected:
    // A tree with two user files, folders that empty out at several depths,
    // and things the listing never sees (a hidden file, a hidden folder).
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

    // The user's files, the folders on their way and what was never listed.
    EXPECT_EQ(Entries(product.Root()), (std::vector<std::string>{"Cache", "Doc", "Hidden", "Samples"}));
    EXPECT_EQ(Entries(product / "Doc"), std::vector<std::string>{"Notes.txt"});
    EXPECT_EQ(Entries(product / "Samples"), std::vector<std::string>{"Mine"});
    EXPECT_EQ(Entries(product / "Samples\\Mine"), std::vector<std::string>{"My.lmd"});
    EXPECT_EQ(Entries(product / "Cache"), std::vector<std::string>{"hidden.bin"});
    EXPECT_EQ(Entries(product / "Hidden"), std::vector<std::string>{"inside.dat"});
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

TEST_F(FilesTest, InstallationWithoutUserFilesGoesAllButTheRunningUninstaller) {
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
    // A running program cannot be deleted: the uninstaller and the folders
    // that hold it are all that is left.
    EXPECT_EQ(Entries(product.Root()), std::vector<std::string>{"Bin"});
    EXPECT_EQ(Entries(product / "Bin"), std::vector<std::string>{"uninstall.exe"});
    EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
}

TEST_F(FilesTest, LockedProductFileIsTracedAndTheRunGoesOn) {
    StageTree();
    std::string exe = PlaceUninstaller(dir / "Common");
    ts::ScratchKey hklm(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunFiles\\Lumadesk");
    ts::ScratchKey hklmParent(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunFiles");
    ASSERT_TRUE(StageEntry({{"Trace", "1"}, {"ConfigKey", hklm.Path()}}));
    std::string link = shell.Link(desktop + "\\Orvtest Run Files.lnk", product / "Bin\\Lumadesk.exe");
    ASSERT_FALSE(link.empty());
    std::string locked = product / "Bin\\Lumadesk.exe";
    ts::LockedFile lock(locked);
    ASSERT_TRUE(lock.Held());

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(run.exitCode, 0u);
    std::vector<std::string> lines = Lines(dir / "Common\\Trace.txt");
    auto error = std::find(lines.begin(), lines.end(), "Error: File locked : " + locked);
    ASSERT_NE(error, lines.end()) << ::testing::PrintToString(lines);
    EXPECT_EQ(*(error - 1), "CleanUpFiles");
    EXPECT_EQ(*(error + 1), "CleanupRegistry");
    EXPECT_EQ(lines.back(), "Completed");
    // The stages after the files ran.
    EXPECT_FALSE(ts::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunFiles"));
    EXPECT_FALSE(ts::FileExists(link));
    EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
    EXPECT_TRUE(ts::FileExists(locked));
    EXPECT_TRUE(ts::FileExists(product / "Doc\\Notes.txt"));
}

TEST_F(FilesTest, LockedFileInAWholeTreeIsLeftSilently) {
    StageProduct();
    product.File("Data\\table.dat");
    std::string exe = PlaceUninstaller(dir / "Common");
    ASSERT_TRUE(StageEntry({{"Trace", "1"}}));
    std::string locked = product / "Data\\table.dat";
    ts::LockedFile lock(locked);
    ASSERT_TRUE(lock.Held());

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(Entries(product.Root()), std::vector<std::string>{"Data"});
    EXPECT_EQ(Entries(product / "Data"), std::vector<std::string>{"table.dat"});
    for (const auto& line : Lines(dir / "Common\\Trace.txt")) EXPECT_NE(line.rfind("Error: ", 0), 0u) << line;
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
    EXPECT_EQ(Entries(product.Root()), (std::vector<std::string>{"Bin", "Cache", "Doc", "Hidden", "Samples"}));
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
