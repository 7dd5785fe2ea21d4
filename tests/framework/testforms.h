// The form class of the tests' embedded resource "TestForm" (a window laid
// out as the uninstaller's main window), shared by the form tests and the
// sample program formdemo.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/formres/formres.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/forms.h"

class TTestForm : public fw::TForm {
    FW_CLASS(TTestForm)
public:
    // From the embedded resource, or from a text when one is given.
    explicit TTestForm(fw::TComponent* owner, const std::string& text = {}) : fw::TForm(owner) {
        BindField("btOk", btOk);
        BindField("btCancel", btCancel);
        BindField("pnMsg", pnMsg);
        BindField("laMsg1", laMsg1);
        BindField("laProductPath", laProductPath);
        BindField("laUserFiles", laUserFiles);
        BindField("lbUserFiles", lbUserFiles);
        BindField("laSpacing1", laSpacing1);
        BindField("laWarning", laWarning);
        BindField("chDeleteUserFiles", chDeleteUserFiles);
        BindField("Label2", Label2);
        BindField("rgMode", rgMode);
        BindField("miFile", miFile);
        BindField("tmTick", tmTick);
        BindMethod("FormCreate", &TTestForm::FormCreate);
        BindMethod("FormClose", &TTestForm::FormClose);
        BindMethod("FormDestroy", &TTestForm::FormDestroy);
        BindMethod("btOkClick", &TTestForm::btOkClick);
        BindMethod("btCancelClick", &TTestForm::btCancelClick);
        BindMethod("chDeleteUserFilesClick", &TTestForm::chDeleteUserFilesClick);
        BindMethod("tmTickTimer", &TTestForm::tmTickTimer);
        if (text.empty()) InitForm("TestForm");
        else InitFormText(text);
    }

    fw::TButton* btOk = nullptr;
    fw::TButton* btCancel = nullptr;
    fw::TPanel* pnMsg = nullptr;
    fw::TLabel* laMsg1 = nullptr;
    fw::TLabel* laProductPath = nullptr;
    fw::TLabel* laUserFiles = nullptr;
    fw::TListBox* lbUserFiles = nullptr;
    fw::TLabel* laSpacing1 = nullptr;
    fw::TLabel* laWarning = nullptr;
    fw::TCheckBox* chDeleteUserFiles = nullptr;
    fw::TLabel* Label2 = nullptr;
    fw::TRadioGroup* rgMode = nullptr;
    fw::TMenuItem* miFile = nullptr;
    fw::TTimer* tmTick = nullptr;

    // What the handlers saw, in order.
    std::vector<std::string> log;
    fw::TCloseAction closeAction = fw::caHide;
    bool throwOnOk = false;
    bool closeOnOk = false;
    int ticks = 0;
    int* destroyed = nullptr;  // set by OnDestroy when given

    void FormCreate(fw::TObject*) {
        log.push_back("FormCreate");
        if (throwOnCreateNext) throw fw::Exception("Create failed");
    }
    void FormClose(fw::TObject*, fw::TCloseAction& action) {
        log.push_back("FormClose");
        action = closeAction;
    }
    void FormDestroy(fw::TObject*) {
        log.push_back("FormDestroy");
        if (destroyed) ++*destroyed;
    }
    void btOkClick(fw::TObject* sender) {
        log.push_back(sender == btOk ? "btOkClick" : "btOkClick?");
        if (closeOnOk) Close();
        if (throwOnOk) throw fw::Exception("Broken handler");
    }
    void btCancelClick(fw::TObject*) { log.push_back("btCancelClick"); }
    void chDeleteUserFilesClick(fw::TObject*) {
        log.push_back(chDeleteUserFiles->Checked() ? "checked" : "unchecked");
    }
    void tmTickTimer(fw::TObject*) { ++ticks; }

    static bool throwOnCreateNext;
};

inline bool TTestForm::throwOnCreateNext = false;
