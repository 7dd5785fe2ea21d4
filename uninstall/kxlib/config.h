// The configuration store TConfig (a registry key tree or an INI file behind
// one class), the global store Config with its module-level operations, and
// the registry routines the store rests on: NewRegistry, OpenKeyPath,
// RootKeyName, TestKeyWritable.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/base/registry.h"

namespace kx {

// Root selectors of the store: the registry root and the key of section S
// below the base path B.
constexpr std::uint8_t rsMachine = 0;         // HKEY_LOCAL_MACHINE, B\S
constexpr std::uint8_t rsCurrentUser = 1;     // HKEY_CURRENT_USER, B\S
constexpr std::uint8_t rsMachineNewUser = 2;  // HKEY_LOCAL_MACHINE, B\NewUser\S

// Storage media, fixed when the store is made.
constexpr std::uint8_t cmRegistry = 0;
constexpr std::uint8_t cmIniFile = 1;

class TConfig {
public:
    // Stores Path and chooses the medium: an INI file when a file of that
    // name exists or when the path's extension is ".ini" (any case), else a
    // registry base key path.  Opens nothing.
    explicit TConfig(const std::string& path);
    ~TConfig();
    TConfig(const TConfig&) = delete;
    TConfig& operator=(const TConfig&) = delete;

    // Closes any open section, then opens the section Section: in the
    // registry the key path of SectionPath(false) below the selector's root,
    // walked with OpenKeyPath (created when missing unless MustExist); in an
    // INI file the named section, "General" for an empty name.  Errors of the
    // walk propagate and leave the accessor assigned until CloseSection.
    void OpenSection(std::uint8_t root, const std::string& section, bool mustExist);
    // Frees the open section's accessor; nothing when none is open.
    void CloseSection();
    // The text value Name of the open section, cut at 255 characters; empty
    // when missing.  A missing or empty value raises code 29 when Required.
    // A registry value of a non-text type raises the registry layer's error.
    // With no section open it raises code 2.
    std::string ReadString(const std::string& name, bool required);
    // The open section's location for messages; with WithRoot the registry
    // root's name in front, or the INI section in brackets.
    std::string SectionPath(bool withRoot) const;
    // INI: true.  Registry: re-opens the base key below HKEY_LOCAL_MACHINE
    // (created when missing) and answers whether a value can be written there.
    bool CanWrite();

    std::string Section;     // the open section, without trailing backslash
    std::uint8_t Root = rsMachine;
    std::unique_ptr<fw::TIniFile> IniFile;    // only while open, INI mode
    std::string StorePath;   // INI file path or registry base key path
    std::uint8_t Mode = cmRegistry;
    std::unique_ptr<fw::TRegistry> Registry;  // only while open, registry mode
};

// The uninstaller's one store; none until the driver assigns it.
extern std::unique_ptr<TConfig> Config;
// Frees the global store (the library's shut-down calls it).
void FreeConfig();

// OpenSection, ReadString and CloseSection of Config.  The first two raise
// code 2 when there is no store; CloseConfig then does nothing.
void OpenConfigSection(std::uint8_t root, const std::string& section, bool mustExist);
std::string ReadConfig(const std::string& name, bool required);
void CloseConfig();

// A new registry accessor on the selector's root (0 and 2: HKEY_LOCAL_MACHINE,
// 1: HKEY_CURRENT_USER), with full access and no current key.
std::unique_ptr<fw::TRegistry> NewRegistry(std::uint8_t root);

// Leaves Path open as the accessor's current key, walking it one component
// at a time from the root side.  A component that cannot be opened with the
// accessor's access is opened for reading, and the accessor keeps read
// access from then on.  A component that cannot be opened at all raises
// code 28 with the path down to it when MustExist, else it is created (a key
// that cannot be created raises the registry layer's error).
void OpenKeyPath(fw::TRegistry& registry, const std::string& path, bool mustExist);

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE" for those roots, else empty.
std::string RootKeyName(const fw::TRegistry& registry);

// Whether a text value can be written into the accessor's current key: the
// value "__Orvanta__Test__" is written and deleted again.  Never raises.
bool TestKeyWritable(fw::TRegistry& registry);

}  // namespace kx
