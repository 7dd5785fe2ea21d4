// The trace file: Trace.txt in the program's folder, one appended line per
// step of the uninstaller's work (OpenTrace, Trace, TraceStamp).
#pragma once

#include <string>

namespace kx {

// Full path of the trace file; empty while tracing is off.  Set by
// OpenTrace, emptied by the library's shut-down.
extern std::string TraceFileName;
// Full path of the program file (at most 255 characters), recorded by the
// library's start-up; the trace file lies in its folder.
extern std::string ProgramPath;

// Switches tracing on: TraceFileName := the folder of ProgramPath +
// "Trace.txt".  Announce shows where the trace goes, the first time only.
// Reset deletes an existing trace file (code 11 when it cannot) and begins
// the trace with the stamped entry "Ouverture trace".
void OpenTrace(bool reset, bool announce);
// Switches tracing on into the file FileName, named by whoever started the
// program, instead of Trace.txt: no announcement, and an existing file is
// appended to (never deleted), beginning with the stamped entry "Ouverture
// trace".  Afterwards OpenTrace leaves the trace where it is.
void OpenTraceFile(const std::string& fileName);
// Appends Text and a line end while tracing is on.  A file that cannot be
// written sends the entry to Trace1.txt ... Trace10.txt, each preceded by a
// note naming the files that failed; after those, the entry is dropped.
// Never raises.
void Trace(const std::string& text);
// Appends two empty lines and "***** " + date and time + TAB + Text.
void TraceStamp(const std::string& text);

}  // namespace kx
