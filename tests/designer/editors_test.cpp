// The designer interface in process: which editor serves a property (the
// latest fitting registration, for descendants too, else the standard one
// of its kind), editors over a selection of several components, and the
// palette's pages.
#include <gtest/gtest.h>

#include "framework/design/designintf.h"

using namespace fw;

namespace {

class TGadget : public TComponent {
    FW_CLASS(TGadget)
public:
    explicit TGadget(TComponent* owner) : TComponent(owner) {}
    std::string label, title;
    int count = 0;
};
FW_IMPLEMENT_CLASS(TGadget, TComponent, [](TClassBuilder<TGadget>& b) {
    b.String("Label", [](const TGadget* g) { return g->label; }, [](TGadget* g, const std::string& v) { g->label = v; });
    b.String("Title", [](const TGadget* g) { return g->title; }, [](TGadget* g, const std::string& v) { g->title = v; });
    b.Integer("Count", [](const TGadget* g) { return g->count; }, [](TGadget* g, long long v) { g->count = static_cast<int>(v); });
})

class TBigGadget : public TGadget {
    FW_CLASS(TBigGadget)
public:
    explicit TBigGadget(TComponent* owner) : TGadget(owner) {}
};
FW_IMPLEMENT_CLASS(TBigGadget, TGadget, [](TClassBuilder<TBigGadget>&) {})

class TFirstEditor : public TStringProperty {
public:
    using TStringProperty::TStringProperty;
};
class TSecondEditor : public TStringProperty {
public:
    using TStringProperty::TStringProperty;
};

// The designer side of an editor: a selection and a count of Modified calls.
struct TestDesigner : IDesigner {
    std::vector<TComponent*> items;
    int modified = 0;
    int SelectionCount() const override { return static_cast<int>(items.size()); }
    TComponent* Selection(int i) const override { return items.at(static_cast<size_t>(i)); }
    void Modified() override { ++modified; }
};

// The class of the editor that serves a property of a class.
template <typename E>
bool Serves(const TMetaClass& mc, const std::string& prop) {
    const TPropInfo* p = mc.FindProperty(prop);
    if (!p) return false;
    std::unique_ptr<TPropertyEditor> e(GetEditorClass(*p, mc)(nullptr, p));
    return dynamic_cast<E*>(e.get()) != nullptr;
}

TEST(DesignInterface, LatestFittingRegistrationServesTheClassAndItsDescendants) {
    const TMetaClass& gadget = TGadget::StaticClass();
    const TMetaClass& big = TBigGadget::StaticClass();
    EXPECT_TRUE(Serves<TStringProperty>(gadget, "Label"));
    EXPECT_FALSE(Serves<TFirstEditor>(gadget, "Label"));
    EXPECT_TRUE(Serves<TIntegerProperty>(gadget, "Count"));

    RegisterPropertyEditor(TPropKind::String, &gadget, "Label", PropertyEditorClass<TFirstEditor>());
    EXPECT_TRUE(Serves<TFirstEditor>(gadget, "Label"));
    EXPECT_TRUE(Serves<TFirstEditor>(big, "Label"));   // a descendant
    EXPECT_FALSE(Serves<TFirstEditor>(gadget, "Title"));  // another name
    // Another kind of property of that name would not fit.
    RegisterPropertyEditor(TPropKind::Integer, &gadget, "Title", PropertyEditorClass<TSecondEditor>());
    EXPECT_TRUE(Serves<TStringProperty>(gadget, "Title"));
    EXPECT_FALSE(Serves<TSecondEditor>(gadget, "Title"));

    // A later registration for the descendant, the name in another case.
    RegisterPropertyEditor(TPropKind::String, &big, "LABEL", PropertyEditorClass<TSecondEditor>());
    EXPECT_TRUE(Serves<TSecondEditor>(big, "Label"));
    EXPECT_TRUE(Serves<TFirstEditor>(gadget, "Label"));
}

TEST(DesignInterface, EditorsWriteEverySelectedComponentAndTellTheDesignerOnce) {
    TGadget a(nullptr), b(nullptr);
    a.count = 3;
    TestDesigner sel;
    sel.items = {&a, &b};
    const TPropInfo* count = TGadget::StaticClass().FindProperty("Count");
    TIntegerProperty editor(&sel, count);
    EXPECT_EQ(editor.GetComponent(0), &a);
    EXPECT_EQ(editor.GetValue(), "3");  // the first selected
    editor.SetValue("12");
    EXPECT_EQ(a.count, 12);
    EXPECT_EQ(b.count, 12);
    EXPECT_EQ(sel.modified, 1);
    for (const char* bad : {"12x", "", "99999999999"}) {
        EXPECT_THROW(editor.SetValue(bad), Exception) << bad;
    }
    EXPECT_EQ(a.count, 12);
    EXPECT_EQ(sel.modified, 1);
    EXPECT_THROW(editor.GetComponent(2), EComponentError);
    sel.items.clear();
    EXPECT_THROW(editor.GetValue(), EComponentError);
}

TEST(DesignInterface, PalettePagesKeepTheirOrderAndTheClassesAreRegistered) {
    size_t before = PaletteEntries().size();
    RegisterComponents("Gadgets", {&TGadget::StaticClass()});
    RegisterComponents("More gadgets", {&TBigGadget::StaticClass(), &TGadget::StaticClass()});
    ASSERT_EQ(PaletteEntries().size(), before + 2);
    EXPECT_EQ(PaletteEntries()[before].Page, "Gadgets");
    EXPECT_EQ(PaletteEntries()[before].ComponentClass, &TGadget::StaticClass());
    EXPECT_EQ(PaletteEntries()[before + 1].Page, "More gadgets");
    EXPECT_EQ(GetClass("tbiggadget"), &TBigGadget::StaticClass());
    EXPECT_THROW(RegisterComponents("", {&TGadget::StaticClass()}), EComponentError);
}

}  // namespace
