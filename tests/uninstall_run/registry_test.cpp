// The registry stage seen from outside: the product's configuration key goes
// in both roots, its parent only where neither another key nor a value is
// left in it; a key the user may only read stays; a first-level key is
// refused.
#include "tests/uninstall_run/run_fixture.h"

namespace rt {
namespace {

class RegistryTest : public RunTest {
protected:
    std::string exe;
    void SetUp() override {
        StageProduct();
        exe = PlaceUninstaller(dir / "Common");
    }
    std::vector<std::string> TraceAfterOpening() {
        std::vector<std::string> lines = Lines(dir / "Common\\Trace.txt");
        return lines.size() < 3 ? lines : std::vector<std::string>(lines.begin() + 3, lines.end());
    }
};

const char kParent[] = "Software\\OrvtestRunRegistry";
const char kConfig[] = "Software\\OrvtestRunRegistry\\Lumadesk";

// The vendor's key (the configuration key's parent) goes only when nothing
// of anyone else is left in it: a value (another product's setting, a
// licence server's name, the default value) or another product's key keeps
// it, in either root.
TEST_F(RegistryTest, VendorKeyGoesOnlyWhenItHoldsNeitherKeysNorValues) {
    struct Case {
        const char* name;
        HKEY root;
        std::string value;  // a value of the parent's ("" for none; "@" the default value)
        bool otherKey;      // another product's key below the parent
    };
    const Case cases[] = {
        {"machine, a named value", HKEY_LOCAL_MACHINE, "LicenceServer", false},
        {"user, the default value", HKEY_CURRENT_USER, "@", false},
        {"machine, another product's key", HKEY_LOCAL_MACHINE, "", true},
        {"user, nothing else", HKEY_CURRENT_USER, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ts::ScratchKey lmParent(HKEY_LOCAL_MACHINE, kParent);
        ts::ScratchKey cuParent(HKEY_CURRENT_USER, kParent);
        // The product's key, three levels deep, in both roots.
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            ts::SetRegString(root, std::string(kConfig) + "\\Viewer\\Window\\Last", "Left", "10");
            ts::SetRegString(root, kConfig, "Path", product.Root());
        }
        if (!c.value.empty()) ts::SetRegString(c.root, kParent, c.value == "@" ? "" : c.value, "orvanta-lic");
        if (c.otherKey) ts::SetRegString(c.root, std::string(kParent) + "\\Reader", "Zoom", "100");
        ASSERT_TRUE(StageEntry({{"Trace", "1"}, {"ConfigKey", kConfig}}));

        RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
        ASSERT_TRUE(run.windowShown);
        EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) EXPECT_FALSE(ts::RegKeyExists(root, kConfig));
        const HKEY other = c.root == HKEY_LOCAL_MACHINE ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        EXPECT_FALSE(ts::RegKeyExists(other, kParent));
        const bool kept = !c.value.empty() || c.otherKey;
        EXPECT_EQ(ts::RegKeyExists(c.root, kParent), kept);
        if (!c.value.empty()) {
            EXPECT_EQ(ts::GetRegString(c.root, kParent, c.value == "@" ? "" : c.value), "orvanta-lic");
        }
        if (c.otherKey) {
            EXPECT_EQ(ts::GetRegString(c.root, std::string(kParent) + "\\Reader", "Zoom"), "100");
        }
        std::vector<std::string> lines = TraceAfterOpening();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "CleanupRegistry"), 2);
        for (const auto& line : lines) EXPECT_NE(line.rfind("Error: ", 0), 0u) << line;
    }
}

TEST_F(RegistryTest, KeyTheUserMayOnlyReadStaysAndTheRunCompletes) {
    ts::ScratchKey lmParent(HKEY_LOCAL_MACHINE, kParent);
    ts::ScratchKey cuParent(HKEY_CURRENT_USER, kParent);
    ts::SetRegString(HKEY_LOCAL_MACHINE, kConfig, "Path", product.Root());
    // The user's copy of the key grants only read access (a policy did it).
    ts::SetRegString(HKEY_CURRENT_USER, kConfig, "Locked", "1");
    ts::SetRegString(HKEY_CURRENT_USER, std::string(kConfig) + "\\Recent", "1", "a.lmd");
    ASSERT_TRUE(ts::MakeKeyReadOnly(HKEY_CURRENT_USER, kConfig));
    ASSERT_TRUE(StageEntry({{"ConfigKey", kConfig}}));

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ts::RestoreKeyAccess(HKEY_CURRENT_USER, kConfig);
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_LOCAL_MACHINE, kParent));
    // The guarded key stays whole, and so its parent.
    EXPECT_EQ(ts::GetRegString(HKEY_CURRENT_USER, kConfig, "Locked"), "1");
    EXPECT_EQ(ts::GetRegString(HKEY_CURRENT_USER, std::string(kConfig) + "\\Recent", "1"), "a.lmd");
    EXPECT_TRUE(ts::RegKeyExists(HKEY_CURRENT_USER, kParent));
}

TEST_F(RegistryTest, FirstLevelConfigKeyStopsTheStartUpAndIsDeletedNowhere) {
    const char top[] = "OrvtestRunTop";
    ts::ScratchKey lm(HKEY_LOCAL_MACHINE, top);
    ts::ScratchKey cu(HKEY_CURRENT_USER, top);
    ts::SetRegString(HKEY_LOCAL_MACHINE, std::string(top) + "\\Sub", "v", "1");
    ts::SetRegString(HKEY_CURRENT_USER, std::string(top) + "\\Sub", "v", "1");
    ASSERT_TRUE(StageEntry({{"ConfigKey", top}}));

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    EXPECT_FALSE(run.windowShown);
    ASSERT_EQ(run.startMessages.size(), 1u);
    EXPECT_EQ(run.startMessages[0].text, std::string("Invalid parameter : ") + top + ".");
    EXPECT_EQ(run.exitCode, 1603u);
    EXPECT_TRUE(ts::UninstallEntryExists(kEntry));
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        EXPECT_EQ(ts::GetRegString(root, std::string(top) + "\\Sub", "v"), "1");
}

TEST_F(RegistryTest, EmptyConfigKeyLeavesTheRegistryStageOutOfTheTrace) {
    ASSERT_TRUE(StageEntry({{"Trace", "1"}}));
    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    std::vector<std::string> lines = TraceAfterOpening();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "CleanUpFiles");
    EXPECT_EQ(lines[1].rfind("CleanupIconFolder: ", 0), 0u);
    EXPECT_FALSE(Contains(lines, "CleanupRegistry"));
}

}  // namespace
}  // namespace rt
