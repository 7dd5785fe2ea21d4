// TViewerForm, the main window of FolvexView.exe: a row of buttons (open,
// the page moves, a page field with its Go button, print, close) above a
// TFolvex that fills the rest of the window; and TPageField, the page field.
// Keys: Page Up / Page Down, Home / End, Ctrl+O, Ctrl+P and Ctrl+W do what
// the buttons do; a file dropped on the window is opened.
#pragma once

#include <string>

#include "folvex/runtime/Folvex.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/forms.h"
#include "framework/ui/stdctrls.h"

namespace folvexview {

// A one-line field for a page number (digits only).
class TPageField : public fw::TEdit {
    FW_CLASS(TPageField)
public:
    explicit TPageField(fw::TComponent* owner);

protected:
    void CreateParams(fw::TCreateParams& p) override;
};

class TViewerForm : public fw::TForm {
    FW_CLASS(TViewerForm)
public:
    explicit TViewerForm(fw::TComponent* owner);
    ~TViewerForm() override;

    // Shows a document: a local file (a relative name is taken from the
    // current folder) or a URL.  The component's errors reach the caller.
    void OpenDocument(const std::string& name);

private:
    fw::TButton* AddButton(const char* caption, void (TViewerForm::*handler)(fw::TObject*),
                           int& x);
    void btOpenClick(fw::TObject*);
    void btFirstClick(fw::TObject*);
    void btPreviousClick(fw::TObject*);
    void btNextClick(fw::TObject*);
    void btLastClick(fw::TObject*);
    void btGoClick(fw::TObject*);
    void btPrintClick(fw::TObject*);
    void btCloseClick(fw::TObject*);
    // The caption names the document; the page field shows Reader's own
    // page number ("page / pages" when Reader's counter tells both); the
    // commands are enabled while there is a document that opened.
    void UpdateView();
    // The keys that stand for the buttons; true when Msg was one.
    bool ShortcutKey(const MSG& msg);
    void WndProc(fw::TMessage& m) override;
    void CreateWnd() override;

    fw::TPanel* pnButtons_ = nullptr;
    fw::TButton* btOpen_ = nullptr;
    fw::TButton* btFirst_ = nullptr;
    fw::TButton* btPrevious_ = nullptr;
    fw::TButton* btNext_ = nullptr;
    fw::TButton* btLast_ = nullptr;
    fw::TLabel* laPage_ = nullptr;
    TPageField* edPage_ = nullptr;
    fw::TButton* btGo_ = nullptr;
    fw::TButton* btPrint_ = nullptr;
    fw::TButton* btClose_ = nullptr;
    fw::TLabel* laNoReader_ = nullptr;  // shown when no Reader control is installed
    folvex::TFolvex* pdf_ = nullptr;
    fw::TOpenDialog* odPdf_ = nullptr;
    // The document that last opened ("" when the last one failed): the
    // commands work on it.
    std::string document_;
    int keyFilter_ = 0;
};

// What the window says when no Reader control is installed.
inline constexpr const char* kNoReaderText =
    "No Adobe Reader PDF control is installed on this computer: documents cannot be shown.";

// The application's title and the caption of the window without a document.
inline constexpr const char* kViewerTitle = "Folvex Viewer";

}  // namespace folvexview
