// Folvex.dll in the form designer orvdesign.exe, driven from outside through
// its real windows: the palette page, the weekly update check of a placed
// TFolvex against a loopback server, the About and FileName editors, and the
// about box's link label.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/folvex_design/update_fixture.h"
#include "tests/support/readerdouble.h"
#include "tests/support/designer_driver.h"
#include "tests/support/winauto.h"

namespace {

std::string DesignerExe() { return ts::SelfFolder() + "..\\..\\framework\\design\\designer\\orvdesign.exe"; }
std::string Package() { return ts::SelfFolder() + "..\\..\\folvex\\Folvex.dll"; }

HWND FindChild(HWND parent, const std::string& cls, const char* text = nullptr) {
    return ts::VisibleChild(parent, cls, text);
}

// The designer with Folvex.dll and a form file, and what a person does in it.
class Designer : public ts::DesignerDriver {
public:
    explicit Designer(const std::string& formFile)
        : DesignerDriver(DesignerExe(), ts::Quote(Package()) + " " + ts::Quote(formFile)) {}
    bool PlaceFolvex(int x, int y) const { return Place("TFolvex", x, y) != nullptr; }
};

class FolvexDesignerTest : public UpdateKeyTest {
protected:
    ts::ScratchDir dir{std::string("folvex_design_") +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

// The update window of the designer, once shown, with the time it took.
HWND WaitForUpdateWindow(DWORD pid, DWORD timeoutMs) {
    return ts::WaitForWindow(pid, nullptr, "Orvanta Live Update", timeoutMs);
}

TEST_F(FolvexDesignerTest, PaletteHasThePageOrvantaWithTFolvexAloneAndThePackageDescription) {
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, kFolvexKey, "LiveUpdate", "never"));
    Designer d(dir / "form.dfm");
    ASSERT_NE(d.Main(), nullptr);
    HWND tabs = FindChild(d.Main(), "SysTabControl32");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(ts::TabTexts(tabs), (std::vector<std::string>{"Standard", "Orvanta"}));
    EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 1);
    std::vector<ts::Control> buttons;
    for (const auto& c : ts::Children(tabs))
        if (c.visible && c.cls == "Button") buttons.push_back(c);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0].text, "TFolvex");
    // The palette bitmap TFOLVEX is the button's image.
    EXPECT_NE(SendMessageA(buttons[0].hwnd, BM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    EXPECT_NE(FindChild(d.Main(), "Static", "Packages: Orvanta Folvex 1.1"), nullptr);
}

// One placement per stored value, all in one designer: whether the update
// window shows about 8 seconds later, and what the value holds afterwards.
TEST_F(FolvexDesignerTest, UpdateCheckRunsOnceAWeekAfterEightSeconds) {
    PointAtServer();
    struct Case {
        const char* what;
        bool hasValue;
        std::string stored;
        bool shows;
        std::string after;
    };
    const Case cases[] = {
        {"no value", false, "", true, ShortDate(7)},
        {"never, in lower case", true, "never", false, "never"},
        {"tomorrow", true, ShortDate(1), false, ShortDate(1)},
        {"an unreadable value", true, "next tuesday", false, "next tuesday"},
        {"today", true, ShortDate(0), true, ShortDate(7)},
    };
    Designer d(dir / "form.dfm");
    ASSERT_NE(d.Main(), nullptr);
    const std::string app = "Orvanta_Form_Designer";
    int x = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HKEY key = nullptr;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kFolvexKey, 0, KEY_SET_VALUE, &key);
        ASSERT_NE(key, nullptr);
        RegDeleteValueA(key, "LiveUpdate");
        RegCloseKey(key);
        if (c.hasValue) {
            ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, kFolvexKey, "LiveUpdate", c.stored));
        }
        server.ClearRequests();

        ASSERT_TRUE(d.PlaceFolvex(x, 10));
        x += 20;
        DWORD placed = GetTickCount();
        // Nothing within 11 seconds means nothing at all: the timer fires at 8.
        HWND window = WaitForUpdateWindow(d.Pid(), c.shows ? 14000 : 11000);
        DWORD took = GetTickCount() - placed;
        if (!c.shows) {
            EXPECT_EQ(window, nullptr);
            EXPECT_TRUE(server.Requests().empty());
            EXPECT_EQ(Stored(), c.after);
            continue;
        }
        ASSERT_NE(window, nullptr);
        EXPECT_GE(took, 7000u);
        EXPECT_LE(took, 13000u);
        RECT r;
        GetWindowRect(window, &r);
        EXPECT_EQ(r.right - r.left, 540);
        EXPECT_EQ(r.bottom - r.top, 500);
        ASSERT_TRUE(server.WaitForRequests(1, 10000));
        ts::HttpRequest req = server.Requests()[0];
        EXPECT_EQ(req.method, "GET");
        EXPECT_EQ(req.Path(), "/liveupdate.asp");
        EXPECT_EQ(req.Query(), "product=Folvex_Delphi&version=1.1&location=" + WindowsVolumeSerial() + "&app=" + app);
        EXPECT_EQ(Stored(), c.after);
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(ts::WaitGone(window));
    }
}

// A browser that cannot be made (its library disabled for the designer)
// ends the check silently: nothing shown, nothing asked, the value unchanged.
TEST_F(FolvexDesignerTest, UpdateCheckWithAFailingBrowserLeavesTheValueUnchanged) {
    PointAtServer();
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, kFolvexKey, "LiveUpdate", ShortDate(-3)));
    // Wine's per-program library settings: the browser's library disabled
    // for the designer and for the surrogate host that COM tries next.
    const std::string designerKey = "Software\\Wine\\AppDefaults\\orvdesign.exe";
    const std::string surrogateKey = "Software\\Wine\\AppDefaults\\dllhost.exe";
    ts::ScratchKey designerDefaults(HKEY_CURRENT_USER, designerKey);
    ts::ScratchKey surrogateDefaults(HKEY_CURRENT_USER, surrogateKey);
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, designerKey + "\\DllOverrides", "ieframe", ""));
    ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, surrogateKey + "\\DllOverrides", "ieframe", ""));
    Designer d(dir / "form.dfm");
    ASSERT_NE(d.Main(), nullptr);
    ASSERT_TRUE(d.PlaceFolvex(10, 10));
    EXPECT_EQ(WaitForUpdateWindow(d.Pid(), 11000), nullptr);
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(Stored(), ShortDate(-3));
    // The designer goes on.
    EXPECT_TRUE(d.WaitValue("Name", "Folvex1"));
}

}  // namespace

namespace {

// A URL protocol's "open" command replaced for the test's life (in the
// project's prefix), so that the shell runs a recorder instead of a browser:
// it writes the address it was given to a file.
class UrlHandler {
public:
    UrlHandler(const std::string& protocol, const std::string& recordFile)
        : key_(protocol + "\\shell\\open\\command") {
        had_ = ReadDefault(old_);
        std::string command = "C:\\windows\\system32\\cmd.exe /c echo %1> \"" + recordFile + "\"";
        ok_ = ts::SetRegString(HKEY_CLASSES_ROOT, key_, "", command);
    }
    ~UrlHandler() {
        if (had_) ts::SetRegString(HKEY_CLASSES_ROOT, key_, "", old_);
    }
    bool Ok() const { return ok_; }

private:
    bool ReadDefault(std::string& out) const {
        char buf[1024] = {};
        DWORD size = sizeof buf - 1;
        if (RegGetValueA(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buf, &size)) return false;
        out = buf;
        return true;
    }
    std::string key_, old_;
    bool had_ = false, ok_ = false;
};

// A control's place in its parent's client area.
RECT PlaceIn(HWND parent, const ts::Control& c) {
    RECT r = c.rect;
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

TEST_F(FolvexDesignerTest, AboutEllipsisShowsTheAboutBoxAndItsLinkOpensTheMakersAddress) {
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, kFolvexKey, "LiveUpdate", "never"));
    const std::string opened = dir / "opened.txt";
    UrlHandler handler("http", opened);
    ASSERT_TRUE(handler.Ok());
    Designer d(dir / "form.dfm");
    ASSERT_TRUE(d.PlaceFolvex(20, 20));
    ASSERT_TRUE(d.WaitValue("Name", "Folvex1"));
    EXPECT_EQ(d.Value("About"), "Orvanta Folvex version 1.1");
    ASSERT_NE(d.RowOf("About").dots, nullptr);

    HWND form = d.Form();
    d.Ellipsis("About");
    HWND box = ts::WaitForWindow(d.Pid(), nullptr, "About Orvanta Folvex", 10000);
    ASSERT_NE(box, nullptr);
    RECT br;
    GetWindowRect(box, &br);
    EXPECT_EQ(br.right - br.left, 339);
    EXPECT_EQ(br.bottom - br.top, 212);
    HWND panel = nullptr;
    std::vector<ts::Control> labels;
    HWND ok = nullptr;
    for (const auto& c : ts::Children(box)) {
        if (c.cls == "TPanel") panel = c.hwnd;
        if (c.cls == "Static" && !c.text.empty()) labels.push_back(c);
        if (c.cls == "Button") ok = c.hwnd;
    }
    ASSERT_NE(panel, nullptr);
    ASSERT_EQ(labels.size(), 4u);
    const std::pair<std::string, int> expected[] = {
        {"Orvanta Folvex version 1.1", 24},
        {"PDF viewer component", 48},
        {"Copyright (c) Orvanta. All rights reserved.", 72},
        {"http://www.orvanta.com", 96},
    };
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(labels[i].text, expected[i].first);
        EXPECT_EQ(GetParent(labels[i].hwnd), panel);
        RECT r = PlaceIn(panel, labels[i]);
        EXPECT_EQ(r.left, 10) << i;
        EXPECT_EQ(r.top, expected[i].second) << i;
        EXPECT_EQ(r.right - r.left, 280) << i;
        EXPECT_EQ(r.bottom - r.top, 16) << i;
    }
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ts::WindowText(ok), "&Ok");
    // tests/folvex_design/screenshot.sh asks to hold this moment (a TFolvex
    // placed, its about box open): the marker file is written, then awaited gone.
    if (const char* hold = std::getenv("ORV_DESIGNER_HOLD")) {
        // After a placement the design form can sit behind the designer's
        // window under Wine; for the picture it comes up, under the box.
        SetWindowPos(form, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetWindowPos(box, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        Sleep(500);
        ASSERT_TRUE(ts::WriteTextFile(hold, "ready"));
        ts::WaitUntil([&] { return !ts::FileExists(hold); }, 30000);
    }

    // The link asks the shell to open its caption.
    ts::ClickAt(labels[3].hwnd, 5, 5);
    // The recording browser may still be writing when the file appears.
    ts::WaitUntil([&] { return !Trimmed(ts::ReadTextFile(opened)).empty(); }, 15000);
    EXPECT_EQ(Trimmed(ts::ReadTextFile(opened)), "http://www.orvanta.com");

    // Enter presses the default button.
    PostMessageA(ok, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(ts::WaitGone(box));
    EXPECT_EQ(d.Value("About"), "Orvanta Folvex version 1.1");

    // Typing into About changes nothing.
    d.Type("About", "something else");
    Sleep(500);
    EXPECT_TRUE(d.WaitValue("About", "Orvanta Folvex version 1.1"));
}

// The FileName ellipsis: cancelled, confirmed with an existing PDF (opened in
// the designer by the Reader double, AutoOpen being on), and confirmed with
// a missing file (the designer reports "File not found", the name stays).
TEST_F(FolvexDesignerTest, FileNameEllipsisPicksAPdfInTheSaveDialog) {
    ASSERT_TRUE(ts::SetRegString(HKEY_LOCAL_MACHINE, kFolvexKey, "LiveUpdate", "never"));
    const std::string doc = dir / "three.pdf";
    ASSERT_TRUE(ts::WriteSamplePdf(doc, 3));
    ts::ReaderDouble reader("AcroPDF", "AcroPDF=8.1.2,Plugin=8.1.2", dir / "calls.log");
    ASSERT_EQ(S_OK, reader.Result());
    Designer d(dir / "form.dfm");
    ASSERT_TRUE(d.PlaceFolvex(20, 20));
    ASSERT_TRUE(d.WaitValue("Name", "Folvex1"));
    ASSERT_NE(d.RowOf("FileName").dots, nullptr);

    // Opens the dialog and returns it, with its name field.
    auto openDialog = [&](HWND& nameField) {
        d.Ellipsis("FileName");
        HWND dlg = ts::WaitForWindow(d.Pid(), "#32770", "PDF File Name", 10000);
        nameField = nullptr;
        if (!dlg) return dlg;
        for (const auto& c : ts::Children(dlg))
            if ((c.id == 0x480 || c.id == 0x47c) && c.visible) nameField = c.hwnd;
        return dlg;
    };
    auto choose = [&](HWND dlg, HWND nameField, const std::string& name) {
        SendMessageA(nameField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
    };

    // Cancel changes nothing; the filter is the package's.
    HWND field = nullptr;
    HWND dlg = openDialog(field);
    ASSERT_NE(dlg, nullptr);
    ASSERT_NE(field, nullptr);
    std::vector<std::string> types;
    for (const auto& c : ts::Children(dlg))
        if (c.id == 0x470) types = ts::ComboItems(c.hwnd);  // the file-type list
    EXPECT_EQ(types, (std::vector<std::string>{"PDF Files", "All Files"}));
    bool modifiedBefore = d.Modified();
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDCANCEL)));
    ASSERT_TRUE(ts::WaitGone(dlg));
    Sleep(300);
    EXPECT_EQ(d.Value("FileName"), "");
    EXPECT_EQ(d.Modified(), modifiedBefore);
    EXPECT_TRUE(reader.LogLines().empty());

    // An existing PDF: stored, and opened against the Reader double.
    dlg = openDialog(field);
    ASSERT_NE(dlg, nullptr);
    choose(dlg, field, doc);
    ASSERT_TRUE(ts::WaitGone(dlg));
    EXPECT_TRUE(d.WaitValue("FileName", doc));
    EXPECT_EQ(d.Value("AutoOpen"), "True");
    EXPECT_TRUE(ts::WaitUntil([&] {
        for (const auto& line : reader.LogLines())
            if (line == "LoadFile " + doc) return true;
        return false;
    }, 15000)) << ::testing::PrintToString(reader.LogLines());

    // A missing file: the designer's error box, and the name stays stored.
    const std::string missing = dir / "missing.pdf";
    dlg = openDialog(field);
    ASSERT_NE(dlg, nullptr);
    choose(dlg, field, missing);
    ASSERT_TRUE(ts::WaitGone(dlg));
    HWND box = ts::WaitForDialog(d.Pid());
    ASSERT_NE(box, nullptr);
    ts::Dialog error = ts::ReadDialog(box);
    EXPECT_EQ(error.caption, "Orvanta Form Designer");
    EXPECT_EQ(error.icon, "error");
    EXPECT_EQ(error.text.rfind("File not found", 0), 0u) << error.text;
    EXPECT_NE(error.text.find(missing), std::string::npos) << error.text;
    ts::PressButton(box, "OK");
    ASSERT_TRUE(ts::WaitGone(box));
    EXPECT_TRUE(d.WaitValue("FileName", missing));
}

}  // namespace
