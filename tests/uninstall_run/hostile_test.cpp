// Hostile installations: names, paths, keys and entries written to turn the
// uninstaller against what is not the product's.  Each row stages one such
// installation beside a sentinel folder, other programs' registry values and
// the user's own files, runs the real uninstall.exe quietly, and checks that
// the sentinel, the values and the kept files survive, that nothing outside
// the product folder is left for the restart to delete, and the exit code.
// One case goes through the window; one generated case names product files
// with every character that the code page's best fit turns into a
// separator, a dot, a colon or a wildcard.
#include "tests/uninstall_run/run_fixture.h"

#include <shlobj.h>

#include <cstdio>
#include <functional>
#include <map>

#include "framework/base/handles.h"
#include "framework/base/sysutils.h"
#include "uninstall/kxlib/paths.h"

namespace rt {
namespace {

const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kForeignVendor[] = "Software\\OrvtestHostileVendor\\Other";

// Writes a file by its wide name with a local stamp (folders made on the way).
bool WriteWide(const std::wstring& path, const SYSTEMTIME& stamp) {
    for (auto p = path.find(L'\\', 3); p != std::wstring::npos; p = path.find(L'\\', p + 1))
        CreateDirectoryW(path.substr(0, p).c_str(), nullptr);
    fw::UniqueFile h(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    if (!h) return false;
    DWORD done = 0;
    WriteFile(h.get(), "x", 1, &done, nullptr);
    FILETIME local, utc;
    return SystemTimeToFileTime(&stamp, &local) && LocalFileTimeToFileTime(&local, &utc) &&
           SetFileTime(h.get(), nullptr, nullptr, &utc);
}

// Every file below Folder with its content, by relative path.
std::map<std::string, std::string> Contents(const std::string& folder, const std::string& rel = "") {
    std::map<std::string, std::string> out;
    for (const auto& name : Entries(folder + (rel.empty() ? "" : "\\" + rel))) {
        const std::string r = rel.empty() ? name : rel + "\\" + name;
        if (ts::DirExists(folder + "\\" + r))
            out.merge(Contents(folder, r));
        else
            out[r] = ts::ReadTextFile(folder + "\\" + r);
    }
    return out;
}

class HostileTest : public RunTest {
public:
    using RunTest::dir;
    using RunTest::pending;
    using RunTest::product;
    using RunTest::StageEntry;
    // The sentinel: another program's folder beside the product.
    const std::string victim = dir / "victim";
    std::string exe;
    const std::string log = dir / "quiet.log";

    // A Unix symbolic link, as Wine shows a directory link or junction;
    // taken away again after the case, before the scratch folder goes.
    void Link(const std::string& target, const std::string& link) {
        links_.push_back(ts::UnixPath(link));
        // Wine may hand back control while the command is still at work.
        ts::RunUnix("ln -s '" + ts::UnixPath(target) + "' '" + links_.back() + "'");
        for (int i = 0; i < 100 && GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
        ASSERT_NE(GetFileAttributesA(link.c_str()), INVALID_FILE_ATTRIBUTES) << link;
    }

protected:
    void SetUp() override {
        ts::WriteTextFile(log, "");
        ts::WriteTextFile(victim + "\\data.txt", "another program's");
        ts::WriteTextFile(victim + "\\Sub\\more.txt", "another program's too");
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            ts::SetRegString(root, kRun, "OrvtestForeign", "C:\\other\\start.exe");
            ts::SetRegString(root, kForeignVendor, "Setting", "1");
        }
        exe = PlaceUninstaller(dir / "Common");
    }
    void TearDown() override {
        for (const auto& link : links_) ts::RunUnix("rm -f '" + link + "'");
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            fw::UniqueKey k;
            if (RegOpenKeyExA(root, kRun, 0, KEY_SET_VALUE, k.put()) == ERROR_SUCCESS)
                RegDeleteValueA(k.get(), "OrvtestForeign");
            ts::DeleteRegTree(root, "Software\\OrvtestHostileVendor");
        }
        RunTest::TearDown();
    }

    // What must survive every run, and the restart list holding nothing
    // outside the product folder.
    void ExpectNothingForeignTouched(const std::map<std::string, std::string>& victimBefore) {
        EXPECT_EQ(Contents(victim), victimBefore);
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            EXPECT_EQ(ts::GetRegString(root, kRun, "OrvtestForeign"), "C:\\other\\start.exe");
            EXPECT_EQ(ts::GetRegString(root, kForeignVendor, "Setting"), "1");
        }
        const std::string inside = fw::UpperCase(product.Root()) + "\\";
        for (const auto& p : pending.Deletions())
            EXPECT_TRUE(fw::UpperCase(p + "\\").rfind(inside, 0) == 0 || p.find("orvuninst-") != std::string::npos)
                << "scheduled outside the product: " << p;
    }

private:
    std::vector<std::string> links_;
};

struct Row {
    const char* name;
    std::function<void(HostileTest&)> stage;  // the product and its entry
    std::string switches;                     // after the quoted entry name
    DWORD exitCode;
    std::function<void(HostileTest&)> check;  // what else must hold
};

// The usual installation with one file of the user's, which a run without
// /deleteuserfiles keeps.
void Installation(HostileTest& t) {
    t.product.File("Lumadesk.chm");
    t.product.File("Bin\\Lumadesk.exe");
    t.product.UserFile("Doc\\Notes.txt");
}

void UserFileKept(HostileTest& t) {
    EXPECT_EQ(ts::ReadTextFile(t.product / "Doc\\Notes.txt"), "the user's Doc\\Notes.txt");
}

void NothingRemoved(HostileTest& t) {
    EXPECT_TRUE(ts::FileExists(t.product / "Lumadesk.chm"));
    EXPECT_TRUE(ts::UninstallEntryExists(kEntry));
}

const Row kRows[] = {
    {"FullWidthSeparatorsInAFolderName",
     [](HostileTest& t) {
         Installation(t);
         // Best fit makes this name x\..\..\victim: the sentinel.
         ASSERT_TRUE(WriteWide(kx::WidePath(t.product.Root()) + L"\\x\xFF3C..\xFF3C..\xFF3Cvictim\\old.dat",
                               ts::InstallStamp()));
         ASSERT_TRUE(WriteWide(kx::WidePath(t.product.Root()) + L"\\y\x2216\xFF0E\xFF0E\x2216victim\\new.dat",
                               ts::LaterStamp()));
         t.StageEntry();
     },
     "/quiet /deleteuserfiles", 0, [](HostileTest& t) { EXPECT_FALSE(ts::DirExists(t.product.Root())); }},
    {"FullWidthSeparatorsWhileTheUsersFilesAreKept",
     [](HostileTest& t) {
         Installation(t);
         ASSERT_TRUE(WriteWide(kx::WidePath(t.product.Root()) + L"\\x\xFF3C..\xFF3C..\xFF3Cvictim\\old.dat",
                               ts::InstallStamp()));
         t.StageEntry();
     },
     "/quiet", 0,
     [](HostileTest& t) {
         UserFileKept(t);
         EXPECT_EQ(Entries(t.product.Root()), std::vector<std::string>{"Doc"});
     }},
    {"PathSpelledWithTwoTrailingBackslashes",
     [](HostileTest& t) {
         Installation(t);
         t.StageEntry({{"Path", t.product.Root() + "\\\\"}});
     },
     "/quiet", 0,
     [](HostileTest& t) {
         UserFileKept(t);
         EXPECT_TRUE(t.pending.Deletions().empty()) << ::testing::PrintToString(t.pending.Deletions());
         EXPECT_EQ(Entries(t.product.Root()), std::vector<std::string>{"Doc"});
     }},
    {"ConfigKeyNamingTheRunKey",
     [](HostileTest& t) {
         Installation(t);
         t.StageEntry({{"ConfigKey", kRun}});
     },
     "/quiet", 1603, NothingRemoved},
    {"ConfigKeyNamingTheVendorOnly",
     [](HostileTest& t) {
         Installation(t);
         t.StageEntry({{"ConfigKey", "Software\\OrvtestHostileVendor"}});
     },
     "/quiet", 1603, NothingRemoved},
    {"PathInsideTheWindowsFolder",
     [](HostileTest& t) {
         ts::WriteTextFile("C:\\windows\\Installer\\orvtest-hostile.txt", "the system's");
         t.StageEntry({{"Path", "C:\\windows\\Installer"}});
     },
     "/quiet /deleteuserfiles", 1603,
     [](HostileTest&) {
         EXPECT_TRUE(ts::FileExists("C:\\windows\\Installer\\orvtest-hostile.txt"));
         DeleteFileA("C:\\windows\\Installer\\orvtest-hostile.txt");
         EXPECT_TRUE(ts::UninstallEntryExists(kEntry));
     }},
    {"PathThroughThisComputersAdministrativeShare",
     [](HostileTest& t) {
         Installation(t);
         t.StageEntry({{"Path", "\\\\localhost\\C$" + t.product.Root().substr(2)}});
     },
     "/quiet /deleteuserfiles", 1603, NothingRemoved},
    {"ProductFolderThatIsALinkToPublicDocuments",
     [](HostileTest& t) {
         char pub[MAX_PATH] = {};
         ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, pub, CSIDL_COMMON_DOCUMENTS, TRUE));
         ts::WriteTextFile(std::string(pub) + "\\orvtest-hostile.txt", "everybody's");
         t.Link(pub, t.product.Root());
         t.StageEntry();
     },
     "/quiet /deleteuserfiles", 1603,
     [](HostileTest&) {
         char pub[MAX_PATH] = {};
         SHGetSpecialFolderPathA(nullptr, pub, CSIDL_COMMON_DOCUMENTS, FALSE);
         EXPECT_TRUE(ts::FileExists(std::string(pub) + "\\orvtest-hostile.txt"));
         DeleteFileA((std::string(pub) + "\\orvtest-hostile.txt").c_str());
     }},
    {"ForeignEntryWithoutPath",
     [](HostileTest& t) {
         Installation(t);
         t.StageEntry({{"Path", ""}});
     },
     "/quiet /deleteuserfiles", 1603, NothingRemoved},
    {"QuietRunThatCannotTellTheUsersFiles",
     [](HostileTest& t) {
         t.product.File("Bin\\Lumadesk.exe");  // no help file: no installation stamp
         t.product.UserFile("Doc\\Notes.txt");
         t.StageEntry();
     },
     "/quiet", 1603,
     [](HostileTest& t) {
         UserFileKept(t);
         EXPECT_TRUE(ts::FileExists(t.product / "Bin\\Lumadesk.exe"));
         EXPECT_TRUE(ts::UninstallEntryExists(kEntry));
     }},
    {"LinkInsideTheProductTree",
     [](HostileTest& t) {
         Installation(t);
         t.Link(t.victim, t.product / "Doc\\Linked");
         t.StageEntry({{"Trace", "1"}});
     },
     "/quiet /deleteuserfiles", 0,
     [](HostileTest& t) {
         EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
         EXPECT_FALSE(ts::FileExists(t.product / "Lumadesk.chm"));
         EXPECT_TRUE(Contains(Lines(t.log), "Kept link: " + (t.product / "Doc\\Linked"))) << ::testing::PrintToString(Lines(t.log));
     }},
    {"HiddenInstallerFilesGoHiddenUserFilesStay",
     [](HostileTest& t) {
         Installation(t);
         t.product.File("settings.ini");
         ts::SetHidden(t.product / "settings.ini");
         t.product.File("Cache\\index.dat");
         t.product.UserFile("Cache\\mine.dat");
         ts::SetHidden(t.product / "Cache");
         t.StageEntry();
     },
     "/quiet", 0,
     [](HostileTest& t) {
         UserFileKept(t);
         EXPECT_EQ(Entries(t.product.Root()), (std::vector<std::string>{"Cache", "Doc"}));
         EXPECT_EQ(Entries(t.product / "Cache"), std::vector<std::string>{"mine.dat"});
     }},
    {"UnregisterEntryLongerThanAShortPath",
     [](HostileTest& t) {
         Installation(t);
         Product other(t.victim);
         other.Fixture("server_rec", "Server.dll");
         // Cut at 255 characters it lies in the product; whole, in the sentinel.
         t.StageEntry({{"Unregister", t.product / ("Bin\\" + std::string(250, 'a') + "\\..\\..\\..\\victim\\Server.dll")}});
     },
     "/quiet", 0, UserFileKept},
};

class HostileRow : public HostileTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(HostileRow, LeavesWhatIsNotTheProductsAlone) {
    const Row& row = kRows[GetParam()];
    row.stage(*this);
    if (HasFatalFailure()) return;
    const auto victimBefore = Contents(victim);
    ASSERT_FALSE(victimBefore.empty());

    QuietResult run = RunQuiet(exe, ts::Quote(kEntry) + " " + row.switches + " /log=" + ts::Quote(log));
    EXPECT_EQ(run.exitCode, row.exitCode) << ::testing::PrintToString(Lines(log));
    EXPECT_FALSE(run.windowSeen);
    ExpectNothingForeignTouched(victimBefore);
    row.check(*this);
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileRow, ::testing::Range<std::size_t>(0, std::size(kRows)),
                         [](const auto& row) { return std::string(kRows[row.param].name); });

// The switches in the order deployment tools write them: before the entry.
TEST_F(HostileTest, SwitchesBeforeTheEntryRunQuietly) {
    Installation(*this);
    StageEntry();
    QuietResult run = RunQuiet(exe, "/quiet /log=" + ts::Quote(log) + " " + ts::Quote(kEntry));
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.windowSeen);
    UserFileKept(*this);
    EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
}

// A file saved into the product folder after the window listed the user's
// files is neither deleted nor left for the restart: it is kept and traced.
TEST_F(HostileTest, FileSavedWhileTheWindowIsOpenIsKept) {
    Installation(*this);
    ASSERT_TRUE(StageEntry({{"Trace", "1"}}));
    const auto victimBefore = Contents(victim);
    RunResult run = RunUninstaller(exe, ts::Quote(kEntry), [&](HWND) {
        ts::WriteTextFile(product / "Bin\\Saved.lmd", "saved while the window was open");
    });
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(ts::ReadTextFile(product / "Bin\\Saved.lmd"), "saved while the window was open");
    UserFileKept(*this);
    ExpectNothingForeignTouched(victimBefore);
    EXPECT_TRUE(Contains(Lines(dir / "Common\\Trace.txt"), "Kept: " + (product / "Bin\\Saved.lmd")));
}

// Product files named with every character that best fit turns into a
// separator, a dot, a colon or a wildcard: each goes by its own wide name,
// and nothing outside the product changes.
TEST_F(HostileTest, EveryBestFitLookAlikeGoesByItsOwnName) {
    std::wstring lookAlikes;
    for (wchar_t c = 0x80; c < 0xFFFF; ++c) {
        char narrow[8] = {};
        BOOL lossy = FALSE;
        const int n = WideCharToMultiByte(CP_ACP, 0, &c, 1, narrow, sizeof narrow, nullptr, &lossy);
        if (n == 1 && !lossy && std::string("\\/.:*?").find(narrow[0]) != std::string::npos) lookAlikes += c;
    }
    ASSERT_GE(lookAlikes.size(), 3u) << "best fit gave no look-alikes";
    const std::wstring root = kx::WidePath(product.Root());
    Installation(*this);
    int i = 0;
    for (wchar_t c : lookAlikes) {
        const std::wstring n = std::to_wstring(i++);
        // Alone, doubled (".." once narrowed), and as a separator climbing
        // out of the product folder to the sentinel.
        ASSERT_TRUE(WriteWide(root + L"\\f" + n + c + L"x.dat", ts::InstallStamp()));
        ASSERT_TRUE(WriteWide(root + L"\\d" + n + L"\\" + c + c + L"\\a.dat", ts::InstallStamp()));
        ASSERT_TRUE(WriteWide(root + L"\\u" + n + L"\\.." + c + L".." + c + L"victim\\b.dat", ts::LaterStamp()));
        ASSERT_TRUE(WriteWide(root + L"\\" + c + c + c, ts::InstallStamp()));
    }
    ASSERT_TRUE(StageEntry());
    const auto victimBefore = Contents(victim);
    const auto dirBefore = Entries(dir.Path());
    QuietResult run = RunQuiet(exe, ts::Quote(kEntry) + " /quiet /deleteuserfiles /log=" + ts::Quote(log));
    EXPECT_EQ(run.exitCode, 0u) << ::testing::PrintToString(Lines(log));
    EXPECT_FALSE(ts::DirExists(product.Root()));
    ExpectNothingForeignTouched(victimBefore);
    std::vector<std::string> dirAfter = Entries(dir.Path());
    dirAfter.push_back("Lumadesk");
    std::sort(dirAfter.begin(), dirAfter.end());
    EXPECT_EQ(dirAfter, dirBefore);
    std::printf("%zu look-alikes, %zu product entries named with them\n", lookAlikes.size(), 4 * lookAlikes.size());
}

}  // namespace
}  // namespace rt
