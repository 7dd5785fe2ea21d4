#include "framework/ui/graphics.h"

#include <cstring>
#include <vector>

#include "framework/base/handles.h"

namespace fw {

namespace {

int BitsOf(TPixelFormat f) { return f == pf32bit ? 32 : 24; }

int StrideOf(int width, TPixelFormat f) { return ((width * BitsOf(f) + 31) / 32) * 4; }

BITMAPINFOHEADER InfoHeader(int width, int height, TPixelFormat f) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;  // positive: rows bottom up, as a bitmap file stores them
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(BitsOf(f));
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(StrideOf(width, f)) * static_cast<DWORD>(height);
    return h;
}

}  // namespace

// --- TCanvas -----------------------------------------------------------------

TCanvas::~TCanvas() = default;

void TCanvas::FillRect(const RECT& r) {
    if (!dc_) return;
    UniqueBrush brush(CreateSolidBrush(ColorToRGB(brush_.Color())));
    ::FillRect(dc_, &r, brush.get());
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    if (!dc_) return;
    GdiSelection font(dc_, font_.Handle());
    SetTextColor(dc_, ColorToRGB(font_.Color()));
    SetBkColor(dc_, ColorToRGB(brush_.Color()));
    SetBkMode(dc_, OPAQUE);
    UINT align = SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    ::TextOutA(dc_, x, y, text.data(), static_cast<int>(text.size()));
    SetTextAlign(dc_, align);
}

int TCanvas::TextWidth(const std::string& text) {
    if (!dc_) return 0;
    GdiSelection font(dc_, font_.Handle());
    SIZE s{};
    GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &s);
    return s.cx;
}

int TCanvas::TextHeight(const std::string& text) {
    if (!dc_) return 0;
    GdiSelection font(dc_, font_.Handle());
    SIZE s{};
    GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &s);
    return s.cy;
}

COLORREF TCanvas::Pixel(int x, int y) const { return dc_ ? GetPixel(dc_, x, y) : CLR_INVALID; }

void TCanvas::SetPixel(int x, int y, TColor c) {
    if (dc_) ::SetPixel(dc_, x, y, ColorToRGB(c));
}

// --- TBitmap -----------------------------------------------------------------

TBitmap::TBitmap() {
    canvas_.ownDc_.reset(CreateCompatibleDC(nullptr));
    CheckBool(canvas_.ownDc_ ? TRUE : FALSE, "CreateCompatibleDC");
    canvas_.dc_ = canvas_.ownDc_.get();
}

TBitmap::TBitmap(int width, int height, TPixelFormat format) : TBitmap() {
    format_ = format;
    SetSize(width, height);
}

TBitmap::~TBitmap() {
    // The bitmap leaves the context before its owner deletes it.
    if (bitmap_) SelectObject(canvas_.dc_, oldBitmap_);
}

void TBitmap::SetSize(int width, int height) {
    if (width < 0 || height < 0) throw Exception("Invalid bitmap size");
    if (width == width_ && height == height_) return;
    Recreate(width, height, format_, bitmap_.get(), width_, height_);
}

void TBitmap::SetPixelFormat(TPixelFormat f) {
    if (f == format_) return;
    Recreate(width_, height_, f, bitmap_.get(), width_, height_);
}

// Makes the new DIB section, white, puts it into the canvas in place of the
// old one and copies the overlap of CopyFrom (the old picture or a loaded
// one) into it.
void TBitmap::Recreate(int width, int height, TPixelFormat format, HBITMAP copyFrom, int fromW, int fromH) {
    UniqueBitmap made;
    void* bits = nullptr;
    if (width > 0 && height > 0) {
        BITMAPINFO bi{};
        bi.bmiHeader = InfoHeader(width, height, format);
        made.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        CheckBool(made ? TRUE : FALSE, "CreateDIBSection");
        std::memset(bits, 0xFF, bi.bmiHeader.biSizeImage);
    }
    // A bitmap is selected into one context at a time: the new one goes into
    // the canvas first, which frees the old one for the copy.
    HGDIOBJ prev = made ? SelectObject(canvas_.dc_, made.get())
                        : (bitmap_ ? SelectObject(canvas_.dc_, oldBitmap_) : nullptr);
    if (!bitmap_) oldBitmap_ = prev;  // the context's own bitmap, put back at the end
    if (made && copyFrom && fromW > 0 && fromH > 0) {
        UniqueDc src(CreateCompatibleDC(nullptr));
        GdiSelection from(src.get(), copyFrom);
        BitBlt(canvas_.dc_, 0, 0, fromW, fromH, src.get(), 0, 0, SRCCOPY);
    }
    if (!made) oldBitmap_ = nullptr;
    bitmap_ = std::move(made);  // the old one, selected nowhere now, goes
    bits_ = bits;
    // A size with one side 0 has no pixels but keeps its numbers, so that
    // setting width and height one after the other works.
    width_ = width;
    height_ = height;
    format_ = format;
}

int TBitmap::BytesPerLine() const { return StrideOf(width_, format_); }

std::uint8_t* TBitmap::ScanLine(int row) {
    if (!bits_ || row < 0 || row >= height_) throw Exception("Scan line index out of range");
    GdiFlush();  // drawing through the canvas may still be queued
    return static_cast<std::uint8_t*>(bits_) + static_cast<size_t>(height_ - 1 - row) * BytesPerLine();
}

void TBitmap::SaveToFile(const std::string& fileName) {
    if (!bits_) throw Exception("Cannot save an empty bitmap");
    GdiFlush();
    BITMAPINFOHEADER info = InfoHeader(width_, height_, format_);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;

    UniqueFile f(CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) {
        DWORD e = GetLastError();
        throw EOSError(e, "Cannot create file \"" + fileName + "\"");
    }
    auto write = [&](const void* data, DWORD size) {
        DWORD done = 0;
        if (!WriteFile(f.get(), data, size, &done, nullptr) || done != size) {
            DWORD e = GetLastError();
            throw EOSError(e, "Cannot write file \"" + fileName + "\"");
        }
    };
    write(&file, sizeof file);
    write(&info, sizeof info);
    write(bits_, info.biSizeImage);
}

void TBitmap::LoadFromFile(const std::string& fileName) {
    UniqueBitmap loaded(static_cast<HBITMAP>(
        LoadImageA(nullptr, fileName.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    if (!loaded) {
        DWORD e = GetLastError();
        throw EOSError(e, "Cannot load bitmap \"" + fileName + "\"");
    }
    DIBSECTION ds{};
    if (GetObjectA(loaded.get(), sizeof ds, &ds) != sizeof ds) throw Exception("Cannot load bitmap \"" + fileName + "\"");
    int w = ds.dsBm.bmWidth;
    int h = ds.dsBm.bmHeight < 0 ? -ds.dsBm.bmHeight : ds.dsBm.bmHeight;
    TPixelFormat f = ds.dsBmih.biBitCount == 32 ? pf32bit : pf24bit;
    // Drop the old picture first: the loaded one is copied in whole.
    Recreate(0, 0, f, nullptr, 0, 0);
    Recreate(w, h, f, loaded.get(), w, h);
}

// --- painting windows ----------------------------------------------------------

namespace {

// A memory device context with a bitmap of its own, compatible with Like.
struct Layer {
    UniqueDc dc;
    UniqueBitmap bitmap;
    GdiSelection selected;
    Layer(HDC like, int w, int h)
        : dc(CreateCompatibleDC(like)), bitmap(CreateCompatibleBitmap(like, w > 0 ? w : 1, h > 0 ? h : 1)),
          selected(bitmap ? dc.get() : nullptr, bitmap.get()) {}
    explicit operator bool() const { return dc && bitmap; }
};

// The frame the system would draw: an edge for a border and the caption bar.
// Drawn first, so that a system whose WM_PRINT draws the frame itself paints
// over it (Wine 8 ignores PRF_NONCLIENT).
void DrawFrameFallback(HWND wnd, HDC dc, const RECT& whole, const RECT& client) {
    FillRect(dc, &whole, GetSysColorBrush(COLOR_BTNFACE));
    LONG style = GetWindowLongA(wnd, GWL_STYLE);
    LONG ex = GetWindowLongA(wnd, GWL_EXSTYLE);
    RECT r = whole;
    if (style & (WS_THICKFRAME | WS_DLGFRAME)) DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    else if (style & WS_BORDER) FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    if (ex & WS_EX_CLIENTEDGE) {
        RECT c = client;
        InflateRect(&c, 2, 2);
        DrawEdge(dc, &c, EDGE_SUNKEN, BF_RECT);
    }
    if ((style & WS_CAPTION) == WS_CAPTION) {
        int h = GetSystemMetrics((ex & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
        RECT cap{client.left, client.top - h, client.right, client.top};
        if (cap.top < 0) cap.top = 0;
        UINT flags = DC_TEXT | DC_GRADIENT | (GetActiveWindow() == wnd ? DC_ACTIVE : 0) |
                     ((ex & WS_EX_TOOLWINDOW) ? DC_SMALLCAP : DC_ICON);
        DrawCaption(wnd, dc, &cap, flags);
    }
}

// Paints Wnd into Dest with its top left at (x, y): the frame and the client
// area each into a layer of their own at the origin, the children into the
// client layer.  Controls answer WM_PRINTCLIENT as they would WM_PAINT and
// some clip to their client rectangle in device coordinates (Wine's buttons
// and statics do), so each window paints at the origin of a context of its
// own; the layers are then copied into place.
void PaintWindowLayered(HWND wnd, HDC dest, int x, int y) {
    RECT wr, cr;
    GetWindowRect(wnd, &wr);
    GetClientRect(wnd, &cr);
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (w <= 0 || h <= 0) return;
    POINT org{0, 0};
    ClientToScreen(wnd, &org);
    RECT client{org.x - wr.left, org.y - wr.top, org.x - wr.left + cr.right, org.y - wr.top + cr.bottom};

    Layer frame(dest, w, h);
    if (!frame) return;
    RECT whole{0, 0, w, h};
    DrawFrameFallback(wnd, frame.dc.get(), whole, client);
    SendMessageA(wnd, WM_PRINT, reinterpret_cast<WPARAM>(frame.dc.get()), PRF_NONCLIENT);

    if (cr.right > 0 && cr.bottom > 0) {
        Layer inside(dest, cr.right, cr.bottom);
        if (inside) {
            HDC dc = inside.dc.get();
            // A window that erases nothing shows the window colour.
            FillRect(dc, &cr, GetSysColorBrush(COLOR_WINDOW));
            SendMessageA(wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
            SendMessageA(wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
            // The bottom of the z-order first, so that the top one ends up in front.
            std::vector<HWND> children;
            for (HWND c = GetWindow(wnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
            for (auto it = children.rbegin(); it != children.rend(); ++it) {
                if (!(GetWindowLongA(*it, GWL_STYLE) & WS_VISIBLE)) continue;
                RECT r;
                GetWindowRect(*it, &r);
                PaintWindowLayered(*it, dc, r.left - org.x, r.top - org.y);
            }
            BitBlt(frame.dc.get(), client.left, client.top, cr.right, cr.bottom, dc, 0, 0, SRCCOPY);
        }
    }
    BitBlt(dest, x, y, w, h, frame.dc.get(), 0, 0, SRCCOPY);
}

}  // namespace

void PaintWindowTo(HWND wnd, HDC dc, int x, int y) {
    if (!IsWindow(wnd) || !dc) return;
    PaintWindowLayered(wnd, dc, x, y);
}

void TWinControl::PaintTo(HDC dc, int x, int y) { PaintWindowTo(Handle(), dc, x, y); }

void TWinControl::PaintTo(TCanvas& canvas, int x, int y) { PaintTo(canvas.Handle(), x, y); }

}  // namespace fw
