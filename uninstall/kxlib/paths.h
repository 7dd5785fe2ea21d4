// Path rules of the library: backslashes at either end, the parent of a path,
// the file system's own spelling, the local and inside tests, the relative
// form of a path, and the GUI's pending messages for long walks.
#pragma once

#include <windows.h>

#include <string>

namespace kx {

// Every result is a short string: cut at 255 characters (kx::Short).
std::string AddTrailingBackslash(const std::string& path);
std::string DropTrailingBackslash(const std::string& path);
std::string AddLeadingBackslash(const std::string& path);
// Keeps a path that begins with two backslashes (a UNC name).
std::string DropLeadingBackslash(const std::string& path);
// The parent folder without a trailing backslash; empty for C:\ and \\Server.
std::string ParentFolder(const std::string& path);
// The final element: the text after the last backslash or colon.
std::string FileNameOf(const std::string& path);
// From the last dot of the final element, the dot included; empty when the
// final element has no dot.
std::string FileExtension(const std::string& path);
// A file (not a folder) of that name exists, at any length.
bool FileExists(const std::string& path);
// The name under which the platform's wide functions reach Path at any
// length: Path itself while it fits in a short string, else the
// extended-length form of its full path ("\\?\C:\..." or
// "\\?\UNC\server\share\..."), never a cut one.
std::wstring PlatformPath(const std::string& path);
// The attributes of Path at any length; INVALID_FILE_ATTRIBUTES when they
// cannot be read.
DWORD PathAttributes(const std::string& path);
// The file system's own spelling (case, long names) of an existing path; a
// path it does not know comes back unchanged.
std::string ExactPath(const std::string& path);
// Path made absolute against the current directory, with a drive that is
// mapped to a network share replaced by the share's UNC name.
std::string UniversalPath(const std::string& path);
// The path does not resolve to a network (UNC) location.
bool IsLocalPath(const std::string& path);
// Path lies inside Base or is Base (ASCII letters compared without case).
bool PathIsUnder(const std::string& base, const std::string& path);
// Path relative to Base: a file without leading backslash (Doc\Guide.chm), a
// folder with one (\Doc).  Raises error 14 with Path when it lies outside a
// non-empty Base.
std::string RelativePath(const std::string& path, const std::string& base);
// Lets the GUI handle the messages waiting in its queue, then returns.
void ProcessPendingMessages();

// The wide side of the file layer.  Names that the file system reports are
// wide; turned into the narrow code page they may change (best fit turns a
// full-width reverse solidus into a backslash and a full-width full stop into a dot),
// so the walks, deletions and restart removals keep them wide, and narrow
// text serves only the window and the trace.

// Path in the narrow functions' code page, widened.
std::wstring WidePath(const std::string& path);
// A wide path for the window and the trace: a character that the code page
// lacks shows as "?", never as a look-alike that a narrow function would take
// for a separator or a dot.
std::string DisplayPath(const std::wstring& path);
// The one spelling of a folder: made full against the current directory, in
// its long form as far as it exists, one backslash between components, no
// trailing backslash (a drive root keeps its own: C:\).  The prefixes
// "\\?\" and "\\.\" are understood ("\\?\UNC\server\share" is
// "\\server\share").  Empty when Path names no folder of a drive or a share
// (a device or volume name, an alternate stream, a wildcard).
std::wstring CanonicalFolder(const std::wstring& path);
// The extended-length form ("\\?\C:\..." or "\\?\UNC\server\...") of
// a canonical path: the wide functions take it exactly as written, at any
// length, without resolving "." or ".." or dropping trailing dots.
std::wstring ExtendedPath(const std::wstring& canonical);
// Path without an extended-length prefix ("\\?\UNC\s\..." is
// "\\s\..."); other paths come back unchanged.
std::wstring WithoutExtendedPrefix(const std::wstring& path);
// Wide paths compared as the file system compares names: ordinal, without
// regard to case.
bool SameWidePath(const std::wstring& a, const std::wstring& b);
// Path upper-cased as SameWidePath compares it: a key for sets of paths.
std::wstring FoldedPath(const std::wstring& path);

}  // namespace kx
