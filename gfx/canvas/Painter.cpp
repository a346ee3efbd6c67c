#include "gfx/canvas/Painter.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace pictor::raster {

namespace {

// Tiles hold at most this many mask bytes.
constexpr int kTileBytes = 1 << 22;
constexpr int kMaxTileWidth = 4096;

struct TSurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct TContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, TSurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, TContextDeleter>;

// An 8-bit mask of a tile of the bitmap, with a context drawing on it in
// bitmap pixels.
struct TTile {
    TTile(int x, int y, int w, int h) : X(x), Y(y), W(w), H(h)
    {
        surface.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, w, h));
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) throw std::bad_alloc();
        context.reset(cairo_create(surface.get()));
        if (cairo_status(context.get()) != CAIRO_STATUS_SUCCESS) throw std::bad_alloc();
        cairo_translate(context.get(), -x, -y);
        cairo_set_antialias(context.get(), CAIRO_ANTIALIAS_NONE);
    }
    std::uint8_t* Row(int y)
    {
        return cairo_image_surface_get_data(surface.get()) +
               static_cast<std::ptrdiff_t>(y - Y) * cairo_image_surface_get_stride(surface.get());
    }
    int X, Y, W, H;
    SurfacePtr surface;
    ContextPtr context;
};

} // namespace

std::array<std::uint8_t, 8> HatchRows(TBrushStyle style)
{
    std::array<std::uint8_t, 8> rows{};
    for (int y = 0; y < 8; ++y) {
        std::uint8_t r = 0;
        const std::uint8_t fd = static_cast<std::uint8_t>(0x80u >> y); // x == y: "\"
        const std::uint8_t bd = static_cast<std::uint8_t>(1u << y);     // x + y == 7: "/"
        switch (style) {
        case bsHorizontal: r = y == 7 ? 0xFF : 0; break;
        case bsVertical: r = 0x01; break;
        case bsFDiagonal: r = fd; break;
        case bsBDiagonal: r = bd; break;
        case bsCross: r = y == 7 ? 0xFF : 0x01; break;
        case bsDiagCross: r = static_cast<std::uint8_t>(fd | bd); break;
        default: r = 0xFF; break;
        }
        rows[static_cast<std::size_t>(y)] = r;
    }
    return rows;
}

TPainter::TPainter(TBitmap& bitmap, const TClipRegion& clip)
    : FBitmap(bitmap), FClip(clip), FCodec(bitmap),
      FArea(clip.Limit(TRect{0, 0, bitmap.Width(), bitmap.Height()}))
{
}

void TPainter::Apply(int y, int x0, int x1, const TInk& ink)
{
    std::uint8_t* row = FBitmap.ScanLine(y);
    if (ink.Hatched) ApplyToRunPattern(row, FCodec.BitsPerPixel(), x0, x1, ink.Op, ink.Rows[y & 7]);
    else ApplyToRun(row, FCodec.BitsPerPixel(), x0, x1, ink.Op);
}

void TPainter::FillSpans(const std::vector<TSpan>& spans, const TInk& ink)
{
    if (spans.empty() || RectEmpty(FArea) || ink.Op.IsNop()) return;
    if (FClip.IsRect()) {
        for (const TSpan& s : spans) {
            if (s.Y < FArea.Top || s.Y >= FArea.Bottom) continue;
            int x0 = std::max(s.X0, FArea.Left), x1 = std::min(s.X1, FArea.Right);
            if (x0 < x1) Apply(s.Y, x0, x1, ink);
        }
        return;
    }
    // A clip of figures: mark the spans in masks and let the clip cut them.
    TRect bounds{spans.front().X0, spans.front().Y, spans.front().X1, spans.front().Y + 1};
    for (const TSpan& s : spans) {
        bounds.Left = std::min(bounds.Left, s.X0);
        bounds.Right = std::max(bounds.Right, s.X1);
        bounds.Bottom = std::max(bounds.Bottom, s.Y + 1);
    }
    auto draw = [&](cairo_t* cr) {
        for (const TSpan& s : spans) cairo_rectangle(cr, s.X0, s.Y, s.X1 - s.X0, 1);
        cairo_fill(cr);
    };
    Rasterise(bounds, draw, [&](int y, int x0, int x1, const std::uint8_t*) { Apply(y, x0, x1, ink); });
}

void TPainter::FillShape(const TRect& bounds, const std::function<void(cairo_t*)>& draw, const TInk& ink)
{
    if (ink.Op.IsNop()) return;
    Rasterise(bounds, draw, [&](int y, int x0, int x1, const std::uint8_t*) { Apply(y, x0, x1, ink); });
}

void TPainter::BlendShape(const TRect& bounds, const std::function<void(cairo_t*)>& draw, TColor color,
                          bool binary)
{
    const int bpp = FCodec.BitsPerPixel();
    const bool threshold = binary || FCodec.Indexed();
    const std::uint32_t value = FCodec.Encode(color);
    const TBitOp copy = PenOp(pmCopy, value, FCodec.ValueMask());
    const int cr = GetRValue(color), cg = GetGValue(color), cb = GetBValue(color);
    Rasterise(bounds, draw, [&](int y, int x0, int x1, const std::uint8_t* cov) {
        std::uint8_t* row = FBitmap.ScanLine(y);
        for (int x = x0; x < x1; ++x) {
            int a = cov[x - x0];
            if (threshold || a == 255) {
                if (a >= 128) ApplyToRun(row, bpp, x, x + 1, copy);
                continue;
            }
            std::uint32_t d = ReadRawPixel(row, x, bpp);
            TColor dc = FCodec.Decode(d);
            auto mix = [a](int under, int over) { return (under * (255 - a) + over * a + 127) / 255; };
            TColor mixed = RGBColor(mix(GetRValue(dc), cr), mix(GetGValue(dc), cg), mix(GetBValue(dc), cb));
            std::uint32_t v = (d & ~FCodec.ValueMask()) | FCodec.Encode(mixed);
            WriteRawPixel(row, x, bpp, v);
        }
    });
}

void TPainter::ForEachRun(const TRect& rect, const std::function<void(int, int, int)>& fn)
{
    TRect r = IntersectRect(rect, FArea);
    if (RectEmpty(r)) return;
    if (FClip.IsRect()) {
        for (int y = r.Top; y < r.Bottom; ++y) fn(y, r.Left, r.Right);
        return;
    }
    Rasterise(r, [](cairo_t* cr) { cairo_paint(cr); },
              [&](int y, int x0, int x1, const std::uint8_t*) { fn(y, x0, x1); });
}

void TPainter::Rasterise(const TRect& rect, const std::function<void(cairo_t*)>& draw, const RunFn& run)
{
    TRect r = IntersectRect(rect, FArea);
    if (RectEmpty(r)) return;
    const int tileW = std::min(r.Width(), kMaxTileWidth);
    const int tileH = std::max(1, std::min(r.Height(), kTileBytes / tileW));
    for (int ty = r.Top; ty < r.Bottom; ty += tileH) {
        for (int tx = r.Left; tx < r.Right; tx += tileW) {
            const int w = std::min(tileW, r.Right - tx);
            const int h = std::min(tileH, r.Bottom - ty);
            TTile tile(tx, ty, w, h);
            cairo_t* cr = tile.context.get();
            cairo_save(cr);
            FClip.ApplyTo(cr);
            draw(cr);
            cairo_restore(cr);
            cairo_surface_flush(tile.surface.get());
            for (int y = ty; y < ty + h; ++y) {
                const std::uint8_t* cov = tile.Row(y);
                int x = 0;
                while (x < w) {
                    while (x < w && cov[x] == 0) ++x;
                    int start = x;
                    while (x < w && cov[x] != 0) ++x;
                    if (x > start) run(y, tx + start, tx + x, cov + start);
                }
            }
        }
    }
}

} // namespace pictor::raster
