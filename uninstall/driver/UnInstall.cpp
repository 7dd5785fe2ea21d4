// The program body of uninstall.exe: the library's start-up, the main window
// and its message loop, the library's shut-down; the exit status tells
// whoever started the uninstaller how it ended.
#include <windows.h>

#include <exception>

#include "framework/application.h"
#include "framework/forms.h"
#include "uninstall/driver/Main.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/library.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    kx::LibraryStartup();
    fw::Application.Initialize();
    fw::Application.SetTitle("Orvanta UnInstall");
    try {
        uninst::TMainForm* MainForm = nullptr;
        fw::Application.CreateForm(MainForm);
        fw::Application.Run();
    } catch (const std::exception& e) {
        kx::ShowError(0, kx::EnsureEnding(kx::Short(e.what()), "."));
        uninst::ExitStatus = uninst::kExitFailed;
    }
    kx::LibraryShutdown();
    return static_cast<int>(uninst::ExitStatus);
}
