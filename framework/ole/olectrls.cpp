#include "framework/ole/olectrls.h"

#include <olectl.h>

#include "framework/ui/forms.h"

namespace fw {

// --- the sites -----------------------------------------------------------------

LONG PixelsToHimetric(LONG px, bool horizontal) { return MulDiv(px, 2540, Screen.PixelsPerInch(horizontal)); }
LONG HimetricToPixels(LONG hm, bool horizontal) { return MulDiv(hm, Screen.PixelsPerInch(horizontal), 2540); }

// The IDispatch methods of an object called by dispatch identifier only
// (ambient properties, events): no type information, no names.
template <typename Base>
class DispatchByIdOnly : public Base {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        if (!n) return E_POINTER;
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** ti) override {
        if (ti) *ti = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
};

// The client site of one host.  It holds a plain pointer to its host, which
// the host clears (Detach) when the object goes: an object that keeps the
// site afterwards finds it answering E_UNEXPECTED, never a freed host.
class OleSite final
    : public DispatchByIdOnly<ComObject<IOleClientSite, IOleInPlaceSite, IOleControlSite, IDispatch>> {
public:
    explicit OleSite(TOleHost* host) : host_(host) {}
    void Detach() { host_ = nullptr; }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** mk) override {
        if (mk) *mk = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** c) override {
        if (c) *c = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL show) override {
        return Guarded([&] { host_->open_ = show != FALSE; });
    }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* wnd) override {
        if (!wnd) return E_POINTER;
        *wnd = nullptr;
        return Guarded([&] { *wnd = host_->Handle(); });
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return host_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override {
        return Guarded([&] {
            host_->inPlaceActive_ = true;
            host_->inPlaceObject_ = host_->oleObject_.try_query<IOleInPlaceObject>();
        });
    }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override {
        return Guarded([&] { host_->uiActive_ = true; });
    }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override {
        return Guarded([&] { host_->uiActive_ = false; });
    }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override {
        return Guarded([&] {
            host_->inPlaceActive_ = false;
            host_->inPlaceObject_.reset();
        });
    }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT r) override {
        if (!r) return E_POINTER;
        return Guarded([&] { host_->ObjectPosChanged(*r); });
    }

    // IOleControlSite
    HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** d) override {
        if (d) *d = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override {
        if (!himetric || !container) return E_POINTER;
        if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
            container->x = static_cast<float>(HimetricToPixels(himetric->x, true));
            container->y = static_cast<float>(HimetricToPixels(himetric->y, false));
        } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
            himetric->x = PixelsToHimetric(static_cast<LONG>(container->x), true);
            himetric->y = PixelsToHimetric(static_cast<LONG>(container->y), false);
        } else {
            return E_INVALIDARG;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFocus(BOOL got) override {
        return Guarded([&] { host_->ObjectFocusChanged(got != FALSE); });
    }
    HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDispatch: the ambient properties.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

protected:
    // IOleWindow, the base both site interfaces share.
    void* QueryExtra(REFIID iid) override {
        if (IsEqualIID(iid, IID_IOleWindow)) return static_cast<IOleInPlaceSite*>(this);
        return nullptr;
    }

private:
    // The firewall of every method that reaches the host.
    template <typename F>
    HRESULT Guarded(F&& f) {
        if (!host_) return E_UNEXPECTED;
        return ComGuard([&] {
            f();
            return S_OK;
        });
    }
    TOleHost* host_;
};

// The in-place frame: the form the host sits on.  The object registers its
// active object here (SetActiveObject), which gets the keys first.
class OleFrame final : public ComObject<IOleInPlaceFrame> {
public:
    explicit OleFrame(TOleHost* host) : host_(host) {}
    void Detach() { host_ = nullptr; }

    HRESULT STDMETHODCALLTYPE GetWindow(HWND* wnd) override {
        if (!wnd) return E_POINTER;
        *wnd = nullptr;
        if (!host_) return E_UNEXPECTED;
        return ComGuard([&] {
            TCustomForm* form = GetParentForm(host_);
            *wnd = form ? form->Handle() : GetAncestor(host_->Handle(), GA_ROOT);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* obj, LPCOLESTR) override {
        if (host_) host_->activeObject_ = ComPtr<IOleInPlaceActiveObject>::from(obj);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) override {
        if (widths)
            for (LONG& w : widths->width) w = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

protected:
    void* QueryExtra(REFIID iid) override {
        if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceUIWindow))
            return static_cast<IOleInPlaceFrame*>(this);
        return nullptr;
    }

private:
    TOleHost* host_;
};

HRESULT OleSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) {
    if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
    *frame = nullptr;
    *doc = nullptr;
    return Guarded([&] {
        RECT r = host_->ObjectRect();
        *pos = r;
        GetClientRect(host_->Handle(), clip);
        HWND frameWnd = nullptr;
        host_->frame_->GetWindow(&frameWnd);
        info->fMDIApp = FALSE;
        info->hwndFrame = frameWnd;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        host_->frame_->AddRef();
        *frame = host_->frame_.get();
    });
}

HRESULT OleSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (!result) return E_POINTER;
    if (!host_) return E_UNEXPECTED;
    VariantInit(result);
    auto boolean = [&](bool v) {
        result->vt = VT_BOOL;
        result->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    };
    switch (id) {
        case DISPID_AMBIENT_USERMODE: return boolean(!host_->HasState(csDesigning));
        case DISPID_AMBIENT_UIDEAD: return boolean(host_->HasState(csDesigning));
        case DISPID_AMBIENT_SHOWGRABHANDLES:
        case DISPID_AMBIENT_SHOWHATCHING:
        case DISPID_AMBIENT_DISPLAYASDEFAULT:
        case DISPID_AMBIENT_MESSAGEREFLECT: return boolean(false);
        case DISPID_AMBIENT_SUPPORTSMNEMONICS: return boolean(true);
        case DISPID_AMBIENT_BACKCOLOR:
        case DISPID_AMBIENT_FORECOLOR:
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(
                ColorToRGB(id == DISPID_AMBIENT_BACKCOLOR ? host_->Color() : host_->Font().Color()));
            return S_OK;
        case DISPID_AMBIENT_LOCALEID:
            result->vt = VT_I4;
            result->lVal = static_cast<LONG>(GetUserDefaultLCID());
            return S_OK;
        default: return DISP_E_MEMBERNOTFOUND;
    }
}

// --- TOleHost ------------------------------------------------------------------

FW_IMPLEMENT_CLASS(TOleHost, TWinControl, [](TClassBuilder<TOleHost>& b) { b.Unpublished(); })

TOleHost::TOleHost(TComponent* owner) : TWinControl(owner) {
    tabStop_ = true;
}

TOleHost::~TOleHost() {
    // The base destructor cannot reach DestroyWnd: the object goes here.
    DestroyHandle();
    DestroyObject();
}

TOleState TOleHost::State() const {
    if (!oleObject_) return osEmpty;
    if (uiActive_) return osUIActive;
    if (inPlaceActive_) return osInPlaceActive;
    if (open_) return osOpen;
    if (running_) return osRunning;
    return osLoaded;
}

void TOleHost::AttachObject(ComPtr<IOleObject> obj) {
    oleObject_ = std::move(obj);
    if (!site_) site_ = MakeCom<OleSite>(this);
    if (!frame_) frame_ = MakeCom<OleFrame>(this);
}

IOleClientSite* TOleHost::ClientSite() const { return site_.get(); }

RECT TOleHost::ObjectRect() {
    RECT r{0, 0, 0, 0};
    if (handle_) GetClientRect(handle_, &r);
    return r;
}

void TOleHost::ObjectPosChanged(const RECT&) { UpdateObjectRects(); }

void TOleHost::UpdateObjectRects() {
    if (!inPlaceObject_ || !handle_) return;
    RECT pos = ObjectRect();
    RECT clip;
    GetClientRect(handle_, &clip);
    inPlaceObject_->SetObjectRects(&pos, &clip);
}

void TOleHost::ObjectVerb(LONG verb) {
    if (!oleObject_) throw EOleError(E_UNEXPECTED, "No object embedded");
    RECT r = ObjectRect();
    CheckHr(oleObject_->DoVerb(verb, nullptr, site_.get(), 0, Handle(), &r), "DoVerb");
}

void TOleHost::DestroyObject() {
    if (!oleObject_) {
        if (site_) site_->Detach();
        if (frame_) frame_->Detach();
        site_.reset();
        frame_.reset();
        return;
    }
    // The fixed order; each step is best effort, the object may refuse one.
    if (auto ip = inPlaceObject_ ? inPlaceObject_ : oleObject_.try_query<IOleInPlaceObject>()) {
        ip->InPlaceDeactivate();
        ip->UIDeactivate();
    }
    inPlaceObject_.reset();
    activeObject_.reset();
    DisconnectObject();
    if (handle_) {
        RECT r = ObjectRect();
        oleObject_->DoVerb(OLEIVERB_HIDE, nullptr, site_.get(), 0, handle_, &r);
    }
    oleObject_->Close(OLECLOSE_NOSAVE);
    oleObject_->SetClientSite(nullptr);
    site_->Detach();
    frame_->Detach();
    oleObject_.reset();
    site_.reset();
    frame_.reset();
    running_ = open_ = inPlaceActive_ = uiActive_ = false;
}

void TOleHost::DestroyWnd() {
    DestroyObject();  // while the window, its parent of the object's, exists
    TWinControl::DestroyWnd();
}

void TOleHost::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_SIZE:
            TWinControl::WndProc(m);
            UpdateObjectRects();
            return;
        case WM_DESTROY:
            // A window destroyed with its parent, not through DestroyHandle.
            DestroyObject();
            break;
        case WM_SETFOCUS:
            // Focus that reaches the host goes on to the object.
            if (oleObject_ && inPlaceActive_ && !uiActive_) {
                RECT r = ObjectRect();
                oleObject_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_.get(), 0, handle_, &r);
            }
            break;
        case WM_ERASEBKGND:
            if (inPlaceActive_) {  // the object paints its own area
                m.Result = 1;
                return;
            }
            break;
        default:
            break;
    }
    TWinControl::WndProc(m);
}

TWinControl::TKeyRoute TOleHost::RouteKey(MSG& msg) {
    // The object's own accelerators come first (a browser's Tab among its
    // links, its shortcuts).
    if (activeObject_ && activeObject_->TranslateAccelerator(&msg) == S_OK) return krHandled;
    // Tab and Escape are the form's (navigation, cancel button); every
    // other key typed inside the object is its own: Enter there does not
    // press the form's default button.
    bool dialogKey = msg.wParam == VK_TAB || msg.wParam == VK_ESCAPE;
    if (msg.message == WM_CHAR) dialogKey = msg.wParam == '\t' || msg.wParam == 27;
    return dialogKey ? krDialog : krOwn;
}

// --- TOleControl ------------------------------------------------------------------

// The sink of a control's events: its connection point calls Invoke.
class OleEventSink final : public DispatchByIdOnly<ComObject<IDispatch>> {
public:
    OleEventSink(TOleControl* host, const IID& eventIid) : host_(host), eventIid_(eventIid) {}
    void Detach() { host_ = nullptr; }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (result) VariantInit(result);
        if (!host_) return S_OK;
        // While the event runs, the sink and the control stay referenced: a
        // handler may free the host, which lets the control go (the host
        // then detaches this sink), yet the control is still inside its own
        // call to here.
        ComPtr<OleEventSink> self = ComPtr<OleEventSink>::from(this);
        ComPtr<IOleObject> control = host_->oleObject_;
        DISPPARAMS none = {};
        return ComGuard([&] {
            ++host_->eventDepth_;
            host_->InvokeEvent(id, params ? *params : none);
            if (host_) --host_->eventDepth_;
            return S_OK;
        });
    }

protected:
    // The control's connection point asks for its event interface.
    void* QueryExtra(REFIID iid) override {
        if (IsEqualIID(iid, eventIid_)) return static_cast<IDispatch*>(this);
        return nullptr;
    }

private:
    TOleControl* host_;
    IID eventIid_;
};

FW_IMPLEMENT_CLASS(TOleControl, TOleHost, [](TClassBuilder<TOleControl>& b) {
    b.Publish({"TabStop", "Align", "DragCursor", "DragMode", "ParentShowHint", "PopupMenu", "ShowHint",
               "TabOrder", "Visible", "OnDragDrop", "OnDragOver", "OnEndDrag"});
    b.Event("OnEnter", &TOleControl::OnEnter);
    b.Event("OnExit", &TOleControl::OnExit);
    b.Publish({"OnStartDrag"});
})

TOleControl::TOleControl(TComponent* owner) : TOleHost(owner) {
    width_ = 100;
    height_ = 50;
}

TOleControl::~TOleControl() {
    DestroyHandle();
    DestroyObject();
}

const TControlData& TOleControl::ControlData() {
    if (!dataReady_) {
        InitControlData(data_);
        if (data_.EventDispIDs.size() != data_.EventFields.size())
            throw EOleError(E_INVALIDARG, "Control data: events and event fields differ in number");
        dataReady_ = true;
    }
    return data_;
}

void TOleControl::InitWnd() {
    TOleHost::InitWnd();
    // In the designer as well: the control is live there, and its ambient
    // UserMode (false while designing) tells it that it is being designed.
    if (!oleObject_) CreateControl();
}

void TOleControl::CreateControl() {
    const TControlData& cd = ControlData();
    ComPtr<IOleObject> obj;
    CheckHr(CoCreateInstance(cd.ClassID, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IidOf<IOleObject>(),
                             obj.put_void()),
            "Cannot create the control");
    AttachObject(obj);
    // A control that wants its site before its initialisation gets it so.
    DWORD misc = 0;
    obj->GetMiscStatus(DVASPECT_CONTENT, &misc);
    bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst) CheckHr(obj->SetClientSite(site_.get()), "SetClientSite");
    if (auto init = obj.try_query<IPersistStreamInit>()) init->InitNew();
    if (!siteFirst) CheckHr(obj->SetClientSite(site_.get()), "SetClientSite");
    dispatch_ = obj.try_query<IDispatch>();

    // Events, when the control has the connection point for them.
    if (!IsEqualIID(cd.EventIID, IID_NULL)) {
        if (auto cpc = obj.try_query<IConnectionPointContainer>()) {
            if (SUCCEEDED(cpc->FindConnectionPoint(cd.EventIID, eventPoint_.put())) && eventPoint_) {
                sink_ = MakeCom<OleEventSink>(this, cd.EventIID);
                if (FAILED(eventPoint_->Advise(static_cast<IDispatch*>(sink_.get()), &eventCookie_))) {
                    eventCookie_ = 0;
                    eventPoint_.reset();
                }
            }
        }
    }

    // The exact size in HIMETRIC, then in place in this window.
    SIZEL size{PixelsToHimetric(width_, true), PixelsToHimetric(height_, false)};
    obj->SetExtent(DVASPECT_CONTENT, &size);
    running_ = true;
    ObjectVerb(OLEIVERB_INPLACEACTIVATE);
    UpdateObjectRects();
}

void TOleControl::DisconnectObject() {
    if (eventPoint_ && eventCookie_) eventPoint_->Unadvise(eventCookie_);
    eventCookie_ = 0;
    eventPoint_.reset();
    if (sink_) sink_->Detach();
    sink_.reset();
    dispatch_.reset();
}

void TOleControl::ObjectFocusChanged(bool gotFocus) {
    if (gotFocus) OnEnter(this);
    else OnExit(this);
}

void TOleControl::InvokeEvent(DISPID id, const DISPPARAMS& params) {
    const TControlData& cd = ControlData();
    for (size_t i = 0; i < cd.EventDispIDs.size(); ++i) {
        if (cd.EventDispIDs[i] != id) continue;
        const TOleEventField& field = cd.EventFields[i];
        // A handler's exception is the application's to report, as for a
        // window message: the control only learns that the event was taken.
        // The handler runs from a copy, and nothing of this control is
        // touched after it: the handler may free the control.
        Application.Guard([&] {
            if (auto* notify = std::get_if<TNotifyEvent*>(&field)) {
                TNotifyEvent handler = **notify;
                handler(this);
            } else if (auto* event = std::get_if<TOleEvent*>(&field)) {
                std::vector<OleVariant> args;
                for (UINT k = params.cArgs; k-- > 0;) args.emplace_back(params.rgvarg[k]);
                TOleEvent handler = **event;
                handler(this, args);
            }
        });
        return;
    }
}

ComPtr<IDispatch> TOleControl::DefaultDispatch() {
    HandleNeeded();
    if (!dispatch_) throw EOleError(E_NOINTERFACE, "The control has no automation interface");
    return dispatch_;
}

OleVariant TOleControl::GetProperty(DISPID id) {
    return InvokeDispatch(DefaultDispatch().get(), id, DISPATCH_PROPERTYGET, {}, "DISPID " + IntToStr(id));
}

void TOleControl::SetProperty(DISPID id, const OleVariant& value) {
    InvokeDispatch(DefaultDispatch().get(), id, DISPATCH_PROPERTYPUT, {value}, "DISPID " + IntToStr(id));
}

// --- TWebBrowser -----------------------------------------------------------------

FW_IMPLEMENT_CLASS(TWebBrowser, TOleControl, [](TClassBuilder<TWebBrowser>&) {})

namespace {
const TClassRegistration kRegistered{&TWebBrowser::StaticClass};
}  // namespace

void TWebBrowser::InitControlData(TControlData& data) {
    data.ClassID = CLSID_WebBrowser;
    data.EventIID = DIID_DWebBrowserEvents2;
}

ComPtr<IWebBrowser2> TWebBrowser::ControlInterface() { return DefaultDispatch().query<IWebBrowser2>(); }

void TWebBrowser::Navigate(const std::string& url) {
    Bstr u(url);
    VARIANT empty;
    VariantInit(&empty);
    CheckHr(ControlInterface()->Navigate(u.get(), &empty, &empty, &empty, &empty), ("Navigate " + url).c_str());
}

std::string TWebBrowser::LocationURL() {
    Bstr b;
    CheckHr(ControlInterface()->get_LocationURL(b.put()), "LocationURL");
    return b.Ansi();
}

}  // namespace fw
