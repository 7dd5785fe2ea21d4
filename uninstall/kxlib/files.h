// Listing, counting and deleting files and folder trees, and leaving what a
// running system cannot delete to the next restart.
//
// Every walk searches each folder for all its entries and takes them in the
// order the file system reports them.  A walk passes over "." and ".." only
// ("-old", "(backup)", "$cache" are folders like any other); it never enters
// a sub-folder that is a reparse point (a junction or symbolic link: its
// contents are somebody else's).  Entries whose full path exceeds 255
// characters are walked, listed and deleted like the others: the lists hold
// their full paths, never cut ones, and the routines reach them through the
// platform's extended-length form (PlatformPath).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kx {

// Deletes one file.  A missing file or a folder's path does nothing; a file
// named THUMBS.DB (any case) that cannot be deleted is passed over; any other
// failure (a file in use, a read-only file) raises error 11 with Path.
void RemoveFile(const std::string& path);
// RemoveFile for a file of the product: a read-only file loses that
// attribute and goes.  One that still cannot be deleted (it is in use) keeps
// its attributes and raises error 11 with Path.
void RemoveProductFile(const std::string& path);
// Path names an existing folder.
bool IsFolder(const std::string& path);
// Files in the folder's tree, hidden and system files included.  A missing
// folder counts 0.
int CountFiles(const std::string& folder);
// Deletes every file and sub-folder inside Folder, read-only files included
// (as RemoveProductFile).  The first file that cannot be deleted raises
// error 11 and leaves the entries after it.
void ClearFolder(const std::string& folder);
// Deletes Folder with everything in it as far as possible, read-only files
// and folders included; reports nothing.  A reparse-point sub-folder goes as
// a link, its target untouched.
void RemoveTree(const std::string& folder);
// Appends the non-hidden files of Folder matching Mask (empty: "*.*"); with
// Recursive, then those of each non-hidden sub-folder, handling the GUI's
// pending messages before walking the sub-folders of each folder (at most
// every 20 ms).
void ListFiles(const std::string& folder, const std::string& mask, bool recursive,
               std::vector<std::string>& list);
// A file a listing found, with its last-write time (a FILETIME, UTC) as the
// search itself reported it.
struct TFoundFile {
    std::string Path;
    std::uint64_t LastWrite = 0;
};
// The same files in the same order as ListFiles(Folder, "*.*", true, ...),
// each with its last-write time: one walk, no further question to the file
// system per file.
void ListFilesStamped(const std::string& folder, std::vector<TFoundFile>& list);
// Appends the sub-folders of Folder, hidden ones included; with Recursive each
// is followed at once by its own sub-folders.
void ListFolders(const std::string& folder, std::vector<std::string>& list, bool recursive);

// One entry of a tree: its full path and its attributes as the search
// reported them.
struct TTreeEntry {
    std::string Path;
    DWORD Attributes = 0;
    bool IsFolder() const { return (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsHidden() const { return (Attributes & FILE_ATTRIBUTE_HIDDEN) != 0; }
    bool IsLink() const { return (Attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
};
// Appends every entry of Folder's tree, hidden ones included, each folder
// right before its own entries.  A link (junction or symbolic link) is
// listed, never entered.
void ListTree(const std::string& folder, std::vector<TTreeEntry>& list);

// Asks the platform to delete Path when the computer next restarts: a file
// (its read-only attribute cleared first, so that nothing refuses it then),
// or a folder, which goes then when it is empty by that time.  False when
// the platform refuses (no right to record the request); the file then keeps
// its attributes.
bool ScheduleRemoval(const std::string& path);

}  // namespace kx
