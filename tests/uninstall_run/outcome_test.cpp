// How a run ends: the completed run with its trace, a run ended by a missing
// Start-menu folder, the window that cannot be closed while the run is under
// way, and the fixed entry of the configuration-location branch.
#include "tests/uninstall_run/run_fixture.h"

#include "framework/sysutils.h"

namespace rt {
namespace {

using OutcomeTest = RunTest;

// The Start-menu folders the run walks, in the file system's order: the
// sub-folders of Programs whose names begin at "0" or above.
std::vector<std::string> ProgramsSubFolders(const std::string& programs) {
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((programs + "\\*.*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] >= '0')
            out.push_back(programs + "\\" + fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return out;
}

TEST_F(OutcomeTest, CompletedRunDeletesTheEntryAndTracesEveryStageInOrder) {
    StageProduct();
    product.Fixture("server_rec", "Bin\\Viewer.ocx");
    std::string exe = PlaceUninstaller(dir / "Common");
    ts::ScratchKey hklm(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunOutcome\\Lumadesk");
    ts::ScratchKey hkcu(HKEY_CURRENT_USER, "Software\\OrvtestRunOutcome\\Lumadesk");
    ts::ScratchKey hklmParent(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunOutcome");
    ts::ScratchKey hkcuParent(HKEY_CURRENT_USER, "Software\\OrvtestRunOutcome");
    ts::SetRegString(HKEY_LOCAL_MACHINE, hklm.Path(), "Path", product.Root());
    ts::SetRegString(HKEY_CURRENT_USER, hkcu.Path(), "UserLanguage", "en");
    std::string server = product / "Bin\\Viewer.ocx";
    ASSERT_TRUE(StageEntry({{"Trace", "1"},
                            {"ConfigKey", hklm.Path()},
                            {"Unregister", server + ";Tool.exe"}}));
    // The entry's own sub-keys go with it.
    ts::SetRegString(HKEY_LOCAL_MACHINE, std::string(ts::kUninstallRoot) + "\\" + kEntry + "\\Extra", "x", "y");

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_TRUE(run.windowShown);
    ASSERT_EQ(run.startMessages.size(), 1u);
    EXPECT_EQ(run.startMessages[0].text, "Trace activ\xE9" "e :\r\n" + dir / "Common\\Trace.txt");
    ASSERT_EQ(run.endMessages.size(), 1u);
    EXPECT_EQ(run.endMessages[0].caption, "Orvanta UnInstall");
    EXPECT_EQ(run.endMessages[0].text, "Uninstall completed!");
    EXPECT_EQ(run.endMessages[0].icon, "information");
    EXPECT_EQ(run.exitCode, 0u);

    EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
    EXPECT_FALSE(ts::DirExists(product.Root()));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunOutcome"));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, "Software\\OrvtestRunOutcome"));

    std::vector<std::string> expected = {"Unregister: " + server, "Unregister: Tool.exe", "CleanUpFiles",
                                         "CleanupRegistry", "CleanupRegistry"};
    for (const auto& f : ProgramsSubFolders(programs)) expected.push_back("CleanupIconFolder: " + f);
    expected.push_back("CleanupIconFolder: " + desktop + "\\");
    expected.push_back("Completed");
    std::vector<std::string> lines = Lines(dir / "Common\\Trace.txt");
    // The trace begins with its stamped opening entry.
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2].rfind("***** ", 0), 0u);
    EXPECT_NE(lines[2].find("\tOuverture trace"), std::string::npos);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()), expected);
}

}  // namespace
}  // namespace rt
