// What the uninstaller refuses before it touches anything: an empty entry
// name, a product folder that is not the product's alone, a value that the
// 255-character rule would cut; and an error that escapes the start-up.
// Each ends the program with an error box and exit status 1603, the main
// window never shown.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "tests/uninstall_startup/e2e.h"

namespace {

using Refusals = e2e::StageTest;

// The text of code 41 with a context longer than 200 characters.
std::string LongInvalidParameter(const std::string& context) {
    char last = context.back();
    // The ending is cut with the text at 255 characters.
    bool ends = last == '.' || last == '!' || context.size() >= 255;
    return "Invalid parameter. :\r\n" + context + (ends ? "" : ".");
}

// An uninstall entry staged below the open Uninstall key, so that names
// longer than a full key path of MAX_PATH can be made and removed.
bool StageLongEntry(const std::string& name, const ts::Values& values) {
    fw::UniqueKey list, k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ts::kUninstallRoot, 0, KEY_ALL_ACCESS, list.put()) ||
        RegCreateKeyExA(list.get(), name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr))
        return false;
    for (const auto& [n, v] : values)
        if (RegSetValueExA(k.get(), n.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                           static_cast<DWORD>(v.size() + 1)))
            return false;
    return true;
}

void RemoveLongEntry(const std::string& name) {
    fw::UniqueKey list;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ts::kUninstallRoot, 0, KEY_ALL_ACCESS, list.put()) == ERROR_SUCCESS)
        RegDeleteTreeA(list.get(), name.c_str());
}

void ExpectStop(ts::Uninstaller& u, const std::string& text) {
    auto s = e2e::AwaitStop(u);
    EXPECT_EQ(s.dialog.caption, "Orvanta UnInstall");
    EXPECT_EQ(s.dialog.text, text);
    EXPECT_EQ(s.dialog.icon, "error");
    EXPECT_FALSE(s.windowSeen) << "the main window was shown";
    EXPECT_EQ(s.exitCode, 1603u);
}

std::string Env(const char* name) {
    char buf[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string ShellFolder(int csidl) {
    char buf[MAX_PATH] = {};
    return SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf) == S_OK ? buf : "";
}

std::string ShortForm(const std::string& path) {
    char buf[MAX_PATH] = {};
    DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : path;
}

// A path of exactly n characters that names Folder: Folder followed by
// "\." steps (and one "\" when the count is odd).
std::string Padded(const std::string& folder, std::size_t n) {
    std::string p = folder;
    while (p.size() + 2 <= n) p += "\\.";
    if (p.size() < n) p += "\\";
    return p;
}

TEST_F(Refusals, EmptyEntryNameAfterTheQuoteRule) {
    struct Case {
        const char* tail;
        const char* text;
    };
    for (const Case& c : {Case{"\"\\\"\\\"\"", "Invalid parameter : \"\"."},  // the argument ""
                          Case{"\"\\\"\"", "Invalid parameter : \"."},        // a lone "
                          Case{"\"\"", "Invalid parameter."}}) {              // an empty argument
        SCOPED_TRACE(c.tail);
        auto before = e2e::KeySnapshot(HKEY_LOCAL_MACHINE, ts::kUninstallRoot);
        auto u = Start(c.tail);
        ExpectStop(u, c.text);
        EXPECT_EQ(e2e::KeySnapshot(HKEY_LOCAL_MACHINE, ts::kUninstallRoot), before);
    }
}

TEST_F(Refusals, ProductFoldersThatAreNotTheProductsAlone) {
    const std::string profile = ShellFolder(CSIDL_PROFILE);
    const std::string desktop = ShellFolder(CSIDL_DESKTOPDIRECTORY);
    const std::string documents = ShellFolder(CSIDL_PERSONAL);
    ASSERT_FALSE(profile.empty());
    std::string windows(MAX_PATH, '\0');
    windows.resize(GetWindowsDirectoryA(windows.data(), MAX_PATH));
    std::vector<std::string> folders = {
        "C:\\",
        "C:",
        "C:/",
        "\\\\?\\C:\\",
        "C:\\Lumadesk\\..",
        "C:\\Lumadesk\\..\\.",
        windows,
        windows + "\\system32",
        "C:\\orvtest\\..\\WINDOWS",
        Env("ProgramFiles"),
        ShortForm(Env("ProgramFiles")),
        Env("ProgramData").empty() ? Env("ALLUSERSPROFILE") : Env("ProgramData"),
        profile,
        profile.substr(0, profile.find_last_of('\\')),  // the Users folder
        desktop,
        documents,
        "\\\\server\\share",
        "\\\\server\\share\\",
        "\\\\server\\share\\Lumadesk\\..",
        "Lumadesk",
        "C:Lumadesk",
    };
    for (const auto& folder : folders) {
        SCOPED_TRACE(folder);
        ASSERT_FALSE(folder.empty());
        StageEntry({{"Path", folder}, {"DisplayName", "Orvanta Lumadesk"}});
        auto u = Start(ts::Quote(entry));
        ExpectStop(u, e2e::InvalidParameter(folder));
    }
    // From a configuration location too.
    const std::string ini = dir / "Setup\\Lumadesk.ini";
    ASSERT_TRUE(ts::WriteTextFile(ini, "[General]\r\nPath=" + windows + "\r\n"));
    auto u = Start(ts::Quote(ini));
    ExpectStop(u, e2e::InvalidParameter(windows));
}

// Folders shared by every program and user of the machine, which a wrong
// "Path" once let a confirmed run erase: each, and a folder that holds one,
// ends the program before anything in it is touched.
TEST_F(Refusals, SharedSystemFoldersAndTheirParents) {
    const std::string temp = [] {
        char buf[MAX_PATH] = {};
        DWORD n = GetTempPathA(sizeof buf, buf);
        return std::string(buf, n > 0 ? n - 1 : 0);  // without the final backslash
    }();
    std::string windows(MAX_PATH, '\0');
    windows.resize(GetWindowsDirectoryA(windows.data(), MAX_PATH));
    const std::string publicDesktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    std::vector<std::string> folders = {
        ShellFolder(CSIDL_PROGRAM_FILES_COMMON),                // Common Files
        publicDesktop,                                          // the users' shared desktop
        publicDesktop.substr(0, publicDesktop.rfind('\\')),     // Public, which holds it
        ShellFolder(CSIDL_COMMON_PROGRAMS),                     // the common Start menu's Programs
        windows + "\\temp",                                     // the system's Temp
        temp,                                                   // the user's Temp
        ShellFolder(CSIDL_FONTS),
        ShellFolder(CSIDL_LOCAL_APPDATA),
        ShellFolder(CSIDL_COMMON_APPDATA) + "\\Microsoft",      // holds the common Start menu
    };
    for (const auto& folder : folders) {
        SCOPED_TRACE(folder);
        ASSERT_GT(folder.size(), 3u);
        // Another program's file in the folder, which must outlive the refusal.
        const std::string marker = folder + "\\Orvanta shared-folder marker.txt";
        ASSERT_TRUE(ts::WriteTextFile(marker, "another program's data"));
        StageEntry({{"Path", folder}, {"DisplayName", "Orvanta Lumadesk"}});
        auto u = Start(ts::Quote(entry));
        ExpectStop(u, e2e::InvalidParameter(folder));
        EXPECT_NE(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES) << "the refusal touched the folder";
        EXPECT_TRUE(ts::UninstallEntryExists(entry));
        DeleteFileA(marker.c_str());
    }
}

TEST_F(Refusals, ArgumentThatWouldBeCut) {
    // The first 255 characters name an INI file that would do; the whole
    // argument does not.
    StageInstallation();
    std::string folder = dir / "Setup";
    std::string name = "Lumadesk.ini";
    std::string ini = Padded(folder, 255 - name.size() - 1) + "\\" + name;
    ASSERT_EQ(ini.size(), 255u);
    ASSERT_TRUE(ts::WriteTextFile(folder + "\\" + name, "[General]\r\nPath=" + product + "\r\n"));
    {
        // The 255-character form itself is accepted.
        auto u = Start(ts::Quote(ini));
        HWND w = u.Window();
        ASSERT_TRUE(w) << "the 255-character argument was refused";
        ASSERT_TRUE(u.Press("Cancel"));
        EXPECT_EQ(e2e::AwaitOutcome(u).exitCode, 1602u);
    }
    {
        auto u = Start(ts::Quote(ini + "x"));
        ExpectStop(u, LongInvalidParameter(ini));
    }
}

TEST_F(Refusals, EntryNameWhoseKeyPathWouldBeCut) {
    StageInstallation();
    // "\Software\...\Uninstall\" is 53 characters: a name of 206 makes a key
    // path of 259, which the 255 rule would cut to a name of 202, another
    // entry.  (The key path stays below MAX_PATH, so that the platform itself
    // could open it.)
    const std::string prefix = "\\" + std::string(ts::kUninstallRoot) + "\\";
    // Words, so that the message box can wrap the name and stay on the screen.
    std::string longName = entry;
    while (longName.size() < 206) longName += " Lumadesk";
    longName.resize(206);
    if (longName.back() == ' ') longName.back() = 'x';
    const std::string cutName = longName.substr(0, 255 - prefix.size());
    struct Cleanup {
        std::string a, b;
        ~Cleanup() {
            RemoveLongEntry(a);
            RemoveLongEntry(b);
        }
    } cleanup{longName, cutName};
    ASSERT_TRUE(StageLongEntry(longName, {{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}}));
    ASSERT_TRUE(StageLongEntry(cutName, {{"Path", product}, {"DisplayName", "Someone Else"}}));
    {
        auto u = Start(ts::Quote(longName));
        ExpectStop(u, LongInvalidParameter(longName));
    }
    {
        // The entry whose key path fits is read.
        auto u = Start(ts::Quote(cutName));
        HWND w = u.Window();
        ASSERT_TRUE(w) << "the entry with a 255-character key path was refused";
        ASSERT_TRUE(u.Press("Cancel"));
        EXPECT_EQ(e2e::AwaitOutcome(u).exitCode, 1602u);
    }
}

TEST_F(Refusals, PathValueThatWouldBeCut) {
    StageInstallation();
    // The first 255 characters name the product folder; the whole value
    // names a folder below it.
    const std::string cut = Padded(product, 255);
    StageEntry({{"Path", cut + "\\Sub"}, {"DisplayName", "Orvanta Lumadesk"}});
    {
        auto u = Start(ts::Quote(entry));
        ExpectStop(u, LongInvalidParameter(cut));
    }
    // From an INI file: the store cuts its values at 255, so a value of 255
    // may be a cut one.
    const std::string ini = dir / "Setup\\Lumadesk.ini";
    ASSERT_TRUE(ts::WriteTextFile(ini, "[General]\r\nPath=" + cut + "\\Sub\r\n"));
    {
        auto u = Start(ts::Quote(ini));
        ExpectStop(u, LongInvalidParameter(cut));
    }
    // One character less is accepted.
    StageEntry({{"Path", cut.substr(0, 254)}, {"DisplayName", "Orvanta Lumadesk"}});
    {
        auto u = Start(ts::Quote(entry));
        HWND w = u.Window();
        ASSERT_TRUE(w) << "a 254-character Path was refused";
        ASSERT_TRUE(u.Press("Cancel"));
        EXPECT_EQ(e2e::AwaitOutcome(u).exitCode, 1602u);
    }
}

// A value of another type than text leaves the start-up with the registry
// layer's error: the program ends without the window.
class ValueType : public e2e::StageTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ValueType, DwordValueEndsTheProgramWithoutTheWindow) {
    StageInstallation();
    ts::Values values = {{"Path", product}, {"DisplayName", "Orvanta Lumadesk"}, {"Unregister", ""},
                         {"ConfigKey", ""}};
    for (auto it = values.begin(); it != values.end(); ++it)
        if (it->first == GetParam()) {
            values.erase(it);
            break;
        }
    StageEntry(values);
    ASSERT_TRUE(ts::SetRegDword(HKEY_LOCAL_MACHINE, std::string(ts::kUninstallRoot) + "\\" + entry, GetParam(), 7));
    auto before = e2e::TreeSnapshot(product);
    auto u = Start(ts::Quote(entry));
    ExpectStop(u, "Invalid data type for '" + std::string(GetParam()) + "'.");
    EXPECT_EQ(e2e::TreeSnapshot(product), before);
    EXPECT_TRUE(ts::UninstallEntryExists(entry));
}

INSTANTIATE_TEST_SUITE_P(Values, ValueType, ::testing::Values("DisplayName", "Path", "ConfigKey", "Unregister"),
                         [](const auto& row) { return std::string(row.param); });

}  // namespace
