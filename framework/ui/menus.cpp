#include "framework/ui/menus.h"

#include <algorithm>

namespace fw {

// --- TMenuItem ----------------------------------------------------------------

FW_IMPLEMENT_CLASS(TMenuItem, TComponent, [](TClassBuilder<TMenuItem>& b) {
    b.String("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
    b.Boolean("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked, false);
    b.Boolean("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled, true);
    b.String("Hint", &TMenuItem::Hint, &TMenuItem::SetHint, "");
    b.Integer("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut, 0);
    b.Boolean("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible, true);
    b.Event("OnClick", &TMenuItem::OnClick);
})

namespace {
const TClassRegistration kRegistered{&TMenuItem::StaticClass};
}  // namespace

TMenuItem::~TMenuItem() {
    while (!items_.empty()) {
        TMenuItem* i = items_.back();
        items_.pop_back();
        i->parent_ = nullptr;
        i->Free();
    }
    if (parent_) parent_->Remove(this);
}

void TMenuItem::Add(TMenuItem* item) {
    if (item->parent_) item->parent_->Remove(item);
    items_.push_back(item);
    item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
    items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
    if (item->parent_ == this) item->parent_ = nullptr;
}

void TMenuItem::SetParentComponent(TComponent* p) {
    if (auto* m = dynamic_cast<TMenuItem*>(p)) m->Add(this);
}

void TMenuItem::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const {
    for (TMenuItem* i : items_)
        if (i->Owner() == root) proc(i);
}

}  // namespace fw
