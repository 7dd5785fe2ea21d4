#include "tests/support/designer_driver.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ts {

HWND VisibleChild(HWND parent, const std::string& cls, const char* text) {
    for (const auto& c : Children(parent))
        if (c.visible && c.cls == cls && (!text || c.text == text)) return c.hwnd;
    return nullptr;
}

DesignerDriver::DesignerDriver(const std::string& exe, const std::string& args) : proc_(Quote(exe) + " " + args) {
    // A cold start of the designer takes long where 32-bit code is emulated.
    main_ = WaitForWindow(proc_.Pid(), "TDesignerWindow", nullptr, 60000);
}

std::vector<std::pair<std::string, InspectorRow>> DesignerDriver::Rows() const {
    std::vector<std::pair<std::string, InspectorRow>> rows;
    HWND inspector = VisibleChild(main_, "TInspector");
    if (!inspector) return rows;
    auto kids = Children(inspector);
    for (const auto& label : kids) {
        if (label.cls != "Static" || !label.visible) continue;
        InspectorRow r;
        for (const auto& c : kids) {
            bool sameRow = c.rect.top >= label.rect.top - 6 && c.rect.top <= label.rect.top + 2;
            if (!sameRow || !c.visible) continue;
            if (c.cls == "Edit" || c.cls == "ComboBox") {
                r.value = c.hwnd;
                r.cls = c.cls;
            } else if (c.cls == "Button" && c.text == "...") {
                r.dots = c.hwnd;
            }
        }
        rows.emplace_back(label.text, r);
    }
    return rows;
}

InspectorRow DesignerDriver::RowOf(const std::string& name) const {
    for (auto& r : Rows())
        if (r.first == name) return r.second;
    return {};
}

std::string DesignerDriver::Value(const std::string& name) const {
    InspectorRow r = RowOf(name);
    return r.value ? WindowText(r.value) : "(no row " + name + ")";
}

bool DesignerDriver::WaitValue(const std::string& name, const std::string& value) const {
    return WaitUntil([&] { return Value(name) == value; }, 10000);
}

void DesignerDriver::Type(const std::string& name, const std::string& text) const {
    InspectorRow r = RowOf(name);
    ASSERT_EQ(r.cls, "Edit") << name;
    SendMessageA(r.value, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    PostMessageA(r.value, WM_KEYDOWN, VK_RETURN, 0);
}

void DesignerDriver::Pick(const std::string& name, const std::string& item) const {
    InspectorRow r = RowOf(name);
    ASSERT_EQ(r.cls, "ComboBox") << name;
    auto items = ComboItems(r.value);
    auto it = std::find(items.begin(), items.end(), item);
    ASSERT_NE(it, items.end()) << item;
    SendMessageA(r.value, CB_SETCURSEL, static_cast<WPARAM>(it - items.begin()), 0);
    PostMessageA(GetParent(r.value), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(r.value), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(r.value));
}

void DesignerDriver::Ellipsis(const std::string& name) const { PostMessageA(RowOf(name).dots, BM_CLICK, 0, 0); }

HWND DesignerDriver::Place(const std::string& cls, int x, int y) const {
    HWND tabs = VisibleChild(main_, "SysTabControl32");
    HWND button = VisibleChild(tabs, "Button", cls.c_str());
    if (!button) return nullptr;
    HWND form = Form();
    auto ofClass = [&] {
        std::vector<HWND> v;
        for (const auto& c : Children(form))
            if (c.cls == cls) v.push_back(c.hwnd);
        return v;
    };
    const std::vector<HWND> before = ofClass();
    PostMessageA(button, BM_CLICK, 0, 0);
    WaitUntil([&] { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 5000);
    ClickAt(form, x, y);
    if (!WaitUntil([&] { return ofClass().size() == before.size() + 1; }, 10000)) return nullptr;
    for (HWND h : ofClass())
        if (std::find(before.begin(), before.end(), h) == before.end()) return h;
    return nullptr;
}

void DesignerDriver::PressFileButton(const char* text) const {
    PostMessageA(VisibleChild(main_, "Button", text), BM_CLICK, 0, 0);
}

}  // namespace ts
