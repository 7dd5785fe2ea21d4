// The package's free routines: the message texts of its string table
// (TResString and the exported names), the error routines SetError and
// MsgError, string routines (IsUrl, FirstHalf, TabIndex, SegmentStringToList,
// Replace, ReplaceChars, WithEndSlash, ExtractFilePrefix, Inf), system
// routines (GetTempDir, GetWindowsDir, GetFileLocation, GetWindowsLastError)
// and DownloadToTempFile.
//
// Texts are byte strings in the system's ANSI code page; letter case is
// compared and changed for the ASCII letters only.
#pragma once

#include <string>
#include <vector>

#include "folvex/runtime/FolvexApi.h"
#include "folvex/runtime/FolvexStrings.h"
#include "framework/base/classes.h"

namespace folvex {

// A text of the package's string table, named by its identifier.  It is
// loaded from the package module each time it is used (so that a resource
// module for another language can replace it) and converts to the text, so
// that it is passed wherever a message is expected.
class TResString {
public:
    constexpr explicit TResString(unsigned identifier) : identifier_(identifier) {}
    constexpr unsigned Identifier() const { return identifier_; }
    // The text as the package module holds it now; empty when it has none.
    FOLVEX_API std::string Load() const;
    operator std::string() const { return Load(); }

private:
    unsigned identifier_;
};

// The exported names of the table, with plain names in the export table.
extern "C" {
FOLVEX_API extern const TResString _MSG_CANT_LOAD;              // "Can't load"
FOLVEX_API extern const TResString _MSG_CANT_OPEN_FILE;         // "Can't open file"
FOLVEX_API extern const TResString _MSG_FILE_NOT_FOUND;         // "File not found"
FOLVEX_API extern const TResString _MSG_INTERNAL_ERROR;         // "Internal error"
FOLVEX_API extern const TResString _MSG_INVALID_WINDOWS_CALL;   // "Invalid Windows function call"
FOLVEX_API extern const TResString _MSG_PRINTER_NOT_FOUND;      // "Printer not found"
}

// Raises fw::Exception whose message is Message, followed by CR LF and Detail
// when Detail is not empty.  Every failure of the package goes through here.
[[noreturn]] FOLVEX_API void SetError(const std::string& message, const std::string& detail = {});

// Shows the same text in a modal message box with no owner window, titled
// "Error", with the error icon and one OK button; returns when it is closed.
FOLVEX_API void MsgError(const std::string& message, const std::string& detail = {});

// True when Text has a ":" and the part before the first one is HTTP, HTTPS,
// FTP or MAILTO, in any letter case.
FOLVEX_API bool IsUrl(const std::string& text);

// Text before the first Separator; the whole text when there is none.
FOLVEX_API std::string FirstHalf(const std::string& text, char separator);

// Index (from 0) of the first item equal to Text ignoring letter case; -1
// when none is.
FOLVEX_API int TabIndex(const std::string& text, const std::vector<std::string>& items);

// Clears List and adds the pieces of Text between the Separators, empty
// pieces included; a trailing separator adds no empty last piece, and an
// empty text gives an empty list.
FOLVEX_API void SegmentStringToList(const std::string& text, char separator, fw::TStrings& list);

// Text with every occurrence of Search (case significant, left to right, not
// overlapping) replaced by Replacement; an empty Search changes nothing.
FOLVEX_API std::string Replace(const std::string& search, const std::string& replacement,
                               const std::string& text);

// Text in which each character found in Characters (at its first position
// p) becomes the character at position p of Replacements.  The two strings
// are meant to be of equal length; a character without a counterpart stays.
FOLVEX_API std::string ReplaceChars(const std::string& characters, const std::string& replacements,
                                    const std::string& text);

// Path with a trailing "\"; an empty path stays empty.
FOLVEX_API std::string WithEndSlash(const std::string& path);

// The file name of Path (after the last "\" or ":") cut before its first ".".
FOLVEX_API std::string ExtractFilePrefix(const std::string& path);

// The smaller of A and B (A when they are equal).
FOLVEX_API int Inf(int a, int b);

// The system's temporary folder, with a trailing "\", in lower case; empty
// when the system cannot say.
FOLVEX_API std::string GetTempDir();

// The Windows folder as the system gives it (no trailing "\" added); empty
// when the system cannot say.
FOLVEX_API std::string GetWindowsDir();

// A number that identifies the volume holding Path: the absolute value of
// its serial number taken as a signed 32-bit integer (2147483647 for the one
// serial whose absolute value has no such integer); 0 when the system cannot
// read the volume.
FOLVEX_API int GetFileLocation(const std::string& path);

// "[Windows: " + the system's text for the calling thread's last error + "]",
// without line breaks.
FOLVEX_API std::string GetWindowsLastError();

// Downloads an http://, https:// or ftp:// URL into a new file
// "Download<n><extension>" of the temporary folder and returns its full
// name; List, when given, receives the name too.  The caller owns the file.
// The extension is that of the last segment of the URL's path (a dot and 1
// to 8 letters or digits), else none.  Raises "File not found" (URL as
// detail) for another scheme, an HTTP error status, an empty download and
// when no new file can be made; "Invalid Windows function call" (the failed
// step as detail) when the transfer fails.  On every failure no file is left.
FOLVEX_API std::string DownloadToTempFile(const std::string& url, fw::TStrings* list = nullptr);

}  // namespace folvex
