// The uninstaller's guards against removing what is not the product's:
// the product folder and the uninstall entry it is about to erase are checked
// before anything is touched.
#pragma once

#include <string>
#include <vector>

namespace uninst {

// A folder path made full (GetFullPathNameA), in its long form where the
// folder exists, without a "\\?\" prefix and without a trailing backslash
// (except for a drive root such as C:\).  Empty when it cannot be made full.
std::string FullFolderPath(const std::string& path);

// The folders that belong to the system or are shared by its programs and
// users: the Windows, system and temporary folders, every known folder the
// shell registers and every shell folder by its old number (per user and
// common), the folders named by the environment, by the Shell Folders and
// User Shell Folders keys of the user and of the machine, by the machine's
// CurrentVersion keys (Program Files and Common Files in both views) and by
// its profile list, the Users folder and the folders directly below Public.
// Full paths as FullFolderPath gives them.
std::vector<std::string> ProtectedFolders();

// Why Path must not be erased as a product folder, or empty when it may:
// it is not an absolute local or UNC path, it is a drive root or a share
// root, or it is or holds one of the protected folders.
std::string ProductFolderRefusal(const std::string& path);

// The running account's security identifier as text ("S-1-5-21-..."), or
// empty when it cannot be read.
std::string CurrentUserSid();

// A language name that can safely become part of a library path: not empty
// and free of "\", "/", ":" and "..".
bool IsPlainLanguageName(const std::string& language);

}  // namespace uninst
