// The designer's own controls over system window classes: TDropList (a
// drop-down-list COMBOBOX), TTabStrip (a tab control) and TToolButton (a
// push-like check button with a bitmap).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/ui/forms.h"

namespace orvd {

using namespace fw;

// The one-line text field is the framework's own.
using TEditField = TEdit;

// A drop-down list of texts; OnChange runs when the user picks an item.
class TDropList : public TWinControl {
    FW_CLASS(TDropList)
public:
    explicit TDropList(TComponent* owner);
    void SetItems(const std::vector<std::string>& items);
    const std::vector<std::string>& Items() const { return items_; }
    int ItemIndex() const;
    void SetItemIndex(int i);
    std::string Text() const;  // the picked item, or empty
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& p) override;
    void InitWnd() override;
    void Command(WORD code) override;

private:
    void Fill();
    std::vector<std::string> items_;
    int itemIndex_ = -1;
};

// A row of tabs; OnChange runs when the user picks another tab.
class TTabStrip : public TWinControl {
    FW_CLASS(TTabStrip)
public:
    explicit TTabStrip(TComponent* owner);
    void SetTabs(const std::vector<std::string>& tabs);
    int TabIndex() const;
    void SetTabIndex(int i);
    // The area below the tabs, in this control's client coordinates.
    RECT DisplayRect();
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& p) override;
    void InitWnd() override;
    LRESULT Notify(const NMHDR& header) override;

private:
    void Fill();
    std::vector<std::string> tabs_;
    int tabIndex_ = 0;
};

// A push-like button that stays down while Down; shows a bitmap when it has
// one (its text, the window text, is then the hint's), else its caption.
class TToolButton : public TWinControl {
    FW_CLASS(TToolButton)
public:
    explicit TToolButton(TComponent* owner);
    bool Down() const { return down_; }
    void SetDown(bool v);
    void SetBitmap(HBITMAP bmp);  // not owned

protected:
    void CreateParams(TCreateParams& p) override;
    void InitWnd() override;
    void Command(WORD code) override;

private:
    bool down_ = false;
    HBITMAP bitmap_ = nullptr;
};

}  // namespace orvd
