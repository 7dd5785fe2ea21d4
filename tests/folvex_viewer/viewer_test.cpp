// FolvexView.exe, started as a person starts it, against the Reader control
// double: its buttons, its page field and its error box, driven from outside.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/readerdouble.h"
#include "tests/support/staging.h"
#include "tests/support/winauto.h"

namespace {

std::string ViewerExe() { return ts::SelfFolder() + "..\\..\\folvex\\viewer\\FolvexView.exe"; }

class ViewerProgram : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(S_OK, reader.Result()); }

    // Starts the viewer on Name and waits for its window with Caption.
    HWND Start(const std::string& name, const std::string& caption) {
        viewer = std::make_unique<ts::ChildProcess>(ts::Quote(ViewerExe()) + " " + ts::Quote(name));
        return ts::WaitForWindow(viewer->Pid(), "TViewerForm", caption.c_str(), 30000);
    }
    HWND Control(const char* cls, const std::string& text) {
        for (const auto& c : ts::Children(window))
            if (c.cls == cls && c.text == text) return c.hwnd;
        return nullptr;
    }
    // The page field: the "Edit" just before the "Go" button.
    HWND PageField() {
        HWND go = Control("Button", "&Go");
        HWND w = go ? GetWindow(go, GW_HWNDPREV) : nullptr;
        return w && ts::ClassName(w) == "Edit" ? w : nullptr;
    }
    // A click's notification, posted to the button's parent.
    void Press(const std::string& caption) {
        HWND b = Control("Button", caption);
        ASSERT_TRUE(b) << caption;
        PostMessageA(GetParent(b), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED),
                     reinterpret_cast<LPARAM>(b));
    }
    // Waits until the page field reads Page; the log's last line is Last
    // when one is given.
    void ExpectPage(const std::string& page, const std::string& last = {}) {
        HWND field = PageField();
        ASSERT_TRUE(field);
        EXPECT_TRUE(ts::WaitUntil([&] { return ts::WindowText(field) == page; }, 10000))
            << "page field: " << ts::WindowText(field);
        if (last.empty()) return;
        auto lines = reader.LogLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(last, lines.back());
    }
    void TearDown() override {
        if (window) PostMessageA(window, WM_CLOSE, 0, 0);
        if (viewer) {
            EXPECT_EQ(0u, viewer->Wait(15000));
        }
    }

    ts::ScratchDir scratch{"folvex_viewer"};
    ts::ReaderDouble reader{"AcroPDF", "AcroPDF=11.0.23,Plugin=11.0.23", scratch / "calls.log"};
    std::unique_ptr<ts::ChildProcess> viewer;
    HWND window = nullptr;
};

TEST_F(ViewerProgram, ShowsTheDocumentAndMovesThroughItsPages) {
    std::string doc = scratch / "three.pdf";
    ASSERT_TRUE(ts::WriteSamplePdf(doc, 3));
    window = Start(doc, "three.pdf - Folvex Viewer");
    ASSERT_TRUE(window);

    std::vector<std::string> buttons;
    for (const auto& c : ts::Children(window))
        if (c.cls == "Button" && GetParent(c.hwnd) == GetParent(Control("Button", "&Go")))
            buttons.push_back(c.text);
    EXPECT_EQ((std::vector<std::string>{"&Open...", "&First", "&Previous", "&Next", "&Last", "&Go",
                                        "P&rint", "&Close"}),
              buttons);
    ExpectPage("1 / 3");
    auto opened = reader.LogLines();
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ("LoadFile " + doc, opened.front());

    Press("&Next");
    ExpectPage("2 / 3", "gotoNextPage");
    Press("&Last");
    ExpectPage("3 / 3", "gotoLastPage");
    SetWindowTextA(PageField(), "2");
    Press("&Go");
    ExpectPage("2 / 3", "setCurrentPage 2");
}

TEST_F(ViewerProgram, KeysDoWhatTheButtonsDo) {
    std::string doc = scratch / "three.pdf";
    ASSERT_TRUE(ts::WriteSamplePdf(doc, 3));
    window = Start(doc, "three.pdf - Folvex Viewer");
    ASSERT_TRUE(window);
    ExpectPage("1 / 3");
    struct Case {
        WORD key;
        const char* page;
        const char* logged;
    } cases[] = {{VK_NEXT, "2 / 3", "gotoNextPage"},
                 {VK_END, "3 / 3", "gotoLastPage"},
                 {VK_PRIOR, "2 / 3", "gotoPreviousPage"},
                 {VK_HOME, "1 / 3", "gotoFirstPage"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        PostMessageA(window, WM_KEYDOWN, c.key, 1);
        ExpectPage(c.page, c.logged);
    }
    // Ctrl+P prints through Reader's dialog, Ctrl+W closes the document.
    SetForegroundWindow(window);
    auto ctrlKey = [](WORD key) {
        INPUT in[4] = {};
        WORD keys[4] = {VK_CONTROL, key, key, VK_CONTROL};
        for (int i = 0; i < 4; ++i) {
            in[i].type = INPUT_KEYBOARD;
            in[i].ki.wVk = keys[i];
            in[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
        }
        SendInput(4, in, sizeof(INPUT));
    };
    ctrlKey('P');
    EXPECT_TRUE(ts::WaitUntil([&] {
        auto lines = reader.LogLines();
        return !lines.empty() && lines.back() == "printWithDialog";
    }, 10000));
    ctrlKey('W');
    EXPECT_TRUE(ts::WaitUntil([&] { return ts::WindowText(window) == "Folvex Viewer"; }, 10000));
    ExpectPage("");
}

TEST_F(ViewerProgram, AMissingFileIsReportedInTheErrorBox) {
    std::string missing = scratch / "missing.pdf";
    window = Start(missing, "Folvex Viewer");
    ASSERT_TRUE(window);
    HWND box = ts::WaitForDialog(viewer->Pid());
    ASSERT_TRUE(box);
    ts::Dialog d = ts::ReadDialog(box);
    EXPECT_EQ("Folvex Viewer", d.caption);
    EXPECT_EQ("File not found\r\n" + missing + ".", d.text);
    EXPECT_EQ("error", d.icon);
    EXPECT_TRUE(ts::PressButton(box, "OK"));
    EXPECT_TRUE(ts::WaitGone(box));
    // The window stays, without a document and without commands on the
    // missing one; the double was never asked.
    EXPECT_EQ("Folvex Viewer", ts::WindowText(window));
    EXPECT_EQ("", ts::WindowText(PageField()));
    for (const char* command : {"&First", "&Next", "&Go", "P&rint", "&Close"})
        EXPECT_FALSE(IsWindowEnabled(Control("Button", command))) << command;
    EXPECT_TRUE(IsWindowEnabled(Control("Button", "&Open...")));
    EXPECT_TRUE(reader.LogLines().empty());
}

TEST(ViewerWithoutReader, SaysSoAtStart) {
    ts::ChildProcess viewer(ts::Quote(ViewerExe()));
    HWND window = ts::WaitForWindow(viewer.Pid(), "TViewerForm", "Folvex Viewer", 30000);
    ASSERT_TRUE(window);
    bool said = false;
    for (const auto& c : ts::Children(window))
        said = said || c.text == "No Adobe Reader PDF control is installed on this computer: documents cannot be shown.";
    EXPECT_TRUE(said);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, viewer.Wait(15000));
}

}  // namespace
