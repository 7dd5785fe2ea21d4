// orvdesign.exe: the form designer.
//   orvdesign.exe [package.dll ...] [form file]
// Loads the component packages named, puts their components on the palette
// and opens the form file (a new form when none is named, or when the file
// does not exist yet: it is saved there).  It keeps nothing between runs.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "framework/base/com.h"
#include "framework/design/designer/designer.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Packages' components may host ActiveX controls (and a web browser) on
    // the designer's thread: OLE is initialised before any package loads.
    fw::OleInit ole;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    fw::Application.Initialize();
    fw::Application.SetTitle("Orvanta Form Designer");
    orvd::TDesignerWindow* window = nullptr;
    fw::Application.CreateForm(window);
    window->Show();
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
    window->Start(args);
    fw::Application.Run();
    // The forms go while the packages whose classes they hold are loaded.
    fw::Application.DestroyForms();
    return 0;
}
