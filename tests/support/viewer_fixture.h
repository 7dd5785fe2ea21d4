// A shown form with a TFolvex on it, a scratch folder with a three-page PDF
// file, and OLE for the test's thread; the Reader double is registered by
// each case with the generation and versions it needs.  The double's log is
// the evidence of every call the component makes on Reader's control.  For
// the test programs that load Folvex.dll as a host does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "folvex/runtime/Folvex.h"
#include "framework/ui/forms.h"
#include "tests/support/readerdouble.h"
#include "tests/support/staging.h"

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ts::WriteSamplePdf(doc, 3));
        form = new fw::TForm(nullptr);
        form->SetBounds(40, 40, 520, 420);
        viewer = new folvex::TFolvex(form);
        viewer->SetBounds(10, 10, 300, 300);
        viewer->SetParent(form);
        form->Show();
        fw::Application.ProcessMessages();
    }
    void TearDown() override {
        if (form) form->Free();
        fw::Application.ProcessMessages();  // Reader windows closed meanwhile go
        reader.reset();
    }
    // Registers the double for this case.
    void UseReader(const std::string& generation, const std::string& versions) {
        reader = std::make_unique<ts::ReaderDouble>(generation, versions, scratch / "calls.log");
        ASSERT_EQ(S_OK, reader->Result());
    }
    std::vector<std::string> Log() const { return reader->LogLines(); }
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

    fw::OleInit ole;
    ts::ScratchDir scratch{"folvex_viewer"};
    std::string doc = scratch / "three.pdf";
    std::unique_ptr<ts::ReaderDouble> reader;
    fw::TForm* form = nullptr;
    folvex::TFolvex* viewer = nullptr;  // owned by the form
};
