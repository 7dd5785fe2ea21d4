// Runs a call and reports the EOrvantaError it raised as code and context;
// code 0 and "nothing raised" when it returned.  Other exceptions pass on, so
// that a wrong kind of failure fails the test.
#pragma once

#include <string>
#include <utility>

#include "uninstall/kxlib/errors.h"

namespace ts {

struct RaisedError {
    int Code = 0;
    std::string Context = "nothing raised";
};

template <typename F>
RaisedError Raised(F&& call) {
    try {
        std::forward<F>(call)();
    } catch (const kx::EOrvantaError& e) {
        return {e.Code, e.Context};
    }
    return {};
}

}  // namespace ts
