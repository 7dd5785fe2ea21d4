// Staging for tests: scratch folders and files, files held open or made
// read-only, scratch registry keys and keys that grant only read access.
// Deliberately independent of KxLib, which the tests check.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/base/handles.h"

namespace ts {

// A folder C:\orvtest\<name>\ made empty on construction and removed with
// everything in it on destruction (read-only attributes cleared first).
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& Path() const { return path_; }  // without trailing backslash
    std::string operator/(const std::string& rel) const { return path_ + "\\" + rel; }

private:
    std::string path_;
};

// Removes a folder tree without any of the library's rules.
void WipeTree(const std::string& path);
// Writes a file (folders on the way are made); false on failure.
bool WriteTextFile(const std::string& path, const std::string& content);
std::string ReadTextFile(const std::string& path);
bool FileExists(const std::string& path);  // a file, not a folder
bool DirExists(const std::string& path);
void MakeDirs(const std::string& path);
void SetReadOnly(const std::string& path, bool readOnly = true);
void SetHidden(const std::string& path, bool hidden = true);
// Sets the last-write time of a file (local time).
bool SetFileTimeLocal(const std::string& path, const SYSTEMTIME& local);

// A file held open without sharing: nobody can open, delete or rename it.
class LockedFile {
public:
    explicit LockedFile(const std::string& path);
    bool Held() const { return static_cast<bool>(h_); }

private:
    fw::UniqueFile h_;
};

// The Linux path of a Windows path of the prefix (through wine_get_unix_file_name).
std::string UnixPath(const std::string& winPath);
// Runs a Linux command line through /bin/sh, from inside Wine; its exit code.
int RunUnix(const std::string& shellCommand);

// Saves a shortcut file with the platform's own shell link object (COM must
// be initialised on the thread); the HRESULT of the first step that failed.
HRESULT WriteShortcut(const std::string& file, const std::string& target,
                      const std::string& arguments = "");

// A registry key below a root, removed with its sub-keys on destruction.
class ScratchKey {
public:
    ScratchKey(HKEY root, const std::string& path);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    const std::string& Path() const { return path_; }

private:
    HKEY root_;
    std::string path_;
};

// Registry helpers that raise nothing: false or empty on failure.
bool SetRegString(HKEY root, const std::string& key, const std::string& name,
                  const std::string& value);
bool SetRegDword(HKEY root, const std::string& key, const std::string& name, DWORD value);
bool RegKeyExists(HKEY root, const std::string& key);
std::string GetRegString(HKEY root, const std::string& key, const std::string& name);
bool DeleteRegTree(HKEY root, const std::string& key);
// Replaces the key's access rules by one: everybody may read, nobody may
// write.  RestoreKeyAccess gives full access back (the owner may always).
bool MakeKeyReadOnly(HKEY root, const std::string& key);
bool RestoreKeyAccess(HKEY root, const std::string& key);

}  // namespace ts
