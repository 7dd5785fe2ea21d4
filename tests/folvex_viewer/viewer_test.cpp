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
                                        "&Print", "&Close"}),
              buttons);
    ExpectPage("1");
    auto opened = reader.LogLines();
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ("src " + doc, opened.front());

    Press("&Next");
    ExpectPage("2", "gotoNextPage");
    Press("&Last");
    ExpectPage("3", "gotoLastPage");
    SetWindowTextA(PageField(), "2");
    Press("&Go");
    ExpectPage("2", "setCurrentPage 2");
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
    // The window stays, without a document; the double was never asked.
    EXPECT_EQ("Folvex Viewer", ts::WindowText(window));
    EXPECT_EQ("", ts::WindowText(PageField()));
    EXPECT_TRUE(reader.LogLines().empty());
}

}  // namespace
