// Linux-side staging for the path tests: symbolic links and shares made by
// commands run through /bin/sh, whose effects are awaited.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/staging.h"

namespace pt {

inline void RunShell(const std::string& command) { ts::RunUnix(command); }

// Runs Command and waits up to ten seconds until Done() holds (Wine may hand
// back control while the command is still at work); Done()'s last answer.
template <typename F>
bool RunUnixUntil(const std::string& command, F&& done) {
    RunShell(command);
    for (int i = 0; i < 200; ++i) {
        if (done()) return true;
        Sleep(50);
    }
    return done();
}

inline bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A Unix symbolic link at Link to Target; true once Wine sees it.
inline bool MakeUnixLink(const std::string& target, const std::string& link) {
    return RunUnixUntil("ln -sfn '" + ts::UnixPath(target) + "' '" + ts::UnixPath(link) + "'",
                        [&] { return Exists(link); });
}

inline bool RemoveUnixLink(const std::string& link) {
    return RunUnixUntil("rm -f '" + ts::UnixPath(link) + "'", [&] { return !Exists(link); });
}

}  // namespace pt
