// TPlacedWindow: a top-level window (QWidget or QMainWindow) with its
// placement as the settings store keeps it.
//
// Left and Top are the client area's top-left corner on the screen. Width
// and Height are the outer size: the client area plus the borders and
// caption of the form description (kFrameWidth by kFrameHeight pixels). Both
// are counted the same way whatever frame the window system draws, so that
// stored values come back exactly. The window state is a TWindowState;
// setting any other value makes the window normal.
#pragma once

#include <QRect>
#include <QWidget>

#include <algorithm>

namespace pictor::ui {

// A window's state as the settings file stores it.
enum TWindowState { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

// A window's placement as the settings file keeps it.
struct TWindowPlacement {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int WindowState = wsNormal;
};

template <class TBase>
class TPlacedWindow : public TBase {
public:
    using TBase::TBase;

    static constexpr int kFrameWidth = 8;
    static constexpr int kFrameHeight = 34;

    int Left() const { return this->geometry().x(); }
    int Top() const { return this->geometry().y(); }
    int Width() const { return this->geometry().width() + kFrameWidth; }
    int Height() const { return this->geometry().height() + kFrameHeight; }

    void SetLeft(int Value)
    {
        QRect g = this->geometry();
        g.moveLeft(Value);
        this->setGeometry(g);
    }
    void SetTop(int Value)
    {
        QRect g = this->geometry();
        g.moveTop(Value);
        this->setGeometry(g);
    }
    void SetWidth(int Value)
    {
        QRect g = this->geometry();
        g.setWidth(std::max(Value - kFrameWidth, 1));
        this->setGeometry(g);
    }
    void SetHeight(int Value)
    {
        QRect g = this->geometry();
        g.setHeight(std::max(Value - kFrameHeight, 1));
        this->setGeometry(g);
    }

    TWindowState WindowState() const
    {
        const Qt::WindowStates state = this->windowState();
        if (state & Qt::WindowMinimized) return wsMinimized;
        if (state & Qt::WindowMaximized) return wsMaximized;
        return wsNormal;
    }
    void SetWindowState(int Value)
    {
        Qt::WindowStates state = this->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        if (Value == wsMinimized) state |= Qt::WindowMinimized;
        if (Value == wsMaximized) state |= Qt::WindowMaximized;
        this->setWindowState(state);
    }

    TWindowPlacement Placement() const { return {Left(), Top(), Width(), Height(), WindowState()}; }
    // Sets the position, the size, then the state.
    void SetPlacement(const TWindowPlacement& Value)
    {
        SetLeft(Value.Left);
        SetTop(Value.Top);
        SetWidth(Value.Width);
        SetHeight(Value.Height);
        SetWindowState(Value.WindowState);
    }
};

} // namespace pictor::ui
