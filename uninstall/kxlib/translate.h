// Window translation from numbered texts: TranslateForm, FindProperty and
// the pieces that read a language text - its ";"-separated items and a menu
// item's shortcut number.
#pragma once

#include <cstdint>
#include <string>

#include "framework/base/classes.h"
#include "framework/ui/forms.h"

namespace kx {

// Applies the loaded language library's texts to Form: its caption from text
// Tag (when 500 or more), then each component it owns, in the form's
// component order, from text |Tag| (when 500 or more): caption (kept when the
// Tag is negative), hint, a menu item's shortcut, a radio group's entries,
// each the next ";"-separated item.  Stops, leaving the rest as it is, when
// no library is bound or a call into it faulted.
void TranslateForm(fw::TCustomForm& form);

// The published property Name of Component's class, ignoring case, or none.
const fw::TPropInfo* FindProperty(const fw::TComponent* component, const std::string& name);

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
