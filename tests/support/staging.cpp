#include "tests/support/staging.h"

#include <sddl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>

#include "framework/base/sysutils.h"

namespace ts {

namespace {

// The name under which the wide functions reach an absolute path of any
// length: the extended-length form once it is too long for the narrow ones.
std::wstring W(const std::string& path) {
    std::wstring w(path.size(), L'\0');
    w.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), w.data(), static_cast<int>(w.size()))));
    if (path.size() >= 240 && path[1] == ':') w = L"\\\\?\\" + w;
    return w;
}

std::string Narrow(const WCHAR* name) {
    char buf[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, name, -1, buf, sizeof buf - 1, nullptr, nullptr);
    return buf;
}

}  // namespace

ScratchDir::ScratchDir(const std::string& name) : path_("C:\\orvtest\\" + name) {
    WipeTree(path_);
    MakeDirs(path_);
}

ScratchDir::~ScratchDir() { WipeTree(path_); }

namespace {

// The tree is walked by the wide names the file system reports: a name that
// best fit would narrow into "..", a backslash or a colon (the uninstaller's
// hostile cases make such names) must not lead the wipe elsewhere.
void WipeTreeW(const std::wstring& path) {
    DWORD attr = GetFileAttributesW(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES) return;
    if ((attr & FILE_ATTRIBUTE_DIRECTORY) && (attr & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // A link (under Wine, a Unix symbolic link): removing it from the
        // Windows side can delete what it points to, so it goes from the
        // Linux side, and only the link.
        const std::wstring dos = path.rfind(L"\\\\?\\", 0) == 0 ? path.substr(4) : path;
        std::string linkPath = UnixPath(Narrow(dos.c_str()));
        if (!linkPath.empty()) RunUnix("rm -f '" + linkPath + "'");
        return;
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attr & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path.c_str());
        return;
    }
    {
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring n = fd.cFileName;
                if (n != L"." && n != L"..") WipeTreeW(path + L"\\" + n);
            } while (FindNextFileW(h, &fd));
            FindClose(h);
        }
    }
    RemoveDirectoryW(path.c_str());
}

}  // namespace

void WipeTree(const std::string& path) {
    const std::wstring wide = W(path);
    // The extended form reaches every name as it is, trailing dots included.
    WipeTreeW(wide.rfind(L"\\\\", 0) == 0 || wide.size() < 3 || wide[1] != L':' ? wide : L"\\\\?\\" + wide);
}

void MakeDirs(const std::string& path) {
    for (size_t i = 3; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '\\') CreateDirectoryW(W(path.substr(0, i)).c_str(), nullptr);
}

bool WriteTextFile(const std::string& path, const std::string& content) {
    auto slash = path.find_last_of('\\');
    if (slash != std::string::npos) MakeDirs(path.substr(0, slash));
    fw::UniqueFile h(CreateFileW(W(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return false;
    DWORD done = 0;
    return WriteFile(h.get(), content.data(), static_cast<DWORD>(content.size()), &done, nullptr) &&
           done == content.size();
}

std::string ReadTextFile(const std::string& path) {
    fw::UniqueFile h(CreateFileW(W(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h) return {};
    std::string out;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h.get(), buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
    return out;
}

bool FileExists(const std::string& path) {
    DWORD a = GetFileAttributesW(W(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string& path) {
    DWORD a = GetFileAttributesW(W(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

static void ChangeAttr(const std::string& path, DWORD bit, bool on) {
    DWORD a = GetFileAttributesW(W(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return;
    a = on ? (a | bit) : (a & ~bit);
    SetFileAttributesW(W(path).c_str(), a);
}

void SetReadOnly(const std::string& path, bool readOnly) { ChangeAttr(path, FILE_ATTRIBUTE_READONLY, readOnly); }
void SetHidden(const std::string& path, bool hidden) { ChangeAttr(path, FILE_ATTRIBUTE_HIDDEN, hidden); }

bool SetFileTimeLocal(const std::string& path, const SYSTEMTIME& local) {
    SYSTEMTIME utc;
    FILETIME ft;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft))
        return false;
    fw::UniqueFile h(CreateFileW(W(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return h && SetFileTime(h.get(), nullptr, nullptr, &ft);
}

LockedFile::LockedFile(const std::string& path)
    : h_(CreateFileW(W(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr)) {}

std::string UnixPath(const std::string& winPath) {
    using Fn = char*(CDECL*)(LPCWSTR);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn) return {};
    std::wstring w = fw::AnsiToWide(winPath);
    char* u = fn(w.c_str());
    if (!u) return {};
    std::string out = u;
    HeapFree(GetProcessHeap(), 0, u);
    return out;
}

int RunUnix(const std::string& shellCommand) {
    // Wine starts a Unix program given by its Unix path.  Its standard
    // handles go to NUL: Wine hands a Unix program the descriptors of the
    // caller's standard handles and may close them afterwards, and with this
    // process's own standard output everything it writes later would be lost.
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "Z:\\bin\\sh -c \"" + shellCommand + "\"";
    DWORD code = static_cast<DWORD>(-1);
    if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 30000);
        if (!GetExitCodeProcess(pi.hProcess, &code)) code = static_cast<DWORD>(-1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    return static_cast<int>(code);
}

HRESULT WriteShortcut(const std::string& file, const std::string& target, const std::string& arguments) {
    fw::ComPtr<IShellLinkA> link;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.put_void());
    if (FAILED(hr)) return hr;
    if (FAILED(hr = link->SetPath(target.c_str()))) return hr;
    if (!arguments.empty() && FAILED(hr = link->SetArguments(arguments.c_str()))) return hr;
    auto persist = link.try_query<IPersistFile>();
    if (!persist) return E_NOINTERFACE;
    return persist->Save(fw::AnsiToWide(file).c_str(), TRUE);
}

ScratchKey::ScratchKey(HKEY root, const std::string& path) : root_(root), path_(path) {
    DeleteRegTree(root_, path_);
    HKEY k = nullptr;
    if (RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) ==
        ERROR_SUCCESS)
        RegCloseKey(k);
}

ScratchKey::~ScratchKey() { DeleteRegTree(root_, path_); }

bool SetRegString(HKEY root, const std::string& key, const std::string& name, const std::string& value) {
    fw::UniqueKey k;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(), nullptr))
        return false;
    return RegSetValueExA(k.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool SetRegDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
    fw::UniqueKey k;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(), nullptr))
        return false;
    return RegSetValueExA(k.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

bool RegKeyExists(HKEY root, const std::string& key) {
    fw::UniqueKey k;
    return RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

std::string GetRegString(HKEY root, const std::string& key, const std::string& name) {
    char buf[1024] = {};
    DWORD size = sizeof buf - 1;
    if (RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ |
                     RRF_NOEXPAND, nullptr, buf, &size) != ERROR_SUCCESS)
        return {};
    return buf;
}

bool DeleteRegTree(HKEY root, const std::string& key) {
    RestoreKeyAccess(root, key);
    fw::UniqueKey k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, k.put()) == ERROR_SUCCESS) {
        for (;;) {
            char name[256];
            DWORD len = sizeof name;
            if (RegEnumKeyExA(k.get(), 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (!DeleteRegTree(root, key + "\\" + name)) break;
        }
    }
    k.reset();
    return RegDeleteKeyA(root, key.c_str()) == ERROR_SUCCESS;
}

static bool SetKeySddl(HKEY root, const std::string& key, const char* sddl) {
    fw::UniqueKey k;
    if (RegOpenKeyExA(root, key.c_str(), 0, WRITE_DAC | READ_CONTROL, k.put()) != ERROR_SUCCESS)
        return false;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd, nullptr))
        return false;
    LONG r = RegSetKeySecurity(k.get(), DACL_SECURITY_INFORMATION, sd);
    LocalFree(sd);
    return r == ERROR_SUCCESS;
}

bool MakeKeyReadOnly(HKEY root, const std::string& key) {
    // Everyone (WD) may read; the owner keeps the implicit right to change the
    // rules again, so the key can be restored and removed afterwards.
    return SetKeySddl(root, key, "D:P(A;;KR;;;WD)(A;;RCWD;;;WD)");
}

bool RestoreKeyAccess(HKEY root, const std::string& key) {
    return SetKeySddl(root, key, "D:(A;;KA;;;WD)");
}

}  // namespace ts
