// Automation and OLE hosting against what Wine really has: late-bound calls
// on Scripting.Dictionary and on an automation object of our own that
// records what reaches it, the platform's web browser hosted by TWebBrowser
// and as a generic object in TOleContainer fetching from a loopback HTTP
// server, the keys of a hosted control, and its teardown.
#include <gtest/gtest.h>

#include <exdispid.h>

#include <chrono>
#include <thread>

#include "framework/ole/olectnrs.h"
#include "framework/ole/olectrls.h"
#include "framework/ui/forms.h"
#include "tests/framework_ole/testcontrol.h"
#include "tests/support/httpserver.h"

using namespace fw;

namespace {

// Handles messages until done() or the timeout; the browser works from
// the message queue of this thread.
template <typename F>
bool PumpUntil(F done, int timeoutMs = 15000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Application.ProcessMessages();
        Sleep(10);
    }
    return true;
}

// --- late binding ------------------------------------------------------------------

// An automation object that records the last call it got and fails its
// member "Fail" with an exception described through deferred fill-in.
class Recorder final : public ComObject<IDispatch> {
public:
    static HRESULT STDMETHODCALLTYPE FillIn(EXCEPINFO* e) {
        e->bstrSource = SysAllocString(L"Recorder");
        e->bstrDescription = SysAllocString(L"The recorder refuses");
        e->scode = static_cast<SCODE>(0x80040277);
        return S_OK;
    }
    WORD flags = 0;
    std::vector<VARTYPE> types;     // in declaration order
    std::vector<std::string> texts;  // the arguments as text, declaration order
    std::vector<DISPID> named;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        std::wstring n = names[0];
        if (n == L"Echo") *ids = 1;
        else if (n == L"Fail") *ids = 2;
        else if (n == L"Value") *ids = 3;
        else return DISP_E_UNKNOWNNAME;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD f, DISPPARAMS* p, VARIANT* result,
                                     EXCEPINFO* ei, UINT*) override {
        flags = f;
        types.clear();
        texts.clear();
        named.assign(p->rgdispidNamedArgs, p->rgdispidNamedArgs + p->cNamedArgs);
        for (UINT k = p->cArgs; k-- > 0;) {
            types.push_back(p->rgvarg[k].vt);
            texts.push_back(Variant(p->rgvarg[k]).ToString());
        }
        if (id == 2) {
            ei->pfnDeferredFillIn = FillIn;
            return DISP_E_EXCEPTION;
        }
        if (result) {
            VariantInit(result);
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(L"42");
        }
        return S_OK;
    }
};

class Automation : public ::testing::Test {
protected:
    OleInit ole;
};

TEST(OleClasses, AProgramThatLinksTheOleLayerFindsItsStreamableClasses) {
    EXPECT_EQ(GetClass("TOleContainer"), &TOleContainer::StaticClass());
    EXPECT_EQ(GetClass("twebbrowser"), &TWebBrowser::StaticClass());
    EXPECT_EQ(GetClass("TEdit"), &TEdit::StaticClass());  // and those of the layers below
}

TEST_F(Automation, CallsReachTheObjectReversedTypedAndPutsAreNamed) {
    auto rec = MakeCom<Recorder>();
    OleVariant obj(ComPtr<IDispatch>::from(rec.get()));
    OleVariant r = obj.Call("Echo", 7, true, std::string("t\xe9xt"), false);
    EXPECT_EQ(rec->flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_EQ(rec->types, (std::vector<VARTYPE>{VT_I4, VT_BOOL, VT_BSTR, VT_BOOL}));
    // VARIANT_ALPHABOOL text: true is all bits set, or it would read "False".
    EXPECT_EQ(rec->texts, (std::vector<std::string>{"7", "True", "t\xe9xt", "False"}));
    EXPECT_TRUE(rec->named.empty());
    EXPECT_EQ(r.ToString(), "42");
    EXPECT_EQ(r.ToInt(), 42);

    obj.Set("Value", 5);
    EXPECT_EQ(rec->flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(rec->named, std::vector<DISPID>{DISPID_PROPERTYPUT});
    EXPECT_EQ(rec->texts, std::vector<std::string>{"5"});

    try {
        obj.Call("Fail", 1);
        FAIL() << "no exception";
    } catch (const EOleException& e) {
        EXPECT_EQ(e.Result(), static_cast<HRESULT>(0x80040277));
        EXPECT_EQ(e.Source(), "Recorder");
        EXPECT_EQ(e.Message(), "The recorder refuses");
    }
    try {
        obj.Call("Nope");
        FAIL() << "no exception";
    } catch (const EOleError& e) {
        EXPECT_EQ(e.Result(), DISP_E_UNKNOWNNAME);
        EXPECT_NE(e.Message().find("'Nope'"), std::string::npos) << e.Message();
    }
    // Every argument and result was cleared: ours are the only references.
    rec->AddRef();
    EXPECT_EQ(rec->Release(), 2u);  // rec and obj
    EXPECT_THROW(OleVariant(3).Call("Echo"), EOleError);
}

TEST_F(Automation, ScriptingDictionaryByName) {
    OleVariant d;
    try {
        d = CreateOleObject("Scripting.Dictionary");
    } catch (const EOleError& e) {
        GTEST_SKIP() << "Scripting.Dictionary is missing: " << e.what();
    }
    d.Set("CompareMode", 1);  // text comparison, allowed while empty
    EXPECT_EQ(d.Get("CompareMode").ToInt(), 1);
    d.Call("Add", "Key", 10);
    d.Call("Add", "Other", std::string("x"));
    EXPECT_EQ(d.Get("Count").ToInt(), 2);
    EXPECT_TRUE(d.Call("Exists", "KEY").ToBool());  // text comparison is in force
    EXPECT_EQ(d.Get("Item", "key").ToInt(), 10);
    // A second "Add" of the same key fails inside the object: its error
    // code reaches the exception through EXCEPINFO, not DISP_E_EXCEPTION.
    try {
        d.Call("Add", "Key", 11);
        FAIL() << "no exception";
    } catch (const EOleException& e) {
        EXPECT_EQ(e.Result(), static_cast<HRESULT>(0x800A01C9)) << std::hex << e.Result();
        EXPECT_FALSE(e.Message().empty());
    }
    try {
        d.Call("NoSuchMember");
        FAIL() << "no exception";
    } catch (const EOleError& e) {
        EXPECT_EQ(e.Result(), DISP_E_UNKNOWNNAME);
        EXPECT_NE(e.Message().find("NoSuchMember"), std::string::npos) << e.Message();
    }
}

// --- hosting the web browser -----------------------------------------------------

// A web browser that also binds BeforeNavigate2, to see events arrive
// through the connection point.
class TRecordingBrowser : public TWebBrowser {
public:
    explicit TRecordingBrowser(TComponent* o) : TWebBrowser(o) {}
    TOleEvent OnBeforeNavigate2;

protected:
    void InitControlData(TControlData& data) override {
        TWebBrowser::InitControlData(data);
        data.EventDispIDs = {DISPID_BEFORENAVIGATE2};
        data.EventFields = {&OnBeforeNavigate2};
    }
};

class Hosting : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start()) << server.LastError();
        server.SetDefaultResponse(ts::HttpResponse(200, "<html><body>page</body></html>"));
        form = new TForm(nullptr);
        form->SetBounds(50, 50, 500, 400);
        form->Show();
    }
    void TearDown() override {
        if (form) form->Free();
        server.Stop();
    }
    // The first request that arrives, within the timeout.
    bool Requested(ts::HttpRequest& out) {
        if (!PumpUntil([&] { return !server.Requests().empty(); })) return false;
        out = server.Requests().front();
        return true;
    }
    OleInit ole;
    ts::LoopbackHttpServer server;
    TForm* form = nullptr;
};

TEST_F(Hosting, WebBrowserNavigatesInPlaceAndItsEventsArrive) {
    auto* wb = new TRecordingBrowser(form);
    std::vector<std::string> urls;
    wb->OnBeforeNavigate2 = [&](TObject* sender, const std::vector<OleVariant>& args) {
        EXPECT_EQ(sender, wb);
        ASSERT_GE(args.size(), 2u);
        urls.push_back(args[1].ToString());
    };
    wb->SetBounds(10, 10, 300, 200);
    wb->SetParent(form);
    EXPECT_GE(wb->State(), osInPlaceActive);
    // The object sits in our window at the control's size.
    HWND inner = GetWindow(wb->Handle(), GW_CHILD);
    ASSERT_NE(inner, nullptr);
    RECT r;
    GetWindowRect(inner, &r);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 200);

    std::string url = server.Url("/liveupdate.asp?product=Folvex_Delphi&version=1.1&app=My_App");
    wb->Navigate(url);
    ts::HttpRequest req;
    ASSERT_TRUE(Requested(req));
    EXPECT_EQ(req.method, "GET");
    EXPECT_EQ(req.Path(), "/liveupdate.asp");
    EXPECT_EQ(req.Query(), "product=Folvex_Delphi&version=1.1&app=My_App");
    EXPECT_EQ(urls, std::vector<std::string>{url});
    // Late binding on the control's default dispatch works too.
    EXPECT_FALSE(wb->OleObject().Get("LocationURL").IsEmpty());
}

TEST_F(Hosting, ContainerEmbedsTheBrowserAsAGenericObject) {
    auto* c = new TOleContainer(form);
    c->SetParent(form);
    c->SetAlign(alClient);
    EXPECT_EQ(c->State(), osEmpty);
    EXPECT_THROW(c->CreateObject("No.SuchClass.1"), EOleError);
    c->CreateObject("Shell.Explorer.2");
    EXPECT_GE(c->State(), osLoaded);
    c->Run();
    EXPECT_GE(c->State(), osRunning);
    c->DoVerb(OLEIVERB_SHOW);
    EXPECT_GE(c->State(), osInPlaceActive);
    c->OleObject().Call("Navigate", server.Url("/doc.pdf?x=1"));
    ts::HttpRequest req;
    ASSERT_TRUE(Requested(req));
    EXPECT_EQ(req.target, "/doc.pdf?x=1");
    c->Close();
    EXPECT_EQ(c->State(), osLoaded);
    c->DestroyObject();
    EXPECT_EQ(c->State(), osEmpty);
    EXPECT_THROW(c->OleObject(), EOleError);
}

TEST_F(Hosting, TearingDownAnInPlaceControlReleasesTheSite) {
    auto* wb = new TWebBrowser(form);
    wb->SetBounds(0, 0, 200, 100);
    wb->SetParent(form);
    ASSERT_GE(wb->State(), osInPlaceActive);
    ComPtr<IOleObject> obj = wb->OleObjectInterface();
    ComPtr<IOleClientSite> site;
    ASSERT_EQ(obj->GetClientSite(site.put()), S_OK);
    ASSERT_TRUE(site);
    HWND host = wb->HandleValue();
    wb->Free();
    EXPECT_FALSE(IsWindow(host));
    // The object forgot its site, and no reference but ours is left on it.
    ComPtr<IOleClientSite> after;
    obj->GetClientSite(after.put());
    EXPECT_FALSE(after);
    site->AddRef();
    EXPECT_EQ(site->Release(), 1u);
    // The detached site no longer reaches the freed control.
    HWND w = nullptr;
    EXPECT_EQ(site.query<IOleWindow>()->GetWindow(&w), E_UNEXPECTED);
}

// --- a control of our own, hosted ---------------------------------------------------

class TTestControl : public TOleControl {
public:
    explicit TTestControl(TComponent* o) : TOleControl(o) {}
    TNotifyEvent OnPing;  // event 10
    TOleEvent OnValue;    // event 11, one argument

protected:
    void InitControlData(TControlData& d) override {
        d.ClassID = tc::CLSID_TestControl;
        d.EventIID = tc::DIID_TestControlEvents;
        d.EventDispIDs = {10, 11};
        d.EventFields = {&OnPing, &OnValue};
        d.Version = 401;
    }
};

class ControlHosting : public ::testing::Test {
protected:
    void SetUp() override {
        tc::Log() = tc::ControlLog{};
        form = new TForm(nullptr);
        form->SetBounds(50, 50, 400, 300);
        form->Show();
        control = new TTestControl(form);
        control->SetBounds(0, 0, 150, 60);
        control->SetParent(form);
    }
    void TearDown() override { form->Free(); }
    OleInit ole;
    tc::Registration registration;
    TForm* form = nullptr;
    TTestControl* control = nullptr;
};

TEST_F(ControlHosting, EmbeddedAtItsSizeWithPropertiesEventsAndAFixedTeardown) {
    auto& log = tc::Log();
    // The control asked for its site before its initialisation.
    ASSERT_GE(log.calls.size(), 2u);
    EXPECT_EQ(log.calls[0], "SetClientSite");
    EXPECT_EQ(log.calls[1], "InitNew");
    EXPECT_EQ(log.extent.cx, PixelsToHimetric(150, true));
    EXPECT_EQ(log.extent.cy, PixelsToHimetric(60, false));
    ASSERT_NE(log.window, nullptr);
    EXPECT_EQ(GetParent(log.window), control->HandleValue());
    RECT r;
    GetClientRect(log.window, &r);
    EXPECT_EQ(r.right, 150);
    EXPECT_EQ(r.bottom, 60);
    control->SetBounds(0, 0, 200, 80);  // follows the control's bounds
    GetClientRect(log.window, &r);
    EXPECT_EQ(r.right, 200);
    EXPECT_EQ(r.bottom, 80);

    control->SetProperty(1, std::string("hello"));
    EXPECT_EQ(control->GetProperty(1).ToString(), "hello");
    EXPECT_EQ(control->OleObject().Get("Caption").ToString(), "hello");

    std::vector<std::string> events;
    control->OnPing = [&](TObject* s) { events.push_back(s == control ? "ping" : "ping from elsewhere"); };
    control->OnValue = [&](TObject*, const std::vector<OleVariant>& args) {
        events.push_back("value " + (args.empty() ? std::string("none") : args[0].ToString()));
    };
    control->OleObject().Call("Fire", 10);
    control->OleObject().Call("Fire", 11);
    control->OleObject().Call("Fire", 12);  // no field bound: ignored
    EXPECT_EQ(events, (std::vector<std::string>{"ping", "value 7"}));

    log.calls.clear();
    control->Free();
    control = nullptr;
    EXPECT_EQ(log.calls, (std::vector<std::string>{"InPlaceDeactivate", "UIDeactivate", "Unadvise", "Hide",
                                                   "Close(NOSAVE)", "SetClientSite(null)", "Released"}));
    EXPECT_EQ(log.alive, 0);
}

TEST_F(ControlHosting, KeysGoToTheControlBeforeTheFormsDefaultButton) {
    auto* check = new TCheckBox(form);
    check->SetBounds(10, 100, 100, 20);
    check->SetTabStop(true);
    check->SetParent(form);
    auto* ok = new TButton(form);
    ok->SetBounds(10, 130, 75, 25);
    ok->SetDefault(true);
    ok->SetParent(form);
    int clicks = 0;
    ok->OnClick = [&](TObject*) { ++clicks; };

    control->SetFocus();  // UI-activates the control, which focuses its field
    Application.ProcessMessages();
    HWND field = tc::Log().window;
    ASSERT_EQ(GetFocus(), field);
    EXPECT_GE(control->State(), osUIActive);
    PostMessageW(field, WM_KEYDOWN, VK_RETURN, 0);
    Application.ProcessMessages();
    EXPECT_EQ(tc::Log().keys, std::vector<UINT>{VK_RETURN});
    EXPECT_EQ(clicks, 0);
    // A character outside the ANSI code page reaches the Unicode field whole.
    PostMessageW(field, WM_CHAR, 0x0416, 0);
    Application.ProcessMessages();
    wchar_t text[16] = L"sentinel";
    GetWindowTextW(field, text, 16);
    EXPECT_EQ(std::wstring(text), L"\x0416");
    // Tab: offered to the control first, which declines; the form moves on.
    PostMessageW(field, WM_KEYDOWN, VK_TAB, 0);
    Application.ProcessMessages();
    EXPECT_EQ(tc::Log().keys, (std::vector<UINT>{VK_RETURN, VK_TAB}));
    EXPECT_EQ(GetFocus(), check->HandleValue());
    EXPECT_EQ(clicks, 0);
    // Outside the hosted control, Enter presses the default button.
    PostMessageW(check->HandleValue(), WM_KEYDOWN, VK_RETURN, 0);
    Application.ProcessMessages();
    EXPECT_EQ(clicks, 1);
}

}  // namespace
