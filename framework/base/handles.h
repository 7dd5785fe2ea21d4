// One owner per resource: UniqueHandle (a Win32 handle with its close
// function) and the aliases per kind.  The COM owners (ComPtr, OleInit,
// Bstr, Variant) are in framework/com.h, which this header brings along.
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

using UniqueKey = UniqueHandle<HKEY, KeyTraits>;
using UniqueModule = UniqueHandle<HMODULE, ModuleTraits>;
using UniqueFind = UniqueHandle<HANDLE, FindTraits>;
using UniqueFile = UniqueHandle<HANDLE, FileTraits>;
using UniqueKernel = UniqueHandle<HANDLE, KernelTraits>;

}  // namespace fw
