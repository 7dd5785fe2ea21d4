#include "uninstall/kxlib/translate.h"

#include <windows.h>

#include <charconv>
#include <cstdint>

#include "framework/base/sysutils.h"
#include "framework/ui/stdctrls.h"
#include "uninstall/kxlib/errors.h"

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

const fw::TPropInfo* FindProperty(const fw::TComponent* component, const std::string& name) {
    if (!component) return nullptr;
    for (const fw::TPropInfo* p : fw::GetPropList(component))
        if (fw::SameText(p->Name, name)) return p;
    return nullptr;
}

namespace {

// Sets a text property found by FindProperty; only text properties are set.
void SetText(const fw::TPropInfo* prop, fw::TComponent* component, const std::string& text) {
    if (prop->Kind == fw::TPropKind::String && prop->SetStr) prop->SetStr(component, text);
}

// The text of Number, or none when the binding is gone (no library, or a
// call into it faulted): then nothing more is translated and the window
// keeps its built-in texts.
bool TextOf(std::uint16_t number, std::string& text) {
    if (!LanguageText) return false;
    text = LangStr(number);
    return LanguageText != nullptr;
}

}  // namespace

void TranslateForm(fw::TCustomForm& form) {
    std::string text;
    if (form.Tag() >= 500) {
        if (!TextOf(static_cast<std::uint16_t>(form.Tag()), text)) return;
        form.SetCaption(text);
    }
    for (int i = 0; i < form.ComponentCount(); ++i) {
        fw::TComponent* c = form.Components(i);
        std::int64_t tag = c->Tag();
        auto number = static_cast<std::uint16_t>(static_cast<std::uint64_t>(tag < 0 ? -tag : tag));
        if (number < 500) continue;
        if (!TextOf(number, text)) return;
        if (const fw::TPropInfo* caption = kx::FindProperty(c, "Caption")) {
            std::string item = TakeItem(text);
            if (tag > 0) SetText(caption, c, item);  // a negative tag keeps the caption
        }
        if (const fw::TPropInfo* hint = kx::FindProperty(c, "Hint")) SetText(hint, c, TakeItem(text));
        if (auto* menuItem = dynamic_cast<fw::TMenuItem*>(c); menuItem && !text.empty())
            menuItem->SetShortCut(ShortCutFromText(TakeItem(text)));
        if (auto* group = dynamic_cast<fw::TRadioGroup*>(c))
            for (int k = 0; k < group->Items().Count(); ++k) group->Items().Put(k, TakeItem(text));
    }
}

}  // namespace kx
