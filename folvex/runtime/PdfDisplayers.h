// The displayers, which create, show, size, paint and close Adobe Reader's
// control for a TFolvex: TPdfDisplayer (the base, with the window searches),
// TOldPdfDisplayer (the older "PDF" control, embedded as a generic OLE
// object) and TNewPdfDisplayer (the newer "AcroPDF" control through
// TAcroPDF; from Reader 8 also Reader's own top-level window).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "folvex/runtime/FolvexApi.h"
#include "framework/ole/oleauto.h"
#include "framework/ui/graphics.h"

namespace fw {
class TOleContainer;
class TTimer;
}  // namespace fw

namespace folvex {

class TFolvex;
class TAcroPDF;

class FOLVEX_API TPdfDisplayer : public fw::TObject {
public:
    // Viewer: the component the displayer works for (not owned).
    explicit TPdfDisplayer(TFolvex* viewer) : viewer_(viewer) {}
    TPdfDisplayer(const TPdfDisplayer&) = delete;
    TPdfDisplayer& operator=(const TPdfDisplayer&) = delete;

    // Asks Reader's own top-level window to close; with Wait, returns only
    // once the request has been posted.
    virtual void CloseReaderWindow(bool wait) = 0;
    // The viewer changed its size (while open).
    virtual void DoOnResize() {}
    // The control's automation object.
    virtual fw::OleVariant GetPdfObject() = 0;
    // Creates Reader's control inside the viewer.
    virtual void CreatePdfObject() = 0;
    // Shows the loaded document.
    virtual void Display() = 0;
    // Reader's page-number field: the first child of the window titled
    // "AVPageNumView" found from the viewer's window; 0 when none is.
    virtual HWND FindPageCounter();
    // Paints the control's window and its children into Canvas at (0, 0).
    virtual void PaintToCanvas(fw::TCanvas& canvas) = 0;

    // Whether the control answers if it loaded a document (the newer
    // control's LoadFile); the older one only takes "Src".
    virtual bool ReportsLoading() const { return false; }
    // The control is inside a call of ours or is handling one of its own
    // events: it must not be freed until that returns.
    virtual bool InUse() const { return busy_ > 0; }
    // Hides the control (it stays embedded until the displayer goes).
    virtual void Hide() {}
    // Takes the control out of the viewer's window (hidden), so that a new
    // window of the viewer makes no blank control for it.
    virtual void Detach() {}
    // Cleared when the displayer goes: a caller that waited or called
    // Reader through it learns there whether it still exists.
    std::shared_ptr<bool> Alive() const { return alive_; }

    // Marks the displayer in use for the life of the scope (a call into
    // Reader's control through it); safe when the displayer goes meanwhile.
    class BusyScope {
    public:
        explicit BusyScope(TPdfDisplayer* d) : d_(d), alive_(d->alive_) { ++d_->busy_; }
        ~BusyScope() {
            if (*alive_) --d_->busy_;
        }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        TPdfDisplayer* d_;
        std::shared_ptr<bool> alive_;
    };

    // The searches visit a window, then the rest of its sibling chain with
    // all their descendants, and only then its own children (so, from the
    // viewer's window, the viewer's following siblings come before its
    // children).  They walk without recursion, so long chains of windows
    // cannot exhaust the stack.
    //
    // The first window in that order whose title is Title; 0 when none is.
    HWND FindControlByName(HWND wnd, const std::string& title);
    // The window of class ClassName at position Counter + 1 in that order;
    // each match passed over decreases Counter.  0 when there are fewer.
    HWND FindControlByClass(HWND wnd, const std::string& className, int& counter);

    ~TPdfDisplayer() override { *alive_ = false; }

protected:
    TFolvex* viewer_;

private:
    int busy_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class FOLVEX_API TOldPdfDisplayer : public TPdfDisplayer {
public:
    using TPdfDisplayer::TPdfDisplayer;
    ~TOldPdfDisplayer() override;

    void CloseReaderWindow(bool) override {}  // the older control has no window of its own
    fw::OleVariant GetPdfObject() override;
    // An OLE container filling the viewer, sized to the object, holding the
    // running object of the Reader's program identifier.
    void CreatePdfObject() override;
    void Display() override;  // the object's show verb
    void PaintToCanvas(fw::TCanvas& canvas) override;
    void Hide() override;
    void Detach() override;

private:
    fw::TOleContainer* container_ = nullptr;  // owned
};

class FOLVEX_API TNewPdfDisplayer : public TPdfDisplayer {
public:
    explicit TNewPdfDisplayer(TFolvex* viewer);
    // Never waits: frees a pending close timer, hides Reader's window and
    // posts its close at once (when Display never took one, the Reader
    // windows that this displayer's control opened), then frees the control.
    ~TNewPdfDisplayer() override;

    // Posts WM_CLOSE to the Reader window that Display found, 100 ms later
    // (one pending request at most); does nothing when there is none, or
    // when that window is gone (the handle is then forgotten).  With Wait
    // it handles the application's messages until the close is posted.
    void CloseReaderWindow(bool wait) override;
    // The control fills the viewer; while the viewer is displaying, a focus
    // message is posted to the viewer and then to the control.
    void DoOnResize() override;
    fw::OleVariant GetPdfObject() override;
    // A TAcroPDF owned by the viewer, in the viewer.
    void CreatePdfObject() override;
    // Sizes the control; from Reader 8 moves Reader's new top-level window
    // off-screen ("Internal error" when none has appeared).
    void Display() override;
    // Before Reader 8 as the base; from 8 the third "Edit" window.
    HWND FindPageCounter() override;
    void PaintToCanvas(fw::TCanvas& canvas) override;
    bool ReportsLoading() const override { return true; }
    bool InUse() const override;
    void Hide() override;
    void Detach() override;

    // The close timer's handler: posts the close and frees the timer.
    void DoOnReaderCloseTimer(fw::TObject* sender);

    // Reader's top-level window found by Display; 0 when none.
    HWND ReaderWindow() const { return readerWindow_; }
    TAcroPDF* Control() const { return control_; }

private:
    void PostReaderClose();
    // The stored Reader window, while it is still a window of Reader's
    // class on the thread it had when Display took it; otherwise the handle
    // is forgotten (a closed window's handle may come back as another's).
    HWND ReaderWindowIfAlive();
    void ForgetReaderWindow();
    // Hides Reader's window(s) of this displayer and posts their close.
    void ReleaseReaderWindows();
    TAcroPDF* control_ = nullptr;     // owned (its component owner is the viewer)
    fw::TTimer* closeTimer_ = nullptr;  // owned; present while a close is pending
    HWND readerWindow_ = nullptr;
    DWORD readerThread_ = 0;  // the thread of readerWindow_
    bool madeControl_ = false;
    // Reader windows that existed before this displayer made its control:
    // they belong to someone else and are never moved or closed.
    std::vector<HWND> foreignWindows_;
};

}  // namespace folvex
