// TMenuItem: a menu entry with its sub-items.  A component without a window
// of its own, below the controls: a control's PopupMenu refers to one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/base/classes.h"

namespace fw {

// A menu entry: caption, hint, keyboard shortcut (the low 16 bits: virtual
// key and modifier bits), its sub-items.
using TShortCut = std::uint16_t;
class TMenuItem : public TComponent {
    FW_CLASS(TMenuItem)
public:
    explicit TMenuItem(TComponent* owner) : TComponent(owner) {}
    ~TMenuItem() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c) { caption_ = c; }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& h) { hint_ = h; }
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut s) { shortCut_ = s; }
    bool Checked() const { return checked_; }
    void SetChecked(bool v) { checked_ = v; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool v) { enabled_ = v; }
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int i) const { return items_.at(static_cast<size_t>(i)); }
    TMenuItem* Parent() const { return parent_; }
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);

    TNotifyEvent OnClick;
    virtual void Click() { OnClick(this); }

    void SetParentComponent(TComponent* p) override;
    TComponent* GetParentComponent() const override { return parent_; }
    bool HasParent() const override { return parent_ != nullptr; }
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;

private:
    std::string caption_, hint_;
    TShortCut shortCut_ = 0;
    bool checked_ = false, enabled_ = true, visible_ = true;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_;
};

}  // namespace fw
