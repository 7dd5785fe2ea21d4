#include "uninstall/kxlib/text.h"

#include "framework/base/sysutils.h"
#include "uninstall/kxlib/errors.h"

namespace kx {

int LastCharPos(char ch, const std::string& s) {
    const std::string t = Short(s);
    for (std::size_t i = t.size(); i > 0; --i)
        if (t[i - 1] == ch) return static_cast<int>(i);
    return 0;
}

void SplitText(const std::string& text, char sep, std::vector<std::string>& list) {
    list.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t p = text.find(sep, start);
        if (p == std::string::npos) p = text.size();
        list.push_back(text.substr(start, p - start));
        start = p + 1;  // past the separator; past the end stops the loop
    }
}

int IndexOfText(const std::string& s, const std::vector<std::string>& items) {
    const std::string wanted = fw::UpperCase(Short(s));
    for (std::size_t i = 0; i < items.size(); ++i)
        if (fw::UpperCase(Short(items[i])) == wanted) return static_cast<int>(i);
    return -1;
}

}  // namespace kx
