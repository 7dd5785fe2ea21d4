#include "folvex/viewer/ViewerForm.h"

#include <windows.h>

#include <cstdlib>

#include "folvex/runtime/FolvexMessages.h"

namespace folvexview {

using namespace fw;

FW_IMPLEMENT_CLASS(TPageField, TEdit, [](TClassBuilder<TPageField>&) {})
FW_IMPLEMENT_CLASS(TViewerForm, TForm, [](TClassBuilder<TViewerForm>&) {})

// --- TPageField ----------------------------------------------------------------

TPageField::TPageField(TComponent* owner) : TEdit(owner) {
    width_ = 48;
    height_ = 23;
}

void TPageField::CreateParams(TCreateParams& p) {
    TEdit::CreateParams(p);
    p.Style |= ES_NUMBER | ES_RIGHT;
}

// --- TViewerForm ---------------------------------------------------------------

namespace {

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kGap = 4;
constexpr int kRowHeight = kButtonHeight + 2 * 6;

// The file name shown in the caption: the part after the last separator of
// a path or a URL.
std::string ShortName(const std::string& name) {
    size_t cut = name.find_last_of("\\/");
    std::string s = cut == std::string::npos ? name : name.substr(cut + 1);
    return s.empty() ? name : s;
}

}  // namespace

TViewerForm::TViewerForm(TComponent* owner) : TForm(owner) {
    SetCaption(kViewerTitle);
    SetBounds(60, 40, 860, 660);

    pnButtons_ = new TPanel(this);
    pnButtons_->SetBevelOuter(bvNone);
    pnButtons_->SetHeight(kRowHeight);
    pnButtons_->SetAlign(alTop);
    pnButtons_->SetParent(this);

    int x = 6;
    btOpen_ = AddButton("&Open...", &TViewerForm::btOpenClick, x);
    x += 2 * kGap;
    btFirst_ = AddButton("&First", &TViewerForm::btFirstClick, x);
    btPrevious_ = AddButton("&Previous", &TViewerForm::btPreviousClick, x);
    btNext_ = AddButton("&Next", &TViewerForm::btNextClick, x);
    btLast_ = AddButton("&Last", &TViewerForm::btLastClick, x);
    x += 2 * kGap;

    laPage_ = new TLabel(this);
    laPage_->SetCaption("Page");
    laPage_->SetParent(pnButtons_);
    laPage_->SetBounds(x, 6 + 5, 30, 16);
    x += 34;
    edPage_ = new TPageField(this);
    edPage_->SetParent(pnButtons_);
    edPage_->SetBounds(x, 7, 48, kButtonHeight - 2);
    laPage_->SetFocusControl(edPage_);
    x += 48 + kGap;
    btGo_ = AddButton("&Go", &TViewerForm::btGoClick, x);
    btGo_->SetWidth(40);
    x -= kButtonWidth - 40;
    btGo_->SetDefault(true);  // Enter in the page field goes there
    x += 2 * kGap;

    btPrint_ = AddButton("&Print", &TViewerForm::btPrintClick, x);
    btClose_ = AddButton("&Close", &TViewerForm::btCloseClick, x);

    pdf_ = new folvex::TFolvex(this);
    pdf_->SetAlign(alClient);
    pdf_->SetParent(this);

    odPdf_ = new TOpenDialog(this);
    odPdf_->SetTitle(folvex::SPdfFileTitle);
    odPdf_->SetFilter(folvex::SPdfFileFilter);
    odPdf_->SetDefaultExt("pdf");
    odPdf_->SetOptions(ofHideReadOnly | ofPathMustExist | ofFileMustExist | ofEnableSizing);

    // The least width that shows the whole row of buttons.
    if (Width() < x + 24) SetWidth(x + 24);
    UpdateView();
}

TButton* TViewerForm::AddButton(const char* caption, void (TViewerForm::*handler)(TObject*),
                                int& x) {
    auto* b = new TButton(this);
    b->SetCaption(caption);
    b->SetParent(pnButtons_);
    b->SetBounds(x, 6, kButtonWidth, kButtonHeight);
    b->OnClick = [this, handler](TObject* sender) { (this->*handler)(sender); };
    x += kButtonWidth + kGap;
    return b;
}

void TViewerForm::OpenDocument(const std::string& name) {
    std::string full = name;
    if (!name.empty() && !folvex::IsUrl(name)) {
        // A person's relative name means the current folder, not the
        // program's (which is what the component would take).
        char buf[MAX_PATH + 1] = {};
        DWORD n = GetFullPathNameA(name.c_str(), MAX_PATH, buf, nullptr);
        if (n > 0 && n < MAX_PATH) full.assign(buf, n);
    }
    try {
        pdf_->SetFileName(full);
    } catch (...) {
        UpdateView();
        throw;
    }
    UpdateView();
}

void TViewerForm::UpdateView() {
    bool open = pdf_->Active();
    SetCaption(open ? ShortName(pdf_->FileName()) + " - " + kViewerTitle : kViewerTitle);
    std::string page;
    if (open) {
        if (HWND counter = pdf_->Displayer()->FindPageCounter()) {
            char text[32] = {};
            GetWindowTextA(counter, text, sizeof text);
            page = text;
        }
    }
    edPage_->SetText(page);
    bool document = !pdf_->FileName().empty();
    for (TButton* b : {btFirst_, btPrevious_, btNext_, btLast_, btGo_, btPrint_, btClose_})
        b->SetEnabled(document);
    edPage_->SetEnabled(document);
}

void TViewerForm::btOpenClick(TObject*) {
    if (!pdf_->FileName().empty() && !folvex::IsUrl(pdf_->FileName()))
        odPdf_->SetFileName(pdf_->FileName());
    if (odPdf_->Execute()) OpenDocument(odPdf_->FileName());
}

// Each command shows its effect in the page field, also when it raised
// (a command may have opened the document before the Reader control failed).
#define FOLVEX_VIEW_COMMAND(call) \
    try {                         \
        call;                     \
    } catch (...) {               \
        UpdateView();             \
        throw;                    \
    }                             \
    UpdateView()

void TViewerForm::btFirstClick(TObject*) { FOLVEX_VIEW_COMMAND(pdf_->GoToFirstPage()); }
void TViewerForm::btPreviousClick(TObject*) { FOLVEX_VIEW_COMMAND(pdf_->GoToPreviousPage()); }
void TViewerForm::btNextClick(TObject*) { FOLVEX_VIEW_COMMAND(pdf_->GoToNextPage()); }
void TViewerForm::btLastClick(TObject*) { FOLVEX_VIEW_COMMAND(pdf_->GoToLastPage()); }
void TViewerForm::btPrintClick(TObject*) { FOLVEX_VIEW_COMMAND(pdf_->PrintDoc()); }
void TViewerForm::btCloseClick(TObject*) { FOLVEX_VIEW_COMMAND(pdf_->Close()); }

void TViewerForm::btGoClick(TObject*) {
    std::string text = edPage_->Text();
    char* end = nullptr;
    long page = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || page < 1 || page > 999999)
        throw Exception("Type the number of a page.");
    FOLVEX_VIEW_COMMAND(pdf_->GoToPage(static_cast<int>(page)));
}

#undef FOLVEX_VIEW_COMMAND

}  // namespace folvexview
