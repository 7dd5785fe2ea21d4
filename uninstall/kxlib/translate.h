// Window translation from numbered texts: the pieces that read a language
// text - its ";"-separated items and a menu item's shortcut number.
#pragma once

#include <cstdint>
#include <string>

namespace kx {

// The next item of a window text: the text before the first ";", removed
// from Text together with that ";".  Without a ";" the item is all of Text
// and Text becomes empty; from an empty Text the item is empty.
std::string TakeItem(std::string& text);

// A menu item's shortcut written as a whole number: the locale's thousands
// separator and blanks are removed first (and, when that separator is a
// blank, non-breaking spaces, character 160 too).  The number's low 16 bits
// are the shortcut; a text that is no whole number gives 0, no shortcut.
std::uint16_t ShortCutFromText(const std::string& text);

}  // namespace kx
