// TSaveDialog and TOpenDialog: the system's file dialog, shown by the test
// and answered from another thread as a person would (read the caption and
// the filter list, type a name, press a button, answer the prompts).
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <future>

#include "framework/ui/application.h"
#include "framework/ui/dialogs.h"
#include "tests/support/staging.h"
#include "tests/support/winauto.h"

using namespace fw;

namespace {

const int kFileNameEdit = 0x47C;  // cmb13: the file-name box (an edit inside)
const int kTypeCombo = 0x470;     // cmb1: the filter list

// A dialog box of this process other than Except, once it has its buttons.
HWND WaitForOtherDialog(HWND except, DWORD timeoutMs = 10000) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        for (HWND w : ts::TopWindows(0, "#32770"))
            if (w != except && !ts::ReadDialog(w).buttons.empty()) return w;
        Sleep(20);
    }
    return nullptr;
}

HWND FindChild(HWND dlg, const std::string& cls, int id) {
    for (const auto& c : ts::Children(dlg))
        if (c.cls == cls && c.id == id) return c.hwnd;
    return nullptr;
}

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char buf[512] = "";
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        items.emplace_back(buf);
    }
    return items;
}

// What the person saw.
struct Seen {
    bool found = false;
    std::string caption;
    std::vector<std::string> filters;
    std::string initialName;
    std::string prompt;  // the text of a message box the dialog showed
    std::string error;   // a step that could not be done
};

// The person's steps, on a file dialog found by the driver.
using Steps = std::function<void(HWND dlg, Seen& seen)>;

// Runs Execute on this thread while another thread finds the file dialog,
// reads it and runs the steps.  Whatever is left open when the steps end
// without closing the dialog is cancelled, so that Execute returns.
bool ExecuteAnswered(TOpenDialog& d, Steps steps, Seen& seen) {
    auto person = std::async(std::launch::async, [&] {
        HWND dlg = WaitForOtherDialog(nullptr);
        if (!dlg) return;
        seen.found = true;
        HWND edit = nullptr;
        for (int i = 0; i < 100 && !edit; ++i, Sleep(20)) edit = FindChild(dlg, "Edit", kFileNameEdit);
        seen.caption = ts::WindowText(dlg);
        seen.filters = ComboItems(FindChild(dlg, "ComboBox", kTypeCombo));
        seen.initialName = ts::WindowText(edit);
        steps(dlg, seen);
        if (!ts::WaitGone(dlg, 5000)) {
            if (seen.error.empty()) seen.error = "the dialog stayed open";
            for (HWND w : ts::TopWindows(0, "#32770")) PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
        }
    });
    bool result = d.Execute();
    person.get();
    return result;
}

// Types a name into the file-name box and presses the named button.
bool TypeAndPress(HWND dlg, const std::string& name, const std::string& button) {
    HWND edit = FindChild(dlg, "Edit", kFileNameEdit);
    if (!edit) return false;
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    return ts::PressButton(dlg, button);
}

// Waits for the message box the file dialog shows, keeps its text, presses Button.
bool AnswerPrompt(HWND dlg, const std::string& button, Seen& seen) {
    HWND box = WaitForOtherDialog(dlg, 5000);
    if (!box) return false;
    seen.prompt = ts::ReadDialog(box).text;
    return ts::PressButton(box, button) && ts::WaitGone(box, 5000);
}

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override { Application.Initialize(); }
    ts::ScratchDir dir{"file_dialogs"};
};

TEST_F(FileDialogs, SaveShowsTitleAndFilterAndGivesTheTypedNameWithTheDefaultExtension) {
    TSaveDialog d(nullptr);
    d.SetTitle("PDF File Name");
    d.SetFilter("PDF Files|*.pdf|All Files|*.*");
    d.SetDefaultExt("pdf");
    d.SetInitialDir(dir.Path());
    d.SetFileName("first.pdf");
    Seen seen;
    bool ok = ExecuteAnswered(d, [](HWND dlg, Seen& s) {
        if (!TypeAndPress(dlg, "report", "Save")) s.error = "no file-name box or Save button";
    }, seen);
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(seen.error, "");
    EXPECT_EQ(seen.caption, "PDF File Name");
    EXPECT_EQ(seen.filters, (std::vector<std::string>{"PDF Files", "All Files"}));
    EXPECT_EQ(seen.initialName, "first.pdf");
    EXPECT_TRUE(ok);
    EXPECT_TRUE(SameText(d.FileName(), dir / "report.pdf")) << d.FileName();
    EXPECT_EQ(d.FilterIndex(), 1);
}

TEST_F(FileDialogs, CancelGivesFalseAndKeepsTheInitialNameAWebAddressToo) {
    // The viewer's FileName may hold a web address, which is no file name:
    // the dialog must open all the same (Wine takes it as the initial name;
    // where the system refuses it, Execute opens the dialog without it).
    for (const std::string initial : {"C:\\docs\\manual.pdf", "http://127.0.0.1/doc.pdf?x=*"}) {
        SCOPED_TRACE(initial);
        TSaveDialog d(nullptr);
        d.SetFilter("PDF Files|*.pdf|All Files|*.*");
        d.SetFileName(initial);
        Seen seen;
        bool ok = ExecuteAnswered(d, [](HWND dlg, Seen& s) {
            if (!ts::PressButton(dlg, "Cancel")) s.error = "no Cancel button";
        }, seen);
        EXPECT_TRUE(seen.found);
        EXPECT_EQ(seen.error, "");
        EXPECT_FALSE(ok);
        EXPECT_EQ(d.FileName(), initial);
    }
}

struct PromptCase {
    const char* name;
    bool save;
    TOpenOptions options;
    const char* typed;       // a name the dialog questions
    const char* prompt;      // a part of the message box's text (Wine's wording); "" for none
    const char* answer;      // the button that answers it
    const char* chosen;      // the name typed next, when the first one was refused
};

class FileDialogPrompts : public FileDialogs, public ::testing::WithParamInterface<PromptCase> {};

TEST_P(FileDialogPrompts, OptionsDecideWhetherANameIsQuestioned) {
    const PromptCase& pc = GetParam();
    ASSERT_TRUE(ts::WriteTextFile(dir / "old.pdf", "%PDF-1.4"));
    std::unique_ptr<TOpenDialog> d(pc.save ? new TSaveDialog(nullptr) : new TOpenDialog(nullptr));
    d->SetFilter("PDF Files|*.pdf|All Files|*.*");
    d->SetInitialDir(dir.Path());
    d->SetOptions(d->Options() | pc.options);
    Seen seen;
    const std::string button = pc.save ? "Save" : "Open";
    bool ok = ExecuteAnswered(*d, [&](HWND dlg, Seen& s) {
        if (!TypeAndPress(dlg, pc.typed, button)) { s.error = "cannot type or press"; return; }
        if (!*pc.prompt) return;
        if (!AnswerPrompt(dlg, pc.answer, s)) { s.error = "no prompt answered"; return; }
        if (*pc.chosen && !TypeAndPress(dlg, pc.chosen, button)) s.error = "cannot type again";
    }, seen);
    EXPECT_EQ(seen.error, "");
    EXPECT_NE(seen.prompt.find(pc.prompt), std::string::npos) << seen.prompt;
    EXPECT_TRUE(ok);
    EXPECT_TRUE(SameText(d->FileName(), dir / (*pc.chosen ? pc.chosen : pc.typed))) << d->FileName();
    EXPECT_EQ(ts::ReadTextFile(dir / "old.pdf"), "%PDF-1.4");  // the dialog never writes
}

INSTANTIATE_TEST_SUITE_P(
    Options, FileDialogPrompts,
    ::testing::Values(
        PromptCase{"SaveOverExistingIsAskedAndNoKeepsTheDialog", true, ofOverwritePrompt, "old.pdf",
                   "already exists", "No", "new.pdf"},
        PromptCase{"SaveOverExistingConfirmedWithYes", true, ofOverwritePrompt, "old.pdf",
                   "already exists", "Yes", ""},
        PromptCase{"SaveWithoutThePromptOptionAsksNothing", true, 0, "old.pdf", "", "", ""},
        PromptCase{"OpenRefusesAMissingFileWhenItMustExist", false, ofFileMustExist, "missing.pdf",
                   "does not exist", "OK", "old.pdf"}),
    [](const ::testing::TestParamInfo<PromptCase>& i) { return std::string(i.param.name); });

TEST(FileDialogClasses, PublishTheirPropertiesForFormResources) {
    TSaveDialog d(nullptr);
    SetStrProp(&d, "filter", "PDF Files|*.pdf");
    SetStrProp(&d, "Title", "PDF File Name");
    SetEnumProp(&d, "Options", "[ofOverwritePrompt,ofHideReadOnly]");
    EXPECT_EQ(d.Filter(), "PDF Files|*.pdf");
    EXPECT_EQ(d.Title(), "PDF File Name");
    EXPECT_EQ(d.Options(), static_cast<TOpenOptions>(ofOverwritePrompt | ofHideReadOnly));
    EXPECT_EQ(GetEnumProp(&d, "Options"), "[ofOverwritePrompt, ofHideReadOnly]");
    EXPECT_EQ(GetOrdProp(&d, "FilterIndex"), 1);
    // Form resources may hold them: both are in the class registry.
    EXPECT_EQ(GetClass("TSaveDialog"), &TSaveDialog::StaticClass());
    EXPECT_EQ(GetClass("topendialog"), &TOpenDialog::StaticClass());
}

}  // namespace
