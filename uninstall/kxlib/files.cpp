#include "uninstall/kxlib/files.h"

#include <windows.h>
#include <winioctl.h>

#include <cwchar>

#include "framework/base/handles.h"
#include "framework/base/sysutils.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/paths.h"

namespace kx {

namespace {

// The entries of one folder as the file system reports them.  One search
// with the basic information level (no short names) and large fetches: a
// walk takes everything it needs (name, attributes, time) from the search
// itself and never asks the file system again per entry.  The pattern is
// searched in its extended-length form, so that a folder of any depth and
// any name is searched as it is.
class FolderSearch {
public:
    explicit FolderSearch(const std::wstring& pattern) {
        const std::wstring name = ExtendedPath(pattern);
        h_.reset(FindFirstFileExW(name.c_str(), FindExInfoBasic, &fd_, FindExSearchNameMatch, nullptr,
                                  FIND_FIRST_EX_LARGE_FETCH));
        // Systems before Windows 7 know neither; they take the plain search.
        if (!h_ && GetLastError() == ERROR_INVALID_PARAMETER)
            h_.reset(FindFirstFileExW(name.c_str(), FindExInfoStandard, &fd_, FindExSearchNameMatch,
                                      nullptr, 0));
        more_ = static_cast<bool>(h_);
    }
    bool More() const { return more_; }
    void Next() { more_ = FindNextFileW(h_.get(), &fd_) != FALSE; }

    const wchar_t* Name() const { return fd_.cFileName; }
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
        return IsDir() && (wcscmp(fd_.cFileName, L".") == 0 || wcscmp(fd_.cFileName, L"..") == 0);
    }
    // A junction or symbolic link: what lies behind it is not ours to walk.
    bool IsLink() const { return (fd_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

private:
    fw::UniqueFind h_;
    WIN32_FIND_DATAW fd_{};
    bool more_ = false;
};

// The folder as the start of its entries' paths.
std::wstring EntryBase(const std::wstring& folder) {
    return (folder.empty() || folder.back() == L'\\') ? folder : folder + L'\\';
}

bool IsThumbsDb(const std::wstring& path) {
    const auto cut = path.find_last_of(L'\\');
    const std::wstring name = cut == std::wstring::npos ? path : path.substr(cut + 1);
    return SameWidePath(name, L"Thumbs.db");
}

// Deletes a file of the scope.  Gone meanwhile counts as deleted; so does a
// THUMBS.DB that the shell holds open.  With EvenReadOnly a file that
// refuses only because it is read-only (installers leave their files so)
// loses that attribute and is deleted; when it still cannot be deleted (it
// is in use too) it gets its attributes back.  A path the scope does not
// hold is not touched: false.
bool DeleteScopedFile(const TRemovalScope& scope, const std::wstring& path, bool evenReadOnly) {
    if (!scope.Holds(path)) return false;
    const std::wstring name = ExtendedPath(WithoutExtendedPrefix(path));
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
    return IsThumbsDb(path);
}

// Removes an empty folder of the scope; one whose read-only attribute
// refuses it (the shell marks customised folders so) loses that attribute
// first.
void RemoveEmptyFolder(const TRemovalScope& scope, const std::wstring& path) {
    if (!scope.Holds(path)) return;
    const std::wstring name = ExtendedPath(WithoutExtendedPrefix(path));
    if (RemoveDirectoryW(name.c_str()) || GetLastError() != ERROR_ACCESS_DENIED) return;
    const DWORD attr = GetFileAttributesW(name.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_READONLY)) return;
    if (SetFileAttributesW(name.c_str(), attr & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) &&
        !RemoveDirectoryW(name.c_str()))
        SetFileAttributesW(name.c_str(), attr);
}

// Removes a folder link of the scope itself, never what it points to.  The
// link is opened as a reparse point and deleted through that handle, and
// only when the handle proves to hold the reparse point: a system that opens
// the target instead (Wine, for a Unix symbolic link) would delete the
// target through a plain RemoveDirectory, so there the link stays.
void RemoveLink(const TRemovalScope& scope, const std::wstring& path) {
    if (!scope.Holds(path)) return;
    fw::UniqueFile h(CreateFileW(ExtendedPath(WithoutExtendedPrefix(path)).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
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

int CountIn(const std::wstring& base) {
    int n = 0;
    for (FolderSearch s(base + L"*"); s.More(); s.Next()) {
        if (s.IsSkippedFolder()) continue;
        if (!s.IsDir()) {
            ++n;
        } else if (!s.IsLink()) {
            n += CountIn(base + s.Name() + L'\\');
        }
    }
    return n;
}

void RemoveTreeAt(const TRemovalScope& scope, const std::wstring& path);

// Clears the folder whose entries begin with Base.  The first file that
// cannot be deleted ends the clearing: raised as error 11 when Raise is set,
// else the clearing just stops there.
void ClearIn(const TRemovalScope& scope, const std::wstring& base, bool raise) {
    for (FolderSearch s(base + L"*"); s.More(); s.Next()) {
        if (s.IsSkippedFolder()) continue;
        const std::wstring path = base + s.Name();
        if (!s.IsDir()) {
            if (DeleteScopedFile(scope, path, true)) continue;
            if (raise) RaiseError(11, Short(DisplayPath(path)));
            return;
        }
        if (s.IsLink()) {
            RemoveLink(scope, path);
        } else {
            RemoveTreeAt(scope, path);
        }
    }
}

// A sub-folder the search has reported: its contents, then itself.
void RemoveTreeAt(const TRemovalScope& scope, const std::wstring& path) {
    ClearIn(scope, path + L'\\', false);
    RemoveEmptyFolder(scope, path);  // fails while something is left in it
}

// One recursive listing: the GUI's pending messages are handled before each
// folder's sub-folders are walked, but not more often than every 20 ms.  A
// look at the message queue costs a round trip to the window server (under
// Wine about as much as searching a folder of ten files), and the window
// cannot tell 20 ms from less.
struct Listing {
    const std::wstring& mask;
    bool everything;  // a mask that takes every name
    bool recursive;
    bool hidden;      // hidden files and folders too
    std::vector<std::wstring>* list;
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

    void Walk(const std::wstring& base, bool inHidden) {
        struct Sub {
            std::wstring path;
            bool hidden;
        };
        std::vector<Sub> subs;
        auto take = [&](const FolderSearch& s, bool files, bool folders) {
            const bool dir = s.IsDir();
            if ((s.IsHidden() && !hidden) || (dir && s.IsSkippedFolder())) return;
            std::wstring path = base + s.Name();
            const bool isHidden = inHidden || s.IsHidden();
            if (!dir && files) {
                if (found)
                    found->push_back({std::move(path), s.LastWrite(), s.Attributes(), isHidden});
                else
                    list->push_back(std::move(path));
            }
            if (dir && folders && !s.IsLink()) subs.push_back({std::move(path), isHidden});
        };
        // With a mask that takes every name, one search gives both the files
        // and the sub-folders.
        for (FolderSearch s(base + mask); s.More(); s.Next()) take(s, true, everything && recursive);
        if (!recursive) return;
        Pump();
        if (!everything)
            for (FolderSearch s(base + L"*"); s.More(); s.Next()) take(s, false, true);
        for (const auto& sub : subs) Walk(sub.path + L'\\', sub.hidden);
    }
};

void ListFoldersIn(const std::wstring& base, std::vector<std::wstring>& list, bool recursive) {
    // A link is not listed either: a caller counts and removes the folders
    // it is given as they are, which would reach into the link's target.
    std::vector<std::wstring> subs;
    for (FolderSearch s(base + L"*"); s.More(); s.Next()) {
        if (!s.IsDir() || s.IsSkippedFolder() || s.IsLink()) continue;
        subs.push_back(base + s.Name());
    }
    for (auto& sub : subs) {
        list.push_back(sub);
        if (recursive) ListFoldersIn(sub + L'\\', list, recursive);
    }
}

void ListTreeIn(const std::wstring& base, std::vector<TTreeEntry>& list) {
    for (FolderSearch s(base + L"*"); s.More(); s.Next()) {
        if (s.IsSkippedFolder()) continue;
        list.push_back({base + s.Name(), s.Attributes()});
        if (s.IsDir() && !s.IsLink()) {
            // Each folder's entries follow it at once: walked right away.
            ListTreeIn(list.back().Path + L'\\', list);
        }
    }
}

bool StartsWithNoCase(const std::wstring& s, const std::wstring& prefix) {
    return s.size() >= prefix.size() &&
           CompareStringOrdinal(s.data(), static_cast<int>(prefix.size()), prefix.data(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

// The canonical full path of a narrow argument, or empty.
std::wstring FullWide(const std::string& path) { return CanonicalFolder(WidePath(path)); }

std::wstring ParentOf(const std::wstring& path) {
    const auto cut = path.find_last_of(L'\\');
    if (cut == std::wstring::npos) return {};
    // The parent of C:\file is the drive root C:\.
    return cut == 2 && path.size() > 1 && path[1] == L':' ? path.substr(0, 3) : path.substr(0, cut);
}

std::vector<std::string> Narrowed(const std::vector<std::wstring>& wide) {
    std::vector<std::string> out;
    out.reserve(wide.size());
    for (const auto& w : wide) out.push_back(fw::WideToAnsi(w));
    return out;
}

}  // namespace

TRemovalScope::TRemovalScope(const std::wstring& folder) : folder_(CanonicalFolder(folder)) {}

TRemovalScope::TRemovalScope(const std::string& folder) : TRemovalScope(WidePath(folder)) {}

bool TRemovalScope::Holds(const std::wstring& path) const {
    if (folder_.empty()) return false;
    const std::wstring p = WithoutExtendedPrefix(path);
    if (p.size() == folder_.size()) return SameWidePath(p, folder_);
    const std::wstring base = EntryBase(folder_);
    if (!StartsWithNoCase(p, base)) return false;
    // Below the folder: plain names only.
    std::size_t start = base.size();
    while (start <= p.size()) {
        std::size_t end = p.find(L'\\', start);
        if (end == std::wstring::npos) end = p.size();
        const std::wstring part = p.substr(start, end - start);
        if (part.empty() || part == L"." || part == L".." || part.find_first_of(L":*?/") != std::wstring::npos)
            return false;
        start = end + 1;
    }
    return true;
}

void RemoveFile(const TRemovalScope& scope, const std::wstring& path) {
    const DWORD attr = GetFileAttributesW(ExtendedPath(WithoutExtendedPrefix(path)).c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY) || !scope.Holds(path)) return;
    if (!DeleteScopedFile(scope, path, false)) RaiseError(11, Short(DisplayPath(path)));
}

void RemoveProductFile(const TRemovalScope& scope, const std::wstring& path) {
    const DWORD attr = GetFileAttributesW(ExtendedPath(WithoutExtendedPrefix(path)).c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY) || !scope.Holds(path)) return;
    if (!DeleteScopedFile(scope, path, true)) RaiseError(11, Short(DisplayPath(path)));
}

bool IsFolder(const std::wstring& path) {
    if (path.empty()) return false;
    const DWORD attr = GetFileAttributesW(ExtendedPath(WithoutExtendedPrefix(path)).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

int CountFiles(const std::wstring& folder) {
    // An empty name would count the current directory.
    if (folder.empty()) return 0;
    return CountIn(EntryBase(folder));
}

void ClearFolder(const TRemovalScope& scope, const std::wstring& folder) {
    if (!IsFolder(folder)) return;
    ClearIn(scope, EntryBase(folder), true);
}

void RemoveTree(const TRemovalScope& scope, const std::wstring& folder) {
    if (!IsFolder(folder) || !scope.Holds(folder)) return;
    ClearIn(scope, EntryBase(folder), false);
    // The folder itself goes by its path without the trailing backslash.
    std::wstring path = folder;
    if (!path.empty() && path.back() == L'\\') path.pop_back();
    if (IsFolder(path)) RemoveEmptyFolder(scope, path);
}

void ListFiles(const std::wstring& folder, const std::wstring& mask, bool recursive,
               std::vector<std::wstring>& list) {
    if (!IsFolder(folder)) return;
    const std::wstring pattern = mask.empty() ? std::wstring(L"*.*") : mask;
    Listing walk{pattern, pattern == L"*.*" || pattern == L"*", recursive, false, &list, nullptr};
    walk.Walk(EntryBase(folder), false);
}

void ListFilesStamped(const std::wstring& folder, std::vector<TFoundFile>& list, bool hidden) {
    if (!IsFolder(folder)) return;
    const std::wstring pattern = L"*";
    Listing walk{pattern, true, true, hidden, nullptr, &list};
    walk.Walk(EntryBase(folder), false);
}

void ListFolders(const std::wstring& folder, std::vector<std::wstring>& list, bool recursive) {
    if (folder.empty()) return;  // would list the current directory
    ListFoldersIn(EntryBase(folder), list, recursive);
}

void ListTree(const std::wstring& folder, std::vector<TTreeEntry>& list) {
    if (folder.empty()) return;  // would list the current directory
    ListTreeIn(EntryBase(folder), list);
}

bool ScheduleRemoval(const TRemovalScope& scope, const std::wstring& path) {
    if (!scope.Holds(path)) return false;
    const std::wstring name = ExtendedPath(WithoutExtendedPrefix(path));
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

// ---------------------------------------------------------------------------
// The narrow forms

void RemoveFile(const std::string& path) {
    const std::wstring full = FullWide(path);
    RemoveFile(TRemovalScope(ParentOf(full)), full);
}

void RemoveProductFile(const std::string& path) {
    const std::wstring full = FullWide(path);
    RemoveProductFile(TRemovalScope(ParentOf(full)), full);
}

bool IsFolder(const std::string& path) { return IsFolder(FullWide(path)); }

int CountFiles(const std::string& folder) { return folder.empty() ? 0 : CountFiles(FullWide(folder)); }

void ClearFolder(const std::string& folder) {
    const std::wstring full = FullWide(folder);
    ClearFolder(TRemovalScope(full), full);
}

void RemoveTree(const std::string& folder) {
    const std::wstring full = FullWide(folder);
    RemoveTree(TRemovalScope(full), full);
}

void ListFiles(const std::string& folder, const std::string& mask, bool recursive,
               std::vector<std::string>& list) {
    if (folder.empty()) return;
    std::vector<std::wstring> wide;
    ListFiles(FullWide(folder), WidePath(mask), recursive, wide);
    for (auto& p : Narrowed(wide)) list.push_back(std::move(p));
}

void ListFolders(const std::string& folder, std::vector<std::string>& list, bool recursive) {
    if (folder.empty()) return;
    std::vector<std::wstring> wide;
    ListFolders(FullWide(folder), wide, recursive);
    for (auto& p : Narrowed(wide)) list.push_back(std::move(p));
}

}  // namespace kx
