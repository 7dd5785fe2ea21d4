// TRegistry and TIniFile on the real registry and files of the prefix.
#include <gtest/gtest.h>

#include "framework/base/registry.h"
#include "tests/support/staging.h"

using namespace fw;

namespace {

const char kBase[] = "Software\\OrvantaTest\\Framework";

class RegistryTest : public ::testing::Test {
protected:
    ts::ScratchKey scratch{HKEY_CURRENT_USER, kBase};
};

TEST_F(RegistryTest, RelativeAndAbsoluteOpensBuildTheCurrentPath) {
    TRegistry r;
    r.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_EQ(r.Access(), static_cast<REGSAM>(KEY_ALL_ACCESS));
    EXPECT_EQ(r.CurrentKey(), nullptr);
    ASSERT_TRUE(r.OpenKey(std::string(kBase) + "\\A", true));
    EXPECT_EQ(r.CurrentPath(), std::string(kBase) + "\\A");
    ASSERT_TRUE(r.OpenKey("B", true));  // below the current key
    EXPECT_EQ(r.CurrentPath(), std::string(kBase) + "\\A\\B");
    ASSERT_TRUE(r.OpenKey("", false));  // re-opens the current key
    EXPECT_EQ(r.CurrentPath(), std::string(kBase) + "\\A\\B");
    ASSERT_TRUE(r.OpenKey(std::string("\\") + kBase, false));  // below the root
    EXPECT_EQ(r.CurrentPath(), kBase);
    EXPECT_TRUE(r.KeyExists("A\\B"));
    EXPECT_FALSE(r.KeyExists("Missing"));
    EXPECT_FALSE(r.OpenKey("Missing", false));
    EXPECT_EQ(r.CurrentPath(), kBase);  // a failed open keeps the current key
}

TEST_F(RegistryTest, StringsReadUnexpandedAndOtherTypesRaise) {
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, kBase, "Plain", "C:\\Lumadesk"));
    ASSERT_TRUE(ts::SetRegDword(HKEY_CURRENT_USER, kBase, "Number", 7));
    {
        UniqueKey k;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBase, 0, KEY_SET_VALUE, k.put()), ERROR_SUCCESS);
        const char expand[] = "%SystemRoot%\\x";
        RegSetValueExA(k.get(), "Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand),
                       sizeof expand);
        RegSetValueExA(k.get(), "Empty", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    }
    TRegistry r;
    r.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(r.OpenKey(kBase, false));
    EXPECT_EQ(r.ReadString("Plain"), "C:\\Lumadesk");
    EXPECT_EQ(r.ReadString("Expand"), "%SystemRoot%\\x");
    EXPECT_EQ(r.ReadString("Empty"), "");
    EXPECT_EQ(r.ReadString("Missing"), "");
    EXPECT_TRUE(r.ValueExists("Empty"));
    EXPECT_FALSE(r.ValueExists("Missing"));
    EXPECT_THROW(r.ReadString("Number"), ERegistryException);
    r.WriteString("Written", "value");
    EXPECT_EQ(ts::GetRegString(HKEY_CURRENT_USER, kBase, "Written"), "value");
    EXPECT_TRUE(r.DeleteValue("Written"));
    EXPECT_FALSE(r.DeleteValue("Written"));
}

TEST_F(RegistryTest, KeyNamesSubKeysAndTreeDeletion) {
    std::string base = kBase;
    ts::SetRegString(HKEY_CURRENT_USER, base + "\\T\\One\\Deep\\Deeper", "v", "1");
    ts::SetRegString(HKEY_CURRENT_USER, base + "\\T\\Two", "v", "2");
    TRegistry r;
    r.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(r.OpenKey(base + "\\T", false));
    auto names = r.GetKeyNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"One", "Two"}));
    EXPECT_TRUE(r.HasSubKeys());
    r.CloseKey();
    EXPECT_TRUE(r.DeleteKey("\\" + base + "\\T"));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, base + "\\T"));
    EXPECT_FALSE(r.DeleteKey(base + "\\T"));  // gone: nothing to delete
    EXPECT_FALSE(r.DeleteKey(""));             // never a whole root
}

TEST_F(RegistryTest, KeyGrantingOnlyReadAccess) {
    std::string key = std::string(kBase) + "\\ReadOnly";
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, key, "Path", "C:\\P"));
    ASSERT_TRUE(ts::MakeKeyReadOnly(HKEY_CURRENT_USER, key));
    TRegistry r;
    r.SetRootKey(HKEY_CURRENT_USER);
    EXPECT_FALSE(r.OpenKey(key, false));  // full access is refused
    ASSERT_TRUE(r.OpenKeyReadOnly(key));
    EXPECT_EQ(r.Access(), static_cast<REGSAM>(KEY_READ));
    EXPECT_EQ(r.ReadString("Path"), "C:\\P");
    EXPECT_THROW(r.WriteString("x", "y"), ERegistryException);
    EXPECT_TRUE(ts::RestoreKeyAccess(HKEY_CURRENT_USER, key));
}

TEST_F(RegistryTest, CreateKeyLeavesTheCurrentKeyAndRaisesWhenRefused) {
    TRegistry r;
    r.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(r.OpenKey(kBase, false));
    r.CreateKey("Made\\Deeper");  // below the current key
    EXPECT_TRUE(ts::RegKeyExists(HKEY_CURRENT_USER, std::string(kBase) + "\\Made\\Deeper"));
    EXPECT_EQ(r.CurrentPath(), kBase);
    r.CreateKey(std::string("\\") + kBase + "\\Other");  // below the root
    EXPECT_TRUE(ts::RegKeyExists(HKEY_CURRENT_USER, std::string(kBase) + "\\Other"));

    // Below a volatile key a lasting key cannot be made.
    std::string vol = std::string(kBase) + "\\Volatile";
    {
        UniqueKey k;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, vol.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
                  ERROR_SUCCESS);
    }
    ASSERT_TRUE(r.OpenKey("Volatile", false));
    EXPECT_THROW(r.CreateKey("Child"), ERegistryException);
    EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, vol + "\\Child"));
}

TEST(IniFile, ReadsARealFileAndDefaults) {
    ts::ScratchDir dir("framework_ini");
    std::string file = dir / "Lumadesk.ini";
    ASSERT_TRUE(ts::WriteTextFile(file, "[General]\r\nPath=C:\\Lumadesk\r\nEmpty=\r\n"));
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("General", "Path", ""), "C:\\Lumadesk");
    EXPECT_EQ(ini.ReadString("general", "path", ""), "C:\\Lumadesk");
    EXPECT_EQ(ini.ReadString("General", "Empty", "d"), "");
    EXPECT_EQ(ini.ReadString("General", "Missing", "d"), "d");
    EXPECT_EQ(ini.ReadString("Other", "Path", ""), "");
    EXPECT_EQ(TIniFile(dir / "missing.ini").ReadString("General", "Path", "x"), "x");
}

}  // namespace
