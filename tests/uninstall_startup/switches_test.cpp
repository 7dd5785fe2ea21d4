// The switches after the one argument, seen from outside: an unknown switch
// or one without its value ends the program with 1639 before anything is
// read or touched (quietly with /quiet, with an error box otherwise); a
// quiet run refused for a folder that is not the product's alone ends with
// 1603, touches nothing, shows nothing and says why in its log.
#include <gtest/gtest.h>

#include "tests/uninstall_startup/e2e.h"

namespace {

using Switches = e2e::StageTest;

struct QuietEnd {
    DWORD exitCode = STILL_ACTIVE;
    bool windowSeen = false;  // any visible window of the process, at any moment
};

QuietEnd AwaitQuiet(ts::Uninstaller& u) {
    QuietEnd end;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 30000;) {
        if (!ts::TopWindows(u.Process().Pid()).empty()) end.windowSeen = true;
        end.exitCode = u.ExitCode(20);
        if (end.exitCode != STILL_ACTIVE) break;
    }
    return end;
}

TEST_F(Switches, UnknownSwitchOrSwitchWithoutItsValueEndsWith1639BeforeAnythingIsRead) {
    StageInstallation();
    // Tracing on: a start-up that read the entry would write Trace.txt.
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}, {"Trace", "1"}});
    const std::string key = std::string(ts::kUninstallRoot) + "\\" + entry;
    const auto files = e2e::TreeSnapshot(dir.Path());
    const auto values = e2e::KeySnapshot(HKEY_LOCAL_MACHINE, key);

    for (const char* tail : {"/quiet /bogus", "/quiet /log", "/quiet /LOG=", "/quiet /quiet=1", "/Quiet /DeleteUserFiles -x /x"}) {
        SCOPED_TRACE(tail);
        auto u = Start(ts::Quote(entry) + " " + tail);
        QuietEnd end = AwaitQuiet(u);
        EXPECT_EQ(end.exitCode, 1639u);
        EXPECT_FALSE(end.windowSeen);
    }
    // Without /quiet the refusal is shown.
    auto u = Start(ts::Quote(entry) + " /deleteuserfiles /frobnicate");
    auto stop = e2e::AwaitStop(u);
    EXPECT_EQ(stop.dialog.text, e2e::InvalidParameter("/frobnicate"));
    EXPECT_EQ(stop.dialog.icon, "error");
    EXPECT_FALSE(stop.windowSeen);
    EXPECT_EQ(stop.exitCode, 1639u);

    EXPECT_EQ(e2e::TreeSnapshot(dir.Path()), files);
    EXPECT_EQ(e2e::KeySnapshot(HKEY_LOCAL_MACHINE, key), values);
}

TEST_F(Switches, QuietRunRefusedForAFolderNotTheProductsAloneSaysWhyInItsLog) {
    std::string windows(MAX_PATH, '\0');
    windows.resize(GetWindowsDirectoryA(windows.data(), MAX_PATH));
    for (const std::string& folder : {windows, std::string("C:\\")}) {
        SCOPED_TRACE(folder);
        StageEntry({{"Path", folder}, {"DisplayName", "Orvanta Lumadesk"}});
        const std::string key = std::string(ts::kUninstallRoot) + "\\" + entry;
        const auto values = e2e::KeySnapshot(HKEY_LOCAL_MACHINE, key);
        const std::string log = dir / "refused.log";
        DeleteFileA(log.c_str());

        auto u = Start(ts::Quote(entry) + " /quiet /log=" + ts::Quote(log));
        QuietEnd end = AwaitQuiet(u);
        EXPECT_EQ(end.exitCode, 1603u);
        EXPECT_FALSE(end.windowSeen);
        EXPECT_EQ(e2e::KeySnapshot(HKEY_LOCAL_MACHINE, key), values);
        const std::string text = ts::ReadTextFile(log);
        EXPECT_NE(text.find("RaiseFatal !!! " + e2e::InvalidParameter(folder)), std::string::npos) << text;
    }
}

}  // namespace
