#include "tests/support/product.h"

#include "framework/base/sysutils.h"

namespace ts {

std::string BuildFolder() {
    // Walk up from this program's folder to the one that holds wine-run.
    std::string folder = SelfFolder();
    for (int i = 0; i < 6 && folder.size() > 3; ++i) {
        if (GetFileAttributesA((folder + "wine-run").c_str()) != INVALID_FILE_ATTRIBUTES) return folder;
        folder = folder.substr(0, folder.find_last_of('\\', folder.size() - 2) + 1);
    }
    return SelfFolder();
}

std::string BuiltUninstaller() { return BuildFolder() + "uninstall\\driver\\uninstall.exe"; }

std::string FixtureFile(const std::string& folder, const std::string& file) {
    return BuildFolder() + "tests\\fixtures\\" + folder + "\\" + file;
}

SYSTEMTIME InstallStamp() {
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 11;
    t.wDay = 2;
    t.wHour = 10;
    return t;
}

SYSTEMTIME LaterStamp() {
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 1;
    t.wHour = 9;
    t.wMinute = 30;
    return t;
}

bool WriteStampedFile(const std::string& path, const SYSTEMTIME& stamp, const std::string& content) {
    return WriteTextFile(path, content) && SetFileTimeLocal(path, stamp);
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    auto slash = to.find_last_of('\\');
    if (slash != std::string::npos) MakeDirs(to.substr(0, slash));
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool StageUninstallEntry(const std::string& name, const Values& values) {
    std::string key = std::string(kUninstallRoot) + "\\" + name;
    DeleteRegTree(HKEY_LOCAL_MACHINE, key);
    fw::UniqueKey k;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(),
                        nullptr) != ERROR_SUCCESS)
        return false;
    for (const auto& [n, v] : values)
        if (!SetRegString(HKEY_LOCAL_MACHINE, key, n, v)) return false;
    return true;
}

void RemoveUninstallEntry(const std::string& name) {
    if (name.empty()) return;  // never the whole list
    DeleteRegTree(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "\\" + name);
}

bool UninstallEntryExists(const std::string& name) {
    return RegKeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallRoot) + "\\" + name);
}

Uninstaller::Uninstaller(const std::string& exe, const std::string& argumentText, const std::string& cwd)
    : process_(Quote(exe) + (argumentText.empty() ? "" : " " + argumentText), cwd) {}

HWND Uninstaller::Window(DWORD timeoutMs) {
    if (!window_ || !IsWindow(window_)) window_ = WaitForWindow(process_.Pid(), "TMainForm", nullptr, timeoutMs);
    return window_;
}

Dialog Uninstaller::NextDialog(DWORD timeoutMs) {
    Dialog d;
    HWND dlg = WaitForDialog(process_.Pid(), timeoutMs);
    if (!dlg) return d;
    for (int i = 0; i < 200; ++i) {
        d = ReadDialog(dlg);
        if (!d.buttons.empty() && !d.text.empty()) break;
        Sleep(20);
    }
    return d;
}

bool Uninstaller::Press(const std::string& buttonText) {
    HWND w = Window();
    if (!w) return false;
    for (const auto& c : Children(w)) {
        std::string t;
        for (char ch : c.text)
            if (ch != '&') t += ch;
        if (fw::SameText(c.cls, "Button") && t == buttonText) {
            PostMessageA(c.hwnd, BM_CLICK, 0, 0);
            return true;
        }
    }
    return false;
}

SIZE WindowSize(HWND hwnd) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

std::vector<Control> ChildrenOfClass(HWND parent, const std::string& cls) {
    std::vector<Control> out;
    for (const auto& c : Children(parent))
        if (c.cls == cls) out.push_back(c);
    return out;
}

}  // namespace ts
