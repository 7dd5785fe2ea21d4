// Exception classes (Exception, EOSError, ERegistryException, EOleError),
// checks that turn platform failures into them, text and date helpers in the
// system's formats, and the conversion between ANSI and UTF-16 text.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>

namespace fw {

// The framework's general error class: a message and a help context.  Every
// error of the framework and of the libraries built on it derives from it.
class Exception : public std::exception {
public:
    explicit Exception(std::string message, int helpContext = 0)
        : message_(std::move(message)), helpContext_(helpContext) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const noexcept { return message_; }
    void SetMessage(std::string m) { message_ = std::move(m); }
    int HelpContext() const noexcept { return helpContext_; }

private:
    std::string message_;
    int helpContext_;
};

// A failed platform call, with its system error code.
class EOSError : public Exception {
public:
    EOSError(DWORD code, const std::string& what);
    DWORD ErrorCode() const noexcept { return code_; }

private:
    DWORD code_;
};

// The registry accessor's own error (a value of the wrong type, a key that
// cannot be created, a value that cannot be written).
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// A failed COM or automation call, with its HRESULT.
class EOleError : public Exception {
public:
    EOleError(HRESULT hr, const std::string& what);
    HRESULT Result() const noexcept { return hr_; }

private:
    HRESULT hr_;
};

// The system's text for an error code, without the trailing line break.
std::string SysErrorMessage(DWORD code);

// Checks at the call: each raises at once, reading GetLastError immediately.
void CheckWin32(LONG status, const char* what);  // a status of the Reg* kind
void CheckBool(BOOL ok, const char* what);       // a BOOL; GetLastError on failure
void CheckHr(HRESULT hr, const char* what);

// Upper-casing of the ASCII letters a to z only (paths and names compare so).
std::string UpperCase(std::string s);
bool SameText(const std::string& a, const std::string& b);  // ASCII, ignoring case
std::string IntToStr(long long v);

// Text between the system's ANSI code page and UTF-16: the one conversion
// that every COM call, wide window and file name of the framework uses.
std::wstring AnsiToWide(const std::string& s);
std::string WideToAnsi(const wchar_t* s, int length = -1);  // -1: up to the terminating zero
inline std::string WideToAnsi(const std::wstring& s) { return WideToAnsi(s.c_str(), static_cast<int>(s.size())); }

// Date and time as text in the user's short date and long time formats.
std::string DateToStr(const SYSTEMTIME& t);
std::string TimeToStr(const SYSTEMTIME& t);
std::string DateTimeToStr(const SYSTEMTIME& t);  // date, a blank, time
std::string NowAsText();                          // the local time now
// Reads a date written in the user's short date format; false when it is none.
bool StrToDate(const std::string& text, SYSTEMTIME& out);

}  // namespace fw
