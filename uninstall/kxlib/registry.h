// Removal of a registry key with everything below it (KxDeleteKey) and the
// guard that keeps it away from keys that belong to the system.
#pragma once

#include <windows.h>

#include <string>

namespace kx {

// Whether Path (below any root) must never be removed by KxDeleteKey: an
// empty path, a lone backslash, a first-level key, or a path that is or holds
// one of the keys shared by the system and every program.  Letter case and
// leading and trailing backslashes do not matter.
bool IsProtectedKeyPath(const std::string& path);

// Whether Path may be a product's configuration key, which the uninstaller
// deletes in both roots: below Software\<vendor>\<product> (or below
// Software\Wow6432Node\<vendor>\<product>), where the vendor is none that the
// system and every program share (Microsoft, Classes, Policies); at most 255
// characters, never cut; no empty component.  A leading or trailing
// backslash and letter case do not matter.
bool IsProductKeyPath(const std::string& path);

// Removes the key Path below Root with its sub-keys and values, sub-trees
// depth first.  A missing key, or one that cannot be opened with full access,
// is left alone without error; so is whatever the platform refuses to delete.
// Raises code 41 with the path for a protected path (nothing is deleted),
// code 51 with the path when the key cannot be opened right after the test,
// code 2 "KxDeleteKey" when it vanishes before its own deletion.
void KxDeleteKey(HKEY root, const std::string& path);

}  // namespace kx
