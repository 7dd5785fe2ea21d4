#include "uninstall/kxlib/registry.h"

#include <algorithm>
#include <vector>

#include "framework/base/registry.h"
#include "framework/base/sysutils.h"
#include "uninstall/kxlib/errors.h"

namespace kx {

namespace {

// Keys that belong to the system and to every program: KxDeleteKey refuses a
// path that is one of them or holds one of them.  The one list of them.
const char* const kProtectedKeys[] = {
    "Software\\Microsoft",
    "Software\\Classes",
    "Software\\Wow6432Node",
    "Software\\Policies",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "SYSTEM",
};

// The upper-cased components of a key path; empty components (from leading,
// trailing or doubled backslashes) are left out.
std::vector<std::string> LocalComponents(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t p = path.find('\\', start);
        if (p == std::string::npos) p = path.size();
        if (p > start) parts.push_back(fw::UpperCase(path.substr(start, p - start)));
        start = p + 1;
    }
    return parts;
}

}  // namespace

bool IsProtectedKeyPath(const std::string& path) {
    const std::vector<std::string> parts = LocalComponents(path);
    if (parts.size() < 2) return true;  // nothing, a root itself, or a first-level key
    for (const char* key : kProtectedKeys) {
        const std::vector<std::string> guarded = LocalComponents(key);
        // The path is the guarded key, or one of its parents, when all its
        // components begin the guarded key's.
        if (parts.size() <= guarded.size() &&
            std::equal(parts.begin(), parts.end(), guarded.begin()))
            return true;
    }
    return false;
}

bool IsProductKeyPath(const std::string& path) {
    if (path.size() > kShortMax) return false;
    std::string p = path;
    if (!p.empty() && p.front() == '\\') p.erase(0, 1);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    // Doubled backslashes would leave empty components: not a plain key path.
    if (p.empty() || p.find("\\\\") != std::string::npos || p.front() == '\\' || p.back() == '\\') return false;
    const std::vector<std::string> parts = LocalComponents(p);
    if (parts.empty() || parts[0] != "SOFTWARE") return false;
    std::size_t vendor = 1;
    if (parts.size() > 1 && parts[1] == "WOW6432NODE") vendor = 2;
    if (parts.size() < vendor + 2) return false;  // a vendor and a product at the least
    for (const char* shared : {"MICROSOFT", "CLASSES", "POLICIES", "WOW6432NODE"})
        if (parts[vendor] == shared) return false;
    return true;
}

void KxDeleteKey(HKEY root, const std::string& path) {
    const std::string p = Short(path);
    if (IsProtectedKeyPath(p)) RaiseError(41, p);

    fw::TRegistry reg(KEY_ALL_ACCESS);
    reg.SetRootKey(root);
    // Missing, or not ours to change: nothing to do.
    if (!reg.OpenKey(p, false)) return;
    reg.CloseKey();
    if (!reg.OpenKey(p, false)) RaiseError(51, p);

    const std::vector<std::string> names = reg.GetKeyNames();
    const std::string parent = p.empty() || p.back() != '\\' ? p : p.substr(0, p.size() - 1);
    for (const std::string& name : names) KxDeleteKey(root, parent + "\\" + name);

    reg.CloseKey();
    if (!reg.OpenKey(p, false)) RaiseError(2, "KxDeleteKey");
    const std::string full = "\\" + reg.CurrentPath();
    reg.CloseKey();
    reg.DeleteKey(full);  // what the platform refuses stays, without error
}

}  // namespace kx
