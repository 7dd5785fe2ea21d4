// The uninstall entry's "Trace" value: exactly "1" switches the trace on,
// with an announcement naming Trace.txt beside the program and a fresh file
// that begins with the stamped "Ouverture trace" entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <regex>

#include "tests/uninstall_startup/e2e.h"

namespace {

using Tracing = e2e::StageTest;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string Today() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return std::to_string(t.wMonth) + "/" + std::to_string(t.wDay) + "/" + std::to_string(t.wYear);
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

TEST_F(Tracing, OneAnnouncesTheProgramsOwnSpellingAndStartsAFreshFile) {
    StageInstallation();
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}, {"Trace", "1"}});
    // The program in a folder of mixed case, started through a lower-cased
    // path: the announcement names the folder as the file system spells it.
    const std::string folder = dir / "Prog Mixed\\UnInst";
    const std::string copy = folder + "\\UnInstall.exe";
    ASSERT_TRUE(ts::CopyFileTo(ts::BuiltUninstaller(), copy));
    const std::string trace = folder + "\\Trace.txt";
    ASSERT_TRUE(ts::WriteTextFile(trace, "an old trace\r\n"));

    ts::Uninstaller u(Lower(copy), ts::Quote(entry));
    auto s = u.NextDialog();
    ASSERT_TRUE(s.hwnd) << "no announcement";
    EXPECT_EQ(s.caption, "Orvanta UnInstall");
    ASSERT_GT(s.text.size(), 2u);
    // The drive letter has no spelling of its own in the file system.
    EXPECT_EQ(s.text.substr(0, 18), "Trace activ\xE9" "e :\r\n" + Lower(trace.substr(0, 1)));
    EXPECT_EQ(s.text.substr(18), trace.substr(1));
    EXPECT_EQ(s.ButtonTexts(), std::vector<std::string>{"OK"});
    EXPECT_TRUE(ts::TopWindows(u.Process().Pid(), "TMainForm").empty());
    ts::PressButton(s.hwnd, "OK");

    HWND w = u.Window();
    ASSERT_TRUE(w) << "no main window after the announcement";
    std::string content = ts::ReadTextFile(trace);
    EXPECT_EQ(content.find("an old trace"), std::string::npos);
    std::smatch m;
    EXPECT_TRUE(std::regex_match(content, m,
                                 std::regex("\r\n\r\n\\*\\*\\*\\*\\* (\\d{1,2}/\\d{1,2}/\\d{4}) "
                                            "\\d{1,2}:\\d{2}:\\d{2} [AP]M\tOuverture trace\r\n")))
        << content;
    if (m.size() > 1) {
        EXPECT_EQ(m[1].str(), Today());
    }
    ASSERT_TRUE(u.Press("Cancel"));
    auto o = e2e::AwaitOutcome(u);
    EXPECT_EQ(o.exitCode, 1602u);
    EXPECT_EQ(Count(ts::ReadTextFile(trace), "Ouverture trace"), 1);
    // Nothing lands in the test's usual program copy.
    EXPECT_FALSE(ts::FileExists(dir / "Prog\\Trace.txt"));
}

class TraceValue : public e2e::StageTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(TraceValue, AnythingButExactlyOneLeavesTheTraceOff) {
    StageInstallation();
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}, {"Trace", GetParam()}});
    auto u = Start(ts::Quote(entry));
    EXPECT_EQ(e2e::WaitForFirst(u), e2e::Shown::Window);
    ASSERT_TRUE(u.Window());
    ASSERT_TRUE(u.Press("Cancel"));
    auto o = e2e::AwaitOutcome(u);
    EXPECT_EQ(o.dialog.text, "Uninstall aborted.");
    EXPECT_EQ(o.exitCode, 1602u);
    EXPECT_FALSE(ts::FileExists(dir / "Prog\\Trace.txt"));
}

INSTANTIATE_TEST_SUITE_P(Values, TraceValue, ::testing::Values("1 ", " 1", "01", "11", "true", "0", ""),
                         [](const auto& row) { return "Case" + std::to_string(row.index); });

TEST_F(Tracing, DwordTraceValueEndsTheProgramWithoutTheWindow) {
    StageInstallation();
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}});
    ASSERT_TRUE(ts::SetRegDword(HKEY_LOCAL_MACHINE, std::string(ts::kUninstallRoot) + "\\" + entry, "Trace", 1));
    auto u = Start(ts::Quote(entry));
    auto s = e2e::AwaitStop(u);
    EXPECT_EQ(s.dialog.icon, "error");
    EXPECT_NE(s.dialog.text.find("Trace"), std::string::npos) << s.dialog.text;
    EXPECT_FALSE(s.windowSeen);
    EXPECT_EQ(s.exitCode, 1603u);
}

TEST_F(Tracing, TraceFileThatCannotBeDeletedEndsTheProgramWithoutTheWindow) {
    StageInstallation();
    StageEntry({{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}, {"Trace", "1"}});
    const std::string trace = dir / "Prog\\Trace.txt";
    ASSERT_TRUE(ts::WriteTextFile(trace, "held\r\n"));
    ts::LockedFile held(trace);
    ASSERT_TRUE(held.Held());

    auto u = Start(ts::Quote(entry));
    auto a = u.NextDialog();
    ASSERT_TRUE(a.hwnd);
    EXPECT_EQ(a.text, "Trace activ\xE9" "e :\r\n" + trace);
    ts::PressButton(a.hwnd, "OK");
    ts::WaitGone(a.hwnd, 5000);
    auto s = e2e::AwaitStop(u);
    EXPECT_EQ(s.dialog.text, "File locked : " + trace + ".");
    EXPECT_EQ(s.dialog.icon, "error");
    EXPECT_FALSE(s.windowSeen);
    EXPECT_EQ(s.exitCode, 1603u);
}

}  // namespace
