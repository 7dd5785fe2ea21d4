// A host program and a module that both load orvfw.dll: one framework.
#include <gtest/gtest.h>

#include "framework/base/handles.h"
#include "framework/ui/forms.h"

using namespace fw;

namespace {

class THostPanel : public TPanel {
    FW_CLASS(THostPanel)
public:
    explicit THostPanel(TComponent* owner) : TPanel(owner) {}
};

}  // namespace

FW_IMPLEMENT_CLASS(THostPanel, TPanel, [](TClassBuilder<THostPanel>&) {})

namespace {

class SharedFramework : public ::testing::Test {
protected:
    void SetUp() override {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string dir(path);
        dir.resize(dir.find_last_of('\\') + 1);
        module.reset(LoadLibraryA((dir + "fwmodule.dll").c_str()));
        ASSERT_TRUE(module) << GetLastError();
    }
    template <typename F>
    F Entry(const char* name) {
        FARPROC p = GetProcAddress(module.get(), name);
        EXPECT_NE(p, nullptr) << name;
        return reinterpret_cast<F>(reinterpret_cast<void*>(p));
    }
    UniqueModule module;
};

TEST_F(SharedFramework, OneApplicationScreenAndClassRegistry) {
    EXPECT_EQ(Entry<TApplication* (*)()>("ModuleApplication")(), &Application);
    EXPECT_EQ(Entry<TScreen* (*)()>("ModuleScreen")(), &Screen);

    auto find = Entry<const TMetaClass* (*)(const char*)>("ModuleFindClass");
    EXPECT_EQ(find("THostPanel"), nullptr);
    RegisterClass(THostPanel::StaticClass());
    EXPECT_EQ(find("THostPanel"), &THostPanel::StaticClass());
    Entry<void (*)()>("ModuleRegister")();
    EXPECT_EQ(&FindClass("TModulePanel"), find("TModulePanel"));
    EXPECT_TRUE(FindClass("TModulePanel").InheritsFrom(TPanel::StaticClass()));
}

TEST_F(SharedFramework, ExceptionsCrossTheModuleBoundary) {
    try {
        Entry<void (*)()>("ModuleRaise")();
        FAIL() << "no exception";
    } catch (const EOleError& e) {
        EXPECT_EQ(e.Result(), E_ACCESSDENIED);
        EXPECT_NE(e.Message().find("raised in the module"), std::string::npos) << e.Message();
    }
}

TEST_F(SharedFramework, WindowClassesBelongToTheFrameworkModule) {
    HMODULE fw = GetModuleHandleA("orvfw.dll");
    ASSERT_NE(fw, nullptr);
    EXPECT_EQ(FrameworkInstance(), fw);
    auto* form = new TForm(nullptr);
    auto* mine = new THostPanel(form);
    mine->SetParent(form);
    TWinControl* theirs = Entry<TWinControl* (*)(TWinControl*)>("ModuleCreatePanel")(form);
    form->Show();
    for (TWinControl* c : {static_cast<TWinControl*>(form), static_cast<TWinControl*>(mine), theirs}) {
        HWND h = c->HandleValue();
        ASSERT_NE(h, nullptr) << c->ClassName();
        EXPECT_EQ(reinterpret_cast<HMODULE>(GetClassLongPtrA(h, GCLP_HMODULE)), fw) << c->ClassName();
        EXPECT_EQ(TWinControl::FromHandle(h), c) << c->ClassName();
    }
    EXPECT_EQ(theirs->Parent(), form);
    form->Free();
}

}  // namespace
