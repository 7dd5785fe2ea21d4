// TBitmap, TCanvas and PaintTo: a real form with child windows painted into
// a bitmap, saved as a bitmap file and read back.
#include <gtest/gtest.h>

#include "framework/ui/forms.h"
#include "framework/ui/graphics.h"
#include "tests/support/staging.h"

using namespace fw;

namespace {

// Pixels of the rectangle whose colour is (or is not) the given one.
int CountPixels(TBitmap& b, const RECT& r, COLORREF c, bool equal = true) {
    int bytes = b.PixelFormat() == pf32bit ? 4 : 3;
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        const std::uint8_t* row = b.ScanLine(y);
        for (int x = r.left; x < r.right; ++x) {
            const std::uint8_t* p = row + x * bytes;
            bool same = RGB(p[2], p[1], p[0]) == c;
            if (same == equal) ++n;
        }
    }
    return n;
}

// Where a child window lies in its form's window (frame included).
RECT InForm(HWND child, HWND form) {
    RECT c, f;
    GetWindowRect(child, &c);
    GetWindowRect(form, &f);
    OffsetRect(&c, -f.left, -f.top);
    return c;
}

class Painting : public ::testing::Test {
protected:
    void SetUp() override {
        Application.Initialize();
        form = new TForm(nullptr);
        form->SetCaption("Painted");
        form->SetBounds(40, 40, 420, 300);
        form->SetColor(clBtnFace);
        panel = new TPanel(form);
        panel->SetParent(form);
        panel->SetBounds(8, 8, 380, 150);
        panel->SetColor(clWhite);
        label = new TLabel(form);
        label->SetParent(panel);
        label->SetBounds(12, 12, 300, 40);
        label->Font().SetSize(20);
        label->Font().SetColor(clBlack);
        label->SetCaption("WMWMWM");
        button = new TButton(form);
        button->SetParent(form);
        button->SetBounds(8, 200, 120, 30);
        button->SetCaption("Save");
    }
    void TearDown() override {
        form->Free();
        Application.ProcessMessages();
    }
    TForm* form = nullptr;
    TPanel* panel = nullptr;
    TLabel* label = nullptr;
    TButton* button = nullptr;
};


// How the painted form is placed on the screen when it is painted.
enum class Placement { Hidden, Shown, Covered };

struct PaintCase {
    Placement placement;
    TPixelFormat format;
    const char* file;
};

class PaintedForms : public Painting, public ::testing::WithParamInterface<PaintCase> {};

// As the viewer's SavePageToFile does: a 1000 by 1500 bitmap, the window
// painted at (0, 0), saved; then read back through the system's loader.
TEST_P(PaintedForms, SavedBitmapHoldsTheFormAndItsChildWindows) {
    const PaintCase& pc = GetParam();
    ts::ScratchDir dir("graphics_paint");
    TForm* cover = nullptr;
    if (pc.placement != Placement::Hidden) form->Show();
    if (pc.placement == Placement::Covered) {
        cover = new TForm(nullptr);
        cover->SetBounds(form->Left(), form->Top(), form->Width(), form->Height());
        cover->SetColor(clRed);
        cover->Show();
    }
    Application.ProcessMessages();
    HWND h = form->Handle();
    RECT labelRect = InForm(label->Handle(), h);
    RECT panelRect = InForm(panel->Handle(), h);
    RECT buttonRect = InForm(button->Handle(), h);
    {
        TBitmap page(1000, 1500, pc.format);
        form->PaintTo(page.Canvas(), 0, 0);
        page.SaveToFile(dir / pc.file);
    }
    if (cover) cover->Free();

    WIN32_FILE_ATTRIBUTE_DATA fa{};
    ASSERT_TRUE(GetFileAttributesExA((dir / pc.file).c_str(), GetFileExInfoStandard, &fa));
    DWORD bytesPerPixel = pc.format == pf32bit ? 4 : 3;
    EXPECT_EQ(fa.nFileSizeLow, 14u + 40u + 1000u * bytesPerPixel * 1500u);

    TBitmap back;
    back.LoadFromFile(dir / pc.file);
    ASSERT_EQ(back.Width(), 1000);
    ASSERT_EQ(back.Height(), 1500);
    EXPECT_EQ(back.PixelFormat(), pc.format);
    // The label's text is black on the white panel, the button's text and
    // edges are not the button face, and the bitmap beyond the form stays white.
    EXPECT_GT(CountPixels(back, labelRect, RGB(0, 0, 0)), 50);
    EXPECT_GT(CountPixels(back, panelRect, RGB(255, 255, 255)), 300 * 100);
    EXPECT_GT(CountPixels(back, buttonRect, GetSysColor(COLOR_BTNFACE), false), 100);
    EXPECT_EQ(CountPixels(back, buttonRect, RGB(255, 0, 0)), 0);  // the cover is not painted
    RECT form0{0, 0, form->Width(), form->Height()};
    EXPECT_GT(CountPixels(back, form0, GetSysColor(COLOR_BTNFACE)), 20000);
    RECT beyond{form->Width(), 0, 1000, 1500};
    EXPECT_EQ(CountPixels(back, beyond, RGB(255, 255, 255), false), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Placements, PaintedForms,
    ::testing::Values(PaintCase{Placement::Hidden, pf24bit, "hidden24.bmp"},
                      PaintCase{Placement::Shown, pf24bit, "shown24.bmp"},
                      PaintCase{Placement::Covered, pf32bit, "covered32.bmp"}));

TEST_F(Painting, ChildWindowsOfTheirOwnClassesPaintInsideTheirParentsClientArea) {
    // A system edit control sticking out of the panel's right edge is cut
    // at the panel's edge; PaintWindowTo takes any window handle.
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX",
                                WS_CHILD | WS_VISIBLE, 300, 100, 200, 30, panel->Handle(), nullptr,
                                nullptr, nullptr);
    ASSERT_TRUE(edit);
    TBitmap b(600, 400);
    b.Canvas().Brush().SetColor(RGB(0, 0, 255));
    b.Canvas().FillRect(RECT{0, 0, 600, 400});
    PaintWindowTo(panel->Handle(), b.Canvas().Handle(), 10, 20);
    RECT inside{10 + 300, 20 + 100, 10 + 380, 20 + 130};
    EXPECT_GT(CountPixels(b, inside, RGB(0, 0, 0)), 30);  // the edit's text
    RECT outside{10 + 381, 0, 600, 400};
    EXPECT_EQ(CountPixels(b, outside, RGB(0, 0, 255), false), 0);
    RECT above{0, 0, 600, 20};
    EXPECT_EQ(CountPixels(b, above, RGB(0, 0, 255), false), 0);
}

TEST(Canvas, TextFillPixelsAndResizingKeepTheTopLeftPicture) {
    TBitmap b(200, 100);
    EXPECT_EQ(b.Canvas().Pixel(5, 5), RGB(255, 255, 255));
    EXPECT_EQ(b.Canvas().Pixel(200, 5), CLR_INVALID);
    b.Canvas().Brush().SetColor(RGB(0, 128, 0));
    b.Canvas().FillRect(RECT{0, 0, 50, 50});
    b.Canvas().Brush().SetColor(clWhite);
    b.Canvas().Font().SetColor(clRed);
    b.Canvas().Font().SetSize(14);
    b.Canvas().TextOut(60, 10, "Orvanta");
    int tw = b.Canvas().TextWidth("Orvanta"), th = b.Canvas().TextHeight("Orvanta");
    EXPECT_GT(tw, 30);
    EXPECT_GT(th, 10);
    EXPECT_GT(CountPixels(b, RECT{60, 10, 60 + tw, 10 + th}, RGB(255, 0, 0)), 30);
    EXPECT_EQ(CountPixels(b, RECT{60 + tw, 0, 200, 100}, RGB(255, 0, 0)), 0);
    b.Canvas().SetPixel(199, 99, clBlack);
    EXPECT_EQ(b.ScanLine(99)[199 * 3], 0);

    b.SetSize(300, 60);  // wider, lower: the top left part stays
    b.SetPixelFormat(pf32bit);
    EXPECT_EQ(b.Width(), 300);
    EXPECT_EQ(b.Height(), 60);
    EXPECT_EQ(b.BytesPerLine(), 1200);
    EXPECT_EQ(CountPixels(b, RECT{0, 0, 50, 50}, RGB(0, 128, 0)), 2500);
    EXPECT_GT(CountPixels(b, RECT{60, 10, 60 + tw, 10 + th}, RGB(255, 0, 0)), 30);
    EXPECT_EQ(CountPixels(b, RECT{200, 0, 300, 60}, RGB(255, 255, 255), false), 0);
}

TEST(Bitmap, FilesThatCannotBeWrittenOrReadRaise) {
    ts::ScratchDir dir("graphics_faults");
    TBitmap b(10, 10);
    ASSERT_TRUE(ts::WriteTextFile(dir / "locked.bmp", "old"));
    {
        ts::LockedFile held(dir / "locked.bmp");
        ASSERT_TRUE(held.Held());
        try {
            b.SaveToFile(dir / "locked.bmp");
            ADD_FAILURE() << "saving over a file held open without sharing succeeded";
        } catch (const EOSError& e) {
            EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << e.what();
        }
    }
    EXPECT_EQ(ts::ReadTextFile(dir / "locked.bmp"), "old");
    EXPECT_THROW(b.SaveToFile(dir / "no\\such\\folder\\x.bmp"), EOSError);

    ASSERT_TRUE(ts::WriteTextFile(dir / "text.bmp", "this is no bitmap"));
    TBitmap c(5, 5);
    EXPECT_THROW(c.LoadFromFile(dir / "text.bmp"), EOSError);
    EXPECT_EQ(c.Width(), 5);  // a failed load keeps the picture
    EXPECT_THROW(c.LoadFromFile(dir / "missing.bmp"), EOSError);

    TBitmap empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_THROW(empty.SaveToFile(dir / "empty.bmp"), Exception);
    EXPECT_FALSE(ts::FileExists(dir / "empty.bmp"));
}

}  // namespace
