// A module built on orvfw.dll, as a component package is: it reports what
// it sees of the framework and raises the framework's errors.
#include "framework/ui/forms.h"

namespace {
class TModulePanel : public fw::TPanel {
    FW_CLASS(TModulePanel)
public:
    explicit TModulePanel(fw::TComponent* owner) : fw::TPanel(owner) {}
};
}  // namespace

FW_IMPLEMENT_CLASS(TModulePanel, fw::TPanel, [](fw::TClassBuilder<TModulePanel>&) {})

#define MODULE_EXPORT extern "C" __declspec(dllexport)

MODULE_EXPORT fw::TApplication* ModuleApplication() { return &fw::Application; }
MODULE_EXPORT fw::TScreen* ModuleScreen() { return &fw::Screen; }
MODULE_EXPORT void ModuleRegister() { fw::RegisterClass(TModulePanel::StaticClass()); }
// The class of that name as the module's framework finds it; null when none.
MODULE_EXPORT const fw::TMetaClass* ModuleFindClass(const char* name) {
    try {
        return &fw::FindClass(name);
    } catch (const fw::Exception&) {
        return nullptr;
    }
}
// A control of the module's class on a parent of the host's.
MODULE_EXPORT fw::TWinControl* ModuleCreatePanel(fw::TWinControl* parent) {
    auto* p = new TModulePanel(parent);
    p->SetParent(parent);
    return p;
}
// Raises the framework's automation error; the host catches it.
MODULE_EXPORT void ModuleRaise() { throw fw::EOleError(E_ACCESSDENIED, "raised in the module"); }
