// ActiveX server unregistration (RegisterOcx) and the two loader routines it
// shares with the language binding (LoadLibraryOrFail, GetProcOrFail).
#pragma once

#include <windows.h>

#include <string>

namespace kx {

// Asks the self-registering server FileName to remove its registration
// ("DllUnregisterServer") and, when Register is set, to register itself again
// afterwards ("DllRegisterServer").  A path with a backslash whose file does
// not exist, and a server that cannot be loaded, are no error.  A missing
// entry point raises code 30 with its name before anything is called; every
// other failure, a fault inside the server included, raises code 2
// "RegisterOcx".
void RegisterOcx(const std::string& fileName, bool reg);

// Loads the library FileName (LoadLibraryA) and returns its handle, which the
// caller frees.  A name with a folder part whose file does not exist raises
// code 4; a load that fails or faults raises code 12; both with FileName.
HMODULE LoadLibraryOrFail(const std::string& fileName);

// The address of the export Name of Module; code 30 with Name when there is
// none.
FARPROC GetProcOrFail(const std::string& name, HMODULE module);

}  // namespace kx
