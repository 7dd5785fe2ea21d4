#include "uninstall/kxlib/errors.h"

#include <utility>

#include "uninstall/kxlib/guard.h"
#include "uninstall/kxlib/trace.h"

namespace kx {

LangStrProc LanguageText = nullptr;
bool LanguageFaulted = false;

std::string Short(std::string s) {
    if (s.size() > kShortMax) s.resize(kShortMax);
    return s;
}

std::string LangStr(std::uint16_t number) {
    LangStrProc proc = LanguageText;
    if (!proc) return {};
    unsigned char buf[256] = {};
    // The library is foreign code: a fault inside it ends this call only.
    if (!CallGuarded([&] { proc(number, buf); })) {
        LanguageText = nullptr;
        LanguageFaulted = true;
        return {};
    }
    return std::string(reinterpret_cast<const char*>(buf + 1), buf[0]);
}

namespace {

struct Entry {
    std::uint16_t number;
    const char* text;
};

// The built-in table: these 43 entries and no others.
constexpr Entry kErrorTexts[] = {
    {2, "Internal error"},
    {3, "File corrupted"},
    {4, "File not found"},
    {5, "Can't open file"},
    {8, "Bad integer value"},
    {11, "File locked"},
    {12, "Can't load"},
    {15, "Can't create directory"},
    {16, "Bad software installation"},
    {17, "Directory not found"},
    {18, "Invalid keyword"},
    {20, "Abort current process"},
    {21, "Process aborted"},
    {27, "Bad numeric value"},
    {28, "Key not found in Configuration Parameters"},
    {29, "Value not found in Configuration Parameters"},
    {30, "Function not found in DLL"},
    {31, "Invalid value in Configuration Parameters"},
    {32, "This file already exists"},
    {37, "Language not supported"},
    {41, "Invalid parameter"},
    {46, "Bad boolean value"},
    {54, "Can't find Orvanta Lumadesk configuration Parameters."},
    {55, "Searching for Orvanta Lumadesk files..."},
    {56, "Orvanta Lumadesk files were found !"},
    {57, "Bad software configuration"},
    {87, "The e-mail couldn't be sent"},
    {88, ">>> New <<<"},
    {96, "Bad value"},
    {111, "Invalid syntax"},
    {113, "Remote Lumadesk settings don't allow to connect this computer as a local station"},
    {136, "Inconsistent script"},
    {501, "&Ok"},
    {502, "&Cancel"},
    {570, "&Yes"},
    {571, "&No"},
    {572, "Don't ask again"},
    {574, "Don't display this message again"},
    {610, "Overwrite file"},
    {1003, "Bad paper size"},
    {1120, "Invalid object handle"},
    {3718, "Abort"},
    {15015, "Invalid CD-ROM"},
};
static_assert(sizeof kErrorTexts / sizeof kErrorTexts[0] == 43);

// Replaces every occurrence of From by To, left to right, without looking at
// inserted text again.
std::string ReplaceAll(const std::string& s, const std::string& from, const std::string& to) {
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = s.find(from, pos);
        if (hit == std::string::npos) break;
        out.append(s, pos, hit - pos);
        out += to;
        pos = hit + from.size();
    }
    out.append(s, pos, std::string::npos);
    return out;
}

}  // namespace

std::string ErrorText(std::uint16_t number) {
    for (const auto& e : kErrorTexts)
        if (e.number == number) return e.text;
    return {};
}

std::string MessageText(std::int32_t code) {
    auto number = static_cast<std::uint16_t>(static_cast<std::uint32_t>(code) & 0xFFFFu);
    return LanguageText ? LangStr(number) : ErrorText(number);
}

std::string EnsureEnding(const std::string& text, const std::string& ending) {
    if (!text.empty() && (text.back() == '!' || text.back() == '.')) return text;
    bool endsWith = text.size() >= ending.size() &&
                    text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
    if (!endsWith) return Short(text + ending);
    return text;
}

std::string BuildMessage(std::int32_t code, const std::string& fullContext,
                         const std::string& ending, bool withCode) {
    const std::string context = Short(fullContext);
    if (code == 0) return context;
    std::string m = MessageText(code);
    if (m.empty()) m = "Error " + std::to_string(code);
    m = ReplaceAll(m, "//", "\r\n");
    m = ReplaceAll(m, "||", "\r\n");
    std::string result;
    if (context.empty()) {
        result = EnsureEnding(Short(m), ending);
    } else if (context.size() <= 200) {
        result = m;
        if (m.empty() || m.back() != '\n') result += " : ";
        result += EnsureEnding(context, ending);
    } else {
        result = EnsureEnding(Short(m), ending) + " :\r\n" + EnsureEnding(context, ".");
    }
    if (withCode && LanguageText)
        result += "\r\n[" + LangStr(139) + " " + std::to_string(code) + "]";
    return result;
}

EOrvantaError::EOrvantaError(std::int32_t code, const std::string& context)
    : fw::Exception(BuildMessage(code, context, "", ShowErrorCode)),
      Code(code),
      Context(Short(context)) {}

void RaiseError(std::int32_t code, const std::string& context) {
    if constexpr (TraceRaisedErrors) {
        // Codes 8, 26, 27 and 46 come from value conversions whose callers
        // expect them and catch them; they stay out of the trace.
        if (code != 8 && code != 26 && code != 27 && code != 46) {
            TraceStamp("EOrvantaError");
            Trace(BuildMessage(code, context, ".", true));
        }
    }
    throw EOrvantaError(code, context);
}

}  // namespace kx
