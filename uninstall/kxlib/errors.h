// Error codes and message texts: the built-in table (ErrorText), the message
// builder (BuildMessage, EnsureEnding), the language text hook, the library's
// exception EOrvantaError; the raise routines (RaiseError, RaiseLogged), the
// message boxes (CustomMsg, ShowError, ShowInformation, ShowWarning), the
// fatal stop RaiseFatal and the error log.
#pragma once

#include <cstdint>
#include <string>

#include "framework/base/sysutils.h"
#include "uninstall/kxlib/langstr.h"

namespace kx {

// Texts that the library passes as short strings are cut at 255 characters,
// here and nowhere else.
constexpr std::size_t kShortMax = 255;
std::string Short(std::string s);

// Settings of the library.  QuietMode is off unless the program's unattended
// mode sets it, once, before anything else runs: then no dialog is shown,
// errors go to the error log, warnings count as accepted and the fatal stop
// raises instead of ending the program.  The others are fixed.
extern bool QuietMode;
constexpr bool ShowErrorCode = false;
constexpr bool HaltOnFatal = true;
constexpr bool TraceRaisedErrors = false;
inline constexpr const char* ErrorLogName = "";
constexpr unsigned ErrorLogWaitMs = 10000;

// The loaded language library's LangStr, or none (then the built-in table
// serves every text).
extern LangStrProc LanguageText;
// Set when a call of LanguageText faulted: the library is then no longer
// called (LanguageText is cleared) and UnloadLanguage does not free it.
extern bool LanguageFaulted;
// The language library's text for Number; empty when none is loaded or when
// the call faulted.
std::string LangStr(std::uint16_t number);

// The built-in English text of Number, or empty.
std::string ErrorText(std::uint16_t number);
// The message text of Code: the language library's while one is loaded,
// else the built-in one.
std::string MessageText(std::int32_t code);

std::string EnsureEnding(const std::string& text, const std::string& ending);
std::string BuildMessage(std::int32_t code, const std::string& context, const std::string& ending,
                         bool withCode);

// The library's exception: a code and the context text it was raised with.
class EOrvantaError : public fw::Exception {
public:
    EOrvantaError(std::int32_t code, const std::string& context);
    std::int32_t Code;
    std::string Context;
};

// Contexts are short strings: BuildMessage and EOrvantaError use at most the
// first 255 characters of the context given.

// Raises EOrvantaError(Code, Context); the one way library routines fail.
[[noreturn]] void RaiseError(std::int32_t code, const std::string& context);
// Records the error in the error log, then raises it as RaiseError does.
[[noreturn]] void RaiseLogged(std::int32_t code, const std::string& context);

// A modal message box owned by the application, with Text, the application's
// title (cut at 255) as caption and the Windows message-box Style; returns
// the button pressed (IDOK 1, IDCANCEL 2).
int CustomMsg(const std::string& text, std::uint16_t style);
// Error box (stop sign, OK) with the message of Code and Context.
void ShowError(std::int32_t code, const std::string& context);
// Information box (OK).
void ShowInformation(std::int32_t code, const std::string& context);
// Warning box (exclamation mark), OK or OK and Cancel; true when the user
// answered OK.
bool ShowWarning(std::int32_t code, const std::string& context, bool withCancel);

// The exit status of the fatal stop: the Windows Installer's code for a
// fatal error, so that whatever started the uninstaller sees the failure.
constexpr unsigned FatalExitCode = 1603;

// The fatal stop: a stamped trace entry, then the error box, then the
// library's shut-down and the end of the process with FatalExitCode.
// ExitProcess ends it there: no statement, catch block or static destructor
// of the caller runs afterwards.  (With HaltOnFatal off it would show a
// warning and return instead.)
void RaiseFatal(std::int32_t code, const std::string& context);

// The error log: a stamped entry "Error:", a line end and Text.
void LogError(const std::string& text);
// Appends Text to the error log named ErrorLogName (none in this program).
void WriteErrorLog(const std::string& text, bool stamp);
// The same for a log of the given name; an empty name writes nothing.  The
// file is retried while window messages are handled until waitMs have passed.
void WriteErrorLogFile(const std::string& logName, const std::string& text, bool stamp,
                       unsigned waitMs = ErrorLogWaitMs);

}  // namespace kx
