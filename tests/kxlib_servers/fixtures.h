// The test libraries of tests/fixtures as the tests find and stage them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "uninstall/kxlib/errors.h"

namespace fx {

// The full Windows path of a built test library: <build>\tests\fixtures\<folder>\<file>.
std::string FixturePath(const std::string& folder, const std::string& file);
// Copies a built test library to Target; false on failure.
bool CopyFixture(const std::string& folder, const std::string& file, const std::string& target);

// The recording server's log next to it: one line per entry-point call.
std::string CallsOf(const std::string& serverPath);

// Whether the library of that full path is loaded in this process.
bool IsLoaded(const std::string& path);

// The thread's OLE state, measured without changing it: true when OLE (a
// single-threaded apartment) is initialised on the calling thread.
bool OleInitialised();

// The code and context of the EOrvantaError that F raises, or none.
struct Raised {
    std::int32_t Code;
    std::string Context;
    std::string Message;
};
template <typename F>
std::optional<Raised> RaisedBy(F&& f) {
    try {
        f();
    } catch (const kx::EOrvantaError& e) {
        return Raised{e.Code, e.Context, e.Message()};
    }
    return std::nullopt;
}

}  // namespace fx
