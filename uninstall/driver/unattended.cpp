#include "uninstall/driver/unattended.h"

#include <exception>

#include "uninstall/driver/removal.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/files.h"
#include "uninstall/kxlib/paths.h"
#include "uninstall/kxlib/trace.h"

namespace uninst {

unsigned long RunUnattended(const TSwitches& switches, TUninstallJob& job) {
    // The start-up, with the window's checks and refusals.  In quiet mode
    // the fatal stop writes its message to the trace and raises instead of
    // showing it; any other error is turned into the fatal stop, as the
    // window's start-up does.
    try {
        try {
            if (!switches.HasArgument) kx::RaiseFatal(41, "");
            ReadProduct(switches.Argument, job);
            ChooseLanguage(job, nullptr);
            FindUserFiles(job);
        } catch (const kx::EOrvantaError&) {
            throw;  // the fatal stop's own: already in the trace
        } catch (const std::exception& e) {
            StopWith(e);
        }
    } catch (const std::exception&) {
        return kExitFailed;
    }

    // The window would warn that everything goes when it cannot tell the
    // user's files from the installation's; nobody sees a warning here, so
    // the user's files are kept by removing nothing.
    if (!switches.DeleteUserFiles && kx::IsFolder(job.ProductRoot) &&
        (!job.StampKnown || !kx::IsLocalPath(job.ProductPath))) {
        kx::TraceStamp("Error: " + kx::BuildMessage(41, job.ProductPath, ".", false) +
                       " The user's files cannot be told from the product's there (" +
                       (kx::IsLocalPath(job.ProductPath) ? "no help file gives the installation's date"
                                                         : "the folder is not local") +
                       "); nothing was removed.  /deleteuserfiles removes the whole folder.");
        return kExitFailed;
    }

    TRemoval removal(job, switches.DeleteUserFiles);
    try {
        removal.Run();
    } catch (const std::exception& e) {
        kx::Trace("Error: " + kx::EnsureEnding(kx::Short(e.what()), "."));
    }
    // The message the window would show on closing.
    switch (removal.State()) {
        case RunState::Completed:
            kx::Trace(MessageTexts[2]);
            return kExitCompleted;
        case RunState::RestartNeeded:
            // Removed as far as a running system allows; the restart removes the rest.
            kx::Trace(MessageTexts[6]);
            return kExitRestartRequired;
        case RunState::ServerInUse:
            kx::Trace(MessageTexts[5]);
            return kExitFailed;
        case RunState::NotStarted:
        case RunState::Failed:
        case RunState::FilesLeft:
            break;
    }
    kx::Trace(MessageTexts[3]);
    return kExitFailed;
}

}  // namespace uninst
