// Which Reader is installed (the PDF content type and the class's ProgID
// key), Reader's major version from GetVersions, and the typed calls of
// TAcroPDF reaching the double's interface entries in their order.
#include <functional>
#include <vector>

#include "tests/folvex_reader/fixture.h"

namespace {

const char kContentType[] = "MIME\\Database\\Content Type\\application/pdf";
const char kFakeClass[] = "{0B6C1D2E-3F40-4A5B-8C7D-9E0F1A2B3C4D}";
const std::string kFakeClassKey = std::string("CLSID\\") + kFakeClass;

// The content type and the fake class removed before and after each case.
class ReaderDetection : public ViewerTest {
protected:
    void SetUp() override {
        Clean();
        ViewerTest::SetUp();
    }
    void TearDown() override {
        ViewerTest::TearDown();
        Clean();
    }
    static void Clean() {
        ts::DeleteRegTree(HKEY_CLASSES_ROOT, kContentType);
        ts::DeleteRegTree(HKEY_CLASSES_ROOT, kFakeClassKey);
    }
    // The message of what Call raises; "" when it raises nothing.
    template <typename F>
    static std::string Raised(F call) {
        try {
            call();
        } catch (const fw::Exception& e) {
            return e.Message();
        }
        return "";
    }
};

TEST_F(ReaderDetection, MissingKeysMeanReaderNotFound) {
    struct Case {
        const char* what;
        bool contentType;  // the content type names the fake class
        bool progIdKey;    // the fake class has a ProgID key
    } cases[] = {{"no content type", false, true}, {"class without ProgID key", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Clean();
        if (c.contentType) {
            ASSERT_TRUE(ts::SetRegString(HKEY_CLASSES_ROOT, kContentType, "CLSID", kFakeClass));
        }
        ASSERT_TRUE(ts::SetRegString(HKEY_CLASSES_ROOT, kFakeClassKey, "", "Other.Thing"));
        if (c.progIdKey) {
            ASSERT_TRUE(ts::SetRegString(HKEY_CLASSES_ROOT, kFakeClassKey + "\\ProgID", "", "PDF.X"));
        }
        EXPECT_EQ("Adobe Reader not found", Raised([&] { viewer->AdobeReaderProgID(); }));
        EXPECT_EQ("Adobe Reader not found", Raised([&] { viewer->CreateDisplayer(); }));
        EXPECT_FALSE(viewer->Active());
    }
}

TEST_F(ReaderDetection, TheProgIdPrefixSelectsTheDisplayer) {
    enum Kind { Old, New, Unsupported };
    struct Case {
        const char* progId;
        Kind kind;
    } cases[] = {{"PDF.PdfCtrl.5", Old}, {"pdf.PdfCtrl.6", Old},     {"PDF", Old},
                 {"AcroPDF.PDF.1", New}, {"ACROPDF.PDF.1", New},     {"AcroPDFx.PDF.1", Unsupported},
                 {"PDFs.Viewer", Unsupported}, {"Acro.PDF.1", Unsupported}};
    ASSERT_TRUE(ts::SetRegString(HKEY_CLASSES_ROOT, kContentType, "CLSID", kFakeClass));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.progId);
        ASSERT_TRUE(ts::SetRegString(HKEY_CLASSES_ROOT, kFakeClassKey + "\\ProgID", "", c.progId));
        EXPECT_EQ(c.progId, viewer->AdobeReaderProgID());
        std::string error = Raised([&] { viewer->CreateDisplayer(); });
        folvex::TPdfDisplayer* d = viewer->Displayer();
        EXPECT_EQ(c.kind == Old, dynamic_cast<folvex::TOldPdfDisplayer*>(d) != nullptr);
        EXPECT_EQ(c.kind == New, dynamic_cast<folvex::TNewPdfDisplayer*>(d) != nullptr);
        EXPECT_EQ(c.kind == Unsupported ? "Adobe Reader version not supported" : "", error);
        viewer->FreeDisplayer();
    }
}

// The double's settings key, where a case changes the versions it answers.
const char kDoubleSettings[] = "Software\\Orvanta\\ReaderDouble";

int GetVersionsCalls(const ts::ReaderDouble& d) {
    int n = 0;
    for (const std::string& line : d.LogLines()) n += line == "GetVersions";
    return n;
}

TEST_F(ViewerTest, MajorVersionIsTheHighestNumberAndStaysOnceFound) {
    struct Case {
        const char* versions;
        int first;
        const char* later;  // the versions Reader answers afterwards
        int second;
        int asked;  // GetVersions calls for the two queries
    } cases[] = {
        {"A=8.1.2,B=7.0", 8, "A=10.0", 8, 1},  // cached: never refreshed
        {"A=10.0", 10, "A=11.0", 10, 1},
        {"A=9", 9, "A=9", 9, 1},                     // no dot: the whole value
        {"b=7.1,A=x.2,C=", 7, "b=7.1", 7, 1},        // no number: skipped
        {"A=8.1,a=12.0", 8, "A=8.1", 8, 1},           // a name's value is its first entry's
        {"AcroPDF8,Plugin", 0, "A=9.2", 9, 2},        // no "=": 0, and asked again
    };
    UseReader("AcroPDF", "A=1");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.versions);
        ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, kDoubleSettings, "Versions", c.versions));
        // A fresh component: the cache belongs to it.
        auto* v = new folvex::TFolvex(form);
        v->SetParent(form);
        v->CreateDisplayer()->CreatePdfObject();
        reader->ClearLog();
        EXPECT_EQ(c.first, v->GetAdobeReaderMajorVersion());
        ASSERT_TRUE(ts::SetRegString(HKEY_CURRENT_USER, kDoubleSettings, "Versions", c.later));
        EXPECT_EQ(c.second, v->GetAdobeReaderMajorVersion());
        EXPECT_EQ(c.asked, GetVersionsCalls(*reader));
        v->Free();
    }
}

// --- TAcroPDF --------------------------------------------------------------------

TEST_F(ViewerTest, TypedMethodsReachTheInterfaceEntriesInOrder) {
    UseReader("AcroPDF", "AcroPDF=7.0");
    auto* acro = new folvex::TAcroPDF(form);
    acro->SetBounds(320, 10, 180, 300);
    acro->SetParent(form);
    int errors = 0, messages = 0;
    acro->OnError = [&](fw::TObject* sender) { errors += sender == acro; };
    acro->OnMessage = [&](fw::TObject* sender) { messages += sender == acro; };

    acro->Setsrc(L"C:\\missing.pdf");
    EXPECT_EQ(L"C:\\missing.pdf", acro->src());
    EXPECT_EQ(VARIANT_TRUE, acro->LoadFile(fw::AnsiToWide(doc)));
    acro->setShowToolbar(VARIANT_FALSE);
    acro->gotoFirstPage();
    acro->gotoLastPage();
    acro->gotoNextPage();
    acro->gotoPreviousPage();
    acro->setCurrentPage(2);
    acro->goForwardStack();
    acro->goBackwardStack();
    acro->setPageMode(L"bookmarks");
    acro->setLayoutMode(L"OneColumn");
    acro->setNamedDest(L"intro");
    acro->Print();
    acro->printWithDialog();
    acro->setZoom(150.0f);
    acro->setZoomScroll(50.0f, 10.0f, 20.0f);
    acro->setView(L"FitH");
    acro->setViewScroll(L"FitV", 5.0f);
    acro->setViewRect(1.5f, 2.0f, 3.0f, 4.0f);
    acro->printPages(1, 2);
    acro->printPagesFit(3, 0, VARIANT_TRUE);
    acro->printAll();
    acro->printAllFit(VARIANT_FALSE);
    acro->setShowScrollbars(VARIANT_TRUE);
    EXPECT_EQ("AcroPDF=7.0", acro->GetVersions().ToString());
    acro->setCurrentHightlight(1, 2, 3, 4);
    acro->setCurrentHighlight(5, 6, 7, 8);
    acro->postMessage(fw::OleVariant("hello"));
    acro->Set_messageHandler(fw::OleVariant(7));
    EXPECT_EQ(7, acro->Get_messageHandler().ToInt());

    std::vector<std::string> expected = {
        "src C:\\missing.pdf", "get src", "LoadFile " + doc, "setShowToolbar false", "gotoFirstPage",
        "gotoLastPage", "gotoNextPage", "gotoPreviousPage", "setCurrentPage 2", "goForwardStack",
        "goBackwardStack", "setPageMode bookmarks", "setLayoutMode OneColumn", "setNamedDest intro", "Print",
        "printWithDialog", "setZoom 150", "setZoomScroll 50 10 20", "setView FitH", "setViewScroll FitV 5",
        "setViewRect 1.5 2 3 4", "printPages 1 2", "printPagesFit 3 0 true", "printAll", "printAllFit false",
        "setShowScrollbars true", "GetVersions", "setCurrentHightlight 1 2 3 4", "setCurrentHighlight 5 6 7 8",
        "postMessage hello", "messageHandler 7", "get messageHandler"};
    EXPECT_EQ(expected, reader->LogLines());
    // The missing file fired OnError, postMessage fired OnMessage.
    EXPECT_EQ(1, errors);
    EXPECT_EQ(1, messages);
}

TEST_F(ViewerTest, AFailingEntryRaisesTheAutomationErrorWithItsResult) {
    UseReader("AcroPDF", "AcroPDF=7.0");
    auto* acro = new folvex::TAcroPDF(form);
    acro->SetParent(form);
    struct Case {
        const char* member;
        std::function<void()> call;
    } cases[] = {{"gotoNextPage", [&] { acro->gotoNextPage(); }},
                 {"GetVersions", [&] { acro->GetVersions(); }},
                 {"messageHandler", [&] { acro->Set_messageHandler(fw::OleVariant(1)); }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.member);
        reader->FailMember(c.member);
        HRESULT hr = S_OK;
        try {
            c.call();
        } catch (const fw::EOleError& e) {
            hr = e.Result();
        }
        EXPECT_EQ(E_FAIL, hr);
    }
    reader->FailMember("");
    EXPECT_NO_THROW(acro->gotoNextPage());
}

}  // namespace
