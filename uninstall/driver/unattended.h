// The unattended run (/quiet): the same start-up, checks and six stages as
// the window's run, without any window or message box; what the window
// would show goes to the trace (the log that /log names).
#pragma once

#include <string>

#include "uninstall/driver/startup.h"

namespace uninst {

// Runs the uninstaller on the argument as given and returns the exit code:
// 0 completed, 1603 for a refusal or an error.  Job receives what the
// start-up read.
unsigned long RunUnattended(const std::string& asGiven, const TSwitches& switches, TUninstallJob& job);

}  // namespace uninst
