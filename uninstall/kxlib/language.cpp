#include "uninstall/kxlib/language.h"

#include "framework/base/handles.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/servers.h"

namespace kx {

HMODULE LoadLanguage(const std::string& path) {
    fw::UniqueModule library;
    try {
        library.reset(LoadLibraryOrFail(path));
        auto langStr = reinterpret_cast<LangStrProc>(
            reinterpret_cast<void*>(GetProcOrFail("LangStr", library.get())));
        GetProcOrFail("GetLangLongString", library.get());  // required, not used
        LanguageText = langStr;
        LanguageFaulted = false;
    } catch (...) {
        RaiseError(12, path);
    }
    return library.release();
}

void UnloadLanguage(HMODULE handle) {
    LanguageText = nullptr;
    if (LanguageFaulted) {
        // Left loaded on purpose; the next library starts with a clean state.
        LanguageFaulted = false;
        return;
    }
    if (handle) FreeLibrary(handle);
}

}  // namespace kx
