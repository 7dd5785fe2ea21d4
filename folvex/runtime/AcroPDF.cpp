#include "folvex/runtime/AcroPDF.h"

namespace folvex {

namespace {

constexpr DISPID kSrcDispId = 1;
constexpr DISPID kOnErrorDispId = 1;
constexpr DISPID kOnMessageDispId = 2;
// The version of the control description record the control was made for.
constexpr DWORD kControlDataVersion = 401;

// A failing HRESULT of an interface entry becomes the framework's automation
// error, named after the entry.
void Check(HRESULT hr, const char* member) { fw::CheckHr(hr, member); }

}  // namespace

FW_IMPLEMENT_CLASS(TAcroPDF, fw::TOleControl, [](fw::TClassBuilder<TAcroPDF>& b) {
    // Read from and written to the control itself, never to a form resource.
    b.WideString(
         "src", [](const TAcroPDF* c) { return const_cast<TAcroPDF*>(c)->src(); }, &TAcroPDF::Setsrc)
        .IsStored = [](const fw::TComponent*) { return false; };
    b.Event("OnError", &TAcroPDF::OnError);
    b.Event("OnMessage", &TAcroPDF::OnMessage);
})

TAcroPDF::~TAcroPDF() {
    // The base destructors cannot reach DisconnectObject: the interface goes
    // first, then the control in the host's own order.
    intf_.reset();
}

void TAcroPDF::InitControlData(fw::TControlData& data) {
    data.ClassID = CLASS_AcroPDF;
    data.EventIID = DIID__IAcroAXDocShimEvents;
    data.EventDispIDs = {kOnErrorDispId, kOnMessageDispId};
    data.EventFields = {&OnError, &OnMessage};
    data.Flags = 0;
    data.Version = kControlDataVersion;
}

void TAcroPDF::DisconnectObject() {
    intf_.reset();
    fw::TOleControl::DisconnectObject();
}

void TAcroPDF::CreateControl() {
    if (!intf_) intf_ = DefaultDispatch().query<IAcroAXDocShim>();
}

fw::ComPtr<IAcroAXDocShim> TAcroPDF::GetControlInterface() {
    CreateControl();
    return intf_;
}

std::wstring TAcroPDF::src() { return GetProperty(kSrcDispId).ToWide(); }

void TAcroPDF::Setsrc(const std::wstring& value) { SetProperty(kSrcDispId, fw::OleVariant(value)); }

VARIANT_BOOL TAcroPDF::LoadFile(const std::wstring& fileName) {
    VARIANT_BOOL result = VARIANT_FALSE;
    Check(GetControlInterface()->LoadFile(fw::Bstr(fileName).get(), &result), "LoadFile");
    return result;
}

void TAcroPDF::setShowToolbar(VARIANT_BOOL on) { Check(GetControlInterface()->setShowToolbar(on), "setShowToolbar"); }

void TAcroPDF::gotoFirstPage() { Check(GetControlInterface()->gotoFirstPage(), "gotoFirstPage"); }

void TAcroPDF::gotoLastPage() { Check(GetControlInterface()->gotoLastPage(), "gotoLastPage"); }

void TAcroPDF::gotoNextPage() { Check(GetControlInterface()->gotoNextPage(), "gotoNextPage"); }

void TAcroPDF::gotoPreviousPage() { Check(GetControlInterface()->gotoPreviousPage(), "gotoPreviousPage"); }

void TAcroPDF::setCurrentPage(LONG page) { Check(GetControlInterface()->setCurrentPage(page), "setCurrentPage"); }

void TAcroPDF::goForwardStack() { Check(GetControlInterface()->goForwardStack(), "goForwardStack"); }

void TAcroPDF::goBackwardStack() { Check(GetControlInterface()->goBackwardStack(), "goBackwardStack"); }

void TAcroPDF::setPageMode(const std::wstring& mode) {
    Check(GetControlInterface()->setPageMode(fw::Bstr(mode).get()), "setPageMode");
}

void TAcroPDF::setLayoutMode(const std::wstring& mode) {
    Check(GetControlInterface()->setLayoutMode(fw::Bstr(mode).get()), "setLayoutMode");
}

void TAcroPDF::setNamedDest(const std::wstring& destination) {
    Check(GetControlInterface()->setNamedDest(fw::Bstr(destination).get()), "setNamedDest");
}

void TAcroPDF::Print() { Check(GetControlInterface()->Print(), "Print"); }

void TAcroPDF::printWithDialog() { Check(GetControlInterface()->printWithDialog(), "printWithDialog"); }

void TAcroPDF::setZoom(float percent) { Check(GetControlInterface()->setZoom(percent), "setZoom"); }

void TAcroPDF::setZoomScroll(float percent, float left, float top) {
    Check(GetControlInterface()->setZoomScroll(percent, left, top), "setZoomScroll");
}

void TAcroPDF::setView(const std::wstring& view) {
    Check(GetControlInterface()->setView(fw::Bstr(view).get()), "setView");
}

void TAcroPDF::setViewScroll(const std::wstring& view, float offset) {
    Check(GetControlInterface()->setViewScroll(fw::Bstr(view).get(), offset), "setViewScroll");
}

void TAcroPDF::setViewRect(float left, float top, float width, float height) {
    Check(GetControlInterface()->setViewRect(left, top, width, height), "setViewRect");
}

void TAcroPDF::printPages(LONG from, LONG to) { Check(GetControlInterface()->printPages(from, to), "printPages"); }

void TAcroPDF::printPagesFit(LONG from, LONG to, VARIANT_BOOL shrinkToFit) {
    Check(GetControlInterface()->printPagesFit(from, to, shrinkToFit), "printPagesFit");
}

void TAcroPDF::printAll() { Check(GetControlInterface()->printAll(), "printAll"); }

void TAcroPDF::printAllFit(VARIANT_BOOL shrinkToFit) {
    Check(GetControlInterface()->printAllFit(shrinkToFit), "printAllFit");
}

void TAcroPDF::setShowScrollbars(VARIANT_BOOL on) {
    Check(GetControlInterface()->setShowScrollbars(on), "setShowScrollbars");
}

fw::OleVariant TAcroPDF::GetVersions() {
    fw::OleVariant result;
    Check(GetControlInterface()->GetVersions(result.put()), "GetVersions");
    return result;
}

void TAcroPDF::setCurrentHightlight(LONG a, LONG b, LONG c, LONG d) {
    Check(GetControlInterface()->setCurrentHightlight(a, b, c, d), "setCurrentHightlight");
}

void TAcroPDF::setCurrentHighlight(LONG a, LONG b, LONG c, LONG d) {
    Check(GetControlInterface()->setCurrentHighlight(a, b, c, d), "setCurrentHighlight");
}

void TAcroPDF::postMessage(const fw::OleVariant& message) {
    // The entry takes the variant by value: the callee borrows it.
    Check(GetControlInterface()->postMessage(message.get()), "postMessage");
}

fw::OleVariant TAcroPDF::Get_messageHandler() {
    fw::OleVariant result;
    Check(GetControlInterface()->get_messageHandler(result.put()), "messageHandler");
    return result;
}

void TAcroPDF::Set_messageHandler(const fw::OleVariant& value) {
    Check(GetControlInterface()->put_messageHandler(value.get()), "messageHandler");
}

}  // namespace folvex
