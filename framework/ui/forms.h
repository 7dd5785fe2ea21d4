// TCustomForm and TForm (a top-level window read from its form resource:
// border icons and style, position, Show, ShowModal, Close with a close
// action, OnCreate/OnClose/OnDestroy, dialog keys), GetParentForm, and
// TApplication::CreateForm.
#pragma once

#include <new>

#include "framework/ui/controls.h"
#include "framework/ui/stdctrls.h"

namespace fw {

enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter,
};
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;

class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// A form.  Left and Top are screen coordinates, Width and Height the outer
// size of the window; ClientWidth and ClientHeight its client area.
//
// A form class with a resource binds its component fields and handler
// methods in its constructor, then calls InitForm with the resource name:
//     TMainForm(TComponent* o) : TForm(o) {
//         BindField("btOk", btOk);
//         BindMethod("btOkClick", &TMainForm::btOkClick);
//         InitForm("MainForm");
//     }
// InitForm reads the resource (components in the resource's order, events
// bound by name), fills the fields and runs OnCreate; an exception that
// escapes OnCreate is reported by Application and the form stays usable.
class TCustomForm : public TWinControl {
    FW_CLASS(TCustomForm)
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;
    void BeforeDestruction() override;

    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons b);
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle s);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition p) { position_ = p; }
    void SetClientWidth(int w);
    void SetClientHeight(int h);
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int r) { modalResult_ = r; }
    bool Modal() const { return modal_; }
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* c);

    void SetVisible(bool v) override;
    bool Showing() const override;
    void Show();
    void Hide() { SetVisible(false); }
    // Shows the form and waits until ModalResult is set (a button with a
    // ModalResult, Close); the application's other windows are disabled.
    int ShowModal();
    // OnCloseQuery, then OnClose with the close action (caHide): caNone keeps
    // the form, caHide hides it, caFree frees it later, and for the main form
    // any action but caNone ends Application.Run.
    void Close();
    // Frees the form once the message being handled is done.
    void Release();

    // The visible, enabled button marked Default or Cancel; null when none.
    TButton* DefaultButton() const;
    TButton* CancelButton() const;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    void WndProc(TMessage& m) override;
    void Loaded() override;
    // The controls on the form, then (for the root) the owned components
    // that have no parent: timers, top-level menu items.
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;

    template <typename T>
    void BindField(const std::string& name, T*& field) {
        T** slot = &field;
        fields_.push_back(Field{name,
                                [slot](TComponent* c) {
                                    T* t = dynamic_cast<T*>(c);
                                    if (c && !t) return false;
                                    *slot = t;
                                    return true;
                                },
                                [slot](TComponent* c) {
                                    if (c && static_cast<TComponent*>(*slot) == c) *slot = nullptr;
                                }});
    }

protected:
    void InitForm(const std::string& resourceName);
    void InitFormText(const std::string& text);
    virtual bool CloseQuery();
    virtual void DoClose(TCloseAction& action);
    void CreateParams(TCreateParams& p) override;
    void BoundsChanged(bool moved, bool sized) override;
    void VisibleChanged() override;
    void Notification(TComponent* c, TOperation op) override;

private:
    struct Field {
        std::string name;
        std::function<bool(TComponent*)> assign;
        std::function<void(TComponent*)> clearIf;
    };
    void BindFields();
    void FocusFirst();
    void CloseModal();
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    int modalResult_ = 0;
    bool modal_ = false;
    TWinControl* activeControl_ = nullptr;
    HWND lastFocus_ = nullptr;
    std::vector<Field> fields_;
};

class TForm : public TCustomForm {
    FW_CLASS(TForm)
public:
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

// The form a control sits on (its top-level parent), or null.
TCustomForm* GetParentForm(const TControl* c);

template <typename T>
void TApplication::CreateForm(T*& ref) {
    Initialize();
    // The reference is set before the constructor runs, so that OnCreate
    // handlers can already use it (as the classic CreateForm does).
    void* mem = ::operator new(sizeof(T));
    ref = static_cast<T*>(mem);
    try {
        new (mem) T(nullptr);
    } catch (...) {
        ::operator delete(mem);
        ref = nullptr;
        throw;
    }
    AddForm(ref);
}

}  // namespace fw
