// The update check outside the designer: a TFolvex made by a host program
// makes no timer and never touches the key; LiveUpdate called by a host
// sends the application's title safely encoded; a key without write access
// means no check.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "folvex/runtime/Folvex.h"
#include "framework/ui/application.h"
#include "framework/ui/extctrls.h"
#include "framework/ui/forms.h"
#include "tests/folvex_design/update_fixture.h"
#include "tests/support/winauto.h"

namespace {

using UpdateTest = UpdateKeyTest;

TEST_F(UpdateTest, AtRunTimeTheComponentMakesNoTimerAndNeverTouchesTheKey) {
    auto* form = new fw::TForm(nullptr);
    form->SetBounds(40, 40, 400, 400);
    auto* viewer = new folvex::TFolvex(form);
    viewer->SetParent(form);
    form->Show();
    for (int i = 0; i < viewer->ComponentCount(); ++i)
        EXPECT_EQ(dynamic_cast<fw::TTimer*>(viewer->Components(i)), nullptr) << i;
    // Until the moment the designer's check would run (its timer, made with
    // the component, fires 8 s later) has passed: a timer of the test's own,
    // made after the component, fires after it; messages are handled
    // meanwhile as a program's loop handles them.
    bool due = false;
    fw::TTimer deadline(nullptr);
    deadline.SetInterval(8500);
    deadline.SetOnTimer([&](fw::TObject*) { due = true; });
    while (!due) fw::Application.HandleMessage();
    EXPECT_EQ(ts::WaitForWindow(0, nullptr, "Orvanta Live Update", 0), nullptr);
    EXPECT_FALSE(KeyExists());
    form->Free();
}

TEST(UpdateAppField, ReplacesThenPercentEncodesWhatCouldCutTheQuery) {
    const std::pair<const char*, const char*> cases[] = {
        {"My App 1.0", "My_App_1_0"},
        {"a&b?c/d%e.f:g", "a_b_c_d_e_f_g"},
        {"x#frag=1+2", "x%23frag%3D1%2B2"},
        {"Keep-this_~", "Keep-this_~"},
        {"caf\xe9", "caf%E9"},
        {"", ""},
    };
    for (const auto& [title, field] : cases) EXPECT_EQ(folvex::LiveUpdateAppField(title), field) << title;
}

// Called by a host: the request carries the host's title, encoded, and the
// date moves 7 days on; the window closes like any other.
TEST_F(UpdateTest, LiveUpdateSendsTheTitleEncodedAndMovesTheDate) {
    fw::OleInit ole;  // a host that shows web pages has OLE, as the designer does
    PointAtServer();
    std::string oldTitle = fw::Application.Title();
    fw::Application.SetTitle("My App 1.0 #part=1+2");
    std::thread closer([&] {
        HWND w = ts::WaitForWindow(GetCurrentProcessId(), nullptr, "Orvanta Live Update", 15000);
        if (!w) return;
        server.WaitForRequests(1, 10000);
        PostMessageA(w, WM_CLOSE, 0, 0);
    });
    folvex::LiveUpdate("Folvex_Delphi", "Folvex", "1.1");
    closer.join();
    fw::Application.SetTitle(oldTitle);
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Query(), "product=Folvex_Delphi&version=1.1&location=" + WindowsVolumeSerial() +
                                       "&app=My_App_1_0_%23part%3D1%2B2");
    EXPECT_EQ(Stored(), ShortDate(7));
}

// Without write access to the key the check cannot start: no window, no
// request, the value as it was.
TEST_F(UpdateTest, KeyWithoutWriteAccessMeansNoCheck) {
    PointAtServer();
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, kFolvexKey, "LiveUpdate", ShortDate(-1)));
    ASSERT_TRUE(ts::MakeKeyReadOnly(HKEY_LOCAL_MACHINE, kFolvexKey));
    DWORD start = GetTickCount();
    folvex::LiveUpdate("Folvex_Delphi", "Folvex", "1.1");  // returns at once: nothing is shown
    EXPECT_LT(GetTickCount() - start, 5000u);
    ASSERT_TRUE(ts::RestoreKeyAccess(HKEY_LOCAL_MACHINE, kFolvexKey));
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(Stored(), ShortDate(-1));
}

}  // namespace
