#include "uninstall/driver/removal.h"

#include <exception>
#include <set>
#include <vector>

#include "framework/registry.h"
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

// The same existing file, however the two paths spell it.  Paths too long
// for the narrow functions are compared as they are.
bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    if (a.size() > kx::kShortMax || b.size() > kx::kShortMax) return fw::SameText(a, b);
    return fw::SameText(FullFolderPath(a), FullFolderPath(b));
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
    : job_(job), deleteUserFiles_(deleteUserFiles) {}

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
    CleanupIconFolder(kx::GetShellFolderDir("Desktop"), false);
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
    // Only the product's own servers are unregistered and deleted: a shared
    // server elsewhere serves other programs too.  A bare file name is the
    // one in the program's own folder (the current directory).
    std::string file = entry;
    if (entry.find('\\') == std::string::npos) {
        file = kx::AddTrailingBackslash(CurrentFolder()) + entry;
        if (!FileExists(file)) return;
    }
    if (!kx::PathIsUnder(job_.ProductPath, file)) return;
    kx::RegisterOcx(file, false);
    try {
        kx::RemoveFile(file);
    } catch (...) {
        state_ = RunState::ServerInUse;
        throw;
    }
}

void TRemoval::CleanUpFiles() {
    kx::Trace("CleanUpFiles");
    try {
        if (deleteUserFiles_ || job_.UserFiles.empty()) {
            kx::RemoveTree(job_.ProductPath);
            return;
        }
        // The uninstaller itself cannot be deleted while it runs: it is passed
        // over.  Any other file that cannot be deleted (in use) is traced and
        // the stage goes on with the others; the outcome tells what is left.
        for (const auto& file : job_.ProductFiles) {
            if (SameFile(file, kx::ProgramPath)) continue;
            try {
                kx::RemoveProductFile(file);
            } catch (const fw::Exception& e) {
                kx::Trace("Error: " + e.Message());
            }
        }
        std::vector<std::string> folders;
        kx::ListFolders(job_.ProductPath, folders, true);
        for (int i = static_cast<int>(folders.size()) - 1; i >= 0; --i) {
            try {
                if (kx::CountFiles(folders[i]) == 0) kx::RemoveTree(folders[i]);
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
    if (job_.ProductPath.empty() || !kx::IsFolder(job_.ProductPath)) return files;
    std::string root = job_.ProductPath;
    if (root.back() == '\\') root.pop_back();
    std::vector<kx::TTreeEntry> tree;
    kx::ListTree(root, tree);

    // Kept on purpose: with the user's files kept, those files and the hidden
    // entries the window never listed (with whatever lies in hidden folders);
    // always the running uninstaller and the trace file.  The folders that
    // hold any of these stay as well.
    const bool keepUserFiles = !(deleteUserFiles_ || job_.UserFiles.empty());
    std::set<std::string> userFiles, holding;
    for (const auto& f : job_.UserFiles) userFiles.insert(fw::UpperCase(f));
    std::vector<std::string> hiddenFolders;  // upper-cased, with a trailing backslash
    auto inHiddenFolder = [&](const std::string& upper) {
        for (const auto& h : hiddenFolders)
            if (upper.compare(0, h.size(), h) == 0) return true;
        return false;
    };
    for (const auto& entry : tree) {
        const std::string upper = fw::UpperCase(entry.Path);
        bool kept = false;
        if (keepUserFiles && (entry.IsHidden() || inHiddenFolder(upper))) {
            kept = true;
            if (entry.IsFolder()) hiddenFolders.push_back(upper + '\\');
        } else if (!entry.IsFolder()) {
            kept = (keepUserFiles && userFiles.count(upper)) || SameFile(entry.Path, kx::ProgramPath) ||
                   SameFile(entry.Path, kx::TraceFileName);
        }
        if (!kept) {
            (entry.IsFolder() ? folders : files).push_back(entry);
            continue;
        }
        for (std::string p = entry.Path; p.size() > root.size();) {
            p.resize(p.rfind('\\'));
            holding.insert(fw::UpperCase(p));
        }
    }
    // Files first, then the folders deepest first: the tree lists each folder
    // before its entries, so backwards each comes after its own sub-folders,
    // and the product folder after them all.
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        if (!holding.count(fw::UpperCase(it->Path))) files.push_back(*it);
    if (!holding.count(fw::UpperCase(root)))
        files.push_back({root, kx::PathAttributes(root)});
    return files;
}

bool TRemoval::ScheduleLeftovers(const std::vector<kx::TTreeEntry>& left) {
    bool all = true;
    for (const auto& entry : left) {
        kx::Trace("Left: " + entry.Path);
        // A link is never handed to the removal at restart, which might reach
        // what it points to: it stays, and the product with it.
        if (entry.IsLink() || !kx::ScheduleRemoval(entry.Path)) {
            kx::Trace("Error: Not scheduled for removal at restart : " + entry.Path);
            all = false;
        }
    }
    return all;
}

void TRemoval::CleanupRegistry(HKEY root) {
    if (job_.ConfigKey.empty()) return;
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

bool TRemoval::MayRemoveShortcutFolder(const std::string& folder) const {
    // Never a folder the user's shell knows by name (StartUp, say).
    std::string full = FullFolderPath(folder);
    for (const auto& p : ProtectedFolders()) {
        std::string a = fw::UpperCase(p) + "\\", b = fw::UpperCase(full) + "\\";
        if (a.compare(0, b.size(), b) == 0) return false;
    }
    // And only when nothing is left that may be someone else's.
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((kx::AddTrailingBackslash(folder) + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool onlyShellFiles = true;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        bool shellFile = !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         (fw::SameText(name, "desktop.ini") || fw::SameText(name, "Thumbs.db"));
        if (!shellFile) onlyShellFiles = false;
    } while (onlyShellFiles && FindNextFileA(h, &fd));
    FindClose(h);
    return onlyShellFiles;
}

void TRemoval::CleanupStartMenu() {
    // The shortcuts right in the programs folder (which itself stays), then
    // each sub-folder with the sub-folders one level deeper (a vendor folder
    // with one folder per product): a deeper folder goes under the same
    // conditions as a first-level one, and its parent when that has then
    // become empty in the same sense.
    const std::string programs = kx::GetShellFolderDir("Programs");
    CleanupIconFolder(programs, false);
    std::vector<std::string> shortcutFolders;
    kx::ListFolders(programs, shortcutFolders, false);
    for (const auto& folder : shortcutFolders) {
        if (CleanupIconFolder(folder, true)) continue;
        std::vector<std::string> nested;
        kx::ListFolders(folder, nested, false);
        bool emptied = false;
        for (const auto& inner : nested) emptied = CleanupIconFolder(inner, true) || emptied;
        if (emptied && MayRemoveShortcutFolder(folder)) kx::RemoveTree(folder);
    }
}

bool TRemoval::CleanupIconFolder(const std::string& folder, bool removeWhenEmpty) {
    kx::Trace("CleanupIconFolder: " + folder);
    try {
        std::vector<std::string> links;
        kx::ListFiles(folder, "*.lnk", false, links);
        if (links.empty()) return false;
        for (int i = static_cast<int>(links.size()) - 1; i >= 0; --i) {
            std::string target, arguments;
            kx::ResolveShortcut(links[i], target, arguments, 255, 255);
            if (IsProductShortcut(target, arguments)) {
                kx::RemoveFile(links[i]);
                links.erase(links.begin() + i);
            }
        }
        if (links.empty() && removeWhenEmpty && MayRemoveShortcutFolder(folder)) {
            kx::RemoveTree(folder);
            return !kx::IsFolder(folder);
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
        return fw::SameText(FullFolderPath(path), FullFolderPath(job_.ProductPath));
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace uninst
