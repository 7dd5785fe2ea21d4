// The COM kit on real COM objects: ComPtr's references, query and
// try_query; Bstr and Variant as owners and converters; ComObject's
// reference count; ComGuard turning what a method raises into its HRESULT.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "framework/base/com.h"

using namespace fw;

namespace {

// The references an object has now (AddRef and Release report them).
template <typename I>
ULONG Refs(I* p) {
    p->AddRef();
    return p->Release();
}

ComPtr<IStream> NewStream() {
    ComPtr<IStream> s;
    CheckHr(CreateStreamOnHGlobal(nullptr, TRUE, s.put()), "CreateStreamOnHGlobal");
    return s;
}

TEST(ComPtrTest, CopiesTakeAReferenceMovesHandItOn) {
    ComPtr<IStream> s = NewStream();
    IStream* raw = s.get();
    ASSERT_EQ(Refs(raw), 1u);
    {
        ComPtr<IStream> copy = s;
        EXPECT_EQ(Refs(raw), 2u);
        ComPtr<IStream> moved = std::move(copy);
        EXPECT_FALSE(copy);
        EXPECT_EQ(Refs(raw), 2u);
        moved = s;  // the same object again: no reference lost or gained
        EXPECT_EQ(Refs(raw), 2u);
    }
    EXPECT_EQ(Refs(raw), 1u);
    ComPtr<IStream> taken = ComPtr<IStream>::from(raw);
    EXPECT_EQ(Refs(raw), 2u);
    IStream* detached = taken.detach();
    EXPECT_EQ(Refs(raw), 2u);
    ComPtr<IStream>::attach(detached);  // takes that reference back and lets it go
    EXPECT_EQ(Refs(raw), 1u);
}

TEST(ComPtrTest, QueryRaisesTryQueryAnswersEmpty) {
    ComPtr<IStream> s = NewStream();
    ComPtr<ISequentialStream> seq = s.query<ISequentialStream>();
    ASSERT_TRUE(seq);
    EXPECT_EQ(Refs(s.get()), 2u);
    EXPECT_TRUE(s.try_query<IUnknown>());
    EXPECT_FALSE(s.try_query<IDispatch>());
    try {
        s.query<IDispatch>();
        FAIL() << "a stream offers no IDispatch";
    } catch (const EIntfCastError& e) {
        EXPECT_EQ(e.Result(), E_NOINTERFACE);
    }
    ComPtr<IStream> empty;
    EXPECT_FALSE(empty.try_query<IUnknown>());
    EXPECT_THROW(empty.query<IUnknown>(), EIntfCastError);
}

TEST(BstrTest, OwnsItsStringAndCopiesByValue) {
    Bstr a(std::string("Lumadesk caf\xe9"));
    EXPECT_EQ(a.Length(), 13u);
    EXPECT_EQ(a.Wide(), L"Lumadesk caf\u00e9");
    EXPECT_EQ(a.Ansi(), "Lumadesk caf\xe9");
    Bstr copy = a;
    EXPECT_NE(copy.get(), a.get());
    EXPECT_EQ(copy.Wide(), a.Wide());
    Bstr moved = std::move(copy);
    EXPECT_EQ(copy.get(), nullptr);
    EXPECT_EQ(moved.Wide(), a.Wide());
    Bstr empty;
    EXPECT_EQ(empty.Length(), 0u);
    EXPECT_EQ(empty.Ansi(), "");
    Bstr owned = Bstr::attach(SysAllocString(L"x"));
    EXPECT_EQ(owned.Wide(), L"x");
}

TEST(VariantTest, ConvertsByThePlatformsRules) {
    struct Case {
        const char* name;
        Variant value;
        VARTYPE type;
        std::string text;
        int number;
        bool truth;
    };
    const Case cases[] = {
        {"integer", Variant(42), VT_I4, "42", 42, true},
        {"true", Variant(true), VT_BOOL, "True", -1, true},
        {"false", Variant(false), VT_BOOL, "False", 0, false},
        {"digits", Variant("17"), VT_BSTR, "17", 17, true},
        {"wide", Variant(L"-3"), VT_BSTR, "-3", -3, true},
        {"empty", Variant(), VT_EMPTY, "", 0, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.value.Type(), c.type) << c.name;
        EXPECT_EQ(c.value.ToString(), c.text) << c.name;
        EXPECT_EQ(c.value.ToInt(), c.number) << c.name;
        EXPECT_EQ(c.value.ToBool(), c.truth) << c.name;
        EXPECT_FALSE(c.value.ToDispatch()) << c.name;
    }
    try {
        Variant("not a number").ToInt();
        FAIL() << "converted";
    } catch (const EOleError& e) {
        EXPECT_EQ(e.Result(), DISP_E_TYPEMISMATCH);
    }
}

TEST(VariantTest, HoldsAReferenceToItsObject) {
    ComPtr<IStream> s = NewStream();
    {
        VARIANT raw;
        VariantInit(&raw);
        raw.vt = VT_UNKNOWN;
        raw.punkVal = s.get();
        Variant v(raw);  // a copy: a reference of its own
        EXPECT_EQ(Refs(s.get()), 2u);
        Variant copy = v;
        EXPECT_EQ(Refs(s.get()), 3u);
        copy.Clear();
        EXPECT_EQ(copy.Type(), VT_EMPTY);
        EXPECT_EQ(Refs(s.get()), 2u);
        EXPECT_FALSE(v.ToDispatch()) << "a stream is no automation object";
    }
    EXPECT_EQ(Refs(s.get()), 1u);
}

// A COM object of ours: it lives while referenced and knows its interfaces.
class TestPersist final : public ComObject<IPersist> {
public:
    explicit TestPersist(bool* gone) : gone_(gone) {}
    ~TestPersist() override { *gone_ = true; }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override {
        return ComGuard([&] {
            if (!id) throw EOleError(E_POINTER, "GetClassID");
            *id = CLSID_NULL;
            return S_OK;
        });
    }

private:
    bool* gone_;
};

TEST(ComObjectTest, AnswersItsInterfacesAndGoesWithTheLastReference) {
    bool gone = false;
    {
        ComPtr<TestPersist> obj = MakeCom<TestPersist>(&gone);
        EXPECT_EQ(Refs(obj.get()), 1u);
        ComPtr<IUnknown> unknown = obj.query<IUnknown>();
        ComPtr<IPersist> persist = unknown.query<IPersist>();
        EXPECT_EQ(Refs(obj.get()), 3u);
        EXPECT_FALSE(unknown.try_query<IStream>());
        CLSID id = IID_IStream;  // anything but the answer
        EXPECT_EQ(persist->GetClassID(&id), S_OK);
        EXPECT_TRUE(IsEqualCLSID(id, CLSID_NULL));
        EXPECT_EQ(persist->GetClassID(nullptr), E_POINTER);
        EXPECT_FALSE(gone);
    }
    EXPECT_TRUE(gone);
}

TEST(ComGuardTest, WhatTheBodyRaisesBecomesItsHresult) {
    struct Case {
        const char* name;
        std::function<HRESULT()> body;
        HRESULT expected;
    };
    const Case cases[] = {
        {"its own result", [] { return S_FALSE; }, S_FALSE},
        {"an automation error", []() -> HRESULT { throw EOleError(E_ACCESSDENIED, "denied"); }, E_ACCESSDENIED},
        {"an interface missing", []() -> HRESULT { throw EIntfCastError("none"); }, E_NOINTERFACE},
        {"an error with a success code", []() -> HRESULT { throw EOleError(S_FALSE, "odd"); }, E_FAIL},
        {"memory exhausted", []() -> HRESULT { throw std::bad_alloc(); }, E_OUTOFMEMORY},
        {"the framework's error", []() -> HRESULT { throw Exception("broken"); }, E_FAIL},
        {"anything else", []() -> HRESULT { throw 7; }, E_FAIL},
    };
    for (const Case& c : cases) EXPECT_EQ(ComGuard(c.body), c.expected) << c.name;
}

}  // namespace
