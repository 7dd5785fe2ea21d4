// The design-time update check (LiveUpdate) and the component's timer
// handler that starts it once, 8 seconds after a TFolvex is placed or
// loaded in the form designer.
#include "folvex/runtime/FolvexUpdate.h"

#include <windows.h>

#include <cctype>
#include <memory>

#include "folvex/runtime/FolvexComponent.h"
#include "folvex/runtime/FolvexProduct.h"
#include "folvex/runtime/FolvexRoutines.h"
#include "framework/base/registry.h"
#include "framework/base/sysutils.h"
#include "framework/ole/olectrls.h"
#include "framework/ui/application.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/forms.h"

namespace folvex {

namespace {

constexpr int kCheckIntervalDays = 7;

// Today at midnight, local time.
SYSTEMTIME Today() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    t.wHour = t.wMinute = t.wSecond = t.wMilliseconds = 0;
    return t;
}

// A date moved by whole days (the calendar does the month and year).
SYSTEMTIME AddDays(const SYSTEMTIME& date, int days) {
    FILETIME ft;
    SystemTimeToFileTime(&date, &ft);
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    u.QuadPart += static_cast<ULONGLONG>(days) * 24ull * 60 * 60 * 10000000ull;
    ft.dwLowDateTime = u.LowPart;
    ft.dwHighDateTime = u.HighPart;
    SYSTEMTIME out;
    FileTimeToSystemTime(&ft, &out);
    return out;
}

// Orders two dates by year, month and day; the time of day does not count.
int CompareDates(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    auto key = [](const SYSTEMTIME& t) { return (t.wYear * 13 + t.wMonth) * 32 + t.wDay; };
    return key(a) - key(b);
}

// Whether the stored value asks for a check now.  Raises for a value that
// is neither empty, "NEVER" nor a date, so that the check ends silently
// and the value stays as it is.
bool CheckDue(const std::string& stored) {
    if (stored.empty()) return true;
    if (fw::UpperCase(stored) == "NEVER") return false;
    SYSTEMTIME due;
    if (!fw::StrToDate(stored, due)) throw fw::Exception("'" + stored + "' is not a valid date");
    return CompareDates(Today(), due) >= 0;
}

}  // namespace

std::string LiveUpdateAppField(const std::string& title) {
    std::string replaced = ReplaceChars(" &?/%.:", "_______", title);
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : replaced) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '-' || c == '_' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

void LiveUpdate(const std::string& productCode, const std::string& productName, const std::string& version) {
    try {
        fw::TRegistry reg(KEY_READ | KEY_WRITE);
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!reg.OpenKey("\\Software\\Orvanta\\" + productName, true)) return;
        if (!CheckDue(reg.ReadString("LiveUpdate"))) return;

        std::string server = reg.ReadString("UpdateServer");
        if (server.empty()) server = kUpdateServer;
        int location = GetFileLocation(GetWindowsDir());  // 0 when the volume cannot be read

        std::unique_ptr<fw::TForm, fw::FreeComponent> window(new fw::TForm(nullptr));
        window->SetCaption("Orvanta Live Update");
        window->SetBorderStyle(fw::bsDialog);
        window->SetPosition(fw::poScreenCenter);
        window->SetBounds(0, 0, 540, 500);
        auto* browser = new fw::TWebBrowser(window.get());
        browser->SetParent(window.get());
        browser->SetAlign(fw::alClient);

        browser->Navigate(server + "/liveupdate.asp?product=" + productCode + "&version=" + version +
                          "&location=" + std::to_string(location) +
                          "&app=" + LiveUpdateAppField(fw::Application.Title()));
        // Only once the browser has taken the address: a browser that fails
        // leaves the check due.
        reg.WriteString("LiveUpdate", fw::DateToStr(AddDays(Today(), kCheckIntervalDays)));
        window->ShowModal();
    } catch (...) {
        // The check never disturbs the designer: every failure ends it silently.
    }
}

void TFolvex::DoOnLiveUpdateTimer(fw::TObject*) {
    // Once per component: the timer goes before the check, whose modal
    // window lets the designer go on meanwhile (and maybe free this
    // component); nothing of the component is touched after it.
    fw::TTimer* timer = liveUpdateTimer_;
    liveUpdateTimer_ = nullptr;
    if (timer) {
        timer->SetEnabled(false);
        timer->Free();  // a timer's handler may free its own timer
    }
    LiveUpdate(kLiveUpdateProductCode, kLiveUpdateProductName, ProductVersion());
}

}  // namespace folvex
