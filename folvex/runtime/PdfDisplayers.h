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
#include "framework/graphics.h"
#include "framework/oleauto.h"

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

protected:
    TFolvex* viewer_;
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

private:
    fw::TOleContainer* container_ = nullptr;  // owned
};

class FOLVEX_API TNewPdfDisplayer : public TPdfDisplayer {
public:
    explicit TNewPdfDisplayer(TFolvex* viewer);
    // Frees a pending close timer (posting its close at once), then the control.
    ~TNewPdfDisplayer() override;

    // Posts WM_CLOSE to the Reader window that Display found, 100 ms later
    // (one pending request at most); does nothing when there is none.  With
    // Wait it handles the application's messages until the close is posted.
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

    // The close timer's handler: posts the close and frees the timer.
    void DoOnReaderCloseTimer(fw::TObject* sender);

    // Reader's top-level window found by Display; 0 when none.
    HWND ReaderWindow() const { return readerWindow_; }
    TAcroPDF* Control() const { return control_; }

private:
    void PostReaderClose();
    TAcroPDF* control_ = nullptr;     // owned (its component owner is the viewer)
    fw::TTimer* closeTimer_ = nullptr;  // owned; present while a close is pending
    HWND readerWindow_ = nullptr;
    // Reader windows that existed before this displayer made its control:
    // they belong to someone else and are never moved or closed.
    std::vector<HWND> foreignWindows_;
    // Cleared by the destructor: a wait that outlives the displayer (a
    // handler freed it meanwhile) sees it and stops touching it.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace folvex
