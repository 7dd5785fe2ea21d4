// The handle owners on real handles of every kind: each closes its handle
// when it goes, a move hands the handle on, release gives it up, put closes
// the old one; GdiSelection puts the object back; CoTaskMem frees through
// COM's allocator; ScopeExit runs once unless dismissed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/base/handles.h"
#include "tests/support/staging.h"
#include "tests/support/winauto.h"

using namespace fw;

namespace {

// A kernel object (event, file, process, thread) is open while the process
// still has the handle.
bool KernelOpen(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}
bool GdiOpen(HGDIOBJ h) { return GetObjectType(h) != 0; }

// Runs the checks that every UniqueHandle kind must pass on handles that
// make() opens and open() tells apart from closed ones.
template <typename Owner, typename Make, typename Open>
void CheckOwner(const char* kind, Make make, Open open) {
    SCOPED_TRACE(kind);
    auto raw = make();
    ASSERT_TRUE(raw && open(raw)) << "could not open one: " << GetLastError();
    {
        Owner first(raw);
        Owner second(std::move(first));
        EXPECT_FALSE(first);  // moved from: nothing left to close
        EXPECT_EQ(second.get(), raw);
        EXPECT_TRUE(open(raw));
    }
    EXPECT_FALSE(open(raw)) << "the owner left it open";

    auto kept = make();
    Owner giver(kept);
    EXPECT_EQ(giver.release(), kept);
    EXPECT_TRUE(open(kept)) << "release closed it";
    Owner taker(kept);
    auto next = make();
    taker.reset(next);  // the old one goes, the new one stays
    EXPECT_FALSE(open(kept));
    EXPECT_TRUE(open(next));
}

TEST(HandleOwners, EachKindClosesItsHandleOnce) {
    ts::ScratchDir dir("framework_base_handles");
    ASSERT_TRUE(ts::WriteTextFile(dir / "a.txt", "a"));
    const std::string file = dir / "a.txt", pattern = dir / "*.txt";

    CheckOwner<UniqueKernel>("event", [] { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }, KernelOpen);
    CheckOwner<UniqueProcess>("process", [] {
        return OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, GetCurrentProcessId());
    }, KernelOpen);
    CheckOwner<UniqueThread>("thread", [] {
        return OpenThread(THREAD_QUERY_INFORMATION, FALSE, GetCurrentThreadId());
    }, KernelOpen);
    CheckOwner<UniqueFile>("file", [&] {
        HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : h;
    }, KernelOpen);
    CheckOwner<UniqueFind>("find", [&] {
        WIN32_FIND_DATAA data;
        HANDLE h = FindFirstFileA(pattern.c_str(), &data);
        return h == INVALID_HANDLE_VALUE ? nullptr : h;
    }, [](HANDLE h) {
        // A closed search answers ERROR_INVALID_HANDLE, an open one that it is done.
        WIN32_FIND_DATAA data;
        SetLastError(0);
        return FindNextFileA(h, &data) || GetLastError() != ERROR_INVALID_HANDLE;
    });
    CheckOwner<UniqueKey>("key", [] {
        HKEY k = nullptr;
        return RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &k) == ERROR_SUCCESS ? k : nullptr;
    }, [](HKEY k) {
        DWORD subKeys = 0;
        return RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr) == ERROR_SUCCESS;
    });
    CheckOwner<UniqueBrush>("brush", [] { return CreateSolidBrush(RGB(1, 2, 3)); }, GdiOpen);
    CheckOwner<UniquePen>("pen", [] { return CreatePen(PS_SOLID, 1, RGB(1, 2, 3)); }, GdiOpen);
    CheckOwner<UniqueFont>("font", [] {
        return CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    }, GdiOpen);
    CheckOwner<UniqueBitmap>("bitmap", [] { return CreateBitmap(4, 4, 1, 32, nullptr); }, GdiOpen);
    CheckOwner<UniqueGdiObject>("region", [] { return static_cast<HGDIOBJ>(CreateRectRgn(0, 0, 4, 4)); }, GdiOpen);
    CheckOwner<UniqueDc>("memory context", [] { return CreateCompatibleDC(nullptr); }, GdiOpen);
    CheckOwner<UniqueLocal>("local block", [] { return LocalAlloc(LMEM_FIXED, 16); },
                            [](HLOCAL h) { return LocalSize(h) != 0; });
}

TEST(HandleOwners, ModuleIsUnloadedWithItsLastReference) {
    // A library that nothing else of this program loads.
    const std::string dll = ts::SelfFolder() + "..\\fixtures\\lang_fr\\KxLang.dll";
    ASSERT_EQ(GetModuleHandleA("KxLang.dll"), nullptr);
    {
        UniqueModule first(LoadLibraryA(dll.c_str()));
        ASSERT_TRUE(first) << dll << ": " << GetLastError();
        UniqueModule second(LoadLibraryA(dll.c_str()));  // a second reference
        second.reset();
        EXPECT_NE(GetModuleHandleA("KxLang.dll"), nullptr) << "one reference is left";
    }
    EXPECT_EQ(GetModuleHandleA("KxLang.dll"), nullptr);
}

TEST(HandleOwners, PutClosesTheOldHandleBeforeHandingOutItsAddress) {
    UniqueKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
    HKEY first = key.get();
    HKEY* slot = key.put();
    EXPECT_EQ(*slot, nullptr);
    DWORD subKeys = 0;
    EXPECT_EQ(RegQueryInfoKeyA(first, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, slot), ERROR_SUCCESS);
    EXPECT_TRUE(key);
}

TEST(GdiSelectionTest, PutsBackWhatWasSelectedBefore) {
    UniqueDc dc(CreateCompatibleDC(nullptr));
    UniqueBrush brush(CreateSolidBrush(RGB(9, 8, 7)));
    HGDIOBJ before = GetCurrentObject(dc.get(), OBJ_BRUSH);
    {
        GdiSelection selected(dc.get(), brush.get());
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BRUSH), brush.get());
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BRUSH), before);
    brush.reset();  // not selected: it goes
    EXPECT_EQ(GetObjectType(before), static_cast<DWORD>(OBJ_BRUSH));
}

// COM's allocator as its spy sees it: every block that is freed.
class FreeSpy final : public IMallocSpy {
public:
    std::vector<void*> freed;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMallocSpy) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void* STDMETHODCALLTYPE PostAlloc(void* p) override { return p; }
    void* STDMETHODCALLTYPE PreFree(void* p, BOOL) override {
        freed.push_back(p);
        return p;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* p, SIZE_T size, void** out, BOOL) override {
        *out = p;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* p, BOOL) override { return p; }
    void* STDMETHODCALLTYPE PreGetSize(void* p, BOOL) override { return p; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* p, BOOL) override { return p; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}
};

// The class identifier of the platform's standard font object.
const CLSID kStdFont = {0x0BE35203, 0x8F91, 0x11CE, {0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

TEST(CoTaskMemTest, FreesTheBlockACallHandedOverOnce) {
    FreeSpy spy;
    ASSERT_EQ(CoRegisterMallocSpy(&spy), S_OK);
    wchar_t* text = nullptr;
    {
        CoTaskMem<wchar_t> clsid;
        ASSERT_EQ(StringFromCLSID(kStdFont, clsid.put()), S_OK);
        text = clsid.get();
        EXPECT_EQ(std::wstring(text), L"{0BE35203-8F91-11CE-9DE3-00AA004BB851}");
        CoTaskMem<wchar_t> moved(std::move(clsid));
        EXPECT_FALSE(clsid);
    }
    EXPECT_EQ(CoRevokeMallocSpy(), S_OK);
    EXPECT_EQ(std::count(spy.freed.begin(), spy.freed.end(), text), 1);
}

TEST(ScopeExitTest, RunsOnceAtTheEndOfItsScopeUnlessDismissed) {
    struct Case {
        const char* name;
        bool dismiss;
        bool raise;
        int expected;
    };
    const Case cases[] = {
        {"normal end", false, false, 1},
        {"dismissed", true, false, 0},
        {"unwound by an exception", false, true, 1},
    };
    for (const Case& c : cases) {
        int runs = 0;
        try {
            ScopeExit guard([&] { ++runs; });
            if (c.dismiss) guard.Dismiss();
            if (c.raise) throw std::runtime_error("leaving");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(runs, c.expected) << c.name;
    }
}

}  // namespace
