#include "framework/design/designer/designer.h"

#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include "framework/base/handles.h"
#include "framework/formres/formres.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/extctrls.h"

namespace orvd {

FW_IMPLEMENT_CLASS(TDesignerWindow, TForm, [](TClassBuilder<TDesignerWindow>&) {})

namespace {

const char kTitle[] = "Orvanta Form Designer";
const int kGrabSize = 6;

std::string FullPath(const std::string& path) {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, buf, nullptr);
    return n > 0 && n <= MAX_PATH ? std::string(buf, n) : path;
}

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("\\/") + 1); }

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && SameText(s.substr(s.size() - tail.size()), tail);
}

std::string ReadTextFile(const std::string& path) {
    UniqueFile f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) throw EOSError(GetLastError(), "Cannot open " + path);
    std::string text;
    char buf[4096];
    DWORD got = 0;
    for (;;) {
        if (!ReadFile(f.get(), buf, sizeof buf, &got, nullptr)) throw EOSError(GetLastError(), "Cannot read " + path);
        if (got == 0) break;
        text.append(buf, got);
    }
    return text;
}

// The package's description: its RCDATA resource "DESCRIPTION", else the
// file description of its version record, else its file name.
std::string PackageDescription(HMODULE m, const std::string& path) {
    if (HRSRC r = FindResourceA(m, "DESCRIPTION", reinterpret_cast<LPCSTR>(RT_RCDATA))) {
        HGLOBAL g = LoadResource(m, r);
        const char* data = g ? static_cast<const char*>(LockResource(g)) : nullptr;
        if (data) {
            std::string s(data, SizeofResource(m, r));
            while (!s.empty() && s.back() == '\0') s.pop_back();
            if (!s.empty()) return s;
        }
    }
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size) {
        std::vector<char> info(size);
        struct LangCodePage {
            WORD lang, codePage;
        }* tr = nullptr;
        UINT len = 0;
        if (GetFileVersionInfoA(path.c_str(), 0, size, info.data()) &&
            VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &len) &&
            len >= sizeof *tr) {
            char key[64];
            wsprintfA(key, "\\StringFileInfo\\%04x%04x\\FileDescription", tr->lang, tr->codePage);
            char* text = nullptr;
            if (VerQueryValueA(info.data(), key, reinterpret_cast<void**>(&text), &len) && text && *text)
                return text;
        }
    }
    return FileNameOf(path);
}

}  // namespace

// --- TDesignForm ----------------------------------------------------------------

TDesignForm::TDesignForm(TComponent* owner, HWND ownerWindow) : TForm(owner), ownerWindow_(ownerWindow) {
    // Components made with this form as owner are designing from the start
    // of their constructors.
    SetDesigning(true);
}

void TDesignForm::CreateParams(TCreateParams& p) {
    TForm::CreateParams(p);
    p.WndParent = ownerWindow_;
}

void TDesignForm::ShowDesigned() {
    bool saved = visible_;
    Show();
    visible_ = saved;
}

void TDesignForm::SetVisible(bool v) {
    if (HandleAllocated() && IsWindowVisible(HandleValue())) {
        visible_ = v;
        return;
    }
    TForm::SetVisible(v);
}

// --- TDesignerWindow: building ----------------------------------------------------

TDesignerWindow::TDesignerWindow(TComponent* owner) : TForm(owner) {
    SetCaption(kTitle);
    SetBounds(0, 0, 1000, 720);

    pnTop_ = new TCustomPanel(this);
    pnTop_->SetBevelOuter(bvNone);
    pnTop_->SetHeight(96);
    pnTop_->SetAlign(alTop);
    pnTop_->SetParent(this);
    auto button = [&](const char* text, int x, int y, std::function<void()> action) {
        auto* b = new TButton(this);
        b->SetCaption(text);
        b->SetBounds(x, y, 80, 25);
        b->OnClick = [action](TObject*) { action(); };
        b->SetParent(pnTop_);
        return b;
    };
    btNew_ = button("&New", 6, 8, [this] {
        if (AskSave()) NewForm();
    });
    btOpen_ = button("&Open...", 6, 38, [this] { Open(); });
    btSave_ = button("&Save", 90, 8, [this] { Save(); });
    btSaveAs_ = button("Save &As...", 90, 38, [this] { SaveAs(); });

    tsPalette_ = new TTabStrip(this);
    tsPalette_->SetBounds(178, 4, 810, 62);
    tsPalette_->SetAnchors(akLeft | akTop | akRight);
    tsPalette_->OnChange = [this](TObject*) { ShowPage(tsPalette_->TabIndex()); };
    tsPalette_->SetParent(pnTop_);

    laPackages_ = new TLabel(this);
    laPackages_->SetShowAccelChar(false);
    laPackages_->SetCaption("Packages: none");
    laPackages_->SetBounds(180, 72, 600, 16);
    laPackages_->SetParent(pnTop_);

    pnLeft_ = new TCustomPanel(this);
    pnLeft_->SetBevelOuter(bvNone);
    pnLeft_->SetWidth(284);
    pnLeft_->SetAlign(alLeft);
    pnLeft_->SetParent(this);

    cbComponents_ = new TDropList(this);
    cbComponents_->SetBounds(6, 4, 272, 300);
    cbComponents_->OnChange = [this](TObject*) {
        int i = cbComponents_->ItemIndex();
        if (!form_ || i < 0) return;
        Select(i == 0 ? static_cast<TComponent*>(form_) : form_->Components(i - 1));
    };
    cbComponents_->SetParent(pnLeft_);

    inspector_ = new TInspector(this);
    inspector_->SetBounds(6, 32, 272, 560);
    inspector_->SetAnchors(akLeft | akTop | akBottom);
    inspector_->SetParent(pnLeft_);

    // Installed before any form is shown, so that it sees input to the
    // design form before the forms' dialog keys do.
    filter_ = Application.AddMessageFilter([this](MSG& m) { return FilterDesignInput(m); });
}

TDesignerWindow::~TDesignerWindow() {
    Application.RemoveMessageFilter(filter_);
    if (form_) {
        TDesignForm* f = form_;
        form_ = nullptr;
        selection_.clear();
        f->Free();
    }
    if (tooltip_) DestroyWindow(tooltip_);
}

void TDesignerWindow::Start(const std::vector<std::string>& args) {
    // The framework's own controls come first on the palette.
    RegisterComponents("Standard", {&TLabel::StaticClass(), &TButton::StaticClass(), &TCheckBox::StaticClass(),
                                    &TListBox::StaticClass(), &TRadioGroup::StaticClass(),
                                    &TPanel::StaticClass(), &TTimer::StaticClass()});
    std::string formFile;
    for (const auto& a : args) {
        if (EndsWith(a, ".dll") || EndsWith(a, ".bpl")) Application.Guard([&] { LoadPackage(a); });
        else formFile = a;
    }
    BuildPalette();
    NewForm();
    if (formFile.empty()) return;
    std::string path = FullPath(formFile);
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        // A form file yet to be made: the new form is saved there.
        fileName_ = path;
        UpdateCaption();
        return;
    }
    Application.Guard([&] { OpenForm(path); });
}

void TDesignerWindow::LoadPackage(const std::string& given) {
    std::string path = FullPath(given);
    // The package's own folder is searched for what it links.
    UniqueModule loaded(LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!loaded) throw EOSError(GetLastError(), "Cannot load the package " + path);
    for (const auto& p : packages_)
        if (p.module == loaded.get()) return;  // loaded once already: this load's reference goes
    // The entry is a plain C function without arguments.
    FARPROC entry = GetProcAddress(loaded.get(), "Register");
    if (!entry) throw Exception("The package " + path + " has no registration entry Register");
    // Never unloaded: its classes and components live until the end.
    HMODULE m = loaded.release();
    RegisterResourceModule(m);
    packages_.push_back(Package{path, m, PackageDescription(m, path)});
    std::string list;
    for (const auto& p : packages_) list += (list.empty() ? "" : "; ") + p.description;
    laPackages_->SetCaption("Packages: " + list);
    auto reg = reinterpret_cast<void (*)()>(entry);
    size_t before = PaletteEntries().size();
    try {
        reg();
    } catch (...) {
        BuildPalette();
        throw;
    }
    // The palette shows the page of the package's first component.
    if (PaletteEntries().size() > before) {
        const std::string& page = PaletteEntries()[before].Page;
        BuildPalette();
        for (size_t i = 0; i < pages_.size(); ++i)
            if (pages_[i] == page) {
                tsPalette_->SetTabIndex(static_cast<int>(i));
                ShowPage(static_cast<int>(i));
            }
    }
}

// --- the palette ----------------------------------------------------------------------

HBITMAP TDesignerWindow::PaletteBitmap(const TMetaClass& mc) {
    std::string name = UpperCase(mc.ClassName());
    for (const auto& b : bitmaps_)
        if (b.first == name) return b.second.get();
    UniqueBitmap bmp;
    for (auto it = packages_.rbegin(); it != packages_.rend() && !bmp; ++it)
        bmp.reset(static_cast<HBITMAP>(LoadImageA(it->module, name.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    bitmaps_.emplace_back(name, std::move(bmp));
    return bitmaps_.back().second.get();
}

void TDesignerWindow::BuildPalette() {
    std::vector<std::string> pages;
    for (const auto& e : PaletteEntries()) {
        bool known = false;
        for (const auto& p : pages) known = known || p == e.Page;
        if (!known) pages.push_back(e.Page);
    }
    int current = tsPalette_->TabIndex();
    pages_ = pages;
    tsPalette_->SetTabs(pages_);
    if (current < 0 || current >= static_cast<int>(pages_.size())) current = 0;
    tsPalette_->SetTabIndex(current);
    ShowPage(current);
}

void TDesignerWindow::ShowPage(int index) {
    for (TToolButton* b : paletteButtons_) {
        if (tooltip_ && b->HandleAllocated()) {
            TTTOOLINFOA ti = {};
            ti.cbSize = sizeof ti;
            ti.hwnd = tsPalette_->Handle();
            ti.uId = reinterpret_cast<UINT_PTR>(b->HandleValue());
            SendMessageA(tooltip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        }
        b->Free();
    }
    paletteButtons_.clear();
    placing_ = nullptr;
    if (index < 0 || index >= static_cast<int>(pages_.size())) return;
    if (!tooltip_) {
        tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    }
    RECT area = tsPalette_->DisplayRect();
    int x = area.left + 2;
    for (const auto& e : PaletteEntries()) {
        if (e.Page != pages_[static_cast<size_t>(index)]) continue;
        const TMetaClass* mc = e.ComponentClass;
        auto* b = new TToolButton(this);
        HBITMAP bmp = PaletteBitmap(*mc);
        b->SetBitmap(bmp);
        b->SetCaption(mc->ClassName());
        // Without a bitmap the button shows the class name.
        int w = bmp ? 30 : 8 + 7 * static_cast<int>(mc->ClassName().size());
        b->SetBounds(x, area.top + 1, w, 30);
        b->SetParent(tsPalette_);
        b->OnClick = [this, b, mc](TObject*) { PaletteClick(b, mc); };
        x += w + 2;
        paletteButtons_.push_back(b);
        if (tooltip_) {
            TTTOOLINFOA ti = {};
            ti.cbSize = sizeof ti;
            ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            ti.hwnd = tsPalette_->Handle();
            ti.uId = reinterpret_cast<UINT_PTR>(b->Handle());
            ti.lpszText = const_cast<char*>(mc->ClassName().c_str());
            SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
        }
    }
}

void TDesignerWindow::PaletteClick(TToolButton* b, const TMetaClass* mc) {
    bool press = placing_ != mc;
    for (TToolButton* other : paletteButtons_) other->SetDown(false);
    b->SetDown(press);
    placing_ = press ? mc : nullptr;
}

// --- the design form ------------------------------------------------------------------

bool TDesignerWindow::FilterDesignInput(MSG& msg) {
    if (!form_ || !form_->HandleAllocated() || !msg.hwnd) return false;
    HWND formWnd = form_->HandleValue();
    if (msg.hwnd != formWnd && !IsChild(formWnd, msg.hwnd)) {
        // Enter in an inspector field takes its text.
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) return inspector_->CommitField(msg.hwnd);
        return false;
    }
    // Components being designed never see the mouse buttons or the keyboard:
    // a click places or selects.
    if (msg.message == WM_LBUTTONDOWN) {
        POINT pt{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        MapWindowPoints(msg.hwnd, formWnd, &pt, 1);
        DesignClick(pt);
        return true;
    }
    bool mouseButton = msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST && msg.message != WM_MOUSEMOVE;
    bool key = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
    return mouseButton || key;
}

void TDesignerWindow::DesignClick(POINT pt) {
    if (placing_) {
        const TMetaClass* mc = placing_;
        for (TToolButton* b : paletteButtons_) b->SetDown(false);
        placing_ = nullptr;
        PlaceComponent(*mc, pt);
        return;
    }
    TControl* c = ControlAt(form_, pt);
    Select(c ? static_cast<TComponent*>(c) : form_);
}

// The innermost control of the form (one it owns) at pt, in parent's client
// coordinates; the topmost where controls overlap.
TControl* TDesignerWindow::ControlAt(TWinControl* parent, POINT pt) {
    for (int i = parent->ControlCount() - 1; i >= 0; --i) {
        TControl* c = parent->Controls(i);
        RECT r = c->BoundsRect();
        if (!c->Visible() || !PtInRect(&r, pt)) continue;
        if (auto* w = dynamic_cast<TWinControl*>(c)) {
            POINT inner{pt.x - c->Left(), pt.y - c->Top()};
            if (TControl* d = ControlAt(w, inner)) return d;
        }
        if (c->Owner() == form_) return c;
    }
    return nullptr;
}

std::string TDesignerWindow::UniqueName(const TMetaClass& mc) const {
    std::string base = mc.ClassName();
    if (base.size() > 1 && (base[0] == 'T' || base[0] == 't')) base.erase(0, 1);
    for (int n = 1;; ++n) {
        std::string name = base + IntToStr(n);
        if (!form_->FindComponent(name) && !SameText(form_->Name(), name)) return name;
    }
}

void TDesignerWindow::PlaceComponent(const TMetaClass& mc, POINT pt) {
    TComponent* c = mc.Create(form_);
    try {
        c->SetName(UniqueName(mc));
        if (const TPropInfo* p = FindProperty(c, "Caption"); p && p->Kind == TPropKind::String && p->GetStr(c).empty())
            p->SetStr(c, c->Name());
        if (auto* ctl = dynamic_cast<TControl*>(c)) {
            int w = ctl->Width() > 0 ? ctl->Width() : 100;
            int h = ctl->Height() > 0 ? ctl->Height() : 40;
            ctl->SetBounds(pt.x, pt.y, w, h);
            ctl->SetParent(form_);
        }
    } catch (...) {
        c->Free();
        throw;
    }
    Select(c);
    Modified();
}

TComponent* TDesignerWindow::Selection(int index) const {
    if (index < 0 || index >= SelectionCount()) throw EComponentError("No selected component at index " + IntToStr(index));
    return selection_[static_cast<size_t>(index)];
}

void TDesignerWindow::Select(TComponent* c) {
    // A value typed but not yet taken belongs to the old selection; what its
    // setter raises is reported and the selection changes all the same.
    Application.Guard([&] { inspector_->CommitPending(); });
    selection_.clear();
    if (c) selection_.push_back(c);
    FillComponentList();
    inspector_->Inspect(this);
    UpdateHandles();
}

void TDesignerWindow::Modified() {
    modified_ = true;
    UpdateCaption();
    FillComponentList();
    inspector_->Refresh();
    UpdateHandles();
}

void TDesignerWindow::FillComponentList() {
    std::vector<std::string> items;
    int index = -1;
    if (form_) {
        items.push_back(form_->Name() + ": " + form_->ClassName());
        if (!selection_.empty() && selection_[0] == form_) index = 0;
        for (int i = 0; i < form_->ComponentCount(); ++i) {
            TComponent* c = form_->Components(i);
            items.push_back(c->Name() + ": " + c->ClassName());
            if (!selection_.empty() && selection_[0] == c) index = i + 1;
        }
    }
    cbComponents_->SetItems(items);
    cbComponents_->SetItemIndex(index);
}

// Four black squares at the corners of the selected control, drawn by
// windows of the form's own that are no components.
void TDesignerWindow::UpdateHandles() {
    for (HWND& h : grab_) {
        if (h && IsWindow(h)) DestroyWindow(h);
        h = nullptr;
    }
    if (selection_.empty()) return;
    auto* c = dynamic_cast<TControl*>(selection_[0]);
    if (!c || c == form_ || !c->Parent() || !c->Parent()->HandleAllocated()) return;
    HWND parent = c->Parent()->HandleValue();
    const POINT corners[4] = {{c->Left(), c->Top()},
                              {c->Left() + c->Width(), c->Top()},
                              {c->Left(), c->Top() + c->Height()},
                              {c->Left() + c->Width(), c->Top() + c->Height()}};
    for (int i = 0; i < 4; ++i) {
        grab_[i] = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKRECT,
                                   corners[i].x - kGrabSize / 2, corners[i].y - kGrabSize / 2, kGrabSize, kGrabSize,
                                   parent, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (grab_[i]) SetWindowPos(grab_[i], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void TDesignerWindow::UpdateCaption() {
    std::string name = fileName_.empty() ? "Untitled" : FileNameOf(fileName_);
    SetCaption(std::string(kTitle) + " - " + name + (modified_ ? " *" : ""));
}

// --- files ------------------------------------------------------------------------------

void TDesignerWindow::ReplaceForm(TDesignForm* f, const std::string& path) {
    TDesignForm* old = form_;
    inspector_->Inspect(nullptr);  // its editors serve the old form
    selection_.clear();
    for (HWND& h : grab_) h = nullptr;  // they go with the old form's window
    form_ = f;
    fileName_ = path;
    modified_ = false;
    if (old) old->Free();
    // The design form stays; only the designer ends.
    f->OnClose = [](TObject*, TCloseAction& action) { action = caNone; };
    f->ShowDesigned();
    // The form being edited comes to the front of the designer's window.
    SetWindowPos(f->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Select(f);
    UpdateCaption();
}

void TDesignerWindow::NewForm() {
    auto* f = new TDesignForm(nullptr, Handle());
    f->SetName("Form1");
    f->SetCaption("Form1");
    f->SetBounds(300, 140, 480, 360);
    ReplaceForm(f, "");
}

void TDesignerWindow::OpenForm(const std::string& given) {
    std::string path = FullPath(given);
    std::string text = ReadTextFile(path);
    auto* f = new TDesignForm(nullptr, Handle());
    try {
        ReadComponentText(text, f);
    } catch (const Exception& e) {
        f->Free();
        throw Exception("Cannot open " + path + ": " + e.Message());
    } catch (...) {
        f->Free();
        throw;
    }
    ReplaceForm(f, path);
}

void TDesignerWindow::SaveForm(const std::string& path) {
    std::string text = WriteComponentText(form_);
    UniqueFile f(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) throw EOSError(GetLastError(), "Cannot save the form to " + path);
    DWORD written = 0;
    if (!WriteFile(f.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written != text.size())
        throw EOSError(GetLastError(), "Cannot save the form to " + path);
    fileName_ = path;
    modified_ = false;
    UpdateCaption();
}

void TDesignerWindow::Save() {
    if (fileName_.empty()) SaveAs();
    else SaveForm(fileName_);
}

namespace {
const char kFilter[] = "Form files (*.dfm)|*.dfm|All files (*.*)|*.*";
}

void TDesignerWindow::SaveAs() {
    fw::TSaveDialog dialog(nullptr);
    dialog.SetFilter(kFilter);
    dialog.SetFileName(FileNameOf(fileName_));
    dialog.SetDefaultExt("dfm");
    dialog.SetOptions(dialog.Options() | fw::ofOverwritePrompt | fw::ofPathMustExist | fw::ofNoChangeDir);
    if (dialog.Execute()) SaveForm(dialog.FileName());
}

void TDesignerWindow::Open() {
    if (!AskSave()) return;
    fw::TOpenDialog dialog(nullptr);
    dialog.SetFilter(kFilter);
    dialog.SetOptions(dialog.Options() | fw::ofFileMustExist | fw::ofNoChangeDir);
    if (dialog.Execute()) OpenForm(dialog.FileName());
}

bool TDesignerWindow::AskSave() {
    if (!modified_) return true;
    std::string name = fileName_.empty() ? "Untitled" : FileNameOf(fileName_);
    int r = Application.MessageBox("Save changes to " + name + "?", Application.Title(),
                                   MB_YESNOCANCEL | MB_ICONQUESTION);
    if (r == IDCANCEL) return false;
    if (r == IDYES) {
        Save();
        return !modified_;
    }
    return true;
}

void TDesignerWindow::WndProc(TMessage& m) {
    TForm::WndProc(m);
    // The design form stays above the designer's window, which the platform
    // may raise over the windows it owns when it becomes active again (after
    // a message box, say).
    if (m.Msg == WM_ACTIVATE && LOWORD(m.WParam) != WA_INACTIVE && form_ && form_->HandleAllocated())
        SetWindowPos(form_->HandleValue(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool TDesignerWindow::CloseQuery() {
    bool can = false;
    // A failed save is reported and keeps the designer open.
    Application.Guard([&] { can = AskSave(); });
    return can && TForm::CloseQuery();
}

}  // namespace orvd
