// TFolvex: the panel that shows a PDF document by hosting the installed
// Adobe Reader's control through a displayer (PdfDisplayers.h), and the view
// settings it streams (TPdfFitMode, TPdfLayoutMode, TPdfPageMode).
//
// Everything the component does with the document is a late-bound call by
// name on the displayer's automation object, so that the same calls work on
// both generations of Reader's control.  Failures are raised through
// SetError (FolvexRoutines.h); errors of Reader's control itself reach the
// caller as the framework's automation exceptions.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "folvex/runtime/FolvexApi.h"
#include "framework/ole/oleauto.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/stdctrls.h"

namespace folvex {

class TPdfDisplayer;

// How a page fits the view (Reader's view texts "Fit", "FitH", "FitV",
// "FitB", "FitBH", "FitBV").
enum TPdfFitMode : std::uint8_t { vmFit, vmFitHorz, vmFitVert, vmFitBoth, vmFitBoxHorz, vmFitBoxVert };
// How pages are laid out ("DontCare", "SinglePage", "OneColumn",
// "TwoColumnLeft", "TwoColumnRight").
enum TPdfLayoutMode : std::uint8_t { lmDontCare, lmSinglePage, lmOneColumn, lmTwoColumnLeft, lmTwoColumnRight };
// Reader's side pane: none, bookmarks or page thumbnails ("none",
// "bookmarks", "thumbs").
enum TPdfPageMode : std::uint8_t { pmStandard, pmBookmarks, pmThumbs };

class FOLVEX_API TFolvex : public fw::TCustomPanel {
    FW_CLASS(TFolvex)
public:
    // No bevels, 300 by 300 pixels; the properties at their values of the
    // table of streamed properties (AutoOpen, ShowPrintDialog,
    // ShowScrollBars, ShowToolBar, ShrinkToMargins on; one copy; pages 1 to 0).
    explicit TFolvex(fw::TComponent* owner);
    // Handles no message: Reader's window is hidden and told to close at
    // once, and the control goes with the displayer.
    ~TFolvex() override;

    // --- the product -----------------------------------------------------------------
    static std::string ProductName();       // "Orvanta Folvex"
    static std::string ProductVersion();    // "1.1"
    static std::string ProductCopyright();  // the maker's one-line notice
    // "Orvanta Folvex version 1.1".
    virtual std::string GetAbout() const;

    // --- queries ---------------------------------------------------------------------
    // The program identifier of the installed PDF control: the class that
    // HKEY_CLASSES_ROOT's content type application/pdf names, and that
    // class's ProgID key.  Raises "Adobe Reader not found" when either key
    // is missing.
    std::string AdobeReaderProgID();
    // Whether a Reader control of a generation the component can host is
    // installed (the program identifier above, "PDF..." or "AcroPDF...");
    // never raises.
    bool AdobeReaderInstalled();
    // The highest major number among the "name=version" entries that the
    // open control's GetVersions answers; cached once it is not 0, asked
    // again while it is 0.  Raises when the component is not open.
    std::uint8_t GetAdobeReaderMajorVersion();

    // A displayer exists (the document is open).
    bool Active() const { return displayer_ != nullptr; }
    // Active, the window is showing, and the component is in no framework
    // state (loading, reading, writing, designing, destroying).
    bool Displaying() const;
    // The displayer's automation object, on which the commands call Reader's
    // members by name.  Raises when the component is not open.
    fw::OleVariant GetPdfObject();
    // The current displayer, or null.
    TPdfDisplayer* Displayer() const { return displayer_.get(); }

    // --- opening and closing ---------------------------------------------------------
    // Opens FileName in Reader's control.  Raises "FileName property not
    // assigned" without a name; does nothing when already open, and nothing
    // (silently) when the component has no parent or its parent is not
    // showing; raises "File not found" for a local file that is not there.
    // An invisible component is shown off its parent's left edge while the
    // control is made, then put back as it was.  The document goes to the
    // newer control through LoadFile (its answer counts), to the older one
    // through "Src"; then the view settings are sent again (layout, page
    // mode, scroll bars, tool bar, fit mode).  Any failure leaves it closed,
    // with its Align, Left and Visible as they were: "Adobe Reader not found"
    // and "Adobe Reader version not supported" as they are, others as "Can't
    // open file" with FileName.  A request that comes while Reader works
    // (a Close, a new FileName, the component freed) wins: this Open then
    // stops where it is and leaves everything to it.
    virtual void Open();
    // Closes the document at once (Active turns false), then asks Reader's
    // own window to close, waiting (handling messages) until the request is
    // posted.  Nothing when closed.
    virtual void Close();
    // Opens when closed: "Can't open PDF document: viewer must be placed on
    // a visible control" without a showing parent, "Can't open file" when it
    // is still closed afterwards.
    void CheckOpen();
    // Makes the displayer for the installed Reader current (when none is):
    // the program identifier's text before its first ".", ignoring case,
    // selects it ("PDF": TOldPdfDisplayer, "AcroPDF": TNewPdfDisplayer);
    // any other raises "Adobe Reader version not supported".
    TPdfDisplayer* CreateDisplayer();
    // Frees the current displayer (and with it Reader's control); while the
    // control is inside a call or one of its own events, it is taken out of
    // the window now and freed once that has returned.
    void FreeDisplayer();

    // The update-check timer's handler (FolvexUpdate.cpp): stops the timer,
    // runs LiveUpdate for this package and frees the timer, so that each
    // component checks at most once.
    void DoOnLiveUpdateTimer(fw::TObject* sender);

    // --- commands (opening first) ----------------------------------------------------
    void GoToFirstPage();
    void GoToLastPage();
    void GoToNextPage();
    void GoToPreviousPage();
    void GoToNextView();      // Reader's "GoForwardStack"
    void GoToPreviousView();  // Reader's "GoBackwardStack"
    void GoToPage(int page);
    void GoToNamedDest(const std::string& destination);
    // Prints through Reader's dialog once (ShowPrintDialog), or Copies times
    // the range StartPage to EndPage (the whole document for 1 to 0),
    // shrunk to the margins as ShrinkToMargins says; then asks Reader's own
    // window to close, without waiting.
    virtual void PrintDoc();

    // --- commands (only while open) --------------------------------------------------
    void Zoom(int percent, int left, int top);
    // Shows the rectangle (Reader gets left, top, width, height).
    void ZoomToRect(const RECT& r);
    // Highlights the rectangle (Reader gets left, top, right, bottom).
    void HighlightRect(const RECT& r);
    // Stores the fit mode; while open, sends it with the scroll offset.
    void FitAndScroll(TPdfFitMode mode, int offset);

    // --- outside the document --------------------------------------------------------
    // The shell's "open" on FileName (the system's PDF program or browser);
    // raises "FileName property not assigned" without a name, and "Can't
    // open file" with the name when it is no PDF document (neither the
    // ".pdf" extension nor the file type registered for it: never a program
    // or a script) or when the shell could not open it.
    void OpenInStandardViewer();
    // Paints the component's window and its child windows into a new
    // 1000 by 1500 bitmap at (0, 0) and saves it as a Windows bitmap file.
    void SavePageToFile(const std::string& fileName);

    // --- properties --------------------------------------------------------------------
    std::string About() const { return GetAbout(); }
    void SetAbout(const std::string&) {}  // read-only in effect
    bool AutoOpen() const { return autoOpen_; }
    void SetAutoOpen(bool v) { autoOpen_ = v; }
    int Copies() const { return copies_; }
    // Raises "Invalid number of copies" (the number as detail) below 1,
    // keeping the count it had.
    void SetCopies(int value);
    int EndPage() const { return endPage_; }
    void SetEndPage(int value);  // below 0: 0 (to the last page)
    const std::string& FileName() const { return fileName_; }
    // Closes the document, then stores the name: a name without "\" or ":"
    // is taken from the program's folder; URLs are kept as they are.  Raises
    // "File not found" for a name that is neither a URL nor an existing
    // file (the name stays stored; while a form resource is read it is only
    // stored); otherwise opens it when AutoOpen is on.  When another request
    // comes while Reader's window closes, that one wins and this name is not
    // stored.
    void SetFileName(const std::string& value);
    // The mode setters raise the framework's property error (EReadError)
    // for a value outside their enumeration, keeping the mode they had.
    TPdfFitMode FitMode() const { return fitMode_; }
    void SetFitMode(TPdfFitMode mode) { FitAndScroll(mode, 0); }
    TPdfLayoutMode LayoutMode() const { return layoutMode_; }
    void SetLayoutMode(TPdfLayoutMode mode);
    TPdfPageMode PageMode() const { return pageMode_; }
    void SetPageMode(TPdfPageMode mode);
    bool ShowPrintDialog() const { return showPrintDialog_; }
    void SetShowPrintDialog(bool v) { showPrintDialog_ = v; }
    bool ShowScrollBars() const { return showScrollBars_; }
    void SetShowScrollBars(bool v);
    bool ShowToolBar() const { return showToolBar_; }
    void SetShowToolBar(bool v);
    bool ShrinkToMargins() const { return shrinkToMargins_; }
    void SetShrinkToMargins(bool v) { shrinkToMargins_ = v; }
    int StartPage() const { return startPage_; }
    void SetStartPage(int value);  // below 1: 1

    void WndProc(fw::TMessage& m) override;

protected:
    // After the framework's own handling, the open displayer fits the
    // control to the new size.
    void Resize() override;
    // A document that the previous window showed opens again in the new one.
    void CreateWnd() override;

private:
    std::uint8_t readerMajorVersion_ = 0;  // 0: not yet determined
    bool autoOpen_ = true;
    std::int32_t copies_ = 1;
    std::unique_ptr<TPdfDisplayer> displayer_;  // present while open
    std::int32_t endPage_ = 0;
    std::string fileName_;
    TPdfFitMode fitMode_ = vmFit;
    TPdfLayoutMode layoutMode_ = lmDontCare;
    fw::TTimer* liveUpdateTimer_ = nullptr;  // owned; made only in the designer
    TPdfPageMode pageMode_ = pmStandard;
    bool showPrintDialog_ = true;
    bool showScrollBars_ = true;
    bool showToolBar_ = true;
    bool shrinkToMargins_ = true;
    std::int32_t startPage_ = 1;

    // Reader's calls and Close's wait may handle messages, and a handler
    // may close, reopen, rename or free the component meanwhile.  Each
    // request (Open, Close, SetFileName, a lost window) counts in
    // requests_; a call that finds the count changed after such a point
    // stops there, so the last request is what Reader shows.  alive_
    // outlives the component: a call that finds it cleared touches nothing.
    unsigned requests_ = 0;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    // Displayers that are no longer current but still needed: one whose
    // Close waits for Reader's window, one whose control is inside a call
    // or an event.  Freed as soon as nothing uses them (or with the component).
    std::vector<std::unique_ptr<TPdfDisplayer>> leaving_;
    // The window went while a document was open: it opens again in the next.
    bool reopen_ = false;

    // The current displayer becomes a leaving one (Active turns false).
    TPdfDisplayer* TakeDisplayer();
    // Frees a leaving displayer, or, while it is in use, hides it and frees
    // it later (a posted message, or the next Open or Close).
    void EndDisplayer(TPdfDisplayer* d);
    void FreeLeaving();
    // Close without counting as a request (SetFileName's own).
    void CloseDocument();
    // Calls member on the current displayer's automation object, keeping the
    // displayer while Reader works; raises when the component is closed.
    template <typename... A>
    fw::OleVariant CallReader(const char* member, A&&... args);
    // The view settings, checked against their enumerations.
    static void CheckMode(const char* property, unsigned value, unsigned count);
};

}  // namespace folvex
