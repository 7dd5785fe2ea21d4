#include "framework/base/registry.h"

namespace fw {

namespace {
bool IsRelative(const std::string& key) { return key.empty() || key[0] != '\\'; }
std::string Stripped(const std::string& key) { return IsRelative(key) ? key : key.substr(1); }
}  // namespace

void TRegistry::SetRootKey(HKEY root) {
    if (root_ != root) {
        CloseKey();
        root_ = root;
    }
}

void TRegistry::ChangeKey(HKEY k, std::string path) {
    key_.reset(k);
    path_ = std::move(path);
}

void TRegistry::CloseKey() {
    key_.reset();
    path_.clear();
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    bool relative = IsRelative(key);
    std::string s = Stripped(key);
    HKEY k = nullptr;
    LONG r;
    if (!canCreate || s.empty()) {
        r = RegOpenKeyExA(BaseKey(relative), s.c_str(), 0, access_, &k);
    } else {
        DWORD disposition = 0;
        r = RegCreateKeyExA(BaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            access_, nullptr, &k, &disposition);
    }
    if (r != ERROR_SUCCESS) return false;
    if (key_ && relative && !s.empty()) s = path_ + "\\" + s;
    else if (s.empty()) s = path_;
    ChangeKey(k, s);
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    bool relative = IsRelative(key);
    std::string s = Stripped(key);
    HKEY k = nullptr;
    if (RegOpenKeyExA(BaseKey(relative), s.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    access_ = KEY_READ;
    if (key_ && relative && !s.empty()) s = path_ + "\\" + s;
    else if (s.empty()) s = path_;
    ChangeKey(k, s);
    return true;
}

void TRegistry::CreateKey(const std::string& key) {
    bool relative = IsRelative(key);
    std::string s = Stripped(key);
    UniqueKey k;
    DWORD disposition = 0;
    LONG r = RegCreateKeyExA(BaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, k.put(), &disposition);
    if (r != ERROR_SUCCESS) throw ERegistryException("Failed to create key " + key);
}

bool TRegistry::KeyExists(const std::string& key) {
    UniqueKey k;
    LONG r = RegOpenKeyExA(BaseKey(IsRelative(key)), Stripped(key).c_str(), 0,
                           STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, k.put());
    return r == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::string& name) {
    HKEY base = key_ ? key_.get() : root_;
    return RegQueryValueExA(base, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& name) {
    HKEY base = key_ ? key_.get() : root_;
    DWORD type = 0, size = 0;
    LONG r = RegQueryValueExA(base, name.c_str(), nullptr, &type, nullptr, &size);
    if (r == ERROR_FILE_NOT_FOUND) return {};
    if (r != ERROR_SUCCESS && r != ERROR_MORE_DATA)
        throw ERegistryException("Failed to get data for '" + name + "'");
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException("Invalid data type for '" + name + "'");
    std::string buf(size + 1, '\0');
    DWORD got = size;
    r = RegQueryValueExA(base, name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buf.data()), &got);
    if (r != ERROR_SUCCESS) throw ERegistryException("Failed to get data for '" + name + "'");
    buf.resize(got);
    auto z = buf.find('\0');
    if (z != std::string::npos) buf.resize(z);
    return buf;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    HKEY base = key_ ? key_.get() : root_;
    LONG r = RegSetValueExA(base, name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1));
    if (r != ERROR_SUCCESS) throw ERegistryException("Failed to set data for '" + name + "'");
}

bool TRegistry::DeleteValue(const std::string& name) {
    HKEY base = key_ ? key_.get() : root_;
    return RegDeleteValueA(base, name.c_str()) == ERROR_SUCCESS;
}

std::vector<std::string> TRegistry::GetKeyNames() {
    std::vector<std::string> names;
    HKEY base = key_ ? key_.get() : root_;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD len = sizeof name;
        LONG r = RegEnumKeyExA(base, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (r != ERROR_SUCCESS) break;
        names.emplace_back(name, len);
    }
    return names;
}

bool TRegistry::HasSubKeys() {
    HKEY base = key_ ? key_.get() : root_;
    DWORD subKeys = 0;
    if (RegQueryInfoKeyA(base, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    return subKeys > 0;
}

bool TRegistry::DeleteKey(const std::string& key) {
    bool relative = IsRelative(key);
    std::string s = Stripped(key);
    if (s.empty()) return false;  // never the current key or a whole root
    HKEY base = BaseKey(relative);
    {
        UniqueKey k;
        if (RegOpenKeyExA(base, s.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, k.put()) ==
            ERROR_SUCCESS) {
            // Collect first: deleting while enumerating shifts the indexes.
            std::vector<std::string> subs;
            for (DWORD i = 0;; ++i) {
                char name[256];
                DWORD len = sizeof name;
                if (RegEnumKeyExA(k.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
                    ERROR_SUCCESS)
                    break;
                subs.emplace_back(name, len);
            }
            for (const auto& sub : subs) {
                std::string child = s + "\\" + sub;
                TRegistry inner(access_);
                inner.SetRootKey(base);
                inner.DeleteKey(child);
            }
        }
    }
    return RegDeleteKeyA(base, s.c_str()) == ERROR_SUCCESS;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& def) const {
    char buf[2048] = {};
    GetPrivateProfileStringA(section.c_str(), ident.c_str(), def.c_str(), buf, sizeof buf,
                             fileName_.c_str());
    return buf;
}

}  // namespace fw
