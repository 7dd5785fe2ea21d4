#include "tests/uninstall_run/run_support.h"

#include <tlhelp32.h>
#include <sddl.h>

#include <algorithm>
#include <sstream>

#include "framework/base/sysutils.h"

namespace rt {

std::string ShellFolder(const std::string& name) {
    std::string v = ts::GetRegString(HKEY_CURRENT_USER, kShellFolders, name);
    while (!v.empty() && v.back() == '\\') v.pop_back();
    return v;
}

void Product::File(const std::string& rel) {
    ts::WriteStampedFile(*this / rel, ts::InstallStamp(), "installed " + rel);
}

void Product::UserFile(const std::string& rel) {
    ts::WriteStampedFile(*this / rel, ts::LaterStamp(), "the user's " + rel);
}

void Product::Fixture(const std::string& fixtureFolder, const std::string& rel) {
    ts::CopyFileTo(ts::FixtureFile(fixtureFolder, "Server.dll"), *this / rel);
    ts::SetFileTimeLocal(*this / rel, ts::InstallStamp());
}

std::string PlaceUninstaller(const std::string& folder) {
    std::string exe = folder + "\\uninstall.exe";
    ts::CopyFileTo(ts::BuiltUninstaller(), exe);
    ts::SetFileTimeLocal(exe, ts::InstallStamp());
    return exe;
}

ShellItems::~ShellItems() {
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
        SetFileAttributesA(it->c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(it->c_str());
    }
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) ts::WipeTree(*it);
}

std::string ShellItems::Folder(const std::string& path) {
    folders_.push_back(path);
    ts::MakeDirs(path);
    return path;
}

std::string ShellItems::Link(const std::string& file, const std::string& target, const std::string& args) {
    files_.push_back(file);
    return SUCCEEDED(ts::WriteShortcut(file, target, args)) ? file : std::string();
}

std::string ShellItems::Text(const std::string& file, const std::string& content) {
    files_.push_back(file);
    ts::WriteTextFile(file, content);
    return file;
}

std::vector<std::string> RunResult::EndTexts() const {
    std::vector<std::string> out;
    for (const auto& d : endMessages) out.push_back(d.text);
    return out;
}

namespace {

// Reads the next message box of the process once it has its text and
// buttons, answers it with OK and waits until it is gone; false when none
// appeared within the time.
bool AnswerNext(ts::Uninstaller& u, DWORD timeoutMs, std::vector<ts::Dialog>& into) {
    HWND dlg = ts::WaitForDialog(u.Process().Pid(), timeoutMs);
    if (!dlg) return false;
    ts::Dialog d;
    for (int i = 0; i < 250; ++i) {
        d = ts::ReadDialog(dlg);
        if (!d.buttons.empty() && !d.text.empty()) break;
        Sleep(20);
    }
    into.push_back(d);
    ts::PressButton(dlg, "OK");
    ts::WaitGone(dlg, 10000);
    return true;
}

}  // namespace

RunResult RunUninstaller(const std::string& exe, const std::string& argumentText,
                   const std::function<void(HWND)>& beforeOk,
                   const std::function<void(ts::Uninstaller&)>& afterOk) {
    RunResult run;
    ts::Uninstaller u(exe, argumentText);
    const DWORD pid = u.Process().Pid();
    run.pid = pid;
    // The start-up: messages (the trace announcement) until the window shows.
    HWND window = nullptr;
    for (DWORD start = GetTickCount(); GetTickCount() - start < 20000;) {
        if (!ts::TopWindows(pid, "#32770").empty()) {
            AnswerNext(u, 1000, run.startMessages);
            continue;
        }
        window = ts::WaitForWindow(pid, "TMainForm", nullptr, 100);
        if (window || u.ExitCode(0) != STILL_ACTIVE) break;
    }
    run.windowShown = window != nullptr;
    if (window) {
        if (beforeOk) beforeOk(window);
        u.Press("Ok");
        if (afterOk) afterOk(u);
        for (DWORD start = GetTickCount(); GetTickCount() - start < 30000;) {
            if (u.ExitCode(0) != STILL_ACTIVE) break;
            AnswerNext(u, 200, run.endMessages);
        }
    }
    run.exitCode = u.ExitCode(10000);
    return run;
}

QuietResult RunQuiet(const std::string& exe, const std::string& commandTail) {
    ts::Uninstaller u(exe, commandTail);
    QuietResult r;
    r.pid = u.Process().Pid();
    for (DWORD start = GetTickCount(); GetTickCount() - start < 60000;) {
        if (!ts::TopWindows(r.pid).empty()) r.windowSeen = true;
        r.exitCode = u.ExitCode(20);
        if (r.exitCode != STILL_ACTIVE) break;
    }
    return r;
}

std::vector<std::string> SelfRemovalCopies(DWORD pid) {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    std::vector<std::string> out;
    // Each copy lies in a folder of its own that bears its name.
    const std::string pattern = "orvuninst-" + std::to_string(pid) + "-*";
    WIN32_FIND_DATAA fd;
    fw::UniqueFind find(FindFirstFileA((std::string(temp) + pattern).c_str(), &fd));
    if (!find) return out;
    do {
        const std::string copy = std::string(temp) + fd.cFileName + "\\" + fd.cFileName + ".exe";
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && ts::FileExists(copy)) out.push_back(copy);
    } while (FindNextFileA(find.get(), &fd));
    return out;
}

bool ProcessRunning(const std::string& exeName) {
    fw::UniqueFile snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));  // invalid: INVALID_HANDLE_VALUE
    if (!snap) return false;
    PROCESSENTRY32 pe{};
    pe.dwSize = sizeof pe;
    for (BOOL more = Process32First(snap.get(), &pe); more; more = Process32Next(snap.get(), &pe))
        if (fw::SameText(pe.szExeFile, exeName)) return true;
    return false;
}

namespace {

const wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingValue[] = L"PendingFileRenameOperations";

bool ReadPending(bool& existed, DWORD& type, std::vector<BYTE>& data) {
    fw::UniqueKey k;
    existed = false;
    data.clear();
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, k.put()) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    if (RegQueryValueExW(k.get(), kPendingValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return true;
    data.resize(size);
    if (RegQueryValueExW(k.get(), kPendingValue, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return true;
    data.resize(size);
    existed = true;
    return true;
}

}  // namespace

PendingRemovals::PendingRemovals() { ReadPending(existed_, type_, before_); }

PendingRemovals::~PendingRemovals() {
    fw::UniqueKey k;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, k.put()) != ERROR_SUCCESS) return;
    if (existed_)
        RegSetValueExW(k.get(), kPendingValue, 0, type_, before_.data(), static_cast<DWORD>(before_.size()));
    else
        RegDeleteValueW(k.get(), kPendingValue);
}

std::vector<std::string> PendingRemovals::Deletions() const {
    bool existed = false;
    DWORD type = 0;
    std::vector<BYTE> data;
    ReadPending(existed, type, data);
    // Pairs of strings, source then target; an empty target deletes.
    std::vector<std::string> strings;
    std::string current;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (c) {
            current += static_cast<char>(c);
        } else {
            strings.push_back(current);
            current.clear();
        }
    }
    std::vector<std::string> out;
    for (std::size_t i = 0; i + 1 < strings.size(); i += 2)
        if (strings[i + 1].empty() && strings[i].rfind("\\??\\", 0) == 0) out.push_back(strings[i].substr(4));
    return out;
}

RefusedPendingRemovals::RefusedPendingRemovals() {
    fw::UniqueKey k;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, READ_CONTROL | WRITE_DAC, k.put()) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    RegGetKeySecurity(k.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
    dacl_.resize(size);
    if (!size || RegGetKeySecurity(k.get(), DACL_SECURITY_INFORMATION, dacl_.data(), &size) != ERROR_SUCCESS) {
        dacl_.clear();
        return;
    }
    // Everybody may read the key, nobody may change its values; the owner
    // keeps the right to put its rules back.
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)(A;;RCWD;;;WD)", SDDL_REVISION_1,
                                                              &sd, nullptr))
        return;
    refused_ = RegSetKeySecurity(k.get(), DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
    LocalFree(sd);
}

RefusedPendingRemovals::~RefusedPendingRemovals() {
    if (dacl_.empty()) return;
    fw::UniqueKey k;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, READ_CONTROL | WRITE_DAC, k.put()) == ERROR_SUCCESS)
        RegSetKeySecurity(k.get(), DACL_SECURITY_INFORMATION, dacl_.data());
}

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> out;
    std::istringstream in(ts::ReadTextFile(path));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        std::string n = fd.cFileName;
        if (n != "." && n != "..") out.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace rt
