// Components, the property table, form resources (a real embedded RCDATA
// resource), the controls and forms shown for real: dialog keys, layout,
// close actions, modal forms, timers, errors escaping handlers.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

#include "tests/framework/testforms.h"
#include "tests/support/winauto.h"

using namespace fw;

FW_IMPLEMENT_CLASS(TTestForm, TForm, [](TClassBuilder<TTestForm>&) {})

namespace {

// --- a component with a property of every kind ----------------------------------

enum TMode { mdOff, mdSlow, mdFast };

class TThing : public TComponent {
    FW_CLASS(TThing)
public:
    explicit TThing(TComponent* owner) : TComponent(owner) {
        designingInConstructor = HasState(csDesigning);
    }
    ~TThing() override {
        if (destroyLog) destroyLog->push_back(Name());
    }
    std::wstring Wide() const { return wide_; }
    void SetWide(const std::wstring& w) { wide_ = w; }
    const std::string& Text() const { return text_; }
    void SetText(const std::string& t) { text_ = t; }
    const std::string& Secret() const { return secret_; }
    void SetSecret(const std::string& t) { secret_ = t; }
    TMode Mode() const { return mode_; }
    void SetMode(TMode m) { mode_ = m; }
    unsigned Options() const { return options_; }
    void SetOptions(unsigned o) { options_ = o; }
    bool Flag() const { return flag_; }
    void SetFlag(bool f) { flag_ = f; }
    int Count() const { return count_; }
    void SetCount(int c) { count_ = c; }
    const std::vector<std::string>& Lines() const { return lines_; }
    void SetLines(const std::vector<std::string>& l) { lines_ = l; }
    TComponent* Peer() const { return peer_; }
    void SetPeer(TComponent* p) {
        if (peer_) peer_->RemoveFreeNotification(this);
        peer_ = p;
        if (p) p->FreeNotification(this);
    }
    void Loaded() override {
        TComponent::Loaded();
        loadedPeer = peer_;
        ++loadedCount;
    }
    TNotifyEvent OnChange;

    bool designingInConstructor = false;
    TComponent* loadedPeer = nullptr;
    int loadedCount = 0;
    std::vector<std::string>* destroyLog = nullptr;

protected:
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == opRemove && c == peer_) peer_ = nullptr;
    }

private:
    std::wstring wide_;
    std::string text_, secret_;
    TMode mode_ = mdOff;
    unsigned options_ = 1;
    bool flag_ = false;
    int count_ = 5;
    std::vector<std::string> lines_;
    TComponent* peer_ = nullptr;
};

FW_IMPLEMENT_CLASS(TThing, TComponent, [](TClassBuilder<TThing>& b) {
    b.Integer("Count", &TThing::Count, &TThing::SetCount, 5);
    b.Boolean("Flag", &TThing::Flag, &TThing::SetFlag);  // no default: always written
    b.Strings("Lines", &TThing::Lines, &TThing::SetLines);
    b.Enum("Mode", {"mdOff", "mdSlow", "mdFast"}, &TThing::Mode, &TThing::SetMode, mdOff);
    b.Set("Options", {"opA", "opB", "opC"}, &TThing::Options, &TThing::SetOptions, 1);
    b.Reference<TComponent>("Peer", &TThing::Peer, &TThing::SetPeer);
    b.String("Secret", &TThing::Secret, &TThing::SetSecret).IsStored = [](const TComponent*) { return false; };
    b.String("Text", &TThing::Text, &TThing::SetText, "");
    b.WideString("Wide", &TThing::Wide, &TThing::SetWide);
    b.Event("OnChange", &TThing::OnChange);
})

// A root for texts of things.
class TThingRoot : public TComponent {
    FW_CLASS(TThingRoot)
public:
    explicit TThingRoot(TComponent* owner) : TComponent(owner) {
        BindMethod("ThingChange", &TThingRoot::ThingChange);
    }
    void ThingChange(TObject* sender) { changed.push_back(sender); }
    std::vector<TObject*> changed;
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override {
        if (root == this)
            for (int i = 0; i < ComponentCount(); ++i) proc(Components(i));
    }
};
FW_IMPLEMENT_CLASS(TThingRoot, TComponent, [](TClassBuilder<TThingRoot>&) {})

// A panel class that publishes only two of its ancestors' properties, as
// the package's viewer does.
class TViewerLike : public TCustomPanel {
    FW_CLASS(TViewerLike)
public:
    explicit TViewerLike(TComponent* owner) : TCustomPanel(owner) {}
};
FW_IMPLEMENT_CLASS(TViewerLike, TCustomPanel, [](TClassBuilder<TViewerLike>& b) {
    b.Publish({"Align", "Visible"});
})

struct Registered {
    Registered() {
        RegisterClasses({&TThing::StaticClass(), &TThingRoot::StaticClass(), &TViewerLike::StaticClass()});
    }
} registered;

std::string Unix(std::string s) {
    std::string out;
    for (char c : s)
        if (c != '\r') out += c;
    return out;
}

// Position of a control's window in its parent's client area, as the
// system has it.
RECT PosInParent(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class Forms : public ::testing::Test {
protected:
    void SetUp() override {
        Application.Initialize();
        Application.SetTitle("Orvanta Test");
        TTestForm::throwOnCreateNext = false;
    }
    void TearDown() override {
        if (form) form->Free();
        Application.ProcessMessages();
    }
    TTestForm* Make() {
        form = new TTestForm(nullptr);
        return form;
    }
    TTestForm* form = nullptr;
};

// --- components ------------------------------------------------------------------

TEST(Components, OwnerKeepsCreationOrderAndFreesWhatItOwnsLastFirst) {
    std::vector<std::string> gone;
    auto* root = new TThingRoot(nullptr);
    for (const char* n : {"a", "b", "c"}) {
        auto* t = new TThing(root);
        t->SetName(n);
        t->destroyLog = &gone;
    }
    ASSERT_EQ(root->ComponentCount(), 3);
    EXPECT_EQ(root->Components(0)->Name(), "a");
    EXPECT_EQ(root->Components(2)->Name(), "c");
    EXPECT_EQ(root->FindComponent("B"), root->Components(1));
    EXPECT_EQ(root->Components(1)->ComponentIndex(), 1);
    EXPECT_THROW(root->Components(2)->SetName("A"), EComponentError);
    EXPECT_THROW(root->Components(2)->SetName("1x"), EComponentError);
    root->Components(1)->Free();
    EXPECT_EQ(root->ComponentCount(), 2);
    gone.clear();
    root->Free();
    EXPECT_EQ(gone, (std::vector<std::string>{"c", "a"}));
}

TEST(Components, DesigningStateComesFromTheOwnerBeforeTheConstructorRuns) {
    TThingRoot root(nullptr);
    root.SetDesigning(true);
    auto* t = new TThing(&root);
    EXPECT_TRUE(t->designingInConstructor);
    EXPECT_TRUE(t->HasState(csDesigning));
    TThingRoot plain(nullptr);
    auto* u = new TThing(&plain);
    EXPECT_FALSE(u->designingInConstructor);
}

TEST(Components, TagIsSigned32Bit) {
    TThing t(nullptr);
    SetOrdProp(&t, "tag", -4452);
    EXPECT_EQ(t.Tag(), -4452);
    EXPECT_EQ(GetOrdProp(&t, "TAG"), -4452);
}

// --- the property table -----------------------------------------------------------

TEST_F(Forms, PropertyFoundByNameInAnyCaseCanBeReadAndSet) {
    Make();
    for (const char* name : {"Caption", "caption", "CAPTION", "cApTiOn"}) {
        const TPropInfo* p = FindProperty(form->btOk, name);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_EQ(p->Name, "Caption");
        EXPECT_EQ(p->Kind, TPropKind::String);
    }
    EXPECT_EQ(GetStrProp(form->btOk, "caption"), "&Ok");
    SetStrProp(form->btOk, "CAPTION", "&Yes");
    EXPECT_EQ(form->btOk->Caption(), "&Yes");
    form->HandleNeeded();
    EXPECT_EQ(ts::WindowText(form->btOk->HandleValue()), "&Yes");  // the window follows
    SetStrProp(form->laMsg1, "hint", "a hint");
    EXPECT_EQ(form->laMsg1->Hint(), "a hint");
    SetStrProp(form, "Caption", "New caption");
    EXPECT_EQ(ts::WindowText(form->HandleValue()), "New caption");
    // Menu items and radio groups have texts too; a timer has none.
    EXPECT_NE(FindProperty(form->miFile, "shortcut"), nullptr);
    EXPECT_EQ(GetOrdProp(form->miFile, "ShortCut"), 16454);
    EXPECT_NE(FindProperty(form->miFile, "HINT"), nullptr);
    EXPECT_NE(FindProperty(form->rgMode, "Caption"), nullptr);
    EXPECT_EQ(FindProperty(form->tmTick, "Caption"), nullptr);
    EXPECT_EQ(FindProperty(form->btOk, "NoSuchThing"), nullptr);
    // Enumerations and sets by name.
    EXPECT_EQ(GetEnumProp(form->laMsg1, "align"), "alTop");
    EXPECT_EQ(GetEnumProp(form->btOk, "anchors"), "[akLeft, akBottom]");
    SetEnumProp(form->btOk, "Anchors", "[akRight,akTop]");
    EXPECT_EQ(form->btOk->Anchors(), static_cast<TAnchors>(akRight | akTop));
    EXPECT_THROW(SetEnumProp(form->btOk, "Anchors", "[akNowhere]"), EReadError);
    EXPECT_THROW(GetStrProp(form->btOk, "Left"), EReadError);
}

TEST(Properties, InheritedAlongTheClassChainAndPublishedSelectively) {
    TPanel panel(nullptr);
    EXPECT_NE(FindProperty(&panel, "BevelOuter"), nullptr);
    EXPECT_NE(FindProperty(&panel, "Caption"), nullptr);
    EXPECT_NE(FindProperty(&panel, "Tag"), nullptr);  // from TComponent
    TViewerLike viewer(nullptr);
    std::vector<std::string> names;
    for (const TPropInfo* p : GetPropList(&viewer)) names.push_back(p->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "Align", "Visible"}));
    EXPECT_EQ(FindProperty(&viewer, "Caption"), nullptr);
    // The class registry finds classes by name in any case.
    EXPECT_EQ(GetClass("tlabel"), &TLabel::StaticClass());
    EXPECT_EQ(GetClass("TNoSuchClass"), nullptr);
    EXPECT_TRUE(TPanel::StaticClass().InheritsFrom(TCustomPanel::StaticClass()));
}

// --- form resources ---------------------------------------------------------------

TEST_F(Forms, ResourceGivesEveryComponentWithClassOrderBoundsCaptionsTagsAndHandlers) {
    Make();
    struct Expect {
        const char* name;
        const char* cls;
        int tag;
    };
    const Expect order[] = {
        {"btOk", "TButton", 501},          {"btCancel", "TButton", 502},
        {"pnMsg", "TPanel", 0},            {"laMsg1", "TLabel", 4451},
        {"laProductPath", "TLabel", 0},    {"laUserFiles", "TLabel", 4452},
        {"lbUserFiles", "TListBox", 0},    {"laSpacing1", "TLabel", 0},
        {"laWarning", "TLabel", 0},        {"chDeleteUserFiles", "TCheckBox", 4453},
        {"Label2", "TLabel", 0},           {"rgMode", "TRadioGroup", -4454},
        {"miFile", "TMenuItem", 4455},     {"miOpen", "TMenuItem", 0},
        {"tmTick", "TTimer", 0},
    };
    ASSERT_EQ(form->ComponentCount(), static_cast<int>(std::size(order)));
    for (int i = 0; i < form->ComponentCount(); ++i) {
        SCOPED_TRACE(order[i].name);
        EXPECT_EQ(form->Components(i)->Name(), order[i].name);
        EXPECT_EQ(form->Components(i)->ClassName(), order[i].cls);
        EXPECT_EQ(form->Components(i)->Tag(), order[i].tag);
        EXPECT_EQ(form->Components(i)->Owner(), form);
    }
    EXPECT_EQ(form->Name(), "TestForm");
    EXPECT_EQ(form->Tag(), 4450);
    EXPECT_EQ(form->Caption(), "Orvanta Uninstall");
    EXPECT_EQ(form->Width(), 436);
    EXPECT_EQ(form->Height(), 342);
    EXPECT_EQ(form->BorderIcons(), static_cast<TBorderIcons>(biSystemMenu));
    EXPECT_EQ(form->Position(), poScreenCenter);
    EXPECT_EQ(form->Font().Name(), "MS Sans Serif");
    EXPECT_EQ(form->Font().Size(), 8);
    // Fields bound by name; parents as nested in the text.
    EXPECT_EQ(form->laMsg1->Parent(), form->pnMsg);
    EXPECT_EQ(form->pnMsg->Parent(), form);
    EXPECT_EQ(form->pnMsg->ControlCount(), 6);
    EXPECT_EQ(form->miFile->Count(), 1);
    EXPECT_EQ(form->miFile->Items(0)->Caption(), "&Open");
    EXPECT_EQ(form->miFile->Hint(), "File commands");
    // Bounds, captions, the rest.
    EXPECT_EQ(form->btOk->Left(), 124);
    EXPECT_EQ(form->btOk->Top(), 276);
    EXPECT_EQ(form->btOk->Width(), 75);
    EXPECT_EQ(form->btOk->Height(), 25);
    EXPECT_TRUE(form->btOk->Default());
    EXPECT_TRUE(form->btCancel->Cancel());
    EXPECT_EQ(form->btCancel->Caption(), "&Cancel");
    EXPECT_EQ(form->pnMsg->BoundsRect().right - form->pnMsg->Left(), 396);
    EXPECT_EQ(form->pnMsg->Height(), 222);
    EXPECT_EQ(form->pnMsg->BevelOuter(), bvLowered);
    EXPECT_EQ(form->pnMsg->BorderWidth(), 8);
    EXPECT_EQ(form->laUserFiles->Caption().rfind("Warning! The following files", 0), 0u);
    EXPECT_TRUE(form->laUserFiles->WordWrap());
    EXPECT_FALSE(form->laUserFiles->AutoSize());
    EXPECT_EQ(form->laUserFiles->Height(), 34);
    EXPECT_TRUE(form->laWarning->Font().Style() & fsBold);
    EXPECT_FALSE(form->laMsg1->Font().Style() & fsBold);
    EXPECT_TRUE(form->lbUserFiles->IntegralHeight());
    EXPECT_EQ(form->lbUserFiles->Color(), clBtnFace);
    EXPECT_EQ(form->lbUserFiles->Items().Items(), (std::vector<std::string>{"Notes\\mine.txt", "It's here.doc"}));
    EXPECT_EQ(form->rgMode->Items().Count(), 3);
    EXPECT_EQ(form->rgMode->ItemIndex(), 1);
    EXPECT_FALSE(form->chDeleteUserFiles->Checked());
    EXPECT_EQ(form->tmTick->Interval(), 50u);
    // Handlers bound by method name, OnCreate run once.
    EXPECT_EQ(form->btOk->OnClick.Name(), "btOkClick");
    EXPECT_EQ(form->OnClose.Name(), "FormClose");
    EXPECT_EQ(form->log, std::vector<std::string>{"FormCreate"});
    form->btOk->Click();
    form->chDeleteUserFiles->SetChecked(true);
    EXPECT_EQ(form->log, (std::vector<std::string>{"FormCreate", "btOkClick", "checked"}));
    EXPECT_FALSE(form->HasState(csLoading));
    EXPECT_FALSE(form->laMsg1->HasState(csLoading | csReading));
}

TEST_F(Forms, WriterReproducesTheResourceAndTheRoundTripIsStable) {
    Make();
    std::string resource = ReadResourceText("TestForm");
    std::string written = WriteComponentText(form);
    EXPECT_EQ(Unix(written), Unix(resource));
    auto* again = new TTestForm(nullptr, written);
    std::string rewritten = WriteComponentText(again);
    again->Free();
    EXPECT_EQ(rewritten, written);
}

TEST(FormText, EveryKindRoundTripsReferencesAreFixedUpAndDefaultsLeftOut) {
    const std::string text =
        "object Root: TThingRoot\r\n"
        "  object first: TThing\r\n"
        "    Count = 7\r\n"
        "    Flag = False\r\n"
        "    Lines.Strings = (\r\n"
        "      'one'\r\n"
        "      'it''s'#9'tabbed')\r\n"
        "    Mode = mdFast\r\n"
        "    Options = [opA, opC]\r\n"
        "    Peer = second\r\n"
        "    Text = 'caf'#233\r\n"
        "    Wide = 'Gr'#252#223'e '#8364#1046\r\n"
        "    OnChange = ThingChange\r\n"
        "  end\r\n"
        "  object second: TThing\r\n"
        "    Flag = True\r\n"
        "    Wide = ''\r\n"
        "  end\r\n"
        "end\r\n";
    TThingRoot root(nullptr);
    ReadComponentText(text, &root);
    auto* first = static_cast<TThing*>(root.FindComponent("first"));
    auto* second = static_cast<TThing*>(root.FindComponent("second"));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->Count(), 7);
    EXPECT_EQ(first->Mode(), mdFast);
    EXPECT_EQ(first->Options(), 5u);
    EXPECT_EQ(first->Lines(), (std::vector<std::string>{"one", "it's\ttabbed"}));
    EXPECT_EQ(first->Text(), "caf\xE9");
    EXPECT_EQ(first->Wide(), std::wstring(L"Gr\u00FC\u00DFe \u20AC\u0416"));
    // The reference named a component read after it: fixed up before Loaded.
    EXPECT_EQ(first->Peer(), second);
    EXPECT_EQ(first->loadedPeer, second);
    EXPECT_EQ(first->loadedCount, 1);
    EXPECT_EQ(second->Count(), 5);
    first->OnChange(first);
    EXPECT_EQ(root.changed, std::vector<TObject*>{first});
    // Written back the same: defaults left out, Flag (no default) always there.
    first->SetSecret("never written");
    EXPECT_EQ(WriteComponentText(&root), text);
    // A referenced component that goes clears the reference.
    second->Free();
    EXPECT_EQ(first->Peer(), nullptr);
}

TEST(FormText, FaultsNameTheLine) {
    TThingRoot root(nullptr);
    auto fails = [&](const std::string& text, const std::string& part) {
        TThingRoot r(nullptr);
        try {
            ReadComponentText(text, &r);
            ADD_FAILURE() << "no error for " << text;
        } catch (const EReadError& e) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
    };
    fails("object Root: TThingRoot\n  object a: TThing\n    Nope = 1\n  end\nend\n", "line 3");
    fails("object Root: TThingRoot\n  object a: TNoClass\n  end\nend\n", "TNoClass");
    fails("object Root: TThingRoot\n  object a: TThing\n    Peer = nobody\n  end\nend\n", "nobody");
    fails("object Root: TThingRoot\n  object a: TThing\n    OnChange = NoMethod\n  end\nend\n", "NoMethod");
    fails("object Root: TThingRoot\n  object a: TThing\n    Mode = mdWarp\n  end\nend\n", "mdWarp");
    fails("object Root: TOther\nend\n", "TOther");
    fails("object Root: TThingRoot\n  object a: TThing\n", "'end' expected");
    EXPECT_THROW(ReadResourceText("NoSuchForm"), EResNotFound);
}

// --- the class registry -------------------------------------------------------------

TEST(ClassRegistry, TheLinkedLayersRegisterTheirStreamableClassesThemselves) {
    // This program links the layers up to ui and registers none of these:
    // their units do.  It links no OLE layer, so none of its classes is here.
    for (const char* name : {"TLabel", "TButton", "TCheckBox", "TEdit", "TListBox", "TRadioGroup", "TPanel",
                             "TMenuItem", "TTimer", "TForm", "TOpenDialog", "TSaveDialog"})
        EXPECT_NE(GetClass(name), nullptr) << name;
    for (const char* name : {"TOleContainer", "TWebBrowser", "TOleControl", "TCustomPanel"})
        EXPECT_EQ(GetClass(name), nullptr) << name;
}

TEST(FormText, AnEditFieldIsReadAndWrittenBack) {
    const std::string text =
        "object Root: TForm\r\n"
        "  object edPage: TEdit\r\n"
        "    Left = 8\r\n"
        "    Top = 4\r\n"
        "    Width = 60\r\n"
        "    Height = 21\r\n"
        "    ReadOnly = True\r\n"
        "    TabStop = False\r\n"
        "  end\r\n"
        "end\r\n";
    std::string written;
    for (int pass = 0; pass < 2; ++pass) {
        std::unique_ptr<TForm, FreeComponent> root(new TForm(nullptr));
        ReadComponentText(pass == 0 ? text : written, root.get());
        auto* edit = dynamic_cast<TEdit*>(root->FindComponent("edPage"));
        ASSERT_NE(edit, nullptr) << pass;
        EXPECT_EQ(edit->Parent(), root.get());
        EXPECT_TRUE(edit->ReadOnly());
        EXPECT_FALSE(edit->TabStop());
        EXPECT_EQ(edit->BoundsRect().right, 68);
        written = WriteComponentText(root.get());
        EXPECT_NE(written.find("  object edPage: TEdit\r\n    Left = 8\r\n"), std::string::npos) << written;
        EXPECT_NE(written.find("    ReadOnly = True\r\n"), std::string::npos) << written;
    }
}

// --- shown forms --------------------------------------------------------------------

// A tab control of the test's own: it hears the WM_NOTIFY messages its
// window sends through the framework's reflection, and may refuse a change
// of tab by its answer.
class TTabsProbe : public TWinControl {
public:
    explicit TTabsProbe(TComponent* owner) : TWinControl(owner) {
        width_ = 200;
        height_ = 60;
    }
    std::vector<UINT> codes;
    bool refuse = false;

protected:
    void CreateParams(TCreateParams& p) override {
        TWinControl::CreateParams(p);
        p.WinClassName = WC_TABCONTROLA;
        p.OwnClass = false;
    }
    void InitWnd() override {
        TWinControl::InitWnd();
        const char* tabs[] = {"One", "Two"};
        for (int i = 0; i < 2; ++i) {
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<char*>(tabs[i]);
            SendMessageA(handle_, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        }
    }
    LRESULT Notify(const NMHDR& header) override {
        codes.push_back(header.code);
        return header.code == static_cast<UINT>(TCN_SELCHANGING) && refuse;
    }
};

TEST_F(Forms, ANotificationReachesTheControlThatSentItAndItsAnswerCounts) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    std::unique_ptr<TForm, FreeComponent> f(new TForm(nullptr));
    auto* panel = new TPanel(f.get());  // reflected by the parent, whatever control it is
    panel->SetBounds(0, 0, 240, 100);
    panel->SetParent(f.get());
    auto* tabs = new TTabsProbe(f.get());
    tabs->SetParent(panel);
    f->Show();
    HWND h = tabs->HandleValue();
    ASSERT_NE(h, nullptr);
    auto clickSecondTab = [&] {
        RECT r{};
        ASSERT_TRUE(SendMessageA(h, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(h, WM_LBUTTONUP, 0, at);
    };
    auto heard = [&](int code) {
        return std::find(tabs->codes.begin(), tabs->codes.end(), static_cast<UINT>(code)) != tabs->codes.end();
    };
    tabs->refuse = true;
    clickSecondTab();
    EXPECT_TRUE(heard(TCN_SELCHANGING));
    EXPECT_FALSE(heard(TCN_SELCHANGE));
    EXPECT_EQ(SendMessageA(h, TCM_GETCURSEL, 0, 0), 0) << "the refusal was not the answer";
    tabs->refuse = false;
    tabs->codes.clear();
    clickSecondTab();
    EXPECT_TRUE(heard(TCN_SELCHANGING));
    EXPECT_TRUE(heard(TCN_SELCHANGE));
    EXPECT_EQ(SendMessageA(h, TCM_GETCURSEL, 0, 0), 1);
}

TEST_F(Forms, SizesAreOuterAndTheWindowIsCentredWithTheFontAndBorderIcons) {
    Make();
    form->Show();
    Application.ProcessMessages();
    HWND h = form->HandleValue();
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r.right - r.left, 436);
    EXPECT_EQ(r.bottom - r.top, 342);
    RECT c;
    GetClientRect(h, &c);
    EXPECT_EQ(form->ClientWidth(), c.right);
    EXPECT_EQ(form->ClientHeight(), c.bottom);
    EXPECT_LT(c.bottom, 342);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((r.left + r.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, (work.top + work.bottom) / 2, 1);
    EXPECT_EQ(ts::WindowText(h), "Orvanta Uninstall");
    LONG style = GetWindowLongA(h, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    // The font reached the windows.
    LOGFONTA lf = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(form->laWarning->HandleValue(), WM_GETFONT, 0, 0)),
               sizeof lf, &lf);
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    // Changing the border icons at run time removes the close box.
    form->SetBorderIcons(0);
    EXPECT_FALSE(GetWindowLongA(h, GWL_STYLE) & WS_SYSMENU);
    GetWindowRect(h, &r);
    EXPECT_EQ(r.bottom - r.top, 342);
}

TEST_F(Forms, TheWindowsGetTheMsSansSerifFaceItself) {
    // Wine has the face only when its font files are in the prefix's Fonts
    // folder; without them it substitutes another face silently.
    if (GetFileAttributesA("C:\\windows\\Fonts\\sserife.fon") == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "the prefix has no sserife.fon in C:\\windows\\Fonts";
    Make();
    form->Show();
    HWND h = form->HandleValue();
    for (TLabel* l : {form->laMsg1, form->laWarning}) {
        HDC dc = GetDC(h);
        HGDIOBJ old = SelectObject(dc, l->Font().Handle());
        char face[LF_FACESIZE] = "sentinel";
        GetTextFaceA(dc, sizeof face, face);
        TEXTMETRICA tm = {};
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(h, dc);
        EXPECT_STREQ(face, "MS Sans Serif") << l->Name();
        EXPECT_EQ(tm.tmHeight, 13) << l->Name();
        EXPECT_EQ(tm.tmWeight, l == form->laWarning ? FW_BOLD : FW_NORMAL) << l->Name();
    }
}

TEST_F(Forms, EnterAndEscapePressTheDefaultAndCancelButtons) {
    Make();
    form->Show();
    Application.ProcessMessages();
    form->chDeleteUserFiles->SetFocus();
    form->log.clear();
    HWND focus = GetFocus();
    ASSERT_EQ(focus, form->chDeleteUserFiles->HandleValue());
    PostMessageA(focus, WM_KEYDOWN, VK_RETURN, 0);
    Application.ProcessMessages();
    EXPECT_EQ(form->log, std::vector<std::string>{"btOkClick"});
    PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0);
    Application.ProcessMessages();
    EXPECT_EQ(form->log, (std::vector<std::string>{"btOkClick", "btCancelClick"}));
    // Enter on a focused button presses that one.
    form->btCancel->SetFocus();
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    Application.ProcessMessages();
    EXPECT_EQ(form->log.back(), "btCancelClick");
    // A hidden default button is not pressed.
    form->log.clear();
    form->btOk->Hide();
    form->chDeleteUserFiles->SetFocus();
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    Application.ProcessMessages();
    EXPECT_TRUE(form->log.empty());
}

TEST_F(Forms, ShowingEnabledAndTheCursorFollowTheWindows) {
    Make();
    EXPECT_FALSE(form->Showing());
    EXPECT_FALSE(form->btOk->Showing());  // visible, on a hidden form
    form->Show();
    EXPECT_TRUE(form->btOk->Showing());
    EXPECT_TRUE(form->laMsg1->Showing());
    form->pnMsg->Hide();
    EXPECT_FALSE(form->laMsg1->Showing());  // its panel is hidden
    EXPECT_TRUE(form->laMsg1->Visible());
    EXPECT_FALSE(IsWindowVisible(form->laMsg1->HandleValue()));
    form->btCancel->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(form->btCancel->HandleValue()));
    // Escape does nothing while the cancel button is disabled.
    form->log.clear();
    PostMessageA(form->btOk->HandleValue(), WM_KEYDOWN, VK_ESCAPE, 0);
    Application.ProcessMessages();
    EXPECT_TRUE(form->log.empty());
    // The screen cursor wins over the control's while it is not crDefault.
    HWND b = form->btOk->HandleValue();
    form->btOk->SetCursor(crHourGlass);
    SendMessageA(b, WM_SETCURSOR, reinterpret_cast<WPARAM>(b), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), TScreen::CursorHandle(crHourGlass));
    Screen.SetCursor(crAppStart);
    SendMessageA(b, WM_SETCURSOR, reinterpret_cast<WPARAM>(b), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), TScreen::CursorHandle(crAppStart));
    Screen.SetCursor(crDefault);
}

TEST_F(Forms, TabMovesTheFocusThroughTheControlsInTheirOrder) {
    Make();
    form->Show();
    Application.ProcessMessages();
    // The first control in window order has the focus when the form shows.
    EXPECT_EQ(GetFocus(), form->btOk->HandleValue());
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    Application.ProcessMessages();
    EXPECT_EQ(GetFocus(), form->btCancel->HandleValue());
    PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    Application.ProcessMessages();
    EXPECT_EQ(GetFocus(), form->lbUserFiles->HandleValue());  // inside the panel
    EXPECT_TRUE(form->log.size() == 1);  // no button was pressed on the way
}

TEST_F(Forms, HidingControlsAndChangingHeightsRelaysTheWindow) {
    Make();
    form->Show();
    Application.ProcessMessages();
    HWND h = form->HandleValue();
    RECT client;
    GetClientRect(h, &client);
    RECT ok = PosInParent(form->btOk->HandleValue());
    int okGap = client.bottom - ok.bottom;
    // Full window: the panel's labels stacked from the top inside the
    // border (bevel 1 + border 8), in the order of their Top.
    EXPECT_EQ(PosInParent(form->laMsg1->HandleValue()).top, 9);
    EXPECT_EQ(PosInParent(form->laUserFiles->HandleValue()).top, 29);
    EXPECT_EQ(PosInParent(form->laProductPath->HandleValue()).top, 178);
    EXPECT_EQ(PosInParent(form->laMsg1->HandleValue()).right, 396 - 9);
    EXPECT_EQ(PosInParent(form->Label2->HandleValue()).right, client.right);  // alTop on the form
    // The compact window of a network product folder.
    for (TControl* c : std::initializer_list<TControl*>{form->laUserFiles, form->lbUserFiles,
                                                       form->laProductPath, form->laWarning,
                                                       form->chDeleteUserFiles})
        c->Hide();
    form->pnMsg->SetHeight(40);
    form->SetHeight(140);
    Application.ProcessMessages();
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r.bottom - r.top, 140);
    GetClientRect(h, &client);
    EXPECT_EQ(client.bottom - PosInParent(form->btOk->HandleValue()).bottom, okGap);
    EXPECT_EQ(client.bottom - PosInParent(form->btCancel->HandleValue()).bottom, okGap);
    EXPECT_EQ(PosInParent(form->pnMsg->HandleValue()).bottom - PosInParent(form->pnMsg->HandleValue()).top, 40);
    EXPECT_EQ(PosInParent(form->laMsg1->HandleValue()).top, 9);
    EXPECT_EQ(PosInParent(form->laSpacing1->HandleValue()).top, 29);
    EXPECT_FALSE(IsWindowVisible(form->laWarning->HandleValue()));
    EXPECT_LT(PosInParent(form->pnMsg->HandleValue()).bottom, PosInParent(form->btOk->HandleValue()).top);
    // Back to a 190-pixel window with the warning and the folder shown.
    form->laUserFiles->Hide();
    form->laSpacing1->Hide();
    form->laWarning->Show();
    form->laProductPath->Show();
    form->pnMsg->SetHeight(90);
    form->SetHeight(190);
    Application.ProcessMessages();
    GetClientRect(h, &client);
    EXPECT_EQ(client.bottom - PosInParent(form->btOk->HandleValue()).bottom, okGap);
    EXPECT_EQ(PosInParent(form->laWarning->HandleValue()).top, 29);
    EXPECT_EQ(PosInParent(form->laProductPath->HandleValue()).top, 56);
    EXPECT_TRUE(IsWindowVisible(form->laProductPath->HandleValue()));
    // A wider window stretches the panel anchored left and right.
    int panelW = form->pnMsg->Width();
    form->SetWidth(form->Width() + 40);
    EXPECT_EQ(form->pnMsg->Width(), panelW + 40);
    EXPECT_EQ(PosInParent(form->laMsg1->HandleValue()).right, panelW + 40 - 9);
}

TEST_F(Forms, AnExceptionInAClickHandlerReachesTheApplicationsErrorBox) {
    Make();
    form->Show();
    Application.ProcessMessages();
    form->throwOnOk = true;
    auto answer = ts::AnswerDialogAsync(0, "OK");
    // Through the real button window: BM_CLICK, WM_COMMAND, our procedure.
    SendMessageA(form->btOk->HandleValue(), BM_CLICK, 0, 0);
    ts::Dialog d = answer.get();
    EXPECT_EQ(d.text, "Broken handler.");
    EXPECT_EQ(d.caption, "Orvanta Test");
    EXPECT_EQ(d.icon, "error");
    EXPECT_EQ(form->log.back(), "btOkClick");
}

TEST_F(Forms, AnExceptionInOnCreateIsReportedAndTheFormStillWorks) {
    TTestForm::throwOnCreateNext = true;
    auto answer = ts::AnswerDialogAsync(0, "OK");
    Make();
    ts::Dialog d = answer.get();
    EXPECT_EQ(d.text, "Create failed.");
    form->Show();
    EXPECT_TRUE(form->Showing());
    EXPECT_EQ(form->laWarning->Caption(), "laWarning");
}

TEST_F(Forms, CloseActionsHideKeepOrFreeTheForm) {
    Make();
    form->Show();
    form->closeAction = caNone;
    PostMessageA(form->HandleValue(), WM_CLOSE, 0, 0);
    Application.ProcessMessages();
    EXPECT_TRUE(form->Showing());
    form->closeAction = caHide;
    form->Close();
    EXPECT_FALSE(form->Showing());
    EXPECT_EQ(form->log.back(), "FormClose");
    int destroyed = 0;
    form->destroyed = &destroyed;
    form->Show();
    form->closeAction = caFree;
    form->Close();
    EXPECT_EQ(destroyed, 0);  // later, after the message being handled
    Application.ProcessMessages();
    EXPECT_EQ(destroyed, 1);
    form = nullptr;
}

void CALLBACK PressOkOfTheTestForm(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    for (HWND w : ts::TopWindows(0, "TTestForm"))
        if (auto* f = dynamic_cast<TTestForm*>(TWinControl::FromHandle(w)))
            PostMessageA(f->btOk->HandleValue(), BM_CLICK, 0, 0);
}

void CALLBACK CloseTheTestForm(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    for (HWND w : ts::TopWindows(0, "TTestForm")) PostMessageA(w, WM_CLOSE, 0, 0);
}

TEST_F(Forms, ShowModalReturnsTheButtonsModalResult) {
    Make();
    form->btOk->SetModalResult(mrOk);
    // Press the button once the modal loop runs.
    SetTimer(nullptr, 0, 100, PressOkOfTheTestForm);
    int r = form->ShowModal();
    EXPECT_EQ(r, mrOk);
    EXPECT_FALSE(form->Showing());
    EXPECT_EQ(form->log.back(), "FormClose");
    // Close ends a modal form with mrCancel.
    SetTimer(nullptr, 0, 100, CloseTheTestForm);
    EXPECT_EQ(form->ShowModal(), mrCancel);
}

TEST_F(Forms, CheckBoxAndRadioGroupReportClicks) {
    Make();
    form->rgMode->Show();
    form->Show();
    form->log.clear();
    SendMessageA(form->chDeleteUserFiles->HandleValue(), BM_CLICK, 0, 0);
    EXPECT_TRUE(form->chDeleteUserFiles->Checked());
    EXPECT_EQ(form->log, std::vector<std::string>{"checked"});
    int clicks = 0;
    form->rgMode->OnClick = [&](TObject*) { ++clicks; };
    SendMessageA(form->rgMode->ButtonHandle(2), BM_CLICK, 0, 0);
    EXPECT_EQ(form->rgMode->ItemIndex(), 2);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(ts::WindowText(form->rgMode->ButtonHandle(0)), "One");
    form->rgMode->Items().Put(0, "Uno");
    EXPECT_EQ(ts::WindowText(form->rgMode->ButtonHandle(0)), "Uno");
    // The list box window holds the items.
    HWND lb = form->lbUserFiles->HandleValue();
    EXPECT_EQ(SendMessageA(lb, LB_GETCOUNT, 0, 0), 2);
    form->lbUserFiles->Items().Add("third");
    EXPECT_EQ(SendMessageA(lb, LB_GETCOUNT, 0, 0), 3);
}

TEST_F(Forms, FontsFollowTheParentUnlessTheControlHasItsOwn) {
    Make();
    form->Show();
    auto faceHeight = [](TWinControl* c) {
        LOGFONTA lf = {};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(c->HandleValue(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
        return lf.lfHeight;
    };
    EXPECT_EQ(faceHeight(form->laMsg1), -11);
    form->Font().SetSize(12);
    EXPECT_EQ(form->laMsg1->Font().Size(), 12);  // through the panel
    EXPECT_TRUE(form->laMsg1->ParentFont());
    EXPECT_EQ(faceHeight(form->laMsg1), form->Font().Height());
    EXPECT_EQ(faceHeight(form->btOk), form->Font().Height());
    EXPECT_EQ(form->laWarning->Font().Height(), -11);  // its own bold font stays
    EXPECT_EQ(faceHeight(form->laWarning), -11);
    // Setting a control's font detaches it from the parent's.
    form->btOk->Font().SetStyle(fsItalic);
    EXPECT_FALSE(form->btOk->ParentFont());
    form->Font().SetSize(8);
    EXPECT_NE(form->btOk->Font().Height(), form->Font().Height());
}

TEST_F(Forms, ClientSizeAutoSizeIntegralHeightAndResize) {
    Make();
    form->Show();
    int resizes = 0;
    form->pnMsg->OnResize = [&](TObject*) { ++resizes; };
    form->SetWidth(form->Width() + 20);  // the anchored panel grows with the form
    EXPECT_EQ(resizes, 1);
    form->SetClientHeight(200);
    RECT c;
    GetClientRect(form->HandleValue(), &c);
    EXPECT_EQ(c.bottom, 200);
    EXPECT_EQ(form->ClientHeight(), 200);
    // An auto-sized label takes its text's extent; a word-wrapping one
    // keeps its width and grows in height.
    auto* l = new TLabel(form);
    l->SetParent(form);
    l->SetCaption("Auto sized");
    EXPECT_GT(l->Width(), 20);
    EXPECT_LT(l->Width(), 150);
    EXPECT_EQ(l->Height(), 13);
    int oneLine = l->Height();
    l->SetWordWrap(true);
    l->SetWidth(60);
    l->SetCaption("several words that cannot fit on one short line");
    EXPECT_EQ(l->Width(), 60);
    EXPECT_GT(l->Height(), 2 * oneLine);
    // An integral-height list box shows whole items only.
    HWND lb = form->lbUserFiles->HandleValue();
    RECT r;
    GetClientRect(lb, &r);
    int item = static_cast<int>(SendMessageA(lb, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(item, 0);
    EXPECT_EQ(r.bottom % item, 0) << "client height " << r.bottom << ", item height " << item;
}

TEST_F(Forms, ReferencesToControlsAreClearedWhenTheControlGoes) {
    Make();
    form->laMsg1->SetFocusControl(form->chDeleteUserFiles);
    form->SetActiveControl(form->btCancel);
    form->chDeleteUserFiles->Free();
    EXPECT_EQ(form->laMsg1->FocusControl(), nullptr);
    EXPECT_EQ(form->chDeleteUserFiles, nullptr);  // the bound field too
    form->btCancel->Free();
    EXPECT_EQ(form->ActiveControl(), nullptr);
    EXPECT_EQ(form->FindComponent("btCancel"), nullptr);
    EXPECT_EQ(form->ComponentCount(), 13);
    form->Show();  // still whole
    EXPECT_TRUE(form->Showing());
}

// --- timers ---------------------------------------------------------------------------

TEST_F(Forms, TimerReadFromTheResourceRunsItsBoundHandlerOnceEnabled) {
    Make();
    Sleep(120);
    Application.ProcessMessages();
    EXPECT_EQ(form->ticks, 0);  // Enabled = False in the resource
    form->tmTick->SetEnabled(true);
    DWORD start = GetTickCount();
    while (form->ticks < 2 && GetTickCount() - start < 2000) {
        Application.ProcessMessages();
        Sleep(10);
    }
    EXPECT_GE(form->ticks, 2);
}

TEST(Timers, RunWhileDesigning) {
    Application.Initialize();
    TThingRoot root(nullptr);
    root.SetDesigning(true);
    auto* t = new TTimer(&root);
    int ticks = 0;
    t->SetInterval(10);
    t->SetOnTimer([&](TObject*) { ++ticks; });
    DWORD start = GetTickCount();
    while (ticks == 0 && GetTickCount() - start < 1000) {
        Application.ProcessMessages();
        Sleep(5);
    }
    EXPECT_GT(ticks, 0);
}

TEST(Timers, RunWhileEnabledAndMayBeFreedInTheirOwnHandler) {
    Application.Initialize();
    TThingRoot root(nullptr);
    auto* t = new TTimer(&root);
    int ticks = 0;
    t->SetInterval(10);
    t->SetOnTimer([&](TObject* sender) {
        ++ticks;
        if (ticks == 3) static_cast<TTimer*>(sender)->Free();
    });
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 500) {
        Application.ProcessMessages();
        Sleep(5);
    }
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(root.ComponentCount(), 0);
    auto* off = new TTimer(&root);
    int offTicks = 0;
    off->SetInterval(10);
    off->SetEnabled(false);
    off->SetOnTimer([&](TObject*) { ++offTicks; });
    Sleep(50);
    Application.ProcessMessages();
    EXPECT_EQ(offTicks, 0);
}

// --- the main form and Application.Run, in a child program ---------------------------

std::string Demo() { return ts::Quote(ts::SelfFolder() + "formdemo.exe"); }

TEST(MainForm, ClosingTheMainFormEndsRun) {
    ts::ChildProcess p(Demo() + " close");
    ASSERT_TRUE(p.Started());
    EXPECT_EQ(p.Wait(), 0u);
}

TEST(MainForm, AnErrorAfterTheMainFormClosedStaysUntilAnswered) {
    ts::ChildProcess p(Demo() + " throw-after-close");
    ASSERT_TRUE(p.Started());
    HWND dlg = ts::WaitForDialog(p.Pid());
    ASSERT_TRUE(dlg);
    ts::Dialog d = ts::ReadDialog(dlg);
    EXPECT_EQ(d.text, "Broken handler.");
    EXPECT_EQ(d.caption, "Form Demo");
    Sleep(700);
    EXPECT_EQ(p.Wait(0), static_cast<DWORD>(STILL_ACTIVE));  // Run has not ended under the box
    EXPECT_TRUE(IsWindowVisible(dlg));
    ts::PressButton(dlg, "OK");
    EXPECT_EQ(p.Wait(), 0u);
}

}  // namespace
