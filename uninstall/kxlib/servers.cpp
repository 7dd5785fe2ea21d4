#include "uninstall/kxlib/servers.h"

#include <objbase.h>
#include <ole2.h>

#include <cstdint>

#include "framework/base/handles.h"
#include "framework/base/sysutils.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/guard.h"
#include "uninstall/kxlib/paths.h"

namespace kx {

namespace {

// Module handles of 32 or less count as failed loads (the platform's old
// error values).
bool IsLoaded(HMODULE module) { return reinterpret_cast<std::uintptr_t>(module) > 32; }

using ServerEntry = HRESULT(STDAPICALLTYPE*)();

// One call of a server's entry point inside the guard; false when it faulted.
bool CallEntry(FARPROC entry) {
    auto proc = reinterpret_cast<ServerEntry>(reinterpret_cast<void*>(entry));
    return CallGuarded([proc] { proc(); });  // the status is not examined
}

void UnregisterLoaded(const std::string& fileName, bool reg) {
    // OLE for the calls, nested inside the library's own initialisation; a
    // failed initialisation (a thread in another apartment model) is not
    // undone and does not stop the unregistration.
    fw::OleInit ole;

    std::wstring wide = fw::AnsiToWide(fileName);
    HMODULE server = nullptr;
    // A fault in the server's DllMain during the load is stopped here when
    // the platform's loader lets it through.
    if (!CallGuarded([&] { server = CoLoadLibrary(wide.data(), FALSE); })) RaiseError(2, "RegisterOcx");
    if (!IsLoaded(server)) return;

    // Both entry points are looked up before either is called.  Without one
    // the server is released again; after a fault it stays loaded, since its
    // state is unknown and freeing it would run its detach code.
    FARPROC registerEntry = nullptr;
    FARPROC unregisterEntry = nullptr;
    try {
        registerEntry = GetProcOrFail("DllRegisterServer", server);
        unregisterEntry = GetProcOrFail("DllUnregisterServer", server);
    } catch (...) {
        CoFreeLibrary(server);
        throw;
    }
    if (!CallEntry(unregisterEntry)) RaiseError(2, "RegisterOcx");
    if (reg && !CallEntry(registerEntry)) RaiseError(2, "RegisterOcx");
    CoFreeLibrary(server);
}

}  // namespace

void RegisterOcx(const std::string& fileName, bool reg) {
    if (fileName.find('\\') != std::string::npos && !FileExists(fileName)) return;
    try {
        UnregisterLoaded(fileName, reg);
    } catch (const EOrvantaError&) {
        throw;
    } catch (...) {
        RaiseError(2, "RegisterOcx");
    }
}

HMODULE LoadLibraryOrFail(const std::string& fileName) {
    // The folder part is the text up to and including the last backslash or
    // colon.
    bool hasFolder = fileName.find_last_of("\\:") != std::string::npos;
    if (hasFolder && !FileExists(fileName)) RaiseLogged(4, fileName);

    HMODULE module = nullptr;
    if (!CallGuarded([&] { module = LoadLibraryA(fileName.c_str()); })) module = nullptr;
    if (!IsLoaded(module)) RaiseLogged(12, fileName);
    return module;
}

FARPROC GetProcOrFail(const std::string& name, HMODULE module) {
    FARPROC proc = GetProcAddress(module, name.c_str());
    if (!proc) RaiseLogged(30, name);
    return proc;
}

}  // namespace kx
