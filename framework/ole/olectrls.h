// TOleHost (a windowed control that embeds an OLE object in place through
// sites of our own), TOleControl (the ActiveX host control: control
// description, events through a connection point, properties by dispatch
// identifier) and TWebBrowser (the platform's web browser control).
#pragma once

#include <exdisp.h>
#include <ocidl.h>

#include <string>
#include <variant>
#include <vector>

#include "framework/ole/oleauto.h"
#include "framework/ui/controls.h"

namespace fw {

// Screen pixels and HIMETRIC (0.01 mm), the unit of OLE extents.
LONG PixelsToHimetric(LONG px, bool horizontal);
LONG HimetricToPixels(LONG hm, bool horizontal);

class OleSite;
class OleFrame;
class OleEventSink;

// The state of an embedded object, in the order it passes through.
enum TOleState { osEmpty, osLoaded, osRunning, osOpen, osInPlaceActive, osUIActive };

// A windowed control that embeds one OLE object in its client area.  It
// implements what the object needs from its container, reference-counted:
// the client site (IOleClientSite, IOleInPlaceSite, IOleControlSite and an
// IDispatch of ambient properties) and the in-place frame
// (IOleInPlaceFrame).  The object goes in a fixed order (DestroyObject):
// in-place deactivate, UI deactivate, unadvise, hide, close without
// saving, clear the client site, release.
class TOleHost : public TWinControl {
    FW_CLASS(TOleHost)
public:
    explicit TOleHost(TComponent* owner);
    ~TOleHost() override;

    TOleState State() const;
    // The embedded object's IOleObject; empty when there is none.
    ComPtr<IOleObject> OleObjectInterface() const { return oleObject_; }
    // Lets the embedded object go, in the fixed order above.
    virtual void DestroyObject();

    void WndProc(TMessage& m) override;
    TKeyRoute RouteKey(MSG& msg) override;

protected:
    // Embeds obj, whose client site is already set or is set here (the
    // object's OLEMISC_SETCLIENTSITEFIRST decides the order with InitNew).
    void AttachObject(ComPtr<IOleObject> obj);
    // Runs a verb of the object in this control's window (OLEIVERB_SHOW,
    // OLEIVERB_INPLACEACTIVATE, ...).
    void ObjectVerb(LONG verb);
    // The object's area in this control's client coordinates.
    virtual RECT ObjectRect();
    // The object asked for a new size (OnPosRectChange); the default places
    // it where ObjectRect says.
    virtual void ObjectPosChanged(const RECT& requested);
    // Called before the object goes, after the in-place deactivation: the
    // control's own disconnections (events).
    virtual void DisconnectObject() {}
    // IOleControlSite::OnFocus.
    virtual void ObjectFocusChanged(bool /*gotFocus*/) {}
    void UpdateObjectRects();
    void DestroyWnd() override;
    // The client site to hand the object (created by AttachObject).
    IOleClientSite* ClientSite() const;

    ComPtr<IOleObject> oleObject_;
    ComPtr<OleSite> site_;
    ComPtr<OleFrame> frame_;
    ComPtr<IOleInPlaceObject> inPlaceObject_;
    ComPtr<IOleInPlaceActiveObject> activeObject_;
    bool running_ = false, open_ = false, inPlaceActive_ = false, uiActive_ = false;

private:
    friend class OleSite;
    friend class OleFrame;
};

// An event of a hosted control with arguments, in the order of the event's
// declaration.
using TOleEvent = TEvent<void(TObject* Sender, const std::vector<OleVariant>& Args)>;
// The field an event of the control runs: a notification (sender only) or
// an event with arguments.
using TOleEventField = std::variant<TNotifyEvent*, TOleEvent*>;

// The description of the control a TOleControl descendant hosts.
struct TControlData {
    CLSID ClassID = CLSID_NULL;
    IID EventIID = IID_NULL;  // the outgoing event dispatch interface
    // The events: the one with dispatch identifier EventDispIDs[i] runs
    // *EventFields[i].
    std::vector<DISPID> EventDispIDs;
    std::vector<TOleEventField> EventFields;
    DWORD Flags = 0;
    DWORD Version = 0;
};

// The ActiveX host control.  A descendant installs its control's
// description in InitControlData (called by the constructor through
// ControlData); the control is created when this control's window is, then
// embedded, in-place activated and sized with the control's bounds.  Its
// events are sunk through its connection point into the event fields.
class TOleControl : public TOleHost {
    FW_CLASS(TOleControl)
public:
    explicit TOleControl(TComponent* owner);
    ~TOleControl() override;

    // The control's default dispatch interface (its automation object);
    // creates the window and the control when needed.
    ComPtr<IDispatch> DefaultDispatch();
    // The same as a late-bound value.
    OleVariant OleObject() { return OleVariant(DefaultDispatch()); }
    // Properties by dispatch identifier.
    OleVariant GetProperty(DISPID id);
    void SetProperty(DISPID id, const OleVariant& value);

    const TControlData& ControlData();
    // An event of the control is being handled (its handler is running).
    bool InEvent() const { return eventDepth_ > 0; }

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

protected:
    // Installs the control's description (class, events, flags, version).
    virtual void InitControlData(TControlData& data) = 0;
    void InitWnd() override;
    void DisconnectObject() override;
    void ObjectFocusChanged(bool gotFocus) override;
    // An event arrived from the control.
    void InvokeEvent(DISPID id, const DISPPARAMS& params);

private:
    friend class OleEventSink;
    void CreateControl();
    TControlData data_;
    bool dataReady_ = false;
    ComPtr<IDispatch> dispatch_;
    ComPtr<IConnectionPoint> eventPoint_;
    ComPtr<OleEventSink> sink_;
    DWORD eventCookie_ = 0;
    int eventDepth_ = 0;  // events being handled, nested ones included
};

// The platform's web browser control.
class TWebBrowser : public TOleControl {
    FW_CLASS(TWebBrowser)
public:
    explicit TWebBrowser(TComponent* owner) : TOleControl(owner) {}

    // Loads url (http://..., file:..., about:blank).
    void Navigate(const std::string& url);
    std::string LocationURL();
    ComPtr<IWebBrowser2> ControlInterface();

protected:
    void InitControlData(TControlData& data) override;
};

}  // namespace fw
