// The language library binding: loading a product language library
// ("KxLang.dll") and setting LanguageText to its LangStr, and releasing it.
#pragma once

#include <windows.h>

#include <string>

namespace kx {

// Loads the language library Path, sets LanguageText to its "LangStr" and
// checks that it exports "GetLangLongString" too.  Every failure raises code
// 12 with Path; a library that failed that way is released again.
HMODULE LoadLanguage(const std::string& path);

// Clears LanguageText, then releases the library - unless a call into it
// faulted: then its state is unknown and it stays loaded.
void UnloadLanguage(HMODULE handle);

}  // namespace kx
