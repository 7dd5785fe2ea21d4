#include "uninstall/kxlib/trace.h"

#include <windows.h>

#include "framework/base/handles.h"
#include "framework/base/sysutils.h"
#include "framework/ui/application.h"
#include "uninstall/kxlib/errors.h"

namespace kx {

std::string TraceFileName;
std::string ProgramPath;

namespace {

// The folder part of a path, with its trailing backslash (or colon).
std::string FolderOf(const std::string& path) {
    auto p = path.find_last_of("\\:");
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

// The name of attempt n: n = 0 is the trace file itself, n > 0 the sibling
// with n inserted before the extension (Trace.txt -> Trace3.txt).
std::string AttemptName(int n) {
    std::string name = Short(TraceFileName);
    if (n == 0) return name;
    auto slash = name.find_last_of("\\:");
    auto dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = name.size();
    return name.substr(0, dot) + std::to_string(n) + name.substr(dot);
}

// Appends the bytes to the file, creating it when it does not exist.  The
// file is open only during this call; others may read it meanwhile.
bool AppendToFile(const std::string& name, const std::string& bytes) {
    fw::UniqueFile file(CreateFileA(name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD done = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
        done != bytes.size())
        return false;
    return true;  // the owner closes the file on the way out
}

// The trace goes to a file the program was told to write.
bool TraceNamed = false;

}  // namespace

void OpenTraceFile(const std::string& fileName) {
    TraceFileName = Short(fileName);
    TraceNamed = true;
    TraceStamp("Ouverture trace");
}

void OpenTrace(bool reset, bool announce) {
    if (TraceNamed && !TraceFileName.empty()) return;
    const bool announcing = TraceFileName.empty() && !QuietMode && announce;
    TraceFileName = FolderOf(ProgramPath) + "Trace.txt";
    // "Trace activée :" in the ANSI code page (é is the one byte E9).
    if (announcing) fw::ShowMessage("Trace activ\xE9" "e :\r\n" + TraceFileName);
    if (reset) {
        DWORD attr = GetFileAttributesA(TraceFileName.c_str());
        bool exists = attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
        if (exists && !DeleteFileA(TraceFileName.c_str())) RaiseError(11, TraceFileName);
        TraceStamp("Ouverture trace");
    }
}

void Trace(const std::string& text) {
    if (TraceFileName.empty()) return;
    std::string entry = text;
    for (int n = 0; n <= 10; ++n) {
        const std::string name = AttemptName(n);
        if (AppendToFile(name, entry + "\r\n")) return;
        entry = "Trace: " + MessageText(5) + " " + name + "\r\n" + entry;
    }
    // Eleven files refused the entry: it is dropped without a report.
}

void TraceStamp(const std::string& text) {
    Trace("");
    Trace("");
    Trace("***** " + fw::NowAsText() + "\t" + text);
}

}  // namespace kx
