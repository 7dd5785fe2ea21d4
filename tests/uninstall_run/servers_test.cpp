// The server stage seen from outside: which entries of "Unregister" reach
// the servers' own unregistration (the recording fixture writes each call
// next to the library) and are deleted, which are only traced, and how a
// server that cannot be deleted ends the run before the files are touched.
#include "tests/uninstall_run/run_fixture.h"

namespace rt {
namespace {

using ServersTest = RunTest;

const std::vector<std::string> kUnregistered = {"unregister ole", "detach"};
const char kRestart[] = "Can't unregister ActiveX object: please restart your computer and retry";

TEST_F(ServersTest, ProductServersAreUnregisteredAndDeletedOtherEntriesOnlyTraced) {
    StageProduct();
    product.UserFile("Doc\\Notes.txt");  // keeps the product tree, so the call records stay
    std::string exe = PlaceUninstaller(product / "Bin");
    product.Fixture("server_rec", "Bin\\Viewer.OCX");
    product.Fixture("server_rec", "Bin\\Server.dll");
    product.Fixture("server_rec", "Bin\\Plugins\\Reader.dll");
    product.Fixture("server_rec", "Bin\\Tool.exe");  // a loadable library, but no server entry
    Product shared(dir / "Shared");
    shared.Fixture("server_rec", "Shared.dll");
    shared.Fixture("server_rec", "Other.dll");
    const std::vector<std::string> entries = {
        product / "Bin\\Viewer.OCX",
        "Server.dll",           // a bare name: the one beside the uninstaller
        "",
        "Plugins\\Reader.dll",  // relative to the uninstaller's folder
        product / "Bin\\Tool.exe",
        shared / "Shared.dll",
        product.Root() + "\\..\\Shared\\Other.dll",
        "Missing.dll",
    };
    std::string list;
    for (const auto& e : entries) list += e + ";";
    ASSERT_TRUE(StageEntry({{"Trace", "1"}, {"Unregister", list}}));

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_TRUE(run.windowShown);
    // The call records, written into the product's tree during the run, are
    // no files the start-up knew as the installation's: they are kept.
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(run.exitCode, 0u);

    for (const char* rel : {"Bin\\Viewer.OCX", "Bin\\Server.dll", "Bin\\Plugins\\Reader.dll"}) {
        EXPECT_EQ(Lines(product / rel + ".calls"), kUnregistered) << rel;
        EXPECT_FALSE(ts::FileExists(product / rel)) << rel;
    }
    EXPECT_FALSE(ts::FileExists(product / "Bin\\Tool.exe.calls"));
    for (const char* name : {"Shared.dll", "Other.dll"}) {
        EXPECT_TRUE(ts::FileExists(shared / name)) << name;
        EXPECT_FALSE(ts::FileExists(shared / name + ".calls")) << name;
    }

    std::vector<std::string> expected;
    for (const auto& e : entries) expected.push_back("Unregister: " + e);
    expected.push_back("CleanUpFiles");
    std::vector<std::string> lines = Lines(product / "Bin\\Trace.txt");
    ASSERT_GE(lines.size(), 3 + expected.size()) << ::testing::PrintToString(lines);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.begin() + 3 + expected.size()), expected);
}

TEST_F(ServersTest, BareNameBesideAnUninstallerOutsideTheProductIsSkipped) {
    StageProduct();
    // One uninstaller for several installations, with a shared server beside it.
    std::string exe = PlaceUninstaller(dir / "Common");
    Product common(dir / "Common");
    common.Fixture("server_rec", "Server.dll");
    product.Fixture("server_rec", "Bin\\Server.dll");
    ASSERT_TRUE(StageEntry({{"Unregister", "Server.dll"}}));

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_TRUE(ts::FileExists(common / "Server.dll"));
    EXPECT_FALSE(ts::FileExists(common / "Server.dll.calls"));
    EXPECT_FALSE(ts::DirExists(product.Root()));
}

class UndeletableServerTest : public RunTest {
protected:
    std::string exe;
    std::string first = product / "Bin\\Viewer.ocx";
    std::string second = product / "Bin\\Second.dll";
    ts::ScratchKey config{HKEY_CURRENT_USER, "Software\\OrvtestRunServers\\Lumadesk"};
    std::string link;

    void SetUp() override {
        StageProduct();
        exe = PlaceUninstaller(dir / "Common");
        product.Fixture("server_rec", "Bin\\Viewer.ocx");
        product.Fixture("server_rec", "Bin\\Second.dll");
        ts::SetRegString(HKEY_CURRENT_USER, config.Path(), "UserLanguage", "en");
        link = shell.Link(desktop + "\\Orvtest Run Servers.lnk", product / "Bin\\Lumadesk.exe");
        ASSERT_FALSE(link.empty());
        ASSERT_TRUE(StageEntry({{"Trace", "1"}, {"ConfigKey", config.Path()}, {"Unregister", first + ";" + second}}));
    }

    // The restart message alone, the error itself in the trace; nothing
    // after the server stage ran.
    void ExpectStoppedAtTheFirstServer(const RunResult& run) {
        ASSERT_TRUE(run.windowShown);
        ASSERT_EQ(run.endMessages.size(), 1u) << ::testing::PrintToString(run.EndTexts());
        EXPECT_EQ(run.endMessages[0].text, kRestart);
        EXPECT_EQ(run.endMessages[0].icon, "error");
        EXPECT_EQ(run.endMessages[0].caption, "Orvanta UnInstall");
        EXPECT_EQ(run.exitCode, 1603u);
        std::vector<std::string> lines = Lines(dir / "Common\\Trace.txt");
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()),
                  (std::vector<std::string>{"Unregister: " + first, "Error: File locked : " + first + "."}));
        EXPECT_TRUE(ts::FileExists(first));
        EXPECT_TRUE(ts::FileExists(second));
        EXPECT_FALSE(ts::FileExists(second + ".calls"));
        for (const char* rel : {"Lumadesk.chm", "Bin\\Lumadesk.exe", "Bin\\KxLib.dll", "Doc\\Guide.chm"})
            EXPECT_TRUE(ts::FileExists(product / rel)) << rel;
        EXPECT_TRUE(ts::RegKeyExists(HKEY_CURRENT_USER, config.Path()));
        EXPECT_TRUE(ts::FileExists(link));
        EXPECT_TRUE(ts::UninstallEntryExists(kEntry));
    }
};

TEST_F(UndeletableServerTest, ServerHeldOpenAsksForARestartAndStopsBeforeTheFiles) {
    ts::LockedFile lock(first);
    ASSERT_TRUE(lock.Held());
    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ExpectStoppedAtTheFirstServer(run);
}

TEST_F(UndeletableServerTest, ReadOnlyServerIsUnregisteredThenAsksForARestart) {
    ts::SetReadOnly(first);
    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ExpectStoppedAtTheFirstServer(run);
    EXPECT_EQ(Lines(first + ".calls"), kUnregistered);
    ts::SetReadOnly(first, false);
}

}  // namespace
}  // namespace rt
