// TRecordingCanvas: primitives into object selections, settings and the
// drawing a format emits.
#include "gfx/metafile/Recorder.h"

#include "gfx/metafile/TextCodec.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pictor::mf {

namespace {

constexpr int kPen = 0, kBrush = 1, kFont = 2;

int Rop2Of(TPenMode mode)
{
    static const int rop2[16] = {1, 16, 11, 6, 13, 4, 14, 5, 12, 3, 15, 2, 9, 8, 7, 10};
    return rop2[static_cast<int>(mode) & 15];
}

// The rectangle a path describes when it is one axis-aligned rectangle.
std::optional<std::array<double, 4>> AsRectangle(const TPath& path)
{
    const auto& e = path.Elements();
    if (e.size() < 4 || e.size() > 6 || e[0].kind != TPath::pkMove) return std::nullopt;
    std::vector<TPointF> pts{e[0].p[0]};
    for (std::size_t i = 1; i < e.size(); ++i) {
        if (e[i].kind == TPath::pkLine) pts.push_back(e[i].p[0]);
        else if (e[i].kind != TPath::pkClose || i + 1 != e.size()) return std::nullopt;
    }
    if (pts.size() == 5 && pts[4].X == pts[0].X && pts[4].Y == pts[0].Y) pts.pop_back();
    if (pts.size() != 4) return std::nullopt;
    for (int i = 0; i < 4; ++i) {
        const TPointF& a = pts[static_cast<std::size_t>(i)];
        const TPointF& b = pts[static_cast<std::size_t>((i + 1) % 4)];
        if (a.X != b.X && a.Y != b.Y) return std::nullopt;
    }
    double l = pts[0].X, r = pts[0].X, t = pts[0].Y, b = pts[0].Y;
    for (const TPointF& p : pts) {
        l = std::min(l, p.X);
        r = std::max(r, p.X);
        t = std::min(t, p.Y);
        b = std::max(b, p.Y);
    }
    return std::array<double, 4>{l, t, r, b};
}

} // namespace

std::uint16_t RecordPenStyle(TPenStyle style)
{
    switch (style) {
    case psDash: return 1;
    case psDot: return 2;
    case psDashDot: return 3;
    case psDashDotDot: return 4;
    case psClear: return 5;
    default: return 0;
    }
}

std::uint16_t RecordPenEnds(TPenCap cap, TPenJoin join)
{
    std::uint16_t bits = cap == pcSquare ? 0x100 : cap == pcFlat ? 0x200 : 0;
    return static_cast<std::uint16_t>(bits | (join == pjBevel ? 0x1000 : join == pjMiter ? 0x2000 : 0));
}

std::uint16_t RecordHatch(TBrushStyle style)
{
    switch (style) {
    case bsVertical: return 1;
    case bsFDiagonal: return 2;
    case bsBDiagonal: return 3;
    case bsCross: return 4;
    case bsDiagCross: return 5;
    default: return 0; // horizontal
    }
}

TRecordingCanvas::TRecordingCanvas(int width, int height, int unitsPerPixel, int firstSlot)
    : FUnitsPerPixel(unitsPerPixel), FWidth(width), FHeight(height), FFirstSlot(firstSlot)
{
}

TRecordingCanvas::~TRecordingCanvas() = default;

int TRecordingCanvas::Units(double pixels) const
{
    double v = std::round(pixels * FUnitsPerPixel);
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::clamp(v, -2.0e9, 2.0e9));
}

TCanvas& TRecordingCanvas::Screen()
{
    if (!FScreen) {
        FScreen = std::make_unique<TBitmap>();
        FScreen->SetSize(1, 1);
    }
    return FScreen->Canvas();
}

// --- objects and settings -----------------------------------------------------------

bool TRecordingCanvas::Pinned(int slot) const
{
    for (const TState& s : FSaved)
        if (std::find(s.Selected.begin(), s.Selected.end(), slot) != s.Selected.end()) return true;
    return false;
}

void TRecordingCanvas::Use(int kind, const TObjectKey& key)
{
    int& current = FState.Selected[static_cast<std::size_t>(kind)];
    ++FClock;
    for (TEntry& e : FEntries) {
        if (e.Key == key) {
            e.LastUse = FClock;
            if (current != e.Slot) {
                EmitSelect(e.Slot);
                current = e.Slot;
            }
            return;
        }
    }
    if (FEntries.size() >= kRecorderObjects) {
        auto victim = FEntries.end();
        for (auto it = FEntries.begin(); it != FEntries.end(); ++it) {
            bool selected = std::find(FState.Selected.begin(), FState.Selected.end(), it->Slot) !=
                            FState.Selected.end();
            if (selected || Pinned(it->Slot)) continue;
            if (victim == FEntries.end() || it->LastUse < victim->LastUse) victim = it;
        }
        if (victim != FEntries.end()) {
            EmitDelete(victim->Slot);
            FEntries.erase(victim);
        }
    }
    int slot = FFirstSlot;
    while (std::any_of(FEntries.begin(), FEntries.end(), [slot](const TEntry& e) { return e.Slot == slot; })) ++slot;
    EmitCreate(slot, key);
    EmitSelect(slot);
    FEntries.push_back({key, slot, FClock});
    current = slot;
}

void TRecordingCanvas::UsePen(const TPenKey& key) { Use(kPen, key); }
void TRecordingCanvas::UseBrush(const TBrushKey& key) { Use(kBrush, key); }
void TRecordingCanvas::UseFont(const TFontKey& key) { Use(kFont, key); }

void TRecordingCanvas::UseTextColor(TColor color)
{
    if (FState.TextColor != color) EmitTextColor(color);
    FState.TextColor = color;
}

void TRecordingCanvas::UseBkColor(TColor color)
{
    if (FState.BkColor != color) EmitBkColor(color);
    FState.BkColor = color;
}

void TRecordingCanvas::UseBkOpaque(bool opaque)
{
    if (FState.BkOpaque != opaque) EmitBkOpaque(opaque);
    FState.BkOpaque = opaque;
}

void TRecordingCanvas::UseRop2(TPenMode mode)
{
    int rop2 = Rop2Of(mode);
    if (FState.Rop2 != rop2) EmitRop2(rop2);
    FState.Rop2 = rop2;
}

void TRecordingCanvas::UseWinding(bool winding)
{
    if (FState.Winding != winding) EmitWinding(winding);
    FState.Winding = winding;
}

void TRecordingCanvas::UseTextAlign(std::uint32_t align)
{
    if (FState.Align != align) EmitTextAlign(align);
    FState.Align = align;
}

TPenKey TRecordingCanvas::PenKeyOf(const TPen& pen) const
{
    TPenKey key;
    key.Null = pen.Style == psClear;
    key.Color = pen.Color & 0xFFFFFF;
    key.Style = pen.Style == psInsideFrame ? psSolid : pen.Style;
    key.Width = pen.Width <= 0 ? 0 : pen.Width * FUnitsPerPixel;
    return key;
}

TBrushKey TRecordingCanvas::BrushKeyOf(const TBrush& brush) const
{
    return TBrushKey{brush.Style == bsClear, brush.Color & 0xFFFFFF, brush.Style == bsClear ? bsSolid : brush.Style};
}

TFontKey TRecordingCanvas::FontKeyOf(const TFont& font) const
{
    TFontKey key;
    key.Name = font.Name;
    key.Height = font.Height * FUnitsPerPixel;
    key.Width = font.Width * FUnitsPerPixel;
    key.Escapement = font.Orientation;
    key.Bold = font.Bold;
    key.Italic = font.Italic;
    key.Underline = font.Underline;
    key.StrikeOut = font.StrikeOut;
    return key;
}

void TRecordingCanvas::AddBounds(double l, double t, double r, double b)
{
    if (!std::isfinite(l) || !std::isfinite(t) || !std::isfinite(r) || !std::isfinite(b)) return;
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    if (!FBounds) {
        FBounds = std::array<double, 4>{l, t, r, b};
        return;
    }
    auto& v = *FBounds;
    v = {std::min(v[0], l), std::min(v[1], t), std::max(v[2], r), std::max(v[3], b)};
}

void TRecordingCanvas::AddBounds(const TPath& path)
{
    for (const auto& e : path.Elements()) {
        int n = e.kind == TPath::pkBezier ? 3 : e.kind == TPath::pkClose ? 0 : 1;
        for (int i = 0; i < n; ++i) AddBounds(e.p[i].X, e.p[i].Y, e.p[i].X, e.p[i].Y);
    }
}

// --- primitives --------------------------------------------------------------------

void TRecordingCanvas::FillPath(const TPath& path, TFillRule rule, const TBrush& brush, TPenMode mode)
{
    if (brush.Style == bsClear || path.Empty()) return;
    UseRop2(mode);
    UseWinding(rule == frWinding);
    UseBrush(BrushKeyOf(brush));
    UsePen(TPenKey{true});
    if (brush.Style != bsSolid) UseBkOpaque(false);
    EmitFill(path);
    AddBounds(path);
}

void TRecordingCanvas::StrokePath(const TPath& path, const TPen& pen, double width)
{
    if (pen.Style == psClear || path.Empty()) return;
    TPenKey key;
    key.Color = pen.Color & 0xFFFFFF;
    key.Style = pen.Style == psInsideFrame ? psSolid : pen.Style;
    key.Cap = pen.Cap;
    key.Join = pen.Join;
    key.Geometric = true;
    key.Width = width < 1 ? 0 : std::max(1, Units(width));
    UseRop2(pen.Mode);
    UsePen(key);
    UseBrush(TBrushKey{true});
    // Back from the pixel centres onto the grid.
    TPath grid;
    for (const auto& e : path.Elements()) {
        auto at = [&](int i) { return TPointF{e.p[i].X - 0.5, e.p[i].Y - 0.5}; };
        switch (e.kind) {
        case TPath::pkMove: grid.MoveTo(at(0)); break;
        case TPath::pkLine: grid.LineTo(at(0)); break;
        case TPath::pkBezier: grid.BezierTo(at(0), at(1), at(2)); break;
        case TPath::pkClose: grid.Close(); break;
        }
    }
    EmitStroke(grid);
    AddBounds(path);
}

void TRecordingCanvas::DrawTextRun(const TTextRun& run)
{
    if (run.Text.empty()) return;
    const std::u32string text = Utf8ToUtf32(run.Text);
    TFontKey font = FontKeyOf(run.Font);
    font.Escapement = static_cast<int>(std::lround(run.Escapement * 10));
    font.CharSet = CharSetFor(text);
    UseFont(font);
    UseTextColor(run.Color & 0xFFFFFF);
    UseBkOpaque(run.Opaque);
    if (run.Opaque) UseBkColor(run.Background & 0xFFFFFF);
    std::uint32_t align = (run.HAlign == taCenter ? kAlignCenter : run.HAlign == taRight ? kAlignRight : kAlignLeft) |
                          (run.VAlign == tvBaseline ? kAlignBaseline : run.VAlign == tvBottom ? kAlignBottom : kAlignTop);
    UseTextAlign(align);
    std::vector<double> advances = run.Advances;
    if (advances.size() != text.size()) {
        // The font's own advances on the screen, from the widths of the
        // text's beginnings so that kerning is kept.
        advances.assign(text.size(), 0);
        TFont measured = run.Font;
        std::string prefix;
        double before = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            std::vector<TDecodedChar> one{{text[i], 1}};
            prefix += ToUtf8(one);
            double after = text.size() <= 256 ? Screen().MeasureText(prefix, measured).X
                                              : before + Screen().MeasureText(ToUtf8(one), measured).X;
            advances[i] = after - before;
            before = after;
        }
    }
    EmitText(run.Origin, text, advances, run.Opaque);
    double total = 0;
    for (double a : advances) total += a;
    double h = std::abs(run.Font.Height);
    AddBounds(run.Origin.X - total, run.Origin.Y - h, run.Origin.X + total, run.Origin.Y + h);
}

void TRecordingCanvas::DrawBitmap(const TBitmap& bitmap, const TRect& srcRect, double destLeft, double destTop,
                                  double destWidth, double destHeight, std::uint32_t rop)
{
    TRect inside = Rect(std::max(srcRect.Left, 0), std::max(srcRect.Top, 0),
                        std::min(srcRect.Right, bitmap.Width()), std::min(srcRect.Bottom, bitmap.Height()));
    if (inside.Width() <= 0 || inside.Height() <= 0 || srcRect.Width() <= 0 || srcRect.Height() <= 0) return;
    const double sx = destWidth / srcRect.Width(), sy = destHeight / srcRect.Height();
    const double l = destLeft + (inside.Left - srcRect.Left) * sx, t = destTop + (inside.Top - srcRect.Top) * sy;
    const double w = inside.Width() * sx, h = inside.Height() * sy;
    const int rop3 = static_cast<int>((rop >> 16) & 0xFF);
    if (((rop3 >> 4) & 0x0F) != (rop3 & 0x0F)) UseBrush(BrushKeyOf(Brush)); // the op uses the pattern
    if (inside == Rect(0, 0, bitmap.Width(), bitmap.Height())) EmitBitmap(bitmap, l, t, w, h, rop);
    else EmitBitmap(CropBitmap(bitmap, inside), l, t, w, h, rop);
    AddBounds(l, t, l + w, t + h);
}

TPointF TRecordingCanvas::MeasureText(const std::string& text, const TFont& font)
{
    return Screen().MeasureText(text, font);
}

void TRecordingCanvas::SaveClip()
{
    EmitSaveDc();
    FSaved.push_back(FState);
}

void TRecordingCanvas::RestoreClip()
{
    if (FSaved.empty()) return;
    EmitRestoreDc();
    FState = FSaved.back();
    FSaved.pop_back();
}

void TRecordingCanvas::IntersectClip(const TPath& path, TFillRule rule)
{
    if (auto r = AsRectangle(path)) EmitIntersectClipRect((*r)[0], (*r)[1], (*r)[2], (*r)[3]);
    else EmitIntersectClipPath(path, rule == frWinding);
}

void TRecordingCanvas::ResetClip()
{
    EmitResetClip();
}

// --- shapes ---------------------------------------------------------------------------

std::optional<std::array<double, 4>> EllipseBox(const TPath& path)
{
    const auto& e = path.Elements();
    if (e.size() != 6 || e[0].kind != TPath::pkMove || e[5].kind != TPath::pkClose) return std::nullopt;
    double l = e[0].p[0].X, r = l, t = e[0].p[0].Y, b = t;
    for (std::size_t i = 1; i < 5; ++i) {
        if (e[i].kind != TPath::pkBezier) return std::nullopt;
        for (const TPointF& p : e[i].p) {
            l = std::min(l, p.X);
            r = std::max(r, p.X);
            t = std::min(t, p.Y);
            b = std::max(b, p.Y);
        }
    }
    TPath ellipse;
    ellipse.AddEllipse(l, t, r, b);
    const double tolerance = 1e-9 * std::max({1.0, std::fabs(l), std::fabs(r), std::fabs(t), std::fabs(b)});
    for (std::size_t i = 0; i < 5; ++i)
        for (int k = 0; k < (i == 0 ? 1 : 3); ++k) {
            const TPointF& p = e[i].p[k];
            const TPointF& q = ellipse.Elements()[i].p[k];
            if (std::fabs(p.X - q.X) > tolerance || std::fabs(p.Y - q.Y) > tolerance) return std::nullopt;
        }
    return std::array<double, 4>{l, t, r, b};
}

// --- bitmaps -------------------------------------------------------------------------

TBitmap CropBitmap(const TBitmap& bitmap, const TRect& src)
{
    const int bpp = bitmap.BitsPerPixel();
    const int w = src.Width(), h = src.Height();
    TBitmap out;
    out.SetLayout(bpp, bitmap.Masks(), w, h);
    if (bpp <= 8) out.SetPalette(bitmap.Palette());
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* from = bitmap.ScanLine(src.Top + y);
        std::uint8_t* to = out.ScanLine(y);
        if (bpp >= 8) {
            const std::size_t bytes = static_cast<std::size_t>(bpp / 8);
            std::memcpy(to, from + static_cast<std::size_t>(src.Left) * bytes, static_cast<std::size_t>(w) * bytes);
            continue;
        }
        const int perByte = 8 / bpp;
        const int mask = (1 << bpp) - 1;
        std::memset(to, 0, static_cast<std::size_t>(out.RowStride()));
        for (int x = 0; x < w; ++x) {
            int sx = src.Left + x;
            int v = (from[sx / perByte] >> ((perByte - 1 - sx % perByte) * bpp)) & mask;
            to[x / perByte] = static_cast<std::uint8_t>(to[x / perByte] | (v << ((perByte - 1 - x % perByte) * bpp)));
        }
    }
    return out;
}

} // namespace pictor::mf
