// The guard of guard.h: a structured-exception registration record of our own
// on the i386 exception chain (fs:[0]) for the length of one call.
//
// MinGW's GCC has no __try, so the frame is laid by hand, the way the
// platform's own compilers lay theirs:
//
//   kx_guard_enter(call, arg, fault)
//     saves EBP, EBX, ESI, EDI and the x87 control word, builds a GuardFrame
//     on its own stack, links it at the head of the chain (fs:[0]) and calls
//     call(arg).  When the call returns, the frame is unlinked and 1 returned.
//
//   kx_guard_handler (the frame's handler, called by the system's exception
//   dispatcher for an exception that no frame below ours took)
//     - during an unwind it has nothing to do: ExceptionContinueSearch;
//     - otherwise it stores the exception's code and address in *fault, has
//       the system unwind every frame below ours (RtlUnwind with our frame as
//       the target: the foreign code's own termination handlers run, and the
//       dispatcher's frames leave the chain), then loads ESP and EBP saved in
//       the frame and jumps to the resume point inside kx_guard_enter.  It
//       never returns to the dispatcher, so non-continuable exceptions (C++
//       exceptions of other compilers are raised so) are handled like any.
//
//   resume point
//     ESP and EBP are those of kx_guard_enter again; the frame is unlinked
//     (fs:[0] := the record that was the head before the call), the x87 unit
//     is reset to the saved control word (the faulting code may have left
//     values on its register stack), the saved registers are popped and 0 is
//     returned.
//
// No longjmp and no C++ exception crosses the foreign frames: the system's
// unwind removes them, and C++ exceptions of the callable are caught by the
// trampoline of CallGuarded before the guard's frame.
#include "uninstall/kxlib/guard.h"

#include <windows.h>

#include <cstddef>

#if !defined(__i386__)
#error "the guard lays an i386 exception-registration record"
#endif

namespace {

// The registration record: the two words the system reads first, then what
// the handler needs to resume.  Built and read by the assembly below; the
// offsets are checked against this layout.
struct GuardFrame {
    GuardFrame* Next;        // 0: the previous head of the chain
    void* Handler;           // 4: kx_guard_handler
    void* SafeEsp;           // 8: ESP of kx_guard_enter (= this frame)
    void* SafeEbp;           // 12: EBP of kx_guard_enter
    void* Resume;            // 16: the resume point
    kx::ForeignFault* Fault; // 20: where the handler reports, or null
    unsigned int FpuControl; // 24: the x87 control word before the call
    unsigned int Spare;      // 28: keeps the frame 8 bytes long-aligned
};
static_assert(offsetof(GuardFrame, Next) == 0 && offsetof(GuardFrame, Handler) == 4 &&
              offsetof(GuardFrame, SafeEsp) == 8 && offsetof(GuardFrame, SafeEbp) == 12 &&
              offsetof(GuardFrame, Resume) == 16 && offsetof(GuardFrame, Fault) == 20 &&
              offsetof(GuardFrame, FpuControl) == 24 && sizeof(GuardFrame) == 32);
static_assert(offsetof(kx::ForeignFault, Code) == 0 && offsetof(kx::ForeignFault, Address) == 4);
static_assert(offsetof(EXCEPTION_RECORD, ExceptionCode) == 0 &&
              offsetof(EXCEPTION_RECORD, ExceptionFlags) == 4 &&
              offsetof(EXCEPTION_RECORD, ExceptionAddress) == 12);
static_assert((EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND) == 6);

}  // namespace

extern "C" int kx_guard_enter(void (*call)(void*) noexcept, void* arg, kx::ForeignFault* fault);

// Stack of kx_guard_enter after its prologue (EBP - offset):
//   EBP-4 EBX, EBP-8 ESI, EBP-12 EDI, EBP-44 .. EBP-13 the GuardFrame (ESP).
asm(R"(
    .text
    .p2align 4
    .globl _kx_guard_enter
    .def _kx_guard_enter; .scl 2; .type 32; .endef
_kx_guard_enter:
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    subl  $32, %esp
    movl  %esp, %eax
    movl  %fs:0, %ecx
    movl  %ecx, 0(%eax)
    movl  $_kx_guard_handler, 4(%eax)
    movl  %esp, 8(%eax)
    movl  %ebp, 12(%eax)
    movl  $Lkx_guard_resume, 16(%eax)
    movl  16(%ebp), %ecx
    movl  %ecx, 20(%eax)
    fnstcw 24(%eax)
    movl  $0, 28(%eax)
    movl  %eax, %fs:0
    pushl 12(%ebp)
    call  *8(%ebp)
    # Recompute ESP from EBP: a callee that popped the wrong number of bytes
    # does not move the frame.
    leal  -44(%ebp), %esp
    movl  (%esp), %ecx
    movl  %ecx, %fs:0
    movl  $1, %eax
    jmp   Lkx_guard_leave
Lkx_guard_resume:
    movl  (%esp), %ecx
    movl  %ecx, %fs:0
    fninit
    fldcw 24(%esp)
    cld
    xorl  %eax, %eax
Lkx_guard_leave:
    addl  $32, %esp
    popl  %edi
    popl  %esi
    popl  %ebx
    popl  %ebp
    ret

# EXCEPTION_DISPOSITION __cdecl kx_guard_handler(EXCEPTION_RECORD* record,
#     GuardFrame* frame, CONTEXT* context, void* dispatcherContext)
    .p2align 4
    .def _kx_guard_handler; .scl 3; .type 32; .endef
_kx_guard_handler:
    movl  4(%esp), %eax
    testl $6, 4(%eax)
    jz    1f
    movl  $1, %eax
    ret
1:
    movl  8(%esp), %edx
    movl  20(%edx), %ecx
    testl %ecx, %ecx
    jz    2f
    movl  0(%eax), %ebx
    movl  %ebx, 0(%ecx)
    movl  12(%eax), %ebx
    movl  %ebx, 4(%ecx)
2:
    # RtlUnwind(frame, 0, record, 0) calls the handlers of the frames below
    # ours with the unwinding flag and takes them off the chain; it may not
    # keep EBX, ESI and EDI, so nothing is kept in them across it.
    pushl %edx
    pushl $0
    pushl %eax
    pushl $0
    pushl %edx
    call  _RtlUnwind@16
    popl  %edx
    movl  8(%edx), %esp
    movl  12(%edx), %ebp
    jmp   *16(%edx)
)");

namespace kx {

bool CallGuardedRaw(void (*call)(void*) noexcept, void* arg, ForeignFault* fault) noexcept {
    return kx_guard_enter(call, arg, fault) != 0;
}

}  // namespace kx
