// TImageView: tiles of the control's rendering, made on exposure.
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

TImageView::TImageView(TImage& image, QWidget* parent) : QWidget(parent), FImage(image)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    FImage.OnRepaint = [this] { ImageRepaint(); };
    FImage.OnResize = [this] { ImageResized(); };
    setFixedSize(std::max(FImage.Width(), 0), std::max(FImage.Height(), 0));
}

TImageView::~TImageView()
{
    FImage.OnRepaint = nullptr;
    FImage.OnResize = nullptr;
}

void TImageView::SetBackground(TColor color)
{
    FBackground = color;
    ImageRepaint();
}

void TImageView::ImageResized()
{
    setFixedSize(std::max(FImage.Width(), 0), std::max(FImage.Height(), 0));
    emit sizeChanged();
}

void TImageView::ImageRepaint()
{
    FTiles.clear();
    update();
}

TRect TImageView::TileArea(int column, int row) const
{
    const int left = column * kTileSize, top = row * kTileSize;
    return TRect{left, top, std::min(left + kTileSize, width()), std::min(top + kTileSize, height())};
}

void TImageView::RenderTilesOnThreads(int c0, int c1, int r0, int r1)
{
    if (OperationThreads() < 2 || !FImage.RendersOnAnyThread()) return;
    std::vector<QPoint> missing;
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c)
            if (!FTiles.contains(QPoint(c, r))) missing.emplace_back(c, r);
    if (missing.size() < 2) return;
    if (FTiles.size() + static_cast<qsizetype>(missing.size()) > kMaxTiles) FTiles.clear();
    std::vector<std::optional<QImage>> rendered(missing.size());
    const TColor background = FBackground;
    SplitWork(missing.size(), static_cast<std::size_t>(kTileSize) * kTileSize, [&](std::size_t first, std::size_t end) {
        for (std::size_t i = first; i < end; ++i) {
            try {
                TBitmap tile;
                FImage.RenderAreaTo(tile, TileArea(missing[i].x(), missing[i].y()), background);
                rendered[i] = ToQImage(tile);
            } catch (...) {
                // Left out: Tile renders it again on this thread and reports
                // the error there.
            }
        }
    });
    for (std::size_t i = 0; i < missing.size(); ++i) {
        if (!rendered[i]) continue;
        FTiles.insert(missing[i], std::move(*rendered[i]));
        ++FTilesRendered;
    }
}

const QImage& TImageView::Tile(int column, int row)
{
    const QPoint key(column, row);
    auto found = FTiles.constFind(key);
    if (found != FTiles.constEnd()) return *found;

    const TRect area = TileArea(column, row);
    QImage tile;
    try {
        TBitmap rendered;
        FImage.RenderAreaTo(rendered, area, FBackground);
        tile = ToQImage(rendered);
    } catch (...) {
        // A picture that cannot be drawn shows the background; the error is
        // reported once per repaint request, not once per tile.
        tile = QImage(area.Width(), area.Height(), QImage::Format_RGB32);
        tile.fill(ToQColor(FBackground));
        // Shown after the paint event: a message box must not run inside it.
        if (FTiles.isEmpty())
            QMetaObject::invokeMethod(
                this, [message = CurrentExceptionMessage()] { ShowErrorMessage(message); }, Qt::QueuedConnection);
    }
    ++FTilesRendered;
    if (FTiles.size() >= kMaxTiles) FTiles.clear();
    return *FTiles.insert(key, std::move(tile));
}

void TImageView::paintEvent(QPaintEvent* event)
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

void TImageView::mousePressEvent(QMouseEvent* event)
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
