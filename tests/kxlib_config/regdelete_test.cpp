// KxDeleteKey on the real registry: whole trees, missing keys, keys that
// grant only read access, and the paths it must refuse.
#include <gtest/gtest.h>

#include "tests/kxlib_config/raised.h"
#include "tests/support/staging.h"
#include "uninstall/kxlib/registry.h"

namespace {

const std::string kBase = "Software\\OrvantaTest\\KxDelete";

class DeleteKey : public ::testing::Test {
protected:
    ts::ScratchKey user{HKEY_CURRENT_USER, kBase};
    ts::ScratchKey machine{HKEY_LOCAL_MACHINE, kBase};
    const std::string prod = kBase + "\\Lumadesk";

    // Lumadesk\A\B\C and Lumadesk\X, each with a value.
    void StageTree(HKEY root) {
        ASSERT_TRUE(ts::SetRegString(root, prod, "Path", "C:\\Lumadesk"));
        ASSERT_TRUE(ts::SetRegString(root, prod + "\\A", "v", "a"));
        ASSERT_TRUE(ts::SetRegString(root, prod + "\\A\\B", "v", "b"));
        ASSERT_TRUE(ts::SetRegString(root, prod + "\\A\\B\\C", "v", "c"));
        ASSERT_TRUE(ts::SetRegString(root, prod + "\\X", "v", "x"));
    }
};

TEST_F(DeleteKey, RemovesAThreeLevelTree) {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        StageTree(root);
        ASSERT_TRUE(ts::SetRegString(root, kBase + "\\Lumadesk2", "v", "sibling"));
        kx::KxDeleteKey(root, prod);
        EXPECT_FALSE(ts::RegKeyExists(root, prod + "\\A\\B\\C"));
        EXPECT_FALSE(ts::RegKeyExists(root, prod));
        EXPECT_TRUE(ts::RegKeyExists(root, kBase));
        EXPECT_EQ(ts::GetRegString(root, kBase + "\\Lumadesk2", "v"), "sibling");
    }
}

TEST_F(DeleteKey, BackslashesAroundThePathNameTheSameKey) {
    for (const std::string& p : {"\\" + prod, prod + "\\", "\\" + prod + "\\"}) {
        SCOPED_TRACE(p);
        StageTree(HKEY_CURRENT_USER);
        kx::KxDeleteKey(HKEY_CURRENT_USER, p);
        EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, prod));
        EXPECT_TRUE(ts::RegKeyExists(HKEY_CURRENT_USER, kBase));
    }
}

TEST_F(DeleteKey, MissingKeyIsNoError) {
    EXPECT_NO_THROW(kx::KxDeleteKey(HKEY_CURRENT_USER, prod + "\\Missing"));
    EXPECT_NO_THROW(kx::KxDeleteKey(HKEY_CURRENT_USER, "OrvantaKxMissing\\Missing"));
    EXPECT_TRUE(ts::RegKeyExists(HKEY_CURRENT_USER, kBase));
}

TEST_F(DeleteKey, KeyGrantingOnlyReadAccessStays) {
    const std::string locked = prod + "\\Locked";
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, locked, "v", "kept"));
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, locked + "\\Inner", "v", "inner"));
    ASSERT_TRUE(ts::MakeKeyReadOnly(HKEY_CURRENT_USER, locked));

    EXPECT_NO_THROW(kx::KxDeleteKey(HKEY_CURRENT_USER, locked));
    EXPECT_EQ(ts::GetRegString(HKEY_CURRENT_USER, locked, "v"), "kept");
    EXPECT_EQ(ts::GetRegString(HKEY_CURRENT_USER, locked + "\\Inner", "v"), "inner");

    // Below a parent: the sub-trees we may change go and nothing is raised.
    // (Whether the parent's final deletion may take the locked key with it
    // is the platform's decision: Windows refuses it, Wine does not enforce a
    // key's delete right.)
    StageTree(HKEY_CURRENT_USER);
    EXPECT_NO_THROW(kx::KxDeleteKey(HKEY_CURRENT_USER, prod));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, prod + "\\A"));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, prod + "\\X"));
    ts::RestoreKeyAccess(HKEY_CURRENT_USER, locked);
}

TEST_F(DeleteKey, RefusesEmptyAndFirstLevelPaths) {
    // A first-level key of our own, so that a wrong deletion would show.
    const std::string top = "OrvantaKxTop";
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, top + "\\Child", "v", "1"));
    for (const std::string& p : {std::string(), std::string("\\"), std::string("\\\\"),
                                 top, "\\" + top + "\\", top + "\\\\",
                                 std::string("Software"), std::string("\\Software\\"),
                                 std::string("SOFTWARE")}) {
        SCOPED_TRACE(p);
        auto e = ts::Raised([&] { kx::KxDeleteKey(HKEY_CURRENT_USER, p); });
        EXPECT_EQ(e.Code, 41);
        EXPECT_EQ(e.Context, p);
    }
    EXPECT_EQ(ts::GetRegString(HKEY_CURRENT_USER, top + "\\Child", "v"), "1");
    EXPECT_TRUE(ts::RegKeyExists(HKEY_CURRENT_USER, kBase));
    ts::DeleteRegTree(HKEY_CURRENT_USER, top);
}

TEST_F(DeleteKey, RefusesTheSystemsKeysAndTheirParents) {
    const std::string folders =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    for (const std::string& p : {
             std::string("Software\\Microsoft"), std::string("\\software\\MICROSOFT\\"),
             std::string("Software\\Classes"), std::string("Software\\Wow6432Node"),
             std::string("Software\\Policies"),
             std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"),
             std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"),
             std::string("Software\\Microsoft\\Windows"),  // holds the Uninstall key
             std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"),
             folders, "\\" + folders, std::string("SYSTEM"), std::string("\\system\\")}) {
        SCOPED_TRACE(p);
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            auto e = ts::Raised([&] { kx::KxDeleteKey(root, p); });
            EXPECT_EQ(e.Code, 41);
            EXPECT_EQ(e.Context, p);
        }
    }
    EXPECT_TRUE(ts::RegKeyExists(HKEY_CURRENT_USER, folders));
    EXPECT_FALSE(ts::GetRegString(HKEY_CURRENT_USER, folders, "Programs").empty());
    EXPECT_TRUE(ts::RegKeyExists(HKEY_LOCAL_MACHINE,
                                 "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
}

TEST_F(DeleteKey, KeysBelowOrBesideTheSystemsKeysAreRemoved) {
    // Below a guarded key, and names that merely begin like one.
    for (const std::string& p : {std::string("Software\\Classes\\OrvantaKxTest"),
                                 std::string("Software\\MicrosoftOrvantaKxTest"),
                                 std::string("SystemOrvantaKx\\Sub"),
                                 std::string("Software\\OrvantaKxTwo")}) {
        SCOPED_TRACE(p);
        ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, p + "\\Inner", "v", "1"));
        EXPECT_NO_THROW(kx::KxDeleteKey(HKEY_CURRENT_USER, p));
        EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, p));
    }
    ts::DeleteRegTree(HKEY_CURRENT_USER, "SystemOrvantaKx");
}

TEST(ProtectedKeyPath, ComparesWholeComponents) {
    EXPECT_TRUE(kx::IsProtectedKeyPath(""));
    EXPECT_TRUE(kx::IsProtectedKeyPath("Software\\\\"));
    EXPECT_TRUE(kx::IsProtectedKeyPath("Software\\\\Microsoft"));
    EXPECT_FALSE(kx::IsProtectedKeyPath("Software\\Orvanta"));
    EXPECT_FALSE(kx::IsProtectedKeyPath("Software\\Microsoft\\Orvanta"));
    EXPECT_FALSE(kx::IsProtectedKeyPath("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumadesk"));
    EXPECT_FALSE(kx::IsProtectedKeyPath("Software\\Micro"));
}

}  // namespace

namespace {

// The configuration key that a run deletes in both roots: a product's key
// below a vendor's, never one the system and every program share.
TEST(ProductKeyPath, OnlyAProductsKeyBelowItsVendors) {
    const struct {
        std::string path;
        bool product;
    } cases[] = {
        {"Software\\Orvanta\\Lumadesk", true},
        {"\\SOFTWARE\\orvanta\\Lumadesk\\", true},
        {"Software\\Orvanta\\Lumadesk\\Settings", true},
        {"Software\\Wow6432Node\\Orvanta\\Lumadesk", true},
        {"Software\\Orvanta", false},  // a vendor's key holds its other products
        {"Software", false},
        {"", false},
        {"\\", false},
        {"Software\\Microsoft\\Windows\\CurrentVersion\\Run", false},
        {"Software\\Microsoft\\Orvanta", false},
        {"Software\\Classes\\CLSID", false},
        {"Software\\Policies\\Orvanta", false},
        {"Software\\Wow6432Node\\Microsoft\\Windows", false},
        {"Software\\Wow6432Node\\Classes\\CLSID", false},
        {"Software\\Wow6432Node\\Policies\\Orvanta", false},
        {"Software\\Wow6432Node\\Orvanta", false},
        {"SYSTEM\\CurrentControlSet\\Services", false},
        {"Environment\\Orvanta\\Lumadesk", false},
        {"Software\\\\Orvanta\\Lumadesk", false},  // an empty component
        {"Software\\Orvanta\\" + std::string(240, 'L'), false},  // longer than 255: never cut
    };
    for (const auto& c : cases) EXPECT_EQ(kx::IsProductKeyPath(c.path), c.product) << c.path;
}

}  // namespace
