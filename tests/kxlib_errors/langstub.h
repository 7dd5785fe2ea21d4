// A stand-in for a language library's LangStr, bound through kx::LanguageText
// as the real binding does.  Texts are set per test; numbers without a text
// answer with an empty short string, as a real library does.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "uninstall/kxlib/langstr.h"

namespace tl {

extern std::map<std::uint32_t, std::string> LangTexts;
// Every number the stand-in was asked for, in order.
extern std::vector<std::uint32_t> LangAsked;

void KX_LANGSTR_CALL StandInLangStr(std::uint32_t number, unsigned char* result);

// Binds the stand-in with the texts given, and unbinds it again.
class LanguageBound {
public:
    explicit LanguageBound(std::map<std::uint32_t, std::string> texts);
    ~LanguageBound();
    LanguageBound(const LanguageBound&) = delete;
    LanguageBound& operator=(const LanguageBound&) = delete;
};

}  // namespace tl
