#include "framework/ui/controls.h"

#include <algorithm>
#include <unordered_map>

#include "framework/ui/menus.h"

namespace fw {

// --- TFont ------------------------------------------------------------------

TFont::TFont() = default;

TFont::~TFont() = default;

void TFont::Changed() {
    // Windows still using the old font get the new one from OnChange; the
    // old one goes after that.
    UniqueFont old = std::move(handle_);
    if (OnChange) OnChange();
}

void TFont::SetName(const std::string& n) {
    if (n == name_) return;
    name_ = n;
    Changed();
}

void TFont::SetHeight(int h) {
    if (h == height_) return;
    height_ = h;
    Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, Screen.PixelsPerInch()); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, Screen.PixelsPerInch(), 72)); }

void TFont::SetStyle(unsigned s) {
    if (s == style_) return;
    style_ = s;
    Changed();
}

void TFont::SetColor(TColor c) {
    if (c == color_) return;
    color_ = c;
    Changed();
}

void TFont::SetCharset(int c) {
    if (c == charset_) return;
    charset_ = c;
    Changed();
}

void TFont::Assign(const TFont& f) {
    if (SameAs(f)) return;
    name_ = f.name_;
    height_ = f.height_;
    style_ = f.style_;
    color_ = f.color_;
    charset_ = f.charset_;
    Changed();
}

bool TFont::SameAs(const TFont& f) const {
    return name_ == f.name_ && height_ == f.height_ && style_ == f.style_ && color_ == f.color_ &&
           charset_ == f.charset_;
}

HFONT TFont::Handle() const {
    if (!handle_) {
        handle_.reset(CreateFontA(height_, 0, 0, 0, (style_ & fsBold) ? FW_BOLD : FW_NORMAL,
                              (style_ & fsItalic) != 0, (style_ & fsUnderline) != 0,
                              (style_ & fsStrikeOut) != 0, static_cast<BYTE>(charset_),
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH | FF_DONTCARE, name_.c_str()));
    }
    return handle_.get();
}

// --- TControl ---------------------------------------------------------------

namespace {
const std::vector<std::string> kAlignNames = {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"};
const std::vector<std::string> kAnchorNames = {"akLeft", "akTop", "akRight", "akBottom"};
const std::vector<std::string> kFontStyleNames = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};
const std::vector<std::string> kCursorNames = {"crDefault"};
const std::vector<std::string> kDragModeNames = {"dmManual", "dmAutomatic"};

bool FontStored(const TComponent* c) { return !static_cast<const TControl*>(c)->ParentFont(); }
bool ColorStored(const TComponent* c) { return !static_cast<const TControl*>(c)->ParentColor(); }
}  // namespace

// The control's properties are declared here unpublished; each concrete
// class publishes those it shows (as TFolvex will publish Align and Visible).
FW_IMPLEMENT_CLASS(TControl, TComponent, [](TClassBuilder<TControl>& b) {
    b.Unpublished();
    b.Enum("Align", kAlignNames, &TControl::Align, &TControl::SetAlign, alNone);
    b.Set("Anchors", kAnchorNames, &TControl::Anchors, &TControl::SetAnchors, akLeft | akTop);
    b.Integer("Left", &TControl::Left, &TControl::SetLeft);
    b.Integer("Top", &TControl::Top, &TControl::SetTop);
    b.Integer("Width", &TControl::Width, &TControl::SetWidth);
    b.Integer("Height", &TControl::Height, &TControl::SetHeight);
    b.String("Caption", &TControl::Caption, &TControl::SetCaption);
    TPropInfo& color = b.Integer("Color", &TControl::Color, &TControl::SetColor, clBtnFace);
    color.IsStored = ColorStored;
    color.ColorValue = true;
    b.Integer("Cursor", &TControl::Cursor, &TControl::SetCursor, crDefault);
    b.Boolean("Enabled", &TControl::Enabled, &TControl::SetEnabled, true);
    b.Integer("Font.Charset", [](const TControl* c) { return c->Font().Charset(); },
              [](TControl* c, long long v) { c->Font().SetCharset(static_cast<int>(v)); })
        .IsStored = FontStored;
    TPropInfo& fontColor = b.Integer("Font.Color", [](const TControl* c) { return c->Font().Color(); },
              [](TControl* c, long long v) { c->Font().SetColor(static_cast<TColor>(v)); });
    fontColor.IsStored = FontStored;
    fontColor.ColorValue = true;
    b.Integer("Font.Height", [](const TControl* c) { return c->Font().Height(); },
              [](TControl* c, long long v) { c->Font().SetHeight(static_cast<int>(v)); })
        .IsStored = FontStored;
    b.String("Font.Name", [](const TControl* c) { return c->Font().Name(); },
             [](TControl* c, const std::string& v) { c->Font().SetName(v); })
        .IsStored = FontStored;
    b.Set("Font.Style", kFontStyleNames, [](const TControl* c) { return c->Font().Style(); },
          [](TControl* c, long long v) { c->Font().SetStyle(static_cast<unsigned>(v)); }, 0)
        .IsStored = FontStored;
    b.String("Hint", &TControl::Hint, &TControl::SetHint, "");
    b.Boolean("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, false);
    b.Boolean("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true);
    b.Boolean("ShowHint", &TControl::ShowHint, &TControl::SetShowHint, false);
    b.Boolean("Visible", &TControl::Visible, &TControl::SetVisible, true);
    b.Integer("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor, crDrag);
    b.Enum("DragMode", kDragModeNames, &TControl::DragMode, &TControl::SetDragMode, dmManual);
    b.Boolean("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint, true);
    b.Reference<TMenuItem>("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
    b.Event("OnClick", &TControl::OnClick);
    b.Event("OnResize", &TControl::OnResize);
    b.Event("OnDragDrop", &TControl::OnDragDrop);
    b.Event("OnDragOver", &TControl::OnDragOver);
    b.Event("OnEndDrag", &TControl::OnEndDrag);
    b.Event("OnStartDrag", &TControl::OnStartDrag);
})

TControl::TControl(TComponent* owner) : TComponent(owner) {
    font_.OnChange = [this] {
        if (!settingParentFont_) parentFont_ = false;
        FontChanged();
        AdjustSize();
    };
}

TControl::~TControl() {
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* p) {
    if (p == parent_) return;
    if (p == this) throw EComponentError("A control cannot be its own parent");
    if (parent_) parent_->RemoveControl(this);
    if (p) p->InsertControl(this);
}

void TControl::SetPopupMenu(TMenuItem* m) {
    if (popupMenu_ == m) return;
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = m;
    if (m) m->FreeNotification(this);
}

void TControl::Notification(TComponent* c, TOperation op) {
    TComponent::Notification(c, op);
    if (op == opRemove && c == popupMenu_) popupMenu_ = nullptr;
}

void TControl::SetParentComponent(TComponent* p) {
    if (auto* w = dynamic_cast<TWinControl*>(p)) SetParent(w);
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetBounds(int left, int top, int width, int height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    bool moved = left != left_ || top != top_;
    bool sized = width != width_ || height != height_;
    if (!moved && !sized) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    BoundsChanged(moved, sized);
}

void TControl::BoundsChanged(bool, bool sized) {
    if (sized && !HasState(csLoading)) Resize();
    if (align_ != alNone) RequestAlign();
}

void TControl::RequestAlign() {
    if (parent_ && !parent_->aligning_) parent_->Realign();
}

void TControl::SetAlign(TAlign a) {
    if (a == align_) return;
    align_ = a;
    RequestAlign();
}

void TControl::SetVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    VisibleChanged();
    RequestAlign();
}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool e) {
    if (e == enabled_) return;
    enabled_ = e;
    EnabledChanged();
}

void TControl::SetCaption(const std::string& c) {
    if (c == caption_) return;
    caption_ = c;
    TextChanged();
    AdjustSize();
}

void TControl::SetParentFont(bool v) {
    parentFont_ = v;
    if (v) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (!parentFont_ || !parent_) return;
    settingParentFont_ = true;
    ScopeExit done([this] { settingParentFont_ = false; });
    font_.Assign(parent_->Font());
}

void TControl::SetColor(TColor c) {
    parentColor_ = false;
    if (c == color_) return;
    color_ = c;
    ColorChanged();
}

void TControl::SetParentColor(bool v) {
    parentColor_ = v;
    if (v) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (!parentColor_ || !parent_ || parent_->Color() == color_) return;
    color_ = parent_->Color();
    ColorChanged();
}

void TControl::Click() { OnClick(this); }

void TControl::Resize() { OnResize(this); }

void TControl::Loaded() { TComponent::Loaded(); }

// --- TWinControl: windows and their procedure -------------------------------

namespace {
// One map from window to object, seeded while CreateWindowEx runs (our own
// classes) or right after it (system classes, subclassed).  Never freed:
// windows may go during static destruction.
std::unordered_map<HWND, TWinControl*>& WindowMap() {
    static auto* m = new std::unordered_map<HWND, TWinControl*>;
    return *m;
}
// The object whose CreateWindowEx runs on this thread: StdWndProc binds it
// to the window at the first message the window gets.
thread_local TWinControl* creating = nullptr;
}  // namespace

FW_IMPLEMENT_CLASS(TWinControl, TControl, [](TClassBuilder<TWinControl>& b) {
    b.Unpublished();
    b.Boolean("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, false);
    b.Integer("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
})

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    // A parent frees its child controls (each leaves its owner's list).
    while (!controls_.empty()) {
        TControl* c = controls_.back();
        c->Free();
        if (!controls_.empty() && controls_.back() == c) controls_.pop_back();
    }
    DestroyHandle();
}

TWinControl* TWinControl::FromHandle(HWND h) {
    auto& m = WindowMap();
    auto it = m.find(h);
    return it == m.end() ? nullptr : it->second;
}

HWND TWinControl::Handle() {
    if (!handle_) {
        if (parent_) parent_->HandleNeeded();  // makes this one's too
        if (!handle_) CreateWnd();
    }
    return handle_;
}

void TWinControl::CreateParams(TCreateParams& p) {
    p.WinClassName = ClassName();
    p.OwnClass = true;
    p.ClassStyle = CS_DBLCLKS;
    p.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (visible_) p.Style |= WS_VISIBLE;
    if (!enabled_) p.Style |= WS_DISABLED;
    if (tabStop_) p.Style |= WS_TABSTOP;
    p.X = left_;
    p.Y = top_;
    p.Width = width_;
    p.Height = height_;
}

void TWinControl::CreateWnd() {
    TCreateParams p;
    CreateParams(p);
    if (parent_) p.WndParent = parent_->Handle();
    else if (p.Style & WS_CHILD) throw EComponentError("Control '" + Name() + "' has no parent window");
    // Our classes belong to the module that holds the framework (orvfw.dll
    // when a package and its host share it), so every module finds them.
    HINSTANCE inst = FrameworkInstance();
    if (p.OwnClass) {
        WNDCLASSA wc = {};
        if (!GetClassInfoA(inst, p.WinClassName.c_str(), &wc)) {
            wc = WNDCLASSA{};
            wc.style = p.ClassStyle;
            wc.lpfnWndProc = StdWndProc;
            wc.hInstance = inst;
            wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
            wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
            wc.lpszClassName = p.WinClassName.c_str();
            RegisterClassA(&wc);
        }
    }
    TWinControl* outer = creating;
    creating = p.OwnClass ? this : nullptr;
    HWND h = CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), caption_.c_str(), p.Style, p.X, p.Y,
                             p.Width, p.Height, p.WndParent, nullptr, inst, nullptr);
    DWORD err = GetLastError();
    creating = outer;
    if (!h) throw EOSError(err, "CreateWindowEx " + p.WinClassName);
    if (!p.OwnClass) {
        handle_ = h;
        WindowMap()[h] = this;
        defProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StdWndProc)));
    }
    InitWnd();
    CreateChildHandles();
}

void TWinControl::InitWnd() {
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
}

void TWinControl::CreateChildHandles() {
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c))
            if (!w->handle_) w->CreateWnd();
}

void TWinControl::DestroyHandle() {
    if (handle_) DestroyWnd();
    handle_ = nullptr;
}

void TWinControl::DestroyWnd() {
    if (handle_) DestroyWindow(handle_);  // WM_NCDESTROY forgets the handle
}

LRESULT CALLBACK TWinControl::StdWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    TWinControl* c = FromHandle(hwnd);
    if (!c && creating) {
        c = creating;
        creating = nullptr;
        c->handle_ = hwnd;
        c->defProc_ = DefWindowProcA;
        WindowMap()[hwnd] = c;
    }
    if (!c) return DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        WNDPROC def = c->defProc_ ? c->defProc_ : DefWindowProcA;
        WindowMap().erase(hwnd);
        c->handle_ = nullptr;
        if (def != DefWindowProcA) SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(def));
        return CallWindowProcA(def, hwnd, msg, wp, lp);
    }
    // No C++ exception may cross the system's frames: the application's
    // error box reports it here.  The handler may free the object.
    TMessage m{msg, wp, lp, 0};
    Application.Guard([&] { c->WndProc(m); });
    return m.Result;
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (!handle_) {
        m.Result = 0;
        return;
    }
    m.Result = CallWindowProcA(defProc_ ? defProc_ : DefWindowProcA, handle_, m.Msg, m.WParam, m.LParam);
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wp, LPARAM lp) {
    TMessage m{msg, wp, lp, 0};
    WndProc(m);
    return m.Result;
}

void TWinControl::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_COMMAND:
            if (m.LParam) {
                if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(m.LParam))) {
                    child->Command(HIWORD(m.WParam));
                    m.Result = 0;
                    return;
                }
            }
            break;
        case WM_NOTIFY:
            if (m.LParam) {
                const auto& header = *reinterpret_cast<const NMHDR*>(m.LParam);
                if (TWinControl* child = FromHandle(header.hwndFrom)) {
                    m.Result = child->Notify(header);
                    return;
                }
            }
            break;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(m.LParam))) {
                m.Result = reinterpret_cast<LRESULT>(child->CtlColor(reinterpret_cast<HDC>(m.WParam)));
                return;
            }
            break;
        case WM_SETCURSOR:
            if (Screen.Cursor() != crDefault) {
                ::SetCursor(TScreen::CursorHandle(Screen.Cursor()));
                m.Result = TRUE;
                return;
            }
            if (LOWORD(m.LParam) == HTCLIENT && cursor_ != crDefault &&
                reinterpret_cast<HWND>(m.WParam) == handle_) {
                ::SetCursor(TScreen::CursorHandle(cursor_));
                m.Result = TRUE;
                return;
            }
            break;
        case WM_ERASEBKGND:
            if (defProc_ == DefWindowProcA) {
                RECT r;
                GetClientRect(handle_, &r);
                FillRect(reinterpret_cast<HDC>(m.WParam), &r, ColorBrush());
                m.Result = 1;
                return;
            }
            break;
        default:
            break;
    }
    DefaultHandler(m);
}

HBRUSH TWinControl::ColorBrush() {
    if (!brush_ || brushColor_ != color_) {
        brush_.reset(CreateSolidBrush(ColorToRGB(color_)));
        brushColor_ = color_;
    }
    return brush_.get();
}

HBRUSH TWinControl::CtlColor(HDC dc) {
    SetTextColor(dc, ColorToRGB(font_.Color()));
    SetBkColor(dc, ColorToRGB(color_));
    return ColorBrush();
}

void TWinControl::UpdateStyle() {
    if (!handle_) return;
    TCreateParams p;
    CreateParams(p);
    DWORD style = p.Style & ~WS_VISIBLE;
    style |= GetWindowLongA(handle_, GWL_STYLE) & WS_VISIBLE;
    SetWindowLongA(handle_, GWL_STYLE, static_cast<LONG>(style));
    SetWindowLongA(handle_, GWL_EXSTYLE, static_cast<LONG>(p.ExStyle));
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(handle_, nullptr, TRUE);
}

// --- TWinControl: properties applied to the window --------------------------

void TWinControl::BoundsChanged(bool moved, bool sized) {
    if (handle_)
        SetWindowPos(handle_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
    if (sized) Realign();
    TControl::BoundsChanged(moved, sized);
}

void TWinControl::TextChanged() {
    if (handle_) SetWindowTextA(handle_, caption_.c_str());
}

void TWinControl::FontChanged() {
    if (handle_) SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
    for (TControl* c : controls_) c->ParentFontChanged();
}

void TWinControl::ColorChanged() {
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
    for (TControl* c : controls_) c->ParentColorChanged();
}

void TWinControl::VisibleChanged() {
    if (handle_) ShowWindow(handle_, visible_ ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::EnabledChanged() {
    if (handle_) EnableWindow(handle_, enabled_);
}

void TWinControl::SetTabStop(bool v) {
    if (v == tabStop_) return;
    tabStop_ = v;
    UpdateStyle();
}

int TWinControl::TabOrder() const {
    if (!parent_) return -1;
    int i = 0;
    for (TControl* c : parent_->controls_) {
        if (c == this) return i;
        if (dynamic_cast<TWinControl*>(c)) ++i;
    }
    return -1;
}

void TWinControl::SetTabOrder(int order) {
    if (!parent_ || order < 0 || order == TabOrder()) return;
    auto& list = parent_->controls_;
    list.erase(std::find(list.begin(), list.end(), this));
    // Insert before the windowed sibling now at that position (or last).
    auto at = list.end();
    int i = 0;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (!dynamic_cast<TWinControl*>(*it)) continue;
        if (i++ == order) { at = it; break; }
    }
    at = list.insert(at, this);
    if (!handle_) return;
    // Dialog navigation follows the windows' order: place this window after
    // the windowed sibling before it (first when none).
    HWND after = HWND_TOP;
    for (auto it = list.begin(); it != at; ++it)
        if (auto* w = dynamic_cast<TWinControl*>(*it); w && w->handle_) after = w->handle_;
    SetWindowPos(handle_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

bool TWinControl::CanFocus() const { return Showing() && enabled_; }

void TWinControl::SetFocus() { ::SetFocus(Handle()); }

void TWinControl::ParentFontChanged() { TControl::ParentFontChanged(); }

void TWinControl::ParentColorChanged() { TControl::ParentColorChanged(); }

// --- TWinControl: children and layout ---------------------------------------

void TWinControl::InsertControl(TControl* c) {
    controls_.push_back(c);
    c->parent_ = this;
    c->ParentFontChanged();
    c->ParentColorChanged();
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        if (w->handle_) ::SetParent(w->handle_, Handle());
        else if (handle_) w->CreateWnd();
    }
    if (c->align_ != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* c) {
    auto it = std::find(controls_.begin(), controls_.end(), c);
    if (it == controls_.end()) return;
    controls_.erase(it);
    c->parent_ = nullptr;
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        if (w->handle_ && !w->HasState(csDestroying)) w->DestroyHandle();
    }
    if (c->align_ != alNone && !HasState(csDestroying)) Realign();
}

void TWinControl::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const {
    for (TControl* c : controls_)
        if (c->Owner() == root) proc(c);
}

RECT TWinControl::ClientRect() const {
    RECT r{0, 0, 0, 0};
    if (handle_) {
        GetClientRect(handle_, &r);
        return r;
    }
    // No window yet: what the window's frame would leave.
    TCreateParams p;
    const_cast<TWinControl*>(this)->CreateParams(p);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, p.Style, FALSE, p.ExStyle);
    r.right = std::max(0L, static_cast<LONG>(width_) - (frame.right - frame.left));
    r.bottom = std::max(0L, static_cast<LONG>(height_) - (frame.bottom - frame.top));
    return r;
}

int TWinControl::ClientWidth() const {
    RECT r = ClientRect();
    return r.right - r.left;
}

int TWinControl::ClientHeight() const {
    RECT r = ClientRect();
    return r.bottom - r.top;
}

void TWinControl::AdjustClientRect(RECT&) const {}

void TWinControl::EnableAlign() {
    if (alignDisabled_ > 0 && --alignDisabled_ == 0) Realign();
}

void TWinControl::Realign() {
    if (alignDisabled_ || aligning_ || HasState(csLoading | csDestroying)) return;
    aligning_ = true;
    ScopeExit done([this] { aligning_ = false; });
    RECT client = ClientRect();
    ApplyAnchors(client);
    RECT r = client;
    AdjustClientRect(r);
    AlignControls(r);
}

void TWinControl::ApplyAnchors(const RECT& client) {
    int w = client.right - client.left, h = client.bottom - client.top;
    int dx = lastClientW_ < 0 ? 0 : w - lastClientW_;
    int dy = lastClientH_ < 0 ? 0 : h - lastClientH_;
    lastClientW_ = w;
    lastClientH_ = h;
    if (!dx && !dy) return;
    for (TControl* c : controls_) {
        if (c->align_ != alNone) continue;
        int l = c->left_, t = c->top_, cw = c->width_, ch = c->height_;
        TAnchors a = c->anchors_;
        if ((a & akLeft) && (a & akRight)) cw += dx;
        else if (a & akRight) l += dx;
        else if (!(a & akLeft)) l += dx / 2;
        if ((a & akTop) && (a & akBottom)) ch += dy;
        else if (a & akBottom) t += dy;
        else if (!(a & akTop)) t += dy / 2;
        c->SetBounds(l, t, cw, ch);
    }
}

void TWinControl::AlignControls(RECT& r) {
    // Each side's controls in their order along it (top ones by Top, ...),
    // ties in child order; hidden controls take no room.
    auto pick = [&](TAlign a) {
        std::vector<TControl*> v;
        for (TControl* c : controls_)
            if (c->align_ == a && c->visible_) v.push_back(c);
        std::stable_sort(v.begin(), v.end(), [a](TControl* x, TControl* y) {
            switch (a) {
                case alTop: return x->top_ < y->top_;
                case alBottom: return x->top_ + x->height_ > y->top_ + y->height_;
                case alLeft: return x->left_ < y->left_;
                case alRight: return x->left_ + x->width_ > y->left_ + y->width_;
                default: return false;
            }
        });
        return v;
    };
    for (TControl* c : pick(alTop)) {
        c->SetBounds(r.left, r.top, r.right - r.left, c->height_);
        r.top += c->height_;
    }
    for (TControl* c : pick(alBottom)) {
        c->SetBounds(r.left, r.bottom - c->height_, r.right - r.left, c->height_);
        r.bottom -= c->height_;
    }
    for (TControl* c : pick(alLeft)) {
        c->SetBounds(r.left, r.top, c->width_, std::max(0L, r.bottom - r.top));
        r.left += c->width_;
    }
    for (TControl* c : pick(alRight)) {
        c->SetBounds(r.right - c->width_, r.top, c->width_, std::max(0L, r.bottom - r.top));
        r.right -= c->width_;
    }
    for (TControl* c : pick(alClient))
        c->SetBounds(r.left, r.top, std::max(0L, r.right - r.left), std::max(0L, r.bottom - r.top));
}

void TWinControl::Loaded() {
    TControl::Loaded();
    Realign();
}

}  // namespace fw
