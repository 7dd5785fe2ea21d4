// The form designer orvdesign.exe driven from outside through its real
// windows, as a person uses it: the palette, the design form and the
// inspector's rows.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/winauto.h"

namespace ts {

// A visible descendant of a class (and text, when given).
HWND VisibleChild(HWND parent, const std::string& cls, const char* text = nullptr);

// One row of the inspector as a person sees it.
struct InspectorRow {
    HWND value = nullptr;  // the text field or drop-down list
    std::string cls;       // "Edit" or "ComboBox"
    HWND dots = nullptr;   // the ellipsis button, when there is one
};

class DesignerDriver {
public:
    // Starts orvdesign.exe with the command-line tail and waits for its window.
    DesignerDriver(const std::string& exe, const std::string& args);
    DWORD Pid() const { return proc_.Pid(); }
    HWND Main() const { return main_; }
    HWND Form() const { return WaitForWindow(proc_.Pid(), "TForm"); }
    std::string Caption() const { return WindowText(main_); }
    bool Modified() const { return Caption().find(" *") != std::string::npos; }

    // The inspector's rows by property name, in their order.
    std::vector<std::pair<std::string, InspectorRow>> Rows() const;
    InspectorRow RowOf(const std::string& name) const;
    std::string Value(const std::string& name) const;
    bool WaitValue(const std::string& name, const std::string& value) const;
    // Types a value into a text field and presses Enter.
    void Type(const std::string& name, const std::string& text) const;
    // Picks an item of a drop-down list as the user would.
    void Pick(const std::string& name, const std::string& item) const;
    // Presses the row's ellipsis button.
    void Ellipsis(const std::string& name) const;
    // Presses the palette button of a class and clicks the form at x, y; the
    // new component's window, or null when none came.
    HWND Place(const std::string& cls, int x, int y) const;
    void PressFileButton(const char* text) const;

private:
    ChildProcess proc_;
    HWND main_ = nullptr;
};

}  // namespace ts
