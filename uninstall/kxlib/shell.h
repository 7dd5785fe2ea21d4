// The current user's shell folders (GetShellFolderDir) and the target and
// arguments of a shortcut file (ResolveShortcut).
#pragma once

#include <cstddef>
#include <string>

#include "uninstall/kxlib/errors.h"

namespace kx {

// The path stored under the value Name of the current user's Shell Folders
// key, with a trailing backslash.  A missing key raises code 28; a missing or
// empty value code 2 "GetShellFolderDir " + Name; a value of a non-text type
// the registry layer's error.
std::string GetShellFolderDir(const std::string& name);

// The target path and argument text of the shortcut LinkFile, read through
// the platform's shell link object and cut at 255 characters and then at the
// given maxima.  A file that cannot be loaded as a shortcut gives empty texts
// without error.  Needs COM initialised on the calling thread; a shell link
// object that cannot be created raises fw::EOleError.
void ResolveShortcut(const std::string& linkFile, std::string& target, std::string& arguments,
                     std::size_t maxTarget = kShortMax, std::size_t maxArguments = kShortMax);
// The same for a shortcut file named by its wide path, as a walk found it.
void ResolveShortcut(const std::wstring& linkFile, std::string& target, std::string& arguments,
                     std::size_t maxTarget = kShortMax, std::size_t maxArguments = kShortMax);

}  // namespace kx
