#include "uninstall/driver/Main.h"

#include <windows.h>

#include <exception>
#include <utility>
#include <vector>

#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/paths.h"
#include "uninstall/kxlib/trace.h"

namespace uninst {

DWORD ExitStatus = kExitFailed;
TSwitches Switches;

namespace {

// Drops what reached the window while the run was under way: close requests
// (posted ones and the system command), clicks on its buttons and the
// user's keys and mouse clicks.  Left in the queue, the outcome message's
// own loop would deliver them after the run and close the window again.
BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

void DropQueuedRequests(HWND window) {
    std::vector<HWND> targets{window};
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&targets));
    const std::pair<UINT, UINT> ranges[] = {
        {WM_CLOSE, WM_CLOSE},       {WM_SYSCOMMAND, WM_SYSCOMMAND}, {BM_CLICK, BM_CLICK},
        {WM_KEYFIRST, WM_KEYLAST},  {WM_MOUSEFIRST, WM_MOUSELAST},
    };
    MSG msg;
    for (HWND target : targets)
        for (const auto& [first, last] : ranges)
            while (PeekMessageA(&msg, target, first, last, PM_REMOVE | PM_NOYIELD)) {
            }
}

}  // namespace

FW_IMPLEMENT_CLASS(TMainForm, fw::TForm, [](fw::TClassBuilder<TMainForm>&) {})

TMainForm::TMainForm(fw::TComponent* owner) : fw::TForm(owner) {
    BindField("btOk", btOk);
    BindField("btCancel", btCancel);
    BindField("pnMsg", pnMsg);
    BindField("laMsg1", laMsg1);
    BindField("laProductPath", laProductPath);
    BindField("laUserFiles", laUserFiles);
    BindField("chDeleteUserFiles", chDeleteUserFiles);
    BindField("lbUserFiles", lbUserFiles);
    BindField("laWarning", laWarning);
    BindField("laSpacing1", laSpacing1);
    BindField("Label2", Label2);
    BindMethod("FormDestroy", &TMainForm::FormDestroy);
    BindMethod("FormCreate", &TMainForm::FormCreate);
    BindMethod("FormClose", &TMainForm::FormClose);
    BindMethod("btCancelClick", &TMainForm::btCancelClick);
    BindMethod("btOkClick", &TMainForm::btOkClick);
    BindMethod("chDeleteUserFilesClick", &TMainForm::chDeleteUserFilesClick);
    InitForm("MainForm");
}

TMainForm::~TMainForm() = default;

void TMainForm::FormCreate(fw::TObject*) {
    // Any error that escapes the start-up ends the program before the window
    // is shown: a half-filled window could erase a product it never read.
    try {
        StartUp();
    } catch (const std::exception& e) {
        StopWith(e);
    }
}

void TMainForm::StartUp() {
    // One argument tells where the product's description is.
    if (!Switches.HasArgument) kx::RaiseFatal(41, "");

    fw::Screen.SetCursor(fw::crAppStart);
    Job = TUninstallJob();
    ReadProduct(Switches.Argument, Job);

    // The texts in the product's language, then the product's name.
    ChooseLanguage(Job, this);
    laMsg1->SetCaption(laMsg1->Caption() + " " + Job.ProductName + ".");

    // A local folder is searched for the user's files; a network folder is
    // only named.
    if (kx::IsLocalPath(Job.ProductPath)) {
        laProductPath->SetCaption(Job.ProductPath);
        FindUserFiles(Job);
        ShowUserFiles();
        // Whoever started the uninstaller asked for the user's files to go:
        // the box starts ticked, and the user still sees the list.
        if (Switches.DeleteUserFiles && !Job.UserFiles.empty()) {
            chDeleteUserFiles->SetChecked(true);
            chDeleteUserFilesClick(chDeleteUserFiles);
        }
    } else {
        ShowCompact();
    }

    fw::Screen.SetCursor(fw::crDefault);
}

void TMainForm::ShowUserFiles() {
    // The user's files are listed, kept unless the user ticks the box; with
    // none the window takes its short shape.
    if (!Job.UserFiles.empty()) {
        chDeleteUserFiles->SetChecked(false);
        // Given whole: the list box fills its window anew on every change,
        // so adding the files one by one would cost the square of their count.
        // The walk built each path from the product folder, so the relative
        // path is the rest after it, shown in the code page's characters.
        const std::size_t base = Job.ProductRoot.size() + (Job.ProductRoot.back() == L'\\' ? 0 : 1);
        std::vector<std::string> listed;
        listed.reserve(Job.UserFiles.size());
        for (const auto& file : Job.UserFiles)
            listed.push_back(kx::DisplayPath(file.size() > base ? file.substr(base) : file));
        lbUserFiles->SetItems(listed);
    } else {
        ShapeWithoutUserFiles();
    }
    // The warning that matches the box.
    chDeleteUserFilesClick(chDeleteUserFiles);
}

void TMainForm::ShowCompact() {
    // A folder on a network share is not searched for user files, but the
    // window still names the folder that the run will erase, with every
    // file in it: the shape of a local folder without user files.
    laProductPath->SetCaption(Job.ProductPath);
    ShapeWithoutUserFiles();
    chDeleteUserFilesClick(chDeleteUserFiles);
}

void TMainForm::ShapeWithoutUserFiles() {
    // The product line, the erase warning and the folder: everything in it goes.
    chDeleteUserFiles->SetChecked(true);
    laUserFiles->SetVisible(false);
    lbUserFiles->SetVisible(false);
    laSpacing1->SetVisible(false);
    chDeleteUserFiles->SetVisible(false);
    pnMsg->SetHeight(90);
    SetHeight(190);
}

void TMainForm::chDeleteUserFilesClick(fw::TObject*) {
    laWarning->SetCaption(MessageTexts[chDeleteUserFiles->Checked() ? 1 : 0]);
}

void TMainForm::btCancelClick(fw::TObject*) { Close(); }

void TMainForm::btOkClick(fw::TObject*) {
    if (Running || State != RunState::NotStarted) return;  // the run happens once
    RunUninstall();
}

void TMainForm::FormClose(fw::TObject*, fw::TCloseAction& Action) {
    // Nothing closes the window while the run is under way.
    if (Running) {
        Action = fw::caNone;
        return;
    }
    // A second close request (one queued behind the first, or one that the
    // outcome box's own message loop delivers) reports nothing again.
    if (Reported) return;
    Reported = true;
    switch (State) {
        case RunState::Completed:
            kx::ShowInformation(0, MessageTexts[2]);
            ExitStatus = kExitCompleted;
            break;
        case RunState::NotStarted:
            kx::ShowWarning(0, MessageTexts[4], false);
            ExitStatus = kExitCancelled;
            break;
        case RunState::Failed:
            kx::ShowError(0, MessageTexts[3]);
            ExitStatus = kExitFailed;
            break;
        case RunState::RestartNeeded:
            // Removed as far as a running system allows; the restart removes
            // the rest.
            kx::ShowInformation(0, MessageTexts[6]);
            ExitStatus = kExitRestartRequired;
            break;
        case RunState::FilesLeft:
            // Files of the product are left for good: the product stays
            // listed, and the failure is reported.
            kx::ShowError(0, MessageTexts[3]);
            ExitStatus = kExitFailed;
            break;
        case RunState::ServerInUse:
            // The product is still installed: the user restarts and runs the
            // uninstaller again.
            kx::ShowError(0, MessageTexts[5]);
            ExitStatus = kExitFailed;
            break;
    }
}

void TMainForm::FormDestroy(fw::TObject*) { Job = TUninstallJob(); }

// ---------------------------------------------------------------------------
// The removal run

void TMainForm::RunUninstall() {
    // Nothing can close the window or start the run again from here on.
    Running = true;
    btOk->SetEnabled(false);
    btCancel->SetEnabled(false);
    SetBorderIcons(0);
    kx::ProcessPendingMessages();

    // However the stages end, the cursor comes back and the window closes.
    fw::Screen.SetCursor(fw::crHourGlass);
    TRemoval removal(Job, chDeleteUserFiles->Checked());
    try {
        removal.Run();
    } catch (const std::exception& e) {
        // The error that ended the run goes to the trace; the outcome message
        // is the one thing the user answers, and answering it ends the
        // program (a second box after it would keep the program waiting for
        // whoever already took the first answer as the end).
        kx::Trace("Error: " + kx::EnsureEnding(kx::Short(e.what()), "."));
    }
    State = removal.State();
    fw::Screen.SetCursor(fw::crDefault);
    // Whatever asked to close the window during the run is not answered:
    // the run closes it, once.
    DropQueuedRequests(Handle());
    Running = false;
    Close();
}

}  // namespace uninst
