// FolvexView.exe: a small PDF viewer built on the package.
//   FolvexView.exe [file or URL]
// Shows the document named on the command line, if any, in a TFolvex under
// a row of buttons; "Open..." picks another.  The component's errors are
// shown in the application's error box and the window stays usable.
#include <windows.h>

#include <string>

#include "folvex/viewer/ViewerForm.h"
#include "framework/base/com.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Reader's controls are OLE objects hosted in this thread's windows.
    fw::OleInit ole;
    fw::Application.Initialize();
    fw::Application.SetTitle(folvexview::kViewerTitle);
    folvexview::TViewerForm* form = nullptr;
    fw::Application.CreateForm(form);
    form->Show();
    if (__argc > 1) {
        // Opened once the window shows: the component opens only on a
        // showing parent.
        std::string name = __argv[1];
        fw::Application.ProcessMessages();
        fw::Application.Guard([&] { form->OpenDocument(name); });
    }
    fw::Application.Run();
    // The component closes Reader's window while the form goes.
    fw::Application.DestroyForms();
    return 0;
}
