// The two displayers with the double of their generation: create, load,
// display, resize, paint, close Reader's own window, go; the window
// searches and the page-number field.
#include <chrono>

#include "tests/folvex_reader/fixture.h"
#include "tests/support/winauto.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kSdiClass[] = "AcrobatSDIWindow";

RECT WindowRect(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return r;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The close messages waiting for Wnd, taken off the queue.
int TakeCloseMessages(HWND wnd) {
    int n = 0;
    MSG m;
    while (PeekMessageA(&m, wnd, WM_CLOSE, WM_CLOSE, PM_REMOVE)) ++n;
    return n;
}

// A top-level window of Reader's class that belongs to someone else (the
// user's own Reader), made by the test.
class ForeignReaderWindow {
public:
    ForeignReaderWindow() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kSdiClass;
        RegisterClassA(&wc);
        wnd_ = CreateWindowExA(0, kSdiClass, "mine.pdf - Reader", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 60,
                               200, 150, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        rect_ = WindowRect(wnd_);
    }
    ~ForeignReaderWindow() { DestroyWindow(wnd_); }
    ForeignReaderWindow(const ForeignReaderWindow&) = delete;
    ForeignReaderWindow& operator=(const ForeignReaderWindow&) = delete;
    HWND Handle() const { return wnd_; }
    // Still there, where it was, and asked to close by no one.
    bool Untouched() const { return IsWindow(wnd_) && SameRect(rect_, WindowRect(wnd_)) && TakeCloseMessages(wnd_) == 0; }
    // Above every other top-level window, as when the user comes back to it.
    void Raise() const { SetWindowPos(wnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); }

private:
    HWND wnd_ = nullptr;
    RECT rect_{};
};

// The control's window painted into a bitmap: the double paints a grey
// margin around a white page.
void ExpectPainted(folvex::TPdfDisplayer& d) {
    fw::TBitmap bmp(300, 300);
    d.PaintToCanvas(bmp.Canvas());
    EXPECT_EQ(RGB(128, 128, 128), bmp.Canvas().Pixel(4, 150));
    EXPECT_EQ(RGB(255, 255, 255), bmp.Canvas().Pixel(40, 250));
}

// The page-number field shows the current page.
void ExpectPageCounter(folvex::TPdfDisplayer& d, const std::string& page) {
    HWND counter = d.FindPageCounter();
    ASSERT_NE(nullptr, counter);
    EXPECT_EQ("Edit", ts::ClassName(counter));
    EXPECT_EQ(page, ts::WindowText(counter));
}

TEST_F(ViewerTest, OldDisplayerEmbedsTheControlAndLetsItGo) {
    UseReader("PDF", "PDF=6.0");
    auto* d = dynamic_cast<folvex::TOldPdfDisplayer*>(viewer->CreateDisplayer());
    ASSERT_NE(nullptr, d);
    d->CreatePdfObject();
    viewer->GetPdfObject().Set("Src", doc);
    d->Display();
    HWND container = GetWindow(viewer->Handle(), GW_CHILD);
    ASSERT_NE(nullptr, container);
    // The container fills the viewer and follows its size.
    viewer->SetBounds(10, 10, 360, 320);
    d->DoOnResize();
    EXPECT_TRUE(SameRect(WindowRect(viewer->Handle()), WindowRect(container)));
    ExpectPainted(*d);
    ExpectPageCounter(*d, "1");
    viewer->GetPdfObject().Call("setCurrentPage", 3);
    ExpectPageCounter(*d, "3");
    d->CloseReaderWindow(true);  // the older control has no window of its own
    EXPECT_EQ(nullptr, FindWindowA(kSdiClass, nullptr));
    viewer->FreeDisplayer();
    EXPECT_FALSE(IsWindow(container));
    EXPECT_EQ(nullptr, GetWindow(viewer->Handle(), GW_CHILD));
    EXPECT_EQ((std::vector<std::string>{"src " + doc, "setCurrentPage 3"}), reader->LogLines());
}

TEST_F(ViewerTest, NewDisplayerHidesAndClosesOnlyItsOwnReaderWindow) {
    struct Case {
        const char* versions;
        bool readerWindow;  // Reader 8 and later have one
    } cases[] = {{"AcroPDF=7.0.5", false}, {"AcroPDF=8.1.2,Plugin=8.1.2", true}, {"AcroPDF=10.1.0", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.versions);
        UseReader("AcroPDF", c.versions);
        ForeignReaderWindow foreign;
        auto* v = new folvex::TFolvex(form);
        v->SetParent(form);
        auto* d = dynamic_cast<folvex::TNewPdfDisplayer*>(v->CreateDisplayer());
        ASSERT_NE(nullptr, d);
        d->CreatePdfObject();
        v->GetPdfObject().Set("Src", doc);
        foreign.Raise();  // first in the system's order of Reader windows
        ASSERT_EQ(foreign.Handle(), FindWindowExA(nullptr, nullptr, kSdiClass, nullptr));
        d->Display();
        HWND sdi = d->ReaderWindow();
        if (c.readerWindow) {
            ASSERT_NE(nullptr, sdi);
            EXPECT_NE(foreign.Handle(), sdi);
            RECT r = WindowRect(sdi);
            EXPECT_EQ(-100, r.left);
            EXPECT_EQ(-100, r.top);
        } else {
            EXPECT_EQ(nullptr, sdi);
        }
        // The control fills the viewer, at its new size too.
        v->SetBounds(10, 10, 350, 330);
        d->DoOnResize();
        EXPECT_TRUE(SameRect(WindowRect(v->Handle()), WindowRect(d->Control()->Handle())));
        ExpectPainted(*d);
        ExpectPageCounter(*d, "1");

        // A print's close without waiting, then the waiting close of Close:
        // one close, posted about 100 ms later, before the wait returns.
        auto start = Clock::now();
        d->CloseReaderWindow(false);
        d->CloseReaderWindow(true);
        auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (c.readerWindow) {
            EXPECT_GE(waited, 90);
            EXPECT_EQ(1, TakeCloseMessages(sdi));
            EXPECT_TRUE(IsWindow(sdi));  // closes when it handles the message
        } else {
            EXPECT_LT(waited, 90);
        }
        HWND control = d->Control()->Handle();
        v->Free();
        EXPECT_FALSE(IsWindow(control));
        EXPECT_TRUE(foreign.Untouched());
        EXPECT_EQ((std::vector<std::string>{"src " + doc, "GetVersions"}), reader->LogLines());
        if (sdi) DestroyWindow(sdi);
        reader.reset();
    }
}

TEST_F(ViewerTest, NewDisplayerWithoutANewReaderWindowIsAnInternalError) {
    UseReader("AcroPDF", "AcroPDF=8.1.2");
    ForeignReaderWindow foreign;
    auto* d = viewer->CreateDisplayer();
    d->CreatePdfObject();  // no document: Reader opens no window of its own
    std::string error;
    try {
        d->Display();
    } catch (const fw::Exception& e) {
        error = e.Message();
    }
    EXPECT_EQ("Internal error\r\nTNewPdfDisplayer.Display", error);
    d->CloseReaderWindow(true);
    viewer->FreeDisplayer();
    EXPECT_TRUE(foreign.Untouched());
}

TEST_F(ViewerTest, ADisplayerFreedWithAClosePendingPostsItOnce) {
    UseReader("AcroPDF", "AcroPDF=8.1.2");
    auto* d = viewer->CreateDisplayer();
    d->CreatePdfObject();
    viewer->GetPdfObject().Set("Src", doc);
    d->Display();
    HWND sdi = static_cast<folvex::TNewPdfDisplayer*>(d)->ReaderWindow();
    ASSERT_NE(nullptr, sdi);
    d->CloseReaderWindow(false);
    viewer->FreeDisplayer();
    // No timer fires into the freed displayer; the close was posted once.
    Sleep(250);
    EXPECT_EQ(1, TakeCloseMessages(sdi));
    fw::Application.ProcessMessages();
    EXPECT_EQ(0, TakeCloseMessages(sdi));
    DestroyWindow(sdi);
}

// --- the window searches ------------------------------------------------------------

HWND Child(HWND parent, const char* cls, const char* text) {
    HWND w = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    // Each new window last among its siblings: the order is the creation order.
    SetWindowPos(w, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return w;
}

// The class search for the one "Button", from a thread of its own.
struct SmallStackSearch {
    folvex::TPdfDisplayer* displayer;
    HWND from;
    HWND found;
    static DWORD WINAPI Run(void* p) {
        auto* s = static_cast<SmallStackSearch*>(p);
        int counter = 0;
        s->found = s->displayer->FindControlByClass(s->from, "Button", counter);
        return 0;
    }
};

TEST_F(ViewerTest, SearchesVisitFollowingSiblingsBeforeChildren) {
    // The form: the viewer, then a sibling S holding s1.  The viewer: A
    // holding a1, the Edit b, and C holding c1.  Visiting order from the
    // viewer: viewer, S, s1, A, B, C, c1, a1.
    HWND self = viewer->Handle();
    SetWindowPos(self, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    HWND s = Child(form->Handle(), "Static", "S");
    HWND s1 = Child(s, "Edit", "s1");
    HWND a = Child(self, "Static", "A");
    HWND a1 = Child(a, "Edit", "a1");
    HWND b = Child(self, "Edit", "b");
    HWND cc = Child(self, "Static", "C");
    HWND c1 = Child(cc, "Edit", "c1");
    ASSERT_EQ(s, GetWindow(self, GW_HWNDNEXT));

    folvex::TOldPdfDisplayer d(viewer);  // the base's page-number search
    struct Case {
        int counter;
        HWND found;
        int left;  // the counter afterwards
    } cases[] = {{0, s1, 0}, {1, b, 0}, {2, c1, 0}, {3, a1, 0}, {4, nullptr, 0}, {6, nullptr, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.counter);
        int counter = c.counter;
        EXPECT_EQ(c.found, d.FindControlByClass(self, "Edit", counter));
        EXPECT_EQ(c.left, counter);
    }
    int none = 0;
    EXPECT_EQ(nullptr, d.FindControlByClass(self, "edit", none));  // the class name exactly
    EXPECT_EQ(a1, d.FindControlByName(self, "a1"));
    EXPECT_EQ(s1, d.FindControlByName(self, "s1"));
    EXPECT_EQ(nullptr, d.FindControlByName(self, "A1"));
    EXPECT_EQ(nullptr, d.FindPageCounter());  // no "AVPageNumView" window

    // A long chain of siblings: searched on a thread with a small stack (Wine
    // gives a thread 1 MB at least), which a search that recursed once per
    // window, with its 256-character buffer, would overflow.
    for (int i = 0; i < 5000; ++i) Child(cc, "Static", "");
    HWND last = Child(cc, "Static", "AVPageNumView");
    HWND field = Child(last, "Button", "7");
    SmallStackSearch search{&d, self, nullptr};
    HANDLE thread = CreateThread(nullptr, 128 * 1024, SmallStackSearch::Run, &search,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 30000));
    CloseHandle(thread);
    EXPECT_EQ(field, search.found);
    EXPECT_EQ(last, d.FindControlByName(self, "AVPageNumView"));
    EXPECT_EQ(field, d.FindPageCounter());
}

}  // namespace
