// TRegistry (a handle on one registry root with a current key) and TIniFile
// (reads of an INI file through the platform's profile functions).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/base/handles.h"
#include "framework/base/sysutils.h"

namespace fw {

class TRegistry {
public:
    explicit TRegistry(REGSAM access = KEY_ALL_ACCESS) : access_(access) {}
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;
    ~TRegistry() = default;  // the current key closes with key_

    HKEY RootKey() const { return root_; }
    void SetRootKey(HKEY root);  // closes the current key
    REGSAM Access() const { return access_; }
    void SetAccess(REGSAM a) { access_ = a; }
    HKEY CurrentKey() const { return key_.get(); }
    const std::string& CurrentPath() const { return path_; }

    // Opens Key and makes it the current key.  A name without a leading
    // backslash is opened below the current key (below the root when none is
    // current); with one, below the root.  An empty name re-opens the current
    // key, or the root.  CanCreate creates a missing key.  Uses Access().
    bool OpenKey(const std::string& key, bool canCreate);
    // The same with read access; on success the accessor keeps KEY_READ as its
    // access for everything after.
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();
    // Creates Key (relative or absolute as for OpenKey) with full access and
    // closes it again at once; the current key is unchanged.  Raises
    // ERegistryException naming the key when it cannot be created.
    void CreateKey(const std::string& key);

    bool KeyExists(const std::string& key);     // below the root or current key
    bool ValueExists(const std::string& name);  // in the current key
    // A REG_SZ or REG_EXPAND_SZ value, unexpanded; a missing value reads as
    // empty; another type raises ERegistryException.
    std::string ReadString(const std::string& name);
    void WriteString(const std::string& name, const std::string& value);  // raises
    bool DeleteValue(const std::string& name);
    std::vector<std::string> GetKeyNames();  // sub-keys of the current key
    bool HasSubKeys();
    // Deletes Key (relative or absolute as for OpenKey) with its sub-keys,
    // deepest first.  False when the key itself could not be deleted.
    bool DeleteKey(const std::string& key);

private:
    HKEY BaseKey(bool relative) const { return key_ && relative ? key_.get() : root_; }
    void ChangeKey(HKEY k, std::string path);

    HKEY root_ = HKEY_CURRENT_USER;
    REGSAM access_;
    UniqueKey key_;
    std::string path_;
};

class TIniFile {
public:
    explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    const std::string& FileName() const { return fileName_; }
    // GetPrivateProfileStringA with the file name as given: a bare name is
    // looked up in the Windows folder.
    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& def) const;

private:
    std::string fileName_;
};

}  // namespace fw
