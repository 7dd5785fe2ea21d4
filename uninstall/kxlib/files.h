// Listing, counting and deleting files and folder trees, and leaving what a
// running system cannot delete to the next restart.
//
// The walks work on wide paths: each entry's path is its folder's path, a
// backslash and the wide name the file system reported, and every deletion
// and restart removal acts on that wide path in its extended-length form, so
// a name is never turned into a look-alike (a best-fit narrow name, a name
// whose trailing dot the narrow functions would drop).  Every deletion goes
// through a removal scope (TRemovalScope): a path that is not the scope's
// folder or inside it, or whose components include ".", "..", a colon or a
// wildcard, is never deleted or scheduled, whatever a name or a caller says.
//
// Every walk searches each folder for all its entries and takes them in the
// order the file system reports them.  A walk passes over "." and ".." only
// ("-old", "(backup)", "$cache" are folders like any other); it never enters
// a sub-folder that is a reparse point (a junction or symbolic link: its
// contents are somebody else's).  Paths of any length are walked, listed and
// deleted alike.
//
// The wide routines take canonical paths (CanonicalFolder) or paths that a
// walk built from one.  The narrow forms (std::string) serve callers that
// hold narrow paths; they widen and canonicalise their arguments once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kx {

// The folder that a removal may touch: a canonical folder (CanonicalFolder)
// and everything inside it.
class TRemovalScope {
public:
    // Folder is made canonical; one that cannot be (empty, a device name)
    // gives a scope that holds nothing.
    explicit TRemovalScope(const std::wstring& folder);
    explicit TRemovalScope(const std::string& folder);
    const std::wstring& Folder() const { return folder_; }
    // Path (with or without an extended-length prefix) is the folder or lies
    // inside it, compared without regard to case, and every component below
    // the folder is a plain name: not empty, not "." or "..", without a
    // colon (an alternate stream), a wildcard or a forward slash.
    bool Holds(const std::wstring& path) const;

private:
    std::wstring folder_;
};

// Deletes one file of Scope.  A missing file, a folder's path or a path the
// scope does not hold does nothing; a file named THUMBS.DB (any case) that
// cannot be deleted is passed over; any other failure (a file in use, a
// read-only file) raises error 11 with the path.
void RemoveFile(const TRemovalScope& scope, const std::wstring& path);
// RemoveFile for a file of the product: a read-only file loses that
// attribute and goes.  One that still cannot be deleted (it is in use) keeps
// its attributes and raises error 11 with the path.
void RemoveProductFile(const TRemovalScope& scope, const std::wstring& path);
// Path names an existing folder.
bool IsFolder(const std::wstring& path);
// Files in the folder's tree, hidden and system files included.  A missing
// folder counts 0.
int CountFiles(const std::wstring& folder);
// Deletes every file and sub-folder inside Folder (a folder of Scope),
// read-only files included (as RemoveProductFile).  The first file that
// cannot be deleted raises error 11 and leaves the entries after it.
void ClearFolder(const TRemovalScope& scope, const std::wstring& folder);
// Deletes Folder (a folder of Scope) with everything in it as far as
// possible, read-only files and folders included; reports nothing.  A
// reparse-point sub-folder goes as a link, its target untouched, where the
// link itself can be proven to be what is deleted; else it stays.
void RemoveTree(const TRemovalScope& scope, const std::wstring& folder);

// A file a listing found, with its last-write time (a FILETIME, UTC) and
// attributes as the search itself reported them.
struct TFoundFile {
    std::wstring Path;
    std::uint64_t LastWrite = 0;
    DWORD Attributes = 0;
    // It is hidden itself or lies in a hidden folder.
    bool Hidden = false;
};
// Appends the non-hidden files of Folder matching Mask (empty: "*.*"); with
// Recursive, then those of each non-hidden sub-folder, handling the GUI's
// pending messages before walking the sub-folders of each folder (at most
// every 20 ms).
void ListFiles(const std::wstring& folder, const std::wstring& mask, bool recursive,
               std::vector<std::wstring>& list);
// Every file of Folder's tree in the order of ListFiles(Folder, "*.*", true),
// each with its last-write time and attributes: one walk, no further
// question to the file system per file.  With Hidden, hidden files and the
// files of hidden folders are listed too, each where the walk meets it
// (Hidden set); without, they are left out as ListFiles leaves them out.
void ListFilesStamped(const std::wstring& folder, std::vector<TFoundFile>& list, bool hidden = false);
// Appends the sub-folders of Folder, hidden ones included; with Recursive each
// is followed at once by its own sub-folders.  Links are not listed.
void ListFolders(const std::wstring& folder, std::vector<std::wstring>& list, bool recursive);

// One entry of a tree: its full path and its attributes as the search
// reported them.
struct TTreeEntry {
    std::wstring Path;
    DWORD Attributes = 0;
    bool IsFolder() const { return (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsHidden() const { return (Attributes & FILE_ATTRIBUTE_HIDDEN) != 0; }
    bool IsLink() const { return (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
};
// Appends every entry of Folder's tree, hidden ones included, each folder
// right before its own entries.  A link (junction or symbolic link) is
// listed, never entered.
void ListTree(const std::wstring& folder, std::vector<TTreeEntry>& list);

// Asks the platform to delete Path (of Scope) when the computer next
// restarts: a file (its read-only attribute cleared first, so that nothing
// refuses it then), or a folder, which goes then when it is empty by that
// time.  False when the scope does not hold the path or the platform refuses
// (no right to record the request); the file then keeps its attributes.
bool ScheduleRemoval(const TRemovalScope& scope, const std::wstring& path);

// The narrow forms, for callers that hold narrow paths.  Each argument is
// widened and made full once, and its scope is the argument itself: the
// folder for the tree routines, the file's own folder for RemoveFile.
// Listed paths keep the narrow functions' own spelling (as a narrow search
// would report them): they are for display, and nothing found inside a
// tree is ever deleted by such a name.
void RemoveFile(const std::string& path);
void RemoveProductFile(const std::string& path);
bool IsFolder(const std::string& path);
int CountFiles(const std::string& folder);
void ClearFolder(const std::string& folder);
void RemoveTree(const std::string& folder);
void ListFiles(const std::string& folder, const std::string& mask, bool recursive,
               std::vector<std::string>& list);
void ListFolders(const std::string& folder, std::vector<std::string>& list, bool recursive);

}  // namespace kx
