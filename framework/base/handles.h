// One owner per resource: UniqueHandle (a Win32 handle with its close
// function) and its aliases per kind (keys, modules, find handles, files,
// processes, threads and events, GDI objects, memory device contexts,
// LocalAlloc blocks); WindowDc (a window's device context), GdiSelection (an
// object selected into a device context for a scope), CoTaskMem (a block of
// COM's task allocator) and ScopeExit (a one-off clean-up at the end of a
// scope).  The COM owners (ComPtr, OleInit, Bstr, Variant) are in
// framework/base/com.h, which this header brings along.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include <cstddef>
#include <type_traits>
#include <utility>

#include "framework/base/com.h"

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

// A GDI object (pen, brush, font, bitmap, region) of the type T; it must not
// be selected into a device context when its owner lets it go.
template <typename T>
struct GdiTraits {
    static T none() { return nullptr; }
    static bool invalid(T h) { return h == nullptr; }
    static void close(T h) { DeleteObject(h); }
};
// Memory that a call hands over from LocalAlloc (FormatMessage's buffer).
struct LocalTraits {
    static HLOCAL none() { return nullptr; }
    static bool invalid(HLOCAL h) { return h == nullptr; }
    static void close(HLOCAL h) { LocalFree(h); }
};
// A device context made with CreateCompatibleDC or CreateDC.
struct DcTraits {
    static HDC none() { return nullptr; }
    static bool invalid(HDC h) { return h == nullptr; }
    static void close(HDC h) { DeleteDC(h); }
};

using UniqueKey = UniqueHandle<HKEY, KeyTraits>;
using UniqueModule = UniqueHandle<HMODULE, ModuleTraits>;
using UniqueFind = UniqueHandle<HANDLE, FindTraits>;
using UniqueFile = UniqueHandle<HANDLE, FileTraits>;
using UniqueKernel = UniqueHandle<HANDLE, KernelTraits>;
using UniqueProcess = UniqueKernel;
using UniqueThread = UniqueKernel;
using UniqueGdiObject = UniqueHandle<HGDIOBJ, GdiTraits<HGDIOBJ>>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiTraits<HBRUSH>>;
using UniqueFont = UniqueHandle<HFONT, GdiTraits<HFONT>>;
using UniquePen = UniqueHandle<HPEN, GdiTraits<HPEN>>;
using UniqueDc = UniqueHandle<HDC, DcTraits>;
using UniqueLocal = UniqueHandle<HLOCAL, LocalTraits>;

// The device context of a window (null: the screen), from GetDC, released
// with ReleaseDC, which needs the window as well.
class WindowDc {
public:
    explicit WindowDc(HWND wnd = nullptr) noexcept : wnd_(wnd), dc_(GetDC(wnd)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(wnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND wnd_;
    HDC dc_;
};

// A GDI object selected into a device context for a scope; the object that
// was selected before is put back at its end, so that the object is never
// left selected when its owner deletes it.  A null object selects nothing.
class GdiSelection {
public:
    GdiSelection(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(dc && obj ? SelectObject(dc, obj) : nullptr) {}
    ~GdiSelection() {
        if (old_) SelectObject(dc_, old_);
    }
    GdiSelection(const GdiSelection&) = delete;
    GdiSelection& operator=(const GdiSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A block of COM's task allocator that a call hands over (StringFromCLSID,
// ProgIDFromCLSID, ...), freed with CoTaskMemFree.
template <typename T>
class CoTaskMem {
public:
    CoTaskMem() noexcept = default;
    explicit CoTaskMem(T* p) noexcept : p_(p) {}
    ~CoTaskMem() { reset(); }
    CoTaskMem(const CoTaskMem&) = delete;
    CoTaskMem& operator=(const CoTaskMem&) = delete;
    CoTaskMem(CoTaskMem&& o) noexcept : p_(o.release()) {}
    CoTaskMem& operator=(CoTaskMem&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }

    T* get() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    T** put() noexcept { reset(); return &p_; }
    T* release() noexcept { return std::exchange(p_, nullptr); }
    void reset(T* p = nullptr) noexcept {
        if (p_) CoTaskMemFree(p_);
        p_ = p;
    }

private:
    T* p_ = nullptr;
};

// A clean-up that runs when the scope ends, however it ends, unless
// dismissed: for the one-off restorations that no handle owner fits
// (windows to enable again, a state flag to reset).
//     ScopeExit restore([&] { EnableWindow(w, TRUE); });
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F f) noexcept(std::is_nothrow_move_constructible_v<F>) : f_(std::move(f)) {}
    ~ScopeExit() {
        if (active_) f_();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    void Dismiss() noexcept { active_ = false; }

private:
    F f_;
    bool active_ = true;
};

}  // namespace fw
