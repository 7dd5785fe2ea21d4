// The guards that keep the uninstaller from erasing folders that are not the
// product's, on the real folders and Shell Folders values of the prefix.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include "framework/base/sysutils.h"
#include "tests/support/staging.h"
#include "uninstall/driver/safety.h"

using uninst::FullFolderPath;
using uninst::ProductFolderRefusal;

namespace {

std::string ShellPath(int csidl) {
    char buf[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf);
    return buf;
}

std::string TempPath() {
    char buf[MAX_PATH] = {};
    DWORD n = GetTempPathA(sizeof buf, buf);
    return std::string(buf, n);
}

TEST(ProductFolder, AProductFolderOfItsOwnMayBeErased) {
    ts::ScratchDir dir("safety_ok");
    EXPECT_EQ(ProductFolderRefusal(dir.Path()), "");
    EXPECT_EQ(ProductFolderRefusal(dir.Path() + "\\"), "");
    EXPECT_EQ(ProductFolderRefusal("C:\\Lumadesk"), "");  // need not exist
    EXPECT_EQ(ProductFolderRefusal("\\\\server\\share\\Lumadesk"), "");
    EXPECT_EQ(ProductFolderRefusal(ShellPath(CSIDL_PROGRAM_FILES) + "\\Orvanta\\Lumadesk"), "");
}

TEST(ProductFolder, PathsThatDependOnTheCurrentFolderAreRefused) {
    // The uninstaller runs in its own folder: a relative product folder would
    // name a folder there, however harmless that folder looks.
    ts::ScratchDir dir("safety_relative");
    char old[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof old, old);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.Path().c_str()));
    for (const char* p : {"Lumadesk", ".\\Lumadesk", "C:Lumadesk", "C:", "\\orvtest\\Lumadesk", "Lumadesk\\"}) {
        SCOPED_TRACE(p);
        EXPECT_NE(ProductFolderRefusal(p), "");
    }
    EXPECT_EQ(ProductFolderRefusal(dir.Path() + "\\Lumadesk"), "");
    EXPECT_EQ(ProductFolderRefusal("C:/orvtest/safety_relative/Lumadesk"), "");
    SetCurrentDirectoryA(old);
}

TEST(ProductFolder, RootsAndDisguisedRootsAreRefused) {
    for (const char* p : {"C:\\", "C:", "C:/", "c:\\.", "C:\\Lumadesk\\..", "C:\\Lumadesk\\..\\",
                          "\\\\?\\C:\\", "\\\\.\\C:", "D:\\", "\\\\server\\share",
                          "\\\\server\\share\\", "\\\\server", "\\\\?\\UNC\\server\\share"}) {
        SCOPED_TRACE(p);
        EXPECT_NE(ProductFolderRefusal(p), "");
    }
}

TEST(ProductFolder, SystemAndUserFoldersAndTheirParentsAreRefused) {
    std::vector<std::string> folders = {
        ShellPath(CSIDL_WINDOWS),       ShellPath(CSIDL_SYSTEM),  ShellPath(CSIDL_PROGRAM_FILES),
        ShellPath(CSIDL_COMMON_APPDATA), ShellPath(CSIDL_PROFILE), ShellPath(CSIDL_PERSONAL),
        ShellPath(CSIDL_DESKTOPDIRECTORY), ShellPath(CSIDL_STARTMENU), ShellPath(CSIDL_PROGRAMS)};
    std::string profile = ShellPath(CSIDL_PROFILE);
    folders.push_back(profile.substr(0, profile.find_last_of('\\')));  // the Users folder
    for (const auto& f : folders) {
        SCOPED_TRACE(f);
        ASSERT_FALSE(f.empty());
        EXPECT_NE(ProductFolderRefusal(f), "");
        EXPECT_NE(ProductFolderRefusal(fw::UpperCase(f) + "\\"), "");
        EXPECT_NE(ProductFolderRefusal(f + "\\Sub\\.."), "");
    }
    // A folder that holds the Windows folder (its drive's root aside).
    EXPECT_NE(ProductFolderRefusal(ShellPath(CSIDL_SYSTEM) + "\\.."), "");
}

// Every folder the platform itself names as a known folder (for the machine
// and for the user), each shell folder by its old number, and the temporary
// folders: none may be a product folder, and neither may a folder that holds
// one.  A folder of the product's own below one of them stays allowed.
std::vector<std::string> PlatformFolders() {
    std::vector<std::string> out;
    auto add = [&out](const std::string& f) {
        if (!f.empty() && f.find("::") == std::string::npos) out.push_back(f);
    };
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IKnownFolderManager* manager = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_KnownFolderManager, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IKnownFolderManager, reinterpret_cast<void**>(&manager)))) {
        KNOWNFOLDERID* ids = nullptr;
        UINT count = 0;
        if (SUCCEEDED(manager->GetFolderIds(&ids, &count))) {
            for (UINT i = 0; i < count; ++i) {
                wchar_t* w = nullptr;
                if (SUCCEEDED(SHGetKnownFolderPath(ids[i], 0, nullptr, &w))) {
                    char a[MAX_PATH * 2] = {};
                    WideCharToMultiByte(CP_ACP, 0, w, -1, a, sizeof a, nullptr, nullptr);
                    add(a);
                }
                CoTaskMemFree(w);
            }
            CoTaskMemFree(ids);
        }
        manager->Release();
    }
    CoUninitialize();
    for (int csidl = 0; csidl <= 0x3f; ++csidl) add(ShellPath(csidl));
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    add(temp);
    return out;
}

TEST(ProductFolder, EveryKnownFolderAndEveryFolderHoldingOneIsRefused) {
    auto folders = PlatformFolders();
    ASSERT_GT(folders.size(), 40u) << "the platform named too few known folders";
    for (const auto& f : folders) {
        SCOPED_TRACE(f);
        EXPECT_NE(ProductFolderRefusal(f), "");
        std::string parent = FullFolderPath(f + "\\..");
        if (parent.size() > 3) {
            EXPECT_NE(ProductFolderRefusal(parent), "") << parent;
        }
    }
    // The ones that used to pass, named as a person would type them.
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    for (const std::string& f : {ShellPath(CSIDL_PROGRAM_FILES_COMMON), ShellPath(CSIDL_COMMON_DESKTOPDIRECTORY),
                                 ShellPath(CSIDL_COMMON_PROGRAMS), std::string(windows) + "\\temp",
                                 std::string(TempPath()), ShellPath(CSIDL_FONTS), ShellPath(CSIDL_COMMON_DOCUMENTS)}) {
        SCOPED_TRACE(f);
        ASSERT_GT(f.size(), 3u);
        EXPECT_NE(ProductFolderRefusal(fw::UpperCase(f) + "\\"), "");
    }
    for (const std::string& ok : {ShellPath(CSIDL_PROGRAM_FILES_COMMON) + "\\Orvanta\\Lumadesk",
                                  ShellPath(CSIDL_COMMON_APPDATA) + "\\Orvanta\\Lumadesk"})
        EXPECT_EQ(ProductFolderRefusal(ok), "") << ok;
}

TEST(ProductFolder, ShortNamesAreSeenInTheirLongForm) {
    std::string pf = ShellPath(CSIDL_PROGRAM_FILES);
    char shortForm[MAX_PATH] = {};
    DWORD n = GetShortPathNameA(pf.c_str(), shortForm, sizeof shortForm);
    ASSERT_GT(n, 0u);
    EXPECT_TRUE(fw::SameText(FullFolderPath(shortForm), pf)) << shortForm;
    EXPECT_NE(ProductFolderRefusal(shortForm), "");
}

TEST(ProductFolder, AFolderNamedInShellFoldersIsRefused) {
    ts::ScratchDir dir("safety_shell");
    const char key[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, key, "OrvantaTestFolder", dir / "Inner"));
    EXPECT_NE(ProductFolderRefusal(dir.Path()), "");
    EXPECT_NE(ProductFolderRefusal(dir / "Inner"), "");
    EXPECT_EQ(ProductFolderRefusal(dir / "Other"), "");
    fw::UniqueKey k;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, k.put()), ERROR_SUCCESS);
    RegDeleteValueA(k.get(), "OrvantaTestFolder");
    EXPECT_EQ(ProductFolderRefusal(dir.Path()), "");
}

TEST(LanguageName, OnlyPlainNamesMayBecomePartOfALibraryPath) {
    EXPECT_TRUE(uninst::IsPlainLanguageName("French"));
    EXPECT_TRUE(uninst::IsPlainLanguageName("fr-FR"));
    for (const char* bad : {"", "..", "..\\..\\x", "a/b", "C:x", "\\\\server\\x", "fr\\..", "x..y"})
        EXPECT_FALSE(uninst::IsPlainLanguageName(bad)) << bad;
}

}  // namespace
