#include "uninstall/driver/removal.h"

#include <exception>
#include <set>
#include <vector>

#include "framework/base/handles.h"
#include "framework/base/registry.h"
#include "uninstall/driver/safety.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/files.h"
#include "uninstall/kxlib/paths.h"
#include "uninstall/kxlib/registry.h"
#include "uninstall/kxlib/servers.h"
#include "uninstall/kxlib/shell.h"
#include "uninstall/kxlib/text.h"
#include "uninstall/kxlib/trace.h"

namespace uninst {

namespace {

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// A text with one pair of enclosing double quotes removed.
std::string Unquoted(const std::string& s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
    return s;
}

// An absolute local (X:\...) or network (\\...) path.
bool IsAbsolutePath(const std::string& s) {
    if (s.size() >= 3 && s[1] == ':' && s[2] == '\\') {
        char c = s[0];
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    }
    return s.size() >= 3 && s[0] == '\\' && s[1] == '\\';
}

// The canonical path of a file the narrow functions name, or empty.
std::wstring Canonical(const std::string& path) {
    return path.empty() ? std::wstring() : kx::CanonicalFolder(kx::WidePath(path));
}

// Whether the key holds a value of its own (the default value included).
bool HasValues(HKEY key) {
    DWORD values = 0;
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                            nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
           values > 0;
}

std::string CurrentFolder() {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

}  // namespace

TRemoval::TRemoval(const TUninstallJob& job, bool deleteUserFiles)
    : job_(job),
      deleteUserFiles_(deleteUserFiles),
      product_(job.ProductRoot),
      program_(Canonical(kx::ProgramPath)),
      traceFile_(Canonical(kx::TraceFileName)) {}

bool TRemoval::KeepsUserFiles() const {
    return !deleteUserFiles_ && !(job_.UserFiles.empty() && job_.HiddenUserFiles.empty());
}

bool TRemoval::IsOwnFile(const std::wstring& path) const {
    return (!program_.empty() && kx::SameWidePath(path, program_)) ||
           (!traceFile_.empty() && kx::SameWidePath(path, traceFile_));
}

void TRemoval::Run() {
    state_ = RunState::Failed;
    // The product's own ActiveX servers are unregistered and deleted first.
    for (const auto& entry : job_.UnregisterList) UnregisterServerFile(entry);
    CleanUpFiles();
    // What the file stage could not delete goes at the next restart; what
    // cannot even be scheduled keeps the product listed.
    const std::vector<kx::TTreeEntry> left = FindLeftovers();
    const bool scheduled = ScheduleLeftovers(left);
    // The configuration keys, for the machine and for the user.
    CleanupRegistry(HKEY_LOCAL_MACHINE);
    CleanupRegistry(HKEY_CURRENT_USER);
    CleanupStartMenu();
    // The product's shortcuts on the desktop.
    const std::string desktop = kx::GetShellFolderDir("Desktop");
    CleanupIconFolder(Canonical(desktop), desktop, false);
    if (!scheduled) {
        state_ = RunState::FilesLeft;
        return;
    }
    // The uninstall entry last: while anything is left, the user can run
    // the uninstaller again from it.
    if (!job_.FromConfigLocation || MayDeleteFixedEntry()) {
        fw::TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        registry.DeleteKey(job_.UninstallKey);
    }
    state_ = left.empty() ? RunState::Completed : RunState::RestartNeeded;
    kx::Trace("Completed");
}

void TRemoval::UnregisterServerFile(const std::string& entry) {
    kx::Trace("Unregister: " + entry);
    if (kx::IndexOfText(kx::FileExtension(entry), {".ocx", ".dll"}) < 0) return;
    // A longer entry would be judged on its cut text below: refused.
    if (entry.size() > kx::kShortMax) {
        kx::Trace("Error: " + kx::BuildMessage(41, kx::Short(entry), ".", false));
        return;
    }
    // Only the product's own servers are unregistered and deleted: a shared
    // server elsewhere serves other programs too.  A bare file name is the
    // one in the program's own folder (the current directory).
    std::string file = entry;
    if (entry.find('\\') == std::string::npos) {
        file = kx::AddTrailingBackslash(CurrentFolder()) + entry;
        if (!FileExists(file)) return;
    }
    // Judged and acted on in one spelling: the full path, inside the
    // product folder, that the narrow functions reach as it is.
    const std::wstring full = Canonical(file);
    if (full.empty() || !product_.Holds(full)) return;
    const std::string narrow = kx::DisplayPath(full);
    if (kx::WidePath(narrow) != full) return;
    kx::RegisterOcx(narrow, false);
    try {
        kx::RemoveFile(product_, full);
    } catch (...) {
        state_ = RunState::ServerInUse;
        throw;
    }
}

void TRemoval::CleanUpFiles() {
    kx::Trace("CleanUpFiles");
    try {
        if (!KeepsUserFiles()) {
            kx::RemoveTree(product_, product_.Folder());
            return;
        }
        // The uninstaller itself cannot be deleted while it runs: it is passed
        // over.  Any other file that cannot be deleted (in use) is traced and
        // the stage goes on with the others; the outcome tells what is left.
        for (const auto& file : job_.ProductFiles) {
            if (IsOwnFile(file)) continue;
            try {
                kx::RemoveProductFile(product_, file);
            } catch (const fw::Exception& e) {
                kx::Trace("Error: " + e.Message());
            }
        }
        std::vector<std::wstring> folders;
        kx::ListFolders(product_.Folder(), folders, true);
        for (int i = static_cast<int>(folders.size()) - 1; i >= 0; --i) {
            try {
                if (kx::CountFiles(folders[i]) == 0) kx::RemoveTree(product_, folders[i]);
            } catch (const std::exception&) {
                // A folder that cannot go stays.
            }
        }
    } catch (const fw::Exception& e) {
        kx::Trace("Error: " + e.Message());
    }
}

std::vector<kx::TTreeEntry> TRemoval::FindLeftovers() const {
    std::vector<kx::TTreeEntry> files, folders;
    const std::wstring& root = product_.Folder();
    if (root.empty() || !kx::IsFolder(root)) return files;
    std::vector<kx::TTreeEntry> tree;
    kx::ListTree(root, tree);

    // What stays on purpose: the running uninstaller and its trace file; a
    // link, which is never followed (it goes with the tree where it can be
    // proven to be the link that is deleted, else it stays); and while the
    // user's files are kept, every file that is not known from the start-up
    // to be the installation's (the user's, and whatever appeared since).
    // The folders that hold any of these stay as well.
    const bool keep = KeepsUserFiles();
    std::set<std::wstring> known, users, holding;
    for (const auto& f : job_.ProductFiles) known.insert(kx::FoldedPath(f));
    for (const auto* list : {&job_.UserFiles, &job_.HiddenUserFiles})
        for (const auto& f : *list) users.insert(kx::FoldedPath(f));
    for (const auto& entry : tree) {
        const std::wstring folded = kx::FoldedPath(entry.Path);
        bool kept = false;
        if (entry.IsLink()) {
            kept = true;
            kx::Trace("Kept link: " + kx::DisplayPath(entry.Path));
        } else if (!entry.IsFolder()) {
            kept = IsOwnFile(entry.Path) || (keep && !known.count(folded));
            if (keep && !known.count(folded) && !users.count(folded) && !IsOwnFile(entry.Path))
                kx::Trace("Kept: " + kx::DisplayPath(entry.Path));
        }
        if (!kept) {
            (entry.IsFolder() ? folders : files).push_back(entry);
            continue;
        }
        for (std::wstring p = entry.Path; p.size() > root.size();) {
            p.resize(p.rfind(L'\\'));
            holding.insert(kx::FoldedPath(p));
        }
    }
    // Files first, then the folders deepest first: the tree lists each folder
    // before its entries, so backwards each comes after its own sub-folders,
    // and the product folder after them all.
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        if (!holding.count(kx::FoldedPath(it->Path))) files.push_back(*it);
    if (!holding.count(kx::FoldedPath(root)))
        files.push_back({root, GetFileAttributesW(kx::ExtendedPath(root).c_str())});
    return files;
}

bool TRemoval::ScheduleLeftovers(const std::vector<kx::TTreeEntry>& left) {
    bool all = true;
    for (const auto& entry : left) {
        const std::string shown = kx::DisplayPath(entry.Path);
        kx::Trace("Left: " + shown);
        if (!kx::ScheduleRemoval(product_, entry.Path)) {
            kx::Trace("Error: Not scheduled for removal at restart : " + shown);
            all = false;
        }
    }
    return all;
}

void TRemoval::CleanupRegistry(HKEY root) {
    // A configuration file is no key: nothing of the registry to remove.
    if (job_.ConfigKey.empty() || job_.ConfigIsFile) return;
    kx::Trace("CleanupRegistry");
    try {
        kx::KxDeleteKey(root, job_.ConfigKey);
        std::string key = kx::DropTrailingBackslash(job_.ConfigKey);
        int p = kx::LastCharPos('\\', key);
        if (p > 0) {
            std::string parent = key.substr(0, static_cast<std::size_t>(p - 1));
            fw::TRegistry registry;
            registry.SetRootKey(root);
            // The vendor's key may hold another product's settings: it goes
            // only when nothing at all is left in it, neither keys nor values.
            if (registry.OpenKey(parent, false) && !registry.HasSubKeys() && !HasValues(registry.CurrentKey())) {
                registry.CloseKey();
                kx::KxDeleteKey(root, parent);
            }
        }
    } catch (const fw::Exception& e) {
        kx::Trace("Error: " + e.Message());
    }
}

bool TRemoval::IsProductShortcut(const std::string& target, const std::string& arguments) const {
    if (kx::PathIsUnder(job_.ProductPath, target)) return true;
    // An argument text counts only as an absolute path into the product
    // folder: a relative one (--profile=Default) says nothing of the product.
    std::string argument = Unquoted(arguments);
    if (IsAbsolutePath(argument) && kx::PathIsUnder(job_.ProductPath, argument)) return true;
    // The uninstaller itself may serve several installations: a shortcut to
    // it is this installation's when it names no entry or this run's.
    if (fw::UpperCase(target) == fw::UpperCase(kx::ProgramPath))
        return argument.empty() || fw::SameText(argument, job_.Argument);
    return false;
}

bool TRemoval::MayRemoveShortcutFolder(const std::wstring& folder) const {
    // Never a folder the user's shell knows by name (StartUp, say).
    const std::string full = fw::UpperCase(fw::WideToAnsi(folder)) + "\\";
    for (const auto& p : ProtectedFolders()) {
        const std::string a = fw::UpperCase(p) + "\\";
        if (a.compare(0, full.size(), full) == 0) return false;
    }
    // And only when nothing is left that may be someone else's.
    WIN32_FIND_DATAW fd;
    fw::UniqueFind find(FindFirstFileW(kx::ExtendedPath(folder + L"\\*").c_str(), &fd));
    if (!find) return false;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool shellFile = !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                               (kx::SameWidePath(name, L"desktop.ini") || kx::SameWidePath(name, L"Thumbs.db"));
        if (!shellFile) return false;
    } while (FindNextFileW(find.get(), &fd));
    return true;
}

void TRemoval::CleanupStartMenu() {
    // The shortcuts right in the programs folder (which itself stays), then
    // each sub-folder with the sub-folders one level deeper (a vendor folder
    // with one folder per product): a deeper folder goes under the same
    // conditions as a first-level one, and its parent when that has then
    // become empty in the same sense.
    const std::string programs = kx::GetShellFolderDir("Programs");
    const std::wstring root = Canonical(programs);
    const kx::TRemovalScope scope(root);
    CleanupIconFolder(root, programs, false);
    std::vector<std::wstring> shortcutFolders;
    kx::ListFolders(root, shortcutFolders, false);
    for (const auto& folder : shortcutFolders) {
        if (CleanupIconFolder(folder, kx::DisplayPath(folder), true)) continue;
        std::vector<std::wstring> nested;
        kx::ListFolders(folder, nested, false);
        bool emptied = false;
        for (const auto& inner : nested)
            emptied = CleanupIconFolder(inner, kx::DisplayPath(inner), true) || emptied;
        if (emptied && MayRemoveShortcutFolder(folder)) kx::RemoveTree(scope, folder);
    }
}

bool TRemoval::CleanupIconFolder(const std::wstring& folder, const std::string& shown, bool removeWhenEmpty) {
    kx::Trace("CleanupIconFolder: " + shown);
    try {
        // Deletions stay inside the folder whose shortcuts are examined.
        const kx::TRemovalScope scope(folder);
        std::vector<std::wstring> links;
        kx::ListFiles(scope.Folder(), L"*.lnk", false, links);
        if (links.empty()) return false;
        for (int i = static_cast<int>(links.size()) - 1; i >= 0; --i) {
            std::string target, arguments;
            kx::ResolveShortcut(links[i], target, arguments, 255, 255);
            if (IsProductShortcut(target, arguments)) {
                kx::RemoveFile(scope, links[i]);
                links.erase(links.begin() + i);
            }
        }
        if (links.empty() && removeWhenEmpty && MayRemoveShortcutFolder(scope.Folder())) {
            kx::RemoveTree(scope, scope.Folder());
            return !kx::IsFolder(scope.Folder());
        }
    } catch (const fw::Exception& e) {
        kx::Trace("Error: " + e.Message());
    }
    return false;
}

bool TRemoval::MayDeleteFixedEntry() const {
    // The fixed entry may belong to another installation of the product: it
    // goes only when it names no folder or this product's folder.
    try {
        fw::TRegistry registry(KEY_READ);
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!registry.OpenKeyReadOnly(job_.UninstallKey)) return false;
        if (!registry.ValueExists("Path")) return true;
        std::string path = registry.ReadString("Path");
        if (path.empty()) return true;
        return kx::SameWidePath(Canonical(path), job_.ProductRoot);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace uninst
