#include "uninstall/kxlib/files.h"

#include <windows.h>
#include <winioctl.h>


#include "framework/handles.h"
#include "framework/sysutils.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/paths.h"

namespace kx {

namespace {

// The entries of one folder as the file system reports them.  One search
// with the basic information level (no short names) and large fetches: a
// walk takes everything it needs (name, attributes) from the search itself
// and never asks the file system again per entry.  The search goes through
// the wide functions, so that a folder deeper than a short path is searched
// by its full path too; names come back in the code page of the narrow
// functions, as their own search gives them.
class FolderSearch {
public:
    explicit FolderSearch(const std::string& pattern) {
        const std::wstring name = PlatformPath(pattern);
        h_.reset(FindFirstFileExW(name.c_str(), FindExInfoBasic, &fd_, FindExSearchNameMatch, nullptr,
                                  FIND_FIRST_EX_LARGE_FETCH));
        // Systems before Windows 7 know neither; they take the plain search.
        if (!h_ && GetLastError() == ERROR_INVALID_PARAMETER)
            h_.reset(FindFirstFileExW(name.c_str(), FindExInfoStandard, &fd_, FindExSearchNameMatch,
                                      nullptr, 0));
        Take(static_cast<bool>(h_));
    }
    bool More() const { return more_; }
    void Next() { Take(FindNextFileW(h_.get(), &fd_) != FALSE); }

    const char* Name() const { return name_.c_str(); }
    bool IsDir() const { return (fd_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsHidden() const { return (fd_.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0; }
    std::uint64_t LastWrite() const {
        return (static_cast<std::uint64_t>(fd_.ftLastWriteTime.dwHighDateTime) << 32) |
               fd_.ftLastWriteTime.dwLowDateTime;
    }
    DWORD Attributes() const { return fd_.dwFileAttributes; }
    // "." and "..": the folder itself and its parent, never walked.  Every
    // other name is an entry, "(backup)", "-old" and "$cache" included.
    bool IsSkippedFolder() const {
        return IsDir() && (name_ == "." || name_ == "..");
    }
    // A junction or symbolic link: what lies behind it is not ours to walk.
    bool IsLink() const { return (fd_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

private:
    void Take(bool found) {
        more_ = found;
        name_.clear();
        if (!found) return;
        const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
        const int n = WideCharToMultiByte(codePage, 0, fd_.cFileName, -1, nullptr, 0, nullptr, nullptr);
        if (n <= 1) return;
        name_.resize(static_cast<std::size_t>(n - 1));
        WideCharToMultiByte(codePage, 0, fd_.cFileName, -1, name_.data(), n, nullptr, nullptr);
    }

    fw::UniqueFind h_;
    WIN32_FIND_DATAW fd_{};
    std::string name_;
    bool more_ = false;
};

// The folder as the start of its entries' paths, never cut.
std::string EntryBase(const std::string& folder) {
    return (folder.empty() || folder.back() == '\\') ? folder : folder + '\\';
}

// Deletes a file the search has just reported.  Gone meanwhile counts as
// deleted; so does a THUMBS.DB that the shell holds open.  With EvenReadOnly
// a file that refuses only because it is read-only (installers leave their
// files so) loses that attribute and is deleted; when it still cannot be
// deleted (it is in use too) it gets its attributes back.
bool DeleteReportedFile(const std::string& path, bool evenReadOnly) {
    const std::wstring name = PlatformPath(path);
    if (DeleteFileW(name.c_str())) return true;
    DWORD err = GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return true;
    if (evenReadOnly && err == ERROR_ACCESS_DENIED) {
        const DWORD attr = GetFileAttributesW(name.c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY) &&
            !(attr & FILE_ATTRIBUTE_DIRECTORY)) {
            const DWORD writable = attr & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
            if (SetFileAttributesW(name.c_str(), writable ? writable : FILE_ATTRIBUTE_NORMAL)) {
                if (DeleteFileW(name.c_str())) return true;
                SetFileAttributesW(name.c_str(), attr);
            }
        }
    }
    return fw::UpperCase(FileNameOf(path)) == "THUMBS.DB";
}

// Removes an empty folder; one whose read-only attribute refuses it (the
// shell marks customised folders so) loses that attribute first.
void RemoveEmptyFolder(const std::string& path) {
    const std::wstring name = PlatformPath(path);
    if (RemoveDirectoryW(name.c_str()) || GetLastError() != ERROR_ACCESS_DENIED) return;
    const DWORD attr = GetFileAttributesW(name.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_READONLY)) return;
    if (SetFileAttributesW(name.c_str(), attr & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) &&
        !RemoveDirectoryW(name.c_str()))
        SetFileAttributesW(name.c_str(), attr);
}

// Removes a folder link itself, never what it points to.  The link is
// opened as a reparse point and deleted through that handle, and only when
// the handle proves to hold the reparse point: a system that opens the
// target instead (Wine, for a Unix symbolic link) would delete the target
// through a plain RemoveDirectory, so there the link stays.
void RemoveLink(const std::string& path) {
    fw::UniqueFile h(CreateFileW(PlatformPath(path).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                 nullptr));
    if (!h) return;
    std::vector<BYTE> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD got = 0;
    if (!DeviceIoControl(h.get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                         static_cast<DWORD>(data.size()), &got, nullptr) &&
        GetLastError() != ERROR_MORE_DATA)
        return;
    FILE_DISPOSITION_INFO dispose = {TRUE};
    SetFileInformationByHandle(h.get(), FileDispositionInfo, &dispose, sizeof dispose);
}

int CountIn(const std::string& base) {
    int n = 0;
    for (FolderSearch s(base + "*.*"); s.More(); s.Next()) {
        if (s.IsSkippedFolder()) continue;
        if (!s.IsDir()) {
            ++n;
        } else if (!s.IsLink()) {
            n += CountIn(base + s.Name() + '\\');
        }
    }
    return n;
}

void RemoveTreeAt(const std::string& path);

// Clears the folder whose entries begin with Base.  The first file that
// cannot be deleted ends the clearing: raised as error 11 when Raise is set,
// else the clearing just stops there.
void ClearIn(const std::string& base, bool raise) {
    for (FolderSearch s(base + "*.*"); s.More(); s.Next()) {
        if (s.IsSkippedFolder()) continue;
        const std::string path = base + s.Name();
        if (!s.IsDir()) {
            if (DeleteReportedFile(path, true)) continue;
            if (raise) RaiseError(11, path);
            return;
        }
        if (s.IsLink()) {
            RemoveLink(path);
        } else {
            RemoveTreeAt(path);
        }
    }
}

// A sub-folder the search has reported: its contents, then itself.
void RemoveTreeAt(const std::string& path) {
    ClearIn(path + '\\', false);
    RemoveEmptyFolder(path);  // fails while something is left in it
}

// One recursive listing: the GUI's pending messages are handled before each
// folder's sub-folders are walked, but not more often than every 20 ms.  A
// look at the message queue costs a round trip to the window server (under
// Wine about as much as searching a folder of ten files), and the window
// cannot tell 20 ms from less.
struct Listing {
    const std::string& mask;
    bool everything;  // a mask that takes every name
    bool recursive;
    std::vector<std::string>* list;
    std::vector<TFoundFile>* found;  // instead of List: the files with their times
    DWORD lastPump = 0;
    bool pumped = false;

    void Pump() {
        const DWORD now = GetTickCount();
        if (pumped && now - lastPump < 20) return;
        ProcessPendingMessages();
        lastPump = GetTickCount();
        pumped = true;
    }

    void Walk(const std::string& base) {
        std::vector<std::string> subs;
        auto take = [&](const FolderSearch& s, bool files, bool folders) {
            const bool dir = s.IsDir();
            if (s.IsHidden() || (dir && s.IsSkippedFolder())) return;
            std::string path = base + s.Name();
            if (!dir && files) {
                if (found)
                    found->push_back({std::move(path), s.LastWrite()});
                else
                    list->push_back(std::move(path));
            }
            if (dir && folders && !s.IsLink()) subs.push_back(std::move(path));
        };
        // With a mask that takes every name, one search gives both the files
        // and the sub-folders.
        for (FolderSearch s(base + mask); s.More(); s.Next()) take(s, true, everything && recursive);
        if (!recursive) return;
        Pump();
        if (!everything)
            for (FolderSearch s(base + "*.*"); s.More(); s.Next()) take(s, false, true);
        for (const auto& sub : subs) Walk(sub + '\\');
    }
};

void ListFoldersIn(const std::string& base, std::vector<std::string>& list, bool recursive) {
    // A link is not listed either: a caller counts and removes the folders
    // it is given as they are, which would reach into the link's target.
    std::vector<std::string> subs;
    for (FolderSearch s(base + "*.*"); s.More(); s.Next()) {
        if (!s.IsDir() || s.IsSkippedFolder() || s.IsLink()) continue;
        subs.push_back(base + s.Name());
    }
    for (auto& sub : subs) {
        list.push_back(sub);
        if (recursive) ListFoldersIn(sub + '\\', list, recursive);
    }
}

void ListTreeIn(const std::string& base, std::vector<TTreeEntry>& list) {
    for (FolderSearch s(base + "*.*"); s.More(); s.Next()) {
        if (s.IsSkippedFolder()) continue;
        list.push_back({base + s.Name(), s.Attributes()});
        if (s.IsDir() && !s.IsLink()) {
            // Each folder's entries follow it at once: walked right away.
            ListTreeIn(list.back().Path + '\\', list);
        }
    }
}

}  // namespace

void RemoveFile(const std::string& path) {
    if (!FileExists(path)) return;
    if (!DeleteReportedFile(path, false)) RaiseError(11, Short(path));
}

void RemoveProductFile(const std::string& path) {
    if (!FileExists(path)) return;
    if (!DeleteReportedFile(path, true)) RaiseError(11, Short(path));
}

bool IsFolder(const std::string& path) {
    const DWORD attr = PathAttributes(path);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

int CountFiles(const std::string& folder) {
    // An empty name would count the current directory.
    if (folder.empty()) return 0;
    return CountIn(EntryBase(folder));
}

void ClearFolder(const std::string& folder) {
    if (!IsFolder(folder)) return;
    ClearIn(EntryBase(folder), true);
}

void RemoveTree(const std::string& folder) {
    if (!IsFolder(folder)) return;
    ClearIn(EntryBase(folder), false);
    // The folder itself goes by its path without the trailing backslash.
    std::string path = folder;
    if (!path.empty() && path.back() == '\\') path.pop_back();
    if (IsFolder(path)) RemoveEmptyFolder(path);
}

void ListFiles(const std::string& folder, const std::string& mask, bool recursive,
               std::vector<std::string>& list) {
    if (!IsFolder(folder)) return;
    const std::string pattern = mask.empty() ? std::string("*.*") : mask;
    Listing walk{pattern, pattern == "*.*" || pattern == "*", recursive, &list, nullptr};
    walk.Walk(EntryBase(folder));
}

void ListFilesStamped(const std::string& folder, std::vector<TFoundFile>& list) {
    if (!IsFolder(folder)) return;
    const std::string pattern = "*.*";
    Listing walk{pattern, true, true, nullptr, &list};
    walk.Walk(EntryBase(folder));
}

void ListFolders(const std::string& folder, std::vector<std::string>& list, bool recursive) {
    if (folder.empty()) return;  // would list the current directory
    ListFoldersIn(EntryBase(folder), list, recursive);
}

void ListTree(const std::string& folder, std::vector<TTreeEntry>& list) {
    if (folder.empty()) return;  // would list the current directory
    ListTreeIn(EntryBase(folder), list);
}

bool ScheduleRemoval(const std::string& path) {
    const std::wstring name = PlatformPath(path);
    const DWORD attr = GetFileAttributesW(name.c_str());
    const bool clearReadOnly = attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY) &&
                               !(attr & FILE_ATTRIBUTE_DIRECTORY);
    if (clearReadOnly) {
        const DWORD writable = attr & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        SetFileAttributesW(name.c_str(), writable ? writable : FILE_ATTRIBUTE_NORMAL);
    }
    if (MoveFileExW(name.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return true;
    if (clearReadOnly) SetFileAttributesW(name.c_str(), attr);
    return false;
}

}  // namespace kx
