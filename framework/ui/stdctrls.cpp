#include "framework/ui/stdctrls.h"

#include <algorithm>

#include "framework/ui/forms.h"

namespace fw {

namespace {
const std::vector<std::string> kAlignmentNames = {"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<std::string> kBevelNames = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};

// What every visible control of this unit shows in a form resource.
template <typename C>
void PublishCommon(TClassBuilder<C>& b) {
    b.Publish({"Left", "Top", "Width", "Height", "Align", "Anchors"});
}
template <typename C>
void PublishLook(TClassBuilder<C>& b) {
    b.Publish({"Color", "Cursor", "Enabled", "Font.Charset", "Font.Color", "Font.Height", "Font.Name",
               "Font.Style", "Hint", "ParentColor", "ParentFont", "ShowHint", "Visible"});
}

// The streamable controls of this unit (TCustomPanel is a base class only).
const TClassRegistration kRegistered{&TLabel::StaticClass,    &TButton::StaticClass,  &TCheckBox::StaticClass,
                                     &TEdit::StaticClass,     &TListBox::StaticClass, &TRadioGroup::StaticClass,
                                     &TPanel::StaticClass};
}  // namespace

// --- TLabel -----------------------------------------------------------------

FW_IMPLEMENT_CLASS(TLabel, TWinControl, [](TClassBuilder<TLabel>& b) {
    PublishCommon(b);
    b.Enum("Alignment", kAlignmentNames, &TLabel::Alignment, &TLabel::SetAlignment, taLeftJustify);
    b.Boolean("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize, true);
    b.Publish({"Caption"});
    b.Reference<TWinControl>("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl);
    PublishLook(b);
    // A label takes its parent's colour unless told otherwise.
    b.Boolean("ParentColor", &TLabel::ParentColor, &TLabel::SetParentColor, true);
    b.Boolean("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar, true);
    b.Boolean("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap, false);
    b.Publish({"OnClick"});
})

TLabel::TLabel(TComponent* owner) : TWinControl(owner) {
    width_ = 65;
    height_ = 13;
    parentColor_ = true;
}

void TLabel::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = "STATIC";
    p.OwnClass = false;
    p.Style |= SS_NOTIFY;
    if (!showAccelChar_) p.Style |= SS_NOPREFIX;
    switch (alignment_) {
        case taCenter: p.Style |= SS_CENTER; break;
        case taRightJustify: p.Style |= SS_RIGHT; break;
        default: p.Style |= wordWrap_ ? SS_LEFT : SS_LEFTNOWORDWRAP; break;
    }
}

void TLabel::Command(WORD code) {
    if (code == STN_CLICKED) Click();
}

void TLabel::SetWordWrap(bool v) {
    if (v == wordWrap_) return;
    wordWrap_ = v;
    UpdateStyle();
    AdjustSize();
}

void TLabel::SetAutoSize(bool v) {
    if (v == autoSize_) return;
    autoSize_ = v;
    AdjustSize();
}

void TLabel::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    UpdateStyle();
}

void TLabel::SetShowAccelChar(bool v) {
    if (v == showAccelChar_) return;
    showAccelChar_ = v;
    UpdateStyle();
}

void TLabel::AdjustSize() {
    if (!autoSize_ || HasState(csLoading)) return;
    RECT r{0, 0, wordWrap_ ? std::max(width_, 1) : 0, 0};
    {
        WindowDc screen;
        GdiSelection font(screen.get(), font_.Handle());
        UINT flags = DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0) | (showAccelChar_ ? 0 : DT_NOPREFIX);
        std::string text = caption_.empty() ? " " : caption_;
        DrawTextA(screen.get(), text.c_str(), -1, &r, flags);
    }
    int w = wordWrap_ ? width_ : r.right - r.left;
    SetBounds(left_, top_, w, r.bottom - r.top);
}

void TLabel::SetFocusControl(TWinControl* c) {
    if (c == focusControl_) return;
    if (focusControl_) focusControl_->RemoveFreeNotification(this);
    focusControl_ = c;
    if (c) c->FreeNotification(this);
}

void TLabel::Notification(TComponent* c, TOperation op) {
    TWinControl::Notification(c, op);
    if (op == opRemove && c == focusControl_) focusControl_ = nullptr;
}

// --- TButton ----------------------------------------------------------------

FW_IMPLEMENT_CLASS(TButton, TWinControl, [](TClassBuilder<TButton>& b) {
    PublishCommon(b);
    b.Boolean("Cancel", &TButton::Cancel, &TButton::SetCancel, false);
    b.Publish({"Caption"});
    b.Boolean("Default", &TButton::Default, &TButton::SetDefault, false);
    b.Publish({"Cursor", "Enabled", "Font.Charset", "Font.Color", "Font.Height", "Font.Name", "Font.Style",
               "Hint"});
    b.Integer("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, 0);
    b.Publish({"ParentFont", "ShowHint"});
    b.Boolean("TabStop", &TButton::TabStop, &TButton::SetTabStop, true);
    b.Publish({"Visible", "OnClick"});
})

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    width_ = 75;
    height_ = 25;
    tabStop_ = true;
}

void TButton::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = "BUTTON";
    p.OwnClass = false;
    p.Style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetDefault(bool v) {
    if (v == default_) return;
    default_ = v;
    if (handle_) SendMessageA(handle_, BM_SETSTYLE, v ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Command(WORD code) {
    if (code == BN_CLICKED) Click();
}

void TButton::Click() {
    if (modalResult_ != mrNone)
        if (TCustomForm* f = GetParentForm(this)) f->SetModalResult(modalResult_);
    TWinControl::Click();
}

// --- TCheckBox ----------------------------------------------------------------

FW_IMPLEMENT_CLASS(TCheckBox, TWinControl, [](TClassBuilder<TCheckBox>& b) {
    PublishCommon(b);
    b.Publish({"Caption"});
    b.Boolean("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked, false);
    PublishLook(b);
    b.Boolean("TabStop", &TCheckBox::TabStop, &TCheckBox::SetTabStop, true);
    b.Publish({"OnClick"});
})

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
    width_ = 97;
    height_ = 17;
    tabStop_ = true;
}

void TCheckBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = "BUTTON";
    p.OwnClass = false;
    p.Style |= BS_AUTOCHECKBOX;
}

void TCheckBox::InitWnd() {
    TWinControl::InitWnd();
    SendMessageA(handle_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::SetChecked(bool v) {
    if (v == checked_) return;
    checked_ = v;
    if (handle_) SendMessageA(handle_, BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!HasState(csLoading)) Click();
}

void TCheckBox::Command(WORD code) {
    if (code != BN_CLICKED) return;
    checked_ = SendMessageA(handle_, BM_GETCHECK, 0, 0) == BST_CHECKED;
    Click();
}

// --- TEdit -------------------------------------------------------------------

FW_IMPLEMENT_CLASS(TEdit, TWinControl, [](TClassBuilder<TEdit>& b) {
    PublishCommon(b);
    b.Boolean("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly, false);
    PublishLook(b);
    b.Boolean("TabStop", &TEdit::TabStop, &TEdit::SetTabStop, true);
    b.Event("OnExit", &TEdit::OnExit);
})

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
    width_ = 120;
    height_ = 20;
    tabStop_ = true;
    color_ = clWindow;
}

void TEdit::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = "EDIT";
    p.OwnClass = false;
    p.Style |= ES_AUTOHSCROLL | (readOnly_ ? ES_READONLY : 0);
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

std::string TEdit::Text() const {
    if (!handle_) return caption_;
    int n = GetWindowTextLengthA(handle_);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = GetWindowTextA(handle_, s.data(), n + 1);
    s.resize(static_cast<size_t>(n > 0 ? n : 0));
    return s;
}

void TEdit::SetText(const std::string& t) {
    caption_ = t;
    if (handle_ && Text() != t) SetWindowTextA(handle_, t.c_str());
}

void TEdit::SetReadOnly(bool v) {
    readOnly_ = v;
    if (handle_) SendMessageA(handle_, EM_SETREADONLY, v, 0);
}

void TEdit::Command(WORD code) {
    if (code == EN_KILLFOCUS) OnExit(this);
}

// --- TListBox ----------------------------------------------------------------

FW_IMPLEMENT_CLASS(TListBox, TWinControl, [](TClassBuilder<TListBox>& b) {
    PublishCommon(b);
    TPropInfo& color = b.Integer("Color", &TListBox::Color, &TListBox::SetColor, clWindow);
    color.IsStored = [](const TComponent* c) { return !static_cast<const TListBox*>(c)->ParentColor(); };
    color.ColorValue = true;
    b.Boolean("IntegralHeight", &TListBox::IntegralHeight, &TListBox::SetIntegralHeight, false);
    b.Strings("Items", [](const TListBox* l) { return l->Items().Items(); }, &TListBox::SetItems);
    PublishLook(b);
    b.Boolean("TabStop", &TListBox::TabStop, &TListBox::SetTabStop, true);
    b.Publish({"OnClick"});
})

TListBox::TListBox(TComponent* owner) : TWinControl(owner) {
    width_ = 121;
    height_ = 97;
    tabStop_ = true;
    color_ = clWindow;
    items_.OnChange = [this] { FillWindow(); };
}

void TListBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = "LISTBOX";
    p.OwnClass = false;
    p.Style |= LBS_NOTIFY | WS_VSCROLL | WS_HSCROLL | (integralHeight_ ? 0 : LBS_NOINTEGRALHEIGHT);
    p.ExStyle |= WS_EX_CLIENTEDGE;
}

void TListBox::InitWnd() {
    TWinControl::InitWnd();
    FillWindow();
}

void TListBox::FillWindow() {
    if (!handle_) return;
    SendMessageA(handle_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(handle_, LB_RESETCONTENT, 0, 0);
    for (const auto& s : items_.Items())
        SendMessageA(handle_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
    if (itemIndex_ >= 0) SendMessageA(handle_, LB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
    SendMessageA(handle_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(handle_, nullptr, TRUE);
}

void TListBox::SetIntegralHeight(bool v) {
    if (v == integralHeight_) return;
    integralHeight_ = v;
    // The list box reads this style at creation only.
    if (handle_ && parent_) {
        DestroyHandle();
        HandleNeeded();
    }
}

int TListBox::ItemIndex() const {
    if (handle_) return static_cast<int>(SendMessageA(handle_, LB_GETCURSEL, 0, 0));
    return itemIndex_;
}

void TListBox::SetItemIndex(int i) {
    itemIndex_ = i;
    if (handle_) SendMessageA(handle_, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
}

void TListBox::Command(WORD code) {
    if (code == LBN_SELCHANGE) {
        itemIndex_ = ItemIndex();
        Click();
    }
}

// --- TRadioGroup ----------------------------------------------------------------

FW_IMPLEMENT_CLASS(TRadioGroup, TWinControl, [](TClassBuilder<TRadioGroup>& b) {
    PublishCommon(b);
    b.Publish({"Caption"});
    b.Integer("Columns", &TRadioGroup::Columns, &TRadioGroup::SetColumns, 1);
    b.Integer("ItemIndex", &TRadioGroup::ItemIndex, &TRadioGroup::SetItemIndex, -1);
    b.Strings("Items", [](const TRadioGroup* g) { return g->Items().Items(); }, &TRadioGroup::SetItems);
    PublishLook(b);
    b.Publish({"OnClick"});
})

TRadioGroup::TRadioGroup(TComponent* owner) : TWinControl(owner) {
    width_ = 185;
    height_ = 105;
    items_.OnChange = [this] {
        // Texts changed in place keep the buttons; a new count rebuilds them.
        if (handle_ && buttons_.size() == static_cast<size_t>(items_.Count())) {
            for (size_t i = 0; i < buttons_.size(); ++i)
                SetWindowTextA(buttons_[i], items_.Items()[i].c_str());
        } else {
            MakeButtons();
        }
    };
}

TRadioGroup::~TRadioGroup() {
    // The buttons went already when a parent's window was destroyed first.
    for (HWND b : buttons_)
        if (IsWindow(b) && GetParent(b) == handle_) DestroyWindow(b);
}

void TRadioGroup::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = "BUTTON";
    p.OwnClass = false;
    p.Style |= BS_GROUPBOX | WS_CLIPCHILDREN;
    p.ExStyle |= WS_EX_CONTROLPARENT;  // Tab reaches the radio buttons
}

void TRadioGroup::InitWnd() {
    TWinControl::InitWnd();
    buttons_.clear();  // a new window has none
    MakeButtons();
}

void TRadioGroup::MakeButtons() {
    if (!handle_) return;
    for (HWND b : buttons_) DestroyWindow(b);
    buttons_.clear();
    for (int i = 0; i < items_.Count(); ++i) {
        DWORD style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
        HWND b = CreateWindowExA(0, "BUTTON", items_[i].c_str(), style, 0, 0, 10, 10, handle_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(i + 1)),
                                 GetModuleHandleA(nullptr), nullptr);
        if (!b) throw EOSError(GetLastError(), "CreateWindowEx BUTTON");
        SendMessageA(b, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
        if (i == itemIndex_) SendMessageA(b, BM_SETCHECK, BST_CHECKED, 0);
        buttons_.push_back(b);
    }
    ArrangeButtons();
}

void TRadioGroup::ArrangeButtons() {
    if (buttons_.empty()) return;
    int cols = std::max(1, columns_);
    int rows = (static_cast<int>(buttons_.size()) + cols - 1) / cols;
    int top = std::abs(font_.Height()) + 4;
    int colW = (width_ - 16) / cols;
    int rowH = std::max(1, (height_ - top - 6) / rows);
    for (size_t i = 0; i < buttons_.size(); ++i) {
        int col = static_cast<int>(i) / rows, row = static_cast<int>(i) % rows;
        MoveWindow(buttons_[i], 8 + col * colW, top + row * rowH, colW, std::min(rowH, 20), TRUE);
    }
}

void TRadioGroup::SetItemIndex(int i) {
    if (i < -1) i = -1;
    itemIndex_ = i;
    for (size_t k = 0; k < buttons_.size(); ++k)
        SendMessageA(buttons_[k], BM_SETCHECK, static_cast<int>(k) == i ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioGroup::SetColumns(int c) {
    columns_ = std::max(1, c);
    ArrangeButtons();
}

HWND TRadioGroup::ButtonHandle(int i) const {
    return i >= 0 && static_cast<size_t>(i) < buttons_.size() ? buttons_[static_cast<size_t>(i)] : nullptr;
}

void TRadioGroup::BoundsChanged(bool moved, bool sized) {
    TWinControl::BoundsChanged(moved, sized);
    if (sized) ArrangeButtons();
}

void TRadioGroup::FontChanged() {
    TWinControl::FontChanged();
    for (HWND b : buttons_) SendMessageA(b, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
}

void TRadioGroup::WndProc(TMessage& m) {
    // The radio buttons are windows of the group box, not controls: their
    // notifications and colour requests come here.
    auto mine = [&](LPARAM lp) {
        return std::find(buttons_.begin(), buttons_.end(), reinterpret_cast<HWND>(lp)) != buttons_.end();
    };
    if (m.Msg == WM_COMMAND && mine(m.LParam)) {
        if (HIWORD(m.WParam) == BN_CLICKED) {
            int i = LOWORD(m.WParam) - 1;
            if (i != itemIndex_) {
                itemIndex_ = i;
                Click();
            }
        }
        m.Result = 0;
        return;
    }
    if ((m.Msg == WM_CTLCOLORSTATIC || m.Msg == WM_CTLCOLORBTN) && mine(m.LParam)) {
        m.Result = reinterpret_cast<LRESULT>(CtlColor(reinterpret_cast<HDC>(m.WParam)));
        return;
    }
    TWinControl::WndProc(m);
}

// --- TCustomPanel ----------------------------------------------------------------

FW_IMPLEMENT_CLASS(TCustomPanel, TWinControl, [](TClassBuilder<TCustomPanel>& b) {
    b.Unpublished();
    b.Enum("Alignment", kAlignmentNames, &TCustomPanel::Alignment, &TCustomPanel::SetAlignment, taCenter);
    b.Enum("BevelInner", kBevelNames, &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner, bvNone);
    b.Enum("BevelOuter", kBevelNames, &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter, bvRaised);
    b.Integer("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth, 1);
    b.Integer("BorderWidth", &TCustomPanel::BorderWidth, &TCustomPanel::SetBorderWidth, 0);
})

FW_IMPLEMENT_CLASS(TPanel, TCustomPanel, [](TClassBuilder<TPanel>& b) {
    PublishCommon(b);
    b.Publish({"Alignment", "BevelInner", "BevelOuter", "BevelWidth", "BorderWidth", "Caption"});
    PublishLook(b);
    b.Publish({"TabStop", "OnClick", "OnResize"});
})

TCustomPanel::TCustomPanel(TComponent* owner) : TWinControl(owner) {
    width_ = 185;
    height_ = 41;
}

void TCustomPanel::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.Style |= WS_CLIPCHILDREN;
    p.ExStyle |= WS_EX_CONTROLPARENT;  // Tab and arrows reach the controls inside
    p.ClassStyle |= CS_HREDRAW | CS_VREDRAW;
}

void TCustomPanel::Changed() {
    Realign();
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TCustomPanel::SetBevelInner(TBevelCut b) { bevelInner_ = b; Changed(); }
void TCustomPanel::SetBevelOuter(TBevelCut b) { bevelOuter_ = b; Changed(); }
void TCustomPanel::SetBevelWidth(int w) { bevelWidth_ = std::max(1, w); Changed(); }
void TCustomPanel::SetBorderWidth(int w) { borderWidth_ = std::max(0, w); Changed(); }
void TCustomPanel::SetAlignment(TAlignment a) { alignment_ = a; Changed(); }

void TCustomPanel::TextChanged() {
    if (handle_) {
        SetWindowTextA(handle_, caption_.c_str());
        InvalidateRect(handle_, nullptr, TRUE);
    }
}

void TCustomPanel::AdjustClientRect(RECT& r) const {
    int inset = borderWidth_;
    if (bevelOuter_ != bvNone) inset += bevelWidth_;
    if (bevelInner_ != bvNone) inset += bevelWidth_;
    InflateRect(&r, -inset, -inset);
}

namespace {
void Frame3D(HDC dc, RECT& r, COLORREF topLeft, COLORREF bottomRight, int width) {
    UniquePen tl(CreatePen(PS_SOLID, 1, topLeft)), br(CreatePen(PS_SOLID, 1, bottomRight));
    for (int i = 0; i < width; ++i) {
        {
            GdiSelection pen(dc, tl.get());
            MoveToEx(dc, r.left, r.bottom - 1, nullptr);
            LineTo(dc, r.left, r.top);
            LineTo(dc, r.right - 1, r.top);
        }
        {
            GdiSelection pen(dc, br.get());
            MoveToEx(dc, r.right - 1, r.top, nullptr);
            LineTo(dc, r.right - 1, r.bottom - 1);
            LineTo(dc, r.left - 1, r.bottom - 1);
        }
        InflateRect(&r, -1, -1);
    }
}
void Bevel(HDC dc, RECT& r, TBevelCut cut, int width) {
    COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT), sh = GetSysColor(COLOR_BTNSHADOW);
    switch (cut) {
        case bvLowered: Frame3D(dc, r, sh, hi, width); break;
        case bvRaised: Frame3D(dc, r, hi, sh, width); break;
        case bvSpace: InflateRect(&r, -width, -width); break;
        default: break;
    }
}
}  // namespace

void TCustomPanel::Paint(HDC dc) {
    RECT r;
    GetClientRect(handle_, &r);
    FillRect(dc, &r, ColorBrush());
    Bevel(dc, r, bevelOuter_, bevelWidth_);
    InflateRect(&r, -borderWidth_, -borderWidth_);
    Bevel(dc, r, bevelInner_, bevelWidth_);
    if (!caption_.empty()) {
        GdiSelection font(dc, font_.Handle());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorToRGB(font_.Color()));
        UINT fmt = DT_SINGLELINE | DT_VCENTER |
                   (alignment_ == taCenter ? DT_CENTER : alignment_ == taRightJustify ? DT_RIGHT : DT_LEFT);
        DrawTextA(dc, caption_.c_str(), -1, &r, fmt);
    }
}

void TCustomPanel::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(handle_, &ps);
            Paint(dc);
            EndPaint(handle_, &ps);
            m.Result = 0;
            return;
        }
        case WM_PRINTCLIENT:  // painting into a given context (PaintTo, PrintWindow)
            Paint(reinterpret_cast<HDC>(m.WParam));
            m.Result = 0;
            return;
        case WM_ERASEBKGND:
            m.Result = 1;  // Paint fills the whole client area
            return;
        default:
            TWinControl::WndProc(m);
    }
}

}  // namespace fw
