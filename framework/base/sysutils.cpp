#include "framework/base/sysutils.h"

#include "framework/base/handles.h"

#include <cwchar>
#include <vector>

namespace fw {

std::string SysErrorMessage(DWORD code) {
    char* buf = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<char*>(&buf), 0, nullptr);
    UniqueLocal owner(buf);
    std::string s = n && buf ? std::string(buf, n) : std::string();
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    if (s.empty()) s = "System error " + IntToStr(code);
    return s;
}

EOSError::EOSError(DWORD code, const std::string& what)
    : Exception(what + ": " + SysErrorMessage(code)), code_(code) {}

EOleError::EOleError(HRESULT hr, const std::string& what)
    : Exception(what + ": " + SysErrorMessage(static_cast<DWORD>(hr))), hr_(hr) {}

void CheckWin32(LONG status, const char* what) {
    if (status != ERROR_SUCCESS) throw EOSError(static_cast<DWORD>(status), what);
}

void CheckBool(BOOL ok, const char* what) {
    if (!ok) {
        DWORD e = GetLastError();
        throw EOSError(e, what);
    }
}

void CheckHr(HRESULT hr, const char* what) {
    if (FAILED(hr)) throw EOleError(hr, what);
}

std::string UpperCase(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && UpperCase(a) == UpperCase(b);
}

std::string IntToStr(long long v) { return std::to_string(v); }

std::wstring AnsiToWide(const std::string& s) {
    if (s.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string WideToAnsi(const wchar_t* s, int length) {
    if (!s) return {};
    if (length < 0) length = static_cast<int>(wcslen(s));
    if (length == 0) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, s, length, nullptr, 0, nullptr, nullptr);
    std::string a(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, s, length, a.data(), n, nullptr, nullptr);
    return a;
}

std::string DateToStr(const SYSTEMTIME& t) {
    char buf[128] = {};
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, buf, sizeof buf))
        return {};
    return buf;
}

std::string TimeToStr(const SYSTEMTIME& t) {
    char buf[128] = {};
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &t, nullptr, buf, sizeof buf)) return {};
    return buf;
}

std::string DateTimeToStr(const SYSTEMTIME& t) { return DateToStr(t) + " " + TimeToStr(t); }

std::string NowAsText() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return DateTimeToStr(t);
}

namespace {
std::string LocaleText(LCTYPE type) {
    char buf[128] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf);
    return buf;
}
}  // namespace

bool StrToDate(const std::string& text, SYSTEMTIME& out) {
    // The short date picture (for example M/d/yyyy or dd.MM.yyyy) gives the
    // order of the three numbers; anything that is not a digit separates them.
    std::string picture = LocaleText(LOCALE_SSHORTDATE);
    std::vector<char> order;
    for (size_t i = 0; i < picture.size(); ++i) {
        char c = picture[i];
        if (c == '\'') {  // quoted literal text
            size_t j = picture.find('\'', i + 1);
            i = j == std::string::npos ? picture.size() : j;
            continue;
        }
        if ((c == 'd' || c == 'M' || c == 'y') && (order.empty() || order.back() != c) &&
            (i == 0 || picture[i - 1] != c))
            order.push_back(c);
    }
    if (order.size() != 3) return false;
    std::vector<int> nums;
    std::vector<int> widths;
    for (size_t i = 0; i < text.size();) {
        if (text[i] >= '0' && text[i] <= '9') {
            int v = 0, w = 0;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9' && w < 5) {
                v = v * 10 + (text[i] - '0');
                ++i, ++w;
            }
            nums.push_back(v);
            widths.push_back(w);
        } else {
            ++i;
        }
    }
    if (nums.size() != 3) return false;
    int d = 0, m = 0, y = 0;
    for (int k = 0; k < 3; ++k) {
        if (order[k] == 'd') d = nums[k];
        if (order[k] == 'M') m = nums[k];
        if (order[k] == 'y') {
            y = nums[k];
            if (widths[k] <= 2) {  // two-digit years: the window Windows uses
                SYSTEMTIME now;
                GetLocalTime(&now);
                int century = now.wYear / 100 * 100;
                y += century;
                if (y > now.wYear + 50) y -= 100;
            }
        }
    }
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1 || d > days[m - 1] || y < 1601 || y > 30827) return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (m == 2 && d == 29 && !leap) return false;
    out = SYSTEMTIME{};
    out.wYear = static_cast<WORD>(y);
    out.wMonth = static_cast<WORD>(m);
    out.wDay = static_cast<WORD>(d);
    return true;
}

}  // namespace fw
