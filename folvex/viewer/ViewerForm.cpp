#include "folvex/viewer/ViewerForm.h"

#include <windows.h>
#include <shellapi.h>

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

// The number at the start of a text ("12", "12 of 40", "of 40" gives 0).
long LeadingNumber(const std::string& text) {
    size_t i = text.find_first_not_of(' ');
    if (i == std::string::npos || text[i] < '0' || text[i] > '9') return 0;
    return std::strtol(text.c_str() + i, nullptr, 10);
}

// The page number in Reader's counter, as "page / pages" when Reader tells
// the count too: in the counter ("2 of 5", "2 / 5") or in the window after
// the counter's own ("of 5", "/ 5").
std::string PageText(HWND counter) {
    auto text = [](HWND w) {
        char buf[64] = {};
        if (w) GetWindowTextA(w, buf, sizeof buf);
        return std::string(buf);
    };
    std::string own = text(counter);
    long page = LeadingNumber(own);
    if (page <= 0) return own;
    size_t after = own.find_first_not_of("0123456789 ");
    std::string rest = after == std::string::npos ? text(GetWindow(GetParent(counter), GW_HWNDNEXT)) : own.substr(after);
    size_t mark = rest.find_first_not_of(' ');
    if (mark != std::string::npos && (rest.compare(mark, 2, "of") == 0 || rest[mark] == '/')) {
        long pages = LeadingNumber(rest.substr(mark + (rest[mark] == '/' ? 1 : 2)));
        if (pages > 0) return std::to_string(page) + " / " + std::to_string(pages);
    }
    return std::to_string(page);
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

    btPrint_ = AddButton("P&rint", &TViewerForm::btPrintClick, x);
    btClose_ = AddButton("&Close", &TViewerForm::btCloseClick, x);

    pdf_ = new folvex::TFolvex(this);
    pdf_->SetAlign(alClient);
    pdf_->SetParent(this);

    // Said at once, not only when a file is chosen.
    if (!pdf_->AdobeReaderInstalled()) {
        laNoReader_ = new TLabel(this);
        laNoReader_->SetCaption(kNoReaderText);
        laNoReader_->SetBounds(16, 16, 760, 20);
        laNoReader_->SetParent(pdf_);
    }

    odPdf_ = new TOpenDialog(this);
    odPdf_->SetTitle(folvex::SPdfFileTitle);
    odPdf_->SetFilter(folvex::SPdfFileFilter);
    odPdf_->SetDefaultExt("pdf");
    odPdf_->SetOptions(ofHideReadOnly | ofPathMustExist | ofFileMustExist | ofEnableSizing);

    // The least width that shows the whole row of buttons.
    if (Width() < x + 24) SetWidth(x + 24);
    UpdateView();
    keyFilter_ = Application.AddMessageFilter([this](MSG& m) { return ShortcutKey(m); });
}

TViewerForm::~TViewerForm() { Application.RemoveMessageFilter(keyFilter_); }

void TViewerForm::CreateWnd() {
    TForm::CreateWnd();
    DragAcceptFiles(Handle(), TRUE);
}

void TViewerForm::WndProc(TMessage& m) {
    if (m.Msg == WM_DROPFILES) {
        auto drop = reinterpret_cast<HDROP>(m.WParam);
        char name[MAX_PATH + 1] = {};
        UINT n = DragQueryFileA(drop, 0, name, sizeof name);
        DragFinish(drop);
        m.Result = 0;
        if (n > 0) OpenDocument(std::string(name, n));
        return;
    }
    TForm::WndProc(m);
}

bool TViewerForm::ShortcutKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || !HandleAllocated()) return false;
    if (msg.hwnd != HandleValue() && !IsChild(HandleValue(), msg.hwnd)) return false;
    const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    // Home and End move the caret in the page field.
    const bool inPageField = edPage_->HandleAllocated() && msg.hwnd == edPage_->HandleValue();
    TButton* button = nullptr;
    if (ctrl) {
        if (msg.wParam == 'O') button = btOpen_;
        if (msg.wParam == 'P') button = btPrint_;
        if (msg.wParam == 'W') button = btClose_;
    } else {
        if (msg.wParam == VK_PRIOR) button = btPrevious_;
        if (msg.wParam == VK_NEXT) button = btNext_;
        if (msg.wParam == VK_HOME && !inPageField) button = btFirst_;
        if (msg.wParam == VK_END && !inPageField) button = btLast_;
    }
    if (!button) return false;
    // A key does only what its button could do now.
    if (button->Enabled()) button->Click();
    return true;
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
        // The closed state, and no command on a document that did not open.
        document_.clear();
        UpdateView();
        throw;
    }
    document_ = pdf_->Active() ? pdf_->FileName() : std::string();
    UpdateView();
}

void TViewerForm::UpdateView() {
    bool open = pdf_->Active();
    SetCaption(open ? ShortName(pdf_->FileName()) + " - " + kViewerTitle : kViewerTitle);
    std::string page;
    if (open) {
        if (HWND counter = pdf_->Displayer()->FindPageCounter()) page = PageText(counter);
    }
    edPage_->SetText(page);
    bool document = !document_.empty() && document_ == pdf_->FileName();
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
    // A typed number, or the page of a shown "page / pages".
    std::string text = edPage_->Text();
    char* end = nullptr;
    long page = std::strtol(text.c_str(), &end, 10);
    std::string rest = end;
    if (rest.find_first_not_of(' ') != std::string::npos && rest.find('/') != std::string::npos)
        rest.clear();
    if (text.empty() || rest.find_first_not_of(' ') != std::string::npos || page < 1 || page > 999999)
        throw Exception("Type the number of a page.");
    FOLVEX_VIEW_COMMAND(pdf_->GoToPage(static_cast<int>(page)));
}

#undef FOLVEX_VIEW_COMMAND

}  // namespace folvexview
