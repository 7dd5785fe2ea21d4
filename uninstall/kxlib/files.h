// Listing, counting and deleting files and folder trees.
//
// Every walk searches each folder for all its entries and takes them in the
// order the file system reports them.  A walk never enters, lists, counts or
// deletes a sub-folder whose name begins with a character below "0" ("." and
// "..", "-old", "(backup)", " x", "!x"); it never enters a sub-folder that is
// a reparse point (a junction or symbolic link: its contents are somebody
// else's); and it never acts on an entry whose full path would exceed 255
// characters, since the path it could hold would name something else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kx {

// Deletes one file.  A missing file or a folder's path does nothing; a file
// named THUMBS.DB (any case) that cannot be deleted is passed over; any other
// failure (a file in use, a read-only file) raises error 11 with Path.
void RemoveFile(const std::string& path);
// Path names an existing folder.
bool IsFolder(const std::string& path);
// Files in the folder's tree, hidden and system files included; an entry too
// deep for a short path counts as one file.  A missing folder counts 0.
int CountFiles(const std::string& folder);
// Deletes every file and sub-folder inside Folder.  The first file that
// cannot be deleted raises error 11 and leaves the entries after it.
void ClearFolder(const std::string& folder);
// Deletes Folder with everything in it as far as possible; reports nothing.
// A reparse-point sub-folder goes as a link, its target untouched.
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

}  // namespace kx
