#include "gfx/Canvas.h"

#include "core/Exception.h"

namespace pictor {

namespace {
[[noreturn]] void NotYet()
{
    throw EInvalidOperation("未実装");
}
} // namespace

void TCanvas::MoveTo(int x, int y)
{
    penPos_ = TPoint{x, y};
}
void TCanvas::LineTo(int, int) { NotYet(); }
void TCanvas::Rectangle(int, int, int, int) { NotYet(); }
void TCanvas::FillRect(const TRect&) { NotYet(); }
void TCanvas::Ellipse(int, int, int, int) { NotYet(); }
void TCanvas::Polyline(const std::vector<TPoint>&) { NotYet(); }
void TCanvas::Polygon(const std::vector<TPoint>&) { NotYet(); }
void TCanvas::TextOut(int, int, const std::string&) { NotYet(); }
int TCanvas::TextWidth(const std::string&) { NotYet(); }
int TCanvas::TextHeight(const std::string&) { NotYet(); }
void TCanvas::Draw(int, int, const TGraphic&) { NotYet(); }
void TCanvas::StretchDraw(const TRect&, const TGraphic&) { NotYet(); }
void TCanvas::CopyRect(const TRect&, TCanvas&, const TRect&) { NotYet(); }

} // namespace pictor
