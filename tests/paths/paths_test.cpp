// Path rules on real files of the prefix: the file system's own spelling, the
// local and inside tests against a staged UNC share, relative forms.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <string>

#include "framework/base/sysutils.h"
#include "tests/paths/unix_staging.h"
#include "tests/support/staging.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/files.h"
#include "uninstall/kxlib/paths.h"

using namespace kx;

namespace {

template <typename F>
void InDirectory(const std::string& folder, F&& body) {
    char old[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, old);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str())) << folder << " error " << GetLastError();
    body();
    SetCurrentDirectoryA(old);
}

TEST(PathHelpers, EndsAndParentsAtTheirLimits) {
    const std::string full = "C:\\" + std::string(252, 'a');  // 255 characters
    EXPECT_EQ(AddTrailingBackslash(full), full);
    EXPECT_EQ(AddTrailingBackslash(""), "");
    EXPECT_EQ(AddTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(DropTrailingBackslash("C:\\Data\\\\"), "C:\\Data\\");  // one only
    EXPECT_EQ(AddLeadingBackslash(""), "");
    EXPECT_EQ(AddLeadingBackslash(full).size(), 255u);
    EXPECT_EQ(DropLeadingBackslash("\\\\Server\\Share"), "\\\\Server\\Share");
    EXPECT_EQ(DropLeadingBackslash("\\"), "");
    EXPECT_EQ(ParentFolder("C:\\Data\\Sub\\"), "C:\\Data");
    EXPECT_EQ(ParentFolder("C:\\Data"), "C:");
    EXPECT_EQ(ParentFolder("C:\\"), "");
    EXPECT_EQ(ParentFolder("\\\\Server"), "");
    EXPECT_EQ(ParentFolder("\\\\Server\\Share"), "\\\\Server");
    EXPECT_EQ(ParentFolder("a/b/c"), "");  // a slash is no separator
}

TEST(PathHelpers, ExactPathTakesTheFileSystemsSpelling) {
    ts::ScratchDir dir("paths_exact");
    ASSERT_TRUE(ts::WriteTextFile(dir / "MixedCase\\Hidden.Chm", "x"));
    ts::SetHidden(dir / "MixedCase\\Hidden.Chm");
    const std::string base = dir.Path();
    const std::string lower = "c:\\orvtest\\paths_exact";
    ASSERT_TRUE(fw::SameText(base, lower));
    // The drive stays as given; every folder and the file take their own case.
    EXPECT_EQ(ExactPath(lower + "\\MIXEDCASE\\hidden.chm"), "c:" + base.substr(2) + "\\MixedCase\\Hidden.Chm");
    EXPECT_EQ(ExactPath(lower + "\\mixedcase"), "c:" + base.substr(2) + "\\MixedCase");
    // Unknown, or a pattern (which would name the first entry it matches).
    EXPECT_EQ(ExactPath(lower + "\\mixedcase\\missing.chm"), lower + "\\mixedcase\\missing.chm");
    EXPECT_EQ(ExactPath(lower + "\\mixedcase\\*.chm"), lower + "\\mixedcase\\*.chm");
    InDirectory(dir / "MixedCase", [] { EXPECT_EQ(ExactPath("hidden.chm"), "Hidden.Chm"); });
}

// A share \\orvsrv\share staged under the prefix's dosdevices\unc folder.
class UncShare : public ::testing::Test {
protected:
    static constexpr const char* kShareFile = "\\\\orvsrv\\share\\Lumadesk\\Doc\\a.chm";
    ts::ScratchDir dir{"paths_unc"};
    std::string unc;  // the Linux path of dosdevices/unc
    void SetUp() override {
        ASSERT_TRUE(ts::WriteTextFile(dir / "Lumadesk\\Doc\\a.chm", "x"));
        std::string c = ts::UnixPath("C:\\");  // .../dosdevices/c:/
        while (!c.empty() && c.back() == '/') c.pop_back();
        unc = c.substr(0, c.find_last_of('/')) + "/unc";
        ASSERT_TRUE(pt::RunUnixUntil("mkdir -p '" + unc + "/orvsrv' && ln -sfn '" + ts::UnixPath(dir.Path()) +
                                         "' '" + unc + "/orvsrv/share'",
                                     [] { return ts::FileExists(kShareFile); }))
            << "share not staged below " << unc;
    }
    void TearDown() override {
        pt::RunUnixUntil("rm -f '" + unc + "/orvsrv/share'", [] { return !ts::FileExists(kShareFile); });
    }
};

TEST_F(UncShare, UncPathsAreNotLocal) {
    EXPECT_FALSE(IsLocalPath("\\\\orvsrv\\share\\Lumadesk"));
    EXPECT_FALSE(IsLocalPath("\\\\Server\\Share\\Lumadesk"));  // whether it exists or not
    EXPECT_FALSE(IsLocalPath("//orvsrv/share/Lumadesk"));       // expanded to a UNC name
    EXPECT_TRUE(IsLocalPath("C:\\Lumadesk"));
    EXPECT_TRUE(IsLocalPath(""));
    InDirectory("C:\\", [] { EXPECT_TRUE(IsLocalPath("Lumadesk\\Doc")); });
    // A relative path is as local as the current directory it expands against.
    InDirectory("\\\\orvsrv\\share\\Lumadesk", [] { EXPECT_FALSE(IsLocalPath("Doc\\a.chm")); });
    EXPECT_TRUE(PathIsUnder("\\\\ORVSRV\\Share", kShareFile));
    EXPECT_FALSE(PathIsUnder("\\\\orvsrv\\share", "\\\\orvsrv\\share2\\Lumadesk"));
    EXPECT_EQ(RelativePath(kShareFile, "\\\\orvsrv\\share\\Lumadesk"), "Doc\\a.chm");
}

TEST(PathHelpers, PathIsUnderComparesWholeExpandedElements) {
    EXPECT_TRUE(PathIsUnder("C:\\Lumadesk", "C:\\LUMADESK\\doc\\a.chm"));
    EXPECT_TRUE(PathIsUnder("C:\\Lumadesk\\", "C:\\Lumadesk"));
    EXPECT_FALSE(PathIsUnder("C:\\Lumadesk", "C:\\Lumadesk2\\a.chm"));
    EXPECT_FALSE(PathIsUnder("", "C:\\Lumadesk"));
    EXPECT_FALSE(PathIsUnder("C:\\Lumadesk", ""));
    EXPECT_FALSE(PathIsUnder("C:\\Lumadesk", "C:\\Lumadesk\\..\\Windows\\x.dll"));
    EXPECT_FALSE(PathIsUnder("C:\\\xC9lan", "C:\\\xE9lan\\a.chm"));  // A to Z only
    InDirectory("C:\\windows", [] {
        EXPECT_TRUE(PathIsUnder("C:\\Windows", "system32\\kernel32.dll"));
        EXPECT_TRUE(PathIsUnder("system32", "C:\\windows\\System32\\x"));
    });
}

TEST(PathHelpers, RelativePathOfFilesAndFolders) {
    ts::ScratchDir dir("paths_relative");
    ASSERT_TRUE(ts::WriteTextFile(dir / "Doc\\Guide.chm", "x"));
    const std::string base = dir.Path();
    EXPECT_EQ(RelativePath(base + "\\Doc\\Guide.chm", base), "Doc\\Guide.chm");
    EXPECT_EQ(RelativePath(base + "\\Doc\\Guide.chm", base + "\\"), "Doc\\Guide.chm");
    EXPECT_EQ(RelativePath(base + "\\Doc", base), "\\Doc");
    EXPECT_EQ(RelativePath(base + "\\Doc", base + "\\"), "\\Doc");
    EXPECT_EQ(RelativePath(base + "\\Doc\\Gone.chm", base), "\\Doc\\Gone.chm");  // not a file
    EXPECT_EQ(RelativePath("Doc\\a.chm", base), "Doc\\a.chm");
    EXPECT_EQ(RelativePath(base + "\\Doc\\Guide.chm", ""), base + "\\Doc\\Guide.chm");
    EXPECT_EQ(RelativePath("\\\\Server\\Share\\a.chm", ""), "\\\\Server\\Share\\a.chm");
    for (const std::string& outside : {base + "2\\Doc\\Guide.chm", std::string("\\\\Server\\Share\\a")}) {
        try {
            RelativePath(outside, base);
            ADD_FAILURE() << "no error for " << outside;
        } catch (const EOrvantaError& e) {
            EXPECT_EQ(e.Code, 14);
            EXPECT_EQ(e.Context, outside);
        }
    }
}

}  // namespace

namespace {

std::string Lowered(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Slashed(std::string s) {
    for (auto& c : s)
        if (c == '\\') c = '/';
    return s;
}

// The one spelling of a product folder, whatever the entry's Path says, and
// the removal scope that holds only plain names below it.
TEST(CanonicalFolder, OneSpellingForEveryFormOfTheSameFolder) {
    ts::ScratchDir dir("canonical");
    ts::MakeDirs(dir / "Lumadesk\\Bin");
    const std::wstring folder = kx::WidePath(dir / "Lumadesk");
    const std::string lower = Lowered(dir / "LUMADESK");
    const std::string shortPrefix = "\\\\?\\" + (dir / "Lumadesk");
    for (const std::string& form : {dir / "Lumadesk", dir / "Lumadesk\\", dir / "Lumadesk\\\\", lower,
                                    dir / "Lumadesk\\Bin\\..", dir / "Lumadesk\\.\\", shortPrefix,
                                    "\\\\.\\" + (dir / "Lumadesk"), Slashed(dir / "Lumadesk")})
        EXPECT_EQ(kx::CanonicalFolder(kx::WidePath(form)), folder) << form;
    EXPECT_EQ(kx::CanonicalFolder(L"\\\\?\\UNC\\server\\share\\Lumadesk\\"), L"\\\\server\\share\\Lumadesk");
    EXPECT_EQ(kx::CanonicalFolder(L"\\\\server\\\\share\\Lumadesk"), L"\\\\server\\share\\Lumadesk");
    EXPECT_EQ(kx::CanonicalFolder(L"c:\\"), L"C:\\");
    for (const wchar_t* none : {L"", L"\\\\?\\Volume{01234567-89ab-cdef-0123-456789abcdef}\\Lumadesk",
                                L"\\\\.\\PhysicalDrive0", L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1",
                                L"C:\\Lumadesk:stream", L"C:\\Luma*", L"C:\\Lumadesk\\?"})
        EXPECT_EQ(kx::CanonicalFolder(none), L"") << fw::WideToAnsi(none);
}

TEST(RemovalScope, HoldsThePlainNamesBelowItsFolderOnly) {
    const kx::TRemovalScope scope(std::wstring(L"C:\\Lumadesk\\"));
    ASSERT_EQ(scope.Folder(), L"C:\\Lumadesk");
    for (const wchar_t* in : {L"C:\\Lumadesk", L"c:\\LUMADESK\\Bin\\a.dll", L"\\\\?\\C:\\Lumadesk\\Doc",
                              L"C:\\Lumadesk\\x\xFF3C..\xFF3C..\xFF3Cvictim", L"C:\\Lumadesk\\a.b.",
                              L"C:\\Lumadesk\\...txt"})
        EXPECT_TRUE(scope.Holds(in)) << fw::WideToAnsi(in);
    for (const wchar_t* out : {L"C:\\Lumadesk2\\a.dll", L"C:\\", L"C:\\Luma", L"C:\\Lumadesk\\..\\victim",
                               L"C:\\Lumadesk\\Bin\\..\\..\\victim", L"C:\\Lumadesk\\.\\a", L"C:\\Lumadesk\\\\a",
                               L"C:\\Lumadesk\\a.txt:secret", L"C:\\Lumadesk\\*", L"C:\\Lumadesk\\a?.txt",
                               L"C:\\Lumadesk\\a/../../victim", L"\\\\?\\UNC\\C:\\Lumadesk\\a", L"D:\\Lumadesk\\a"})
        EXPECT_FALSE(scope.Holds(out)) << fw::WideToAnsi(out);
    EXPECT_FALSE(kx::TRemovalScope(std::wstring(L"\\\\.\\PhysicalDrive0")).Holds(L"\\\\.\\PhysicalDrive0"));
}

}  // namespace
