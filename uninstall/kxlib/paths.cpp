#include "uninstall/kxlib/paths.h"

#include <windows.h>
#include <winnetwk.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "framework/base/handles.h"
#include "framework/base/sysutils.h"
#include "framework/ui/application.h"
#include "uninstall/kxlib/errors.h"

namespace kx {

std::string AddTrailingBackslash(const std::string& path) {
    if (path.empty() || path.back() == '\\') return Short(path);
    return Short(path + '\\');
}

std::string DropTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\') return Short(path.substr(0, path.size() - 1));
    return Short(path);
}

std::string AddLeadingBackslash(const std::string& path) {
    if (path.empty() || path.front() == '\\') return Short(path);
    return Short('\\' + path);
}

std::string DropLeadingBackslash(const std::string& path) {
    if (!path.empty() && path[0] == '\\' && (path.size() == 1 || path[1] != '\\'))
        return Short(path.substr(1));
    return Short(path);
}

std::string ParentFolder(const std::string& path) {
    const std::string p = DropTrailingBackslash(path);
    // A backslash in the first two places belongs to a UNC name or a rooted
    // path, never to a parent: \\Server has none, C:\ has none.
    for (std::size_t i = p.size(); i-- > 2;)
        if (p[i] == '\\') return Short(p.substr(0, i));
    return {};
}

std::string FileNameOf(const std::string& path) {
    const auto cut = path.find_last_of("\\:");
    return Short(cut == std::string::npos ? path : path.substr(cut + 1));
}

std::string ExactPath(const std::string& path) {
    // A pattern would name whatever entry matches it first, and a bare drive
    // ("C:") would name the drive's current directory: both pass unchanged.
    if (path.empty() || path.find_first_of("*?") != std::string::npos ||
        (path.size() == 2 && path[1] == ':'))
        return Short(path);
    WIN32_FIND_DATAA fd;
    fw::UniqueFind find(FindFirstFileA(path.c_str(), &fd));
    if (!find) return Short(path);
    const std::string parent = ParentFolder(path);
    if (parent.empty()) return Short(fd.cFileName);
    return Short(AddTrailingBackslash(ExactPath(parent)) + fd.cFileName);
}

namespace {

// The network provider's universal-name lookup, from the system folder only:
// the network provider library is no known system library, so a library of
// that name beside the program (in a shared temporary folder, say) would be
// loaded in its place by a plain import.  Loaded once, for the process.
using UniversalNameProc = DWORD(WINAPI*)(LPCSTR, DWORD, LPVOID, LPDWORD);
UniversalNameProc UniversalNameFunction() {
    static const fw::UniqueModule library(LoadLibraryExW(L"mpr.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    static const auto proc = library ? reinterpret_cast<UniversalNameProc>(reinterpret_cast<void*>(
                                           GetProcAddress(library.get(), "WNetGetUniversalNameA")))
                                     : nullptr;
    return proc;
}

}  // namespace

std::string UniversalPath(const std::string& path) {
    if (path.empty()) return {};
    std::string full(MAX_PATH, '\0');
    DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n >= full.size()) {
        full.assign(n, '\0');
        n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (n == 0 || n >= full.size()) return Short(path);
    full.resize(n);
    if (full.size() >= 2 && full[1] == ':') {
        // A local drive answers "not connected"; only a mapped one has a
        // universal name.
        const auto universalName = UniversalNameFunction();
        std::vector<char> buf(1024);
        DWORD size = static_cast<DWORD>(buf.size());
        DWORD rc = universalName ? universalName(full.c_str(), UNIVERSAL_NAME_INFO_LEVEL, buf.data(), &size)
                                 : ERROR_NOT_SUPPORTED;
        if (rc == ERROR_MORE_DATA) {
            buf.assign(size, '\0');
            rc = universalName(full.c_str(), UNIVERSAL_NAME_INFO_LEVEL, buf.data(), &size);
        }
        if (rc == NO_ERROR) {
            const auto* info = reinterpret_cast<const UNIVERSAL_NAME_INFOA*>(buf.data());
            if (info->lpUniversalName) full = info->lpUniversalName;
        }
    }
    return Short(full);
}

bool IsLocalPath(const std::string& path) {
    const std::string u = UniversalPath(path);
    return !(u.size() >= 2 && u[0] == '\\' && u[1] == '\\');
}

bool PathIsUnder(const std::string& base, const std::string& path) {
    if (base.empty()) return false;
    const std::string b = fw::UpperCase(AddTrailingBackslash(UniversalPath(base)));
    const std::string p = fw::UpperCase(AddTrailingBackslash(UniversalPath(path)));
    return p.size() >= b.size() && p.compare(0, b.size(), b) == 0;
}

std::string RelativePath(const std::string& path, const std::string& base) {
    if (path.size() < 2 || (path[1] != ':' && path[1] != '\\')) return Short(path);
    if (!base.empty() && !PathIsUnder(base, path)) RaiseError(14, Short(path));
    const std::string rest = path.substr(std::min(base.size(), path.size()));
    const DWORD attr = PathAttributes(base + rest);
    if (attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY))
        return DropLeadingBackslash(rest);
    return base.empty() ? Short(rest) : AddLeadingBackslash(rest);
}

void ProcessPendingMessages() { fw::Application.ProcessMessages(); }

std::string FileExtension(const std::string& path) {
    std::size_t dot = path.find_last_of(".\\:");
    if (dot == std::string::npos || path[dot] != '.') return {};
    return path.substr(dot);
}

bool FileExists(const std::string& path) {
    DWORD a = PathAttributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring PlatformPath(const std::string& path) {
    // The file functions take narrow names in this code page.
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    std::wstring wide;
    if (!path.empty()) {
        const int n = MultiByteToWideChar(codePage, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
        wide.resize(static_cast<std::size_t>(n));
        MultiByteToWideChar(codePage, 0, path.data(), static_cast<int>(path.size()), wide.data(), n);
    }
    if (path.size() <= kShortMax || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
    // The extended form is taken as it stands (no "." or ".." resolved, no
    // current directory applied): the full path is made first.
    DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return wide;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    if (n == 0 || n >= full.size()) return wide;
    full.resize(n);
    // Already extended, or a device name: taken as it is.
    if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) return full;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

DWORD PathAttributes(const std::string& path) {
    if (path.empty()) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(PlatformPath(path).c_str());
}

}  // namespace kx

namespace kx {

namespace {

bool StartsWith(const std::wstring& s, const wchar_t* prefix) {
    return s.compare(0, wcslen(prefix), prefix) == 0;
}

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// "X:\..." or exactly "X:".
bool IsDriveForm(const std::wstring& p) {
    return p.size() >= 2 && IsDriveLetter(p[0]) && p[1] == L':' && (p.size() == 2 || p[2] == L'\\');
}

// The long form of Path as far as it exists: the longest existing leading
// part is asked for its long name and the rest is kept as written.
std::wstring LongForm(const std::wstring& path) {
    std::wstring head = path, tail;
    for (;;) {
        DWORD n = GetLongPathNameW(head.c_str(), nullptr, 0);
        if (n > 0) {
            std::wstring out(n, L'\0');
            n = GetLongPathNameW(head.c_str(), out.data(), n);
            if (n > 0 && n < out.size()) {
                out.resize(n);
                if (!tail.empty() && out.back() != L'\\') out += L'\\';
                return out + tail;
            }
        }
        const auto cut = head.find_last_of(L'\\');
        // Nothing of it exists, or only a root is left: kept as written.
        if (cut == std::wstring::npos || cut < 3 || head.size() <= 3) return path;
        tail = head.substr(cut + 1) + (tail.empty() ? L"" : L"\\" + tail);
        head.resize(cut);
    }
}

}  // namespace

std::wstring WidePath(const std::string& path) {
    if (path.empty()) return {};
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const int n = MultiByteToWideChar(codePage, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, path.data(), static_cast<int>(path.size()), wide.data(), n);
    return wide;
}

std::string DisplayPath(const std::wstring& path) {
    if (path.empty()) return {};
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, path.data(), static_cast<int>(path.size()),
                                      nullptr, 0, "?", nullptr);
    std::string text(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, path.data(), static_cast<int>(path.size()), text.data(), n,
                        "?", nullptr);
    return text;
}

std::wstring WithoutExtendedPrefix(const std::wstring& path) {
    if (StartsWith(path, L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
    if (StartsWith(path, L"\\\\?\\")) return path.substr(4);
    return path;
}

std::wstring CanonicalFolder(const std::wstring& path) {
    if (path.empty()) return {};
    std::wstring p = path;
    for (auto& c : p)
        if (c == L'/') c = L'\\';
    // The device and extended-length prefixes (and the object manager's
    // own "\??\") before a drive or a share; any other device name (a
    // volume GUID, a physical drive, GLOBALROOT) names no folder here.
    for (const wchar_t* unc : {L"\\\\?\\UNC\\", L"\\\\.\\UNC\\", L"\\??\\UNC\\"})
        if (StartsWith(p, unc)) p = L"\\\\" + p.substr(wcslen(unc));
    for (const wchar_t* device : {L"\\\\?\\", L"\\\\.\\", L"\\??\\"}) {
        if (!StartsWith(p, device)) continue;
        p = p.substr(4);
        if (!IsDriveForm(p)) return {};
    }
    if (p.find_first_of(L"*?\"<>|") != std::wstring::npos) return {};
    // A colon past the drive letter names an alternate stream or a device.
    const auto colon = p.find(L':', IsDriveForm(p) ? 2 : 0);
    if (colon != std::wstring::npos) return {};
    // One backslash between components (a UNC name keeps its two leading ones).
    const std::size_t keep = StartsWith(p, L"\\\\") ? 2 : 0;
    std::wstring single = p.substr(0, keep);
    for (std::size_t i = keep; i < p.size(); ++i)
        if (!(p[i] == L'\\' && !single.empty() && single.back() == L'\\' && single.size() > keep)) single += p[i];
    DWORD n = GetFullPathNameW(single.c_str(), 0, nullptr, nullptr);
    if (n == 0) return {};
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(single.c_str(), n, full.data(), nullptr);
    if (n == 0 || n >= full.size()) return {};
    full.resize(n);
    // Made full, it must still be a drive path or a UNC name.
    const bool unc = StartsWith(full, L"\\\\") && !StartsWith(full, L"\\\\?\\") && !StartsWith(full, L"\\\\.\\");
    if (!unc && !IsDriveForm(full)) return {};
    full = LongForm(full);
    while (full.size() > 3 && full.back() == L'\\') full.pop_back();
    if (full.size() == 2 && full[1] == L':') full += L'\\';
    if (full.size() >= 1 && full[0] != L'\\') full[0] = static_cast<wchar_t>(towupper(full[0]));
    return full;
}

std::wstring ExtendedPath(const std::wstring& canonical) {
    if (StartsWith(canonical, L"\\\\?\\")) return canonical;
    if (StartsWith(canonical, L"\\\\")) return L"\\\\?\\UNC\\" + canonical.substr(2);
    return L"\\\\?\\" + canonical;
}

bool SameWidePath(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
               CSTR_EQUAL;
}

std::wstring FoldedPath(const std::wstring& path) {
    std::wstring folded = path;
    if (!folded.empty()) CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
}

}  // namespace kx
