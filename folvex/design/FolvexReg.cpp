// Registration of TFolvex in the form designer and its two property
// editors: the about box and the PDF file picker.
#include "folvex/design/FolvexReg.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "folvex/runtime/FolvexComponent.h"
#include "folvex/runtime/FolvexProduct.h"
#include "folvex/runtime/FolvexRoutines.h"
#include "folvex/runtime/FolvexStrings.h"
#include "framework/ui/application.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/forms.h"

namespace folvex {

namespace {

const TResString kPdfFileTitle(FOLVEX_IDS_PDF_FILE_TITLE);    // "PDF File Name"
const TResString kPdfFileFilter(FOLVEX_IDS_PDF_FILE_FILTER);  // "PDF Files|*.pdf|All Files|*.*"

// The first selected component as a TFolvex; another class is an invalid cast.
TFolvex& SelectedFolvex(const fw::TPropertyEditor& editor) {
    auto* folvex = dynamic_cast<TFolvex*>(editor.GetComponent(0));
    if (!folvex) throw fw::Exception("Invalid class typecast");
    return *folvex;
}

// One centred line of the about box's panel.
template <typename Label>
Label* AddLine(fw::TForm* box, fw::TPanel* panel, int top, const std::string& text) {
    auto* label = new Label(box);
    label->SetParent(panel);
    label->SetAutoSize(false);
    label->SetAlignment(fw::taCenter);
    label->SetBounds(10, top, 280, 16);
    label->SetCaption(text);
    return label;
}

}  // namespace

FW_IMPLEMENT_CLASS(TLinkLabel, fw::TLabel, [](fw::TClassBuilder<TLinkLabel>&) {})

void TLinkLabel::Click() {
    fw::TLabel::Click();
    ShellExecuteA(nullptr, "open", Caption().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TAboutProperty::Edit() {
    TFolvex& folvex = SelectedFolvex(*this);
    const std::string name = folvex.ProductName();
    std::unique_ptr<fw::TForm, fw::FreeComponent> box(new fw::TForm(nullptr));
    box->SetBorderStyle(fw::bsDialog);
    box->SetBorderIcons(0);
    box->SetPosition(fw::poScreenCenter);
    box->Font().SetName("MS Sans Serif");
    box->Font().SetSize(8);
    box->SetBounds(0, 0, 339, 212);
    box->SetCaption("About " + name);

    auto* panel = new fw::TPanel(box.get());
    panel->SetParent(box.get());
    panel->SetBounds(16, 8, 300, 129);
    panel->SetBevelOuter(fw::bvLowered);
    panel->SetCaption("");

    auto* title = AddLine<fw::TLabel>(box.get(), panel, 24, name + " version " + folvex.ProductVersion());
    title->Font().Assign(box->Font());
    title->Font().SetSize(10);
    title->Font().SetStyle(fw::fsBold);
    AddLine<fw::TLabel>(box.get(), panel, 48, "PDF viewer component");
    AddLine<fw::TLabel>(box.get(), panel, 72, folvex.ProductCopyright());
    auto* link = AddLine<TLinkLabel>(box.get(), panel, 96, kMakerWebAddress);
    link->Font().Assign(box->Font());
    link->Font().SetColor(0xFF0000);  // blue
    link->Font().SetStyle(fw::fsUnderline);
    link->SetCursor(fw::crHandPoint);

    auto* ok = new fw::TButton(box.get());
    ok->SetParent(box.get());
    ok->SetBounds(128, 149, 75, 25);
    ok->SetCaption("&Ok");
    ok->SetDefault(true);
    ok->SetModalResult(fw::mrOk);
    box->ShowModal();
}

void TFileNameProperty::Edit() {
    TFolvex& folvex = SelectedFolvex(*this);
    std::unique_ptr<fw::TSaveDialog, fw::FreeComponent> dialog(new fw::TSaveDialog(nullptr));
    dialog->SetTitle(kPdfFileTitle);
    dialog->SetFilter(kPdfFileFilter);
    dialog->SetFileName(folvex.FileName());
    if (!dialog->Execute()) return;
    // Completes a bare name, checks the file and opens it when AutoOpen is
    // on; "File not found" goes to the designer, which then is not told of
    // the change although the name is stored.
    folvex.SetFileName(dialog->FileName());
    Modified();
}

}  // namespace folvex

void Register() {
    using namespace folvex;
    fw::RegisterComponents("Orvanta", {&TFolvex::StaticClass()});
    fw::RegisterPropertyEditor(fw::TPropKind::String, &TFolvex::StaticClass(), "About",
                               fw::PropertyEditorClass<TAboutProperty>());
    fw::RegisterPropertyEditor(fw::TPropKind::String, &TFolvex::StaticClass(), "FileName",
                               fw::PropertyEditorClass<TFileNameProperty>());
}
