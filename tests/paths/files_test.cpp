// Listing, counting and deleting on real trees of the prefix: files held open
// without sharing, read-only files, hidden entries, folders the walks pass
// over, Unix symbolic links (which Wine shows as reparse points) and entries
// too deep for a short path.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/paths/unix_staging.h"
#include "tests/support/staging.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/files.h"

using namespace kx;
using List = std::vector<std::string>;

namespace {

// The names of a folder's entries in the order the file system reports them.
List Reported(const std::string& folder) {
    List names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = fd.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

bool ReportedBefore(const std::string& folder, const std::string& first, const std::string& second) {
    List names = Reported(folder);
    int a = -1, b = -1;
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        if (names[i] == first) a = i;
        if (names[i] == second) b = i;
    }
    return a >= 0 && b >= 0 && a < b;
}

// The error code RemoveFile / ClearFolder raised, with its context; 0 when
// none was raised.
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

TEST(RemoveFile, DeletesOrRaisesElevenWithThePath) {
    ts::ScratchDir dir("files_remove");
    ASSERT_TRUE(ts::WriteTextFile(dir / "plain.txt", "x"));
    ASSERT_TRUE(ts::WriteTextFile(dir / "hidden.txt", "x"));
    ts::SetHidden(dir / "hidden.txt");
    ASSERT_TRUE(ts::WriteTextFile(dir / "readonly.txt", "x"));
    ts::SetReadOnly(dir / "readonly.txt");
    ts::MakeDirs(dir / "Folder");

    EXPECT_EQ(RaisedCode([&] { RemoveFile(dir / "plain.txt"); }), 0);
    EXPECT_FALSE(ts::FileExists(dir / "plain.txt"));
    EXPECT_EQ(RaisedCode([&] { RemoveFile(dir / "hidden.txt"); }), 0);
    EXPECT_FALSE(ts::FileExists(dir / "hidden.txt"));
    // Missing files and folders are no business of RemoveFile.
    EXPECT_EQ(RaisedCode([&] { RemoveFile(dir / "plain.txt"); }), 0);
    EXPECT_EQ(RaisedCode([&] { RemoveFile(dir / "Missing\\x.txt"); }), 0);
    EXPECT_EQ(RaisedCode([&] { RemoveFile(dir / "Folder"); }), 0);
    EXPECT_TRUE(ts::DirExists(dir / "Folder"));

    std::string context;
    EXPECT_EQ(RaisedCode([&] { RemoveFile(dir / "readonly.txt"); }, &context), 11);
    EXPECT_EQ(context, dir / "readonly.txt");
    EXPECT_TRUE(ts::FileExists(dir / "readonly.txt"));
    {
        ts::LockedFile lock(dir / "locked.txt");
        ASSERT_TRUE(lock.Held());
        EXPECT_EQ(RaisedCode([&] { RemoveFile(dir / "locked.txt"); }, &context), 11);
        EXPECT_EQ(context, dir / "locked.txt");
        EXPECT_TRUE(ts::FileExists(dir / "locked.txt"));
    }
    EXPECT_EQ(RaisedCode([&] { RemoveFile(dir / "locked.txt"); }), 0);
    EXPECT_FALSE(ts::FileExists(dir / "locked.txt"));
}

TEST(RemoveFile, ALockedThumbsDbIsPassedOverInAnyCase) {
    ts::ScratchDir dir("files_thumbs");
    for (const char* name : {"Thumbs.db", "THUMBS.DB", "thumbs.DB"}) {
        SCOPED_TRACE(name);
        const std::string path = dir / (std::string("Sub") + name[0] + "\\" + name);
        ts::MakeDirs(path.substr(0, path.rfind('\\')));
        ts::LockedFile lock(path);
        ASSERT_TRUE(lock.Held());
        EXPECT_EQ(RaisedCode([&] { RemoveFile(path); }), 0);
        EXPECT_TRUE(ts::FileExists(path));
    }
    // Only that exact name: others that merely end or begin like it report.
    for (const char* name : {"MyThumbs.db", "Thumbs.db.bak"}) {
        SCOPED_TRACE(name);
        ts::LockedFile lock(dir / name);
        ASSERT_TRUE(lock.Held());
        EXPECT_EQ(RaisedCode([&] { RemoveFile(dir / name); }), 11);
    }
}

TEST(IsFolder, OnlyExistingFolders) {
    ts::ScratchDir dir("files_isfolder");
    ASSERT_TRUE(ts::WriteTextFile(dir / "file.txt", "x"));
    ts::MakeDirs(dir / "Hidden");
    ts::SetHidden(dir / "Hidden");
    EXPECT_TRUE(IsFolder(dir.Path()));
    EXPECT_TRUE(IsFolder(dir.Path() + "\\"));
    EXPECT_TRUE(IsFolder(dir / "Hidden"));
    EXPECT_FALSE(IsFolder(dir / "file.txt"));
    EXPECT_FALSE(IsFolder(dir / "missing"));
    EXPECT_FALSE(IsFolder(""));
}

TEST(CountFiles, CountsEveryFileButNotPassedOverFolders) {
    ts::ScratchDir dir("files_count");
    ts::MakeDirs(dir / "Empty\\A\\B");
    ts::MakeDirs(dir / "Empty\\C");
    EXPECT_EQ(CountFiles(dir / "Empty"), 0);
    EXPECT_EQ(CountFiles(dir / "Missing"), 0);
    EXPECT_EQ(CountFiles(""), 0);

    ts::WriteTextFile(dir / "Tree\\a.txt", "x");
    ts::WriteTextFile(dir / "Tree\\hidden.txt", "x");
    ts::SetHidden(dir / "Tree\\hidden.txt");
    ts::WriteTextFile(dir / "Tree\\system.txt", "x");
    SetFileAttributesA((dir / "Tree\\system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM);
    ts::WriteTextFile(dir / "Tree\\-dash.txt", "x");  // a file, whatever its name
    ts::WriteTextFile(dir / "Tree\\Sub\\Deeper\\b.txt", "x");
    ts::WriteTextFile(dir / "Tree\\HiddenSub\\c.txt", "x");
    ts::SetHidden(dir / "Tree\\HiddenSub");
    ts::WriteTextFile(dir / "Tree\\\xE9lan\\d.txt", "x");  // above "0" as a byte
    ts::WriteTextFile(dir / "Tree\\0zero\\e.txt", "x");
    for (const char* skipped : {"-old", "(backup)", " blank", "!bang", "#hash", "$dollar"})
        ts::WriteTextFile(dir / ("Tree\\" + std::string(skipped) + "\\never.txt"), "x");
    EXPECT_EQ(CountFiles(dir / "Tree"), 8);
    EXPECT_EQ(CountFiles(dir / "Tree\\"), 8);
    EXPECT_EQ(CountFiles(dir / "Tree\\-old"), 1);  // the folder called on is walked
}

// A folder P with a file that cannot be deleted and a sub-folder of
// deletable files, named so that the sub-folder is reported before or after
// the file.
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
        after = P + "\\zzz.txt";  // reported after both
        ASSERT_TRUE(ts::WriteTextFile(sub + "\\one.txt", "x"));
        ASSERT_TRUE(ts::WriteTextFile(sub + "\\Deep\\two.txt", "x"));
        ASSERT_TRUE(ts::WriteTextFile(file, "x"));
        ASSERT_TRUE(ts::WriteTextFile(after, "x"));
        if (std::get<1>(GetParam())) {
            ts::SetReadOnly(file);
        } else {
            lock = std::make_unique<ts::LockedFile>(file);
            ASSERT_TRUE(lock->Held());
        }
        ASSERT_EQ(ReportedBefore(P, b.sub, b.file), b.subBefore) << "staging order";
        ASSERT_TRUE(ReportedBefore(P, b.file, "zzz.txt")) << "staging order";
    }
    void TearDown() override { lock.reset(); }
    void CheckLeft() {
        const bool subBefore = std::get<0>(GetParam()).subBefore;
        EXPECT_TRUE(ts::FileExists(file));
        EXPECT_TRUE(ts::FileExists(after));
        EXPECT_TRUE(ts::DirExists(P));
        EXPECT_EQ(ts::DirExists(sub), !subBefore);
        EXPECT_EQ(ts::FileExists(sub + "\\Deep\\two.txt"), !subBefore);
    }
};

TEST_P(BlockedTree, ClearFolderStopsAtTheFileWithError11) {
    std::string context;
    EXPECT_EQ(RaisedCode([&] { ClearFolder(P); }, &context), 11);
    EXPECT_EQ(context, file);
    CheckLeft();
}

TEST_P(BlockedTree, RemoveTreeReportsNothingAndRemovesWhatItCan) {
    EXPECT_EQ(RaisedCode([&] { RemoveTree(P); }), 0);
    CheckLeft();
    // One level up, the walk goes on after P: its later siblings go.
    ASSERT_TRUE(ts::WriteTextFile(dir / "Q\\q.txt", "x"));
    ASSERT_TRUE(ReportedBefore(dir.Path(), "P", "Q"));
    EXPECT_EQ(RaisedCode([&] { RemoveTree(dir.Path()); }), 0);
    EXPECT_FALSE(ts::DirExists(dir / "Q"));
    CheckLeft();
}

INSTANTIATE_TEST_SUITE_P(Orders, BlockedTree,
                         ::testing::Combine(::testing::ValuesIn(kOrders), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).subBefore ? "SubFirst" : "SubLast") +
                                    (std::get<1>(info.param) ? "ReadOnly" : "Locked");
                         });

TEST(RemoveTree, RemovesEverythingOfAnOrdinaryTree) {
    ts::ScratchDir dir("files_tree");
    const std::string P = dir / "P";
    ts::WriteTextFile(P + "\\a.txt", "x");
    ts::WriteTextFile(P + "\\hidden.txt", "x");
    ts::SetHidden(P + "\\hidden.txt");
    ts::WriteTextFile(P + "\\HiddenSub\\b.txt", "x");
    ts::SetHidden(P + "\\HiddenSub");
    ts::WriteTextFile(P + "\\\xE9lan\\c.txt", "x");
    ts::MakeDirs(P + "\\Empty\\Emptier");
    EXPECT_EQ(RaisedCode([&] { RemoveTree(P + "\\"); }), 0);
    EXPECT_FALSE(ts::DirExists(P));
    EXPECT_EQ(RaisedCode([&] { RemoveTree(P); }), 0);  // gone: nothing to do
    EXPECT_EQ(RaisedCode([&] { ClearFolder(P); }), 0);
    // Called on a file, neither touches it.
    ts::WriteTextFile(dir / "file.txt", "x");
    RemoveTree(dir / "file.txt");
    ClearFolder(dir / "file.txt");
    EXPECT_TRUE(ts::FileExists(dir / "file.txt"));
}

TEST(RemoveTree, ALockedThumbsDbStaysSilentlyAndTheRestGoes) {
    ts::ScratchDir dir("files_tree_thumbs");
    const std::string P = dir / "P";
    ts::WriteTextFile(P + "\\0first.txt", "x");
    ts::WriteTextFile(P + "\\zlast.txt", "x");
    ts::LockedFile lock(P + "\\THUMBS.db");
    ASSERT_TRUE(lock.Held());
    ASSERT_TRUE(ReportedBefore(P, "THUMBS.db", "zlast.txt"));
    EXPECT_EQ(RaisedCode([&] { ClearFolder(P); }), 0);
    EXPECT_FALSE(ts::FileExists(P + "\\zlast.txt"));
    ts::WriteTextFile(P + "\\zlast.txt", "x");
    EXPECT_EQ(RaisedCode([&] { RemoveTree(P); }), 0);
    EXPECT_FALSE(ts::FileExists(P + "\\0first.txt"));
    EXPECT_FALSE(ts::FileExists(P + "\\zlast.txt"));
    EXPECT_TRUE(ts::FileExists(P + "\\THUMBS.db"));
    EXPECT_TRUE(ts::DirExists(P));
}

TEST(PassedOverFolders, OldAndBackupFoldersKeepTheirParentAlive) {
    ts::ScratchDir dir("files_passed_over");
    const std::string P = dir / "P";
    ts::WriteTextFile(P + "\\a.chm", "x");
    ts::WriteTextFile(P + "\\-old\\old.chm", "x");
    ts::WriteTextFile(P + "\\(backup)\\backup.chm", "x");
    ts::MakeDirs(P + "\\Kept\\-old");  // an empty one still keeps Kept
    ts::WriteTextFile(P + "\\Gone\\b.chm", "x");

    List files = {"before"};
    ListFiles(P, "*.chm", true, files);
    EXPECT_EQ(files, (List{"before", P + "\\a.chm", P + "\\Gone\\b.chm"}));
    List folders;
    ListFolders(P, folders, true);
    EXPECT_EQ(folders, (List{P + "\\Gone", P + "\\Kept"}));
    EXPECT_EQ(CountFiles(P), 2);
    EXPECT_EQ(CountFiles(P + "\\Kept"), 0);

    RemoveTree(P);
    EXPECT_TRUE(ts::FileExists(P + "\\-old\\old.chm"));
    EXPECT_TRUE(ts::FileExists(P + "\\(backup)\\backup.chm"));
    EXPECT_TRUE(ts::DirExists(P + "\\Kept\\-old"));
    EXPECT_FALSE(ts::FileExists(P + "\\a.chm"));
    EXPECT_FALSE(ts::DirExists(P + "\\Gone"));
    EXPECT_TRUE(ts::DirExists(P));
}

TEST(ListFiles, FilesBeforeSubFoldersAndNothingHidden) {
    ts::ScratchDir dir("files_list");
    const std::string P = dir / "P";
    // "A" is reported before "z.chm": the folder's files still come first.
    ts::WriteTextFile(P + "\\z.chm", "x");
    ts::WriteTextFile(P + "\\A\\b.chm", "x");
    ts::WriteTextFile(P + "\\A\\Deep\\c.chm", "x");
    ts::WriteTextFile(P + "\\A\\note.txt", "x");
    ts::WriteTextFile(P + "\\B\\d.CHM", "x");
    ts::WriteTextFile(P + "\\hidden.chm", "x");
    ts::SetHidden(P + "\\hidden.chm");
    ts::WriteTextFile(P + "\\Hid\\e.chm", "x");
    ts::SetHidden(P + "\\Hid");
    ts::WriteTextFile(P + "\\\xE9lan\\f.chm", "x");
    ts::MakeDirs(P + "\\folder.chm");  // a folder matching the mask is no file
    ASSERT_TRUE(ReportedBefore(P, "A", "z.chm"));
    ASSERT_TRUE(ReportedBefore(P, "A", "B"));

    List all;
    ListFiles(P, "*.chm", true, all);
    EXPECT_EQ(all, (List{P + "\\z.chm", P + "\\A\\b.chm", P + "\\A\\Deep\\c.chm", P + "\\B\\d.CHM",
                         P + "\\\xE9lan\\f.chm"}));
    List top;
    ListFiles(P + "\\", "*.chm", false, top);
    EXPECT_EQ(top, (List{P + "\\z.chm"}));
    List any;
    ListFiles(P + "\\A", "", true, any);  // an empty mask takes every file
    EXPECT_EQ(any, (List{P + "\\A\\b.chm", P + "\\A\\note.txt", P + "\\A\\Deep\\c.chm"}));
    List everything;
    ListFiles(P, "*.*", true, everything);
    EXPECT_EQ(everything.size(), 6u);
    List none = {"kept"};
    ListFiles(P + "\\Missing", "*.chm", true, none);
    ListFiles(P + "\\z.chm", "*.chm", true, none);
    EXPECT_EQ(none, (List{"kept"}));
}

TEST(ListFiles, HandlesPendingMessagesOnlyWhenWalkingSubFolders) {
    ts::ScratchDir dir("files_list_messages");
    ts::WriteTextFile(dir / "Sub\\a.chm", "x");
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 3, 0, 0));
    List list;
    ListFiles(dir.Path(), "*.chm", false, list);
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_APP + 3, WM_APP + 3, PM_NOREMOVE));
    ListFiles(dir.Path(), "*.chm", true, list);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_APP + 3, WM_APP + 3, PM_NOREMOVE));
    EXPECT_EQ(list, (List{dir / "Sub\\a.chm"}));
}

TEST(ListFolders, EachFolderRightBeforeItsSubFolders) {
    ts::ScratchDir dir("files_folders");
    const std::string P = dir / "P";
    ts::MakeDirs(P + "\\A\\X\\Deep");
    ts::MakeDirs(P + "\\A\\Y");
    ts::MakeDirs(P + "\\B");
    ts::MakeDirs(P + "\\Hidden\\H");
    ts::SetHidden(P + "\\Hidden");
    ts::WriteTextFile(P + "\\file.txt", "x");
    ASSERT_TRUE(ReportedBefore(P, "A", "B"));
    List flat = {"before"};
    ListFolders(P, flat, false);
    EXPECT_EQ(flat, (List{"before", P + "\\A", P + "\\B", P + "\\Hidden"}));
    List deep;
    ListFolders(P + "\\", deep, true);
    EXPECT_EQ(deep, (List{P + "\\A", P + "\\A\\X", P + "\\A\\X\\Deep", P + "\\A\\Y", P + "\\B",
                          P + "\\Hidden", P + "\\Hidden\\H"}));
    List none;
    ListFolders(P + "\\Missing", none, true);
    ListFolders("", none, true);
    EXPECT_TRUE(none.empty());
}

// Unix symbolic links to folders, made from the Linux side, which Wine shows
// as folders with the reparse-point attribute.  (Wine shows a link to a file
// as a plain file: no Windows program can tell it from one.)
class Links : public ::testing::Test {
protected:
    ts::ScratchDir dir{"files_links"};
    ts::ScratchDir outside{"files_links_target"};
    std::string P;
    const char* kLinks[3] = {"\\Link", "\\Inner\\Deeper", "\\Inner\\ToEmpty"};
    void SetUp() override {
        P = dir / "P";
        ASSERT_TRUE(ts::WriteTextFile(outside / "Full\\precious.txt", "x"));
        ASSERT_TRUE(ts::WriteTextFile(outside / "Full\\Sub\\precious.chm", "x"));
        ts::MakeDirs(outside / "Empty");
        ASSERT_TRUE(ts::WriteTextFile(P + "\\mine.chm", "x"));
        ts::MakeDirs(P + "\\Inner");
        ASSERT_TRUE(pt::MakeUnixLink(outside / "Full", P + kLinks[0]));
        ASSERT_TRUE(pt::MakeUnixLink(outside / "Full", P + kLinks[1]));
        ASSERT_TRUE(pt::MakeUnixLink(outside / "Empty", P + kLinks[2]));
        for (const char* l : kLinks) {
            const DWORD a = GetFileAttributesA((P + l).c_str());
            ASSERT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) &&
                        (a & FILE_ATTRIBUTE_REPARSE_POINT))
                << l << " attributes " << a;
        }
        ASSERT_TRUE(ts::FileExists(P + "\\Inner\\Deeper\\precious.txt"));
    }
    void TearDown() override {
        for (const char* l : kLinks) pt::RemoveUnixLink(P + l);
    }
    void CheckTargetsIntact() {
        EXPECT_TRUE(ts::FileExists(outside / "Full\\precious.txt"));
        EXPECT_TRUE(ts::FileExists(outside / "Full\\Sub\\precious.chm"));
        EXPECT_TRUE(ts::DirExists(outside / "Empty"));  // an empty target too
    }
};

TEST_F(Links, ListingAndCountingPassOverLinkedFolders) {
    List files;
    ListFiles(P, "*.chm", true, files);
    EXPECT_EQ(files, (List{P + "\\mine.chm"}));
    List all;
    ListFiles(P, "", true, all);
    EXPECT_EQ(all, (List{P + "\\mine.chm"}));
    List folders;
    ListFolders(P, folders, true);
    EXPECT_EQ(folders, (List{P + "\\Inner"}));
    EXPECT_EQ(CountFiles(P), 1);
    EXPECT_EQ(CountFiles(P + "\\Inner"), 0);
    // Called on the link itself, a walk takes it as given.
    EXPECT_EQ(CountFiles(P + "\\Link"), 2);
}

TEST_F(Links, RemovingATreeNeverReachesALinksTarget) {
    EXPECT_EQ(RaisedCode([&] { ClearFolder(P + "\\Inner"); }), 0);
    CheckTargetsIntact();
    EXPECT_EQ(RaisedCode([&] { RemoveTree(P); }), 0);
    CheckTargetsIntact();
    EXPECT_FALSE(ts::FileExists(P + "\\mine.chm"));
    // Where the platform cannot remove a link alone (Wine), the link stays,
    // still pointing at its target, and so do the folders above it.
    bool anyLeft = false;
    for (const char* l : kLinks) {
        const bool left = pt::Exists(P + l);
        EXPECT_TRUE(!left || ts::DirExists(P + l + "\\")) << l;
        anyLeft = anyLeft || left;
    }
    EXPECT_EQ(ts::DirExists(P), anyLeft);
}

// Entries whose full path would exceed the 255 characters of a short path.
class TooDeep : public ::testing::Test {
protected:
    ts::ScratchDir dir{"files_deep"};
    std::string D;  // a folder whose path is 248 characters long
    void SetUp() override {
        D = dir.Path();
        while (D.size() < 248) D += "\\" + std::string(std::min<size_t>(40, 247 - D.size()), 'd');
        ASSERT_EQ(D.size(), 248u);
        ts::MakeDirs(D);
        ASSERT_TRUE(ts::DirExists(D));
        // D\fits.t: 255 characters; D\fits.tx: 256, whose cut path would be
        // D\fits.t again.
        ASSERT_TRUE(ts::WriteTextFile(D + "\\fits.t", "x"));
        ASSERT_TRUE(ts::WriteTextFile(D + "\\fits.tx", "x"));
        ASSERT_TRUE(ts::WriteTextFile(D + "\\abcdefgh", "x"));  // 257
        ts::MakeDirs(D + "\\Folder8");                       // 256: never entered
        ASSERT_TRUE(ts::DirExists(D + "\\Folder8"));
        ASSERT_TRUE(ts::WriteTextFile(D + "\\F\\x", "x"));  // 252: fits
    }
};

TEST_F(TooDeep, CountedAsOneFileNeverListedNeverDeleted) {
    const std::string parent = D.substr(0, D.rfind('\\'));
    EXPECT_EQ(CountFiles(D), 5);
    EXPECT_EQ(CountFiles(parent), 5);
    List files;
    ListFiles(parent, "*.*", true, files);
    EXPECT_EQ(files, (List{D + "\\fits.t", D + "\\F\\x"}));
    List tees;
    ListFiles(D, "fits.*", false, tees);
    EXPECT_EQ(tees, (List{D + "\\fits.t"}));
    List folders;
    ListFolders(parent, folders, true);
    EXPECT_EQ(folders, (List{D, D + "\\F"}));

    EXPECT_EQ(RaisedCode([&] { ClearFolder(D); }), 0);
    EXPECT_FALSE(ts::FileExists(D + "\\fits.t"));
    EXPECT_FALSE(ts::DirExists(D + "\\F"));
    EXPECT_TRUE(ts::FileExists(D + "\\fits.tx"));
    EXPECT_TRUE(ts::FileExists(D + "\\abcdefgh"));
    EXPECT_TRUE(ts::DirExists(D + "\\Folder8"));
    RemoveTree(parent);
    EXPECT_TRUE(ts::FileExists(D + "\\fits.tx"));
    EXPECT_TRUE(ts::DirExists(D));
    EXPECT_EQ(CountFiles(parent), 3);  // never empty while they are there
}

}  // namespace
