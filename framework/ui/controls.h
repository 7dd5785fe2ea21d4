// TFont, TMessage, TControl (bounds, alignment, anchors,
// visibility, caption, hint, font, colour, cursor) and TWinControl (a real
// Win32 window: creation, the one window procedure, child layout).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/base/classes.h"
#include "framework/base/colors.h"
#include "framework/base/handles.h"
#include "framework/ui/application.h"

namespace fw {

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A font: name, size in points (or height in pixels, negative for the
// character height), style bits and colour.  The HFONT is made on demand.
class TFont : public TObject {
public:
    TFont();
    ~TFont() override;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& n);
    int Height() const { return height_; }
    void SetHeight(int h);
    int Size() const;  // points
    void SetSize(int points);
    unsigned Style() const { return style_; }
    void SetStyle(unsigned s);
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    int Charset() const { return charset_; }
    void SetCharset(int c);
    void Assign(const TFont& f);
    bool SameAs(const TFont& f) const;

    HFONT Handle() const;

    std::function<void()> OnChange;

private:
    void Changed();
    std::string name_ = "MS Sans Serif";
    int height_ = -11;  // 8 points at 96 dots per inch
    unsigned style_ = 0;
    TColor color_ = clWindowText;
    int charset_ = DEFAULT_CHARSET;
    mutable UniqueFont handle_;
};

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// Dragging: the mode, the cursor shown over a target, and the events.  The
// framework stores and streams them; controls that publish them (hosted
// ActiveX controls) keep the classic property set.
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
constexpr TCursor crDrag = static_cast<TCursor>(-12);
using TDragDropEvent = TEvent<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TDragOverEvent = TEvent<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TEndDragEvent = TEvent<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TStartDragEvent = TEvent<void(TObject* Sender, TObject*& DragObject)>;

class TMenuItem;

struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

class TWinControl;
class TCanvas;

// A visual component: position and size in its parent's client area (a
// form's are screen coordinates and outer sizes), alignment and anchors.
class TControl : public TComponent {
    FW_CLASS(TControl)
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* p);
    void SetParentComponent(TComponent* p) override;
    TComponent* GetParentComponent() const override;
    bool HasParent() const override { return parent_ != nullptr; }

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }

    TAlign Align() const { return align_; }
    void SetAlign(TAlign a);
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors a) { anchors_ = a; }

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so are all its parents (a form: its window is shown).
    virtual bool Showing() const;
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool e);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& h) { hint_ = h; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool v) { showHint_ = v; }

    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool v);
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool v);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c) { cursor_ = c; }
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool v) { parentShowHint_ = v; }
    TCursor DragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor c) { dragCursor_ = c; }
    TDragMode DragMode() const { return dragMode_; }
    void SetDragMode(TDragMode m) { dragMode_ = m; }
    // The context menu: a menu item whose sub-items are its entries.
    TMenuItem* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TMenuItem* m);

    TNotifyEvent OnClick;
    TNotifyEvent OnResize;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TEndDragEvent OnEndDrag;
    TStartDragEvent OnStartDrag;

    virtual void Click();
    void Loaded() override;

    // From the parent: its font or colour changed.
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();

protected:
    // The size changed (after layout); runs OnResize.
    virtual void Resize();
    // Bounds stored; apply them to the window.
    virtual void BoundsChanged(bool moved, bool sized);
    virtual void TextChanged() {}
    virtual void FontChanged() {}
    virtual void ColorChanged() {}
    virtual void VisibleChanged() {}
    virtual void EnabledChanged() {}
    // The size a control would take to fit its contents (labels).
    virtual void AdjustSize() {}
    // Asks the parent to lay out again (alignment or visibility changed).
    void RequestAlign();

    TWinControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = alNone;
    TAnchors anchors_ = akLeft | akTop;
    bool visible_ = true;
    bool enabled_ = true;
    std::string caption_;
    std::string hint_;
    bool showHint_ = false;
    TFont font_;
    bool parentFont_ = true;
    bool settingParentFont_ = false;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    TCursor cursor_ = crDefault;
    bool parentShowHint_ = true;
    TCursor dragCursor_ = crDrag;
    TDragMode dragMode_ = dmManual;
    TMenuItem* popupMenu_ = nullptr;
    void Notification(TComponent* c, TOperation op) override;
    friend class TWinControl;
};

// What CreateWindowEx is called with.
struct TCreateParams {
    std::string WinClassName;  // a system class (BUTTON, ...) or ours
    bool OwnClass = false;     // ours: registered with the framework's procedure
    UINT ClassStyle = 0;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
};

// A control with its own window.  The window is made when needed (the
// control has a parent with a window, or a form is shown), from fields that
// the property setters keep while there is none.
class TWinControl : public TControl {
    FW_CLASS(TWinControl)
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    HWND Handle();  // makes the window when there is none
    HWND HandleValue() const { return handle_; }
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded() { (void)Handle(); }

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int i) const { return controls_.at(static_cast<size_t>(i)); }
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;

    // The area children are laid out in, in this control's client coordinates.
    virtual RECT ClientRect() const;
    int ClientWidth() const;
    int ClientHeight() const;
    // Lays out the aligned children and moves the anchored ones.
    void Realign();
    void DisableAlign() { ++alignDisabled_; }
    void EnableAlign();

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool v);
    // The position among the parent's windowed controls in the Tab order
    // (which is the windows' order); -1 without a parent.
    int TabOrder() const;
    void SetTabOrder(int order);
    bool Focused() const;
    virtual void SetFocus();
    bool CanFocus() const;

    void Loaded() override;
    void ParentFontChanged() override;
    void ParentColorChanged() override;

    // The object behind a window of ours; null for any other window.
    static TWinControl* FromHandle(HWND h);

    // The window procedure's object side; DefaultHandler passes a message
    // on to the window class's own procedure.
    virtual void WndProc(TMessage& m);
    void DefaultHandler(TMessage& m);
    LRESULT Perform(UINT msg, WPARAM wp = 0, LPARAM lp = 0);

    // Where a key message (WM_KEYDOWN to WM_KEYLAST) for a window inside
    // this control goes, asked of the nearest control of ours around the
    // window before the form's dialog keys: krDialog, the form's default and
    // cancel buttons and its Tab navigation apply; krOwn, the message goes to
    // its window untouched; krHandled, the control has dealt with it.
    enum TKeyRoute { krDialog, krOwn, krHandled };
    virtual TKeyRoute RouteKey(MSG& /*msg*/) { return krDialog; }

    // Paints the window (made when there is none) and its child windows into
    // a device context or canvas, its top left corner at (x, y); see
    // PaintWindowTo in framework/ui/graphics.h, where these are defined.
    void PaintTo(HDC dc, int x, int y);
    void PaintTo(TCanvas& canvas, int x, int y);

protected:
    virtual void CreateParams(TCreateParams& p);
    virtual void CreateWnd();
    // The window exists: apply what the fields hold.
    virtual void InitWnd();
    // Destroys the window (and with it the child windows) when there is one.
    void DestroyHandle();
    // The teardown of the window: DestroyHandle calls it while the window
    // still exists.  A control that hosts something in its window (an OLE
    // object) overrides it to let that go first, in its own order, then calls
    // the inherited one; because the base destructor cannot reach the
    // override, such a control also calls DestroyHandle in its destructor.
    virtual void DestroyWnd();
    // The style bits changed at run time: apply them to the window.
    void UpdateStyle();
    // Shrinks r (the client area) by borders the control draws itself.
    virtual void AdjustClientRect(RECT& r) const;
    virtual void AlignControls(RECT& r);
    // The notifications this control's window sends to its parent, reflected
    // to the control: a WM_COMMAND's code, and a WM_NOTIFY, whose answer is
    // the value returned (0 unless the notification asks for another).
    virtual void Command(WORD /*code*/) {}
    virtual LRESULT Notify(const NMHDR& /*header*/) { return 0; }
    // WM_CTLCOLOR* for this control: the brush to paint with.
    virtual HBRUSH CtlColor(HDC dc);
    HBRUSH ColorBrush();

    void BoundsChanged(bool moved, bool sized) override;
    void TextChanged() override;
    void FontChanged() override;
    void ColorChanged() override;
    void VisibleChanged() override;
    void EnabledChanged() override;

    HWND handle_ = nullptr;
    std::vector<TControl*> controls_;
    bool tabStop_ = false;

private:
    static LRESULT CALLBACK StdWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void CreateChildHandles();
    void ApplyAnchors(const RECT& client);
    friend class TControl;
    WNDPROC defProc_ = nullptr;  // the class's procedure (subclassed system controls)
    UniqueBrush brush_;
    TColor brushColor_ = 0;
    int alignDisabled_ = 0;
    bool aligning_ = false;
    int lastClientW_ = -1, lastClientH_ = -1;
};

}  // namespace fw
