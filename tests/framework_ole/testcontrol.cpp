#include "tests/framework_ole/testcontrol.h"

namespace tc {

const CLSID CLSID_TestControl = {0x6f3c1e52, 0x7a0b, 0x4c1d, {0x9e, 0x55, 0x3b, 0x2a, 0x1c, 0x0d, 0x9e, 0x01}};
const IID DIID_TestControlEvents = {0x6f3c1e52, 0x7a0b, 0x4c1d, {0x9e, 0x55, 0x3b, 0x2a, 0x1c, 0x0d, 0x9e, 0x02}};

ControlLog& Log() {
    static ControlLog log;
    return log;
}

namespace {

using fw::ComObject;
using fw::ComPtr;

class Control;

// The control's one connection point, for its event interface.
class EventPoint final : public ComObject<IConnectionPoint> {
public:
    explicit EventPoint(IConnectionPointContainer* owner) : owner_(owner) {}
    ComPtr<IDispatch> sink;

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        *iid = DIID_TestControlEvents;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** c) override {
        *c = owner_;
        owner_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* unk, DWORD* cookie) override {
        // The sink must answer the event interface itself.
        if (FAILED(unk->QueryInterface(DIID_TestControlEvents, reinterpret_cast<void**>(sink.put()))))
            return CONNECT_E_CANNOTCONNECT;
        *cookie = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        if (cookie != 1 || !sink) return CONNECT_E_NOCONNECTION;
        Log().calls.push_back("Unadvise");
        sink.reset();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    IConnectionPointContainer* owner_;  // lives longer than the point
};

class Control final : public ComObject<IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject, IDispatch,
                                       IConnectionPointContainer, IPersistStreamInit> {
public:
    Control() {
        ++Log().alive;
        point_ = fw::MakeCom<EventPoint>(this);
    }
    ~Control() override {
        if (window_) DestroyWindow(window_);
        --Log().alive;
        Log().calls.push_back("Released");
    }

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
        Log().calls.push_back(site ? "SetClientSite" : "SetClientSite(null)");
        site_ = ComPtr<IOleClientSite>::from(site);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
        *site = ComPtr<IOleClientSite>(site_).detach();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD save) override {
        Log().calls.push_back(save == OLECLOSE_NOSAVE ? "Close(NOSAVE)" : "Close");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent, LPCRECT) override {
        if (verb == OLEIVERB_HIDE) {
            Log().calls.push_back("Hide");
            if (window_) ShowWindow(window_, SW_HIDE);
            return S_OK;
        }
        if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_UIACTIVATE && verb != OLEIVERB_SHOW)
            return OLEOBJ_E_INVALIDVERB;
        return Activate(parent, verb != OLEIVERB_INPLACEACTIVATE);
    }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* c) override {
        *c = CLSID_TestControl;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL* size) override {
        Log().extent = *size;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* size) override {
        *size = Log().extent;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
        *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow (of both in-place interfaces)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* w) override {
        *w = window_;
        return window_ ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override {
        Log().calls.push_back("InPlaceDeactivate");
        if (!inPlace_) return S_OK;
        if (uiActive_) Deactivate();
        inPlace_ = false;
        if (window_) DestroyWindow(window_);
        window_ = Log().window = nullptr;
        if (auto ip = site_.try_query<IOleInPlaceSite>()) ip->OnInPlaceDeactivate();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UIDeactivate() override {
        Log().calls.push_back("UIDeactivate");
        if (uiActive_) Deactivate();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT pos, LPCRECT) override {
        if (window_)
            MoveWindow(window_, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

    // IOleInPlaceActiveObject: Enter is the control's own accelerator.
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override {
        if (msg->message != WM_KEYDOWN) return S_FALSE;
        Log().keys.push_back(static_cast<UINT>(msg->wParam));
        return msg->wParam == VK_RETURN ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
        std::wstring n = names[0];
        if (n == L"Caption") *ids = 1;
        else if (n == L"Fire") *ids = 2;
        else return DISP_E_UNKNOWNNAME;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (id == 1 && (flags & DISPATCH_PROPERTYPUT)) {
            caption_ = fw::Variant(p->rgvarg[0]).ToWide();
            return S_OK;
        }
        if (id == 1 && result) {
            VariantInit(result);
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(caption_.c_str());
            return S_OK;
        }
        if (id == 2 && p->cArgs == 1) {
            if (!point_->sink) return E_UNEXPECTED;
            int event = fw::Variant(p->rgvarg[0]).ToInt();
            VARIANT arg;
            VariantInit(&arg);
            arg.vt = VT_I4;
            arg.lVal = 7;
            DISPPARAMS ep = {event == 11 ? &arg : nullptr, nullptr, event == 11 ? 1u : 0u, 0};
            return point_->sink->Invoke(event, IID_NULL, 0, DISPATCH_METHOD, &ep, nullptr, nullptr, nullptr);
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** cp) override {
        *cp = nullptr;
        if (!IsEqualIID(iid, DIID_TestControlEvents)) return CONNECT_E_NOCONNECTION;
        *cp = ComPtr<EventPoint>(point_).detach();
        return S_OK;
    }

    // IPersistStreamInit
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* c) override {
        *c = CLSID_TestControl;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitNew() override {
        Log().calls.push_back("InitNew");
        return S_OK;
    }

protected:
    void* QueryExtra(REFIID iid) override {
        if (IsEqualIID(iid, IID_IOleWindow)) return static_cast<IOleInPlaceObject*>(this);
        if (IsEqualIID(iid, IID_IPersist)) return static_cast<IPersistStreamInit*>(this);
        return nullptr;
    }

private:
    HRESULT Activate(HWND parent, bool ui) {
        auto ip = site_.try_query<IOleInPlaceSite>();
        if (!ip) return E_UNEXPECTED;
        if (!inPlace_) {
            if (ip->CanInPlaceActivate() != S_OK) return E_FAIL;
            ip->OnInPlaceActivate();
            ComPtr<IOleInPlaceFrame> frame;
            ComPtr<IOleInPlaceUIWindow> doc;
            RECT pos, clip;
            OLEINPLACEFRAMEINFO info = {sizeof info, FALSE, nullptr, nullptr, 0};
            if (FAILED(ip->GetWindowContext(frame.put(), doc.put(), &pos, &clip, &info))) return E_FAIL;
            frame_ = frame;
            window_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, pos.left, pos.top,
                                      pos.right - pos.left, pos.bottom - pos.top, parent, nullptr, nullptr, nullptr);
            Log().window = window_;
            inPlace_ = true;
        }
        if (ui && !uiActive_) {
            uiActive_ = true;
            ip->OnUIActivate();
            if (frame_) frame_->SetActiveObject(this, L"TestControl");
            SetFocus(window_);
        }
        return S_OK;
    }
    void Deactivate() {
        uiActive_ = false;
        if (frame_) frame_->SetActiveObject(nullptr, nullptr);
        if (auto ip = site_.try_query<IOleInPlaceSite>()) ip->OnUIDeactivate(FALSE);
    }

    ComPtr<IOleClientSite> site_;
    ComPtr<IOleInPlaceFrame> frame_;
    ComPtr<EventPoint> point_;
    HWND window_ = nullptr;
    bool inPlace_ = false, uiActive_ = false;
    std::wstring caption_;
};

class Factory final : public ComObject<IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return fw::ComGuard([&] {
            auto c = fw::MakeCom<Control>();
            return static_cast<IOleObject*>(c.get())->QueryInterface(iid, out);
        });
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

Registration::Registration() {
    auto f = fw::MakeCom<Factory>();
    fw::CheckHr(CoRegisterClassObject(CLSID_TestControl, static_cast<IClassFactory*>(f.get()), CLSCTX_INPROC_SERVER,
                                      REGCLS_MULTIPLEUSE, &cookie_),
                "CoRegisterClassObject");
}

Registration::~Registration() {
    if (cookie_) CoRevokeClassObject(cookie_);
}

}  // namespace tc
