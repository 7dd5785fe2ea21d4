// Where the uninstaller learns about the product: the uninstall entry named
// by the argument (with the quote rule), or a configuration location given as
// an INI file or a registry key path; and the fatal stops when neither can be
// read.
#include <gtest/gtest.h>

#include "tests/uninstall_startup/e2e.h"

namespace {

const char kProductLine[] = "This program will uninstall Orvanta Lumadesk.";
const char kStationLine[] = "This program will uninstall Lumadesk station.";

using Sources = e2e::StageTest;

// The window came up with this product line and folder; cancelled.
void ExpectWindow(ts::Uninstaller& u, const std::string& line, const std::string& folder) {
    HWND w = u.Window();
    ASSERT_TRUE(w) << "no main window";
    auto v = e2e::ReadWindow(w);
    ASSERT_GE(v.labels.size(), 2u);
    EXPECT_EQ(v.labels.front(), line);
    EXPECT_EQ(v.labels.back(), folder);
    ASSERT_TRUE(u.Press("Cancel"));
    auto o = e2e::AwaitOutcome(u);
    EXPECT_EQ(o.dialog.text, "Uninstall aborted.");
    EXPECT_EQ(o.exitCode, 1602u);
}

void ExpectStop(ts::Uninstaller& u, const std::string& text) {
    auto s = e2e::AwaitStop(u);
    EXPECT_EQ(s.dialog.caption, "Orvanta UnInstall");
    EXPECT_EQ(s.dialog.text, text);
    EXPECT_EQ(s.dialog.icon, "error");
    EXPECT_EQ(s.dialog.ButtonTexts(), std::vector<std::string>{"OK"});
    EXPECT_FALSE(s.windowSeen) << "the main window was shown";
    EXPECT_EQ(s.exitCode, 1603u);
}

TEST_F(Sources, UninstallEntryGivesNameAndFolder) {
    StageInstallation();
    StageEntry({{"Path", product}, {"DisplayName", "Lumadesk Pro 7"}});
    auto u = Start(ts::Quote(entry));
    ExpectWindow(u, "This program will uninstall Lumadesk Pro 7.", product);
}

TEST_F(Sources, QuoteRuleDropsFirstAndLastCharacterWhateverTheLastIs) {
    StageInstallation();
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}});
    {
        // The argument "<entry>" with its quotes, as a second layer of quoting.
        auto u = Start("\"\\\"" + entry + "\\\"\"");
        ExpectWindow(u, kProductLine, product);
    }
    {
        // "<entry>X: the X goes with the closing position.
        auto u = Start("\"\\\"" + entry + "X\"");
        ExpectWindow(u, kProductLine, product);
    }
}

TEST_F(Sources, MissingEntryStopsWithTheArgumentAsGiven) {
    {
        auto u = Start(ts::Quote(entry));  // never staged
        ExpectStop(u, e2e::InvalidParameter(entry));
    }
    {
        // Before the quote rule: the context keeps the quotes.
        auto u = Start("\"\\\"" + entry + "\\\"\"");
        ExpectStop(u, e2e::InvalidParameter("\"" + entry + "\""));
    }
    {
        auto u = Start("");
        ExpectStop(u, "Invalid parameter.");
    }
}

TEST_F(Sources, EntryThatGrantsOnlyReadAccessStops) {
    StageInstallation();
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}});
    std::string key = std::string(ts::kUninstallRoot) + "\\" + entry;
    ASSERT_TRUE(ts::MakeKeyReadOnly(HKEY_LOCAL_MACHINE, key));
    auto u = Start(ts::Quote(entry));
    ExpectStop(u, e2e::InvalidParameter(entry));
    EXPECT_TRUE(ts::RestoreKeyAccess(HKEY_LOCAL_MACHINE, key));
}

TEST_F(Sources, IniFileGivesPathAndServerPathGivesTheStationName) {
    StageInstallation();
    const std::string ini = product + "\\Bin\\Lumadesk.ini";
    ASSERT_TRUE(ts::WriteTextFile(ini, "[General]\r\nPath=" + product + "\r\n"));
    {
        auto u = Start(ts::Quote(ini));
        ExpectWindow(u, kProductLine, product);
    }
    ASSERT_TRUE(ts::WriteTextFile(ini, "[General]\r\nPath=" + product + "\r\nServerPath=\\\\station\\lumadesk\r\n"));
    {
        auto u = Start(ts::Quote(ini));
        ExpectWindow(u, kStationLine, product);
    }
}

TEST_F(Sources, IniFileWithoutPathStops) {
    StageInstallation();
    const std::string ini = dir / "Setup\\Lumadesk.ini";
    ASSERT_TRUE(ts::WriteTextFile(ini, "[General]\r\nServerPath=\\\\station\\lumadesk\r\nPath=\r\n"));
    {
        auto u = Start(ts::Quote(ini));
        ExpectStop(u, e2e::InvalidParameter(ini));
    }
    ASSERT_TRUE(ts::WriteTextFile(ini, "[Other]\r\nPath=" + product + "\r\n"));
    {
        auto u = Start(ts::Quote(ini));
        ExpectStop(u, e2e::InvalidParameter(ini));
    }
    {
        // No such file: an argument ending in .INI is still an INI file.
        const std::string none = dir / "Setup\\None.INI";
        auto u = Start(ts::Quote(none));
        ExpectStop(u, e2e::InvalidParameter(none));
    }
}

TEST_F(Sources, RegistryKeyPathGivesPathAndServerPathGivesTheStationName) {
    StageInstallation();
    const std::string key = ConfigKeyPath();
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, key, "Path", product));
    {
        auto u = Start(ts::Quote(key));
        ExpectWindow(u, kProductLine, product);
    }
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, key, "ServerPath", "\\\\station\\lumadesk"));
    {
        // With a leading backslash the same key.
        auto u = Start(ts::Quote("\\" + key));
        ExpectWindow(u, kStationLine, product);
    }
    // The write test leaves no trace of itself.
    EXPECT_EQ(ts::GetRegString(HKEY_LOCAL_MACHINE, key, "__Orvanta__Test__"), "");
    EXPECT_EQ(e2e::KeySnapshot(HKEY_LOCAL_MACHINE, key).size(), 3u);  // exists, Path, ServerPath
}

TEST_F(Sources, RegistryKeyPathMissingOrWithoutPathStops) {
    const std::string key = ConfigKeyPath();
    {
        auto u = Start(ts::Quote(key));
        ExpectStop(u, e2e::InvalidParameter(key));
    }
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, key, "Path", ""));
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, key, "ServerPath", "\\\\station\\lumadesk"));
    {
        auto u = Start(ts::Quote(key));
        ExpectStop(u, e2e::InvalidParameter(key));
    }
    // The configuration of the current user alone is not the product's.
    const std::string userKey = ConfigKeyPath("User");
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, userKey, "Path", product));
    {
        auto u = Start(ts::Quote(userKey));
        ExpectStop(u, e2e::InvalidParameter(userKey));
    }
}

TEST_F(Sources, RegistryKeyThatGrantsOnlyReadAccessStopsWithError68) {
    StageInstallation();
    const std::string key = ConfigKeyPath();
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, key, "Path", product));
    ASSERT_TRUE(ts::MakeKeyReadOnly(HKEY_LOCAL_MACHINE, key));
    auto u = Start(ts::Quote(key));
    ExpectStop(u, "Error 68 : HKEY_LOCAL_MACHINE\\" + key + "\\.");
    EXPECT_TRUE(ts::RestoreKeyAccess(HKEY_LOCAL_MACHINE, key));
    EXPECT_EQ(ts::GetRegString(HKEY_LOCAL_MACHINE, key, "Path"), product);
}

}  // namespace
