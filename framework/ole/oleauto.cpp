#include "framework/ole/oleauto.h"

namespace fw {

static_assert(sizeof(OleVariant) == sizeof(VARIANT) && std::is_standard_layout_v<OleVariant>,
              "an OleVariant array must be a VARIANTARG array");

namespace {

[[noreturn]] void RaiseInvokeError(HRESULT hr, const std::string& name, EXCEPINFO& ei, UINT argErr) {
    if (hr == DISP_E_EXCEPTION) {
        if (ei.pfnDeferredFillIn) ei.pfnDeferredFillIn(&ei);
        Bstr source = Bstr::attach(ei.bstrSource);
        Bstr description = Bstr::attach(ei.bstrDescription);
        Bstr helpFile = Bstr::attach(ei.bstrHelpFile);
        ei.bstrSource = ei.bstrDescription = ei.bstrHelpFile = nullptr;
        HRESULT code = ei.scode;
        if (!code) code = ei.wCode ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200 + ei.wCode) : hr;
        std::string text = description.Ansi();
        EOleException e(code, name, source.Ansi(), text);
        if (!text.empty()) e.SetMessage(text);
        throw e;
    }
    EOleError e(hr, name);
    if (hr == DISP_E_UNKNOWNNAME || hr == DISP_E_MEMBERNOTFOUND)
        e.SetMessage("Method '" + name + "' not supported by automation object");
    else if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND)
        e.SetMessage(e.Message() + " (argument " + IntToStr(argErr + 1) + ")");
    throw e;
}

}  // namespace

DISPID GetDispId(IDispatch* disp, const std::string& name) {
    std::wstring wide = AnsiToWide(name);
    LPOLESTR names[1] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = disp->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        EXCEPINFO none = {};
        RaiseInvokeError(hr, name, none, 0);
    }
    return id;
}

OleVariant InvokeDispatch(IDispatch* disp, DISPID dispid, WORD flags, const std::vector<OleVariant>& args,
                          const std::string& name) {
    if (!disp) throw EOleError(E_POINTER, "Variant does not reference an automation object");
    // Automation takes the arguments last first.
    std::vector<OleVariant> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {};
    params.cArgs = static_cast<UINT>(reversed.size());
    params.rgvarg = reversed.empty() ? nullptr : reinterpret_cast<VARIANTARG*>(reversed.data());
    DISPID putId = DISPID_PROPERTYPUT;
    if (flags & DISPATCH_PROPERTYPUT) {
        params.cNamedArgs = 1;
        params.rgdispidNamedArgs = &putId;
    }
    OleVariant result;
    EXCEPINFO ei = {};
    UINT argErr = 0;
    HRESULT hr = disp->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                              (flags & DISPATCH_PROPERTYPUT) ? nullptr : result.ptr(), &ei, &argErr);
    if (FAILED(hr)) {
        // The index the callee reports counts in DISPPARAMS order.
        UINT declared = argErr < params.cArgs ? params.cArgs - 1 - argErr : argErr;
        RaiseInvokeError(hr, name, ei, declared);
    }
    return result;
}

OleVariant OleVariant::Invoke(const std::string& name, WORD flags, const std::vector<OleVariant>& args) const {
    ComPtr<IDispatch> disp = ToDispatch();
    if (!disp) throw EOleError(DISP_E_TYPEMISMATCH, "Variant does not reference an automation object");
    return InvokeDispatch(disp.get(), GetDispId(disp.get(), name), flags, args, name);
}

OleVariant CreateOleObject(const std::string& progID) {
    CLSID clsid;
    CheckHr(CLSIDFromProgID(AnsiToWide(progID).c_str(), &clsid), ("Invalid class string " + progID).c_str());
    ComPtr<IDispatch> disp;
    CheckHr(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IidOf<IDispatch>(),
                             disp.put_void()),
            ("Cannot create " + progID).c_str());
    return OleVariant(disp);
}

void OleVariant::Set(const std::string& name, const OleVariant& value) const {
    Invoke(name, DISPATCH_PROPERTYPUT, {value});
}

}  // namespace fw
