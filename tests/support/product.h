// Staging of Lumadesk installations for the uninstaller's end-to-end tests
// and the demo: product files stamped like an installation, uninstall
// entries, the built uninstaller and test libraries, and a running
// uninstall.exe with its window.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/staging.h"
#include "tests/support/winauto.h"

namespace ts {

// Below HKEY_LOCAL_MACHINE.
constexpr char kUninstallRoot[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The build folder (with a trailing backslash), found from this program's
// place in it: <build>\tests\<area>\<program>.exe or <build>\<...>.
std::string BuildFolder();
// <build>\uninstall\driver\uninstall.exe
std::string BuiltUninstaller();
// <build>\tests\fixtures\<folder>\<file>
std::string FixtureFile(const std::string& folder, const std::string& file);

// The time an installation stamps on its files, and a later one for files
// the user changed (local time).
SYSTEMTIME InstallStamp();
SYSTEMTIME LaterStamp();
// Writes a file and gives it the stamp.
bool WriteStampedFile(const std::string& path, const SYSTEMTIME& stamp,
                      const std::string& content = "content");
bool CopyFileTo(const std::string& from, const std::string& to);  // folders made

using Values = std::vector<std::pair<std::string, std::string>>;
// An uninstall entry below kUninstallRoot with text values.
bool StageUninstallEntry(const std::string& name, const Values& values);
void RemoveUninstallEntry(const std::string& name);
bool UninstallEntryExists(const std::string& name);

// uninstall.exe started with a command-line tail (the argument, quoted as
// the caller wants), from the working folder given.
class Uninstaller {
public:
    Uninstaller(const std::string& exe, const std::string& argumentText, const std::string& cwd = "");
    ChildProcess& Process() { return process_; }
    // The main window (class TMainForm), or null after the timeout.
    HWND Window(DWORD timeoutMs = 20000);
    // The next message box of the process, read once it has its buttons.
    Dialog NextDialog(DWORD timeoutMs = 20000);
    // Presses a button of the main window by its text ('&' markers removed).
    bool Press(const std::string& buttonText);
    // Exit code read on the Windows side; STILL_ACTIVE after the timeout.
    DWORD ExitCode(DWORD timeoutMs = 30000) { return process_.Wait(timeoutMs); }

private:
    ChildProcess process_;
    HWND window_ = nullptr;
};

// Outer size of a window.
SIZE WindowSize(HWND hwnd);
// Children of a window whose class is Cls, in window order.
std::vector<Control> ChildrenOfClass(HWND parent, const std::string& cls);

}  // namespace ts
