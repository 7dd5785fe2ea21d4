// Path rules on real files of the prefix: backslashes, parents, the file
// system's own spelling, the local and inside tests, relative forms, and the
// GUI's pending messages.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/application.h"
#include "tests/paths/unix_staging.h"
#include "tests/support/staging.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/paths.h"

using namespace kx;

namespace {

// Runs the body with Folder as the current directory, then goes back.
template <typename F>
void InDirectory(const std::string& folder, F&& body) {
    char old[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, old);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str())) << folder << " error " << GetLastError();
    body();
    SetCurrentDirectoryA(old);
}

TEST(PathHelpers, BackslashesAtEitherEnd) {
    EXPECT_EQ(AddTrailingBackslash(""), "");
    EXPECT_EQ(AddTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(AddTrailingBackslash("C:\\Data"), "C:\\Data\\");
    EXPECT_EQ(AddTrailingBackslash("C:/Data"), "C:/Data\\");  // a slash is no separator
    const std::string full = "C:\\" + std::string(252, 'a');
    ASSERT_EQ(full.size(), 255u);
    EXPECT_EQ(AddTrailingBackslash(full), full);  // cut back to 255
    EXPECT_EQ(AddTrailingBackslash(full.substr(0, 254)), full.substr(0, 254) + "\\");

    EXPECT_EQ(DropTrailingBackslash("C:\\Data\\\\"), "C:\\Data\\");  // one only
    EXPECT_EQ(DropTrailingBackslash("C:\\Data"), "C:\\Data");
    EXPECT_EQ(DropTrailingBackslash("\\"), "");
    EXPECT_EQ(DropTrailingBackslash(""), "");

    EXPECT_EQ(AddLeadingBackslash(""), "");
    EXPECT_EQ(AddLeadingBackslash("Doc"), "\\Doc");
    EXPECT_EQ(AddLeadingBackslash("\\Doc"), "\\Doc");
    EXPECT_EQ(AddLeadingBackslash(full).size(), 255u);

    EXPECT_EQ(DropLeadingBackslash("\\Doc"), "Doc");
    EXPECT_EQ(DropLeadingBackslash("\\\\Server\\Share"), "\\\\Server\\Share");
    EXPECT_EQ(DropLeadingBackslash("\\"), "");
    EXPECT_EQ(DropLeadingBackslash("Doc"), "Doc");
    EXPECT_EQ(DropLeadingBackslash(""), "");
}

TEST(PathHelpers, ParentFolderAndFileName) {
    EXPECT_EQ(ParentFolder("C:\\Data\\File"), "C:\\Data");
    EXPECT_EQ(ParentFolder("C:\\Data\\Sub\\"), "C:\\Data");
    EXPECT_EQ(ParentFolder("C:\\Data"), "C:");
    EXPECT_EQ(ParentFolder("C:\\"), "");
    EXPECT_EQ(ParentFolder("C:"), "");
    EXPECT_EQ(ParentFolder("\\\\Server"), "");
    EXPECT_EQ(ParentFolder("\\\\Server\\Share"), "\\\\Server");
    EXPECT_EQ(ParentFolder("\\x"), "");
    EXPECT_EQ(ParentFolder("ab\\c"), "ab");
    EXPECT_EQ(ParentFolder("a/b/c"), "");
    EXPECT_EQ(ParentFolder(""), "");

    EXPECT_EQ(FileNameOf("C:\\Data\\Thumbs.db"), "Thumbs.db");
    EXPECT_EQ(FileNameOf("C:Thumbs.db"), "Thumbs.db");
    EXPECT_EQ(FileNameOf("Thumbs.db"), "Thumbs.db");
    EXPECT_EQ(FileNameOf("C:\\Data\\"), "");
}

TEST(PathHelpers, ExactPathTakesTheFileSystemsSpelling) {
    ts::ScratchDir dir("paths_exact");
    ASSERT_TRUE(ts::WriteTextFile(dir / "MixedCase\\Guide.Chm", "x"));
    ASSERT_TRUE(ts::WriteTextFile(dir / "MixedCase\\Hidden.TXT", "x"));
    ts::SetHidden(dir / "MixedCase\\Hidden.TXT");
    ts::MakeDirs(dir / "MixedCase\\SubFolder");

    const std::string base = dir.Path();  // C:\orvtest\paths_exact
    auto lower = [](std::string s) {
        for (auto& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        return s;
    };
    // The drive stays as given; every folder and the file take their own case.
    EXPECT_EQ(ExactPath(lower(base) + "\\mixedcase\\guide.chm"), "c:" + base.substr(2) + "\\MixedCase\\Guide.Chm");
    EXPECT_EQ(ExactPath(lower(base) + "\\MIXEDCASE\\hidden.txt"), "c:" + base.substr(2) + "\\MixedCase\\Hidden.TXT");
    EXPECT_EQ(ExactPath(base + "\\mixedcase\\subfolder"), base + "\\MixedCase\\SubFolder");
    // A path the file system does not know comes back as it is, all of it.
    EXPECT_EQ(ExactPath(lower(base) + "\\mixedcase\\missing.chm"), lower(base) + "\\mixedcase\\missing.chm");
    // A pattern is no path: it must not turn into the first entry it matches.
    EXPECT_EQ(ExactPath(base + "\\mixedcase\\*.chm"), base + "\\mixedcase\\*.chm");
    EXPECT_EQ(ExactPath(""), "");
    // A relative path has no parent to spell: the bare name.
    InDirectory(dir / "MixedCase", [] { EXPECT_EQ(ExactPath("guide.chm"), "Guide.Chm"); });
}

// A share \\orvsrv\share staged under the prefix's dosdevices\unc folder.
class UncShare : public ::testing::Test {
protected:
    ts::ScratchDir dir{"paths_unc"};
    std::string dosdevices;
    void SetUp() override {
        ASSERT_TRUE(ts::WriteTextFile(dir / "Lumadesk\\Doc\\a.chm", "x"));
        // dosdevices is the parent of the c: link.
        std::string c = ts::UnixPath("C:\\");
        while (!c.empty() && c.back() == '/') c.pop_back();
        dosdevices = c.substr(0, c.find_last_of('/'));
        ASSERT_TRUE(pt::RunUnixUntil("mkdir -p '" + dosdevices + "/unc/orvsrv' && ln -sfn '" +
                                         ts::UnixPath(dir.Path()) + "' '" + dosdevices + "/unc/orvsrv/share'",
                                     [] { return ts::FileExists(kShareFile); }))
            << "share not staged below " << dosdevices;
    }
    void TearDown() override {
        pt::RunUnixUntil("rm -f '" + dosdevices + "/unc/orvsrv/share'",
                         [] { return !ts::FileExists(kShareFile); });
    }
    static constexpr const char* kShareFile = "\\\\orvsrv\\share\\Lumadesk\\Doc\\a.chm";
};

TEST_F(UncShare, UncPathsAreNotLocal) {
    EXPECT_FALSE(IsLocalPath("\\\\orvsrv\\share\\Lumadesk"));
    EXPECT_FALSE(IsLocalPath("\\\\Server\\Share\\Lumadesk"));  // whether it exists or not
    EXPECT_FALSE(IsLocalPath("//orvsrv/share/Lumadesk"));       // the expansion makes it UNC
    EXPECT_TRUE(IsLocalPath("C:\\Lumadesk"));
    EXPECT_TRUE(IsLocalPath(""));
    InDirectory("C:\\", [] { EXPECT_TRUE(IsLocalPath("Lumadesk\\Doc")); });
    // A relative path is as local as the current directory it expands against.
    InDirectory("\\\\orvsrv\\share\\Lumadesk", [] {
        EXPECT_FALSE(IsLocalPath("Doc\\a.chm"));
        EXPECT_FALSE(IsLocalPath("Doc"));
    });
    EXPECT_EQ(UniversalPath("\\\\orvsrv\\share\\Lumadesk\\Doc\\..\\x"), "\\\\orvsrv\\share\\Lumadesk\\x");
    EXPECT_EQ(UniversalPath("C:\\Lumadesk"), "C:\\Lumadesk");  // a local drive stays as it is
    EXPECT_TRUE(PathIsUnder("\\\\ORVSRV\\Share", "\\\\orvsrv\\share\\Lumadesk\\Doc\\a.chm"));
    EXPECT_FALSE(PathIsUnder("\\\\orvsrv\\share", "\\\\orvsrv\\share2\\Lumadesk"));
}

TEST(PathHelpers, PathIsUnderComparesWholeElements) {
    EXPECT_TRUE(PathIsUnder("C:\\Lumadesk", "C:\\LUMADESK\\doc\\a.chm"));
    EXPECT_TRUE(PathIsUnder("C:\\Lumadesk\\", "C:\\lumadesk\\doc\\a.chm"));
    EXPECT_TRUE(PathIsUnder("C:\\Lumadesk", "C:\\Lumadesk"));
    EXPECT_TRUE(PathIsUnder("C:\\Lumadesk", "C:\\Lumadesk\\"));
    EXPECT_TRUE(PathIsUnder("c:\\", "C:\\Lumadesk"));
    EXPECT_FALSE(PathIsUnder("C:\\Lumadesk", "C:\\Lumadesk2\\a.chm"));
    EXPECT_FALSE(PathIsUnder("C:\\Lumadesk", "C:\\Luma"));
    EXPECT_FALSE(PathIsUnder("C:\\Lumadesk", "D:\\Lumadesk\\a.chm"));
    EXPECT_FALSE(PathIsUnder("", "C:\\Lumadesk"));
    EXPECT_FALSE(PathIsUnder("C:\\Lumadesk", ""));
    // The expansion resolves "..": a way out of the folder is outside.
    EXPECT_FALSE(PathIsUnder("C:\\Lumadesk", "C:\\Lumadesk\\..\\Windows\\x.dll"));
    EXPECT_TRUE(PathIsUnder("C:\\Lumadesk", "C:\\Other\\..\\Lumadesk\\x.dll"));
    // Only the letters A to Z compare without case.
    EXPECT_FALSE(PathIsUnder("C:\\\xC9lan", "C:\\\xE9lan\\a.chm"));
    EXPECT_TRUE(PathIsUnder("C:\\\xE9lan", "C:\\\xE9LAN\\a.chm"));
    // A relative path expands against the current directory.
    InDirectory("C:\\windows", [] {
        EXPECT_TRUE(PathIsUnder("C:\\Windows", "system32\\kernel32.dll"));
        EXPECT_FALSE(PathIsUnder("C:\\Lumadesk", "Doc\\a.chm"));
        EXPECT_TRUE(PathIsUnder("system32", "C:\\windows\\System32\\x"));
    });
}

TEST(PathHelpers, RelativePathOfFilesAndFolders) {
    ts::ScratchDir dir("paths_relative");
    ASSERT_TRUE(ts::WriteTextFile(dir / "Doc\\Guide.chm", "x"));
    const std::string base = dir.Path();
    const std::string file = base + "\\Doc\\Guide.chm";
    const std::string folder = base + "\\Doc";

    EXPECT_EQ(RelativePath(file, base), "Doc\\Guide.chm");
    EXPECT_EQ(RelativePath(file, base + "\\"), "Doc\\Guide.chm");
    EXPECT_EQ(RelativePath(folder, base), "\\Doc");
    EXPECT_EQ(RelativePath(folder, base + "\\"), "\\Doc");
    EXPECT_EQ(RelativePath(folder + "\\", base), "\\Doc\\");
    // Not there (any more): taken for a folder.
    EXPECT_EQ(RelativePath(base + "\\Doc\\Gone.chm", base), "\\Doc\\Gone.chm");
    // The base itself, in other letter case.
    EXPECT_EQ(RelativePath(fw::UpperCase(folder), folder), "");
    // Relative or other forms come back unchanged, base or no base.
    EXPECT_EQ(RelativePath("Doc\\a.chm", base), "Doc\\a.chm");
    EXPECT_EQ(RelativePath("D", base), "D");
    EXPECT_EQ(RelativePath("", base), "");
    // An empty base leaves every path as it is.
    EXPECT_EQ(RelativePath(file, ""), file);
    EXPECT_EQ(RelativePath(folder, ""), folder);
    EXPECT_EQ(RelativePath("\\\\Server\\Share\\a.chm", ""), "\\\\Server\\Share\\a.chm");

    for (const std::string& outside : {base + "2\\Doc\\Guide.chm", std::string("C:\\Windows"),
                                      std::string("\\\\Server\\Share\\a.chm")}) {
        try {
            RelativePath(outside, base);
            ADD_FAILURE() << "no error for " << outside;
        } catch (const EOrvantaError& e) {
            EXPECT_EQ(e.Code, 14);
            EXPECT_EQ(e.Context, outside);
        }
    }
}

TEST(PathHelpers, ProcessPendingMessagesEmptiesTheQueueAndReturns) {
    fw::Application.Initialize();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 7, 1, 2));
    ASSERT_TRUE(PostMessageA(fw::Application.Handle(), WM_NULL, 0, 0));
    ProcessPendingMessages();
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "left " << msg.message;
    ProcessPendingMessages();  // an empty queue: returns at once
}

}  // namespace
