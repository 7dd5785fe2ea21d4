#include "tests/uninstall_startup/e2e.h"

#include <algorithm>
#include <cstdio>

namespace e2e {

namespace {

const char kKeyRoot[] = "Software\\Orvanta E2E";

}  // namespace

std::string TestName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? info->name() : "NoTest";
    // A parameterised test's name carries "/" and its parameter.
    for (char& c : name)
        if (c == '/') c = '_';
    return name;
}

StageTest::StageTest()
    : dir("e2e_" + TestName()),
      product(dir / "Lumadesk"),
      exe(dir / "Prog\\uninstall.exe"),
      entry("Orvanta E2E " + TestName()) {
    // Trace.txt lands beside the program: each test runs its own copy.
    ts::CopyFileTo(ts::BuiltUninstaller(), exe);
}

StageTest::~StageTest() {
    ts::RemoveUninstallEntry(entry);
    for (const auto& k : keys_) {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            ts::RestoreKeyAccess(root, k);
            ts::DeleteRegTree(root, k);
        }
    }
    // The common parent goes once no other test's key is left in it.
    if (!keys_.empty())
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteKeyA(root, kKeyRoot);
}

void StageTest::StageInstallation() {
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Guide.chm", ts::InstallStamp()));
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Bin\\Lumadesk.exe", ts::InstallStamp()));
    ASSERT_TRUE(ts::WriteStampedFile(product + "\\Doc\\Manual.chm", ts::InstallStamp()));
}

void StageTest::StageEntry(const ts::Values& values) {
    ASSERT_TRUE(ts::StageUninstallEntry(entry, values));
}

std::string StageTest::ConfigKeyPath(const std::string& suffix) {
    std::string key = std::string(kKeyRoot) + "\\" + TestName() + suffix;
    keys_.push_back(key);
    return key;
}

void StageTest::StageFrenchLibrary(const std::string& language) {
    const std::string library = product + "\\Lang\\" + language + "\\KxLang.dll";
    ASSERT_TRUE(ts::CopyFileTo(ts::FixtureFile("lang_fr", "KxLang.dll"), library));
    // Installed with the product.
    ASSERT_TRUE(ts::SetFileTimeLocal(library, ts::InstallStamp()));
}

ts::Uninstaller StageTest::Start(const std::string& argumentText) {
    return ts::Uninstaller(exe, argumentText);
}

WindowView ReadWindow(HWND w) {
    WindowView v;
    v.caption = ts::WindowText(w);
    v.size = ts::WindowSize(w);
    GetClientRect(w, &v.client);
    MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&v.client), 2);
    std::vector<ts::Control> labels, buttons;
    for (const auto& c : ts::Children(w)) {
        if (c.cls == "Static" && c.visible && !c.text.empty()) labels.push_back(c);
        if (c.cls == "ListBox") {
            v.listVisible = c.visible;
            v.listItems = ts::ListBoxItems(c.hwnd);
            v.listRect = c.rect;
        }
        if (c.cls == "TPanel") v.panel = c.rect;
        if (c.cls == "Button") {
            LONG type = GetWindowLongA(c.hwnd, GWL_STYLE) & BS_TYPEMASK;
            if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) {
                v.checkBox = c.hwnd;
                v.checkVisible = c.visible;
                v.checked = SendMessageA(c.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
                v.checkText = c.text;
            } else if (c.visible) {
                buttons.push_back(c);
            }
        }
    }
    std::stable_sort(labels.begin(), labels.end(),
                     [](const ts::Control& a, const ts::Control& b) { return a.rect.top < b.rect.top; });
    for (const auto& c : labels) {
        v.labels.push_back(c.text);
        v.labelRects.push_back(c.rect);
    }
    std::stable_sort(buttons.begin(), buttons.end(),
                     [](const ts::Control& a, const ts::Control& b) { return a.rect.left < b.rect.left; });
    for (const auto& c : buttons) {
        v.buttons.push_back(c.text);
        v.buttonRects.push_back(c.rect);
    }
    return v;
}

WindowView ClickCheckBox(HWND w) {
    WindowView v = ReadWindow(w);
    const bool was = v.checked;
    PostMessageA(v.checkBox, BM_CLICK, 0, 0);
    for (int i = 0; i < 250 && v.checked == was; ++i) {
        Sleep(20);
        v = ReadWindow(w);
    }
    // The warning follows in the same click handler; let it paint.
    Sleep(50);
    return ReadWindow(w);
}

Shown WaitForFirst(ts::Uninstaller& u, DWORD timeoutMs) {
    DWORD pid = u.Process().Pid();
    DWORD start = GetTickCount();
    do {
        if (!ts::TopWindows(pid, "#32770").empty()) return Shown::Dialog;
        if (!ts::TopWindows(pid, "TMainForm").empty()) return Shown::Window;
        if (u.Process().Wait(0) != STILL_ACTIVE) return Shown::Nothing;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return Shown::Nothing;
}

Stop AwaitStop(ts::Uninstaller& u) {
    Stop s;
    DWORD pid = u.Process().Pid();
    DWORD start = GetTickCount();
    HWND dlg = nullptr;
    while (!dlg && GetTickCount() - start < 20000) {
        if (!ts::TopWindows(pid, "TMainForm").empty()) s.windowSeen = true;
        auto dialogs = ts::TopWindows(pid, "#32770");
        if (!dialogs.empty()) dlg = dialogs.front();
        if (!dlg && u.Process().Wait(0) != STILL_ACTIVE) break;
        Sleep(20);
    }
    if (!dlg) {
        s.exitCode = u.Process().Wait(0);
        return s;
    }
    for (int i = 0; i < 200; ++i) {
        s.dialog = ts::ReadDialog(dlg);
        if (!s.dialog.buttons.empty() && !s.dialog.text.empty()) break;
        Sleep(20);
    }
    // The icon is told by its pixels: give the box time to paint it.
    for (int i = 0; i < 50 && s.dialog.icon.empty(); ++i) {
        Sleep(20);
        s.dialog.icon = ts::ReadDialog(dlg).icon;
    }
    if (!ts::TopWindows(pid, "TMainForm").empty()) s.windowSeen = true;
    ts::PressButton(dlg, "OK");
    start = GetTickCount();
    while (u.Process().Wait(0) == STILL_ACTIVE && GetTickCount() - start < 20000) {
        if (!ts::TopWindows(pid, "TMainForm").empty()) s.windowSeen = true;
        Sleep(20);
    }
    s.exitCode = u.ExitCode(1000);
    return s;
}

Outcome AwaitOutcome(ts::Uninstaller& u) {
    Outcome o;
    o.dialog = u.NextDialog();
    for (int i = 0; i < 50 && o.dialog.hwnd && o.dialog.icon.empty(); ++i) {
        Sleep(20);
        o.dialog.icon = ts::ReadDialog(o.dialog.hwnd).icon;
    }
    if (o.dialog.hwnd) ts::PressButton(o.dialog.hwnd, "OK");
    o.exitCode = u.ExitCode();
    return o;
}

namespace {

void SnapTree(const std::string& folder, const std::string& rel, std::vector<std::string>& out) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string n = fd.cFileName;
        if (n == "." || n == "..") continue;
        char line[128];
        std::snprintf(line, sizeof line, "|%lu|%lu:%lu|%lx", fd.nFileSizeLow, fd.ftLastWriteTime.dwHighDateTime,
                      fd.ftLastWriteTime.dwLowDateTime, fd.dwFileAttributes);
        out.push_back(rel + n + line);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) SnapTree(folder + "\\" + n, rel + n + "\\", out);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

void SnapKey(HKEY root, const std::string& key, const std::string& rel, std::vector<std::string>& out) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return;
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameLen = sizeof name, type = 0;
        BYTE data[2048];
        DWORD dataLen = sizeof data;
        if (RegEnumValueA(k, i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) break;
        out.push_back(rel + "@" + std::string(name, nameLen) + "=" + std::to_string(type) + ":" +
                      std::string(reinterpret_cast<char*>(data), dataLen));
    }
    std::vector<std::string> subs;
    for (DWORD i = 0;; ++i) {
        char name[512];
        DWORD nameLen = sizeof name;
        if (RegEnumKeyExA(k, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subs.emplace_back(name, nameLen);
    }
    RegCloseKey(k);
    for (const auto& s : subs) {
        out.push_back(rel + s + "\\");
        SnapKey(root, key + "\\" + s, rel + s + "\\", out);
    }
}

}  // namespace

std::vector<std::string> TreeSnapshot(const std::string& folder) {
    std::vector<std::string> out;
    SnapTree(folder, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> KeySnapshot(HKEY root, const std::string& key) {
    std::vector<std::string> out;
    if (!ts::RegKeyExists(root, key)) return out;
    out.push_back("(exists)");
    SnapKey(root, key, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

std::string InvalidParameter(const std::string& context) {
    if (context.empty()) return "Invalid parameter.";
    char last = context.back();
    return "Invalid parameter : " + context + (last == '.' || last == '!' ? "" : ".");
}

}  // namespace e2e
