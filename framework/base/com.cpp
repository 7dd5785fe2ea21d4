#include "framework/base/com.h"

namespace fw {

Bstr::Bstr(const std::wstring& s) {
    b_ = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
    if (!b_) throw std::bad_alloc();
}

void Variant::Copy(const VARIANT& v) {
    CheckHr(VariantCopy(&v_, const_cast<VARIANT*>(&v)), "VariantCopy");
}

Variant Variant::Converted(VARTYPE vt) const {
    Variant r;
    // VARIANT_ALPHABOOL: a boolean reads "True" or "False", not -1 or 0.
    CheckHr(VariantChangeType(r.ptr(), const_cast<VARIANT*>(&v_), VARIANT_ALPHABOOL, vt),
            "Could not convert variant");
    return r;
}

std::wstring Variant::ToWide() const {
    if (v_.vt == VT_EMPTY || v_.vt == VT_NULL) return {};
    Variant s = Converted(VT_BSTR);
    BSTR b = s.get().bstrVal;
    return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

std::string Variant::ToString() const {
    std::wstring w = ToWide();
    return WideToAnsi(w);
}

int Variant::ToInt() const {
    if (v_.vt == VT_EMPTY || v_.vt == VT_NULL) return 0;
    return Converted(VT_I4).get().lVal;
}

bool Variant::ToBool() const {
    if (v_.vt == VT_EMPTY || v_.vt == VT_NULL) return false;
    return Converted(VT_BOOL).get().boolVal != VARIANT_FALSE;
}

ComPtr<IDispatch> Variant::ToDispatch() const {
    if (v_.vt == VT_DISPATCH) return ComPtr<IDispatch>::from(v_.pdispVal);
    if (v_.vt == VT_UNKNOWN && v_.punkVal)
        return ComPtr<IUnknown>::from(v_.punkVal).try_query<IDispatch>();
    return nullptr;
}

}  // namespace fw
