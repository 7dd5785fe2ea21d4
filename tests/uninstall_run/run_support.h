// Staged Lumadesk installations and whole runs of the real uninstall.exe:
// the product tree stamped like an installation, the uninstaller copied where
// a case wants it, shortcuts and folders staged in the user's real Start menu
// and desktop (and always taken away again), and a run driven through the
// window from the OK button to the last message.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/product.h"

namespace rt {

// Below HKEY_CURRENT_USER.
constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The current user's shell folder of that name (a value of kShellFolders),
// without a trailing backslash.
std::string ShellFolder(const std::string& name);

// A product tree: files written with the installation's stamp or the later
// one that marks the user's files.
class Product {
public:
    explicit Product(std::string root) : root_(std::move(root)) {}
    const std::string& Root() const { return root_; }
    std::string operator/(const std::string& rel) const { return root_ + "\\" + rel; }
    void File(const std::string& rel);      // the installation's
    void UserFile(const std::string& rel);  // changed by the user later
    // A copy of a fixture library under the product, stamped as installed.
    void Fixture(const std::string& fixtureFolder, const std::string& rel);

private:
    std::string root_;
};

// Copies the built uninstaller to Folder\uninstall.exe with the
// installation's stamp; its full path.
std::string PlaceUninstaller(const std::string& folder);

// Files and folders staged in the shared shell folders, removed on
// destruction whatever a test left of them.
class ShellItems {
public:
    ShellItems() = default;
    ~ShellItems();
    ShellItems(const ShellItems&) = delete;
    ShellItems& operator=(const ShellItems&) = delete;
    // A folder to stage things in (made now).
    std::string Folder(const std::string& path);
    // A shortcut; an empty string when the shell link object failed.
    std::string Link(const std::string& file, const std::string& target, const std::string& args = "");
    std::string Text(const std::string& file, const std::string& content = "x");

private:
    std::vector<std::string> folders_;
    std::vector<std::string> files_;
};

// What a run showed and how it ended.
struct RunResult {
    std::vector<ts::Dialog> startMessages;  // answered before the window showed
    bool windowShown = false;
    std::vector<ts::Dialog> endMessages;    // answered after OK, in order
    DWORD exitCode = STILL_ACTIVE;
    DWORD pid = 0;
    std::vector<std::string> EndTexts() const;
};

// Starts Exe with the argument text, answers the start-up's messages, calls
// BeforeOk with the main window (when given), presses OK, calls AfterOk
// (when given), then answers every message with OK until the program ends.
RunResult RunUninstaller(const std::string& exe, const std::string& argumentText,
                   const std::function<void(HWND)>& beforeOk = {},
                   const std::function<void(ts::Uninstaller&)>& afterOk = {});

// How an unattended run ended: its exit code, and whether the process
// showed any window at any moment.
struct QuietResult {
    DWORD exitCode = STILL_ACTIVE;
    bool windowSeen = false;
    DWORD pid = 0;
};
// Starts Exe with the command-line tail and watches it until it ends.
QuietResult RunQuiet(const std::string& exe, const std::string& commandTail);

// The copies that the uninstaller of process Pid made of itself, each in a
// folder of its own in the temporary folder, to remove itself; full paths.
std::vector<std::string> SelfRemovalCopies(DWORD pid);
// Whether a process runs from a file of that name (no folder), compared
// without regard to case.
bool ProcessRunning(const std::string& exeName);

// The platform's list of what to delete or rename at the next restart (the
// Session Manager's value PendingFileRenameOperations), put back on
// destruction as it was on construction.
class PendingRemovals {
public:
    PendingRemovals();
    ~PendingRemovals();
    PendingRemovals(const PendingRemovals&) = delete;
    PendingRemovals& operator=(const PendingRemovals&) = delete;
    // The paths now listed for deletion (source "\??\" + path, no target).
    std::vector<std::string> Deletions() const;

private:
    bool existed_ = false;
    DWORD type_ = 0;
    std::vector<BYTE> before_;
};

// The Session Manager key made read-only for everybody (so that no restart
// removal can be recorded), its own access rules put back on destruction.
class RefusedPendingRemovals {
public:
    RefusedPendingRemovals();
    ~RefusedPendingRemovals();
    RefusedPendingRemovals(const RefusedPendingRemovals&) = delete;
    RefusedPendingRemovals& operator=(const RefusedPendingRemovals&) = delete;
    bool Refused() const { return refused_; }

private:
    std::vector<BYTE> dacl_;  // the key's own security descriptor (its DACL)
    bool refused_ = false;
};

// The lines of a text file (line ends removed); empty when it is missing.
std::vector<std::string> Lines(const std::string& path);

// The names in a folder, "." and ".." left out, sorted.
std::vector<std::string> Entries(const std::string& folder);

}  // namespace rt
