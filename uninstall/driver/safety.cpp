#include "uninstall/driver/safety.h"

#include <windows.h>
#include <shlobj.h>

#include "framework/registry.h"
#include "framework/sysutils.h"

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
    if (SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buf) != S_OK) return {};
    return buf;
}

std::string EnvPath(const char* name) {
    char buf[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

}  // namespace

std::string FullFolderPath(const std::string& path) {
    if (path.empty()) return {};
    std::string p = StripLongPrefix(path);
    char full[MAX_PATH * 2] = {};
    DWORD n = GetFullPathNameA(p.c_str(), sizeof full, full, nullptr);
    if (n == 0 || n >= sizeof full) return {};
    p = StripLongPrefix(std::string(full, n));
    char longForm[MAX_PATH * 2] = {};
    DWORD m = GetLongPathNameA(p.c_str(), longForm, sizeof longForm);
    if (m > 0 && m < sizeof longForm) p = std::string(longForm, m);
    while (p.size() > 1 && p.back() == '\\' && !IsDriveRoot(p)) p.pop_back();
    if (p.size() == 2 && p[1] == ':') p += '\\';
    return p;
}

std::vector<std::string> ProtectedFolders() {
    std::vector<std::string> raw;
    char buf[MAX_PATH] = {};
    if (GetWindowsDirectoryA(buf, sizeof buf)) raw.emplace_back(buf);
    if (GetSystemDirectoryA(buf, sizeof buf)) raw.emplace_back(buf);
    for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_COMMON_APPDATA,
                      CSIDL_PROFILE, CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86})
        raw.push_back(ShellPath(csidl));
    for (const char* env : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "ProgramData",
                            "ALLUSERSPROFILE", "USERPROFILE", "PUBLIC", "SystemRoot", "windir"})
        raw.push_back(EnvPath(env));
    // The Users folder: the parent of the user's profile.
    std::string profile = ShellPath(CSIDL_PROFILE);
    auto slash = profile.find_last_of('\\');
    if (slash != std::string::npos && slash > 2) raw.push_back(profile.substr(0, slash));
    // Every folder the user's Shell Folders key names.
    try {
        fw::TRegistry reg(KEY_READ);
        reg.SetRootKey(HKEY_CURRENT_USER);
        if (reg.OpenKeyReadOnly("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")) {
            HKEY k = reg.CurrentKey();
            for (DWORD i = 0;; ++i) {
                char name[256];
                DWORD nameLen = sizeof name, type = 0;
                BYTE data[1024];
                DWORD dataLen = sizeof data - 1;
                LONG r = RegEnumValueA(k, i, name, &nameLen, nullptr, &type, data, &dataLen);
                if (r == ERROR_NO_MORE_ITEMS) break;
                if (r != ERROR_SUCCESS) continue;
                if (type == REG_SZ || type == REG_EXPAND_SZ) {
                    data[dataLen] = 0;
                    std::string v(reinterpret_cast<char*>(data));
                    if (type == REG_EXPAND_SZ) {
                        char ex[MAX_PATH * 2] = {};
                        if (ExpandEnvironmentStringsA(v.c_str(), ex, sizeof ex)) v = ex;
                    }
                    raw.push_back(v);
                }
            }
        }
    } catch (const std::exception&) {
        // An unreadable key adds nothing; the fixed folders above still hold.
    }
    std::vector<std::string> out;
    for (const auto& r : raw) {
        std::string f = FullFolderPath(r);
        if (f.empty()) continue;
        bool known = false;
        for (const auto& o : out) known = known || fw::SameText(o, f);
        if (!known) out.push_back(f);
    }
    return out;
}

std::string ProductFolderRefusal(const std::string& path) {
    if (!IsAbsoluteForm(path)) return "not an absolute local or network path";
    std::string full = FullFolderPath(path);
    if (full.empty()) return "not a full path";
    bool unc = full.rfind("\\\\", 0) == 0;
    bool drive = full.size() >= 3 && full[1] == ':' && full[2] == '\\' &&
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
    }
    for (const auto& p : ProtectedFolders())
        if (IsSameOrBelow(p, full)) return "holds " + p;
    return {};
}

bool IsPlainLanguageName(const std::string& language) {
    if (language.empty()) return false;
    if (language.find_first_of("\\/:") != std::string::npos) return false;
    return language.find("..") == std::string::npos;
}

}  // namespace uninst
