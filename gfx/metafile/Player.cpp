// TPlayer: mapping, saved states, the object table and clipping.
#include "gfx/metafile/Player.h"

#include "gfx/Palette.h"

#include <algorithm>
#include <cmath>

namespace pictor::mf {

namespace {

bool Finite(const TXform& m)
{
    return std::isfinite(m.M11) && std::isfinite(m.M12) && std::isfinite(m.M21) && std::isfinite(m.M22) &&
           std::isfinite(m.Dx) && std::isfinite(m.Dy);
}

} // namespace

TXform TXform::Then(const TXform& b) const
{
    TXform r;
    r.M11 = M11 * b.M11 + M12 * b.M21;
    r.M12 = M11 * b.M12 + M12 * b.M22;
    r.M21 = M21 * b.M11 + M22 * b.M21;
    r.M22 = M21 * b.M12 + M22 * b.M22;
    r.Dx = Dx * b.M11 + Dy * b.M21 + b.Dx;
    r.Dy = Dx * b.M12 + Dy * b.M22 + b.Dy;
    return r;
}

TPlayer::TPlayer(TCanvas& canvas, const TRect& dest, const TXform& deviceToCanvas, std::size_t objectCount)
    : FCanvas(canvas), FDest(dest), FDeviceToCanvas(deviceToCanvas), FObjects(objectCount)
{
    FSavedPen = canvas.Pen;
    FSavedBrush = canvas.Brush;
    FSavedFont = canvas.Font;
    FCanvas.SaveClip();
    TPath bounds;
    bounds.AddRectangle(std::min(dest.Left, dest.Right), std::min(dest.Top, dest.Bottom),
                        std::max(dest.Left, dest.Right), std::max(dest.Top, dest.Bottom));
    FCanvas.IntersectClip(bounds, frWinding);
    FCanvas.SaveClip();
    MappingChanged();
}

TPlayer::~TPlayer()
{
    try {
        FCanvas.RestoreClip();
        FCanvas.RestoreClip();
    } catch (...) {
    }
    FCanvas.Pen = FSavedPen;
    FCanvas.Brush = FSavedBrush;
    FCanvas.Font = FSavedFont;
}

// --- mapping -----------------------------------------------------------------

void TPlayer::SetDeviceResolution(double pixelsPerMMX, double pixelsPerMMY)
{
    if (std::isfinite(pixelsPerMMX) && std::isfinite(pixelsPerMMY) && pixelsPerMMX > 0 && pixelsPerMMY > 0) {
        FPxPerMMX = pixelsPerMMX;
        FPxPerMMY = pixelsPerMMY;
    }
    MappingChanged();
}

void TPlayer::SetMapMode(int mode)
{
    if (mode < mmText || mode > mmAnisotropic) return;
    FDc.MapMode = mode;
    if (!FViewportFixed && mode < mmIsotropic) {
        FDc.WinExtX = FDc.WinExtY = FDc.VpExtX = FDc.VpExtY = 1;
    }
    MappingChanged();
}

void TPlayer::SetWindowOrg(double x, double y)
{
    FDc.WinOrgX = x;
    FDc.WinOrgY = y;
    MappingChanged();
}

void TPlayer::SetWindowExt(double x, double y)
{
    // Kept in every mode (the mapping uses it only where it applies); an
    // empty extent is refused.
    if (x == 0 || y == 0) return;
    FDc.WinExtX = x;
    FDc.WinExtY = y;
    MappingChanged();
}

void TPlayer::SetViewportOrg(double x, double y)
{
    if (FViewportFixed) return;
    FDc.VpOrgX = x;
    FDc.VpOrgY = y;
    MappingChanged();
}

void TPlayer::SetViewportExt(double x, double y)
{
    if (FViewportFixed || x == 0 || y == 0) return;
    FDc.VpExtX = x;
    FDc.VpExtY = y;
    MappingChanged();
}

void TPlayer::SetWorld(const TXform& world)
{
    if (!Finite(world) || world.Determinant() == 0) return;
    FDc.World = world;
    MappingChanged();
}

void TPlayer::ModifyWorld(const TXform& xform, int mode)
{
    switch (mode) {
    case mwtIdentity: FDc.World = TXform(); break;
    case mwtLeftMultiply: if (Finite(xform)) FDc.World = xform.Then(FDc.World); break;
    case mwtRightMultiply: if (Finite(xform)) FDc.World = FDc.World.Then(xform); break;
    case mwtSet: SetWorld(xform); return;
    default: return;
    }
    if (!Finite(FDc.World) || FDc.World.Determinant() == 0) FDc.World = TXform();
    MappingChanged();
}

void TPlayer::MappingChanged()
{
    double sx = 1, sy = 1;
    int mode = FDc.MapMode;
    if (FViewportFixed) mode = mode == mmIsotropic ? mmIsotropic : mmAnisotropic;
    switch (mode) {
    case mmLoMetric: sx = FPxPerMMX / 10; sy = -FPxPerMMY / 10; break;
    case mmHiMetric: sx = FPxPerMMX / 100; sy = -FPxPerMMY / 100; break;
    case mmLoEnglish: sx = FPxPerMMX * 0.254; sy = -FPxPerMMY * 0.254; break;
    case mmHiEnglish: sx = FPxPerMMX * 0.0254; sy = -FPxPerMMY * 0.0254; break;
    case mmTwips: sx = FPxPerMMX * 25.4 / 1440; sy = -FPxPerMMY * 25.4 / 1440; break;
    case mmIsotropic: case mmAnisotropic:
        sx = FDc.VpExtX / FDc.WinExtX;
        sy = FDc.VpExtY / FDc.WinExtY;
        if (mode == mmIsotropic) {
            double s = std::min(std::fabs(sx), std::fabs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
        break;
    default: break;
    }
    TXform page{sx, 0, 0, sy, FDc.VpOrgX - FDc.WinOrgX * sx, FDc.VpOrgY - FDc.WinOrgY * sy};
    TXform m = FDc.World.Then(page).Then(FDeviceToCanvas);
    if (Finite(m)) FToCanvas = m;
}

// --- state -------------------------------------------------------------------

void TPlayer::SaveDc()
{
    if (FSaved.size() >= kMaxSavedStates) {
        ++FRefusedSaves;
        return;
    }
    FSaved.push_back(FDc);
}

void TPlayer::RestoreDc(int relative)
{
    const std::int64_t depth = static_cast<std::int64_t>(FSaved.size() + FRefusedSaves);
    std::int64_t count = relative < 0 ? -static_cast<std::int64_t>(relative) : depth - relative + 1;
    if (relative == 0 || count <= 0 || count > depth) return;
    std::int64_t refused = std::min<std::int64_t>(count, static_cast<std::int64_t>(FRefusedSaves));
    FRefusedSaves -= static_cast<std::size_t>(refused);
    count -= refused;
    if (count == 0) return;
    FDc = std::move(FSaved[FSaved.size() - static_cast<std::size_t>(count)]);
    FSaved.resize(FSaved.size() - static_cast<std::size_t>(count));
    MappingChanged();
    ApplyClip();
}

bool TPlayer::SpendBitmapPixels(std::int64_t pixels)
{
    if (pixels < 0 || pixels > kMaxPlaybackBitmapPixels - FBitmapPixels) return false;
    FBitmapPixels += pixels;
    return true;
}

TColor TPlayer::Resolve(std::uint32_t colorRef) const
{
    if ((colorRef >> 24) == 1) {
        const TPalette& palette = FDc.Palette ? *FDc.Palette : HalftonePalette();
        int index = static_cast<int>(colorRef & 0xFFFF);
        return index < palette.Count() ? palette.Color(index) : clBlack;
    }
    return colorRef & 0xFFFFFF;
}

// --- objects -------------------------------------------------------------------

void TPlayer::SetObject(std::size_t index, TObject object)
{
    if (index < FObjects.size()) FObjects[index] = std::move(object);
}

std::optional<std::size_t> TPlayer::FreeObjectIndex() const
{
    for (std::size_t i = 0; i < FObjects.size(); ++i)
        if (std::holds_alternative<std::monostate>(FObjects[i])) return i;
    return std::nullopt;
}

void TPlayer::SelectObject(std::size_t index)
{
    if (index >= FObjects.size()) return;
    const TObject& o = FObjects[index];
    if (auto* pen = std::get_if<TPenSpec>(&o)) FDc.Pen = *pen;
    else if (auto* brush = std::get_if<TBrushSpec>(&o)) FDc.Brush = *brush;
    else if (auto* font = std::get_if<TFontSpec>(&o)) FDc.Font = *font;
    else if (auto* palette = std::get_if<TPalette>(&o)) FDc.Palette = std::make_shared<const TPalette>(*palette);
    else if (auto* region = std::get_if<TRegionSpec>(&o)) SelectClipRegion(*region);
}

void TPlayer::SelectPalette(std::size_t index)
{
    if (index < FObjects.size())
        if (auto* palette = std::get_if<TPalette>(&FObjects[index]))
            FDc.Palette = std::make_shared<const TPalette>(*palette);
}

std::optional<TBrushSpec> TPlayer::BrushObject(std::uint32_t index) const
{
    if (index & 0x80000000u) {
        switch (index & 0x7FFFFFFFu) {
        case 0: case 18: return TBrushSpec{false, clWhite, bsSolid};
        case 1: return TBrushSpec{false, RGBColor(192, 192, 192), bsSolid};
        case 2: return TBrushSpec{false, RGBColor(128, 128, 128), bsSolid};
        case 3: return TBrushSpec{false, RGBColor(64, 64, 64), bsSolid};
        case 4: return TBrushSpec{false, clBlack, bsSolid};
        case 5: return TBrushSpec{true, clWhite, bsSolid};
        default: return std::nullopt;
        }
    }
    if (index < FObjects.size())
        if (auto* brush = std::get_if<TBrushSpec>(&FObjects[index])) return *brush;
    return std::nullopt;
}

const TRegionSpec* TPlayer::RegionObject(std::size_t index) const
{
    return index < FObjects.size() ? std::get_if<TRegionSpec>(&FObjects[index]) : nullptr;
}

void TPlayer::SelectStockObject(std::uint32_t stock)
{
    auto brush = [this](TColor c, bool null) { FDc.Brush = TBrushSpec{null, c, bsSolid}; };
    auto pen = [this](TColor c, bool null) {
        TPenSpec p;
        p.Null = null;
        p.Color = c;
        FDc.Pen = p;
    };
    switch (stock) {
    case 0: brush(clWhite, false); break;
    case 1: brush(RGBColor(192, 192, 192), false); break;
    case 2: brush(RGBColor(128, 128, 128), false); break;
    case 3: brush(RGBColor(64, 64, 64), false); break;
    case 4: brush(clBlack, false); break;
    case 5: brush(clWhite, true); break;
    case 6: pen(clWhite, false); break;
    case 7: pen(clBlack, false); break;
    case 8: pen(clBlack, true); break;
    case 10: case 11: case 12: case 13: case 14: case 16: case 17: {
        TFontSpec f;
        if (stock == 10 || stock == 11 || stock == 16) f.Name = "monospace";
        FDc.Font = f;
        break;
    }
    case 15: FDc.Palette.reset(); break;
    case 18: brush(clWhite, false); break;
    case 19: pen(clBlack, false); break;
    default: break;
    }
}

void TPlayer::DeleteObject(std::size_t index)
{
    if (index < FObjects.size()) FObjects[index] = std::monostate{};
}

// --- clipping --------------------------------------------------------------------

void TPlayer::ApplyClip()
{
    FCanvas.RestoreClip();
    FCanvas.SaveClip();
    for (const auto& item : FDc.Clip) FCanvas.IntersectClip(item->Path, item->Rule);
}

void TPlayer::AddClip(std::shared_ptr<const TClipItem> item, int mode)
{
    switch (mode) {
    case rgnAnd:
    case rgnDiff:
        if (FDc.Clip.size() >= kMaxClipItems) return; // beyond the bound: drawn unclipped by it
        FDc.Clip.push_back(std::move(item));
        break;
    case rgnCopy:
        FDc.Clip.clear();
        if (item) FDc.Clip.push_back(std::move(item));
        break;
    case rgnOr:
    case rgnXor:
        // Unions are not kept; rather than lose what they add, clipping ends.
        FDc.Clip.clear();
        break;
    default: return;
    }
    ApplyClip();
}

namespace {

// The complement of a path within a generous rectangle around dest.
void AddOutside(TPath& path, const TRect& dest)
{
    double l = std::min(dest.Left, dest.Right) - 2.0, r = std::max(dest.Left, dest.Right) + 2.0;
    double t = std::min(dest.Top, dest.Bottom) - 2.0, b = std::max(dest.Top, dest.Bottom) + 2.0;
    path.AddRectangle(l, t, r, b);
}

} // namespace

void TPlayer::IntersectClipRect(double l, double t, double r, double b)
{
    auto item = std::make_shared<TClipItem>();
    item->Path = RectPath(l, t, r, b);
    AddClip(std::move(item), rgnAnd);
}

void TPlayer::ExcludeClipRect(double l, double t, double r, double b)
{
    auto item = std::make_shared<TClipItem>();
    AddOutside(item->Path, FDest);
    TPath inner = RectPath(l, t, r, b);
    for (const auto& e : inner.Elements()) {
        if (e.kind == TPath::pkMove) item->Path.MoveTo(e.p[0]);
        else if (e.kind == TPath::pkLine) item->Path.LineTo(e.p[0]);
        else if (e.kind == TPath::pkClose) item->Path.Close();
    }
    item->Rule = frAlternate;
    AddClip(std::move(item), rgnAnd);
}

void TPlayer::SelectClipRegion(const std::vector<std::array<double, 4>>& deviceRects, int mode)
{
    if (deviceRects.empty()) {
        if (mode == rgnCopy) AddClip(nullptr, rgnCopy);
        return;
    }
    auto item = std::make_shared<TClipItem>();
    if (mode == rgnDiff) AddOutside(item->Path, FDest);
    for (const auto& r : deviceRects) {
        TPointF a = FDeviceToCanvas.Apply(r[0], r[1]);
        TPointF c = FDeviceToCanvas.Apply(r[2], r[3]);
        item->Path.AddRectangle(std::min(a.X, c.X), std::min(a.Y, c.Y), std::max(a.X, c.X), std::max(a.Y, c.Y));
    }
    // The rectangles of a region never overlap, so even-odd filling gives
    // their union, and with the outer rectangle its complement.
    item->Rule = frAlternate;
    AddClip(std::move(item), mode);
}

void TPlayer::SelectClipRegion(const TRegionSpec& region)
{
    if (region.Rects.empty()) {
        AddClip(nullptr, rgnCopy);
        return;
    }
    // Winding filling gives the union even where the rectangles of a damaged
    // region overlap.
    auto item = std::make_shared<TClipItem>();
    item->Path = RectsPath(region.Rects);
    item->Rule = frWinding;
    AddClip(std::move(item), rgnCopy);
}

void TPlayer::OffsetClip(double dx, double dy)
{
    TPointF d = FToCanvas.ApplyVector(dx, dy);
    for (auto& item : FDc.Clip) {
        auto moved = std::make_shared<TClipItem>();
        moved->Rule = item->Rule;
        for (const auto& e : item->Path.Elements()) {
            auto at = [&](int i) { return TPointF{e.p[i].X + d.X, e.p[i].Y + d.Y}; };
            switch (e.kind) {
            case TPath::pkMove: moved->Path.MoveTo(at(0)); break;
            case TPath::pkLine: moved->Path.LineTo(at(0)); break;
            case TPath::pkBezier: moved->Path.BezierTo(at(0), at(1), at(2)); break;
            case TPath::pkClose: moved->Path.Close(); break;
            }
        }
        item = std::move(moved);
    }
    ApplyClip();
}

void TPlayer::SelectClipPath(int mode)
{
    if (!FPathDone) return;
    auto item = std::make_shared<TClipItem>();
    if (mode == rgnDiff) AddOutside(item->Path, FDest);
    for (const auto& e : FPath.Elements()) {
        switch (e.kind) {
        case TPath::pkMove: item->Path.MoveTo(e.p[0]); break;
        case TPath::pkLine: item->Path.LineTo(e.p[0]); break;
        case TPath::pkBezier: item->Path.BezierTo(e.p[0], e.p[1], e.p[2]); break;
        case TPath::pkClose: item->Path.Close(); break;
        }
    }
    item->Rule = (FDc.Winding && mode != rgnDiff) ? frWinding : frAlternate;
    FPath.Clear();
    FPathDone = false;
    AddClip(std::move(item), mode);
}

} // namespace pictor::mf
