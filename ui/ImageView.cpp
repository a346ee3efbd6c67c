// ImageView: tiles of the control's rendering, made on exposure.
#include "ui/ImageView.h"

#include "core/Parallel.h"
#include "gfx/Bitmap.h"
#include "gfx/Image.h"
#include "ui/ExceptionGuard.h"
#include "ui/QtBitmap.h"

#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <optional>
#include <vector>

namespace pictor::ui {
namespace {

// More tiles than this (at 256 KB each) and the cache starts afresh.
constexpr int kMaxTiles = 384;

QColor ToQColor(TColor c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

} // namespace

ImageView::ImageView(TImage& image, QWidget* parent) : QWidget(parent), image_(image)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    image_.OnRepaint = [this] { ImageRepaint(); };
    image_.OnResize = [this] { ImageResized(); };
    setFixedSize(std::max(image_.Width(), 0), std::max(image_.Height(), 0));
}

ImageView::~ImageView()
{
    image_.OnRepaint = nullptr;
    image_.OnResize = nullptr;
}

void ImageView::SetBackground(TColor color)
{
    background_ = color;
    ImageRepaint();
}

void ImageView::ImageResized()
{
    setFixedSize(std::max(image_.Width(), 0), std::max(image_.Height(), 0));
    emit sizeChanged();
}

void ImageView::ImageRepaint()
{
    tiles_.clear();
    update();
}

TRect ImageView::TileArea(int column, int row) const
{
    const int left = column * kTileSize, top = row * kTileSize;
    return TRect{left, top, std::min(left + kTileSize, width()), std::min(top + kTileSize, height())};
}

void ImageView::RenderTilesOnThreads(int c0, int c1, int r0, int r1)
{
    if (OperationThreads() < 2 || !image_.RendersOnAnyThread()) return;
    std::vector<QPoint> missing;
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c)
            if (!tiles_.contains(QPoint(c, r))) missing.emplace_back(c, r);
    if (missing.size() < 2) return;
    if (tiles_.size() + static_cast<qsizetype>(missing.size()) > kMaxTiles) tiles_.clear();
    std::vector<std::optional<QImage>> rendered(missing.size());
    const TColor background = background_;
    SplitWork(missing.size(), static_cast<std::size_t>(kTileSize) * kTileSize, [&](std::size_t first, std::size_t end) {
        for (std::size_t i = first; i < end; ++i) {
            try {
                TBitmap tile;
                image_.RenderAreaTo(tile, TileArea(missing[i].x(), missing[i].y()), background);
                rendered[i] = ToQImage(tile);
            } catch (...) {
                // Left out: Tile renders it again on this thread and reports
                // the error there.
            }
        }
    });
    for (std::size_t i = 0; i < missing.size(); ++i) {
        if (!rendered[i]) continue;
        tiles_.insert(missing[i], std::move(*rendered[i]));
        ++tilesRendered_;
    }
}

const QImage& ImageView::Tile(int column, int row)
{
    const QPoint key(column, row);
    auto found = tiles_.constFind(key);
    if (found != tiles_.constEnd()) return *found;

    const TRect area = TileArea(column, row);
    QImage tile;
    try {
        TBitmap rendered;
        image_.RenderAreaTo(rendered, area, background_);
        tile = ToQImage(rendered);
    } catch (...) {
        // A picture that cannot be drawn shows the background; the error is
        // reported once per repaint request, not once per tile.
        tile = QImage(area.Width(), area.Height(), QImage::Format_RGB32);
        tile.fill(ToQColor(background_));
        // Shown after the paint event: a message box must not run inside it.
        if (tiles_.isEmpty())
            QMetaObject::invokeMethod(
                this, [message = CurrentExceptionMessage()] { ShowErrorMessage(message); }, Qt::QueuedConnection);
    }
    ++tilesRendered_;
    if (tiles_.size() >= kMaxTiles) tiles_.clear();
    return *tiles_.insert(key, std::move(tile));
}

void ImageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect exposed = event->rect().intersected(rect());
    if (exposed.isEmpty()) return;
    const int c0 = exposed.left() / kTileSize, c1 = exposed.right() / kTileSize;
    const int r0 = exposed.top() / kTileSize, r1 = exposed.bottom() / kTileSize;
    RenderTilesOnThreads(c0, c1, r0, r1);
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) painter.drawImage(QPoint(c * kTileSize, r * kTileSize), Tile(c, r));
}

void ImageView::mousePressEvent(QMouseEvent* event)
{
    TMouseButton button;
    switch (event->button()) {
    case Qt::LeftButton: button = mbLeft; break;
    case Qt::RightButton: button = mbRight; break;
    case Qt::MiddleButton: button = mbMiddle; break;
    default: return QWidget::mousePressEvent(event);
    }
    TShiftState shift = 0;
    const Qt::KeyboardModifiers keys = event->modifiers();
    if (keys & Qt::ShiftModifier) shift |= ssShift;
    if (keys & Qt::AltModifier) shift |= ssAlt;
    if (keys & Qt::ControlModifier) shift |= ssCtrl;
    const Qt::MouseButtons held = event->buttons();
    if (held & Qt::LeftButton) shift |= ssLeft;
    if (held & Qt::RightButton) shift |= ssRight;
    if (held & Qt::MiddleButton) shift |= ssMiddle;
    const QPoint at = event->position().toPoint();
    if (OnMouseDown) Guarded([&] { OnMouseDown(button, shift, at.x(), at.y()); });
    event->accept();
}

} // namespace pictor::ui
