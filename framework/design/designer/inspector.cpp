#include "framework/design/designer/inspector.h"

namespace orvd {

FW_IMPLEMENT_CLASS(TInspector, TCustomPanel, [](TClassBuilder<TInspector>&) {})

namespace {
const int kRowHeight = 22;
const int kNameWidth = 112;
const int kDotsWidth = 22;
}  // namespace

TInspector::TInspector(TComponent* owner) : TCustomPanel(owner) {
    SetBevelOuter(bvLowered);
    width_ = 270;
    height_ = 400;
}

TInspector::~TInspector() { rows_.clear(); }

void TInspector::Clear() {
    for (auto& r : rows_) {
        for (TControl* c : std::initializer_list<TControl*>{r->name, r->edit, r->list, r->dots})
            if (c) c->Free();
    }
    rows_.clear();
}

void TInspector::Inspect(IDesigner* designer) {
    DisableAlign();
    Clear();
    if (designer && designer->SelectionCount() > 0) {
        TComponent* first = designer->Selection(0);
        int top = 4;
        for (const TPropInfo* p : GetPropList(first)) {
            // Handlers are bound in code; the inspector shows properties only.
            if (p->Kind == TPropKind::Event) continue;
            auto row = std::make_unique<Row>();
            row->editor.reset(GetEditorClass(*p, first->ClassType())(designer, p));
            Row* r = row.get();
            TPropertyAttributes attrs = r->editor->GetAttributes();
            r->name = new TLabel(this);
            r->name->SetAutoSize(false);
            r->name->SetCaption(p->Name);
            r->name->SetBounds(6, top + 3, kNameWidth - 8, kRowHeight - 6);
            r->name->SetShowAccelChar(false);
            r->name->SetParent(this);
            int valueWidth = width_ - kNameWidth - 6 - ((attrs & paDialog) ? kDotsWidth : 0);
            if (attrs & paValueList) {
                r->list = new TDropList(this);
                std::vector<std::string> values;
                r->editor->GetValues([&](const std::string& v) { values.push_back(v); });
                r->list->SetItems(values);
                r->list->SetBounds(kNameWidth, top, valueWidth, 240);
                r->list->OnChange = [this, r](TObject*) { Commit(*r, r->list->Text()); };
                r->list->SetParent(this);
            } else {
                r->edit = new TEditField(this);
                r->edit->SetReadOnly((attrs & paReadOnly) != 0);
                r->edit->SetBounds(kNameWidth, top, valueWidth, kRowHeight - 1);
                r->edit->OnExit = [this, r](TObject*) { Commit(*r, r->edit->Text()); };
                r->edit->SetParent(this);
            }
            if (attrs & paDialog) {
                r->dots = new TButton(this);
                r->dots->SetCaption("...");
                r->dots->SetTabStop(false);
                r->dots->SetBounds(kNameWidth + valueWidth, top, kDotsWidth, kRowHeight - 1);
                r->dots->OnClick = [this, r](TObject*) {
                    // What Edit raises is reported by the application; the
                    // values are shown afresh either way.
                    try {
                        r->editor->Edit();
                    } catch (...) {
                        Refresh();
                        throw;
                    }
                    Refresh();
                };
                r->dots->SetParent(this);
            }
            ShowValue(*r);
            rows_.push_back(std::move(row));
            top += kRowHeight;
        }
    }
    EnableAlign();
}

void TInspector::ShowValue(Row& r) {
    std::string v;
    try {
        v = r.editor->GetValue();
    } catch (const std::exception& e) {
        v = std::string("(") + e.what() + ")";
    }
    r.shown = v;
    if (r.edit) r.edit->SetText(v);
    if (r.list) {
        const auto& items = r.list->Items();
        int index = -1;
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == v) index = static_cast<int>(i);
        r.list->SetItemIndex(index);
    }
}

void TInspector::Refresh() {
    for (auto& r : rows_) ShowValue(*r);
}

void TInspector::Commit(Row& r, const std::string& text) {
    // The error box that a failing setter opens takes the focus from the
    // field: that must not commit the same text again.
    if (committing_ || text == r.shown) return;
    try {
        committing_ = true;
        ScopeExit done([this] { committing_ = false; });
        r.editor->SetValue(text);
    } catch (...) {
        Refresh();
        throw;
    }
    Refresh();
}

void TInspector::CommitPending() {
    HWND focus = GetFocus();
    if (focus) CommitField(focus);
}

bool TInspector::CommitField(HWND field) {
    for (auto& r : rows_)
        if (r->edit && r->edit->HandleValue() == field) {
            if (!r->edit->ReadOnly()) Commit(*r, r->edit->Text());
            return true;
        }
    return false;
}

}  // namespace orvd
