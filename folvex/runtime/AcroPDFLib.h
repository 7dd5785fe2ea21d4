// Adobe Reader's newer PDF control ("AcroPDF" generation) as its type
// library describes it, under Adobe's names: the identifiers of the library,
// the control class and its interfaces; IAcroAXDocShim (the dual interface,
// entries in the type library's order), IAcroAXDocShimDisp (its pure
// dispatch view) and _IAcroAXDocShimEvents (the outgoing event interface).
// Declarations only: nothing here needs Folvex.dll, so anything that speaks
// to such a control (the package's TAcroPDF, a stand-in control) shares them.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oaidl.h>

namespace folvex {

// {05BFD3F1-6319-4F30-B752-C7A22889BCC4}
inline constexpr GUID LIBID_AcroPDFLib = {
    0x05BFD3F1, 0x6319, 0x4F30, {0xB7, 0x52, 0xC7, 0xA2, 0x28, 0x89, 0xBC, 0xC4}};
// {CA8A9780-280D-11CF-A24D-444553540000}
inline constexpr GUID CLASS_AcroPDF = {
    0xCA8A9780, 0x280D, 0x11CF, {0xA2, 0x4D, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {3B813CE7-7C10-4F84-AD06-9DF76D97A9AA}
inline constexpr GUID IID_IAcroAXDocShim = {
    0x3B813CE7, 0x7C10, 0x4F84, {0xAD, 0x06, 0x9D, 0xF7, 0x6D, 0x97, 0xA9, 0xAA}};
// {E790E1D1-9DE8-4853-8AC6-933D4FD9C927}
inline constexpr GUID DIID__IAcroAXDocShimEvents = {
    0xE790E1D1, 0x9DE8, 0x4853, {0x8A, 0xC6, 0x93, 0x3D, 0x4F, 0xD9, 0xC9, 0x27}};

// The dual interface.  After IDispatch's seven entries: the src property,
// the methods, the messageHandler property.  Every entry returns an HRESULT;
// a result travels in the trailing out parameter.
MIDL_INTERFACE("3B813CE7-7C10-4F84-AD06-9DF76D97A9AA")
IAcroAXDocShim : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE get_src(BSTR* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_src(BSTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadFile(BSTR fileName, VARIANT_BOOL* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE setShowToolbar(VARIANT_BOOL on) = 0;
    virtual HRESULT STDMETHODCALLTYPE gotoFirstPage() = 0;
    virtual HRESULT STDMETHODCALLTYPE gotoLastPage() = 0;
    virtual HRESULT STDMETHODCALLTYPE gotoNextPage() = 0;
    virtual HRESULT STDMETHODCALLTYPE gotoPreviousPage() = 0;
    virtual HRESULT STDMETHODCALLTYPE setCurrentPage(LONG page) = 0;
    virtual HRESULT STDMETHODCALLTYPE goForwardStack() = 0;
    virtual HRESULT STDMETHODCALLTYPE goBackwardStack() = 0;
    virtual HRESULT STDMETHODCALLTYPE setPageMode(BSTR mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE setLayoutMode(BSTR mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE setNamedDest(BSTR destination) = 0;
    virtual HRESULT STDMETHODCALLTYPE Print() = 0;
    virtual HRESULT STDMETHODCALLTYPE printWithDialog() = 0;
    virtual HRESULT STDMETHODCALLTYPE setZoom(float percent) = 0;
    virtual HRESULT STDMETHODCALLTYPE setZoomScroll(float percent, float left, float top) = 0;
    virtual HRESULT STDMETHODCALLTYPE setView(BSTR view) = 0;
    virtual HRESULT STDMETHODCALLTYPE setViewScroll(BSTR view, float offset) = 0;
    virtual HRESULT STDMETHODCALLTYPE setViewRect(float left, float top, float width, float height) = 0;
    virtual HRESULT STDMETHODCALLTYPE printPages(LONG from, LONG to) = 0;
    virtual HRESULT STDMETHODCALLTYPE printPagesFit(LONG from, LONG to, VARIANT_BOOL shrinkToFit) = 0;
    virtual HRESULT STDMETHODCALLTYPE printAll() = 0;
    virtual HRESULT STDMETHODCALLTYPE printAllFit(VARIANT_BOOL shrinkToFit) = 0;
    virtual HRESULT STDMETHODCALLTYPE setShowScrollbars(VARIANT_BOOL on) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVersions(VARIANT* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE setCurrentHightlight(LONG a, LONG b, LONG c, LONG d) = 0;
    virtual HRESULT STDMETHODCALLTYPE setCurrentHighlight(LONG a, LONG b, LONG c, LONG d) = 0;
    virtual HRESULT STDMETHODCALLTYPE postMessage(VARIANT message) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_messageHandler(VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_messageHandler(VARIANT value) = 0;
};

// The same interface reached by dispatch identifiers only (same identifier).
MIDL_INTERFACE("3B813CE7-7C10-4F84-AD06-9DF76D97A9AA")
IAcroAXDocShimDisp : public IDispatch {};

// The control's events, called through IDispatch::Invoke.
MIDL_INTERFACE("E790E1D1-9DE8-4853-8AC6-933D4FD9C927")
_IAcroAXDocShimEvents : public IDispatch {};

}  // namespace folvex

// The identifiers that fw::IidOf (the compiler's __uuidof) finds for them.
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(folvex::IAcroAXDocShim, 0x3B813CE7, 0x7C10, 0x4F84, 0xAD, 0x06, 0x9D, 0xF7, 0x6D, 0x97, 0xA9, 0xAA)
__CRT_UUID_DECL(folvex::IAcroAXDocShimDisp, 0x3B813CE7, 0x7C10, 0x4F84, 0xAD, 0x06, 0x9D, 0xF7, 0x6D, 0x97, 0xA9,
                0xAA)
__CRT_UUID_DECL(folvex::_IAcroAXDocShimEvents, 0xE790E1D1, 0x9DE8, 0x4853, 0x8A, 0xC6, 0x93, 0x3D, 0x4F, 0xD9, 0xC9,
                0x27)
#endif
