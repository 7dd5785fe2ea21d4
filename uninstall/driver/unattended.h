// The unattended run (/quiet): the same start-up, checks and six stages as
// the window's run, without any window or message box; what the window
// would show goes to the trace (the log that /log names).
#pragma once

#include <string>

#include "uninstall/driver/startup.h"

namespace uninst {

// Runs the uninstaller on the command line's argument and returns the exit
// code: 0 completed, 3010 completed with files left for the restart, 1603
// for a refusal or an error.  Without /deleteuserfiles a local product folder
// whose files cannot be told apart (no installation stamp), or a folder on a
// network share, is refused: nothing is removed.  Job receives what the
// start-up read.
unsigned long RunUnattended(const TSwitches& switches, TUninstallJob& job);

}  // namespace uninst
