// The form designer's interface for component packages: the palette
// (RegisterComponents), property editors (TPropertyEditor, the standard
// editors per property kind, RegisterPropertyEditor, GetEditorClass) and the
// designer a property editor talks to (IDesigner: the selection, Modified).
//
// A package is a DLL that links the framework's DLL form and exports
//     extern "C" __declspec(dllexport) void Register();
// which the designer calls once after loading it; Register calls
// RegisterComponents and RegisterPropertyEditor.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "framework/base/classes.h"

namespace fw {

// What the designer offers a property editor: the components selected
// (index 0 is the first selected) and the note that the form changed.
class IDesigner {
public:
    virtual ~IDesigner() = default;
    virtual int SelectionCount() const = 0;
    virtual TComponent* Selection(int index) const = 0;
    virtual void Modified() = 0;
};

// How the inspector offers a property:
//   paValueList  a drop-down list of the values GetValues gives
//   paDialog     an ellipsis button that calls Edit; the text stays editable
//   paReadOnly   the value is shown but cannot be typed over
enum TPropertyAttribute : unsigned {
    paValueList = 1u << 0,
    paDialog = 1u << 1,
    paReadOnly = 1u << 2,
    paSortList = 1u << 3,
};
using TPropertyAttributes = unsigned;

// Edits one published property of the components the designer has selected.
// The designer makes an editor per property shown and frees it when the
// selection changes.  GetValue reads the first selected component; SetValue
// and the Set...Value helpers write every selected component that has the
// property and then call Modified.
class TPropertyEditor : public TObject {
public:
    TPropertyEditor(IDesigner* designer, const TPropInfo* prop);
    TPropertyEditor(const TPropertyEditor&) = delete;
    TPropertyEditor& operator=(const TPropertyEditor&) = delete;

    virtual TPropertyAttributes GetAttributes();
    virtual std::string GetValue();
    virtual void SetValue(const std::string& value);
    // The values of a paValueList property, in order.
    virtual void GetValues(const std::function<void(const std::string&)>& proc);
    // Called by the inspector's ellipsis button (paDialog).
    virtual void Edit();

    const std::string& GetName() const { return prop_->Name; }
    const TPropInfo& GetPropInfo() const { return *prop_; }
    IDesigner* Designer() const { return designer_; }
    // The selected component at index (0: the first selected);
    // EComponentError when there is none at that index.
    TComponent* GetComponent(int index) const;
    int PropCount() const;
    // Tells the designer that the form changed.
    void Modified();

protected:
    std::string GetStrValue() const;
    void SetStrValue(const std::string& v);
    long long GetOrdValue() const;
    void SetOrdValue(long long v);

private:
    IDesigner* designer_;
    const TPropInfo* prop_;
};

// The standard editors, one per property kind.
class TStringProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    std::string GetValue() override { return GetStrValue(); }
    void SetValue(const std::string& v) override { SetStrValue(v); }
};

// Integers; a colour-valued one shows and takes colour names too.
class TIntegerProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    std::string GetValue() override;
    void SetValue(const std::string& v) override;
};

// Enumerations and booleans: a drop-down list of the value names.
class TEnumProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return paValueList; }
    std::string GetValue() override;
    void SetValue(const std::string& v) override;
    void GetValues(const std::function<void(const std::string&)>& proc) override;
};

// Sets, as their resource text: [akLeft, akTop].
class TSetProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    std::string GetValue() override;
    void SetValue(const std::string& v) override;
};

// A reference to another component of the form: a drop-down list of the
// form's components of the property's class.
class TComponentProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return paValueList | paSortList; }
    std::string GetValue() override;
    void SetValue(const std::string& v) override;
    void GetValues(const std::function<void(const std::string&)>& proc) override;
};

// Wide strings, shown in the system's ANSI code page.
class TWideStringProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    std::string GetValue() override;
    void SetValue(const std::string& v) override;
};

// What the inspector shows but does not edit (lists of texts, handlers).
class TReadOnlyProperty : public TPropertyEditor {
public:
    using TPropertyEditor::TPropertyEditor;
    TPropertyAttributes GetAttributes() override { return paReadOnly; }
    std::string GetValue() override;
};

// An editor class: makes an editor for a designer and a property.
using TPropertyEditorClass = std::function<TPropertyEditor*(IDesigner*, const TPropInfo*)>;

template <typename E>
TPropertyEditorClass PropertyEditorClass() {
    return [](IDesigner* d, const TPropInfo* p) -> TPropertyEditor* { return new E(d, p); };
}

// Makes editorClass the editor for the properties of that kind and (when
// given) that name, of componentClass and its descendants (null: of every
// class).  Among the registrations that fit a property the latest wins;
// without one, the standard editor of the property's kind serves.
void RegisterPropertyEditor(TPropKind propertyType, const TMetaClass* componentClass,
                            const std::string& propertyName, TPropertyEditorClass editorClass);
// The editor class for a property of a component of class componentClass.
TPropertyEditorClass GetEditorClass(const TPropInfo& prop, const TMetaClass& componentClass);

// One component class on the palette, on its page, as registered.
struct TPaletteEntry {
    std::string Page;
    const TMetaClass* ComponentClass;
};

// Puts the classes on the named palette page (after those already there)
// and registers them with the class registry, so that form resources find
// them.  A class already on the palette keeps its first place.
void RegisterComponents(const std::string& page, std::initializer_list<const TMetaClass*> classes);
void RegisterComponents(const std::string& page, const std::vector<const TMetaClass*>& classes);
// Every palette entry, in registration order.
const std::vector<TPaletteEntry>& PaletteEntries();

}  // namespace fw
