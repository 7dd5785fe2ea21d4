// TFolvex: the panel that shows a PDF document by hosting the installed
// Adobe Reader's control through a displayer (PdfDisplayers.h).  So far it
// holds what the displayers need of it: the Reader queries, the current
// displayer and the open state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "folvex/runtime/FolvexApi.h"
#include "framework/extctrls.h"
#include "framework/oleauto.h"
#include "framework/stdctrls.h"

namespace folvex {

class TPdfDisplayer;

class FOLVEX_API TFolvex : public fw::TCustomPanel {
    FW_CLASS(TFolvex)
public:
    // No bevels, 300 by 300 pixels.
    explicit TFolvex(fw::TComponent* owner);
    ~TFolvex() override;

    // The program identifier of the installed PDF control: the class that
    // HKEY_CLASSES_ROOT's content type application/pdf names, and that
    // class's ProgID key.  Raises "Adobe Reader not found" when either key
    // is missing.
    std::string AdobeReaderProgID();
    // The highest major number among the "name=version" entries that the
    // open control's GetVersions answers; cached once it is not 0, asked
    // again while it is 0.  Needs an open component.
    std::uint8_t GetAdobeReaderMajorVersion();

    // A displayer exists (the document is open).
    bool Active() const { return displayer_ != nullptr; }
    // Active, the window is showing, and the component is in no framework
    // state (loading, reading, writing, designing, destroying).
    bool Displaying() const;
    // The displayer's automation object; an empty value while not Active.
    fw::OleVariant GetPdfObject();
    // The current displayer, or null.
    TPdfDisplayer* Displayer() const { return displayer_.get(); }

    // Makes the displayer for the installed Reader current (when none is):
    // the program identifier's text before its first ".", ignoring case,
    // selects it ("PDF": TOldPdfDisplayer, "AcroPDF": TNewPdfDisplayer);
    // any other raises "Adobe Reader version not supported".
    TPdfDisplayer* CreateDisplayer();
    // Frees the current displayer (and with it Reader's control).
    void FreeDisplayer();

    // The update-check timer's handler (FolvexUpdate.cpp): stops the timer,
    // runs LiveUpdate for this package and frees the timer, so that each
    // component checks at most once.
    void DoOnLiveUpdateTimer(fw::TObject* sender);

private:
    std::uint8_t readerMajorVersion_ = 0;  // 0: not yet determined
    std::unique_ptr<TPdfDisplayer> displayer_;
    fw::TTimer* liveUpdateTimer_ = nullptr;  // owned; made only in the designer
};

}  // namespace folvex
