#include "uninstall/kxlib/shell.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "framework/base/handles.h"
#include "framework/base/registry.h"
#include "framework/base/sysutils.h"
#include "uninstall/kxlib/config.h"
#include "uninstall/kxlib/paths.h"

namespace kx {

namespace {

constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The text of a buffer up to its terminating zero, cut at 255 and then at Max.
std::string LocalBufferText(const char* buf, std::size_t max) {
    std::string s = Short(buf);
    if (s.size() > max) s.resize(max);
    return s;
}

}  // namespace

std::string GetShellFolderDir(const std::string& name) {
    const std::string n = Short(name);
    std::unique_ptr<fw::TRegistry> reg = NewRegistry(rsCurrentUser);
    OpenKeyPath(*reg, kShellFoldersKey, true);
    std::string folder = AddTrailingBackslash(Short(reg->ReadString(n)));
    if (folder.empty()) RaiseError(2, Short("GetShellFolderDir " + n));
    return folder;
}

void ResolveShortcut(const std::string& linkFile, std::string& target, std::string& arguments,
                     std::size_t maxTarget, std::size_t maxArguments) {
    ResolveShortcut(fw::AnsiToWide(Short(linkFile)), target, arguments, maxTarget, maxArguments);
}

void ResolveShortcut(const std::wstring& linkFile, std::string& target, std::string& arguments,
                     std::size_t maxTarget, std::size_t maxArguments) {
    target.clear();
    arguments.clear();
    fw::ComPtr<IShellLinkA> link;
    fw::CheckHr(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 link.put_void()),
                "ResolveShortcut: shell link object");
    fw::ComPtr<IPersistFile> file = link.try_query<IPersistFile>();
    if (!file) fw::CheckHr(E_NOINTERFACE, "ResolveShortcut: IPersistFile");

    // A file that is missing or not a shortcut leaves the object empty; its
    // empty path and arguments are the answer, so the results are not examined.
    file->Load(linkFile.c_str(), STGM_READ);

    char buf[256] = {};
    WIN32_FIND_DATAA found = {};
    link->GetPath(buf, sizeof buf, &found, SLGP_UNCPRIORITY);
    buf[sizeof buf - 1] = '\0';
    target = LocalBufferText(buf, maxTarget);

    char args[256] = {};
    link->GetArguments(args, sizeof args);
    args[sizeof args - 1] = '\0';
    arguments = LocalBufferText(args, maxArguments);
}

}  // namespace kx
