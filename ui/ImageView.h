// ImageView: the widget that shows a TImage. It takes the control's Width
// and Height as its own size, paints what TImage renders, and reports mouse
// presses in control pixels.
//
// The rendering is cached in tiles that are made only when a part of them is
// exposed, so a 24-megapixel picture shown in a scroll area costs only the
// visible tiles; every repaint request of the control drops the cache.
// The tiles a paint needs are rendered on every core the operations may use.
#pragma once

#include "gfx/Types.h"

#include <QHash>
#include <QImage>
#include <QPoint>
#include <QWidget>

#include <functional>

namespace pictor {
class TImage;
}

namespace pictor::ui {

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Keys and buttons held during a mouse event.
enum TShiftFlag : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
};
using TShiftState = unsigned;

using TMouseDownEvent = std::function<void(TMouseButton Button, TShiftState Shift, int X, int Y)>;

class ImageView : public QWidget {
    Q_OBJECT
public:
    // Listens to image's repaint and resize requests for the view's life;
    // image must outlive the view.
    explicit ImageView(TImage& image, QWidget* parent = nullptr);
    ~ImageView() override;

    TImage& Image() const { return image_; }

    // Called for a left, right or middle button press over the view.
    TMouseDownEvent OnMouseDown;

    // Background where the control shows no picture.
    void SetBackground(TColor color);

    // Tiles rendered since the view was made (for tests and benchmarks).
    long long TilesRendered() const { return tilesRendered_; }
    // Edge length of a tile in pixels.
    static constexpr int kTileSize = 256;

signals:
    // The control's Width or Height changed; the widget has taken the new size.
    void sizeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void ImageResized();
    void ImageRepaint();
    const QImage& Tile(int column, int row);
    TRect TileArea(int column, int row) const;
    // Renders the tiles of columns c0..c1 and rows r0..r1 not yet in the
    // cache on the operation threads, where the picture allows.
    void RenderTilesOnThreads(int c0, int c1, int r0, int r1);

    TImage& image_;
    TColor background_ = clBtnFace;
    QHash<QPoint, QImage> tiles_;
    long long tilesRendered_ = 0;
};

} // namespace pictor::ui
