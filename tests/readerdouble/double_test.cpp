// Self-test of the Reader control double: registration per user, members by
// name and through the interface's slots, the call log, events, Reader's
// own window from version 8, and both controls running in place (the newer
// one in atl.dll's host, the older one through OleCreate in a container).
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/base/handles.h"
#include "tests/fixtures/readerdouble/readerdouble.h"
#include "tests/support/readerdouble.h"
#include "tests/support/staging.h"
#include "tests/support/winauto.h"

namespace {

using Lines = std::vector<std::string>;

std::string GuidText(const GUID& g) {
    wchar_t w[40] = {};
    StringFromGUID2(g, w, 40);
    char a[40] = {};
    WideCharToMultiByte(CP_ACP, 0, w, -1, a, sizeof a, nullptr, nullptr);
    return a;
}

void Pump(DWORD ms = 50) {
    DWORD end = GetTickCount() + ms;
    do {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        Sleep(5);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

// Automation arguments in their natural order; cleared on destruction.
struct Args {
    std::vector<VARIANT> v;
    Args() = default;
    Args(const Args&) = delete;
    ~Args() { for (VARIANT& a : v) VariantClear(&a); }
    Args& I(LONG n) { VARIANT a; VariantInit(&a); V_VT(&a) = VT_I4; V_I4(&a) = n; v.push_back(a); return *this; }
    Args& B(bool b) { VARIANT a; VariantInit(&a); V_VT(&a) = VT_BOOL; V_BOOL(&a) = b ? VARIANT_TRUE : VARIANT_FALSE; v.push_back(a); return *this; }
    Args& S(const std::wstring& s) { VARIANT a; VariantInit(&a); V_VT(&a) = VT_BSTR; V_BSTR(&a) = SysAllocString(s.c_str()); v.push_back(a); return *this; }
};

// A late-bound call by name, as the component makes it: name lookup, then
// invoke with the arguments reversed.
HRESULT Call(IDispatch* d, const wchar_t* name, const Args& args, WORD flags = DISPATCH_METHOD,
             VARIANT* result = nullptr, EXCEPINFO* excep = nullptr) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    HRESULT hr = d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> rev(args.v.rbegin(), args.v.rend());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS dp = {rev.data(), nullptr, static_cast<UINT>(rev.size()), 0};
    if (flags == DISPATCH_PROPERTYPUT) dp.rgdispidNamedArgs = &put, dp.cNamedArgs = 1;
    EXCEPINFO local = {};
    UINT argErr = 0;
    hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, result, excep ? excep : &local,
                   &argErr);
    if (!excep) SysFreeString(local.bstrSource), SysFreeString(local.bstrDescription), SysFreeString(local.bstrHelpFile);
    return hr;
}

fw::ComPtr<IDispatch> Create(const CLSID& clsid) {
    fw::ComPtr<IDispatch> d;
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, d.put_void());
    return d;
}

// Reader windows of this process.
std::vector<HWND> SdiWindows() { return ts::TopWindows(GetCurrentProcessId(), "AcrobatSDIWindow"); }

void CloseSdiWindows() {
    for (HWND w : SdiWindows()) PostMessageA(w, WM_CLOSE, 0, 0);
    Pump(100);
}

// The window searches a displayer makes: a window, then its following
// siblings with their descendants, then its own children.
HWND FindByTitle(HWND w, const char* title) {
    if (!w) return nullptr;
    if (ts::WindowText(w) == title) return w;
    if (HWND r = FindByTitle(GetWindow(w, GW_HWNDNEXT), title)) return r;
    return FindByTitle(GetWindow(w, GW_CHILD), title);
}

HWND FindByClass(HWND w, const char* cls, int& skip) {
    if (!w) return nullptr;
    if (ts::ClassName(w) == cls) {
        if (skip == 0) return w;
        --skip;
    }
    if (HWND r = FindByClass(GetWindow(w, GW_HWNDNEXT), cls, skip)) return r;
    return FindByClass(GetWindow(w, GW_CHILD), cls, skip);
}

// Dark pixels (text) in a window's client area painted into a bitmap, as a
// displayer's PaintToCanvas does.
int DarkPixelsPainted(HWND w) {
    RECT r;
    GetClientRect(w, &r);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(mem, bmp);
    PatBlt(mem, 0, 0, r.right, r.bottom, WHITENESS);
    SendMessageA(w, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
    int dark = 0;
    for (int y = 0; y < r.bottom; y += 1)
        for (int x = 0; x < r.right; x += 1) {
            COLORREF c = GetPixel(mem, x, y);
            if (GetRValue(c) < 64 && GetGValue(c) < 64 && GetBValue(c) < 64) ++dark;
        }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return dark;
}

class ReaderDoubleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(ole_.result())) << std::hex << ole_.result();
        ASSERT_TRUE(ts::WriteSamplePdf(pdf_, 3));
    }
    void TearDown() override { CloseSdiWindows(); }

    fw::OleInit ole_;
    ts::ScratchDir dir_{"readerdouble"};
    std::string pdf_ = dir_ / "three.pdf";
    std::wstring wpdf_ = std::wstring(pdf_.begin(), pdf_.end());
    std::string log_ = dir_ / "calls.log";
};

// ---------------------------------------------------------------- registration

TEST_F(ReaderDoubleTest, RegistersForTheUserWithTheChosenGeneration) {
    struct Case {
        const char* generation;
        const CLSID* clsid;
        const char* progId;
    } cases[] = {{"AcroPDF", &rdbl::CLSID_AcroPDF, "AcroPDF.PDF.1"},
                 {"PDF", &rdbl::CLSID_PdfCtrl, "PDF.PdfCtrl.5"}};
    const std::string type = rdbl::kContentTypeKey;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.generation);
        {
            ts::ReaderDouble d(c.generation, "AcroPDF=8.1.2", log_);
            ASSERT_EQ(S_OK, d.Result());
            EXPECT_EQ(GuidText(*c.clsid),
                      ts::GetRegString(HKEY_CURRENT_USER, "Software\\Classes\\" + type, "CLSID"));
            // What the component reads: the content type, then the class's ProgID.
            std::string clsid = ts::GetRegString(HKEY_CLASSES_ROOT, type, "CLSID");
            EXPECT_EQ(GuidText(*c.clsid), clsid);
            EXPECT_EQ(c.progId, ts::GetRegString(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\ProgID", ""));
            // Both generations stay creatable whichever the content type names.
            for (const char* id : {"AcroPDF.PDF.1", "PDF.PdfCtrl.5"}) {
                CLSID found = {};
                std::wstring wid(id, id + std::strlen(id));
                EXPECT_EQ(S_OK, CLSIDFromProgID(wid.c_str(), &found)) << id;
            }
            EXPECT_EQ("AcroPDF=8.1.2", ts::GetRegString(HKEY_CURRENT_USER, rdbl::kSettingsKey, "Versions"));
        }
        EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, "Software\\Classes\\" + type));
        EXPECT_FALSE(ts::RegKeyExists(HKEY_CLASSES_ROOT, type));
        EXPECT_FALSE(ts::RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + GuidText(*c.clsid)));
        EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, rdbl::kSettingsKey));
    }
    ts::ReaderDouble bad("Acrobat", "AcroPDF=8.1.2", log_);
    EXPECT_EQ(E_INVALIDARG, bad.Result());
}

// The command-line way, for the demo: rundll32 with the same choices.
TEST_F(ReaderDoubleTest, RegistersFromTheCommandLine) {
    const std::string dll = ts::ReaderDouble::DllPath();
    const std::string log = dir_ / "with space.log";
    {
        ts::ChildProcess run("rundll32.exe " + ts::Quote(dll) +
                             ",InstallDouble PDF AcroPDF=8.1.2,Plugin=8.1.2 " + log);
        ASSERT_TRUE(run.Started());
        EXPECT_EQ(0u, run.Wait());
    }
    std::string clsid = ts::GetRegString(HKEY_CLASSES_ROOT, rdbl::kContentTypeKey, "CLSID");
    EXPECT_EQ(GuidText(rdbl::CLSID_PdfCtrl), clsid);
    EXPECT_EQ("PDF.PdfCtrl.5", ts::GetRegString(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\ProgID", ""));
    EXPECT_EQ("AcroPDF=8.1.2,Plugin=8.1.2",
              ts::GetRegString(HKEY_CURRENT_USER, rdbl::kSettingsKey, "Versions"));
    EXPECT_EQ(log, ts::GetRegString(HKEY_CURRENT_USER, rdbl::kSettingsKey, "Log"));
    {
        ts::ChildProcess run("rundll32.exe " + ts::Quote(dll) + ",UninstallDouble");
        ASSERT_TRUE(run.Started());
        EXPECT_EQ(0u, run.Wait());
    }
    EXPECT_FALSE(ts::RegKeyExists(HKEY_CLASSES_ROOT, rdbl::kContentTypeKey));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, rdbl::kSettingsKey));
}

// ---------------------------------------------------------------- members

TEST_F(ReaderDoubleTest, BothGenerationsAnswerTheMembersByName) {
    ts::ReaderDouble d("AcroPDF", "AcroPDF=7.0.5", log_);
    ASSERT_EQ(S_OK, d.Result());
    for (const CLSID* clsid : {&rdbl::CLSID_AcroPDF, &rdbl::CLSID_PdfCtrl}) {
        SCOPED_TRACE(GuidText(*clsid));
        d.ClearLog();
        fw::ComPtr<IDispatch> c = Create(*clsid);
        ASSERT_TRUE(c);
        // The names as the component spells them; the control's differ in case.
        EXPECT_EQ(S_OK, Call(c.get(), L"Src", Args().S(wpdf_), DISPATCH_PROPERTYPUT));
        EXPECT_EQ(S_OK, Call(c.get(), L"GoToLastPage", Args()));
        EXPECT_EQ(S_OK, Call(c.get(), L"SetCurrentPage", Args().I(2)));
        EXPECT_EQ(S_OK, Call(c.get(), L"SetZoomScroll", Args().I(50).I(10).I(20)));
        EXPECT_EQ(S_OK, Call(c.get(), L"SetViewScroll", Args().S(L"FitH").I(0)));
        EXPECT_EQ(S_OK, Call(c.get(), L"SetShowScrollBars", Args().B(true)));
        EXPECT_EQ(S_OK, Call(c.get(), L"SetShowToolbar", Args().B(false)));
        EXPECT_EQ(S_OK, Call(c.get(), L"PrintPagesFit", Args().I(3).I(0).B(true)));
        EXPECT_EQ(S_OK, Call(c.get(), L"SetCurrentHighlight", Args().I(10).I(20).I(110).I(70)));
        VARIANT v;
        VariantInit(&v);
        EXPECT_EQ(S_OK, Call(c.get(), L"GetVersions", Args(), DISPATCH_METHOD, &v));
        ASSERT_EQ(VT_BSTR, V_VT(&v));
        EXPECT_STREQ(L"AcroPDF=7.0.5", V_BSTR(&v));
        VariantClear(&v);
        EXPECT_EQ(S_OK, Call(c.get(), L"SRC", Args(), DISPATCH_PROPERTYGET, &v));
        ASSERT_EQ(VT_BSTR, V_VT(&v));
        EXPECT_EQ(wpdf_, V_BSTR(&v));
        VariantClear(&v);
        EXPECT_EQ((Lines{"src " + pdf_, "gotoLastPage", "setCurrentPage 2", "setZoomScroll 50 10 20",
                         "setViewScroll FitH 0", "setShowScrollbars true", "setShowToolbar false",
                         "printPagesFit 3 0 true", "setCurrentHighlight 10 20 110 70", "GetVersions",
                         "get src"}),
                  d.LogLines());
        // Only the newer control has the dual interface.
        fw::ComPtr<IUnknown> shim = c.try_query<IUnknown>(rdbl::IID_IAcroAXDocShim);
        EXPECT_EQ(clsid == &rdbl::CLSID_AcroPDF, static_cast<bool>(shim));
    }
}

TEST_F(ReaderDoubleTest, DispatchRefusesBadCallsAndReportsReaderErrors) {
    ts::ReaderDouble d("AcroPDF", "AcroPDF=7.0.5", log_);
    fw::ComPtr<IDispatch> c = Create(rdbl::CLSID_AcroPDF);
    ASSERT_TRUE(c);
    EXPECT_EQ(DISP_E_UNKNOWNNAME, Call(c.get(), L"GoToPage", Args().I(1)));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(c.get(), L"SetCurrentPage", Args()));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(c.get(), L"SetCurrentPage", Args().S(L"two")));
    EXPECT_EQ(Lines{}, d.LogLines());  // refused calls reach no member

    d.FailMember("setZoom");
    EXCEPINFO e = {};
    EXPECT_EQ(DISP_E_EXCEPTION, Call(c.get(), L"SetZoom", Args().I(50), DISPATCH_METHOD, nullptr, &e));
    EXPECT_EQ(E_FAIL, e.scode);
    EXPECT_NE(nullptr, e.bstrDescription);
    SysFreeString(e.bstrSource);
    SysFreeString(e.bstrDescription);
    SysFreeString(e.bstrHelpFile);
    EXPECT_EQ(Lines{"setZoom 50"}, d.LogLines());
}

// The interface's slots, numbered as the control's type library orders them
// (0 to 6 are IUnknown and IDispatch), each reached through the vtable.
TEST_F(ReaderDoubleTest, InterfaceEntriesFollowTheControlsOrder) {
    ts::ReaderDouble d("AcroPDF", "AcroPDF=10.1.0", log_);
    fw::ComPtr<IUnknown> shim;
    ASSERT_EQ(S_OK, CoCreateInstance(rdbl::CLSID_AcroPDF, nullptr, CLSCTX_INPROC_SERVER,
                                     rdbl::IID_IAcroAXDocShim, shim.put_void()));
    void* self = shim.get();
    void** vtbl = *static_cast<void***>(self);
    using None = HRESULT(STDMETHODCALLTYPE*)(void*);
    using Text = HRESULT(STDMETHODCALLTYPE*)(void*, BSTR);
    using Long = HRESULT(STDMETHODCALLTYPE*)(void*, LONG);
    using Float = HRESULT(STDMETHODCALLTYPE*)(void*, float);
    using Longs = HRESULT(STDMETHODCALLTYPE*)(void*, LONG, LONG, LONG, LONG);
    using Var = HRESULT(STDMETHODCALLTYPE*)(void*, VARIANT*);
    BSTR text = SysAllocString(wpdf_.c_str());
    VARIANT v;
    VariantInit(&v);

    struct Slot { int index; const char* line; };
    const Slot none[] = {{11, "gotoFirstPage"}, {12, "gotoLastPage"}, {13, "gotoNextPage"},
                         {14, "gotoPreviousPage"}, {16, "goForwardStack"}, {17, "goBackwardStack"},
                         {21, "Print"}, {22, "printWithDialog"}, {30, "printAll"}};
    Lines want;
    EXPECT_EQ(S_OK, reinterpret_cast<Text>(vtbl[8])(self, text));
    want.push_back("src " + pdf_);
    for (const Slot& s : none) {
        EXPECT_EQ(S_OK, reinterpret_cast<None>(vtbl[s.index])(self)) << s.line;
        want.push_back(s.line);
    }
    const Slot texts[] = {{18, "setPageMode"}, {19, "setLayoutMode"}, {20, "setNamedDest"}, {25, "setView"}};
    for (const Slot& s : texts) {
        EXPECT_EQ(S_OK, reinterpret_cast<Text>(vtbl[s.index])(self, text)) << s.line;
        want.push_back(std::string(s.line) + " " + pdf_);
    }
    EXPECT_EQ(S_OK, reinterpret_cast<Long>(vtbl[15])(self, 3));
    want.push_back("setCurrentPage 3");
    EXPECT_EQ(S_OK, reinterpret_cast<Float>(vtbl[23])(self, 75.5f));
    want.push_back("setZoom 75.5");
    EXPECT_EQ(S_OK, reinterpret_cast<Longs>(vtbl[34])(self, 1, 2, 3, 4));
    want.push_back("setCurrentHightlight 1 2 3 4");
    EXPECT_EQ(S_OK, reinterpret_cast<Longs>(vtbl[35])(self, 5, 6, 7, 8));
    want.push_back("setCurrentHighlight 5 6 7 8");
    EXPECT_EQ(S_OK, reinterpret_cast<Var>(vtbl[33])(self, &v));
    want.push_back("GetVersions");
    EXPECT_EQ(VT_BSTR, V_VT(&v));
    VariantClear(&v);
    EXPECT_EQ(S_OK, reinterpret_cast<Var>(vtbl[37])(self, &v));
    want.push_back("get messageHandler");
    SysFreeString(text);
    EXPECT_EQ(want, d.LogLines());
}

// A sink of _IAcroAXDocShimEvents that counts the events by identifier.
class Sink : public IDispatch {
public:
    int errors = 0, messages = 0;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, rdbl::DIID__IAcroAXDocShimEvents)) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }   // lives on the test's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* n) override { *n = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        if (id == rdbl::DISPID_OnError) ++errors;
        if (id == rdbl::DISPID_OnMessage) ++messages;
        return S_OK;
    }
};

TEST_F(ReaderDoubleTest, EventsReachAnAdvisedSink) {
    ts::ReaderDouble d("AcroPDF", "AcroPDF=7.0.5", log_);
    fw::ComPtr<IDispatch> c = Create(rdbl::CLSID_AcroPDF);
    ASSERT_TRUE(c);
    auto cpc = c.try_query<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_TRUE(cpc);
    fw::ComPtr<IConnectionPoint> cp;
    ASSERT_EQ(S_OK, cpc->FindConnectionPoint(rdbl::DIID__IAcroAXDocShimEvents, cp.put()));
    Sink sink;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, cp->Advise(&sink, &cookie));
    EXPECT_EQ(S_OK, Call(c.get(), L"Src", Args().S(L"C:\\orvtest\\readerdouble\\missing.pdf"),
                         DISPATCH_PROPERTYPUT));
    EXPECT_EQ(S_OK, Call(c.get(), L"PostMessage", Args().S(L"hello")));
    EXPECT_EQ(1, sink.errors);
    EXPECT_EQ(1, sink.messages);
    EXPECT_EQ(S_OK, cp->Unadvise(cookie));
    EXPECT_EQ(S_OK, Call(c.get(), L"PostMessage", Args().S(L"again")));
    EXPECT_EQ(1, sink.messages);
    EXPECT_EQ((Lines{"src C:\\orvtest\\readerdouble\\missing.pdf", "postMessage hello",
                     "postMessage again"}),
              d.LogLines());
}

// ---------------------------------------------------------------- windows

TEST_F(ReaderDoubleTest, ReaderWindowOpensFromVersion8AndClosesOnRequest) {
    struct Case { const char* versions; bool window; } cases[] = {
        {"AcroPDF=7.0.5", false}, {"AcroPDF=8.1.2,Plugin=8.1.2", true}, {"AcroPDF=10.1.0", true}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.versions);
        ts::ReaderDouble d("AcroPDF", k.versions, log_);
        fw::ComPtr<IDispatch> c = Create(rdbl::CLSID_AcroPDF);
        ASSERT_TRUE(c);
        EXPECT_TRUE(SdiWindows().empty());
        EXPECT_EQ(S_OK, Call(c.get(), L"Src", Args().S(wpdf_), DISPATCH_PROPERTYPUT));
        EXPECT_EQ(S_OK, Call(c.get(), L"LoadFile", Args().S(wpdf_)));  // a second load: still one
        std::vector<HWND> windows = SdiWindows();
        ASSERT_EQ(k.window ? 1u : 0u, windows.size());
        if (!k.window) continue;
        EXPECT_EQ(windows[0], FindWindowA("AcrobatSDIWindow", nullptr));
        PostMessageA(windows[0], WM_CLOSE, 0, 0);
        Pump(100);
        EXPECT_FALSE(IsWindow(windows[0]));
    }
}

// A top-level window hosting one child in its client area.
struct HostWindow {
    HWND frame = nullptr;
    HostWindow() {
        frame = CreateWindowExA(0, "Static", "Reader double host",
                                WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 520, 420,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~HostWindow() { if (frame) DestroyWindow(frame); }
};

// Checks the page-number windows both searches find from Start and the
// page painted into a bitmap.
void ExpectPageWindows(HWND start, HWND view, const std::string& page) {
    HWND numView = FindByTitle(start, "AVPageNumView");
    ASSERT_NE(nullptr, numView);
    HWND field = GetWindow(numView, GW_CHILD);
    ASSERT_NE(nullptr, field);
    EXPECT_EQ(page, ts::WindowText(field));
    int skip = 2;
    EXPECT_EQ(field, FindByClass(start, "Edit", skip));  // the third "Edit" in visiting order
    EXPECT_GT(DarkPixelsPainted(view), 200);             // the name and "Page N of M"
}

// With ORV_READERDOUBLE_HOLD_MS set, the hosted control stays on the screen
// that long, for a screenshot taken from outside ("import -window root").
void Hold() {
    const char* ms = std::getenv("ORV_READERDOUBLE_HOLD_MS");
    if (ms && *ms) Pump(static_cast<DWORD>(std::atoi(ms)));
}

TEST_F(ReaderDoubleTest, NewControlRunsInPlaceInTheAtlHost) {
    ts::ReaderDouble d("AcroPDF", "AcroPDF=7.0.5", log_);
    fw::UniqueModule atl(LoadLibraryA("atl.dll"));
    ASSERT_TRUE(atl);
    auto init = reinterpret_cast<BOOL(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(atl.get(), "AtlAxWinInit")));
    auto control = reinterpret_cast<HRESULT(WINAPI*)(HWND, IUnknown**)>(
        reinterpret_cast<void*>(GetProcAddress(atl.get(), "AtlAxGetControl")));
    ASSERT_TRUE(init && control && init());
    HostWindow host;
    ASSERT_NE(nullptr, host.frame);
    HWND ax = CreateWindowExA(0, "AtlAxWin", rdbl::kNewProgId, WS_CHILD | WS_VISIBLE, 0, 0, 500,
                              380, host.frame, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, ax);
    fw::ComPtr<IUnknown> unk;
    ASSERT_EQ(S_OK, control(ax, unk.put()));
    auto c = unk.try_query<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(c);
    EXPECT_EQ(S_OK, Call(c.get(), L"Src", Args().S(wpdf_), DISPATCH_PROPERTYPUT));
    Pump(200);
    HWND view = FindWindowExA(ax, nullptr, "ReaderDoubleView", nullptr);
    ASSERT_NE(nullptr, view);
    EXPECT_TRUE(IsWindowVisible(view));
    ExpectPageWindows(host.frame, view, "1");
    EXPECT_EQ(S_OK, Call(c.get(), L"GoToNextPage", Args()));
    Pump(200);
    ExpectPageWindows(host.frame, view, "2");
    // A person's Page Down turns the page too, without a member call.
    PostMessageA(view, WM_KEYDOWN, VK_NEXT, 0);
    Pump(200);
    ExpectPageWindows(host.frame, view, "3");
    EXPECT_EQ((Lines{"src " + pdf_, "gotoNextPage"}), d.LogLines());
    Hold();
    c.reset();
    unk.reset();
}

// The smallest OLE container site: in place, without frame or document window.
class Site : public IOleClientSite, public IOleInPlaceSite {
public:
    HWND window = nullptr;
    RECT pos = {0, 0, 500, 380};
    int activations = 0, deactivations = 0;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
            *ppv = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite))
            *ppv = static_cast<IOleInPlaceSite*>(this);
        else
            return *ppv = nullptr, E_NOINTERFACE;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the test's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** m) override { *m = nullptr; return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** c) override { *c = nullptr; return E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    STDMETHODIMP GetWindow(HWND* w) override { *w = window; return S_OK; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { ++activations; return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** f, IOleInPlaceUIWindow** d, LPRECT p, LPRECT c,
                                  LPOLEINPLACEFRAMEINFO) override {
        *f = nullptr;
        *d = nullptr;
        *p = *c = pos;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { ++deactivations; return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }
};

TEST_F(ReaderDoubleTest, OldControlRunsInPlaceInAGenericOleContainer) {
    ts::ReaderDouble d("PDF", "PDF=6.0.1", log_);
    HostWindow host;
    Site site;
    site.window = host.frame;
    fw::ComPtr<ILockBytes> bytes;
    ASSERT_EQ(S_OK, CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.put()));
    fw::ComPtr<IStorage> storage;
    ASSERT_EQ(S_OK, StgCreateDocfileOnILockBytes(bytes.get(),
                                                 STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                                 0, storage.put()));
    fw::ComPtr<IOleObject> obj;
    ASSERT_EQ(S_OK, OleCreate(rdbl::CLSID_PdfCtrl, IID_IOleObject, OLERENDER_DRAW, nullptr, &site,
                              storage.get(), obj.put_void()));
    EXPECT_EQ(S_OK, OleRun(obj.get()));
    EXPECT_EQ(S_OK, obj->DoVerb(OLEIVERB_SHOW, nullptr, &site, 0, host.frame, &site.pos));
    EXPECT_EQ(1, site.activations);
    HWND view = FindWindowExA(host.frame, nullptr, "ReaderDoubleView", nullptr);
    ASSERT_NE(nullptr, view);
    auto c = obj.try_query<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(c);
    EXPECT_EQ(S_OK, Call(c.get(), L"Src", Args().S(wpdf_), DISPATCH_PROPERTYPUT));
    EXPECT_EQ(S_OK, Call(c.get(), L"GoToLastPage", Args()));
    Pump(200);
    ExpectPageWindows(host.frame, view, "3");
    EXPECT_TRUE(SdiWindows().empty());  // the older control has no Reader window
    Hold();

    EXPECT_EQ(S_OK, obj->Close(OLECLOSE_NOSAVE));
    EXPECT_FALSE(IsWindow(view));
    EXPECT_EQ(1, site.deactivations);
    // Shown again, it makes its window and tool bar afresh, on the same page.
    EXPECT_EQ(S_OK, obj->DoVerb(OLEIVERB_SHOW, nullptr, &site, 0, host.frame, &site.pos));
    view = FindWindowExA(host.frame, nullptr, "ReaderDoubleView", nullptr);
    ASSERT_NE(nullptr, view);
    Pump(100);
    ExpectPageWindows(host.frame, view, "3");
    EXPECT_EQ(S_OK, obj->Close(OLECLOSE_NOSAVE));
    EXPECT_EQ(2, site.deactivations);
    obj->SetClientSite(nullptr);
    EXPECT_EQ((Lines{"src " + pdf_, "gotoLastPage"}), d.LogLines());
}

}  // namespace
