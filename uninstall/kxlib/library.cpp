#include "uninstall/kxlib/library.h"

#include <optional>

#include "framework/application.h"
#include "framework/handles.h"
#include "uninstall/kxlib/config.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/trace.h"

namespace kx {

namespace {

// The program thread's OLE initialisation, which the shortcut and ActiveX
// routines rely on.  OleInit undoes it only when it succeeded.
std::optional<fw::OleInit> ThreadOle;

}  // namespace

void LibraryStartup() {
    ThreadOle.emplace();
    LanguageText = nullptr;
    // The path as the system reports it; the path helpers replace it by its
    // exact spelling on disk when the two agree ignoring letter case.
    ProgramPath = Short(fw::Application.ExeName());
}

void LibraryShutdown() {
    // 1. The configuration store, when one exists.
    FreeConfig();
    // 2. OLE, undone only after a successful initialisation.
    ThreadOle.reset();
    // 3. Tracing ends.
    TraceFileName.clear();
}

}  // namespace kx
