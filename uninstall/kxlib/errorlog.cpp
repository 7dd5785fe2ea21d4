// The error log: RaiseLogged, LogError, WriteErrorLog.
#include <windows.h>

#include "framework/base/handles.h"
#include "framework/ui/application.h"
#include "uninstall/kxlib/errors.h"

namespace kx {

void RaiseLogged(std::int32_t code, const std::string& context) {
    LogError("\"" + BuildMessage(code, context, ".", true) + "\"");
    RaiseError(code, context);
}

void LogError(const std::string& text) { WriteErrorLog("Error:\r\n" + text, true); }

void WriteErrorLog(const std::string& text, bool stamp) {
    WriteErrorLogFile(ErrorLogName, text, stamp);
}

namespace {

// One line of the log: a text without a line end inside gets CR LF; one with
// CR LF inside stands between line ends, with an empty line after it.  At
// most 10000 bytes per line, line ends included.
void WriteLine(HANDLE file, const std::string& text) {
    std::string bytes = text.find("\r\n") == std::string::npos ? text + "\r\n"
                                                               : "\r\n" + text + "\r\n\r\n";
    if (bytes.size() > 10000) bytes.resize(10000);
    DWORD done = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}

std::string BaseName(const std::string& path) {
    auto p = path.find_last_of("\\:");
    return p == std::string::npos ? path : path.substr(p + 1);
}

}  // namespace

void WriteErrorLogFile(const std::string& logName, const std::string& text, bool stamp,
                       unsigned waitMs) {
    if (logName.empty()) return;
    const DWORD start = GetTickCount();
    for (;;) {
        fw::UniqueFile file;
        DWORD attr = GetFileAttributesA(logName.c_str());
        bool exists = attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
        if (exists) {
            // Other readers may look; no other writer may interleave.
            file.reset(CreateFileA(logName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (file) SetFilePointer(file.get(), 0, nullptr, FILE_END);
        } else {
            file.reset(CreateFileA(logName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                   nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (file) {
                std::string bar(20, '=');
                WriteLine(file.get(), bar + " " + BaseName(logName) + " " + bar);
                if (!QuietMode) WriteLine(file.get(), fw::Application.Title());
            }
        }
        if (file) {
            if (stamp) {
                WriteLine(file.get(), "");
                WriteLine(file.get(), "");
                WriteLine(file.get(), "***** " + fw::NowAsText() + "\t" + text);
            } else {
                WriteLine(file.get(), text);
            }
            return;
        }
        fw::Application.ProcessMessages();
        if (GetTickCount() - start >= waitMs) return;
        Sleep(50);
    }
}

}  // namespace kx
