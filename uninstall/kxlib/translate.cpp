#include "uninstall/kxlib/translate.h"

#include <windows.h>

#include <charconv>
#include <cstdint>

namespace kx {

namespace {

// The user locale's thousands separator (one or more characters), read
// fresh each time so that a change of the settings applies.
std::string ThousandsSeparator() {
    char buf[8] = {};
    int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buf, sizeof buf);
    return n > 1 ? std::string(buf, static_cast<std::size_t>(n - 1)) : std::string();
}

std::string RemoveAll(std::string text, const std::string& what) {
    if (what.empty()) return text;
    for (std::size_t pos; (pos = text.find(what)) != std::string::npos;) text.erase(pos, what.size());
    return text;
}

}  // namespace

std::string TakeItem(std::string& text) {
    std::size_t sep = text.find(';');
    std::string item;
    if (sep == std::string::npos) {
        item.swap(text);
    } else {
        item = text.substr(0, sep);
        text.erase(0, sep + 1);
    }
    return item;
}

std::uint16_t ShortCutFromText(const std::string& text) {
    std::string sep = ThousandsSeparator();
    std::string digits = RemoveAll(RemoveAll(text, sep), " ");
    if (sep == " ") digits = RemoveAll(digits, "\xA0");
    // A whole number: an optional sign and decimal digits, in 32 bits.
    const char* first = digits.data();
    const char* last = first + digits.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
    std::int32_t value = 0;
    auto [end, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || end != last) return 0;
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(value) & 0xFFFFu);
}

}  // namespace kx
