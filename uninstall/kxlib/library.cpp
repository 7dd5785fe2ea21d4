#include "uninstall/kxlib/library.h"

#include <optional>

#include "framework/base/handles.h"
#include "framework/ui/application.h"
#include "uninstall/kxlib/config.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/paths.h"
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
    // The program file as the system reports it, in the file system's own
    // spelling when the two agree but for letter case.
    std::string reported = Short(fw::Application.ExeName());
    std::string exact = ExactPath(reported);
    ProgramPath = fw::SameText(exact, reported) ? exact : reported;
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
