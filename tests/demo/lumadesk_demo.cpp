// The demo's helper: a sample Lumadesk installation in the Wine prefix and a
// person's part in the uninstaller's window.
//   lumadesk_demo stage            stages the installation (replacing an old one)
//   lumadesk_demo start            starts the uninstaller and waits for it
//   lumadesk_demo drive <signal>   starts it, answers the trace notice, creates
//                                  <signal> once the window is up, waits for
//                                  <signal>.done (or 3 s), presses OK, answers
//                                  the outcome message and prints it
//   lumadesk_demo cancel <signal>  the same, pressing Cancel
//   lumadesk_demo quiet <log>      runs the uninstaller unattended (/quiet
//                                  /deleteuserfiles /log=<log>), waits for it
//                                  and says whether anything of the product is left
//   lumadesk_demo report           prints what is left of the installation
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "framework/base/handles.h"
#include "framework/base/registry.h"
#include "framework/base/sysutils.h"
#include "tests/support/product.h"

namespace {

// The demo prints to a Linux terminal: texts in the ANSI code page go out as UTF-8.
std::string Utf8(const std::string& ansi) {
    std::wstring w = fw::AnsiToWide(ansi);
    int m = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string u(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, u.data(), m, nullptr, nullptr);
    if (!u.empty()) u.pop_back();
    return u;
}

const char kProduct[] = "C:\\Orvanta\\Lumadesk";
const char kEntry[] = "Orvanta Lumadesk";
const char kConfigKey[] = "Software\\Orvanta\\Lumadesk";
const char kMenuFolder[] = "Orvanta Lumadesk";

std::string ShellFolder(const char* name) {
    return ts::GetRegString(HKEY_CURRENT_USER,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name);
}

std::string P(const std::string& rel) { return std::string(kProduct) + "\\" + rel; }

bool Stage() {
    fw::OleInit ole;
    ts::WipeTree(kProduct);
    bool ok = true;
    auto stamp = ts::InstallStamp();
    auto later = ts::LaterStamp();
    // The installation's files, all with its stamp.
    ok &= ts::WriteStampedFile(P("Bin\\Lumadesk.exe"), stamp, "Lumadesk");
    ok &= ts::WriteStampedFile(P("Doc\\Guide.chm"), stamp, "guide");
    ok &= ts::WriteStampedFile(P("Doc\\Reference.chm"), stamp, "reference");
    ok &= ts::WriteStampedFile(P("Templates\\Letter.dot"), stamp, "template");
    ok &= ts::CopyFileTo(ts::BuiltUninstaller(), P("uninstall.exe")) && ts::SetFileTimeLocal(P("uninstall.exe"), stamp);
    ok &= ts::CopyFileTo(ts::FixtureFile("lang_fr", "KxLang.dll"), P("Lang\\French\\KxLang.dll")) &&
          ts::SetFileTimeLocal(P("Lang\\French\\KxLang.dll"), stamp);
    ok &= ts::CopyFileTo(ts::FixtureFile("server_silent", "Server.dll"), P("Viewer.ocx")) &&
          ts::SetFileTimeLocal(P("Viewer.ocx"), stamp);
    // A backup the product made later, and the user's own files.
    ok &= ts::WriteStampedFile(P("Doc\\Guide.~chm"), later, "backup");
    ok &= ts::WriteStampedFile(P("Doc\\My notes.txt"), later, "notes");
    ok &= ts::WriteStampedFile(P("Projects\\Budget 2027.xls"), later, "budget");

    ok &= ts::StageUninstallEntry(kEntry, {{"Path", kProduct},
                                           {"DisplayName", "Orvanta Lumadesk"},
                                           {"ConfigKey", kConfigKey},
                                           {"Trace", "1"},
                                           {"Unregister", "Viewer.ocx"}});
    ok &= ts::SetRegString(HKEY_LOCAL_MACHINE, kConfigKey, "Path", kProduct);
    ok &= ts::SetRegString(HKEY_CURRENT_USER, kConfigKey, "UserLanguage", "French");

    std::string menu = ShellFolder("Programs") + "\\" + kMenuFolder;
    ts::WipeTree(menu);
    ts::MakeDirs(menu);
    ok &= SUCCEEDED(ts::WriteShortcut(menu + "\\Lumadesk.lnk", P("Bin\\Lumadesk.exe")));
    ok &= SUCCEEDED(ts::WriteShortcut(menu + "\\Uninstall Lumadesk.lnk", P("uninstall.exe"),
                                      "\"Orvanta Lumadesk\""));
    ok &= SUCCEEDED(ts::WriteShortcut(ShellFolder("Desktop") + "\\Lumadesk.lnk", P("Bin\\Lumadesk.exe")));
    std::printf("%s a sample installation in %s (uninstall entry \"%s\").\n",
                ok ? "Staged" : "Could not fully stage", kProduct, kEntry);
    return ok;
}

void ListTree(const std::string& folder, const std::string& indent, int& count) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string n = fd.cFileName;
        if (n == "." || n == "..") continue;
        bool dir = fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        std::printf("    %s%s%s\n", indent.c_str(), n.c_str(), dir ? "\\" : "");
        ++count;
        if (dir) ListTree(folder + "\\" + n, indent + "  ", count);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
}

void Report() {
    std::printf("What is left of the installation:\n");
    if (ts::DirExists(kProduct)) {
        std::printf("  %s\\\n", kProduct);
        int count = 0;
        ListTree(kProduct, "", count);
        if (count == 0) std::printf("    (empty)\n");
    } else {
        std::printf("  %s: gone\n", kProduct);
    }
    std::printf("  uninstall entry \"%s\": %s\n", kEntry, ts::UninstallEntryExists(kEntry) ? "still there" : "gone");
    std::printf("  HKLM\\%s: %s\n", kConfigKey, ts::RegKeyExists(HKEY_LOCAL_MACHINE, kConfigKey) ? "still there" : "gone");
    std::printf("  HKCU\\%s: %s\n", kConfigKey, ts::RegKeyExists(HKEY_CURRENT_USER, kConfigKey) ? "still there" : "gone");
    std::string menu = ShellFolder("Programs") + "\\" + kMenuFolder;
    std::printf("  Start menu folder \"%s\": %s\n", kMenuFolder, ts::DirExists(menu) ? "still there" : "gone");
    std::string desk = ShellFolder("Desktop") + "\\Lumadesk.lnk";
    std::printf("  desktop shortcut Lumadesk.lnk: %s\n", ts::FileExists(desk) ? "still there" : "gone");
}

// Answers one message box of the uninstaller, printing it.
bool AnswerBox(ts::Uninstaller& u, DWORD timeoutMs) {
    ts::Dialog d = u.NextDialog(timeoutMs);
    if (!d.hwnd) return false;
    std::string text = d.text;
    for (auto& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    std::printf("  message box \"%s\" (%s): %s\n", Utf8(d.caption).c_str(),
                d.icon.empty() ? "no icon" : d.icon.c_str(), Utf8(text).c_str());
    ts::PressButton(d.hwnd, "OK");
    ts::WaitGone(d.hwnd, 5000);
    return true;
}

int Drive(const std::string& signal, bool confirm) {
    std::string exe = P("uninstall.exe");
    ts::Uninstaller u(exe, "\"Orvanta Lumadesk\"", kProduct);
    if (!u.Process().Started()) {
        std::printf("The uninstaller could not be started.\n");
        return 1;
    }
    std::printf("Started %s \"%s\".\n", exe.c_str(), kEntry);
    // The trace notice comes before the window.
    HWND w = nullptr;
    for (int i = 0; i < 2 && !(w = ts::WaitForWindow(u.Process().Pid(), "TMainForm", nullptr, 1500)); ++i)
        AnswerBox(u, 8000);
    if (!w) w = u.Window(15000);
    if (!w) {
        std::printf("No window appeared.\n");
        return 1;
    }
    Sleep(500);
    std::printf("The window \"%s\" is up.\n", Utf8(ts::WindowText(w)).c_str());
    if (!signal.empty()) {
        ts::WriteTextFile(signal, "up");
        for (int i = 0; i < 150 && !ts::FileExists(signal + ".done"); ++i) Sleep(20);
    }
    // OK and Cancel as they read in the window's language.
    auto buttons = ts::ChildrenOfClass(w, "Button");
    const ts::Control* ok = nullptr;
    const ts::Control* cancel = nullptr;
    for (const auto& b : buttons) {
        LONG style = GetWindowLongA(b.hwnd, GWL_STYLE) & 0x0F;
        if (style == BS_DEFPUSHBUTTON) ok = &b;
        else if (style == BS_PUSHBUTTON) cancel = &b;
    }
    const ts::Control* press = confirm ? ok : cancel;
    if (!press) {
        std::printf("The window has no %s button.\n", confirm ? "OK" : "Cancel");
        return 1;
    }
    std::printf("Pressing \"%s\".\n", Utf8(press->text).c_str());
    PostMessageA(press->hwnd, BM_CLICK, 0, 0);
    while (AnswerBox(u, 20000)) {
    }
    DWORD code = u.ExitCode(30000);
    std::printf("The uninstaller ended with exit status %lu.\n", static_cast<unsigned long>(code));
    return 0;
}

// Runs the unattended mode with the user's files deleted too, then gives the
// uninstaller's removal of itself a few seconds.
int Quiet(const std::string& log) {
    const std::string exe = P("uninstall.exe");
    const std::string command = ts::Quote(exe) + " \"Orvanta Lumadesk\" /quiet /deleteuserfiles /log=" + ts::Quote(log);
    std::printf("Running %s\n", command.c_str());
    ts::ChildProcess p(command);
    if (!p.Started()) {
        std::printf("The uninstaller could not be started.\n");
        return 1;
    }
    DWORD code = p.Wait(120000);
    std::printf("The uninstaller ended with exit status %lu; its log is %s.\n", static_cast<unsigned long>(code),
                log.c_str());
    for (int i = 0; i < 100 && ts::DirExists(kProduct); ++i) Sleep(100);
    const std::string menu = ShellFolder("Programs") + "\\" + kMenuFolder;
    const bool nothingLeft = !ts::DirExists(kProduct) && !ts::UninstallEntryExists(kEntry) &&
                             !ts::RegKeyExists(HKEY_LOCAL_MACHINE, kConfigKey) &&
                             !ts::RegKeyExists(HKEY_CURRENT_USER, kConfigKey) && !ts::DirExists(menu) &&
                             !ts::FileExists(ShellFolder("Desktop") + "\\Lumadesk.lnk");
    std::printf(nothingLeft ? "Nothing of the product is left, the product folder %s included.\n"
                            : "Something of the product is left (see below); the product folder is %s.\n",
                kProduct);
    return code == 0 && nothingLeft ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string cmd = argc > 1 ? argv[1] : "";
    std::string arg = argc > 2 ? argv[2] : "";
    if (cmd == "stage") return Stage() ? 0 : 1;
    if (cmd == "report") {
        Report();
        return 0;
    }
    if (cmd == "drive") return Drive(arg, true);
    if (cmd == "quiet") return Quiet(arg.empty() ? std::string("C:\\orvdemo\\quiet.log") : arg);
    if (cmd == "cancel") return Drive(arg, false);
    if (cmd == "start") {
        ts::ChildProcess p(ts::Quote(P("uninstall.exe")) + " \"Orvanta Lumadesk\"", kProduct);
        DWORD code = p.Wait(INFINITE);
        std::printf("The uninstaller ended with exit status %lu.\n", static_cast<unsigned long>(code));
        return 0;
    }
    std::fprintf(stderr, "usage: lumadesk_demo stage|start|drive <signal>|cancel <signal>|quiet <log>|report\n");
    return 2;
}
