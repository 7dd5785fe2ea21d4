#include "framework/design/designintf.h"

#include <cstdint>
#include <cstdlib>

#include "framework/base/colors.h"

namespace fw {

// --- TPropertyEditor ---------------------------------------------------------

TPropertyEditor::TPropertyEditor(IDesigner* designer, const TPropInfo* prop) : designer_(designer), prop_(prop) {}

TPropertyAttributes TPropertyEditor::GetAttributes() { return 0; }

std::string TPropertyEditor::GetValue() { return {}; }

void TPropertyEditor::SetValue(const std::string&) {}

void TPropertyEditor::GetValues(const std::function<void(const std::string&)>&) {}

void TPropertyEditor::Edit() {}

int TPropertyEditor::PropCount() const { return designer_ ? designer_->SelectionCount() : 0; }

TComponent* TPropertyEditor::GetComponent(int index) const {
    if (index < 0 || index >= PropCount())
        throw EComponentError("No selected component at index " + IntToStr(index));
    return designer_->Selection(index);
}

void TPropertyEditor::Modified() {
    if (designer_) designer_->Modified();
}

std::string TPropertyEditor::GetStrValue() const { return prop_->GetStr(GetComponent(0)); }

long long TPropertyEditor::GetOrdValue() const { return prop_->GetOrd(GetComponent(0)); }

// Writes each selected component that has this very property (a selection
// may mix classes); the designer hears of it once.
void TPropertyEditor::SetStrValue(const std::string& v) {
    for (int i = 0; i < PropCount(); ++i) {
        TComponent* c = GetComponent(i);
        if (FindProperty(c, prop_->Name) == prop_) prop_->SetStr(c, v);
    }
    Modified();
}

void TPropertyEditor::SetOrdValue(long long v) {
    for (int i = 0; i < PropCount(); ++i) {
        TComponent* c = GetComponent(i);
        if (FindProperty(c, prop_->Name) == prop_) prop_->SetOrd(c, v);
    }
    Modified();
}

// --- the standard editors ------------------------------------------------------

std::string TIntegerProperty::GetValue() {
    long long v = GetOrdValue();
    return GetPropInfo().ColorValue ? ColorToString(static_cast<TColor>(v)) : IntToStr(v);
}

void TIntegerProperty::SetValue(const std::string& v) {
    TColor color = 0;
    if (GetPropInfo().ColorValue && StringToColor(v, color)) return SetOrdValue(color);
    // The whole text must be a number in the 32-bit range.
    const char* begin = v.c_str();
    while (*begin == ' ') ++begin;
    char* end = nullptr;
    long long n = std::strtoll(begin, &end, 10);
    while (end && *end == ' ') ++end;
    if (!*begin || !end || *end || n < INT32_MIN || n > INT32_MAX)
        throw Exception("'" + v + "' is not a valid integer value");
    SetOrdValue(n);
}

std::string TEnumProperty::GetValue() { return GetPropInfo().NameOfOrd(GetOrdValue()); }

void TEnumProperty::SetValue(const std::string& v) { SetOrdValue(GetPropInfo().OrdOfName(v)); }

void TEnumProperty::GetValues(const std::function<void(const std::string&)>& proc) {
    for (const auto& n : GetPropInfo().Names) proc(n);
}

std::string TSetProperty::GetValue() { return GetPropInfo().SetToText(GetOrdValue()); }

void TSetProperty::SetValue(const std::string& v) {
    // The property table reads set texts; write through it per component.
    for (int i = 0; i < PropCount(); ++i) {
        TComponent* c = GetComponent(i);
        if (FindProperty(c, GetName()) == &GetPropInfo()) SetEnumProp(c, GetName(), v);
    }
    Modified();
}

std::string TComponentProperty::GetValue() {
    TComponent* r = GetPropInfo().GetComp(GetComponent(0));
    return r ? r->Name() : std::string();
}

namespace {
// The component a reference may name: the form (the owner of the selected
// component) or one of the components it owns.
TComponent* RootOf(TComponent* c) { return c->Owner() ? c->Owner() : c; }
}  // namespace

void TComponentProperty::SetValue(const std::string& v) {
    TComponent* target = nullptr;
    if (!v.empty()) {
        TComponent* root = RootOf(GetComponent(0));
        target = SameText(root->Name(), v) ? root : root->FindComponent(v);
        if (!target) throw Exception("Invalid property value: no component named " + v);
    }
    for (int i = 0; i < PropCount(); ++i) {
        TComponent* c = GetComponent(i);
        if (FindProperty(c, GetName()) == &GetPropInfo()) GetPropInfo().SetComp(c, target);
    }
    Modified();
}

void TComponentProperty::GetValues(const std::function<void(const std::string&)>& proc) {
    TComponent* self = GetComponent(0);
    TComponent* root = RootOf(self);
    const TMetaClass* want = GetPropInfo().CompClass;
    proc("");
    auto offer = [&](TComponent* c) {
        if (c != self && !c->Name().empty() && (!want || c->ClassType().InheritsFrom(*want))) proc(c->Name());
    };
    offer(root);
    for (int i = 0; i < root->ComponentCount(); ++i) offer(root->Components(i));
}

std::string TWideStringProperty::GetValue() {
    return WideToAnsi(GetPropInfo().GetWStr(GetComponent(0)));
}

void TWideStringProperty::SetValue(const std::string& v) {
    std::wstring w = AnsiToWide(v);
    for (int i = 0; i < PropCount(); ++i) {
        TComponent* c = GetComponent(i);
        if (FindProperty(c, GetName()) == &GetPropInfo()) GetPropInfo().SetWStr(c, w);
    }
    Modified();
}

std::string TReadOnlyProperty::GetValue() {
    const TPropInfo& p = GetPropInfo();
    TComponent* c = GetComponent(0);
    switch (p.Kind) {
        case TPropKind::Strings: {
            std::string s;
            for (const auto& item : p.GetList(c)) s += (s.empty() ? "" : ", ") + item;
            return "(" + s + ")";
        }
        case TPropKind::Event: return p.GetMethod(c).Name;
        default: return {};
    }
}

// --- the editor registry ---------------------------------------------------------

namespace {
struct EditorEntry {
    TPropKind kind;
    const TMetaClass* componentClass;
    std::string propertyName;
    TPropertyEditorClass editorClass;
};

// Never freed: the designer may look editors up during static destruction.
std::vector<EditorEntry>& Editors() {
    static auto* e = new std::vector<EditorEntry>;
    return *e;
}

std::vector<TPaletteEntry>& Palette() {
    static auto* p = new std::vector<TPaletteEntry>;
    return *p;
}
}  // namespace

void RegisterPropertyEditor(TPropKind propertyType, const TMetaClass* componentClass,
                            const std::string& propertyName, TPropertyEditorClass editorClass) {
    if (!editorClass) throw EComponentError("RegisterPropertyEditor: no editor class for " + propertyName);
    Editors().push_back(EditorEntry{propertyType, componentClass, propertyName, std::move(editorClass)});
}

TPropertyEditorClass GetEditorClass(const TPropInfo& prop, const TMetaClass& componentClass) {
    const auto& list = Editors();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (it->kind != prop.Kind) continue;
        if (it->componentClass && !componentClass.InheritsFrom(*it->componentClass)) continue;
        if (!it->propertyName.empty() && !SameText(it->propertyName, prop.Name)) continue;
        return it->editorClass;
    }
    switch (prop.Kind) {
        case TPropKind::String: return PropertyEditorClass<TStringProperty>();
        case TPropKind::WideString: return PropertyEditorClass<TWideStringProperty>();
        case TPropKind::Integer: return PropertyEditorClass<TIntegerProperty>();
        case TPropKind::Boolean:
        case TPropKind::Enumeration: return PropertyEditorClass<TEnumProperty>();
        case TPropKind::Set: return PropertyEditorClass<TSetProperty>();
        case TPropKind::Component: return PropertyEditorClass<TComponentProperty>();
        case TPropKind::Event:
        case TPropKind::Strings: break;
    }
    return PropertyEditorClass<TReadOnlyProperty>();
}

// --- the palette -------------------------------------------------------------------

void RegisterComponents(const std::string& page, const std::vector<const TMetaClass*>& classes) {
    if (page.empty()) throw EComponentError("RegisterComponents: the palette page has no name");
    for (const TMetaClass* mc : classes) {
        if (!mc) continue;
        RegisterClass(*mc);
        bool known = false;
        for (const auto& e : Palette()) known = known || e.ComponentClass == mc;
        if (!known) Palette().push_back(TPaletteEntry{page, mc});
    }
}

void RegisterComponents(const std::string& page, std::initializer_list<const TMetaClass*> classes) {
    RegisterComponents(page, std::vector<const TMetaClass*>(classes));
}

const std::vector<TPaletteEntry>& PaletteEntries() { return Palette(); }

}  // namespace fw
