#include "folvex/runtime/PdfDisplayers.h"

#include <algorithm>

#include "folvex/runtime/AcroPDF.h"
#include "folvex/runtime/FolvexComponent.h"
#include "folvex/runtime/FolvexRoutines.h"
#include "framework/ole/olectnrs.h"
#include "framework/ui/extctrls.h"

namespace folvex {

namespace {

// From this Reader major version on, a shown document has a top-level
// window of Reader's own besides the embedded control.
constexpr std::uint8_t kReaderWindowVersion = 8;
const char kReaderWindowClass[] = "AcrobatSDIWindow";
const char kPageNumViewTitle[] = "AVPageNumView";
const char kPageNumberClass[] = "Edit";
constexpr int kPageNumberSkip = 2;  // the third "Edit" window
constexpr unsigned kCloseDelayMs = 100;
constexpr int kTextBuffer = 256;

// Visits the windows from Wnd in the searches' order and returns the first
// for which Match is true (0 when none is).  The order is that of a search
// that looks at a window, then searches its next sibling, then its first
// child; an explicit stack replaces that recursion.
template <typename F>
HWND WalkWindows(HWND wnd, F&& match) {
    std::vector<HWND> pending{wnd};
    while (!pending.empty()) {
        HWND w = pending.back();
        pending.pop_back();
        if (!w) continue;
        if (match(w)) return w;
        pending.push_back(GetWindow(w, GW_CHILD));     // searched after ...
        pending.push_back(GetWindow(w, GW_HWNDNEXT));  // ... the sibling chain
    }
    return nullptr;
}

// The top-level windows of Reader's window class, in the system's order.
std::vector<HWND> ReaderWindows() {
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, kReaderWindowClass, nullptr)) != nullptr;)
        found.push_back(w);
    return found;
}

bool Contains(const std::vector<HWND>& list, HWND w) { return std::find(list.begin(), list.end(), w) != list.end(); }

// The Reader windows that displayers have taken as their documents' (in
// Display), for the whole process: no other displayer closes them.
std::vector<HWND>& AdoptedWindows() {
    static auto* list = new std::vector<HWND>;
    return *list;
}

void Unadopt(HWND w) {
    auto& list = AdoptedWindows();
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
}

// Out of sight at once, closed when it handles the posted request.
void HideAndClose(HWND w) {
    ShowWindow(w, SW_HIDE);
    PostMessageA(w, WM_CLOSE, 0, 0);
}

}  // namespace

// --- TPdfDisplayer ---------------------------------------------------------------

HWND TPdfDisplayer::FindControlByName(HWND wnd, const std::string& title) {
    return WalkWindows(wnd, [&](HWND w) {
        char text[kTextBuffer] = {};
        GetWindowTextA(w, text, kTextBuffer);
        return title == text;
    });
}

HWND TPdfDisplayer::FindControlByClass(HWND wnd, const std::string& className, int& counter) {
    return WalkWindows(wnd, [&](HWND w) {
        char name[kTextBuffer] = {};
        GetClassNameA(w, name, kTextBuffer);
        if (className != name) return false;
        if (counter == 0) return true;
        --counter;
        return false;
    });
}

HWND TPdfDisplayer::FindPageCounter() {
    HWND view = FindControlByName(viewer_->Handle(), kPageNumViewTitle);
    return view ? GetWindow(view, GW_CHILD) : nullptr;
}

// --- TOldPdfDisplayer ------------------------------------------------------------

TOldPdfDisplayer::~TOldPdfDisplayer() {
    if (!container_) return;
    if (container_->State() != fw::osEmpty) {
        container_->Close();
        container_->DestroyObject();
    }
    container_->Free();
}

void TOldPdfDisplayer::CreatePdfObject() {
    container_ = new fw::TOleContainer(nullptr);
    container_->SetParent(viewer_);
    container_->SetSizeMode(fw::smAutoSize);
    container_->SetAlign(fw::alClient);
    container_->CreateObject(viewer_->AdobeReaderProgID(), false);
    container_->Run();
}

void TOldPdfDisplayer::Hide() {
    if (container_) container_->SetVisible(false);
}

void TOldPdfDisplayer::Detach() {
    Hide();
    if (container_) container_->SetParent(nullptr);
}

void TOldPdfDisplayer::Display() {
    if (container_) container_->DoVerb(OLEIVERB_SHOW);
}

fw::OleVariant TOldPdfDisplayer::GetPdfObject() { return container_ ? container_->OleObject() : fw::OleVariant(); }

void TOldPdfDisplayer::PaintToCanvas(fw::TCanvas& canvas) {
    if (container_) container_->PaintTo(canvas, 0, 0);
}

// --- TNewPdfDisplayer ------------------------------------------------------------

TNewPdfDisplayer::TNewPdfDisplayer(TFolvex* viewer) : TPdfDisplayer(viewer) {}

TNewPdfDisplayer::~TNewPdfDisplayer() {
    // The timer must not outlive the displayer; the close it would have
    // posted is posted now, with the window hidden at once.
    if (closeTimer_) {
        fw::TTimer* timer = closeTimer_;
        closeTimer_ = nullptr;
        timer->Free();
    }
    ReleaseReaderWindows();
    if (control_) {
        control_->SetParent(nullptr);
        control_->Free();
    }
}

void TNewPdfDisplayer::CreatePdfObject() {
    // Reader windows already open belong to other documents or viewers.
    foreignWindows_ = ReaderWindows();
    madeControl_ = true;
    control_ = new TAcroPDF(viewer_);
    control_->SetParent(viewer_);
}

bool TNewPdfDisplayer::InUse() const { return TPdfDisplayer::InUse() || (control_ && control_->InEvent()); }

void TNewPdfDisplayer::Hide() {
    if (control_) control_->SetVisible(false);
}

void TNewPdfDisplayer::Detach() {
    Hide();
    if (control_) control_->SetParent(nullptr);
}

HWND TNewPdfDisplayer::ReaderWindowIfAlive() {
    if (!readerWindow_) return nullptr;
    char name[kTextBuffer] = {};
    if (!IsWindow(readerWindow_) || !GetClassNameA(readerWindow_, name, kTextBuffer) ||
        std::string(name) != kReaderWindowClass || GetWindowThreadProcessId(readerWindow_, nullptr) != readerThread_)
        ForgetReaderWindow();
    return readerWindow_;
}

void TNewPdfDisplayer::ForgetReaderWindow() {
    Unadopt(readerWindow_);
    readerWindow_ = nullptr;
    readerThread_ = 0;
}

void TNewPdfDisplayer::ReleaseReaderWindows() {
    if (readerWindow_) {
        if (HWND w = ReaderWindowIfAlive()) HideAndClose(w);
        ForgetReaderWindow();
        return;
    }
    if (!madeControl_) return;
    // Display never took a window (Open failed on the way): those that
    // appeared since this control was made, and that no other displayer
    // took, are this control's.
    for (HWND w : ReaderWindows())
        if (!Contains(foreignWindows_, w) && !Contains(AdoptedWindows(), w)) HideAndClose(w);
}

void TNewPdfDisplayer::Display() {
    DoOnResize();
    if (viewer_->GetAdobeReaderMajorVersion() < kReaderWindowVersion) return;
    HWND found = nullptr;
    for (HWND w : ReaderWindows()) {
        if (!Contains(foreignWindows_, w) && !Contains(AdoptedWindows(), w)) {
            found = w;
            break;
        }
    }
    if (!found) SetError(_MSG_INTERNAL_ERROR, "TNewPdfDisplayer.Display");
    if (readerWindow_ != found) ForgetReaderWindow();
    readerWindow_ = found;
    readerThread_ = GetWindowThreadProcessId(found, nullptr);
    if (!Contains(AdoptedWindows(), found)) AdoptedWindows().push_back(found);
    // Out of sight until CloseReaderWindow closes it.
    MoveWindow(found, -100, -100, 0, 0, TRUE);
}

void TNewPdfDisplayer::DoOnResize() {
    if (!control_) return;
    control_->SetBounds(0, 0, viewer_->Width(), viewer_->Height());
    if (viewer_->Displaying()) {
        PostMessageA(viewer_->Handle(), WM_SETFOCUS, 0, 0);
        PostMessageA(control_->Handle(), WM_SETFOCUS, 0, 0);
    }
}

void TNewPdfDisplayer::CloseReaderWindow(bool wait) {
    if (!ReaderWindowIfAlive()) return;
    // One pending request at most: a second one waits for the first.
    if (!closeTimer_) {
        closeTimer_ = new fw::TTimer(nullptr);
        closeTimer_->SetInterval(kCloseDelayMs);
        closeTimer_->SetOnTimer([this](fw::TObject* sender) { DoOnReaderCloseTimer(sender); });
        closeTimer_->SetEnabled(true);
    }
    if (!wait) return;
    std::shared_ptr<bool> alive = Alive();
    while (*alive && closeTimer_ && !fw::Application.Terminated()) fw::Application.HandleMessage();
    // The application is ending: its loop will not run the timer again.
    if (*alive && closeTimer_) PostReaderClose();
}

void TNewPdfDisplayer::DoOnReaderCloseTimer(fw::TObject*) { PostReaderClose(); }

void TNewPdfDisplayer::PostReaderClose() {
    fw::TTimer* timer = closeTimer_;
    if (timer) timer->SetEnabled(false);
    if (HWND w = ReaderWindowIfAlive()) PostMessageA(w, WM_CLOSE, 0, 0);
    closeTimer_ = nullptr;
    if (timer) timer->Free();  // a timer's handler may free its own timer
}

HWND TNewPdfDisplayer::FindPageCounter() {
    if (viewer_->GetAdobeReaderMajorVersion() < kReaderWindowVersion) return TPdfDisplayer::FindPageCounter();
    int counter = kPageNumberSkip;
    return FindControlByClass(viewer_->Handle(), kPageNumberClass, counter);
}

fw::OleVariant TNewPdfDisplayer::GetPdfObject() { return control_ ? control_->OleObject() : fw::OleVariant(); }

void TNewPdfDisplayer::PaintToCanvas(fw::TCanvas& canvas) {
    if (control_) control_->PaintTo(canvas, 0, 0);
}

}  // namespace folvex
