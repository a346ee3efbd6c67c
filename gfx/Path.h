// TPath: a figure in a canvas's own pixels (fractional coordinates), made of
// moves, straight lines, cubic Bézier curves and closings. Metafile playback
// turns every shape into one after applying its transforms.
#pragma once

#include "gfx/Types.h"

#include <vector>

namespace pictor {

enum TFillRule { frAlternate, frWinding };

class TPath {
public:
    enum Kind { pkMove, pkLine, pkBezier, pkClose };
    struct TElement {
        Kind kind;
        TPointF p[3]; // pkMove/pkLine: p[0]; pkBezier: p[0], p[1] controls, p[2] end
    };

    void MoveTo(TPointF p);
    void LineTo(TPointF p);
    void BezierTo(TPointF c1, TPointF c2, TPointF end);
    void Close();

    // Whole figures, appended as closed subpaths (a polyline as an open
    // one, so its ends get the pen's caps).
    void AddRectangle(double left, double top, double right, double bottom);
    void AddEllipse(double left, double top, double right, double bottom);
    void AddPolygon(const TPointF* points, int count);
    void AddPolyline(const TPointF* points, int count);

    bool Empty() const { return FElements.empty(); }
    const std::vector<TElement>& Elements() const { return FElements; }
    void Clear() { FElements.clear(); }

private:
    std::vector<TElement> FElements;
};

} // namespace pictor
