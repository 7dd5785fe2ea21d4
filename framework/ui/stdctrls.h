// TLabel, TButton, TCheckBox, TEdit, TListBox, TRadioGroup, TCustomPanel and
// TPanel (windowed controls over the system's STATIC, BUTTON, EDIT and
// LISTBOX classes and a panel class of our own); TMenuItem is in menus.h.
#pragma once

#include "framework/ui/controls.h"
#include "framework/ui/menus.h"

namespace fw {

// A text: word wrap, alignment, auto size (to the text's extent).
class TLabel : public TWinControl {
    FW_CLASS(TLabel)
public:
    explicit TLabel(TComponent* owner);

    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool v);
    // The control the label's accelerator focuses; cleared when it goes.
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* c);

protected:
    void CreateParams(TCreateParams& p) override;
    void Command(WORD code) override;
    void AdjustSize() override;
    void Notification(TComponent* c, TOperation op) override;

private:
    bool wordWrap_ = false;
    bool autoSize_ = true;
    TAlignment alignment_ = taLeftJustify;
    bool showAccelChar_ = true;
    TWinControl* focusControl_ = nullptr;
};

enum TModalResult : int {
    mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY,
    mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO,
};

// A push button.  Default: Enter on its form presses it; Cancel: Escape
// does.  A ModalResult other than mrNone closes a modal form with it.
class TButton : public TWinControl {
    FW_CLASS(TButton)
public:
    explicit TButton(TComponent* owner);

    bool Default() const { return default_; }
    void SetDefault(bool v);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool v) { cancel_ = v; }
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int v) { modalResult_ = v; }

    void Click() override;

protected:
    void CreateParams(TCreateParams& p) override;
    void Command(WORD code) override;

private:
    bool default_ = false;
    bool cancel_ = false;
    int modalResult_ = mrNone;
};

// A check box; OnClick runs when the user toggles it and when Checked is
// changed in code (not while the form is read).
class TCheckBox : public TWinControl {
    FW_CLASS(TCheckBox)
public:
    explicit TCheckBox(TComponent* owner);

    bool Checked() const { return checked_; }
    void SetChecked(bool v);

protected:
    void CreateParams(TCreateParams& p) override;
    void InitWnd() override;
    void Command(WORD code) override;

private:
    bool checked_ = false;
};

// A one-line text field over the system's EDIT class; OnExit runs when it
// loses the focus.
class TEdit : public TWinControl {
    FW_CLASS(TEdit)
public:
    explicit TEdit(TComponent* owner);

    std::string Text() const;
    // Shows the text, even when the user has typed over the last one shown.
    void SetText(const std::string& t);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v);
    TNotifyEvent OnExit;

protected:
    void CreateParams(TCreateParams& p) override;
    void Command(WORD code) override;

private:
    bool readOnly_ = false;
};

// A list of texts; IntegralHeight lets the window show whole items only.
class TListBox : public TWinControl {
    FW_CLASS(TListBox)
public:
    explicit TListBox(TComponent* owner);

    TStrings& Items() { return items_; }
    const TStrings& Items() const { return items_; }
    void SetItems(const std::vector<std::string>& v) { items_.Assign(v); }
    bool IntegralHeight() const { return integralHeight_; }
    void SetIntegralHeight(bool v);
    int ItemIndex() const;
    void SetItemIndex(int i);

protected:
    void CreateParams(TCreateParams& p) override;
    void InitWnd() override;
    void Command(WORD code) override;

private:
    void FillWindow();
    TStringList items_;
    bool integralHeight_ = false;
    int itemIndex_ = -1;
};

// A group box of radio buttons, one per entry of Items.
class TRadioGroup : public TWinControl {
    FW_CLASS(TRadioGroup)
public:
    explicit TRadioGroup(TComponent* owner);
    ~TRadioGroup() override;

    TStrings& Items() { return items_; }
    const TStrings& Items() const { return items_; }
    void SetItems(const std::vector<std::string>& v) { items_.Assign(v); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int i);
    int Columns() const { return columns_; }
    void SetColumns(int c);
    HWND ButtonHandle(int i) const;  // the entry's radio button window, or null

    void WndProc(TMessage& m) override;

protected:
    void CreateParams(TCreateParams& p) override;
    void InitWnd() override;
    void BoundsChanged(bool moved, bool sized) override;
    void FontChanged() override;

private:
    void MakeButtons();
    void ArrangeButtons();
    TStringList items_;
    std::vector<HWND> buttons_;
    int itemIndex_ = -1;
    int columns_ = 1;
};

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A panel: a container that draws an outer and an inner bevel, a border
// between them and its caption centred.  Its children are laid out inside.
class TCustomPanel : public TWinControl {
    FW_CLASS(TCustomPanel)
public:
    explicit TCustomPanel(TComponent* owner);

    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut b);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut b);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int w);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int w);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);

    void WndProc(TMessage& m) override;

protected:
    void CreateParams(TCreateParams& p) override;
    void AdjustClientRect(RECT& r) const override;
    virtual void Paint(HDC dc);
    void TextChanged() override;

private:
    void Changed();
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
    FW_CLASS(TPanel)
public:
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

}  // namespace fw
