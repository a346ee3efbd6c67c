#include "image/TrimmingPlan.h"

#include "core/Exception.h"

#include <cstdint>

namespace pictor {

namespace {

// An inclusive rectangle with room for the mapped coordinates.
struct TWideRect {
    std::int64_t Left, Top, Right, Bottom;
};

TWideRect Widen(const TRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

// Each coordinate times (toW or toH), divided by (fromW or fromH).
TWideRect Map(const TWideRect& r, std::int64_t toW, std::int64_t fromW, std::int64_t toH, std::int64_t fromH)
{
    if (fromW == 0 || fromH == 0) throw EDivByZero();
    return {r.Left * toW / fromW, r.Top * toH / fromH, r.Right * toW / fromW, r.Bottom * toH / fromH};
}

bool Reversed(const TWideRect& r) { return r.Right < r.Left || r.Bottom < r.Top; }

} // namespace

TTrimmingPlan PlanTrimming(const TRect& ARect, bool PictureCoords, bool Stretched, int ControlWidth,
                           int ControlHeight, int PictureWidth, int PictureHeight)
{
    TWideRect s = Widen(ARect); // picture pixels
    TWideRect v = Widen(ARect); // control pixels
    std::int64_t newWidth = ControlWidth;
    std::int64_t newHeight = ControlHeight;
    if (Stretched) {
        if (PictureCoords)
            v = Map(s, ControlWidth, PictureWidth, ControlHeight, PictureHeight);
        else
            s = Map(v, PictureWidth, ControlWidth, PictureHeight, ControlHeight);
        newWidth = v.Right - v.Left + 1;
        newHeight = v.Bottom - v.Top + 1;
    }

    TTrimmingPlan plan;
    if (s.Left < 0 || s.Top < 0 || s.Right >= PictureWidth || s.Bottom >= PictureHeight) return plan;
    plan.Refusal = TRefusal::Reversed;
    if (Reversed(s) || Reversed(v) || v.Left < 0 || v.Top < 0) return plan;

    // Within the picture, every value now fits 32 bits; so does the control
    // size, which the mapping keeps within the control.
    plan.Refusal = TRefusal::None;
    plan.Source = Rect(static_cast<std::int32_t>(s.Left), static_cast<std::int32_t>(s.Top),
                       static_cast<std::int32_t>(s.Right + 1), static_cast<std::int32_t>(s.Bottom + 1));
    plan.ControlWidth = static_cast<int>(newWidth);
    plan.ControlHeight = static_cast<int>(newHeight);
    return plan;
}

} // namespace pictor
