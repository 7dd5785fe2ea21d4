// One owner per resource: UniqueHandle (a Win32 handle with its close
// function), the aliases per kind, ComPtr (a COM interface pointer) and
// OleInit / CoInit (an initialisation undone only after it succeeded).
#pragma once

#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include <utility>

namespace fw {

// A handle with exactly one owner.  Copying is deleted; moving hands the
// handle on; put() releases the old handle before giving out the address for
// an out-parameter; release() gives ownership up.
template <typename T, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(T h) noexcept : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }

    T get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return !Traits::invalid(h_); }
    T* put() noexcept { reset(); return &h_; }
    T release() noexcept { T h = h_; h_ = Traits::none(); return h; }
    void reset(T h = Traits::none()) noexcept {
        if (!Traits::invalid(h_)) Traits::close(h_);
        h_ = h;
    }

private:
    T h_ = Traits::none();
};

struct KeyTraits {
    static HKEY none() { return nullptr; }
    static bool invalid(HKEY h) { return h == nullptr; }
    static void close(HKEY h) { RegCloseKey(h); }
};
struct ModuleTraits {
    static HMODULE none() { return nullptr; }
    static bool invalid(HMODULE h) { return h == nullptr; }
    static void close(HMODULE h) { FreeLibrary(h); }
};
struct FindTraits {
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static bool invalid(HANDLE h) { return h == INVALID_HANDLE_VALUE || h == nullptr; }
    static void close(HANDLE h) { FindClose(h); }
};
struct FileTraits {  // CreateFile: the invalid value is INVALID_HANDLE_VALUE
    static HANDLE none() { return INVALID_HANDLE_VALUE; }
    static bool invalid(HANDLE h) { return h == INVALID_HANDLE_VALUE || h == nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct KernelTraits {  // processes, threads, events: the invalid value is null
    static HANDLE none() { return nullptr; }
    static bool invalid(HANDLE h) { return h == nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};

using UniqueKey = UniqueHandle<HKEY, KeyTraits>;
using UniqueModule = UniqueHandle<HMODULE, ModuleTraits>;
using UniqueFind = UniqueHandle<HANDLE, FindTraits>;
using UniqueFile = UniqueHandle<HANDLE, FileTraits>;
using UniqueKernel = UniqueHandle<HANDLE, KernelTraits>;

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

    I* get() const noexcept { return p_; }
    I* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    I** put() noexcept { reset(); return &p_; }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    I* detach() noexcept { return std::exchange(p_, nullptr); }
    void reset() noexcept { if (p_) { p_->Release(); p_ = nullptr; } }

    // Another interface of the same object, or an empty pointer.
    template <typename J>
    ComPtr<J> try_query(REFIID iid) const noexcept {
        ComPtr<J> r;
        if (p_) p_->QueryInterface(iid, r.put_void());
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

}  // namespace fw
