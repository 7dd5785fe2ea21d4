// TOpenDialog and TSaveDialog: the system's file dialog (GetOpenFileNameA,
// GetSaveFileNameA) with a title, a filter in the "Name|*.ext|Name|*.*"
// form, an initial and chosen file name, a default extension and options.
#pragma once

#include <string>

#include "framework/base/classes.h"

namespace fw {

enum TOpenOption : unsigned {
    ofReadOnly = 1u << 0,
    ofOverwritePrompt = 1u << 1,   // save: asks before replacing an existing file
    ofHideReadOnly = 1u << 2,      // no "open as read-only" check box
    ofNoChangeDir = 1u << 3,       // the current folder is put back afterwards
    ofPathMustExist = 1u << 4,
    ofFileMustExist = 1u << 5,     // open: only existing files are accepted
    ofCreatePrompt = 1u << 6,
    ofNoValidate = 1u << 7,
    ofEnableSizing = 1u << 8,
};
using TOpenOptions = unsigned;

class TOpenDialog : public TComponent {
    FW_CLASS(TOpenDialog)
public:
    explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& t) { title_ = t; }
    // Pairs of a description and a pattern, all joined by '|'; a pattern may
    // hold several, separated by ';' ("Pictures|*.bmp;*.png").
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& f) { filter_ = f; }
    // The filter chosen, counting from 1; Execute reads it back.
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int i) { filterIndex_ = i; }
    // The name shown at first, and after a confirmed Execute the full path chosen.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& f) { fileName_ = f; }
    // Added to a typed name without an extension ("pdf" or ".pdf").
    const std::string& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& e) { defaultExt_ = e; }
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& d) { initialDir_ = d; }
    TOpenOptions Options() const { return options_; }
    void SetOptions(TOpenOptions o) { options_ = o; }

    // Shows the dialog modally, owned by the active window of this thread or
    // else the application's window.  True when the user confirmed (FileName
    // and FilterIndex then hold the choice); false when cancelled, with
    // FileName unchanged.  An initial name that the system refuses (a web
    // address, say) is left out rather than keeping the dialog from opening.
    // Exception for any other failure of the dialog.
    virtual bool Execute();

protected:
    virtual bool IsSave() const { return false; }

private:
    std::string title_, filter_, fileName_, defaultExt_, initialDir_;
    int filterIndex_ = 1;
    TOpenOptions options_ = ofHideReadOnly | ofEnableSizing;
};

class TSaveDialog : public TOpenDialog {
    FW_CLASS(TSaveDialog)
public:
    explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}

protected:
    bool IsSave() const override { return true; }
};

}  // namespace fw
