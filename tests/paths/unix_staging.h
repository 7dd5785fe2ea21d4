// Linux-side staging for the path tests: a command run through /bin/sh may
// still be at work when Wine hands back control, so its effect is awaited.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/staging.h"

namespace pt {

// Runs Command and waits up to ten seconds until Done() holds; Done()'s
// last answer.
template <typename F>
bool RunUnixUntil(const std::string& command, F&& done) {
    ts::RunUnix(command);
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
