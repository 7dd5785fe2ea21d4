// The uninstaller removes itself.  Installations keep uninstall.exe in the
// product folder, where a running program cannot delete its own file: after
// a completed run that left nothing in the product folder but the running
// uninstaller (and its trace file), a copy of the program in the temporary
// folder waits for this process to end, then deletes exactly that file and
// the trace file, and the then empty folders from the uninstaller's folder up
// to and including the product folder.  The copy schedules its own deletion
// for the next restart, the one thing it cannot do while it runs.
#pragma once

#include <string>
#include <vector>

namespace uninst {

// The first argument that makes the program the waiting copy.
inline constexpr char kSelfRemovalSwitch[] = "/~removeuninstaller";

// The product folder's tree holds nothing but the folders on the way to
// Program, Program itself and, when TraceFile is not empty, TraceFile in
// Program's folder: no other file or folder, hidden ones included, and no
// link.  False when Program does not lie inside the product folder.
bool OnlyUninstallerLeft(const std::string& productPath, const std::string& program,
                         const std::string& traceFile);

// Starts the waiting copy for this process, the uninstaller Program in the
// product folder and the trace file (or empty); false when it could not be
// started (nothing is then removed).
bool StartSelfRemoval(const std::string& productPath, const std::string& program,
                      const std::string& traceFile);

// The waiting copy's whole work, given the arguments after the switch: the
// handle of the process to wait for, the uninstaller, the product folder and
// the trace file (may be empty).  Returns the exit code: 0 when everything
// named went, 1 otherwise.
int RunSelfRemoval(const std::vector<std::string>& args);

}  // namespace uninst
