// Opening and closing: both generations with the view settings sent again,
// Open twice, a hidden parent, an invisible component (also when opening
// fails), file names and URLs, a component freed while its Close waits,
// and the page saved as a bitmap.
#include <chrono>

#include "framework/ui/extctrls.h"
#include "framework/ui/graphics.h"
#include "tests/support/viewer_fixture.h"

using Component = ViewerTest;

namespace {

const char kSdiClass[] = "AcrobatSDIWindow";

TEST_F(Component, OpenSendsTheViewSettingsInOrderAndCloseEndsReadersWindow) {
    struct Case {
        const char* generation;
        const char* versions;
        bool readerWindow;  // Reader 8 and later: a top-level window of its own
    } cases[] = {{"PDF", "PDF=6.0", false}, {"AcroPDF", "AcroPDF=7.0.5", false},
                 {"AcroPDF", "AcroPDF=8.1.2,Plugin=8.1.2", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.versions);
        UseReader(c.generation, c.versions);
        auto* v = new folvex::TFolvex(form);
        v->SetParent(form);
        v->SetAutoOpen(false);
        // Set while closed: stored, sent to no one.
        v->SetLayoutMode(folvex::lmOneColumn);
        v->SetPageMode(folvex::pmThumbs);
        v->SetShowScrollBars(false);
        v->SetShowToolBar(false);
        v->SetFitMode(folvex::vmFitHorz);
        v->SetFileName(doc);
        EXPECT_FALSE(v->Active());
        EXPECT_TRUE(Log().empty());

        v->Open();
        ASSERT_TRUE(v->Active());
        // The newer control is handed the document through LoadFile, whose
        // answer counts; the older one through "Src".
        const bool newer = std::string(c.generation) == "AcroPDF";
        std::vector<std::string> expected = {(newer ? "LoadFile " : "src ") + doc, "setLayoutMode OneColumn",
                                             "setPageMode thumbs",   "setShowScrollbars false",
                                             "setShowToolbar false", "setViewScroll FitH 0"};
        if (newer) expected.push_back("GetVersions");
        EXPECT_EQ(expected, Log());
        // Opening twice keeps the first displayer and calls nothing.
        folvex::TPdfDisplayer* first = v->Displayer();
        v->Open();
        EXPECT_EQ(first, v->Displayer());
        EXPECT_EQ(expected.size(), Log().size());

        auto start = std::chrono::steady_clock::now();
        v->Close();
        auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        EXPECT_FALSE(v->Active());
        fw::Application.ProcessMessages();
        EXPECT_EQ(nullptr, FindWindowA(kSdiClass, nullptr));  // closed on the posted request
        if (c.readerWindow) {
            EXPECT_GE(waited.count(), 90);
        }
        // Reopened, the settings go again; the Reader version is known by now.
        reader->ClearLog();
        v->Open();
        if (expected.back() == "GetVersions") expected.pop_back();
        EXPECT_EQ(expected, Log());
        v->Free();
        fw::Application.ProcessMessages();
        EXPECT_EQ(nullptr, FindWindowA(kSdiClass, nullptr));
        reader.reset();
    }
}

TEST_F(Component, AHiddenParentOpensNothingAndCommandsRaise) {
    UseReader("AcroPDF", "AcroPDF=8.1.2");
    viewer->SetAutoOpen(false);
    viewer->SetFileName(doc);
    form->Hide();
    fw::Application.ProcessMessages();
    EXPECT_EQ("", Raised([&] { viewer->Open(); }));
    EXPECT_FALSE(viewer->Active());
    const std::string notVisible = "Can't open PDF document: viewer must be placed on a visible control";
    EXPECT_EQ(notVisible, Raised([&] { viewer->GoToNextPage(); }));
    EXPECT_EQ(notVisible, Raised([&] { viewer->PrintDoc(); }));
    // Without any parent, the same.
    viewer->SetParent(nullptr);
    EXPECT_EQ("", Raised([&] { viewer->Open(); }));
    EXPECT_EQ(notVisible, Raised([&] { viewer->GoToPage(2); }));
    EXPECT_FALSE(viewer->Active());
    EXPECT_TRUE(Log().empty());
    viewer->SetParent(form);
}

TEST_F(Component, AnInvisibleComponentStaysAsItWasWhetherOpenWorksOrFails) {
    struct Case {
        const char* what;
        bool registered;     // the double is the installed Reader
        const char* fail;    // the member that fails, or ""
        const char* raised;  // Open's message, "" when it opens
    } cases[] = {{"opens", true, "", ""},
                 {"the document does not load", true, "LoadFile", "Can't open file\r\n"},
                 {"no Reader", false, "", "Adobe Reader not found"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.registered) {
            UseReader("AcroPDF", "AcroPDF=8.1.2");
            reader->FailMember(c.fail);
        }
        auto* pane = new fw::TPanel(form);  // a sibling aligned beside it
        pane->SetParent(form);
        pane->SetAlign(fw::alLeft);
        auto* v = new folvex::TFolvex(form);
        v->SetParent(form);
        v->SetAutoOpen(false);
        v->SetVisible(false);
        v->SetAlign(fw::alRight);
        v->SetLeft(25);
        int left = v->Left();
        v->SetFileName(doc);
        std::string expected = c.raised;
        if (expected == "Can't open file\r\n") expected += doc;
        EXPECT_EQ(expected, Raised([&] { v->Open(); }));
        EXPECT_EQ(expected.empty(), v->Active());
        EXPECT_FALSE(v->Visible());
        EXPECT_FALSE(IsWindowVisible(v->Handle()));
        EXPECT_EQ(fw::alRight, v->Align());
        EXPECT_EQ(left, v->Left());
        EXPECT_EQ(0, pane->Left());
        v->Free();
        pane->Free();
        fw::Application.ProcessMessages();
        reader.reset();
    }
}

TEST_F(Component, FileNamesUrlsAndMissingFiles) {
    UseReader("AcroPDF", "AcroPDF=7.0");
    // A bare name lies beside the program; AutoOpen opens it.
    std::string exe = fw::Application.ExeName();
    std::string beside = exe.substr(0, exe.find_last_of('\\') + 1) + "folvex_component_bare.pdf";
    ASSERT_TRUE(ts::WriteSamplePdf(beside, 2));
    viewer->SetFileName("folvex_component_bare.pdf");
    DeleteFileA(beside.c_str());
    EXPECT_EQ(beside, viewer->FileName());
    EXPECT_TRUE(viewer->Active());
    EXPECT_EQ("LoadFile " + beside, Log().at(0));

    // A new name closes the document first; a missing file raises and stays.
    std::string missing = scratch / "gone.pdf";
    EXPECT_EQ("File not found\r\n" + missing, Raised([&] { viewer->SetFileName(missing); }));
    EXPECT_EQ(missing, viewer->FileName());
    EXPECT_FALSE(viewer->Active());
    EXPECT_EQ("File not found\r\n" + beside, Raised([&] { viewer->SetFileName("folvex_component_bare.pdf"); }));

    // A URL is kept as it is, raises nothing though nothing answers there,
    // and is opened.
    reader->ClearLog();
    const std::string url = "http://127.0.0.1:9/nowhere/guide.pdf";
    EXPECT_EQ("", Raised([&] { viewer->SetFileName(url); }));
    EXPECT_EQ(url, viewer->FileName());
    EXPECT_TRUE(viewer->Active());
    EXPECT_EQ("LoadFile " + url, Log().at(0));
    // Without AutoOpen the name is only stored.
    viewer->SetAutoOpen(false);
    viewer->SetFileName(doc);
    EXPECT_FALSE(viewer->Active());
    viewer->SetFileName("");
    EXPECT_EQ("FileName property not assigned", Raised([&] { viewer->Open(); }));
    EXPECT_EQ("FileName property not assigned", Raised([&] { viewer->OpenInStandardViewer(); }));
}

TEST_F(Component, FreedWhileItsOwnCloseWaitsItIsClosedOnce) {
    UseReader("AcroPDF", "AcroPDF=8.1.2");
    viewer->SetFileName(doc);
    ASSERT_TRUE(viewer->Active());
    HWND sdi = FindWindowA(kSdiClass, nullptr);
    ASSERT_NE(nullptr, sdi);
    HWND control = GetWindow(viewer->Handle(), GW_CHILD);
    ASSERT_NE(nullptr, control);
    // A handler that runs during Close's wait frees the component.  Its
    // destructor does not close a second time: it waits for nothing and
    // lets the pending request go at once.
    auto* timer = new fw::TTimer(form);
    timer->SetInterval(10);
    long long freeing = -1;
    timer->SetOnTimer([&](fw::TObject*) {
        timer->SetEnabled(false);
        auto start = std::chrono::steady_clock::now();
        viewer->Free();
        freeing = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                      .count();
        viewer = nullptr;
    });
    timer->SetEnabled(true);
    viewer->Close();  // returns into a component that is gone
    EXPECT_EQ(nullptr, viewer);
    EXPECT_GE(freeing, 0);
    EXPECT_LT(freeing, 50);
    EXPECT_FALSE(IsWindow(control));
    fw::Application.ProcessMessages();
    EXPECT_FALSE(IsWindow(sdi));
    EXPECT_EQ(0, form->ControlCount());
}

TEST_F(Component, SavePageToFileWritesTheShownPage) {
    UseReader("AcroPDF", "AcroPDF=8.1.2");
    viewer->SetFileName(doc);
    viewer->GoToPage(2);
    std::string file = scratch / "page.bmp";
    viewer->SavePageToFile(file);
    fw::TBitmap bmp;
    bmp.LoadFromFile(file);
    EXPECT_EQ(1000, bmp.Width());
    EXPECT_EQ(1500, bmp.Height());
    // The double paints a grey margin around a white page; beyond the
    // component the bitmap stays white.
    EXPECT_EQ(RGB(128, 128, 128), bmp.Canvas().Pixel(4, 150));
    EXPECT_EQ(RGB(255, 255, 255), bmp.Canvas().Pixel(40, 250));
    EXPECT_EQ(RGB(255, 255, 255), bmp.Canvas().Pixel(900, 1400));
    EXPECT_EQ((std::vector<std::string>{"LoadFile " + doc, "setLayoutMode DontCare", "setPageMode none",
                                        "setShowScrollbars true", "setShowToolbar true", "setViewScroll Fit 0",
                                        "GetVersions", "setCurrentPage 2"}),
              Log());
}

}  // namespace
