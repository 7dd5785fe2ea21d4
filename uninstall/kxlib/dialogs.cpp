// The message boxes (CustomMsg, ShowError, ShowInformation, ShowWarning) and
// the fatal stop RaiseFatal.
#include <windows.h>

#include "framework/ui/application.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/library.h"
#include "uninstall/kxlib/trace.h"

namespace kx {

bool QuietMode = false;

int CustomMsg(const std::string& text, std::uint16_t style) {
    if (QuietMode) RaiseLogged(2, "CustomMsg");
    return fw::Application.MessageBox(text, Short(fw::Application.Title()), style);
}

void ShowError(std::int32_t code, const std::string& context) {
    if (QuietMode) {
        WriteErrorLog("Error: " + BuildMessage(code, context, ".", true), true);
    } else {
        CustomMsg(BuildMessage(code, context, ".", ShowErrorCode), MB_OK | MB_ICONERROR);
    }
}

void ShowInformation(std::int32_t code, const std::string& context) {
    if (!QuietMode)
        CustomMsg(BuildMessage(code, context, ".", false), MB_OK | MB_ICONINFORMATION);
}

bool ShowWarning(std::int32_t code, const std::string& context, bool withCancel) {
    if (QuietMode) return true;
    const std::uint16_t style = MB_ICONWARNING | (withCancel ? MB_OKCANCEL : MB_OK);
    return CustomMsg(BuildMessage(code, context, ".", false), style) == IDOK;
}

void RaiseFatal(std::int32_t code, const std::string& context) {
    TraceStamp("RaiseFatal !!! " + BuildMessage(code, context, ".", true));
    if (QuietMode) RaiseLogged(code, context);
    // Paint what is pending, and take away a busy cursor the caller set.
    fw::Application.ProcessMessages();
    fw::Screen.SetCursor(fw::crDefault);
    if constexpr (HaltOnFatal) {
        CustomMsg(BuildMessage(code, context, ".", ShowErrorCode), MB_OK | MB_ICONERROR);
        LibraryShutdown();
        // Ends the process here: no unwinding, no atexit handlers or static
        // destructors, nothing of the caller.
        ExitProcess(FatalExitCode);
    } else {
        ShowWarning(code, context, false);
    }
}

}  // namespace kx
