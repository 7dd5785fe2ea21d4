// How a run ends: the completed run with its trace, a run ended by a missing
// Start-menu folder (which also keeps an uninstaller inside the product
// folder where it is), the window that cannot be closed while the run is under
// way, and the fixed entry of the configuration-location branch.
#include "tests/uninstall_run/run_fixture.h"

#include <optional>

#include "framework/base/sysutils.h"

namespace rt {
namespace {

using OutcomeTest = RunTest;

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

    const std::vector<std::string> before = {"Unregister: " + server, "Unregister: Tool.exe", "CleanUpFiles",
                                             "CleanupRegistry", "CleanupRegistry",
                                             "CleanupIconFolder: " + programs + "\\"};
    const std::vector<std::string> after = {"CleanupIconFolder: " + desktop + "\\", "Completed"};
    std::vector<std::string> lines = Lines(dir / "Common\\Trace.txt");
    // The trace begins with its stamped opening entry.
    ASSERT_GE(lines.size(), 3u + before.size() + after.size());
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2].rfind("***** ", 0), 0u);
    EXPECT_NE(lines[2].find("\tOuverture trace"), std::string::npos);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.begin() + 3 + before.size()), before);
    EXPECT_EQ(std::vector<std::string>(lines.end() - after.size(), lines.end()), after);
    // Between them, the folders of the Start menu's programs.
    for (auto it = lines.begin() + 3 + before.size(); it != lines.end() - after.size(); ++it)
        EXPECT_EQ(it->rfind("CleanupIconFolder: " + programs + "\\", 0), 0u) << *it;
}

// The user's Programs value is taken away for one case and put back as it
// was, whatever the case does.
class RemovedShellFolderValue {
public:
    explicit RemovedShellFolderValue(std::string name) : name_(std::move(name)) {
        value_ = ts::GetRegString(HKEY_CURRENT_USER, kShellFolders, name_);
        fw::UniqueKey k;
        if (!value_.empty() &&
            RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_SET_VALUE, k.put()) == ERROR_SUCCESS)
            removed_ = RegDeleteValueA(k.get(), name_.c_str()) == ERROR_SUCCESS;
    }
    ~RemovedShellFolderValue() {
        if (removed_) ts::SetRegString(HKEY_CURRENT_USER, kShellFolders, name_, value_);
    }
    bool Removed() const { return removed_; }

private:
    std::string name_, value_;
    bool removed_ = false;
};

TEST_F(OutcomeTest, MissingProgramsFolderEndsTheRunAndKeepsTheEntry) {
    StageProduct();
    std::string exe = PlaceUninstaller(dir / "Common");
    ts::ScratchKey config(HKEY_CURRENT_USER, "Software\\OrvtestRunOutcome\\Lumadesk");
    ts::ScratchKey parent(HKEY_CURRENT_USER, "Software\\OrvtestRunOutcome");
    ts::SetRegString(HKEY_CURRENT_USER, config.Path(), "UserLanguage", "en");
    std::string link = shell.Link(desktop + "\\Orvtest Run Outcome.lnk", product / "Bin\\Lumadesk.exe");
    ASSERT_FALSE(link.empty());
    ASSERT_TRUE(StageEntry({{"Trace", "1"}, {"ConfigKey", config.Path()}}));

    // The value goes once the window shows: the start-up's folder guard asks
    // the shell for every shell folder, and the shell writes the value back.
    std::optional<RemovedShellFolderValue> gone;
    RunResult run = RunUninstaller(exe, ts::Quote(kEntry), [&gone](HWND) { gone.emplace("Programs"); });
    ASSERT_TRUE(gone && gone->Removed());
    gone.reset();
    EXPECT_EQ(ShellFolder("Programs"), programs);
    ASSERT_TRUE(run.windowShown);
    // One message, whose answer ends the program; the error is in the trace.
    ASSERT_EQ(run.endMessages.size(), 1u) << ::testing::PrintToString(run.EndTexts());
    EXPECT_EQ(run.endMessages[0].text, "Error during Uninstall.");
    EXPECT_EQ(run.endMessages[0].icon, "error");
    EXPECT_EQ(run.exitCode, 1603u);
    // The stages before ran, those after did not, and the product stays listed.
    EXPECT_FALSE(ts::DirExists(product.Root()));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, "Software\\OrvtestRunOutcome"));
    EXPECT_TRUE(ts::FileExists(link));
    EXPECT_TRUE(ts::UninstallEntryExists(kEntry));
    std::vector<std::string> lines = Lines(dir / "Common\\Trace.txt");
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()),
              (std::vector<std::string>{"CleanUpFiles", "CleanupRegistry", "CleanupRegistry",
                                        "Error: Internal error : GetShellFolderDir Programs."}));
}

// The file stage emptied the product folder but for the uninstaller, then a
// later stage failed: the product stays listed, so the uninstaller stays.
TEST_F(OutcomeTest, RunThatDidNotCompleteLeavesTheUninstallerInItsFolder) {
    StageProduct();
    std::string exe = PlaceUninstaller(product / "Bin");
    ASSERT_TRUE(StageEntry());

    std::optional<RemovedShellFolderValue> gone;
    RunResult run = RunUninstaller(exe, ts::Quote(kEntry), [&gone](HWND) { gone.emplace("Programs"); });
    ASSERT_TRUE(gone && gone->Removed());
    gone.reset();
    ASSERT_FALSE(run.EndTexts().empty());
    EXPECT_EQ(run.EndTexts()[0], "Error during Uninstall.");
    EXPECT_EQ(run.exitCode, 1603u);
    Sleep(2000);
    EXPECT_TRUE(SelfRemovalCopies(run.pid).empty());
    EXPECT_EQ(Entries(product.Root()), std::vector<std::string>{"Bin"});
    EXPECT_EQ(Entries(product / "Bin"), std::vector<std::string>{"uninstall.exe"});
}

// The buttons of a window whose thread is busy: read without sending it
// any message (a sent message would wait for the thread).
BOOL CALLBACK CollectButton(HWND hwnd, LPARAM list) {
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::string(cls) == "Button") {
        ts::Control c;
        c.hwnd = hwnd;
        c.cls = cls;
        WCHAR wide[128] = {};
        char text[128] = {};
        InternalGetWindowText(hwnd, wide, 128);
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        c.text = text;
        c.enabled = IsWindowEnabled(hwnd);
        reinterpret_cast<std::vector<ts::Control>*>(list)->push_back(c);
    }
    return TRUE;
}

std::vector<ts::Control> ButtonsOfHeldWindow(HWND w) {
    std::vector<ts::Control> out;
    EnumChildWindows(w, CollectButton, reinterpret_cast<LPARAM>(&out));
    return out;
}

const std::vector<std::string> kCompleted = {"Uninstall completed!"};

TEST_F(OutcomeTest, CloseRequestsWhileTheRunIsUnderWayAreIgnored) {
    StageProduct();
    std::string exe = PlaceUninstaller(dir / "Common");
    // The server holds the run in its unregistration until told to go on.
    product.Fixture("server_wait", "Bin\\Viewer.ocx");
    std::string server = product / "Bin\\Viewer.ocx";
    ASSERT_TRUE(StageEntry({{"Trace", "1"}, {"Unregister", server}}));

    bool held = false;
    LONG style = -1;
    std::vector<ts::Control> buttons;
    RunResult run = RunUninstaller(exe, ts::Quote(kEntry), {}, [&](ts::Uninstaller& u) {
        HWND w = u.Window();
        for (int i = 0; i < 500 && !held; ++i, Sleep(20)) held = ts::FileExists(server + ".calls");
        if (!held) return;
        style = GetWindowLongA(w, GWL_STYLE);
        buttons = ButtonsOfHeldWindow(w);
        PostMessageA(w, WM_CLOSE, 0, 0);
        PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
        for (const auto& b : buttons) PostMessageA(b.hwnd, BM_CLICK, 0, 0);
        ts::WriteTextFile(server + ".go", "go");
    });
    ASSERT_TRUE(held) << "the run never reached the server";
    EXPECT_EQ(style & WS_SYSMENU, 0) << "the window still has its system menu";
    for (const auto& b : buttons) {
        if (b.text == "&Ok" || b.text == "&Cancel") {
            EXPECT_FALSE(b.enabled) << b.text;
        }
    }
    EXPECT_EQ(run.EndTexts(), kCompleted);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(ts::DirExists(product.Root()));
    EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
}

TEST_F(OutcomeTest, CloseRequestQueuedBehindTheOkClickIsIgnored) {
    StageProduct();
    std::string exe = PlaceUninstaller(dir / "Common");
    ASSERT_TRUE(StageEntry());
    RunResult run = RunUninstaller(exe, ts::Quote(kEntry), {}, [](ts::Uninstaller& u) {
        PostMessageA(u.Window(), WM_CLOSE, 0, 0);
    });
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), kCompleted);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(ts::DirExists(product.Root()));
    EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
}

// The configuration-location branch: the product is described by its INI
// file or its registry key, and the fixed entry is deleted at the end only
// when it is this installation's.
class LocationTest : public RunTest {
protected:
    static constexpr char kFixed[] = "Orvanta Lumadesk";
    std::string exe;
    std::string ini = product / "Bin\\Lumadesk.ini";
    void SetUp() override {
        ASSERT_FALSE(ts::UninstallEntryExists(kFixed)) << "the prefix has an entry of its own";
        StageProduct();
        exe = PlaceUninstaller(dir / "Common");
        ts::WriteStampedFile(ini, ts::InstallStamp(), "[General]\r\nPath=" + product.Root() + "\r\n");
    }
    void TearDown() override {
        ts::RemoveUninstallEntry(kFixed);
        RunTest::TearDown();
    }
    RunResult RunOnIni() {
        RunResult run = RunUninstaller(exe, ts::Quote(ini));
        EXPECT_TRUE(run.windowShown);
        EXPECT_EQ(run.EndTexts(), kCompleted);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_FALSE(ts::DirExists(product.Root()));
        return run;
    }
};

TEST_F(LocationTest, FixedEntryNamingTheSameFolderIsDeleted) {
    // The same folder, spelt in another case and with a trailing backslash.
    std::string spelt = fw::UpperCase(product.Root()) + "\\";
    ASSERT_TRUE(ts::StageUninstallEntry(kFixed, {{"Path", spelt}, {"DisplayName", "Orvanta Lumadesk"}}));
    RunOnIni();
    EXPECT_FALSE(ts::UninstallEntryExists(kFixed));
}

TEST_F(LocationTest, FixedEntryWithoutAPathIsDeleted) {
    ASSERT_TRUE(ts::StageUninstallEntry(kFixed, {{"DisplayName", "Orvanta Lumadesk"}}));
    RunOnIni();
    EXPECT_FALSE(ts::UninstallEntryExists(kFixed));
}

TEST_F(LocationTest, FixedEntryOfAnotherInstallationStays) {
    ts::WriteStampedFile(dir / "Second\\Lumadesk.chm", ts::InstallStamp());
    ASSERT_TRUE(ts::StageUninstallEntry(kFixed, {{"Path", dir / "Second"}, {"DisplayName", "Orvanta Lumadesk"}}));
    RunOnIni();
    EXPECT_EQ(ts::GetRegString(HKEY_LOCAL_MACHINE, std::string(ts::kUninstallRoot) + "\\" + kFixed, "Path"),
              dir / "Second");
    EXPECT_TRUE(ts::FileExists(dir / "Second\\Lumadesk.chm"));
}

TEST_F(LocationTest, RegistryLocationIsRemovedInBothRootsWithTheFixedEntry) {
    const char key[] = "Software\\OrvtestRunLocation\\Lumadesk";
    ts::ScratchKey lm(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunLocation");
    ts::ScratchKey cu(HKEY_CURRENT_USER, "Software\\OrvtestRunLocation");
    ts::SetRegString(HKEY_LOCAL_MACHINE, key, "Path", product.Root());
    ts::SetRegString(HKEY_CURRENT_USER, key, "UserLanguage", "en");
    ASSERT_TRUE(ts::StageUninstallEntry(kFixed, {{"Path", product.Root()}}));

    RunResult run = RunUninstaller(exe, ts::Quote(key));
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), kCompleted);
    EXPECT_FALSE(ts::DirExists(product.Root()));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\OrvtestRunLocation"));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, "Software\\OrvtestRunLocation"));
    EXPECT_FALSE(ts::UninstallEntryExists(kFixed));
}

}  // namespace
}  // namespace rt
