// The sample form program: the test form as the main form of a real
// Application.Run.  Used by the form tests (closing the main form, an error
// after it closed) and for screenshots under Xvfb.
//   formdemo [full|compact|close|throw-after-close]
#include <cstring>

#include "tests/framework/testforms.h"

using namespace fw;

FW_IMPLEMENT_CLASS(TTestForm, TForm, [](TClassBuilder<TTestForm>&) {})

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "full";
    Application.Initialize();
    Application.SetTitle("Form Demo");
    TTestForm* form = nullptr;
    Application.CreateForm(form);
    form->laMsg1->SetCaption(form->laMsg1->Caption() + " Orvanta Lumadesk.");
    form->laWarning->SetCaption("Apart from these files, all data in the following directory will be erased:");
    form->laProductPath->SetCaption("C:\\Program Files\\Orvanta\\Lumadesk");
    if (std::strcmp(mode, "compact") == 0) {
        for (TControl* c : std::initializer_list<TControl*>{form->laUserFiles, form->lbUserFiles,
                                                           form->laProductPath, form->laWarning,
                                                           form->chDeleteUserFiles})
            c->Hide();
        form->pnMsg->SetHeight(40);
        form->SetHeight(140);
    } else if (std::strcmp(mode, "close") == 0) {
        form->Show();
        PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
    } else if (std::strcmp(mode, "throw-after-close") == 0) {
        // The handler closes the main form, then fails: the error box must
        // stay until answered, and only then does Run end.
        form->closeOnOk = true;
        form->throwOnOk = true;
        form->Show();
        PostMessageA(form->btOk->Handle(), BM_CLICK, 0, 0);
    }
    Application.Run();
    return 0;
}
