// The package loads where the build put it, with nothing else on the path:
// a program alone in its folder loads it by its full name.
#include <gtest/gtest.h>

#include "tests/support/winauto.h"

namespace {

// A Linux path of the build as Wine sees it (drive Z: is the root).
std::string WinePath(std::string unixPath) {
    for (char& c : unixPath)
        if (c == '/') c = '\\';
    return "Z:" + unixPath;
}

TEST(FolvexPackage, LoadsFromItsBuildFolderAlone) {
    ts::ChildProcess host(ts::Quote(WinePath(FOLVEX_LOADCHECK_FILE)) + " " +
                          ts::Quote(WinePath(FOLVEX_PACKAGE_FILE)));
    ASSERT_TRUE(host.Started());
    // 0: loaded; 126: a DLL it needs is missing; 2, 3: export or text missing.
    EXPECT_EQ(host.Wait(), 0u);
}

}  // namespace
