#include "framework/design/designer/widgets.h"

#include <commctrl.h>

namespace orvd {

// None of these streams: they are the designer's own furniture.
FW_IMPLEMENT_CLASS(TDropList, TWinControl, [](TClassBuilder<TDropList>&) {})
FW_IMPLEMENT_CLASS(TTabStrip, TWinControl, [](TClassBuilder<TTabStrip>&) {})
FW_IMPLEMENT_CLASS(TToolButton, TWinControl, [](TClassBuilder<TToolButton>&) {})

// --- TDropList ----------------------------------------------------------------

TDropList::TDropList(TComponent* owner) : TWinControl(owner) {
    width_ = 120;
    height_ = 240;  // with the list dropped down
    tabStop_ = true;
    color_ = clWindow;
}

void TDropList::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = "COMBOBOX";
    p.OwnClass = false;
    p.Style |= CBS_DROPDOWNLIST | WS_VSCROLL;
}

void TDropList::InitWnd() {
    TWinControl::InitWnd();
    Fill();
}

void TDropList::Fill() {
    if (!handle_) return;
    SendMessageA(handle_, CB_RESETCONTENT, 0, 0);
    for (const auto& s : items_) SendMessageA(handle_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
    SendMessageA(handle_, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
}

void TDropList::SetItems(const std::vector<std::string>& items) {
    items_ = items;
    if (itemIndex_ >= static_cast<int>(items_.size())) itemIndex_ = -1;
    Fill();
}

int TDropList::ItemIndex() const {
    if (!handle_) return itemIndex_;
    return static_cast<int>(SendMessageA(handle_, CB_GETCURSEL, 0, 0));
}

void TDropList::SetItemIndex(int i) {
    itemIndex_ = i >= 0 && i < static_cast<int>(items_.size()) ? i : -1;
    if (handle_) SendMessageA(handle_, CB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
}

std::string TDropList::Text() const {
    int i = ItemIndex();
    return i >= 0 && i < static_cast<int>(items_.size()) ? items_[static_cast<size_t>(i)] : std::string();
}

void TDropList::Command(WORD code) {
    if (code != CBN_SELCHANGE) return;
    itemIndex_ = ItemIndex();
    OnChange(this);
}

// --- TTabStrip ----------------------------------------------------------------

TTabStrip::TTabStrip(TComponent* owner) : TWinControl(owner) {
    width_ = 400;
    height_ = 60;
}

void TTabStrip::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = WC_TABCONTROLA;
    p.OwnClass = false;
    p.Style |= WS_CLIPCHILDREN;
}

void TTabStrip::InitWnd() {
    TWinControl::InitWnd();
    Fill();
}

void TTabStrip::Fill() {
    if (!handle_) return;
    SendMessageA(handle_, TCM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < tabs_.size(); ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(tabs_[i].c_str());
        SendMessageA(handle_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(handle_, TCM_SETCURSEL, static_cast<WPARAM>(tabIndex_), 0);
}

void TTabStrip::SetTabs(const std::vector<std::string>& tabs) {
    tabs_ = tabs;
    if (tabIndex_ >= static_cast<int>(tabs_.size())) tabIndex_ = 0;
    Fill();
}

int TTabStrip::TabIndex() const {
    if (!handle_) return tabIndex_;
    return static_cast<int>(SendMessageA(handle_, TCM_GETCURSEL, 0, 0));
}

void TTabStrip::SetTabIndex(int i) {
    tabIndex_ = i;
    if (handle_) SendMessageA(handle_, TCM_SETCURSEL, static_cast<WPARAM>(i), 0);
}

RECT TTabStrip::DisplayRect() {
    RECT r{0, 0, width_, height_};
    if (handle_) {
        GetClientRect(handle_, &r);
        SendMessageA(handle_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    }
    return r;
}

LRESULT TTabStrip::Notify(const NMHDR& header) {
    if (header.code != static_cast<UINT>(TCN_SELCHANGE)) return 0;
    tabIndex_ = TabIndex();
    OnChange(this);
    return 0;
}

// --- TToolButton --------------------------------------------------------------

TToolButton::TToolButton(TComponent* owner) : TWinControl(owner) {
    width_ = 32;
    height_ = 32;
}

void TToolButton::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.WinClassName = "BUTTON";
    p.OwnClass = false;
    p.Style |= BS_CHECKBOX | BS_PUSHLIKE | (bitmap_ ? BS_BITMAP : 0);
}

void TToolButton::InitWnd() {
    TWinControl::InitWnd();
    if (bitmap_) SendMessageA(handle_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap_));
    SendMessageA(handle_, BM_SETCHECK, down_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TToolButton::SetBitmap(HBITMAP bmp) {
    bitmap_ = bmp;
    if (!handle_) return;
    UpdateStyle();
    SendMessageA(handle_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp));
}

void TToolButton::SetDown(bool v) {
    down_ = v;
    if (handle_) SendMessageA(handle_, BM_SETCHECK, v ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TToolButton::Command(WORD code) {
    if (code == BN_CLICKED) Click();
}

}  // namespace orvd
