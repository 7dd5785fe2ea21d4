// Listing, counting and deleting on real trees of the prefix: files held open
// without sharing, read-only files, hidden entries, folders the walks pass
// of any name, Unix symbolic links (which Wine shows as reparse points) and
// entries too deep for a short path.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/paths/unix_staging.h"
#include "tests/support/staging.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/files.h"
#include "uninstall/kxlib/paths.h"

using namespace kx;
using List = std::vector<std::string>;

namespace {

// First is reported before Second when the folder is searched.
bool ReportedBefore(const std::string& folder, const std::string& first, const std::string& second) {
    int at = 0, a = -1, b = -1;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    do {
        if (first == fd.cFileName) a = at;
        if (second == fd.cFileName) b = at;
        ++at;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return a >= 0 && b > a;
}

// The code of the EOrvantaError the call raised (and its context), or 0.
template <typename F>
int RaisedCode(F&& call, std::string* context = nullptr) {
    try {
        call();
    } catch (const EOrvantaError& e) {
        if (context) *context = e.Context;
        return e.Code;
    }
    return 0;
}

TEST(RemoveFile, RaisesElevenForReadOnlyAndLockedFilesOnly) {
    ts::ScratchDir dir("files_remove");
    ASSERT_TRUE(ts::WriteTextFile(dir / "hidden.txt", "x"));
    ts::SetHidden(dir / "hidden.txt");
    ASSERT_TRUE(ts::WriteTextFile(dir / "readonly.txt", "x"));
    ts::SetReadOnly(dir / "readonly.txt");
    ts::MakeDirs(dir / "Folder");
    ts::LockedFile lock(dir / "locked.txt");
    ASSERT_TRUE(lock.Held());

    EXPECT_EQ(RaisedCode([&] { RemoveFile(dir / "hidden.txt"); }), 0);
    EXPECT_FALSE(ts::FileExists(dir / "hidden.txt"));
    EXPECT_EQ(RaisedCode([&] { RemoveFile(dir / "hidden.txt"); }), 0);  // gone: nothing to do
    EXPECT_EQ(RaisedCode([&] { RemoveFile(dir / "Folder"); }), 0);
    EXPECT_TRUE(ts::DirExists(dir / "Folder"));
    for (const char* name : {"readonly.txt", "locked.txt"}) {
        std::string context;
        EXPECT_EQ(RaisedCode([&] { RemoveFile(dir / name); }, &context), 11) << name;
        EXPECT_EQ(context, dir / name);
        EXPECT_TRUE(ts::FileExists(dir / name));
    }
    EXPECT_TRUE(IsFolder(dir / "Folder\\"));
    EXPECT_FALSE(IsFolder(dir / "readonly.txt"));
    EXPECT_FALSE(IsFolder(""));
}

TEST(RemoveProductFile, ReadOnlyFilesGoFilesInUseRaiseElevenAsTheyWere) {
    ts::ScratchDir dir("files_remove_product");
    ASSERT_TRUE(ts::WriteTextFile(dir / "readonly.txt", "x"));
    SetFileAttributesA((dir / "readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    ts::LockedFile lock(dir / "held.txt");
    ASSERT_TRUE(lock.Held());
    ts::SetReadOnly(dir / "held.txt");
    const DWORD heldAttributes = GetFileAttributesA((dir / "held.txt").c_str());
    ASSERT_TRUE(heldAttributes & FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(RaisedCode([&] { RemoveProductFile(dir / "readonly.txt"); }), 0);
    EXPECT_FALSE(ts::FileExists(dir / "readonly.txt"));
    std::string context;
    EXPECT_EQ(RaisedCode([&] { RemoveProductFile(dir / "held.txt"); }, &context), 11);
    EXPECT_EQ(context, dir / "held.txt");
    EXPECT_EQ(GetFileAttributesA((dir / "held.txt").c_str()), heldAttributes);
}

TEST(RemoveFile, ALockedThumbsDbIsPassedOverInAnyCase) {
    ts::ScratchDir dir("files_thumbs");
    int n = 0;
    for (const char* name : {"Thumbs.db", "THUMBS.DB", "thumbs.Db", "MyThumbs.db", "Thumbs.db.x"}) {
        const std::string path = dir / ("S" + std::to_string(n++) + "\\" + name);
        ts::MakeDirs(path.substr(0, path.rfind('\\')));
        ts::LockedFile lock(path);
        ASSERT_TRUE(lock.Held());
        const bool thumbs = n <= 3;
        EXPECT_EQ(RaisedCode([&] { RemoveFile(path); }), thumbs ? 0 : 11) << name;
        EXPECT_TRUE(ts::FileExists(path));
    }
}

// A folder P holding a file that cannot be deleted (held open, and in one
// variant read-only too), a sub-folder of deletable files (one read-only)
// and a later file, named so that the sub-folder is reported before or after
// the blocked file.
struct Blocked {
    const char* sub;
    const char* file;
    bool subBefore;
};
const Blocked kOrders[] = {{"0Sub", "zfile.txt", true}, {"zSub", "0file.txt", false}};

class BlockedTree : public ::testing::TestWithParam<std::tuple<Blocked, bool>> {
protected:
    ts::ScratchDir dir{"files_blocked"};
    std::string P, sub, file, after;
    std::unique_ptr<ts::LockedFile> lock;
    void SetUp() override {
        const Blocked b = std::get<0>(GetParam());
        P = dir / "P";
        sub = P + "\\" + b.sub;
        file = P + "\\" + b.file;
        after = P + "\\zzz.txt";
        ASSERT_TRUE(ts::WriteTextFile(sub + "\\Deep\\two.txt", "x"));
        ts::SetReadOnly(sub + "\\Deep\\two.txt");
        ASSERT_TRUE(ts::WriteTextFile(after, "x"));
        lock = std::make_unique<ts::LockedFile>(file);
        ASSERT_TRUE(lock->Held());
        if (std::get<1>(GetParam())) ts::SetReadOnly(file);
        ASSERT_EQ(ReportedBefore(P, b.sub, b.file), b.subBefore) << "staging order";
        ASSERT_TRUE(ReportedBefore(P, b.file, "zzz.txt")) << "staging order";
    }
    void CheckLeft() {
        const bool subBefore = std::get<0>(GetParam()).subBefore;
        EXPECT_TRUE(ts::FileExists(file));
        EXPECT_EQ((GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_READONLY) != 0, std::get<1>(GetParam()));
        EXPECT_TRUE(ts::FileExists(after));
        EXPECT_TRUE(ts::DirExists(P));
        EXPECT_EQ(ts::FileExists(sub + "\\Deep\\two.txt"), !subBefore);
        EXPECT_EQ(ts::DirExists(sub), !subBefore);
    }
};

TEST_P(BlockedTree, ClearFolderStopsThereWithError11) {
    std::string context;
    EXPECT_EQ(RaisedCode([&] { ClearFolder(P); }, &context), 11);
    EXPECT_EQ(context, file);
    CheckLeft();
}

TEST_P(BlockedTree, RemoveTreeReportsNothingAndGoesOnAbove) {
    ASSERT_TRUE(ts::WriteTextFile(dir / "Q\\q.txt", "x"));
    ASSERT_TRUE(ReportedBefore(dir.Path(), "P", "Q"));
    EXPECT_EQ(RaisedCode([&] { RemoveTree(dir.Path()); }), 0);
    CheckLeft();
    EXPECT_FALSE(ts::DirExists(dir / "Q"));  // the walk above P went on
}

INSTANTIATE_TEST_SUITE_P(Orders, BlockedTree,
                         ::testing::Combine(::testing::ValuesIn(kOrders), ::testing::Bool()),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param).subBefore ? "SubFirst" : "SubLast") +
                                    (std::get<1>(row.param) ? "LockedReadOnly" : "Locked");
                         });

TEST(RemoveTree, ALockedThumbsDbStaysSilentlyAndTheRestGoes) {
    ts::ScratchDir dir("files_tree_thumbs");
    const std::string P = dir / "P";
    ts::WriteTextFile(P + "\\zlast.txt", "x");
    ts::WriteTextFile(P + "\\Hid\\a.txt", "x");
    ts::SetHidden(P + "\\Hid");
    ts::LockedFile lock(P + "\\THUMBS.db");
    ASSERT_TRUE(lock.Held());
    ASSERT_TRUE(ReportedBefore(P, "THUMBS.db", "zlast.txt"));
    EXPECT_EQ(RaisedCode([&] { RemoveTree(P); }), 0);
    EXPECT_FALSE(ts::FileExists(P + "\\zlast.txt"));
    EXPECT_FALSE(ts::DirExists(P + "\\Hid"));
    EXPECT_TRUE(ts::FileExists(P + "\\THUMBS.db"));
    EXPECT_TRUE(ts::DirExists(P));
}

TEST(FoldersOfAnyName, BlankAndPunctuationFoldersAreWalkedLikeAnyOther) {
    ts::ScratchDir dir("files_any_name");
    const std::string P = dir / "P";
    const char* const kNames[] = {"-old", "(backup)", " blank", "!bang", "$cache"};
    ts::WriteTextFile(P + "\\a.chm", "x");
    for (const char* name : kNames) {
        ts::WriteTextFile(P + "\\" + name + "\\b.chm", "x");
        ts::SetReadOnly(P + "\\" + name + "\\b.chm");
    }
    ts::MakeDirs(P + "\\Kept\\-old");

    List files;
    ListFiles(P, "*.chm", true, files);
    List folders;
    ListFolders(P, folders, true);
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    List wantFiles = {P + "\\a.chm"}, wantFolders = {P + "\\Kept", P + "\\Kept\\-old"};
    for (const char* name : kNames) {
        wantFiles.push_back(P + "\\" + name + "\\b.chm");
        wantFolders.push_back(P + "\\" + name);
    }
    std::sort(wantFiles.begin(), wantFiles.end());
    std::sort(wantFolders.begin(), wantFolders.end());
    EXPECT_EQ(files, wantFiles);
    EXPECT_EQ(folders, wantFolders);
    EXPECT_EQ(CountFiles(P), 6);

    RemoveTree(P);
    EXPECT_FALSE(ts::DirExists(P));
}

TEST(ListFiles, FilesBeforeSubFoldersNothingHiddenMessagesHandled) {
    ts::ScratchDir dir("files_list");
    const std::string P = dir / "P";
    ts::WriteTextFile(P + "\\z.chm", "x");  // reported after A, listed before A's
    ts::WriteTextFile(P + "\\A\\Deep\\c.chm", "x");
    ts::WriteTextFile(P + "\\A\\note.txt", "x");
    ts::WriteTextFile(P + "\\hidden.chm", "x");
    ts::SetHidden(P + "\\hidden.chm");
    ts::WriteTextFile(P + "\\Hid\\e.chm", "x");
    ts::SetHidden(P + "\\Hid");
    ts::MakeDirs(P + "\\folder.chm");
    ASSERT_TRUE(ReportedBefore(P, "A", "z.chm"));

    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 3, 0, 0));
    List top;
    ListFiles(P + "\\", "*.chm", false, top);
    EXPECT_EQ(top, (List{P + "\\z.chm"}));
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_APP + 3, WM_APP + 3, PM_NOREMOVE));
    List all;
    ListFiles(P, "*.chm", true, all);
    EXPECT_EQ(all, (List{P + "\\z.chm", P + "\\A\\Deep\\c.chm"}));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_APP + 3, WM_APP + 3, PM_NOREMOVE));
    List any;
    ListFiles(P, "", true, any);
    EXPECT_EQ(any, (List{P + "\\z.chm", P + "\\A\\note.txt", P + "\\A\\Deep\\c.chm"}));
    List none;
    ListFiles(P + "\\z.chm", "*.chm", true, none);
    EXPECT_TRUE(none.empty());
}

TEST(ListFolders, EachFolderRightBeforeItsSubFoldersHiddenIncluded) {
    ts::ScratchDir dir("files_folders");
    const std::string P = dir / "P";
    ts::MakeDirs(P + "\\A\\X");
    ts::MakeDirs(P + "\\B\\Hid\\H");
    ts::SetHidden(P + "\\B\\Hid");
    ASSERT_TRUE(ReportedBefore(P, "A", "B"));
    List flat;
    ListFolders(P, flat, false);
    EXPECT_EQ(flat, (List{P + "\\A", P + "\\B"}));
    List deep;
    ListFolders(P + "\\", deep, true);
    EXPECT_EQ(deep, (List{P + "\\A", P + "\\A\\X", P + "\\B", P + "\\B\\Hid", P + "\\B\\Hid\\H"}));
    EXPECT_EQ(CountFiles(P), 0);
    List none;
    ListFolders("", none, true);  // never the current directory
    EXPECT_TRUE(none.empty());
}

// Unix symbolic links to folders, made from the Linux side, which Wine shows
// as folders with the reparse-point attribute.  (Wine shows a link to a file
// as a plain file, which no Windows program can tell from one.)
class Links : public ::testing::Test {
protected:
    ts::ScratchDir dir{"files_links"};
    ts::ScratchDir outside{"files_links_target"};
    std::string P;
    const char* kLinks[3] = {"\\Link", "\\Inner\\Deeper", "\\Inner\\ToEmpty"};
    void SetUp() override {
        P = dir / "P";
        ASSERT_TRUE(ts::WriteTextFile(outside / "Full\\Sub\\precious.chm", "x"));
        ts::MakeDirs(outside / "Empty");
        ASSERT_TRUE(ts::WriteTextFile(P + "\\mine.chm", "x"));
        ts::MakeDirs(P + "\\Inner");
        ASSERT_TRUE(pt::MakeUnixLink(outside / "Full", P + kLinks[0]));
        ASSERT_TRUE(pt::MakeUnixLink(outside / "Full", P + kLinks[1]));
        ASSERT_TRUE(pt::MakeUnixLink(outside / "Empty", P + kLinks[2]));
        for (const char* l : kLinks) {
            const DWORD a = GetFileAttributesA((P + l).c_str());
            ASSERT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) << l << " " << a;
        }
    }
    void TearDown() override {
        for (const char* l : kLinks) pt::RemoveUnixLink(P + l);
    }
    void CheckTargetsIntact() {
        EXPECT_TRUE(ts::FileExists(outside / "Full\\Sub\\precious.chm"));
        EXPECT_TRUE(ts::DirExists(outside / "Empty"));  // an empty target too
    }
};

TEST_F(Links, ListingAndCountingPassOverLinkedFolders) {
    List files;
    ListFiles(P, "", true, files);
    EXPECT_EQ(files, (List{P + "\\mine.chm"}));
    List folders;
    ListFolders(P, folders, true);
    EXPECT_EQ(folders, (List{P + "\\Inner"}));
    EXPECT_EQ(CountFiles(P), 1);
    EXPECT_EQ(CountFiles(P + "\\Link"), 1);  // called on the link itself: walked as given
}

TEST_F(Links, RemovingATreeNeverReachesALinksTarget) {
    EXPECT_EQ(RaisedCode([&] { ClearFolder(P + "\\Inner"); }), 0);
    CheckTargetsIntact();
    EXPECT_EQ(RaisedCode([&] { RemoveTree(P); }), 0);
    CheckTargetsIntact();
    EXPECT_FALSE(ts::FileExists(P + "\\mine.chm"));
    // Where the platform cannot remove a link alone (Wine), the link stays,
    // still leading to its target, and so do the folders above it.
    bool anyLeft = false;
    for (const char* l : kLinks) {
        const bool left = pt::Exists(P + l);
        EXPECT_TRUE(!left || ts::DirExists(P + l + "\\")) << l;
        anyLeft = anyLeft || left;
    }
    EXPECT_EQ(ts::DirExists(P), anyLeft);
}

// Entries whose full path exceeds the 255 characters of a short path (and
// the 260 of the platform's narrow functions): listed with their full paths,
// counted, and deleted through the extended-length form.
TEST(DeepEntries, ListedCountedAndDeletedByTheirFullPaths) {
    ts::ScratchDir dir("files_deep");
    std::string D = dir.Path();  // grown to 300 characters
    while (D.size() < 300) D += "\\" + std::string(std::min<size_t>(40, 299 - D.size()), 'd');
    ASSERT_TRUE(ts::WriteTextFile(D + "\\one.chm", "x"));
    ASSERT_TRUE(ts::WriteTextFile(D + "\\Sub\\two.txt", "x"));
    ASSERT_TRUE(ts::WriteTextFile(D + "\\Sub\\three.txt", "x"));
    ts::SetReadOnly(D + "\\Sub\\three.txt");
    ts::MakeDirs(D + "\\Empty");
    ASSERT_TRUE(ts::DirExists(D + "\\Empty"));
    const std::string top = dir / "dddddddddddddddddddddddddddddddddddddddd";

    EXPECT_EQ(CountFiles(top), 3);
    EXPECT_EQ(CountFiles(D + "\\Sub"), 2);
    List files;
    ListFiles(top, "*.chm", true, files);
    EXPECT_EQ(files, (List{D + "\\one.chm"}));
    EXPECT_TRUE(IsFolder(D + "\\Sub\\"));
    // Seen as a file (no leading backslash); shown cut as every short string.
    EXPECT_EQ(RelativePath(D + "\\one.chm", dir.Path()), Short(D.substr(dir.Path().size() + 1) + "\\one.chm"));
    List folders;
    ListFolders(D, folders, true);
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(folders, (List{D + "\\Empty", D + "\\Sub"}));

    EXPECT_EQ(RaisedCode([&] { RemoveFile(D + "\\one.chm"); }), 0);
    EXPECT_FALSE(ts::FileExists(D + "\\one.chm"));
    EXPECT_EQ(RaisedCode([&] { RemoveFile(D + "\\Sub\\three.txt"); }), 11);
    EXPECT_EQ(RaisedCode([&] { RemoveProductFile(D + "\\Sub\\two.txt"); }), 0);
    EXPECT_EQ(CountFiles(top), 1);
    RemoveTree(top);
    EXPECT_FALSE(ts::DirExists(top));
}

}  // namespace
