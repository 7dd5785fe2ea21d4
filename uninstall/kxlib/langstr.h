// The calling convention of a language library's LangStr export.
//
// The product's KxLang.dll libraries already in the field export
//   LangStr(Number: text number) -> short string
// in the register convention of their compiler: the text number in EAX, the
// address of the caller's 256-byte result buffer in EDX, nothing on the stack,
// and the callee writes a length byte followed by the text into the buffer.
// GCC on i386 calls so with regparm(2) (first argument EAX, second EDX; with
// three or more arguments the two conventions would differ, LangStr has two).
// This is the one compiler-specific attribute of the project: the binding and
// the test libraries both declare LangStr through this header, so that the
// uninstaller loads the libraries that installations already have.
#pragma once

#include <cstdint>

#if defined(__GNUC__) && defined(__i386__)
#define KX_LANGSTR_CALL __attribute__((regparm(2)))
#else
#error "LangStr needs the register convention (number in EAX, result buffer in EDX)"
#endif

namespace kx {

// Number: the text number, zero-extended; Result: 256 bytes, length first.
using LangStrProc = void(KX_LANGSTR_CALL*)(std::uint32_t number, unsigned char* result);

}  // namespace kx
