// Message boxes, the simple message dialog and the error box of the
// application, shown for real and answered by the window helper; dates in the
// system's formats.
#include <gtest/gtest.h>

#include "framework/base/sysutils.h"
#include "framework/ui/application.h"
#include "tests/support/winauto.h"

using namespace fw;

namespace {

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application.Initialize();
        Application.SetTitle("Orvanta Test");
    }
};

struct BoxCase {
    UINT style;
    const char* press;
    int expected;
    const char* icon;
    std::vector<std::string> buttons;
};

TEST_F(ApplicationTest, MessageBoxShowsTitleTextIconAndButtons) {
    const BoxCase cases[] = {
        {16, "OK", IDOK, "error", {"OK"}},
        {48, "OK", IDOK, "warning", {"OK"}},
        {49, "OK", IDOK, "warning", {"OK", "Cancel"}},
        {49, "Cancel", IDCANCEL, "warning", {"OK", "Cancel"}},
        {64, "OK", IDOK, "information", {"OK"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style << " press " << c.press);
        auto answer = ts::AnswerDialogAsync(0, c.press);
        int r = Application.MessageBox("Line one\r\nLine two", "Caption here", c.style);
        ts::Dialog d = answer.get();
        EXPECT_EQ(r, c.expected);
        EXPECT_EQ(d.caption, "Caption here");
        EXPECT_EQ(d.text, "Line one\r\nLine two");
        EXPECT_EQ(d.icon, c.icon);
        EXPECT_EQ(d.ButtonTexts(), c.buttons);
    }
}

TEST_F(ApplicationTest, MessageBoxDisablesTheOtherWindowsWhileOpen) {
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(other);
    bool enabledDuring = true;
    auto answer = std::async(std::launch::async, [&] {
        HWND dlg = ts::WaitForDialog(0);
        enabledDuring = IsWindowEnabled(other);
        ts::PressButton(dlg, "OK");
    });
    Application.MessageBox("text", "caption", MB_OK);
    answer.get();
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(IsWindowEnabled(other));
    DestroyWindow(other);
}

TEST_F(ApplicationTest, ShowMessageUsesTheTitleAndAnOkButton) {
    auto answer = ts::AnswerDialogAsync(0, "OK");
    ShowMessage("Hello");
    ts::Dialog d = answer.get();
    EXPECT_EQ(d.caption, "Orvanta Test");
    EXPECT_EQ(d.text, "Hello");
    EXPECT_EQ(d.ButtonTexts(), std::vector<std::string>{"OK"});
    EXPECT_EQ(d.icon, "");
}

TEST_F(ApplicationTest, EscapedErrorIsShownWithTheErrorIconAndAPeriod) {
    auto answer = ts::AnswerDialogAsync(0, "OK");
    Application.Guard([] { throw Exception("Something broke"); });
    ts::Dialog d = answer.get();
    EXPECT_EQ(d.caption, "Orvanta Test");
    EXPECT_EQ(d.text, "Something broke.");
    EXPECT_EQ(d.icon, "error");
}

TEST_F(ApplicationTest, TerminateLeavesAnOpenMessageBoxUntilAnswered) {
    // A handler that ends the program and then reports an error: the box
    // must stay until it is answered.
    std::atomic<bool> stillShownAfterTerminate{false};
    auto answer = std::async(std::launch::async, [&] {
        HWND dlg = ts::WaitForDialog(0);
        Sleep(300);
        stillShownAfterTerminate = IsWindow(dlg) && IsWindowVisible(dlg);
        ts::PressButton(dlg, "OK");
    });
    PostMessageA(Application.Handle(), WM_NULL, 0, 0);
    Application.Terminate();
    Application.MessageBox("after terminate", "c", MB_OK);
    answer.get();
    EXPECT_TRUE(stillShownAfterTerminate);
    Application.ProcessMessages();
    EXPECT_TRUE(Application.Terminated());
}

int ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++ticks; }

TEST_F(ApplicationTest, ProcessMessagesRunsQueuedHandlers) {
    ticks = 0;
    UINT_PTR t = SetTimer(nullptr, 0, 1, CountTick);
    // Until the timer's message is due (the queue signals it), at most 5 s.
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_TIMER), WAIT_OBJECT_0);
    Application.ProcessMessages();
    KillTimer(nullptr, t);
    EXPECT_GE(ticks, 1);
}

TEST_F(ApplicationTest, ExeNameIsThisProgram) {
    EXPECT_EQ(UpperCase(Application.ExeName()), UpperCase(ts::SelfPath()));
}

TEST(Screen, CursorKeepsTheValueSet) {
    Screen.SetCursor(crAppStart);
    EXPECT_EQ(Screen.Cursor(), crAppStart);
    Screen.SetCursor(crHourGlass);
    EXPECT_EQ(Screen.Cursor(), crHourGlass);
    Screen.SetCursor(crDefault);
    EXPECT_EQ(Screen.Cursor(), crDefault);
    EXPECT_NE(TScreen::CursorHandle(crHourGlass), TScreen::CursorHandle(crDefault));
}

TEST(Dates, ShortDateRoundTripsAndBadTextsAreRefused) {
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 7;
    t.wHour = 5;
    t.wMinute = 16;
    t.wSecond = 28;
    std::string d = DateToStr(t);
    ASSERT_FALSE(d.empty());
    SYSTEMTIME back;
    ASSERT_TRUE(StrToDate(d, back)) << d;
    EXPECT_EQ(back.wYear, 2026);
    EXPECT_EQ(back.wMonth, 12);
    EXPECT_EQ(back.wDay, 7);
    EXPECT_FALSE(StrToDate("not a date", back));
    EXPECT_FALSE(StrToDate("99/99/2026", back));
    std::string dt = DateTimeToStr(t);
    EXPECT_EQ(dt.rfind(d + " ", 0), 0u) << dt;
    EXPECT_NE(dt.find("16"), std::string::npos) << dt;
    EXPECT_NE(dt.find("28"), std::string::npos) << dt;
}

TEST(Text, UpperCaseTouchesAsciiLettersOnly) {
    EXPECT_EQ(UpperCase("c:\\lumadesk\\\xE9lan"), "C:\\LUMADESK\\\xE9LAN");
    EXPECT_TRUE(SameText("Thumbs.db", "THUMBS.DB"));
    EXPECT_FALSE(SameText("Thumbs.db", "THUMBS.DBX"));
}

}  // namespace
