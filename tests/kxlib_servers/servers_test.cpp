// RegisterOcx, LoadLibraryOrFail and GetProcOrFail on real libraries: the
// recording server, a server without DllRegisterServer, servers that crash in
// DllUnregisterServer or in DllMain, a file that is not a library.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <ole2.h>

#include "tests/kxlib_servers/fixtures.h"
#include "tests/support/staging.h"
#include "uninstall/kxlib/servers.h"

namespace {

class RegisterOcxTest : public ::testing::Test {
protected:
    // Each case stages its own copy, so that its log and its loaded state
    // are its own.
    std::string Stage(const std::string& folder) {
        std::string target = dir / (folder + ".dll");
        EXPECT_TRUE(fx::CopyFixture(folder, "Server.dll", target)) << GetLastError();
        return target;
    }
    ts::ScratchDir dir{std::string("servers_") +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

TEST_F(RegisterOcxTest, UnregistersOnlyAndReleasesTheServer) {
    std::string server = Stage("server_rec");
    EXPECT_FALSE(fx::RaisedBy([&] { kx::RegisterOcx(server, false); }));
    // OLE was initialised around the call, and undone again.
    EXPECT_EQ(fx::CallsOf(server), "unregister ole\ndetach\n");
    EXPECT_FALSE(fx::IsLoaded(server));
    EXPECT_FALSE(fx::OleInitialised());
}

TEST_F(RegisterOcxTest, WithRegisterUnregistersFirstThenRegisters) {
    std::string server = Stage("server_rec");
    EXPECT_FALSE(fx::RaisedBy([&] { kx::RegisterOcx(server, true); }));
    EXPECT_EQ(fx::CallsOf(server), "unregister ole\nregister ole\ndetach\n");
    EXPECT_FALSE(fx::IsLoaded(server));
}

TEST_F(RegisterOcxTest, NestsInsideTheThreadsOwnOleInitialisation) {
    std::string server = Stage("server_rec");
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    EXPECT_FALSE(fx::RaisedBy([&] { kx::RegisterOcx(server, false); }));
    EXPECT_TRUE(fx::OleInitialised());  // the caller's initialisation stands
    OleUninitialize();
    EXPECT_FALSE(fx::OleInitialised());
    EXPECT_EQ(fx::CallsOf(server), "unregister ole\ndetach\n");
}

TEST_F(RegisterOcxTest, BareNameIsFoundThroughTheLibrarySearch) {
    std::string server = Stage("server_rec");
    ASSERT_TRUE(SetDllDirectoryA(dir.Path().c_str()));
    auto raised = fx::RaisedBy([&] { kx::RegisterOcx("server_rec.dll", false); });
    SetDllDirectoryA(nullptr);
    EXPECT_FALSE(raised);
    EXPECT_EQ(fx::CallsOf(server), "unregister ole\ndetach\n");
}

TEST_F(RegisterOcxTest, MissingFilesAndNonLibrariesDoNothing) {
    EXPECT_FALSE(fx::RaisedBy([&] { kx::RegisterOcx(dir / "Missing.ocx", true); }));
    EXPECT_FALSE(fx::RaisedBy([&] { kx::RegisterOcx("NoSuchServerAnywhere.ocx", true); }));
    std::string text = dir / "Text.ocx";
    ASSERT_TRUE(ts::WriteTextFile(text, "not a library at all\r\n"));
    EXPECT_FALSE(fx::RaisedBy([&] { kx::RegisterOcx(text, false); }));
    EXPECT_FALSE(fx::OleInitialised());
}

TEST_F(RegisterOcxTest, MissingRegisterEntryRaises30BeforeAnyCall) {
    std::string server = Stage("server_noreg");
    auto raised = fx::RaisedBy([&] { kx::RegisterOcx(server, false); });
    ASSERT_TRUE(raised);
    EXPECT_EQ(raised->Code, 30);
    EXPECT_EQ(raised->Context, "DllRegisterServer");
    EXPECT_EQ(raised->Message, "Function not found in DLL : DllRegisterServer");
    // Nothing was called, and the server was released again.
    EXPECT_EQ(fx::CallsOf(server), "detach\n");
    EXPECT_FALSE(fx::IsLoaded(server));
    EXPECT_FALSE(fx::OleInitialised());
}

TEST_F(RegisterOcxTest, CrashInTheServerGivesCode2AndTheProgramGoesOn) {
    std::string server = Stage("server_crash");
    for (bool reg : {false, true}) {
        auto raised = fx::RaisedBy([&] { kx::RegisterOcx(server, reg); });
        ASSERT_TRUE(raised);
        EXPECT_EQ(raised->Code, 2);
        EXPECT_EQ(raised->Context, "RegisterOcx");
        // Neither register was called nor the faulted server released.
        EXPECT_EQ(fx::CallsOf(server), "");
        EXPECT_TRUE(fx::IsLoaded(server));
        EXPECT_FALSE(fx::OleInitialised());
    }
    // Later servers are handled as usual.
    std::string good = Stage("server_rec");
    EXPECT_FALSE(fx::RaisedBy([&] { kx::RegisterOcx(good, true); }));
    EXPECT_EQ(fx::CallsOf(good), "unregister ole\nregister ole\ndetach\n");
}

TEST_F(RegisterOcxTest, CrashInDllMainEndsOnlyTheLoad) {
    std::string server = Stage("server_attach");
    auto raised = fx::RaisedBy([&] { kx::RegisterOcx(server, false); });
    // The platform's loader refuses a library whose DllMain faults (nothing
    // happens); should the fault reach the guard instead, it is code 2.
    if (raised) {
        EXPECT_EQ(raised->Code, 2);
        EXPECT_EQ(raised->Context, "RegisterOcx");
    }
    EXPECT_EQ(fx::CallsOf(server).find("unregister"), std::string::npos);
    EXPECT_FALSE(fx::OleInitialised());
    std::string good = Stage("server_rec");
    EXPECT_FALSE(fx::RaisedBy([&] { kx::RegisterOcx(good, false); }));
    EXPECT_EQ(fx::CallsOf(good), "unregister ole\ndetach\n");
}

TEST_F(RegisterOcxTest, LoadLibraryOrFailChecksAndCodes) {
    std::string server = Stage("server_rec");
    HMODULE module = kx::LoadLibraryOrFail(server);
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(fx::IsLoaded(server));
    EXPECT_EQ(kx::GetProcOrFail("DllRegisterServer", module),
              GetProcAddress(module, "DllRegisterServer"));
    auto missingProc = fx::RaisedBy([&] { kx::GetProcOrFail("DllCanUnloadNow", module); });
    ASSERT_TRUE(missingProc);
    EXPECT_EQ(missingProc->Code, 30);
    EXPECT_EQ(missingProc->Context, "DllCanUnloadNow");
    FreeLibrary(module);
    EXPECT_FALSE(fx::IsLoaded(server));

    // A folder part and no file: code 4.  A bare name the search cannot
    // find, a file that is no library and a faulting DllMain: code 12.
    struct Case {
        std::string name;
        std::int32_t code;
    };
    std::string text = dir / "Text.dll";
    ASSERT_TRUE(ts::WriteTextFile(text, "not a library\r\n"));
    std::string attach = Stage("server_attach");
    for (const Case& c : {Case{dir / "Missing.dll", 4}, Case{"C:Missing.dll", 4},
                          Case{"NoSuchLibraryAnywhere.dll", 12}, Case{text, 12}, Case{attach, 12}}) {
        auto raised = fx::RaisedBy([&] { kx::LoadLibraryOrFail(c.name); });
        ASSERT_TRUE(raised) << c.name;
        EXPECT_EQ(raised->Code, c.code) << c.name;
        EXPECT_EQ(raised->Context, c.name);
    }
}

}  // namespace
