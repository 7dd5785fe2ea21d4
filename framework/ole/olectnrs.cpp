#include "framework/ole/olectnrs.h"

namespace fw {

namespace {
const std::vector<std::string> kSizeModeNames = {"smClip", "smCenter", "smScale", "smStretch", "smAutoSize"};
}  // namespace

FW_IMPLEMENT_CLASS(TOleContainer, TOleHost, [](TClassBuilder<TOleContainer>& b) {
    b.Publish({"Align", "Left", "Top", "Width", "Height", "TabStop", "TabOrder", "Visible"});
    b.Enum("SizeMode", kSizeModeNames, &TOleContainer::SizeMode, &TOleContainer::SetSizeMode, smClip);
})

namespace {
const TClassRegistration kRegistered{&TOleContainer::StaticClass};
}  // namespace

TOleContainer::TOleContainer(TComponent* owner) : TOleHost(owner) {
    width_ = 121;
    height_ = 121;
}

TOleContainer::~TOleContainer() {
    DestroyHandle();
    DestroyObject();
}

void TOleContainer::CreateObject(const std::string& progID, bool iconic) {
    DestroyObject();
    CLSID clsid;
    CheckHr(CLSIDFromProgID(AnsiToWide(progID).c_str(), &clsid), ("Invalid class string " + progID).c_str());
    HandleNeeded();
    // The object lives in a storage of its own in memory.
    CheckHr(CreateILockBytesOnHGlobal(nullptr, TRUE, lockBytes_.put()), "CreateILockBytesOnHGlobal");
    CheckHr(StgCreateDocfileOnILockBytes(lockBytes_.get(),
                                         STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, storage_.put()),
            "StgCreateDocfileOnILockBytes");
    AttachObject(nullptr);  // the sites, which OleCreate hands the object
    ComPtr<IOleObject> obj;
    FORMATETC fmt = {0, nullptr, static_cast<DWORD>(iconic ? DVASPECT_ICON : DVASPECT_CONTENT), -1, TYMED_NULL};
    HRESULT hr = OleCreate(clsid, IidOf<IOleObject>(), OLERENDER_DRAW, &fmt, ClientSite(), storage_.get(),
                           obj.put_void());
    if (FAILED(hr)) {
        DestroyObject();
        CheckHr(hr, ("Cannot create the object " + progID).c_str());
    }
    oleObject_ = obj;
    OleSetContainedObject(obj.get(), TRUE);
    running_ = OleIsRunning(obj.get()) != FALSE;  // OleCreate may have run it
    std::wstring app = AnsiToWide(Application.Title().empty() ? "Application" : Application.Title());
    obj->SetHostNames(app.c_str(), app.c_str());
    if (sizeMode_ == smAutoSize) AutoSize();
}

void TOleContainer::Run() {
    if (!oleObject_) throw EOleError(E_UNEXPECTED, "No object embedded");
    CheckHr(OleRun(oleObject_.get()), "OleRun");
    running_ = true;
}

void TOleContainer::DoVerb(int verb) {
    ObjectVerb(verb);
    if (sizeMode_ == smAutoSize) AutoSize();
    UpdateObjectRects();
}

void TOleContainer::Close() {
    if (!oleObject_) return;
    if (auto ip = oleObject_.try_query<IOleInPlaceObject>()) ip->InPlaceDeactivate();
    inPlaceObject_.reset();
    activeObject_.reset();
    oleObject_->Close(OLECLOSE_NOSAVE);
    running_ = open_ = inPlaceActive_ = uiActive_ = false;
}

void TOleContainer::DestroyObject() {
    TOleHost::DestroyObject();
    storage_.reset();
    lockBytes_.reset();
}

OleVariant TOleContainer::OleObject() {
    if (!oleObject_) throw EOleError(E_UNEXPECTED, "No object embedded");
    return OleVariant(oleObject_.query<IDispatch>());
}

void TOleContainer::SetSizeMode(TSizeMode m) {
    sizeMode_ = m;
    if (m == smAutoSize) AutoSize();
}

void TOleContainer::AutoSize() {
    if (!oleObject_ || align_ == alClient) return;
    SIZEL ext{0, 0};
    if (FAILED(oleObject_->GetExtent(DVASPECT_CONTENT, &ext)) || ext.cx <= 0 || ext.cy <= 0) return;
    SetBounds(left_, top_, HimetricToPixels(ext.cx, true), HimetricToPixels(ext.cy, false));
}

void TOleContainer::ObjectPosChanged(const RECT& requested) {
    // An auto-sized container follows the size the object asks for.
    if (sizeMode_ == smAutoSize && align_ != alClient)
        SetBounds(left_, top_, requested.right - requested.left, requested.bottom - requested.top);
    UpdateObjectRects();
}

}  // namespace fw
