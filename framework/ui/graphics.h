// TBrush (a canvas's fill colour), TCanvas (a device context with a font and
// a brush: fill, text, pixels), TBitmap (a device-independent bitmap of 24 or
// 32 bits per pixel with its canvas, saved to and loaded from Windows bitmap
// files) and PaintWindowTo (a window and its child windows painted into a
// device context).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/base/handles.h"
#include "framework/ui/controls.h"

namespace fw {

class TBrush : public TObject {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor c) { color_ = c; }

private:
    TColor color_ = clWhite;
};

// Drawing on a device context.  A bitmap's canvas owns its memory device
// context; a canvas made on a context it was given draws there and owns nothing.
class TCanvas : public TObject {
public:
    TCanvas() = default;
    explicit TCanvas(HDC dc) : dc_(dc) {}
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Handle() const { return dc_; }
    TFont& Font() { return font_; }
    TBrush& Brush() { return brush_; }

    // Fills the rectangle (right and bottom excluded) with the brush colour.
    void FillRect(const RECT& r);
    // Writes the text with the font, on the brush colour, its top left at (x, y).
    void TextOut(int x, int y, const std::string& text);
    int TextWidth(const std::string& text);
    int TextHeight(const std::string& text);
    // The colour of a pixel as an RGB value; CLR_INVALID outside the surface.
    COLORREF Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor c);

private:
    friend class TBitmap;
    HDC dc_ = nullptr;
    UniqueDc ownDc_;  // a bitmap's memory context; empty on a context given
    TFont font_;
    TBrush brush_;
};

enum TPixelFormat { pf24bit, pf32bit };

// A device-independent bitmap (a DIB section, rows stored bottom up as in a
// bitmap file), white when made, with a canvas that draws on it.  Changing
// the size or the pixel format keeps the picture's top left part.
class TBitmap : public TObject {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pf24bit);
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    void SetSize(int width, int height);
    void SetWidth(int w) { SetSize(w, height_); }
    void SetHeight(int h) { SetSize(width_, h); }
    TPixelFormat PixelFormat() const { return format_; }
    void SetPixelFormat(TPixelFormat f);

    TCanvas& Canvas() { return canvas_; }
    HBITMAP Handle() const { return bitmap_.get(); }
    // The pixels of a row (0 is the top), blue, green, red (and a fourth
    // byte at 32 bits) per pixel; valid until the size or format changes.
    std::uint8_t* ScanLine(int row);
    int BytesPerLine() const;

    // Writes a Windows bitmap file (BITMAPFILEHEADER, BITMAPINFOHEADER, the
    // rows bottom up).  EOSError when the file cannot be written; Exception
    // for an empty bitmap.
    void SaveToFile(const std::string& fileName);
    // Reads any Windows bitmap file the system reads; 32-bit files stay 32
    // bits, all others become 24 bits.  EOSError when the file cannot be
    // read as a bitmap.
    void LoadFromFile(const std::string& fileName);

private:
    void Recreate(int width, int height, TPixelFormat format, HBITMAP copyFrom, int fromW, int fromH);
    int width_ = 0, height_ = 0;
    TPixelFormat format_ = pf24bit;
    UniqueBitmap bitmap_;
    HGDIOBJ oldBitmap_ = nullptr;  // the context's own bitmap, selected back before bitmap_ goes
    void* bits_ = nullptr;
    TCanvas canvas_;
};

// Paints a window (frame and client area, background erased) and then its
// visible child windows, bottom of the z-order first, each clipped to its
// parent's client area, into the device context with the window's top left
// corner at (x, y).  Each window paints itself through WM_PRINT, so hidden
// and covered windows paint too; windows that do not answer WM_PRINT leave
// their area as the parent painted it.
void PaintWindowTo(HWND wnd, HDC dc, int x, int y);

}  // namespace fw
