// The configuration store on real INI files and on the real registry of the
// prefix: medium choice, sections, the key walk with its read-only fall-back
// and code 28, required values and code 29, the write test.
#include <gtest/gtest.h>

#include "framework/base/registry.h"
#include "tests/kxlib_config/raised.h"
#include "tests/support/staging.h"
#include "uninstall/kxlib/config.h"

using kx::TConfig;

namespace {

const std::string kBase = "Software\\OrvantaTest\\KxConfig";

std::string Long(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
    return s;
}

bool SetRegValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
                 const std::string& data) {
    fw::UniqueKey k;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, k.put(),
                        nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(k.get(), name.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

bool HasValue(HKEY root, const std::string& key, const std::string& name) {
    fw::UniqueKey k;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, k.put()) != ERROR_SUCCESS) return false;
    return RegQueryValueExA(k.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

// ---------------------------------------------------------------- medium

TEST(ConfigMode, ChosenByAnExistingFileOrAnIniName) {
    ts::ScratchDir dir("kx_config_mode");
    ASSERT_TRUE(ts::WriteTextFile(dir / "store.cfg", "[General]\r\n"));
    ASSERT_TRUE(ts::WriteTextFile(dir / "noext", ""));
    ts::MakeDirs(dir / "folder");
    ts::MakeDirs(dir / "folder.ini");

    EXPECT_EQ(TConfig(dir / "store.cfg").Mode, kx::cmIniFile);   // any extension
    EXPECT_EQ(TConfig(dir / "noext").Mode, kx::cmIniFile);
    EXPECT_EQ(TConfig(dir / "missing.ini").Mode, kx::cmIniFile);
    EXPECT_EQ(TConfig(dir / "MISSING.Ini").Mode, kx::cmIniFile);
    EXPECT_EQ(TConfig("Lumadesk.INI").Mode, kx::cmIniFile);
    EXPECT_EQ(TConfig(dir / "missing.cfg").Mode, kx::cmRegistry);
    EXPECT_EQ(TConfig(dir / "folder").Mode, kx::cmRegistry);    // a folder is no file
    EXPECT_EQ(TConfig(dir / "folder.ini\\sub").Mode, kx::cmRegistry);  // dot in a folder
    EXPECT_EQ(TConfig("Software\\Orvanta\\Lumadesk").Mode, kx::cmRegistry);
    EXPECT_EQ(TConfig("Software\\Orvanta\\Lumadesk.ini").Mode, kx::cmIniFile);
    EXPECT_EQ(TConfig("").Mode, kx::cmRegistry);

    TConfig c(dir / "store.cfg");
    EXPECT_EQ(c.StorePath, dir / "store.cfg");
    EXPECT_FALSE(c.IniFile);
    EXPECT_FALSE(c.Registry);
    EXPECT_EQ(TConfig(Long(300)).StorePath, Long(255));
}

// ---------------------------------------------------------------- INI

class IniConfig : public ::testing::Test {
protected:
    ts::ScratchDir dir{"kx_config_ini"};
    std::string file = dir / "Bin\\Lumadesk.ini";
    void SetUp() override {
        ASSERT_TRUE(ts::WriteTextFile(file,
            "[General]\r\nPath=C:\\Lumadesk\r\nEmpty=\r\nLong=" + Long(300) +
            "\r\n[Options]\r\nUserLanguage=FR\r\n"));
    }
};

TEST_F(IniConfig, DefaultSectionIsGeneral) {
    TConfig c(file);
    c.OpenSection(0, "", true);
    ASSERT_TRUE(c.IniFile);
    EXPECT_FALSE(c.Registry);
    EXPECT_EQ(c.Section, "General");
    EXPECT_EQ(c.SectionPath(false), "General");
    EXPECT_EQ(c.SectionPath(true), "[General]");
    EXPECT_EQ(c.ReadString("Path", true), "C:\\Lumadesk");
    EXPECT_EQ(c.ReadString("path", true), "C:\\Lumadesk");
    EXPECT_EQ(c.ReadString("Long", false), Long(255));
    EXPECT_EQ(c.ReadString("UserLanguage", false), "");  // another section's
    EXPECT_TRUE(c.CanWrite());
    EXPECT_EQ(c.Section, "General");  // CanWrite opens nothing in an INI file
}

TEST_F(IniConfig, NamedSectionAndRequiredValues) {
    TConfig c(file);
    c.OpenSection(1, "Options\\", false);  // root and trailing backslash play no part
    EXPECT_EQ(c.Section, "Options");
    EXPECT_EQ(c.SectionPath(true), "[Options]");
    EXPECT_EQ(c.ReadString("UserLanguage", true), "FR");

    c.OpenSection(0, "", true);
    auto e = ts::Raised([&] { c.ReadString("Empty", true); });
    EXPECT_EQ(e.Code, 29);
    EXPECT_EQ(e.Context, "[General]\\Empty");
    e = ts::Raised([&] { c.ReadString("Missing", true); });
    EXPECT_EQ(e.Code, 29);
    EXPECT_EQ(e.Context, "[General]\\Missing");
    EXPECT_EQ(c.ReadString("Empty", false), "");
    EXPECT_EQ(c.ReadString("Missing", false), "");
}

TEST_F(IniConfig, MissingFileReadsEmptyAndClosedStoreRefuses) {
    TConfig c(dir / "absent.ini");
    c.OpenSection(0, "", true);  // nothing is verified
    EXPECT_EQ(c.ReadString("Path", false), "");
    EXPECT_EQ(ts::Raised([&] { c.ReadString("Path", true); }).Code, 29);
    c.CloseSection();
    EXPECT_FALSE(c.IniFile);
    EXPECT_EQ(ts::Raised([&] { c.ReadString("Path", false); }).Code, 2);
    c.CloseSection();  // closing twice is harmless
}

// ---------------------------------------------------------------- registry

class RegistryConfig : public ::testing::Test {
protected:
    ts::ScratchKey user{HKEY_CURRENT_USER, kBase};
    ts::ScratchKey machine{HKEY_LOCAL_MACHINE, kBase};
};

TEST_F(RegistryConfig, RootSelectorsAndSectionPaths) {
    const std::string base = kBase + "\\Lumadesk";
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, base + "\\Options", "Lang", "machine"));
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, base + "\\Options", "Lang", "user"));
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, base + "\\NewUser\\Options", "Lang", "new"));
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, base, "Path", "C:\\Lumadesk"));

    TConfig c(base);
    ASSERT_EQ(c.Mode, kx::cmRegistry);
    c.OpenSection(0, "", true);
    ASSERT_TRUE(c.Registry);
    EXPECT_FALSE(c.IniFile);
    EXPECT_EQ(c.Registry->RootKey(), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(c.SectionPath(false), base + "\\");
    EXPECT_EQ(c.SectionPath(true), "HKEY_LOCAL_MACHINE\\" + base + "\\");
    EXPECT_EQ(c.ReadString("Path", true), "C:\\Lumadesk");

    c.OpenSection(0, "Options\\", true);
    EXPECT_EQ(c.Section, "Options");
    EXPECT_EQ(c.ReadString("Lang", true), "machine");

    c.OpenSection(1, "Options", true);
    EXPECT_EQ(c.Root, kx::rsCurrentUser);
    EXPECT_EQ(c.Registry->RootKey(), HKEY_CURRENT_USER);
    EXPECT_EQ(c.SectionPath(true), "HKEY_CURRENT_USER\\" + base + "\\Options");
    EXPECT_EQ(c.ReadString("Lang", true), "user");

    c.OpenSection(2, "Options", true);
    EXPECT_EQ(c.Registry->RootKey(), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(c.Registry->CurrentPath(), base + "\\NewUser\\Options");
    EXPECT_EQ(c.SectionPath(false), base + "\\NewUser\\Options");
    EXPECT_EQ(c.SectionPath(true), "HKEY_LOCAL_MACHINE\\" + base + "\\NewUser\\Options");
    EXPECT_EQ(c.ReadString("Lang", true), "new");

    c.CloseSection();
    EXPECT_FALSE(c.Registry);
}

TEST_F(RegistryConfig, LeadingAndTrailingBackslashesOpenTheSameKey) {
    const std::string base = kBase + "\\Slashes";
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, base, "Path", "C:\\Same"));
    for (const std::string& p : {base, "\\" + base, base + "\\", "\\" + base + "\\"}) {
        SCOPED_TRACE(p);
        auto reg = kx::NewRegistry(1);
        kx::OpenKeyPath(*reg, p, true);
        EXPECT_EQ(reg->CurrentPath(), base);
        EXPECT_EQ(reg->ReadString("Path"), "C:\\Same");

        TConfig c(p);
        c.OpenSection(1, "", true);
        EXPECT_EQ(c.ReadString("Path", true), "C:\\Same");
    }
    EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, base + "\\" + base));
}

TEST_F(RegistryConfig, MissingTreeIsCreatedComponentByComponent) {
    const std::string base = kBase + "\\New\\Deeper";
    TConfig c(base);
    c.OpenSection(1, "Deepest\\", false);
    EXPECT_TRUE(ts::RegKeyExists(HKEY_CURRENT_USER, base + "\\Deepest"));
    EXPECT_EQ(c.Registry->CurrentPath(), base + "\\Deepest");
    EXPECT_EQ(c.Registry->Access(), static_cast<REGSAM>(KEY_ALL_ACCESS));
    EXPECT_TRUE(kx::TestKeyWritable(*c.Registry));
    EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, base + "\\Deepest", "__Orvanta__Test__"));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_LOCAL_MACHINE, base));  // the selector's root only
}

TEST_F(RegistryConfig, MissingKeyWithMustExistNamesThePathDownToIt) {
    TConfig c(kBase + "\\Missing\\More");
    auto e = ts::Raised([&] { c.OpenSection(1, "Sect", true); });
    EXPECT_EQ(e.Code, 28);
    EXPECT_EQ(e.Context, "HKEY_CURRENT_USER\\" + kBase + "\\Missing");
    EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, kBase + "\\Missing"));
    EXPECT_TRUE(c.Registry);  // assigned until the next close
    c.CloseSection();
    EXPECT_FALSE(c.Registry);

    // The first component missing: still a backslash after the root's name.
    auto reg = kx::NewRegistry(0);
    e = ts::Raised([&] { kx::OpenKeyPath(*reg, "\\OrvantaKxMissingTop\\X", true); });
    EXPECT_EQ(e.Code, 28);
    EXPECT_EQ(e.Context, "HKEY_LOCAL_MACHINE\\OrvantaKxMissingTop");
    EXPECT_FALSE(ts::RegKeyExists(HKEY_LOCAL_MACHINE, "OrvantaKxMissingTop"));
}

TEST_F(RegistryConfig, ValuesAsText) {
    const std::string key = kBase + "\\Values";
    ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, key, "Expand", REG_EXPAND_SZ, "%SystemRoot%\\x"));
    ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, key, "Empty", REG_SZ, ""));
    ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, key, "Long", REG_SZ, Long(300)));
    ASSERT_TRUE(ts::SetRegDword(HKEY_CURRENT_USER, key, "Number", 7));

    TConfig c(kBase);
    c.OpenSection(1, "Values", true);
    EXPECT_EQ(c.ReadString("Expand", true), "%SystemRoot%\\x");
    EXPECT_EQ(c.ReadString("Long", true), Long(255));
    EXPECT_EQ(c.ReadString("Empty", false), "");
    EXPECT_EQ(c.ReadString("Missing", false), "");
    EXPECT_THROW(c.ReadString("Number", false), fw::ERegistryException);

    auto e = ts::Raised([&] { c.ReadString("Empty", true); });
    EXPECT_EQ(e.Code, 29);
    EXPECT_EQ(e.Context, "HKEY_CURRENT_USER\\" + key + "\\Empty");
    e = ts::Raised([&] { c.ReadString("Missing", true); });
    EXPECT_EQ(e.Code, 29);
    EXPECT_EQ(e.Context, "HKEY_CURRENT_USER\\" + key + "\\Missing");
}

// A key whose security grants only read access, with a writable sub-key.
class ReadOnlyConfig : public RegistryConfig {
protected:
    const std::string key = kBase + "\\Locked";
    void SetUp() override {
        ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, key, "Path", "C:\\Locked"));
        ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, key + "\\Sub", "Lang", "EN"));
        ASSERT_TRUE(ts::MakeKeyReadOnly(HKEY_CURRENT_USER, key));
    }
    void TearDown() override { ts::RestoreKeyAccess(HKEY_CURRENT_USER, key); }
};

TEST_F(ReadOnlyConfig, FallsBackToReadAccessThatSticks) {
    TConfig c(key);
    c.OpenSection(1, "", true);
    EXPECT_EQ(c.ReadString("Path", true), "C:\\Locked");
    EXPECT_EQ(c.Registry->Access(), static_cast<REGSAM>(KEY_READ));
    EXPECT_FALSE(kx::TestKeyWritable(*c.Registry));

    // The sub-key itself grants full access ...
    fw::TRegistry direct;
    direct.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(direct.OpenKey(key + "\\Sub", false));
    EXPECT_TRUE(kx::TestKeyWritable(direct));
    // ... but reached through the read-only key it is opened for reading.
    c.OpenSection(1, "Sub", true);
    EXPECT_EQ(c.ReadString("Lang", true), "EN");
    EXPECT_EQ(c.Registry->Access(), static_cast<REGSAM>(KEY_READ));
    EXPECT_FALSE(kx::TestKeyWritable(*c.Registry));
    EXPECT_FALSE(HasValue(HKEY_CURRENT_USER, key + "\\Sub", "__Orvanta__Test__"));
}

TEST_F(RegistryConfig, KeyThatCannotBeCreatedRaisesTheRegistryError) {
    // Below a volatile key only volatile keys can be made; the walk creates
    // lasting ones.
    const std::string key = kBase + "\\Volatile";
    {
        fw::UniqueKey k;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
                  ERROR_SUCCESS);
    }
    TConfig c(key);
    try {
        c.OpenSection(1, "NewChild", false);
        ADD_FAILURE() << "nothing raised";
    } catch (const fw::ERegistryException& e) {
        EXPECT_NE(e.Message().find("NewChild"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, key + "\\NewChild"));
    EXPECT_TRUE(c.Registry);
    EXPECT_EQ(c.Registry->CurrentPath(), key);  // the walk stopped at the parent
}

TEST_F(RegistryConfig, CanWriteTestsTheBaseKeyBelowTheMachineRoot) {
    const std::string base = kBase + "\\Store";
    TConfig c(base);
    c.OpenSection(1, "Options", false);
    EXPECT_TRUE(c.CanWrite());  // creates the machine's base key
    EXPECT_EQ(c.Root, kx::rsMachine);
    EXPECT_EQ(c.Section, "");
    EXPECT_EQ(c.Registry->RootKey(), HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(ts::RegKeyExists(HKEY_LOCAL_MACHINE, base));
    EXPECT_FALSE(HasValue(HKEY_LOCAL_MACHINE, base, "__Orvanta__Test__"));

    ASSERT_TRUE(ts::MakeKeyReadOnly(HKEY_LOCAL_MACHINE, base));
    TConfig locked(base);
    EXPECT_FALSE(locked.CanWrite());
    EXPECT_EQ(locked.Registry->Access(), static_cast<REGSAM>(KEY_READ));
    EXPECT_TRUE(ts::RestoreKeyAccess(HKEY_LOCAL_MACHINE, base));
}

// ---------------------------------------------------------------- globals

TEST_F(RegistryConfig, GlobalStore) {
    kx::FreeConfig();
    EXPECT_EQ(ts::Raised([] { kx::OpenConfigSection(0, "", true); }).Code, 2);
    EXPECT_EQ(ts::Raised([] { kx::ReadConfig("Path", false); }).Code, 2);
    kx::CloseConfig();  // nothing to close

    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, kBase, "Path", "C:\\Lumadesk"));
    kx::Config = std::make_unique<TConfig>(kBase);
    kx::OpenConfigSection(0, "", true);
    EXPECT_TRUE(kx::Config->CanWrite());
    EXPECT_EQ(kx::ReadConfig("Path", true), "C:\\Lumadesk");
    EXPECT_EQ(kx::ReadConfig("ServerPath", false), "");
    auto e = ts::Raised([] { kx::ReadConfig("UserLanguage", true); });
    EXPECT_EQ(e.Code, 29);
    EXPECT_EQ(e.Context, "HKEY_LOCAL_MACHINE\\" + kBase + "\\UserLanguage");
    kx::CloseConfig();
    EXPECT_FALSE(kx::Config->Registry);
    kx::FreeConfig();
    EXPECT_FALSE(kx::Config);
}

}  // namespace
