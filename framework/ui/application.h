// TApplication (the global Application: title, hidden owner window, the
// forms it owns and its main form, message loop, message boxes, the handling
// of errors escaping event handlers),
// TScreen (the global Screen: the mouse cursor, pixels per inch),
// TDisabledWindows (the other windows of a modal window) and ShowMessage.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace fw {

class TCustomForm;

// The module that holds the framework (orvfw.dll in its shared form, the
// program otherwise): its window classes are registered with it.
HINSTANCE FrameworkInstance();

// Cursor values as the framework numbers them.
enum TCursor : int {
    crDefault = 0,
    crArrow = -2,
    crHourGlass = -11,
    crAppStart = -19,
    crHandPoint = -21,
};

class TApplication {
public:
    TApplication() = default;
    // Frees the forms still alive (DestroyForms).
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Creates the hidden owner window.  Safe to call more than once.
    void Initialize();

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    // The hidden window that owns message boxes and the application's forms.
    HWND Handle() const { return handle_; }

    // Full path of the program file as the system reports it.
    std::string ExeName() const;

    // A modal Windows message box owned by Handle(); the application's other
    // windows are disabled while it is open.  Returns the button pressed.
    int MessageBox(const std::string& text, const std::string& caption, UINT style);

    // Creates a form of class T, which Application owns; the first form so
    // created becomes the main form.  Closing the main form ends Run.
    // Defined in framework/ui/forms.h.
    template <typename T>
    void CreateForm(T*& ref);
    TCustomForm* MainForm() const { return mainForm_; }
    // A form created elsewhere that Application frees at the end.
    void AddForm(TCustomForm* f);
    void RemoveForm(TCustomForm* f);  // a form freed: forgotten, no longer main
    int FormCount() const { return static_cast<int>(forms_.size()); }
    // Frees the forms, last created first (the end of the program).
    void DestroyForms();

    // Handles the messages waiting in the queue, then returns.
    void ProcessMessages();
    // Waits for one message and handles it (modal loops).
    void HandleMessage();
    // Runs the message loop until Terminate is called.
    void Run();
    // Ends Run after the message being handled; posts no WM_QUIT, so that a
    // message box still open (an error report, say) stays until answered.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Reports an exception that escaped an event handler: a message box with
    // the exception's message and the error icon.
    void HandleException(const std::exception& e);
    void HandleUnknownException();

    // Runs an event handler and reports whatever escapes it.  Every boundary
    // between the platform and our code (window procedures, timer and
    // enumeration callbacks) goes through here: a C++ exception must never
    // unwind through a Win32 frame.
    template <typename F>
    void Guard(F&& handler) noexcept {
        try {
            handler();
        } catch (const std::exception& e) {
            HandleException(e);
        } catch (...) {
            HandleUnknownException();
        }
    }

    // Message filters that see each queued message before it is dispatched;
    // one that answers true has handled it (dialog keys of forms, say).
    using MessageFilter = std::function<bool(MSG&)>;
    int AddMessageFilter(MessageFilter f);
    void RemoveMessageFilter(int id);

private:
    // Takes the next message off the queue, if any, and handles it: true
    // when there was one (msg holds it).  A message for a Unicode window is
    // taken and dispatched in its Unicode form (hosted controls are Unicode),
    // any other in its ANSI form.
    bool ProcessMessage(MSG& msg);
    void DispatchOne(MSG& msg, bool unicode);

    HWND handle_ = nullptr;
    std::string title_;
    bool terminated_ = false;
    std::vector<std::pair<int, MessageFilter>> filters_;
    int nextFilter_ = 1;
    std::vector<TCustomForm*> forms_;
    TCustomForm* mainForm_ = nullptr;
};

class TScreen {
public:
    TCursor Cursor() const { return cursor_; }
    // Shows the cursor at once; the framework's windows keep it while the
    // value is not crDefault.
    void SetCursor(TCursor c);
    static HCURSOR CursorHandle(TCursor c);
    // The screen's logical pixels per inch, vertically (font sizes) or
    // horizontally; read once, as the system fixes it for the session.
    int PixelsPerInch(bool horizontal = false) const;

private:
    TCursor cursor_ = crDefault;
};

// The application's other windows while a modal window is open (a message
// box, a form's ShowModal): the thread's visible, enabled windows but the
// modal one and Application's hidden window are disabled when it is made;
// Restore enables them again and activates the window that was active.
class TDisabledWindows {
public:
    explicit TDisabledWindows(HWND modal = nullptr);
    ~TDisabledWindows() { Restore(); }
    TDisabledWindows(const TDisabledWindows&) = delete;
    TDisabledWindows& operator=(const TDisabledWindows&) = delete;

    // Enables the windows again (those still alive); the first call only.
    void Enable();
    // Enable, then activates the window that was active before; the first
    // call only.
    void Restore();

private:
    std::vector<HWND> disabled_;
    HWND active_ = nullptr;
    bool enabled_ = false;
    bool restored_ = false;
};

extern TApplication Application;
extern TScreen Screen;

// The simple message dialog: the text, an OK button, the application's title
// as caption.
void ShowMessage(const std::string& text);

}  // namespace fw
