// TMainForm: the uninstaller's one window.  It shows what the start-up read
// (what will be erased, which files seem to be the user's), asks for
// confirmation, runs the removal on OK and reports the outcome on closing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/ui/extctrls.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"
#include "uninstall/driver/removal.h"
#include "uninstall/driver/startup.h"

namespace uninst {

// The program's exit status, set when the window reports the outcome:
// 0 after a completed run, 1602 when the user cancelled, 1603 after an error.
extern DWORD ExitStatus;
// The switches the program was started with, read before the window exists.
extern TSwitches Switches;

class TMainForm : public fw::TForm {
    FW_CLASS(TMainForm)
public:
    explicit TMainForm(fw::TComponent* owner);
    ~TMainForm() override;

    // Published components, in declaration order.
    fw::TButton* btOk = nullptr;
    fw::TButton* btCancel = nullptr;
    fw::TPanel* pnMsg = nullptr;
    fw::TLabel* laMsg1 = nullptr;
    fw::TLabel* laProductPath = nullptr;
    fw::TLabel* laUserFiles = nullptr;
    fw::TCheckBox* chDeleteUserFiles = nullptr;
    fw::TListBox* lbUserFiles = nullptr;
    fw::TLabel* laWarning = nullptr;
    fw::TLabel* laSpacing1 = nullptr;
    fw::TLabel* Label2 = nullptr;

    // Event handlers.
    void FormDestroy(fw::TObject* Sender);
    void FormCreate(fw::TObject* Sender);
    void FormClose(fw::TObject* Sender, fw::TCloseAction& Action);
    void btCancelClick(fw::TObject* Sender);
    void btOkClick(fw::TObject* Sender);
    void chDeleteUserFilesClick(fw::TObject* Sender);

    // The removal run, with the window closed to the user meanwhile.
    void RunUninstall();

    TUninstallJob Job;
    RunState State = RunState::NotStarted;

private:
    void StartUp();
    void ShowUserFiles();
    void ShowCompact();
    void ShapeWithoutUserFiles();

    bool Running = false;      // the removal run is under way
    bool Reported = false;     // the outcome has been reported
};

}  // namespace uninst
