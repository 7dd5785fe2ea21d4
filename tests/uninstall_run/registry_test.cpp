// The registry stage seen from outside: the product's configuration key goes
// in both roots, its parent only where no other sub-key is left below it; a
// key the user may only read stays; a first-level key is refused.
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

TEST_F(RegistryTest, ConfigKeyGoesInBothRootsItsParentOnlyWhereNoSubKeyIsLeft) {
    ts::ScratchKey lmParent(HKEY_LOCAL_MACHINE, kParent);
    ts::ScratchKey cuParent(HKEY_CURRENT_USER, kParent);
    // Machine: the product's key, three levels deep, under a parent that
    // holds a value but no other key.
    std::string deep = std::string(kConfig) + "\\Viewer\\Window\\Last";
    ts::SetRegString(HKEY_LOCAL_MACHINE, deep, "Left", "10");
    ts::SetRegString(HKEY_LOCAL_MACHINE, kConfig, "Path", product.Root());
    ts::SetRegString(HKEY_LOCAL_MACHINE, kParent, "Vendor", "Orvanta");
    // User: the product's key beside another product's.
    ts::SetRegString(HKEY_CURRENT_USER, std::string(kConfig) + "\\Recent", "1", "a.lmd");
    ts::SetRegString(HKEY_CURRENT_USER, std::string(kParent) + "\\Reader", "Zoom", "100");
    // A key of the same name elsewhere is not the product's.
    ts::ScratchKey other(HKEY_CURRENT_USER, "Software\\OrvtestRunRegistryOther\\Lumadesk");
    ASSERT_TRUE(StageEntry({{"Trace", "1"}, {"ConfigKey", kConfig}}));

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});

    EXPECT_FALSE(ts::RegKeyExists(HKEY_LOCAL_MACHINE, kConfig));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_LOCAL_MACHINE, kParent));
    EXPECT_FALSE(ts::RegKeyExists(HKEY_CURRENT_USER, kConfig));
    EXPECT_TRUE(ts::RegKeyExists(HKEY_CURRENT_USER, kParent));
    EXPECT_EQ(ts::GetRegString(HKEY_CURRENT_USER, std::string(kParent) + "\\Reader", "Zoom"), "100");
    EXPECT_TRUE(ts::RegKeyExists(HKEY_CURRENT_USER, other.Path()));
    std::vector<std::string> lines = TraceAfterOpening();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "CleanupRegistry"), 2);
    for (const auto& line : lines) EXPECT_NE(line.rfind("Error: ", 0), 0u) << line;
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

TEST_F(RegistryTest, FirstLevelConfigKeyIsTracedAsAnErrorAndDeletedNowhere) {
    const char top[] = "OrvtestRunTop";
    ts::ScratchKey lm(HKEY_LOCAL_MACHINE, top);
    ts::ScratchKey cu(HKEY_CURRENT_USER, top);
    ts::SetRegString(HKEY_LOCAL_MACHINE, std::string(top) + "\\Sub", "v", "1");
    ts::SetRegString(HKEY_CURRENT_USER, std::string(top) + "\\Sub", "v", "1");
    ASSERT_TRUE(StageEntry({{"Trace", "1"}, {"ConfigKey", top}}));

    RunResult run = RunUninstaller(exe, ts::Quote(kEntry));
    ASSERT_TRUE(run.windowShown);
    EXPECT_EQ(run.EndTexts(), std::vector<std::string>{"Uninstall completed!"});
    EXPECT_FALSE(ts::UninstallEntryExists(kEntry));
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        EXPECT_EQ(ts::GetRegString(root, std::string(top) + "\\Sub", "v"), "1");
    std::vector<std::string> lines = TraceAfterOpening();
    const std::vector<std::string> stage = {"CleanupRegistry", std::string("Error: Invalid parameter : ") + top};
    auto at = std::search(lines.begin(), lines.end(), stage.begin(), stage.end());
    ASSERT_NE(at, lines.end()) << ::testing::PrintToString(lines);
    EXPECT_NE(std::search(at + 2, lines.end(), stage.begin(), stage.end()), lines.end())
        << ::testing::PrintToString(lines);
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
