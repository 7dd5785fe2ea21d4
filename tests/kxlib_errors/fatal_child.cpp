// Ends in the fatal stop.  Arguments: a scratch folder, and "trace" to switch
// the trace on first.  While the box is up it writes the cursor it sees to
// cursor.txt and the box's icon to icon.txt; every way of running code after
// the stop would leave a marker file.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "framework/ui/application.h"
#include "tests/support/staging.h"
#include "tests/support/winauto.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/library.h"
#include "uninstall/kxlib/trace.h"

namespace {

std::string Folder;

struct StaticMarker {
    ~StaticMarker() {
        if (!Folder.empty()) ts::WriteTextFile(Folder + "\\static.txt", "destructor");
    }
} Marker;

void AtExitMarker() { ts::WriteTextFile(Folder + "\\atexit.txt", "atexit"); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    Folder = argv[1];
    std::atexit(AtExitMarker);
    kx::LibraryStartup();
    fw::Application.Initialize();
    fw::Application.SetTitle("Orvanta UnInstall");
    kx::ProgramPath = Folder + "\\uninstall.exe";
    if (argc > 2 && std::string(argv[2]) == "trace") {
        kx::OpenTrace(true, false);
        kx::Trace("before the stop");
    }
    std::thread([] {
        HWND box = ts::WaitForDialog(GetCurrentProcessId(), 20000);
        if (!box) return;
        // The icon is told apart by its handle, which only this process knows.
        ts::Dialog d;
        for (int i = 0; i < 100 && d.buttons.empty(); ++i) {
            d = ts::ReadDialog(box);
            if (d.buttons.empty()) Sleep(20);
        }
        ts::WriteTextFile(Folder + "\\icon.txt", d.icon);
        ts::WriteTextFile(Folder + "\\cursor.txt", std::to_string(fw::Screen.Cursor()));
    }).detach();
    fw::Screen.SetCursor(fw::crHourGlass);
    try {
        kx::RaiseFatal(41, "");
        ts::WriteTextFile(Folder + "\\after.txt", "after");
    } catch (...) {
        ts::WriteTextFile(Folder + "\\catch.txt", "catch");
    }
    return 0;
}
