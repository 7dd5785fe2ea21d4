// Requests that arrive while the component waits for Reader (its window
// closing, a document loading, an event of the control), the destructor, a
// failed Open, a new parent, a form resource made elsewhere, out-of-range
// view settings, timers of other threads, and documents handed to the shell.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <functional>
#include <thread>

#include "folvex/runtime/PdfDisplayers.h"
#include "framework/formres/formres.h"
#include "framework/ui/extctrls.h"
#include "tests/support/viewer_fixture.h"

namespace {

const char kSdiClass[] = "AcrobatSDIWindow";

class Reentry : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        UseReader("AcroPDF", "AcroPDF=8.1.2,Plugin=8.1.2");
        ASSERT_TRUE(ts::WriteSamplePdf(other, 2));
    }
    // The document Reader's control holds; "" while closed.
    std::string Shown() { return viewer->Active() ? viewer->GetPdfObject().Get("src").ToString() : ""; }
    // Reader windows a person sees (shown, and on the screen rather than
    // moved out of sight) after pending messages were handled.
    static int ReaderWindowsShown() {
        fw::Application.ProcessMessages();
        const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        int n = 0;
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, kSdiClass, nullptr)) != nullptr;) {
            RECT r{}, seen{};
            GetWindowRect(w, &r);
            if (IsWindowVisible(w) && IntersectRect(&seen, &r, &screen)) ++n;
        }
        return n;
    }
    // Runs Action once, 10 ms from now, from the message loop.
    void Soon(std::function<void()> action) {
        auto* timer = new fw::TTimer(form);
        timer->SetInterval(10);
        timer->SetOnTimer([timer, action](fw::TObject*) {
            timer->SetEnabled(false);
            action();
        });
    }
    std::string other = scratch / "other.pdf";
};

TEST_F(Reentry, ARequestWhileReadersWindowClosesWinsAsTheLastOne) {
    struct Case {
        const char* during;  // what a handler does while SetFileName(other) waits
        bool open;
        bool otherStored;  // FileName is other (else the first document)
    } cases[] = {{"SetFileName", true, false}, {"Close", false, true}, {"Open", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.during);
        viewer->SetFileName(doc);
        ASSERT_TRUE(viewer->Active());
        const std::string third = scratch / "third.pdf";
        ASSERT_TRUE(ts::WriteSamplePdf(third, 1));
        Soon([&] {
            std::string what = c.during;
            if (what == "SetFileName") viewer->SetFileName(third);
            if (what == "Close") viewer->Close();
            if (what == "Open") viewer->Open();
        });
        viewer->SetFileName(other);
        const std::string expected = c.otherStored ? other : third;
        EXPECT_EQ(expected, viewer->FileName());
        EXPECT_EQ(c.open, viewer->Active());
        EXPECT_EQ(c.open ? expected : "", Shown());
        EXPECT_EQ(0, ReaderWindowsShown());
        viewer->Close();
    }
}

// A handler that runs while Reader loads the document (Reader handles
// messages there): a window message that Reader's own window gets inside
// LoadFile stands for it.
std::function<void()> during;

// Runs During when Reader's own window is shown (inside LoadFile).
LRESULT CALLBACK DuringReaderShows(int code, WPARAM wp, LPARAM lp) {
    auto* m = reinterpret_cast<CWPRETSTRUCT*>(lp);
    char cls[64] = {};
    if (code == HC_ACTION && m->message == WM_SHOWWINDOW && m->wParam && GetClassNameA(m->hwnd, cls, sizeof cls) &&
        std::string(cls) == kSdiClass && during)
        during();
    return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(Reentry, ARequestWhileReaderLoadsStopsTheOpen) {
    struct Case {
        const char* what;
        bool open;
    } cases[] = {{"Close", false}, {"SetFileName", true}, {"Free", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        viewer->SetAutoOpen(false);
        viewer->SetFileName(doc);
        viewer->SetAutoOpen(true);
        bool ran = false;
        during = [&] {
            if (ran) return;
            ran = true;
            std::string what = c.what;
            if (what == "Close") viewer->Close();
            if (what == "SetFileName") viewer->SetFileName(other);
            if (what == "Free") {
                viewer->Free();
                viewer = nullptr;
            }
        };
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, DuringReaderShows, nullptr, GetCurrentThreadId());
        ASSERT_NE(nullptr, hook);
        std::string raised = Raised([&] { viewer->Open(); });
        UnhookWindowsHookEx(hook);
        during = nullptr;
        EXPECT_TRUE(ran);
        EXPECT_EQ("", raised);
        if (viewer) {
            EXPECT_EQ(c.open, viewer->Active());
            EXPECT_EQ(c.open ? other : "", Shown());
        }
        EXPECT_EQ(0, ReaderWindowsShown());
        if (!viewer) {
            viewer = new folvex::TFolvex(form);
            viewer->SetParent(form);
        }
        viewer->Close();
    }
}

TEST_F(Reentry, AHandlerOfReadersEventThatClosesKeepsTheControlUntilItReturns) {
    viewer->SetFileName(doc);
    auto* display = dynamic_cast<folvex::TNewPdfDisplayer*>(viewer->Displayer());
    ASSERT_NE(nullptr, display);
    HWND control = display->Control()->Handle();
    bool controlDuringHandler = false;
    display->Control()->OnMessage = [&](fw::TObject*) {
        viewer->Close();
        controlDuringHandler = IsWindow(control) != FALSE;
    };
    viewer->GetPdfObject().Call("postMessage", std::string("close"));
    EXPECT_TRUE(controlDuringHandler);
    EXPECT_FALSE(viewer->Active());
    fw::Application.ProcessMessages();
    EXPECT_FALSE(IsWindow(control));
    EXPECT_EQ(0, ReaderWindowsShown());
}

TEST_F(Reentry, TheDestructorHandlesNoMessages) {
    viewer->SetFileName(doc);
    ASSERT_TRUE(viewer->Active());
    bool freeing = false;
    int timerRanWhileFreeing = 0;
    auto* timer = new fw::TTimer(form);
    timer->SetInterval(5);
    timer->SetOnTimer([&](fw::TObject*) {
        if (freeing) ++timerRanWhileFreeing;
    });
    Sleep(20);  // the timer is due
    freeing = true;
    viewer->Free();
    freeing = false;
    viewer = nullptr;
    EXPECT_EQ(0, timerRanWhileFreeing);
    EXPECT_EQ(0, ReaderWindowsShown());
    EXPECT_EQ(nullptr, FindWindowA(kSdiClass, nullptr));
}

TEST_F(Reentry, AFailedOpenClosesTheReaderWindowsItsControlOpened) {
    for (const char* failing : {"setLayoutMode", "setViewScroll", "GetVersions"}) {
        SCOPED_TRACE(failing);
        reader->FailMember(failing);
        EXPECT_EQ("Can't open file\r\n" + doc, Raised([&] { viewer->SetFileName(doc); }));
        EXPECT_FALSE(viewer->Active());
        EXPECT_EQ(0, ReaderWindowsShown());
        EXPECT_EQ(nullptr, FindWindowA(kSdiClass, nullptr));
    }
    // Reader's own answer that it could not load the file (it cannot read
    // it) is a failure too.
    reader->FailMember("");
    fw::UniqueFile held(CreateFileA(other.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_EQ("Can't open file\r\n" + other, Raised([&] { viewer->SetFileName(other); }));
    EXPECT_FALSE(viewer->Active());
}

TEST_F(Reentry, ANewParentKeepsTheDocumentOpenOrClosesIt) {
    viewer->SetFileName(doc);
    auto* panel = new fw::TPanel(form);
    panel->SetBounds(320, 10, 180, 300);
    panel->SetParent(form);
    struct Case {
        fw::TWinControl* parent;
        bool open;
    } cases[] = {{panel, true}, {nullptr, false}, {form, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parent ? c.parent->ClassName() : "none");
        viewer->SetParent(c.parent);
        fw::Application.ProcessMessages();
        EXPECT_EQ(c.open, viewer->Active());
        EXPECT_EQ(c.open ? doc : "", Shown());
        EXPECT_EQ(0, ReaderWindowsShown());
        if (c.open) {
            EXPECT_NO_THROW(viewer->GoToNextPage());
        }
    }
}

TEST_F(Reentry, AFormResourceWithAMissingFileLoadsClosed) {
    const std::string missing = "C:\\elsewhere\\missing.pdf";
    const std::string text = "object ViewerForm: TForm\r\n  object pdf: TFolvex\r\n    FileName = '" + missing +
                             "'\r\n  end\r\nend\r\n";
    auto* read = new fw::TForm(nullptr);
    EXPECT_EQ("", Raised([&] { fw::ReadComponentText(text, read); }));
    auto* pdf = dynamic_cast<folvex::TFolvex*>(read->FindComponent("pdf"));
    ASSERT_NE(nullptr, pdf);
    EXPECT_EQ(missing, pdf->FileName());
    EXPECT_FALSE(pdf->Active());
    // The missing file is reported by the first command, not shown blank.
    read->Show();
    fw::Application.ProcessMessages();
    EXPECT_EQ("File not found\r\n" + missing, Raised([&] { pdf->GoToFirstPage(); }));
    EXPECT_FALSE(pdf->Active());
    EXPECT_TRUE(Log().empty());
    read->Free();
}

TEST_F(Reentry, OutOfRangeViewSettingsAreRefused) {
    viewer->SetFileName(doc);
    for (const char* property : {"FitMode", "LayoutMode", "PageMode"}) {
        SCOPED_TRACE(property);
        long long before = fw::GetOrdProp(viewer, property);
        EXPECT_THROW(fw::SetOrdProp(viewer, property, 9), fw::EReadError);
        EXPECT_EQ(before, fw::GetOrdProp(viewer, property));
    }
    EXPECT_THROW(viewer->SetFitMode(static_cast<folvex::TPdfFitMode>(6)), fw::EReadError);
    // Reopened, the stored settings are still sendable.
    viewer->Close();
    EXPECT_NO_THROW(viewer->Open());
}

TEST_F(Reentry, TimersOfOtherThreadsAndGoneReaderWindowsDoNotHoldClose) {
    // A timer made on a thread that has ended.
    std::thread([] {
        try {
            fw::TTimer timer(nullptr);
            timer.SetInterval(1000);
            timer.SetOnTimer([](fw::TObject*) {});
        } catch (...) {
        }
    }).join();
    viewer->SetFileName(doc);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ("", Raised([&] { viewer->Close(); }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
    fw::Application.ProcessMessages();
    EXPECT_EQ(nullptr, FindWindowA(kSdiClass, nullptr));

    // Printing asks Reader's window to close; once it is gone, Close does
    // not wait for it again.
    viewer->SetFileName(doc);
    viewer->SetShowPrintDialog(false);
    viewer->PrintDoc();
    Sleep(200);
    fw::Application.ProcessMessages();
    ASSERT_EQ(nullptr, FindWindowA(kSdiClass, nullptr));
    start = std::chrono::steady_clock::now();
    viewer->Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
}

TEST_F(Reentry, TheShellIsHandedDocumentsOnly) {
    const std::string marker = scratch / "ran.txt";
    const std::string script = scratch / "run.bat";
    std::ofstream(script) << "echo ran > \"" << marker << "\"\r\n";
    const std::string program = scratch / "tool.exe";
    std::ofstream(program) << "MZ";
    viewer->SetAutoOpen(false);
    for (const std::string& name : {script, program}) {
        SCOPED_TRACE(name);
        viewer->SetFileName(name);
        EXPECT_EQ("Can't open file\r\n" + name, Raised([&] { viewer->OpenInStandardViewer(); }));
    }
    Sleep(1500);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(marker.c_str()));
}

}  // namespace

namespace {

// A seeded random run of requests, some of them made from inside a Reader
// event or during Close's wait; after each step FileName, Active and the
// document Reader's control holds agree, and no Reader window is left on
// screen.
TEST_F(Reentry, ASeededRandomRunKeepsNameStateAndDocumentInStep) {
    const std::string third = scratch / "third.pdf";
    ASSERT_TRUE(ts::WriteSamplePdf(third, 4));
    const std::string names[] = {doc, other, third, scratch / "missing.pdf"};
    auto* panel = new fw::TPanel(form);
    panel->SetBounds(320, 10, 180, 300);
    panel->SetParent(form);
    std::mt19937 random(24);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    // One request; what it raises (a missing file, say) is the caller's.
    auto request = [&](int kind) {
        try {
            switch (kind) {
                case 0: viewer->SetFileName(names[pick(4)]); break;
                case 1: viewer->Open(); break;
                case 2: viewer->Close(); break;
                case 3: viewer->GoToNextPage(); break;
                case 4: viewer->PrintDoc(); break;
                case 5: viewer->SetParent(viewer->Parent() == form ? panel : static_cast<fw::TWinControl*>(form)); break;
                default: {
                    fw::TWinControl* parent = viewer->Parent();
                    viewer->Free();
                    viewer = new folvex::TFolvex(form);
                    viewer->SetParent(parent);
                }
            }
        } catch (const fw::Exception&) {
        }
    };
    viewer->SetShowPrintDialog(false);
    const auto start = std::chrono::steady_clock::now();
    int steps = 0;
    for (; steps < 1000 && std::chrono::steady_clock::now() - start < std::chrono::seconds(50); ++steps) {
        int kind = pick(9);
        if (kind == 7) {
            // During Close's wait.
            int nested = pick(7);
            Soon([&request, nested] { request(nested); });
            request(pick(2) ? 2 : 0);
        } else if (kind == 8 && viewer->Active()) {
            // From a handler of Reader's event.
            auto* display = dynamic_cast<folvex::TNewPdfDisplayer*>(viewer->Displayer());
            ASSERT_NE(nullptr, display);
            int nested = pick(7);
            display->Control()->OnMessage = [&request, nested](fw::TObject*) { request(nested); };
            try {
                viewer->GetPdfObject().Call("postMessage", std::string("step"));
            } catch (const fw::Exception&) {
            }
        } else {
            request(kind % 7);
        }
        fw::Application.ProcessMessages();
        SCOPED_TRACE("step " + std::to_string(steps));
        if (viewer->Active()) {
            ASSERT_EQ(viewer->FileName(), Shown());
        }
        ASSERT_EQ(0, ReaderWindowsShown());
    }
    EXPECT_GE(steps, 300);
    std::printf("%d steps\n", steps);
    viewer->Close();
    Sleep(150);
    fw::Application.ProcessMessages();
    EXPECT_EQ(nullptr, FindWindowA(kSdiClass, nullptr));
}

}  // namespace
