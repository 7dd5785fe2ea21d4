// The program body of uninstall.exe: the library's start-up, the switches,
// then the main window and its message loop or the unattended run, the
// library's shut-down and, after a run that left nothing else of the
// product, the removal of the uninstaller itself; the exit status tells
// whoever started the uninstaller how it ended.
#include <windows.h>

#include <exception>
#include <string>
#include <vector>

#include "framework/ui/application.h"
#include "framework/ui/forms.h"
#include "uninstall/driver/Main.h"
#include "uninstall/driver/selfremoval.h"
#include "uninstall/driver/unattended.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/library.h"
#include "uninstall/kxlib/trace.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Libraries loaded by name come from the program's folder and the system
    // folder only, never from the current directory or the PATH.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    std::vector<std::string> args(__argv + 1, __argv + __argc);
    // The copy that removes the uninstaller after the run: nothing else.
    if (!args.empty() && args[0] == uninst::kSelfRemovalSwitch)
        return uninst::RunSelfRemoval({args.begin() + 1, args.end()});

    kx::LibraryStartup();
    fw::Application.Initialize();
    fw::Application.SetTitle("Orvanta UnInstall");

    // The switches, wherever they stand, and the one argument, read before
    // anything else is read or touched.
    using uninst::Switches;
    Switches = uninst::ReadSwitches(args);
    kx::QuietMode = Switches.Quiet;
    if (!Switches.LogFile.empty()) kx::OpenTraceFile(Switches.LogFile);
    if (!Switches.Refused.empty()) {
        if (Switches.Quiet)
            kx::TraceStamp("Error: " + kx::BuildMessage(41, Switches.Refused, ".", false));
        else
            kx::ShowError(41, Switches.Refused);
        kx::LibraryShutdown();
        return static_cast<int>(uninst::kExitBadSwitch);
    }

    uninst::TUninstallJob job;
    if (Switches.Quiet) {
        uninst::ExitStatus = uninst::RunUnattended(Switches, job);
    } else {
        try {
            uninst::TMainForm* MainForm = nullptr;
            fw::Application.CreateForm(MainForm);
            job = MainForm->Job;
            fw::Application.Run();
        } catch (const std::exception& e) {
            kx::ShowError(0, kx::EnsureEnding(kx::Short(e.what()), "."));
            uninst::ExitStatus = uninst::kExitFailed;
        }
    }

    // The trace file in the program's own folder goes with the uninstaller;
    // a log named by /log is whoever named it.
    const std::string traceFile = Switches.LogFile.empty() ? kx::TraceFileName : std::string();
    kx::LibraryShutdown();
    if (uninst::ExitStatus == uninst::kExitCompleted && !job.ProductPath.empty() &&
        uninst::OnlyUninstallerLeft(job.ProductPath, kx::ProgramPath, traceFile))
        uninst::StartSelfRemoval(job.ProductPath, kx::ProgramPath, traceFile);
    return static_cast<int>(uninst::ExitStatus);
}
