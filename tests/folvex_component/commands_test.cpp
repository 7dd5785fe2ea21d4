// The commands as Reader's control receives them, printing, the setters'
// bounds, a closed component, About, and a form resource holding a TFolvex.
#include <functional>

#include "framework/formres/formres.h"
#include "tests/support/viewer_fixture.h"

using Component = ViewerTest;

namespace {

TEST_F(Component, EachCommandReachesReaderAsItsMember) {
    UseReader("AcroPDF", "AcroPDF=10.1.0");
    struct Case {
        std::function<void()> command;
        const char* logged;
    } cases[] = {
        {[&] { viewer->GoToFirstPage(); }, "gotoFirstPage"},
        {[&] { viewer->GoToLastPage(); }, "gotoLastPage"},
        {[&] { viewer->GoToNextPage(); }, "gotoNextPage"},
        {[&] { viewer->GoToPreviousPage(); }, "gotoPreviousPage"},
        {[&] { viewer->GoToNextView(); }, "goForwardStack"},
        {[&] { viewer->GoToPreviousView(); }, "goBackwardStack"},
        {[&] { viewer->GoToPage(3); }, "setCurrentPage 3"},
        {[&] { viewer->GoToNamedDest("Chapter 2"); }, "setNamedDest Chapter 2"},
        {[&] { viewer->Zoom(150, 10, 20); }, "setZoomScroll 150 10 20"},
        {[&] { viewer->ZoomToRect(RECT{10, 20, 110, 70}); }, "setViewRect 10 20 100 50"},
        {[&] { viewer->HighlightRect(RECT{10, 20, 110, 70}); }, "setCurrentHighlight 10 20 110 70"},
        {[&] { viewer->FitAndScroll(folvex::vmFitBoxVert, 30); }, "setViewScroll FitBV 30"},
        {[&] { viewer->SetFitMode(folvex::vmFitBoth); }, "setViewScroll FitB 0"},
        {[&] { viewer->SetLayoutMode(folvex::lmTwoColumnRight); }, "setLayoutMode TwoColumnRight"},
        {[&] { viewer->SetPageMode(folvex::pmBookmarks); }, "setPageMode bookmarks"},
        {[&] { viewer->SetShowScrollBars(false); }, "setShowScrollbars false"},
        {[&] { viewer->SetShowToolBar(true); }, "setShowToolbar true"},
    };
    viewer->SetAutoOpen(false);
    viewer->SetFileName(doc);
    // The first command opens the document.
    viewer->GoToLastPage();
    ASSERT_TRUE(viewer->Active());
    EXPECT_EQ("LoadFile " + doc, Log().front());
    EXPECT_EQ("gotoLastPage", Log().back());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        reader->ClearLog();
        c.command();
        EXPECT_EQ(std::vector<std::string>{c.logged}, Log());
    }
    EXPECT_EQ(10, viewer->GetAdobeReaderMajorVersion());
    // Reader's own errors reach the caller.
    reader->FailMember("gotoNextPage");
    EXPECT_THROW(viewer->GoToNextPage(), fw::EOleError);
}

TEST_F(Component, PrintingByCopiesRangeAndDialog) {
    UseReader("AcroPDF", "AcroPDF=8.1.2");
    struct Case {
        bool dialog;
        int copies, start, end;
        bool shrink;
        std::vector<std::string> logged;
    } cases[] = {
        {false, 3, 1, 0, true, {"printAllFit true", "printAllFit true", "printAllFit true"}},
        {true, 3, 2, 3, true, {"printWithDialog"}},
        {false, 1, 3, 0, false, {"printPagesFit 3 0 false"}},
        {false, 2, 1, 2, true, {"printPagesFit 1 2 true", "printPagesFit 1 2 true"}},
    };
    viewer->SetFileName(doc);
    ASSERT_TRUE(viewer->Active());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged.front());
        viewer->SetShowPrintDialog(c.dialog);
        viewer->SetCopies(c.copies);
        viewer->SetStartPage(c.start);
        viewer->SetEndPage(c.end);
        viewer->SetShrinkToMargins(c.shrink);
        reader->ClearLog();
        viewer->PrintDoc();
        EXPECT_EQ(c.logged, Log());
        EXPECT_TRUE(viewer->Active());  // the document stays open
    }
}

TEST_F(Component, SettersKeepTheirBounds) {
    struct Case {
        void (folvex::TFolvex::*set)(int);
        int (folvex::TFolvex::*get)() const;
        int value, readBack;
        const char* raised;
    } cases[] = {
        {&folvex::TFolvex::SetStartPage, &folvex::TFolvex::StartPage, 0, 1, ""},
        {&folvex::TFolvex::SetStartPage, &folvex::TFolvex::StartPage, -4, 1, ""},
        {&folvex::TFolvex::SetStartPage, &folvex::TFolvex::StartPage, 5, 5, ""},
        {&folvex::TFolvex::SetEndPage, &folvex::TFolvex::EndPage, -1, 0, ""},
        {&folvex::TFolvex::SetEndPage, &folvex::TFolvex::EndPage, 0, 0, ""},
        {&folvex::TFolvex::SetEndPage, &folvex::TFolvex::EndPage, 7, 7, ""},
        {&folvex::TFolvex::SetCopies, &folvex::TFolvex::Copies, 2, 2, ""},
        {&folvex::TFolvex::SetCopies, &folvex::TFolvex::Copies, 0, 2, "Invalid number of copies\r\n0"},
        {&folvex::TFolvex::SetCopies, &folvex::TFolvex::Copies, -3, 2, "Invalid number of copies\r\n-3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(c.raised, Raised([&] { (viewer->*c.set)(c.value); }));
        EXPECT_EQ(c.readBack, (viewer->*c.get)());
    }
}

TEST_F(Component, AClosedComponentStoresSettingsAndAnswersPlainly) {
    UseReader("AcroPDF", "AcroPDF=8.1.2");
    EXPECT_EQ("Orvanta Folvex version 1.1", viewer->GetAbout());
    viewer->SetAbout("something else");
    fw::SetStrProp(viewer, "About", "something else");
    EXPECT_EQ("Orvanta Folvex version 1.1", viewer->About());

    // Only-when-open commands and the setters raise nothing and call nothing.
    viewer->Zoom(200, 0, 0);
    viewer->ZoomToRect(RECT{10, 20, 110, 70});
    viewer->HighlightRect(RECT{10, 20, 110, 70});
    viewer->FitAndScroll(folvex::vmFitVert, 12);
    viewer->SetLayoutMode(folvex::lmSinglePage);
    viewer->SetPageMode(folvex::pmBookmarks);
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(folvex::vmFitVert, viewer->FitMode());
    EXPECT_EQ(folvex::lmSinglePage, viewer->LayoutMode());
    EXPECT_EQ(folvex::pmBookmarks, viewer->PageMode());

    // The queries that need the document raise the framework's exception.
    for (auto query : {std::function<void()>([&] { viewer->GetPdfObject(); }),
                       std::function<void()>([&] { viewer->GetAdobeReaderMajorVersion(); })}) {
        std::string raised = Raised(query);
        EXPECT_NE(std::string::npos, raised.find("No PDF document is open")) << raised;
    }
    EXPECT_EQ("FileName property not assigned", Raised([&] { viewer->GoToFirstPage(); }));
    EXPECT_FALSE(viewer->Active());
    // What was set while closed applies at the next Open.
    viewer->SetFileName(doc);
    std::vector<std::string> log = Log();
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ((std::vector<std::string>{"setLayoutMode SinglePage", "setPageMode bookmarks",
                                        "setShowScrollbars true", "setShowToolbar true", "setViewScroll FitV 0"}),
              std::vector<std::string>(log.begin() + 1, log.begin() + 6));
}

TEST_F(Component, AFormResourceHoldsItsProperties) {
    form->SetName("ViewerForm");
    viewer->SetName("pdf");
    viewer->SetAutoOpen(false);
    viewer->SetVisible(false);
    viewer->SetAlign(fw::alBottom);
    viewer->SetCopies(3);
    viewer->SetEndPage(5);
    viewer->SetFileName(doc);
    viewer->SetFitMode(folvex::vmFitBoxHorz);
    viewer->SetLayoutMode(folvex::lmTwoColumnLeft);
    viewer->SetPageMode(folvex::pmThumbs);
    viewer->SetShowPrintDialog(false);
    viewer->SetShowScrollBars(false);
    viewer->SetShrinkToMargins(false);
    viewer->SetStartPage(2);
    auto* plain = new folvex::TFolvex(form);  // at its values after construction
    plain->SetName("plain");
    plain->SetParent(form);
    plain->SetBounds(320, 10, 100, 100);

    std::string text = fw::WriteComponentText(form);
    // Align and Visible only when they differ from the framework's
    // defaults; the component's own always, in their order.
    const std::string written =
        "    Align = alBottom\r\n"
        "    Visible = False\r\n"
        "    About = 'Orvanta Folvex version 1.1'\r\n"
        "    AutoOpen = False\r\n"
        "    Copies = 3\r\n"
        "    EndPage = 5\r\n"
        "    FileName = '" + doc + "'\r\n"
        "    FitMode = vmFitBoxHorz\r\n"
        "    LayoutMode = lmTwoColumnLeft\r\n"
        "    PageMode = pmThumbs\r\n"
        "    ShowPrintDialog = False\r\n"
        "    ShowScrollBars = False\r\n"
        "    ShowToolBar = True\r\n"
        "    ShrinkToMargins = False\r\n"
        "    StartPage = 2\r\n"
        "  end\r\n";
    EXPECT_NE(std::string::npos, text.find(written)) << text;
    const std::string plainWritten =
        "    Height = 100\r\n"
        "    About = 'Orvanta Folvex version 1.1'\r\n"
        "    AutoOpen = True\r\n"
        "    Copies = 1\r\n"
        "    EndPage = 0\r\n"
        "    FileName = ''\r\n"
        "    FitMode = vmFit\r\n"
        "    LayoutMode = lmDontCare\r\n"
        "    PageMode = pmStandard\r\n"
        "    ShowPrintDialog = True\r\n"
        "    ShowScrollBars = True\r\n"
        "    ShowToolBar = True\r\n"
        "    ShrinkToMargins = True\r\n"
        "    StartPage = 1\r\n"
        "  end\r\n";
    EXPECT_NE(std::string::npos, text.find(plainWritten)) << text;

    // Read back through the class registry into a new form.
    auto* again = new fw::TForm(nullptr);
    fw::ReadComponentText(text, again);
    auto* read = dynamic_cast<folvex::TFolvex*>(again->FindComponent("pdf"));
    ASSERT_NE(nullptr, read);
    EXPECT_EQ(fw::alBottom, read->Align());
    EXPECT_FALSE(read->Visible());
    EXPECT_FALSE(read->AutoOpen());
    EXPECT_EQ(3, read->Copies());
    EXPECT_EQ(doc, read->FileName());
    EXPECT_EQ(folvex::lmTwoColumnLeft, read->LayoutMode());
    EXPECT_EQ(2, read->StartPage());
    EXPECT_FALSE(read->Active());
    EXPECT_EQ(text, fw::WriteComponentText(again));
    again->Free();
}

}  // namespace
