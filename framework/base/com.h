// The COM kit: IidOf, the interface errors (EIntfCastError, EOleException),
// ComPtr (an interface pointer), OleInit (OLE for a thread), Bstr and Variant
// (owners of a BSTR and a VARIANT), ComObject (the reference-counted base of
// the COM objects we implement) and ComGuard (the firewall at their methods).
#pragma once

#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <oleauto.h>

#include <new>
#include <string>
#include <utility>

#include "framework/base/sysutils.h"

namespace fw {

// The identifier of interface I.  MinGW's headers declare one for each
// interface they define (__CRT_UUID_DECL); an interface without one fails
// at link time, never silently.
template <typename I>
inline const IID& IidOf() {
    return __uuidof(I);
}

// An object that does not offer the interface asked for.
class EIntfCastError : public EOleError {
public:
    explicit EIntfCastError(const std::string& what) : EOleError(E_NOINTERFACE, what) {}
};

// An automation call that failed with an exception of the called object:
// the HRESULT, and the source and description the object reported.
class EOleException : public EOleError {
public:
    EOleException(HRESULT hr, const std::string& message, std::string source, std::string description)
        : EOleError(hr, message), source_(std::move(source)), description_(std::move(description)) {}
    const std::string& Source() const noexcept { return source_; }
    const std::string& Description() const noexcept { return description_; }

private:
    std::string source_;
    std::string description_;
};

// A COM interface pointer with one reference owned.
template <typename I>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr& o) noexcept : p_(o.p_) { if (p_) p_->AddRef(); }
    ComPtr& operator=(const ComPtr& o) noexcept {
        if (o.p_) o.p_->AddRef();
        reset();
        p_ = o.p_;
        return *this;
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) { reset(); p_ = std::exchange(o.p_, nullptr); }
        return *this;
    }
    // Takes over a reference that the caller already holds.
    static ComPtr attach(I* p) noexcept { ComPtr c; c.p_ = p; return c; }
    // Takes a new reference of its own.
    static ComPtr from(I* p) noexcept {
        if (p) p->AddRef();
        return attach(p);
    }

    I* get() const noexcept { return p_; }
    I* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    I** put() noexcept { reset(); return &p_; }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    I* detach() noexcept { return std::exchange(p_, nullptr); }
    void reset() noexcept { if (p_) { std::exchange(p_, nullptr)->Release(); } }

    // Another interface of the same object, or an empty pointer.
    template <typename J>
    ComPtr<J> try_query() const noexcept { return try_query<J>(IidOf<J>()); }
    // The same by an explicit identifier (an event interface asked for as
    // IDispatch, say).
    template <typename J>
    ComPtr<J> try_query(REFIID iid) const noexcept {
        ComPtr<J> r;
        if (p_) p_->QueryInterface(iid, r.put_void());
        return r;
    }
    // Another interface of the same object; raises EIntfCastError when the
    // object does not offer it (or the pointer is empty).
    template <typename J>
    ComPtr<J> query() const {
        ComPtr<J> r = try_query<J>();
        if (!r) throw EIntfCastError("Interface not supported");
        return r;
    }

private:
    I* p_ = nullptr;
};

// OleInitialize for the calling thread, undone in the destructor only when it
// succeeded (S_FALSE, "already initialised", also counts and must be undone).
class OleInit {
public:
    OleInit() noexcept : hr_(OleInitialize(nullptr)) {}
    ~OleInit() { if (SUCCEEDED(hr_)) OleUninitialize(); }
    OleInit(const OleInit&) = delete;
    OleInit& operator=(const OleInit&) = delete;
    HRESULT result() const noexcept { return hr_; }

private:
    HRESULT hr_;
};

// A BSTR with one owner; null is the empty string, as automation has it.
class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(const std::wstring& s);
    explicit Bstr(const std::string& ansi) : Bstr(AnsiToWide(ansi)) {}
    ~Bstr() { reset(); }
    Bstr(const Bstr& o) : Bstr(o.Wide()) {}
    Bstr& operator=(const Bstr& o) {
        if (this != &o) *this = Bstr(o.Wide());
        return *this;
    }
    Bstr(Bstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
    Bstr& operator=(Bstr&& o) noexcept {
        if (this != &o) { reset(); b_ = std::exchange(o.b_, nullptr); }
        return *this;
    }
    static Bstr attach(BSTR b) noexcept { Bstr r; r.b_ = b; return r; }

    BSTR get() const noexcept { return b_; }
    BSTR* put() noexcept { reset(); return &b_; }
    BSTR release() noexcept { return std::exchange(b_, nullptr); }
    void reset() noexcept { if (b_) SysFreeString(std::exchange(b_, nullptr)); }
    UINT Length() const noexcept { return b_ ? SysStringLen(b_) : 0; }
    std::wstring Wide() const { return b_ ? std::wstring(b_, Length()) : std::wstring(); }
    std::string Ansi() const { return WideToAnsi(b_, static_cast<int>(Length())); }

private:
    BSTR b_ = nullptr;
};

// A VARIANT with one owner: cleared when it goes or gets a new value, copied
// with VariantCopy.  Integers are VT_I4, booleans VT_BOOL with true as all
// bits set, strings BSTRs (ANSI text converted).
class Variant {
public:
    Variant() noexcept { VariantInit(&v_); }
    Variant(int i) noexcept : Variant() { v_.vt = VT_I4; v_.lVal = i; }
    Variant(bool b) noexcept : Variant() { v_.vt = VT_BOOL; v_.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE; }
    Variant(double d) noexcept : Variant() { v_.vt = VT_R8; v_.dblVal = d; }
    Variant(const std::wstring& s) : Variant() { SetBstr(Bstr(s)); }
    Variant(const wchar_t* s) : Variant(std::wstring(s ? s : L"")) {}
    Variant(const std::string& s) : Variant() { SetBstr(Bstr(s)); }
    Variant(const char* s) : Variant(std::string(s ? s : "")) {}
    // An object: the variant takes a reference of its own.
    Variant(IDispatch* d) noexcept : Variant() {
        v_.vt = VT_DISPATCH;
        v_.pdispVal = d;
        if (d) d->AddRef();
    }
    explicit Variant(const VARIANT& v) : Variant() { Copy(v); }
    ~Variant() { VariantClear(&v_); }
    Variant(const Variant& o) : Variant() { Copy(o.v_); }
    Variant& operator=(const Variant& o) {
        if (this != &o) { Variant t(o); swap(t); }
        return *this;
    }
    Variant(Variant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
    Variant& operator=(Variant&& o) noexcept {
        if (this != &o) { Clear(); v_ = o.v_; VariantInit(&o.v_); }
        return *this;
    }
    void swap(Variant& o) noexcept { std::swap(v_, o.v_); }

    const VARIANT& get() const noexcept { return v_; }
    VARIANT* ptr() noexcept { return &v_; }
    // Clears the value and hands out the address for an out-parameter.
    VARIANT* put() noexcept { Clear(); return &v_; }
    void Clear() noexcept { VariantClear(&v_); }
    VARTYPE Type() const noexcept { return v_.vt; }
    bool IsEmpty() const noexcept { return v_.vt == VT_EMPTY; }

    // Conversions by the platform's rules (VariantChangeType); an empty or
    // null value is the empty string and 0.  Raise EOleError when the value
    // does not convert.
    std::string ToString() const;
    std::wstring ToWide() const;
    int ToInt() const;
    bool ToBool() const;
    // The object a VT_DISPATCH (or VT_UNKNOWN offering IDispatch) holds;
    // empty for any other value.
    ComPtr<IDispatch> ToDispatch() const;

private:
    void Copy(const VARIANT& v);
    void SetBstr(Bstr b) noexcept { v_.vt = VT_BSTR; v_.bstrVal = b.release(); }
    Variant Converted(VARTYPE vt) const;
    VARIANT v_;
};

// The base of the COM objects we implement (sites, frames, event sinks):
// one reference count for all the listed interfaces, starting at 1 for the
// creator (take it with ComPtr<T>::attach, or use MakeCom); the object
// deletes itself at the last Release.  QueryInterface answers IUnknown and
// each listed interface; QueryExtra adds others (the base interfaces that
// several listed ones share, such as IOleWindow).
template <typename First, typename... Rest>
class ComObject : public First, public Rest... {
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown)) *out = static_cast<First*>(this);
        else if (!Find<First, Rest...>(iid, out)) *out = QueryExtra(iid);
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

protected:
    virtual ~ComObject() = default;
    // An interface beyond the listed ones, without AddRef; null when none.
    virtual void* QueryExtra(REFIID) { return nullptr; }

private:
    template <typename I, typename... More>
    bool Find(REFIID iid, void** out) {
        if (IsEqualIID(iid, IidOf<I>())) {
            *out = static_cast<I*>(this);
            return true;
        }
        if constexpr (sizeof...(More) > 0) return Find<More...>(iid, out);
        return false;
    }
    LONG refs_ = 1;
};

// A new COM object of ours, owned by the pointer returned.
template <typename T, typename... Args>
ComPtr<T> MakeCom(Args&&... args) {
    return ComPtr<T>::attach(new T(std::forward<Args>(args)...));
}

// The firewall at every COM method we implement: no C++ exception may cross
// a COM boundary (it would end the program).  body returns the method's
// HRESULT; an EOleError becomes its own HRESULT, a failed allocation
// E_OUTOFMEMORY, anything else E_FAIL.
template <typename F>
HRESULT ComGuard(F&& body) noexcept {
    try {
        return body();
    } catch (const EOleError& e) {
        return FAILED(e.Result()) ? e.Result() : E_FAIL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

}  // namespace fw
