#include "folvex/runtime/FolvexComponent.h"

#include <shellapi.h>

#include <cctype>
#include <vector>

#include "folvex/runtime/FolvexMessages.h"
#include "folvex/runtime/FolvexProduct.h"
#include "folvex/runtime/PdfDisplayers.h"
#include "framework/graphics.h"
#include "framework/registry.h"

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
// package) keeps its place; nothing may leave the loader's initialisation.
const bool kRegistered = [] {
    try {
        fw::RegisterClass(TFolvex::StaticClass());
        return true;
    } catch (...) {
        return false;
    }
}();
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
    // Nothing may leave a destructor: should Reader's window not be asked
    // to close, the displayer (and with it the control) goes all the same.
    try {
        Close();
    } catch (...) {
        FreeDisplayer();
    }
    *alive_ = false;
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

std::uint8_t TFolvex::GetAdobeReaderMajorVersion() {
    if (!displayer_) SetError(kNotOpen, "TFolvex.GetAdobeReaderMajorVersion");
    if (readerMajorVersion_ != 0) return readerMajorVersion_;
    std::string versions = GetPdfObject().Call("GetVersions").ToString();
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

void TFolvex::FreeDisplayer() {
    // The field is cleared before the displayer goes: meanwhile the
    // component no longer counts as open.
    displayer_.reset();
}

void TFolvex::Open() {
    if (fileName_.empty()) SetError(SFileNameNotAssigned);
    if (displayer_) return;
    if (!Parent() || !Parent()->Showing()) return;

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
        if (!wasHidden) return;
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
    try {
        displayer_->CreatePdfObject();
        GetPdfObject().Set("Src", fileName_);
        SetLayoutMode(layoutMode_);
        SetPageMode(pageMode_);
        SetShowScrollBars(showScrollBars_);
        SetShowToolBar(showToolBar_);
        SetFitMode(fitMode_);
        displayer_->Display();
        putBack();
    } catch (...) {
        FreeDisplayer();
        putBack();
        SetError(_MSG_CANT_OPEN_FILE, fileName_);
    }
}

void TFolvex::Close() {
    if (!displayer_) return;
    if (closing_) {
        // A Close further up is waiting for Reader's window: this one ends
        // the document now (the displayer posts the pending request as it
        // goes), and the waiting one finds nothing left to do.
        closing_ = false;
        FreeDisplayer();
        return;
    }
    closing_ = true;
    std::shared_ptr<bool> alive = alive_;
    try {
        displayer_->CloseReaderWindow(true);
    } catch (...) {
        if (*alive) closing_ = false;
        throw;
    }
    if (!*alive) return;  // freed while waiting: its destructor closed it
    if (!closing_) return;  // closed while waiting by a nested Close
    closing_ = false;
    FreeDisplayer();
}

void TFolvex::CheckOpen() {
    if (displayer_) return;
    if (!Parent() || !Parent()->Showing()) SetError(SNotOnVisibleControl);
    Open();
    if (!displayer_) SetError(_MSG_CANT_OPEN_FILE, fileName_);
}

// --- commands ------------------------------------------------------------------------

void TFolvex::GoToFirstPage() {
    CheckOpen();
    GetPdfObject().Call("GoToFirstPage");
}

void TFolvex::GoToLastPage() {
    CheckOpen();
    GetPdfObject().Call("GoToLastPage");
}

void TFolvex::GoToNextPage() {
    CheckOpen();
    GetPdfObject().Call("GoToNextPage");
}

void TFolvex::GoToPreviousPage() {
    CheckOpen();
    GetPdfObject().Call("GoToPreviousPage");
}

void TFolvex::GoToNextView() {
    CheckOpen();
    GetPdfObject().Call("GoForwardStack");
}

void TFolvex::GoToPreviousView() {
    CheckOpen();
    GetPdfObject().Call("GoBackwardStack");
}

void TFolvex::GoToPage(int page) {
    CheckOpen();
    GetPdfObject().Call("SetCurrentPage", page);
}

void TFolvex::GoToNamedDest(const std::string& destination) {
    CheckOpen();
    GetPdfObject().Call("SetNamedDest", fw::AnsiToWide(destination));
}

void TFolvex::PrintDoc() {
    CheckOpen();
    if (showPrintDialog_) {
        // Reader's dialog decides the copies and the pages.
        GetPdfObject().Call("PrintWithDialog");
    } else {
        for (int i = 0; i < copies_; ++i) {
            if (startPage_ > 1 || endPage_ > 0)
                GetPdfObject().Call("PrintPagesFit", startPage_, endPage_, shrinkToMargins_);
            else
                GetPdfObject().Call("PrintAllFit", shrinkToMargins_);
        }
    }
    // A close made by a print command may lag; the document stays open.
    if (displayer_) displayer_->CloseReaderWindow(false);
}

void TFolvex::Zoom(int percent, int left, int top) {
    if (displayer_) GetPdfObject().Call("SetZoomScroll", percent, left, top);
}

void TFolvex::ZoomToRect(const RECT& r) {
    if (displayer_)
        GetPdfObject().Call("SetViewRect", static_cast<int>(r.left), static_cast<int>(r.top),
                            static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top));
}

void TFolvex::HighlightRect(const RECT& r) {
    if (displayer_)
        GetPdfObject().Call("SetCurrentHighlight", static_cast<int>(r.left), static_cast<int>(r.top),
                            static_cast<int>(r.right), static_cast<int>(r.bottom));
}

void TFolvex::FitAndScroll(TPdfFitMode mode, int offset) {
    fitMode_ = mode;
    if (displayer_) GetPdfObject().Call("SetViewScroll", std::string(kFitTexts[mode]), offset);
}

void TFolvex::SetLayoutMode(TPdfLayoutMode mode) {
    layoutMode_ = mode;
    if (displayer_) GetPdfObject().Call("SetLayoutMode", std::string(kLayoutTexts[mode]));
}

void TFolvex::SetPageMode(TPdfPageMode mode) {
    pageMode_ = mode;
    if (displayer_) GetPdfObject().Call("SetPageMode", std::string(kPageModeTexts[mode]));
}

void TFolvex::SetShowScrollBars(bool v) {
    showScrollBars_ = v;
    if (displayer_) GetPdfObject().Call("SetShowScrollBars", v);
}

void TFolvex::SetShowToolBar(bool v) {
    showToolBar_ = v;
    if (displayer_) GetPdfObject().Call("SetShowToolbar", v);
}

// --- outside the document ------------------------------------------------------------

void TFolvex::OpenInStandardViewer() {
    if (fileName_.empty()) SetError(SFileNameNotAssigned);
    ShellExecuteA(fw::Application.Handle(), "open", fileName_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
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
    if (displayer_) Close();
    std::string name = value;
    // A bare file name lies beside the program.
    if (!name.empty() && name.find_first_of("\\:") == std::string::npos)
        name = ExtractFilePath(fw::Application.ExeName()) + name;
    fileName_ = name;
    if (fileName_.empty()) return;
    if (!IsUrl(fileName_) && !FileExists(fileName_)) SetError(_MSG_FILE_NOT_FOUND, fileName_);
    if (autoOpen_) Open();
}

void TFolvex::Resize() {
    fw::TCustomPanel::Resize();
    if (displayer_) displayer_->DoOnResize();
}

}  // namespace folvex
