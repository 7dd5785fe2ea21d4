// The library's start-up and shut-down (LibraryStartup, LibraryShutdown):
// what KxLib needs set up before the main window exists, and undone at the
// normal end of the program and at the fatal stop.
#pragma once

namespace kx {

// Once, before the program's main window is created: OLE for this thread,
// no language library bound, ProgramPath recorded.
void LibraryStartup();
// Once, at the normal end and at the fatal stop: frees the configuration
// store, undoes OLE when it was initialised, switches the trace off.
void LibraryShutdown();

}  // namespace kx
