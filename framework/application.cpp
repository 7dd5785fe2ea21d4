#include "framework/application.h"

#include "framework/forms.h"

#include <algorithm>

namespace fw {

TApplication Application;
TScreen Screen;

namespace {

const char kAppClass[] = "TApplication";

LRESULT CALLBACK AppWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// Windows of this thread disabled while a message box is open.
BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM lp) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
    if (hwnd != Application.Handle() && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
        list->push_back(hwnd);
    return TRUE;
}

}  // namespace

void TApplication::Initialize() {
    if (handle_) return;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = AppWndProc;
    wc.hInstance = inst;
    wc.lpszClassName = kAppClass;
    wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    RegisterClassA(&wc);  // a second registration fails harmlessly
    handle_ = CreateWindowExA(0, kAppClass, title_.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, inst, nullptr);
    terminated_ = false;
}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    if (handle_) SetWindowTextA(handle_, title_.c_str());
}

std::string TApplication::ExeName() const {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return std::string(buf, n);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT style) {
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
    HWND active = GetActiveWindow();
    for (HWND w : disabled) EnableWindow(w, FALSE);
    int r = ::MessageBoxA(handle_, text.c_str(), caption.c_str(), style | MB_SETFOREGROUND);
    for (HWND w : disabled)
        if (IsWindow(w)) EnableWindow(w, TRUE);
    if (active && IsWindow(active)) SetActiveWindow(active);
    return r;
}

int TApplication::AddMessageFilter(MessageFilter f) {
    int id = nextFilter_++;
    filters_.emplace_back(id, std::move(f));
    return id;
}

void TApplication::RemoveMessageFilter(int id) {
    filters_.erase(std::remove_if(filters_.begin(), filters_.end(),
                                  [id](const auto& p) { return p.first == id; }),
                   filters_.end());
}

bool TApplication::DispatchOne(MSG& msg) {
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return false;
    }
    // A filter may remove itself (a form that closes): walk a copy.
    auto filters = filters_;
    for (auto& f : filters) {
        bool handled = false;
        Guard([&] { handled = f.second(msg); });
        if (handled) return true;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!DispatchOne(msg)) break;
    }
}

void TApplication::HandleMessage() {
    MSG msg;
    BOOL r = GetMessageA(&msg, nullptr, 0, 0);
    if (r == -1) return;
    if (r == 0) {
        terminated_ = true;
        PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
        return;
    }
    DispatchOne(msg);
}

void TApplication::Run() {
    Initialize();
    // The main form appears when the loop starts, as the classic Run does,
    // unless the program already ended (a fatal stop while it was created).
    if (mainForm_ && !terminated_ && !mainForm_->Visible()) mainForm_->Show();
    MSG msg;
    while (!terminated_) {
        BOOL r = GetMessageA(&msg, nullptr, 0, 0);
        if (r == 0 || r == -1) {
            terminated_ = true;
            break;
        }
        DispatchOne(msg);
    }
}

void TApplication::Terminate() {
    terminated_ = true;
    // Wake a loop waiting in GetMessage without a WM_QUIT.
    if (handle_) PostMessageA(handle_, WM_NULL, 0, 0);
}

void TApplication::HandleException(const std::exception& e) {
    std::string m = e.what();
    // The framework's error box ends the text with a period.
    if (!m.empty() && static_cast<unsigned char>(m.back()) > '.') m += '.';
    MessageBox(m, title_, MB_OK | MB_ICONSTOP);
}

void TApplication::HandleUnknownException() {
    MessageBox("Unknown exception.", title_, MB_OK | MB_ICONSTOP);
}

HCURSOR TScreen::CursorHandle(TCursor c) {
    LPCSTR id = reinterpret_cast<LPCSTR>(IDC_ARROW);
    switch (c) {
        case crHourGlass: id = reinterpret_cast<LPCSTR>(IDC_WAIT); break;
        case crAppStart: id = reinterpret_cast<LPCSTR>(IDC_APPSTARTING); break;
        default: break;
    }
    return LoadCursorA(nullptr, id);
}

void TScreen::SetCursor(TCursor c) {
    cursor_ = c;
    ::SetCursor(CursorHandle(c));
}

void ShowMessage(const std::string& text) {
    Application.MessageBox(text, Application.Title(), MB_OK);
}

}  // namespace fw
