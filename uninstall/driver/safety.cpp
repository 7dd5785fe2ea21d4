#include "uninstall/driver/safety.h"

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <initializer_list>
#include <memory>

#include "framework/base/handles.h"
#include "framework/base/sysutils.h"
#include "uninstall/kxlib/paths.h"

namespace uninst {

namespace {

std::string StripLongPrefix(const std::string& p) {
    if (p.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + p.substr(8);
    if (p.rfind("\\\\?\\", 0) == 0 || p.rfind("\\\\.\\", 0) == 0) return p.substr(4);
    return p;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A path that names the same folder whatever the current directory is:
// X:\... or \\server\...  "Lumadesk", "\Lumadesk", "C:" and "C:Lumadesk" all
// depend on it, and the uninstaller runs in its own folder.
bool IsAbsoluteForm(const std::string& path) {
    std::string p = StripLongPrefix(path);
    if (p.size() >= 2 && IsSeparator(p[0]) && IsSeparator(p[1])) return true;
    bool letter = !p.empty() && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
    return letter && p.size() >= 3 && p[1] == ':' && IsSeparator(p[2]);
}

bool IsDriveRoot(const std::string& p) {
    return (p.size() == 2 || (p.size() == 3 && p[2] == '\\')) && p[1] == ':';
}

// Upper-cased with one trailing backslash, for prefix tests.
std::string Key(const std::string& p) {
    std::string k = fw::UpperCase(p);
    if (k.empty() || k.back() != '\\') k += '\\';
    return k;
}

bool IsSameOrBelow(const std::string& below, const std::string& folder) {
    std::string b = Key(below), f = Key(folder);
    return b.compare(0, f.size(), f) == 0;
}

std::string ShellPath(int csidl) {
    char buf[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_DONT_VERIFY, nullptr, SHGFP_TYPE_CURRENT, buf) != S_OK)
        return {};
    return buf;
}

std::string EnvPath(const char* name) {
    char buf[MAX_PATH * 2] = {};
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::string Expanded(const std::string& text) {
    char buf[MAX_PATH * 2] = {};
    DWORD n = ExpandEnvironmentStringsA(text.c_str(), buf, sizeof buf);
    return n && n <= sizeof buf ? std::string(buf) : text;
}

std::string WideToAnsi(const wchar_t* w) {
    int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w, -1, s.data(), n, nullptr, nullptr);
    s.resize(static_cast<std::size_t>(n - 1));
    return s;
}

struct TaskMemFree {
    void operator()(wchar_t* p) const noexcept { CoTaskMemFree(p); }
};
using TaskMemString = std::unique_ptr<wchar_t, TaskMemFree>;

// Every known folder the shell registers, for the machine and for the user,
// whether it exists yet or not.  Virtual folders (Control Panel, Network)
// have no path and add nothing.
void AddKnownFolders(std::vector<std::string>& raw) {
    // The guard also runs where nobody initialised COM for the thread.
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        fw::ComPtr<IKnownFolderManager> manager;
        if (SUCCEEDED(CoCreateInstance(CLSID_KnownFolderManager, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IKnownFolderManager, manager.put_void()))) {
            KNOWNFOLDERID* ids = nullptr;
            UINT count = 0;
            if (SUCCEEDED(manager->GetFolderIds(&ids, &count)) && ids) {
                for (UINT i = 0; i < count; ++i) {
                    wchar_t* path = nullptr;
                    if (SUCCEEDED(SHGetKnownFolderPath(ids[i], KF_FLAG_DONT_VERIFY, nullptr, &path))) {
                        TaskMemString owned(path);
                        raw.push_back(WideToAnsi(path));
                    }
                }
                CoTaskMemFree(ids);
            }
        }
    }
    if (SUCCEEDED(init)) CoUninitialize();
}

// The text values of one key, expanded; a value may hold several folders
// separated by ";" (DevicePath does).
void AddKeyValues(std::vector<std::string>& raw, HKEY root, const char* path,
                  std::initializer_list<const char*> only = {}) {
    fw::UniqueKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLen = sizeof name, type = 0;
        BYTE data[2048];
        DWORD dataLen = sizeof data - 1;
        LONG r = RegEnumValueA(key.get(), i, name, &nameLen, nullptr, &type, data, &dataLen);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) continue;
        if (only.size()) {
            bool wanted = false;
            for (const char* n : only) wanted = wanted || fw::SameText(n, name);
            if (!wanted) continue;
        }
        data[dataLen] = 0;
        std::string v = Expanded(reinterpret_cast<char*>(data));
        for (std::size_t start = 0; start <= v.size();) {
            std::size_t end = v.find(';', start);
            if (end == std::string::npos) end = v.size();
            std::string one = v.substr(start, end - start);
            if (IsAbsoluteForm(one)) raw.push_back(one);
            start = end + 1;
        }
    }
}

// The profile folders of every user the machine knows.
void AddProfiles(std::vector<std::string>& raw) {
    const char list[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    AddKeyValues(raw, HKEY_LOCAL_MACHINE, list);
    fw::UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, list, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    for (DWORD i = 0;; ++i) {
        char sub[256];
        DWORD len = sizeof sub;
        LONG r = RegEnumKeyExA(key.get(), i, sub, &len, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;
        if (r == ERROR_SUCCESS)
            AddKeyValues(raw, HKEY_LOCAL_MACHINE, (std::string(list) + "\\" + sub).c_str(), {"ProfileImagePath"});
    }
}

// The folders directly below Public (Public Desktop, Public Documents and any
// other the machine has): shared by every user of the machine.
void AddSubFolders(std::vector<std::string>& raw, const std::string& folder) {
    if (folder.empty()) return;
    WIN32_FIND_DATAA fd;
    fw::UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &fd));
    if (!find) return;
    do {
        std::string name = fd.cFileName;
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
            raw.push_back(folder + "\\" + name);
    } while (FindNextFileA(find.get(), &fd));
}

// The names by which a UNC path reaches this computer's own shares
// (C$, ADMIN$ and every other): its names and the loopback addresses.
bool IsThisComputer(const std::string& server) {
    const std::string s = fw::UpperCase(server);
    if (s == "LOCALHOST" || s == "." || s == "?" || s.rfind("127.", 0) == 0 || s == "::1" || s == "[::1]" ||
        s == "0:0:0:0:0:0:0:1" || s.find(".IPV6-LITERAL.NET") != std::string::npos)
        return true;
    for (COMPUTER_NAME_FORMAT format : {ComputerNameNetBIOS, ComputerNameDnsHostname, ComputerNameDnsFullyQualified,
                                        ComputerNamePhysicalNetBIOS, ComputerNamePhysicalDnsHostname,
                                        ComputerNamePhysicalDnsFullyQualified}) {
        char name[256] = {};
        DWORD size = sizeof name;
        if (GetComputerNameExA(format, name, &size) && size > 0 && fw::SameText(s, name)) return true;
    }
    return false;
}

// Folders that belong to other users: the profile of every account in the
// machine's profile list but the running one, and the shell folders of every
// other user whose registry is loaded (they may lie outside the profile).
std::vector<std::string> OtherUsersFolders() {
    std::vector<std::string> raw;
    const std::string own = CurrentUserSid();
    const char list[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    fw::UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, list, 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
        for (DWORD i = 0;; ++i) {
            char sub[256];
            DWORD len = sizeof sub;
            LONG r = RegEnumKeyExA(key.get(), i, sub, &len, nullptr, nullptr, nullptr, nullptr);
            if (r == ERROR_NO_MORE_ITEMS) break;
            if (r != ERROR_SUCCESS || fw::SameText(sub, own)) continue;
            AddKeyValues(raw, HKEY_LOCAL_MACHINE, (std::string(list) + "\\" + sub).c_str(), {"ProfileImagePath"});
        }
    }
    for (DWORD i = 0;; ++i) {
        char sub[256];
        DWORD len = sizeof sub;
        LONG r = RegEnumKeyExA(HKEY_USERS, i, sub, &len, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;
        const std::string name = sub;
        // The running user, and the templates and class views of the hives.
        if (r != ERROR_SUCCESS || fw::SameText(name, own) || name.rfind(own + "_", 0) == 0 ||
            fw::SameText(name, ".DEFAULT"))
            continue;
        for (const char* folders : {"Shell Folders", "User Shell Folders"})
            AddKeyValues(raw, HKEY_USERS,
                         (name + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\" + folders).c_str());
    }
    std::vector<std::string> out;
    for (const auto& r : raw) {
        std::string full = FullFolderPath(r);
        if (!full.empty() && !IsDriveRoot(full)) out.push_back(full);
    }
    return out;
}

// Why the full, canonical folder Full must not be erased as a product
// folder, or empty when it may.
std::string FolderRefusal(const std::string& full) {
    const bool unc = full.rfind("\\\\", 0) == 0;
    const bool drive = full.size() >= 3 && full[1] == ':' && full[2] == '\\' &&
                       ((full[0] >= 'A' && full[0] <= 'Z') || (full[0] >= 'a' && full[0] <= 'z'));
    if (!unc && !drive) return "not an absolute local or network path";
    if (drive && IsDriveRoot(full)) return "a drive root";
    if (unc) {
        // \\server\share\folder at the least.
        auto server = full.find('\\', 2);
        if (server == std::string::npos || server == 2) return "a share root";
        auto share = full.find('\\', server + 1);
        if (share == std::string::npos || share == server + 1 || share + 1 >= full.size())
            return "a share root";
        // This computer's own shares reach its local folders under another
        // name, past every rule below.
        if (IsThisComputer(full.substr(2, server - 2))) return "a share of this computer";
    }
    // The Windows folder and everything in it belongs to the system.
    char buf[MAX_PATH] = {};
    for (UINT(WINAPI * windowsFolder)(LPSTR, UINT) : {GetWindowsDirectoryA, GetSystemWindowsDirectoryA}) {
        const UINT n = windowsFolder(buf, sizeof buf);
        const std::string windows = n && n < sizeof buf ? FullFolderPath(std::string(buf, n)) : std::string();
        if (!windows.empty() && IsSameOrBelow(full, windows)) return "lies in " + windows;
    }
    for (const auto& other : OtherUsersFolders())
        if (IsSameOrBelow(full, other)) return "lies in " + other + ", another user's";
    for (const auto& p : ProtectedFolders())
        if (IsSameOrBelow(p, full)) return "holds " + p;
    return {};
}

// The folder that Folder really is, after every link and junction on its way:
// the final path of the opened folder, canonical.  Folder itself when it does
// not exist (there is nothing to erase) or when no link lies on its way; empty
// when a link lies on its way but its target cannot be told.
std::wstring WhereItLeads(const std::wstring& folder) {
    bool linked = false;
    for (std::wstring p = folder; p.size() > 3;) {
        const DWORD attr = GetFileAttributesW(kx::ExtendedPath(p).c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_REPARSE_POINT)) linked = true;
        const auto cut = p.find_last_of(L'\\');
        if (cut == std::wstring::npos || cut < 3) break;
        p.resize(cut);
    }
    fw::UniqueFile h(CreateFileW(kx::ExtendedPath(folder).c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h) return linked ? std::wstring() : folder;
    std::wstring final(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h.get(), final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    if (n >= final.size()) {
        final.assign(n + 1, L'\0');
        n = GetFinalPathNameByHandleW(h.get(), final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    }
    if (n == 0 || n >= final.size()) return linked ? std::wstring() : folder;
    final.resize(n);
    const std::wstring canonical = kx::CanonicalFolder(final);
    if (canonical.empty()) return linked ? std::wstring() : folder;
    // A link whose opened folder still reports the path as written: the
    // platform did not say where it leads.
    if (linked && kx::SameWidePath(canonical, folder)) return {};
    return canonical;
}

}  // namespace

std::string FullFolderPath(const std::string& path) {
    if (path.empty()) return {};
    return fw::WideToAnsi(kx::CanonicalFolder(kx::WidePath(path)));
}

std::vector<std::string> ProtectedFolders() {
    std::vector<std::string> raw;
    char buf[MAX_PATH] = {};
    if (GetWindowsDirectoryA(buf, sizeof buf)) raw.emplace_back(buf);
    if (GetSystemWindowsDirectoryA(buf, sizeof buf)) raw.emplace_back(buf);
    if (GetSystemDirectoryA(buf, sizeof buf)) raw.emplace_back(buf);
    if (GetSystemWow64DirectoryA(buf, sizeof buf)) raw.emplace_back(buf);
    // The temporary folders of the user and of the system.
    if (GetTempPathA(sizeof buf, buf)) raw.emplace_back(buf);
    if (GetWindowsDirectoryA(buf, sizeof buf)) raw.push_back(std::string(buf) + "\\Temp");
    // Every shell folder by its old number, per user and common alike.
    for (int csidl = 0; csidl <= 0x3f; ++csidl) raw.push_back(ShellPath(csidl));
    AddKnownFolders(raw);
    for (const char* env : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "CommonProgramFiles",
                            "CommonProgramFiles(x86)", "CommonProgramW6432", "ProgramData", "ALLUSERSPROFILE",
                            "USERPROFILE", "PUBLIC", "APPDATA", "LOCALAPPDATA", "SystemRoot", "windir", "TEMP",
                            "TMP"})
        raw.push_back(EnvPath(env));
    const char explorer[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        for (const char* key : {"Shell Folders", "User Shell Folders"})
            AddKeyValues(raw, root, (std::string(explorer) + key).c_str());
    // Program Files and Common Files in both views, the media and driver folders.
    AddKeyValues(raw, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion");
    AddKeyValues(raw, HKEY_LOCAL_MACHINE, "Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion");
    AddKeyValues(raw, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion", {"SystemRoot"});
    // The temporary folders the environment of the user and of the machine name.
    AddKeyValues(raw, HKEY_CURRENT_USER, "Environment", {"TEMP", "TMP"});
    AddKeyValues(raw, HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                 {"TEMP", "TMP"});
    AddProfiles(raw);
    // The Users folder: the parent of the user's profile.
    std::string profile = ShellPath(CSIDL_PROFILE);
    auto slash = profile.find_last_of('\\');
    if (slash != std::string::npos && slash > 2) raw.push_back(profile.substr(0, slash));
    AddSubFolders(raw, FullFolderPath(EnvPath("PUBLIC")));
    // Most folders are named by several sources; each is made full once.  Only
    // a name with a short-name component ("PROGRA~1") needs the slower long form.
    std::vector<std::string> out;
    auto add = [&out](const std::string& f) {
        if (f.empty()) return;
        for (const auto& o : out)
            if (fw::SameText(o, f)) return;
        out.push_back(f);
    };
    std::vector<std::string> seen;
    for (const auto& r : raw) {
        // Virtual folders come back as a shell name ("...\\::{GUID}"), not as a folder.
        if (!IsAbsoluteForm(r) || r.find("::") != std::string::npos) continue;
        bool again = false;
        for (const auto& s : seen) again = again || fw::SameText(s, r);
        if (again) continue;
        seen.push_back(r);
        if (r.find('~') != std::string::npos) {
            add(FullFolderPath(r));
            continue;
        }
        char full[MAX_PATH * 2] = {};
        DWORD n = GetFullPathNameA(StripLongPrefix(r).c_str(), sizeof full, full, nullptr);
        if (n == 0 || n >= sizeof full) continue;
        std::string f(full, n);
        while (f.size() > 3 && f.back() == '\\') f.pop_back();
        add(f);
    }
    return out;
}

std::string ProductFolderRefusal(const std::string& path) {
    if (!IsAbsoluteForm(path)) return "not an absolute local or network path";
    const std::wstring canonical = kx::CanonicalFolder(kx::WidePath(path));
    if (canonical.empty()) return "not a full path";
    std::string why = FolderRefusal(fw::WideToAnsi(canonical));
    if (!why.empty()) return why;
    // Where the folder leads: a link or junction on the way (the folder
    // itself or a folder above it) is judged by its target.
    const std::wstring target = WhereItLeads(canonical);
    if (target.empty()) return "a link whose target cannot be told";
    if (!kx::SameWidePath(target, canonical)) {
        why = FolderRefusal(fw::WideToAnsi(target));
        if (!why.empty()) return "leads to " + fw::WideToAnsi(target) + ", " + why;
    }
    return {};
}

std::string CurrentUserSid() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    fw::UniqueKernel token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buf(size ? size : 1);
    if (!GetTokenInformation(token.get(), TokenUser, buf.data(), size, &size)) return {};
    char* text = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid, &text)) return {};
    std::string sid = text;
    LocalFree(text);
    return sid;
}

bool IsPlainLanguageName(const std::string& language) {
    if (language.empty()) return false;
    if (language.find_first_of("\\/:") != std::string::npos) return false;
    return language.find("..") == std::string::npos;
}

}  // namespace uninst
