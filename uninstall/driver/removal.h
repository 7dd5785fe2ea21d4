// The removal run, apart from the window: the six stages (the product's
// ActiveX servers, the files, the configuration keys, the Start-menu
// shortcuts, the desktop shortcuts, the uninstall entry) and the state that
// tells how the run ended.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "uninstall/driver/startup.h"
#include "uninstall/kxlib/files.h"

namespace uninst {

// How far the run came.
enum class RunState {
    NotStarted,   // the run has not begun (the user may still cancel)
    Failed,       // a stage raised an error
    ServerInUse,  // a server could not be deleted: the product is still installed
    Completed,    // every stage ran
    // Every stage ran; what is left of the product's files is scheduled for
    // removal when the computer restarts.
    RestartNeeded,
    // Every stage ran, but files of the product are left that could not be
    // scheduled for removal: the uninstall entry stays, so that the product
    // stays listed and the removal can be retried.
    FilesLeft,
};

// The program's exit codes, in the Windows Installer's terms.
constexpr DWORD kExitCompleted = 0;
constexpr DWORD kExitCancelled = 1602;
constexpr DWORD kExitFailed = 1603;
constexpr DWORD kExitRestartRequired = 3010;

class TRemoval {
public:
    // DeleteUserFiles: the user's files go too (the whole product folder).
    TRemoval(const TUninstallJob& job, bool deleteUserFiles);

    // Runs the six stages; an error that ends a stage early propagates, with
    // State telling what it means.
    void Run();
    RunState State() const { return state_; }

private:
    void UnregisterServerFile(const std::string& entry);
    void CleanUpFiles();
    std::vector<kx::TTreeEntry> FindLeftovers() const;
    bool ScheduleLeftovers(const std::vector<kx::TTreeEntry>& left);
    void CleanupRegistry(HKEY root);
    void CleanupStartMenu();
    bool CleanupIconFolder(const std::wstring& folder, const std::string& shown, bool removeWhenEmpty);
    bool IsProductShortcut(const std::string& target, const std::string& arguments) const;
    bool MayRemoveShortcutFolder(const std::wstring& folder) const;
    bool MayDeleteFixedEntry() const;
    // The user's files are kept: only the files known at start-up to be the
    // installation's go, and the folders that are left empty.
    bool KeepsUserFiles() const;
    // The running uninstaller or its trace file.
    bool IsOwnFile(const std::wstring& path) const;

    const TUninstallJob& job_;
    const bool deleteUserFiles_;
    // Everything the file stages delete or schedule lies in the product folder.
    const kx::TRemovalScope product_;
    const std::wstring program_, traceFile_;  // canonical
    RunState state_ = RunState::NotStarted;
};

}  // namespace uninst
