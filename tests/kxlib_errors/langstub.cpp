#include "tests/kxlib_errors/langstub.h"

#include <cstring>
#include <vector>

#include "uninstall/kxlib/errors.h"

namespace tl {

std::map<std::uint32_t, std::string> LangTexts;
std::vector<std::uint32_t> LangAsked;

void KX_LANGSTR_CALL StandInLangStr(std::uint32_t number, unsigned char* result) {
    LangAsked.push_back(number);
    auto it = LangTexts.find(number);
    std::string text = it == LangTexts.end() ? std::string() : it->second;
    if (text.size() > 255) text.resize(255);
    result[0] = static_cast<unsigned char>(text.size());
    std::memcpy(result + 1, text.data(), text.size());
}

LanguageBound::LanguageBound(std::map<std::uint32_t, std::string> texts) {
    LangTexts = std::move(texts);
    LangAsked.clear();
    kx::LanguageText = StandInLangStr;
}

LanguageBound::~LanguageBound() {
    kx::LanguageText = nullptr;
    LangTexts.clear();
}

}  // namespace tl
