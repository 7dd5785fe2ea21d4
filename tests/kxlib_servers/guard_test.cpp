// The guard around foreign calls: structured exceptions raised inside end the
// call, not the program, and leave the thread's exception chain as it was.
#include <gtest/gtest.h>

#include <cstdlib>

#include <windows.h>

#include <stdexcept>

#include "uninstall/kxlib/guard.h"

namespace {

// The head of the thread's exception chain, fs:[0].
void* ChainHead() {
    void* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void WriteNowhere() {
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}

void WriteNowhereRaw(void*) noexcept { WriteNowhere(); }

TEST(Guard, ReturnsTrueWhenTheCallReturns) {
    void* head = ChainHead();
    int calls = 0;
    kx::ForeignFault fault;
    EXPECT_TRUE(kx::CallGuarded([&] { ++calls; }, &fault));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(fault.Code, 0u);
    EXPECT_EQ(ChainHead(), head);
}

TEST(Guard, StructuredExceptionsEndTheCallWithTheirCode) {
    void* head = ChainHead();
    kx::ForeignFault fault;
    bool after = false;
    EXPECT_FALSE(kx::CallGuarded(
        [&] {
            WriteNowhere();
            after = true;
        },
        &fault));
    EXPECT_FALSE(after);
    // QEMU's user-mode emulator (scripts/wine32-fallback) hands Wine the
    // wrong trap number: a bad access arrives as an illegal instruction and a
    // division by zero as a floating-point fault.  There the fault itself is
    // what is checked.
    const bool emulated = std::getenv("ORV_I386_EMULATED") != nullptr;
    if (emulated)
        EXPECT_TRUE(fault.Code == EXCEPTION_ACCESS_VIOLATION || fault.Code == EXCEPTION_ILLEGAL_INSTRUCTION)
            << std::hex << fault.Code;
    else
        EXPECT_EQ(fault.Code, static_cast<unsigned long>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_NE(fault.Address, nullptr);
    EXPECT_EQ(ChainHead(), head);

    kx::ForeignFault divide;
    EXPECT_FALSE(kx::CallGuarded(
        [] {
            volatile int zero = 0;
            volatile int r = 1000 / zero;
            (void)r;
        },
        &divide));
    if (emulated)
        EXPECT_TRUE(divide.Code == EXCEPTION_INT_DIVIDE_BY_ZERO || divide.Code == EXCEPTION_FLT_INVALID_OPERATION)
            << std::hex << divide.Code;
    else
        EXPECT_EQ(divide.Code, static_cast<unsigned long>(EXCEPTION_INT_DIVIDE_BY_ZERO));

    // Raised by software and marked non-continuable, as other compilers raise
    // their C++ exceptions: the guard must not try to continue it.
    kx::ForeignFault raised;
    EXPECT_FALSE(kx::CallGuarded([] { RaiseException(0xE0474B58, EXCEPTION_NONCONTINUABLE, 0, nullptr); },
                                 &raised));
    EXPECT_EQ(raised.Code, 0xE0474B58ul);
    EXPECT_EQ(ChainHead(), head);
}

// A registration record as foreign code lays one: its handler counts the
// calls of the first pass and of the unwind.
struct CountingRecord {
    void* Next;
    void* Handler;
    int* FirstPass;
    int* Unwinds;
};

extern "C" EXCEPTION_DISPOSITION __cdecl CountingHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT*,
                                                        void*) {
    auto* self = static_cast<CountingRecord*>(frame);
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        ++*self->Unwinds;
    else
        ++*self->FirstPass;
    return ExceptionContinueSearch;
}

TEST(Guard, FramesOfTheForeignCodeAreUnwoundAndLeaveTheChain) {
    void* head = ChainHead();
    int firstPass = 0, unwinds = 0;
    EXPECT_FALSE(kx::CallGuarded([&] {
        CountingRecord record{ChainHead(), reinterpret_cast<void*>(&CountingHandler), &firstPass, &unwinds};
        asm volatile("movl %0, %%fs:0" : : "r"(&record) : "memory");
        WriteNowhere();
    }));
    EXPECT_EQ(firstPass, 1);
    EXPECT_EQ(unwinds, 1);
    EXPECT_EQ(ChainHead(), head);
}

TEST(Guard, NestedGuardsEachStopTheirOwnFault) {
    void* head = ChainHead();
    bool innerReturned = true, outerGoesOn = false;
    kx::ForeignFault outerFault;
    EXPECT_TRUE(kx::CallGuarded(
        [&] {
            innerReturned = kx::CallGuarded([] { WriteNowhere(); });
            outerGoesOn = true;
        },
        &outerFault));
    EXPECT_FALSE(innerReturned);
    EXPECT_TRUE(outerGoesOn);
    EXPECT_EQ(outerFault.Code, 0u);
    EXPECT_EQ(ChainHead(), head);
}

TEST(Guard, CxxExceptionsOfTheCallableComeOutAfterTheFrame) {
    void* head = ChainHead();
    EXPECT_THROW(kx::CallGuarded([] { throw std::runtime_error("ours"); }), std::runtime_error);
    EXPECT_EQ(ChainHead(), head);
    // The guard still works afterwards.
    EXPECT_FALSE(kx::CallGuarded([] { WriteNowhere(); }));
}

// Values the caller keeps in callee-saved registers survive a fault (in an
// optimised build the loop keeps a, b and c in EBX, ESI and EDI).
TEST(Guard, TheCallersRegistersSurviveFaults) {
    unsigned a = 1, b = 2, c = 3, faults = 0;
    for (int i = 0; i < 40; ++i) {
        a = a * 3 + 1;
        b ^= a;
        c += b;
        kx::ForeignFault fault;
        if (!kx::CallGuardedRaw(&WriteNowhereRaw, nullptr, &fault)) ++faults;
    }
    unsigned ea = 1, eb = 2, ec = 3;
    for (int i = 0; i < 40; ++i) {
        ea = ea * 3 + 1;
        eb ^= ea;
        ec += eb;
    }
    EXPECT_EQ(faults, 40u);
    EXPECT_EQ(a, ea);
    EXPECT_EQ(b, eb);
    EXPECT_EQ(c, ec);
}

}  // namespace
