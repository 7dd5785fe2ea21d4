// Path rules on real files of the prefix: the file system's own spelling, the
// local and inside tests against a staged UNC share, relative forms.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/sysutils.h"
#include "tests/paths/unix_staging.h"
#include "tests/support/staging.h"
#include "uninstall/kxlib/errors.h"
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
