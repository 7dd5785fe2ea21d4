#include "folvex/runtime/FolvexComponent.h"

#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <functional>
#include <iterator>
#include <vector>

#include "folvex/runtime/FolvexMessages.h"
#include "folvex/runtime/FolvexProduct.h"
#include "folvex/runtime/PdfDisplayers.h"
#include "framework/base/registry.h"
#include "framework/ui/graphics.h"

namespace folvex {

namespace {

const char kContentTypeKey[] = "\\MIME\\Database\\Content Type\\application/pdf";

// The texts Reader's control takes for the view settings, by ordinal.
const char* const kFitTexts[] = {"Fit", "FitH", "FitV", "FitB", "FitBH", "FitBV"};
const char* const kLayoutTexts[] = {"DontCare", "SinglePage", "OneColumn", "TwoColumnLeft", "TwoColumnRight"};
const char* const kPageModeTexts[] = {"none", "bookmarks", "thumbs"};

// The names the form resource writes for them.
const std::vector<std::string> kFitNames = {"vmFit",     "vmFitHorz",    "vmFitVert",
                                            "vmFitBoth", "vmFitBoxHorz", "vmFitBoxVert"};
const std::vector<std::string> kLayoutNames = {"lmDontCare", "lmSinglePage", "lmOneColumn", "lmTwoColumnLeft",
                                               "lmTwoColumnRight"};
const std::vector<std::string> kPageModeNames = {"pmStandard", "pmBookmarks", "pmThumbs"};

// What the queries that need the document raise while it is closed.
const char kNotOpen[] = "No PDF document is open";

// Posted to the component's window: leaving displayers that nothing uses
// any more are freed.
const UINT kFreeLeaving = WM_APP + 0x0F31;

// The bitmap SavePageToFile paints into.
constexpr int kPageBitmapWidth = 1000;
constexpr int kPageBitmapHeight = 1500;

// The name of a "name=value" entry: the text before its first "="; an
// entry without one has the empty name.
std::string EntryName(const std::string& entry) {
    size_t eq = entry.find('=');
    return eq == std::string::npos ? std::string() : entry.substr(0, eq);
}

// The value of the first entry whose name is Name (ignoring case), or "".
std::string ValueOf(const fw::TStrings& list, const std::string& name) {
    for (const std::string& entry : list.Items()) {
        size_t eq = entry.find('=');
        if (eq != std::string::npos && fw::SameText(entry.substr(0, eq), name)) return entry.substr(eq + 1);
    }
    return {};
}

// A decimal integer, optionally signed, with leading blanks; false for
// anything else (an empty text included).
bool ParseInteger(const std::string& text, long long& out) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    long long n = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        if (n < 1000000) n = n * 10 + (text[i] - '0');  // beyond any version: kept from overflowing
    }
    out = negative ? -n : n;
    return true;
}

// An existing file (not a folder).
bool FileExists(const std::string& name) {
    DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Whether the shell would open Name as a PDF document: its extension (of
// the path, or of a URL's path) is ".pdf", or names the file type that
// ".pdf" is registered as.  Programs, scripts and other files are not.
bool IsPdfDocument(const std::string& name) {
    std::string path = name.substr(0, IsUrl(name) ? name.find_first_of("?#") : std::string::npos);
    size_t dot = path.find_last_of('.');
    size_t sep = path.find_last_of("\\/:");
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return false;
    std::string ext = path.substr(dot);
    if (fw::SameText(ext, ".pdf")) return true;
    auto fileType = [](const std::string& extension) {
        fw::TRegistry reg(KEY_READ);
        reg.SetRootKey(HKEY_CLASSES_ROOT);
        return reg.OpenKeyReadOnly("\\" + extension) ? reg.ReadString("") : std::string();
    };
    std::string pdfType = fileType(".pdf");
    return !pdfType.empty() && fw::SameText(fileType(ext), pdfType);
}

// The folder of a path, with its trailing "\" (empty when it has none).
std::string ExtractFilePath(const std::string& path) {
    size_t sep = path.find_last_of("\\:");
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

}  // namespace

FW_IMPLEMENT_CLASS(TFolvex, fw::TCustomPanel, [](fw::TClassBuilder<TFolvex>& b) {
    // The position and size, as every control in a form resource; then the
    // component's own, Align and Visible with the framework's defaults and
    // the others with none, so that they are always written.
    b.Publish({"Left", "Top", "Width", "Height", "Align", "Visible"});
    b.String("About", &TFolvex::About, &TFolvex::SetAbout);
    b.Boolean("AutoOpen", &TFolvex::AutoOpen, &TFolvex::SetAutoOpen);
    b.Integer("Copies", &TFolvex::Copies, &TFolvex::SetCopies);
    b.Integer("EndPage", &TFolvex::EndPage, &TFolvex::SetEndPage);
    b.String("FileName", &TFolvex::FileName, &TFolvex::SetFileName);
    b.Enum("FitMode", kFitNames, &TFolvex::FitMode, &TFolvex::SetFitMode);
    b.Enum("LayoutMode", kLayoutNames, &TFolvex::LayoutMode, &TFolvex::SetLayoutMode);
    b.Enum("PageMode", kPageModeNames, &TFolvex::PageMode, &TFolvex::SetPageMode);
    b.Boolean("ShowPrintDialog", &TFolvex::ShowPrintDialog, &TFolvex::SetShowPrintDialog);
    b.Boolean("ShowScrollBars", &TFolvex::ShowScrollBars, &TFolvex::SetShowScrollBars);
    b.Boolean("ShowToolBar", &TFolvex::ShowToolBar, &TFolvex::SetShowToolBar);
    b.Boolean("ShrinkToMargins", &TFolvex::ShrinkToMargins, &TFolvex::SetShrinkToMargins);
    b.Integer("StartPage", &TFolvex::StartPage, &TFolvex::SetStartPage);
})

namespace {
// Form resources of host programs can hold a TFolvex as soon as the package
// is loaded.  A class of that name registered before (a second copy of the
// package) keeps its place.
const fw::TClassRegistration kRegistered{&TFolvex::StaticClass};
}  // namespace

TFolvex::TFolvex(fw::TComponent* owner) : fw::TCustomPanel(owner) {
    SetBevelInner(fw::bvNone);
    SetBevelOuter(fw::bvNone);
    SetBounds(left_, top_, 300, 300);
    // In the form designer only: the update check, 8 seconds from now.
    if (HasState(fw::csDesigning)) {
        liveUpdateTimer_ = new fw::TTimer(this);
        liveUpdateTimer_->SetInterval(8000);
        liveUpdateTimer_->SetOnTimer([this](fw::TObject* sender) { DoOnLiveUpdateTimer(sender); });
        liveUpdateTimer_->SetEnabled(true);
    }
}

TFolvex::~TFolvex() {
    // A call further up (an Open inside Reader, a Close waiting) learns here
    // that the component is gone.  No message is handled: each displayer
    // hides Reader's window and posts its close as it goes.
    *alive_ = false;
    try {
        displayer_.reset();
        leaving_.clear();
    } catch (...) {
        // Nothing may leave a destructor.
    }
}

// --- the product -------------------------------------------------------------------

std::string TFolvex::ProductName() { return kProductName; }
std::string TFolvex::ProductVersion() { return kProductVersion; }
std::string TFolvex::ProductCopyright() { return kProductCopyright; }
std::string TFolvex::GetAbout() const { return ProductName() + " version " + ProductVersion(); }

// --- queries -----------------------------------------------------------------------

bool TFolvex::Displaying() const { return Active() && Showing() && ComponentState() == 0; }

fw::OleVariant TFolvex::GetPdfObject() {
    if (!displayer_) SetError(kNotOpen, "TFolvex.GetPdfObject");
    return displayer_->GetPdfObject();
}

std::string TFolvex::AdobeReaderProgID() {
    fw::TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_CLASSES_ROOT);
    if (!reg.OpenKeyReadOnly(kContentTypeKey)) SetError(SReaderNotFound);
    std::string clsid = reg.ReadString("CLSID");
    if (!reg.OpenKeyReadOnly("\\CLSID\\" + clsid + "\\ProgID")) SetError(SReaderNotFound);
    return reg.ReadString("");
}

bool TFolvex::AdobeReaderInstalled() {
    try {
        return TabIndex(FirstHalf(AdobeReaderProgID(), '.'), {"PDF", "AcroPDF"}) >= 0;
    } catch (...) {
        return false;
    }
}

std::uint8_t TFolvex::GetAdobeReaderMajorVersion() {
    if (!displayer_) SetError(kNotOpen, "TFolvex.GetAdobeReaderMajorVersion");
    if (readerMajorVersion_ != 0) return readerMajorVersion_;
    std::string versions = CallReader("GetVersions").ToString();
    fw::TStringList list;
    SegmentStringToList(versions, ',', list);
    for (const std::string& entry : list.Items()) {
        long long major = 0;
        if (!ParseInteger(FirstHalf(ValueOf(list, EntryName(entry)), '.'), major)) continue;
        // A version beyond the cache's range counts as the highest it holds.
        if (major > readerMajorVersion_) readerMajorVersion_ = static_cast<std::uint8_t>(major > 255 ? 255 : major);
    }
    return readerMajorVersion_;
}

template <typename... A>
fw::OleVariant TFolvex::CallReader(const char* member, A&&... args) {
    if (!displayer_) SetError(kNotOpen, member);
    TPdfDisplayer* d = displayer_.get();
    TPdfDisplayer::BusyScope busy(d);
    return d->GetPdfObject().Call(member, std::forward<A>(args)...);
}

// --- opening and closing -------------------------------------------------------------

TPdfDisplayer* TFolvex::CreateDisplayer() {
    if (displayer_) return displayer_.get();
    std::string progID = AdobeReaderProgID();
    switch (TabIndex(FirstHalf(progID, '.'), {"PDF", "AcroPDF"})) {
        case 0: displayer_ = std::make_unique<TOldPdfDisplayer>(this); break;
        case 1: displayer_ = std::make_unique<TNewPdfDisplayer>(this); break;
        default: SetError(SReaderVersionNotSupported);
    }
    return displayer_.get();
}

TPdfDisplayer* TFolvex::TakeDisplayer() {
    TPdfDisplayer* d = displayer_.get();
    if (d) leaving_.push_back(std::move(displayer_));
    return d;
}

void TFolvex::EndDisplayer(TPdfDisplayer* d) {
    auto it = std::find_if(leaving_.begin(), leaving_.end(), [d](const auto& p) { return p.get() == d; });
    if (it == leaving_.end()) return;
    if (d->InUse()) {
        // Reader is still inside a call or an event of this control: out of
        // sight now, freed once that has returned.
        d->Hide();
        if (HandleAllocated()) PostMessageA(HandleValue(), kFreeLeaving, 0, 0);
        return;
    }
    std::unique_ptr<TPdfDisplayer> gone = std::move(*it);
    leaving_.erase(it);
}

void TFolvex::FreeLeaving() {
    for (size_t i = 0; i < leaving_.size();) {
        if (leaving_[i]->InUse()) {
            ++i;
            continue;
        }
        std::unique_ptr<TPdfDisplayer> gone = std::move(leaving_[i]);
        leaving_.erase(leaving_.begin() + static_cast<std::ptrdiff_t>(i));
        i = 0;  // a displayer's end may have changed the list
    }
}

void TFolvex::FreeDisplayer() {
    if (TPdfDisplayer* d = TakeDisplayer()) EndDisplayer(d);
}

void TFolvex::Open() {
    if (fileName_.empty()) SetError(SFileNameNotAssigned);
    if (displayer_) return;
    if (!Parent() || !Parent()->Showing()) return;
    // Reader is never handed a local file that is not there (a form
    // resource may have stored one).
    if (!IsUrl(fileName_) && !FileExists(fileName_)) SetError(_MSG_FILE_NOT_FOUND, fileName_);
    const unsigned request = ++requests_;
    reopen_ = false;
    FreeLeaving();
    const std::string name = fileName_;
    std::shared_ptr<bool> alive = alive_;

    // Reader's control is made and shown only in a window that is showing:
    // an invisible component is shown meanwhile, one pixel beyond its
    // parent's left edge, so that nothing of it is seen.
    const bool wasHidden = !Visible();
    const fw::TAlign oldAlign = Align();
    const int oldLeft = Left();
    // Hidden first: a hidden control takes no part in its parent's
    // alignment, so it is neither shown in its aligned place meanwhile nor
    // moved away from its Left by it.
    auto putBack = [&] {
        if (!wasHidden || !*alive) return;
        SetVisible(false);
        SetAlign(oldAlign);
        SetLeft(oldLeft);
    };
    if (wasHidden) {
        SetAlign(fw::alNone);
        SetLeft(-(Width() + 1));
        SetVisible(true);
    }

    try {
        CreateDisplayer();
    } catch (...) {
        // "Adobe Reader not found" and "... version not supported" are
        // raised as they are; the component goes back as it was first.
        putBack();
        throw;
    }
    // Reader may handle messages inside each call, and a handler may make a
    // new request meanwhile; this Open then leaves everything to it.
    TPdfDisplayer* d = displayer_.get();
    auto superseded = [&] { return !*alive || requests_ != request || displayer_.get() != d; };
    bool loaded = false;
    bool failed = false;
    {
        TPdfDisplayer::BusyScope busy(d);
        try {
            d->CreatePdfObject();
            if (!superseded()) {
                // The newer control answers whether it loaded the document.
                if (d->ReportsLoading())
                    loaded = d->GetPdfObject().Call("LoadFile", fw::AnsiToWide(name)).ToBool();
                else {
                    d->GetPdfObject().Set("Src", name);
                    loaded = true;
                }
            }
            // The view settings as stored, in their order.
            std::vector<std::function<void()>> settings = {
                [&] { d->GetPdfObject().Call("SetLayoutMode", std::string(kLayoutTexts[layoutMode_])); },
                [&] { d->GetPdfObject().Call("SetPageMode", std::string(kPageModeTexts[pageMode_])); },
                [&] { d->GetPdfObject().Call("SetShowScrollBars", showScrollBars_); },
                [&] { d->GetPdfObject().Call("SetShowToolbar", showToolBar_); },
                [&] { d->GetPdfObject().Call("SetViewScroll", std::string(kFitTexts[fitMode_]), 0); },
                [&] { d->Display(); },
            };
            for (auto& step : settings) {
                if (!loaded || superseded()) break;
                step();
            }
        } catch (...) {
            failed = true;
        }
    }
    if (!*alive) return;  // freed meanwhile: nothing of it is touched
    if (superseded()) {
        // A later request decided what is shown.
        if (displayer_.get() == d) FreeDisplayer();
        putBack();
        return;
    }
    if (failed || !loaded) {
        FreeDisplayer();
        putBack();
        SetError(_MSG_CANT_OPEN_FILE, name);
    }
    putBack();
}

void TFolvex::Close() {
    ++requests_;
    reopen_ = false;
    CloseDocument();
}

void TFolvex::CloseDocument() {
    TPdfDisplayer* d = TakeDisplayer();
    if (!d) return;
    std::shared_ptr<bool> alive = alive_;
    std::exception_ptr error;
    {
        // Kept while it waits; a handler that runs meanwhile finds the
        // component closed and may open another document.
        TPdfDisplayer::BusyScope busy(d);
        try {
            d->CloseReaderWindow(true);
        } catch (...) {
            error = std::current_exception();
        }
    }
    if (!*alive) return;  // freed while waiting: its destructor ended the displayer
    EndDisplayer(d);
    if (error) std::rethrow_exception(error);
}

void TFolvex::CheckOpen() {
    if (displayer_) return;
    if (!Parent() || !Parent()->Showing()) SetError(SNotOnVisibleControl);
    Open();
    if (!displayer_) SetError(_MSG_CANT_OPEN_FILE, fileName_);
}

void TFolvex::WndProc(fw::TMessage& m) {
    if (m.Msg == kFreeLeaving) {
        FreeLeaving();
        return;
    }
    if (m.Msg == WM_DESTROY && displayer_ && !HasState(fw::csDestroying)) {
        // The window goes (a new parent, a re-created window), and Reader's
        // control with it: the document closes now, without waiting, and
        // opens again in the next window.
        ++requests_;
        TPdfDisplayer* d = TakeDisplayer();
        d->Detach();
        EndDisplayer(d);
        reopen_ = true;
    }
    fw::TCustomPanel::WndProc(m);
}

void TFolvex::CreateWnd() {
    fw::TCustomPanel::CreateWnd();
    // Opened again only on a showing parent; otherwise at the next window.
    if (!reopen_ || fileName_.empty() || !Parent() || !Parent()->Showing()) return;
    reopen_ = false;
    try {
        Open();
    } catch (...) {
        // It stays closed, and Active says so; the next command reports why.
    }
}

// --- commands ------------------------------------------------------------------------

void TFolvex::GoToFirstPage() {
    CheckOpen();
    CallReader("GoToFirstPage");
}

void TFolvex::GoToLastPage() {
    CheckOpen();
    CallReader("GoToLastPage");
}

void TFolvex::GoToNextPage() {
    CheckOpen();
    CallReader("GoToNextPage");
}

void TFolvex::GoToPreviousPage() {
    CheckOpen();
    CallReader("GoToPreviousPage");
}

void TFolvex::GoToNextView() {
    CheckOpen();
    CallReader("GoForwardStack");
}

void TFolvex::GoToPreviousView() {
    CheckOpen();
    CallReader("GoBackwardStack");
}

void TFolvex::GoToPage(int page) {
    CheckOpen();
    CallReader("SetCurrentPage", page);
}

void TFolvex::GoToNamedDest(const std::string& destination) {
    CheckOpen();
    CallReader("SetNamedDest", fw::AnsiToWide(destination));
}

void TFolvex::PrintDoc() {
    CheckOpen();
    if (showPrintDialog_) {
        // Reader's dialog decides the copies and the pages.
        CallReader("PrintWithDialog");
    } else {
        // The copies stop when the document closed meanwhile.
        for (int i = 0; i < copies_ && displayer_; ++i) {
            if (startPage_ > 1 || endPage_ > 0)
                CallReader("PrintPagesFit", startPage_, endPage_, shrinkToMargins_);
            else
                CallReader("PrintAllFit", shrinkToMargins_);
        }
    }
    // A close made by a print command may lag; the document stays open.
    if (displayer_) displayer_->CloseReaderWindow(false);
}

void TFolvex::Zoom(int percent, int left, int top) {
    if (displayer_) CallReader("SetZoomScroll", percent, left, top);
}

void TFolvex::ZoomToRect(const RECT& r) {
    if (displayer_)
        CallReader("SetViewRect", static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right - r.left),
                   static_cast<int>(r.bottom - r.top));
}

void TFolvex::HighlightRect(const RECT& r) {
    if (displayer_)
        CallReader("SetCurrentHighlight", static_cast<int>(r.left), static_cast<int>(r.top),
                   static_cast<int>(r.right), static_cast<int>(r.bottom));
}

void TFolvex::CheckMode(const char* property, unsigned value, unsigned count) {
    if (value >= count) throw fw::EReadError("Invalid property value " + fw::IntToStr(static_cast<int>(value)) +
                                             " for " + property);
}

void TFolvex::FitAndScroll(TPdfFitMode mode, int offset) {
    CheckMode("FitMode", mode, std::size(kFitTexts));
    fitMode_ = mode;
    if (displayer_) CallReader("SetViewScroll", std::string(kFitTexts[mode]), offset);
}

void TFolvex::SetLayoutMode(TPdfLayoutMode mode) {
    CheckMode("LayoutMode", mode, std::size(kLayoutTexts));
    layoutMode_ = mode;
    if (displayer_) CallReader("SetLayoutMode", std::string(kLayoutTexts[mode]));
}

void TFolvex::SetPageMode(TPdfPageMode mode) {
    CheckMode("PageMode", mode, std::size(kPageModeTexts));
    pageMode_ = mode;
    if (displayer_) CallReader("SetPageMode", std::string(kPageModeTexts[mode]));
}

void TFolvex::SetShowScrollBars(bool v) {
    showScrollBars_ = v;
    if (displayer_) CallReader("SetShowScrollBars", v);
}

void TFolvex::SetShowToolBar(bool v) {
    showToolBar_ = v;
    if (displayer_) CallReader("SetShowToolbar", v);
}

// --- outside the document ------------------------------------------------------------

void TFolvex::OpenInStandardViewer() {
    if (fileName_.empty()) SetError(SFileNameNotAssigned);
    // The shell runs programs and scripts too: it is handed documents only.
    if (!IsPdfDocument(fileName_)) SetError(_MSG_CANT_OPEN_FILE, fileName_);
    HINSTANCE result =
        ShellExecuteA(fw::Application.Handle(), "open", fileName_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // The shell's answer: above 32 when it started something for the file.
    if (reinterpret_cast<INT_PTR>(result) <= 32) SetError(_MSG_CANT_OPEN_FILE, fileName_);
}

void TFolvex::SavePageToFile(const std::string& fileName) {
    fw::TBitmap bitmap(kPageBitmapWidth, kPageBitmapHeight);
    PaintTo(bitmap.Canvas(), 0, 0);
    bitmap.SaveToFile(fileName);
}

// --- properties ----------------------------------------------------------------------

void TFolvex::SetCopies(int value) {
    if (value < 1) SetError(SInvalidCopies, fw::IntToStr(value));
    copies_ = value;
}

void TFolvex::SetStartPage(int value) { startPage_ = value < 1 ? 1 : value; }

void TFolvex::SetEndPage(int value) { endPage_ = value < 0 ? 0 : value; }

void TFolvex::SetFileName(const std::string& value) {
    const unsigned request = ++requests_;
    reopen_ = false;
    std::shared_ptr<bool> alive = alive_;
    std::string name = value;
    // A bare file name lies beside the program.
    if (!name.empty() && name.find_first_of("\\:") == std::string::npos)
        name = ExtractFilePath(fw::Application.ExeName()) + name;
    // Stored before Reader's window is waited for: a request made meanwhile
    // (Open, Close, another name) works on this name, and is the one that
    // counts, as if it had come after this call.
    fileName_ = name;
    CloseDocument();
    if (!*alive || requests_ != request) return;
    if (fileName_.empty()) return;
    if (!IsUrl(fileName_) && !FileExists(fileName_)) {
        // A form resource made on another machine still loads: the name is
        // kept, the component stays closed, and Open or the first command
        // reports the missing file.
        if (HasState(fw::csReading | fw::csLoading)) return;
        SetError(_MSG_FILE_NOT_FOUND, fileName_);
    }
    if (autoOpen_) Open();
}

void TFolvex::Resize() {
    fw::TCustomPanel::Resize();
    if (displayer_) displayer_->DoOnResize();
}

}  // namespace folvex
