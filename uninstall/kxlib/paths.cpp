#include "uninstall/kxlib/paths.h"

#include <windows.h>
#include <winnetwk.h>

#include <algorithm>
#include <vector>

#include "framework/application.h"
#include "framework/handles.h"
#include "framework/sysutils.h"
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
        std::vector<char> buf(1024);
        DWORD size = static_cast<DWORD>(buf.size());
        DWORD rc = WNetGetUniversalNameA(full.c_str(), UNIVERSAL_NAME_INFO_LEVEL, buf.data(), &size);
        if (rc == ERROR_MORE_DATA) {
            buf.assign(size, '\0');
            rc = WNetGetUniversalNameA(full.c_str(), UNIVERSAL_NAME_INFO_LEVEL, buf.data(), &size);
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
