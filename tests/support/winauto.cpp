#include "tests/support/winauto.h"

#include <commctrl.h>

#include <thread>

#include "framework/base/sysutils.h"

namespace ts {

std::vector<std::string> Dialog::ButtonTexts() const {
    std::vector<std::string> out;
    for (const auto& b : buttons) {
        std::string t;
        for (char c : b.text)
            if (c != '&') t += c;
        out.push_back(t);
    }
    return out;
}

std::string WindowText(HWND hwnd) {
    char buf[4096] = {};
    LRESULT n = SendMessageA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string ClassName(HWND hwnd) {
    char buf[256] = {};
    GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

namespace {
struct EnumData {
    DWORD pid;
    const char* cls;
    std::vector<HWND> found;
};

BOOL CALLBACK EnumTop(HWND hwnd, LPARAM lp) {
    auto* d = reinterpret_cast<EnumData*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == d->pid && IsWindowVisible(hwnd) && (!d->cls || ClassName(hwnd) == d->cls))
        d->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK EnumChild(HWND hwnd, LPARAM lp) {
    auto* list = reinterpret_cast<std::vector<Control>*>(lp);
    Control c;
    c.hwnd = hwnd;
    c.cls = ClassName(hwnd);
    c.text = WindowText(hwnd);
    c.id = GetDlgCtrlID(hwnd);
    c.visible = IsWindowVisible(hwnd);
    c.enabled = IsWindowEnabled(hwnd);
    GetWindowRect(hwnd, &c.rect);
    list->push_back(c);
    return TRUE;
}

// A w by h 32-bit picture drawn by Paint into a memory DC, as BGRA values.
template <typename F>
std::vector<DWORD> Picture(int w, int h, F paint) {
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    paint(mem, screen);
    GdiFlush();
    std::vector<DWORD> px(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + w * h);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return px;
}

// An icon drawn on the dialog colour, top-left aligned.
std::vector<DWORD> RenderIcon(HICON icon, int w, int h, COLORREF back) {
    return Picture(w, h, [&](HDC mem, HDC) {
        HBRUSH brush = CreateSolidBrush(back);
        RECT r = {0, 0, w, h};
        FillRect(mem, &r, brush);
        DeleteObject(brush);
        DrawIconEx(mem, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
    });
}

// What the screen shows in a rectangle.
std::vector<DWORD> CaptureScreen(const RECT& rc, int w, int h) {
    return Picture(w, h, [&](HDC mem, HDC screen) { BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY); });
}

std::string IconName(HWND dlg) {
    // Message boxes show one of the shared system icons in a static control.
    // In this process the icon handle tells which; for another process's box
    // the handle means nothing here, so the pixels on screen are compared
    // with each system icon drawn the same way.
    struct Known {
        LPCSTR id;
        const char* name;
    } known[] = {{reinterpret_cast<LPCSTR>(IDI_HAND), "error"},
                 {reinterpret_cast<LPCSTR>(IDI_EXCLAMATION), "warning"},
                 {reinterpret_cast<LPCSTR>(IDI_ASTERISK), "information"},
                 {reinterpret_cast<LPCSTR>(IDI_QUESTION), "question"}};
    DWORD pid = 0;
    GetWindowThreadProcessId(dlg, &pid);
    bool own = pid == GetCurrentProcessId();
    for (const auto& c : Children(dlg)) {
        if (c.cls != "Static" || !c.visible) continue;
        auto icon = reinterpret_cast<HICON>(SendMessageA(c.hwnd, STM_GETICON, 0, 0));
        if (!icon) continue;
        if (own) {
            for (const auto& k : known)
                if (LoadIconA(nullptr, k.id) == icon) return k.name;
            continue;
        }
        int w = GetSystemMetrics(SM_CXICON), h = GetSystemMetrics(SM_CYICON);
        if (c.rect.right - c.rect.left < w || c.rect.bottom - c.rect.top < h) continue;
        SetForegroundWindow(dlg);
        RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(100);
        auto shown = CaptureScreen(c.rect, w, h);
        COLORREF back = GetSysColor(COLOR_BTNFACE);
        const char* best = nullptr;
        size_t bestDiff = shown.size();
        for (const auto& k : known) {
            auto drawn = RenderIcon(LoadIconA(nullptr, k.id), w, h, back);
            size_t diff = 0;
            for (size_t i = 0; i < shown.size(); ++i)
                if ((shown[i] & 0xFFFFFF) != (drawn[i] & 0xFFFFFF)) ++diff;
            if (diff < bestDiff) bestDiff = diff, best = k.name;
        }
        // Nearly every pixel must agree.
        if (best && bestDiff * 20 < shown.size()) return best;
    }
    return {};
}
}  // namespace

std::vector<HWND> TopWindows(DWORD pid, const char* cls) {
    EnumData d{pid ? pid : GetCurrentProcessId(), cls, {}};
    EnumWindows(EnumTop, reinterpret_cast<LPARAM>(&d));
    return d.found;
}

HWND WaitForWindow(DWORD pid, const char* cls, const char* caption, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    do {
        for (HWND w : TopWindows(pid, cls))
            if (!caption || WindowText(w) == caption) return w;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

HWND WaitForDialog(DWORD pid, DWORD timeoutMs) { return WaitForWindow(pid, "#32770", nullptr, timeoutMs); }

std::vector<Control> Children(HWND parent) {
    std::vector<Control> list;
    EnumChildWindows(parent, EnumChild, reinterpret_cast<LPARAM>(&list));
    return list;
}

Dialog ReadDialog(HWND dlg) {
    Dialog d;
    d.hwnd = dlg;
    d.caption = WindowText(dlg);
    for (const auto& c : Children(dlg)) {
        if (c.cls == "Button") {
            d.buttons.push_back(c);
        } else if (c.cls == "Static" && !c.text.empty()) {
            if (!d.text.empty()) d.text += "\r\n";
            d.text += c.text;
        }
    }
    d.icon = IconName(dlg);
    return d;
}

namespace {

// The item texts of a list box or of a combo box's list, by the control's
// count, length and text messages.  Across processes the platform passes
// these texts reliably only in their wide form.
std::vector<std::string> ItemTexts(HWND control, UINT countMsg, UINT lengthMsg, UINT textMsg) {
    std::vector<std::string> items;
    LRESULT count = SendMessageW(control, countMsg, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT len = SendMessageW(control, lengthMsg, static_cast<WPARAM>(i), 0);
        if (len < 0) len = 0;
        std::wstring w(static_cast<size_t>(len) + 1, L'\0');
        SendMessageW(control, textMsg, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(w.data()));
        w.resize(wcslen(w.c_str()));
        items.push_back(fw::WideToAnsi(w));
    }
    return items;
}

}  // namespace

std::vector<std::string> ListBoxItems(HWND listBox) {
    return ItemTexts(listBox, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

std::vector<std::string> ComboItems(HWND combo) {
    return ItemTexts(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

std::vector<std::string> TabTexts(HWND tabControl) {
    std::vector<std::string> texts;
    DWORD pid = 0;
    GetWindowThreadProcessId(tabControl, &pid);
    fw::UniqueKernel process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (!process) return texts;
    // One block in the other process: the item, then its text buffer.
    const SIZE_T textSize = 256;
    auto* remote = static_cast<char*>(
        VirtualAllocEx(process.get(), nullptr, sizeof(TCITEMA) + textSize, MEM_COMMIT, PAGE_READWRITE));
    if (!remote) return texts;
    LRESULT count = SendMessageA(tabControl, TCM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = remote + sizeof item;
        item.cchTextMax = static_cast<int>(textSize);
        char text[textSize] = {};
        SIZE_T done = 0;
        if (!WriteProcessMemory(process.get(), remote, &item, sizeof item, &done) ||
            !WriteProcessMemory(process.get(), remote + sizeof item, text, textSize, &done))
            break;
        SendMessageA(tabControl, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote));
        if (!ReadProcessMemory(process.get(), remote + sizeof item, text, textSize - 1, &done)) break;
        texts.emplace_back(text);
    }
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return texts;
}

void ClickAt(HWND hwnd, int x, int y) {
    PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (pred()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
}

bool PressButton(HWND dlg, const std::string& text) {
    Dialog d = ReadDialog(dlg);
    auto texts = d.ButtonTexts();
    for (size_t i = 0; i < texts.size(); ++i) {
        if (texts[i] == text) {
            PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(d.buttons[i].id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(d.buttons[i].hwnd));
            return true;
        }
    }
    return false;
}

bool WaitGone(HWND hwnd, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (IsWindow(hwnd) && IsWindowVisible(hwnd)) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

std::future<Dialog> AnswerDialogAsync(DWORD pid, std::string button, DWORD timeoutMs) {
    return std::async(std::launch::async, [pid, button, timeoutMs] {
        Dialog d;
        HWND dlg = WaitForDialog(pid, timeoutMs);
        if (!dlg) return d;
        // Wait until the dialog has its controls.
        for (int i = 0; i < 100; ++i) {
            d = ReadDialog(dlg);
            if (!d.buttons.empty()) break;
            Sleep(20);
        }
        PressButton(dlg, button);
        return d;
    });
}

ChildProcess::ChildProcess(const std::string& commandLine, const std::string& cwd) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = commandLine;
    if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       cwd.empty() ? nullptr : cwd.c_str(), &si, &pi)) {
        process_.reset(pi.hProcess);
        CloseHandle(pi.hThread);
        pid_ = pi.dwProcessId;
        WaitForInputIdle(pi.hProcess, 5000);
    }
}

ChildProcess::~ChildProcess() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) Kill();
}

DWORD ChildProcess::Wait(DWORD timeoutMs) {
    if (!process_) return STILL_ACTIVE;
    WaitForSingleObject(process_.get(), timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

void ChildProcess::Kill() {
    if (process_) {
        TerminateProcess(process_.get(), 999);
        WaitForSingleObject(process_.get(), 5000);
    }
}

std::string SelfPath() {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return std::string(buf, n);
}

std::string SelfFolder() {
    std::string p = SelfPath();
    return p.substr(0, p.find_last_of('\\') + 1);
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

}  // namespace ts
