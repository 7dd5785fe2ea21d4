// TViewerForm, the main window of FolvexView.exe: a row of buttons (open,
// the page moves, a page field with its Go button, print, close) above a
// TFolvex that fills the rest of the window; and TPageField, the page field.
#pragma once

#include <string>

#include "folvex/runtime/Folvex.h"
#include "framework/dialogs.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

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
    // page number; the commands are enabled while there is a document.
    void UpdateView();

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
    folvex::TFolvex* pdf_ = nullptr;
    fw::TOpenDialog* odPdf_ = nullptr;
};

// The application's title and the caption of the window without a document.
inline constexpr const char* kViewerTitle = "Folvex Viewer";

}  // namespace folvexview
