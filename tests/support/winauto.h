// Window automation for tests: find the windows and dialogs of a process,
// read their texts and controls, press their buttons; start a child process
// and read its exit code on the Windows side.
#pragma once

#include <windows.h>

#include <functional>
#include <future>
#include <string>
#include <vector>

#include "framework/base/handles.h"

namespace ts {

struct Control {
    HWND hwnd = nullptr;
    std::string cls;   // window class name
    std::string text;  // window text
    int id = 0;
    bool visible = false;
    bool enabled = false;
    RECT rect{};  // in screen coordinates
};

struct Dialog {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;              // the message (all non-empty statics, joined by line ends)
    std::vector<Control> buttons;  // in window order
    std::string icon;              // "error", "warning", "information", "question" or ""
    std::vector<std::string> ButtonTexts() const;  // without the '&' markers
};

// Text of a window, read across processes.
std::string WindowText(HWND hwnd);
std::string ClassName(HWND hwnd);
// Visible top-level windows of a process (0: this process), of a class when given.
std::vector<HWND> TopWindows(DWORD pid, const char* cls = nullptr);
// Waits for a visible top-level window of the process; caption compared
// exactly when given.  Null after the timeout.
HWND WaitForWindow(DWORD pid, const char* cls, const char* caption = nullptr,
                   DWORD timeoutMs = 15000);
// A dialog box (class #32770, as message boxes are) of the process.
HWND WaitForDialog(DWORD pid, DWORD timeoutMs = 15000);
Dialog ReadDialog(HWND dlg);
// Every descendant window, in window order, depth first.
std::vector<Control> Children(HWND parent);
// The items of a list box, read across processes.
std::vector<std::string> ListBoxItems(HWND listBox);
// The items of a combo box, read across processes.
std::vector<std::string> ComboItems(HWND combo);
// The texts of a tab control's tabs, read across processes (through a
// buffer in the process that owns the control).
std::vector<std::string> TabTexts(HWND tabControl);
// A left click at a point of a window's client area, posted as the mouse
// would post it (button down, button up).
void ClickAt(HWND hwnd, int x, int y);
// Polls until pred() holds; false after the timeout.
bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs = 15000);
// Presses the button whose text, '&' markers removed, equals Text.
bool PressButton(HWND dlg, const std::string& text);
// Waits until the window is gone.
bool WaitGone(HWND hwnd, DWORD timeoutMs = 15000);

// On another thread: waits for a dialog of the process, reads it and presses
// the button named.  For dialogs that this process itself shows.
std::future<Dialog> AnswerDialogAsync(DWORD pid, std::string button, DWORD timeoutMs = 15000);

// A Windows child process; the exit code is read with GetExitCodeProcess, so
// the full 32-bit value (1603, say) arrives.
class ChildProcess {
public:
    // Command line as CreateProcessA takes it; the working folder when given.
    explicit ChildProcess(const std::string& commandLine, const std::string& cwd = "");
    ~ChildProcess();  // kills a child still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    DWORD Pid() const { return pid_; }
    bool Started() const { return static_cast<bool>(process_); }
    // Exit code, or STILL_ACTIVE after the timeout.
    DWORD Wait(DWORD timeoutMs = 30000);
    void Kill();

private:
    fw::UniqueKernel process_;
    DWORD pid_ = 0;
};

// Full path of the running test program, and its folder with a backslash.
std::string SelfPath();
std::string SelfFolder();
// Quotes an argument for a command line.
std::string Quote(const std::string& s);

}  // namespace ts
