// The message boxes, shown for real and answered by the window helper, and
// the fatal stop, run in a child program whose box the test reads and answers.
#include <gtest/gtest.h>

#include "framework/ui/application.h"
#include "tests/kxlib_errors/langstub.h"
#include "tests/support/staging.h"
#include "tests/support/winauto.h"
#include "uninstall/kxlib/errors.h"

namespace {

const std::vector<std::string> kOk{"OK"};
const std::vector<std::string> kOkCancel{"OK", "Cancel"};

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        fw::Application.Initialize();
        fw::Application.SetTitle("Orvanta UnInstall");
    }
};

TEST_F(Dialogs, ShowErrorShowsTheMessageWithTheStopSign) {
    struct Case {
        std::int32_t code;
        const char* context;
        const char* text;
    } cases[] = {
        {0, "Error during Uninstall.", "Error during Uninstall."},
        {0, "no period", "no period"},
        {12, "C:\\x\\KxLang.dll", "Can't load : C:\\x\\KxLang.dll."},
        {68, "", "Error 68."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto answer = ts::AnswerDialogAsync(0, "OK");
        kx::ShowError(c.code, c.context);
        ts::Dialog d = answer.get();
        EXPECT_EQ(d.caption, "Orvanta UnInstall");
        EXPECT_EQ(d.text, c.text);
        EXPECT_EQ(d.icon, "error");
        EXPECT_EQ(d.ButtonTexts(), kOk);
    }
}

TEST_F(Dialogs, ShowErrorCarriesNoCodeEvenWithALanguage) {
    tl::LanguageBound lang({{139, "Code"}, {41, "Parametre invalide"}});
    auto answer = ts::AnswerDialogAsync(0, "OK");
    kx::ShowError(41, "");
    EXPECT_EQ(answer.get().text, "Parametre invalide.");
}

TEST_F(Dialogs, ShowInformationShowsTheInformationIcon) {
    auto answer = ts::AnswerDialogAsync(0, "OK");
    kx::ShowInformation(56, "");
    ts::Dialog d = answer.get();
    EXPECT_EQ(d.caption, "Orvanta UnInstall");
    EXPECT_EQ(d.text, "Orvanta Lumadesk files were found !");
    EXPECT_EQ(d.icon, "information");
    EXPECT_EQ(d.ButtonTexts(), kOk);
}

TEST_F(Dialogs, ShowWarningWithAndWithoutCancel) {
    struct Case {
        bool withCancel;
        const char* press;
        bool result;
        const std::vector<std::string>* buttons;
    } cases[] = {
        {false, "OK", true, &kOk},
        {true, "OK", true, &kOkCancel},
        {true, "Cancel", false, &kOkCancel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "cancel " << c.withCancel << " press " << c.press);
        auto answer = ts::AnswerDialogAsync(0, c.press);
        bool r = kx::ShowWarning(0, "Delete the user's files?", c.withCancel);
        ts::Dialog d = answer.get();
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(d.caption, "Orvanta UnInstall");
        EXPECT_EQ(d.text, "Delete the user's files?");
        EXPECT_EQ(d.icon, "warning");
        EXPECT_EQ(d.ButtonTexts(), *c.buttons);
    }
    auto answer = ts::AnswerDialogAsync(0, "OK");
    kx::ShowWarning(17, "C:\\Lumadesk", false);
    EXPECT_EQ(answer.get().text, "Directory not found : C:\\Lumadesk.");
}

TEST_F(Dialogs, ShowWarningClosedWithoutAnAnswerIsNo) {
    auto answer = std::async(std::launch::async, [] {
        HWND dlg = ts::WaitForDialog(0);
        if (dlg) PostMessageA(dlg, WM_CLOSE, 0, 0);
        return dlg != nullptr;
    });
    EXPECT_FALSE(kx::ShowWarning(0, "Go on?", true));
    EXPECT_TRUE(answer.get());
}

TEST_F(Dialogs, CustomMsgCutsTheTitleAndReturnsTheButton) {
    fw::Application.SetTitle(std::string(300, 'T'));
    auto answer = ts::AnswerDialogAsync(0, "Cancel");
    int r = kx::CustomMsg("first\r\nsecond", MB_OKCANCEL | MB_ICONINFORMATION);
    ts::Dialog d = answer.get();
    EXPECT_EQ(r, IDCANCEL);
    EXPECT_EQ(d.caption, std::string(255, 'T'));
    EXPECT_EQ(d.text, "first\r\nsecond");
    EXPECT_EQ(d.icon, "information");
}

// The fatal stop in a child program (kxlib_fatal_child.exe, built beside
// this one).  The child sets the busy cursor, calls RaiseFatal(41, "") and
// records what it sees while the box is up; after the call it would leave
// marker files behind.
class FatalStop : public ::testing::TestWithParam<bool> {};

TEST_P(FatalStop, ShowsTheBoxRunsNothingAfterAndExitsWith1603) {
    const bool trace = GetParam();
    ts::ScratchDir dir(trace ? "kxlib_fatal_trace" : "kxlib_fatal");
    ts::ChildProcess child(ts::Quote(ts::SelfFolder() + "kxlib_fatal_child.exe") + " " +
                           ts::Quote(dir.Path()) + (trace ? " trace" : ""));
    ASSERT_TRUE(child.Started());
    HWND dlg = ts::WaitForDialog(child.Pid(), 20000);
    ASSERT_TRUE(dlg) << "no box from the fatal stop";
    // The child notes the cursor once it sees its own box.
    for (int i = 0; i < 500 && !ts::FileExists(dir / "cursor.txt"); ++i) Sleep(20);
    ts::Dialog d;
    for (int i = 0; i < 100 && d.buttons.empty(); ++i) {
        d = ts::ReadDialog(dlg);
        if (d.buttons.empty()) Sleep(20);
    }
    // Before the answer the process must still be waiting in the box.
    EXPECT_EQ(child.Wait(0), static_cast<DWORD>(STILL_ACTIVE));
    ASSERT_TRUE(ts::PressButton(dlg, "OK"));
    DWORD code = child.Wait();

    EXPECT_EQ(code, 1603u);
    EXPECT_EQ(d.caption, "Orvanta UnInstall");
    EXPECT_EQ(d.text, "Invalid parameter.");
    EXPECT_EQ(ts::ReadTextFile(dir / "icon.txt"), "error");
    EXPECT_EQ(d.icon, "error");  // as another process sees it on screen
    EXPECT_EQ(d.ButtonTexts(), kOk);
    // The child set crHourGlass (-11) before the call; the box saw crDefault.
    EXPECT_EQ(ts::ReadTextFile(dir / "cursor.txt"), "0");
    EXPECT_FALSE(ts::FileExists(dir / "after.txt")) << "a statement after RaiseFatal ran";
    EXPECT_FALSE(ts::FileExists(dir / "catch.txt")) << "a catch block of the caller ran";
    EXPECT_FALSE(ts::FileExists(dir / "static.txt")) << "a static destructor ran";
    EXPECT_FALSE(ts::FileExists(dir / "atexit.txt")) << "an atexit handler ran";
    if (trace) {
        std::string t = ts::ReadTextFile(dir / "Trace.txt");
        EXPECT_NE(t.find("\tOuverture trace\r\nbefore the stop\r\n\r\n\r\n***** "),
                  std::string::npos)
            << t;
        auto end = std::string("\tRaiseFatal !!! Invalid parameter.\r\n");
        ASSERT_GE(t.size(), end.size()) << t;
        EXPECT_EQ(t.substr(t.size() - end.size()), end) << t;
    } else {
        EXPECT_FALSE(ts::FileExists(dir / "Trace.txt"));
    }
}

INSTANTIATE_TEST_SUITE_P(TraceOffAndOn, FatalStop, ::testing::Values(false, true));

}  // namespace
