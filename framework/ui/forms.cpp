#include "framework/ui/forms.h"

#include <algorithm>

#include "framework/formres/formres.h"

namespace fw {

namespace {
const std::vector<std::string> kBorderIconNames = {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"};
const std::vector<std::string> kBorderStyleNames = {"bsNone", "bsSingle", "bsSizeable", "bsDialog",
                                                    "bsToolWindow", "bsSizeToolWin"};
const std::vector<std::string> kPositionNames = {"poDesigned", "poDefault", "poDefaultPosOnly",
                                                 "poDefaultSizeOnly", "poScreenCenter", "poDesktopCenter",
                                                 "poMainFormCenter", "poOwnerFormCenter"};
const UINT CM_RELEASE = WM_APP + 0x3F01;  // a form's deferred Free

bool Never(const TComponent*) { return false; }

// Enter and Escape press the form's default and cancel buttons (Enter on a
// focused button presses that one); other keys get the dialog manager's
// navigation (Tab, arrows).  One filter serves every form.  The nearest
// control of ours around the window is asked first (RouteKey): a hosted
// control gets its accelerators, and Enter typed inside it stays its own.
bool DialogKeys(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    auto* form = dynamic_cast<TCustomForm*>(TWinControl::FromHandle(root));
    if (!form || !IsWindowEnabled(root)) return false;
    for (HWND h = msg.hwnd; h && h != root; h = GetParent(h)) {
        if (TWinControl* c = TWinControl::FromHandle(h)) {
            TWinControl::TKeyRoute route = c->RouteKey(msg);
            if (route == TWinControl::krHandled) return true;
            if (route == TWinControl::krOwn) return false;
            break;
        }
    }
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
        TButton* b = nullptr;
        if (msg.wParam == VK_RETURN) {
            b = dynamic_cast<TButton*>(TWinControl::FromHandle(GetFocus()));
            if (!b) b = form->DefaultButton();
        } else {
            b = form->CancelButton();
        }
        if (b) {
            b->Click();  // may free the form: nothing of it is touched after
            return true;
        }
    }
    // The message was taken off the queue in the window's own character set.
    if (IsWindowUnicode(msg.hwnd)) return IsDialogMessageW(root, &msg) != FALSE;
    return IsDialogMessageA(root, &msg) != FALSE;
}

void InstallDialogKeys() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    Application.AddMessageFilter(DialogKeys);
}

TButton* FindButton(const TWinControl* w, bool wantDefault) {
    for (int i = 0; i < w->ControlCount(); ++i) {
        TControl* c = w->Controls(i);
        if (auto* b = dynamic_cast<TButton*>(c)) {
            if ((wantDefault ? b->Default() : b->Cancel()) && b->Showing() && b->Enabled()) return b;
        } else if (auto* sub = dynamic_cast<TWinControl*>(c)) {
            if (TButton* found = FindButton(sub, wantDefault)) return found;
        }
    }
    return nullptr;
}
}  // namespace

FW_IMPLEMENT_CLASS(TCustomForm, TWinControl, [](TClassBuilder<TCustomForm>& b) {
    b.Publish({"Left", "Top", "Width", "Height"});
    b.Reference<TWinControl>("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
    b.Set("BorderIcons", kBorderIconNames, &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons,
          biSystemMenu | biMinimize | biMaximize);
    b.Enum("BorderStyle", kBorderStyleNames, &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle,
           bsSizeable);
    b.Publish({"Caption"});
    // The resource keeps the outer size; the client size follows from it.
    b.Integer("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight).IsStored = Never;
    b.Integer("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth).IsStored = Never;
    b.Publish({"Color", "Cursor", "Enabled", "Font.Charset", "Font.Color", "Font.Height", "Font.Name",
               "Font.Style", "Hint"});
    b.Enum("Position", kPositionNames, &TCustomForm::Position, &TCustomForm::SetPosition, poDesigned);
    b.Publish({"ShowHint"});
    b.Boolean("Visible", &TCustomForm::Visible, &TCustomForm::SetVisible, false);
    b.Event("OnClose", &TCustomForm::OnClose);
    b.Event("OnCloseQuery", &TCustomForm::OnCloseQuery);
    b.Event("OnCreate", &TCustomForm::OnCreate);
    b.Event("OnDestroy", &TCustomForm::OnDestroy);
    b.Event("OnHide", &TCustomForm::OnHide);
    b.Publish({"OnResize"});
    b.Event("OnShow", &TCustomForm::OnShow);
})

FW_IMPLEMENT_CLASS(TForm, TCustomForm, [](TClassBuilder<TForm>&) {})

namespace {
const TClassRegistration kRegistered{&TForm::StaticClass};
}  // namespace

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    visible_ = false;
    parentFont_ = false;
    color_ = clBtnFace;
    left_ = 100;
    top_ = 100;
    width_ = 320;
    height_ = 240;
}

TCustomForm::~TCustomForm() {
    Application.RemoveForm(this);
}

void TCustomForm::BeforeDestruction() {
    // OnDestroy runs while the derived form's fields still live.
    if (!HasState(csDestroying)) {
        SetStateFlags(csDestroying, true);
        Application.Guard([&] { OnDestroy(this); });
    }
    TWinControl::BeforeDestruction();
}

void TCustomForm::InitForm(const std::string& resourceName) { InitFormText(ReadResourceText(resourceName)); }

void TCustomForm::InitFormText(const std::string& text) {
    ReadComponentText(text, this);
    BindFields();
    Application.Guard([&] { OnCreate(this); });
    if (visible_) {
        visible_ = false;
        Show();
    }
}

void TCustomForm::BindFields() {
    for (const auto& f : fields_) {
        TComponent* c = FindComponent(f.name);
        if (!c) throw EReadError("Field " + ClassName() + "." + f.name + " has no component");
        if (!f.assign(c)) throw EReadError("Field " + ClassName() + "." + f.name + " has another class than " + c->ClassName());
    }
}

void TCustomForm::Notification(TComponent* c, TOperation op) {
    TWinControl::Notification(c, op);
    if (op != opRemove) return;
    for (const auto& f : fields_) f.clearIf(c);
    if (c == activeControl_) activeControl_ = nullptr;
}

void TCustomForm::Loaded() {
    TWinControl::Loaded();
}

void TCustomForm::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const {
    TWinControl::GetChildren(proc, root);
    if (root == this)
        for (int i = 0; i < ComponentCount(); ++i)
            if (!Components(i)->HasParent()) proc(Components(i));
}

void TCustomForm::SetActiveControl(TWinControl* c) {
    activeControl_ = c;
    if (c && Showing() && c->CanFocus()) c->SetFocus();
}

void TCustomForm::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.ClassStyle = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    p.Style = WS_CLIPCHILDREN;
    p.ExStyle = 0;
    switch (borderStyle_) {
        case bsNone: p.Style |= WS_POPUP; break;
        case bsSingle: p.Style |= WS_CAPTION | WS_BORDER; break;
        case bsSizeable: p.Style |= WS_CAPTION | WS_THICKFRAME; break;
        case bsDialog:
            p.Style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
            p.ExStyle |= WS_EX_DLGMODALFRAME;
            break;
        case bsToolWindow: p.Style |= WS_CAPTION | WS_BORDER; p.ExStyle |= WS_EX_TOOLWINDOW; break;
        case bsSizeToolWin: p.Style |= WS_CAPTION | WS_THICKFRAME; p.ExStyle |= WS_EX_TOOLWINDOW; break;
    }
    if (borderStyle_ != bsNone && (borderIcons_ & biSystemMenu)) {
        p.Style |= WS_SYSMENU;
        if (borderStyle_ == bsSingle || borderStyle_ == bsSizeable) {
            if (borderIcons_ & biMinimize) p.Style |= WS_MINIMIZEBOX;
            if (borderIcons_ & biMaximize) p.Style |= WS_MAXIMIZEBOX;
        }
        if ((borderIcons_ & biHelp) && !(p.Style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)))
            p.ExStyle |= WS_EX_CONTEXTHELP;
    }
    if (!enabled_) p.Style |= WS_DISABLED;
    // Application's hidden window owns the forms (no WS_VISIBLE: Show shows).
    p.WndParent = Application.Handle();
}

void TCustomForm::SetBorderIcons(TBorderIcons b) {
    if (b == borderIcons_) return;
    borderIcons_ = b;
    UpdateStyle();  // the close box goes with the system menu
    Realign();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle s) {
    if (s == borderStyle_) return;
    borderStyle_ = s;
    UpdateStyle();
    Realign();
}

void TCustomForm::SetClientWidth(int w) { SetWidth(width_ + w - ClientWidth()); }

void TCustomForm::SetClientHeight(int h) { SetHeight(height_ + h - ClientHeight()); }

void TCustomForm::BoundsChanged(bool moved, bool sized) {
    TWinControl::BoundsChanged(moved, sized);
}

bool TCustomForm::Showing() const { return handle_ && IsWindowVisible(handle_); }

void TCustomForm::SetVisible(bool v) {
    if (HasState(csLoading)) {
        visible_ = v;
        return;
    }
    if (v) Show();
    else if (visible_) {
        visible_ = false;
        VisibleChanged();
        OnHide(this);
    }
}

void TCustomForm::VisibleChanged() {
    if (!handle_) return;
    if (visible_) ShowWindow(handle_, SW_SHOW);
    else {
        if (GetFocus() && IsChild(handle_, GetFocus())) lastFocus_ = GetFocus();
        ShowWindow(handle_, SW_HIDE);
    }
}

void TCustomForm::Show() {
    InstallDialogKeys();
    HandleNeeded();
    bool wasVisible = visible_ && IsWindowVisible(handle_);
    visible_ = true;
    if (!wasVisible) {
        if (position_ == poScreenCenter || position_ == poDesktopCenter) {
            RECT work;
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
            SetBounds(work.left + (work.right - work.left - width_) / 2,
                      work.top + (work.bottom - work.top - height_) / 2, width_, height_);
        }
        VisibleChanged();
        FocusFirst();
        OnShow(this);
    }
    SetForegroundWindow(handle_);
}

void TCustomForm::FocusFirst() {
    if (activeControl_ && activeControl_->CanFocus()) {
        activeControl_->SetFocus();
        return;
    }
    if (lastFocus_ && IsWindow(lastFocus_) && IsChild(handle_, lastFocus_) && IsWindowVisible(lastFocus_)) {
        ::SetFocus(lastFocus_);
        return;
    }
    HWND first = GetNextDlgTabItem(handle_, nullptr, FALSE);
    ::SetFocus(first ? first : handle_);
}

TButton* TCustomForm::DefaultButton() const { return FindButton(this, true); }

TButton* TCustomForm::CancelButton() const { return FindButton(this, false); }

bool TCustomForm::CloseQuery() {
    bool can = true;
    OnCloseQuery(this, can);
    return can;
}

void TCustomForm::DoClose(TCloseAction& action) { OnClose(this, action); }

void TCustomForm::Close() {
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application.MainForm() == this) {
        // Ends Run once the message being handled is done, without WM_QUIT:
        // an error box opened after this stays until it is answered.
        Application.Terminate();
    } else if (action == caHide) {
        Hide();
    } else if (action == caMinimize) {
        if (handle_) ShowWindow(handle_, SW_MINIMIZE);
    } else {
        Release();
    }
}

void TCustomForm::CloseModal() {
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        DoClose(action);
    }
    if (action == caNone) modalResult_ = mrNone;
}

int TCustomForm::ShowModal() {
    if (modal_ || Showing() || !enabled_) throw EInvalidOperation("Cannot make a visible window modal");
    Application.Initialize();
    HandleNeeded();
    // The application's other windows wait while the form is open.
    TDisabledWindows others(handle_);
    modal_ = true;
    modalResult_ = mrNone;
    // The others are enabled before this form hides, so that activation
    // passes to one of them and not to another program; then the window
    // active before is activated again.  OnHide may raise: no destructor
    // runs this.
    auto restore = [&] {
        modal_ = false;
        others.Enable();
        if (handle_) Hide();
        others.Restore();
    };
    try {
        Show();
        while (modalResult_ == mrNone) {
            Application.HandleMessage();
            if (Application.Terminated() && modalResult_ == mrNone) modalResult_ = mrCancel;
            if (modalResult_ != mrNone) CloseModal();
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return modalResult_;
}

void TCustomForm::Release() {
    PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_CLOSE:
            Close();
            m.Result = 0;
            return;
        case CM_RELEASE:
            Free();  // nothing of this object may be touched after
            return;
        case WM_SIZE:
        case WM_MOVE: {
            TWinControl::WndProc(m);
            // The user (or the system) moved or sized the window.
            RECT r;
            if (handle_ && !IsIconic(handle_) && GetWindowRect(handle_, &r))
                SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
            if (m.Msg == WM_SIZE) Realign();
            return;
        }
        case WM_ACTIVATE:
            if (LOWORD(m.WParam) == WA_INACTIVE) {
                HWND f = GetFocus();
                if (f && IsChild(handle_, f)) lastFocus_ = f;
            } else if (lastFocus_ && IsWindow(lastFocus_) && IsChild(handle_, lastFocus_)) {
                ::SetFocus(lastFocus_);
                m.Result = 0;
                return;
            }
            break;
        case DM_GETDEFID:
            m.Result = 0;
            return;
        default:
            break;
    }
    TWinControl::WndProc(m);
}

TCustomForm* GetParentForm(const TControl* c) {
    const TControl* top = c;
    while (top && top->Parent()) top = top->Parent();
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(top));
}

// --- TApplication's forms ----------------------------------------------------

TApplication::~TApplication() { DestroyForms(); }

void TApplication::AddForm(TCustomForm* f) {
    if (std::find(forms_.begin(), forms_.end(), f) != forms_.end()) return;
    forms_.push_back(f);
    if (!mainForm_) mainForm_ = f;
}

void TApplication::RemoveForm(TCustomForm* f) {
    forms_.erase(std::remove(forms_.begin(), forms_.end(), f), forms_.end());
    if (mainForm_ == f) mainForm_ = nullptr;
}

void TApplication::DestroyForms() {
    while (!forms_.empty()) {
        TCustomForm* f = forms_.back();
        f->Free();  // removes itself
        if (!forms_.empty() && forms_.back() == f) forms_.pop_back();
    }
    mainForm_ = nullptr;
}

}  // namespace fw
