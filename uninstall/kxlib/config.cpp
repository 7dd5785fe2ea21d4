#include "uninstall/kxlib/config.h"

#include <windows.h>

#include "framework/base/sysutils.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/paths.h"

namespace kx {

namespace {

constexpr char kWriteTestValue[] = "__Orvanta__Test__";

}  // namespace

std::unique_ptr<TConfig> Config;

void FreeConfig() { Config.reset(); }

TConfig::TConfig(const std::string& path) : StorePath(Short(path)) {
    if (FileExists(StorePath) || fw::UpperCase(FileExtension(StorePath)) == ".INI")
        Mode = cmIniFile;
    else
        Mode = cmRegistry;
}

TConfig::~TConfig() = default;  // IniFile and Registry free themselves

void TConfig::CloseSection() {
    if (Registry) {
        Registry->CloseKey();
        Registry.reset();
    }
    IniFile.reset();
}

std::string TConfig::SectionPath(bool withRoot) const {
    const std::string s = DropTrailingBackslash(Section);
    if (Mode == cmIniFile) return Short(withRoot ? "[" + s + "]" : s);
    const std::string b = AddTrailingBackslash(StorePath);
    std::string path = Short(Root == rsMachineNewUser ? b + "NewUser\\" + s : b + s);
    if (withRoot)
        path = Short((Root == rsCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE") +
                     AddLeadingBackslash(path));
    return path;
}

void TConfig::OpenSection(std::uint8_t root, const std::string& section, bool mustExist) {
    CloseSection();
    if (Mode == cmRegistry) {
        Registry = NewRegistry(root);
        Root = root;
        Section = DropTrailingBackslash(Short(section));
        OpenKeyPath(*Registry, SectionPath(false), mustExist);
    } else {
        Section = section.empty() ? "General" : DropTrailingBackslash(Short(section));
        IniFile = std::make_unique<fw::TIniFile>(StorePath);
    }
}

std::string TConfig::ReadString(const std::string& name, bool required) {
    const std::string n = Short(name);
    std::string value;
    if (Registry) {
        if (Registry->ValueExists(n)) value = Registry->ReadString(n);
    } else if (IniFile) {
        value = IniFile->ReadString(Section, n, "");
    } else {
        RaiseError(2, "ReadString " + n);  // no section open
    }
    value = Short(value);
    if (value.empty() && required)
        RaiseError(29, Short(AddTrailingBackslash(SectionPath(true)) + n));
    return value;
}

bool TConfig::CanWrite() {
    if (Mode == cmIniFile) return true;
    OpenSection(rsMachine, "", false);
    return TestKeyWritable(*Registry);
}

void OpenConfigSection(std::uint8_t root, const std::string& section, bool mustExist) {
    if (!Config) RaiseError(2, "OpenConfigSection");
    Config->OpenSection(root, section, mustExist);
}

std::string ReadConfig(const std::string& name, bool required) {
    if (!Config) RaiseError(2, "ReadConfig");
    return Config->ReadString(name, required);
}

void CloseConfig() {
    if (Config) Config->CloseSection();
}

std::unique_ptr<fw::TRegistry> NewRegistry(std::uint8_t root) {
    auto r = std::make_unique<fw::TRegistry>(KEY_ALL_ACCESS);
    r->SetRootKey(root == rsCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE);
    return r;
}

std::string RootKeyName(const fw::TRegistry& registry) {
    if (registry.RootKey() == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER";
    if (registry.RootKey() == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE";
    return {};
}

void OpenKeyPath(fw::TRegistry& registry, const std::string& path, bool mustExist) {
    const std::string p = Short(path);
    const std::size_t last = p.rfind('\\');  // position last + 1, counted from 1
    // The parent first, root side first; a single leading backslash has no
    // parent and is dropped with it.
    if (last != std::string::npos && last > 0) OpenKeyPath(registry, p.substr(0, last), mustExist);
    const std::string component = last == std::string::npos ? p : p.substr(last + 1);

    const std::string& current = registry.CurrentPath();
    const std::string display =
        Short(RootKeyName(registry) + "\\" + (current.empty() ? "" : current + "\\") + component);

    // An empty component re-opens the current key.
    if (registry.OpenKey(component, false)) return;
    // A key that grants only read access: the accessor keeps read access for
    // the rest of the walk and for later writes through it.
    if (registry.OpenKeyReadOnly(component)) return;
    if (mustExist) RaiseError(28, display);
    registry.CreateKey(component);
    registry.OpenKey(component, false);
}

bool TestKeyWritable(fw::TRegistry& registry) {
    try {
        registry.WriteString(kWriteTestValue, "Test");
        registry.DeleteValue(kWriteTestValue);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace kx
