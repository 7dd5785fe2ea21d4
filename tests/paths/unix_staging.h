// Linux-side staging for the path tests: symbolic links and shares made by
// commands run through /bin/sh, whose effects are awaited.
#pragma once

#include <windows.h>

#include <string>

#include "tests/support/staging.h"

namespace pt {

// Starts Command through /bin/sh with its standard handles on NUL.  This
// program keeps its own copy of ts::RunUnix: called through the shared one,
// its later standard output was lost under Wine, called from here it is not.  (Wine
// hands a Unix program the descriptors of the caller's standard handles and
// may close them afterwards; with the process's own standard output that
// loses everything the test program writes later.)
inline void RunShell(const std::string& command) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi = {};
    std::string line = "Z:\\bin\\sh -c \"" + command + "\"";
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        if (pi.hProcess) WaitForSingleObject(pi.hProcess, 30000);
        if (pi.hProcess) CloseHandle(pi.hProcess);
        if (pi.hThread) CloseHandle(pi.hThread);
    }
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
}

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
