// TDesignForm (the form being designed: a real TForm in designing state,
// above the designer's window) and TDesignerWindow (the designer's main
// window: file commands, the component palette, the component list and the
// property inspector; it loads packages and is the IDesigner of editors).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/base/handles.h"
#include "framework/design/designer/inspector.h"
#include "framework/design/designer/widgets.h"
#include "framework/design/designintf.h"

namespace orvd {

// The form being designed.  It streams and reads as a TForm; its window is
// owned by the designer's window, so that it stays above it.
class TDesignForm : public TForm {
public:
    TDesignForm(TComponent* owner, HWND ownerWindow);
    // Shows the window to design the form; Visible keeps the value the form
    // has in its resource (a form is hidden until its program shows it).
    void ShowDesigned();
    // While the window is on screen, Visible is only the value saved.
    void SetVisible(bool v) override;

protected:
    void CreateParams(TCreateParams& p) override;

private:
    HWND ownerWindow_;
};

class TDesignerWindow : public TForm, public IDesigner {
    FW_CLASS(TDesignerWindow)
public:
    explicit TDesignerWindow(TComponent* owner);
    ~TDesignerWindow() override;

    // The command line: packages (.dll, .bpl) loaded in their order, then a
    // form file opened (or, when it does not exist yet, a new form that is
    // saved there).  Failures are reported and the designer goes on.
    void Start(const std::vector<std::string>& args);

    // IDesigner
    int SelectionCount() const override { return static_cast<int>(selection_.size()); }
    TComponent* Selection(int index) const override;
    void Modified() override;

    void LoadPackage(const std::string& path);
    void NewForm();
    void OpenForm(const std::string& path);
    void SaveForm(const std::string& path);
    void Select(TComponent* c);

    void WndProc(TMessage& m) override;

protected:
    bool CloseQuery() override;

private:
    struct Package {
        std::string path;
        HMODULE module;
        std::string description;
    };
    void BuildPalette();
    void ShowPage(int index);
    void PaletteClick(TToolButton* b, const TMetaClass* mc);
    bool FilterDesignInput(MSG& msg);
    void DesignClick(POINT formPt);
    TControl* ControlAt(TWinControl* parent, POINT pt);
    void PlaceComponent(const TMetaClass& mc, POINT formPt);
    std::string UniqueName(const TMetaClass& mc) const;
    void ReplaceForm(TDesignForm* f, const std::string& path);
    void FillComponentList();
    void UpdateHandles();
    void UpdateCaption();
    bool AskSave();  // false: the user cancelled
    void Save();
    void SaveAs();
    void Open();
    HBITMAP PaletteBitmap(const TMetaClass& mc);
    void Layout();

    TCustomPanel* pnTop_ = nullptr;
    TButton* btNew_ = nullptr;
    TButton* btOpen_ = nullptr;
    TButton* btSave_ = nullptr;
    TButton* btSaveAs_ = nullptr;
    TLabel* laPackages_ = nullptr;
    TTabStrip* tsPalette_ = nullptr;
    TCustomPanel* pnLeft_ = nullptr;
    TDropList* cbComponents_ = nullptr;
    TInspector* inspector_ = nullptr;
    std::vector<TToolButton*> paletteButtons_;
    std::vector<std::string> pages_;
    HWND tooltip_ = nullptr;
    const TMetaClass* placing_ = nullptr;

    TDesignForm* form_ = nullptr;
    std::string fileName_;
    bool modified_ = false;
    std::vector<TComponent*> selection_;
    HWND grab_[4] = {};
    std::vector<Package> packages_;
    std::vector<std::pair<std::string, UniqueBitmap>> bitmaps_;  // shown by palette buttons
    int filter_ = 0;
};

}  // namespace orvd
