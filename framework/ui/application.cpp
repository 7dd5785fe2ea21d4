#include "framework/ui/application.h"

#include "framework/ui/forms.h"

#include <algorithm>

namespace fw {

TApplication Application;
TScreen Screen;

namespace {

const char kAppClass[] = "TApplication";

LRESULT CALLBACK AppWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd, msg, wp, lp);
}

struct EnabledWindows {
    std::vector<HWND>* list;
    HWND modal;
};
BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM lp) {
    auto* d = reinterpret_cast<EnabledWindows*>(lp);
    if (hwnd != d->modal && hwnd != Application.Handle() && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd))
        d->list->push_back(hwnd);
    return TRUE;
}

}  // namespace

HINSTANCE FrameworkInstance() {
    static const char marker = 0;
    static HINSTANCE inst = [] {
        HMODULE m = nullptr;
        if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                &marker, &m))
            m = GetModuleHandleA(nullptr);
        return m;
    }();
    return inst;
}

void TApplication::Initialize() {
    if (handle_) return;
    HINSTANCE inst = FrameworkInstance();
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
    TDisabledWindows others;
    return ::MessageBoxA(handle_, text.c_str(), caption.c_str(), style | MB_SETFOREGROUND);
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

bool TApplication::ProcessMessage(MSG& msg) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) return false;
    bool unicode = msg.hwnd && IsWindowUnicode(msg.hwnd);
    BOOL got = unicode ? PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)
                       : PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    if (!got) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    DispatchOne(msg, unicode);
    return true;
}

void TApplication::DispatchOne(MSG& msg, bool unicode) {
    // A filter may remove itself (a form that closes): walk a copy.
    auto filters = filters_;
    for (auto& f : filters) {
        bool handled = false;
        Guard([&] { handled = f.second(msg); });
        if (handled) return;
    }
    TranslateMessage(&msg);
    if (unicode) DispatchMessageW(&msg);
    else DispatchMessageA(&msg);
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (ProcessMessage(msg)) {
        if (msg.message == WM_QUIT) break;
    }
}

void TApplication::HandleMessage() {
    MSG msg;
    if (!ProcessMessage(msg)) {
        WaitMessage();
        if (!ProcessMessage(msg)) return;
    }
    if (msg.message == WM_QUIT) PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
}

void TApplication::Run() {
    Initialize();
    // The main form appears when the loop starts, as the classic Run does,
    // unless the program already ended (a fatal stop while it was created).
    if (mainForm_ && !terminated_ && !mainForm_->Visible()) mainForm_->Show();
    MSG msg;
    while (!terminated_)
        if (!ProcessMessage(msg)) WaitMessage();
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
        case crHandPoint: id = reinterpret_cast<LPCSTR>(IDC_HAND); break;
        default: break;
    }
    return LoadCursorA(nullptr, id);
}

int TScreen::PixelsPerInch(bool horizontal) const {
    static const int ppi[2] = {[] {
        WindowDc screen;
        int v = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
        return v > 0 ? v : 96;
    }(), [] {
        WindowDc screen;
        int v = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
        return v > 0 ? v : 96;
    }()};
    return ppi[horizontal ? 1 : 0];
}

void TScreen::SetCursor(TCursor c) {
    cursor_ = c;
    ::SetCursor(CursorHandle(c));
}

TDisabledWindows::TDisabledWindows(HWND modal) {
    EnabledWindows data{&disabled_, modal};
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&data));
    active_ = GetActiveWindow();
    for (HWND w : disabled_) EnableWindow(w, FALSE);
}

void TDisabledWindows::Enable() {
    if (enabled_) return;
    enabled_ = true;
    for (HWND w : disabled_)
        if (IsWindow(w)) EnableWindow(w, TRUE);
}

void TDisabledWindows::Restore() {
    Enable();
    if (restored_) return;
    restored_ = true;
    if (active_ && IsWindow(active_)) SetActiveWindow(active_);
}

void ShowMessage(const std::string& text) {
    Application.MessageBox(text, Application.Title(), MB_OK);
}

}  // namespace fw
