// The Reader control double for tests: registers it for the current user
// for the life of one object, reads its call log, and writes sample PDF
// files.  The double itself is tests/fixtures/readerdouble (ReaderDouble.dll,
// built to <build>/tests/fixtures/readerdouble/).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/base/handles.h"

namespace ts {

class ReaderDouble {
public:
    // Registers both controls, the PDF content type pointing at Generation
    // ("AcroPDF" or "PDF"), GetVersions answering Versions, and the log file
    // LogPath (emptied first).
    ReaderDouble(const std::string& generation, const std::string& versions,
                 const std::string& logPath);
    ~ReaderDouble();  // unregisters everything
    ReaderDouble(const ReaderDouble&) = delete;
    ReaderDouble& operator=(const ReaderDouble&) = delete;

    HRESULT Result() const { return hr_; }  // of the registration
    const std::string& LogPath() const { return log_; }
    // The log's lines so far, without line ends; ClearLog empties it.
    std::vector<std::string> LogLines() const;
    void ClearLog() const;
    // Sets (or, with an empty name, clears) the member that fails with E_FAIL.
    void FailMember(const std::string& member) const;

    // Full path of ReaderDouble.dll beside the test programs.
    static std::string DllPath();

private:
    fw::UniqueModule module_;
    HRESULT hr_ = E_FAIL;
    std::string log_;
};

// Writes a small well-formed PDF file with the given number of pages.
bool WriteSamplePdf(const std::string& path, int pages);

}  // namespace ts
