// The guard around calls into foreign code (ActiveX servers, language
// libraries): a structured exception raised inside the call - an access
// violation, a division by zero, an exception of another language's run-time
// that nobody inside catches - ends the call instead of the program and is
// reported to the caller as a plain failure.
#pragma once

#include <exception>
#include <type_traits>
#include <utility>

namespace kx {

// What ended a guarded call early: the structured exception's code (for
// example EXCEPTION_ACCESS_VIOLATION) and the address it was raised at.
struct ForeignFault {
    unsigned long Code = 0;
    void* Address = nullptr;
};

// Runs Call(Arg) inside a structured-exception frame of its own.  True when
// the call returned; false when a structured exception ended it, with Fault
// (when given) telling which.  Frames that the foreign code registered below
// the guard get their unwinding call first, and the thread's exception chain
// is the same afterwards as before.  Call must not let a C++ exception out.
bool CallGuardedRaw(void (*call)(void*) noexcept, void* arg, ForeignFault* fault) noexcept;

// The same for any callable.  A C++ exception that the callable throws (our
// own code inside it, never the foreign code's) leaves the guard's frame
// first and is rethrown here.
template <typename F>
bool CallGuarded(F&& f, ForeignFault* fault = nullptr) {
    struct Box {
        std::remove_reference_t<F>* f;
        std::exception_ptr error;
    } box{&f, nullptr};
    auto trampoline = [](void* p) noexcept {
        auto* b = static_cast<Box*>(p);
        try {
            (*b->f)();
        } catch (...) {
            b->error = std::current_exception();
        }
    };
    bool returned = CallGuardedRaw(trampoline, &box, fault);
    if (box.error) std::rethrow_exception(box.error);
    return returned;
}

}  // namespace kx
