// The common ground of the run's end-to-end cases: a scratch folder with the
// product in it, the uninstall entry of the case, the shell items staged in
// the user's real Start menu and desktop, and the removals a run leaves for
// the restart, all taken away after each case.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/uninstall_run/run_support.h"

namespace rt {

constexpr char kEntry[] = "Orvanta Lumadesk Run Test";

class RunTest : public ::testing::Test {
protected:
    fw::OleInit ole;  // the shell link object writes the shortcuts
    // Whatever a run leaves for the restart to remove is taken off the
    // platform's list again after the case.
    PendingRemovals pending;
    ts::ScratchDir dir{"uninstall_run"};
    Product product{dir / "Lumadesk"};
    ShellItems shell;
    const std::string programs = ShellFolder("Programs");
    const std::string desktop = ShellFolder("Desktop");

    void TearDown() override { ts::RemoveUninstallEntry(kEntry); }

    // The usual installation: help files, the program, a library.
    void StageProduct() {
        product.File("Lumadesk.chm");
        product.File("Bin\\Lumadesk.exe");
        product.File("Bin\\KxLib.dll");
        product.File("Doc\\Guide.chm");
    }
    bool StageEntry(ts::Values more = {}) {
        ts::Values v = {{"Path", product.Root()}, {"DisplayName", "Orvanta Lumadesk"}};
        v.insert(v.end(), more.begin(), more.end());
        return ts::StageUninstallEntry(kEntry, v);
    }
};

inline bool Contains(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

}  // namespace rt
