#include "gfx/BitmapCanvas.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"

namespace pictor {

namespace {
[[noreturn]] void NotYet()
{
    throw EInvalidOperation("未実装");
}
} // namespace

struct TBitmapCanvas::State {};

TBitmapCanvas::TBitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap), state_(std::make_unique<State>()) {}
TBitmapCanvas::~TBitmapCanvas() = default;

int TBitmapCanvas::Width() const { return bitmap_.Width(); }
int TBitmapCanvas::Height() const { return bitmap_.Height(); }

void TBitmapCanvas::FillPath(const TPath&, TFillRule, const TBrush&, TPenMode) { NotYet(); }
void TBitmapCanvas::StrokePath(const TPath&, const TPen&, double) { NotYet(); }
void TBitmapCanvas::DrawTextRun(const TTextRun&) { NotYet(); }
void TBitmapCanvas::DrawBitmap(const TBitmap&, const TRect&, double, double, double, double, std::uint32_t)
{
    NotYet();
}
TPointF TBitmapCanvas::MeasureText(const std::string&, const TFont&) { NotYet(); }
void TBitmapCanvas::SaveClip() { NotYet(); }
void TBitmapCanvas::RestoreClip() { NotYet(); }
void TBitmapCanvas::IntersectClip(const TPath&, TFillRule) { NotYet(); }
void TBitmapCanvas::ResetClip() { NotYet(); }

} // namespace pictor
