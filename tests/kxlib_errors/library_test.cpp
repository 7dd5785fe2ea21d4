// The library's start-up and shut-down: OLE for the thread, the language
// binding, ProgramPath, the trace switched off.
#include <gtest/gtest.h>

#include <objbase.h>

#include "framework/base/sysutils.h"
#include "tests/kxlib_errors/langstub.h"
#include "tests/support/staging.h"
#include "tests/support/winauto.h"
#include "uninstall/kxlib/errors.h"
#include "uninstall/kxlib/library.h"
#include "uninstall/kxlib/trace.h"

namespace {

TEST(Library, StartupAndShutdown) {
    kx::LanguageText = tl::StandInLangStr;
    kx::LibraryStartup();
    EXPECT_EQ(kx::LanguageText, nullptr);
    EXPECT_TRUE(fw::SameText(kx::ProgramPath, ts::SelfPath())) << kx::ProgramPath;
    // OLE is initialised for this thread: a further initialisation only counts.
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(hr, S_FALSE);
    if (SUCCEEDED(hr)) CoUninitialize();

    ts::ScratchDir dir("kxlib_library");
    kx::ProgramPath = dir / "uninstall.exe";
    kx::OpenTrace(true, false);
    ASSERT_TRUE(ts::FileExists(dir / "Trace.txt"));
    const std::string traced = ts::ReadTextFile(dir / "Trace.txt");

    kx::LibraryShutdown();
    EXPECT_EQ(kx::TraceFileName, "");
    kx::Trace("after the shut-down");
    EXPECT_EQ(ts::ReadTextFile(dir / "Trace.txt"), traced);
    // OLE is undone: the thread starts afresh.
    hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(hr, S_OK);
    if (SUCCEEDED(hr)) CoUninitialize();
}

TEST(Library, ShutdownUndoesOnlyASuccessfulOleStart) {
    // A thread already in the multithreaded apartment refuses OLE's
    // single-threaded start; the shut-down must then leave it alone.
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    kx::LibraryStartup();
    kx::LibraryShutdown();
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EXPECT_EQ(hr, S_FALSE) << "the shut-down undid an initialisation that was not its own";
    if (SUCCEEDED(hr)) CoUninitialize();
    CoUninitialize();
}

}  // namespace
